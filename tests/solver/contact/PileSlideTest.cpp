// A box sliding on a pile: its kinetic friction depends on normal forces that the pile's solve
// finds, so the solve is repeated with the same rows until the two agree. The answer must be
// kinetic friction at exactly its coefficient times the normal force, against the slip, while
// every other contact sticks within its cone.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double g = 9.81, staticMu = 0.6, kineticMu = 0.3;

TEST(PileSlide, ABoxSlidingOnAPileFeelsItsKineticFrictionWhileTheRestSticks) {
  Model model;
  auto rectangle = [](double x, double y, double w, double h) {
    Body body;
    body.x = x;
    body.y = y;
    body.mass = 1;
    body.moment = (w * w + h * h) / 12;
    body.staticFriction = staticMu;
    body.kineticFriction = kineticMu;
    body.shape.kind = Shape::Kind::Rectangle;
    body.shape.w = w;
    body.shape.h = h;
    return body;
  };
  Body floor = rectangle(0, -0.5, 200, 1);
  floor.anchored = 1;
  model.AddBody(floor);
  // Enough rows that the pile is solved as one sparse system, not a small dense one.
  const int rows = 10;
  const double size = 0.5, gap = 0.025;
  std::vector<int> boxes;
  for (int row = 0; row < rows; ++row)
    for (int k = 0; k < rows - row; ++k) {
      Body box =
          rectangle((k - (rows - row - 1) / 2.0) * (size + gap), size / 2 + row * size, size, size);
      if (row == rows - 1) box.vx = 1;
      boxes.push_back(model.AddBody(box));
    }
  model.AddField(MakeLineGravity(boxes, g));
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  Simulation sim(model, settings);
  ASSERT_NO_THROW(sim.AdvanceTo(0.02));
  const Mechanics& mechanics = sim.GetMechanics();
  const int top = boxes.back();
  int sliding = 0;
  for (int box : boxes) {
    Mechanics::ContactReport report;
    for (int pair = 1; pair <= mechanics.ContactPairCount(box); ++pair) {
      ASSERT_TRUE(mechanics.ContactPair(box, pair, report));
      const double normal = report.force.norm(), friction = report.friction.norm();
      if (box == top) {
        ASSERT_GT(normal, 0.1 * g);
        EXPECT_NEAR(friction, kineticMu * normal, 1e-6 * normal) << "pair " << pair;
        EXPECT_LT(report.friction.x(), 0) << "pair " << pair;
        ++sliding;
        continue;
      }
      EXPECT_LE(friction, staticMu * normal * (1 + 1e-5) + 1e-12) << "box " << box;
    }
  }
  // The top box rests on the two below it.
  EXPECT_EQ(sliding, 2);
}

}  // namespace
}  // namespace yb::dynamics
