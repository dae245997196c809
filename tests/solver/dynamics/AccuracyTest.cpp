// The reference mechanisms run in accurate mode and compared with their closed forms. Short
// versions of the benchmark scenes, so they stay quick under the sanitizers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

double JointSeparation(const Mechanics& m, const std::vector<std::pair<int, int>>& joints) {
  double worst = 0;
  for (auto [p, q] : joints)
    worst = std::max(worst, (m.PointPosition(p) - m.PointPosition(q)).norm());
  return worst;
}

TEST(Accuracy, PendulumPeriodMatchesEllipticIntegral) {
  for (double degrees : {10.0, 60.0}) {
    const double amplitude = degrees * std::numbers::pi / 180;
    scenes::Pendulum pendulum(amplitude);
    Simulation sim(pendulum.model, RunSettings{});
    const int disk = pendulum.disk;
    sim.AddCondition(Value::Formula([disk](const Context& c) { return c.Body(disk).r; }), false);
    const Mechanics& m = sim.GetMechanics();
    auto energy = [&] { return m.KineticEnergy() + scenes::kGravity * m.Body(disk).y; };
    const double start = energy();
    double drift = 0;
    for (int frame = 1; frame <= 150; ++frame) {
      sim.AdvanceTo(frame / 30.0);
      drift = std::max(drift, std::abs(energy() - start));
    }
    const auto& events = sim.Events();
    ASSERT_GE(events.size(), 4u) << degrees;
    // Zero crossings come every half period; take the span of two full periods.
    const double period = (events[4].time - events[0].time) / 2;
    const double exact = scenes::Pendulum::Period(amplitude);
    EXPECT_LE(std::abs(period / exact - 1), 1e-8) << degrees;
    EXPECT_LE(drift / scenes::kGravity, 1e-7) << degrees;
  }
}

