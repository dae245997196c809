// Identifiers of stored objects are read at their full width: only -1 ends a stream, and one
// outside the 16 bits objects use is damage.

#include <string_view>

#include <gtest/gtest.h>

#include "core/FileCalls.h"
#include "core/Handle.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

void Long(std::vector<uint8_t>& bytes, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes.push_back(static_cast<uint8_t>(u >> shift));
}

void Text(std::vector<uint8_t>& bytes, std::string_view text, bool counted = true) {
  if (counted) {
    bytes.push_back(0);
    bytes.push_back(static_cast<uint8_t>(text.size()));
  }
  for (const char c : text) bytes.push_back(static_cast<uint8_t>(c));
  if (counted && text.size() % 2 != 0) bytes.push_back(0);
}

// A document of one shape (identifier 3, value 1.0) followed by the identifier given.
std::vector<uint8_t> Document(int32_t after) {
  std::vector<uint8_t> bytes;
  Text(bytes, "ZodA", false);
  for (std::string_view text : {"YB3X", "Version 2.5", "IE64", "MSWindows", "", "", "", ""})
    Text(bytes, text);
  Long(bytes, 3);
  Text(bytes, "TsSh    ", false);
  Long(bytes, kBlockValue);
  Long(bytes, 8);
  bytes.insert(bytes.end(), {0x3F, 0xF0, 0, 0, 0, 0, 0, 0});
  Long(bytes, -1);
  Long(bytes, after);
  return bytes;
}

class StreamIdentifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    classes = std::make_unique<TestClassScope>();
  }
  void TearDown() override {
    classes.reset();
    FreeHandlePool();
  }
  std::unique_ptr<TestClassScope> classes;
};

TEST_F(StreamIdentifierTest, OnlyMinusOneAtFullWidthEndsTheStream) {
  auto reader = ReadObjects(Document(-1), 2, 2, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  EXPECT_EQ(reader->TakeObjects().size(), 1u);
  for (int32_t damaged : {0x0000FFFF, 0x00012345, -40000}) {
    EXPECT_EQ(ErrorOf([&] { ReadObjects(Document(damaged), 2, 2, nullptr, nullptr, nullptr, nullptr); }),
              kErrBadFormat)
        << damaged;
  }
}

TEST_F(StreamIdentifierTest, AnEmptyVersionSetsTheProgramWideUnversionedFlag) {
  std::vector<uint8_t> bytes;
  Text(bytes, "ZodA", false);
  Text(bytes, "");
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF});
  SetUnversionedDocument(false);
  auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(IsUnversionedDocument());
  EXPECT_TRUE(reader->IsUnversioned());
  SetUnversionedDocument(false);
  EXPECT_FALSE(reader->IsUnversioned());
}

}  // namespace
}  // namespace filing_test
