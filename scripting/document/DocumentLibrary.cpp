// The document library: its two classes as the engine knows them, and the road of their calls.
// Each entry checks its receiver, reads its arguments, calls the document object's member,
// checks the result and returns the value; a result starts empty, Nothing or 0.

#include "scripting/document/DocumentLibrary.h"

#include "scripting/document/APIDocument.h"
#include "scripting/document/DocumentEntries.h"
#include "scripting/document/DocumentSettingsEntries.h"
#include "core/MenuSetup.h"
#include "scripting/host/Application.h"
#include "scripting/host/CallFrame.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/objects/ObjectEntries.h"

namespace {

TAPIMemberTable<kDocumentMembers> g_members;

constexpr uint16_t kCountId = 3;
constexpr uint16_t kItemId = 4;

constexpr const char* kObjectCollection = "DE22YBLnk.YBObjectCollection";
constexpr const char* kObjectClass = "DE22YBLnk.YBObject";
constexpr const char* kBodyClass = "DE22YBBdy.YBBody";
constexpr const char* kPointClass = "DE22YBPnt.YBPoint";
constexpr const char* kConstraintClass = "DE22YBCns.YBConstraint";
constexpr const char* kInputClass = "DE22YBInp.YBInput";
constexpr const char* kOutputClass = "DE22YBOut.YBOutput";
// The classes Select and Delete are registered with, in order.
constexpr const char* kSelectableClasses[] = {kPointClass, kBodyClass, kConstraintClass,
                                              kInputClass, kOutputClass};

// Whether the call passes the argument at the frame index.
bool Passed(int32_t highest, int32_t index) { return highest >= index; }

// ---- The document and windows ----

void Close(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->Close());
}

void Save(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->Save());
}

void SaveAs(TAPIDispatcher* r, ScriptRunContext* call, int32_t highest, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  const int16_t withResults = Passed(highest, 3) ? ReadBooleanArgument(frame, 3) : 0;
  CheckAPIResult(Doc(r)->SaveAs(path, withResults));
}

// ---- Display switches and the view ----

void SetShowToolPalette(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  ReadBooleanArgument(frame, 2);
  TAPIDocument* document = Doc(r);
  TAPICallContext context(document, "");
  if (!context.Failed() && document->Document() == nullptr) context.Fail(kAPINoTarget);
  // Showing the tool bars from a script only has the menus set up again.
  if (!context.Failed()) InvalidateMenuSetup();
  CheckAPIResult(context.Result());
}

// True only while every tool bar shows.
void GetShowToolPalette(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDocument* document = Doc(r);
  TAPICallContext context(document, "");
  if (!context.Failed() && document->Document() == nullptr) context.Fail(kAPINoTarget);
  TScriptApplication* application = ScriptApplication();
  const bool shown = !context.Failed() && application != nullptr && application->ToolBarsVisible();
  CheckAPIResult(context.Result());
  ReturnBooleanValue(frame, 0, shown);
}

void EraseMeterValues(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->EraseMeterValues());
}

void Update(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->Update());
}

void EraseTrack(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->EraseTrack());
}

void ZoomExtents(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->ZoomExtents());
}

constexpr uint16_t kLocateId = 192;

void PlaceWindow(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const int32_t first = ReadLongArgument(frame, 2);
  const int32_t second = ReadLongArgument(frame, 3);
  TAPIDocument* document = Doc(r);
  CheckAPIResult(id == kLocateId ? document->Locate(first, second)
                                 : document->Resize(first, second));
}

void ScrollTo(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const double x = ReadDoubleArgument(frame, 2);
  const double y = ReadDoubleArgument(frame, 3);
  CheckAPIResult(Doc(r)->ScrollTo(x, y));
}

// ---- Running, the tape and export ----

constexpr uint16_t kRunFunctionId = 45;

void Run(TAPIDispatcher* r, ScriptRunContext*, int32_t highest, ScriptFrame* frame, uint16_t id) {
  const bool given = Passed(highest, 2);
  const int16_t frames = given ? ReadIntegerArgument(frame, 2) : 0;
  int16_t failed = 0;
  CheckAPIResult(Doc(r)->Run(given, frames, &failed));
  if (id == kRunFunctionId) ScriptReturnInteger(frame, 0, failed);
}

void Reset(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->Reset());
}

void ImportDXF(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Doc(r)->ImportDXF(path));
}

