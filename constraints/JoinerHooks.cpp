// What the world's joiner asks of points, bodies and constraints, answered by the constraint
// layer at start-up.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Constraint.h"
#include "model/world/Joiner.h"

namespace {

TCnstr* AsConstraint(TLink* object) {
  return IsKindOfSafe(object, TCnstr::kClassID) ? static_cast<TCnstr*>(object) : nullptr;
}

TPoint* AsPoint(TLink* object) {
  return IsKindOfSafe(object, TPoint::kClassID) ? static_cast<TPoint*>(object) : nullptr;
}

void ConstraintsOfPoint(const TPoint& point, std::vector<TLink*>& out) {
  TList* list = point.Constraints();
  if (list == nullptr) return;
  for (int32_t i = 1; i <= list->GetCount(); ++i) {
    if (TCnstr* constraint = AsConstraint(static_cast<TLink*>(list->At(i))))
      out.push_back(constraint);
  }
}

}  // namespace

void InstallJoinerHooks() {
  JoinerHooks hooks;
  hooks.isConstraint = [](TLink* object) { return AsConstraint(object) != nullptr; };
  hooks.isActive = [](TLink* object) {
    TCnstr* constraint = AsConstraint(object);
    return constraint != nullptr && constraint->IsActive();
  };
  hooks.canSeparate = [](TLink* object) {
    TCnstr* constraint = AsConstraint(object);
    return constraint != nullptr && constraint->IsInactive() && constraint->CanActivate();
  };
  hooks.constraintsReached = [](TLink* object, std::vector<TLink*>& out) {
    if (AsConstraint(object) != nullptr) out.push_back(object);
    else if (TPoint* point = AsPoint(object)) ConstraintsOfPoint(*point, out);
  };
  hooks.setActive = [](TLink* object, uint16_t on) {
    TCnstr* constraint = AsConstraint(object);
    if (constraint == nullptr) return;
    if (on != 0) constraint->Activate(1);
    else constraint->Deactivate(1);
  };
  hooks.pointsOf = [](TLink* object, std::vector<TLink*>& out) {
    if (AsPoint(object) != nullptr) out.push_back(object);
  };
  hooks.bodyOf = [](TLink* point) -> TLink* { return AsPoint(point)->GetBody(); };
  // Points of one class are of one kind.
  hooks.pointKind = [](TLink* point) -> int32_t { return point->GetClassIDAt(0); };
  hooks.attachments = [](TLink* point) { return AsPoint(point)->ConstraintCount(); };
  SetJoinerHooks(std::move(hooks));
}