TEST(Accuracy, DoublePendulumKeepsEnergyAndLinkLengths) {
  scenes::DoublePendulum d;
  Simulation sim(d.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  auto energy = [&] {
    return m.KineticEnergy() + scenes::kGravity * (m.Body(d.bob1).y + m.Body(d.bob2).y);
  };
  const double start = energy();
  double drift = 0, lengthError = 0;
  for (int frame = 1; frame <= 60; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    drift = std::max(drift, std::abs(energy() - start));
    lengthError = std::max({lengthError,
                            std::abs((m.PointPosition(d.p1) - m.PointPosition(d.pivot)).norm() - 1),
                            std::abs((m.PointPosition(d.p2) - m.PointPosition(d.p1)).norm() - 1)});
  }
  EXPECT_LE(drift / (2 * scenes::kGravity), 1e-6);
  EXPECT_LE(lengthError, 1e-10);
  // The bobs really fell: the lower one swung well below the pivot.
  EXPECT_LT(m.Body(d.bob2).y, -0.5);
}

TEST(Accuracy, FourBarClosesAndFollowsTheClosedForm) {
  for (bool motor : {false, true}) {
    scenes::FourBar linkage(motor);
    Simulation sim(linkage.model, RunSettings{});
    const Mechanics& m = sim.GetMechanics();
    double closure = 0, rocker = 0;
    for (int frame = 1; frame <= 45; ++frame) {
      sim.AdvanceTo(frame / 30.0);
      closure = std::max(closure, JointSeparation(m, linkage.joints));
      const double crank = m.Body(linkage.crank).r;
      rocker = std::max(rocker, std::abs(std::remainder(
                                    m.Body(linkage.rocker).r - scenes::FourBar::RockerAngle(crank),
                                    2 * std::numbers::pi)));
    }
    EXPECT_LE(closure, 1e-10) << motor;
    EXPECT_LE(rocker, 1e-8) << motor;
    if (motor) {
      EXPECT_NEAR(m.Body(linkage.crank).r, 0.5 + scenes::kTwoPi * sim.Time(), 1e-9);
    }
  }
}

TEST(Accuracy, SliderCrankFollowsTheClosedForm) {
  scenes::SliderCrank mechanism;
  Simulation sim(mechanism.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  double error = 0;
  for (int frame = 1; frame <= 45; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    const double theta = m.Body(mechanism.crank).r;
    error = std::max(
        error, std::abs(m.Body(mechanism.slider).x - scenes::SliderCrank::SliderPosition(theta)));
  }
  EXPECT_LE(error, 1e-9);
  EXPECT_NEAR(m.Body(mechanism.slider).y, 0.0, 1e-12);
}

TEST(Accuracy, HundredLinkChainStaysJoined) {
  scenes::Chain chain(100);
  Simulation sim(chain.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  auto energy = [&] {
    double e = m.KineticEnergy();
    for (int link : chain.links)
      e += scenes::kGravity * scenes::Chain::kMass * m.Body(link).y;
    return e;
  };
  const double start = energy();
  double separation = 0, drift = 0;
  for (int frame = 1; frame <= 3; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    separation = std::max(separation, JointSeparation(m, chain.joints));
    drift = std::max(drift, std::abs(energy() - start));
  }
  EXPECT_LE(separation, 1e-9);
  EXPECT_LE(drift, 1e-8);
  EXPECT_LT(m.Body(chain.links.back()).y, -0.01);  // the free end falls
}

// A very loose error lets steps grow until one swings the chain far off; such a step must be
// rejected and cut (its error measured against the coordinates it started from, not the
// blown-up ones it ended at), not accepted and left to the projection.
TEST(Accuracy, LooseErrorChainCutsItsStepsAndRunsOn) {
  scenes::Chain chain(5);
  RunSettings settings;
  settings.SetRunMode(RunMode::Custom);
  settings.autoIntegratorError = false;
  settings.integratorError = 1;
  settings.animationStep = 0.2;
  settings.autoAssemblyError = false;
  settings.assemblyError = 1e-10;
  Simulation sim(chain.model, settings);
  const Mechanics& m = sim.GetMechanics();
  auto energy = [&] {
    double e = m.KineticEnergy();
    for (int link : chain.links)
      e += scenes::kGravity * scenes::Chain::kMass * m.Body(link).y;
    return e;
  };
  const double start = energy();
  double separation = 0, gain = 0;
  for (int frame = 1; frame <= 10; ++frame) {
    ASSERT_NO_THROW(sim.AdvanceTo(frame * 0.2)) << frame;
    separation = std::max(separation, JointSeparation(m, chain.joints));
    gain = std::max(gain, energy() - start);
  }
  EXPECT_GT(sim.Statistics().rejected, 0);
  EXPECT_LE(separation, 1e-9);
  // Loose, but no energy from nowhere: a blown-up step would add joules; 0.01 J is a link's
  // weight (about 1 N) raised by a centimetre.
  EXPECT_LT(gain, 0.01);
}

// An error allowed far larger than the mechanism lets accepted steps feed the motion until it
// runs away; the run then stops with an error that says so, not with a number-less state.
TEST(Accuracy, RunawayUnderAHugeErrorIsRefusedWithTheReason) {
  scenes::Chain chain(2);
  RunSettings settings;
  settings.SetRunMode(RunMode::Custom);
  settings.autoIntegratorError = false;
  settings.integratorError = 10;
  settings.animationStep = 0.2;
  Simulation sim(chain.model, settings);
  try {
    for (int frame = 1; frame <= 10; ++frame)
      sim.AdvanceTo(frame * 0.2);
    FAIL() << "the run went on";
  } catch (const DynamicsError& e) {
    EXPECT_EQ(e.code, kErrSingular);
    EXPECT_NE(e.message.find("integrator error"), std::string::npos) << e.message;
    EXPECT_NE(e.message.find("too large"), std::string::npos) << e.message;
  }
}

TEST(Accuracy, SpringMassPeriodAmplitudeAndDecrement) {
  for (double damping : {0.0, 2.0}) {
    scenes::SpringMass scene(damping);
    Simulation sim(scene.model, RunSettings{});
    const int mass = scene.mass;
    sim.AddCondition(Value::Formula([mass](const Context& c) { return c.Body(mass).vx; }), false);
    const Mechanics& m = sim.GetMechanics();
    double error = 0;
    for (int frame = 1; frame <= 60; ++frame) {
      sim.AdvanceTo(frame / 30.0);
      error = std::max(error, std::abs(m.Body(mass).x - scenes::SpringMass::kRest -
                                       scenes::SpringMass::Displacement(damping, sim.Time())));
    }
    EXPECT_LE(error / scenes::SpringMass::kStretch, 1e-7) << damping;
    // Extremes of the displacement: the velocity changes sign every half period.
    const auto& events = sim.Events();
    ASSERT_GE(events.size(), 3u);
    const double period = events[2].time - events[0].time;
    const double exact = damping == 0 ? 0.628318531 : 0.631483883;
    EXPECT_LE(std::abs(period / exact - 1), 1e-8) << damping;
    if (damping > 0) {
      const double first = scenes::SpringMass::Displacement(damping, events[0].time);
      const double second = scenes::SpringMass::Displacement(damping, events[2].time);
      EXPECT_NEAR(std::log(first / second), 0.631484, 1e-6);
    }
  }
}

TEST(Accuracy, GearTrainRatiosAndPowerBalance) {
  scenes::GearTrain train;
  Simulation sim(train.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  double ratioError = 0, powerError = 0;
  for (int frame = 1; frame <= 15; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    const double w1 = m.Body(train.gear1).vr, w2 = m.Body(train.gear2).vr;
    const double w3 = m.Body(train.gear3).vr, v = m.Body(train.rack).vx;
    ratioError =
        std::max({ratioError, std::abs(w2 / w1 + train.r1 / train.r2),
                  std::abs(w3 / w2 + train.r2 / train.r3), std::abs(v / (w3 * train.r3) - 1)});
    // Constant speeds: what the motor puts in, the load takes out.
    const double motorPower = m.ConstraintForce(train.motor, Component::Rotation) * w1;
    const double loadPower = train.kLoad * v;
    powerError = std::max(powerError, std::abs(motorPower - loadPower) / loadPower);
  }
  EXPECT_LE(ratioError, 1e-12);
  EXPECT_LE(powerError, 1e-6);
  EXPECT_NEAR(m.Body(train.gear1).vr, scenes::kTwoPi, 1e-12);
}

}  // namespace
}  // namespace yb::dynamics
