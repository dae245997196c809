// The rules of the formula language: precedence checked against muParser on plain arithmetic,
// malformed text refused with its code and position, evaluation faults reported, not NaN.

#include <gtest/gtest.h>
#include <muParser.h>

#include <cmath>
#include <string>

#include "solver/formula/FormulaProgram.h"
#include "tests/solver/formula/FormulaTestWorld.h"

namespace {

struct Compiled {
  int32_t code;
  int32_t position;
};

Compiled Compile(const std::string& text) {
  FormulaProgram program;
  Compiled result{0, -1};
  result.code = parse_equation(text, program, &result.position);
  return result;
}

int32_t Evaluate(const std::string& text, const FormulaEnvironment* env, double& value) {
  FormulaProgram program;
  const int32_t code = parse_equation(text, program);
  EXPECT_EQ(code, kFormulaOk) << text;
  return execute_program(program, env, value);
}

double Value(const std::string& text) {
  double value = std::nan("");
  EXPECT_EQ(Evaluate(text, nullptr, value), kFormulaOk) << text;
  return value;
}

TEST(FormulaArithmetic, AgreesWithMuParser) {
  // Texts both languages read the same way (no unary minus before "^", no comparisons).
  const char* texts[] = {
      "1+2*3",
      "(1+2)*3",
      "10/4/5",
      "2-3-4",
      "2^10",
      "2^0.5*3",
      "1.5e3/7+.25",
      "sin(0.3)*cos(1.2)+tan(0.1)",
      "sqrt(2)*exp(1.5)-ln(10)",
      "min(3,4)+max(1,2)*abs(-7.5)",
      "(((1.25)))*((2)-(3))/(4+5)",
      "atan(0.7)+asin(0.2)-acos(0.9)",
      "100*(1.2-(0.5))^2",
      "1/3+1/7+1/11",
      "12.5*4/3-2*(6-9)/1e-2",
      "-3*2",
      "-(4+5)*2",
      "2*-3",
  };
  for (const char* text : texts) {
    mu::Parser oracle;
    oracle.SetExpr(text);
    const double expected = oracle.Eval();
    EXPECT_NEAR(Value(text), expected, 1e-12 * std::max(1.0, std::fabs(expected))) << text;
  }
}

// Random arithmetic over inputs and literals, evaluated here (plain and bound to the inputs'
// storage) and by muParser. Divisors are inputs or literals, so no cancellation is amplified.
class RandomArithmetic {
 public:
  explicit RandomArithmetic(uint32_t seed) : random_(seed) {}

  // One expression in both spellings.
  void Make(int depth, std::string& ours, std::string& theirs) {
    const int pick = static_cast<int>(Next() % (depth <= 0 ? 2 : 9));
    if (pick == 0) {
      const std::string literal = std::to_string(0.5 + (Next() % 1000) / 700.0);
      ours = theirs = literal;
      return;
    }
    if (pick == 1) {
      const int n = 1 + static_cast<int>(Next() % 4);
      ours = "Input[" + std::to_string(n) + "]";
      theirs = std::string("i").append(std::to_string(n));
      return;
    }
    std::string a, b, c, d;
    Make(depth - 1, a, b);
    switch (pick) {
      case 2:
      case 3:
      case 4: {
        Make(depth - 1, c, d);
        const char* op = pick == 2 ? "+" : (pick == 3 ? "-" : "*");
        ours = "(" + a + op + c + ")";
        theirs = "(" + b + op + d + ")";
        return;
      }
      case 5:
        Make(0, c, d);
        ours = "(" + a + "/" + c + ")";
        theirs = "(" + b + "/" + d + ")";
        return;
      case 6: {
        const char* f = Next() % 2 == 0 ? "sin" : "cos";
        ours = std::string(f) + "(" + a + ")";
        theirs = std::string(f) + "(" + b + ")";
        return;
      }
      case 7:
        ours = "-(" + a + ")";
        theirs = "-(" + b + ")";
        return;
      default: {
        const char* power = Next() % 2 == 0 ? "2" : "3";
        ours = "(" + a + ")^" + power;
        theirs = "(" + b + ")^" + power;
        return;
      }
    }
  }

