// The formula compiler and evaluator under arbitrary text. Built as a libFuzzer program with
// clang (FormulaFuzzer.cmake) and replayed over the committed seeds by solver_tests. Any broken
// promise traps: a failure code outside the compiler's range, an error position outside the text,
// or an evaluation that answers success with a non-finite value.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "solver/formula/FormulaProgram.h"
#include "tests/solver/fuzz/FormulaFuzzEntry.h"

namespace {

// Answers every query with ordinary values; object 13 is missing, so lookup faults are reached.
class FuzzWorld : public FormulaEnvironment {
 public:
  int32_t Time(double& out) const override { return out = 1.5, kFormulaOk; }
  int32_t ExternalStep(double& out) const override { return out = 0.01, kFormulaOk; }
  int32_t Participant(int32_t which, FormulaObject& out) const override {
    out = {FormulaObjectKind::kBody, which + 1};
    return kFormulaOk;
  }
  int32_t FindObject(std::string_view name, int32_t number, FormulaObject& out) const override {
    out = {FormulaObjectKind::kOther, static_cast<int32_t>(name.size()) + number};
    return number == 13 ? kFormulaUnknownObject : kFormulaOk;
  }
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override {
    if (object.number == 13) return kFormulaUnknownObject;
    const double k = object.number + static_cast<int>(member);
    out = {k, -k, 0.5 * k};
    return kFormulaOk;
  }
  int32_t InputValue(int32_t number, double& out) const override {
    out = number * 0.25;
    return number == 13 ? kFormulaUnknownObject : kFormulaOk;
  }
  int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const override {
    out = {1.0 * group, 2.0, 0.0};
    return kFormulaOk;
  }
  int32_t Section(const FormulaObject&, const FormulaVector& d, double& out) const override {
    out = std::fabs(d.x) + 1.0;
    return kFormulaOk;
  }
  int32_t Interaction(FormulaInteraction query, const FormulaObject& field,
                      const FormulaObject& object, int32_t pair,
                      FormulaVector& out) const override {
    out = {static_cast<double>(query) + field.number, 1.0 * object.number, 1.0 * pair};
    return kFormulaOk;
  }
};

}  // namespace

// 0 when the compiler and evaluator kept every promise on this text, else which one broke.
int FormulaFuzzCheck(const uint8_t* data, size_t size, FormulaFuzzReach* reach) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FormulaProgram program;
  int32_t position = -1;
  const int32_t code = parse_equation(text, program, &position);
  if (code != kFormulaOk) {
    if (code < kFormulaBadCharacter || code > kFormulaEmpty) return 1;
    if (position < 0 || static_cast<size_t>(position) > size) return 2;
    return program.IsCompiled() ? 3 : 0;
  }
  if (!program.IsCompiled() || program.StackDepth() > FormulaProgram::kMaxStack) return 4;
  if (reach != nullptr) ++reach->compiled;
  const FuzzWorld world;
  FormulaValue value;
  const int32_t status = execute_program(program, &world, value);
  if (reach != nullptr) ++(status == kFormulaOk ? reach->evaluated : reach->faulted);
  if (status == kFormulaOk) {
    const bool finite = std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.r);
    return finite ? 0 : 5;
  }
  return status < kFormulaDivideByZero || status > kFormulaNoProgram ? 6 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (FormulaFuzzCheck(data, size, nullptr) != 0) __builtin_trap();
  return 0;
}
