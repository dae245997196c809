// Crowds of bodies in fast mode: circles poured into a box come to lie in a pile, and the
// collisions of a fast run are found ahead of the steps that meet them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double g = 9.81;

Body Wall(double x, double y, double w, double h) {
  Body wall;
  wall.anchored = 1;
  wall.x = x;
  wall.y = y;
  wall.shape.kind = Shape::Kind::Rectangle;
  wall.shape.w = w;
  wall.shape.h = h;
  wall.staticFriction = wall.kineticFriction = 0.4;
  wall.elasticity = 0.2;
  return wall;
}

Body Ball(double x, double y, double radius, double mass) {
  Body ball;
  ball.x = x;
  ball.y = y;
  ball.mass = mass;
  ball.moment = 0.5 * mass * radius * radius;
  ball.shape.kind = Shape::Kind::Circle;
  ball.shape.w = ball.shape.h = 2 * radius;
  ball.staticFriction = ball.kineticFriction = 0.4;
  ball.elasticity = 0.2;
  return ball;
}

void AllCollide(Model& model) {
  CollisionGroup all;
  all.mode = 1;
  all.includes = false;
  model.collisionGroups.push_back(all);
}

RunSettings Fast() {
  RunSettings settings;
  settings.SetRunMode(RunMode::Fast);
  settings.animationStep = 1.0 / 60;
  return settings;
}

// Fifteen circles of 0.1 m radius in five columns, dropped into a box 2.25 m wide inside. The
// contacts of a pile press on each other: projecting one out of its overlap pushes its
// neighbours in. The run must carry on, with every circle in the box and none sunk far into
// another (circles of a pile settle into each other by a few millimetres in fast mode).
TEST(Piles, CirclesPouredIntoABoxComeToLieInAPileInFastMode) {
  constexpr double radius = 0.1, inside = 1.125;
  Model model;
  model.AddBody(Wall(0, -0.5, 2 * inside + 2, 1));
  model.AddBody(Wall(-inside - 0.5, 20, 1, 40));
  model.AddBody(Wall(inside + 0.5, 20, 1, 40));
  std::vector<int> balls;
  for (int k = 0; k < 15; ++k)
    balls.push_back(model.AddBody(
        Ball(-0.625 + 0.25 * (k % 5) + 0.01 * (k / 5 % 2), 1 + 0.25 * (k / 5), radius, 0.1)));
  model.AddField(MakeLineGravity(balls, g));
  AllCollide(model);
  const RunSettings settings = Fast();
  Simulation sim(model, settings);
  for (int frame = 1; frame <= 120; ++frame)
    ASSERT_NO_THROW(sim.AdvanceTo(frame / 60.0)) << "frame " << frame;
  const double overlap = settings.overlapError;
  double highest = 0;
  for (size_t i = 0; i < balls.size(); ++i) {
    const BodyState a = sim.GetMechanics().Body(balls[i]);
    EXPECT_GE(a.y, radius - overlap) << "ball " << i;
    EXPECT_GE(a.x, -inside + radius - overlap) << "ball " << i;
    EXPECT_LE(a.x, inside - radius + overlap) << "ball " << i;
    highest = std::max(highest, a.y);
    for (size_t j = i + 1; j < balls.size(); ++j) {
      const BodyState b = sim.GetMechanics().Body(balls[j]);
      EXPECT_GE(std::hypot(a.x - b.x, a.y - b.y), 1.75 * radius) << i << " and " << j;
    }
  }
  // Fifteen circles cover the floor of the box once and a half: the pile is two layers high.
  EXPECT_LT(highest, 5 * radius);
  // Every meeting was found ahead of its step: what is still located inside a step is only the
  // odd slide in the pile coming to rest.
  EXPECT_LE(10 * sim.Statistics().located, sim.Statistics().accepted);
}

