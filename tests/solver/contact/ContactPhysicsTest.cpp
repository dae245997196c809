// Collisions run through the stream road, against the physics a teacher expects.

#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

#include "tests/solver/contact/ContactScenes.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

constexpr double kG = 9.81;

// A ball dropped on an anchored floor (top at y = 0) keeps e^2 of its energy at each bounce.
TEST(ContactPhysics, BallBouncesWithTheEnergyRatioOfItsElasticitySquared) {
  const double e = 0.8, r = 0.1, h0 = 1.0, m = 2.0;
  ContactWorld w;
  w.Box(10, 0, -0.5, 0, 10, 1, 1, {0, 0, e}, 1);
  w.Ball(11, 0, h0 + r, r, m, {0, 0, e});
  w.Gravity(kG).AllCollide(20);
  EngineRun run(w.Finish(1.0 / 50));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 16);
  ASSERT_EQ(run.RunTo(history, 150), kEngineOk);
  auto energy = [&](int f) {
    const double vy = Value(history, f, 1, 4), vx = Value(history, f, 1, 3);
    return 0.5 * m * (vx * vx + vy * vy) + m * kG * (Value(history, f, 1, 1) - r);
  };
  const double e0 = m * kG * h0;
  // The bounces: the frames where the vertical speed turns from down to up.
  std::vector<int> bounces;
  for (int f = 1; f < 150; ++f)
    if (Value(history, f - 1, 1, 4) < 0 && Value(history, f, 1, 4) > 0) bounces.push_back(f);
  ASSERT_GE(bounces.size(), 3u);
  double expected = e0;
  for (size_t k = 0; k + 1 < bounces.size() && k < 3; ++k) {
    expected *= e * e;
    for (int f = bounces[k]; f < bounces[k + 1] - 1; ++f)
      ASSERT_NEAR(energy(f), expected, 1e-6 * e0) << "bounce " << k << " frame " << f;
  }
  for (int f = 0; f < 150; ++f) ASSERT_GT(Value(history, f, 1, 1), r - 1e-6) << f;
}

// A box on an anchored incline: below the friction angle it holds still, above it slides with
// a = g (sin t - mu_k cos t).
TEST(ContactPhysics, BoxOnAnInclineHoldsBelowTheFrictionAngleAndSlidesAbove) {
  const Material material{0.5, 0.3, 0};
  for (const double degrees : {20.0, 35.0}) {
    const double t = degrees * std::numbers::pi / 180;
    const double c = std::cos(t), s = std::sin(t);
    ContactWorld w;
    w.Box(10, 0, 0, t, 40, 1, 1, material, 1);
    // The box's centre 0.6 above the incline's centre line, across its surface.
    w.Box(11, -0.6 * s, 0.6 * c, t, 0.2, 0.2, 1, material);
    w.Gravity(kG).AllCollide(20);
    EngineRun run(w.Finish(1.0 / 20));
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(8, 16);
    ASSERT_EQ(run.RunTo(history, 41), kEngineOk);
    const double a = std::tan(t) < material.staticFriction
                         ? 0.0
                         : kG * (s - material.kineticFriction * c);
    for (int f = 0; f <= 40; f += 5) {
      const double time = f / 20.0;
      const double dx = Value(history, f, 1, 0) + 0.6 * s, dy = Value(history, f, 1, 1) - 0.6 * c;
      const double along = -(dx * c + dy * s);  // down the slope
      const double across = -dx * s + dy * c;
      const double expected = 0.5 * a * time * time;
      ASSERT_NEAR(along, expected, a == 0 ? 1e-9 : 1e-6 * std::max(1.0, expected))
          << degrees << " at " << time;
      ASSERT_NEAR(across, 0.0, 1e-9) << degrees << " at " << time;
      ASSERT_NEAR(Value(history, f, 1, 2), t, 1e-9) << degrees << " at " << time;
    }
  }
}

// A ball striking the floor obliquely with a friction that can hold it leaves with its rim at
// rest on the floor: vx' = 2 vx / 3 and w' = -2 vx / 3r, the normal speed times e.
TEST(ContactPhysics, ObliqueBounceStopsTheSlipOfTheRim) {
  const double r = 0.1, e = 0.6, vx = 2, vy = -3;
  const Material material{1.0, 0.8, e};
  ContactWorld w;
  w.Box(10, 0, -0.5, 0, 10, 1, 1, material, 1);
  w.Ball(11, 0, r + 0.005, r, 0.5, material, vx, vy);
  w.AllCollide(20);
  EngineRun run(w.Finish(1.0 / 60));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 16);
  ASSERT_EQ(run.RunTo(history, 4), kEngineOk);
  EXPECT_NEAR(Value(history, 3, 1, 3), 2 * vx / 3, 1e-9);
  EXPECT_NEAR(Value(history, 3, 1, 4), -e * vy, 1e-9);
  EXPECT_NEAR(Value(history, 3, 1, 5), -2 * vx / (3 * r), 1e-9);
}

