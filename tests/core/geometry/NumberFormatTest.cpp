#include "core/geometry/NumberFormat.h"

#include <clocale>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Shown(int16_t digits, double x) {
  return FormatNumber(digits, x).Chars();
}

bool IsExponentForm(const std::string& text) {
  return text.find('e') != std::string::npos;
}

TEST(FormatNumberTest, FixedNotationWhileADigitStillShows) {
  EXPECT_EQ(Shown(2, 0.01), "0.01");
  EXPECT_EQ(Shown(2, 0.0099), "9.90e-03");
  EXPECT_EQ(Shown(2, 12345.6), "1.23e+04");
  EXPECT_EQ(Shown(2, 0), "0.00");
  EXPECT_EQ(Shown(0, 0.95), "1");
  EXPECT_EQ(Shown(0, 0.94), "9e-01");
  EXPECT_EQ(Shown(1, -0.0995), "-0.1");
  EXPECT_TRUE(IsExponentForm(Shown(1, 0.0994)));
  EXPECT_EQ(Shown(3, 0.00099995), "0.001");
  EXPECT_TRUE(IsExponentForm(Shown(3, 0.00099994)));
}

TEST(FormatNumberTest, LargeValuesAndManyDigitsUseExponentForm) {
  EXPECT_EQ(Shown(3, 9999.9), "9999.900");
  EXPECT_EQ(Shown(3, -9999.9), "-9999.900");
  EXPECT_EQ(Shown(3, 10000), "1.000e+04");
  EXPECT_EQ(Shown(4, 1.5), "1.5000e+00");
  EXPECT_EQ(Shown(4, 0), "0.0000") << "zero is always fixed";
  EXPECT_EQ(Shown(6, 1e-300), "1.000000e-300");
}

TEST(FormatNumberTest, DigitCountsAreClampedSoTheTextFits) {
  EXPECT_EQ(Shown(-3, 2.4), "2");
  const std::string widest = Shown(32767, -1.2345678901234567e-300);
  EXPECT_LE(widest.size(), 255u);
  EXPECT_EQ(widest.substr(0, 4), "-1.2");
  EXPECT_EQ(widest.substr(widest.size() - 5), "e-300") << "the exponent is never cut off";
  EXPECT_EQ(widest.size(), static_cast<size_t>(3 + kMaxFormatDigits + 5));
  const std::string zeros = Shown(32767, 0);
  EXPECT_EQ(zeros.size(), static_cast<size_t>(2 + kMaxFormatDigits));
}

TEST(FormatNumberTest, SpecialValuesAreShown) {
  EXPECT_EQ(Shown(2, std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(Shown(2, -std::numeric_limits<double>::quiet_NaN()), "-nan");
}

TEST(FormatNumberTest, ParsesLikeTheRuntimeConversion) {
  double value = -1;
  EXPECT_TRUE(ParseNumber(Str255(""), value));
  EXPECT_EQ(value, 0.0);
  EXPECT_TRUE(ParseNumber(Str255("  -12.5e1xyz"), value));
  EXPECT_EQ(value, -125);
  EXPECT_TRUE(ParseNumber(Str255("abc"), value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ParseNumber(Str255("+.5"), value));
  EXPECT_EQ(value, 0.5);
  EXPECT_TRUE(ParseNumber(Str255("1e999"), value));
  EXPECT_EQ(value, std::numeric_limits<double>::infinity());
  EXPECT_FALSE(ParseNumber(Str255("nan"), value)) << "only a NaN result reports failure";
}

TEST(FormatNumberTest, RoundTripsThroughText) {
  const double values[] = {0.1, -2.5, 1234.5678, 6.02214076e23, 1.7976931348623157e308};
  for (const double x : values) {
    double back = 0;
    ASSERT_TRUE(ParseNumber(FormatNumber(16, x), back));
    EXPECT_EQ(back, x);
  }
}

// A user locale that writes the decimal point as a comma must not change stored or shown numbers.
TEST(FormatNumberTest, IgnoresTheProcessLocale) {
  const char* const commaLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  bool comma = false;
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr &&
        std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
      comma = true;
      break;
    }
  }
  EXPECT_EQ(Shown(2, 1.25), "1.25");
  double value = 0;
  EXPECT_TRUE(ParseNumber(Str255("1.25"), value));
  EXPECT_EQ(value, 1.25);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
}

}  // namespace
