#include "core/geometry/Transform2D.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "core/geometry/Vector.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Exact rotations by 0, 90, 180 and 270 degrees, as the code that builds them stores them.
Transform2D QuarterTurn(int quarters, double tx, double ty) {
  static constexpr double kCos[] = {1, 0, -1, 0};
  static constexpr double kSin[] = {0, 1, 0, -1};
  return Transform2D(kCos[quarters], kSin[quarters], tx, ty, quarters * kPi / 2, 1.0);
}

void ExpectIdentity(const Transform2D& t) {
  EXPECT_EQ(t.cosine, 1);
  EXPECT_EQ(t.sine, 0);
  EXPECT_EQ(t.tx, 0);
  EXPECT_EQ(t.ty, 0);
  EXPECT_EQ(t.angle, 0);
  EXPECT_EQ(t.scale, 1);
  EXPECT_EQ(t.scaled, 0);
}

TEST(VectorTest, ScreenPointsFlipTheVerticalAndRoundHalfAway) {
  EXPECT_EQ(TVector(1.5, -2.5).ToPoint(), MacPoint(2, 3));
  EXPECT_EQ(TVector(-1.5, 2.5).ToPoint(), MacPoint(-2, -3));
  EXPECT_EQ(TVector(1e12, -1e12).ToPoint(), MacPoint(8191, 8191));
  EXPECT_EQ(TVector(-1e12, 1e12).ToPoint(), MacPoint(-8191, -8191));
  // The packed form carries h high and v low, both signed.
  EXPECT_EQ(TVector::FromPoint(MacPoint(-7, 5).Packed()), TVector(-7, -5));
  EXPECT_EQ(TVector::FromPoint(0xFFFF0001u), TVector(-1, -1));
}

TEST(VectorTest, AngleCoversTheFullCircle) {
  EXPECT_EQ(TVector(0, 0).Angle(), 0);
  EXPECT_EQ(TVector(-1, 0).Angle(), kPi);
  EXPECT_EQ(TVector(0, 1).Angle(), kPi / 2);
  EXPECT_EQ(TVector(0, -1).Angle(), 3 * kPi / 2);
  EXPECT_DOUBLE_EQ(TVector(1, -1).Angle(), 7 * kPi / 4);
  EXPECT_DOUBLE_EQ(TVector(-1, -1).Angle(), 5 * kPi / 4);
  EXPECT_DOUBLE_EQ(TVector(-1, 1).Angle(), 3 * kPi / 4);
  EXPECT_DOUBLE_EQ(TVector(1, 1).Angle(), kPi / 4);
}

TEST(VectorTest, LengthAndPolarForms) {
  EXPECT_EQ(TVector(3, -4).Length(), 5);
  EXPECT_EQ(TVector(0, -2).Length(), 2);
  EXPECT_EQ(TVector(-1e200, 0).Length(), 1e200) << "an axis vector is never squared";
  TVector v(0, -2);
  v.ToPolar();
  EXPECT_EQ(v, TVector(2, 3 * kPi / 2));
  v.FromPolar();
  EXPECT_NEAR(v.x, 0, 1e-15);
  EXPECT_NEAR(v.y, -2, 1e-15);
  TVector axis(-3, 0);
  axis.FromPolarKeepingAxis();
  EXPECT_TRUE(axis == TVector(-3, 0) && !std::signbit(axis.y));
  TVector turned(2, kPi / 6);
  turned.FromPolarKeepingAxis();
  EXPECT_NEAR(turned.y, 1, 1e-15);
}

TEST(VectorTest, RectanglesIncludeTheirEdges) {
  TDoubleRect rect(4, 3, -1, -2);  // left and right, top and bottom reversed
  rect.Normalize();
  EXPECT_EQ(rect, TDoubleRect(-1, 3, 4, -2));
  for (const TVector& edge : {TVector(-1, 0), TVector(4, 0), TVector(0, 3), TVector(0, -2),
                              rect.Corner(0), rect.Corner(1)}) {
    EXPECT_TRUE(edge.InRect(rect)) << edge.x << ", " << edge.y;
  }
  EXPECT_FALSE(rect.Contains(4.0001, 0));
  EXPECT_FALSE(rect.Contains(0, -2.0001));
  EXPECT_EQ(rect.Corner(7), rect.BottomRight());
}

TEST(VectorTest, MatrixInverse) {
  const TMatrix2 m{2, 1, 3, 1};  // x' = 2x + y, y' = x + 3y
  const TMatrix2 inverse = m.Inverse();
  const TVector p(5, -7);
  const TVector back = inverse.Apply(m.Apply(p));
  EXPECT_DOUBLE_EQ(back.x, 5);
  EXPECT_DOUBLE_EQ(back.y, -7);
  EXPECT_EQ(gIdentityMatrix.Apply(p), p);
  EXPECT_EQ((TMatrix2{1, 2, 4, 2}).Inverse(), (TMatrix2{-2, 2, -2, 2}));
}

