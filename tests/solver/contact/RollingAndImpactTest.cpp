// Rolling, friction in impacts and impacts beside joints, run through the solver in both run
// modes and compared with the closed forms of the textbook.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

constexpr double g = scenes::kGravity;

// The settings of a mode as a user selects it, at 60 frames a second.
RunSettings Mode(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  settings.animationStep = 1.0 / 60;
  return settings;
}

// How close a result must come: to the integrator's precision in accurate mode, to a percent of
// the quantity's scale in fast mode.
double Allowed(RunMode mode, double scale) {
  return mode == RunMode::Accurate ? 1e-9 * std::max(1.0, scale) : 0.01 * scale;
}

const char* Name(RunMode mode) {
  return mode == RunMode::Accurate ? "accurate" : "fast";
}

Body Disc(double x, double y, double mass, double radius, double us, double uk, double e) {
  Body b = scenes::Disk(x, y, mass, radius);
  b.shape.kind = Shape::Kind::Circle;
  b.shape.w = 2 * radius;
  b.staticFriction = us;
  b.kineticFriction = uk;
  b.elasticity = e;
  return b;
}

// An anchored slab whose top face passes through (x, y) at the given slope.
Body Ground(double x, double y, double slope, double us, double uk, double e) {
  Body b;
  b.anchored = 1;
  b.r = slope;
  b.x = x + 0.5 * std::sin(slope);
  b.y = y - 0.5 * std::cos(slope);
  b.shape.kind = Shape::Kind::Rectangle;
  b.shape.w = 200;
  b.shape.h = 1;
  b.staticFriction = us;
  b.kineticFriction = uk;
  b.elasticity = e;
  return b;
}

void AllCollide(Model& model) {
  CollisionGroup group;
  group.mode = 1;
  group.includes = false;
  model.collisionGroups.push_back(group);
}

// The normal force on a body from its first contact pair, and its friction force.
Mechanics::ContactReport Contact(const Mechanics& m, int body) {
  Mechanics::ContactReport report;
  EXPECT_EQ(m.ContactPairCount(body), 1);
  m.ContactPair(body, 1, report);
  return report;
}

class Rolling : public ::testing::TestWithParam<RunMode> {};

// A disc rolling at 2 m/s presses on the floor with its whole weight, at every speed of turn.
TEST_P(Rolling, DiscRollingOnAFloorPressesWithItsWholeWeight) {
  const RunMode mode = GetParam();
  const double r = 0.25, m = 2, v = 2;
  Model model;
  model.AddBody(Ground(0, 0, 0, 0.5, 0.4, 0));
  Body disc = Disc(0, r, m, r, 0.5, 0.4, 0);
  disc.vx = v;
  disc.vr = -v / r;
  const int d = model.AddBody(disc);
  model.AddField(MakeLineGravity({d}, g));
  AllCollide(model);
  Simulation sim(model, Mode(mode));
  const Mechanics& mech = sim.GetMechanics();
  for (int frame = 1; frame <= 60; ++frame) {
    sim.AdvanceTo(frame / 60.0);
    const Mechanics::ContactReport c = Contact(mech, d);
    ASSERT_NEAR(c.force.y(), m * g, Allowed(mode, m * g)) << Name(mode) << " frame " << frame;
    ASSERT_NEAR(c.friction.norm(), 0.0, Allowed(mode, m * g)) << Name(mode);
  }
  EXPECT_NEAR(mech.Body(d).x, v, Allowed(mode, v)) << Name(mode);
  EXPECT_NEAR(mech.Body(d).y, r, Allowed(mode, r)) << Name(mode);
  EXPECT_NEAR(mech.Body(d).vr, -v / r, Allowed(mode, v / r)) << Name(mode);
}

