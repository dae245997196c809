#include "scripting/document/WorldObjects.h"

#include <algorithm>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APIBody.h"
#include "scripting/objects/APIConstraint.h"
#include "scripting/objects/APIInput.h"
#include "scripting/objects/APILink.h"
#include "scripting/objects/APIOutput.h"
#include "scripting/objects/APIPoint.h"

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

TAPIDispatcher* ScriptObjectOf(TLink& object, TAPIDispatcher* document) {
  return static_cast<TAPIDispatcher*>(object.GetAPIObject(document));
}

TLink* WorldObjectOf(TAPIDispatcher* object) {
  if (object == nullptr || !object->IsKindOfTag(kWorldObjectTag)) return nullptr;
  return static_cast<TAPILink*>(object)->Link();
}

TAPIDispatcher* MakeWorldCollection(TWorldList list, TWorldDoc& world, TAPIDispatcher* document) {
  TAPICallLog* log = document->GetAttachedObject();
  TAPIDispatcher* made = nullptr;
  switch (list) {
    case TWorldList::kObjects: made = new TAPILinkCollection(log, &world, document); break;
    case TWorldList::kBodies: made = new TAPIBodyCollection(log, &world, document); break;
    case TWorldList::kPoints: made = new TAPIPointCollection(log, &world, document); break;
    case TWorldList::kConstraints:
      made = new TAPIConstraintCollection(log, &world, document);
      break;
    case TWorldList::kInputs: made = new TAPIInputCollection(log, &world, document); break;
    case TWorldList::kOutputs: made = new TAPIOutputCollection(log, &world, document); break;
    default: made = new TAPIListStandIn(log, list, document); break;
  }
  made->AddRef();  // the document object's reference
  return made;
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
    *item = ScriptObjectOf(*objects[static_cast<size_t>(index) - 1],
                           static_cast<TAPIDispatcher*>(target()));
  return context.Result();
}