// Five equal balls in a row, the first striking the other four at rest and touching: the first
// stops and the last leaves with its speed.
TEST(ContactPhysics, NewtonsCradleCarriesTheMomentumToTheLastBall) {
  const double r = 0.1, v = 1.5;
  ContactWorld w;
  w.Ball(10, -0.5, 0, r, 1, {0, 0, 1}, v, 0);
  for (int k = 1; k < 5; ++k)
    w.Ball(static_cast<int16_t>(10 + k), 2 * r * k, 0, r, 1, {0, 0, 1});
  w.AllCollide(20);
  EngineRun run(w.Finish(1.0 / 10));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 40);
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  for (int k = 0; k < 4; ++k)
    EXPECT_NEAR(Value(history, 10, k, 3), 0.0, 1e-6) << k;
  EXPECT_NEAR(Value(history, 10, 4, 3), v, 1e-6);
  // The last ball left when the first arrived, after 0.5 m at v.
  EXPECT_NEAR(Value(history, 10, 4, 0), 0.8 + v * (1.0 - 0.5 / v), 1e-6);
}

// A pyramid of boxes on an anchored floor, each box resting on two below it, stands still: the
// contacts of a statically indeterminate stack neither jitter nor creep.
TEST(ContactPhysics, PyramidOfBoxesStandsStill) {
  constexpr int kRows = 4;
  const double size = 0.5, gap = 0.05;
  const Material material{0.6, 0.5, 0};
  ContactWorld w;
  w.Box(10, 0, -0.5, 0, 20, 1, 1, material, 1);
  int16_t id = 11;
  for (int row = 0; row < kRows; ++row)
    for (int k = 0; k < kRows - row; ++k) {
      const double x = (k - (kRows - row - 1) / 2.0) * (size + gap);
      w.Box(id++, x, size / 2 + row * size, 0, size, size, 1, material);
    }
  w.Gravity(kG).AllCollide(100);
  EngineRun run(w.Finish(1.0 / 30));
  ASSERT_EQ(run.readResult, kEngineOk);
  const int bodies = static_cast<int>(w.bodies.size());
  History history(8, 8 * bodies);
  ASSERT_EQ(run.RunTo(history, 61), kEngineOk);
  for (int b = 1; b < bodies; ++b) {
    EXPECT_NEAR(Value(history, 60, b, 0), Value(history, 0, b, 0), 1e-9) << b;
    EXPECT_NEAR(Value(history, 60, b, 1), Value(history, 0, b, 1), 1e-9) << b;
    EXPECT_NEAR(Value(history, 60, b, 2), 0.0, 1e-9) << b;
    EXPECT_NEAR(Value(history, 60, b, 4), 0.0, 1e-9) << b;
  }
}

// A thin wall stops a small fast ball: no step may carry it through.
TEST(ContactPhysics, FastSmallBallDoesNotTunnelThroughAThinWall) {
  ContactWorld w;
  w.Box(10, 1, 0, 0, 0.01, 2, 1, {0, 0, 1}, 1);
  w.Ball(11, 0, 0, 0.005, 0.01, {0, 0, 1}, 200, 0);
  w.AllCollide(20);
  EngineRun run(w.Finish(1.0 / 10, 1e-3, 1e-6));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 16);
  ASSERT_EQ(run.RunTo(history, 3), kEngineOk);
  EXPECT_NEAR(Value(history, 2, 1, 3), -200, 1e-6);
  EXPECT_LT(Value(history, 2, 1, 0), 1 - 0.005 - 0.005);
}

// A ball far thinner than any step the run takes could follow is refused before the frame in
// which it could reach the floor, naming it and the body it closes on; the frames before stay as
// they were. While it falls far from everything it costs nothing, and a ball thick enough for
// its speed runs on.
TEST(ContactPhysics, AColliderTooThinForItsSpeedIsRefusedByName) {
  for (const double radius : {1e-12, 4.8e-59}) {
    ContactWorld w;
    w.Box(10, 0, -0.5, 0, 10, 1, 1, {0, 0, 0}, 1);
    w.Ball(11, 0, 0.5, radius, 1.0, {0, 0, 0});
    w.Ball(12, 2, 0.5, 0.1, 1.0, {0, 0, 0}, 0, -3);
    w.Gravity(kG).AllCollide(20);
    EngineRun run(w.Finish(1.0 / 50));
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(8, 24);
    // The ball reaches the floor after sqrt(2 * 0.5 / g) = 0.319 s, in frame 16.
    EXPECT_EQ(run.RunTo(history, 40), kEngineWarnTooThin) << radius;
    EXPECT_EQ(run.status[0], kEngineWarnTooThin);
    EXPECT_EQ(run.status[1], 11);
    EXPECT_EQ(run.status[2], 10);
    EXPECT_GE(history.Frames(), 10) << radius;
    EXPECT_LE(history.Frames(), 17) << radius;
  }
}

