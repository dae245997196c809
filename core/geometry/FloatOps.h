#pragma once
// Small arithmetic helpers on doubles shared by the geometry, graph and formula code. They follow
// the ordinary IEEE rules except where a comment says otherwise.

#include <cstdint>

// The value that the guarded helpers answer where a result would be infinite (a division by zero,
// a singular 2x2 matrix): callers compare against it and never draw with it.
inline constexpr double kFixedValue = 2.0;

// a / b, and the fixed value 2.0 when b is exactly 0.
double FDiv(double a, double b);
double FDivInt(double x, int16_t n);
double FAdd(double a, double b);
double FSub(double a, double b);
double FMul(double a, double b);
double FMulInt(double x, int16_t n);
double FNegate(double x);
// 1 / x, unguarded.
double FReciprocal(double x);

// Comparisons by the IEEE rules: an ordered comparison with NaN is false, and a helper defined
// as the negation of another (not equal, non-zero) is true for NaN.
bool FLess(double a, double b);
bool FLessEq(double a, double b);
bool FGreater(double a, double b);
bool FAtLeast(double a, double b);
bool FEqual(double a, double b);
bool FNotEqual(double a, double b);
bool IsZero(double x);
bool IsNonZero(double x);
bool IsNegative(double x);
bool IsPositive(double x);
// x == n, the integer turned into a double first.
bool FEqualInt(double x, int16_t n);

// |a - b| < tolerance.
bool NearlyEqual(double a, double b, double tolerance);

// The square root of x; NaN for a negative x or NaN.
double SafeSqrt(double x);
// x to the integer power n, as exact as the library's pow: 2 to the 3 is 8, and a negative x is
// allowed.
double IntPower(double x, int16_t n);
// 2 to the n, times x.
double ScaleByPowerOfTwo(int16_t n, double x);
double FTwice(double x);
double FHalf(double x);
double Midpoint(double a, double b);
// The logarithm that logarithmic graph axes use: ln x scaled by a constant that only differences
// and ratios ever see.
double ScaledLog(double x);
