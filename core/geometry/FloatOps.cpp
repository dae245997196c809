#include "core/geometry/FloatOps.h"

#include <cmath>

#include "core/Numerics.h"

double FDiv(double a, double b) {
  return b == 0 ? kFixedValue : a / b;
}
double FDivInt(double x, int16_t n) {
  return x / static_cast<double>(n);
}
double FAdd(double a, double b) {
  return a + b;
}
double FSub(double a, double b) {
  return a - b;
}
double FMul(double a, double b) {
  return a * b;
}
double FMulInt(double x, int16_t n) {
  return x * static_cast<double>(n);
}
double FNegate(double x) {
  return -x;
}
double FReciprocal(double x) {
  return 1.0 / x;
}

bool FLess(double a, double b) {
  return a < b;
}
bool FLessEq(double a, double b) {
  return a <= b;
}
bool FGreater(double a, double b) {
  return a > b;
}
bool FAtLeast(double a, double b) {
  return a >= b;
}
bool FEqual(double a, double b) {
  return a == b;
}
bool FNotEqual(double a, double b) {
  return !FEqual(a, b);
}
bool IsZero(double x) {
  return x == 0;
}
bool IsNonZero(double x) {
  return !IsZero(x);
}
bool IsNegative(double x) {
  return x < 0;
}
bool IsPositive(double x) {
  return x > 0;
}
bool FEqualInt(double x, int16_t n) {
  return x == static_cast<double>(n);
}

bool NearlyEqual(double a, double b, double tolerance) {
  return std::fabs(a - b) < tolerance;
}

double SafeSqrt(double x) {
  if (std::isnan(x) || x < 0) return gNotANumber;
  return std::sqrt(x);
}

double IntPower(double x, int16_t n) {
  return std::pow(x, static_cast<double>(n));
}

double ScaleByPowerOfTwo(int16_t n, double x) {
  return std::ldexp(x, n);
}
double FTwice(double x) {
  return 2 * x;
}
double FHalf(double x) {
  return x / 2;
}
double Midpoint(double a, double b) {
  return (a + b) / 2;
}
double ScaledLog(double x) {
  return std::log(x) / 131318652.0;
}
