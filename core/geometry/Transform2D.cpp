#include "core/geometry/Transform2D.h"

#include <cmath>

#include "core/geometry/Rounding.h"

namespace {

// (cos x - sin y, sin x + cos y) for the transform's (cos, sin), leaving out products with an
// exact zero. Unscaled, a zero sin means cos is +-1 and a zero cos means sin is +-1, so the
// result is only a choice of signs.
TVector RotateExact(const Transform2D& t, double x, double y) {
  const double c = t.cosine;
  const double s = t.sine;
  if (t.scaled == 0) {
    if (s == 0) return c >= 0 ? TVector(x, y) : TVector(-x, -y);
    if (c == 0) return s >= 0 ? TVector(-y, x) : TVector(y, -x);
  } else {
    if (s == 0) return {c * x, c * y};
    if (c == 0) return {-s * y, s * x};
  }
  return {c * x - s * y, s * x + c * y};
}

}  // namespace

Transform2D::Transform2D(const TVector3& placement)
    : cosine(std::cos(placement.r)),
      sine(std::sin(placement.r)),
      tx(placement.x),
      ty(placement.y),
      angle(placement.r) {}

Transform2D Transform2D::FromVector3(double x, double y, double angle) {
  return Transform2D(TVector3(x, y, angle));
}

TVector Transform2D::ApplyToVector(const Transform2D& t, const TVector& p) {
  return {t.cosine * p.x - t.sine * p.y + t.tx, t.sine * p.x + t.cosine * p.y + t.ty};
}

TVector3 Transform2D::ApplyToVector3(const Transform2D& t, const TVector3& p) {
  const TVector mapped = ApplyToVector(t, TVector(p.x, p.y));
  return {mapped.x, mapped.y, p.r + t.angle};
}

TVector Transform2D::ApplyToPoint(const Transform2D& t, const MacPoint& p) {
  return ApplyToVector(t, TVector::FromPoint(p));
}

void Transform2D::ApplyToVectorInto(const Transform2D& t, const TVector& p, TVector& out) {
  const TVector turned = RotateExact(t, p.x, p.y);
  out = TVector(turned.x + t.tx, turned.y + t.ty);
}

void Transform2D::ToScreenPoint(const Transform2D& t, const TVector& p, MacPoint& out) {
  TVector mapped;
  ApplyToVectorInto(t, p, mapped);
  out = mapped.ToPoint();
}

void Transform2D::Compose(const Transform2D& a, const Transform2D& b, Transform2D& out) {
  const TVector turn = RotateExact(a, b.cosine, b.sine);
  const TVector shift = RotateExact(a, b.tx, b.ty);
  const uint16_t flag = (a.scaled != 0 || b.scaled != 0) ? 1 : 0;
  out = Transform2D(turn.x, turn.y, shift.x + a.tx, shift.y + a.ty, a.angle + b.angle,
                    flag != 0 ? a.scale * b.scale : 1.0, flag);
}

Transform2D Transform2D::Compose(const Transform2D& a, const Transform2D& b) {
  Transform2D result;
  Compose(a, b, result);
  result.scaled = result.scale != 1.0 ? 1 : 0;
  return result;
}

void Transform2D::InverseInto(const Transform2D& t, Transform2D& out) {
  const double c = t.cosine;
  const double s = t.sine;
  // The translation is -R^T t: the transposed rotation is the rotation by (c, -s).
  const Transform2D transposed(c, -s, 0, 0, 0, t.scale, t.scaled);
  const TVector back = RotateExact(transposed, -t.tx, -t.ty);
  if (t.scaled == 0) {
    out = Transform2D(c, -s, back.x, back.y, -t.angle, 1.0, 0);
    return;
  }
  const double k = 1.0 / (t.scale * t.scale);
  out = Transform2D(c * k, -s * k, back.x * k, back.y * k, -t.angle, 1.0 / t.scale, 1);
}

Transform2D Transform2D::Inverse() const {
  Transform2D result;
  InverseInto(*this, result);
  return result;
}

void Transform2D::Invert() {
  InverseInto(*this, *this);
}

void Transform2D::Translate(const TVector& v) {
  tx += v.x;
  ty += v.y;
}

void Transform2D::OffsetInOwnFrame(const TVector& v) {
  tx -= cosine * v.x - sine * v.y;
  ty -= sine * v.x + cosine * v.y;
}

void Transform2D::Rotate(double a) {
  const TVector turned = RotateExact(*this, std::cos(a), std::sin(a));
  cosine = turned.x;
  sine = turned.y;
  angle += a;
}

void Transform2D::ScaleBy(double f) {
  if (f == 1.0) return;
  cosine *= f;
  sine *= f;
  tx *= f;
  ty *= f;
  scale = scaled != 0 ? f * scale : f;
  scaled = 1;
}

double Transform2D::Angle() const {
  return TVector(cosine, sine).Angle();
}
