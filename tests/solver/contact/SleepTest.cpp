// Bodies at rest are left out of the motion, and come back into it as physics asks: when
// something strikes them, when the forces on them change, and with their contacts reported
// all the while.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "solver/contact/Islands.h"
#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double g = 9.81;

Body Ball(double x, double y, double radius, double mass, double vx = 0) {
  Body b;
  b.x = x;
  b.y = y;
  b.vx = vx;
  b.mass = mass;
  b.moment = 0.5 * mass * radius * radius;
  b.shape.kind = Shape::Kind::Circle;
  b.shape.w = b.shape.h = 2 * radius;
  return b;
}

Body Box(double x, double y, double size, double mass, bool anchored = false) {
  Body b;
  b.x = x;
  b.y = y;
  b.mass = mass;
  b.moment = mass * size * size / 6;
  b.anchored = anchored ? 1 : 0;
  b.shape.kind = Shape::Kind::Rectangle;
  b.shape.w = b.shape.h = size;
  return b;
}

Body Floor() {
  Body floor = Box(0, -0.5, 1, 1, true);
  floor.shape.w = 40;
  return floor;
}

void AllCollide(Model& model) {
  CollisionGroup all;
  all.mode = 1;
  all.includes = false;
  model.collisionGroups.push_back(all);
}

RunSettings Defaults(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  return settings;
}

// A horizontal push on the members that begins at a given time.
Field PushFrom(std::vector<int> members, double start, double force) {
  Field f;
  f.members = std::move(members);
  Goal goal;
  goal.type = GoalType::Force;
  goal.component = Component::X;
  goal.value = Value::Formula([=](const Context& c) { return c.Time() >= start ? force : 0.0; });
  f.goals.push_back(goal);
  return f;
}

class Sleeping : public ::testing::TestWithParam<RunMode> {
 protected:
  double Allowed(double accurate, double fast) const {
    return GetParam() == RunMode::Accurate ? accurate : fast;
  }
};

// A ball at rest in empty space has long fallen asleep when an equal ball strikes it head on
// with elasticity 1: the struck ball leaves with the striker's speed and the striker stops, as
// if neither had ever slept.
TEST_P(Sleeping, BallAsleepInSpaceTakesTheWholeBlow) {
  constexpr double v = 2, radius = 0.1;
  Model model;
  Body struck = Ball(0, 0, radius, 1);
  Body striker = Ball(-3, 0, radius, 1, v);
  struck.elasticity = striker.elasticity = 1;
  const int a = model.AddBody(struck);
  const int b = model.AddBody(striker);
  AllCollide(model);
  Simulation sim(model, Defaults(GetParam()));
  // They meet at (3 - 2 r) / v = 1.4 s.
  ASSERT_NO_THROW(sim.AdvanceTo(1.0));
  EXPECT_TRUE(sim.GetMechanics().Asleep(a));
  EXPECT_FALSE(sim.GetMechanics().Asleep(b));
  ASSERT_NO_THROW(sim.AdvanceTo(2.0));
  EXPECT_FALSE(sim.GetMechanics().Asleep(a));
  EXPECT_NEAR(sim.GetMechanics().Body(a).vx, v, Allowed(1e-9, 1e-6) * v);
  EXPECT_NEAR(sim.GetMechanics().Body(b).vx, 0, Allowed(1e-9, 1e-6) * v);
  // Momentum moved on from 1.4 s: the struck ball is 0.6 s of flight further.
  EXPECT_NEAR(sim.GetMechanics().Body(a).x, v * 0.6, Allowed(1e-6, 1e-2));
}

// A ball asleep in space, and another passing it by with their outlines 0.04 m apart at the
// nearest, within the 0.05 m at which a search follows them but too far apart for a contact row:
// the one passing wakes the sleeper as it comes near, and leaves it where it was.
TEST_P(Sleeping, BallPassingNearASleepingOneWakesIt) {
  constexpr double v = 2, radius = 0.1, gap = 0.04;
  Model model;
  const int asleep = model.AddBody(Ball(0, 0, radius, 1));
  Body passing = Ball(-3, 2 * radius + gap, radius, 1, v);
  const int passer = model.AddBody(passing);
  AllCollide(model);
  Simulation sim(model, Defaults(GetParam()));
  // The passer is nearest at 1.5 s.
  ASSERT_NO_THROW(sim.AdvanceTo(1.0));
  ASSERT_TRUE(sim.GetMechanics().Asleep(asleep));
  ASSERT_NO_THROW(sim.AdvanceTo(1.5));
  EXPECT_FALSE(sim.GetMechanics().Asleep(asleep));
  const BodyState still = sim.GetMechanics().Body(asleep);
  EXPECT_EQ(still.x, 0);
  EXPECT_EQ(still.vx, 0);
  EXPECT_EQ(sim.GetMechanics().Body(passer).vx, v);
}

