// One-sided constraints, events, drives, redundancy, run settings and bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "solver/dynamics/FormulaValues.h"
#include "solver/dynamics/Simulation.h"
#include "solver/geometry/CubicSpline.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

constexpr double g = scenes::kGravity;

Value Constant(double v) {
  return Value(v);
}

TEST(OneSided, SlackRopeLetsTheBobFallThenCatchesItAtTheLocatedInstant) {
  Model model;
  const int bob = model.AddBody(scenes::Disk(0.6, 0, 1, 0.05));
  const int pivot = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(bob, 0, 0);
  model.AddConstraint(MakeRod({pivot, end}, 1.0, RodType::Rope));
  model.AddField(MakeLineGravity({bob}, g));
  Simulation sim(model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  // Free fall while slack.
  sim.AdvanceTo(0.3);
  EXPECT_NEAR(m.Body(bob).y, -g * 0.09 / 2, 1e-10);
  EXPECT_NEAR(m.Body(bob).x, 0.6, 1e-12);
  // Taut when the bob is 0.8 below the pivot; the radial speed is lost there.
  const double taut = std::sqrt(2 * 0.8 / g);
  double longest = 0;
  for (int i = 1; i <= 30; ++i) {
    sim.AdvanceTo(0.3 + i * 0.02);
    longest = std::max(longest, (m.PointPosition(end) - m.PointPosition(pivot)).norm());
  }
  EXPECT_LE(longest, 1 + 1e-9);
  EXPECT_GT(sim.Time(), taut);
  const Eigen::Vector2d r = m.PointPosition(end);
  const Eigen::Vector2d v = m.PointVelocity(end);
  EXPECT_NEAR(r.norm(), 1.0, 1e-9);  // swinging on the taut rope
  EXPECT_NEAR(r.dot(v), 0.0, 1e-8);
  // The tangential speed kept at the catch: 0.6 of the fall speed; then energy is conserved.
  const double fall = g * taut;
  const double kept = 0.5 * (0.6 * fall) * (0.6 * fall) - g * 0.8;
  EXPECT_NEAR(m.KineticEnergy() + g * m.Body(bob).y, kept, 1e-6);
}

TEST(OneSided, RotationalLimitStopsASwing) {
  scenes::Pendulum pendulum(1.0);
  Model model = pendulum.model;
  const int hub = model.AddPoint(kBackground, 0, 0);
  const int arm = model.AddPoint(pendulum.disk, 0, 1);
  model.AddConstraint(MakeRotationalLimit(hub, arm, -0.5, 2.0));
  Simulation sim(model, RunSettings{});
  double lowest = 1, highest = -1;
  for (int i = 1; i <= 75; ++i) {
    sim.AdvanceTo(i / 30.0);
    const double angle = sim.GetMechanics().Body(pendulum.disk).r;
    lowest = std::min(lowest, angle);
    if (i > 30) highest = std::max(highest, angle);
  }
  EXPECT_GE(lowest, -0.5 - 1e-9);
  // The stop takes the swing's speed: it comes back only as far as the stop's mirror image,
  // not to its release angle.
  EXPECT_NEAR(highest, 0.5, 5e-3);
}

TEST(Pulley, AtwoodMachineAcceleratesAsTheMassesSay) {
  Model model;
  const int light = model.AddBody(scenes::Disk(-0.5, -1, 1, 0.05));
  const int heavy = model.AddBody(scenes::Disk(0.5, -1, 3, 0.05));
  const int a = model.AddPoint(light, 0, 0);
  const int left = model.AddPoint(kBackground, -0.5, 0);
  const int right = model.AddPoint(kBackground, 0.5, 0);
  const int b = model.AddPoint(heavy, 0, 0);
  const int rope = model.AddConstraint(MakeRod({a, left, right, b}, 3.0));
  model.AddField(MakeLineGravity({light, heavy}, g));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.4);
  const double accel = g * (3.0 - 1.0) / 4.0;
  EXPECT_NEAR(sim.GetMechanics().Body(heavy).y, -1 - accel * 0.16 / 2, 1e-10);
  EXPECT_NEAR(sim.GetMechanics().Body(light).y, -1 + accel * 0.16 / 2, 1e-10);
  // The rope tension holds the light mass: T = m (g + a).
  EXPECT_NEAR(std::abs(sim.GetMechanics().ConstraintForce(rope, Component::X)), g + accel, 1e-8);
}

TEST(Events, ActivationConditionReleasesAtTheExactTime) {
  Model model;
  const int body = model.AddBody(scenes::Disk(0, 0, 1, 0.1));
  const int anchor = model.AddPoint(kBackground, 0, 0);
  const int centre = model.AddPoint(body, 0, 0);
  Constraint pin = MakePin(anchor, centre);
  pin.activation = Value::Formula([](const Context& c) { return 0.45 - c.Time(); });
  model.AddConstraint(pin);
  model.AddField(MakeLineGravity({body}, g));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(1.0);
  const double fall = 1.0 - 0.45;
  EXPECT_NEAR(sim.GetMechanics().Body(body).y, -g * fall * fall / 2, 1e-10);
}

