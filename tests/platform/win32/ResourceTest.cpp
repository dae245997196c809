#include "platform/win32/Resource.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A string-table block: sixteen entries of a 16-bit length and UTF-16 units.
std::vector<uint8_t> Block(const std::vector<std::u16string>& strings) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < 16; ++i) {
    const std::u16string text = i < strings.size() ? strings[i] : u"";
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.push_back(static_cast<uint8_t>(text.size() >> 8));
    for (const char16_t unit : text) {
      bytes.push_back(static_cast<uint8_t>(unit));
      bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
  }
  return bytes;
}

const uint8_t kFirst[] = {1, 2, 3};
const uint8_t kSecond[] = {9};
// Strings 16 to 31: 17 is "Gravity", 18 is "Euro €", 31 is "last".
const std::vector<uint8_t> kStrings = Block({u"", u"Gravity", u"Euro \u20AC", u"", u"", u"", u"",
                                             u"", u"", u"", u"", u"", u"", u"", u"", u"last"});
// A block whose first length runs past its end.
const uint8_t kBrokenBlock[] = {200, 0, 'a', 0};

const ResourceEntry kMainEntries[] = {
    {"STRD", 0, nullptr, 1100, kFirst, sizeof kFirst},
    {"HIER", 0, nullptr, 10, kSecond, sizeof kSecond},
    {nullptr, 4, "PLAYERMODE", 0, kSecond, sizeof kSecond},
    {nullptr, 6, nullptr, 2, kStrings.data(), static_cast<uint32_t>(kStrings.size())},
    {nullptr, 6, nullptr, 3, kBrokenBlock, sizeof kBrokenBlock},
    {"EMPT", 0, nullptr, 1, nullptr, 0},
};
const ResourceEntry kOtherEntries[] = {
    {"STRD", 0, nullptr, 1100, kSecond, sizeof kSecond},
    {"STRD", 0, nullptr, 1200, kSecond, sizeof kSecond},
};
const ResourceModuleTable kMain = {"test-main.dll", kMainEntries, std::size(kMainEntries)};
const ResourceModuleTable kOther = {"test-other.dll", kOtherEntries, std::size(kOtherEntries)};

class ResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterResourceModule(kMain);
    RegisterResourceModule(kOther);
    main_ = LoadResourceLibrary("test-main.dll");
    other_ = LoadResourceLibrary("TEST-OTHER.DLL");
    ASSERT_NE(main_, nullptr);
    ASSERT_NE(other_, nullptr);
  }
  void TearDown() override {
    UnregisterResourceModule("test-main.dll");
    UnregisterResourceModule("test-other.dll");
  }

  std::string String(UINT id, int bufferMax = 256) {
    std::vector<char> buffer(bufferMax > 0 ? bufferMax : 1, 'x');
    const int n = LoadStringA(main_, id, buffer.data(), bufferMax);
    EXPECT_EQ(n, bufferMax > 0 ? static_cast<int>(std::strlen(buffer.data())) : 0);
    return bufferMax > 0 ? std::string(buffer.data()) : std::string();
  }

  HMODULE main_ = nullptr;
  HMODULE other_ = nullptr;
};

TEST_F(ResourceTest, FindsByIntegerAndTextKeys) {
  HRSRC list = FindResourceA(main_, MAKEINTRESOURCEA(1100), "STRD");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(SizeofResource(main_, list), 3u);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(main_, list)));
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[2], 3);
  // Texts compare without case; "#n" stands for the integer n.
  EXPECT_EQ(FindResourceA(main_, "#1100", "strd"), list);
  EXPECT_EQ(FindResourceA(main_, "playermode", RT_MENU), FindResourceA(main_, "PLAYERMODE", "#4"));
  EXPECT_NE(FindResourceA(main_, "PLAYERMODE", RT_MENU), nullptr);
  EXPECT_EQ(FindResourceA(main_, MAKEINTRESOURCEA(1101), "STRD"), nullptr);
  EXPECT_EQ(FindResourceA(main_, MAKEINTRESOURCEA(4), "PLAYERMODE"), nullptr);
  EXPECT_EQ(FindResourceA(main_, "1100", "STRD"), nullptr);
  EXPECT_EQ(FindResourceA(main_, "#1100x", "STRD"), nullptr);
  EXPECT_EQ(FindResourceA(main_, "#66636", "STRD"), nullptr);  // 1100 + 65536 must not wrap
  EXPECT_EQ(FindResourceA(main_, "#", "STRD"), nullptr);
}

TEST_F(ResourceTest, ForeignAndStaleHandlesAreRefused) {
  HRSRC list = FindResourceA(main_, MAKEINTRESOURCEA(1100), "STRD");
  EXPECT_EQ(LoadResource(other_, list), nullptr);
  EXPECT_EQ(SizeofResource(other_, list), 0u);
  EXPECT_EQ(LoadResourceLibrary("missing.dll"), nullptr);
  EXPECT_EQ(GetResourceLibraryName(main_), std::string("test-main.dll"));
  UnregisterResourceModule("test-main.dll");
  EXPECT_EQ(FindResourceA(main_, MAKEINTRESOURCEA(1100), "STRD"), nullptr);
  EXPECT_EQ(LoadResource(main_, list), nullptr);
  EXPECT_EQ(GetResourceLibraryName(main_), nullptr);
}

TEST_F(ResourceTest, EmptyResourceLoadsWithSizeZero) {
  HRSRC empty = FindResourceA(main_, MAKEINTRESOURCEA(1), "EMPT");
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(LoadResource(main_, empty), nullptr);
  EXPECT_EQ(SizeofResource(main_, empty), 0u);
}

TEST_F(ResourceTest, SearchAcrossModulesTakesTheFirstRegistered) {
  EXPECT_EQ(FindResourceModule(MAKEINTRESOURCEA(1100), "STRD"), main_);
  EXPECT_EQ(FindResourceModule(MAKEINTRESOURCEA(1200), "STRD"), other_);
  EXPECT_EQ(FindResourceModule(MAKEINTRESOURCEA(1300), "STRD"), nullptr);
}

TEST_F(ResourceTest, LoadStringReadsTheBlockOfSixteen) {
  EXPECT_EQ(String(17), "Gravity");
  EXPECT_EQ(String(18), "Euro \x80");
  EXPECT_EQ(String(31), "last");
  EXPECT_EQ(String(16), "");
  EXPECT_EQ(String(40), "");
  EXPECT_EQ(String(17, 4), "Gra");
  EXPECT_EQ(String(17, 1), "");
  EXPECT_EQ(String(17, 0), "");
}

TEST_F(ResourceTest, LoadStringRefusesAnOverrunningBlock) {
  EXPECT_EQ(String(32), "");
  EXPECT_EQ(String(33), "");
}

}  // namespace
