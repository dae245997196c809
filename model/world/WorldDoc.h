#pragma once
// The world object: the root of one simulation document. It owns every object of the simulation
// (its elements are its objects), the solver side of its engine, the recorded-frame store, the
// inputs whose values go to the solver, the pause controls and the run commands made for it.
//
// Contents, by file:
//   WorldDoc.cpp     construction, InitWorld, adopting objects, properties, small operations
//   WorldStream.cpp  the hand-over to the solver, frame changes, walking recorded frames
//   WorldRun.cpp     run commands, the running list, running the solver to a frame
//   WorldDocActions.cpp  what commands ask of the world: edit state, selections, notices, the
//                        geometry manager, the readers of formulas and their recomputation
//   WorldHistory.cpp the recorded history in documents
//   WorldActions.cpp the world's actions and the preferences command

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "core/Handle.h"
#include "model/command/ActionContext.h"
#include "model/command/PlacingCommands.h"
#include "model/world/RecordLayout.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldBases.h"
#include "model/world/WorldHost.h"
#include "model/world/WorldSettings.h"

class TCommand;
class TCommandCore;
class TJoiner;
class TWorldDisplay;

// A change for ForEachObjectMatching: which objects take it, what they are given, and who is
// told afterwards.
struct TObjectMatch {
  std::function<bool(TLink& object)> accepts;
  std::function<bool(TLink& object)> alsoAccepts;
  std::function<void(TLink& object)> give;
  bool redraw = true;
  std::vector<TLink*> listeners;
  std::function<void(TLink& listener)> notify;
};
struct FormulaObjectRef;

// The identifier of every world, and the resource of the default objects.
inline constexpr int16_t kWorldIdentifier = 10000;
inline constexpr int16_t kWorldDefaultsResource = 10;
inline constexpr int16_t kNoStopFrame = 32767;
inline constexpr int16_t kDropFramesAlert = 1504;

// Document blocks of the recorded history: the cursors, the store in primitives, the store as
// one stored block (two codes), and two empty codes that are accepted and skipped.
inline constexpr int16_t kBlockHistoryCursors = 5402;
// The meters a history recorded with their column counts, after that history's block; and the
// several-runs flag, after the histories.
inline constexpr int16_t kBlockHistoryMeters = 5403;
inline constexpr int16_t kBlockSeveralRuns = 5409;
inline constexpr int16_t kBlockHistoryPrimitives = 19997;
inline constexpr int16_t kBlockHistoryRaw = 19998;
inline constexpr int16_t kBlockHistoryRawOther = 19999;
inline constexpr int16_t kBlockHistoryEmpty = 20;
inline constexpr int16_t kBlockHistoryEmptyOther = 21;

// Run commands.
inline constexpr int16_t kCmdRun = 1031;
inline constexpr int16_t kCmdReset = 1032;
inline constexpr int16_t kCmdPlayBackToStart = 1036;
inline constexpr int16_t kCmdShowFrameZero = 1042;
inline constexpr int16_t kCmdStepForward = 1101;
inline constexpr int16_t kCmdStepBack = 1102;

// Run states.
inline constexpr int32_t kRunIdle = 0;
inline constexpr int32_t kRunForward = 1;
inline constexpr int32_t kRunBackward = 2;

// What the world answers the objects it holds. The areas its window's controls mark stale go to
// the world's views. The commands that change an object redraw it and count the change
// themselves, and an object snaps and maps its points by its own settings, so the other answers
// leave everything as the object alone would have it.
class TWorldObjectOwner final : public TLinkOwner {
 public:
  explicit TWorldObjectOwner(const TWorldDoc& world) : world_(world) {}
  void ObjectChanged(TLink&) override {}
  RGB16Color DisplayColour(const RGB16Color& colour) override { return colour; }
  void TrackingEnabled() override {}
  std::optional<MacPoint> WorldToScreen(const TVector&) override { return std::nullopt; }
  double GridSpacing() const override { return 0.0; }
  double AngleStep() const override { return 0.0; }
  void InvalidateArea(const MacRect& area) override;

