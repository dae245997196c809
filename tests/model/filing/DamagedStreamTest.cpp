#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

// Builds big-endian streams by hand.
class Bytes {
 public:
  Bytes& Raw(std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
  }
  Bytes& Word(uint16_t v) { return Byte(v >> 8).Byte(v & 0xFF); }
  Bytes& Long(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return Word(static_cast<uint16_t>(u >> 16)).Word(static_cast<uint16_t>(u));
  }
  Bytes& String(std::string_view text) {
    Word(static_cast<uint16_t>(text.size())).Raw(text);
    if (text.size() % 2 != 0) Byte(0);
    return *this;
  }
  Bytes& Byte(int v) {
    bytes.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  // The full header with the given version and real-format tag.
  Bytes& Header(std::string_view version = "YB3X", std::string_view real = "IE64") {
    Raw("ZodA").String(version);
    if (version != "YB3X") return *this;
    String("Version 2.5").String(real).String("MSWindows");
    for (int i = 0; i < 4; ++i)
      String("");
    return *this;
  }
  // An object start with the test shape's class tag.
  Bytes& Object(int32_t id) { return Long(id).Raw("TsSh").Raw("    "); }
  std::vector<uint8_t> bytes;
};

class DamagedStreamTest : public ::testing::Test {
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
  int16_t ReadError(const std::vector<uint8_t>& bytes, int realFormat = 2) {
    return ErrorOf([&] {
      auto reader = ReadObjects(bytes, 2, realFormat, nullptr, nullptr, nullptr, nullptr);
      reader->Complete(0);
      objects = reader->TakeObjects();
    });
  }
  TTestShape* Shape(size_t i) { return static_cast<TTestShape*>(objects.at(i).get()); }
  std::vector<std::unique_ptr<TLink>> objects;
};

TEST_F(DamagedStreamTest, HeaderFaultsAreFormatFailures) {
  EXPECT_EQ(ReadError(Bytes().Raw("ZodB").String("YB3X").bytes), kErrBadFormat);
  // A whole document whose signature differs only in its fourth byte.
  std::vector<uint8_t> whole = Bytes().Header().Long(-1).bytes;
  ASSERT_EQ(ReadError(whole), 1);
  whole[3] = 'B';
  EXPECT_EQ(ReadError(whole), kErrBadFormat);
  EXPECT_EQ(ReadError(Bytes().Header("YB3X", "IE65").Long(-1).bytes), kErrBadFormat);
  EXPECT_EQ(ReadError(Bytes().Raw("Zo").bytes), kErrBadFormat);
  EXPECT_EQ(ReadError({}), kErrBadFormat);
}

TEST_F(DamagedStreamTest, EveryRealWidthIsReadFromItsTag) {
  const double value = 6.75;
  for (const char* tag : {"IE32", "IE64", "IE80"}) {
    Bytes b;
    b.Header("YB3X", tag).Object(1).Long(kBlockValue);
    if (std::string_view(tag) == "IE32") {
      float f = static_cast<float>(value);
      uint32_t u;
      std::memcpy(&u, &f, 4);
      b.Long(4).Long(static_cast<int32_t>(u));
    } else if (std::string_view(tag) == "IE64") {
      uint64_t u;
      std::memcpy(&u, &value, 8);
      b.Long(8).Long(static_cast<int32_t>(u >> 32)).Long(static_cast<int32_t>(u));
    } else {
      // 6.75 = 1.6875 * 2^2 as an 80-bit extended real, big-endian.
      b.Long(10).Word(0x4001).Word(0xD800).Word(0).Word(0).Word(0);
    }
    b.Long(-1).Long(-1);
    ASSERT_EQ(ReadError(b.bytes), 1) << tag;
    EXPECT_EQ(Shape(0)->value, value) << tag;
  }
  // 96-bit reals take their 12 bytes, so what follows them is read in its place.
  Bytes b;
  b.Header("YB3X", "IE96").Object(1).Long(kBlockValue).Long(12);
  b.Word(0x4001).Word(0).Word(0xD800).Word(0).Word(0).Word(0);
  b.Long(kBlockNote).Long(4).String("ok").Long(-1).Long(-1);
  ASSERT_EQ(ReadError(b.bytes), 1);
  EXPECT_EQ(Shape(0)->value, value);
  EXPECT_TRUE(Shape(0)->note == Str255("ok"));
}

TEST_F(DamagedStreamTest, OutOfRangeCodeIsSkippedByItsLength) {
  Bytes b;
  b.Header().Object(1).Long(70000).Long(6).Raw("junk!!").Long(kBlockValue).Long(8);
  b.Long(0x40100000).Long(0).Long(-1).Long(-1);
  ASSERT_EQ(ReadError(b.bytes), 1);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(Shape(0)->value, 4.0);
}

TEST_F(DamagedStreamTest, AnUnknownLastBlockMayEndRightBeforeTheClosingCodes) {
  Bytes b;
  b.Header().Object(1).Long(kBlockValue).Long(8).Long(0x40100000).Long(0);
  b.Long(1999).Long(4).Raw("tail");
  Bytes whole = b;
  whole.Long(-1).Long(-1);
  ASSERT_EQ(ReadError(whole.bytes), 1);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(Shape(0)->value, 4.0);
  // A document that stops with its last block, before the object's end and the end of the
  // object list, was cut short: what follows it is lost, so it is not taken as whole.
  EXPECT_EQ(ReadError(b.bytes), kErrBadFormat);
  // One byte short, the block claims more than the stream holds.
  b.bytes.pop_back();
  EXPECT_EQ(ReadError(b.bytes), kErrBadFormat);
}

TEST_F(DamagedStreamTest, ADocumentEndsWithItsEndMarkAndEveryObjectHasABlock) {
  Bytes whole;
  whole.Header().Object(1).Long(kBlockValue).Long(8).Long(0x40100000).Long(0).Long(-1).Long(-1);
  ASSERT_EQ(ReadError(whole.bytes), 1);
  ASSERT_EQ(objects.size(), 1u);
  // Cut where the object ends, the list has lost its end mark (and whatever followed).
  std::vector<uint8_t> cut = whole.bytes;
  cut.resize(cut.size() - 4);
  EXPECT_EQ(ReadError(cut), kErrBadFormat);
  cut.resize(cut.size() - 4);
  EXPECT_EQ(ReadError(cut), kErrBadFormat);
  // An object that ends before its first block is the mark of damage, not an object.
  Bytes empty;
  empty.Header().Object(1).Long(-1).Long(-1);
  EXPECT_EQ(ReadError(empty.bytes), kErrBadFormat);
  // Nothing is stored under an identifier below the end mark's.
  Bytes below;
  below.Header().Object(-2).Long(kBlockValue).Long(8).Long(0x40100000).Long(0).Long(-1).Long(-1);
  EXPECT_EQ(ReadError(below.bytes), kErrBadFormat);
  // A document of no objects is its header and the end mark.
  EXPECT_EQ(ReadError(Bytes().Header().Long(-1).bytes), 1);
  EXPECT_TRUE(objects.empty());
}

TEST_F(DamagedStreamTest, NoBlockIsWrittenUnderTheEndOfObjectCode) {
  TTestShape shape;
  shape.Initialize();
  shape.SetIdentifier(1);
  auto writer = std::make_unique<TObjectWriterKind2>();
  writer->Init(nullptr);
  writer->WriteHeader();
  EXPECT_EQ(ErrorOf([&] { writer->WriteBlock(shape, -1); }), kErrCodeRange);
}

// A document whose shape names the face, written with a face the table already holds and then
// renamed in place, so that reading it enters a face the table does not hold yet.
std::vector<uint8_t> DocumentWithNewFace(const std::string& written, const std::string& read) {
  TTestShape shape;
  shape.Initialize();
  shape.SetIdentifier(1);
  shape.SetTextStyle(FontSpec{FontNumberFromName(Str255(written.c_str())), 0, 12}, RGB16Color());
  auto writer = WriteObjectsDefault(nullptr, 1, &shape, 2, nullptr);
  std::vector<uint8_t> bytes = TakeBytes(*writer);
  const auto at = std::search(bytes.begin(), bytes.end(), written.begin(), written.end());
  EXPECT_NE(at, bytes.end());
  std::copy(read.begin(), read.end(), at);
  return bytes;
}

TEST_F(DamagedStreamTest, AFailedReadLeavesNoFaceNamesBehind) {
  const std::vector<uint8_t> whole = DocumentWithNewFace("Read Face 1", "Read Face 2");
  const int16_t before = FaceTableCount();
  // Cut inside the last block, after the style block: the face name is read, then the stream
  // fails.
  for (size_t cut = whole.size() - 12; cut < whole.size() - 8; ++cut) {
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
    ASSERT_EQ(ReadError(part), kErrBadFormat) << cut;
    EXPECT_EQ(FaceTableCount(), before) << cut;
  }
  ASSERT_EQ(ReadError(whole), 1);
  Str255 face;
  FontNameFromNumber(Shape(0)->GetFont().fontNumber, face);
  EXPECT_TRUE(face == Str255("Read Face 2"));
  const int16_t kept = FaceTableCount();
  EXPECT_EQ(kept, before + 1);
  // The read that succeeded keeps its face whatever later reads do.
  objects.clear();
  EXPECT_EQ(ReadError(std::vector<uint8_t>(whole.begin(), whole.end() - 10)), kErrBadFormat);
  EXPECT_EQ(FaceTableCount(), kept);
}

// A block read into an object that was there before keeps the faces the read enters, even when
// the read then fails: the object may name them.
TEST_F(DamagedStreamTest, AFailedReadIntoExistingObjectsKeepsTheirFaces) {
  class Existing : public TTestShape {
   public:
    uint16_t CanReadBlock(int16_t code) override { return code == kBlockValue; }
  } existing;
  existing.Initialize();
  existing.SetIdentifier(1);
  TTestWorld world;
  world.AddDependent(&existing);
  const std::vector<uint8_t> whole = DocumentWithNewFace("Kept Face 1", "Kept Face 2");
  const std::vector<uint8_t> cut(whole.begin(), whole.end() - 10);
  EXPECT_EQ(ErrorOf([&] { ReadObjects(cut, 2, 2, &world, nullptr, nullptr, nullptr); }),
            kErrBadFormat);
  Str255 face;
  FontNameFromNumber(existing.GetFont().fontNumber, face);
  EXPECT_TRUE(face == Str255("Kept Face 2"));
  world.RemoveDependent(&existing);
}

TEST_F(DamagedStreamTest, OlderLayoutCannotSkipAnUnknownBlock) {
  Bytes b;
  b.Raw("ZodA").String("RE25").Word(1).Word(1999).Word(0).Word(0xFFFF);
  EXPECT_EQ(ReadError(b.bytes), kErrBadFormat);
}

TEST_F(DamagedStreamTest, OlderLayoutReadsKnownBlocksWithTheCallersRealWidth) {
  Bytes b;
  b.Raw("ZodA").String("RE25").Word(2).Word(kBlockValue);
  b.Word(0x4001).Word(0xD800).Word(0).Word(0).Word(0).Word(0xFFFF);
  ASSERT_EQ(ReadError(b.bytes, 2), 1);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(Shape(0)->value, 6.75);
}

TEST_F(DamagedStreamTest, LengthsBeyondTheStreamFail) {
  EXPECT_EQ(ReadError(Bytes().Header().Object(1).Long(kBlockValue).Long(0x7FFFFFF0).bytes),
            kErrBadFormat);
  EXPECT_EQ(ReadError(Bytes().Header().Object(1).Long(1999).Long(-8).Long(-1).Long(-1).bytes),
            kErrBadFormat);
  // A block that claims less than its reader takes: the read stops at the block's end.
  EXPECT_EQ(ReadError(Bytes().Header().Object(1).Long(kBlockValue).Long(4).Long(0).Long(0).bytes),
            kErrBadFormat);
  // A string longer than what remains of its block.
  Bytes shortString;
  shortString.Header().Object(1).Long(kBlockValue).Long(8).Long(0).Long(0);
  shortString.Long(kBlockNote).Long(4).Word(0xFFFF).Raw("ab").Long(-1).Long(-1);
  EXPECT_EQ(ReadError(shortString.bytes), kErrBadFormat);
}

TEST_F(DamagedStreamTest, LongStringKeeps255CharactersAndStaysAligned) {
  const std::string text(300, 'x');
  Bytes b;
  b.Header().Object(1).Long(kBlockValue).Long(8).Long(0x40100000).Long(0);
  b.Long(kBlockNote).Long(302).String(text).Long(kBlockName).Long(4).String("ok").Long(-1).Long(-1);
  ASSERT_EQ(ReadError(b.bytes), 1);
  EXPECT_EQ(Shape(0)->note.Length(), 255);
  EXPECT_TRUE(Shape(0)->GetName() == Str255("ok"));
}

TEST_F(DamagedStreamTest, StoredHandleLengthIsChecked) {
  class Holder : public TTestShape {
   public:
    Handle data = AllocHandle(0);
    ~Holder() override { FreeHandle(data); }
    uint16_t CanReadBlock(int16_t code) override { return code == kBlockValue || code == 1500; }
    uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
      if (code != 1500) return TTestShape::ReadBlockContents(code, reader);
      reader.ReadHandle(data);
      return 1;
    }
  } holder;
  holder.SetIdentifier(1);
  TTestWorld world;
  world.AddDependent(&holder);
  auto read = [&](const Bytes& b) {
    return ErrorOf([&] { ReadObjects(b.bytes, 2, 2, &world, nullptr, nullptr, nullptr); });
  };
  Bytes good;
  good.Header().Object(1).Long(kBlockValue).Long(8).Long(0).Long(0);
  good.Long(1500).Long(8).Long(3).Raw("abc").Byte(0).Long(-1).Long(-1);
  ASSERT_EQ(read(good), 1);
  ASSERT_EQ(GetHandleByteSize(holder.data), 3u);
  EXPECT_EQ(0, std::memcmp(HandleData(holder.data), "abc", 3));
  Bytes huge;
  huge.Header().Object(1).Long(kBlockValue).Long(8).Long(0).Long(0);
  huge.Long(1500).Long(8).Long(0x7FFFFFFF).Raw("abcd").Long(-1).Long(-1);
  EXPECT_EQ(read(huge), kErrBadFormat);
  Bytes negative;
  negative.Header().Object(1).Long(kBlockValue).Long(8).Long(0).Long(0);
  negative.Long(1500).Long(8).Long(-5).Raw("abcd").Long(-1).Long(-1);
  EXPECT_EQ(read(negative), kErrBadFormat);
}

TEST_F(DamagedStreamTest, StandardBlocksAreReadAndDropped) {
  Bytes b;
  b.Header().Object(1).Long(kBlockValue).Long(8).Long(0x40100000).Long(0);
  b.Long(-1).Long(2).Raw("    ");  // an object that only holds a standard block
  b.Long(5304).Long(4).Long(1).Long(-1).Long(-1);
  ASSERT_EQ(ReadError(b.bytes), 1);
  EXPECT_EQ(objects.size(), 1u);
}

TEST_F(DamagedStreamTest, EveryTruncationFailsCleanlyOrReadsAPrefix) {
  TTestShape a;
  a.SetIdentifier(3);
  a.value = 1.25;
  a.SetName("name");
  auto writer = WriteObjectsDefault(nullptr, 1, &a, 2, nullptr);
  const std::vector<uint8_t> whole = TakeBytes(*writer);
  for (size_t n = 0; n < whole.size(); ++n) {
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
    const int16_t error = ReadError(part);
    EXPECT_TRUE(error == kErrBadFormat || error == 1) << n << ": " << error;
  }
}

}  // namespace
}  // namespace filing_test
