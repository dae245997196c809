#include "core/PString.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

template <class S>
std::string Text(const S& s) {
  return std::string(s.Chars(), s.Length());
}

// The NUL after the characters is part of the contract: C code reads Chars() directly.
template <class S>
void ExpectTerminated(const S& s) {
  EXPECT_EQ(s.Chars()[s.Length()], '\0');
  EXPECT_EQ(std::strlen(s.Chars()), static_cast<size_t>(s.Length()));
}

TEST(PString, AssignmentClampsToEachCapacity) {
  const std::string long300(300, 'x');
  const Str255 s255(long300.c_str());
  const Str63 s63(long300.c_str());
  const Str32 s32(long300.c_str());
  const Str31 s31(long300.c_str());
  EXPECT_EQ(s255.Length(), 255);
  EXPECT_EQ(s63.Length(), 63);
  EXPECT_EQ(s32.Length(), 32);
  EXPECT_EQ(s31.Length(), 31);
  ExpectTerminated(s255);
  ExpectTerminated(s63);
  ExpectTerminated(s32);
  ExpectTerminated(s31);
  EXPECT_EQ(Str31(s255).Length(), 31) << "from a longer counted string";
  EXPECT_TRUE(Str255(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_EQ(Text(Str31(Str255("short"))), "short");
}

TEST(PString, FullStringsKeepTheirTerminatorInsideTheirStorage) {
  // Each capacity has room for length byte, characters and NUL.
  EXPECT_GE(sizeof(Str255), 257u);
  EXPECT_GE(sizeof(Str63), 65u);
  EXPECT_GE(sizeof(Str32), 34u);
  EXPECT_GE(sizeof(Str31), 33u);
  struct Neighbours {
    Str32 text;
    char guard = 'G';
  } n;
  n.text.Assign(std::string(40, 'y').c_str());
  EXPECT_EQ(n.guard, 'G');
  ExpectTerminated(n.text);
}

TEST(PString, CharacterConstructor) {
  EXPECT_EQ(Text(Str255('q')), "q");
  EXPECT_TRUE(Str255('\0').IsEmpty());
}

TEST(PString, InsertTruncatesAtTheCapacity) {
  Str31 s(std::string(28, 'a').c_str());
  s.InsertCString("0123456789", 30);
  EXPECT_EQ(s.Length(), 31) << "position past the end becomes the end";
  EXPECT_EQ(Text(s), std::string(28, 'a') + "012");
  ExpectTerminated(s);

  Str31 middle("abcdef");
  middle.InsertCString("XY", 3);
  EXPECT_EQ(Text(middle), "abXYcdef");

  Str31 cut(std::string(30, 'b').c_str());
  cut.InsertCString("XYZ", 2);
  EXPECT_EQ(Text(cut), std::string("bXYZ").append(27, 'b')) << "the tail is cut at the capacity";

  Str31 overflow("abc");
  overflow.InsertCString(std::string(40, 'Z').c_str(), 2);
  EXPECT_EQ(Text(overflow), std::string("a").append(30, 'Z')) << "the inserted text itself is cut";
  ExpectTerminated(overflow);

  Str255 self("ab");
  self.Insert(self, 2);
  EXPECT_EQ(Text(self), "aabb") << "inserting a string into itself";
}

TEST(PString, AppendAndAppendChar) {
  Str255 full(std::string(255, 'f').c_str());
  full.AppendChar('!');
  EXPECT_EQ(full.Length(), 255);
  EXPECT_EQ(full.Chars()[254], 'f');
  Str63 s("ab");
  s.Append(Str255("cd"));
  s.AppendCString("ef");
  s.AppendChar('g');
  EXPECT_EQ(Text(s), "abcdefg");
  ExpectTerminated(s);
}

TEST(PString, DeleteAndSubstring) {
  Str255 s("abcdefgh");
  s.Delete(5, 100);
  EXPECT_EQ(Text(s), "abcd");
  s.Delete(0, 1);
  s.Delete(2, 0);
  s.Delete(5, 1);
  EXPECT_EQ(Text(s), "abcd") << "out-of-range deletes change nothing";
  s.Delete(2, 2);
  EXPECT_EQ(Text(s), "ad");
  ExpectTerminated(s);

  Str31 out("junk");
  Str255("abcdefgh").Substring(out, 3, 4);
  EXPECT_EQ(Text(out), "cdef");
  Str255("abcdefgh").Substring(out, 7, 10);
  EXPECT_EQ(Text(out), "gh");
  Str255("abc").Substring(out, 4, 1);
  EXPECT_TRUE(out.IsEmpty());
}

TEST(PString, PosFindsFirstOccurrenceFromStart) {
  const Str255 s("abcabc");
  EXPECT_EQ(s.Pos(Str255("bc")), 2);
  EXPECT_EQ(s.Pos(Str255("bc"), 3), 5);
  EXPECT_EQ(s.Pos(Str255("bc"), 6), 0);
  EXPECT_EQ(s.PosOfCString("cab"), 3);
  EXPECT_EQ(s.PosOfCString("x"), 0);
  EXPECT_EQ(s.PosOfCString(""), 0);
  EXPECT_EQ(PStringPos(Str255("abc"), s), 1);
}

TEST(PString, ComparisonOrdersByLengthFirst) {
  EXPECT_EQ(Str255::Compare(Str255("b"), Str255("aa")), -1);
  EXPECT_EQ(Str255::Compare(Str255("ab"), Str255("aa")), 1);
  EXPECT_EQ(Str255::Compare(Str255("ab"), Str31("ab")), 0);
  EXPECT_TRUE(PStringLess(Str255("ZZ"), Str255("AAA")));
  EXPECT_TRUE(PStringGreater(Str255("\xE9"), Str255("a"))) << "bytes compare unsigned";
  EXPECT_TRUE(PStringNotLess(Str255("a"), Str255("a")));
  EXPECT_TRUE(PStringNotGreater(Str255("a"), Str255("b")));
  EXPECT_TRUE(PStringEqualsCString(Str255("hi"), "hi"));
  EXPECT_TRUE(PStringDiffersCString(Str255("hi"), "ho"));
  EXPECT_TRUE(PStringDiffers(Str255("a"), Str255("")));
  EXPECT_TRUE(Str255("ab") == Str31("ab"));
  EXPECT_TRUE(Str255("ZZ") < Str255("AAA"));
}

TEST(PString, CaseMapping) {
  Str255 s("Mixed Case 9");
  s.ToUpper();
  EXPECT_EQ(Text(s), "MIXED CASE 9");
  s.ToLower();
  EXPECT_EQ(Text(s), "mixed case 9");
}

TEST(PString, AsCStringRotatesFourBuffers) {
  const Str255 a("one"), b("two"), c("three"), d("four"), e("five");
  const char* first = a.AsCString();
  b.AsCString();
  c.AsCString();
  const char* fourth = d.AsCString();
  EXPECT_STREQ(first, "one") << "still valid after three more conversions";
  EXPECT_STREQ(fourth, "four");
  const char* fifth = e.AsCString();
  EXPECT_EQ(fifth, first) << "the fifth conversion reuses the first buffer";
  EXPECT_STREQ(first, "five");
}

TEST(PString, Concatenation) {
  EXPECT_EQ(Text(ConcatPStrings(Str255("ab"), Str255("cd"))), "abcd");
  EXPECT_EQ(Text(ConcatPStringCString(Str255("ab"), "cd")), "abcd");
  EXPECT_EQ(Text(ConcatCStringPString("ab", Str255("cd"))), "abcd");
  const std::string half(200, 'h');
  EXPECT_EQ(ConcatPStrings(Str255(half.c_str()), Str255(half.c_str())).Length(), 255);
  Str255 out;
  ConcatPStringNumber(out, Str255("n="), -32768);
  EXPECT_EQ(Text(out), "n=-32768");
}

TEST(PString, Numbers) {
  Str255 s;
  NumToString(-2147483647 - 1, s);
  EXPECT_EQ(Text(s), "-2147483648");
  int32_t n = 0;
  StringToNum(Str255("  42abc"), n);
  EXPECT_EQ(n, 42);
  EXPECT_EQ(CStringToNum("-17"), -17);
  EXPECT_EQ(CStringToNum("x"), 0);
  EXPECT_EQ(CStringToNum("99999999999"), INT32_MAX);

  Str255 counted("v");
  counted.AppendNumber(123);
  EXPECT_EQ(Text(counted), "v123");
  Str255 nearlyFull(std::string(252, 'a').c_str());
  nearlyFull.AppendNumber(12345);
  EXPECT_EQ(nearlyFull.Length(), 254) << "appending a number stops at 254 characters";
  Str31 small(std::string(29, 'a').c_str());
  small.AppendNumber(789);
  EXPECT_EQ(Text(small), std::string(29, 'a') + "78");
}

TEST(PString, Tags) {
  uint32_t tag;
  std::memcpy(&tag, "colr", 4);
  EXPECT_EQ(Text(Str255::FromTag(tag)), "colr");
  EXPECT_EQ(Str255("colrXYZ").ToTag(), tag);
  EXPECT_EQ(Str255("ab").ToTag() & 0xFFFF0000u, 0u);
}

TEST(PString, ReplaceAllSkipsWhatItInserted) {
  Str255 s("a^1b");
  EXPECT_TRUE(s.ReplaceAll(Str255("^1"), Str255("x^1")));
  EXPECT_EQ(Text(s), "ax^1b");

  Str255 many("^0 and ^0");
  EXPECT_TRUE(many.ReplaceAll(Str255("^0"), Str255("Disk full")));
  EXPECT_EQ(Text(many), "Disk full and Disk full");

  Str255 none("abc");
  EXPECT_FALSE(none.ReplaceAll(Str255("x"), Str255("y")));
  EXPECT_FALSE(none.ReplaceAll(Str255(""), Str255("y")));
  Str255 empty;
  EXPECT_FALSE(empty.ReplaceAll(Str255("a"), Str255("b")));
}

TEST(PString, ReplaceAllStopsWhenTheCapacityIsReached) {
  Str31 s("aaaaaaaaaa");
  EXPECT_TRUE(s.ReplaceAll(Str255("a"), Str255("aaaa")));
  EXPECT_EQ(s.Length(), 31);
  ExpectTerminated(s);
}

TEST(PString, ReplaceAllWithNothingStepsOverTheNextCharacter) {
  Str255 s("aaaa");
  EXPECT_TRUE(s.ReplaceAll(Str255("a"), Str255("")));
  EXPECT_EQ(Text(s), "aa");
  Str255 copy("aaaa");
  EXPECT_TRUE(copy.ReplaceAllCopy(Str255("a"), Str255("")));
  EXPECT_EQ(Text(copy), "") << "the copy form removes adjacent occurrences too";
}

TEST(PString, ReplaceAllCopyReplacesEveryOriginalOccurrence) {
  Str255 s("a^1b^1");
  EXPECT_TRUE(s.ReplaceAllCopy(Str255("^1"), Str255("x^1")));
  EXPECT_EQ(Text(s), "ax^1bx^1");
  Str255 none("abc");
  EXPECT_FALSE(none.ReplaceAllCopy(Str255("q"), Str255("r")));
  EXPECT_EQ(Text(none), "abc");
  Str31 cut("abab");
  EXPECT_TRUE(cut.ReplaceAllCopy(Str255("b"), Str255(std::string(20, 'B').c_str())));
  EXPECT_EQ(Text(cut), std::string("a").append(20, 'B').append("a").append(9, 'B'));
}

TEST(PString, JoinPartsStopsAtTheFirstEmptyPart) {
  Str255 buffer("path:");
  const Str63 parts[] = {Str63("one"), Str63("/two"), Str63(""), Str63("ignored")};
  PStringJoinParts(buffer, parts);
  EXPECT_EQ(Text(buffer), "path:one/two");
  ExpectTerminated(buffer);
}

TEST(PString, RawCopyTerminatesAfterTheStoredLength) {
  uint8_t body[64] = {3, 'a', 'b', 'c', 'd', 'e'};
  Str63 s;
  s.AssignRaw(body);
  EXPECT_EQ(Text(s), "abc");
  ExpectTerminated(s);
  uint8_t tooLong[32] = {200};
  Str31 t;
  t.AssignRaw(tooLong);
  EXPECT_EQ(t.Length(), 31);
}

TEST(PString, SourceFirstWrappers) {
  Str255 destination;
  PStringAssignTo(Str255("abc"), destination);
  PStringInsert(Str255("XY"), destination, 2);
  EXPECT_EQ(Text(destination), "aXYbc");
  PStringDelete(destination, 1, 1);
  EXPECT_EQ(PStringLength(destination), 4);
}

}  // namespace
