#include "model/filing/DocumentFormat.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

namespace {

TEST(RecodingTest, FiveCharactersGoToTheMacintoshSetAndBack) {
  const uint8_t windows[] = {0xB0, 0xC5, 0xF8, 0xD8, 0xB4};
  const uint8_t stored[] = {0xA1, 0x81, 0xBF, 0xAF, 0xD5};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(RecodeToStored(windows[i]), stored[i]);
    EXPECT_EQ(RecodeFromStored(stored[i]), windows[i]);
  }
}

TEST(RecodingTest, EveryOtherByteIsUnchangedOnWriting) {
  int changed = 0;
  for (int c = 0; c < 256; ++c) {
    if (RecodeToStored(static_cast<uint8_t>(c)) != c) ++changed;
  }
  EXPECT_EQ(changed, 5);
  EXPECT_EQ(RecodeToStored('A'), 'A');
  EXPECT_EQ(RecodeFromStored('A'), 'A');
}

TEST(RecodingTest, MacintoshCodesWrittenUnchangedReadBackAsTheirPartners) {
  // Stored files rely on the mapping as it stands: an inverted question mark (0xBF) written
  // unchanged comes back as o with stroke.
  EXPECT_EQ(RecodeToStored(0xBF), 0xBF);
  EXPECT_EQ(RecodeFromStored(RecodeToStored(0xBF)), 0xF8);
}

TEST(RealFormatTest, UnknownTagsAreRefusedAndWritersChooseBySize) {
  EXPECT_EQ(ParseRealFormatTag("IE80"), RealWidth::k80);
  EXPECT_FALSE(ParseRealFormatTag("IE65").has_value());
  EXPECT_FALSE(ParseRealFormatTag("").has_value());
  EXPECT_EQ(RealFormatTagForSize(sizeof(double)), "IE64");
  EXPECT_EQ(RealFormatTagForSize(16), "IE64");
  EXPECT_EQ(RealWidthFromFormat(7), RealWidth::k64);
}

TEST(RealFormatTest, DecodesEveryWidthInBothByteOrders) {
  const double value = -1234.5625;  // exact in every width
  uint8_t single[4], dbl[8], ext[10];
  const float f = static_cast<float>(value);
  std::memcpy(single, &f, 4);
  std::memcpy(dbl, &value, 8);
  const long double e = value;
  std::memcpy(ext, &e, 10);
  EXPECT_EQ(DecodeReal(single, RealWidth::k32, false), value);
  EXPECT_EQ(DecodeReal(dbl, RealWidth::k64, false), value);
  EXPECT_EQ(DecodeReal(ext, RealWidth::k80, false), value);
  std::reverse(single, single + 4);
  std::reverse(dbl, dbl + 8);
  std::reverse(ext, ext + 10);
  EXPECT_EQ(DecodeReal(single, RealWidth::k32, true), value);
  EXPECT_EQ(DecodeReal(dbl, RealWidth::k64, true), value);
  EXPECT_EQ(DecodeReal(ext, RealWidth::k80, true), value);
  EXPECT_EQ(DecodeReal(dbl, RealWidth::k96, true), 0.0);  // too few bytes
  // 96-bit: sign and exponent, two pad bytes, then the significand (big-endian).
  const uint8_t wide[12] = {0x40, 0x01, 0, 0, 0xD8, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DecodeReal(wide, RealWidth::k96, true), 6.75);
}

TEST(RealFormatTest, ExtendedBytesOfOneAreKnownBytes) {
  // 1.0 as an 80-bit extended real, big-endian: exponent 0x3FFF, explicit integer bit.
  const uint8_t one[10] = {0x3F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DecodeReal(one, RealWidth::k80, true), 1.0);
  const uint8_t huge[10] = {0x7F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DecodeReal(huge, RealWidth::k80, true), std::numeric_limits<double>::infinity());
}

TEST(RealFormatTest, ShortInputYieldsZeroRatherThanReadingBeyondIt) {
  const uint8_t few[3] = {1, 2, 3};
  EXPECT_EQ(DecodeReal(few, RealWidth::k64, false), 0.0);
}

TEST(VersionTableTest, EachStringSelectsItsLayout) {
  struct Case {
    const char* text;
    int32_t number;
    bool family3x, extended;
  };
  const Case cases[] = {{"RE25S", 2, false, false}, {"S", 6, false, false},
                        {"1", 4, false, false},     {"RE25", 1, false, false},
                        {"3", 5, true, false},      {"YB30", 5, true, false},
                        {"YB3X", 5, true, true}};
  for (const Case& c : cases) {
    const VersionInfo info = LookupVersion(c.text, 9);
    EXPECT_EQ(info.number, c.number) << c.text;
    EXPECT_EQ(info.family3x, c.family3x) << c.text;
    EXPECT_EQ(info.extendedHeader, c.extended) << c.text;
    EXPECT_FALSE(info.unversioned) << c.text;
  }
}

TEST(VersionTableTest, UnknownAndEmptyKeepTheNumber) {
  const VersionInfo other = LookupVersion("YB4Z", 9);
  EXPECT_EQ(other.number, 9);
  EXPECT_FALSE(other.family3x);
  EXPECT_FALSE(other.unversioned);
  const VersionInfo empty = LookupVersion("", 9);
  EXPECT_EQ(empty.number, 9);
  EXPECT_TRUE(empty.unversioned);
}

TEST(UnitTagTest, OlderTagsAreTranslatedAndOthersKept) {
  uint8_t degrees[4] = {0x9F, 0x96, 0xA5, 0xA1};
  TranslateUnitTag(degrees);
  EXPECT_EQ(std::memcmp(degrees, "uno'", 4), 0);
  uint8_t hertz[4] = {0x9F, 0x96, 0x48, 0x7A};
  TranslateUnitTag(hertz);
  EXPECT_EQ(std::memcmp(hertz, "unHz", 4), 0);
  uint8_t plain[4] = {'u', 'n', 'o', 'C'};
  TranslateUnitTag(plain);
  EXPECT_EQ(std::memcmp(plain, "unoC", 4), 0);
  uint8_t near[4] = {0x9F, 0x96, 0xA5, 0x42};
  TranslateUnitTag(near);
  EXPECT_EQ(near[3], 0x42);
}

}  // namespace