// A box at rest on a floor sleeps until a push greater than its friction begins at 1 s: from
// then on it slides with a = F / m - uk g, as a box that never slept.
TEST_P(Sleeping, BoxAsleepOnTheFloorSlidesWhenThePushBegins) {
  constexpr double m = 1, push = 8, mu = 0.5, size = 0.2;
  Model model;
  Body floor = Floor();
  floor.staticFriction = floor.kineticFriction = mu;
  model.AddBody(floor);
  Body box = Box(0, size / 2, size, m);
  box.staticFriction = box.kineticFriction = mu;
  const int b = model.AddBody(box);
  model.AddField(MakeLineGravity({b}, g));
  model.AddField(PushFrom({b}, 1.0, push));
  AllCollide(model);
  Simulation sim(model, Defaults(GetParam()));
  ASSERT_NO_THROW(sim.AdvanceTo(0.9));
  EXPECT_TRUE(sim.GetMechanics().Asleep(b));
  EXPECT_NEAR(sim.GetMechanics().Body(b).x, 0.0, 1e-12);
  ASSERT_NO_THROW(sim.AdvanceTo(2.0));
  const double a = push / m - mu * g;
  EXPECT_NEAR(sim.GetMechanics().Body(b).x, 0.5 * a, Allowed(1e-6, 2e-2) * 0.5 * a);
  EXPECT_NEAR(sim.GetMechanics().Body(b).vx, a, Allowed(1e-6, 2e-2) * a);
}

// The contact formula functions see a sleeping stack's contacts and their forces: two boxes on
// a floor, long at rest, press with one and two weights; once something lifts the top box away,
// its contact is no longer reported.
TEST_P(Sleeping, SleepingStackReportsItsContactsUntilItMoves) {
  constexpr double m = 2, size = 0.5;
  Model model;
  const int floor = model.AddBody(Floor());
  const int lower = model.AddBody(Box(0, size / 2, size, m));
  const int upper = model.AddBody(Box(0, 1.5 * size, size, m));
  // A box dropped beside them lands at 0.45 s and falls asleep after the stack.
  const int late = model.AddBody(Box(5, size / 2 + 1, size, m));
  model.AddField(MakeLineGravity({lower, upper, late}, g));
  // A lift of three weights on the top box from 2 s.
  Field lift = PushFrom({upper}, 2.0, 3 * m * g);
  lift.goals[0].component = Component::Y;
  model.AddField(lift);
  AllCollide(model);
  Simulation sim(model, Defaults(GetParam()));
  ASSERT_NO_THROW(sim.AdvanceTo(1.5));
  const Mechanics& mech = sim.GetMechanics();
  EXPECT_TRUE(mech.Asleep(lower));
  EXPECT_TRUE(mech.Asleep(upper));
  EXPECT_TRUE(mech.Asleep(late));
  EXPECT_EQ(mech.ContactPairCount(late), 1);
  ASSERT_EQ(mech.ContactPairCount(upper), 1);
  ASSERT_EQ(mech.ContactPairCount(lower), 2);
  Mechanics::ContactReport report;
  ASSERT_TRUE(mech.ContactPair(upper, 1, report));
  EXPECT_EQ(report.other, lower);
  EXPECT_NEAR(report.force.y(), m * g, 1e-6 * m * g);
  double onLower = 0;
  for (int pair = 1; pair <= 2; ++pair) {
    ASSERT_TRUE(mech.ContactPair(lower, pair, report));
    if (report.other == floor) onLower = report.force.y();
  }
  EXPECT_NEAR(onLower, 2 * m * g, 1e-6 * m * g);
  // Lifted at 2g net upwards, the top box is 0.25 m clear by 2.5 s.
  ASSERT_NO_THROW(sim.AdvanceTo(2.5));
  EXPECT_GT(mech.Body(upper).y, 1.5 * size + 0.2);
  EXPECT_EQ(mech.ContactPairCount(upper), 0);
  EXPECT_EQ(mech.ContactPairCount(lower), 1);
}

// A ball pressed on the floor is flung off it within one step: once nothing touches, the
// contact formula functions report no contact left over from an earlier evaluation.
TEST_P(Sleeping, NoContactIsReportedOnceABodyHasFlownOff) {
  constexpr double m = 1, radius = 0.1;
  Model model;
  const int floor = model.AddBody(Floor());
  const int ball = model.AddBody(Ball(0, radius, radius, m));
  model.AddField(MakeLineGravity({ball}, g));
  Field fling = PushFrom({ball}, 0.1, 1000 * m * g);
  fling.goals[0].component = Component::Y;
  model.AddField(fling);
  AllCollide(model);
  Simulation sim(model, Defaults(GetParam()));
  ASSERT_NO_THROW(sim.AdvanceTo(0.05));
  EXPECT_EQ(sim.GetMechanics().ContactPairCount(ball), 1);
  ASSERT_NO_THROW(sim.AdvanceTo(0.2));
  EXPECT_GT(sim.GetMechanics().Body(ball).y, 1.0);
  EXPECT_EQ(sim.GetMechanics().ContactPairCount(ball), 0);
  EXPECT_EQ(sim.GetMechanics().ContactPairCount(floor), 0);
}