 private:
  const TWorldDoc& world_;
};

class TWorldDoc : public TWorldBase, public TActionContext, public TPlacingWorld {
  DECLARE_CLASS_ID(450, TWorldBase)

 public:
  // Bytes of one input value record, and of the buffer made at initialisation (29 inputs and
  // the end mark).
  static constexpr int32_t kInputRecordSize = 12;
  static constexpr int32_t kInitialInputBytes = 360;
  // Pixels per metre at 72 pixels per inch.
  static constexpr double kPixelsPerMetre = 2834.64576;

  TWorldDoc();
  ~TWorldDoc() override;

  // Sets up a new world: lists, input buffer, the default objects of resource 10.
  void InitWorld(int16_t argument);

  // The world's objects ------------------------------------------------------------------
  // Takes the objects into the world: each is linked with it, has the world as its owner and is
  // kept in its lists by role.
  void AdoptObjects(std::vector<std::unique_ptr<TLink>> objects);
  void AdoptObject(std::unique_ptr<TLink> object);
  // Files each object into the lists of its role.
  void AdoptChild(TLink& object);
  // Removes the object from the world and its lists and deletes it; every object linked to it
  // forgets it.
  void RemoveObject(TLink* object);
  // Every object of the world in order (the world's elements).
  std::vector<TLink*> Objects() const;
  // Moves the selected objects, in their order, behind all others (front: drawn last) or
  // before them (back).
  void MoveSelection(bool toFront);
  TLink* FindObject(int32_t identifier) const;
  const std::vector<TLink*>& Inputs() const { return inputs_; }
  const std::vector<TLink*>& Outputs() const { return outputs_; }
  const std::vector<TLink*>& PauseControls() const { return pauseControls_; }
  const std::vector<TLink*>& Bodies() const { return bodies_; }
  const std::vector<TLink*>& EightValueObjects() const { return eightValue_; }
  const std::vector<TLink*>& FrameListeners() const { return frameListeners_; }
  const std::vector<TLink*>& ViewObjects() const { return viewObjects_; }
  // Appends the object to the view objects unless it is there (add set), or removes it.
  void UpdateViewObject(TLink* object, uint16_t add);
  TLink* GetEngineObject() const { return engineObject_; }
  TSolverEngine* GetEngine() const { return engine_.get(); }
  // Gives the world a solver side of its own (tests, and worlds whose engine is not an object).
  void SetEngine(std::unique_ptr<TSolverEngine> engine);
  TLink* GetUnitHandler() const { return unitHandler_; }
  // The world's vector settings object (class 687), or null while it has none.
  TLink* GetVectorHandlerObject() const { return vectorHandler_; }
  // True while a recorded frame is shown (showing a frame sets it, a reset clears it).
  bool ShowsRecordedFrame();

  // Tells a change to the objects that match it (WorldMatching.cpp): first every object of the
  // world that either test accepts, then, of the objects linked to each world object, those the
  // first test accepts, each given the change once and redrawn when asked; last every listener
  // given is notified.
  void ForEachObjectMatching(const TObjectMatch& match);
  // The extra list: objects the world keeps aside from its roles, in the order added. An object
  // leaving the world leaves it too.
  void AddToExtraList(TLink* object);
  const std::vector<TLink*>& ExtraList() const { return extraList_; }
  // The first object of the extra list that the test accepts (with the context), or that is of
  // the class code; null when none is (or the list is empty).
  TLink* FindInExtraList(bool (*test)(TLink& object, void* context), void* context) const;
  TLink* FindInExtraListByCode(int16_t code) const;

  // The joiner of the world's selection, and the context the world's undoable actions work in.
  TJoiner* GetJoiner() const { return joiner_.get(); }

