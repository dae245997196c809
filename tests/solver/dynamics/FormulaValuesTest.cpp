// Goal values given as formula texts, evaluated against the running world.

#include <gtest/gtest.h>

#include <cmath>

#include "solver/dynamics/FormulaValues.h"
#include "solver/dynamics/Simulation.h"
#include "solver/formula/FormulaErrors.h"
#include "tests/solver/dynamics/Scenes.h"

namespace yb::dynamics {
namespace {

TEST(FormulaValues, SpringAndDamperLawsFromTextMatchTheClosedForm) {
  Model model;
  const int mass = model.AddBody(scenes::Disk(1.1, 0, 1, 0.05));
  const int anchor = model.AddPoint(kBackground, 0, 0);
  const int end = model.AddPoint(mass, 0, 0);
  model.AddConstraint(MakeForceLaw(anchor, end, CompileFormula("-100*(Constraint[0].dp.x - 1)")));
  model.AddConstraint(MakeForceLaw(anchor, end, CompileFormula("-(2) * Constraint[1].dv.x")));
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(1.0);
  EXPECT_NEAR(sim.GetMechanics().Body(mass).x - 1, scenes::SpringMass::Displacement(2.0, 1.0),
              1e-9);
}

TEST(FormulaValues, FieldActivationAndConstraintForceFormulas) {
  Model model;
  const int body = model.AddBody(scenes::Disk(0, -1, 2, 0.1));
  const int pivot = model.AddPoint(kBackground, 0, 0);
  const int top = model.AddPoint(body, 0, 1);
  Constraint pin = MakePin(pivot, top);
  pin.activation = CompileFormula("0.25 - time");
  model.AddConstraint(pin);
  Field gravity;
  gravity.members = {body};
  gravity.goals.push_back(
      Goal{GoalType::Force, kEquality, Component::Y, CompileFormula("-self.mass*(9.81)")});
  model.AddField(gravity);
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.1);
  // Hanging at rest: the pin carries the weight, and a formula reads the same force.
  const Context context(sim.GetMechanics(), sim.Time());
  EXPECT_NEAR(CompileFormula("constraintforce(Constraint[0]).y")(context),
              sim.GetMechanics().ConstraintForce(0, Component::Y), 1e-12);
  EXPECT_NEAR(std::abs(sim.GetMechanics().ConstraintForce(0, Component::Y)), 2 * 9.81, 1e-9);
  EXPECT_NEAR(CompileFormula("body[1].p.y")(context), -1, 1e-12);
  EXPECT_NEAR(CompileFormula("point[1].p.y")(context), 0, 1e-12);
  EXPECT_NEAR(CompileFormula("body[1].a.y")(context), 0, 1e-9);
  // Released at 0.25 s, then it falls freely.
  sim.AdvanceTo(0.75);
  EXPECT_NEAR(sim.GetMechanics().Body(body).y, -1 - 9.81 * 0.25 / 2, 1e-10);
  const Context falling(sim.GetMechanics(), sim.Time());
  EXPECT_NEAR(CompileFormula("body[1].a.y")(falling), -9.81, 1e-9);
  EXPECT_NEAR(CompileFormula("GroupCofM(0).y")(falling), -1 - 9.81 * 0.25 / 2, 1e-10);
  double p[3], v[3];
  falling.PointState(1, p, v);
  EXPECT_NEAR(v[1], -9.81 * 0.5, 1e-9);
  EXPECT_EQ(CompileFormula("point[1].v.x")(falling), v[0]);
  EXPECT_EQ(CompileFormula("point[1].v.y")(falling), v[1]);
  EXPECT_EQ(CompileFormula("point[1].v.r")(falling), v[2]);
}

// Three bodies under their mutual gravity and one of them under a uniform field too: each body's
// partners come in the field's order with G m1 m2 / r^2 along the line, equal and opposite, and the
// field's whole force on a body is what moves it.
TEST(FormulaValues, FieldPairsAndForcesOfTheFieldsOnEachBody) {
  Model model;
  const int a = model.AddBody(scenes::Disk(0, 0, 2, 0.1));
  model.AddBody(scenes::Disk(3, 4, 3, 0.1));
  model.AddBody(scenes::Disk(-1, 0, 5, 0.1));
  model.AddBody(scenes::Disk(9, 9, 1, 0.1));
  constexpr double G = 0.5;
  Field mutual = MakePlanetaryGravity({1, 2, 3}, G);
  mutual.id = 7;
  model.AddField(mutual);
  Field weight = MakeLineGravity({a}, 9.81);
  weight.id = 9;
  model.AddField(weight);
  Mechanics mechanics(model);
  const Context context(mechanics, 0.0);
  const auto value = [&](const char* text) { return CompileFormula(text)(context); };
  EXPECT_EQ(value("constraintpairs(7,1)"), 2);
  EXPECT_EQ(value("constraintpairs(7,4)"), 0);  // not in the field
  EXPECT_EQ(value("constraintpairs(9,1)"), 0);  // a field on each body alone has no pairs
  // Body 1's partners: body 2 at 5 m, then body 3 at 1 m.
  const double near = G * 2 * 3 / 25;
  EXPECT_NEAR(value("constraintforcepair(7,1,1).x"), near * 3 / 5, 1e-15);
  EXPECT_NEAR(value("constraintforcepair(7,1,1).y"), near * 4 / 5, 1e-15);
  EXPECT_NEAR(value("constraintforcepair(7,2,1).x"), -near * 3 / 5, 1e-15);
  EXPECT_NEAR(value("constraintforcepair(7,2,1).y"), -near * 4 / 5, 1e-15);
  EXPECT_NEAR(value("constraintforcepair(7,1,2).x"), -G * 2 * 5, 1e-14);
  EXPECT_EQ(value("constraintforcepair(7,1,3).x"), 0);  // beyond the pairs
  EXPECT_NEAR(value("constraintforce(7,1).x"), near * 3 / 5 - G * 10, 1e-14);
  EXPECT_NEAR(value("constraintforce(9,1).y"), -2 * 9.81, 1e-12);
  EXPECT_EQ(value("constraintforce(9,2).y"), 0);
  try {
    value("constraintpairs(8,1)");
    FAIL();
  } catch (const DynamicsError& e) {
    EXPECT_EQ(e.code, FormulaErrorNumber(kFormulaUnknownObject));
  }
  // While they fall together, each body's fields give its mass times its acceleration.
  Simulation sim(model, RunSettings{});
  sim.AdvanceTo(0.2);
  const Context moving(sim.GetMechanics(), sim.Time());
  for (const char* body : {"1", "2", "3"}) {
    SCOPED_TRACE(body);
    const std::string b = body;
    const double fx =
        CompileFormula("constraintforce(7," + b + ").x + constraintforce(9," + b + ").x")(moving);
    const double fy =
        CompileFormula("constraintforce(7," + b + ").y + constraintforce(9," + b + ").y")(moving);
    EXPECT_NEAR(fx, CompileFormula("body[" + b + "].mass * body[" + b + "].a.x")(moving), 1e-9);
    EXPECT_NEAR(fy, CompileFormula("body[" + b + "].mass * body[" + b + "].a.y")(moving), 1e-9);
  }
}

TEST(FormulaValues, InputsSectionsAndConstants) {
  Model model;
  Body plate = scenes::Bar(0, 0, std::numbers::pi / 2, 1, 2);
  plate.shape.kind = Shape::Kind::Rectangle;
  plate.shape.w = 2;
  plate.shape.h = 0.5;
  model.AddBody(plate);
  model.inputs = {3.5};
  Mechanics mechanics(model);
  const Context context(mechanics, 0.0);
  EXPECT_DOUBLE_EQ(CompileFormula("Input[1] * 2")(context), 7.0);
  // Turned upright, the 2 m side faces a horizontal flow.
  WorldEnvironment world(context);
  double width = 0;
  ASSERT_EQ(
      world.Section(FormulaObject{FormulaObjectKind::kBody, 1}, FormulaVector{1, 0, 0}, width),
      kFormulaOk);
  EXPECT_NEAR(width, 2.0, 1e-12);
  ASSERT_EQ(
      world.Section(FormulaObject{FormulaObjectKind::kBody, 1}, FormulaVector{0, 3, 0}, width),
      kFormulaOk);
  EXPECT_NEAR(width, 0.5, 1e-12);
  const Value constant = CompileFormula("3+4");
  EXPECT_TRUE(constant.IsConstant());
  EXPECT_DOUBLE_EQ(constant.Constant(), 7.0);
}

TEST(FormulaValues, BadTextAndFailedEvaluationAreReported) {
  try {
    CompileFormula("3 + * 4");
    FAIL();
  } catch (const DynamicsError& e) {
    EXPECT_GE(e.code, -28819);
    EXPECT_LE(e.code, -28809);
  }
  Model model;
  model.AddBody(scenes::Disk(0, 0, 1, 0.1));
  Mechanics mechanics(model);
  const Context context(mechanics, 0.0);
  try {
    CompileFormula("body[7].p.x")(context);
    FAIL();
  } catch (const DynamicsError& e) {
    EXPECT_EQ(e.code, FormulaErrorNumber(kFormulaUnknownObject));
  }
  try {
    CompileFormula("1/time")(context);
    FAIL();
  } catch (const DynamicsError& e) {
    EXPECT_EQ(e.code, FormulaErrorNumber(kFormulaDivideByZero));
  }
}

}  // namespace
}  // namespace yb::dynamics