// A world whose every body sleeps steps as one watched for a condition, whose steps are taken
// whole: the same frames bit for bit and the same contacts reported, while it sleeps, as the
// evaluations go on at each step, and after a push wakes it.
TEST_P(Sleeping, WorldAsleepStepsAsAWatchedOneDoes) {
  constexpr double m = 2, size = 0.5;
  auto run = [&](bool watched, int stepsPerFrame, std::vector<double>& out) {
    Model model;
    model.AddBody(Floor());
    const int lower = model.AddBody(Box(0, size / 2, size, m));
    const int upper = model.AddBody(Box(0, 1.5 * size, size, m));
    model.AddField(MakeLineGravity({lower, upper}, g));
    // Sideways on the top box from 2 s: it slides off the frictionless stack.
    model.AddField(PushFrom({upper}, 2.0, m * g));
    AllCollide(model);
    RunSettings settings = Defaults(GetParam());
    settings.animationStep = 1.0 / 60;
    settings.SetStepsPerFrame(stepsPerFrame);
    Simulation sim(model, settings);
    if (watched) sim.AddCondition(Value(1.0), false);
    const Mechanics& mech = sim.GetMechanics();
    std::vector<BodyFrame> frame;
    bool slept = false;
    for (int f = 0; f < 180; ++f) {
      ASSERT_TRUE(sim.NextFrame(frame));
      slept = slept || (mech.Asleep(lower) && mech.Asleep(upper));
      for (const BodyFrame& b : frame)
        out.insert(out.end(), {b.x, b.y, b.r, b.vx, b.vy, b.vr});
      for (int body = 0; body < mech.BodyCount(); ++body) {
        Mechanics::ContactReport report;
        for (int pair = 1; mech.ContactPair(body, pair, report); ++pair)
          out.insert(out.end(), {double(report.other), report.force.x(), report.force.y(),
                                 report.friction.x(), report.friction.y()});
      }
    }
    EXPECT_TRUE(slept);
    EXPECT_GT(mech.Body(upper).x, 0.5);
  };
  for (const int stepsPerFrame : {1, 3}) {
    std::vector<double> plain, watched;
    run(false, stepsPerFrame, plain);
    run(true, stepsPerFrame, watched);
    ASSERT_EQ(plain.size(), watched.size());
    for (size_t k = 0; k < plain.size(); ++k)
      ASSERT_EQ(plain[k], watched[k]) << "at value " << k << ", " << stepsPerFrame
                                      << " steps a frame";
  }
}

// The islands themselves: bodies that may sleep fall asleep once they and everything awake they
// touch have rested for the rest time, and not before.
TEST(Islands, AnIslandSleepsOnceItsBodiesHaveRestedTheRestTime) {
  contact::Islands islands;
  islands.Reset(3);
  islands.AllowSleep(1);
  islands.AllowSleep(2);
  const std::vector<char> resting{0, 1, 1};
  const double half = contact::Islands::kRestTime / 2;
  EXPECT_FALSE(islands.Rest(half, resting));
  ASSERT_TRUE(islands.Rest(half, resting));
  std::vector<int> fell;
  islands.Settle({{1, 2}}, fell);
  EXPECT_EQ(fell, (std::vector<int>{1, 2}));
  EXPECT_TRUE(islands.Asleep(1) && islands.Asleep(2));
  // Asleep, they rest no further and nothing more falls asleep.
  EXPECT_FALSE(islands.Rest(half, resting));
}

TEST(Islands, AMovingBodyKeepsWhatItTouchesAwake) {
  contact::Islands islands;
  islands.Reset(3);
  islands.AllowSleep(1);
  islands.AllowSleep(2);
  const std::vector<char> oneMoves{0, 1, 0};
  ASSERT_TRUE(islands.Rest(contact::Islands::kRestTime, oneMoves));
  std::vector<int> fell;
  islands.Settle({{1, 2}}, fell);
  EXPECT_TRUE(fell.empty());
  EXPECT_FALSE(islands.AnyAsleep());
  // Apart from the moving body, the one at rest sleeps alone.
  ASSERT_TRUE(islands.Rest(contact::Islands::kRestTime, oneMoves));
  islands.Settle({}, fell);
  EXPECT_EQ(fell, (std::vector<int>{1}));
  EXPECT_FALSE(islands.Asleep(2));
}

TEST(Islands, AMoveStartsTheRestAgain) {
  contact::Islands islands;
  islands.Reset(2);
  islands.AllowSleep(1);
  const double most = 0.8 * contact::Islands::kRestTime;
  EXPECT_FALSE(islands.Rest(most, {0, 1}));
  EXPECT_FALSE(islands.Rest(most, {0, 0}));
  EXPECT_FALSE(islands.Rest(most, {0, 1}));
  // A body that may not sleep never lets anything sleep, however long it rests.
  contact::Islands held;
  held.Reset(2);
  EXPECT_FALSE(held.Rest(10 * contact::Islands::kRestTime, {1, 1}));
}

INSTANTIATE_TEST_SUITE_P(BothModes, Sleeping, ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) {
                           return info.param == RunMode::Accurate ? "accurate" : "fast";
                         });

}  // namespace
}  // namespace yb::dynamics
