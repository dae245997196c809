// The meter library: a meter's kind, style, display flags and columns, a column's label, cell,
// range and switches, and the collection of a world's meters. Booleans cross as every other library passes them: any nonzero value is true, true is
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

void GetColumnCount(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                    uint16_t) {
  int32_t count = 0;
  CheckAPIResult(Meter(r)->GetColumnCount(count));
  ScriptReturnLong(frame, 0, count);
}

void GetColumn(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t index = ReadIntegerArgument(frame, 2);
  TAPIDispatcher* column = nullptr;
  CheckAPIResult(Meter(r)->GetColumn(index, &column));
  if (column != nullptr && !column->HasTag(TAPIOutputColumn::kTag)) column = nullptr;
  ReturnObjectValue(frame, 0, column);
}

TAPIOutputColumn* Column(TAPIDispatcher* r) {
  return ExactReceiver<TAPIOutputColumn>(r);
}

void GetLabel(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str255 label;
  CheckAPIResult(Column(r)->GetLabel(label));
  ReturnStringValue(call, frame, 0, label.Chars());
}

void SetLabel(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 label = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Column(r)->SetLabel(label));
}

void GetCell(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDispatcher* cell = nullptr;
  CheckAPIResult(Column(r)->GetCell(&cell));
  ReturnObjectValue(frame, 0, cell);
}

template <int16_t Kind>
void GetColumnNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                     uint16_t) {
  double value = 0.0;
  CheckAPIResult(Column(r)->GetNumber(Kind, value));
  ScriptReturnDouble(frame, 0, value);
}

template <int16_t Kind>
void SetColumnNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                     uint16_t) {
  const double value = ReadDoubleArgument(frame, 2);
  CheckAPIResult(Column(r)->SetNumber(Kind, value));
}

template <int16_t Kind>
void GetColumnFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  bool on = true;
  CheckAPIResult(Column(r)->GetFlag(Kind, on));
  ReturnBooleanValue(frame, 0, on);
}

template <int16_t Kind>
void SetColumnFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool on = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIResult(Column(r)->SetFlag(Kind, on));
}

void Property(ScriptBuilder* b, const char* name, uint16_t setId, TAPIEntryPoint set,
              uint16_t getId, TAPIEntryPoint get, int16_t type, const char* className) {
  DefineMemberProperty(g_members, b, name, setId, set, getId, get, type, className);
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
  ScriptDefineFunction(b, 0, "Column", 18, kScriptObject, "DE22YBOut.YBOutputColumn", 1, 1,
                       {{kScriptInteger}});
  g_members.Set(18, &GetColumn);
  Property(b, "ColumnCount", kScriptNoId, nullptr, 30, &GetColumnCount, kScriptLong, nullptr);
  ScriptDefineClass(b, "YBOutputColumn", kScriptNoId, nullptr);
  Property(b, "Label", 16, &SetLabel, 17, &GetLabel, kScriptString, nullptr);
  Property(b, "Cell", kScriptNoId, nullptr, 19, &GetCell, kScriptObject, "DE22YBCel.YBCell");
  Property(b, "Min", 20, &SetColumnNumber<1>, 21, &GetColumnNumber<1>, kScriptDouble, nullptr);
  Property(b, "Max", 22, &SetColumnNumber<2>, 23, &GetColumnNumber<2>, kScriptDouble, nullptr);
  Property(b, "AutoScale", 24, &SetColumnFlag<3>, 25, &GetColumnFlag<3>, kScriptBoolean, nullptr);
  Property(b, "Show", 26, &SetColumnFlag<4>, 27, &GetColumnFlag<4>, kScriptBoolean, nullptr);
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
