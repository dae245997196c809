#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "core/Bits.h"
#include "core/MacTypes.h"
#include "core/TriState.h"

namespace {

TEST(TriStateTest, AccumulatesOverASelection) {
  TriState state;
  EXPECT_TRUE(state.IsEmpty());
  EXPECT_FALSE(state.Accumulate(TriState(TriState::kOn)));
  EXPECT_TRUE(state.IsOn());
  EXPECT_FALSE(state.Accumulate(TriState(TriState::kEmpty)));
  EXPECT_TRUE(state.IsOn());
  EXPECT_FALSE(state.AccumulateFlag(true));
  EXPECT_TRUE(state.IsOn());
  EXPECT_TRUE(state.AccumulateFlag(false));
  EXPECT_TRUE(state.IsMixed());
  EXPECT_TRUE(state.Accumulate(TriState(TriState::kOn)));
  EXPECT_TRUE(state.IsMixed());
  state.Init();
  EXPECT_TRUE(state.Accumulate(TriState(TriState::kMixed)));
}

TEST(TriStateTest, FlagsAndToggling) {
  EXPECT_EQ(TriState::FromFlag(true).Get(), TriState::kOn);
  EXPECT_EQ(TriState::FromFlag(false).Get(), TriState::kOff);
  EXPECT_TRUE(TriState(TriState::kOn).AsFlag());
  EXPECT_FALSE(TriState(TriState::kMixed).AsFlag());
  EXPECT_EQ(TriState(TriState::kOn).Toggled(), TriState(TriState::kOff));
  EXPECT_EQ(TriState(TriState::kOff).Toggled(), TriState(TriState::kOn));
  EXPECT_EQ(TriState(TriState::kMixed).Toggled(), TriState(TriState::kMixed));
  EXPECT_EQ(TriState(TriState::kEmpty).Toggled(), TriState(TriState::kEmpty));
}

TEST(BitsTest, SixteenBitOperations) {
  EXPECT_EQ(SetBit16(0, 15), static_cast<int16_t>(0x8000));
  EXPECT_EQ(ClearBit16(-1, 0), -2);
  EXPECT_EQ(TestBit16(static_cast<int16_t>(0x8000), 15), 1);
  EXPECT_EQ(TestBit16(4, 2), 1);
  EXPECT_EQ(TestBit16(4, 1), 0);
  EXPECT_EQ(SetBit16(5, 16), 5);
  EXPECT_EQ(TestBit16(-1, 16), 0);
  EXPECT_EQ(ShiftRight16(-8, 2), -2);
  EXPECT_EQ(ShiftRight16(-8, 40), -1);
  EXPECT_EQ(ShiftLeft16(3, 2), 12);
  EXPECT_EQ(ShiftLeft16(0x4000, 1), static_cast<int16_t>(0x8000));
  EXPECT_EQ(ShiftLeft16(1, 16), 0);
}

TEST(BitsTest, ThirtyTwoBitOperationsReportBit31) {
  uint32_t word = 0;
  SetBit32(word, 31);
  EXPECT_EQ(word, 0x80000000u);
  EXPECT_EQ(TestBit32(word, 31), 1);
  EXPECT_EQ(TestBit32(word, 30), 0);
  SetBit32(word, 33);  // taken modulo 32: bit 1
  EXPECT_EQ(word, 0x80000002u);
  ClearBit32(word, 63);
  EXPECT_EQ(word, 2u);
  EXPECT_EQ(TestBit32(word, 1), 1);
}

TEST(BitsTest, AbsoluteValueAndPowers) {
  EXPECT_EQ(AbsLong(-7), 7);
  EXPECT_EQ(AbsLong(7), 7);
  EXPECT_EQ(AbsLong(std::numeric_limits<int32_t>::min()), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(IntegerPower(2, 3), 8);
  EXPECT_EQ(IntegerPower(5, 3), 125);
  EXPECT_EQ(IntegerPower(7, 2), 49);
  EXPECT_EQ(IntegerPower(-2, 3), -8);
  EXPECT_EQ(IntegerPower(10, 0), 1);
  EXPECT_EQ(IntegerPower(10, 12), std::numeric_limits<int32_t>::max());
  EXPECT_DOUBLE_EQ(Power(2.0, 0.5), 1.4142135623730951);
  EXPECT_DOUBLE_EQ(Power(-3.0, 2.0), 9.0);
}

TEST(MacTypesTest, RectangleSetOffsetAndIntersection) {
  MacRect rect;
  rect.Set(10, 20, 30, 40);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right, 30);
  EXPECT_EQ(rect.bottom, 40);
  rect.Offset(5, -5);
  EXPECT_EQ(rect, MacRect(15, 15, 35, 35));

  MacRect out;
  EXPECT_TRUE(MacRect::Intersect(MacRect(0, 0, 20, 20), MacRect(10, 5, 30, 15), out));
  EXPECT_EQ(out, MacRect(10, 5, 20, 15));
  // Disjoint: false, and the crossed result is written as computed.
  EXPECT_FALSE(MacRect::Intersect(MacRect(0, 0, 10, 10), MacRect(20, 0, 30, 10), out));
  EXPECT_EQ(out, MacRect(20, 0, 10, 10));
  // Touching edges do not overlap.
  EXPECT_FALSE(MacRect::Intersect(MacRect(0, 0, 10, 10), MacRect(10, 0, 20, 10), out));
  MacRect a(0, 0, 20, 20);
  EXPECT_TRUE(MacRect::Intersect(a, MacRect(5, 5, 25, 25), a));
  EXPECT_EQ(a, MacRect(5, 5, 20, 20));
}

TEST(MacTypesTest, PointsAndCopies) {
  const MacPoint point(3, -1);
  EXPECT_EQ(point.h, 3);
  EXPECT_EQ(point.v, -1);
  EXPECT_EQ(point.Packed(), 0x0003FFFFu);
  EXPECT_EQ(MacPoint::FromPacked(0x0003FFFFu), point);
  EXPECT_EQ(MacPoint::FromPOINT(POINT{7, 9}), MacPoint(7, 9));

  const WinRect win(1, 2, 3, 4);
  WinRect copy;
  win.CopyTo(copy);
  EXPECT_EQ(copy, win);
  RECT rect;
  win.CopyTo(rect);
  EXPECT_EQ(WinRect(rect), win);

  TStyleBits style;
  EXPECT_EQ(style, TStyleBits());
  EXPECT_EQ(style.SetFlags(4), 4);
  EXPECT_EQ(style.flags, 4);

  AxisScalePair scale{2.0, 1.0, 3.0, -1.0};
  scale.SetIdentity();
  EXPECT_EQ(scale, (AxisScalePair{1.0, 0.0, 1.0, 0.0}));
}

}  // namespace
