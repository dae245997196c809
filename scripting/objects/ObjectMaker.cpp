#include "scripting/objects/ObjectMaker.h"

#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "inout/inputs/Input.h"
#include "inout/meters/NumberText.h"
#include "inout/meters/Output.h"
#include "model/Formula.h"
#include "model/Link.h"
#include "scripting/objects/APIBody.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/APIConstraint.h"
#include "scripting/objects/APIInput.h"
#include "scripting/objects/APILink.h"
#include "scripting/objects/APIOutput.h"
#include "scripting/objects/APIPoint.h"

namespace {

CCmdTarget* MakeKeptObject(TLink& object, CCmdTarget* parent) {
  TAPIDispatcher* made = MakeWorldScriptObject(object, static_cast<TAPIDispatcher*>(parent));
  if (made != nullptr) made->AddRef();  // the world object's reference
  return made;
}

void ReleaseKeptObject(CCmdTarget* object) {
  static_cast<TAPIDispatcher*>(object)->DeleteIfUnreferenced();
}

CCmdTarget* MakeKeptCell(TFormula& quantity, CCmdTarget* parent) {
  auto* owner = static_cast<TAPIDispatcher*>(parent);
  auto* cell = new TAPICell(owner->GetAttachedObject(), &quantity, owner);
  cell->AddRef();  // the quantity's reference
  return cell;
}

// A column's script object always hangs below its meter's.
CCmdTarget* MakeKeptColumn(TNumberText& column, CCmdTarget* parent) {
  auto* meter = static_cast<TAPIDispatcher*>(parent);
  auto* made = new TAPIOutputColumn(meter->GetAttachedObject(), &column, meter);
  made->AddRef();  // the column's reference
  return made;
}

}  // namespace

TAPIDispatcher* MakeWorldScriptObject(TLink& object, TAPIDispatcher* parent) {
  TAPICallLog* log = parent != nullptr ? parent->GetAttachedObject() : nullptr;
  if (object.IsMemberClass(TOval::kClassID)) return new TAPICircle(log, &object, parent);
  if (object.IsMemberClass(TRectangle::kClassID)) return new TAPIRectangle(log, &object, parent);
  if (object.IsMemberClass(TPolygon::kClassID)) return new TAPIPolygon(log, &object, parent);
  // A bare massive body stands for no script object.
  if (object.GetClassID() == TBasicMass::kClassID) return nullptr;
  if (object.IsMemberClass(TMass::kClassID)) return new TAPIBody(log, &object, parent);
  if (object.IsMemberClass(TPoint::kClassID)) return new TAPIPoint(log, &object, parent);
  if (object.IsMemberClass(TCnstr::kClassID)) return new TAPIConstraint(log, &object, parent);
  if (object.IsMemberClass(TInput::kClassID)) return new TAPIInput(log, &object, parent);
  if (object.IsMemberClass(TOutput::kClassID)) return new TAPIOutput(log, &object, parent);
  return new TAPILink(log, &object, parent);
}

void ReleaseWorldScriptObject(TLink& object) {
  auto* kept = static_cast<TAPIDispatcher*>(object.KeptAPIObject());
  if (kept == nullptr) return;
  object.ForgetAPIObject();
  kept->DeleteIfUnreferenced();
}

void InstallWorldScriptObjects() {
  TLink::SetScriptObjectMaker({&MakeKeptObject, &ReleaseKeptObject});
  TFormula::SetCellMaker({&MakeKeptCell, &ReleaseKeptObject});
  TNumberText::SetScriptObjectMaker({&MakeKeptColumn, &ReleaseKeptObject});
}
