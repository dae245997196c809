#include "core/Numerics.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

struct RemainderCase {
  double x;
  double y;
  double remainder;
  int16_t quotient;
};

TEST(NumericsTest, RemainderQuoFoldsIntoHalfTheDivisor) {
  const RemainderCase cases[] = {
      {7, 2, -1, 4}, {5, 2, -1, 3},  {-7, 2, 1, -4}, {1, 4, 1, 0},
      {3, 2, -1, 2}, {-3, 2, 1, -2}, {10, 3, 1, 3},  {-10, 3, -1, -3},
  };
  for (const RemainderCase& c : cases) {
    int16_t q = 99;
    EXPECT_EQ(RemainderQuo(c.x, c.y, q), c.remainder) << c.x << " rem " << c.y;
    EXPECT_EQ(q, c.quotient) << c.x << " rem " << c.y;
  }
}

TEST(NumericsTest, RemainderQuoKeepsOnlyTheLowBitsOfTheQuotient) {
  int16_t q = 0;
  // 70000 = 65536 + 4464: the quotient wraps to 16 bits rather than overflowing.
  EXPECT_EQ(RemainderQuo(70000, 1, q), 0);
  EXPECT_EQ(q, 4464);
  // A negative quotient has its upper byte forced to ones: -300 is 0xFED4, read as 0xFFD4.
  EXPECT_EQ(RemainderQuo(-300, 1, q), 0);
  EXPECT_EQ(q, static_cast<int16_t>(0xFFD4));
  // Quotients that do not fit any integer give 0 rather than an undefined conversion.
  EXPECT_LE(std::fabs(RemainderQuo(1e300, 1e-300, q)), 0.5e-300);
  EXPECT_LE(std::abs(q), 1);
  EXPECT_TRUE(std::isnan(RemainderQuo(std::numeric_limits<double>::infinity(), 2, q)));
  EXPECT_EQ(q, 0);
}

TEST(NumericsTest, ClassifiesEveryKindOfDouble) {
  const double snan = std::numeric_limits<double>::signaling_NaN();
  EXPECT_EQ(ClassifyDouble(snan), kSignalingNaN);
  EXPECT_EQ(ClassifyDouble(std::numeric_limits<double>::quiet_NaN()), kQuietNaN);
  EXPECT_EQ(ClassifyDouble(gNotANumber), kQuietNaN);
  EXPECT_EQ(ClassifyDouble(-std::numeric_limits<double>::infinity()), kInfinite);
  EXPECT_EQ(ClassifyDouble(gNegativeZero), kZeroNum);
  EXPECT_EQ(ClassifyDouble(0.0), kZeroNum);
  EXPECT_EQ(ClassifyDouble(std::numeric_limits<double>::denorm_min()), kDenormalNum);
  EXPECT_EQ(ClassifyDouble(-std::numeric_limits<double>::denorm_min()), kDenormalNum);
  EXPECT_EQ(ClassifyDouble(-1.5), kNormalNum);
  EXPECT_EQ(FpClassify(std::numeric_limits<double>::min()), kNormalNum);
}

TEST(NumericsTest, TheNaNConstantHasItsBitPattern) {
  EXPECT_EQ(std::bit_cast<uint64_t>(gNotANumber), 0x7FF8002000000000u);
  EXPECT_TRUE(std::signbit(gNegativeZero));
}

TEST(NumericsTest, SignTestIgnoresNegativeZeroAndNaN) {
  EXPECT_EQ(FNegative(-0.0), 0);
  EXPECT_EQ(FNegative(gNotANumber), 0);
  EXPECT_EQ(FNegative(-1e-300), 1);
  EXPECT_EQ(FNegative(2), 0);
}

TEST(NumericsTest, LogarithmAndScaling) {
  EXPECT_NEAR(Log2(8), 3, 1e-15);
  EXPECT_EQ(ScaleB(3, -1), 1.5);
  EXPECT_EQ(FMod(-7, 2), -1) << "the truncated remainder has the sign of x";
}

}  // namespace
