#include "core/geometry/Rounding.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/Numerics.h"
#include "core/geometry/FloatOps.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(RoundingTest, HalvesRoundAwayFromZero) {
  EXPECT_EQ(RoundToLong(2.5), 3);
  EXPECT_EQ(RoundToLong(-2.5), -3);
  EXPECT_EQ(RoundToLong(2.4999), 2);
  EXPECT_EQ(RoundToLong(-0.4), 0);
  EXPECT_EQ(RoundToLong(0.49999999999999994), 0) << "no double rounding of x + 0.5";
  EXPECT_EQ(RoundToShort(-1.5), -2);
  EXPECT_EQ(RoundToShort(1.5), 2);
}

TEST(RoundingTest, OutOfRangeValuesSaturateInsteadOfWrapping) {
  EXPECT_EQ(RoundToLong(3e9), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(RoundToLong(-kInf), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(RoundToLong(gNotANumber), 0);
  EXPECT_EQ(RoundToShort(40000), 32767);
  EXPECT_EQ(RoundToShort(-40000), -32768);
}

TEST(RoundingTest, ScreenCoordinatesClampAtTheirLimits) {
  EXPECT_EQ(Round13(8191.4), 8191);
  EXPECT_EQ(Round13(1e9), 8191);
  EXPECT_EQ(Round13(kInf), 8191);
  EXPECT_EQ(Round13(-8190.6), -8191);
  EXPECT_EQ(Round13(-8190.4), -8190);
  EXPECT_EQ(Round13(8190.5), 8191);
  EXPECT_EQ(Round13(gNotANumber), 0);
  EXPECT_EQ(Round15(-40000), -32767) << "not -32768";
  EXPECT_EQ(Round15(32766.5), 32767);
  EXPECT_EQ(Round15(1e300), 32767);
}

TEST(RoundingTest, RemainderFoldsIntoHalfTheStep) {
  EXPECT_EQ(RemainderOf(1.5, 1), -0.5) << "an exact half moves away from zero";
  EXPECT_EQ(RemainderOf(-1.5, 1), 0.5);
  EXPECT_EQ(RemainderOf(7, 3), 1);
  EXPECT_EQ(RemainderOf(8, 3), -1);
  EXPECT_EQ(RemainderOf(8, -3), -1) << "only the size of the step counts";
}

TEST(RoundingTest, SnappingMovesToTheNearestMultiple) {
  EXPECT_EQ(SnappedToMultiple(1.5, 1), 2);
  EXPECT_EQ(SnappedToMultiple(-1.5, 1), -2);
  EXPECT_EQ(SnappedToMultiple(0.5, 1), 0);
  EXPECT_EQ(SnappedToMultiple(0.5, -1), 0);
  EXPECT_EQ(SnappedToMultiple(0.7, 1), 1);
  EXPECT_EQ(SnappedToMultiple(12.4, 5), 10);
  EXPECT_EQ(SnappedToMultiple(12.6, 5), 15);
  EXPECT_EQ(SnappedToMultiple(0.3, 0.25), 0.25);
}

TEST(RoundingTest, SnappingLeavesZeroAndNaNInputsAlone) {
  double x = 3.3;
  SnapToMultiple(x, 0);
  EXPECT_EQ(x, 3.3);
  SnapToMultiple(x, gNotANumber);
  EXPECT_EQ(x, 3.3);
  x = 0;
  SnapToMultiple(x, 5);
  EXPECT_EQ(x, 0);
  x = gNotANumber;
  SnapToMultiple(x, 5);
  EXPECT_TRUE(std::isnan(x));
}

TEST(FloatOpsTest, DivisionByZeroGivesTheFixedValue) {
  EXPECT_EQ(FDiv(5, 0), 2.0);
  EXPECT_EQ(FDiv(0, 0), 2.0);
  EXPECT_EQ(FDiv(-5, -0.0), 2.0);
  EXPECT_EQ(FDiv(5, 2), 2.5);
  EXPECT_EQ(FDivInt(5, 2), 2.5);
  EXPECT_TRUE(std::isinf(FReciprocal(0))) << "the reciprocal is unguarded";
}

TEST(FloatOpsTest, GuardedSquareRootAnswersEveryNonNegativeValue) {
  EXPECT_EQ(SafeSqrt(4), 2);
  EXPECT_EQ(SafeSqrt(2), std::sqrt(2.0));
  EXPECT_EQ(SafeSqrt(3), std::sqrt(3.0)) << "values above 2 have a root too";
  EXPECT_EQ(SafeSqrt(1e300), 1e150);
  EXPECT_EQ(SafeSqrt(0), 0);
  EXPECT_TRUE(std::isnan(SafeSqrt(-1)));
  EXPECT_TRUE(std::isnan(SafeSqrt(gNotANumber)));
}

TEST(FloatOpsTest, IntegerPowersAreExact) {
  EXPECT_EQ(IntPower(2, 3), 8);
  EXPECT_EQ(IntPower(5, 3), 125);
  EXPECT_EQ(IntPower(7, 2), 49);
  EXPECT_EQ(IntPower(-2, 3), -8) << "negative bases are allowed";
  EXPECT_EQ(IntPower(10, -2), 0.01);
  EXPECT_EQ(IntPower(3, 0), 1);
}

TEST(FloatOpsTest, ComparisonsFollowIeeeRulesForNaN) {
  const double nan = gNotANumber;
  EXPECT_FALSE(FLess(nan, 1));
  EXPECT_FALSE(FLessEq(nan, nan));
  EXPECT_FALSE(FGreater(1, nan));
  EXPECT_FALSE(FAtLeast(nan, 1));
  EXPECT_FALSE(FEqual(nan, nan));
  EXPECT_TRUE(FNotEqual(nan, nan));
  EXPECT_FALSE(IsZero(nan));
  EXPECT_TRUE(IsNonZero(nan));
  EXPECT_FALSE(IsNegative(nan));
  EXPECT_FALSE(IsPositive(nan));
  EXPECT_TRUE(FEqualInt(-3.0, -3));
  EXPECT_TRUE(IsZero(-0.0));
  EXPECT_TRUE(NearlyEqual(1.0, 1.05, 0.1));
  EXPECT_FALSE(NearlyEqual(1.0, 1.1, 0.1)) << "the tolerance itself is not nearly equal";
}

}  // namespace
