// A rope over pulley points: the loads move as the masses say until one of them is drawn onto a
// pulley point, and there the run ends with an error naming the rope and the load instead of
// stalling, whichever integrator runs it. Runs that cannot get further end rather than hang.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

constexpr double g = scenes::kGravity;

// A 1 kg and a 3 kg load hang 1 m below two pulley points 1 m apart, on a 3 m rope through both.
// The heavy load pulls the light one up onto its pulley point.
struct Atwood {
  static constexpr double kLight = 1, kHeavy = 3, kDrop = 1;
  Model model;
  int light, heavy, rope;
  // The rope runs from the light load to the heavy one, or the other way round when reversed.
  explicit Atwood(std::string name, bool reversed = false) {
    light = model.AddBody(scenes::Disk(-0.5, -kDrop, kLight, 0.05));
    heavy = model.AddBody(scenes::Disk(0.5, -kDrop, kHeavy, 0.05));
    const int a = model.AddPoint(light, 0, 0);
    const int left = model.AddPoint(kBackground, -0.5, 0);
    const int right = model.AddPoint(kBackground, 0.5, 0);
    const int b = model.AddPoint(heavy, 0, 0);
    std::vector<int> through{a, left, right, b};
    if (reversed) through = {b, right, left, a};
    Constraint record = MakeRod(through, 3.0, RodType::Rope);
    record.name = std::move(name);
    rope = model.AddConstraint(record);
    model.AddField(MakeLineGravity({light, heavy}, g));
  }
  static double Acceleration() { return g * (kHeavy - kLight) / (kHeavy + kLight); }
  // When the light load has risen onto its pulley point.
  static double Contact() { return std::sqrt(2 * kDrop / Acceleration()); }
};

TEST(Pulley, ALoadDrawnOntoAPulleyPointEndsTheRunNamingTheRope) {
  RunSettings euler;
  euler.SelectEuler();
  euler.animationStep = 1.0 / 30;
  euler.SetStepsPerFrame(20);
  for (const RunSettings& settings : {RunSettings{}, euler}) {
    const bool exact = settings.integrator == IntegratorKind::KuttaMerson;
    Atwood scene("hoist");
    Simulation sim(scene.model, settings);
    constexpr int kFrames = 30;  // a second: the light load arrives at 0.64 s
    std::vector<BodyFrame> frame;
    int frames = 0;
    bool ended = false;
    for (; frames < kFrames && !ended; ++frames) {
      try {
        sim.NextFrame(frame);
      } catch (const DynamicsError& error) {
        ended = true;
        EXPECT_EQ(error.code, kErrSingular);
        EXPECT_NE(error.message.find("\"hoist\""), std::string::npos) << error.message;
        EXPECT_NE(error.message.find("pulley"), std::string::npos) << error.message;
        EXPECT_EQ(error.body, scene.light);
        // Stopped where the load reached the pulley, at the time the lift gives.
        const BodyState light = sim.GetMechanics().Body(scene.light);
        EXPECT_NEAR(light.y, 0.0, exact ? 1e-8 : 1e-6);
        EXPECT_NEAR(light.x, -0.5, 1e-9);
        const double reached = frames * settings.animationStep;
        EXPECT_LT(reached, Atwood::Contact() + 1e-9);
        EXPECT_GT(reached + settings.animationStep, Atwood::Contact());
        continue;
      }
      // Before contact both loads move at a = g (m1 - m2) / (m1 + m2), the rope staying taut.
      const double t = sim.Time();
      const double rise = 0.5 * Atwood::Acceleration() * t * t;
      // Semi-implicit Euler runs ahead by a h t / 2 at steps of h.
      const double h = settings.IntegrationStep();
      const double tolerance = exact ? 1e-10 : Atwood::Acceleration() * h * t + 1e-9;
      EXPECT_NEAR(frame[scene.light].y, -Atwood::kDrop + rise, tolerance) << t;
      EXPECT_NEAR(frame[scene.heavy].y, -Atwood::kDrop - rise, tolerance) << t;
      EXPECT_NEAR(frame[scene.light].x, -0.5, 1e-9);
    }
    EXPECT_TRUE(ended) << (exact ? "Kutta-Merson" : "Euler");
    EXPECT_EQ(frames, static_cast<int>(std::ceil(Atwood::Contact() * 30)));
  }
}

// A rope without a name is named by its identifier; the load is found at either end of it.
TEST(Pulley, ARopeWithoutANameIsNamedByItsIdentifier) {
  for (const bool reversed : {false, true}) {
    Atwood scene("", reversed);
    scene.model.constraints[scene.rope].id = 42;
    Simulation sim(scene.model, RunSettings{});
    try {
      sim.AdvanceTo(1.0);
      ADD_FAILURE() << "the load passed through the pulley";
    } catch (const DynamicsError& error) {
      EXPECT_NE(error.message.find("Constraint[42]"), std::string::npos) << error.message;
      EXPECT_EQ(error.body, scene.light) << reversed;
      EXPECT_NEAR(sim.Time(), Atwood::Contact(), 1e-3);
    }
  }
}

// A slack rope over pulleys lets its loads fall freely: only the rope's pull, never its
// segments, decide their motion, and nothing stops the run.
TEST(Pulley, LoadsBelowTheirPulleysOnASlackRopeFallFreely) {
  Atwood scene("slack");
  scene.model.constraints[scene.rope].goals[0].value = Value(5.0);
  Simulation sim(scene.model, RunSettings{});
  sim.AdvanceTo(0.2);
  const double fall = 0.5 * g * 0.04;
  EXPECT_NEAR(sim.GetMechanics().Body(scene.light).y, -Atwood::kDrop - fall, 1e-10);
  EXPECT_NEAR(sim.GetMechanics().Body(scene.heavy).y, -Atwood::kDrop - fall, 1e-10);
}

// A force that flips with the sign of the velocity (a drag of constant size) holds a body that
// has come to rest only by chattering about zero speed: the error allowed then asks for steps far
// below the smallest the run takes, without end. The run stops with an error instead of spinning.
TEST(StepControl, ARunThatCannotGetFurtherStopsInsteadOfSpinning) {
  Model model;
  const int body = model.AddBody(scenes::Disk(0, 0, 1, 0.1));
  const int centre = model.AddPoint(body, 0, 0);
  const Value drag = Value::Formula([body](const Context& c) {
    const double v = c.Body(body).vx;
    return v > 0 ? -1.0 : 1.0;
  });
  model.AddConstraint(MakeForce(centre, drag, 0.0));
  Body& b = model.bodies[body];
  b.vx = 0.1;  // comes to rest after 0.1 s
  Simulation sim(model, RunSettings{});
  try {
    for (int frame = 1; frame <= 30; ++frame)
      sim.AdvanceTo(frame / 30.0);
    ADD_FAILURE() << "ran on with " << sim.Statistics().accepted << " steps";
  } catch (const DynamicsError& error) {
    EXPECT_EQ(error.code, kErrSingular);
    EXPECT_NE(error.message.find("cannot go on"), std::string::npos) << error.message;
    EXPECT_NEAR(sim.Time(), 0.1, 1e-3);
    EXPECT_LT(sim.Statistics().accepted, 5000);
  }
}

}  // namespace
}  // namespace yb::dynamics
