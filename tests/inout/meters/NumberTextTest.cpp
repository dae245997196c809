#include "inout/meters/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "simulation/UnitHandler.h"

namespace {

std::string Text(TNumberText& column, TWorldUnitHandler* handler) {
  Str255 out;
  column.GetText(handler, out);
  return std::string(reinterpret_cast<const char*>(out.Chars()), out.Length());
}

TEST(NumberText, TextFollowsTheHandlersFormatAndTheUnitFactor) {
  TWorldUnitHandler units;
  units.SetNumberFormat(kNumberFormatFixed);
  units.SetDigits(3);
  TNumberText column;
  column.SetValue(1.5, false);
  EXPECT_EQ(Text(column, &units), "1.500");

  TNumberText floating;
  units.SetNumberFormat(kNumberFormatFloating);
  floating.SetValue(-1250.0, false);
  EXPECT_EQ(Text(floating, &units), "-1.250e+03");

  TNumberText scaled;
  scaled.Formula().SetFromPieces(Str255("time"));
  scaled.Formula().SetUnits(TFormulaUnits{2.0, 2.0, 0});
  scaled.SetValue(1.5, false);
  units.SetNumberFormat(kNumberFormatFixed);
  EXPECT_EQ(Text(scaled, &units), "3.000");
}

TEST(NumberText, CachedTextLastsUntilTheValueOrUnitChanges) {
  TWorldUnitHandler units;
  units.SetNumberFormat(kNumberFormatFixed);
  units.SetDigits(1);
  TNumberText column;
  column.SetValue(2.0, false);
  EXPECT_EQ(Text(column, &units), "2.0");
  units.SetDigits(3);
  column.SetValue(2.0, false);  // same value: the text stays
  EXPECT_EQ(Text(column, &units), "2.0");
  column.SetUnitKind(0);
  EXPECT_EQ(Text(column, &units), "2.000");
  column.SetValue(4.0, false);
  EXPECT_EQ(Text(column, &units), "4.000");
  // Text and pixel share one flag: the pixel of a value whose text was taken first is stale.
  EXPECT_EQ(column.GetCurrentPixel(100), 0);
  column.InvalidateCaches();
  EXPECT_EQ(column.GetCurrentPixel(100), 400);
}

TEST(NumberText, RangesSwapEmptyTheFrameSetAndGiveFractions) {
  TNumberText column;
  column.SetValueAtFrame(3, 5.0, false);
  column.SetValueAtFrame(4, 0.5, false);
  EXPECT_TRUE(column.Contains(3));
  EXPECT_FALSE(column.Contains(4));
  column.SetRange(10.0, -10.0);
  EXPECT_EQ(column.GetMinimum(), -10.0);
  EXPECT_EQ(column.GetMaximum(), 10.0);
  EXPECT_EQ(column.GetSpan(), 20.0);
  EXPECT_TRUE(column.IsEmpty());
  EXPECT_DOUBLE_EQ(column.ValueFraction(5.0), 0.75);

  column.SetRange(2.0, 2.0);
  EXPECT_EQ(column.GetSpan(), 0.0);
  EXPECT_EQ(column.ValueFraction(7.0), 0.0);
  column.SetRange(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max());
  EXPECT_EQ(column.ValueFraction(7.0), 0.0);  // infinite span
}

TEST(NumberText, PixelsRoundAndClampToDrawableCoordinates) {
  TNumberText column;
  column.SetRange(-1.0, 1.0);
  EXPECT_EQ(column.GetZeroPixel(101), 51);  // 50.5 rounds away from zero
  column.SetValue(1000.0, false);
  EXPECT_EQ(column.GetCurrentPixel(200), 8191);
  column.SetValue(-1000.0, false);
  EXPECT_EQ(column.GetCurrentPixel(200), -8191);
  column.SetValue(std::nan(""), false);
  EXPECT_EQ(column.GetCurrentPixel(200), 0);
  column.SetValue(0.0, false);
  EXPECT_EQ(column.GetCurrentPixelExactZero(200), column.GetZeroPixel(101));
}

TEST(NumberText, WrappedColumnPagesByOneWidth) {
  TNumberText column;
  column.SetWrap(true);
  column.SetRange(0.0, 10.0);
  column.SetValue(5.0, true);
  EXPECT_FALSE(column.UpdateRange(true, false));
  column.SetValue(10.5, true);
  EXPECT_TRUE(column.UpdateRange(true, false));  // hold does not stop paging
  EXPECT_EQ(column.GetMinimum(), 10.0);
  EXPECT_EQ(column.GetMaximum(), 20.0);
  column.SetValue(9.0, true);
  EXPECT_TRUE(column.UpdateRange(true, false));
  EXPECT_EQ(column.GetMinimum(), 0.0);
  EXPECT_EQ(column.GetMaximum(), 10.0);
}

TEST(NumberText, AutoScaledColumnGrowsUnlessHeldAndShrinksWhenAsked) {
  TNumberText column;
  column.SetAutoScale(true);
  column.SetRange(0.0, 1.0);
  column.SetValue(3.0, true);
  EXPECT_FALSE(column.UpdateRange(true, false));
  EXPECT_TRUE(column.UpdateRange(false, false));
  EXPECT_EQ(column.GetMinimum(), 0.0);
  EXPECT_EQ(column.GetMaximum(), 6.0);  // 2b - lo
  column.SetValue(-1.0, true);
  EXPECT_TRUE(column.UpdateRange(false, false));
  EXPECT_EQ(column.GetMinimum(), -8.0);  // 2a - hi with a = -1, hi = 6
  EXPECT_EQ(column.GetMaximum(), 6.0);

  TNumberText narrow;
  narrow.SetAutoScale(true);
  narrow.SetRange(0.0, 100.0);
  narrow.SetValue(50.0, true);
  narrow.SetValue(51.0, true);
  EXPECT_FALSE(narrow.UpdateRange(false, false));
  EXPECT_TRUE(narrow.UpdateRange(false, true));
  EXPECT_EQ(narrow.GetMinimum(), 49.0);
  EXPECT_EQ(narrow.GetMaximum(), 52.0);

  TNumberText fixed;
  fixed.SetValue(50.0, true);
  EXPECT_FALSE(fixed.UpdateRange(false, true));
  EXPECT_EQ(fixed.GetRunningMaximum(), -TNumberText::kLargest);  // untracked without auto scale
}

}  // namespace