TEST(TransformTest, IdentityConstant) {
  ExpectIdentity(gIdentityTransform);
  Transform2D t = QuarterTurn(1, 3, 4);
  t.SetIdentity();
  ExpectIdentity(t);
  EXPECT_EQ(Transform2D::ApplyToVector(gIdentityTransform, TVector(1.5, -2)), TVector(1.5, -2));
}

TEST(TransformTest, AppliesRotationThenTranslation) {
  const Transform2D t = Transform2D::FromVector3(10, 20, kPi / 2);
  const TVector p = Transform2D::ApplyToVector(t, TVector(1, 0));
  EXPECT_NEAR(p.x, 10, 1e-15);
  EXPECT_NEAR(p.y, 21, 1e-15);
  const TVector3 q = Transform2D::ApplyToVector3(t, TVector3(1, 0, 0.25));
  EXPECT_DOUBLE_EQ(q.r, kPi / 2 + 0.25);
  // A screen point enters as (h, -v).
  const TVector s = Transform2D::ApplyToPoint(QuarterTurn(0, 1, 1), MacPoint(3, 4));
  EXPECT_EQ(s, TVector(4, -3));
}

TEST(TransformTest, QuarterTurnsAreExact) {
  const TVector p(0.1, 0.7);
  for (int q = 0; q < 4; ++q) {
    const Transform2D t = QuarterTurn(q, 0.3, -0.2);
    TVector out;
    Transform2D::ApplyToVectorInto(t, p, out);
    const TVector expected[] = {{0.1 + 0.3, 0.7 - 0.2},
                                {-0.7 + 0.3, 0.1 - 0.2},
                                {-0.1 + 0.3, -0.7 - 0.2},
                                {0.7 + 0.3, -0.1 - 0.2}};
    EXPECT_EQ(out, expected[q]) << q << " quarter turns";
  }
}

TEST(TransformTest, QuarterTurnComposedWithItsInverseIsTheIdentity) {
  for (int q = 0; q < 4; ++q) {
    const Transform2D t = QuarterTurn(q, 0.1, -0.3);
    ExpectIdentity(Transform2D::Compose(t, t.Inverse()));
    ExpectIdentity(Transform2D::Compose(t.Inverse(), t));
    Transform2D composed;
    Transform2D::Compose(t, t.Inverse(), composed);
    ExpectIdentity(composed);
  }
}

TEST(TransformTest, InverseOfQuarterTurnMatchesTheRule) {
  Transform2D t = QuarterTurn(1, 3, 4);  // cos 0, sin 1
  t.Invert();
  EXPECT_EQ(t.tx, -4);
  EXPECT_EQ(t.ty, 3);
  EXPECT_EQ(t.sine, -1);
  t = QuarterTurn(3, 3, 4);  // cos 0, sin -1
  Transform2D::InverseInto(t, t);
  EXPECT_EQ(t.tx, 4);
  EXPECT_EQ(t.ty, -3);
  EXPECT_EQ(QuarterTurn(2, 3, 4).Inverse().tx, 3) << "a half turn undoes itself";
}

TEST(TransformTest, ComposeAppliesTheSecondFirst) {
  const Transform2D a = Transform2D::FromVector3(1, 2, 0.3);
  const Transform2D b = Transform2D::FromVector3(-4, 0.5, 1.1);
  const Transform2D ab = Transform2D::Compose(a, b);
  const TVector p(0.25, -3);
  const TVector direct = Transform2D::ApplyToVector(a, Transform2D::ApplyToVector(b, p));
  const TVector composed = Transform2D::ApplyToVector(ab, p);
  EXPECT_NEAR(composed.x, direct.x, 1e-14);
  EXPECT_NEAR(composed.y, direct.y, 1e-14);
  EXPECT_DOUBLE_EQ(ab.angle, 1.4);
  const TVector round = Transform2D::ApplyToVector(ab.Inverse(), composed);
  EXPECT_NEAR(round.x, p.x, 1e-14);
  EXPECT_NEAR(round.y, p.y, 1e-14);
}

