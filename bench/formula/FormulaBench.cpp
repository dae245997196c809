// Evaluating the formulas the program generates most, against muParser on the same arithmetic
// (world references become muParser variables). Compare Ours/<name> (bound to the world's
// arrays, as in a run) and OursUnbound/<name> (every reference asked through the environment)
// with MuParser/<name>. Quantity/<name> evaluates the same text through the program's formula
// quantity (TFormula::Evaluate, unbound): its time against OursUnbound/<name> is what the
// quantity layer adds to each evaluation. The program refuses to run when the sides disagree on
// a value.

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

#include "model/Formula.h"
#include "solver/formula/FormulaProgram.h"

namespace {

// A world whose values live in plain arrays, as the dynamics keep them.
class BenchWorld : public FormulaEnvironment {
 public:
  double body[8][3] = {{0, 0, 0}, {1, 2, 0.1},    {0, 0, 0}, {0.5, 1.5, 0.3},
                       {0, 0, 0}, {-1, 2.5, 1.1}, {0, 0, 0}, {0, 0, 0}};
  double velocity[8][3] = {{0, 0, 0}, {0, 0, 0},       {0, 0, 0}, {2, -1, 0.1},
                           {0, 0, 0}, {-0.5, 0.75, 0}, {0, 0, 0}, {0, 0, 0}};
  double mass[8] = {0, 1, 1, 2, 1, 3, 1, 1};
  double dp[8][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1.2, 0, 0.35}};
  double dv[8][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {-0.6, 0, 0.05}};
  double input[8] = {0, 0, 4.5, 0, 3.0, 0.6, 0, 0};
  double time = 1.25;

  // The dynamics keep their state in arrays like these and offer them for binding.
  const double* Address(Slot slot, const FormulaObject& o, FormulaMember m) const override {
    if (slot == Slot::kTime) return &time;
    if (o.number < 0 || o.number >= 8) return nullptr;
    if (slot == Slot::kInput) return &input[o.number];
    switch (m) {
      case FormulaMember::kPosition:
        return body[o.number];
      case FormulaMember::kVelocity:
        return velocity[o.number];
      case FormulaMember::kDisplacement:
        return dp[o.number];
      case FormulaMember::kDisplacementRate:
        return dv[o.number];
      case FormulaMember::kMass:
        return &mass[o.number];
      default:
        return nullptr;
    }
  }

  int32_t Time(double& out) const override { return out = time, kFormulaOk; }
  int32_t ExternalStep(double& out) const override { return out = 0.01, kFormulaOk; }
  int32_t Participant(int32_t which, FormulaObject& out) const override {
    out = {FormulaObjectKind::kBody, which == 0 ? 3 : 5};
    return kFormulaOk;
  }
  int32_t FindObject(std::string_view, int32_t, FormulaObject&) const override {
    return kFormulaUnknownObject;
  }
  int32_t Member(const FormulaObject& o, FormulaMember m, FormulaVector& out) const override {
    if (o.number < 0 || o.number >= 8) return kFormulaUnknownObject;
    const int i = o.number;
    switch (m) {
      case FormulaMember::kPosition:
        out = {body[i][0], body[i][1], body[i][2]};
        break;
      case FormulaMember::kVelocity:
        out = {velocity[i][0], velocity[i][1], velocity[i][2]};
        break;
      case FormulaMember::kDisplacement:
        out = {dp[i][0], dp[i][1], dp[i][2]};
        break;
      case FormulaMember::kDisplacementRate:
        out = {dv[i][0], dv[i][1], dv[i][2]};
        break;
      case FormulaMember::kMass:
        out = {mass[i], 0, 0};
        break;
      default:
        return kFormulaNoValue;
    }
    return kFormulaOk;
  }
  int32_t InputValue(int32_t n, double& out) const override {
    if (n < 0 || n >= 8) return kFormulaUnknownObject;
    return out = input[n], kFormulaOk;
  }
  int32_t GroupCentreOfMass(int32_t, FormulaVector& out) const override {
    return out = {}, kFormulaOk;
  }
  int32_t Section(const FormulaObject&, const FormulaVector&, double& out) const override {
    return out = 0.4, kFormulaOk;
  }
  int32_t Interaction(FormulaInteraction, const FormulaObject&, const FormulaObject&, int32_t,
                      FormulaVector& out) const override {
    return out = {}, kFormulaOk;
  }
};

struct Pair {
  const char* name;
  const char* ours;
  const char* mu;
};

