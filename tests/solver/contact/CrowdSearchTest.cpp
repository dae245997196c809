// A crowd's searches look only at the pairs that can meet in the step, and pass the others over
// in bulk: no pair that does meet may be among those passed over. Balls and spinning boxes
// thrown through each other must never sink into one another, in either run mode.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double kRadius = 0.1, kHalfW = 0.15, kHalfH = 0.1;

// The run mode's defaults at 60 frames a second.
RunSettings At60(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  settings.animationStep = 1.0 / 60;
  return settings;
}

Body Thrown(double x, double y, double vx, double vy) {
  Body b;
  b.x = x;
  b.y = y;
  b.vx = vx;
  b.vy = vy;
  b.mass = 0.1;
  b.staticFriction = b.kineticFriction = 0.3;
  b.elasticity = 0.5;
  return b;
}

// An anchored floor `width` wide with its top at y = 0.
Body Floor(double width) {
  Body floor = Thrown(0, -0.5, 0, 0);
  floor.anchored = 1;
  floor.shape.kind = Shape::Kind::Rectangle;
  floor.shape.w = width;
  floor.shape.h = 1;
  return floor;
}

// A solid ball of radius kRadius.
Body Ball(double x, double y, double vx, double vy) {
  Body ball = Thrown(x, y, vx, vy);
  ball.moment = 0.5 * ball.mass * kRadius * kRadius;
  ball.shape.kind = Shape::Kind::Circle;
  ball.shape.w = ball.shape.h = 2 * kRadius;
  return ball;
}

// How far a point lies outside a box (negative inside).
double OutsideBox(const BodyState& box, double px, double py) {
  const double dx = px - box.x, dy = py - box.y;
  const double c = std::cos(box.r), s = std::sin(box.r);
  const double qx = std::abs(c * dx + s * dy) - kHalfW, qy = std::abs(-s * dx + c * dy) - kHalfH;
  return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
}

// Two swarms of balls thrown at each other at speeds up to 6 m/s (a tenth of a metre and more a
// frame), through a line of spinning boxes, without gravity so that nothing piles up: every pair
// that meets is a collision found by a search, and a pair missed passes into the other by
// centimetres within a frame.
TEST(CrowdSearch, BallsAndSpinningBoxesThrownThroughEachOtherNeverSinkIn) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    Model model;
    std::vector<int> balls, boxes;
    for (int k = 0; k < 36; ++k) {
      const double side = k < 18 ? -1.0 : 1.0;
      const int i = k % 18;
      balls.push_back(model.AddBody(Ball(side * (1.2 + 0.23 * (i % 3)), -1.0 + 0.23 * (i / 3),
                                         -side * (3 + i % 4), 0.4 * ((i * 7) % 5 - 2))));
    }
    for (int k = 0; k < 5; ++k) {
      Body box = Thrown(0.02 * k, -0.9 + 0.45 * k, 0, 0);
      box.vr = k % 2 == 0 ? 6 : -4;
      box.r = 0.3 * k;
      box.moment = box.mass * (4 * kHalfW * kHalfW + 4 * kHalfH * kHalfH) / 12;
      box.shape.kind = Shape::Kind::Rectangle;
      box.shape.w = 2 * kHalfW;
      box.shape.h = 2 * kHalfH;
      boxes.push_back(model.AddBody(box));
    }
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    const RunSettings settings = At60(mode);
    Simulation sim(model, settings);
    const Mechanics& mechanics = sim.GetMechanics();
    const double allowed = settings.overlapError;
    const char* name = mode == RunMode::Fast ? "fast" : "accurate";
    int struckBoxes = 0;
    for (int frame = 1; frame <= 45; ++frame) {
      ASSERT_NO_THROW(sim.AdvanceTo(frame / 60.0)) << name << " frame " << frame;
      for (size_t i = 0; i < balls.size(); ++i) {
        const BodyState a = mechanics.Body(balls[i]);
        for (size_t j = i + 1; j < balls.size(); ++j) {
          const BodyState b = mechanics.Body(balls[j]);
          ASSERT_GE(std::hypot(a.x - b.x, a.y - b.y), 2 * kRadius - allowed)
              << name << " frame " << frame << ": balls " << i << " and " << j;
        }
        for (size_t j = 0; j < boxes.size(); ++j)
          ASSERT_GE(OutsideBox(mechanics.Body(boxes[j]), a.x, a.y), kRadius - allowed)
              << name << " frame " << frame << ": ball " << i << " and box " << j;
      }
    }
    // The swarms did meet the boxes and each other: the boxes were pushed off their places.
    for (size_t j = 0; j < boxes.size(); ++j) {
      const BodyState b = mechanics.Body(boxes[j]);
      struckBoxes += std::hypot(b.vx, b.vy) > 0.1 ? 1 : 0;
    }
    EXPECT_GE(struckBoxes, 3) << name;
    int turnedBack = 0;
    for (size_t i = 0; i < balls.size(); ++i) {
      const double vx = mechanics.Body(balls[i]).vx;
      turnedBack += (i < 18 ? vx < 0 : vx > 0) ? 1 : 0;
    }
    EXPECT_GE(turnedBack, 4) << name;
  }
}