  // Host and document ----------------------------------------------------------------------
  TWorldHost& Host() const { return *host_; }
  void SetHost(TWorldHost* host) { host_ = host != nullptr ? host : &TWorldHost::Default(); }
  // The document's change count plus one.
  void DocumentChanged();
  // The document window showing the world, while one is open.
  TWorldDisplay* GetDisplay() const { return display_; }
  void SetDisplay(TWorldDisplay* display) { display_ = display; }

  // Properties -------------------------------------------------------------------------------
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  // The frames shown ("sk p") and the tracking word ("st b") are also whole numbers, as the
  // dialog fields that edit them read and write them.
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override;
  void SetIntProperty(uint32_t tag, int32_t value) override;
  // Both are kept in the run settings block, which a change of either records for undo.
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  // "svvP" is the world's preference that bodies keep a velocity vector to drag: setting it
  // applies it to every object, and objects that join while it is on take it.
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  // Option 1 is that preference; other options are 0.
  uint16_t GetOption(int16_t option) const { return option == 1 ? velocityOption_ : 0; }
  // How the preference reaches one object; the bodies fill it in when they register.
  using VelocityOptionHook = void (*)(TLink& object, uint16_t value);
  static void SetVelocityOptionHook(VelocityOptionHook hook);
  // How the world reads its main view's spacings (world units): the grid step and the fine
  // step. The views fill it in; it answers false for a world that shows no main view.
  using ViewSpacingHook = bool (*)(const TWorldDoc& world, double& spacing, double& fine);
  static void SetViewSpacingHook(ViewSpacingHook hook);
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  // The world's actions (WorldActions.cpp): "zExt" zooms the main view to every object,
  // "prfF" posts the command that makes the document the start of new documents, "exLi" posts
  // what the world's menus make of linking to an external table, and "DTGo" posts what the
  // first of its objects that loads data tables makes of it.
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  // The object "DTGo" found last; null before, or once it left the world.
  TLink* GetTableLoader() const { return tableLoader_; }
  // The main view's width in pixels, which "zWin" divides; 0 without a main view.
  int32_t GetViewWidth() const { return viewWidth_; }
  void SetViewWidth(int32_t pixels) { viewWidth_ = pixels; }

  // Settings and small operations -------------------------------------------------------------
  int16_t GetStopFrameField() const { return stopFrame_; }
  uint16_t GetAngleSnap() const { return angleSnap_; }
  void SetAngleSnap(uint16_t on) { angleSnap_ = on; }
  double GetStoredSnapDistance() const { return snapDistance_; }
  int32_t GetOutputDisplay() const { return outputDisplay_; }
  uint16_t GetDropOldFrames() const { return dropOldFrames_; }
  void SetDropOldFrames(uint16_t on) { dropOldFrames_ = on; }
  uint16_t GetAskBeforeDropping() const { return askBeforeDropping_; }
  void SetAskBeforeDropping(uint16_t on) { askBeforeDropping_ = on; }
  uint16_t GetColumnList() const { return columnList_; }
  void SetColumnList(uint16_t on) { columnList_ = on; }
  uint16_t GetStartAtFrameZero() const { return startAtFrameZero_; }
  void SetStartAtFrameZero(uint16_t on) { startAtFrameZero_ = on; }
  uint16_t GetCanPlay() const { return canPlay_; }
  void SetCanPlay(uint16_t on) { canPlay_ = on; }
  uint16_t GetClickWord() const { return clickWord_; }
  // A press handed to the tools is over.
  void ClearClickWord() { clickWord_ = 0; }
  uint16_t GetDoublePrecisionWord() const { return doublePrecision_; }
  uint16_t GetSelectionMarksStale() const { return selectionMarksStale_; }
  uint16_t GetWindowStateWord() const { return windowStateWord_; }
  uint16_t GetUseStoredDistance() const { return useStoredDistance_; }
  // Bytes of the input value buffer.
  uint32_t InputBufferBytes() const { return inputBuffer_ ? GetHandleByteSize(inputBuffer_) : 0; }
  // pi/36 with the angle snap, else 0.
  double RotationStep() const;
  // The stored distance with the angle snap and without the use of the view's spacing; 1.0
  // without a main view otherwise.
  double SnappingDistance() const;
  bool IsReadyToPlay() const;
  void ClearMarks();

