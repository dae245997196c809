// Stacks at the settings a user gets: pyramids of boxes stand in both run modes, and a fast
// body far away does not make the stack's steps shorter.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

constexpr double g = 9.81;

using scenes::Floor;
using scenes::Pyramid;

RunSettings Defaults(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  return settings;
}

// Every box where it was put, to a nanometre in accurate mode and a micrometre in fast mode, in
// every frame: a pile that sinks or slides fails at the frame where it first moves, rather than
// after all the frames of a pile that never rests.
void ExpectStanding(int rows, RunMode mode, double seconds) {
  const Pyramid pyramid(rows);
  const RunSettings settings = Defaults(mode);
  Simulation sim(pyramid.model, settings);
  const double allowed = mode == RunMode::Accurate ? 1e-9 : 1e-6;
  const auto frames = std::lround(seconds / settings.animationStep);
  for (long frame = 1; frame <= frames; ++frame) {
    const double time = static_cast<double>(frame) * settings.animationStep;
    ASSERT_NO_THROW(sim.AdvanceTo(time)) << rows << " rows";
    for (int box : pyramid.boxes) {
      const BodyState s = sim.GetMechanics().Body(box);
      const Body& start = pyramid.model.bodies[box];
      ASSERT_NEAR(s.x, start.x, allowed) << rows << " rows, " << time << " s, box " << box;
      ASSERT_NEAR(s.y, start.y, allowed) << rows << " rows, " << time << " s, box " << box;
      ASSERT_NEAR(s.r, 0.0, allowed) << rows << " rows, " << time << " s, box " << box;
    }
  }
}

TEST(Stacks, PyramidOfTwelveRowsStandsTenSecondsAtTheDefaultSettings) {
  ExpectStanding(12, RunMode::Accurate, 10);
  ExpectStanding(12, RunMode::Fast, 10);
}

TEST(Stacks, PyramidOfTwentyRowsStandsTenSecondsAtTheDefaultSettings) {
  ExpectStanding(20, RunMode::Accurate, 10);
  ExpectStanding(20, RunMode::Fast, 10);
}

TEST(Stacks, PyramidOfTwentyFourRowsStandsTenSecondsInFastMode) {
  ExpectStanding(24, RunMode::Fast, 10);
}

// A pile tall enough that its normal forces carry the rounding of a large indeterminate solve:
// 1,275 boxes. Contacts a hundred times softer than they are, or a velocity projection left out,
// let it sink by a nanometre within half a second, where twenty rows still stand. The 100-row
// pile stands its ten seconds in the benchmark (bench/mechanics): in a checked build they cost
// minutes.
TEST(Stacks, PyramidOfFiftyRowsStandsTenSecondsInAccurateMode) {
  ExpectStanding(50, RunMode::Accurate, 10);
}

TEST(Stacks, PyramidOfAHundredRowsStandsTenSecondsInFastMode) {
  ExpectStanding(100, RunMode::Fast, 10);
}

// The friction rounds of a tall accurate pile come down to the rounding of its indeterminate
// normal forces, which is more than a small pile's; they end there instead of running out, and
// the next evaluation starts from the forces they found.
TEST(Stacks, TallAccuratePyramidsFrictionRoundsSettle) {
  constexpr int rows = 36;
  const Pyramid pyramid(rows);
  Simulation sim(pyramid.model, Defaults(RunMode::Accurate));
  ASSERT_NO_THROW(sim.AdvanceTo(0.1));
  EXPECT_EQ(sim.GetMechanics().UnsettledFrictionSolves(), 0);
  for (int box : pyramid.boxes) {
    const BodyState s = sim.GetMechanics().Body(box);
    const Body& start = pyramid.model.bodies[box];
    ASSERT_NEAR(s.x, start.x, 1e-9) << "box " << box;
    ASSERT_NEAR(s.y, start.y, 1e-9) << "box " << box;
  }
}