TEST(TransformTest, ScaleIsCarriedThroughComposeAndInverse) {
  const Transform2D rigid = Transform2D::FromVector3(1, 1, 0.5);
  const Transform2D unscaled = Transform2D::Compose(rigid, rigid);
  EXPECT_EQ(unscaled.scale, 1.0);
  EXPECT_EQ(unscaled.scaled, 0);

  Transform2D zoom;
  zoom.ScaleBy(2);
  EXPECT_EQ(zoom.scale, 2);
  EXPECT_EQ(zoom.scaled, 1);
  const Transform2D both = Transform2D::Compose(rigid, zoom);
  EXPECT_EQ(both.scale, 2);
  EXPECT_EQ(both.scaled, 1);

  // A zoom by 2 and its undoing compose to scale 1: the by-value form clears the flag, the
  // into-form keeps it as either operand had it.
  Transform2D half;
  half.ScaleBy(0.5);
  EXPECT_EQ(Transform2D::Compose(zoom, half).scaled, 0);
  Transform2D into;
  Transform2D::Compose(zoom, half, into);
  EXPECT_EQ(into.scaled, 1);
  EXPECT_EQ(into.scale, 1);

  Transform2D scaled = Transform2D::FromVector3(3, -2, 0.7);
  scaled.ScaleBy(2);
  const Transform2D inverse = scaled.Inverse();
  EXPECT_EQ(inverse.scale, 0.5);
  EXPECT_EQ(inverse.scaled, 1);
  EXPECT_DOUBLE_EQ(inverse.cosine, scaled.cosine / 4);
  EXPECT_DOUBLE_EQ(inverse.sine, -scaled.sine / 4);
  const TVector p(1.5, 2.5);
  const TVector back = Transform2D::ApplyToVector(inverse, Transform2D::ApplyToVector(scaled, p));
  EXPECT_NEAR(back.x, p.x, 1e-14);
  EXPECT_NEAR(back.y, p.y, 1e-14);
}

TEST(TransformTest, ScaleByOneChangesNothing) {
  Transform2D t = QuarterTurn(1, 2, 3);
  t.ScaleBy(1.0);
  EXPECT_EQ(t, QuarterTurn(1, 2, 3));
  t.ScaleBy(3);
  EXPECT_EQ(t.tx, 6) << "the scale acts about the world origin";
  t.ScaleBy(2);
  EXPECT_EQ(t.scale, 6);
}

TEST(TransformTest, RotateTranslateAndOffset) {
  Transform2D t = QuarterTurn(0, 5, 6);
  t.Rotate(kPi / 2);
  EXPECT_NEAR(t.cosine, 0, 1e-15);
  EXPECT_NEAR(t.sine, 1, 1e-15);
  EXPECT_EQ(t.tx, 5) << "the translation is kept";
  EXPECT_EQ(t.angle, kPi / 2);
  EXPECT_NEAR(t.Angle(), kPi / 2, 1e-15);

  Transform2D u = QuarterTurn(1, 5, 6);
  u.Translate(TVector(1, -1));
  EXPECT_EQ(u.tx, 6);
  EXPECT_EQ(u.ty, 5);
  u.OffsetInOwnFrame(TVector(1, 0));  // the own x axis points along world y
  EXPECT_EQ(u.tx, 6);
  EXPECT_EQ(u.ty, 4);
}

TEST(TransformTest, ScreenPointsOfFarPointsClampInsteadOfWrapping) {
  Transform2D view = QuarterTurn(0, 0, 0);
  view.ScaleBy(1000);
  MacPoint out;
  Transform2D::ToScreenPoint(view, TVector(1e6, -1e6), out);
  EXPECT_EQ(out, MacPoint(8191, 8191));
  Transform2D::ToScreenPoint(view, TVector(-40, 50), out);
  EXPECT_EQ(out, MacPoint(-8191, -8191));
  Transform2D::ToScreenPoint(gIdentityTransform, TVector(1.5, -2.5), out);
  EXPECT_EQ(out, MacPoint(2, 3));
}

}  // namespace

TEST(TransformTest, PlacementSetsEveryFieldFromPositionAndUnreducedAngle) {
  const double pi = std::acos(-1.0);
  for (const double angle : {0.0, pi / 2, 7.0, -pi}) {
    // Storage full of another transform's values: the placement writes every field.
    Transform2D t(9.0, 9.0, 9.0, 9.0, 9.0, 3.0, 1);
    t = Transform2D(TVector3(2.5, -4.0, angle));
    EXPECT_EQ(t.cosine, std::cos(angle)) << angle;
    EXPECT_EQ(t.sine, std::sin(angle)) << angle;
    EXPECT_EQ(t.tx, 2.5);
    EXPECT_EQ(t.ty, -4.0);
    EXPECT_EQ(t.angle, angle);
    EXPECT_EQ(t.scale, 1.0);
    EXPECT_EQ(t.scaled, 0);
  }
  // At a quarter turn the cosine is the standard one, not an exact zero.
  EXPECT_NE(Transform2D(TVector3(0, 0, pi / 2)).cosine, 0.0);
  const TVector moved = Transform2D::ApplyToVector(Transform2D(TVector3(1, 2, 0)), TVector(3, 4));
  EXPECT_EQ(moved.x, 4.0);
  EXPECT_EQ(moved.y, 6.0);
}
