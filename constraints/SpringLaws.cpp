// The force laws of springs and dampers as formula text for the solver, and the hit tests of
// the drawn linear kinds in their drawing frame.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>

#include "constraints/Springs.h"
#include "core/Alert.h"
#include "core/Failure.h"

namespace {

constexpr int16_t kErrFormulaTooLong = -28811;
// The longest texts of the parts of a law that change without a value being entered: an
// identifier ("-32768"), an exponent ("^(-32768)" is the longest power) and a number's text
// ("-1.7976931348623157e+308").
constexpr int16_t kLongestExponent = INT16_MIN;
constexpr size_t kLongestIdentifier = 6;
constexpr size_t kLongestNumber = 24;
constexpr double kHitTolerance = 1.1;

// A law is solver text: each piece computes its value in internal units.
std::string TextOf(const TFormula& formula) { return formula.InternalText(); }

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
  // Values are checked as they are entered; a law read from a damaged document may still be
  // too long, and a cut law would be another law.
  if (law.size() > kLawTextLimit) {
    char detail[200];
    std::snprintf(detail, sizeof detail,
                  "The force law of constraint %d needs %zu characters; a law holds at most %zu. "
                  "Use shorter formulas.",
                  GetIdentifier(), law.size(), kLawTextLimit);
    FailureDetailText() = Str255(detail);
    ThrowFailure(kErrFormulaTooLong, 0);
  }
  goal.SetFromPieces(Str255(law.c_str()));
}

size_t TXCnstr::LawLengthBound() {
  const std::string law = LawTextFor(kLongestExponent);
  if (law.empty()) return 0;
  size_t bound = law.size();
  const std::string reference = Reference();
  const size_t digits = reference.size() - std::string("Constraint[]").size();
  for (size_t at = law.find(reference); at != std::string::npos; at = law.find(reference, at + 1))
    bound += kLongestIdentifier - std::min(digits, kLongestIdentifier);
  for (TFormula* piece : LawPieces()) {
    if (piece->IsFormula()) continue;
    bound += kLongestNumber - std::min(TextOf(*piece).size(), kLongestNumber);
  }
  return bound;
}

void TXCnstr::AssignLawPiece(TFormula& piece, const TFormula& value) {
  TFormula kept;
  kept.Assign(piece);
  piece.Assign(value);
  const size_t bound = LawLengthBound();
  if (bound <= kLawTextLimit) return;
  piece.Assign(kept);
  char detail[200];
  std::snprintf(detail, sizeof detail,
                "A force law of a spring or damper holds at most %zu characters; with this value "
                "it could need %zu. Use a shorter formula.",
                kLawTextLimit, bound);
  FailureDetailText() = Str255(detail);
  ThrowFailure(kErrFormulaTooLong, 0);
}

void TXCnstr::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag != kTagQuantity) return TTwoPointConstraint::SetFormulaProperty(tag, formula);
  AssignLawPiece(Quantity(), formula);
  MarkChanged();
}

std::vector<TFormula*> TSpringBase::LawPieces() {
  std::vector<TFormula*> pieces = TXCnstr::LawPieces();
  pieces.push_back(rest_.get());
  if (!springDamping_->IsZeroConstant()) pieces.push_back(springDamping_.get());
  return pieces;
}

std::vector<TFormula*> TLDampSpring::LawPieces() {
  std::vector<TFormula*> pieces = TLSpring::LawPieces();
  pieces.push_back(damper_.get());
  return pieces;
}

// Exponent 0 is a constant force: the quantity itself, with the damping term when damped.
std::string TSpringBase::LawTextFor(int16_t e) {
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

std::string TLDampSpring::LawTextFor(int16_t e) {
  return TLSpring::LawTextFor(e) + "-(" + TextOf(*damper_) + ") * " + Reference() + ".dv." +
         Axis();
}

std::string TDamperBase::LawTextFor(int16_t e) {
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