// The top box of a tall accurate pile leans on two boxes whose friction holds them apart at its
// bound, one of its two friction rows clamped and the other free at the same force. The bound
// moves by the friction rounds' rounding from one evaluation to the next; that leaves the clamped
// row where it is rather than swapping the two, at two or three pivots an evaluation, for
// eleven frames.
TEST(Stacks, TallAccuratePyramidsFrictionAtItsBoundIsNotSwappedAtEveryEvaluation) {
  const Pyramid pyramid(40);
  const RunSettings settings = Defaults(RunMode::Accurate);
  Simulation sim(pyramid.model, settings);
  ASSERT_NO_THROW(sim.AdvanceTo(settings.animationStep));
  const int64_t pivots = sim.GetMechanics().Pivots();
  const int64_t evaluations = sim.Statistics().evaluations;
  ASSERT_NO_THROW(sim.AdvanceTo(12 * settings.animationStep));
  // What pivots are left are points that come to carry a rounding's worth less than nothing,
  // far fewer than one an evaluation.
  const int64_t later = sim.Statistics().evaluations - evaluations;
  EXPECT_LT(3 * (sim.GetMechanics().Pivots() - pivots), later);
}

// A tall pile in fast mode is swept, never solved exactly once its forces are known: the
// velocities of its contacts settle to their tolerance every step, whatever the rounding, and
// the pile stands. While awake, its forces hold every box still: none sinks into the one below
// by what the forces of a stiff solve would let it.
TEST(Stacks, TallFastPyramidStandsWithoutExactSolvesAfterItsFirstFrames) {
  constexpr int rows = 40;
  const Pyramid pyramid(rows);
  Simulation sim(pyramid.model, Defaults(RunMode::Fast));
  ASSERT_NO_THROW(sim.AdvanceTo(0.1));
  for (int box : pyramid.boxes) {
    ASSERT_FALSE(sim.GetMechanics().Asleep(box));
    double ax = 0, ay = 0, ar = 0;
    sim.GetMechanics().BodyAcceleration(box, ax, ay, ar);
    ASSERT_LT(std::max({std::abs(ax), std::abs(ay), std::abs(ar)}), 1e-8) << "box " << box;
  }
  const int64_t early = sim.GetMechanics().ExactPileSolves();
  ASSERT_NO_THROW(sim.AdvanceTo(10));
  EXPECT_EQ(sim.GetMechanics().ExactPileSolves(), early);
  for (int box : pyramid.boxes) {
    const BodyState s = sim.GetMechanics().Body(box);
    const Body& start = pyramid.model.bodies[box];
    ASSERT_NEAR(s.x, start.x, 1e-6) << "box " << box;
    ASSERT_NEAR(s.y, start.y, 1e-6) << "box " << box;
  }
}

// A tall pile met for the first time starts its sweeps from forces that hold it without any
// compliance of rows repeating each other: its first frame's forces already hold every box
// still, and its velocities need no projection.
TEST(Stacks, TallFastPyramidIsHeldStillFromItsFirstFrame) {
  constexpr int rows = 40;
  const Pyramid pyramid(rows);
  const RunSettings settings = Defaults(RunMode::Fast);
  Simulation sim(pyramid.model, settings);
  ASSERT_NO_THROW(sim.AdvanceTo(settings.animationStep));
  EXPECT_EQ(sim.GetMechanics().ExactPileSolves(), 0);
  EXPECT_EQ(sim.GetMechanics().GradientProducts(), 0);
  for (int box : pyramid.boxes) {
    double ax = 0, ay = 0, ar = 0;
    sim.GetMechanics().BodyAcceleration(box, ax, ay, ar);
    ASSERT_LT(std::max({std::abs(ax), std::abs(ay), std::abs(ar)}), 1e-9 * g) << "box " << box;
    const BodyState s = sim.GetMechanics().Body(box);
    ASSERT_LT(std::max({std::abs(s.vx), std::abs(s.vy), std::abs(s.vr)}), 1e-11) << "box " << box;
  }
}

// The same pile settling onto the floor too slowly to bounce is stopped as one body by the
// projection of its velocities: the stop runs up all its rows within the frame.
TEST(Stacks, TallFastPyramidApproachingTheFloorSlowlyStopsWithinAFrame) {
  constexpr int rows = 40;
  Pyramid pyramid(rows);
  const RunSettings settings = Defaults(RunMode::Fast);
  const double approach = 0.1 * settings.overlapError / settings.animationStep;
  for (int box : pyramid.boxes)
    pyramid.model.bodies[box].vy = -approach;
  Simulation sim(pyramid.model, settings);
  ASSERT_NO_THROW(sim.AdvanceTo(settings.animationStep));
  EXPECT_EQ(sim.GetMechanics().ExactPileSolves(), 0);
  for (int box : pyramid.boxes) {
    const BodyState s = sim.GetMechanics().Body(box);
    ASSERT_NEAR(s.vy, 0.0, 1e-9) << "box " << box;
    ASSERT_NEAR(s.vx, 0.0, 1e-9) << "box " << box;
    ASSERT_NEAR(s.y, pyramid.model.bodies[box].y, approach * settings.animationStep)
        << "box " << box;
  }
}