// The pour above with bodies that never collide (fixed, without an outline) set among the
// circles in the list of bodies, so that the positions a search keeps for its colliders no
// longer lie together: the searches must find, and know they have found, what they find where
// every body collides. Each circle ends where it ends without them, to the bit.
// Columns of four touching circles, each a little off the one below, falling together onto the
// floor without elasticity: the impacts pass up and down every column until all of it stops,
// and the column then stands on the floor as one, nothing bouncing up or sinking in, every
// circle no faster than the pile's slow rolling off the one below.
TEST(Piles, TouchingColumnsLandingTogetherStopAsOneInAccurateMode) {
  constexpr double radius = 0.1, speed = 2, offset = 0.002;
  const double above = std::sqrt(4 * radius * radius - offset * offset);
  Model model;
  Body floor = Wall(0, -0.5, 20, 1);
  floor.elasticity = 0;
  model.AddBody(floor);
  std::vector<int> balls;
  for (int column = 0; column < 5; ++column)
    for (int k = 0; k < 4; ++k) {
      Body ball = Ball(-1 + 0.5 * column + offset * (k % 2), 1e-3 + radius + above * k, radius,
                       0.1);
      ball.elasticity = 0;
      ball.vy = -speed;
      balls.push_back(model.AddBody(ball));
    }
  AllCollide(model);
  RunSettings settings;
  settings.SetRunMode(RunMode::Accurate);
  settings.animationStep = 1.0 / 60;
  Simulation sim(model, settings);
  sim.AdvanceTo(1e-3 / speed + 1e-5);
  for (size_t i = 0; i < balls.size(); ++i) {
    const BodyState b = sim.GetMechanics().Body(balls[i]);
    EXPECT_NEAR(b.vy, 0.0, 1e-3) << "ball " << i;
    EXPECT_LT(std::hypot(b.vx, b.vy), 0.05) << "ball " << i;
    EXPECT_GE(b.y, radius + above * static_cast<double>(i % 4) - 1e-6) << "ball " << i;
  }
  EXPECT_EQ(sim.Statistics().located, 1);
}

TEST(Piles, BodiesThatNeverCollideAmongACrowdChangeNothing) {
  constexpr double radius = 0.1, inside = 1.125;
  auto pour = [&](bool among) {
    Model model;
    model.AddBody(Wall(0, -0.5, 2 * inside + 2, 1));
    model.AddBody(Wall(-inside - 0.5, 20, 1, 40));
    model.AddBody(Wall(inside + 0.5, 20, 1, 40));
    std::vector<int> balls;
    for (int k = 0; k < 15; ++k) {
      if (among && k % 4 == 1) {
        Body marker;
        marker.anchored = 1;
        marker.x = 0.3 * k;
        model.AddBody(marker);
      }
      balls.push_back(model.AddBody(
          Ball(-0.625 + 0.25 * (k % 5) + 0.01 * (k / 5 % 2), 1 + 0.25 * (k / 5), radius, 0.1)));
    }
    model.AddField(MakeLineGravity(balls, g));
    AllCollide(model);
    Simulation sim(model, Fast());
    for (int frame = 1; frame <= 60; ++frame)
      sim.AdvanceTo(frame / 60.0);
    std::vector<BodyState> states;
    for (const int ball : balls)
      states.push_back(sim.GetMechanics().Body(ball));
    return states;
  };
  const std::vector<BodyState> alone = pour(false), among = pour(true);
  double highest = 0;
  for (size_t i = 0; i < alone.size(); ++i) {
    highest = std::max(highest, alone[i].y);
    EXPECT_EQ(among[i].x, alone[i].x) << "ball " << i;
    EXPECT_EQ(among[i].y, alone[i].y) << "ball " << i;
    EXPECT_EQ(among[i].r, alone[i].r) << "ball " << i;
    EXPECT_EQ(among[i].vx, alone[i].vx) << "ball " << i;
    EXPECT_EQ(among[i].vy, alone[i].vy) << "ball " << i;
    EXPECT_EQ(among[i].vr, alone[i].vr) << "ball " << i;
  }
  // The circles did land and meet: the pile lies on the floor.
  EXPECT_LT(highest, 5 * radius);
}

