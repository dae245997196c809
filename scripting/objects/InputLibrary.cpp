// The input library: a world input's value, style, range and options, and the collection of a
// world's inputs.

#include "scripting/objects/InputLibrary.h"

#include "scripting/host/CallFrame.h"
#include "scripting/objects/APIInput.h"
#include "scripting/objects/ObjectEntries.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kInputMembers> g_members;

TAPIInput* Input(TAPIDispatcher* r) {
  CheckAPIObjectTag(r, TAPIInput::kTag);
  return static_cast<TAPIInput*>(r);
}

void GetKind(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 name;
  CheckAPIResult(Input(r)->GetTypeName(name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

template <uint32_t Tag>
void GetNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  double value = 0.0;
  CheckAPIResult(Input(r)->GetNumber(Tag, value));
  ScriptReturnDouble(frame, 0, value);
}

template <uint32_t Tag>
void SetNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const double value = ReadDoubleArgument(frame, 2);
  CheckAPIResult(Input(r)->SetNumber(Tag, value));
}

template <uint32_t Tag>
void GetShort(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int16_t value = 0;
  CheckAPIResult(Input(r)->GetShort(Tag, value));
  ScriptReturnInteger(frame, 0, value);
}

template <uint32_t Tag>
void SetShort(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t value = ReadIntegerArgument(frame, 2);
  CheckAPIResult(Input(r)->SetShort(Tag, value));
}

template <uint32_t Tag>
void GetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  bool on = false;
  CheckAPIResult(Input(r)->GetFlag(Tag, on));
  ReturnBooleanValue(frame, 0, on);
}

template <uint32_t Tag>
void SetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool on = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIResult(Input(r)->SetFlag(Tag, on));
}

void GetFormat(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 word;
  CheckAPIResult(Input(r)->GetFormat(word));
  ReturnStringValue(call, frame, 0, word.Chars());
}

void SetFormat(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 word = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Input(r)->SetFormat(word));
}

void ReadTable(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Input(r)->ReadTable(path));
}

void Property(ScriptBuilder* b, const char* name, uint16_t setId, TAPIEntryPoint set,
              uint16_t getId, TAPIEntryPoint get, int16_t type) {
  DefineMemberProperty(g_members, b, name, setId, set, getId, get, type, nullptr);
}

}  // namespace

ScriptDescription* DescribeYBInput(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBInput", kScriptNoId, "YBObject");
  Property(b, "Kind", kScriptNoId, nullptr, 1, &GetKind, kScriptString);
  Property(b, "Value", 18, &SetNumber<MakeTag("ipVl")>, 19, &GetNumber<MakeTag("ipVl")>,
           kScriptDouble);
  Property(b, "Format", 2, &SetFormat, 3, &GetFormat, kScriptString);
  Property(b, "Min", 4, &SetNumber<MakeTag("  Mi")>, 5, &GetNumber<MakeTag("  Mi")>, kScriptDouble);
  Property(b, "Max", 6, &SetNumber<MakeTag("  Ma")>, 7, &GetNumber<MakeTag("  Ma")>, kScriptDouble);
  Property(b, "Snaps", 8, &SetShort<MakeTag("  #d")>, 9, &GetShort<MakeTag("  #d")>,
           kScriptInteger);
  Property(b, "DataColumn", 10, &SetShort<MakeTag("DTCo")>, 11, &GetShort<MakeTag("DTCo")>,
           kScriptInteger);
  Property(b, "TimeColumn", 12, &SetShort<MakeTag("DTTC")>, 13, &GetShort<MakeTag("DTTC")>,
           kScriptInteger);
  Property(b, "ShowText", 14, &SetFlag<MakeTag("  S ")>, 15, &GetFlag<MakeTag("  S ")>,
           kScriptBoolean);
  Property(b, "Momentary", 16, &SetFlag<MakeTag("  m ")>, 17, &GetFlag<MakeTag("  m ")>,
           kScriptBoolean);
  ScriptDefineSub(b, 0, "ReadTable", 20, 1, 1, {{kScriptString}});
  g_members.Set(20, &ReadTable);
  ScriptDefineCollectionClass(b, 1, "YBInputCollection", kScriptNoId, nullptr);
  Property(b, "Count", kScriptNoId, nullptr, 21, &GetCollectionCount<TAPIInputCollection>,
           kScriptInteger);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 22, kScriptObject, "DE22YBInp.YBInput", 1,
                       1, {{kScriptInteger}});
  g_members.Set(22, &GetCollectionItem<TAPIInputCollection>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBInput(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                     ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