// The forces the contacts report carry the pyramid: the floor holds up its whole weight with no
// net push sideways, and the top box rests on the two below it with its own weight. Twenty-four
// rows have enough contacts that a fast run sweeps them rather than solving them exactly; in
// accurate mode the bounded solve of twenty rows' contacts changes the sides of several rows at
// once, and its forces carry the weight but for what the pile's compliance lets it settle.
void ExpectForcesCarryTheWeight(int rows, RunMode mode, double relative) {
  const Pyramid pyramid(rows);
  Simulation sim(pyramid.model, Defaults(mode));
  ASSERT_NO_THROW(sim.AdvanceTo(0.2));
  const Mechanics& mechanics = sim.GetMechanics();
  auto total = [&](int body) {
    Eigen::Vector2d sum(0, 0);
    Mechanics::ContactReport report;
    for (int pair = 1; pair <= mechanics.ContactPairCount(body); ++pair) {
      EXPECT_TRUE(mechanics.ContactPair(body, pair, report));
      sum += report.force + report.friction;
    }
    return sum;
  };
  const double weight = g * static_cast<double>(pyramid.boxes.size());
  const Eigen::Vector2d onFloor = total(pyramid.floorBody);
  EXPECT_NEAR(onFloor.y(), -weight, relative * weight);
  EXPECT_NEAR(onFloor.x(), 0.0, relative * weight);
  const int top = pyramid.boxes.back();
  EXPECT_EQ(mechanics.ContactPairCount(top), 2);
  const Eigen::Vector2d onTop = total(top);
  EXPECT_NEAR(onTop.y(), g, relative * g);
  EXPECT_NEAR(onTop.x(), 0.0, relative * g);
}

TEST(Stacks, PyramidsContactForcesCarryItsWeight) {
  ExpectForcesCarryTheWeight(24, RunMode::Fast, 1e-6);
  ExpectForcesCarryTheWeight(20, RunMode::Accurate, 1e-7);
}

// A 1 cm ball at 200 m/s, 50 m from a small pyramid and flying away from it: the pyramid's
// steps stay as they were, in evaluations of the equations of motion.
TEST(Stacks, FastBallFarAwayLeavesTheStacksStepsAlone) {
  for (const RunMode mode : {RunMode::Accurate, RunMode::Fast}) {
    auto evaluations = [&](bool ball) {
      Pyramid pyramid(4);
      if (ball) {
        Body b;
        b.x = -50;
        b.y = 30;
        b.vx = -200;
        b.mass = 0.01;
        b.moment = 0.5 * 0.01 * 0.005 * 0.005;
        b.shape.kind = Shape::Kind::Circle;
        b.shape.w = 0.01;
        pyramid.model.AddBody(b);
      }
      Simulation sim(pyramid.model, Defaults(mode));
      sim.AdvanceTo(1.0);
      return sim.Statistics().evaluations;
    };
    const auto alone = evaluations(false), withBall = evaluations(true);
    EXPECT_LT(withBall, 2 * alone) << (mode == RunMode::Fast ? "fast" : "accurate");
  }
}

// A column of ten boxes resting in a fast run: each step's velocities already meet its contact
// rows, and each evaluation solves them against the factorisation of the one before. After its
// first frame no step factorises the column again, and it stands where it was put.
TEST(Stacks, RestingFastColumnIsNotFactorisedAgainAfterItsFirstFrame) {
  Model model;
  model.AddBody(Floor(0.6, 0.6));
  std::vector<int> boxes;
  for (int k = 0; k < 10; ++k) {
    Body box;
    box.y = 0.25 + 0.5 * k;
    box.mass = 1;
    box.moment = 0.5 * 0.5 / 6;
    box.shape.kind = Shape::Kind::Rectangle;
    box.shape.w = box.shape.h = 0.5;
    box.staticFriction = box.kineticFriction = 0.6;
    boxes.push_back(model.AddBody(box));
  }
  model.AddField(MakeLineGravity(boxes, g));
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  RunSettings settings = Defaults(RunMode::Fast);
  settings.animationStep = 1.0 / 60;
  Simulation sim(model, settings);
  sim.AdvanceTo(1.0 / 60);
  const int64_t first = sim.GetMechanics().Factorisations();
  for (int frame = 2; frame <= 15; ++frame)
    sim.AdvanceTo(frame / 60.0);
  EXPECT_EQ(sim.GetMechanics().Factorisations(), first);
  for (int k = 0; k < 10; ++k) {
    const BodyState s = sim.GetMechanics().Body(boxes[k]);
    EXPECT_NEAR(s.y, 0.25 + 0.5 * k, 1e-9) << k;
    EXPECT_NEAR(s.x, 0, 1e-9) << k;
    EXPECT_NEAR(s.vy, 0, 1e-9) << k;
  }
}

