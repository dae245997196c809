#pragma once
// The numerics calls that the geometry, formula and snapping code were written against, mapped
// onto IEEE double arithmetic: classification, the remainder with a quotient, a base-2 logarithm,
// power-of-two scaling, a sign test, the constants 2 and pi, and one-line elementary functions.

#include <bit>
#include <cstdint>

// Numeric classes answered by ClassifyDouble. The sign is not part of the class.
enum NumClass : int16_t {
  kSignalingNaN = 0,
  kQuietNaN = 1,
  kInfinite = 2,
  kZeroNum = 3,
  kNormalNum = 4,
  kDenormalNum = 5,
};

// Negative zero, and the quiet NaN that helpers hand back where a result is undefined.
inline constexpr double gNegativeZero = -0.0;
inline constexpr double gNotANumber = std::bit_cast<double>(uint64_t{0x7FF8002000000000});

int16_t ClassifyDouble(double x);
// The same question under the name the parsing code uses.
int16_t FpClassify(double x);

// The remainder of x by y folded into [-|y|/2, |y|/2], with the low 16 bits of the matching
// quotient. A remainder of exactly half of |y| changes its sign.
double RemainderQuo(double x, double y, int16_t& quotient);

double Log2(double x);
// x times 2 to the n.
double ScaleB(double x, int16_t n);
// 1 when x < 0; negative zero and NaN give 0.
int32_t FNegative(double x);

inline constexpr double FpTwo() {
  return 2.0;
}
inline constexpr double FpPi() {
  return 3.141592653589793;
}

void SinCos(const double* angle, double* sine, double* cosine);

double FSin(double x);
double FCos(double x);
double FTan(double x);
double FAsin(double x);
double FAcos(double x);
double FAtan(double x);
double FExp(double x);
// The natural logarithm.
double FLog(double x);
double FPow(double x, double y);
double FFloor(double x);
// The truncated remainder: it has the sign of x.
double FMod(double x, double y);
double FAbs(double x);
double FHypot(double x, double y);
double FAtan2(double y, double x);
