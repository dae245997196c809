#include "core/geometry/Frame2D.h"

#include <cmath>

Frame2D::Frame2D(double xValue, double yValue, double angleValue)
    : x(xValue),
      y(yValue),
      angle(angleValue),
      cosine(std::cos(angleValue)),
      sine(std::sin(angleValue)) {}

Frame2D Frame2D::Compose(const Frame2D& a, const Frame2D& b) {
  return Frame2D(a.cosine * b.x - a.sine * b.y + a.x, a.cosine * b.y + a.sine * b.x + a.y,
                 a.angle + b.angle, a.cosine * b.cosine - a.sine * b.sine,
                 a.cosine * b.sine + b.cosine * a.sine);
}

TVector Frame2D::TransformPoint(const TVector& p) const {
  return {cosine * p.x - sine * p.y + x, sine * p.x + cosine * p.y + y};
}

TVector Frame2D::RotateVector(const TVector& v) const {
  return {cosine * v.x - sine * v.y, sine * v.x + cosine * v.y};
}

void Frame2D::TranslateInOwnAxes(const TVector& d) {
  x += cosine * d.x - sine * d.y;
  y += sine * d.x + cosine * d.y;
}

void Frame2D::Rotate(double a) {
  Rotate(a, std::cos(a), std::sin(a));
}

void Frame2D::Rotate(double a, double cosA, double sinA) {
  angle += a;
  const double c = cosine * cosA - sine * sinA;
  const double s = cosine * sinA + sine * cosA;
  cosine = c;
  sine = s;
}

Frame2D Frame2D::Inverse() const {
  double ix;
  double iy;
  // Quarter turns stay exact: only signs are chosen where cos or sin is exactly zero.
  if (sine == 0) {
    ix = cosine >= 0 ? -x : x;
    iy = cosine >= 0 ? -y : y;
  } else if (cosine == 0) {
    ix = sine >= 0 ? -y : y;
    iy = sine >= 0 ? x : -x;
  } else {
    ix = -(cosine * x + sine * y);
    iy = sine * x - cosine * y;
  }
  return Frame2D(ix, iy, -angle, cosine, -sine);
}

bool Frame2D::operator==(const Frame2D& other) const {
  return x == other.x && y == other.y && angle == other.angle;
}

bool Frame2D::operator==(const TVector3& placement) const {
  return x == placement.x && y == placement.y && angle == placement.r;
}