// The same ball flying at a thin wall near it still cannot pass through: the pair that can
// meet keeps its short steps.
TEST(Stacks, FastBallStillStopsAtAThinWallBesideTheStack) {
  Pyramid pyramid(3);
  Body wall;
  wall.anchored = 1;
  wall.x = 10;
  wall.y = 1;
  wall.shape.kind = Shape::Kind::Rectangle;
  wall.shape.w = 0.01;
  wall.shape.h = 2;
  wall.elasticity = 1;
  pyramid.model.AddBody(wall);
  Body ball;
  ball.x = 9;
  ball.y = 1;
  ball.vx = 200;
  ball.mass = 0.01;
  ball.moment = 0.5 * 0.01 * 0.005 * 0.005;
  ball.elasticity = 1;
  ball.shape.kind = Shape::Kind::Circle;
  ball.shape.w = 0.01;
  const int b = pyramid.model.AddBody(ball);
  for (const RunMode mode : {RunMode::Accurate, RunMode::Fast}) {
    Simulation sim(pyramid.model, Defaults(mode));
    sim.AdvanceTo(0.02);
    const BodyState s = sim.GetMechanics().Body(b);
    EXPECT_NEAR(s.vx, -200, 1e-6 * 200) << (mode == RunMode::Fast ? "fast" : "accurate");
    EXPECT_LT(s.x, 10 - 0.005 - 0.005);
  }
}

// Stacks of different weights side by side, a ball, and a box sliding past them, in accurate
// mode: bodies that do not touch each other are solved apart, and each still gets its own
// forces. Every body stays where it was put, each contact carries exactly the weight above it,
// and the sliding box slows at uk g (its friction turning from static to kinetic asks the
// resting stacks for another round, which must leave them as they were).
TEST(Stacks, SeparateStacksEachCarryTheirOwnWeight) {
  constexpr double size = 0.5, muS = 0.6, muK = 0.4, v0 = 3;
  Model model;
  const int ground = model.AddBody(Floor(muS, muK));
  auto box = [&](double x, double y, double mass, double vx = 0) {
    Body b;
    b.x = x;
    b.y = y;
    b.vx = vx;
    b.mass = mass;
    b.moment = mass * size * size / 6;
    b.shape.kind = Shape::Kind::Rectangle;
    b.shape.w = b.shape.h = size;
    b.staticFriction = muS;
    b.kineticFriction = muK;
    return model.AddBody(b);
  };
  // Columns of one, two and three boxes, heavier from left to right, so that forces that went
  // to another column's rows would show.
  std::vector<std::vector<int>> columns;
  std::vector<std::vector<double>> masses = {{1}, {2, 3}, {4, 5, 6}};
  for (size_t c = 0; c < masses.size(); ++c) {
    columns.emplace_back();
    for (size_t k = 0; k < masses[c].size(); ++k)
      columns.back().push_back(box(2.0 * c, size / 2 + size * k, masses[c][k]));
  }
  Body ball;
  ball.x = 6;
  ball.y = 0.1;
  ball.mass = 0.7;
  ball.moment = 0.5 * 0.7 * 0.1 * 0.1;
  ball.shape.kind = Shape::Kind::Circle;
  ball.shape.w = ball.shape.h = 0.2;
  ball.staticFriction = muS;
  ball.kineticFriction = muK;
  const int resting = model.AddBody(ball);
  const int slider = box(-5, size / 2, 1.5, -v0);
  std::vector<int> moving = {resting, slider};
  for (const auto& column : columns)
    moving.insert(moving.end(), column.begin(), column.end());
  model.AddField(MakeLineGravity(moving, g));
  CollisionGroup all;
  all.mode = 1;
  all.includes = false;
  model.collisionGroups.push_back(all);
  Simulation sim(model, Defaults(RunMode::Accurate));
  constexpr double t = 0.5;  // the slider still slides
  ASSERT_NO_THROW(sim.AdvanceTo(t));
  const Mechanics& mech = sim.GetMechanics();
  const double allowed = 1e-9;
  for (int b : moving) {
    if (b == slider) continue;
    EXPECT_NEAR(mech.Body(b).x, model.bodies[b].x, allowed) << "body " << b;
    EXPECT_NEAR(mech.Body(b).y, model.bodies[b].y, allowed) << "body " << b;
  }
  // The upward force on each body from what is below it: the weight of it and all above.
  auto fromBelow = [&](int body, int below) {
    Mechanics::ContactReport report;
    for (int pair = 1; pair <= mech.ContactPairCount(body); ++pair)
      if (mech.ContactPair(body, pair, report) && report.other == below)
        return report.force.y();
    ADD_FAILURE() << "body " << body << " does not touch " << below;
    return 0.0;
  };
  for (size_t c = 0; c < columns.size(); ++c) {
    double above = 0;
    for (size_t k = masses[c].size(); k-- > 0;) {
      above += masses[c][k];
      const int below = k == 0 ? ground : columns[c][k - 1];
      EXPECT_NEAR(fromBelow(columns[c][k], below), above * g, 1e-9 * above * g)
          << "column " << c << ", box " << k;
    }
  }
  EXPECT_NEAR(fromBelow(resting, ground), 0.7 * g, 1e-9 * 0.7 * g);
  EXPECT_NEAR(fromBelow(slider, ground), 1.5 * g, 1e-9 * 1.5 * g);
  EXPECT_NEAR(mech.Body(slider).vx, -v0 + muK * g * t, 1e-9 * v0);
  EXPECT_NEAR(mech.Body(slider).x, -5 - v0 * t + 0.5 * muK * g * t * t, 1e-9);
}

