#include "core/Numerics.h"

#include <cmath>

namespace {

constexpr uint64_t kQuietBit = uint64_t{1} << 51;

// The low 16 bits of the integer part of q, as two's complement; 0 when q has no integer part.
int16_t Low16BitsOf(double q) {
  if (!std::isfinite(q)) return 0;
  const double wrapped = std::fmod(std::trunc(q), 65536.0);  // exact, within (-65536, 65536)
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int32_t>(wrapped)));
}

}  // namespace

int16_t ClassifyDouble(double x) {
  switch (std::fpclassify(x)) {
    case FP_NAN:
      return (std::bit_cast<uint64_t>(x) & kQuietBit) != 0 ? kQuietNaN : kSignalingNaN;
    case FP_INFINITE:
      return kInfinite;
    case FP_ZERO:
      return kZeroNum;
    case FP_SUBNORMAL:
      return kDenormalNum;
    default:
      return kNormalNum;
  }
}

int16_t FpClassify(double x) {
  return ClassifyDouble(x);
}

double RemainderQuo(double x, double y, int16_t& quotient) {
  double r = std::fmod(x, y);
  int16_t q = Low16BitsOf(x / y);
  const double half = std::fabs(y) / 2;
  if (r > 0 && r >= half) {
    r -= std::fabs(y);
    q = static_cast<int16_t>(q + 1);
  } else if (r <= 0 && r <= -half) {
    r += std::fabs(y);
    q = static_cast<int16_t>(q - 1);
  }
  // Only the low byte carries the quotient's size; a negative one has an upper byte of ones.
  if (q < 0) q = static_cast<int16_t>(static_cast<uint16_t>(q) | 0xFF00u);
  quotient = q;
  return r;
}

double Log2(double x) {
  return std::log(x) / 0.6931471805599453;
}

double ScaleB(double x, int16_t n) {
  return std::ldexp(x, n);
}

int32_t FNegative(double x) {
  return x < 0 ? 1 : 0;
}

void SinCos(const double* angle, double* sine, double* cosine) {
  *sine = std::sin(*angle);
  *cosine = std::cos(*angle);
}

double FSin(double x) {
  return std::sin(x);
}
double FCos(double x) {
  return std::cos(x);
}
double FTan(double x) {
  return std::tan(x);
}
double FAsin(double x) {
  return std::asin(x);
}
double FAcos(double x) {
  return std::acos(x);
}
double FAtan(double x) {
  return std::atan(x);
}
double FExp(double x) {
  return std::exp(x);
}
double FLog(double x) {
  return std::log(x);
}
double FPow(double x, double y) {
  return std::pow(x, y);
}
double FFloor(double x) {
  return std::floor(x);
}
double FMod(double x, double y) {
  return std::fmod(x, y);
}
double FAbs(double x) {
  return std::fabs(x);
}
double FHypot(double x, double y) {
  return std::hypot(x, y);
}
double FAtan2(double y, double x) {
  return std::atan2(y, x);
}
