// The multipliers come from a dense factorisation for small row sets and a sparse one for large
// ones, and a factorisation is kept while the matrix does not change. Whichever path and
// whatever was solved before, an evaluation must give the same accelerations and forces.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "solver/dynamics/Simulation.h"
#include "tests/solver/contact/HeapScene.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

struct Case {
  std::string name;
  Model model;
};

// An anchored floor 20 m wide with its top at y = 0, friction 0.6.
Body FrictionFloor() {
  Body floor;
  floor.anchored = 1;
  floor.y = -0.5;
  floor.shape.kind = Shape::Kind::Rectangle;
  floor.shape.w = 20;
  floor.shape.h = 1;
  floor.staticFriction = floor.kineticFriction = 0.6;
  return floor;
}

// A box of 1 kg and half a metre a side, with the floor's friction, centred at (x, y).
Body HalfMetreBox(double x, double y) {
  Body box = FrictionFloor();
  box.anchored = 0;
  box.x = x;
  box.y = y;
  box.mass = 1;
  box.moment = (0.25 + 0.25) / 12;
  box.shape.w = box.shape.h = 0.5;
  return box;
}

CollisionGroup EveryBodyCollides() {
  CollisionGroup all;
  all.mode = 1;
  all.includes = false;
  return all;
}

// Mechanisms whose solves take every path: closed loops, drives, one-sided rows at their
// bound, limited drives and a row set large enough for the sparse path by default.
std::vector<Case> Cases() {
  std::vector<Case> cases;
  cases.push_back({"four-bar", scenes::FourBar(true).model});
  cases.push_back({"double pendulum", scenes::DoublePendulum().model});
  cases.push_back({"slider-crank", scenes::SliderCrank().model});
  cases.push_back({"gear train", scenes::GearTrain().model});
  cases.push_back({"chain", scenes::Chain(30).model});
  {
    // A taut rope (one-sided, in contact) and a motor held back by its torque limit.
    Model m;
    const int bob = m.AddBody(scenes::Disk(0, -1, 1, 0.1));
    const int wheel = m.AddBody(scenes::Disk(3, 0, 1, 0.5));
    const int pivot = m.AddPoint(kBackground, 0, 0), end = m.AddPoint(bob, 0, 0);
    const int axle = m.AddPoint(kBackground, 3, 0), hub = m.AddPoint(wheel, 0, 0);
    m.AddConstraint(MakeRod({pivot, end}, 1.0, RodType::Rope));
    m.AddConstraint(MakePin(axle, hub));
    Constraint motor = MakeMotor(axle, hub, GoalType::Velocity, 1.0);
    AddDriveLimit(motor, GoalType::Force, 0.5);
    m.AddConstraint(motor);
    m.AddConstraint(MakeTorque(hub, -2.0));
    m.AddField(MakeLineGravity({bob, wheel}, scenes::kGravity));
    cases.push_back({"rope and limited motor", m});
  }
  {
    // Eight boxes stacked on a floor with friction, pushed sideways at the top: every
    // manifold's friction row carries load, and the rows of a stack (normal rows first, then
    // the friction rows) meet only their neighbours'.
    Model m;
    m.AddBody(FrictionFloor());
    std::vector<int> boxes;
    for (int k = 0; k < 8; ++k) {
      boxes.push_back(m.AddBody(HalfMetreBox(0.01 * k, 0.25 + 0.5 * k)));
    }
    m.AddField(MakeLineGravity(boxes, scenes::kGravity));
    const int top = m.AddPoint(boxes.back(), 0, 0.25);
    m.AddConstraint(MakeForce(top, 0.5, 0.0));
    m.collisionGroups.push_back(EveryBodyCollides());
    cases.push_back({"pushed stack of boxes", m});
  }
  {
    // A pyramid of boxes, each above the first row on two below: a normal row meets the rows of
    // its own manifold through both bodies' coordinates, and the rows form no chain or tree the
    // ordering could peel from its ends.
    Model m;
    m.AddBody(FrictionFloor());
    std::vector<int> boxes;
    constexpr int kRows = 4;
    for (int row = 0; row < kRows; ++row)
      for (int k = 0; k < kRows - row; ++k) {
        boxes.push_back(
            m.AddBody(HalfMetreBox((k - (kRows - row - 1) / 2.0) * 0.525, 0.25 + 0.5 * row)));
      }
    m.AddField(MakeLineGravity(boxes, scenes::kGravity));
    m.collisionGroups.push_back(EveryBodyCollides());
    cases.push_back({"pyramid of boxes", m});
  }
  return cases;
}

double Scale(const Eigen::VectorXd& v) {
  return std::max(1.0, v.cwiseAbs().maxCoeff());
}

