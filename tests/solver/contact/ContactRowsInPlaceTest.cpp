// Contact rows taken back in place at the same positions run a world exactly as rows made anew
// each time do. A record that is never active makes every build start from nothing, so a world
// with one is the reference for the same world without it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/contact/HeapScene.h"

namespace yb::dynamics {
namespace {

// The struck heap: the rows see new velocities at the same positions after every impact and
// every projection. Both modes while the heap packs and its balls stick and slip: most of a
// second in fast mode, half of one in accurate mode, whose packing after that costs minutes in a
// checked build (the heap's own test runs it).
TEST(ContactRowsInPlace, RunTheHeapAsRowsMadeAnewDo) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    const int frames = mode == RunMode::Fast ? 45 : 30;
    SCOPED_TRACE(mode == RunMode::Fast ? "fast" : "accurate");
    RunSettings settings;
    settings.SetRunMode(mode);
    settings.animationStep = 1.0 / 60;
    Simulation inPlace(heap::Heap(false), settings);
    Simulation anew(heap::Heap(true), settings);
    const int bodies = static_cast<int>(heap::Heap().bodies.size());
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

// A pyramid of boxes made resting on each other, each a little apart from its neighbours in
// the row (within the margin, beyond the contact gap), its top box sent sliding.
Model RestingPyramid(bool inertRecord) {
  Model model;
  Body floor;
  floor.y = -0.5;
  floor.anchored = 1;
  floor.staticFriction = floor.kineticFriction = 0.6;
  floor.shape.kind = Shape::Kind::Rectangle;
  floor.shape.w = 20;
  floor.shape.h = 1;
  model.AddBody(floor);
  std::vector<int> moving;
  for (int row = 0; row < 6; ++row)
    for (int k = 0; k < 6 - row; ++k) {
      Body box = floor;
      box.anchored = 0;
      box.x = (k - (5 - row) / 2.0) * 0.525;
      box.y = 0.25 + 0.5 * row;
      box.vx = row == 5 ? 0.4 : 0.0;
      box.moment = 0.5 / 12;
      box.shape.w = box.shape.h = 0.5;
      moving.push_back(model.AddBody(box));
    }
  model.AddField(MakeLineGravity(moving, 9.81));
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  if (inertRecord) {
    Constraint pin = MakePin(model.AddPoint(kBackground, 3, 3), model.AddPoint(kBackground, 3, 3));
    pin.activation = 0.0;
    model.AddConstraint(pin);
  }
  return model;
}

// A world just made finds its contacts by rows for the points within the contact gap alone; a
// fast run's first projection, which rows the same points, takes those rows up as they are. It
// runs as a world whose every build makes its rows anew, in both modes.
TEST(ContactRowsInPlace, RowsTheWorldWasMadeWithRunAsRowsMadeAnew) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    SCOPED_TRACE(mode == RunMode::Fast ? "fast" : "accurate");
    RunSettings settings;
    settings.SetRunMode(mode);
    settings.animationStep = 1.0 / 60;
    Simulation inPlace(RestingPyramid(false), settings), anew(RestingPyramid(true), settings);
    for (int frame = 1; frame <= 20; ++frame) {
      ASSERT_NO_THROW(inPlace.AdvanceTo(frame / 60.0));
      ASSERT_NO_THROW(anew.AdvanceTo(frame / 60.0));
      ASSERT_TRUE(inPlace.GetMechanics().State() == anew.GetMechanics().State()) << frame;
    }
    // The top box slid on its support and stopped: friction was part of the run.
    const double slid = inPlace.GetMechanics().Body(inPlace.GetMechanics().BodyCount() - 1).x;
    EXPECT_GT(slid, 0.0);
    EXPECT_LT(slid, 0.4 * 20 / 60.0);
  }
}

// A projection that moves no body, and whose impacts and velocity solve change no velocity,
// keeps the contact flags it found at its start; one that changes them finds them anew. Flags
// found anew after every frame at the state reached must then change nothing: a ball that lands
// on a stack of boxes, bounces and settles runs bit for bit as without them.
TEST(ContactRowsInPlace, FlagsKeptByAProjectionAreThoseFoundAnew) {
  auto world = [] {
    Model model;
    std::vector<int> moving;
    auto add = [&](double x, double y, double w, double h, bool anchored, bool circle) {
      Body body;
      body.x = x;
      body.y = y;
      body.mass = 1;
      body.moment = circle ? w * w / 8 : (w * w + h * h) / 12;
      body.anchored = anchored ? 1 : 0;
      body.staticFriction = body.kineticFriction = 0.6;
      body.elasticity = 0.5;
      body.shape.kind = circle ? Shape::Kind::Circle : Shape::Kind::Rectangle;
      body.shape.w = w;
      body.shape.h = h;
      const int id = model.AddBody(body);
      if (!anchored) moving.push_back(id);
    };
    add(0, -0.5, 20, 1, true, false);
    for (int k = 0; k < 3; ++k)
      add(0, 0.25 + 0.5 * k, 0.5, 0.5, false, false);
    add(0.1, 2.5, 0.2, 0.2, false, true);
    model.AddField(MakeLineGravity(moving, 9.81));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    return model;
  };
  RunSettings settings;
  settings.SetRunMode(RunMode::Fast);
  settings.animationStep = 1.0 / 60;
  Simulation kept(world(), settings), anew(world(), settings);
  const int ball = kept.GetMechanics().BodyCount() - 1;
  double lowest = HUGE_VAL;
  for (int frame = 1; frame <= 90; ++frame) {
    ASSERT_NO_THROW(kept.AdvanceTo(frame / 60.0));
    ASSERT_NO_THROW(anew.AdvanceTo(frame / 60.0));
    Mechanics& mechanics = anew.GetMechanics();
    mechanics.AcceptState(frame / 60.0, mechanics.State());
    for (int b = 1; b <= ball; ++b) {
      const BodyState p = kept.GetMechanics().Body(b), q = mechanics.Body(b);
      ASSERT_EQ(p.x, q.x) << "frame " << frame << " body " << b;
      ASSERT_EQ(p.y, q.y) << "frame " << frame << " body " << b;
      ASSERT_EQ(p.r, q.r) << "frame " << frame << " body " << b;
      ASSERT_EQ(p.vx, q.vx) << "frame " << frame << " body " << b;
      ASSERT_EQ(p.vy, q.vy) << "frame " << frame << " body " << b;
      ASSERT_EQ(p.vr, q.vr) << "frame " << frame << " body " << b;
    }
    lowest = std::min(lowest, kept.GetMechanics().Body(ball).y);
  }
  // The ball has come down onto the stack: its impacts were part of the run.
  EXPECT_LT(lowest, 1.65);
}

}  // namespace
}  // namespace yb::dynamics
