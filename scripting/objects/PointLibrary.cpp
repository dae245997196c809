// The point library: a point's coordinates as cells and in the world frame, the body it is fixed
// on, the first constraint that uses it, and the collection of a world's points.

#include "scripting/objects/PointLibrary.h"

#include "bodies/points/Point.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/APIPoint.h"
#include "scripting/objects/ObjectEntries.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kPointMembers> g_members;

constexpr const char* kCellClass = "DE22YBCel.YBCell";

TAPIPoint* Point(TAPIDispatcher* r) {
  CheckAPIObjectTag(r, TAPIPoint::kTag);
  return static_cast<TAPIPoint*>(r);
}

void GetKind(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 name;
  CheckAPIResult(Point(r)->GetTypeName(name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

template <uint32_t Tag>
void GetCell(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPICell* cell = nullptr;
  CheckAPIResult(Point(r)->GetCell(Tag, &cell));
  ReturnObjectValue(frame, 0, cell);
}

template <int Component>
void GetGlobal(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  double value = 0.0;
  CheckAPIResult(Point(r)->GetGlobal(Component, value));
  ScriptReturnDouble(frame, 0, value);
}

template <int Component>
void SetGlobal(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const double value = ReadDoubleArgument(frame, 2);
  CheckAPIResult(Point(r)->SetGlobal(Component, value));
}

void GetBody(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDispatcher* body = nullptr;
  CheckAPIResult(Point(r)->GetBody(&body));
  ReturnObjectValue(frame, 0, body);
}

void SetBody(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  void* argument = ReadObjectArgument(frame, 2);
  // Only a live script object is looked at.
  auto* body = IsLiveScriptObject(argument) ? static_cast<TAPIDispatcher*>(argument) : nullptr;
  CheckAPIResult(Point(r)->SetBody(body));
}

void GetConstraint(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDispatcher* constraint = nullptr;
  CheckAPIResult(Point(r)->GetConstraint(&constraint));
  ReturnObjectValue(frame, 0, constraint);
}

void Property(ScriptBuilder* b, const char* name, uint16_t setId, TAPIEntryPoint set,
              uint16_t getId, TAPIEntryPoint get, int16_t type, const char* className) {
  DefineMemberProperty(g_members, b, name, setId, set, getId, get, type, className);
}

}  // namespace

ScriptDescription* DescribeYBPoint(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBPoint", kScriptNoId, "YBObject");
  Property(b, "Kind", kScriptNoId, nullptr, 1, &GetKind, kScriptString, nullptr);
  Property(b, "PX", kScriptNoId, nullptr, 2, &GetCell<kTagLocalX>, kScriptObject, kCellClass);
  Property(b, "PY", kScriptNoId, nullptr, 5, &GetCell<kTagLocalY>, kScriptObject, kCellClass);
  Property(b, "PR", kScriptNoId, nullptr, 6, &GetCell<kTagLocalR>, kScriptObject, kCellClass);
  Property(b, "GlobalPX", 8, &SetGlobal<0>, 9, &GetGlobal<0>, kScriptDouble, nullptr);
  Property(b, "GlobalPY", 10, &SetGlobal<1>, 11, &GetGlobal<1>, kScriptDouble, nullptr);
  Property(b, "GlobalPR", 12, &SetGlobal<2>, 13, &GetGlobal<2>, kScriptDouble, nullptr);
  Property(b, "Body", 3, &SetBody, 4, &GetBody, kScriptObject, "DE22YBBdy.YBBody");
  Property(b, "Constraint", kScriptNoId, nullptr, 7, &GetConstraint, kScriptObject,
           "DE22YBCns.YBConstraint");
  ScriptDefineCollectionClass(b, 1, "YBPointCollection", kScriptNoId, nullptr);
  Property(b, "Count", kScriptNoId, nullptr, 14, &GetCollectionCount<TAPIPointCollection>,
           kScriptInteger, nullptr);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 15, kScriptObject, "DE22YBPnt.YBPoint", 1,
                       1, {{kScriptInteger}});
  g_members.Set(15, &GetCollectionItem<TAPIPointCollection>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBPoint(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                     ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
