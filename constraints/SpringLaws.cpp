// The force laws of springs and dampers as formula text for the solver, and the hit tests of
// the drawn linear kinds in their drawing frame.

#include <cmath>

#include "constraints/Springs.h"
#include "core/Failure.h"

namespace {

// A goal text longer than a stored formula would be cut, and the law with it.
constexpr size_t kFormulaTextLimit = 255;
constexpr int16_t kErrFormulaTooLong = -28811;
constexpr double kHitTolerance = 1.1;

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

// Pieces are appended one by one: the texts grow in one buffer.
std::string Power(int16_t e) {
  std::string text;
  if (e == 1) return text;
  text.append(e > 1 ? "^" : "^(").append(std::to_string(e));
  if (e < 0) text.append(")");
  return text;
}

}  // namespace

std::string TXCnstr::Reference() const {
  return "Constraint[" + std::to_string(GetIdentifier()) + "]";
}

void TXCnstr::MarkGoals() {
  TTwoPointConstraint::MarkGoals();
  const int32_t first = GetExtraGoals() + 1;
  if (first > static_cast<int32_t>(Goals().size())) return;
  TCnstrGoal& goal = Goal(first);
  if (IsRotational()) goal.component = static_cast<int32_t>(GoalComponent::kRotation);
  const std::string law = LawText();
  if (law.empty()) return;
  if (law.size() > kFormulaTextLimit) ThrowFailure(kErrFormulaTooLong, 0);
  goal.SetFromPieces(Str255(law.c_str()));
}

// Exponent 0 is a constant force: the quantity itself, with the damping term when damped.
std::string TSpringBase::LawText() {
  const int16_t e = GetExponent();
  const bool damped = !springDamping_->IsZeroConstant();
  const std::string damping =
      damped ? "-((" + TextOf(*springDamping_) + ") * " + Reference() + ".dv." + Axis() + ")" : "";
  if (e == 0) return std::string("(").append(TextOf(Quantity())).append(")").append(damping);
  std::string text = "-(";
  if (damped) text += "(";
  text += TextOf(Quantity()) + ") * (" + Reference() + ".dp." + Axis() + " - (" +
          TextOf(*rest_) + "))" + Power(e);
  if (damped) text.append(")").append(damping);
  return text;
}

std::string TLDampSpring::LawText() {
  return TLSpring::LawText() + "-(" + TextOf(*damper_) + ") * " + Reference() + ".dv." + Axis();
}

std::string TDamperBase::LawText() {
  const int16_t e = GetExponent();
  if (e == 0) return TextOf(Quantity());
  return "-(" + TextOf(Quantity()) + ") * " + Reference() + ".dv." + Axis() + Power(e);
}

bool TLSpring::HitsShape(double x, double y) const {
  const double margin = 1.0 / (kCoilCount + 2);
  return std::fabs(y) <= kHitTolerance && x >= margin && x <= 1.0 - margin;
}

bool TLDamper::HitsShape(double x, double y) const {
  return std::fabs(y) <= kHitTolerance && x >= 0.43 && x <= 0.63;
}

bool TLDampSpring::HitsShape(double x, double y) const {
  if (x < 0.1 || x > 0.9) return false;
  if (y > 0.0) return y < 0.8 || (x >= 0.37 && x <= 0.63 && y < 1.5);
  return y > -1.6;
}