TEST(Events, PauseConditionStopsTheRunWhereItChangesSign) {
  scenes::SpringMass scene(0.0);
  Simulation sim(scene.model, RunSettings{});
  const int mass = scene.mass;
  sim.AddCondition(Value::Formula([mass](const Context& c) { return c.Body(mass).x - 1.0; }), true);
  EXPECT_FALSE(sim.AdvanceTo(1.0));
  // A quarter period after release the mass passes its rest position.
  EXPECT_NEAR(sim.Time(), 2 * std::numbers::pi / 10 / 4, 1e-10);
  ASSERT_EQ(sim.Events().size(), 1u);
  EXPECT_TRUE(sim.Events()[0].pause);
}

TEST(Drives, TorqueLimitedMotorSlipsUnderTooLargeALoad) {
  Model model;
  const int wheel = model.AddBody(scenes::Disk(0, 0, 2, 0.5));  // moment 0.25
  const int hub = model.AddPoint(kBackground, 0, 0);
  const int centre = model.AddPoint(wheel, 0, 0);
  model.AddConstraint(MakePin(hub, centre));
  Constraint motor = MakeMotor(hub, centre, GoalType::Velocity, 1.0);
  AddDriveLimit(motor, GoalType::Force, 2.0);
  const int drive = model.AddConstraint(motor);
  model.AddConstraint(MakeTorque(centre, -5.0));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.05);
  // Saturated at +2 against the -5 load: the wheel slows at 3 / 0.25.
  EXPECT_NEAR(sim.GetMechanics().Body(wheel).vr, 1.0 - 12 * 0.05, 1e-9);
  EXPECT_NEAR(sim.GetMechanics().ConstraintForce(drive, Component::Rotation), 2.0, 1e-9);
}

TEST(Drives, MotorWithinItsLimitHoldsItsSpeed) {
  Model model;
  const int wheel = model.AddBody(scenes::Disk(0, 0, 2, 0.5));
  const int hub = model.AddPoint(kBackground, 0, 0);
  const int centre = model.AddPoint(wheel, 0, 0);
  model.AddConstraint(MakePin(hub, centre));
  Constraint motor = MakeMotor(hub, centre, GoalType::Velocity, 1.0);
  AddDriveLimit(motor, GoalType::Force, 10.0);
  const int drive = model.AddConstraint(motor);
  model.AddConstraint(MakeTorque(centre, -5.0));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.5);
  EXPECT_NEAR(sim.GetMechanics().Body(wheel).r, 0.5, 1e-10);
  EXPECT_NEAR(sim.GetMechanics().ConstraintForce(drive, Component::Rotation), 5.0, 1e-9);
}

TEST(Drives, PowerDriveGivesKineticEnergyAtItsRate) {
  Model model;
  const int cart = model.AddBody(scenes::Disk(1, 0, 2, 0.1));
  model.bodies[cart].vx = 1.0;
  const int anchor = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(cart, 0, 0);
  model.AddConstraint(MakeMotor(anchor, end, GoalType::Power, 3.0, false));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.5);
  EXPECT_NEAR(sim.GetMechanics().KineticEnergy(), 1.0 + 3.0 * 0.5, 1e-9);
}

TEST(Drives, AccelerationDriveAndPositionFormulaDrive) {
  Model model;
  const int slider = model.AddBody(scenes::Disk(1, 0, 1, 0.1));
  const int anchor = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(slider, 0, 0);
  model.AddConstraint(MakeSlot(anchor, end, true));
  model.AddConstraint(MakeMotor(anchor, end, GoalType::Acceleration, 2.0, false));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.5);
  EXPECT_NEAR(sim.GetMechanics().Body(slider).x, 1 + 0.25, 1e-10);

  Model driven;
  const int crank = driven.AddBody(scenes::Bar(0, 0, 0, 1, 1));
  const int hub = driven.AddPoint(kBackground, 0, 0);
  const int centre = driven.AddPoint(crank, 0, 0);
  driven.AddConstraint(MakePin(hub, centre));
  driven.AddConstraint(
      MakeMotor(hub, centre, GoalType::Position,
                Value::Formula([](const Context& c) { return std::sin(c.Time()); })));
  Simulation run(driven, RunSettings{});
  run.AdvanceTo(1.0);
  EXPECT_NEAR(run.GetMechanics().Body(crank).r, std::sin(1.0), 1e-10);
  EXPECT_NEAR(run.GetMechanics().Body(crank).vr, std::cos(1.0), 1e-7);
}

TEST(Redundancy, DuplicatePinIsReportedAndChangesNothing) {
  const double amplitude = 0.3;
  scenes::Pendulum single(amplitude);
  scenes::Pendulum doubled(amplitude);
  doubled.model.AddConstraint(doubled.model.constraints[0]);
  Simulation a(single.model, RunSettings{});
  Simulation b(doubled.model, RunSettings{});
  a.AdvanceTo(1.0);
  b.AdvanceTo(1.0);
  EXPECT_TRUE(a.GetMechanics().RedundantConstraints().empty());
  EXPECT_FALSE(b.GetMechanics().RedundantConstraints().empty());
  EXPECT_NEAR(a.GetMechanics().Body(single.disk).r, b.GetMechanics().Body(doubled.disk).r, 1e-10);
}

