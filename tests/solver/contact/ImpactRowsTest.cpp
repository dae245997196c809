// What takes part in an impact: two equal, perfectly elastic balls exchange their velocities
// though the struck ball hangs on a taut rope, is driven at a set acceleration or by a motor
// whose force limit is reached. Ropes and limits only pull or push, force-level drives and
// saturated motors give no impulse: none of them may hold the struck ball.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "solver/dynamics/Simulation.h"

namespace yb::dynamics {
namespace {

constexpr double kRadius = 0.1;
constexpr double kSpeed = 3.0;
constexpr double kG = 9.81;

Body Ball(double x, double y, double vx, double vy) {
  Body b;
  b.x = x;
  b.y = y;
  b.vx = vx;
  b.vy = vy;
  b.mass = 1.0;
  b.moment = 0.5 * kRadius * kRadius;
  b.elasticity = 1.0;
  b.shape.kind = Shape::Kind::Circle;
  b.shape.w = 2 * kRadius;
  return b;
}

// The two balls collide with each other only.
void Collide(Model& model, int a, int b) {
  CollisionGroup group;
  group.mode = 2;
  group.includes = true;
  group.members = {a, b};
  model.collisionGroups.push_back(group);
}

TEST(ImpactRows, ARopeHoldingTheStruckBallGoesSlackInsteadOfHoldingIt) {
  // Ball a hangs at rest on a taut rope 1 m below its anchor; ball b, free of gravity, comes up
  // from below at 3 m/s and meets it when its centre is 0.2 below a's.
  Model model;
  const int a = model.AddBody(Ball(0, 0, 0, 0));
  const int b = model.AddBody(Ball(0, -1, 0, kSpeed));
  const int anchor = model.AddPoint(kBackground, 0, 1);
  const int top = model.AddPoint(a, 0, 0);
  model.AddConstraint(MakeRod({anchor, top}, 1.0, RodType::Rope));
  model.AddField(MakeLineGravity({a}, kG));
  Collide(model, a, b);
  Simulation sim(model, RunSettings{});
  const double hit = 0.8 / kSpeed;
  sim.AdvanceTo(hit - 0.05);
  EXPECT_NEAR(sim.GetMechanics().Body(a).y, 0.0, 1e-9);  // held by the rope until struck
  const double t = hit + 0.1;
  sim.AdvanceTo(t);
  const Mechanics& m = sim.GetMechanics();
  EXPECT_NEAR(m.Body(b).vy, 0.0, 1e-6);
  EXPECT_NEAR(m.Body(a).vy, kSpeed - kG * (t - hit), 1e-6);
}

// Ball a sits at the origin, driven along x from an anchor 5 m to its left by what the builder
// adds and pushed towards b by push; ball b comes from the right at 3 m/s. Before the impact a
// moves off with accelerations before, after it with after: b leaves with a's velocity at the
// impact and a with b's.
struct Drive {
  const char* what;
  std::function<void(Model&, int anchor, int centre)> add;
  double push, before, after;
};

void ExpectVelocitiesExchanged(const Drive& drive) {
  Model model;
  const int a = model.AddBody(Ball(0, 0, 0, 0));
  const int b = model.AddBody(Ball(1, 0, -kSpeed, 0));
  const int anchor = model.AddPoint(kBackground, -5, 0);
  const int centre = model.AddPoint(a, 0, 0);
  drive.add(model, anchor, centre);
  if (drive.push != 0) model.AddConstraint(MakeForce(centre, drive.push, 0.0));
  Collide(model, a, b);
  Simulation sim(model, RunSettings{});
  // The centres meet 0.2 apart: 1 - 3 t - before t^2 / 2 = 0.2.
  const double q = drive.before / 2;
  const double hit = q == 0 ? 0.8 / kSpeed : (-kSpeed + std::sqrt(kSpeed * kSpeed + 3.2 * q)) / (2 * q);
  sim.AdvanceTo(hit - 0.05);
  ASSERT_NEAR(sim.GetMechanics().Body(b).vx, -kSpeed, 1e-9) << drive.what;
  ASSERT_NEAR(sim.GetMechanics().Body(a).vx, drive.before * (hit - 0.05), 1e-9) << drive.what;
  const double t = hit + 0.1;
  sim.AdvanceTo(t);
  const Mechanics& m = sim.GetMechanics();
  EXPECT_NEAR(m.Body(b).vx, drive.before * hit, 1e-6) << drive.what;
  EXPECT_NEAR(m.Body(a).vx, -kSpeed + drive.after * (t - hit), 1e-6) << drive.what;
}

TEST(ImpactRows, ForceLevelDrivesAndSaturatedMotorsGiveNoImpulse) {
  // A drive holding the distance's acceleration at 0: the velocity it had before the impact
  // is not one it must keep.
  ExpectVelocitiesExchanged(
      {"acceleration drive",
       [](Model& model, int anchor, int centre) {
         model.AddConstraint(MakeMotor(anchor, centre, GoalType::Acceleration, 0.0, false));
       },
       0.0, 0.0, 0.0});
  // A motor that would hold the distance still, pushed past its 0.01 N limit by a 1 N force:
  // it slips, holding back with its limit before the impact and after.
  ExpectVelocitiesExchanged(
      {"saturated motor",
       [](Model& model, int anchor, int centre) {
         Constraint motor = MakeMotor(anchor, centre, GoalType::Velocity, 0.0, false);
         AddDriveLimit(motor, GoalType::Force, 0.01);
         model.AddConstraint(motor);
       },
       1.0, 0.99, 0.99});
}

}  // namespace
}  // namespace yb::dynamics
