#include "scripting/document/WorldObjects.h"

#include <algorithm>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"

IMPLEMENT_DYNAMIC(TAPIObjectStandIn, TAPIDispatcher)
IMPLEMENT_DYNAMIC(TAPIListStandIn, TAPIDispatcher)

namespace {

bool InList(TLink& object, TWorldList list) {
  switch (list) {
    case TWorldList::kBodies:
      return object.IsMemberClass(TMass::kClassID) && !object.IsMemberClass(TZeroMass::kClassID);
    case TWorldList::kMasses: return object.IsMemberClass(TMass::kClassID);
    case TWorldList::kPoints: return object.IsMemberClass(TPoint::kClassID);
    case TWorldList::kConstraints: return object.IsMemberClass(TCnstr::kClassID);
    default: return true;
  }
}

// The stand-in object of the world object among the document object's children.
TAPIObjectStandIn* FindStandIn(TLink& object, TAPIDispatcher* document) {
  for (TAPIDispatcher* child : document->Children())
    if (child->IsKindOf(RUNTIME_CLASS(TAPIObjectStandIn)) && child->target() == &object)
      return static_cast<TAPIObjectStandIn*>(child);
  return nullptr;
}

TAPIDispatcher* MakeStandIn(TLink& object, TAPIDispatcher* document) {
  if (TAPIObjectStandIn* known = FindStandIn(object, document)) return known;
  auto* made = new TAPIObjectStandIn(document->GetAttachedObject(), &object, document);
  made->AddRef();  // the world object's reference
  return made;
}

TAPIDispatcher* MakeStandInCollection(TWorldList list, TAPIDispatcher* document) {
  auto* made = new TAPIListStandIn(document->GetAttachedObject(), list, document);
  made->AddRef();  // the document object's reference
  return made;
}

TLink* StandInTarget(TAPIDispatcher* object) {
  return object->IsKindOf(RUNTIME_CLASS(TAPIObjectStandIn)) ? static_cast<TLink*>(object->target())
                                                          : nullptr;
}

void ForgetStandIn(TLink& object, TAPIDispatcher* document) {
  if (TAPIObjectStandIn* known = FindStandIn(object, document)) known->DeleteIfUnreferenced();
}

TWorldScriptMakers& Installed() {
  static TWorldScriptMakers makers{&MakeStandIn, &MakeStandInCollection, &StandInTarget,
                                   &ForgetStandIn};
  return makers;
}

}  // namespace

std::vector<TLink*> WorldListOf(TWorldDoc& world, TWorldList list) {
  switch (list) {
    case TWorldList::kSelection: return world.Selection();
    case TWorldList::kInputs: return world.Inputs();
    case TWorldList::kOutputs: return world.Outputs();
    default: break;
  }
  std::vector<TLink*> objects = world.Objects();
  std::erase_if(objects, [list](TLink* object) { return !InList(*object, list); });
  return objects;
}

bool WorldHolds(TWorldDoc& world, const TLink* object) {
  if (object == nullptr) return false;
  const std::vector<TLink*> objects = world.Objects();
  return std::find(objects.begin(), objects.end(), object) != objects.end();
}

const TWorldScriptMakers& WorldScriptMakers() { return Installed(); }

void SetWorldScriptMakers(const TWorldScriptMakers& makers) {
  if (makers.object == nullptr || makers.collection == nullptr || makers.target == nullptr ||
      makers.forget == nullptr)
    return;
  Installed() = makers;
}

TAPIObjectStandIn::TAPIObjectStandIn(TAPICallLog* callLog, TLink* object, TAPIDispatcher* document)
    : TAPIDispatcher(callLog, object, document) {
  SetTag(kWorldObjectTag);
}

bool TAPIObjectStandIn::IsKindOfTag(uint32_t tag) const {
  return tag == kWorldObjectTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPIObjectStandIn::GetClassName() const {
  static const Str31 name("TAPIObjectStandIn");
  return name;
}

TAPIListStandIn::TAPIListStandIn(TAPICallLog* callLog, TWorldList list,
                                         TAPIDispatcher* document)
    : TAPIDispatcher(callLog, document, document), list_(list) {
  SetTag(kTag);
}

bool TAPIListStandIn::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPIListStandIn::GetClassName() const {
  static const Str31 name("TAPIListStandIn");
  return name;
}

TWorldDoc* TAPIListStandIn::World(TAPICallContext& context) {
  auto* document = static_cast<TAPIDocument*>(target());
  TQVDoc* owner = document != nullptr ? document->Document() : nullptr;
  if (owner == nullptr) {
    context.Fail(kAPINoTarget);
    return nullptr;
  }
  return &owner->World();
}

APIResult TAPIListStandIn::Count(int32_t* count) {
  TAPICallContext context(this, "");
  *count = 0;
  if (TWorldDoc* world = context.Failed() ? nullptr : World(context))
    *count = static_cast<int32_t>(WorldListOf(*world, list_).size());
  return context.Result();
}

APIResult TAPIListStandIn::Item(int16_t index, TAPIDispatcher** item) {
  TAPICallContext context(this, "");
  *item = nullptr;
  TWorldDoc* world = context.Failed() ? nullptr : World(context);
  if (world == nullptr) return context.Result();
  const std::vector<TLink*> objects = WorldListOf(*world, list_);
  if (index >= 1 && static_cast<size_t>(index) <= objects.size())
    *item = WorldScriptMakers().object(*objects[static_cast<size_t>(index) - 1],
                                       static_cast<TAPIDispatcher*>(target()));
  return context.Result();
}
