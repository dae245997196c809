#include "core/geometry/Vector.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "core/geometry/FloatOps.h"
#include "core/geometry/Rounding.h"

TVector TVector::FromPoint(uint32_t packed) {
  return FromPoint(MacPoint::FromPacked(packed));
}

TVector TVector::FromPoint(const MacPoint& point) {
  return {static_cast<double>(point.h), -static_cast<double>(point.v)};
}

MacPoint TVector::ToPoint() const {
  return MacPoint(Round13(x), static_cast<int16_t>(-Round13(y)));
}

double TVector::Length() const {
  if (x == 0) return std::fabs(y);
  if (y == 0) return std::fabs(x);
  return std::sqrt(x * x + y * y);
}

double TVector::Angle() const {
  constexpr double pi = std::numbers::pi;
  if (y == 0) return x < 0 ? pi : 0;
  if (x == 0) return y < 0 ? 3 * pi / 2 : pi / 2;
  const double a = std::atan(y / x);
  if (x < 0) return a + pi;
  if (a < 0 && x > 0) return a + 2 * pi;
  return a;
}

void TVector::ToPolar() {
  const TVector polar(Length(), Angle());
  *this = polar;
}

void TVector::FromPolar() {
  const double r = x;
  const double angle = y;
  x = r * std::cos(angle);
  y = r * std::sin(angle);
}

void TVector::FromPolarKeepingAxis() {
  if (y == 0) return;
  FromPolar();
}

bool TVector::InRect(const TDoubleRect& rect) const {
  return rect.Contains(x, y);
}

bool TDoubleRect::Contains(double x, double y) const {
  return left <= x && x <= right && bottom <= y && y <= top;
}

void TDoubleRect::Normalize() {
  if (right < left) std::swap(left, right);
  if (top < bottom) std::swap(top, bottom);
}

TMatrix2 TMatrix2::Inverse() const {
  const double d = m0 * m2 - m1 * m3;
  if (d == 0) return {-kFixedValue, kFixedValue, -kFixedValue, kFixedValue};
  return {m2 / d, -m1 / d, m0 / d, -m3 / d};
}
