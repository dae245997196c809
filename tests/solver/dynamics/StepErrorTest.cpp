// What the variable step measures as a step's error: only what the projection onto the
// constraints leaves of it, and crossings reported once each.

#include <gtest/gtest.h>

#include <cmath>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

// The pendulum's disk, its pivot at the origin: its centre of mass and the arm from there to the
// pin, after one evaluation.
struct PinnedDisk {
  scenes::Pendulum pendulum{0.7};
  Mechanics mechanics{pendulum.model};
  Eigen::VectorXd derivative;
  PinnedDisk() { mechanics.Derivative(0.0, mechanics.State(), derivative); }
  Eigen::Vector2d Centre() const {
    const Eigen::VectorXd state = mechanics.State();
    return {state[0], state[1]};
  }
};

TEST(StepError, MotionAlongThePinIsKeptWhole) {
  PinnedDisk disk;
  // Turning about the pivot: the centre moves across its radius, and the disk turns as much.
  const Eigen::Vector2d c = disk.Centre();
  Eigen::VectorXd estimate(6);
  estimate << -c.y(), c.x(), 1.0, 2 * -c.y(), 2 * c.x(), 2.0;
  estimate *= 1e-9;
  const Eigen::VectorXd before = estimate;
  ASSERT_TRUE(disk.mechanics.KeepTangentPart(estimate));
  EXPECT_LE((estimate - before).lpNorm<Eigen::Infinity>(),
            1e-12 * before.lpNorm<Eigen::Infinity>());
}

TEST(StepError, WhatThePinTakesOutIsNoError) {
  PinnedDisk disk;
  // W J' mu for the pin's two rows: the correction the projection makes, in the mass metric.
  const double mass = disk.pendulum.model.bodies[disk.pendulum.disk].mass;
  const double moment = disk.pendulum.model.bodies[disk.pendulum.disk].moment;
  const Eigen::Vector2d arm = -disk.Centre();  // from the centre of mass to the pin
  auto across = [&](double mx, double my) {
    return Eigen::Vector3d(mx / mass, my / mass, (-arm.y() * mx + arm.x() * my) / moment);
  };
  Eigen::VectorXd estimate(6);
  estimate << across(3e-9, -1e-9), across(-2e-8, 5e-9);
  const double size = estimate.lpNorm<Eigen::Infinity>();
  ASSERT_TRUE(disk.mechanics.KeepTangentPart(estimate));
  EXPECT_LE(estimate.lpNorm<Eigen::Infinity>(), 1e-14 * size);
  // A mix keeps exactly its part along the pin.
  const Eigen::Vector2d c = disk.Centre();
  Eigen::VectorXd along(6), mixed(6);
  along << -c.y(), c.x(), 1.0, 0, 0, 0;
  along *= 1e-9;
  mixed << across(1e-8, 2e-8), Eigen::Vector3d::Zero();
  mixed += along;
  const double mixedSize = mixed.lpNorm<Eigen::Infinity>();
  ASSERT_TRUE(disk.mechanics.KeepTangentPart(mixed));
  EXPECT_LE((mixed - along).lpNorm<Eigen::Infinity>(), 1e-14 * mixedSize);
}

TEST(StepError, ATautRopeKeepsTheEstimateWhole) {
  // A one-sided row's correction depends on its side, so no part is taken out.
  Model model;
  const int bob = model.AddBody(scenes::Disk(1, 0, 1, 0.05));
  const int pivot = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(bob, 0, 0);
  model.AddConstraint(MakeRod({pivot, end}, 1.0, RodType::Rope));
  model.AddField(MakeLineGravity({bob}, scenes::kGravity));
  Mechanics m(model);  // taut from the start, and at rest: the rope holds the bob
  Eigen::VectorXd derivative;
  m.Derivative(0.0, m.State(), derivative);
  ASSERT_NEAR(derivative[3], 0.0, 1e-12);  // held: no acceleration along the rope
  Eigen::VectorXd estimate = Eigen::VectorXd::Constant(6, 1e-9);
  EXPECT_FALSE(m.KeepTangentPart(estimate));
  EXPECT_EQ(estimate, Eigen::VectorXd::Constant(6, 1e-9));
}

TEST(StepError, AMechanismTheMotorMovesWhollyStepsFrameByFrame) {
  // The four-bar's one freedom is the motor's: the projection puts every step on the motion
  // exactly, so accurate mode needs no step inside a frame and still follows the closed form.
  scenes::FourBar linkage(true);
  Simulation sim(linkage.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  double closure = 0, rocker = 0;
  for (int frame = 1; frame <= 30; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    for (auto [a, b] : linkage.joints)
      closure = std::max(closure, (m.PointPosition(a) - m.PointPosition(b)).norm());
    rocker = std::max(
        rocker, std::abs(std::remainder(m.Body(linkage.rocker).r -
                                            scenes::FourBar::RockerAngle(m.Body(linkage.crank).r),
                                        scenes::kTwoPi)));
  }
  // A few steps at the start, while the step grows from its first guess; then one a frame
  // (it took 45 a frame when the whole estimate counted).
  EXPECT_LE(sim.Statistics().accepted, 40);
  EXPECT_LE(closure, 1e-10);
  EXPECT_LE(rocker, 1e-8);
}

TEST(StepError, AMotorWhoseSpeedChangesIsIntegratedToTheError) {
  // The projection keeps a velocity motor's coordinate where the step took it, so that
  // coordinate's error stays and must count: the crank follows the integral of its speed.
  scenes::FourBar linkage(true);
  Goal& drive = linkage.model.constraints[4].goals[0];
  ASSERT_EQ(drive.type, GoalType::Velocity);
  drive.value = Value::Formula(
      [](const Context& c) { return scenes::kTwoPi * (1 + 0.5 * std::sin(3 * c.Time())); });
  Simulation sim(linkage.model, RunSettings{});
  double lag = 0;
  for (int frame = 1; frame <= 60; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    const double t = sim.Time();
    const double angle = 0.5 + scenes::kTwoPi * (t + (1 - std::cos(3 * t)) / 6);
    lag = std::max(lag, std::abs(sim.GetMechanics().Body(linkage.crank).r - angle));
  }
  EXPECT_LE(lag, 1e-9);
}

TEST(StepError, EachCrossingIsReportedOnce) {
  // A pendulum passes the vertical every half period; the state located just past a crossing
  // must not be taken back over it by the projection and found again by the next step.
  for (double degrees : {10.0, 45.0, 60.0, 90.0}) {
    const double amplitude = degrees * std::acos(-1.0) / 180;
    scenes::Pendulum pendulum(amplitude);
    Simulation sim(pendulum.model, RunSettings{});
    const int disk = pendulum.disk;
    sim.AddCondition(Value::Formula([disk](const Context& c) { return c.Body(disk).r; }), false);
    for (int frame = 1; frame <= 300; ++frame)
      sim.AdvanceTo(frame / 30.0);
    const double half = scenes::Pendulum::Period(amplitude) / 2;
    const auto& events = sim.Events();
    ASSERT_EQ(static_cast<int>(events.size()), static_cast<int>((10.0 + half / 2) / half))
        << degrees;
    for (size_t k = 1; k < events.size(); ++k)
      EXPECT_NEAR(events[k].time - events[k - 1].time, half, 1e-6) << degrees << " " << k;
  }
}

}  // namespace
}  // namespace yb::dynamics
