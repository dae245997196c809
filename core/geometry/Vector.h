#pragma once
// World geometry values. The world is measured in doubles with y pointing up; the screen in
// 16-bit integers with v pointing down. Screen points leave the world rounded half away from zero
// and clamped to plus or minus 8191.

#include <cstdint>

#include "core/MacTypes.h"

struct TDoubleRect;

struct TVector {
  double x;
  double y;

  // Leaves both values unset, like a plain pair of doubles.
  TVector() = default;
  constexpr TVector(double xValue, double yValue) : x(xValue), y(yValue) {}

  // Exact comparison, no tolerance.
  constexpr bool operator==(const TVector& other) const { return x == other.x && y == other.y; }
  constexpr TVector operator-(const TVector& other) const { return {x - other.x, y - other.y}; }

  // A screen point to the world: x = h, y = -v. The packed form carries h in the high and v in
  // the low 16 bits, both signed.
  static TVector FromPoint(uint32_t packed);
  static TVector FromPoint(const MacPoint& point);
  // h = Round13(x), v = -Round13(y).
  MacPoint ToPoint() const;

  double Length() const;
  // The polar angle in [0, 2 pi); 0 for the zero vector.
  double Angle() const;
  // Replaces (x, y) by (length, angle).
  void ToPolar();
  // Replaces (r, angle) by (r cos angle, r sin angle).
  void FromPolar();
  // FromPolar, leaving (r, 0) untouched when the angle is exactly 0.
  void FromPolarKeepingAxis();

  // Edges included.
  bool InRect(const TDoubleRect& rect) const;
};

// A position with an orientation: r is a rotation angle in radians.
struct TVector3 {
  double x;
  double y;
  double r;

  TVector3() = default;
  constexpr TVector3(double xValue, double yValue) : x(xValue), y(yValue), r(0) {}
  constexpr TVector3(double xValue, double yValue, double rValue)
      : x(xValue), y(yValue), r(rValue) {}
  constexpr TVector3(const TVector& v, double rValue) : x(v.x), y(v.y), r(rValue) {}
  constexpr explicit TVector3(const TVector& v) : x(v.x), y(v.y), r(0) {}

  constexpr bool operator==(const TVector3&) const = default;
};

// A world rectangle. Normal form: left <= right and top >= bottom (top is the larger y).
struct TDoubleRect {
  double left;
  double top;
  double right;
  double bottom;

  TDoubleRect() = default;
  constexpr TDoubleRect(double leftEdge, double topEdge, double rightEdge, double bottomEdge)
      : left(leftEdge), top(topEdge), right(rightEdge), bottom(bottomEdge) {}

  constexpr TVector TopLeft() const { return {left, top}; }
  constexpr TVector BottomRight() const { return {right, bottom}; }
  // Corner 0 is the top left; any other index the bottom right.
  constexpr TVector Corner(int i) const { return i == 0 ? TopLeft() : BottomRight(); }
  // left <= x <= right and bottom <= y <= top.
  bool Contains(double x, double y) const;
  void Normalize();
  void CopyTo(TDoubleRect& destination) const { destination = *this; }

  constexpr bool operator==(const TDoubleRect&) const = default;
};

// A 2x2 matrix applied as x' = m0 x + m3 y, y' = m1 x + m2 y.
struct TMatrix2 {
  double m0;
  double m1;
  double m2;
  double m3;

  constexpr TVector Apply(const TVector& v) const {
    return {m0 * v.x + m3 * v.y, m1 * v.x + m2 * v.y};
  }
  // A singular matrix gives (-2, 2, -2, 2): the fixed value 2.0 stands in for infinite entries.
  TMatrix2 Inverse() const;

  constexpr bool operator==(const TMatrix2&) const = default;
};

inline constexpr TVector gZeroVector{0, 0};
inline constexpr TVector3 gZeroVector3{0, 0, 0};
inline constexpr TDoubleRect gZeroDoubleRect{0, 0, 0, 0};
inline constexpr TMatrix2 gIdentityMatrix{1, 0, 1, 0};
