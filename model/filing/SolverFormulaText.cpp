#include "model/filing/SolverFormulaText.h"

#include <string>

#include "solver/formula/FormulaProgram.h"

namespace {

// The reference as the solver's stream environment reads it; false for a kind it does not know.
bool ReferenceText(const FormulaObject& object, std::string& out) {
  switch (object.kind) {
    case FormulaObjectKind::kBody:
      out = "body[";
      break;
    case FormulaObjectKind::kPoint:
      out = "point[";
      break;
    case FormulaObjectKind::kConstraint:
      out = "Constraint[";
      break;
    default:
      return false;
  }
  if (object.number < 0) return false;
  out += std::to_string(object.number);
  out += ']';
  return true;
}

}  // namespace

std::string SolverFormulaText(std::string_view text, const TFormulaNamer& namer) {
  FormulaProgram program;
  if (parse_equation(text, program) != kFormulaOk) return std::string(text);
  std::string out;
  size_t copied = 0;
  // The compiler lists every reference where it stands, in the order of the text.
  for (const FormulaObjectRef& ref : program.Objects()) {
    if (ref.source != FormulaObjectRef::Source::kNamed || ref.textStart < 0) continue;
    const auto start = static_cast<size_t>(ref.textStart);
    const auto end = static_cast<size_t>(ref.textEnd);
    if (start < copied || end > text.size() || end < start) continue;
    FormulaObject object;
    std::string replacement;
    if (!namer.Resolve(ref.name, ref.object.number, object) ||
        !ReferenceText(object, replacement))
      continue;
    out.append(text.substr(copied, start - copied));
    out += replacement;
    copied = end;
  }
  if (copied == 0) return std::string(text);
  out.append(text.substr(copied));
  return out;
}
