// Telling a change to the world's objects that match it, and the searches of the extra list.

#include <algorithm>
#include <unordered_set>

#include "model/world/WorldDoc.h"

void TWorldDoc::ForEachObjectMatching(const TObjectMatch& match) {
  // An object both in the world and linked to another takes the change once.
  std::unordered_set<TLink*> handled;
  const auto handle = [&](TLink& object) {
    if (!handled.insert(&object).second) return;
    if (match.give) match.give(object);
    if (match.redraw) object.Changed();
  };
  const auto accepts = [&match](TLink& object) { return match.accepts && match.accepts(object); };
  const std::vector<TLink*> objects = Objects();
  for (TLink* object : objects) {
    if (object == nullptr) continue;
    if (accepts(*object) || (match.alsoAccepts && match.alsoAccepts(*object))) handle(*object);
  }
  for (TLink* object : objects) {
    if (object == nullptr) continue;
    for (TLink* related : object->Linked())
      if (related != nullptr && accepts(*related)) handle(*related);
  }
  if (!match.notify) return;
  for (TLink* listener : match.listeners)
    if (listener != nullptr) match.notify(*listener);
}

void TWorldDoc::AddToExtraList(TLink* object) {
  if (object != nullptr && std::find(extraList_.begin(), extraList_.end(), object) == extraList_.end())
    extraList_.push_back(object);
}

TLink* TWorldDoc::FindInExtraList(bool (*test)(TLink& object, void* context),
                                  void* context) const {
  if (test == nullptr) return nullptr;
  for (TLink* object : extraList_)
    if (test(*object, context)) return object;
  return nullptr;
}

TLink* TWorldDoc::FindInExtraListByCode(int16_t code) const {
  for (TLink* object : extraList_)
    if (object->IsMemberClass(code)) return object;
  return nullptr;
}
