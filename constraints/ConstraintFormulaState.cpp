// Constraints as formulas see them outside a run: by kind, number and name, with their extent
// (.dp) as the editor places their objects: the length along the attached objects and the
// relative rotation of the ends. Its rate (.dv) is known only to a run.

#include "constraints/Constraint.h"
#include "constraints/ConstraintClasses.h"
#include "simulation/FormulaWorld.h"

namespace {

bool DescribeConstraint(TLink& object, TFormulaObjectState& state) {
  if (!object.IsMemberClass(TCnstr::kClassID)) return false;
  auto& constraint = static_cast<TCnstr&>(object);
  state = TFormulaObjectState();
  state.kind = FormulaObjectKind::kConstraint;
  state.number = constraint.GetIdentifier();
  const Str255& name = constraint.GetName();
  state.name.assign(name.Chars(), static_cast<size_t>(name.Length()));
  state.displacement = FormulaVector{constraint.PathLength(), 0.0, constraint.AngleDifference()};
  state.hasAcceleration = false;
  state.hasDisplacementRate = false;
  return true;
}

}  // namespace

void InstallConstraintFormulaState() {
  InstallFormulaObjectDescriber(DescribeConstraint);
}

void RemoveConstraintFormulaState() {
  RemoveFormulaObjectDescriber(DescribeConstraint);
}
