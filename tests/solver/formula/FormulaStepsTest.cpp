// Merged evaluation steps: every merged form computes the arithmetic as written, to the last bit,
// and reports the faults the separate instructions would report, whether the program reads the
// world's values in place (bound) or asks for them.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "solver/formula/FormulaProgram.h"
#include "tests/solver/formula/FormulaTestWorld.h"

namespace {

// A test world that counts what it is asked.
class CountingWorld : public FormulaTestWorld {
 public:
  int32_t Participant(int32_t which, FormulaObject& out) const override {
    ++participants;
    return FormulaTestWorld::Participant(which, out);
  }
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override {
    ++members;
    return FormulaTestWorld::Member(object, member, out);
  }
  mutable int participants = 0;
  mutable int members = 0;
};

struct Outcome {
  int32_t status;
  double value;
};

class FormulaSteps : public ::testing::Test {
 protected:
  FormulaSteps() {
    world.inputs[3] = 0.0;
    world.inputs[7] = std::nan("");
    world.inputs[8] = std::numeric_limits<double>::infinity();
    world.publish = true;
  }

  // Evaluates text unbound and bound; both must agree on the status, and to the bit on the value.
  Outcome Run(const std::string& text) {
    FormulaProgram plain, bound;
    EXPECT_EQ(parse_equation(text, plain), kFormulaOk) << text;
    EXPECT_EQ(parse_equation(text, bound), kFormulaOk) << text;
    bound.Bind(world);
    double a = 123.0, b = 123.0;
    const int32_t statusA = execute_program(plain, &world, a);
    const int32_t statusB = execute_program(bound, &world, b);
    EXPECT_EQ(statusA, statusB) << text;
    if (statusA == kFormulaOk && statusB == kFormulaOk) {
      EXPECT_EQ(a, b) << text;
    } else {
      EXPECT_EQ(a, 123.0) << text;  // a fault leaves the result alone
      EXPECT_EQ(b, 123.0) << text;
    }
    return {statusA, a};
  }

  void ExpectValue(const std::string& text, double expected) {
    const Outcome outcome = Run(text);
    EXPECT_EQ(outcome.status, kFormulaOk) << text << ": " << FormulaErrorText(outcome.status);
    EXPECT_EQ(outcome.value, expected) << text;
  }

  void ExpectFault(const std::string& text, int32_t code) {
    EXPECT_EQ(Run(text).status, code) << text;
  }

  size_t BoundSteps(const std::string& text) {
    FormulaProgram program;
    EXPECT_EQ(parse_equation(text, program), kFormulaOk) << text;
    program.Bind(world);
    return program.Steps().size();
  }

