// Contacts in both run modes against the closed forms of the textbook: oblique impacts, a box
// launched up a slope that stops and stays, one let go on a steeper slope, one on a spring swinging
// on a floor with friction, a ball that comes to rest after its bounces, and the steps of a
// resting stack beside a fast body far from it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double g = 9.81;

const char* Name(RunMode mode) {
  return mode == RunMode::Accurate ? "accurate" : "fast";
}

RunSettings Defaults(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  return settings;
}

Body Disc(double x, double y, double mass, double radius, double e) {
  Body b;
  b.x = x;
  b.y = y;
  b.mass = mass;
  b.moment = 0.5 * mass * radius * radius;
  b.shape.kind = Shape::Kind::Circle;
  b.shape.w = 2 * radius;
  b.elasticity = e;
  return b;
}

Body Box(double x, double y, double angle, double w, double h, double mass) {
  Body b;
  b.x = x;
  b.y = y;
  b.r = angle;
  b.mass = mass;
  b.moment = mass * (w * w + h * h) / 12;
  b.shape.kind = Shape::Kind::Rectangle;
  b.shape.w = w;
  b.shape.h = h;
  return b;
}

void AllCollide(Model& model) {
  CollisionGroup group;
  group.mode = 1;
  group.includes = false;
  model.collisionGroups.push_back(group);
}

// Velocities to the integrator's precision in accurate mode, to a micrometre a second in fast
// mode.
double Allowed(RunMode mode) {
  return mode == RunMode::Accurate ? 1e-9 : 1e-6;
}

class ObliqueImpact : public ::testing::TestWithParam<RunMode> {};