TEST(Factorisation, DenseAndSparsePathsGiveTheSameAccelerationsAndForces) {
  for (const Case& c : Cases()) {
    Mechanics dense(c.model), sparse(c.model);
    dense.SetDenseLimit(1 << 20);
    sparse.SetDenseLimit(0);
    Eigen::VectorXd state = dense.State();
    dense.Project(0.0, state, 1e-13);
    Eigen::VectorXd other = state;
    sparse.Project(0.0, other, 1e-13);
    ASSERT_LE((state - other).cwiseAbs().maxCoeff(), 1e-12) << c.name;
    Eigen::VectorXd a, b;
    dense.Derivative(0.0, state, a);
    sparse.Derivative(0.0, state, b);
    EXPECT_LE((a - b).cwiseAbs().maxCoeff(), 1e-10 * Scale(a)) << c.name;
    for (int k = 0; k < static_cast<int>(c.model.constraints.size()); ++k)
      for (Component part : {Component::X, Component::Y, Component::Rotation})
        EXPECT_NEAR(dense.ConstraintForce(k, part), sparse.ConstraintForce(k, part),
                    1e-9 * std::max(1.0, std::abs(dense.ConstraintForce(k, part))))
            << c.name << " constraint " << k;
  }
}

TEST(Factorisation, DenseAndSparseRunsStayTogether) {
  for (const Case& c : Cases()) {
    RunSettings settings;
    settings.SetRunMode(RunMode::Custom);
    settings.autoIntegratorError = false;
    settings.integratorError = 1e-9;
    Simulation dense(c.model, settings), sparse(c.model, settings);
    dense.GetMechanics().SetDenseLimit(1 << 20);
    sparse.GetMechanics().SetDenseLimit(0);
    dense.AdvanceTo(0.3);
    sparse.AdvanceTo(0.3);
    const Eigen::VectorXd a = dense.GetMechanics().State(), b = sparse.GetMechanics().State();
    EXPECT_LE((a - b).cwiseAbs().maxCoeff(), 1e-8 * Scale(a)) << c.name;
  }
}

// A kept factorisation must never answer for another matrix: evaluations at alternating
// positions (and after projections, which solve other row sets) give exactly what a fresh
// system gives at each position.
TEST(Factorisation, KeptFactorisationsNeverAnswerForAnotherPosition) {
  for (int limit : {1 << 20, 0}) {
    for (const Case& c : Cases()) {
      Mechanics kept(c.model);
      kept.SetDenseLimit(limit);
      Eigen::VectorXd first = kept.State();
      kept.Project(0.0, first, 1e-13);
      Eigen::VectorXd second = first;
      Eigen::VectorXd d;
      kept.Derivative(0.0, first, d);
      second += 0.01 * d;  // a short step away: other positions and velocities
      kept.Project(0.01, second, 1e-13);
      for (const Eigen::VectorXd* state : {&first, &second, &first, &second}) {
        Mechanics fresh(c.model);
        fresh.SetDenseLimit(limit);
        Eigen::VectorXd mine, expected;
        kept.Derivative(0.0, *state, mine);
        fresh.Derivative(0.0, *state, expected);
        EXPECT_LE((mine - expected).cwiseAbs().maxCoeff(), 1e-12 * Scale(expected))
            << c.name << " limit " << limit;
      }
    }
  }
}

// A world of plain pins whose rows keep their layout (a chain swung away from where it was
// released, no entry exactly zero) reassembles its matrix by a kept plan and keeps its
// factorisation while the entries are not made anew: evaluations alternating between two such
// positions give to the last bit what a fresh system gives at each.
TEST(Factorisation, KeptPinAssemblyNeverAnswersForAnotherPosition) {
  const Model model = scenes::Chain(30).model;
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.1);
  const Eigen::VectorXd first = sim.GetMechanics().State();
  sim.AdvanceTo(0.12);
  const Eigen::VectorXd second = sim.GetMechanics().State();
  Mechanics kept(model);
  kept.SetDenseLimit(0);
  for (const Eigen::VectorXd* state : {&first, &second, &first, &first, &second}) {
    Mechanics fresh(model);
    fresh.SetDenseLimit(0);
    Eigen::VectorXd mine, expected;
    kept.Derivative(0.0, *state, mine);
    fresh.Derivative(0.0, *state, expected);
    ASSERT_EQ(mine.size(), expected.size());
    for (int i = 0; i < mine.size(); ++i)
      ASSERT_EQ(mine[i], expected[i]) << "coordinate " << i;
  }
}

