#pragma once
// Formula texts as goal values: compiled once, then evaluated against the running world. The
// world answers a formula's questions (bodies, points, constraints, self and other of a field,
// inputs, time) from the integrator's current state.

#include <string_view>

#include "solver/dynamics/Context.h"
#include "solver/dynamics/Mechanics.h"
#include "solver/formula/FormulaEnvironment.h"

namespace yb::dynamics {

// Compiles a formula text into a Value: a constant when the text names nothing of the world. A
// malformed text raises DynamicsError with the formula error number and the offset of the fault
// in the message. An evaluation that fails while running raises DynamicsError with the
// evaluator's error number.
Value CompileFormula(std::string_view text);

// A value of the world too large to hold, met by a formula: the constraint (model index) whose
// value overflowed, or kNone with the body in DynamicsError::body.
struct OverflowError : DynamicsError {
  int constraint = kNone;
};

// Raises the DynamicsError of a formula evaluation that failed with the result code. A formula
// that failed because a value of the world overflowed before it read it raises OverflowError
// (kErrNotANumber) naming the constraint or body that holds the value, not a value missing from
// the object it asked; a constraint's law whose own result overflowed names that constraint.
[[noreturn]] void ThrowFormulaFailure(const Context& context, int32_t result);

// The running world as a formula environment.
class WorldEnvironment : public FormulaEnvironment {
 public:
  explicit WorldEnvironment(const Context& context) : context_(context) {}

  int32_t Time(double& out) const override;
  int32_t ExternalStep(double& out) const override;
  int32_t Participant(int32_t which, FormulaObject& out) const override;
  int32_t FindObject(std::string_view name, int32_t number, FormulaObject& out) const override;
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override;
  int32_t InputValue(int32_t number, double& out) const override;
  int32_t GroupCentreOfMass(int32_t group, FormulaVector& out) const override;
  int32_t Section(const FormulaObject& body, const FormulaVector& direction,
                  double& out) const override;
  int32_t Interaction(FormulaInteraction query, const FormulaObject& field,
                      const FormulaObject& object, int32_t pair, FormulaVector& out) const override;

 private:
  int32_t Contact(FormulaInteraction query, const FormulaObject& object, int32_t pair,
                  FormulaVector& out) const;
  int32_t FieldInteraction(FormulaInteraction query, const FormulaObject& field,
                           const FormulaObject& object, int32_t pair, FormulaVector& out) const;
  const Context& context_;
};

}  // namespace yb::dynamics