// Disc 1 (mass 1) at 2 m/s along x, its path r above the centre of disc 2 (mass 3) at rest: the
// line of centres is 30 degrees below x when they meet. No friction, no gravity: the impulse along
// that line is (1 + e) m1 m2 / (m1 + m2) times the approach along it, in either run mode.
TEST_P(ObliqueImpact, TwoFreeDiscsLeaveWithTheClosedFormVelocities) {
  const RunMode mode = GetParam();
  const double r = 0.1, m1 = 1, m2 = 3, v = 2;
  for (const double e : {1.0, 0.5, 0.0}) {
    Model model;
    Body a = Disc(-0.5, r, m1, r, e);
    a.vx = v;
    const int d1 = model.AddBody(a);
    const int d2 = model.AddBody(Disc(0, 0, m2, r, e));
    AllCollide(model);
    Simulation sim(model, Defaults(mode));
    sim.AdvanceTo(0.5);
    const Eigen::Vector2d n(std::sqrt(3.0) / 2, -0.5);
    const double impulse = (1 + e) * m1 * m2 / (m1 + m2) * v * n.x();
    const Eigen::Vector2d v1 = Eigen::Vector2d(v, 0) - impulse / m1 * n, v2 = impulse / m2 * n;
    const BodyState s1 = sim.GetMechanics().Body(d1), s2 = sim.GetMechanics().Body(d2);
    const double allowed = Allowed(mode);
    EXPECT_NEAR(s1.vx, v1.x(), allowed) << Name(mode) << " e " << e;
    EXPECT_NEAR(s1.vy, v1.y(), allowed) << Name(mode) << " e " << e;
    EXPECT_NEAR(s2.vx, v2.x(), allowed) << Name(mode) << " e " << e;
    EXPECT_NEAR(s2.vy, v2.y(), allowed) << Name(mode) << " e " << e;
    EXPECT_NEAR(s1.vr, 0.0, allowed) << Name(mode) << " e " << e;
    // What the impact keeps of the energy: all at e = 1, less by (1 - e^2) of the approach's
    // share otherwise.
    const double before = 0.5 * m1 * v * v;
    const double lost = (1 - e * e) * 0.5 * m1 * m2 / (m1 + m2) * std::pow(v * n.x(), 2);
    EXPECT_NEAR(sim.GetMechanics().KineticEnergy(), before - lost, v * allowed)
        << Name(mode) << " e " << e;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, ObliqueImpact,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

class LaunchedBox : public ::testing::TestWithParam<RunMode> {};

// A box launched up a 20 degree slope stops where its kinetic energy is spent against gravity
// and kinetic friction, v0^2 / (2 g (sin t + uk cos t)), and static friction (tan t < us) holds
// it there. A fast run's steps follow its slide under constant forces to where it stops.
TEST_P(LaunchedBox, StopsAtTheClosedFormDistanceAndStays) {
  const RunMode mode = GetParam();
  const double t = 20 * std::numbers::pi / 180, c = std::cos(t), s = std::sin(t);
  const double us = 0.5, uk = 0.3, v0 = 2, size = 0.2;
  Model model;
  Body slope = Box(0.5 * s, -0.5 * c, t, 40, 1, 1);
  slope.anchored = 1;
  slope.staticFriction = us;
  slope.kineticFriction = uk;
  model.AddBody(slope);
  Body box = Box(-size / 2 * s, size / 2 * c, t, size, size, 1);
  box.staticFriction = us;
  box.kineticFriction = uk;
  box.vx = v0 * c;
  box.vy = v0 * s;
  const int b = model.AddBody(box);
  model.AddField(MakeLineGravity({b}, g));
  AllCollide(model);
  const RunSettings settings = Defaults(mode);
  Simulation sim(model, settings);
  auto along = [&] {
    const BodyState q = sim.GetMechanics().Body(b);
    return (q.x - box.x) * c + (q.y - box.y) * s;
  };
  const double distance = v0 * v0 / (2 * g * (s + uk * c));
  const double allowed = mode == RunMode::Accurate ? 1e-9 : 1e-3;
  // Frames that do not fall on the fixed steps, as a user's run to a time may ask for.
  sim.AdvanceTo(0.35);
  sim.AdvanceTo(1);
  const double stopped = along();
  EXPECT_NEAR(stopped, distance, allowed) << Name(mode);
  for (const double time : {1.55, 2.0, 3.0}) {
    sim.AdvanceTo(time);
    EXPECT_NEAR(along(), stopped, 1e-6) << Name(mode) << " " << time;
    EXPECT_NEAR(sim.GetMechanics().Body(b).vx, 0.0, 1e-9) << Name(mode) << " " << time;
    EXPECT_NEAR(sim.GetMechanics().Body(b).r, t, 1e-6) << Name(mode) << " " << time;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, LaunchedBox,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

class SlidingBox : public ::testing::TestWithParam<RunMode> {};

// A box let go on a 35 degree slope, steeper than its static friction holds (us 0.5), slides
// down it from its first step at g (sin t - uk cos t), flat on the face: its way is that
// acceleration's closed form at every frame.
TEST_P(SlidingBox, SlidesTheClosedFormDistanceFromRest) {
  const RunMode mode = GetParam();
  const double t = 35 * std::numbers::pi / 180, c = std::cos(t), s = std::sin(t);
  const double us = 0.5, uk = 0.3, size = 0.2;
  Model model;
  Body slope = Box(0.5 * s, -0.5 * c, t, 40, 1, 1);
  slope.anchored = 1;
  slope.staticFriction = us;
  slope.kineticFriction = uk;
  model.AddBody(slope);
  Body box = Box(-size / 2 * s, size / 2 * c, t, size, size, 1);
  box.staticFriction = us;
  box.kineticFriction = uk;
  const int b = model.AddBody(box);
  model.AddField(MakeLineGravity({b}, g));
  AllCollide(model);
  const RunSettings settings = Defaults(mode);
  Simulation sim(model, settings);
  const double a = g * (s - uk * c);
  const double relative = mode == RunMode::Accurate ? 1e-9 : 1e-3;
  // Two seconds: 6.4 m down the slope, well short of its end.
  const int frames = static_cast<int>(std::lround(2 / settings.animationStep));
  for (int frame = 1; frame <= frames; ++frame) {
    const double time = frame * settings.animationStep;
    sim.AdvanceTo(time);
    const BodyState q = sim.GetMechanics().Body(b);
    const double down = -((q.x - box.x) * c + (q.y - box.y) * s);
    EXPECT_NEAR(down, 0.5 * a * time * time, relative * down) << Name(mode) << " frame " << frame;
    ASSERT_NEAR(q.r, t, 1e-6) << Name(mode) << " frame " << frame;
    ASSERT_NEAR((q.x - box.x) * -s + (q.y - box.y) * c, 0.0, 1e-6) << Name(mode) << " " << frame;
    // While a frame's slide stays within the reach of the contact's rows (the first second),
    // a fast run follows it at one step a frame.
    if (mode == RunMode::Fast && frame == frames / 2) {
      EXPECT_LE(sim.Statistics().accepted, frame + 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, SlidingBox,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

class SpringOnFloor : public ::testing::TestWithParam<RunMode> {};

// A box on a spring (k = 100, m = 1) sliding to and fro on a floor with friction u = 0.05:
// each half swing ends 2 u g / w^2 nearer the spring's rest than the one before, at the
// half periods pi / w. A slide whose acceleration changes with where the box is must be
// stepped as any spring is, or its swings would grow.
TEST_P(SpringOnFloor, SwingsShrinkByTheFrictionsClosedForm) {
  const RunMode mode = GetParam();
  const double k = 100, u = 0.05, size = 0.2, out = 0.3;
  Model model;
  Body floor = Box(0, -0.5, 0, 40, 1, 1);
  floor.anchored = 1;
  floor.staticFriction = floor.kineticFriction = u;
  model.AddBody(floor);
  Body box = Box(out, size / 2, 0, size, size, 1);
  box.staticFriction = box.kineticFriction = u;
  const int b = model.AddBody(box);
  model.AddField(MakeLineGravity({b}, g));
  model.AddConstraint(MakeSpring(model.AddPoint(kBackground, -1, size / 2),
                                 model.AddPoint(b, 0, 0), k, 1));
  AllCollide(model);
  const RunSettings settings = Defaults(mode);
  Simulation sim(model, settings);
  const double w = std::sqrt(k), shrink = 2 * u * g / (w * w);
  // The swing that turns at the fifth half period is the largest from 1.5 s to 2 s.
  double largest = 0;
  for (double time = settings.animationStep; time <= 2; time += settings.animationStep) {
    sim.AdvanceTo(time);
    if (time >= 1.5) largest = std::max(largest, std::abs(sim.GetMechanics().Body(b).x));
  }
  const double swing = out - 5 * shrink;
  if (mode == RunMode::Accurate) {
    // Frames fall within half a frame of the turn, where the box is nearer the rest by at most
    // the swing times 1 - cos(w frame / 2).
    EXPECT_LE(largest, swing + 1e-6);
    EXPECT_GE(largest, swing * std::cos(w * settings.animationStep / 2) - 1e-6);
  } else {
    // Fixed frame-long steps of a swing 5 frames long follow it only roughly; it must not grow
    // past the half swing before, as it would if its slide were moved as under constant forces.
    EXPECT_LT(largest, out - 4 * shrink);
    EXPECT_GT(largest, 0.75 * swing);
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, SpringOnFloor,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

class BallAtRest : public ::testing::TestWithParam<RunMode> {};

// A ball dropped from 1 m onto a fixed floor bounces ever lower until, after the closed-form
// time sqrt(2h/g) (1 + 2e / (1 - e)), it lies on the floor: the frames then record it still
// (to rounding in accurate mode, to a millimetre a second in fast mode), and the last small
// bounces never sink it into the floor.
TEST_P(BallAtRest, BallDroppedOnAFloorComesToRest) {
  const RunMode mode = GetParam();
  const double r = 0.1;
  const double still = mode == RunMode::Accurate ? 1e-6 : 1e-3;
  for (const double e : {0.5, 0.9}) {
    Model model;
    Body floor = Box(0, -0.5, 0, 200, 1, 1);
    floor.anchored = 1;
    floor.elasticity = e;
    model.AddBody(floor);
    const int b = model.AddBody(Disc(0, 1 + r, 0.2, r, e));
    model.AddField(MakeLineGravity({b}, g));
    AllCollide(model);
    const RunSettings settings = Defaults(mode);
    Simulation sim(model, settings);
    const double rest = std::sqrt(2 / g) * (1 + 2 * e / (1 - e));
    const double sunk = mode == RunMode::Accurate ? 1e-9 : settings.overlapError;
    std::vector<BodyFrame> frame;
    while (sim.Time() < rest + 1) {
      const int64_t evaluations = sim.Statistics().evaluations;
      sim.NextFrame(frame);
      ASSERT_GT(frame[b].y, r - sunk) << Name(mode) << " e " << e << " t " << sim.Time();
      // The last bounces are located in a few trials each, not halved down to rounding.
      ASSERT_LT(sim.Statistics().evaluations - evaluations, 200)
          << Name(mode) << " e " << e << " t " << sim.Time();
      if (sim.Time() > rest + 0.05) {
        ASSERT_NEAR(frame[b].vy, 0.0, still) << Name(mode) << " e " << e << " t " << sim.Time();
        ASSERT_NEAR(frame[b].y, r, sunk) << Name(mode) << " e " << e << " t " << sim.Time();
      }
    }
    EXPECT_TRUE(sim.Warnings().empty()) << Name(mode) << " e " << e;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, BallAtRest,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

// A ball lying on the floor costs no evaluation while it rests; a push up that grows from t0 on
// at c newtons a second lifts it at t1 = t0 + m g / c, and it rises c (t - t1)^3 / (6 m) by
// then. Steps skipped for a ball at rest while the push grows would lift it late.
TEST(QuietStepsInAccurateMode, BallRestsForNothingAndRisesWhenAGrowingPushOutweighsIt) {
  const double r = 0.1, m = 0.2, t0 = 0.2, c = 2 * m * g / 0.3;
  Model model;
  Body floor = Box(0, -0.5, 0, 200, 1, 1);
  floor.anchored = 1;
  model.AddBody(floor);
  const int b = model.AddBody(Disc(0, r, m, r, 0));
  model.AddField(MakeLineGravity({b}, g));
  Field push;
  push.members = {b};
  push.goals.push_back(Goal{GoalType::Force, kEquality, Component::Y,
                            Value::Formula([&](const Context& context) {
                              return c * std::max(0.0, context.Time() - t0);
                            })});
  model.AddField(push);
  AllCollide(model);
  Simulation sim(model, Defaults(RunMode::Accurate));
  std::vector<BodyFrame> frame;
  sim.NextFrame(frame);
  const int64_t evaluations = sim.Statistics().evaluations;
  while (sim.Time() < t0 - 0.05)
    sim.NextFrame(frame);
  EXPECT_EQ(sim.Statistics().evaluations, evaluations);
  EXPECT_EQ(frame[b].y, r);
  const double t1 = t0 + m * g / c;
  while (sim.Time() < 1 - 1e-9) {
    sim.NextFrame(frame);
    const double t = sim.Time(), lift = t > t1 ? c * std::pow(t - t1, 3) / (6 * m) : 0.0;
    ASSERT_NEAR(frame[b].y - r, lift, 1e-8) << "t " << t;
  }
}

// A ball flying high above a floor under gravity alone meets nothing within its steps, which
// then cost no evaluation beyond their first; a sideways push growing at c newtons a second
// changes the accelerations inside every step, which are then evaluated: the ball is c t^3 /
// (6 m) along when it has fallen g t^2 / 2.
TEST(QuietStepsInAccurateMode, BallFlyingFreeCostsNothingUntilItsForcesChange) {
  const double r = 0.1, m = 0.2, c = 0.3;
  for (const bool pushed : {false, true}) {
    Model model;
    Body floor = Box(0, -0.5, 0, 200, 1, 1);
    floor.anchored = 1;
    model.AddBody(floor);
    const int b = model.AddBody(Disc(0, 10, m, r, 0));
    model.AddField(MakeLineGravity({b}, g));
    if (pushed) {
      Field push;
      push.members = {b};
      push.goals.push_back(Goal{GoalType::Force, kEquality, Component::X,
                                Value::Formula([&](const Context& context) {
                                  return c * context.Time();
                                })});
      model.AddField(push);
    }
    AllCollide(model);
    Simulation sim(model, Defaults(RunMode::Accurate));
    std::vector<BodyFrame> frame;
    while (sim.Time() < 1 - 1e-9) {
      sim.NextFrame(frame);
      const double t = sim.Time();
      ASSERT_NEAR(frame[b].y, 10 - g * t * t / 2, 1e-9) << "t " << t;
      ASSERT_NEAR(frame[b].x, pushed ? c * t * t * t / (6 * m) : 0.0, 1e-9) << "t " << t;
    }
    if (pushed)
      EXPECT_GT(sim.Statistics().evaluations, 3 * sim.Statistics().accepted);
    else  // only the first evaluation of a step that starts inside a frame
      EXPECT_LT(sim.Statistics().evaluations, sim.Statistics().accepted);
  }
}

// A ball dropped from 1 m onto a floor touches nothing until it strikes, and nothing once it
// has left the floor again: the steps that close on the floor, the trials that find the strike
// and the steps that rise from it cost their first evaluation alone. It strikes at sqrt(2 h / g)
// with speed sqrt(2 g h), and leaves with e times that.
TEST(QuietStepsInAccurateMode, BallStrikingAFloorCostsOnlyEachStepsFirstEvaluation) {
  const double r = 0.1, m = 0.2, e = 0.5, h = 1;
  Model model;
  Body floor = Box(0, -0.5, 0, 200, 1, 1);
  floor.anchored = 1;
  floor.elasticity = e;
  model.AddBody(floor);
  const int b = model.AddBody(Disc(0, h + r, m, r, e));
  model.AddField(MakeLineGravity({b}, g));
  AllCollide(model);
  Simulation sim(model, Defaults(RunMode::Accurate));
  const double strike = std::sqrt(2 * h / g), up = e * std::sqrt(2 * g * h);
  // Up to the top of the first bounce.
  const double apex = strike + up / g;
  std::vector<BodyFrame> frame;
  while (sim.Time() < apex) {
    sim.NextFrame(frame);
    const double t = sim.Time(), after = t - strike;
    const double y = after < 0 ? h + r - g * t * t / 2 : r + up * after - g * after * after / 2;
    const double vy = after < 0 ? -g * t : up - g * after;
    ASSERT_NEAR(frame[b].y, y, 1e-9) << "t " << t;
    ASSERT_NEAR(frame[b].vy, vy, 1e-9) << "t " << t;
  }
  EXPECT_EQ(sim.Statistics().located, 1);
  // Each accepted step's first evaluation and the impact's own; none inside the steps.
  EXPECT_LE(sim.Statistics().evaluations, sim.Statistics().accepted + 1);
}

// A 1 cm ball at 200 m/s, 50 m from a stack of ten boxes, flying away from it, past it or
// along it: it touches nothing, and the stack takes the steps it takes alone.
class FarBall : public ::testing::TestWithParam<RunMode> {};

TEST_P(FarBall, FastBallFarAwayLeavesTheStacksStepCountAlone) {
  const RunMode mode = GetParam();
  struct Flight {
    double radius, vx, vy;
  };
  auto steps = [&](const Flight* flight) {
    Model model;
    Body floor = Box(0, -0.5, 0, 200, 1, 1);
    floor.anchored = 1;
    floor.staticFriction = floor.kineticFriction = 0.6;
    model.AddBody(floor);
    std::vector<int> boxes;
    for (int k = 0; k < 10; ++k) {
      Body box = Box(0, 0.25 + 0.5 * k, 0, 0.5, 0.5, 1);
      box.staticFriction = box.kineticFriction = 0.6;
      boxes.push_back(model.AddBody(box));
    }
    if (flight != nullptr) {
      Body ball = Disc(-50, 30, 0.01, flight->radius, 0);
      ball.vx = flight->vx;
      ball.vy = flight->vy;
      model.AddBody(ball);
    }
    model.AddField(MakeLineGravity(boxes, g));
    AllCollide(model);
    Simulation sim(model, Defaults(mode));
    sim.AdvanceTo(0.25);
    return sim.Statistics().accepted;
  };
  const int64_t alone = steps(nullptr);
  for (const Flight& flight : {Flight{0.005, -200, 0}, Flight{0.005, 200, 0},
                               Flight{0.0005, 0, 2000}, Flight{0.05, 20, 0}}) {
    EXPECT_LT(steps(&flight), 2 * alone) << Name(mode) << " radius " << flight.radius;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, FarBall,
                         ::testing::Values(RunMode::Accurate, RunMode::Fast),
                         [](const auto& info) { return std::string(Name(info.param)); });

}  // namespace
}  // namespace yb::dynamics
