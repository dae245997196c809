// Contact rows taken back in place at the same positions run a world exactly as rows made anew
// each time do. A record that is never active makes every build start from nothing, so a world
// with one is the reference for the same world without it.

#include <gtest/gtest.h>

#include <cmath>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

Body Ball(double x, double y, double radius, double vx, double vy, double vr) {
  Body b = scenes::Disk(x, y, 1 + radius, radius);
  b.shape.kind = Shape::Kind::Circle;
  b.shape.w = 2 * radius;
  b.staticFriction = 0.6;
  b.kineticFriction = 0.4;
  b.elasticity = 0.3;
  b.vx = vx;
  b.vy = vy;
  b.vr = vr;
  return b;
}

// A spinning, sliding heap of balls in a box, struck from the side by a fast one: the rows see
// new velocities at the same positions after every impact and every projection.
Model Heap(bool inertRecord) {
  Model model;
  auto wall = [&](double x, double y, double w, double h) {
    Body b;
    b.anchored = 1;
    b.x = x;
    b.y = y;
    b.shape.kind = Shape::Kind::Rectangle;
    b.shape.w = w;
    b.shape.h = h;
    b.staticFriction = 0.6;
    b.kineticFriction = 0.4;
    b.elasticity = 0.3;
    model.AddBody(b);
  };
  wall(0, -0.5, 4, 1);
  wall(-1.5, 1, 0.2, 3);
  wall(1.5, 1, 0.2, 3);
  std::vector<int> moving;
  for (int row = 0; row < 4; ++row)
    for (int k = 0; k < 5; ++k) {
      const double radius = 0.1 + 0.02 * ((row + k) % 3);
      moving.push_back(model.AddBody(Ball(-0.9 + 0.45 * k + 0.05 * (row % 2), 0.15 + 0.4 * row,
                                          radius, 0.3 * (k - 2), 0, 4.0 * (row - 1.5))));
    }
  moving.push_back(model.AddBody(Ball(-1.2, 1.9, 0.12, 3, -1, -8)));
  model.AddField(MakeLineGravity(moving, scenes::kGravity));
  CollisionGroup group;
  group.mode = 1;
  group.includes = false;
  model.collisionGroups.push_back(group);
  if (inertRecord) {
    Constraint pin = MakePin(model.AddPoint(kBackground, 3, 3), model.AddPoint(kBackground, 3, 3));
    pin.activation = 0.0;
    model.AddConstraint(pin);
  }
  return model;
}

// Fast mode over most of a second; accurate mode over its first fifth, before the heap packs
// into a state its steps do not get past.
TEST(ContactRowsInPlace, RunTheHeapAsRowsMadeAnewDo) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    SCOPED_TRACE(mode == RunMode::Fast ? "fast" : "accurate");
    RunSettings settings;
    settings.SetRunMode(mode);
    settings.animationStep = 1.0 / 60;
    Simulation inPlace(Heap(false), settings);
    Simulation anew(Heap(true), settings);
    const int bodies = static_cast<int>(Heap(false).bodies.size());
    const int frames = mode == RunMode::Fast ? 45 : 12;
    for (int frame = 1; frame <= frames; ++frame) {
      inPlace.AdvanceTo(frame / 60.0);
      anew.AdvanceTo(frame / 60.0);
      for (int b = 1; b < bodies; ++b) {
        const auto& p = inPlace.GetMechanics().Body(b);
        const auto& q = anew.GetMechanics().Body(b);
        ASSERT_EQ(p.x, q.x) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.y, q.y) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.r, q.r) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.vx, q.vx) << "frame " << frame << " body " << b;
        ASSERT_EQ(p.vr, q.vr) << "frame " << frame << " body " << b;
      }
    }
    // The striker has moved into the heap: the comparison is not of two worlds at rest.
    EXPECT_GT(inPlace.GetMechanics().Body(bodies - 1).x + 1.2, 0.1);
  }
}

}  // namespace
}  // namespace yb::dynamics
