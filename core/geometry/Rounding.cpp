#include "core/geometry/Rounding.h"

#include <cmath>
#include <limits>

namespace {

template <typename Int>
Int RoundSaturated(double x) {
  if (std::isnan(x)) return 0;
  const double rounded = std::round(x);  // half away from zero, exact
  if (rounded >= static_cast<double>(std::numeric_limits<Int>::max())) {
    return std::numeric_limits<Int>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<Int>::min())) {
    return std::numeric_limits<Int>::min();
  }
  return static_cast<Int>(rounded);
}

int16_t RoundClamped(double x, int16_t limit) {
  if (x >= limit) return limit;
  if (x <= -limit) return static_cast<int16_t>(-limit);
  return RoundToShort(x);
}

}  // namespace

int32_t RoundToLong(double x) {
  return RoundSaturated<int32_t>(x);
}

int16_t RoundToShort(double x) {
  return RoundSaturated<int16_t>(x);
}

int16_t Round13(double x) {
  return RoundClamped(x, kScreenCoordinateLimit);
}

int16_t Round15(double x) {
  return RoundClamped(x, 32767);
}

double RemainderOf(double x, double y) {
  double r = std::fmod(x, y);
  const double size = std::fabs(y);
  if (r >= 0 && r >= size / 2) {
    r -= size;
  } else if (r < 0 && r <= -size / 2) {
    r += size;
  }
  return r;
}

void SnapToMultiple(double& x, double step) {
  if (x == 0 || step == 0 || std::isnan(x) || std::isnan(step)) return;
  if (std::fabs(step) < std::fabs(2 * x)) {
    x -= RemainderOf(x, step);
  } else {
    x = 0;
  }
}

double SnappedToMultiple(double x, double step) {
  SnapToMultiple(x, step);
  return x;
}