TEST(Redundancy, DoubledJointInALongChainIsTheOnlyOneReported) {
  // Long enough for the sparse factorisation; closed loops and plain chains have none.
  scenes::Chain single(60);
  scenes::Chain doubled(60);
  const int twin = doubled.model.AddConstraint(doubled.model.constraints[30]);
  Mechanics a(single.model), b(doubled.model);
  Eigen::VectorXd da, db;
  a.Derivative(0, a.State(), da);
  b.Derivative(0, b.State(), db);
  EXPECT_TRUE(a.RedundantConstraints().empty());
  ASSERT_EQ(b.RedundantConstraints().size(), 1u);
  const int reported = b.RedundantConstraints()[0];
  EXPECT_TRUE(reported == 30 || reported == twin) << reported;
  EXPECT_LE((da - db).cwiseAbs().maxCoeff(), 1e-9 * da.cwiseAbs().maxCoeff());
  scenes::FourBar linkage(true);
  Mechanics loop(linkage.model);
  Eigen::VectorXd dl;
  loop.Derivative(0, loop.State(), dl);
  EXPECT_TRUE(loop.RedundantConstraints().empty());
}

TEST(Redundancy, ThirdBarOfAParallelogramIsReportedOnce) {
  // Three parallel bars of 0.5 m between the ground and a 1 m coupler: one joint row depends on
  // the others without repeating any of them.
  constexpr double kBar = 0.5, kAngle = 1.0;
  const double cx = kBar * std::cos(kAngle), cy = kBar * std::sin(kAngle);
  Model model;
  const int coupler = model.AddBody(scenes::Bar(cx + 0.5, cy, 0, 1, 1));
  const std::vector<double> grounds = {0, 1, 0.5};
  const std::vector<double> ends = {-0.5, 0.5, 0};
  for (size_t k = 0; k < grounds.size(); ++k) {
    const int bar = model.AddBody(scenes::Bar(grounds[k] + cx / 2, cy / 2, kAngle, 1, kBar));
    model.AddConstraint(
        MakePin(model.AddPoint(kBackground, grounds[k], 0), model.AddPoint(bar, -kBar / 2, 0)));
    model.AddConstraint(
        MakePin(model.AddPoint(bar, kBar / 2, 0), model.AddPoint(coupler, ends[k], 0)));
  }
  model.AddField(MakeLineGravity({1, 2, 3, 4}, scenes::kGravity));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.2);
  EXPECT_EQ(sim.GetMechanics().RedundantConstraints().size(), 1u);
  EXPECT_LT(sim.GetMechanics().Body(coupler).y, cy);  // it swings down, still parallel
  EXPECT_NEAR(sim.GetMechanics().Body(coupler).r, 0.0, 1e-10);
}

TEST(ConstraintForces, HangingPendulumPinCarriesTheWeightAndFormulasSeeIt) {
  scenes::Pendulum pendulum(0.0);
  // A force law that reads the pin's force: it must see the weight being carried.
  double seen = 0;
  pendulum.model.AddConstraint(
      MakeTorque(pendulum.model.constraints[0].points[1], Value::Formula([&seen](const Context& c) {
                   seen = c.ConstraintForce(0, Component::Y);
                   return 0.0;
                 })));
  Simulation sim(pendulum.model, RunSettings{});
  sim.AdvanceTo(0.1);
  EXPECT_NEAR(std::abs(sim.GetMechanics().ConstraintForce(0, Component::Y)), g, 1e-9);
  EXPECT_NEAR(std::abs(seen), g, 1e-9);
}

TEST(Fields, PlanetaryGravityKeepsACircularOrbit) {
  Model model;
  Body sun = scenes::Disk(0, 0, 1000, 0.1);
  sun.anchored = 1;
  const int s = model.AddBody(sun);
  Body planet = scenes::Disk(1, 0, 1, 0.01);
  planet.vy = std::sqrt(1000.0);  // G = 1: v^2 = G M / r
  const int p = model.AddBody(planet);
  model.AddField(MakePlanetaryGravity({s, p}, 1.0));
  Simulation sim(model, RunSettings{});
  const double period = 2 * std::numbers::pi / std::sqrt(1000.0);
  sim.AdvanceTo(period);
  EXPECT_NEAR(sim.GetMechanics().Body(p).x, 1.0, 1e-8);
  EXPECT_NEAR(sim.GetMechanics().Body(p).y, 0.0, 1e-8);
}

TEST(Determinism, SameWorldGivesTheSameFramesBitForBit) {
  scenes::DoublePendulum d;
  Simulation a(d.model, RunSettings{});
  Simulation b(d.model, RunSettings{});
  std::vector<BodyFrame> fa, fb;
  for (int i = 0; i < 20; ++i) {
    a.NextFrame(fa);
    b.NextFrame(fb);
    ASSERT_EQ(fa.size(), fb.size());
    for (size_t k = 0; k < fa.size(); ++k) {
      EXPECT_EQ(fa[k].x, fb[k].x);
      EXPECT_EQ(fa[k].vr, fb[k].vr);
    }
  }
}

