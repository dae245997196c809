// Where a point lands in a world: the body under a dropped point, and what a change of a
// point's coordinates does to its outside flag.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "model/world/WorldDoc.h"

namespace {

// Whether one of the point's constraints already ties it to another point on the body.
bool TiedToBody(const TPoint& point, const TMass* body) {
  return point.FirstConstraintThat([&point, body](TPointConstraintHooks& hooks) {
           for (TPoint* other : hooks.OwnPoints())
             if (other != nullptr && other != &point && other->GetBody() == body) return true;
           return false;
         }) != nullptr;
}

TMass* Background(const TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (object->GetIdentifier() == kBackgroundIdentifier && object->IsMemberClass(kBodyClassId))
      return static_cast<TMass*>(object);
  return nullptr;
}

}  // namespace

void PlacePointInWorld(TWorldDoc& world, TPoint& point, const TVector3& position,
                       uint16_t keepOnSameBody) {
  TMass* target = nullptr;
  if (point.CanAttach()) {
    const std::vector<TLink*> objects = world.Objects();
    for (auto it = objects.rbegin(); it != objects.rend() && target == nullptr; ++it) {
      TLink* object = *it;
      if (!object->IsMemberClass(kBodyClassId) || object->GetIdentifier() == kBackgroundIdentifier)
        continue;
      auto* body = static_cast<TMass*>(object);
      TVector local(position.x, position.y);
      body->WorldToLocal(local);
      if (body->HitTestLocal(local) && !TiedToBody(point, body)) target = body;
    }
  }
  if (target == nullptr) target = Background(world);
  const bool sameBody = target == point.GetBody();
  if (!sameBody) point.AttachToBody(target);
  if (!sameBody || keepOnSameBody == 0) point.SetWorldPosition(position);
}

void PointChangedInWorld(TWorldDoc& world, TPoint& point, uint16_t keep) {
  if (point.AnyConstraintClaims()) keep = 1;
  if (keep == 0 && point.IsShown() != 0) {
    PlacePointInWorld(world, point, point.GetWorldPosition(), 0);
    return;
  }
  TMass* body = point.GetBody();
  if (body == nullptr) return;
  if (body->HitTestLocal(point.GetLocalXY())) {
    point.SetOutsideFlag(0);
  } else if (keep != 0) {
    if (body->GetIdentifier() != kBackgroundIdentifier) point.SetOutsideFlag(1);
  } else if (point.GetOutsideFlag() == 0) {
    PlacePointInWorld(world, point, point.GetWorldPosition(), 0);
  }
}
