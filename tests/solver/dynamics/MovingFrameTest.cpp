// Mechanisms whose constraints are fixed to moving bodies, run against their closed forms: a bead
// in a straight or curved slot on a turntable, a rotational damper and a rack that turn with
// their bodies, and a one-sided constraint that is the first row of the solve.

#include <gtest/gtest.h>

#include <cmath>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

// A turntable pinned at the origin and turned at kSpin by a velocity motor.
constexpr double kSpin = 2;

struct Turntable {
  Model model;
  int table, axle, centre;
  Turntable() {
    table = model.AddBody(scenes::Disk(0, 0, 5, 1));
    axle = model.AddPoint(kBackground, 0, 0);
    centre = model.AddPoint(table, 0, 0);
    model.AddConstraint(MakePin(axle, centre));
    model.AddConstraint(MakeMotor(axle, centre, GoalType::Velocity, kSpin));
  }
};

// A bead free to slide along a line at distance kOffset from the axle, the line turning with the
// table, starts at rest on the table kStart along it. In the table's frame it is thrown outwards
// only: x'' = w^2 x, so x = kStart cosh(w t), while y stays kOffset.
constexpr double kOffset = 0.2, kStart = 0.1;

Eigen::Vector2d BeadOnTurningLine(double t) {
  const double x = kStart * std::cosh(kSpin * t), angle = kSpin * t;
  return {x * std::cos(angle) - kOffset * std::sin(angle),
          x * std::sin(angle) + kOffset * std::cos(angle)};
}

Body BeadAtRestOnTheTable() {
  Body bead = scenes::Disk(kStart, kOffset, 0.1, 0.01);
  bead.vx = -kSpin * kOffset;
  bead.vy = kSpin * kStart;
  return bead;
}

// The worst distance from the closed form, and the worst error of the slot's force across the
// line (the Coriolis force of the outward motion less the centrifugal one across the line:
// m (2 w x' - w^2 kOffset)) relative to its largest value.
void ExpectBeadOnTheClosedForm(Simulation& sim, int bead, int slot) {
  const double mass = sim.GetMechanics().GetModel().bodies[bead].mass;
  double worst = 0, worstForce = 0;
  for (int frame = 1; frame <= 30; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    const double t = sim.Time();
    const BodyState b = sim.GetMechanics().Body(bead);
    worst = std::max(worst, (Eigen::Vector2d(b.x, b.y) - BeadOnTurningLine(t)).norm());
    const double outwards = kStart * kSpin * std::sinh(kSpin * t);
    const double across = mass * (2 * kSpin * outwards - kSpin * kSpin * kOffset);
    worstForce = std::max(
        worstForce, std::abs(sim.GetMechanics().ConstraintForce(slot, Component::Y) - across));
  }
  EXPECT_LE(worst, 1e-9);
  EXPECT_LE(worstForce, 1e-7);
}

TEST(MovingFrame, BeadInASlotOnATurntableFollowsTheClosedForm) {
  Turntable t;
  const int bead = t.model.AddBody(BeadAtRestOnTheTable());
  const int line = t.model.AddPoint(t.table, 0, kOffset);
  const int slider = t.model.AddPoint(bead, 0, 0);
  const int slot = t.model.AddConstraint(MakeSlot(line, slider));
  Simulation sim(t.model, RunSettings{});
  ExpectBeadOnTheClosedForm(sim, bead, slot);
}

TEST(MovingFrame, BeadInACurvedSlotOnATurntableFollowsTheClosedForm) {
  // The same line as a curved slot through three points in the frame of a point at the axle.
  Turntable t;
  const int bead = t.model.AddBody(BeadAtRestOnTheTable());
  const int origin = t.model.AddPoint(t.table, 0, 0);
  const int slider = t.model.AddPoint(bead, 0, 0);
  const int slot = t.model.AddConstraint(
      MakeCurvedSlot(origin, slider, {-1.0, 0.0, 1.0}, {kOffset, kOffset, kOffset}, false));
  Simulation sim(t.model, RunSettings{});
  ExpectBeadOnTheClosedForm(sim, bead, slot);
}

TEST(MovingFrame, RotationalDamperActsOnTheRelativeRate) {
  // A wheel on the turntable's axle, at rest at first, is dragged up to the table's speed by a
  // rotational damper between them: I w' = -c (w - W), so w = W (1 - exp(-c t / I)).
  constexpr double kDamping = 0.3;
  Turntable t;
  const int wheel = t.model.AddBody(scenes::Disk(0, 0, 2, 0.5));  // I = 0.25
  const int hub = t.model.AddPoint(wheel, 0, 0);
  t.model.AddConstraint(MakePin(t.axle, hub));
  t.model.AddConstraint(MakeDamper(t.centre, hub, kDamping, true));
  Simulation sim(t.model, RunSettings{});
  const double moment = t.model.bodies[wheel].moment;
  double worst = 0;
  for (int frame = 1; frame <= 30; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    const double expected = kSpin * (1 - std::exp(-kDamping * sim.Time() / moment));
    worst = std::max(worst, std::abs(sim.GetMechanics().Body(wheel).vr - expected));
  }
  EXPECT_LE(worst, 1e-9);
  EXPECT_NEAR(sim.GetMechanics().Body(t.table).vr, kSpin, 1e-12);
}