constexpr uint16_t kExportDXFId = 112;

void Export(TAPIDispatcher* r, ScriptRunContext* call, int32_t highest, ScriptFrame* frame, uint16_t id) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  const int16_t selectedOnly = Passed(highest, 3) ? ReadBooleanArgument(frame, 3) : 0;
  CheckAPIResult(Doc(r)->Export(id == kExportDXFId ? 1711 : 1713, path, selectedOnly));
}

constexpr uint16_t kExportStopGetId = 117;
constexpr uint16_t kExportStopSetId = 116;

void GetExportFrame(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  int16_t value = 0;
  CheckAPIResult(Doc(r)->GetExportFrame(id == kExportStopGetId, &value));
  ScriptReturnInteger(frame, 0, value);
}

void SetExportFrame(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const int16_t value = ReadIntegerArgument(frame, 2);
  CheckAPIResult(Doc(r)->SetExportFrame(id == kExportStopSetId, value));
}

// ---- Collections and the selection ----

TWorldList CollectionOf(uint16_t id) {
  switch (id) {
    case 6: return TWorldList::kSelection;
    case 163: return TWorldList::kObjects;
    case 125: return TWorldList::kBodies;
    case 126: return TWorldList::kPoints;
    case 127: return TWorldList::kConstraints;
    case 128: return TWorldList::kInputs;
    default: return TWorldList::kOutputs;
  }
}

void GetCollection(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  TAPIDispatcher* collection = nullptr;
  CheckAPIResult(Doc(r)->GetCollection(CollectionOf(id), &collection));
  ReturnObjectValue(frame, 0, collection);
}

void Select(TAPIDispatcher* r, ScriptRunContext*, int32_t highest, ScriptFrame* frame, uint16_t) {
  auto* object = static_cast<TAPIDispatcher*>(ReadObjectArgument(frame, 2));
  const int16_t selected = Passed(highest, 3) ? ReadBooleanArgument(frame, 3) : 1;
  CheckAPIResult(Doc(r)->Select(object, selected));
}

void SelectAll(TAPIDispatcher* r, ScriptRunContext*, int32_t highest, ScriptFrame* frame, uint16_t) {
  const int16_t selected = Passed(highest, 2) ? ReadBooleanArgument(frame, 2) : 1;
  CheckAPIResult(Doc(r)->SelectAll(selected));
}

constexpr uint16_t kJoinId = 49;

void JoinOrSplit(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t id) {
  CheckAPIResult(Doc(r)->JoinOrSplit(id == kJoinId));
}

constexpr uint16_t kMoveToFrontId = 174;

void MoveSelection(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t id) {
  CheckAPIResult(Doc(r)->MoveSelection(id == kMoveToFrontId));
}

void Collide(TAPIDispatcher* r, ScriptRunContext*, int32_t highest, ScriptFrame* frame, uint16_t) {
  const int16_t collide = Passed(highest, 2) ? ReadBooleanArgument(frame, 2) : 1;
  CheckAPIResult(Doc(r)->Collide(collide));
}

// ---- New objects, lookups and deletion ----

void NewBody(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str31 kind = ReadStringArgument<Str31>(call, frame, 2);
  TAPIDispatcher* body = nullptr;
  CheckAPIResult(Doc(r)->NewBody(kind, &body));
  ReturnObjectValue(frame, 0, body);
}

void NewPoint(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str31 kind = ReadStringArgument<Str31>(call, frame, 2);
  TAPIDispatcher* point = nullptr;
  CheckAPIResult(Doc(r)->NewPoint(kind, &point));
  ReturnObjectValue(frame, 0, point);
}

void NewConstraint(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str31 kind = ReadStringArgument<Str31>(call, frame, 2);
  TAPIDispatcher* constraint = nullptr;
  CheckAPIResult(Doc(r)->NewConstraint(kind, &constraint));
  ReturnObjectValue(frame, 0, constraint);
}

void NewInput(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDispatcher* input = nullptr;
  CheckAPIResult(Doc(r)->NewInput(&input));
  ReturnObjectValue(frame, 0, input);
}

void NewOutput(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDispatcher* output = nullptr;
  CheckAPIResult(Doc(r)->NewOutput(&output));
  ReturnObjectValue(frame, 0, output);
}