  // The hand-over to the solver (WorldStream.cpp) ----------------------------------------------
  uint16_t IsSolverWorldLoaded() const { return solverWorldLoaded_; }
  // Any change of the world: the runs stop and the solver's copy is stale.
  void WorldChanged();
  // Writes the world as a native stream and hands it to the solver, unless it is there already;
  // sizes an empty store's frames.
  void LoadEngineWorld();
  // The native stream of the world, as LoadEngineWorld hands it over.
  std::vector<uint8_t> NativeStream();
  void FrameChanged(int16_t frame);
  // What each recorded frame holds, as the solver writes it: the layout the store's frames were
  // recorded with, else the one the world's objects give now.
  const TRecordLayout& RecordLayout();
  // Where the values of a body, or the element values of an object, start in a frame; -1 when
  // the world records none for it.
  int32_t BodyValueOffset(const TLink* object);
  int32_t RecordedValueOffset(const TLink* object);
  using FrameCallback = std::function<void(int16_t frame, TFrameStore& store)>;
  // Calls back for each recorded frame from first to last with the store's read position at the
  // object's first value of the frame.
  void ForEachRecordedFrame(int16_t first, int16_t last, TLink* object,
                            const FrameCallback& callback);
  // Makes the frame current and brings every object to it. A reset shows frame 0 as the start
  // rather than as a recorded frame (`recorded` false): meters go back to their placeholders and
  // only the arrows that exist before a run are drawn, already as the objects hear of it.
  void ShowFrame(int16_t frame, uint16_t fullRedraw, bool recorded = true);
  // Forgets the recorded frames (see the definition for when).
  void ResetHistory(uint16_t force);
  void SetResetGuard(uint16_t on) { resetGuard_ = on; }

  // The recorded history in documents (WorldHistory.cpp) ----------------------------------------
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  // The world's blocks, then the history (its store block and its cursors) when it holds frames.
  void WriteFields(TObjectWriter& writer) override;
  // Each answers 1 when the code is one of the history blocks, 0 for the caller to handle it.
  uint16_t WriteHistoryBlock(int16_t code, TObjectWriter& writer);
  uint16_t ReadHistoryBlock(int16_t code, TObjectReader& reader);

  // Settings, window and view blocks (WorldSettings.cpp); the same answers.
  uint16_t WriteSettingsBlock(int16_t code, TObjectWriter& writer);
  uint16_t ReadSettingsBlock(int16_t code, TObjectReader& reader);
  TWorldSettings& Settings() { return settings_; }
  const TWorldSettings& Settings() const { return settings_; }
  // Tracks: whether a run that starts erases those of earlier runs, the widest step between two
  // shown frames that adds to the tracks, and erasing them now (the window redraws without).
  uint16_t GetAutoEraseTrack() const { return settings_.autoEraseTrack; }
  void SetAutoEraseTrack(uint16_t on) { settings_.autoEraseTrack = on != 0 ? 1 : 0; }
  static constexpr int32_t kDefaultTrackFrameGap = 10;
  int32_t GetTrackFrameGap() const {
    return settings_.trackFrameGap > 0 ? settings_.trackFrameGap : kDefaultTrackFrameGap;
  }
  void EraseTrack();
  // The document window's view settings by property tag ("scro", "inln", "indi", "hlpR",
  // "grid", "rule", "coor", "outD", "wrTH", "back"); 0 for any other tag.
  uint16_t GetViewSetting(uint32_t tag, uint16_t& value) const;
  uint16_t SetViewSetting(uint32_t tag, uint16_t value);
  // The open window's placement and grid flag into the settings, and back to the window.
  void TakeWindowSettings();
  void GiveWindowSettings();
  // Called before a document is read into the world: its first history block is still to come,
  // and the world keeps only the default objects that hold settings (DropDefaultWorldObjects).
  void StartDocumentRead();
  // Takes out the default objects that a document brings of its own, if it has them: the
  // background, the collision and field groups, the field constraints and the centre of mass
  // (the objects numbered below the world, but for the engine).
  // A document read keeps what it was saved with; code that builds a world object by object
  // starts from the bare world as well.
  void DropDefaultWorldObjects();
  // The histories read before the current one, the latest first.
  const std::vector<std::unique_ptr<TFrameStore>>& EarlierStores() const { return earlierStores_; }
  uint16_t GetHistoryRead() const { return historyRead_; }
  // Whether the earlier runs take part beside the current one (meter data exports them side by
  // side). Set when a document brings several histories; filed with them.
  uint16_t GetSeveralRuns() const { return severalRuns_; }
  void SetSeveralRuns(uint16_t on) { severalRuns_ = on != 0 ? 1 : 0; }
  // Whether the next write of the world files its recorded frames (set by the document from
  // the save-with-results switch).
  uint16_t GetFileResults() const { return fileResults_; }
  void SetFileResults(uint16_t on) { fileResults_ = on; }

