// The meter library: a meter's kind, style and display flags, and the collection of a world's
// meters. Booleans cross as every other library passes them: any nonzero value is true, true is
// returned as -1.

#include "scripting/objects/OutputLibrary.h"

#include "scripting/host/CallFrame.h"
#include "scripting/objects/APIOutput.h"
#include "scripting/objects/ObjectEntries.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kOutputMembers> g_members;

TAPIOutput* Meter(TAPIDispatcher* r) {
  CheckAPIObjectTag(r, TAPIOutput::kTag);
  return static_cast<TAPIOutput*>(r);
}

void GetKind(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 name;
  CheckAPIResult(Meter(r)->GetTypeName(name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

void GetFormat(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 word;
  CheckAPIResult(Meter(r)->GetFormat(word));
  ReturnStringValue(call, frame, 0, word.Chars());
}

void SetFormat(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 word = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Meter(r)->SetFormat(word));
}

template <uint32_t Tag>
void GetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  bool on = false;
  CheckAPIResult(Meter(r)->GetFlag(Tag, on));
  ReturnBooleanValue(frame, 0, on);
}

template <uint32_t Tag>
void SetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool on = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIResult(Meter(r)->SetFlag(Tag, on));
}

template <uint32_t Tag>
void Flag(ScriptBuilder* b, const char* name, uint16_t setId, uint16_t getId) {
  ScriptDefineProperty(b, 0, name, setId, getId, kScriptBoolean, nullptr);
  g_members.Set(setId, &SetFlag<Tag>);
  g_members.Set(getId, &GetFlag<Tag>);
}

}  // namespace

ScriptDescription* DescribeYBOutput(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBOutput", kScriptNoId, "YBObject");
  ScriptDefineProperty(b, 0, "Kind", kScriptNoId, 1, kScriptString, nullptr);
  g_members.Set(1, &GetKind);
  ScriptDefineProperty(b, 0, "Format", 2, 3, kScriptString, nullptr);
  g_members.Set(2, &SetFormat);
  g_members.Set(3, &GetFormat);
  Flag<MakeTag("o Fr")>(b, "ShowFrame", 4, 5);
  Flag<MakeTag("o Lb")>(b, "ShowLabels", 6, 7);
  Flag<MakeTag("o Ax")>(b, "ShowAxes", 8, 9);
  Flag<MakeTag("o Un")>(b, "ShowUnits", 10, 11);
  Flag<MakeTag("o Gr")>(b, "ShowGrid", 12, 13);
  Flag<MakeTag("o Cp")>(b, "ConnectPoints", 14, 15);
  ScriptDefineCollectionClass(b, 1, "YBOutputCollection", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Count", kScriptNoId, 28, kScriptInteger, nullptr);
  g_members.Set(28, &GetCollectionCount<TAPIOutputCollection>);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 29, kScriptObject, "DE22YBOut.YBOutput", 1,
                       1, {{kScriptInteger}});
  g_members.Set(29, &GetCollectionItem<TAPIOutputCollection>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBOutput(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                      ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