// A box slipping slowly on another that rests on the floor is stopped by its friction within a
// fraction of a fast step. The step stops the slip, and neither box is tipped onto a corner by
// the friction that stopped it or by what the step took back of it: both rest flat at once.
TEST(Stacks, SlowSlipOnABoxStopsWithinAFastStepWithoutTippingEither) {
  for (const double slip : {2e-3, 2e-2}) {
    Model model;
    model.AddBody(Floor(0.6, 0.6));
    std::vector<int> boxes;
    for (int k = 0; k < 2; ++k) {
      Body box;
      box.y = 0.25 + 0.5 * k;
      box.vx = k == 1 ? slip : 0.0;
      box.mass = 1;
      box.moment = 0.25 / 6;
      box.shape.kind = Shape::Kind::Rectangle;
      box.shape.w = box.shape.h = 0.5;
      box.staticFriction = box.kineticFriction = 0.6;
      boxes.push_back(model.AddBody(box));
    }
    model.AddField(MakeLineGravity(boxes, g));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    const RunSettings settings = Defaults(RunMode::Fast);
    Simulation sim(model, settings);
    for (int frame = 1; frame <= 30; ++frame) {
      ASSERT_NO_THROW(sim.AdvanceTo(frame * settings.animationStep));
      const BodyState low = sim.GetMechanics().Body(boxes[0]);
      const BodyState high = sim.GetMechanics().Body(boxes[1]);
      for (const BodyState& s : {low, high}) {
        ASSERT_LT(std::abs(s.vx - low.vx) + std::abs(s.vy) + 0.25 * std::abs(s.vr), 1e-6)
            << "slip " << slip << ", frame " << frame;
        ASSERT_LT(std::abs(s.r), 1e-6) << "slip " << slip << ", frame " << frame;
      }
      EXPECT_NEAR(high.y, 0.75, 1e-6) << "slip " << slip << ", frame " << frame;
    }
  }
}