TEST(ContactPhysics, ShapeSizesThatAreNoLengthsAreRefusedByTheReader) {
  for (const double size : {-1.0, std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(), 1e301}) {
    ContactWorld w;
    w.Body(11, 0, 0.5, 0, 1.0, 1.0, {0, 0, 0});
    w.s.RectangleSize(0.5, size);
    EngineRun run(w.Finish(1.0 / 50));
    EXPECT_EQ(run.readResult, kEngineCannotRead) << size;
  }
  ContactWorld w;
  w.Body(11, 0, 0.5, 0, 1.0, 1.0, {0, 0, 0});
  w.s.CircleSize(0.0);
  EXPECT_EQ(EngineRun(w.Finish(1.0 / 50)).readResult, kEngineOk);
}

// Two bodies joined by a pin never collide, though their outlines overlap: the bar swings
// through the post it hangs from like a free pendulum.
TEST(ContactPhysics, JoinedBodiesNeverCollide) {
  ContactWorld w;
  w.Box(10, 0, 0, 0, 0.2, 0.2, 1, {0.5, 0.5, 0}, 1);
  // A bar 1 m long from the post's centre, horizontal.
  w.Box(11, 0.5, 0, 0, 1, 0.05, 1, {0.5, 0.5, 0});
  w.s.Point(30, 10, 0.0, 0.0);
  w.s.Point(31, 11, -0.5, 0.0);
  w.s.Constraint(32, {30, 31}, {PinY(), PinX()});
  w.Gravity(kG).AllCollide(20);
  EngineRun run(w.Finish(1.0 / 30));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 16);
  ASSERT_EQ(run.RunTo(history, 31), kEngineOk);
  // A bar about one end turns its energy into swing: 1/2 I w^2 = m g (L/2) sin(-angle).
  const double moment = (1.0 + 0.05 * 0.05) / 12 + 0.25;
  for (int f = 1; f <= 30; ++f) {
    const double angle = Value(history, f, 1, 2), w = Value(history, f, 1, 5);
    ASSERT_NEAR(0.5 * moment * w * w, -kG * 0.5 * std::sin(angle), 1e-6) << f;
  }
  EXPECT_LT(Value(history, 15, 1, 2), -1.0);  // well past the post's edge
}

// The collision group decides: a ball falls onto the floor or through it as the group's
// record includes or excludes the pair, in each of the record's modes.
TEST(ContactPhysics, CollisionGroupIncludesAndExcludesAsItsRecordSays) {
  struct Case {
    int16_t mode;
    bool includes;
    std::vector<int16_t> members;
    int16_t reference;
    bool collides;
  };
  const std::vector<Case> cases = {
      {2, true, {10, 11}, -1, true},   {2, true, {11, 12}, -1, false},
      {2, false, {11, 10}, -1, false}, {2, false, {11, 12}, -1, true},
      {1, true, {10, 11}, -1, true},   {1, true, {11, 12}, -1, false},
      {1, false, {}, -1, true},        {1, false, {10, 11}, -1, false},
      {0, true, {11}, 10, true},       {0, false, {11}, 10, false},
      {0, true, {11}, 12, false},
  };
  for (const Case& c : cases) {
    ContactWorld w;
    w.Box(10, 0, -0.5, 0, 4, 1, 1, {0, 0, 0}, 1);
    w.Ball(11, 0, 0.6, 0.1, 1, {0, 0, 0});
    w.Ball(12, 3, 0.6, 0.1, 1, {0, 0, 0});
    w.Gravity(kG).CollisionGroup(20, c.mode, c.includes, c.members, c.reference);
    EngineRun run(w.Finish(1.0 / 10));
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(8, 24);
    ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
    const double y = Value(history, 10, 1, 1);
    if (c.collides)
      EXPECT_NEAR(y, 0.1, 1e-9) << c.mode << " " << c.includes;
    else
      EXPECT_NEAR(y, 0.6 - 0.5 * kG, 1e-9) << c.mode << " " << c.includes;
  }
  // Without a collision group nothing collides.
  ContactWorld w;
  w.Box(10, 0, -0.5, 0, 4, 1, 1, {0, 0, 0}, 1);
  w.Ball(11, 0, 0.6, 0.1, 1, {0, 0, 0});
  w.Gravity(kG);
  EngineRun run(w.Finish(1.0 / 10));
  History history(8, 16);
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  EXPECT_NEAR(Value(history, 10, 1, 1), 0.6 - 0.5 * kG, 1e-9);
}

}  // namespace
}  // namespace yb::stream::testing
