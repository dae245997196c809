// What the contact formula functions read of a run, the overlap warning, shapes that are not
// convex, and runs that repeat bit for bit.

#include <algorithm>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/solver/contact/ContactScenes.h"

namespace yb::stream::testing {
namespace {

constexpr double kG = 9.81;

// A ball (mass 2, no bounce) dropped 0.5 m onto a floor, then resting; a box on the floor held
// by static friction against a push of 3 N.
TEST(ContactFormula, FunctionsReportCollisionsContactsAndFriction) {
  ContactWorld w;
  w.Box(10, 0, -0.5, 0, 10, 1, 1, {0.5, 0.4, 0}, 1);
  w.Ball(11, 0, 0.6, 0.1, 2, {0.5, 0.4, 0});
  w.s.Elements({"collisionpairs(Body[11])", "collisionimpulsepair(Body[11],1).y",
                "contactpairs(Body[11])", "contactforcepair(Body[11],1).y",
                "contactpair(Body[11],1).y", "contactforcepair(Body[11],2).y"});
  w.Box(12, 3, 0.25, 0, 0.5, 0.5, 1, {0.5, 0.4, 0});
  w.s.Elements({"frictionforcepair(Body[12],1).x", "contactpairs(Body[12])"});
  w.s.Point(30, 12, 0.0, 0.0);
  w.s.Constraint(31, {30}, {{0, 0, 0, F(3.0)}});
  w.Gravity(kG).AllCollide(20);
  EngineRun run(w.Finish(0.1));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 3 * 8 + 8);
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  auto element = [&](int frame, int k) { return history.Value(frame, 24 + k); };
  const double impact = std::sqrt(2 * 0.5 / kG);  // s
  const int impactFrame = static_cast<int>(std::ceil(impact / 0.1));
  for (int f = 1; f <= 10; ++f) {
    const bool struck = f == impactFrame;
    EXPECT_EQ(element(f, 0), struck ? 1 : 0) << f;
    EXPECT_NEAR(element(f, 1), struck ? 2 * kG * impact : 0.0, 1e-6) << f;
    EXPECT_EQ(element(f, 2), f >= impactFrame ? 1 : 0) << f;
    if (f > impactFrame) {
      EXPECT_NEAR(element(f, 3), 2 * kG, 1e-9) << f;
      EXPECT_NEAR(element(f, 4), 0.0, 1e-9) << f;
    }
    EXPECT_EQ(element(f, 5), 0.0) << f;  // a pair beyond the count answers zero
    EXPECT_NEAR(element(f, 6), -3.0, 1e-9) << f;
    EXPECT_EQ(element(f, 7), 1) << f;
  }
  EXPECT_NEAR(Value(history, 10, 2, 0), 3.0, 1e-9);  // the box held still
}

TEST(ContactFormula, OverlapBeyondTheOverlapErrorIsReported) {
  for (const double sunk : {0.05, 0.0005}) {
    ContactWorld w;
    w.Box(10, 0, -0.5, 0, 10, 1, 1, {0, 0, 0}, 1);
    w.Box(11, 0, 0.25 - sunk, 0, 0.5, 0.5, 1, {0, 0, 0});
    w.Gravity(kG).AllCollide(20);
    EngineRun run(w.Finish(0.1));  // overlap error 1e-3, its warning on
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(8, 16);
    const int32_t result = run.RunTo(history, 5);
    EXPECT_EQ(result, sunk > 1e-3 ? kEngineWarnOverlap : kEngineOk) << sunk;
    if (result == kEngineWarnOverlap) {
      // The user is told which bodies to move apart.
      EXPECT_EQ(std::min(run.status[1], run.status[2]), 10);
      EXPECT_EQ(std::max(run.status[1], run.status[2]), 11);
      ASSERT_EQ(run.RunTo(history, 5), kEngineOk);
    }
    EXPECT_NEAR(Value(history, 4, 1, 1), 0.25, 1e-9) << sunk;  // pushed out, then resting
  }
}

// A ball dropped into the notch of an anchored L-shaped body lands on the notch's floor, not on
// the L's convex hull; a curved polygon through eight points of a circle rests on its curve.
TEST(ContactFormula, ConcaveAndCurvedOutlinesCollideWithTheirOwnShape) {
  ContactWorld w;
  w.Polygon(10, 9, 0, 0, 1, 1, {0, 0, 0}, {0, 0, 2, 0, 2, 0.2, 0.2, 0.2, 0.2, 2, 0, 2}, false, 1);
  w.Ball(11, 1.0, 1.0, 0.1, 1, {0, 0, 0});
  std::vector<double> ring;
  for (int k = 0; k < 8; ++k) {
    ring.push_back(0.5 * std::cos(k * std::acos(-1.0) / 4));
    ring.push_back(0.5 * std::sin(k * std::acos(-1.0) / 4));
  }
  w.Box(12, 5, -0.5, 0, 4, 1, 1, {0, 0, 0}, 1);
  w.Polygon(13, 8, 5, 0.6, 1, 0.125, {0.5, 0.5, 0}, ring, true);
  w.Gravity(kG).AllCollide(20);
  EngineRun run(w.Finish(0.1));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(8, 32);
  ASSERT_EQ(run.RunTo(history, 21), kEngineOk);
  EXPECT_NEAR(Value(history, 20, 1, 1), 0.3, 1e-9);
  EXPECT_NEAR(Value(history, 20, 1, 0), 1.0, 1e-9);
  EXPECT_NEAR(Value(history, 20, 3, 1), 0.5, 2e-3);
  EXPECT_NEAR(Value(history, 20, 3, 4), 0.0, 1e-9);
}

TEST(ContactFormula, RunsRepeatBitForBit) {
  auto run = [] {
    ContactWorld w;
    w.Box(10, 0, -0.5, 0.1, 10, 1, 1, {0.4, 0.3, 0.5}, 1);
    for (int k = 0; k < 4; ++k)
      w.Ball(static_cast<int16_t>(11 + k), 0.25 * k, 1 + 0.3 * k, 0.1, 1, {0.4, 0.3, 0.5});
    w.Gravity(kG).AllCollide(20);
    EngineRun engine(w.Finish(1.0 / 30));
    History history(8, 40);
    EXPECT_EQ(engine.RunTo(history, 60), kEngineOk);
    return history.bytes;
  };
  EXPECT_EQ(run(), run());
}

}  // namespace
}  // namespace yb::stream::testing