TWorldList LookupListOf(uint16_t id) {
  switch (id) {
    case 13:
    case 14: return TWorldList::kMasses;
    case 33:
    case 34: return TWorldList::kConstraints;
    case 35:
    case 36: return TWorldList::kPoints;
    case 37:
    case 38: return TWorldList::kInputs;
    case 39:
    case 40: return TWorldList::kOutputs;
    default: return TWorldList::kObjects;
  }
}

void LookupById(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const int16_t identifier = ReadIntegerArgument(frame, 2);
  TAPIDispatcher* object = nullptr;
  CheckAPIResult(Doc(r)->ObjectById(LookupListOf(id), identifier, &object));
  ReturnObjectValue(frame, 0, object);
}

void LookupByName(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t id) {
  const Str255 name = ReadStringArgument<Str255>(call, frame, 2);
  TAPIDispatcher* object = nullptr;
  CheckAPIResult(Doc(r)->ObjectByName(LookupListOf(id), name, &object));
  ReturnObjectValue(frame, 0, object);
}

void Delete(TAPIDispatcher* r, ScriptRunContext*, int32_t highest, ScriptFrame* frame, uint16_t) {
  if (!Passed(highest, 2)) {
    CheckAPIResult(Doc(r)->DeleteSelection());
    return;
  }
  auto* object = static_cast<TAPIDispatcher*>(ReadObjectArgument(frame, 2));
  CheckAPIResult(Doc(r)->DeleteObject(object));
}

// ---- Registration ----

void Property(ScriptBuilder* b, const char* name, uint16_t setId, uint16_t getId, int16_t type,
              const char* className, TAPIEntryPoint set, TAPIEntryPoint get) {
  ScriptDefineProperty(b, 0, name, set != nullptr ? setId : kScriptNoId,
                       get != nullptr ? getId : kScriptNoId, type, className);
  if (set != nullptr) g_members.Set(setId, set);
  if (get != nullptr) g_members.Set(getId, get);
}

void Getter(ScriptBuilder* b, const char* name, uint16_t getId, int16_t type, const char* className,
            TAPIEntryPoint get) {
  Property(b, name, kScriptNoId, getId, type, className, nullptr, get);
}

void Switch(ScriptBuilder* b, const char* name, uint16_t setId, uint16_t getId, TAPIEntryPoint set,
            TAPIEntryPoint get) {
  Property(b, name, setId, getId, kScriptBoolean, nullptr, set, get);
}

void Sub(ScriptBuilder* b, const char* name, uint16_t id, int16_t least, int16_t most,
         std::initializer_list<ScriptArgSpec> args, TAPIEntryPoint entry) {
  ScriptDefineSub(b, 0, name, id, least, most, args);
  g_members.Set(id, entry);
}

void Function(ScriptBuilder* b, const char* name, uint16_t id, int16_t type, const char* className,
              int16_t least, int16_t most, std::initializer_list<ScriptArgSpec> args,
              TAPIEntryPoint entry) {
  ScriptDefineFunction(b, 0, name, id, type, className, least, most, args);
  g_members.Set(id, entry);
}

void Lookup(ScriptBuilder* b, const char* name, uint16_t byId, uint16_t byName, const char* className) {
  Function(b, name, byId, kScriptObject, className, 1, 1, {{kScriptInteger}}, &LookupById);
  Function(b, name, byName, kScriptObject, className, 1, 1, {{kScriptString}}, &LookupByName);
}