  // Tools (WorldTools.cpp) -------------------------------------------------------------------
  static constexpr int16_t kDragSelectionTool = 2003;
  static constexpr int16_t kRotateTool = 2010;
  static constexpr int16_t kPartTool = 2012;
  static constexpr int16_t kFirstCreationTool = 2500;
  static constexpr int16_t kLastCreationTool = 2799;
  // The selection and view tools, and the tools that make objects.
  static bool IsToolCommand(int16_t command);
  static bool IsCreationTool(int16_t tool);
  // Makes the tool current with its argument. With memory low only the selection tool is
  // offered; tool 2010 and the creation tools stop any run and take their tracker. The view
  // objects are told when the tool or its argument changed.
  void SetMode(int16_t tool, int16_t argument);
  int16_t GetToolArgument() const { return toolArgument_; }
  int16_t GetPreviousTool() const { return previousTool_; }
  int16_t GetPreviousToolArgument() const { return previousToolArgument_; }
  // The tools whose trackers come from a prototype object.
  static bool UsesToolTracker(int16_t tool) { return tool == kRotateTool || IsCreationTool(tool); }
  // Makes the tracker of a tool from the object that the tool's resource holds; fails with
  // -25005 (or answers null) when the tool makes none. The window installs it, for the trackers
  // live above the world; a tracker owns the objects it was made from.
  using ToolTrackerMaker = std::function<std::unique_ptr<TCommandCore>(int16_t tool)>;
  // The trackers made by the maker before (which may refer to its window) go with it.
  void SetToolTrackerMaker(ToolTrackerMaker maker);
  // The object a drag with the Select and Drag tool refers to when the Control key is down: set
  // by whoever chose it, taken once by that drag; an object leaving the world is no longer it.
  void SetPendingObject(TLink* object) { pendingObject_ = object; }
  TLink* PendingObject() const { return pendingObject_; }
  TLink* TakePendingObject() { return std::exchange(pendingObject_, nullptr); }
  // The object a creation tool just made becomes the pending object.
  void HandOverTrackedObject(TLink* object) override { SetPendingObject(object); }
  // What takes back the main view's pending hover point when the tool changes; null without a
  // main view.
  void SetPendingPointClearer(std::function<void()> clear) {
    pendingPointClearer_ = std::move(clear);
  }
  // The tracker of the tool: the one waiting for it, or a new one from the object resource
  // numbered by the tool; -25005 when the resource holds no object or the object makes no
  // tracker.
  TCommandCore* TrackerForTool(int16_t tool);
  // The current tool's tracker (null for the tools without one).
  TCommandCore* GetToolTracker() const { return toolTracker_; }
  // Hands a tool's tracker to a click: it leaves the waiting list and is the caller's; the
  // current tool has no tracker until the next SetMode or TrackerForTool.
  std::unique_ptr<TCommandCore> TakeToolTracker(TCommandCore* tracker);
  uint16_t GetPlayerMode() const { return playerMode_; }
  void SetPlayerMode(uint16_t on) { playerMode_ = on; }
  // A click while the world runs only stops the run.
  uint16_t GetClickStopsRun() const { return clickStopsRun_; }
  void SetClickStopsRun(uint16_t on) { clickStopsRun_ = on; }

