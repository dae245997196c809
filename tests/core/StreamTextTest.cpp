#include "core/StreamText.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "core/UnitHandler.h"
#include "core/geometry/NumberFormat.h"
#include "tests/core/FileCallsTestFolder.h"
#include "tests/core/StreamTestSupport.h"

namespace {

std::string Text(Handle handle) {
  return std::string(HandleData(handle), GetHandleByteSize(handle));
}

Handle TextHandle(const std::string& text) {
  return NewHandleFromBytes(text.data(), static_cast<uint32_t>(text.size()));
}

class StreamTextTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }

  // What a stream of each construction wrote.
  std::string Written(TTextOutStream& stream) {
    Handle handle = stream.DetachHandle();
    std::string text = Text(handle);
    FreeHandle(handle);
    return text;
  }
  std::vector<std::string> Tokens(const std::string& text) {
    auto stream = NewTextInStream(TextHandle(text));
    std::vector<std::string> tokens;
    while (!stream->SkipBlanks()) {
      Str255 token;
      stream->ReadToken(token);
      tokens.emplace_back(token.Chars(), token.Length());
    }
    return tokens;
  }

  CentimetreUnits units;
};

TEST_F(StreamTextTest, TextPiecesAreWrittenAsGiven) {
  for (const bool inner : {false, true}) {
    TTextOutStream stream(&units, 16, -1, false, true, inner);
    stream.WriteIndent(0);
    stream.WriteIndent(-1);
    stream.WriteIndent(3);
    stream.WriteString("a b", true);
    stream.WriteString("plain", false);
    stream.WriteSpace();
    stream.WriteChar('x');
    stream.WriteLong(-42, 1);
    stream.WriteShort(7, 1);
    stream.WriteFlag(1);
    stream.WriteByte(65);
    stream.WriteVector3(TVector3(1, 2, 3), 0);
    stream.WriteLine(Str255("end"));
    stream.WriteNewline();
    EXPECT_EQ(Written(stream), "\t\t\t\"a b\"plain x-427end\r\n\r\n") << "inner " << inner;
  }
}

TEST_F(StreamTextTest, NumbersGoThroughTheOwnersUnits) {
  TTextOutStream stream(&units, 16, -1, false, true, false);
  stream.WriteDouble(0.25, 1);  // the stream does not use units: no conversion
  stream.WriteSpace();
  stream.SetUnits(1, true);
  stream.WriteDouble(0.25, 1);
  stream.WriteSpace();
  stream.WriteVector(TVector(1.5, -2), 1);
  EXPECT_EQ(units.lastStyle, 1);
  EXPECT_EQ(units.lastDigits, 32767);
  EXPECT_EQ(Written(stream), "0.25 25 cm 150 cm\t-200 cm");
}

TEST_F(StreamTextTest, WithoutAnOwnerNumbersKeepEveryDigit) {
  TTextOutStream stream;
  stream.AttachHandle(AllocHandle(0), 0, false);
  stream.WriteVector(TVector(1.5, -2), 0);
  stream.WriteSpace();
  stream.WriteDouble(0.1, 0);
  const std::string text = Written(stream);
  const Str255 x = FormatNumber(16, 1.5);
  const Str255 y = FormatNumber(16, -2.0);
  const Str255 tenth = FormatNumber(16, 0.1);
  EXPECT_EQ(text, std::string(x.Chars()) + "\t" + y.Chars() + " " + tenth.Chars());
  // And they read back exactly.
  auto in = NewTextInStream(TextHandle(text));
  const TVector v = in->ReadVector();
  EXPECT_EQ(v, TVector(1.5, -2));
  EXPECT_EQ(in->ReadDouble(), 0.1);
}

TEST_F(StreamTextTest, ConstructionWithoutAnOwnerFails) {
  EXPECT_EQ(ErrorOf([] { TTextOutStream stream(nullptr, 16, -1, false, true, false); }),
            kErrOutOfMemory);
}

TEST_F(StreamTextTest, DetachingCutsTheHandleToTheBytesWritten) {
  TTextOutStream stream(&units, 16, -1, false, true, false);
  stream.WriteString("0123456789", false);
  EXPECT_EQ(GetHandleByteSize(stream.handle()), 16u);
  Handle handle = stream.DetachHandle();
  EXPECT_EQ(GetHandleByteSize(handle), 10u);
  EXPECT_EQ(Text(handle), "0123456789");
  EXPECT_EQ(ErrorOf([&] { stream.WriteSpace(); }), kErrOutOfMemory);
  FreeHandle(handle);

  // Growth takes at least the growth step.
  TTextOutStream growing(&units, 0, -1, false, true, false);
  growing.WriteChar('a');
  EXPECT_EQ(GetHandleByteSize(growing.handle()), 16u);
  growing.WriteString(std::string(40, 'b').c_str(), false);
  EXPECT_EQ(GetHandleByteSize(growing.handle()), 41u);
}