void DescribeDocumentMembers(ScriptBuilder* b) {
  Getter(b, "Name", 1, kScriptString, nullptr, &GetDocumentWord<&TAPIDocument::GetName>);
  Getter(b, "Selection", 6, kScriptObject, kObjectCollection, &GetCollection);
  Getter(b, "Objects", 163, kScriptObject, kObjectCollection, &GetCollection);
  Getter(b, "Bodies", 125, kScriptObject, "DE22YBBdy.YBBodyCollection", &GetCollection);
  Getter(b, "Points", 126, kScriptObject, "DE22YBPnt.YBPointCollection", &GetCollection);
  Getter(b, "Constraints", 127, kScriptObject, "DE22YBCns.YBConstraintCollection", &GetCollection);
  Getter(b, "Inputs", 128, kScriptObject, "DE22YBInp.YBInputCollection", &GetCollection);
  Getter(b, "Outputs", 129, kScriptObject, "DE22YBOut.YBOutputCollection", &GetCollection);
  Switch(b, "ShowRulers", 15, 16, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kRulers>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kRulers>);
  Switch(b, "PlayerMode", 131, 132, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kPlayerMode>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kPlayerMode>);
  Property(b, "ShowDocumentWindow", 194, kScriptNoId, kScriptBoolean, nullptr,
           &SetDocumentBoolean<&TAPIDocument::SetShowDocumentWindow>, nullptr);
  Switch(b, "ShowGridLines", 17, 18, &SetDocumentBoolean<&TAPIDocument::SetShowGridLines>,
         &GetDocumentBoolean<&TAPIDocument::GetShowGridLines>);
  Switch(b, "ShowXYAxes", 19, 20, &SetDocumentBoolean<&TAPIDocument::SetShowXYAxes>,
         &GetDocumentBoolean<&TAPIDocument::GetShowXYAxes>);
  Switch(b, "ShowCoordinates", 21, 22, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kCoordinates>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kCoordinates>);
  Switch(b, "ShowToolPalette", 23, 24, &SetShowToolPalette, &GetShowToolPalette);
  Switch(b, "ShowHelpRibbon", 25, 26, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kHelpRibbon>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kHelpRibbon>);
  Switch(b, "ShowScrollBars", 27, 28, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kScrollBars>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kScrollBars>);
  Switch(b, "ShowTapeControl", 41, 42, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kTapeControl>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kTapeControl>);
  Switch(b, "CombineTapeScroll", 43, 44, &SetDocumentBoolean<&TAPIDocument::SetCombineTapeScroll>,
         &GetDocumentBoolean<&TAPIDocument::GetCombineTapeScroll>);
  Switch(b, "ControlsLocked", 31, 32, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kControlsLocked>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kControlsLocked>);
  Property(b, "SkipFrames", 133, 134, kScriptInteger, nullptr,
           &SetDocumentInteger<&TAPIDocument::SetSkipFrames>,
           &GetDocumentInteger<&TAPIDocument::GetSkipFrames>);
  Property(b, "Tracking", 135, 136, kScriptInteger, nullptr,
           &SetDocumentInteger<&TAPIDocument::SetTracking>,
           &GetDocumentInteger<&TAPIDocument::GetTracking>);
  Switch(b, "AutoEraseTrack", 138, 139, &SetDocumentBoolean<&TAPIDocument::SetAutoEraseTrack>,
         &GetDocumentBoolean<&TAPIDocument::GetAutoEraseTrack>);
  Sub(b, "EraseTrack", 137, 0, 0, {}, &EraseTrack);
  Sub(b, "ZoomExtents", 197, 0, 0, {}, &ZoomExtents);
  Switch(b, "RetainMeterValues", 172, 173, &SetDocumentSwitch<TAPIDocument::WorldSwitch::kRetainMeterValues>,
         &GetDocumentSwitch<TAPIDocument::WorldSwitch::kRetainMeterValues>);
  Sub(b, "EraseMeterValues", 171, 0, 0, {}, &EraseMeterValues);
  Getter(b, "CurrentFrame", 123, kScriptInteger, nullptr,
         &GetDocumentInteger<&TAPIDocument::GetCurrentFrame>);
  Getter(b, "HistoryFrames", 124, kScriptInteger, nullptr,
         &GetDocumentInteger<&TAPIDocument::GetHistoryFrames>);
  Sub(b, "Close", 2, 0, 0, {}, &Close);
  Sub(b, "Save", 5, 0, 0, {}, &Save);
  Sub(b, "SaveAs", 7, 1, 2, {{kScriptString}, {kScriptBoolean}}, &SaveAs);
  Sub(b, "Print", 110, 0, 0, {}, &PerformDocumentCommand<180>);
  Sub(b, "ImportDXF", 111, 1, 1, {{kScriptString}}, &ImportDXF);
  Sub(b, "ExportDXF", kExportDXFId, 1, 2, {{kScriptString}, {kScriptBoolean}}, &Export);
  Sub(b, "ExportMeterData", 113, 1, 2, {{kScriptString}, {kScriptBoolean}}, &Export);
  Property(b, "ExportStartFrame", 114, 115, kScriptInteger, nullptr, &SetExportFrame, &GetExportFrame);
  Property(b, "ExportStopFrame", kExportStopSetId, kExportStopGetId, kScriptInteger, nullptr,
           &SetExportFrame, &GetExportFrame);
  Function(b, "Run", kRunFunctionId, kScriptInteger, nullptr, 0, 1, {{kScriptInteger}}, &Run);
  Sub(b, "Run", 188, 0, 1, {{kScriptInteger}}, &Run);
  Sub(b, "Reset", 46, 0, 0, {}, &Reset);
  Sub(b, "StartHere", 130, 0, 0, {}, &PerformDocumentCommand<1100>);
  Sub(b, "Update", 189, 0, 0, {}, &Update);
  for (const char* selectable : kSelectableClasses)
    Sub(b, "Select", 47, 1, 2, {{kScriptObject, selectable}, {kScriptBoolean}}, &Select);
  Sub(b, "SelectAll", 48, 0, 1, {{kScriptBoolean}}, &SelectAll);
  Sub(b, "Join", kJoinId, 0, 0, {}, &JoinOrSplit);
  Sub(b, "Split", 55, 0, 0, {}, &JoinOrSplit);
  Sub(b, "MoveToFront", kMoveToFrontId, 0, 0, {}, &MoveSelection);
  Sub(b, "SendToBack", 175, 0, 0, {}, &MoveSelection);
  Sub(b, "Collide", 170, 0, 1, {{kScriptBoolean}}, &Collide);
  Function(b, "NewBody", 8, kScriptObject, kBodyClass, 1, 1, {{kScriptString}}, &NewBody);
  Function(b, "NewPoint", 9, kScriptObject, kPointClass, 1, 1, {{kScriptString}}, &NewPoint);
  Function(b, "NewConstraint", 10, kScriptObject, kConstraintClass, 1, 1, {{kScriptString}},
           &NewConstraint);
  Function(b, "NewInput", 11, kScriptObject, kInputClass, 0, 0, {}, &NewInput);
  Function(b, "NewOutput", 12, kScriptObject, kOutputClass, 0, 0, {}, &NewOutput);
  Lookup(b, "Object", 161, 162, kObjectClass);
  Lookup(b, "Body", 13, 14, kBodyClass);
  Lookup(b, "Constraint", 33, 34, kConstraintClass);
  Lookup(b, "Point", 35, 36, kPointClass);
  Lookup(b, "Input", 37, 38, kInputClass);
  Lookup(b, "Output", 39, 40, kOutputClass);
  Sub(b, "Cut", 51, 0, 0, {}, &PerformDocumentCommand<103>);
  Sub(b, "Copy", 52, 0, 0, {}, &PerformDocumentCommand<104>);
  Sub(b, "Paste", 53, 0, 0, {}, &PerformDocumentCommand<105>);
  for (const char* selectable : kSelectableClasses)
    Sub(b, "Delete", 54, 0, 1, {{kScriptObject, selectable}}, &Delete);
  DescribeDocumentViewScale(b, g_members);
  Sub(b, "ScrollTo", 118, 2, 2, {{kScriptDouble}, {kScriptDouble}}, &ScrollTo);
  Sub(b, "Locate", kLocateId, 2, 2, {{kScriptLong}, {kScriptLong}}, &PlaceWindow);
  Sub(b, "Resize", 193, 2, 2, {{kScriptLong}, {kScriptLong}}, &PlaceWindow);
  DescribeDocumentSettings(b, g_members);
}

}  // namespace

uint16_t UnitKindFromMethodId(uint16_t methodId) {
  if (methodId < 86 || methodId > 109) return 0;
  return static_cast<uint16_t>((methodId - 86) / 2 + 1);
}

ScriptDescription* DescribeYBDocument(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallDocumentScriptObjects();
  ScriptDefineClass(b, "YBDocument", kScriptNoId, nullptr);
  DescribeDocumentMembers(b);
  ScriptDefineCollectionClass(b, 1, "YBDocCollection", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Count", kScriptNoId, kCountId, kScriptInteger, nullptr);
  g_members.Set(kCountId, &GetCollectionCount<TAPIDocCollection>);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", kItemId, kScriptObject,
                       "DE22YBDoc.YBDocument", 1, 1, {{kScriptInteger}});
  g_members.Set(kItemId, &GetCollectionItem<TAPIDocCollection>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBDocument(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                        ScriptFrame* frame) {
  if ((methodId & 0xFFFF) > kDocumentMembers) return;
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