// Bounded solves of a few rows (a pair's impact, a ball between two others, a box on a slope,
// the small islands of a heap, a column of balls, a rope beside a limited motor) take a path of
// their own; it must give the general path's answers to the last bit, in either run mode, over
// whole runs.
TEST(Factorisation, FewRowBoundedSolvesMatchTheGeneralPathBitForBit) {
  std::vector<Case> cases;
  {
    // Five touching balls without gravity, the first struck into the others.
    Model m;
    for (int k = 0; k < 5; ++k) {
      Body ball = heap::Ball(k == 0 ? -0.5 : 0.2 * k, 0, 0.1, k == 0 ? 1.0 : 0.0, 0, 0);
      ball.staticFriction = ball.kineticFriction = 0;
      ball.elasticity = 1;
      m.AddBody(ball);
    }
    m.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    cases.push_back({"cradle", m});
  }
  {
    // A box launched up a 20 degree slope, where static friction then holds it.
    const double t = 20 * M_PI / 180, c = std::cos(t), s = std::sin(t);
    Model m;
    Body slope;
    slope.anchored = 1;
    slope.x = 0.5 * s;
    slope.y = -0.5 * c;
    slope.r = t;
    slope.shape.kind = Shape::Kind::Rectangle;
    slope.shape.w = 40;
    slope.shape.h = 1;
    slope.staticFriction = 0.5;
    slope.kineticFriction = 0.3;
    m.AddBody(slope);
    Body box = slope;
    box.anchored = 0;
    box.x = -0.1 * s;
    box.y = 0.1 * c;
    box.mass = 1;
    box.moment = 0.08 / 12;
    box.shape.w = box.shape.h = 0.2;
    box.vx = 2 * c;
    box.vy = 2 * s;
    const int moving = m.AddBody(box);
    m.AddField(MakeLineGravity({moving}, scenes::kGravity));
    m.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    cases.push_back({"launched box", m});
  }
  cases.push_back({"heap", heap::Heap(false, 2, 4)});
  {
    // Columns of three to eight balls stacked on a floor, each ball a centimetre off the one
    // below: every column is an island of six to sixteen rows whose balls roll off each other,
    // stick and slip.
    Model m;
    m.AddBody(FrictionFloor());
    std::vector<int> balls;
    for (int column = 0; column < 6; ++column)
      for (int k = 0; k < 3 + column; ++k)
        balls.push_back(
            m.AddBody(heap::Ball(0.5 * column + 0.01 * (k % 2), 0.1 + 0.2 * k, 0.1, 0, 0, 0)));
    m.AddField(MakeLineGravity(balls, scenes::kGravity));
    m.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    cases.push_back({"columns of balls", m});
  }
  {
    // Twice a box straddling two others on a floor: two islands of twelve rows, where the top
    // box pushes its supports apart, slipping at the bound of its slight friction.
    Model m;
    m.AddBody(FrictionFloor());
    std::vector<int> boxes;
    auto box = [&](double x, double y) {
      Body b = FrictionFloor();
      b.anchored = 0;
      b.x = x;
      b.y = y;
      b.mass = 1;
      b.moment = 0.5 / 12;
      b.shape.w = b.shape.h = 0.5;
      b.staticFriction = b.kineticFriction = 0.05;
      boxes.push_back(m.AddBody(b));
    };
    for (const double x : {-2.0, 2.0}) {
      box(x - 0.2625, 0.25);
      box(x + 0.2625, 0.25);
      box(x, 0.75);
    }
    m.AddField(MakeLineGravity(boxes, scenes::kGravity));
    m.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    cases.push_back({"straddling boxes", m});
  }
  for (const Case& c : Cases())
    if (c.name == "rope and limited motor") cases.push_back(c);
  ASSERT_EQ(cases.size(), 6u);
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate})
    for (const Case& c : cases) {
      RunSettings settings;
      settings.SetRunMode(mode);
      Simulation tiny(c.model, settings), general(c.model, settings);
      general.GetMechanics().SetTinySolves(false);
      for (double time = 0.05; time < 0.5; time += 0.05) {
        tiny.AdvanceTo(time);
        general.AdvanceTo(time);
        const Eigen::VectorXd a = tiny.GetMechanics().State(), b = general.GetMechanics().State();
        ASSERT_EQ(a.size(), b.size());
        for (int i = 0; i < a.size(); ++i)
          ASSERT_EQ(a[i], b[i]) << c.name << " mode " << static_cast<int>(mode) << " at " << time
                                << " coordinate " << i;
      }
      EXPECT_EQ(tiny.GetMechanics().Factorisations(), general.GetMechanics().Factorisations())
          << c.name;
    }
}

// A dense pattern's first assembly takes its products as they were made; later ones (and any
// with rows held) take them grouped by place. Both must add each place's products in the same
// order: a system whose pattern is grouped gives to the last bit what a fresh one gives.
TEST(Factorisation, FirstAndGroupedDenseAssembliesAgreeToTheBit) {
  for (const Case& c : Cases()) {
    Mechanics grouped(c.model);
    grouped.SetDenseLimit(1 << 20);
    Eigen::VectorXd first = grouped.State();
    grouped.Project(0.0, first, 1e-13);
    Eigen::VectorXd d;
    grouped.Derivative(0.0, first, d);
    Eigen::VectorXd second = first + 0.01 * d;
    for (const Eigen::VectorXd* state : {&second, &first}) {
      Mechanics fresh(c.model);
      fresh.SetDenseLimit(1 << 20);
      Eigen::VectorXd mine, expected;
      grouped.Derivative(0.0, *state, mine);
      fresh.Derivative(0.0, *state, expected);
      ASSERT_EQ(mine.size(), expected.size());
      for (int i = 0; i < mine.size(); ++i)
        ASSERT_EQ(mine[i], expected[i]) << c.name << " coordinate " << i;
    }
  }
}

}  // namespace
}  // namespace yb::dynamics