// A crowd that falls fast keeps the pairs of boxes grown far ahead of it; once it has landed
// and stopped, those are dropped for the pairs its speeds now need. A ball sent at it after the
// landing must still be met, never pass into it: columns of balls thrown down onto a floor at
// 12 m/s without gravity, which stop where they strike (no elasticity), and a ball sliding along
// the floor that reaches them some 0.7 s after they have stopped.
TEST(CrowdSearch, ACrowdStoppedAfterAFastFallStillMeetsABallSentIntoIt) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    const char* name = mode == RunMode::Fast ? "fast" : "accurate";
    Model model;
    Body floor = Floor(12);
    floor.elasticity = 0;
    model.AddBody(floor);
    std::vector<int> balls;
    auto ball = [&](double x, double y, double vx, double vy) {
      Body b = Ball(x, y, vx, vy);
      b.elasticity = 0;
      balls.push_back(model.AddBody(b));
    };
    for (int k = 0; k < 48; ++k)
      ball(-0.625 + 0.25 * (k % 6), 1 + 0.25 * (k / 6), 0, -12);
    ball(-5.5, kRadius, 6, 0);
    const int striker = balls.back();
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    Simulation sim(model, At60(mode));
    const Mechanics& mechanics = sim.GetMechanics();
    double deepest = 0;
    for (int frame = 1; frame <= 90; ++frame) {
      ASSERT_NO_THROW(sim.AdvanceTo(frame / 60.0)) << name << " frame " << frame;
      for (size_t i = 0; i < balls.size(); ++i) {
        const BodyState a = mechanics.Body(balls[i]);
        deepest = std::max(deepest, kRadius - a.y);
        for (size_t j = i + 1; j < balls.size(); ++j) {
          const BodyState b = mechanics.Body(balls[j]);
          deepest = std::max(deepest, 2 * kRadius - std::hypot(a.x - b.x, a.y - b.y));
        }
      }
    }
    EXPECT_LT(deepest, mode == RunMode::Accurate ? At60(mode).overlapError : 0.01) << name;
    // Unhindered, the striker would have slid on past the crowd.
    EXPECT_LT(mechanics.Body(striker).x, -0.5) << name;
  }
}

// The pairs a step looked at answer only while the bodies stay near where the step took them.
// A ball resting on a floor, and another set down just above it from far away after a frame:
// the watched approach of outlines not in contact is the new pair's gap.
TEST(CrowdSearch, ABallSetDownNearAnotherAfterAFrameIsWatched) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    const char* name = mode == RunMode::Fast ? "fast" : "accurate";
    Model model;
    model.AddBody(Floor(20));
    std::vector<int> balls;
    for (const double x : {0.0, 5.0})
      balls.push_back(model.AddBody(Ball(x, kRadius, 0, 0)));
    model.AddField(MakeLineGravity(balls, 9.81));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    const RunSettings settings = At60(mode);
    Simulation sim(model, settings);
    ASSERT_NO_THROW(sim.AdvanceTo(1.0 / 60)) << name;
    Mechanics& mechanics = sim.GetMechanics();
    Eigen::VectorXd state = mechanics.State();
    const int dof = static_cast<int>(state.size()) / 2;
    ASSERT_EQ(dof, 6) << name;
    // The second ball's coordinates follow the first's.
    ASSERT_NEAR(state[3], 5.0, 1e-12) << name;
    constexpr double gap = 0.004;
    const BodyState below = mechanics.Body(balls[0]);
    state[3] = below.x;
    state[4] = below.y + 2 * kRadius + gap;
    std::vector<double> values;
    mechanics.EventValues(sim.Time(), state, values);
    const int collision = mechanics.CollisionEventIndex();
    ASSERT_GE(collision, 0) << name;
    ASSERT_LT(collision, static_cast<int>(values.size())) << name;
    EXPECT_NEAR(values[collision], gap, 1e-12) << name;
    // Taken back far away, the ball is near nothing again.
    state[3] = 5.0;
    mechanics.EventValues(sim.Time(), state, values);
    EXPECT_GT(values[collision], 10 * gap) << name;
  }
}