  CountingWorld world;
};

TEST_F(FormulaSteps, MergedStepsComputeTheArithmeticAsWritten) {
  const double x = 4.5, y = 3.0, z = 0.6, d = 1.2;
  // A read with constants: the spring's law and its parts.
  ExpectValue("-(100) * (Constraint[3].dp.x - (0.5))", -100.0 * (d - 0.5));
  ExpectValue("Input[2] * 2", x * 2);
  ExpectValue("Input[2] + 0.25", x + 0.25);
  ExpectValue("Input[2] - 0.25", x - 0.25);
  ExpectValue("(Input[2] - 0.5) * 3 + Input[4]", (x - 0.5) * 3 + y);
  ExpectValue("(cos(Input[5]) + 1) * 2", (std::cos(z) + 1) * 2);
  // Two reads, and a read as the operand of a step.
  ExpectValue("Input[2] - Input[4]", x - y);
  ExpectValue("Input[2] + Input[4]", x + y);
  ExpectValue("Input[2] * Input[4]", x * y);
  ExpectValue("cos(Input[5]) - Input[2]", std::cos(z) - x);
  ExpectValue("cos(Input[5]) / Input[2]", std::cos(z) / x);
  // A read on the left of a longer right operand.
  ExpectValue("Input[4] * cos(Input[5])", y * std::cos(z));
  ExpectValue("Input[2] - cos(Input[5])", x - std::cos(z));
  ExpectValue("Input[2] / cos(Input[5])", x / std::cos(z));
  ExpectValue("Input[2] + sin(Input[4]) * Input[5]", x + std::sin(y) * z);
  // A product divided by a constant, and signs moved into constants.
  ExpectValue("cos(Input[5])*sin(Input[4])/1.5", std::cos(z) * std::sin(y) / 1.5);
  ExpectValue("-Input[2] * Input[4]", -x * y);
  ExpectValue("cos(Input[5]) * sin(Input[4]) * 1.5", std::cos(z) * std::sin(y) * 1.5);
  ExpectValue("-Input[2] / 4", -x / 4);
  ExpectValue("2 / -Input[2]", 2 / -x);
  ExpectValue("-Input[2] + 1", -x + 1);
  ExpectValue("-cos(Input[5]) * 3", -std::cos(z) * 3);
  // Powers: small whole exponents multiply, others use pow.
  ExpectValue("Input[2]^2", x * x);
  ExpectValue("Input[2]^3", x * (x * x));
  ExpectValue("Input[2]^(-2)", 1.0 / (x * x));
  ExpectValue("(-Input[2])^3", -x * (x * x));
  ExpectValue("Input[2]^20", std::pow(x, 20.0));
  ExpectValue("Input[2]^0.5", std::pow(x, 0.5));
  // Comparisons with a constant.
  ExpectValue("Input[2] > 4.5", 0.0);
  ExpectValue("Input[2] >= 4.5", 1.0);
  ExpectValue("Input[2] < 4.5", 0.0);
  ExpectValue("Input[2] <= 4.5", 1.0);
  ExpectValue("Input[2] = 4.5", 1.0);
  ExpectValue("Input[2] <> 4.5", 0.0);
  ExpectValue("time > 1.0", 1.0);
  // Functions of one argument.
  ExpectValue("sqrt(Input[2]) + ln(Input[2]) + log(Input[4])",
              std::sqrt(x) + std::log(x) + std::log10(y));
  ExpectValue("asin(Input[5]) - acos(Input[5]) + atan(Input[2]) + tan(Input[5])",
              std::asin(z) - std::acos(z) + std::atan(x) + std::tan(z));
  ExpectValue("sign(-Input[2]) + abs(-Input[2]) + sqr(Input[5]) + exp(Input[5])",
              -1.0 + x + z * z + std::exp(z));
  ExpectValue("max(Input[2], Input[4], 7) - min(Input[2], 1) + atan2(Input[4], Input[2])",
              7.0 - 1.0 + std::atan2(y, x));
  // Where regrouping would round differently: 0.1 * -3 + 0.9 is not (0.1 - 0.3) * -3.
  world.displacement[3][0] = 0.1;
  ExpectValue("-(3) * (Constraint[3].dp.x - (0.3))", -3.0 * (0.1 - 0.3));
}

TEST_F(FormulaSteps, TypicalFormulasTakeFewSteps) {
  // The spring's law is one step, computed without the loop.
  FormulaProgram spring;
  ASSERT_EQ(parse_equation("-(100) * (Constraint[3].dp.x - (0.5))", spring), kFormulaOk);
  spring.Bind(world);
  EXPECT_EQ(spring.Entry(), FormulaEntry::kReadAffine);
  FormulaValue whole;
  double scalar = 0.0;
  ASSERT_EQ(execute_program(spring, &world, whole), kFormulaOk);
  ASSERT_EQ(execute_program(spring, &world, scalar), kFormulaOk);
  EXPECT_FALSE(whole.isVector);
  EXPECT_EQ(whole.x, scalar);
  EXPECT_EQ(execute_program(spring, nullptr, scalar), kFormulaNoProgram);
  // Each counts its closing step.
  EXPECT_EQ(BoundSteps("Input[2] - Input[4]"), 2u);
  EXPECT_EQ(BoundSteps("time > 1.0"), 3u);
  EXPECT_EQ(BoundSteps("Input[4] * cos(Input[5])"), 4u);
  EXPECT_EQ(BoundSteps("-((100) * (Constraint[3].dp.x - (0.5)))-(2 * Input[2])"), 4u);
  EXPECT_EQ(BoundSteps("-|Constraint[3].dp|*Input[2]*(0.5)"), 4u);
  // A constant stays a constant, and a vector never takes the one-step path.
  FormulaProgram program;
  ASSERT_EQ(parse_equation("-(2)*3", program), kFormulaOk);
  EXPECT_TRUE(program.IsConstant());
  EXPECT_EQ(program.Entry(), FormulaEntry::kConstant);
  ASSERT_EQ(parse_equation("Constraint[3].dp", program), kFormulaOk);
  program.Bind(world);
  EXPECT_EQ(program.Entry(), FormulaEntry::kVector);
}

TEST_F(FormulaSteps, FaultsInsideMergedSteps) {
  // Division by zero, with the divisor read, computed or constant.
  ExpectFault("1 / Input[3]", kFormulaDivideByZero);
  ExpectFault("Input[2] / Input[3]", kFormulaDivideByZero);
  ExpectFault("Input[2] / (Input[3] * 2)", kFormulaDivideByZero);
  ExpectFault("cos(Input[5])*sin(Input[3])/0", kFormulaDivideByZero);
  ExpectFault("-Input[2] / 0", kFormulaDivideByZero);
  ExpectFault("2 / -Input[3]", kFormulaDivideByZero);
  ExpectFault("Input[3]^(-2)", kFormulaDivideByZero);
  // Domain errors and overflow.
  ExpectFault("Input[12]^0.5", kFormulaDomain);
  ExpectFault("sqrt(Input[12])", kFormulaDomain);
  ExpectFault("ln(Input[3])", kFormulaDomain);
  ExpectFault("log(Input[12])", kFormulaDomain);
  ExpectFault("asin(Input[2])", kFormulaDomain);
  ExpectFault("acos(-Input[2])", kFormulaDomain);
  ExpectFault("(Input[2] * 1e100)^4", kFormulaOverflow);
  ExpectFault("(Input[2] + 1.7e308) * 2", kFormulaOverflow);
  ExpectFault("Input[2] * Input[2] * 1e307", kFormulaOverflow);
  ExpectFault("exp(Input[2] * 1000)", kFormulaOverflow);
  // A value read that is not a number is refused wherever the read was merged, also where a
  // comparison or a zero factor would hide it.
  ExpectFault("Input[7]", kFormulaNoValue);
  ExpectFault("(Input[7] - 0.5) * 3", kFormulaNoValue);
  ExpectFault("Input[2] - Input[7]", kFormulaNoValue);
  ExpectFault("Input[7] > 1", kFormulaNoValue);
  ExpectFault("Input[8] * 0", kFormulaNoValue);
  ExpectFault("cos(Input[5]) * Input[7]", kFormulaNoValue);
  // A read moved behind its right operand still fails first when the operand could fail too.
  ExpectFault("Input[7] * (1 / Input[3])", kFormulaNoValue);
  ExpectFault("Input[7] * cos(Input[5])", kFormulaNoValue);
  ExpectFault("Input[7] - sqrt(Input[12])", kFormulaNoValue);
}

TEST_F(FormulaSteps, VectorMembersAndParticipants) {
  const WorldBody& s = world.bodies[3];
  const WorldBody& o = world.bodies[5];
  ExpectValue("|self.v|", std::sqrt(s.v.x * s.v.x + s.v.y * s.v.y));
  ExpectValue("sqr(self.v - other.v)",
              (s.v.x - o.v.x) * (s.v.x - o.v.x) + (s.v.y - o.v.y) * (s.v.y - o.v.y));
  const double dp2 = 1.2 * 1.2 + 0.0 * 0.0;
  ExpectValue("|Constraint[3].dp| + sqr(Constraint[3].dp)", std::sqrt(dp2) + dp2);
  const double speed = std::sqrt(s.v.x * s.v.x + s.v.y * s.v.y);
  const double section = s.section * (1.0 + std::fabs(s.v.y) / std::hypot(s.v.x, s.v.y));
  ExpectValue("-|self.v|*section(self,self.v)*(0.5)", -speed * section * 0.5);
  // Answers are kept apart per object and member.
  ExpectValue("self.v.x - other.v.x + self.p.y * other.mass - self.v.y + other.v.y",
              s.v.x - o.v.x + s.p.y * o.mass - s.v.y + o.v.y);
  // A rotation that is not a number spoils the whole vector, though |v| does not use it.
  world.displacement[3][2] = std::nan("");
  ExpectFault("|Constraint[3].dp|", kFormulaNoValue);
  ExpectFault("sqr(Constraint[3].dp)", kFormulaNoValue);
  // self and other are asked once per evaluation, and a member once per object.
  FormulaProgram program;
  ASSERT_EQ(parse_equation("self.mass*self.mass/sqr(self.p-other.p)*other.mass", program),
            kFormulaOk);
  double value = 0.0;
  world.participants = world.members = 0;
  ASSERT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(world.participants, 2);
  EXPECT_EQ(world.members, 4);  // self.mass, self.p, other.p, other.mass
  EXPECT_DOUBLE_EQ(
      value, s.mass * s.mass /
                 ((s.p.x - o.p.x) * (s.p.x - o.p.x) + (s.p.y - o.p.y) * (s.p.y - o.p.y)) * o.mass);
  ASSERT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(world.participants, 4);  // asked again at the next evaluation
  ASSERT_EQ(parse_equation("-|self.v|*section(self,self.v)*(0.5)", program), kFormulaOk);
  world.participants = world.members = 0;
  ASSERT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(world.participants, 1);
  EXPECT_EQ(world.members, 1);
}

TEST_F(FormulaSteps, ArithmeticOnComputedVectors) {
  const WorldBody& s = world.bodies[3];
  const WorldBody& o = world.bodies[5];
  const double dx = s.p.x - o.p.x, dy = s.p.y - o.p.y, dr = s.p.r - o.p.r;
  ExpectValue("|self.p - other.p|", std::sqrt(dx * dx + dy * dy));
  const double vx = s.v.x + o.v.x, vy = s.v.y + o.v.y;
  ExpectValue("sqr(self.v + other.v)", vx * vx + vy * vy);
  ExpectValue("1 + (time > 1)", 2.0);
  ExpectValue("(Input[2] < 1) + 2", 2.0);
  ExpectValue("0.5 + (not Input[2] > 5)", 1.5);
  // A scaled vector has every component scaled, whichever side the number stands on.
  for (const char* text :
       {"(self.p - other.p) * 2.5", "2.5 * (self.p - other.p)", "(self.p - other.p) / 0.4"}) {
    FormulaProgram program;
    ASSERT_EQ(parse_equation(text, program), kFormulaOk) << text;
    FormulaValue value;
    ASSERT_EQ(execute_program(program, &world, value), kFormulaOk) << text;
    EXPECT_TRUE(value.isVector) << text;
    EXPECT_DOUBLE_EQ(value.x, 2.5 * dx) << text;
    EXPECT_DOUBLE_EQ(value.y, 2.5 * dy) << text;
    EXPECT_DOUBLE_EQ(value.r, 2.5 * dr) << text;
  }
}

// A formula of one step answers the same through the evaluation that can give a vector as
// through the one that gives a number.
TEST_F(FormulaSteps, OneStepFormulasAgreeInBothEvaluations) {
  for (const char* text : {"2.5", "time", "Input[2]", "-Input[4]", "self.mass", "other.v.y",
                           "Constraint[3].dp.r", "1 + time"}) {
    for (const bool bind : {false, true}) {
      FormulaProgram program;
      ASSERT_EQ(parse_equation(text, program), kFormulaOk) << text;
      if (bind) program.Bind(world);
      double scalar = 0.0;
      FormulaValue value;
      ASSERT_EQ(execute_program(program, &world, scalar), kFormulaOk) << text;
      ASSERT_EQ(execute_program(program, &world, value), kFormulaOk) << text;
      EXPECT_FALSE(value.isVector) << text;
      EXPECT_EQ(value.x, scalar) << text << (bind ? " bound" : "");
      EXPECT_NE(scalar, 0.0) << text;
    }
  }
}

TEST_F(FormulaSteps, SectionOfAMember) {
  const WorldBody& o = world.bodies[5];
  const double across = o.section * (1.0 + std::fabs(o.v.y) / std::hypot(o.v.x, o.v.y));
  ExpectValue("section(other, other.v)", across);
  ExpectValue("2 * section(body[5], other.v) + 1", 2 * across + 1);
  ExpectFault("section(Ghost, self.v)", kFormulaUnknownObject);
  ExpectFault("section(self, Ghost.v)", kFormulaUnknownObject);
  ExpectFault("section(self, body[42].v)", kFormulaUnknownObject);
  // The member is checked before the section is asked for.
  world.bodies[3].v.r = std::nan("");
  ExpectFault("section(Ghost, self.v)", kFormulaNoValue);
  ExpectFault("section(self, self.v)", kFormulaNoValue);
}

TEST_F(FormulaSteps, BranchesKeepTheirOwnSteps) {
  ExpectValue("if(Input[2] > 5, Input[4], 2) * 2", 4.0);
  ExpectValue("if(Input[2] > 4, Input[4] - 1, Input[5] * 2) + Input[2]", 2.0 + 4.5);
  ExpectValue("-if(Input[2] > 5, 1, Input[4]) * 3", -9.0);
  ExpectValue("Input[2] > 1 and Input[4] - 1 > 0", 1.0);
  ExpectValue("not (Input[2] < 4) or Input[99] > 0", 1.0);
  ExpectValue("Input[2] * (Input[4] > 5 or Input[5] < 1)", 4.5);
  world.inputs[2] = 6.0;
  ExpectValue("if(Input[2] > 5, Input[4], 2) * 2", 6.0);
  ExpectValue("if(Input[2] > 4, Input[4] - 1, Input[5] * 2) + Input[2]", 2.0 + 6.0);
  ExpectFault("if(Input[2] > 5, Input[4] / Input[3], 2) * 2", kFormulaDivideByZero);
}

// A world whose values move to other storage, as arrays do when they grow.
class MovingWorld : public FormulaTestWorld {
 public:
  const double* Address(Slot slot, const FormulaObject& object,
                        FormulaMember member) const override {
    if (slot == Slot::kInput && object.number == 2) return &storage[which];
    return FormulaTestWorld::Address(slot, object, member);
  }
  double storage[2] = {4.0, -8.0};
  int which = 0;
};

TEST(FormulaBindingAgain, FollowsValuesThatMoved) {
  MovingWorld world;
  FormulaProgram program;
  ASSERT_EQ(parse_equation("(Input[2] - 1) * 2 + time", program), kFormulaOk);
  double value = 0.0;
  EXPECT_EQ(program.Bind(world), 1);
  ASSERT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(value, 6.0 + world.time);
  world.which = 1;
  world.publish = true;  // the time is offered now as well
  EXPECT_EQ(program.Bind(world), 2);
  ASSERT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(value, -18.0 + world.time);
  // Binding what was never compiled leaves nothing to run.
  FormulaProgram empty;
  EXPECT_EQ(empty.Bind(world), 0);
  EXPECT_EQ(execute_program(empty, &world, value), kFormulaNoProgram);
}

// Random formulas over reads, constants, signs, comparisons and branches: the bound program,
// where reads merge into steps, must agree with the program that asks for every value.
TEST_F(FormulaSteps, RandomFormulasAgreeBoundAndPlain) {
  uint32_t seed = 77;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  std::function<std::string(int)> make = [&](int depth) -> std::string {
    const uint32_t pick = next(depth <= 0 ? 3 : 14);
    static const char* kReads[] = {"Input[2]",           "Input[4]", "Input[5]",    "Input[3]",
                                   "Constraint[3].dp.x", "time",     "body[3].mass"};
    static const char* kConstants[] = {"0.5", "2", "(-3)", "0", "1e-3", "1.5"};
    switch (pick) {
      case 0:
      case 1:
        return kReads[next(7)];
      case 2:
        return kConstants[next(6)];
      case 3:
        return "(" + make(depth - 1) + "+" + make(depth - 1) + ")";
      case 4:
        return "(" + make(depth - 1) + "-" + make(depth - 1) + ")";
      case 5:
        return "(" + make(depth - 1) + "*" + make(depth - 1) + ")";
      case 6:
        return "(" + make(depth - 1) + "/" + make(depth - 1) + ")";
      case 7:
        return "-" + make(depth - 1);
      case 8:
        return std::string(next(2) == 0 ? "cos(" : "sqrt(") + make(depth - 1) + ")";
      case 9:
        return "(" + make(depth - 1) + ")^" + kConstants[next(6)];
      case 10:
        return "(" + make(depth - 1) + (next(2) == 0 ? ">" : "<=") + make(depth - 1) + ")";
      case 11:
        return "if(" + make(depth - 1) + "," + make(depth - 1) + "," + make(depth - 1) + ")";
      case 12:
        return "(" + make(depth - 1) + (next(2) == 0 ? " and " : " or ") + make(depth - 1) + ")";
      default:
        return "|" + make(depth - 1) + "|";
    }
  };
  int evaluated = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const std::string text = make(4);
    if (Run(text).status == kFormulaOk) ++evaluated;
  }
  EXPECT_GT(evaluated, 100);  // the faults do not crowd out the values
}

}  // namespace
