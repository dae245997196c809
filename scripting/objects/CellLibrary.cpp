// The cell library: the formula and the value of one property of a world object.

#include "scripting/objects/CellLibrary.h"

#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kCellMembers> g_members;

TAPICell* Receiver(TAPIDispatcher* r) {
  CheckAPIObjectTag(r, TAPICell::kTag);
  return static_cast<TAPICell*>(r);
}

void SetFormula(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 text = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Receiver(r)->SetFormula(text));
}

void GetFormula(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str255 text;
  CheckAPIResult(Receiver(r)->GetFormula(text));
  ReturnStringValue(call, frame, 0, text.Chars());
}

void SetValue(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const double value = ReadDoubleArgument(frame, 2);
  CheckAPIResult(Receiver(r)->SetValue(value));
}

void GetValue(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  double value = 0.0;
  CheckAPIResult(Receiver(r)->GetValue(value));
  ScriptReturnDouble(frame, 0, value);
}

}  // namespace

ScriptDescription* DescribeYBCell(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBCell", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Formula", 1, 2, kScriptString, nullptr);
  g_members.Set(1, &SetFormula);
  g_members.Set(2, &GetFormula);
  ScriptDefineProperty(b, 0, "Value", 3, 4, kScriptDouble, nullptr);
  g_members.Set(3, &SetValue);
  g_members.Set(4, &GetValue);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBCell(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                    ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
