#include "model/filing/ObjectReaderText.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "core/Resources.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

std::span<const uint8_t> BytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A shape of identifier 3 with a value, a rigid frame, a note that holds separators, a comment
// opener and escaped quotes, and one quantity given by a formula text, written as text.
const std::string kShapeText =
    "ZAZU \"YB30\"  /* header: signature and version */\n"
    "3\n"
    "1200; 2, 1 { 2.5 }\n"
    "1202; 2, 4 /* unused, x, y, angle */ 0 1.5 -2 0.25\n"
    "5100; 2, 1 \"a\\\"b, /* c */\"\n"
    "1203; 2, 2 1 \"x * 2\"\n"
    "-1\n";

class TextReaderTest : public ::testing::Test {
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

  std::vector<std::unique_ptr<TLink>> Read(std::span<const uint8_t> bytes, int16_t kind) {
    auto reader = ReadObjects(bytes, kind, 2, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    return reader->TakeObjects();
  }
  std::vector<uint8_t> Write(const std::vector<std::unique_ptr<TLink>>& objects) {
    std::vector<TLink*> list;
    for (const auto& object : objects)
      list.push_back(object.get());
    auto writer = WriteObjectsDefault(&list, 1, nullptr, 1, nullptr);
    return TakeBytes(*writer);
  }
  // The failure a text raises when read, or 1 when it reads.
  int16_t ErrorReading(const std::string& text, int32_t* message = nullptr) {
    try {
      Read(BytesOf(text), 0);
    } catch (const QVException& failure) {
      if (message != nullptr) *message = failure.message();
      return failure.error();
    }
    return 1;
  }
};

TEST_F(TextReaderTest, TextRecordsReadIntoTheObjectsTheBinaryFormHolds) {
  const auto fromText = Read(BytesOf(kShapeText), 0);
  ASSERT_EQ(fromText.size(), 1u);
  const auto& shape = dynamic_cast<const TTestShape&>(*fromText[0]);
  EXPECT_EQ(shape.GetIdentifier(), 3);
  EXPECT_EQ(shape.value, 2.5);
  EXPECT_EQ(std::string(shape.note.AsCString()), "a\"b, /* c */");
  ASSERT_EQ(shape.quantities.size(), 1u);
  EXPECT_TRUE(shape.quantities[0]->IsFormula());

  TTestShape original;
  original.Initialize();
  original.SetIdentifier(3);
  original.value = 2.5;
  original.frame = Transform2D::FromVector3(1.5, -2, 0.25);
  original.note = "a\"b, /* c */";
  original.quantities.push_back(std::make_unique<TFormula>());
  original.quantities.back()->SetFromPieces("x * 2");
  std::vector<TLink*> list = {&original};
  auto writer = WriteObjectsDefault(&list, 1, nullptr, 1, nullptr);
  const std::vector<uint8_t> binary = TakeBytes(*writer);
  const auto fromBinary = Read(binary, 1);
  EXPECT_EQ(Write(fromText), Write(fromBinary));
}

TEST_F(TextReaderTest, RecordsNobodyReadsAreKeptVerbatimAndRawRecordsTakeTheirBytes) {
  // Record 1299 is no shape's; the raw record's six bytes hold what would be separators and a
  // comment in text, and the value after it must still be read.
  const std::string kept1 = "1299; 2, 3 7 /* note */ \"x y\" 9\n";
  const std::string kept2 = "1298; 1, 6\r\n/*a,\"}\n";
  const std::string text =
      "ZAZU YB30\n3\n1200; 2, 1 4.5\n" + kept1 + kept2 + "1202; 2, 4 0 1 2 0\n-1\n";
  const auto objects = Read(BytesOf(text), 0);
  ASSERT_EQ(objects.size(), 1u);
  const auto& shape = dynamic_cast<const TTestShape&>(*objects[0]);
  EXPECT_EQ(shape.value, 4.5);
  EXPECT_EQ(shape.frame.tx, 1.0);
  EXPECT_EQ(shape.frame.ty, 2.0);
  Handle unread = shape.UnreadRecords();
  ASSERT_NE(unread, nullptr);
  EXPECT_EQ(std::string(HandleData(unread), GetHandleByteSize(unread)), kept1 + kept2);
}

TEST_F(TextReaderTest, TokensKeepWhatAStoredStringHoldsAndTheRestIsPassedOver) {
  const std::string full(255, 'n');
  const auto noteOf = [this](const std::string& token) {
    const auto objects = Read(BytesOf("ZAZU YB30 3 1200; 2, 1 1 5100; 2, 1 " + token + " -1"), 0);
    EXPECT_EQ(objects.size(), 1u);
    return objects.empty()
               ? std::string()
               : std::string(dynamic_cast<const TTestShape&>(*objects[0]).note.AsCString());
  };
  EXPECT_EQ(noteOf("\"" + full + "\""), full);
  // Longer tokens, quoted or bare, keep their first 255 characters; the record goes on after them.
  EXPECT_EQ(noteOf("\"" + full + "tail, with \\\" separators\""), full);
  EXPECT_EQ(noteOf(full + "tail"), full);

  // A number is never cut: a longer one is damage.
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 " + std::string(300, '0') + "1 -1"),
            kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 0." + std::string(300, '0') + "1 -1"),
            kErrTextFormat);
}

TEST_F(TextReaderTest, DamagedAndTruncatedTextsAreRefusedWithoutReadingPastTheirEnd) {
  EXPECT_EQ(ErrorReading("ZODB YB30 3 1200; 2, 1 1 -1"), kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 3, 1 1 -1"), kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 x1 -1"), kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 1 1298; 1, 60\n12345"), kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 1 5100; 2, 1 \"open"), kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 1 1202; 2, 4 0 1 /* 2 0 -1"), kErrTextFormat);
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 1 5100; 2, 1 \"a\\"), kErrTextFormat);
  // Every cut of a good text either reads the objects it holds or fails as damaged text.
  for (size_t length = 0; length < kShapeText.size(); ++length) {
    const int16_t error = ErrorReading(kShapeText.substr(0, length));
    EXPECT_TRUE(error == 1 || error == kErrTextFormat) << length << ": " << error;
  }
}

TEST_F(TextReaderTest, ATextResourceGivesTheDefaultObjects) {
  // The full header: seven dropped tokens, then tags after each identifier up to the blank one.
  static const std::string kDefaults =
      "ZAZU YB3X \"Version 2.5\" IE64 MSWindows 0 0 0 0\n"
      "10000 wrld \"    \"\n"
      "5204; 2, 1 17\n"
      "-1 -1\n";
  static const ResourceEntry entries[] = {
      {"ZAZU", 0, nullptr, 77, reinterpret_cast<const uint8_t*>(kDefaults.data()),
       static_cast<uint32_t>(kDefaults.size())},
      {"ZAZU", 0, nullptr, 78, reinterpret_cast<const uint8_t*>(kDefaults.data()),
       static_cast<uint32_t>(kDefaults.size() - 9)}};
  static const ResourceModuleTable table = {"text-test.dll", entries, 2};
  RegisterResourceModule(table);
  SetResourceModule2(LoadResourceLibrary("text-test.dll"));
  TTestWorld world;
  world.SetIdentifier(10000);
  ReadDefaultObjects(77, &world);
  EXPECT_EQ(world.setting, 17);
  EXPECT_EQ(ErrorOf([&] { ReadDefaultObjects(78, &world); }), kErrResourceFormat);
  SetResourceModule2(nullptr);
  UnregisterResourceModule("text-test.dll");
}

}  // namespace
}  // namespace filing_test
