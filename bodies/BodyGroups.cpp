// TMass: the bodies connected to a body through the constraints on its points, the searches
// over such a group, and what the body asks of those constraints for hits and formula changes.

#include <algorithm>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/points/Point.h"
#include "model/world/WorldDoc.h"

namespace {

// The point among a body's attachments, or null for another kind of object.
TPoint* AsPoint(TObject* object) {
  auto* link = static_cast<TLink*>(object);
  return link != nullptr && link->IsMemberClass(TPoint::kClassID) ? static_cast<TPoint*>(link)
                                                                   : nullptr;
}

void AppendOnce(std::vector<TLink*>& list, TLink* object) {
  if (object != nullptr && std::find(list.begin(), list.end(), object) == list.end())
    list.push_back(object);
}

}  // namespace

bool TMass::HitAttachments(int32_t h, int32_t v) {
  if (attachments_ == nullptr) return false;
  for (int32_t i = attachments_->GetCount(); i >= 1; --i) {
    TPoint* point = AsPoint(attachments_->At(i));
    if (point != nullptr && point->HitConstraint(h, v)) return true;
  }
  return false;
}

void TMass::GetDependants(uint32_t tag, std::vector<TLink*>& list) {
  if (tag != body_tags::kTagTwx || attachments_ == nullptr) {
    TVectorMassBase::GetDependants(tag, list);
    return;
  }
  for (int32_t i = 1; i <= attachments_->GetCount(); ++i) {
    const TPoint* point = AsPoint(attachments_->At(i));
    if (point == nullptr) continue;
    point->ForEachConstraint([&list](TPointConstraintHooks& hooks, TLink* constraint) {
      AppendOnce(list, constraint);
      for (TPoint* held : hooks.OwnPoints()) AppendOnce(list, held);
    });
  }
}

// ---- Groups ----------------------------------------------------------------------------------

TMass* TMass::FindInGroup(GroupTest test) {
  std::unordered_set<const TMass*> visited;
  return SearchGroup(test, visited);
}

TMass* TMass::SearchGroup(GroupTest test, std::unordered_set<const TMass*>& visited) {
  if (!visited.insert(this).second) return nullptr;
  uint16_t descend = 1;
  if (test(*this, descend)) return this;
  if (descend == 0) return nullptr;
  TMass* found = nullptr;
  ForEachConnected([&](TMass& neighbour) {
    found = neighbour.SearchGroup(test, visited);
    return found != nullptr;
  });
  return found;
}

void TMass::ForEachInGroup(collection_detail::FunctionRef<void(TMass& body)> action) {
  FindInGroup([&action](TMass& body, uint16_t&) {
    action(body);
    return false;
  });
}

bool TMass::ForEachConnected(BodyVisit visit) {
  const bool ended = ForEachAttachedBody([&visit](TMass& body, TLink*) { return visit(body); },
                                         [](TLink*) { return true; });
  if (ended) return true;
  if (!posX_->IsFormula() && !posY_->IsFormula() && !posRot_->IsFormula()) return false;
  TWorldDoc* world = GetWorld();
  TLink* ground = world != nullptr ? world->FindObject(0) : nullptr;
  if (ground == nullptr || ground == this || !ground->IsMemberClass(TMass::kClassID)) return false;
  return visit(*static_cast<TMass*>(ground));
}

bool TMass::ForEachAttachedBody(AttachedBodyStep bodyStep, ElementStep elementStep) {
  if (attachments_ == nullptr) return false;
  // A copy: a step may change what hangs on the body.
  std::vector<TObject*> attached;
  for (int32_t i = 1; i <= attachments_->GetCount(); ++i) attached.push_back(attachments_->At(i));
  bool ended = false;
  for (TObject* object : attached) {
    const TPoint* point = AsPoint(object);
    if (point == nullptr) continue;
    point->ForEachConstraint([&](TPointConstraintHooks& hooks, TLink* constraint) {
      // A constraint switched out of the mechanism connects nothing.
      if (ended || !hooks.IsInactive() || !elementStep(constraint)) return;
      for (TPoint* held : hooks.OwnPoints()) {
        TMass* body = held->GetBody();
        if (body == nullptr || body == this) continue;
        if (bodyStep(*body, static_cast<TLink*>(object))) {
          ended = true;
          return;
        }
      }
    });
    if (ended) return true;
  }
  return false;
}