TEST(RunSettingsTest, ModesSetTheirSwitches) {
  RunSettings s;
  s.SetRunMode(RunMode::Fast);
  EXPECT_EQ(s.integrator, IntegratorKind::Euler);
  EXPECT_FALSE(s.variableStep);
  EXPECT_EQ(s.warnInaccurate, 1);
  EXPECT_EQ(s.warnInconsistent, 0);
  s.autoAnimationStep = false;
  s.SetRunMode(RunMode::Standard);  // stored as accurate
  EXPECT_EQ(s.mode, RunMode::Accurate);
  EXPECT_EQ(s.integrator, IntegratorKind::KuttaMerson);
  EXPECT_TRUE(s.variableStep);
  EXPECT_TRUE(s.autoAnimationStep);
  EXPECT_EQ(s.warnRedundant, 0);
  EXPECT_EQ(s.warnInconsistent, 1);
  s.variableStep = false;
  s.SetRunMode(RunMode::Custom);  // changes nothing else
  EXPECT_FALSE(s.variableStep);
  s.SetStepsPerFrame(0);
  EXPECT_EQ(s.stepsPerFrame, 1);
  s.SetStepsPerFrame(4);
  s.SetIntegrationStep(0.01);
  EXPECT_FALSE(s.autoAnimationStep);
  EXPECT_DOUBLE_EQ(s.animationStep, 0.04);
  EXPECT_DOUBLE_EQ(s.IntegrationStep(), 0.01);
}

TEST(RunSettingsTest, EulerTakesStepsPerFrameFixedSteps) {
  scenes::SpringMass scene(0.0);
  RunSettings s;
  s.SetRunMode(RunMode::Fast);
  s.SetStepsPerFrame(10);
  s.animationStep = 0.02;
  Simulation sim(scene.model, s);
  std::vector<BodyFrame> frame;
  for (int i = 0; i < 50; ++i)
    sim.NextFrame(frame);
  EXPECT_EQ(sim.Statistics().accepted, 500);
  EXPECT_NEAR(sim.Time(), 1.0, 1e-12);
  // Semi-implicit Euler stays bounded and close for a step well below the period.
  EXPECT_NEAR(frame[scene.mass].x - 1, scenes::SpringMass::Displacement(0, 1.0), 2e-3);
}