constexpr Pair kPairs[] = {
    {"spring", "-(100) * (Constraint[3].dp.x - (0.5))", "-(100) * (dpx - (0.5))"},
    {"damped_spring", "-((100) * (Constraint[3].dp.x - (0.5)))-(2 * Constraint[3].dv.x)",
     "-((100) * (dpx - (0.5)))-(2 * dvx)"},
    {"spring_power", "-(100) * (Constraint[3].dp.x - (0.5))^(-2)", "-(100) * (dpx - (0.5))^(-2)"},
    {"gear_contact",
     "cos(body[3].p.r)*(body[5].p.x-body[3].p.x)/(1.0+1.0/(2.000000))+sin(body[3].p.r)*(body[5].p."
     "y-body[3].p.y)/(1.0+1.0/(2.000000))",
     "cos(b3r)*(b5x-b3x)/(1.0+1.0/(2.000000))+sin(b3r)*(b5y-b3y)/(1.0+1.0/(2.000000))"},
    {"planetary_gravity", "-self.mass*(6.67408e-11)/sqr(self.p-other.p)*other.mass",
     "-m3*(6.67408e-11)/((b3x-b5x)^2+(b3y-b5y)^2)*m5"},
    {"air_drag", "-|self.v|*section(self,self.v)*(0.5)", "-sqrt(v3x^2+v3y^2)*s3*(0.5)"},
    {"input_binding", "Input[4] * cos(Input[5])", "i4 * cos(i5)"},
    {"pause_condition", "time > 1.0", "t > 1.0"},
};

// bound: the program reads the world's arrays in place, as during a run.
void Ours(benchmark::State& state, const Pair& pair, bool bound) {
  const BenchWorld world;
  FormulaProgram program;
  if (parse_equation(pair.ours, program) != kFormulaOk) {
    state.SkipWithError("does not compile");
    return;
  }
  if (bound) program.Bind(world);
  for (auto _ : state) {
    double value = 0.0;
    const int32_t status = execute_program(program, &world, value);
    // Both answers are consumed as they are, as muParser's value is below; converting the status
    // and adding it would time arithmetic that is not evaluation.
    const double result = value;
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(status);
  }
}

// The same text as a formula quantity, evaluated as the program evaluates one.
void Quantity(benchmark::State& state, const Pair& pair) {
  const BenchWorld world;
  TFormula formula;
  formula.SetFromPieces(Str255(pair.ours));
  if (formula.CompileError() != 0 || formula.Compile(1.0, nullptr) != 0) {
    state.SkipWithError("does not compile");
    return;
  }
  for (auto _ : state) {
    const double result = formula.Evaluate(&world);
    benchmark::DoNotOptimize(result);
  }
}

// muParser with variables holding the same values the references read.
struct MuSetup {
  explicit MuSetup(const BenchWorld& w)
      : values{w.dp[3][0],       w.dv[3][0],   w.body[3][0], w.body[3][1], w.body[3][2],
               w.body[5][0],     w.body[5][1], w.mass[3],    w.mass[5],    w.velocity[3][0],
               w.velocity[3][1], 0.4,          w.input[4],   w.input[5],   w.time} {
    static constexpr const char* kNames[] = {"dpx", "dvx", "b3x", "b3y", "b3r", "b5x", "b5y", "m3",
                                             "m5",  "v3x", "v3y", "s3",  "i4",  "i5",  "t"};
    for (size_t i = 0; i < std::size(kNames); ++i)
      parser.DefineVar(kNames[i], &values[i]);
  }
  // Compiles the text; false when muParser refuses it.
  bool Set(const char* text) {
    try {
      parser.SetExpr(text);
      parser.Eval();
      return true;
    } catch (const mu::Parser::exception_type&) {
      return false;
    }
  }
  double values[15];
  mu::Parser parser;
};

void MuParser(benchmark::State& state, const Pair& pair) {
  const BenchWorld world;
  MuSetup mu(world);
  if (!mu.Set(pair.mu)) {
    state.SkipWithError("muParser refuses the text");
    return;
  }
  for (auto _ : state) {
    const double result = mu.parser.Eval();
    benchmark::DoNotOptimize(result);
  }
}

// Both sides must compute the same number, or the comparison means nothing.
bool SameResults() {
  bool same = true;
  for (const Pair& pair : kPairs) {
    const BenchWorld world;
    FormulaProgram program;
    double ours = 0.0;
    MuSetup mu(world);
    if (parse_equation(pair.ours, program) != kFormulaOk || program.Bind(world) < 0 ||
        execute_program(program, &world, ours) != kFormulaOk || !mu.Set(pair.mu)) {
      std::fprintf(stderr, "%s: does not evaluate\n", pair.name);
      same = false;
      continue;
    }
    TFormula quantity;
    quantity.SetFromPieces(Str255(pair.ours));
    if (quantity.Evaluate(&world) != ours) {
      std::fprintf(stderr, "%s: the quantity does not give the program's value\n", pair.name);
      same = false;
    }
    const double theirs = mu.parser.Eval();
    if (std::fabs(ours - theirs) > 1e-12 * std::max(1.0, std::fabs(theirs))) {
      std::fprintf(stderr, "%s: %.17g here, %.17g in muParser\n", pair.name, ours, theirs);
      same = false;
    }
  }
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (!SameResults()) return 1;
  for (const Pair& pair : kPairs) {
    benchmark::RegisterBenchmark((std::string("Ours/") + pair.name).c_str(), Ours, pair, true);
    benchmark::RegisterBenchmark((std::string("OursUnbound/") + pair.name).c_str(), Ours, pair,
                                 false);
    benchmark::RegisterBenchmark((std::string("Quantity/") + pair.name).c_str(), Quantity, pair);
    benchmark::RegisterBenchmark((std::string("MuParser/") + pair.name).c_str(), MuParser, pair);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
