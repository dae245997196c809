#pragma once
// The similarity transform that places bodies and views: a rotation with a scale, then a
// translation. It maps (x, y) to (cos x - sin y + tx, sin x + cos y + ty). When the scaled flag is
// set, (cos, sin) already holds scale times the cosine and sine of the angle, so applying it never
// multiplies by the scale again; the scale is kept beside them for composing and inverting.
//
// Rotations by exact quarter turns stay exact: where cos or sin is exactly zero the operations
// leave out the products with it, and an unscaled transform then only chooses signs.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/geometry/Vector.h"

struct Transform2D {
  double cosine = 1.0;
  double sine = 0.0;
  double tx = 0.0;
  double ty = 0.0;
  double angle = 0.0;  // radians
  double scale = 1.0;
  uint16_t scaled = 0;  // 1 when (cosine, sine) carry the scale

  // The identity.
  constexpr Transform2D() = default;
  // The flag is set when the scale differs from 1.
  constexpr Transform2D(double cosValue, double sinValue, double txValue, double tyValue,
                        double angleValue, double scaleValue)
      : cosine(cosValue),
        sine(sinValue),
        tx(txValue),
        ty(tyValue),
        angle(angleValue),
        scale(scaleValue),
        scaled(scaleValue != 1.0 ? 1 : 0) {}
  constexpr Transform2D(double cosValue, double sinValue, double txValue, double tyValue,
                        double angleValue, double scaleValue, uint16_t scaledFlag)
      : cosine(cosValue),
        sine(sinValue),
        tx(txValue),
        ty(tyValue),
        angle(angleValue),
        scale(scaleValue),
        scaled(scaledFlag) {}
  // The rigid transform that puts the origin at (x, y) turned by the angle r.
  explicit Transform2D(const TVector3& placement);
  static Transform2D FromVector3(double x, double y, double angle);

  void SetIdentity() { *this = Transform2D(); }

  // The plain mapping.
  static TVector ApplyToVector(const Transform2D& t, const TVector& p);
  // The mapping, with the transform's angle added to r.
  static TVector3 ApplyToVector3(const Transform2D& t, const TVector3& p);
  // A screen point taken into the world first (x = h, y = -v).
  static TVector ApplyToPoint(const Transform2D& t, const MacPoint& p);
  // The mapping with exact quarter turns.
  static void ApplyToVectorInto(const Transform2D& t, const TVector& p, TVector& out);
  // The mapped point on the screen: h = Round13(x'), v = -Round13(y'), clamped to +-8191.
  static void ToScreenPoint(const Transform2D& t, const TVector& p, MacPoint& out);

  // out = a applied after b. The scaled flag is set when either was scaled. out may be a or b.
  static void Compose(const Transform2D& a, const Transform2D& b, Transform2D& out);
  // a applied after b; the flag is set from the resulting scale.
  static Transform2D Compose(const Transform2D& a, const Transform2D& b);

  Transform2D Inverse() const;
  void Invert();
  static void InverseInto(const Transform2D& t, Transform2D& out);

  // Moves the translation by v.
  void Translate(const TVector& v);
  // Moves the translation back by v measured in the transform's own axes.
  void OffsetInOwnFrame(const TVector& v);
  // Turns the rotation by a; the translation is kept.
  void Rotate(double a);
  // Scales about the world origin: rotation and translation are multiplied by f.
  void ScaleBy(double f);
  // The polar angle of (cos, sin) in [0, 2 pi).
  double Angle() const;

  constexpr bool operator==(const Transform2D&) const = default;
};

inline constexpr Transform2D gIdentityTransform{};
