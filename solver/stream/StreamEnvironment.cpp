#include "solver/stream/StreamEnvironment.h"

#include "solver/dynamics/Mechanics.h"

#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaLexer.h"

namespace yb::stream {

int32_t StreamEnvironment::Participant(int32_t which, FormulaObject& out) const {
  const int32_t status = world_.Participant(which, out);
  if (status != kFormulaOk) return status;
  out.number = binding_.bodyIds[static_cast<size_t>(out.number)];
  return kFormulaOk;
}

// A stream carries no names, so only a kind with an identifier can be found.
int32_t StreamEnvironment::FindObject(std::string_view name, int32_t number,
                                      FormulaObject& out) const {
  if (number < 0) return kFormulaUnknownObject;
  if (FormulaNameEquals(name, "body"))
    out = FormulaObject{FormulaObjectKind::kBody, number};
  else if (FormulaNameEquals(name, "point"))
    out = FormulaObject{FormulaObjectKind::kPoint, number};
  else if (FormulaNameEquals(name, "constraint"))
    out = FormulaObject{FormulaObjectKind::kConstraint, number};
  else
    return kFormulaUnknownObject;
  FormulaObject indexed;
  return ToIndex(out, indexed) ? kFormulaOk : kFormulaUnknownObject;
}

bool StreamEnvironment::ToIndex(const FormulaObject& object, FormulaObject& indexed) const {
  indexed = object;
  switch (object.kind) {
    case FormulaObjectKind::kBody:
      indexed.number = binding_.Body(object.number);
      return indexed.number >= 0;
    case FormulaObjectKind::kPoint:
      indexed.number = binding_.Point(object.number);
      return indexed.number >= 0;
    case FormulaObjectKind::kConstraint:
      return context_.FindConstraint(object.number) != dynamics::kNone;
    default:
      return false;
  }
}

int32_t StreamEnvironment::Member(const FormulaObject& object, FormulaMember member,
                                  FormulaVector& out) const {
  FormulaObject indexed;
  if (!ToIndex(object, indexed)) return kFormulaUnknownObject;
  return world_.Member(indexed, member, out);
}

int32_t StreamEnvironment::InputValue(int32_t number, double& out) const {
  return inputs_.Get(number, out) ? kFormulaOk : kFormulaUnknownObject;
}

int32_t StreamEnvironment::Section(const FormulaObject& body, const FormulaVector& direction,
                                   double& out) const {
  FormulaObject indexed;
  if (!ToIndex(body, indexed)) return kFormulaUnknownObject;
  return world_.Section(indexed, direction, out);
}

}  // namespace yb::stream
