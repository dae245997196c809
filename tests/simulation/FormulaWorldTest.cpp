#include "simulation/FormulaWorld.h"

#include <cmath>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "model/Formula.h"

namespace {

int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;
}

double Value(const char* text, const TFormulaWorld& world) {
  TFormula formula;
  formula.SetFromPieces(text);
  EXPECT_EQ(formula.CompileError(), 0) << text;
  return formula.Evaluate(&world);
}

// Two bodies, a point on the first and a rope, inputs 4 and 9, time 2.5.
class FormulaWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFormulaObjectState wheel;
    wheel.number = 1;
    wheel.name = "Wheel";
    wheel.position = {2.0, 3.0, 0.5};
    wheel.velocity = {-1.0, 4.0, 0.25};
    wheel.acceleration = {0.0, -9.81, 0.0};
    wheel.mass = 2.0;
    wheel.charge = 1e-6;
    wheel.hasMass = true;
    world.SetObject(wheel);
    TFormulaObjectState block = wheel;
    block.number = 2;
    block.name = "Block";
    block.position = {5.0, 7.0, 0.0};
    block.mass = 3.0;
    world.SetObject(block);
    TFormulaObjectState point;
    point.kind = FormulaObjectKind::kPoint;
    point.number = 3;
    point.name = "Hinge";
    point.position = {1.0, 1.0, 0.0};
    point.velocity = {0.5, 0.0, 0.0};
    world.SetObject(point);
    TFormulaObjectState rope;
    rope.kind = FormulaObjectKind::kConstraint;
    rope.number = 6;
    rope.displacement = {1.25, 0.0, 0.0};
    rope.displacementRate = {-0.5, 0.0, 0.0};
    world.SetObject(rope);
    world.SetInput(4, 10.0);
    world.SetInput(9, -2.0);
    world.SetTime(2.5);
    world.SetExternalStep(0.04);
  }
  TFormulaWorld world;
};

TEST_F(FormulaWorldTest, MembersInputsAndTime) {
  EXPECT_DOUBLE_EQ(Value("Wheel.p.x + Block.p.y", world), 9.0);
  EXPECT_DOUBLE_EQ(Value("wheel.v.y * Input[4] + time", world), 42.5);
  EXPECT_DOUBLE_EQ(Value("body[2].mass * body[1].a.y", world), 3.0 * -9.81);
  EXPECT_DOUBLE_EQ(Value("Hinge.v.x + Point[3].p.y", world), 1.5);
  EXPECT_DOUBLE_EQ(Value("Constraint[6].dp.x + Constraint[6].dv.x", world), 0.75);
  EXPECT_DOUBLE_EQ(Value("Wheel.charge * 1e6 + Input[9]", world), -1.0);
  EXPECT_DOUBLE_EQ(Value("Wheel.p.r", world), 0.5);
  EXPECT_DOUBLE_EQ(Value("1 / extdt()", world), 25.0);
  // Points have no mass.
  TFormula mass;
  mass.SetFromPieces("Hinge.mass");
  EXPECT_EQ(ErrorOf([&] { mass.Evaluate(&world); }), -28805);
}

TEST_F(FormulaWorldTest, InteractionsComeFromTheRunsRecords) {
  // The force the rope puts on the hinge, and a field's force on a body, as a run recorded them.
  world.SetInteraction(FormulaInteraction::kConstraintForce, {FormulaObjectKind::kNumber, 0},
                       {FormulaObjectKind::kPoint, 3}, 0, {3.0, -4.0, 0.0});
  world.SetInteraction(FormulaInteraction::kConstraintForce, {FormulaObjectKind::kNumber, 12},
                       {FormulaObjectKind::kNumber, 2}, 0, {0.0, -29.43, 0.0});
  world.SetInteraction(FormulaInteraction::kContactPairs, {FormulaObjectKind::kNumber, 0},
                       {FormulaObjectKind::kBody, 1}, 0, {2.0, 0.0, 0.0});
  world.SetInteraction(FormulaInteraction::kContactForcePair, {FormulaObjectKind::kNumber, 0},
                       {FormulaObjectKind::kBody, 1}, 2, {1.0, 8.0, 0.0});
  EXPECT_DOUBLE_EQ(Value("constraintforce(Hinge).y", world), -4.0);
  EXPECT_DOUBLE_EQ(Value("|constraintforce(Hinge)|", world), 5.0);
  EXPECT_DOUBLE_EQ(Value("constraintforce(12,2).y", world), -29.43);
  EXPECT_DOUBLE_EQ(Value("max(contactpairs(Wheel),collisionpairs(Wheel))", world), 2.0);
  EXPECT_DOUBLE_EQ(Value("contactforcepair(Wheel,2).y", world), 8.0);
  // No record: a count is 0, a force has no value.
  EXPECT_DOUBLE_EQ(Value("contactpairs(Block)", world), 0.0);
  TFormula missing;
  missing.SetFromPieces("contactforcepair(Block,1).x");
  EXPECT_EQ(ErrorOf([&] { missing.Evaluate(&world); }), -28805);
}

TEST_F(FormulaWorldTest, DeletedObjectsAndMissingInputsFailClearly) {
  TFormula formula;
  formula.SetFromPieces("Block.p.x + body[2].v.x");
  EXPECT_DOUBLE_EQ(formula.Evaluate(&world), 4.0);
  world.RemoveObject(FormulaObjectKind::kBody, 2);
  EXPECT_EQ(ErrorOf([&] { formula.Evaluate(&world); }), -28806);
  EXPECT_DOUBLE_EQ(formula.GetValue(), 4.0);
  world.RemoveInput(4);
  TFormula input;
  input.SetFromPieces("Input[4]");
  EXPECT_EQ(ErrorOf([&] { input.Evaluate(&world); }), -28806);
  // Field goals: self and other only while set.
  TFormula field;
  field.SetFromPieces("self.mass * other.p.x");
  EXPECT_EQ(ErrorOf([&] { field.Evaluate(&world); }), -28805);
  world.SetParticipants({FormulaObjectKind::kBody, 1}, {FormulaObjectKind::kPoint, 3});
  EXPECT_DOUBLE_EQ(field.Evaluate(&world), 2.0);
  // Geometry callbacks have no value until the geometry layer answers them.
  TFormula centre;
  centre.SetFromPieces("GroupCofM(0).x");
  EXPECT_EQ(ErrorOf([&] { centre.Evaluate(&world); }), -28805);
}

}  // namespace