// A small body dropped off-centre onto a column lands on the edge of the top box, and their
// nearly parallel faces rock against each other while the column takes the blow. The run goes
// on: the positions are brought back onto the contacts after every step, the column stands, and
// the small body comes to rest on it within two seconds, in a fast run as in an accurate one:
// over the last second nothing moves, and every face rests on the one below it.
void ExpectSmallBodyLandsOnColumn(int boxes, RunMode mode, double dropY, bool ball) {
  // How far a body at rest may stand from its place on the one below.
  const double rested = mode == RunMode::Fast ? 1e-6 : 1e-5;
  const char* name = mode == RunMode::Fast ? "fast" : "accurate";
  constexpr double friction = 0.6, elasticity = 0.5;
  Model model;
  Body floor = Floor(friction, friction);
  floor.shape.w = 20;
  floor.elasticity = elasticity;
  model.AddBody(floor);
  std::vector<int> moving;
  auto body = [&](double x, double y, double size, Shape::Kind kind) {
    Body b;
    b.x = x;
    b.y = y;
    b.mass = 1;
    b.moment = kind == Shape::Kind::Circle ? size * size / 8 : size * size / 6;
    b.shape.kind = kind;
    b.shape.w = b.shape.h = size;
    b.staticFriction = b.kineticFriction = friction;
    b.elasticity = elasticity;
    moving.push_back(model.AddBody(b));
  };
  for (int k = 0; k < boxes; ++k)
    body(0, 0.25 + 0.5 * k, 0.5, Shape::Kind::Rectangle);
  body(0.1, dropY, 0.2, ball ? Shape::Kind::Circle : Shape::Kind::Rectangle);
  const int top = moving.back();
  model.AddField(MakeLineGravity(moving, g));
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  const RunSettings settings = Defaults(mode);
  Simulation sim(model, settings);
  const auto frames = std::lround(3.0 / settings.animationStep);
  for (long frame = 1; frame <= frames; ++frame) {
    const double time = static_cast<double>(frame) * settings.animationStep;
    try {
      sim.AdvanceTo(time);
    } catch (const DynamicsError& e) {
      FAIL() << boxes << " boxes, " << name << ", from " << dropY << ", " << time
             << " s: " << e.message;
    }
    for (int k = 0; k < boxes; ++k) {
      const BodyState s = sim.GetMechanics().Body(moving[k]);
      ASSERT_LT(std::abs(s.x), 0.05) << boxes << " boxes, " << name << ", " << time << " s";
      ASSERT_NEAR(s.y, 0.25 + 0.5 * k, 1e-2) << boxes << " boxes, " << name << ", " << time;
      ASSERT_LT(std::abs(s.r), 0.05) << boxes << " boxes, " << name << ", " << time << " s";
    }
    if (time < 2) continue;
    for (int k = 0; k < boxes + (ball ? 0 : 1); ++k) {
      const BodyState s = sim.GetMechanics().Body(moving[k]);
      ASSERT_LT(std::hypot(s.vx, s.vy) + 0.25 * std::abs(s.vr), 1e-2)
          << boxes << " boxes, " << name << ", from " << dropY << ", body " << k << ", " << time;
    }
  }
  for (int k = 0; k < boxes; ++k) {
    const BodyState s = sim.GetMechanics().Body(moving[k]);
    EXPECT_NEAR(s.y, 0.25 + 0.5 * k, rested) << boxes << " boxes, " << name << ", box " << k;
    EXPECT_NEAR(s.r, 0, rested) << boxes << " boxes, " << name << ", box " << k;
  }
  const BodyState s = sim.GetMechanics().Body(top);
  EXPECT_NEAR(s.y, 0.5 * boxes + 0.1, rested) << boxes << " boxes, " << name << ", from " << dropY;
  EXPECT_LT(std::abs(s.x), 0.25) << boxes << " boxes, " << name << ", from " << dropY;
  EXPECT_LT(std::hypot(s.vx, s.vy), 1e-2) << boxes << " boxes, " << name << ", from " << dropY;
  if (!ball) {
    EXPECT_NEAR(s.r, 0, rested) << boxes << " boxes, " << name << ", from " << dropY;
  }
}

TEST(Stacks, SmallBoxDroppedOffCentreOntoAColumn) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate})
    for (int boxes : {2, 3})
      for (double height : {0.6, 1.0})
        ExpectSmallBodyLandsOnColumn(boxes, mode, 0.5 * boxes + height, false);
}

TEST(Stacks, SmallBallDroppedOffCentreOntoAColumn) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate})
    for (int boxes : {2, 3})
      ExpectSmallBodyLandsOnColumn(boxes, mode, 0.5 * boxes + 0.6, true);
}

}  // namespace
}  // namespace yb::dynamics
