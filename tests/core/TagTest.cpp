#include "core/Tag.h"

#include <gtest/gtest.h>

namespace {

TEST(TagTest, TagIsTheFourBytesInMemoryOrder) {
  EXPECT_EQ(TagFromString("FACT"), 0x54434146u);
  EXPECT_EQ(TagFromStringPtr("mass"), MakeTag("mass"));
  EXPECT_EQ(MakeTag("FACT"), 0x54434146u);
  const char highBytes[] = {'\xFC', '\xEB', '\xE4', '\xEF'};
  EXPECT_EQ(TagFromString(highBytes), 0xEFE4EBFCu);
  EXPECT_EQ(TagValue(0x636E69DFu), 0x636E69DFu);
}

TEST(TagTest, TagsOrderByTheirFourthCharacterFirst) {
  // "zzza" < "aaab" as unsigned numbers: the last character is the high byte.
  EXPECT_LT(MakeTag("zzza"), MakeTag("aaab"));
}

TEST(TagTest, ReverseBytesTurnsByteOrder) {
  uint8_t four[] = {1, 2, 3, 4};
  ReverseBytes(four, 4);
  EXPECT_EQ(four[0], 4);
  EXPECT_EQ(four[1], 3);
  EXPECT_EQ(four[2], 2);
  EXPECT_EQ(four[3], 1);
  uint8_t odd[] = {1, 2, 3};
  ReverseBytes(odd, 3);
  EXPECT_EQ(odd[0], 3);
  EXPECT_EQ(odd[1], 2);
  EXPECT_EQ(odd[2], 1);
  double value = 1.5;
  ReverseBytes(&value, sizeof value);
  ReverseBytes(&value, sizeof value);
  EXPECT_EQ(value, 1.5);
}

TEST(TagTest, PointAndWidePacking) {
  EXPECT_EQ(MakeMacPoint(3, -1), 0x0003FFFFu);
  EXPECT_EQ(MakeInt64(0x89ABCDEFu, 0x01234567u), 0x0123456789ABCDEFull);
}

}  // namespace
