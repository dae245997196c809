#include "core/geometry/ExtendedReal.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace {

struct Extended {
  uint8_t bytes[kExtendedSize];
};

Extended Make(uint16_t signExponent, uint64_t significand) {
  Extended e{};
  for (int i = 0; i < 8; ++i)
    e.bytes[i] = static_cast<uint8_t>(significand >> (8 * i));
  e.bytes[8] = static_cast<uint8_t>(signExponent);
  e.bytes[9] = static_cast<uint8_t>(signExponent >> 8);
  return e;
}

uint64_t Bits(double x) {
  return std::bit_cast<uint64_t>(x);
}

// Both routes must give the same bits: the processor's where it exists, and the portable one.
uint64_t Converted(const Extended& e) {
  const uint64_t portable = Bits(ExtendedToDoublePortable(e.bytes));
  EXPECT_EQ(Bits(ExtendedToDouble(e.bytes)), portable);
  return portable;
}

constexpr uint64_t kOne = uint64_t{1} << 63;

TEST(ExtendedRealTest, ExactValuesConvertExactly) {
  EXPECT_EQ(Converted(Make(0x3FFF, kOne)), Bits(1.0));
  EXPECT_EQ(Converted(Make(0xBFFF, kOne)), Bits(-1.0));
  EXPECT_EQ(Converted(Make(0x4000, kOne | (kOne >> 1))), Bits(3.0));
  EXPECT_EQ(Converted(Make(0x3FFD, kOne)), Bits(0.25));
  EXPECT_EQ(Converted(Make(0, 0)), Bits(0.0));
  EXPECT_EQ(Converted(Make(0x8000, 0)), Bits(-0.0));
}

TEST(ExtendedRealTest, RoundsToNearestWithTiesToEven) {
  // 1 + 2^-53 lies halfway between 1 and the next double: the tie goes to the even 1.
  EXPECT_EQ(Converted(Make(0x3FFF, kOne | (uint64_t{1} << 10))), Bits(1.0));
  // Just above the halfway point rounds up.
  EXPECT_EQ(Converted(Make(0x3FFF, kOne | (uint64_t{1} << 10) | 1)), Bits(1.0) + 1);
  // (1 + 2^-52) + 2^-53 is a tie whose lower neighbour is odd: it rounds up to the even one.
  EXPECT_EQ(Converted(Make(0x3FFF, kOne | (uint64_t{3} << 10))), Bits(1.0) + 2);
  // All ones rounds up into the next power of two.
  EXPECT_EQ(Converted(Make(0x3FFF, ~uint64_t{0})), Bits(2.0));
}

TEST(ExtendedRealTest, OverflowAndUnderflowFollowIeeeRules) {
  EXPECT_EQ(Converted(Make(0x43FF, kOne)), Bits(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(Converted(Make(0xC3FF, kOne)), Bits(-std::numeric_limits<double>::infinity()));
  // The largest double, and a value that rounds past it.
  EXPECT_EQ(Converted(Make(0x43FE, ~uint64_t{0} << 11)), Bits(std::numeric_limits<double>::max()));
  EXPECT_EQ(Converted(Make(0x43FE, ~uint64_t{0})), Bits(std::numeric_limits<double>::infinity()));
  // 2^-1074 is the smallest denormal; half of it is a tie that goes to zero; a little more
  // than half rounds up to it.
  EXPECT_EQ(Converted(Make(0x3FFF - 1074, kOne)), 1u);
  EXPECT_EQ(Converted(Make(0x3FFF - 1075, kOne)), 0u);
  EXPECT_EQ(Converted(Make(0x3FFF - 1075, kOne | 1)), 1u);
  EXPECT_EQ(Converted(Make(0x3FFF - 1076, ~uint64_t{0})), 0u);
  // A denormal that rounds up into the smallest normal.
  EXPECT_EQ(Converted(Make(0x3FFF - 1023, ~uint64_t{0})), Bits(std::numeric_limits<double>::min()));
  // Extended denormals, with and without the integer bit, are far below any double.
  EXPECT_EQ(Converted(Make(0x8000, 1)), Bits(-0.0));
  EXPECT_EQ(Converted(Make(0, kOne)), 0u);
}

TEST(ExtendedRealTest, InfinitiesAndNaNs) {
  EXPECT_EQ(Converted(Make(0x7FFF, kOne)), Bits(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(Converted(Make(0xFFFF, kOne)), Bits(-std::numeric_limits<double>::infinity()));
  // A quiet NaN keeps its sign and leading payload.
  EXPECT_EQ(Converted(Make(0x7FFF, kOne | (kOne >> 1) | (uint64_t{5} << 11))), 0x7FF8000000000005u);
  // A signalling NaN becomes quiet.
  EXPECT_EQ(Converted(Make(0xFFFF, kOne | (uint64_t{1} << 20))), 0xFFF8000000000200u);
  // Encodings without the integer bit are invalid and give the default NaN.
  EXPECT_EQ(Converted(Make(0x3FFF, kOne >> 1)), 0xFFF8000000000000u);
  EXPECT_EQ(Converted(Make(0x7FFF, 0)), 0xFFF8000000000000u);
}

TEST(ExtendedRealTest, AgreesWithTheProcessorOnRandomPatterns) {
  std::mt19937_64 random(20261206);
  for (int i = 0; i < 20000; ++i) {
    const auto exponent = static_cast<uint16_t>(random());
    uint64_t significand = random();
    // Mostly valid numbers near the double range, with every other kind mixed in.
    if (i % 4 != 0) significand |= kOne;
    const auto word =
        i % 2 == 0 ? exponent
                   : static_cast<uint16_t>((exponent & 0x8000) | (0x3FFF - 1100 + exponent % 2200));
    Converted(Make(word, significand));
  }
}

TEST(ExtendedRealTest, EveryDoubleSurvivesTheExtendedForm) {
  if constexpr (std::numeric_limits<long double>::digits != 64) {
    GTEST_SKIP() << "no extended type to build the input with";
  } else {
    const double values[] = {0.1, -1e-310, 6.02214076e23, std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::denorm_min()};
    for (const double x : values) {
      const long double wide = x;
      Extended e{};
      std::memcpy(e.bytes, &wide, kExtendedSize);
      EXPECT_EQ(Converted(e), Bits(x));
    }
  }
}

TEST(ExtendedRealTest, NinetySixBitFormSkipsItsPadding) {
  const Extended ten = Make(0xC000, kOne | (kOne >> 2));  // -2.5
  uint8_t twelve[kExtended96Size];
  std::memcpy(twelve, ten.bytes, 8);
  twelve[8] = 0xAB;  // padding, never read
  twelve[9] = 0xCD;
  twelve[10] = ten.bytes[8];
  twelve[11] = ten.bytes[9];
  EXPECT_EQ(Extended96ToDouble(twelve), -2.5);
}

}  // namespace