 private:
  uint32_t Next() { return random_ = random_ * 1664525u + 1013904223u, random_ >> 8; }
  uint32_t random_;
};

TEST(FormulaArithmetic, RandomExpressionsAgreeWithMuParser) {
  FormulaTestWorld world;
  world.inputs = {{1, 0.75}, {2, -1.25}, {3, 2.5}, {4, 1.125}};
  world.publish = true;
  double i[5] = {0, 0.75, -1.25, 2.5, 1.125};
  RandomArithmetic random(2024);
  for (int trial = 0; trial < 300; ++trial) {
    std::string ours, theirs;
    random.Make(4, ours, theirs);
    mu::Parser oracle;
    for (int n = 1; n <= 4; ++n)
      oracle.DefineVar(std::string("i").append(std::to_string(n)), &i[n]);
    oracle.SetExpr(theirs);
    const double expected = oracle.Eval();
    FormulaProgram plain, bound;
    ASSERT_EQ(parse_equation(ours, plain), kFormulaOk) << ours;
    ASSERT_EQ(parse_equation(ours, bound), kFormulaOk) << ours;
    bound.Bind(world);
    double a = NAN, b = NAN;
    ASSERT_EQ(execute_program(plain, &world, a), kFormulaOk) << ours;
    ASSERT_EQ(execute_program(bound, &world, b), kFormulaOk) << ours;
    EXPECT_EQ(a, b) << ours;
    EXPECT_NEAR(a, expected, 1e-9 * (1.0 + std::fabs(expected))) << ours;
  }
}

TEST(FormulaArithmetic, PrecedenceAndAssociativity) {
  EXPECT_EQ(Value("-2^2"), -4.0);    // unary minus below "^"
  EXPECT_EQ(Value("2^-1"), 0.5);     // a signed exponent needs no parentheses
  EXPECT_EQ(Value("2^3^2"), 512.0);  // "^" to the right
  EXPECT_EQ(Value("1+2 > 2"), 1.0);  // comparisons below arithmetic
  EXPECT_EQ(Value("3 <> 3"), 0.0);
  EXPECT_EQ(Value("3 != 4"), 1.0);
  EXPECT_EQ(Value("2 >= 2 and 1 < 0 or 5 = 5"), 1.0);
  EXPECT_EQ(Value("not 0"), 1.0);
  EXPECT_EQ(Value("not -1"), 1.0);  // true means greater than zero
  EXPECT_EQ(Value("if(-1, 10, 20)"), 20.0);
  EXPECT_EQ(Value("|-3|*2"), 6.0);
  EXPECT_EQ(Value("sqr(-3)"), 9.0);
  EXPECT_NEAR(Value("PI"), 3.14159265358979, 1e-14);  // names ignore case
  EXPECT_EQ(Value("SIN(0)+Max(1,2)"), 2.0);
  EXPECT_EQ(Value(" 1 \t+\n2 "), 3.0);
}

TEST(FormulaErrors, MalformedTextGivesCodeAndPosition) {
  struct Case {
    std::string text;
    int32_t code;
    int32_t position;
  };
  const Case cases[] = {
      {"", kFormulaEmpty, 0},
      {"   ", kFormulaEmpty, 0},
      {"1 + #", kFormulaBadCharacter, 4},
      {"2x", kFormulaBadNumber, 0},
      {"1e+", kFormulaBadNumber, 0},
      {"1.2.3", kFormulaBadNumber, 0},
      {"1e400", kFormulaBadNumber, 0},
      {"foo(1)", kFormulaUnknownName, 0},
      {"2*sin", kFormulaUnknownName, 2},
      {"Wheel + 1", kFormulaUnknownName, 0},
      {"(1+2", kFormulaMissingClose, 0},
      {"|self.v", kFormulaMissingClose, 0},
      {"body[3.5].p.x", kFormulaBadNumber, 5},
      {"body[3.p.x", kFormulaBadNumber, 5},
      {"1 +", kFormulaExpectedOperand, 3},
      {"* 2", kFormulaExpectedOperand, 0},
      {"sin(1, 2)", kFormulaArgumentCount, 0},
      {"if(1, 2)", kFormulaArgumentCount, 0},
      {"extdt(1)", kFormulaArgumentCount, 0},
      {"self.p + 1", kFormulaTypeMismatch, 7},
      {"self.p > 1", kFormulaTypeMismatch, 7},
      {"sin(self.v)", kFormulaTypeMismatch, 4},
      {"angle(3)", kFormulaTypeMismatch, 6},
      {"self.v * self.v", kFormulaTypeMismatch, 7},
      {"self", kFormulaTypeMismatch, 0},
      {"self.speed", kFormulaUnknownMember, 5},
      {"self.p.z", kFormulaUnknownMember, 7},
      {"self.mass.x", kFormulaUnknownMember, 10},
      {"1 2", kFormulaUnexpectedText, 2},
      {"(1))", kFormulaUnexpectedText, 3},
      {"sin(1 2)", kFormulaUnexpectedText, 6},
      {std::string(5000, '1'), kFormulaTooComplex, 4096},
  };
  for (const Case& c : cases) {
    const Compiled result = Compile(c.text);
    EXPECT_EQ(result.code, c.code) << '"' << c.text << '"';
    EXPECT_EQ(result.position, c.position) << '"' << c.text << '"';
    EXPECT_EQ(FormulaErrorNumber(result.code), result.code - 29999);
  }
  EXPECT_EQ(FormulaErrorNumber(kFormulaBadCharacter), -28819);
  EXPECT_EQ(FormulaErrorNumber(kFormulaEmpty), -28809);
  EXPECT_EQ(Compile(std::string(150, '(') + "1" + std::string(150, ')')).code, kFormulaTooComplex);
}

// The limits docs/formula-language.md states, at the limit and one past it.
TEST(FormulaErrors, DocumentedLimitsHoldExactly) {
  const auto nested = [](int depth) {
    return std::string(depth, '(') + "1" + std::string(depth, ')');
  };
  EXPECT_EQ(Compile(nested(100)).code, kFormulaOk);
  EXPECT_EQ(Compile(nested(101)).code, kFormulaTooComplex);
  EXPECT_EQ(Compile(std::string(100, '-') + "1").code, kFormulaOk);
  EXPECT_EQ(Compile(std::string(101, '-') + "1").code, kFormulaTooComplex);
  const auto listOf = [](int count) {
    std::string text = "max(1";
    for (int i = 2; i <= count; ++i)
      text.append(",").append(std::to_string(i));
    return text.append(")");
  };
  EXPECT_EQ(Value(listOf(64)), 64.0);
  EXPECT_EQ(Compile(listOf(65)).code, kFormulaArgumentCount);
  EXPECT_EQ(Compile("min(1)").code, kFormulaArgumentCount);
  // Below the smallest double a literal is 0; above the largest it is malformed.
  EXPECT_EQ(Value("1e-400"), 0.0);
  EXPECT_EQ(Value(std::string("0.").append(400, '0').append("1 + 2")), 2.0);
  EXPECT_EQ(Value("4e-320 * 1e300"), 4e-320 * 1e300);
  EXPECT_EQ(Compile("1e999").code, kFormulaBadNumber);
  EXPECT_EQ(Compile(std::string("1").append(400, '0')).code, kFormulaBadNumber);
}

TEST(FormulaErrors, FailedCompileLeavesNoProgram) {
  FormulaProgram program;
  ASSERT_EQ(parse_equation("1+2", program), kFormulaOk);
  EXPECT_EQ(parse_equation("1+", program), kFormulaExpectedOperand);
  EXPECT_FALSE(program.IsCompiled());
  double value = 7.0;
  EXPECT_EQ(execute_program(program, nullptr, value), kFormulaNoProgram);
  EXPECT_EQ(value, 7.0);
}

TEST(FormulaEvaluation, FaultsAreReportedNotNaN) {
  FormulaTestWorld world;
  struct Case {
    const char* text;
    int32_t code;
  };
  const Case cases[] = {
      {"1/(Input[2]-4.5)", kFormulaDivideByZero},
      {"(self.v/(time-1.25)).x", kFormulaDivideByZero},
      {"sqrt(Input[12])", kFormulaDomain},
      {"ln(Input[12]+1.5)", kFormulaDomain},
      {"asin(Input[2])", kFormulaDomain},
      {"Input[12]^0.5", kFormulaDomain},
      {"(Input[2]-4.5)^(-1)", kFormulaDivideByZero},
      {"exp(Input[2]*1000)", kFormulaOverflow},
      {"Input[2]*1e308*10", kFormulaOverflow},
      {"Input[99]", kFormulaUnknownObject},
      {"body[42].p.x", kFormulaUnknownObject},
      {"Ghost.mass", kFormulaUnknownObject},
      {"Constraint[3].mass", kFormulaNoValue},
      {"contactpair(Body[3], 0).x", kFormulaNoValue},
      {"GroupCofM(0.5).x", kFormulaUnknownObject},
  };
  for (const Case& c : cases) {
    double value = 123.0;
    EXPECT_EQ(Evaluate(c.text, &world, value), c.code) << c.text;
    EXPECT_EQ(value, 123.0) << c.text;
  }
  // No world at all: only formulas that name nothing of it evaluate.
  double value = 0.0;
  EXPECT_EQ(Evaluate("time", nullptr, value), kFormulaNoProgram);
  // A NaN handed in by the world is refused too.
  world.inputs[2] = std::nan("");
  EXPECT_EQ(Evaluate("Input[2]*0", &world, value), kFormulaNoValue);
}

TEST(FormulaEvaluation, BranchesAndLogicEvaluateOnlyWhatTheyNeed) {
  FormulaTestWorld world;
  double value = 0.0;
  EXPECT_EQ(Evaluate("if(Input[2] > 5, 1/0, 2)", &world, value), kFormulaOk);
  EXPECT_EQ(value, 2.0);
  EXPECT_EQ(Evaluate("Input[2] > 5 and Input[99] > 0", &world, value), kFormulaOk);
  EXPECT_EQ(value, 0.0);
  EXPECT_EQ(Evaluate("Input[2] > 1 or Input[99] > 0", &world, value), kFormulaOk);
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(Evaluate("Input[2] > 1 and Input[99] > 0", &world, value), kFormulaUnknownObject);
  // The branches of an if may both be vectors.
  FormulaProgram program;
  ASSERT_EQ(parse_equation("if(time > 1, self.v, other.v).y", program), kFormulaOk);
  EXPECT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(value, world.bodies[3].v.y);
  world.time = 0.0;
  EXPECT_EQ(execute_program(program, &world, value), kFormulaOk);
  EXPECT_EQ(value, world.bodies[5].v.y);
}

TEST(FormulaProgramInfo, ConstantsFoldAndReferencesAreListed) {
  FormulaProgram program;
  ASSERT_EQ(parse_equation("-(2*3)^2 + sqrt(16)", program), kFormulaOk);
  EXPECT_TRUE(program.IsConstant());
  ASSERT_EQ(parse_equation("1/0", program), kFormulaOk);  // left for evaluation to report
  EXPECT_FALSE(program.IsConstant());
  ASSERT_EQ(parse_equation("body[3].p.x - Wheel.p.x + Point[4].v.y", program), kFormulaOk);
  ASSERT_EQ(program.Objects().size(), 3u);
  EXPECT_EQ(program.Objects()[0].object.kind, FormulaObjectKind::kBody);
  EXPECT_EQ(program.Objects()[0].object.number, 3);
  EXPECT_EQ(program.Objects()[1].source, FormulaObjectRef::Source::kNamed);
  EXPECT_EQ(program.Objects()[1].name, "Wheel");
  EXPECT_EQ(program.Objects()[2].object.kind, FormulaObjectKind::kPoint);
  EXPECT_FALSE(program.UsesTime());
  ASSERT_EQ(parse_equation("time > 1.0", program), kFormulaOk);
  EXPECT_TRUE(program.UsesTime());
  double scalar = 0.0;
  ASSERT_EQ(parse_equation("GroupCofM(0)", program), kFormulaOk);
  EXPECT_TRUE(program.IsVector());
  FormulaTestWorld world;
  EXPECT_EQ(execute_program(program, &world, scalar), kFormulaTypeMismatch);
}

}  // namespace