TEST(MovingFrame, RackOnATurntableMovesWithThePinionAgainstTheTable) {
  // A pinion of radius r on the table's axle, turned against the table at 1.5 rad/s, drives a
  // rack that slides in a slot fixed to the table at y = -r. In the table's frame the rack moves
  // r * 1.5 m/s, whatever the table does.
  constexpr double kRadius = 0.1, kRelative = 1.5;
  Turntable t;
  const int pinion = t.model.AddBody(scenes::Disk(0, 0, 0.5, kRadius));
  const int rack = t.model.AddBody(scenes::Bar(0, -kRadius, 0, 1, 1));
  const int pinionCentre = t.model.AddPoint(pinion, 0, 0);
  const int tableCentre = t.model.AddPoint(t.table, 0, 0);
  const int slot = t.model.AddPoint(t.table, 0, -kRadius);
  const int rackPoint = t.model.AddPoint(rack, 0, 0);
  t.model.AddConstraint(MakePin(tableCentre, pinionCentre));
  t.model.AddConstraint(MakeMotor(tableCentre, pinionCentre, GoalType::Velocity, kRelative));
  t.model.AddConstraint(MakeSlot(slot, rackPoint, true));
  const int teeth = t.model.AddConstraint(MakeRack(pinionCentre, rackPoint, kRadius));
  Simulation sim(t.model, RunSettings{});
  const Mechanics& m = sim.GetMechanics();
  const double mass = t.model.bodies[rack].mass;
  double worst = 0, worstForce = 0;
  for (int frame = 1; frame <= 30; ++frame) {
    sim.AdvanceTo(frame / 30.0);
    const double time = sim.Time(), angle = kSpin * time;
    const double along = kRadius * kRelative * time;
    const Eigen::Vector2d expected(along * std::cos(angle) + kRadius * std::sin(angle),
                                   along * std::sin(angle) - kRadius * std::cos(angle));
    const BodyState b = m.Body(rack);
    worst = std::max(worst, (Eigen::Vector2d(b.x, b.y) - expected).norm());
    worst = std::max(worst, std::abs(b.r - angle));
    // The teeth hold the rack's speed on the table against the centrifugal pull w^2 s.
    worstForce = std::max(worstForce, std::abs(std::abs(m.ConstraintForce(teeth, Component::X)) -
                                               mass * kSpin * kSpin * along));
  }
  EXPECT_LE(worst, 1e-9);
  EXPECT_LE(worstForce, 1e-7);
  EXPECT_NEAR(m.Body(pinion).vr, kSpin + kRelative, 1e-9);
}

// A bob on a vertical slot hangs from a rope that is the first row of the solve, taut at the
// start; a vertical force other than its weight pulls it.
struct RopeFirst {
  Model model;
  int bob, end;
  explicit RopeFirst(double lift) {
    bob = model.AddBody(scenes::Disk(0, -1, 1, 0.05));
    const int pivot = model.AddPoint(kBackground, 0, 0);
    end = model.AddPoint(bob, 0, 0);
    const int rail = model.AddPoint(kBackground, 0, 0, std::numbers::pi / 2);
    model.AddConstraint(MakeRod({pivot, end}, 1.0, RodType::Rope));
    model.AddConstraint(MakeSlot(rail, end));
    model.AddField(MakeLineGravity({bob}, scenes::kGravity));
    model.AddConstraint(MakeForce(end, 0.0, lift));
  }
};

TEST(MovingFrame, OneSidedFirstRowHoldsAtItsBoundAndNeverPushes) {
  // Pulled down, the rope holds the bob at its length and carries weight and pull.
  RopeFirst down(-5);
  Simulation held(down.model, RunSettings{});
  held.AdvanceTo(0.5);
  EXPECT_NEAR(held.GetMechanics().Body(down.bob).y, -1.0, 1e-12);
  EXPECT_NEAR(held.GetMechanics().ConstraintForce(0, Component::X), scenes::kGravity + 5, 1e-9);
  // Lifted by twice its weight, the rope goes slack at once: it may pull but never push.
  RopeFirst up(2 * scenes::kGravity);
  Simulation lifted(up.model, RunSettings{});
  lifted.AdvanceTo(0.3);
  EXPECT_NEAR(lifted.GetMechanics().Body(up.bob).y, -1.0 + scenes::kGravity * 0.09 / 2, 1e-9);
  EXPECT_NEAR(lifted.GetMechanics().Body(up.bob).x, 0.0, 1e-12);
}

}  // namespace
}  // namespace yb::dynamics
