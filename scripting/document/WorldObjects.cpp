#include "scripting/document/WorldObjects.h"

#include <algorithm>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "model/world/WorldDoc.h"
#include "scripting/objects/APIBody.h"
#include "scripting/objects/APIConstraint.h"
#include "scripting/objects/APIInput.h"
#include "scripting/objects/APILink.h"
#include "scripting/objects/APIOutput.h"
#include "scripting/objects/APIPoint.h"

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
    case TWorldList::kSelection:
      made = new TAPILinkCollection(log, &world.SelectionList(), document);
      break;
    case TWorldList::kObjects: made = new TAPILinkCollection(log, &world, document); break;
    case TWorldList::kBodies: made = new TAPIBodyCollection(log, &world, document); break;
    case TWorldList::kPoints: made = new TAPIPointCollection(log, &world, document); break;
    case TWorldList::kConstraints:
      made = new TAPIConstraintCollection(log, &world, document);
      break;
    case TWorldList::kInputs: made = new TAPIInputCollection(log, &world, document); break;
    default: made = new TAPIOutputCollection(log, &world, document); break;
  }
  made->AddRef();  // the document object's reference
  return made;
}