  // Running (WorldRun.cpp) -----------------------------------------------------------------------
  int32_t GetRunState() const { return runState_; }
  // The open window hears of every change.
  void SetRunState(int32_t state);
  void DoCommand(int16_t commandNumber, uint16_t stopOthers);
  std::unique_ptr<TCommand> MakeRunCommand(int16_t commandNumber, uint16_t stopOthers);
  std::unique_ptr<TCommand> NewRunCommand(int16_t commandNumber, int16_t target,
                                             uint16_t exact, uint16_t stopOthers);
  void StopRunning();
  void AddRunningCommand(TCommand* command);
  void RemoveRunningCommand(TCommand* command);
  TCommand* FirstRunningCommand() const { return firstRunning_; }
  const std::vector<TCommand*>& RunningCommands() const { return running_; }
  uint16_t CanStartRun(TCommand* command);
  double CurrentTime() const;
  uint16_t PrepareRunTo(int32_t frame);
  void NotifyFrame(int32_t frame);
  // Tells the frame listeners that a run starts; a linked document that cannot be reached is
  // shown and the run goes on, other failures end it.
  void StartLinkedRun();
  // Tells the frame listeners that a conversation of the program has ended; true when one of
  // them lost its partner.
  bool ConversationsEnded();
  void RunToFrame(int32_t frame, EngineProgressCallback progress);
  void OfferToDropFrames();
  void SetStopFrame(int16_t frame);
  // No stop frame any more.
  void ClearStopFrame() { stopFrame_ = kNoStopFrame; }
  int16_t GetStopFrame();
  int16_t NextStepFrame() override;
  // The input value records of the last solver call.
  std::vector<uint8_t> InputRecords() const;

  // The switches of the world's menus ------------------------------------------------------------
  // While the alternate selection flag is set, gadgets are selected before the world's objects.
  uint16_t GetAlternateSelection() const { return alternateSelection_; }
  void SetAlternateSelection(uint16_t on) { alternateSelection_ = on; }
  uint16_t GetLockFlag() const { return lockFlag_; }
  void SetLockFlag(uint16_t on) { lockFlag_ = on; }
  // While set, player mode cannot be left from the menu.
  uint16_t GetPlayerModeLocked() const { return playerModeLocked_; }
  void SetPlayerModeLocked(uint16_t on) { playerModeLocked_ = on; }
  uint16_t GetFirstDisplay() const { return firstDisplay_; }
  void SetFirstDisplay(uint16_t on) { firstDisplay_ = on; }
  void SetSelectionMarksStale(uint16_t on) { selectionMarksStale_ = on; }
  // How many times in a row the current objects were duplicated, and the identifiers of the
  // last copies (a duplicate of exactly those objects continues the row).
  int16_t GetDuplicateCount() const { return duplicateCount_; }
  void SetDuplicateCount(int16_t count) { duplicateCount_ = count; }
  std::vector<int16_t>& LastDuplicates() { return lastDuplicates_; }
  // Half the world length a copy moves per duplicate in a row: 6 pixels at the world's scale,
  // so that a copy in the world lands as far off as a copied gadget (12 pixels a step).
  double DuplicateLength() const;
  // Where the last block of new gadgets was put, in window pixels.
  MacRect& PlacementRecord() { return placementRecord_; }

