// Every kind of formula text the program generates or ships, compiled and evaluated in a small
// world against the value its producer means.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "solver/formula/FormulaProgram.h"
#include "tests/solver/formula/FormulaTestWorld.h"

namespace {

class FormulaCorpus : public ::testing::Test {
 protected:
  FormulaValue Value(const std::string& text) {
    FormulaProgram program;
    int32_t position = -1;
    const int32_t code = parse_equation(text, program, &position);
    EXPECT_EQ(code, kFormulaOk) << text << ": " << FormulaErrorText(code) << " at " << position;
    FormulaValue value;
    const int32_t status = execute_program(program, &world, value);
    EXPECT_EQ(status, kFormulaOk) << text << ": " << FormulaErrorText(status);
    return value;
  }
  double Scalar(const std::string& text) {
    const FormulaValue value = Value(text);
    EXPECT_FALSE(value.isVector) << text;
    return value.x;
  }

  FormulaTestWorld world;
  const WorldBody& b3 = world.bodies[3];
  const WorldBody& b5 = world.bodies[5];
};

TEST_F(FormulaCorpus, ConstantsAndConditions) {
  EXPECT_EQ(Scalar("true"), 1.0);
  EXPECT_EQ(Scalar("false"), 0.0);
  EXPECT_EQ(Scalar("(0)"), 0.0);
  EXPECT_EQ(Scalar("0"), 0.0);
  EXPECT_EQ(Scalar("2.000000"), 2.0);
  EXPECT_EQ(Scalar("1.7976931348623157e308"), 1.7976931348623157e308);
  EXPECT_EQ(Scalar("9.80664999999999942"), 9.80664999999999942);
  EXPECT_EQ(Scalar("time > 1.0"), 1.0);
  world.time = 0.5;
  EXPECT_EQ(Scalar("time > 1.0"), 0.0);
  // Geometry corrections append the difference, with its sign when negative.
  EXPECT_DOUBLE_EQ(Scalar("(Input[2])+0.25"), 4.75);
  EXPECT_DOUBLE_EQ(Scalar("(Input[2])-0.25"), 4.25);
}

TEST_F(FormulaCorpus, InputBindings) {
  EXPECT_DOUBLE_EQ(Scalar("Input[4] * cos(Input[5])"), 3.0 * std::cos(0.6));
  EXPECT_DOUBLE_EQ(Scalar("Input[4] * sin(Input[5])"), 3.0 * std::sin(0.6));
  EXPECT_DOUBLE_EQ(Scalar("Input[12]"), -1.5);
  EXPECT_DOUBLE_EQ(Scalar("input[2]"), 4.5);
}

TEST_F(FormulaCorpus, CentreOfMassPointAndDescriptions) {
  EXPECT_DOUBLE_EQ(Scalar("GroupCofM(0).x"), 0.1);
  EXPECT_DOUBLE_EQ(Scalar("GroupCofM(0).y"), 1.9);
  // Vector arrows of a body or point named by its description.
  for (const char* d : {"Body[3]", "body[3]"}) {
    const std::string name(d);
    EXPECT_DOUBLE_EQ(Scalar(name + ".a.x"), b3.a.x);
    EXPECT_DOUBLE_EQ(Scalar(name + ".a.y"), b3.a.y);
    EXPECT_DOUBLE_EQ(Scalar(name + ".mass * " + name + ".a.x"), b3.mass * b3.a.x);
    EXPECT_DOUBLE_EQ(Scalar(name + ".charge"), b3.charge);
  }
  EXPECT_DOUBLE_EQ(Scalar("Wheel.v.y"), b5.v.y);
  EXPECT_DOUBLE_EQ(Scalar("Point[4].v.x"), world.points[4].v.x);
  EXPECT_DOUBLE_EQ(Scalar("Point[4].a.y"), world.points[4].a.y);
}

TEST_F(FormulaCorpus, ConstraintForceArrows) {
  const auto force = static_cast<double>(FormulaInteraction::kConstraintForce);
  // Field arrows: field constraint 7 acting on object 3.
  EXPECT_DOUBLE_EQ(Scalar("constraintforce(7,3).x"), 1000 * force + 700 + 30);
  EXPECT_EQ(world.lastField.kind, FormulaObjectKind::kNumber);
  EXPECT_EQ(world.lastObject.number, 3);
  EXPECT_DOUBLE_EQ(Scalar("constraintforce(7,3).y"), -(1000 * force + 700 + 30));
  // A point's constraint force, by name and by number.
  EXPECT_DOUBLE_EQ(Scalar("constraintforce(Point[4]).x"), 1000 * force + 40);
  EXPECT_EQ(world.lastObject.kind, FormulaObjectKind::kPoint);
  EXPECT_DOUBLE_EQ(Scalar("constraintforce(4).x"), 1000 * force + 40);
}

TEST_F(FormulaCorpus, PairArrows) {
  const auto pairs = static_cast<double>(FormulaInteraction::kConstraintPairs);
  const auto forcePair = static_cast<double>(FormulaInteraction::kConstraintForcePair);
  EXPECT_DOUBLE_EQ(Scalar("constraintpairs(4,3)"), 3.0 + 3.0 + pairs);
  for (int pair = 1; pair <= 5; ++pair) {
    const std::string p = std::to_string(pair);
    EXPECT_DOUBLE_EQ(Scalar("constraintforcepair(4,3," + p + ").x"),
                     1000 * forcePair + 400 + 30 + pair);
    EXPECT_DOUBLE_EQ(Scalar("constraintforcepair(4,3," + p + ").y"),
                     -(1000 * forcePair + 400 + 30 + pair));
  }
}

TEST_F(FormulaCorpus, ContactAndFrictionArrows) {
  using Q = FormulaInteraction;
  const std::string b = "Body[3]";
  auto code = [](Q q, int pair) { return 1000.0 * static_cast<double>(q) + 30.0 + pair; };
  EXPECT_DOUBLE_EQ(Scalar("max(contactpairs(" + b + "),collisionpairs(" + b + "))"),
                   std::max(6.0 + static_cast<double>(Q::kContactPairs),
                            6.0 + static_cast<double>(Q::kCollisionPairs)));
  EXPECT_DOUBLE_EQ(Scalar("contactpairs(" + b + ")"), 6.0 + static_cast<double>(Q::kContactPairs));
  EXPECT_DOUBLE_EQ(
      Scalar("contactforcepair(" + b + ",2).x+collisionimpulsepair(" + b + ",2).x/extdt()"),
      code(Q::kContactForcePair, 2) + code(Q::kCollisionImpulsePair, 2) / world.step);
  // The location: the contact's while there is one, else the collision's.
  EXPECT_DOUBLE_EQ(Scalar("if(contactpair(" + b + ",2).x<>0,contactpair(" + b +
                          ",2).x,collisionpair(" + b + ",2).x)"),
                   code(Q::kContactPair, 2));
  EXPECT_DOUBLE_EQ(Scalar("if(contactpair(" + b + ",5).x<>0,contactpair(" + b +
                          ",5).x,collisionpair(" + b + ",5).x)"),
                   code(Q::kCollisionPair, 5));
  EXPECT_DOUBLE_EQ(Scalar("frictionforcepair(" + b + ",1).y"), -code(Q::kFrictionForcePair, 1));
  EXPECT_DOUBLE_EQ(Scalar("contactpair(" + b + ",3).y"), -code(Q::kContactPair, 3));
}

TEST_F(FormulaCorpus, SpringAndDamperLaws) {
  const double x = 1.2;   // Constraint[3].dp.x
  const double r = 0.35;  // Constraint[3].dp.r
  const double v = -0.6;  // Constraint[3].dv.x
  const double k = 100.0, l = 0.5, c = 2.0;
  EXPECT_DOUBLE_EQ(Scalar("-(100) * (Constraint[3].dp.x - (0.5))"), -k * (x - l));
  EXPECT_DOUBLE_EQ(Scalar("-((100) * (Constraint[3].dp.x - (0.5)))-(2 * Constraint[3].dv.x)"),
                   -(k * (x - l)) - c * v);
  EXPECT_DOUBLE_EQ(Scalar("-(100) * (Constraint[3].dp.x - (0.5))^2"), -k * (x - l) * (x - l));
  EXPECT_DOUBLE_EQ(Scalar("-(100) * (Constraint[3].dp.x - (0.5))^(-2)"), -k / ((x - l) * (x - l)));
  EXPECT_DOUBLE_EQ(Scalar("-(100) * (Constraint[3].dp.r - (0.5))^3"), -k * std::pow(r - l, 3));
  // The linear damping spring, and dampers with exponents 1 and 2.
  EXPECT_DOUBLE_EQ(Scalar("-(100) * (Constraint[3].dp.x - (0.5))-(2) * Constraint[3].dv.x"),
                   -k * (x - l) - c * v);
  EXPECT_DOUBLE_EQ(Scalar("-(2) * Constraint[3].dv.x"), -c * v);
  EXPECT_DOUBLE_EQ(Scalar("-(2) * Constraint[3].dv.x^2"), -c * v * v);
  EXPECT_DOUBLE_EQ(Scalar("-(2) * Constraint[3].dv.r"), -c * 0.05);
  EXPECT_DOUBLE_EQ(Scalar("-(Input[2])"), -4.5);
}

TEST_F(FormulaCorpus, GearContactPoints) {
  // Ratio 2, external gears between bodies 3 (a) and 5 (b).
  const double d1 = 1.0 + 1.0 / 2.0;
  const double d2 = 1.0 + 2.0;
  const double px = (b5.p.x - b3.p.x) / d1, py = (b5.p.y - b3.p.y) / d1;
  const std::string p1 = "(body[5].p.x-body[3].p.x)/(1.0+1.0/(2.000000))";
  const std::string q1 = "(body[5].p.y-body[3].p.y)/(1.0+1.0/(2.000000))";
  EXPECT_DOUBLE_EQ(Scalar("cos(body[3].p.r)*" + p1 + "+sin(body[3].p.r)*" + q1),
                   std::cos(b3.p.r) * px + std::sin(b3.p.r) * py);
  EXPECT_DOUBLE_EQ(Scalar("-sin(body[3].p.r)*" + p1 + "+cos(body[3].p.r)*" + q1),
                   -std::sin(b3.p.r) * px + std::cos(b3.p.r) * py);
  const double qx = (b3.p.x - b5.p.x) / d2, qy = (b3.p.y - b5.p.y) / d2;
  const std::string p2 = "(body[3].p.x-body[5].p.x)/(1.0+(2.000000))";
  const std::string q2 = "(body[3].p.y-body[5].p.y)/(1.0+(2.000000))";
  EXPECT_DOUBLE_EQ(Scalar("cos(body[5].p.r)*" + p2 + "+sin(body[5].p.r)*" + q2),
                   std::cos(b5.p.r) * qx + std::sin(b5.p.r) * qy);
  // Internal gears and the background as a partner.
  EXPECT_DOUBLE_EQ(Scalar("(body[0].p.x-body[3].p.x)/(1.0-1.0/(2.000000))"), -b3.p.x / 0.5);
  EXPECT_DOUBLE_EQ(Scalar("(body[5].p.y-body[3].p.y)/(1.0-(2.000000))"), -(b5.p.y - b3.p.y));
}

TEST_F(FormulaCorpus, ForceFields) {
  const double dx = b3.p.x - b5.p.x, dy = b3.p.y - b5.p.y;
  const double d2 = dx * dx + dy * dy;
  EXPECT_DOUBLE_EQ(Scalar("- self.mass * (9.81)"), -b3.mass * 9.81);
  EXPECT_DOUBLE_EQ(Scalar("- self.mass * (9.80664999999999942)"), -b3.mass * 9.80665);
  EXPECT_DOUBLE_EQ(Scalar("-self.mass*(6.67408e-11)/sqr(self.p-other.p)*other.mass"),
                   -b3.mass * 6.67408e-11 / d2 * b5.mass);
  EXPECT_DOUBLE_EQ(Scalar("self.charge * (8987551787.36817646)/sqr(self.p-other.p) * other.charge"),
                   b3.charge * 8987551787.36817646 / d2 * b5.charge);
  const double speed = std::hypot(b3.v.x, b3.v.y);
  const double section = b3.section * (1.0 + std::fabs(b3.v.y) / speed);
  EXPECT_DOUBLE_EQ(Scalar("-|self.v|*section(self,self.v)*(0.5)"), -speed * section * 0.5);
  EXPECT_DOUBLE_EQ(Scalar("-sqr(self.v)*section(self,self.v)*(0.25)"),
                   -speed * speed * section * 0.25);
  EXPECT_DOUBLE_EQ(Scalar("angle(self.v)"), std::atan2(b3.v.y, b3.v.x));
  // The same goal seen from the other body of the pair.
  world.self = 5;
  world.other = 3;
  EXPECT_DOUBLE_EQ(Scalar("-self.mass*(1)/sqr(self.p-other.p)*other.mass"),
                   -b5.mass / d2 * b3.mass);
}

TEST_F(FormulaCorpus, CustomFieldSamples) {
  // Samples a user would pick for a custom field: a central spring and a swirl.
  EXPECT_DOUBLE_EQ(Scalar("-10*(self.p.x-other.p.x)"), -10 * (b3.p.x - b5.p.x));
  EXPECT_DOUBLE_EQ(Scalar("-self.v.y*self.mass"), -b3.v.y * b3.mass);
  EXPECT_DOUBLE_EQ(Scalar("0.1*sin(time)*self.mass"), 0.1 * std::sin(1.25) * b3.mass);
}

TEST_F(FormulaCorpus, VectorResults) {
  const FormulaValue v = Value("self.p-other.p");
  ASSERT_TRUE(v.isVector);
  EXPECT_DOUBLE_EQ(v.x, b3.p.x - b5.p.x);
  EXPECT_DOUBLE_EQ(v.y, b3.p.y - b5.p.y);
  EXPECT_DOUBLE_EQ(v.r, b3.p.r - b5.p.r);
  const FormulaValue w = Value("2*self.v/4");
  EXPECT_DOUBLE_EQ(w.x, b3.v.x / 2);
  EXPECT_DOUBLE_EQ(w.y, b3.v.y / 2);
}

}  // namespace