TEST_F(StreamTextTest, CloseWritesTheBufferToTheFileAndCanBufferAgain) {
  TestFolder folder;
  TMacFile file{Str255(folder.Path("out.txt").c_str())};
  ASSERT_EQ(file.Create(TMacFile::kReadWrite), 0);
  TTextOutStream stream(&units, 64, 1, false, true, true);
  EXPECT_EQ(stream.Close(), 0);  // no file yet: nothing done
  stream.SetFile(&file);
  stream.WriteLine(Str255("first"));
  EXPECT_EQ(stream.Close(), 0);
  stream.WriteLine(Str255("second"));
  EXPECT_EQ(stream.Close(), 0);
  EXPECT_EQ(stream.GetLength(), 0);
  // A file that refuses the bytes leaves them in the buffer.
  stream.WriteLine(Str255("third"));
  file.Close();
  EXPECT_EQ(stream.Close(), kErrBadRefNum);
  EXPECT_EQ(stream.GetLength(), 7);
  ASSERT_EQ(file.Open(TMacFile::kReadWrite), 0);
  ASSERT_EQ(file.SetFPos(0, 2), 0);
  EXPECT_EQ(stream.Close(), 0);
  file.Close();
  const std::vector<uint8_t> bytes = folder.Read("out.txt");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(StreamTextTest, TokensSkipSeparatorsAndComments) {
  EXPECT_EQ(Tokens("  /* a comment */ 12,34"), (std::vector<std::string>{"12", "34"}));
  EXPECT_EQ(Tokens("x*/y"), (std::vector<std::string>{"x*/y"}));
  EXPECT_EQ(Tokens("a{b}c:d;e\tf"), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
  EXPECT_EQ(Tokens("1 /* open to the end"), (std::vector<std::string>{"1"}));
  EXPECT_EQ(Tokens("/* /* */ 5 */"), (std::vector<std::string>{"5", "*/"}));
  EXPECT_EQ(Tokens("a\rb"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(StreamTextTest, TheSkipBeforeATokenStopsAfterALineEnd) {
  auto stream = NewTextInStream(TextHandle("12\r\n  34"));
  Str255 token;
  stream->ReadToken(token);
  EXPECT_STREQ(token.Chars(), "12");
  stream->ReadToken(token);  // the next line's first character, a blank, is the token
  EXPECT_STREQ(token.Chars(), " ");
  stream->ReadToken(token);
  EXPECT_STREQ(token.Chars(), "34");
}

TEST_F(StreamTextTest, NumbersAndTheEndOfTheText) {
  auto stream = NewTextInStream(TextHandle("0.0 abc 2.5\t-1e2"));
  EXPECT_EQ(stream->ReadDouble(), 0.0);
  EXPECT_EQ(ErrorOf([&] { stream->ReadDouble(); }), kErrNotANumber);
  const TVector v = stream->ReadVector();
  EXPECT_EQ(v, TVector(2.5, -100));
  EXPECT_TRUE(stream->SkipBlanks());
  EXPECT_TRUE(stream->AtEnd());
  Str255 token;
  EXPECT_EQ(ErrorOf([&] { stream->ReadToken(token); }), kErrEndOfFile);
}

TEST_F(StreamTextTest, SkipFieldPassesTheRestUpToATabOrLineEnd) {
  auto stream = NewTextInStream(TextHandle("name with blanks\t7\r\nnext 8"));
  stream->SkipField();
  EXPECT_EQ(stream->GetMark(), 17);
  EXPECT_EQ(stream->ReadDouble(), 7.0);
  stream->SkipField();  // stops after the CR; the LF is a separator for the next token
  Str255 token;
  stream->ReadToken(token);
  EXPECT_STREQ(token.Chars(), "next");
  EXPECT_EQ(ErrorOf([&] { stream->SkipField(); }), kErrEndOfFile);
}

TEST_F(StreamTextTest, NothingBeyond64000BytesIsRead) {
  std::string text(64100, ' ');
  text.replace(63995, 3, "123");
  text.replace(64050, 3, "456");
  auto stream = NewTextInStream(TextHandle(text));
  EXPECT_EQ(stream->ReadDouble(), 123.0);
  EXPECT_EQ(ErrorOf([&] { stream->ReadDouble(); }), kErrEndOfFile);
}

TEST_F(StreamTextTest, AttachingATextInHandle) {
  auto stream = NewTextInStream(TextHandle("old"));
  Handle old = stream->DetachHandle();
  EXPECT_EQ(Text(old), "old");
  FreeHandle(old);
  Handle fresh = TextHandle("9 8");
  stream->AttachHandle(fresh, true, false);
  EXPECT_EQ(GetHandleByteSize(fresh), 0u);
  EXPECT_TRUE(stream->SkipBlanks());
  TTextInStream sized;
  sized.InitStreamRoot(4, false, false);
  Handle cleared = TextHandle("abcdefgh");
  sized.AttachHandle(cleared, true, true);
  EXPECT_EQ(Text(cleared), std::string(4, '\0'));
}

TEST_F(StreamTextTest, WrittenTextReadsBack) {
  TTextOutStream out(&units, 0, -1, false, true, true);
  out.WriteString("/* header */", false);
  out.WriteNewline();
  out.WriteLong(3, 0);
  out.WriteChar(';');
  out.WriteDouble(-0.5, 0);
  out.WriteIndent(1);
  out.WriteString("label", true);
  out.WriteNewline();
  out.WriteVector(TVector(1, 2), 0);
  auto in = NewTextInStream(out.DetachHandle());
  EXPECT_EQ(in->ReadDouble(), 3.0);
  EXPECT_EQ(in->ReadDouble(), -0.5);
  Str255 token;
  in->ReadToken(token);
  EXPECT_STREQ(token.Chars(), "\"label\"");
  in->ReadToken(token);  // the line end stops the skip; the next line starts at once
  EXPECT_STREQ(token.Chars(), "1");
  EXPECT_EQ(in->ReadDouble(), 2.0);
  EXPECT_TRUE(in->SkipBlanks());
}

}  // namespace