  // What commands ask of the world (WorldDocActions.cpp) ------------------------------------------
  using TWorldBase::Changed;
  using TCollectionLink::GetDocument;
  TLink& ContextLink() override { return *this; }
  TCommandDocument* GetDocument() override { return TCollectionLink::GetDocument(); }
  TEditState& EditState() override { return editState_; }
  std::vector<TLink*> Objects() override;
  // The geometry manager ("wGMr") that the world made for itself, when the class is registered.
  TObject* FindItem(uint32_t classTag) override;
  TList* CurrentSelection() override { return currentSelection_; }
  TList* SwapSelection(TList* selection) override;
  int16_t SwapStateWord(int16_t value) override;
  // The world owns the selections it is given to keep (KeepSelection) and frees one that is
  // forgotten or discarded while it is not the current one.
  uint16_t OwnsSelections() const override { return 1; }
  void DiscardSelection(TList* selection) override;
  void KeepSelection(TList* selection) override;
  void ForgetSelection(TList* selection) override;
  // A command's work is done (0), or undone or redone: the solver's copy of the world is stale,
  // and the formulas that read other objects follow them.
  void Changed(int16_t flag) override;
  void RedrawAll(int16_t first, int16_t second) override;
  void EndUpdate() override;
  void RefreshToolColours() override {}
  // Evaluates the world-reading formulas of the objects of both lists, in order, against the
  // world as formulas see it now, and tells each object of its changed formulas. Raises -25107
  // when progress asks to stop; a formula that cannot be evaluated raises its error.
  void RecomputeFormulas(const std::vector<TLink*>& first, const std::vector<TLink*>& second,
                         TGeometryObjectCache* cache, RecomputeProgress progress,
                         void* progressState) override;
  // Placing new objects (WorldPlacing.cpp) ------------------------------------------------------
  void DeselectAll() override { TWorldBase::DeselectAll(); }
  // Takes the placed objects in and remembers them as the last placing, which undo takes out.
  void AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) override;
  void AfterPlacing() override;
  // Takes the objects of the last placing out of the world, keeping their stream so that redo
  // brings them back as they were, under the same identifiers and with the same references.
  void PlacingUndone() override;
  // Reads the objects of the last placing back into the world.
  void PlacingRedone(int16_t first, int16_t second) override;
  // The identifiers of the objects of the last placing, in their order.
  const std::vector<int16_t>& LastPlaced() const { return lastPlaced_; }

  // The objects of the world whose formulas name the object.
  void CollectFormulaReaders(TLink& object, std::vector<TLink*>& readers) override;
  // Whether a formula reference names the object (by kind and number, or by name).
  static bool ReferenceNames(const FormulaObjectRef& reference, TLink& object);

 private:
  uint16_t velocityOption_ = 0;
  void MakeGeometryManager();
  // Evaluates every formula that reads the world until none changes; a formula that cannot be
  // evaluated keeps its value.
  void RefreshWorldFormulas();
  std::unique_ptr<TObject> geometryManager_;
  TEditState editState_;
  int16_t stateWord_ = 0;
  TList* currentSelection_ = nullptr;
  std::vector<std::unique_ptr<TList>> keptSelections_;

  void CollectInputValues();
  // Handles a failed solver step; answers whether the loop goes on.
  bool HandleRunFailure(int16_t error, const int32_t* status);
  void GrowStore();
  // Loads a stored history block into the world's store, or into a fresh one that takes its
  // place when the document has given a history already; a refused block is shown and changes
  // nothing.
  void LoadHistory(std::span<const uint8_t> raw);
  void ReadRecordedMeters(TObjectReader& reader);
  // Notes in the store, as a recording begins, every meter and how many columns it records.
  void RecordMeters(TFrameStore& store);
  void WriteStoreBlocks(TObjectWriter& writer, const TFrameStore& store, bool current);
  void ReadHistoryCursors(TObjectReader& reader);
  std::vector<uint8_t> ReadPrimitiveHistory(TObjectReader& reader);
  void ForgetObject(TLink* object);
  // Tells the member watchers of the object that joins, and a joining watcher of those there.
  void TellMemberWatchers(TLink& object);
  bool SetScale(double scale);

  TWorldHost* host_ = &TWorldHost::Default();
  TLink* tableLoader_ = nullptr;
  TWorldDisplay* display_ = nullptr;
  TWorldObjectOwner objectOwner_{*this};
  std::vector<std::unique_ptr<TLink>> owned_;
  std::vector<int16_t> lastPlaced_;
  // The stream of the last placing while it is undone.
  std::vector<uint8_t> placedAside_;
  std::unique_ptr<TSolverEngine> engine_;
  std::unique_ptr<TJoiner> joiner_;

  TCommand* firstRunning_ = nullptr;
  std::vector<TCommand*> running_;
  uint16_t startAtFrameZero_ = 0;
  int16_t stopFrame_ = 0;
  uint16_t clickWord_ = 0;
  TLink* engineObject_ = nullptr;
  std::vector<TLink*> viewObjects_;
  uint16_t solverWorldLoaded_ = 0;
  int32_t runState_ = kRunIdle;
  uint16_t frameShown_ = 0;
  int16_t toolArgument_ = 0;
  int16_t previousTool_ = kSelectionTool;
  int16_t previousToolArgument_ = 0;
  ToolTrackerMaker toolTrackerMaker_;
  std::function<void()> pendingPointClearer_;
  TLink* pendingObject_ = nullptr;
  std::vector<TLink*> extraList_;
  // The trackers made and not yet handed to a click, in the order of their command numbers.
  std::vector<std::unique_ptr<TCommandCore>> toolTrackers_;
  TCommandCore* toolTracker_ = nullptr;
  uint16_t playerMode_ = 0;
  uint16_t clickStopsRun_ = 0;
  uint16_t dropOldFrames_ = 0;
  uint16_t askBeforeDropping_ = 0;
  Handle inputBuffer_ = nullptr;
  int32_t inputCount_ = 0;
  std::vector<TLink*> pauseControls_;
  std::vector<TLink*> inputs_;
  std::vector<TLink*> outputs_;
  std::vector<TLink*> otherGadgets_;
  std::vector<TLink*> bodies_;
  std::vector<TLink*> eightValue_;
  std::vector<TLink*> frameListeners_;
  std::vector<TLink*> memberWatchers_;
  uint16_t canPlay_ = 0;
  int32_t outputDisplay_ = 2;
  uint16_t doublePrecision_ = 0;
  uint16_t selectionMarksStale_ = 0;
  uint16_t alternateSelection_ = 0;
  uint16_t lockFlag_ = 0;
  uint16_t playerModeLocked_ = 0;
  uint16_t firstDisplay_ = 0;
  int16_t duplicateCount_ = 0;
  std::vector<int16_t> lastDuplicates_;
  MacRect placementRecord_;
  uint16_t marksWord_ = 0;
  uint16_t windowStateWord_ = 1;
  TLink* unitHandler_ = nullptr;
  TLink* vectorHandler_ = nullptr;
  uint16_t angleSnap_ = 0;
  uint16_t useStoredDistance_ = 1;
  double snapDistance_ = 0.0;
  uint16_t columnList_ = 0;
  uint16_t resetGuard_ = 0;
  uint16_t trackReset_ = 0;
  std::unique_ptr<TRecordLayout> recordLayout_;
  int32_t viewWidth_ = 0;
  std::vector<std::unique_ptr<TFrameStore>> earlierStores_;
  uint16_t historyRead_ = 0;
  uint16_t metFirstHistory_ = 0;
  uint16_t severalRuns_ = 0;
  // The history whose blocks are being written; the current one otherwise.
  const TFrameStore* storeBeingWritten_ = nullptr;
  uint16_t fileResults_ = 1;
  TWorldSettings settings_;
};