// A crowd of circles falling together, each 5 cm from its neighbours (within the distance at
// which their points are followed, but apart): no force acts between them, so every circle
// falls freely and the lattice keeps its shape, in both modes.
TEST(Piles, CirclesFallingApartTogetherExertNoForceOnEachOther) {
  constexpr double radius = 0.1, spacing = 0.25;
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    Model model;
    std::vector<int> balls;
    for (int k = 0; k < 36; ++k)
      balls.push_back(model.AddBody(Ball(spacing * (k % 6), 10 + spacing * (k / 6), radius, 0.1)));
    model.AddField(MakeLineGravity(balls, g));
    AllCollide(model);
    RunSettings settings;
    settings.SetRunMode(mode);
    settings.animationStep = 1.0 / 60;
    Simulation sim(model, settings);
    sim.AdvanceTo(0.5);
    const BodyState first = sim.GetMechanics().Body(balls[0]);
    EXPECT_NEAR(first.vy, -g * 0.5, 1e-9 * g) << (mode == RunMode::Fast ? "fast" : "accurate");
    for (size_t i = 0; i < balls.size(); ++i) {
      const BodyState b = sim.GetMechanics().Body(balls[i]);
      EXPECT_NEAR(b.x - first.x, spacing * (i % 6), 1e-12) << "ball " << i;
      EXPECT_NEAR(b.y - first.y, spacing * (i / 6), 1e-12) << "ball " << i;
      EXPECT_EQ(b.vx, 0.0) << "ball " << i;
      EXPECT_EQ(b.vy, first.vy) << "ball " << i;
    }
    EXPECT_EQ(sim.GetMechanics().ContactPairCount(balls[7]), 0);
  }
}

// A ball dropped from 1 m onto a floor in fast mode bounces several times. Each collision is
// found ahead of the step that meets it, so no step is cut or tried again: one evaluation per
// step. The ball still rises to about e^2 of its drop (the fixed steps of the fast mode lose a
// few per cent of the height by themselves).
TEST(Piles, FastCollisionsCostNoTrialSteps) {
  constexpr double radius = 0.1, e = 0.8, drop = 1.0;
  Model model;
  Body floor = Wall(0, -0.5, 20, 1);
  floor.elasticity = e;
  model.AddBody(floor);
  Body ball = Ball(0, radius + drop, radius, 1);
  ball.elasticity = e;
  ball.staticFriction = ball.kineticFriction = 0;
  const int b = model.AddBody(ball);
  model.AddField(MakeLineGravity({b}, g));
  AllCollide(model);
  Simulation sim(model, Fast());
  // The first bounce lands at sqrt(2 h / g) = 0.4515 s; the ball rises to e^2 h by 0.4515 +
  // e sqrt(2 h / g) = 0.8127 s.
  double apex = 0, lowest = HUGE_VAL;
  for (int frame = 1; frame <= 60; ++frame) {
    sim.AdvanceTo(frame / 60.0);
    const double height = sim.GetMechanics().Body(b).y - radius;
    lowest = std::min(lowest, height);
    if (frame > 30) apex = std::max(apex, height);
  }
  EXPECT_NEAR(apex, e * e * drop, 0.1 * e * e * drop);
  EXPECT_GE(lowest, -Fast().overlapError);
  const RunStatistics& s = sim.Statistics();
  EXPECT_EQ(s.located, 0);
  EXPECT_LE(s.evaluations, s.accepted + 1);
}