// A disc thrown along the floor without spin slides, kinetic friction slowing it and spinning it
// up, until it rolls from t = v0 / (3 uk g) on at 2 v0 / 3.
TEST_P(Rolling, SlidingDiscStartsToRollAtTheClosedFormTimeAndSpeed) {
  const RunMode mode = GetParam();
  const double r = 0.2, m = 1.5, v0 = 3, us = 0.3, uk = 0.2;
  Model model;
  model.AddBody(Ground(0, 0, 0, us, uk, 0));
  Body disc = Disc(0, r, m, r, us, uk, 0);
  disc.vx = v0;
  const int d = model.AddBody(disc);
  model.AddField(MakeLineGravity({d}, g));
  AllCollide(model);
  Simulation sim(model, Mode(mode));
  const Mechanics& mech = sim.GetMechanics();
  const double rollFrom = v0 / (3 * uk * g), rolling = 2 * v0 / 3;
  // While it slides.
  sim.AdvanceTo(0.25);
  EXPECT_NEAR(mech.Body(d).vx, v0 - uk * g * 0.25, Allowed(mode, v0)) << Name(mode);
  EXPECT_NEAR(mech.Body(d).vr, -2 * uk * g * 0.25 / r, Allowed(mode, v0 / r)) << Name(mode);
  // Rolling, and where it got to.
  for (const double t : {1.0, 1.5}) {
    sim.AdvanceTo(t);
    const double x = v0 * rollFrom - 0.5 * uk * g * rollFrom * rollFrom + rolling * (t - rollFrom);
    EXPECT_NEAR(mech.Body(d).vx, rolling, Allowed(mode, rolling)) << Name(mode) << " " << t;
    EXPECT_NEAR(mech.Body(d).vr, -rolling / r, Allowed(mode, rolling / r)) << Name(mode);
    EXPECT_NEAR(mech.Body(d).x, x, Allowed(mode, x)) << Name(mode) << " " << t;
  }
}

// On a 30 degree incline with us >= tan(30 deg) / 3 a disc rolls without slipping, with
// a = (2/3) g sin(30 deg); with less friction it slips and runs further.
TEST_P(Rolling, DiscRollsDownAnInclineWithoutSlip) {
  const RunMode mode = GetParam();
  const double slope = std::numbers::pi / 6, r = 0.3, m = 1;
  Model model;
  model.AddBody(Ground(0, 0, slope, 0.4, 0.3, 0));
  const Eigen::Vector2d normal(-std::sin(slope), std::cos(slope));
  const Eigen::Vector2d down(-std::cos(slope), -std::sin(slope));
  const int d = model.AddBody(Disc(r * normal.x(), r * normal.y(), m, r, 0.4, 0.3, 0));
  model.AddField(MakeLineGravity({d}, g));
  AllCollide(model);
  Simulation sim(model, Mode(mode));
  const Mechanics& mech = sim.GetMechanics();
  const double a = 2.0 / 3 * g * std::sin(slope);
  for (const double t : {0.5, 1.0, 2.0}) {
    sim.AdvanceTo(t);
    const BodyState s = mech.Body(d);
    const Eigen::Vector2d moved = Eigen::Vector2d(s.x, s.y) - r * normal;
    const double along = moved.dot(down), speed = Eigen::Vector2d(s.vx, s.vy).dot(down);
    // Fixed steps place a uniformly accelerated body h / t ahead: measured where that is below
    // a percent.
    if (mode == RunMode::Accurate || t >= 2) {
      EXPECT_NEAR(along, 0.5 * a * t * t, Allowed(mode, 0.5 * a * t * t)) << Name(mode) << t;
    }
    EXPECT_NEAR(moved.dot(normal), 0.0, Allowed(mode, r)) << Name(mode) << t;
    EXPECT_NEAR(speed, a * t, Allowed(mode, a * t)) << Name(mode) << t;
    // No slip: the rim at the contact stands still.
    EXPECT_NEAR(speed - s.vr * r, 0.0, Allowed(mode, a * t)) << Name(mode) << t;
  }
}

// A spinning disc balanced on top of a spinning wheel, without friction, presses on it with its
// weight alone, however fast either turns.
TEST_P(Rolling, SpinningDiscOnASpinningWheelPressesWithItsWeight) {
  const RunMode mode = GetParam();
  const double ra = 0.5, rb = 0.2, m = 1.2;
  Model model;
  Body wheel = Disc(0, 0, 3, ra, 0, 0, 0);
  wheel.vr = 7;
  const int w = model.AddBody(wheel);
  Body top = Disc(0, ra + rb, m, rb, 0, 0, 0);
  top.vr = -11;
  const int d = model.AddBody(top);
  const int axle = model.AddPoint(kBackground, 0, 0);
  const int hub = model.AddPoint(w, 0, 0);
  model.AddConstraint(MakePin(axle, hub));
  model.AddField(MakeLineGravity({d}, g));
  AllCollide(model);
  Simulation sim(model, Mode(mode));
  const Mechanics& mech = sim.GetMechanics();
  sim.AdvanceTo(0.5);
  EXPECT_NEAR(Contact(mech, d).force.y(), m * g, Allowed(mode, m * g)) << Name(mode);
  EXPECT_NEAR(mech.Body(d).y, ra + rb, Allowed(mode, rb)) << Name(mode);
  EXPECT_NEAR(mech.Body(d).x, 0.0, Allowed(mode, rb)) << Name(mode);
  EXPECT_NEAR(mech.Body(w).vr, 7.0, Allowed(mode, 7)) << Name(mode);
  EXPECT_NEAR(mech.Body(d).vr, -11.0, Allowed(mode, 11)) << Name(mode);
}

