// What the world's joiner asks of points, bodies and constraints, answered by the constraint
// layer at start-up.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Constraint.h"
#include "constraints/Pin.h"
#include "model/world/Joiner.h"

namespace {

TCnstr* AsConstraint(TLink* object) {
  return IsKindOfSafe(object, TCnstr::kClassID) ? static_cast<TCnstr*>(object) : nullptr;
}

TPoint* AsPoint(TLink* object) {
  return IsKindOfSafe(object, TPoint::kClassID) ? static_cast<TPoint*>(object) : nullptr;
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
  hooks.isJoint = [](TLink* object) { return IsKindOfSafe(object, TPin::kClassID); };
  hooks.setActive = [](TLink* object, uint16_t on) {
    TCnstr* constraint = AsConstraint(object);
    if (constraint == nullptr) return;
    if (on != 0) constraint->Activate(1);
    else constraint->Deactivate(1);
  };
  hooks.pointsOf = [](TLink* object, std::vector<TLink*>& out) {
    if (AsPoint(object) != nullptr) out.push_back(object);
  };
  hooks.constraintsOfPoint = [](TLink* object, std::vector<TLink*>& out) {
    TPoint* point = AsPoint(object);
    TList* list = point != nullptr ? point->Constraints() : nullptr;
    if (list == nullptr) return;
    for (int32_t i = 1; i <= list->GetCount(); ++i) {
      if (TCnstr* constraint = AsConstraint(static_cast<TLink*>(list->At(i))))
        out.push_back(constraint);
    }
  };
  hooks.bodyOf = [](TLink* point) -> TLink* { return AsPoint(point)->GetBody(); };
  // Points of one class are of one kind.
  hooks.pointKind = [](TLink* point) -> int32_t { return point->GetClassIDAt(0); };
  hooks.attach = [](TLink* joint, TLink* point) {
    if (TCnstr* constraint = AsConstraint(joint)) constraint->AttachObjectAndUpdate(point);
  };
  hooks.detachAll = [](TLink* joint) {
    TCnstr* constraint = AsConstraint(joint);
    if (constraint == nullptr) return;
    while (!constraint->Attached().empty()) constraint->DetachObject(constraint->Attached().back());
    constraint->MarkChanged();
  };
  SetJoinerHooks(std::move(hooks));
}