TEST(BadInput, RefusedWithAClearError) {
  Model massless;
  Body b;
  b.mass = 0;
  massless.AddBody(b);
  try {
    Mechanics m(massless);
    FAIL();
  } catch (const DynamicsError& e) {
    EXPECT_EQ(e.code, kErrBadModel);
  }
  Model dangling;
  dangling.AddConstraint(MakePin(0, 5));
  EXPECT_THROW(Mechanics{dangling}, DynamicsError);

  scenes::SpringMass scene(0.0);
  scene.model.AddConstraint(MakeForce(
      0, Value::Formula([](const Context& c) { return c.Time() > 0.1 ? NAN : 0.0; }), Constant(0)));
  Simulation sim(scene.model, RunSettings{});
  try {
    sim.AdvanceTo(0.5);
    FAIL();
  } catch (const DynamicsError& e) {
    EXPECT_EQ(e.code, kErrNotANumber);
  }
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

// A bead on a wire: a curved slot in the background's frame, under gravity.
struct Bead {
  Model model;
  int bead, slot;
  Bead(std::vector<double> x, std::vector<double> y, bool closed, double startX, double startY,
       double curveAngle = 0) {
    bead = model.AddBody(scenes::Disk(startX, startY, 1, 0.01));
    const int curvePoint = model.AddPoint(kBackground, 0, 0, curveAngle);
    const int onBead = model.AddPoint(bead, 0, 0);
    slot =
        model.AddConstraint(MakeCurvedSlot(curvePoint, onBead, std::move(x), std::move(y), closed));
    model.AddField(MakeLineGravity({bead}, scenes::kGravity));
  }
};

TEST(CurvedSlot, StraightWireActsAsAnInclinedSlot) {
  // A two-point curve turned by 30 degrees: the bead slides down at g sin 30.
  const double angle = -std::numbers::pi / 6;
  Bead wire({-1, 1}, {0, 0}, false, 0, 0, angle);
  Simulation sim(wire.model, RunSettings{});
  sim.AdvanceTo(0.5);
  const double along = 0.5 * (scenes::kGravity / 2) * 0.25;  // s = a t^2 / 2, downhill
  EXPECT_NEAR(sim.GetMechanics().Body(wire.bead).x, along * std::cos(angle), 1e-9);
  EXPECT_NEAR(sim.GetMechanics().Body(wire.bead).y, along * std::sin(angle), 1e-9);
}

TEST(CurvedSlot, BeadOnAClosedWireStaysOnItAndKeepsItsEnergy) {
  std::vector<double> x, y;
  for (int i = 0; i < 24; ++i) {
    x.push_back(std::cos(2 * std::numbers::pi * i / 24));
    y.push_back(std::sin(2 * std::numbers::pi * i / 24));
  }
  Bead hoop(x, y, true, 1, 0);
  CubicSpline curve;
  std::vector<double> xy;
  for (int i = 0; i < 24; ++i) {
    xy.push_back(x[i]);
    xy.push_back(y[i]);
  }
  ASSERT_TRUE(curve.Build(xy.data(), 24, true));
  Simulation sim(hoop.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  const double start = m.KineticEnergy() + scenes::kGravity * m.Body(hoop.bead).y;
  double off = 0, drift = 0, lowest = 1;
  for (int i = 1; i <= 30; ++i) {
    sim.AdvanceTo(i / 30.0);
    const BodyState b = m.Body(hoop.bead);
    off = std::max(off, curve.Nearest({b.x, b.y}, 0, nullptr).distance);
    drift = std::max(drift, std::abs(m.KineticEnergy() + scenes::kGravity * b.y - start));
    lowest = std::min(lowest, b.y);
  }
  EXPECT_LE(off, 1e-10);
  EXPECT_LE(drift, 1e-8);
  EXPECT_LT(lowest, -0.99);  // it passed the bottom of the hoop
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Drives, ForceDriveStopsAcceleratingAtItsSpeedLimit) {
  Model model;
  const int cart = model.AddBody(scenes::Disk(1, 0, 2, 0.1));
  const int anchor = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(cart, 0, 0);
  Constraint drive = MakeMotor(anchor, end, GoalType::Force, 4.0, false);
  AddDriveLimit(drive, GoalType::Velocity, 3.0);
  model.AddConstraint(drive);
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(1.0);  // 2 m/s^2: still below the limit
  EXPECT_NEAR(sim.GetMechanics().Body(cart).vx, 2.0, 1e-10);
  sim.AdvanceTo(3.0);  // reaches 3 m/s at 1.5 s, then holds it
  EXPECT_NEAR(sim.GetMechanics().Body(cart).vx, 3.0, 1e-9);
  EXPECT_NEAR(sim.GetMechanics().Body(cart).x, 1 + 0.5 * 2 * 1.5 * 1.5 + 3 * 1.5, 1e-8);
}

TEST(OneSided, SeparatorKeepsTwoBodiesApart) {
  // A body thrown at a fixed point stops at the separator's distance and stays out.
  Model model;
  Body ball = scenes::Disk(2, 0, 1, 0.1);
  ball.vx = -1;
  const int b = model.AddBody(ball);
  const int post = model.AddPoint(kBackground, 0, 0);
  const int centre = model.AddPoint(b, 0, 0);
  model.AddConstraint(MakeRod({post, centre}, 1.0, RodType::Separator));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.5);
  EXPECT_NEAR(sim.GetMechanics().Body(b).x, 1.5, 1e-10);  // free until contact
  sim.AdvanceTo(2.0);
  EXPECT_NEAR(sim.GetMechanics().Body(b).x, 1.0, 1e-9);  // stopped at the separator
  EXPECT_NEAR(sim.GetMechanics().Body(b).vx, 0.0, 1e-9);
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Warnings, TheRunSettingsSwitchesChooseWhatIsReported) {
  scenes::Pendulum doubled(0.3);
  doubled.model.AddConstraint(doubled.model.constraints[0]);
  RunSettings quiet;
  RunSettings loud;
  loud.warnRedundant = 1;
  Simulation a(doubled.model, quiet);
  Simulation b(doubled.model, loud);
  a.AdvanceTo(0.2);
  b.AdvanceTo(0.2);
  EXPECT_TRUE(a.Warnings().empty());
  ASSERT_EQ(b.Warnings().size(), 1u);
  EXPECT_EQ(b.Warnings()[0].kind, Warning::Kind::Redundant);

  // A fixed Kutta-Merson step far too long for a stiff spring misses the integrator error.
  scenes::SpringMass spring(0.0);
  RunSettings coarse;
  coarse.variableStep = false;
  coarse.animationStep = 0.1;
  coarse.warnInaccurate = 1;
  Simulation c(spring.model, coarse);
  c.AdvanceTo(0.5);
  ASSERT_FALSE(c.Warnings().empty());
  EXPECT_EQ(c.Warnings()[0].kind, Warning::Kind::Inaccurate);
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Redundancy, ContradictingPinsAreReportedInconsistent) {
  Model model;
  const int body = model.AddBody(scenes::Disk(0, 0, 1, 0.1));
  const int here = model.AddPoint(kBackground, 0, 0);
  const int there = model.AddPoint(kBackground, 0.1, 0);
  const int centre = model.AddPoint(body, 0, 0);
  model.AddConstraint(MakePin(here, centre));
  const int second = model.AddConstraint(MakePin(there, centre));
  RunSettings settings;
  settings.warnRedundant = 1;
  Simulation sim(model, settings);
  sim.AdvanceTo(0.1);
  bool inconsistent = false;
  for (const Warning& w : sim.Warnings())
    inconsistent =
        inconsistent || (w.kind == Warning::Kind::Inconsistent && w.constraint == second);
  EXPECT_TRUE(inconsistent);
}

TEST(Pin, WeldedBodiesMoveAsOne) {
  Model model;
  const int arm = model.AddBody(scenes::Bar(0.5, 0, 0, 1, 1));
  const int weight = model.AddBody(scenes::Disk(1, 0, 2, 0.1));
  const int pivot = model.AddPoint(kBackground, 0, 0);
  const int armRoot = model.AddPoint(arm, -0.5, 0);
  const int armTip = model.AddPoint(arm, 0.5, 0);
  const int weightCentre = model.AddPoint(weight, 0, 0);
  model.AddConstraint(MakePin(pivot, armRoot));
  model.AddConstraint(MakePin(armTip, weightCentre, true));
  model.AddField(MakeLineGravity({arm, weight}, scenes::kGravity));
  Simulation sim(model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  double twist = 0;
  for (int i = 1; i <= 15; ++i) {
    sim.AdvanceTo(i / 30.0);
    twist = std::max(twist, std::abs(m.Body(weight).r - m.Body(arm).r));
  }
  EXPECT_LE(twist, 1e-12);
  // Released horizontal, it starts as one rigid pendulum: arm (1 kg, 1 m) and disk (2 kg at
  // 1 m, radius 0.1) about the pivot.
  Mechanics start(model);
  Eigen::VectorXd derivative;
  start.Derivative(0, start.State(), derivative);
  const double inertia = 1.0 / 3 + 2 * (1 + 0.01 / 2);
  const double torque = scenes::kGravity * (0.5 * 1 + 1 * 2);
  EXPECT_NEAR(derivative[6 + 2], -torque / inertia, 1e-9);
  EXPECT_NEAR(derivative[6 + 5], -torque / inertia, 1e-9);
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Fields, AirDragAndChargesFromTheirFormulaTexts) {
  Model model;
  Body falling = scenes::Disk(0, 0, 1, 0.1);
  falling.vy = -0.1;
  falling.shape.kind = Shape::Kind::Circle;
  falling.shape.w = 0.2;
  const int body = model.AddBody(falling);
  model.AddField(MakeLineGravity({body}, scenes::kGravity));
  Field air;
  air.members = {body};
  air.direction = CompileFormula("angle(self.v)");
  air.goals.push_back(Goal{GoalType::Force, kEquality, Component::X,
                           CompileFormula("-sqr(self.v)*section(self,self.v)*(0.5)")});
  model.AddField(air);
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(8.0);
  // Terminal speed where 0.5 * 0.2 * v^2 = m g.
  EXPECT_NEAR(sim.GetMechanics().Body(body).vy, -std::sqrt(scenes::kGravity / 0.1), 1e-4);
  EXPECT_NEAR(sim.GetMechanics().Body(body).vx, 0.0, 1e-12);

  Model charges;
  Body fixed = scenes::Disk(0, 0, 1, 0.1);
  fixed.anchored = 1;
  fixed.charge = 2;
  Body free = scenes::Disk(0, 2, 0.5, 0.1);
  free.charge = 3;
  const int a = charges.AddBody(fixed);
  const int b = charges.AddBody(free);
  Field electric;
  electric.pairwise = true;
  electric.members = {a, b};
  electric.goals.push_back(
      Goal{GoalType::Force, kEquality, Component::X,
           CompileFormula("self.charge * (1)/sqr(self.p-other.p) * other.charge")});
  charges.AddField(electric);
  Mechanics mechanics(charges);
  Eigen::VectorXd derivative;
  mechanics.Derivative(0, mechanics.State(), derivative);
  // Like charges repel: 2 * 3 / 2^2 = 1.5 N upward on 0.5 kg.
  EXPECT_NEAR(derivative[4], 3.0, 1e-12);
  EXPECT_NEAR(derivative[3], 0.0, 1e-12);
}

// A field along a fixed direction 30 degrees above the x axis, with a force along it, one across
// it read from each body's mass, and a torque, on two free bodies and an anchored one between
// them: each free body is pushed by its own values, turned by the direction, and turned about
// its centre; the anchored one takes nothing and leaves the others' loads as they are.
TEST(Fields, FixedDirectionLoadsEachMemberAlongAndAcrossIt) {
  Model model;
  Body anchored = scenes::Disk(1, 0, 1, 0.1);
  anchored.anchored = 1;
  const int first = model.AddBody(scenes::Disk(0, 0, 2, 0.1));
  const int held = model.AddBody(anchored);
  const int second = model.AddBody(scenes::Disk(2, 0, 0.5, 0.2));
  const double angle = M_PI / 6;
  Field field;
  field.members = {first, held, second};
  field.direction = angle;
  field.goals.push_back(Goal{GoalType::Force, kEquality, Component::X, 3.0});
  field.goals.push_back(Goal{GoalType::Force, kEquality, Component::Y,
                             Value::Formula([](const Context& c) { return c.Body(c.Self()).mass; })});
  field.goals.push_back(Goal{GoalType::Force, kEquality, Component::Rotation, 0.4});
  model.AddField(field);
  Mechanics mechanics(model);
  Eigen::VectorXd derivative;
  mechanics.Derivative(0, mechanics.State(), derivative);
  const int dof = static_cast<int>(derivative.size()) / 2;
  ASSERT_EQ(dof, 6);
  const double c = std::cos(angle), s = std::sin(angle);
  const struct {
    int at;
    double mass, moment;
  } free[] = {{0, 2, 2 * 0.01 / 2}, {3, 0.5, 0.5 * 0.04 / 2}};
  for (const auto& body : free) {
    // 3 N along (c, s) and m N across it, along (-s, c).
    EXPECT_NEAR(derivative[dof + body.at], (3 * c - body.mass * s) / body.mass, 1e-12);
    EXPECT_NEAR(derivative[dof + body.at + 1], (3 * s + body.mass * c) / body.mass, 1e-12);
    EXPECT_NEAR(derivative[dof + body.at + 2], 0.4 / body.moment, 1e-12);
  }
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(RunSettingsTest, FastModeNeverGainsEnergyOnAWideSwing) {
  scenes::Pendulum pendulum(std::numbers::pi / 3);
  RunSettings fast;
  fast.SetRunMode(RunMode::Fast);
  fast.animationStep = 1.0 / 60;
  Simulation sim(pendulum.model, fast);
  const Mechanics& m = sim.GetMechanics();
  auto energy = [&] { return m.KineticEnergy() + scenes::kGravity * m.Body(pendulum.disk).y; };
  const double start = energy();
  double highest = start, separation = 0;
  std::vector<BodyFrame> frame;
  for (int i = 0; i < 300; ++i) {
    sim.NextFrame(frame);
    highest = std::max(highest, energy());
    const std::vector<int>& pin = pendulum.model.constraints[0].points;
    separation = std::max(separation, (m.PointPosition(pin[1]) - m.PointPosition(pin[0])).norm());
  }
  EXPECT_LE(highest - start, 1e-9);
  EXPECT_LE(separation, 1e-8);
  // Still swinging: a first-order step loses some energy, not all of it.
  EXPECT_GT(energy() - (-scenes::kGravity * 1.0), 0.5 * (start + scenes::kGravity));
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(RunSettingsTest, FastModeChainComesBackOntoItsJoints) {
  // Long first-order steps leave a whipping chain far off its joints; the projection must still
  // bring every joint back.
  scenes::Chain chain(100);
  RunSettings fast;
  fast.SetRunMode(RunMode::Fast);
  fast.animationStep = 1.0 / 60;
  Simulation sim(chain.model, fast);
  double separation = 0;
  for (int i = 1; i <= 120; ++i) {
    sim.AdvanceTo(i / 60.0);
    for (auto [a, b] : chain.joints)
      separation = std::max(
          separation,
          (sim.GetMechanics().PointPosition(a) - sim.GetMechanics().PointPosition(b)).norm());
  }
  EXPECT_LE(separation, 1e-7);
  EXPECT_TRUE(sim.GetMechanics().Warnings().empty());
}

TEST(RunSettingsTest, FarFromTheOriginTheAssemblyErrorGivesWayToRounding) {
  // A pendulum 100 km out: its pin cannot close below the rounding of its coordinates, which is
  // neither an inconsistency nor a failed projection.
  constexpr double kFar = 1e5;
  Model model;
  const int disk = model.AddBody(scenes::Disk(kFar + 0.6, kFar - 0.8, 1.0, 0.05));
  const int pivot = model.AddPoint(kBackground, kFar, kFar);
  const int top = model.AddPoint(disk, 0, 1);
  model.AddConstraint(MakePin(pivot, top));
  model.AddField(MakeLineGravity({disk}, scenes::kGravity));
  Simulation sim(model, RunSettings{});
  ASSERT_NO_THROW(sim.AdvanceTo(0.5));
  EXPECT_TRUE(sim.Warnings().empty());
  const Mechanics& m = sim.GetMechanics();
  EXPECT_LE((m.PointPosition(pivot) - m.PointPosition(top)).norm(), 1e-9);
  EXPECT_LT(m.Body(disk).y, kFar - 0.9);  // it swung down
}

TEST(RunSettingsTest, FastModeChainUnderALooseAssemblyErrorNeverComesApartSilently) {
  // Long steps and a loose assembly error leave the projection too far off for its Newton steps;
  // the fast mode reports no inconsistent constraints, so the run must either keep every joint
  // within the error or stop and say why.
  constexpr double kAssembly = 1e-3;
  scenes::Chain chain(8);
  RunSettings fast;
  fast.SetRunMode(RunMode::Fast);
  fast.animationStep = 0.1;
  fast.autoAssemblyError = false;
  fast.assemblyError = kAssembly;
  Simulation sim(chain.model, fast);
  const Mechanics& m = sim.GetMechanics();
  for (int frame = 1; frame <= 20; ++frame) {
    try {
      sim.AdvanceTo(frame * 0.1);
    } catch (const DynamicsError& e) {
      EXPECT_EQ(e.code, kErrSingular);
      EXPECT_NE(e.message.find("assembly error"), std::string::npos) << e.message;
      char when[40];
      std::snprintf(when, sizeof when, "t = %.6g s", sim.Time());
      EXPECT_NE(e.message.find(when), std::string::npos) << e.message;
      return;
    }
    for (auto [a, b] : chain.joints) {
      const Eigen::Vector2d apart = m.PointPosition(a) - m.PointPosition(b);
      ASSERT_LE(apart.cwiseAbs().maxCoeff(), kAssembly) << "frame " << frame;
    }
  }
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Gears, PinionInsideARingTurnsTheSameWayFaster) {
  // Ring of radius 0.3 about the origin, pinion of radius 0.1 inside it at 0.2 m.
  Model model;
  const int ring = model.AddBody(scenes::Disk(0, 0, 2, 0.3));
  const int pinion = model.AddBody(scenes::Disk(0.2, 0, 0.5, 0.1));
  const int ringCentre = model.AddPoint(ring, 0, 0), ringAxle = model.AddPoint(kBackground, 0, 0);
  const int pinionCentre = model.AddPoint(pinion, 0, 0);
  const int pinionAxle = model.AddPoint(kBackground, 0.2, 0);
  model.AddConstraint(MakePin(ringAxle, ringCentre));
  model.AddConstraint(MakePin(pinionAxle, pinionCentre));
  model.AddConstraint(MakeGear(ringCentre, pinionCentre, 0.3 / 0.1, true));
  model.AddConstraint(MakeMotor(ringAxle, ringCentre, GoalType::Velocity, 1.0));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.5);
  EXPECT_NEAR(sim.GetMechanics().Body(pinion).vr, 3.0, 1e-12);
  EXPECT_NEAR(sim.GetMechanics().Body(pinion).r, 1.5, 1e-10);
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Drives, PowerDriveStartsAtItsForceLimit) {
  // From rest the drive pushes with its 6 N limit until 3 W / v falls below it at 0.5 m/s.
  Model model;
  const int cart = model.AddBody(scenes::Disk(1, 0, 2, 0.1));
  const int anchor = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(cart, 0, 0);
  Constraint drive = MakeMotor(anchor, end, GoalType::Power, 3.0, false);
  AddDriveLimit(drive, GoalType::Force, 6.0);
  model.AddConstraint(drive);
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.1);
  EXPECT_NEAR(sim.GetMechanics().Body(cart).vx, 0.3, 1e-9);
  sim.AdvanceTo(1.0);
  EXPECT_NEAR(sim.GetMechanics().KineticEnergy(), 0.25 + 3.0 * (1.0 - 1.0 / 6), 1e-6);
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

TEST(Fields, SatelliteWithItsReferencePointOffItsCentreKeepsItsOrbit) {
  // Planetary gravity from its formula text measures the distance between reference points. A
  // satellite turning with its 10 m orbit, its reference point 0.5 m off its centre of mass,
  // must keep its energy and its angular momentum about the sun, and so stay on its orbit for
  // orbit after orbit.
  Model model;
  Body sun = scenes::Disk(0, 0, 1000, 0.5);
  sun.anchored = 1;
  const int s = model.AddBody(sun);
  Body satellite = scenes::Disk(10, 0, 1, 0.2);
  satellite.comY = 0.5;
  satellite.vy = 10;  // G M / r = v^2 with G = 1
  satellite.vr = 1;
  const int p = model.AddBody(satellite);
  Field gravity;
  gravity.pairwise = true;
  gravity.members = {s, p};
  gravity.goals.push_back(Goal{GoalType::Force, kEquality, Component::X,
                               CompileFormula("-self.mass*(1)/sqr(self.p-other.p)*other.mass")});
  model.AddField(gravity);
  Simulation sim(model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  auto momentum = [&] {
    const BodyState b = m.Body(p);
    const Eigen::Vector2d arm(-0.5 * std::sin(b.r), 0.5 * std::cos(b.r));
    const Eigen::Vector2d c = Eigen::Vector2d(b.x, b.y) + arm;
    const Eigen::Vector2d v =
        Eigen::Vector2d(b.vx, b.vy) + b.vr * Eigen::Vector2d(-arm.y(), arm.x());
    return c.x() * v.y() - c.y() * v.x() + satellite.moment * b.vr;
  };
  auto energy = [&] { return m.KineticEnergy() - 1000 / std::hypot(m.Body(p).x, m.Body(p).y); };
  const double l0 = momentum(), e0 = energy();
  double nearest = HUGE_VAL, farthest = 0;
  for (int frame = 1; frame <= 600; ++frame) {  // three orbits
    sim.AdvanceTo(frame / 30.0);
    const double radius = std::hypot(m.Body(p).x, m.Body(p).y);
    nearest = std::min(nearest, radius);
    farthest = std::max(farthest, radius);
    ASSERT_NEAR(momentum(), l0, 1e-8 * std::abs(l0)) << "frame " << frame;
    ASSERT_NEAR(energy(), e0, 1e-8 * std::abs(e0)) << "frame " << frame;
  }
  // Pushed at its centre of mass instead, it went from 8.1 m out to 18 m in these orbits.
  EXPECT_GT(nearest, 8.5);
  EXPECT_LT(farthest, 10.01);
}

}  // namespace
}  // namespace yb::dynamics

namespace yb::dynamics {
namespace {

double Closure(const Mechanics& m, const scenes::FourBar& linkage) {
  double worst = 0;
  for (auto [a, b] : linkage.joints)
    worst = std::max(worst, (m.PointPosition(a) - m.PointPosition(b)).norm());
  return worst;
}

TEST(RunSettingsTest, FastModeMotorKeepsItsCommandedAngle) {
  // The projection after each step must not move the crank a velocity motor drives: over 10 s
  // at 1/60 s it fell 0.43% behind its angle when the joints pulled it back.
  scenes::FourBar linkage(true);
  RunSettings fast;
  fast.SetRunMode(RunMode::Fast);
  fast.animationStep = 1.0 / 60;
  Simulation sim(linkage.model, fast);
  const Mechanics& m = sim.GetMechanics();
  double lag = 0, closure = 0;
  for (int frame = 1; frame <= 600; ++frame) {
    sim.AdvanceTo(frame / 60.0);
    lag = std::max(lag, std::abs(m.Body(linkage.crank).r - (0.5 + scenes::kTwoPi * sim.Time())));
    closure = std::max(closure, Closure(m, linkage));
  }
  EXPECT_LE(lag, 1e-9);
  EXPECT_LE(closure, 1e-8);
}

TEST(RunSettingsTest, CrankTurnedTenMillionTimesClosesAsTightly) {
  // Angles do not set the scale of the assembly error: a crank that has turned 1e7 times closes
  // its loop to lengths, as a new one does.
  scenes::FourBar linkage(true, 0.5 + scenes::kTwoPi * 1e7);
  Simulation sim(linkage.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  double closure = Closure(m, linkage);
  for (int frame = 1; frame <= 15; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    closure = std::max(closure, Closure(m, linkage));
  }
  EXPECT_LE(closure, 1e-12);
  EXPECT_TRUE(sim.Warnings().empty());
}

}  // namespace
}  // namespace yb::dynamics