// A small ball thrown at a plate 1 cm thick, at speeds that would carry it through the plate
// in one frame: it never passes, and with elasticity 1 comes back at its own speed; with none it
// stays on the plate's face.
TEST(Piles, SmallFastBallsDoNotPassThroughAThinPlateInFastMode) {
  constexpr double radius = 0.005, plate = 0.01;
  for (const double e : {0.0, 1.0})
    for (const double speed : {5.0, 20.0}) {
      Model model;
      Body wall = Wall(0.5, 0, plate, 2);
      wall.elasticity = 1;
      wall.staticFriction = wall.kineticFriction = 0;
      model.AddBody(wall);
      Body ball = Ball(0, 0.3, radius, 0.01);
      ball.vx = speed;
      ball.elasticity = e;
      ball.staticFriction = ball.kineticFriction = 0;
      const int b = model.AddBody(ball);
      AllCollide(model);
      Simulation sim(model, Fast());
      const double face = 0.5 - plate / 2 - radius;
      for (int frame = 1; frame <= 8; ++frame) {
        sim.AdvanceTo(frame / 60.0);
        ASSERT_LE(sim.GetMechanics().Body(b).x, face + Fast().overlapError)
            << "e " << e << " speed " << speed << " frame " << frame;
      }
      const BodyState s = sim.GetMechanics().Body(b);
      EXPECT_NEAR(s.vx, -e * speed, 0.01 * speed) << "e " << e << " speed " << speed;
      if (e == 0) {
        EXPECT_NEAR(s.x, face, Fast().overlapError) << "speed " << speed;
      }
    }
}

// Bodies moving against the way a crowd moves: a ball thrown up from the floor into a column
// falling onto it, and a ball thrown sideways into a row drifting the other way. The pairs kept
// for a body reach further ahead of it than behind; one turned back, or met head-on, must still
// be met, in every frame, and never passed through.
TEST(Piles, BallsThrownAgainstACrowdMeetItInFastMode) {
  constexpr double radius = 0.1;
  Model model;
  model.AddBody(Wall(0, -0.5, 20, 1));
  std::vector<int> column, row;
  for (int k = 0; k < 4; ++k)
    column.push_back(model.AddBody(Ball(0, 2 + 0.25 * k, radius, 0.1)));
  Body up = Ball(0, 0.5, radius, 0.1);
  up.vy = 9;
  const int thrown = model.AddBody(up);
  for (int k = 0; k < 4; ++k) {
    Body b = Ball(2 + 0.25 * k, 3, radius, 0.1);
    b.vx = 3;
    row.push_back(model.AddBody(b));
  }
  Body side = Ball(5, 3, radius, 0.1);
  side.vx = -12;
  const int across = model.AddBody(side);
  std::vector<int> balls = column;
  balls.insert(balls.end(), row.begin(), row.end());
  balls.push_back(thrown);
  balls.push_back(across);
  model.AddField(MakeLineGravity(balls, g));
  AllCollide(model);
  const RunSettings settings = Fast();
  Simulation sim(model, settings);
  const Mechanics& mechanics = sim.GetMechanics();
  bool pushedUp = false, slowed = false;
  for (int frame = 1; frame <= 60; ++frame) {
    ASSERT_NO_THROW(sim.AdvanceTo(frame / 60.0)) << "frame " << frame;
    // The thrown balls stay below the column and left of the row's last ball.
    EXPECT_LT(mechanics.Body(thrown).y, mechanics.Body(column[0]).y) << "frame " << frame;
    EXPECT_GT(mechanics.Body(across).x, mechanics.Body(row.back()).x) << "frame " << frame;
    pushedUp = pushedUp || mechanics.Body(column[0]).vy > 0;
    slowed = slowed || mechanics.Body(across).vx > -6;
    for (size_t i = 0; i < balls.size(); ++i)
      for (size_t j = i + 1; j < balls.size(); ++j) {
        const BodyState a = mechanics.Body(balls[i]), b = mechanics.Body(balls[j]);
        EXPECT_GE(std::hypot(a.x - b.x, a.y - b.y), 2 * radius - settings.overlapError)
            << "frame " << frame << ": " << i << " and " << j;
      }
  }
  // Both met what they were thrown at, and passed their momentum on.
  EXPECT_TRUE(pushedUp);
  EXPECT_TRUE(slowed);
}

}  // namespace
}  // namespace yb::dynamics
