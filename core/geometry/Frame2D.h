#pragma once
// A rigid frame: a position, an angle and the angle's cosine and sine kept beside it. It maps a
// local point (px, py) to (cos px - sin py + x, sin px + cos py + y).

#include "core/geometry/Vector.h"

struct Frame2D {
  double x = 0;
  double y = 0;
  double angle = 0;  // radians
  double cosine = 1;
  double sine = 0;

  // The identity frame.
  constexpr Frame2D() = default;
  // Cosine and sine are computed from the angle.
  Frame2D(double xValue, double yValue, double angleValue);
  // All five values as given; nothing is computed.
  constexpr Frame2D(double xValue, double yValue, double angleValue, double cosValue,
                    double sinValue)
      : x(xValue), y(yValue), angle(angleValue), cosine(cosValue), sine(sinValue) {}

  TVector3 Placement() const { return {x, y, angle}; }

  // a applied after b.
  static Frame2D Compose(const Frame2D& a, const Frame2D& b);
  TVector TransformPoint(const TVector& p) const;
  // The rotation alone, without the translation.
  TVector RotateVector(const TVector& v) const;
  // Moves the origin by (dx, dy) measured along the frame's own axes.
  void TranslateInOwnAxes(const TVector& d);
  // Turns the frame by a about its origin.
  void Rotate(double a);
  // The same with the cosine and sine of a already known.
  void Rotate(double a, double cosA, double sinA);

  Frame2D Inverse() const;
  void Invert() { *this = Inverse(); }

  // Frames are equal when x, y and angle are exactly equal.
  bool operator==(const Frame2D& other) const;
  bool operator==(const TVector3& placement) const;
};
