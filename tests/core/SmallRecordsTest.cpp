#include "core/SmallRecords.h"

#include <gtest/gtest.h>

namespace {

TEST(SmallRecordsTest, TriShortKeepsTheColourOrderAndTagWordSetsItsSecondHalf) {
  TriShort colour;
  EXPECT_EQ(&colour.Set(0x1100, 0x2200, 0x3300), &colour);
  EXPECT_EQ(colour.first, 0x1100);
  EXPECT_EQ(colour.second, 0x3300);
  EXPECT_EQ(colour.third, 0x2200);

  TagWord tag;
  EXPECT_EQ(tag.Set(0x7070u).Get(), 0x7070u);  // "pp" of a vertex tag
  EXPECT_EQ(tag.SetFlag(5, 1).Get(), 0x80057070u);
  EXPECT_EQ(tag.SetFlag(0x18005, 0).Get(), 0x00057070u);  // only 15 bits of the value count
  EXPECT_EQ(tag.SetFlag(0x7FFF, 7).Get(), 0xFFFF7070u);
}

}  // namespace