// A search at a state inside the step's swept boxes reads only the pairs of circles the step
// listed as able to come near in it. Two balls at rest, a little further apart than their boxes
// grown by the slack of that list, each taken towards the other along the diagonal by nearly
// the slack on both axes (as far as a search may still read the list, and further than the
// slack itself): they come within the margin, and the search must see their gap.
TEST(CrowdSearch, BallsTakenDiagonallyWithinTheStepsSlackAreWatched) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    const char* name = mode == RunMode::Fast ? "fast" : "accurate";
    // The search's margin is a quarter of the thinnest outline, the slack an eighth of that.
    const double margin = 0.25 * 2 * kRadius, slack = margin / 8;
    const double apart = 2 * kRadius + margin + 2.3 * slack, moved = 0.9 * slack;
    Model model;
    std::vector<int> balls;
    for (const double along : {0.0, apart / std::sqrt(2.0)})
      balls.push_back(model.AddBody(Ball(along, along, 0, 0)));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    Simulation sim(model, At60(mode));
    ASSERT_NO_THROW(sim.AdvanceTo(1.0 / 60)) << name;
    Mechanics& mechanics = sim.GetMechanics();
    Eigen::VectorXd state = mechanics.State();
    ASSERT_EQ(state.size(), 12) << name;
    for (int axis = 0; axis < 2; ++axis) {
      state[axis] += moved;
      state[3 + axis] -= moved;
    }
    std::vector<double> values;
    mechanics.EventValues(sim.Time(), state, values);
    const int collision = mechanics.CollisionEventIndex();
    ASSERT_GE(collision, 0) << name;
    ASSERT_LT(collision, static_cast<int>(values.size())) << name;
    const double gap = apart - 2 * std::sqrt(2.0) * moved - 2 * kRadius;
    ASSERT_LT(gap, margin) << name;
    EXPECT_NEAR(values[collision], gap, 1e-12) << name;
  }
}

// Forty balls dropped in four rows onto a floor, and a forty-first rolled into the heap they
// make: a fast run goes on through the jostling, every ball stays out of the others and the floor
// within the overlap allowed.
TEST(CrowdSearch, ABallRolledIntoAHeapOfDroppedBallsRunsOn) {
  Model model;
  Body floor = Floor(12);
  floor.elasticity = 0.2;
  model.AddBody(floor);
  std::vector<int> balls;
  auto addBall = [&](double x, double y, double vx) {
    Body ball = Ball(x, y, vx, 0);
    ball.vr = -vx / kRadius;  // rolling, not sliding
    ball.elasticity = 0.2;
    balls.push_back(model.AddBody(ball));
  };
  // Every other row a little to the right, so that the rows do not land straight on each other.
  for (int k = 0; k < 40; ++k)
    addBall(-1.125 + 0.25 * (k % 10) + 0.01 * (k / 10 % 2), 1 + 0.25 * (k / 10), 0);
  addBall(-4, kRadius, 3);
  model.AddField(MakeLineGravity(balls, 9.81));
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  const RunSettings settings = At60(RunMode::Fast);
  Simulation sim(model, settings);
  const Mechanics& mechanics = sim.GetMechanics();
  const double allowed = settings.overlapError;
  bool struck = false;  // whether the rolled ball has reached the heap
  for (int frame = 1; frame <= 120; ++frame) {
    ASSERT_NO_THROW(sim.AdvanceTo(frame / 60.0)) << "frame " << frame;
    for (size_t i = 0; i < balls.size(); ++i) {
      const BodyState a = mechanics.Body(balls[i]);
      ASSERT_GE(a.y, kRadius - allowed) << "frame " << frame << ": ball " << i;
      for (size_t j = i + 1; j < balls.size(); ++j) {
        const BodyState b = mechanics.Body(balls[j]);
        const double apart = std::hypot(a.x - b.x, a.y - b.y);
        ASSERT_GE(apart, 2 * kRadius - allowed)
            << "frame " << frame << ": balls " << i << " and " << j;
        struck = struck || (j + 1 == balls.size() && apart < 2 * kRadius + allowed);
      }
    }
  }
  EXPECT_TRUE(struck);
}

}  // namespace
}  // namespace yb::dynamics