INSTANTIATE_TEST_SUITE_P(BothModes, Rolling,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

class ImpactFriction : public ::testing::TestWithParam<RunMode> {};

// A disc striking the floor obliquely: the normal speed comes back times e; friction either stops
// the slip at the rim (vx' = 2 vx / 3, w' = -2 vx / 3r) or, bounded by uk times the normal
// impulse, only slows it.
TEST_P(ImpactFriction, ObliqueBounceLeavesWithTheClosedFormVelocityAndSpin) {
  const RunMode mode = GetParam();
  const double r = 0.1, m = 0.5, e = 0.6, vx = 2, vy = -3;
  struct Case {
    double us, uk;
  };
  for (const Case c : {Case{1.0, 0.8}, Case{0.1, 0.05}}) {
    Model model;
    model.AddBody(Ground(0, 0, 0, c.us, c.uk, e));
    // Starts 5 mm above the floor, so that it strikes within the first frame.
    Body disc = Disc(0, r + 0.005, m, r, c.us, c.uk, e);
    disc.vx = vx;
    disc.vy = vy;
    const int d = model.AddBody(disc);
    AllCollide(model);
    Simulation sim(model, Mode(mode));
    sim.AdvanceTo(0.05);
    const BodyState s = sim.GetMechanics().Body(d);
    const double normal = m * (1 + e) * -vy;
    const double stick = m * vx / 3;
    const double tangential = stick <= c.us * normal ? stick : c.uk * normal;
    const double vxAfter = vx - tangential / m, wAfter = -2 * tangential / (m * r);
    EXPECT_NEAR(s.vy, -e * vy, Allowed(mode, -vy)) << Name(mode) << " us " << c.us;
    EXPECT_NEAR(s.vx, vxAfter, Allowed(mode, vx)) << Name(mode) << " us " << c.us;
    EXPECT_NEAR(s.vr, wAfter, Allowed(mode, vx / r)) << Name(mode) << " us " << c.us;
  }
}

// Two equal discs meeting head on, both spinning, with elasticity 1: they exchange their speeds
// along the line of centres, and friction at the contact stops the slip of their rims, sending
// them apart across the line and slowing their spin.
TEST_P(ImpactFriction, SpinningDiscsCollidingHeadOn) {
  const RunMode mode = GetParam();
  const double r = 0.1, m = 1, v = 1.5, wa = 20, wb = -5;
  Model model;
  Body left = Disc(-0.3, 0, m, r, 1, 1, 1);
  left.vx = v;
  left.vr = wa;
  Body right = Disc(0.3, 0, m, r, 1, 1, 1);
  right.vx = -v;
  right.vr = wb;
  const int a = model.AddBody(left);
  const int b = model.AddBody(right);
  AllCollide(model);
  Simulation sim(model, Mode(mode));
  sim.AdvanceTo(0.2);
  // The rims slip by -r (wa + wb) along +y at the contact; the tangential impulse on the right
  // disc stops it through an effective mass of m / 6, within us times the normal impulse.
  const double impulse = m * r * (wa + wb) / 6;
  ASSERT_LE(impulse, 1 * m * v * 2);
  const BodyState sa = sim.GetMechanics().Body(a), sb = sim.GetMechanics().Body(b);
  EXPECT_NEAR(sa.vx, -v, Allowed(mode, v)) << Name(mode);
  EXPECT_NEAR(sb.vx, v, Allowed(mode, v)) << Name(mode);
  EXPECT_NEAR(sb.vy, impulse / m, Allowed(mode, v)) << Name(mode);
  EXPECT_NEAR(sa.vy, -impulse / m, Allowed(mode, v)) << Name(mode);
  EXPECT_NEAR(sa.vr, wa - 2 * impulse / (m * r), Allowed(mode, wa)) << Name(mode);
  EXPECT_NEAR(sb.vr, wb - 2 * impulse / (m * r), Allowed(mode, wa)) << Name(mode);
}

// A bob on a rod from a pivot strikes an equal ball at rest at the bottom of its swing, with
// elasticity 1: the bob stops and the ball leaves with the bob's speed, however the frames fall
// about the instant of the strike.
TEST_P(ImpactFriction, PendulumBobStopsAndSendsAnEqualBallOff) {
  const RunMode mode = GetParam();
  const double length = 1, r = 0.05, m = 0.4;
  for (const double release : {0.3, 0.45, 0.6, 0.75}) {
    Model model;
    Body bob = Disc(length * std::sin(release), -length * std::cos(release), m, r, 0, 0, 1);
    const int b = model.AddBody(bob);
    const int ball = model.AddBody(Disc(2 * r, -length, m, r, 0, 0, 1));
    const int pivot = model.AddPoint(kBackground, 0, 0);
    const int centre = model.AddPoint(b, 0, 0);
    model.AddConstraint(MakeRod({pivot, centre}, length));
    model.AddField(MakeLineGravity({b}, g));
    AllCollide(model);
    // The bob swings from the far side of the pivot and strikes moving +x at the bottom.
    model.bodies[b].x = -model.bodies[b].x;
    Simulation sim(model, Mode(mode));
    const double speed = std::sqrt(2 * g * length * (1 - std::cos(release)));
    // A quarter period and some: the strike has happened for every release.
    sim.AdvanceTo(1.0);
    const BodyState sb = sim.GetMechanics().Body(b), sball = sim.GetMechanics().Body(ball);
    EXPECT_NEAR(sball.vx, speed, Allowed(mode, speed)) << Name(mode) << " " << release;
    EXPECT_NEAR(sball.vy, 0.0, Allowed(mode, speed)) << Name(mode) << " " << release;
    // The bob, stopped at the bottom, hangs there.
    EXPECT_NEAR(std::hypot(sb.vx, sb.vy), 0.0, Allowed(mode, speed)) << Name(mode) << release;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, ImpactFriction,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

// The height and vertical speed at time t of a ball dropped with its lowest point h0 above the
// floor, bouncing with elasticity e.
struct Bounce {
  double height, speed;
};
Bounce BouncingBall(double h0, double e, double t) {
  double flight = std::sqrt(2 * h0 / g);  // the fall to the first impact
  double up = 0;                          // the speed at the start of the present flight
  double start = 0, height = h0;
  while (t > start + flight) {
    start += flight;
    up = e * (up == 0 ? g * flight : up);
    height = 0;
    flight = 2 * up / g;
  }
  const double s = t - start;
  return {height + up * s - 0.5 * g * s * s, up - g * s};
}

// Two balls dropped from different heights beside each other: which pair is nearest to meeting
// changes from bounce to bounce, and each impact is still found where it happens, so that the
// heights and speeds keep to the closed form frame after frame.
TEST(LocatedImpacts, BallsDroppedFromTwoHeightsBounceAsTheClosedFormSays) {
  const double r = 0.1, m = 0.3, e = 0.6;
  const double drops[] = {0.5, 0.3};
  Model model;
  model.AddBody(Ground(0, 0, 0, 0, 0, e));
  int balls[2];
  for (int k = 0; k < 2; ++k) {
    balls[k] = model.AddBody(Disc(0.5 * k, r + drops[k], m, r, 0, 0, e));
    model.AddField(MakeLineGravity({balls[k]}, g));
  }
  AllCollide(model);
  Simulation sim(model, Mode(RunMode::Accurate));
  // Seven impacts, each fast enough to bounce rather than come to rest.
  for (int frame = 1; frame <= 54; ++frame) {
    const double t = frame / 60.0;
    sim.AdvanceTo(t);
    for (int k = 0; k < 2; ++k) {
      const Bounce expected = BouncingBall(drops[k], e, t);
      const BodyState s = sim.GetMechanics().Body(balls[k]);
      ASSERT_NEAR(s.y - r, expected.height, Allowed(RunMode::Accurate, 1)) << k << " " << t;
      ASSERT_NEAR(s.vy, expected.speed, Allowed(RunMode::Accurate, 3)) << k << " " << t;
    }
  }
  EXPECT_GE(sim.Statistics().located, 7);
}

}  // namespace
}  // namespace yb::dynamics
