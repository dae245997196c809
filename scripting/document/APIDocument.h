#pragma once
// A document's script object and the script collection of the open documents. Each document
// makes its script object once, on the first request that names a parent, and cuts it loose when
// it closes.
//
// Every member of the document object starts alike: a call context, then the document check
// (code 1 when the document has gone); members that need the world find it through the
// document. Results are codes as the call frame raises them: 1 gone, 2/10 an unknown word,
// 8 a failed export, 9 a failure of the call.

#include <cstdint>
#include <memory>

#include "core/PString.h"
#include "scripting/document/WorldObjects.h"
#include "scripting/host/APIDispatcher.h"

class TAPICallContext;
class TCommandCore;
class TLink;
class TQVDoc;
class TWorldDoc;

// The four force fields a document's world can hold.
enum class TFieldKind { kGravity, kAirResistance, kCustom, kElectrostatics };

// Code 9: the call failed (error 900); subcode 14: the document is running.
inline constexpr int16_t kAPICallFailed = 9;
inline constexpr int16_t kAPIRunning = 14;

class TAPIDocument : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIDocument)

 public:
  static constexpr uint32_t kTag = MakeTag("APDo");
  // The run target that means no last frame.
  static constexpr int16_t kRunToEnd = 32767;

  TAPIDocument(TAPICallLog* callLog, TQVDoc* document, TAPIDispatcher* parent);
  // The document no longer keeps it; the collections scripts may still hold are cut loose.
  ~TAPIDocument() override;

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // The document goes: the collections scripts hold of its world are cut loose with it.
  void DeleteIfUnreferenced() override;
  TQVDoc* Document() const { return static_cast<TQVDoc*>(target()); }

  // The document and windows -------------------------------------------------------------
  APIResult GetName(Str63* name);
  // Refused with 9/14 while the document runs, and with 9 when the application cannot close it.
  APIResult Close();
  // Saves under the document's file; a document never saved has none to save under (code 9).
  APIResult Save();
  // The save-with-results switch holds withResults during the save and has its value back on
  // every way out; a save that fails is code 9.
  APIResult SaveAs(const Str255& path, int16_t withResults);

  // Display switches and the view ----------------------------------------------------------
  // The switches the world's menu turns: each reads the world's state; setting it to another
  // value sends the menu's command, as the menu item would (a world without a window takes the
  // value into its settings).
  enum class WorldSwitch {
    kRulers,
    kPlayerMode,
    kCoordinates,
    kHelpRibbon,
    kScrollBars,
    kTapeControl,
    kControlsLocked,
    kRetainMeterValues,
  };
  APIResult GetWorldSwitch(WorldSwitch which, int16_t* on);
  APIResult SetWorldSwitch(WorldSwitch which, int16_t on);
  // The tape combined with the scroll bar: the world's "inln" preference.
  APIResult GetCombineTapeScroll(int16_t* on);
  APIResult SetCombineTapeScroll(int16_t on);
  // Forgets the meters' kept values, only while they are kept.
  APIResult EraseMeterValues();
  // Print (180), StartHere (1100), Cut (103), Copy (104) and Paste (105): the world's command,
  // performed at once when the world makes one.
  APIResult PerformWorldCommand(int16_t command);
  APIResult GetShowXYAxes(int16_t* shown);
  APIResult SetShowXYAxes(int16_t show);
  APIResult GetSkipFrames(int16_t* frames);
  APIResult SetSkipFrames(int16_t frames);  // 1 to 100, others ignored
  APIResult GetTracking(int16_t* tracking);
  APIResult SetTracking(int16_t tracking);  // 0 to 100, others ignored
  // Whether a run that starts erases the tracks of earlier runs; set only when it differs.
  APIResult GetAutoEraseTrack(int16_t* on);
  APIResult SetAutoEraseTrack(int16_t on);
  // The tracks in the world's window go (the world's erase-track command).
  APIResult EraseTrack();
  // The main view's grid flag; a world without a window reads False and sets nothing.
  APIResult GetShowGridLines(int16_t* shown);
  APIResult SetShowGridLines(int16_t show);
  // Redraws the world's view; a world without a view is left alone.
  APIResult Update();
  // The main view zooms to show every object.
  APIResult ZoomExtents();

  // The document window (nothing happens while the world has no window) ----------------------
  // Store the window's place or client size with the world's view settings and lay the window
  // out again; a width of 0 or less leaves the frame where it is.
  APIResult Locate(int32_t left, int32_t top);
  APIResult Resize(int32_t width, int32_t height);
  APIResult SetShowDocumentWindow(int16_t show);
  // Centres the main view on the world point, given in the document's length unit.
  APIResult ScrollTo(double x, double y);

  // Running, the tape and export -----------------------------------------------------------
  APIResult GetCurrentFrame(int16_t* frame);    // -1 without a store
  APIResult GetHistoryFrames(int16_t* frames);  // 0 without a store
  // Runs towards the current frame plus frames (kRunToEnd when omitted: no last frame), the
  // target limited to -1..32767 in 32 bits; the change count is the same afterwards. *failed
  // is 1 when the run failed, alert or not.
  APIResult Run(bool framesGiven, int16_t frames, int16_t* failed);
  // Back to frame 0 through the recorded frames.
  APIResult Reset();
  // Code 8: no export handler is there to export.
  APIResult Export(int16_t command, const Str255& path, int16_t selectedOnly);
  APIResult GetExportFrame(bool stop, int16_t* frame);
  APIResult SetExportFrame(bool stop, int16_t frame);
  // Reads a DXF drawing into the world through the document's drawing import; code 9 when the
  // drawing cannot be read, as while the program has no DXF importer.
  APIResult ImportDXF(const Str255& path);

  // Collections and the selection ----------------------------------------------------------
  // The collection over the world's list, made on the first read and the same afterwards.
  APIResult GetCollection(TWorldList list, TAPIDispatcher** collection);
  // Objects of another world, or gone, are ignored.
  APIResult Select(TAPIDispatcher* object, int16_t selected);
  APIResult SelectAll(int16_t selected);
  // The joiner's join (1048) or split (1047), when the selection allows it.
  APIResult JoinOrSplit(bool join);
  // The selected objects to the front (drawn last) or the back, at once.
  APIResult MoveSelection(bool toFront);
  // Edit > Collide (1107) or Don't Collide (1108) through the world's menu; code 9 when the
  // world makes no command for it.
  APIResult Collide(int16_t collide);

  // New objects, lookups and deletion ------------------------------------------------------
  // "circle", "rectangle", "square", "polygon" in any case; others 2/10.
  APIResult NewBody(const Str31& kind, TAPIDispatcher** body);
  // "anchor", "squarepoint", "point" in any case; others give nothing.
  APIResult NewPoint(const Str31& kind, TAPIDispatcher** point);
  // A new meter from its template.
  APIResult NewInput(TAPIDispatcher** input);
  APIResult NewOutput(TAPIDispatcher** output);
  // The first object of the list with the identifier, or whose name equals the name in ASCII
  // case.
  APIResult ObjectById(TWorldList list, int16_t identifier, TAPIDispatcher** object);
  APIResult ObjectByName(TWorldList list, const Str255& name, TAPIDispatcher** object);
  // Takes the object out of the selection and the world; a constraint's own points go first,
  // save those another constraint holds. Refused (9) while the world runs.
  APIResult DeleteObject(TAPIDispatcher* object);
  APIResult DeleteSelection();

  // "pin", "spring", "curvedslot" ... in any case (the table of kinds); others 2/10.
  APIResult NewConstraint(const Str31& kind, TAPIDispatcher** constraint);

  // Run settings: on the world's engine; without one the texts read empty, switches and
  // warnings True, numbers 0, and nothing is set. Words are lowered; unknown ones change nothing.
  APIResult GetIntegrator(Str63* word);
  APIResult SetIntegrator(const Str63& word);
  APIResult GetSimulationMode(Str63* word);
  APIResult SetSimulationMode(const Str63& word);
  // A switch named by its on tag, set by its on or off tag.
  APIResult GetRunSwitch(uint32_t onTag, int16_t* on);
  APIResult SetRunSwitch(uint32_t onTag, uint32_t offTag, int16_t on);
  APIResult GetWarning(uint32_t tag, int16_t* on);
  APIResult SetWarning(uint32_t tag, int16_t on);
  // A number in the document's unit of the dimension.
  APIResult GetRunNumber(uint32_t tag, int32_t dimension, double* value);
  APIResult SetRunNumber(uint32_t tag, int32_t dimension, double value);
  APIResult GetSignificantDigits(int16_t* digits);
  APIResult SetSignificantDigits(int16_t digits);  // 1 to 17, others ignored
  APIResult GetStepsPerFrame(int16_t* steps);
  APIResult SetStepsPerFrame(int16_t steps);
  // The main view's scale relative to its base scale, and its width in the length unit; a
  // value of 0 or below changes nothing.
  APIResult GetScaleFactor(double* factor);
  APIResult SetScaleFactor(double factor);
  APIResult GetViewWidth(double* width);
  APIResult SetViewWidth(double width);

  // Pause controls, numbered from 1 in the holder's list; only 1 to 5 can be addressed.
  APIResult NewPauseControl();
  APIResult GetPauseControlCount(int32_t* count);
  APIResult GetPauseControl(int16_t number, TAPIDispatcher** cell);
  APIResult DeletePauseControl(int16_t number);
  // "pause", "stop", "reset", "loop"; "undefined" for a control that cannot be addressed.
  APIResult GetPauseControlType(int16_t number, Str63* type);
  // Exact words; any other sets pause.
  APIResult SetPauseControlType(int16_t number, const Str31& type);

  // Force fields: the world's first object of exactly the field's class; without one getters
  // leave their start value and setters are refused (code 3).
  APIResult GetFieldChoice(TFieldKind field, Str255* word);
  APIResult SetFieldChoice(TFieldKind field, const Str63& word);
  APIResult GetFieldNumber(TFieldKind field, uint32_t tag, int32_t dimension, double* value);
  APIResult SetFieldNumber(TFieldKind field, uint32_t tag, int32_t dimension, double value);
  APIResult GetElectrostaticsOn(int16_t* on);
  APIResult SetElectrostaticsOn(int16_t on);
  // A cell of the custom field's formula; code 4 when the document has gone.
  APIResult GetForceFieldCell(uint32_t tag, TAPIDispatcher** cell);

  // Units and the number format, on the world's unit handler.
  APIResult GetUnitSystem(Str63* name);
  APIResult SetUnitSystem(const Str63& name);
  APIResult GetUnit(int16_t quantity, Str63* name);
  APIResult SetUnit(int16_t quantity, const Str63& name);
  APIResult GetDecimalDigits(int16_t* digits);
  APIResult SetDecimalDigits(int16_t digits);
  APIResult GetDecimalFormat(Str63* word);
  APIResult SetDecimalFormat(const Str63& word);

  // The size new bodies get: 0.1 without a view.
  static double DefaultObjectSize(TWorldDoc& world);

 private:
  // The document check: the document, or null with code 1 in the context.
  TQVDoc* CheckedDocument(TAPICallContext& context) const;
  // The world object of a script object when it is one of this world's; null otherwise.
  TLink* OwnWorldObject(TAPIDispatcher* object);
  // A world object read from a template resource into the world, with its script object: the
  // template's first object, or with a class its first object of that class (null for none).
  TLink* NewFromTemplate(int16_t resource, TAPIDispatcher** made, int16_t classId = 0);
  // Gives up the collections.
  void ReleaseWorldObjects();

  TAPIDispatcher* collections_[kCollectionSlots] = {};
};

// Performs a command the world made at once, on the command road when the application has one;
// false when it failed, reported or not.
bool PerformNow(std::unique_ptr<TCommandCore> command);
bool PerformNow(TCommandCore* command);

class TAPIDocCollection : public TAPICollection {
  DECLARE_DYNAMIC(TAPIDocCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APDC");

  // Over the application's list of open documents, read anew on every call.
  TAPIDocCollection(TAPICallLog* callLog, TList* documents, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // A document's script object, child of the application's; null for anything else.
  TAPIDispatcher* WrapItem(TObject* element) override;
};

// Documents make their script objects from now on.
void InstallDocumentScriptObjects();
