// The body library: a body's kind and quantities, the size of circles and rectangles, the
// outline of polygons, and the collection of a world's bodies.

#include "scripting/objects/BodyLibrary.h"

#include "bodies/BodyTags.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APIBody.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectEntries.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kBodyMembers> g_members;

constexpr const char* kCellClass = "DE22YBCel.YBCell";

TAPIBody* Body(TAPIDispatcher* r) {
  CheckAPIObjectKind(r, TAPIBody::kTag);
  return static_cast<TAPIBody*>(r);
}

void GetKind(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 name;
  CheckAPIResult(Body(r)->GetTypeName(name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

template <uint32_t Tag>
void GetCell(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPICell* cell = nullptr;
  CheckAPIResult(Body(r)->GetCell(Tag, &cell));
  ReturnObjectValue(frame, 0, cell);
}

template <APIResult (TAPIBody::*Get)(double&)>
void GetNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  double value = 0.0;
  CheckAPIResult((Body(r)->*Get)(value));
  ScriptReturnDouble(frame, 0, value);
}

template <class Shape, APIResult (Shape::*Get)(TAPICell**)>
void GetShapeCell(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  CheckAPIObjectTag(r, Shape::kTag);
  TAPICell* cell = nullptr;
  CheckAPIResult((static_cast<Shape*>(r)->*Get)(&cell));
  ReturnObjectValue(frame, 0, cell);
}

void GetCurved(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  CheckAPIObjectKind(r, TAPIPolygon::kTag);
  bool curved = false;
  CheckAPIResult(static_cast<TAPIPolygon*>(r)->GetCurved(curved));
  ReturnBooleanValue(frame, 0, curved);
}

void SetCurved(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool curved = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIObjectKind(r, TAPIPolygon::kTag);
  CheckAPIResult(static_cast<TAPIPolygon*>(r)->SetCurved(curved));
}

void Getter(ScriptBuilder* b, const char* name, uint16_t id, int16_t type, const char* className,
            TAPIEntryPoint entry) {
  ScriptDefineProperty(b, 0, name, kScriptNoId, id, type, className);
  g_members.Set(id, entry);
}

}  // namespace

ScriptDescription* DescribeYBBody(TAPIDispatcher* root, void*) {
  using namespace body_tags;
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBBody", kScriptNoId, "YBObject");
  Getter(b, "Kind", 1, kScriptString, nullptr, &GetKind);
  Getter(b, "PX", 2, kScriptObject, kCellClass, &GetCell<kTagPosX>);
  Getter(b, "PY", 11, kScriptObject, kCellClass, &GetCell<kTagPosY>);
  Getter(b, "PR", 14, kScriptObject, kCellClass, &GetCell<kTagPosRot>);
  Getter(b, "VX", 12, kScriptObject, kCellClass, &GetCell<kTagVelX>);
  Getter(b, "VY", 13, kScriptObject, kCellClass, &GetCell<kTagVelY>);
  Getter(b, "VR", 15, kScriptObject, kCellClass, &GetCell<kTagVelRot>);
  Getter(b, "Mass", 16, kScriptObject, kCellClass, &GetCell<kTagMass>);
  Getter(b, "StaticFriction", 17, kScriptObject, kCellClass, &GetCell<kTagStaticFriction>);
  Getter(b, "KineticFriction", 18, kScriptObject, kCellClass, &GetCell<kTagKineticFriction>);
  Getter(b, "Elasticity", 19, kScriptObject, kCellClass, &GetCell<kTagElasticity>);
  Getter(b, "Charge", 20, kScriptObject, kCellClass, &GetCell<kTagCharge>);
  Getter(b, "Moment", 21, kScriptObject, kCellClass, &GetCell<kTagMoment>);
  Getter(b, "COMOffsetX", 22, kScriptObject, kCellClass, &GetCell<kTagCOMX>);
  Getter(b, "COMOffsetY", 23, kScriptObject, kCellClass, &GetCell<kTagCOMY>);
  Getter(b, "Density", 30, kScriptDouble, nullptr, &GetNumber<&TAPIBody::GetDensity>);
  Getter(b, "Area", 31, kScriptDouble, nullptr, &GetNumber<&TAPIBody::GetArea>);
  Getter(b, "Radius", 5, kScriptObject, kCellClass,
         &GetShapeCell<TAPICircle, &TAPICircle::GetRadius>);
  Getter(b, "Height", 8, kScriptObject, kCellClass,
         &GetShapeCell<TAPIRectangle, &TAPIRectangle::GetHeight>);
  Getter(b, "Width", 10, kScriptObject, kCellClass,
         &GetShapeCell<TAPIRectangle, &TAPIRectangle::GetWidth>);
  Getter(b, "VertexCount", 24, kScriptLong, nullptr, &GetVertexCount<TAPIPolygon>);
  ScriptDefineSub(b, 0, "GetVertex", 25, 3, 3,
                  {{kScriptLong}, {kScriptDouble | kScriptByRef}, {kScriptDouble | kScriptByRef}});
  g_members.Set(25, &GetVertex<TAPIPolygon>);
  ScriptDefineSub(b, 0, "AddVertex", 26, 3, 3,
                  {{kScriptLong}, {kScriptDouble | kScriptByRef}, {kScriptDouble | kScriptByRef}});
  g_members.Set(26, &AddVertex<TAPIPolygon>);
  ScriptDefineSub(b, 0, "DeleteVertex", 27, 1, 1, {{kScriptLong}});
  g_members.Set(27, &DeleteVertex<TAPIPolygon>);
  ScriptDefineProperty(b, 0, "Curved", 33, 32, kScriptBoolean, nullptr);
  g_members.Set(32, &GetCurved);
  g_members.Set(33, &SetCurved);
  ScriptDefineCollectionClass(b, 1, "YBBodyCollection", kScriptNoId, nullptr);
  Getter(b, "Count", 28, kScriptInteger, nullptr, &GetCollectionCount<TAPIBodyCollection>);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 29, kScriptObject, "DE22YBBdy.YBBody", 1, 1,
                       {{kScriptInteger}});
  g_members.Set(29, &GetCollectionItem<TAPIBodyCollection>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBBody(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                    ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
