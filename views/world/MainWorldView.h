#pragma once
// The view in each document window that shows the world and turns the pointer into editing
// actions. It maps the world onto the window (scale and origin kept by the world), draws the
// world in layers by run state (background: white and the grid; display: the world's objects;
// screen: feedback), chooses the cursor by tool, follows the pointer at idle time for hover
// feedback and the snapper's marker, zooms with the zoom tools, and hands every other press to
// the world's click dispatch.
//
// Contents, by file:
//   MainWorldView.cpp         construction, Init, transform, zoom and scroll, run states, extent
//   MainWorldViewDrawing.cpp  grid walk and grid snapping, redrawing one object, XOR highlight
//   WorldLayerPasses.cpp      the world's object lists, the layers by run state and the passes
//                             over the lists, the reference crosshair
//   MainWorldViewInput.cpp    cursor, hover, presses, hit queries, the snapper's questions
//   MainWorldViewLabels.cpp   names typed in place over the objects' labels, the idle
//                             recomputation of the extent

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/geometry/Transform2D.h"
#include "model/Link.h"
#include "platform/win32/Region.h"
#include "views/offscreen/OffScreenView.h"
#include "views/offscreen/OffScreenViewBase.h"
#include "views/world/HotPointSnapper.h"

class DeviceContext;
class TCommandCore;
class TIdleExtentUpdater;
class TLabelEditorView;
class TGadgetTextField;
class TTextEditView;
class TThing;
class TWorldDoc;

// The grid flag's menu command.
inline constexpr int16_t kCmdShowGrid = 1084;
// Draws the whole view again, erasing the tracks that a run left.
inline constexpr int16_t kCmdEraseTrack = 1006;

class TMainWorldView : public TOffScreenViewBase, public TCursorSource, public THotPointView {
  DECLARE_CLASS_ID(522, TOffScreenViewBase)

 public:
  // Run states of the view.
  static constexpr int32_t kEditing = 0;
  static constexpr int32_t kRunning = 1;
  static constexpr int32_t kReplaying = 2;
  // Tools with a meaning here.
  static constexpr int16_t kSelectTool = 2000;
  static constexpr int16_t kDragSelectTool = 2003;
  static constexpr int16_t kZoomInTool = 2005;
  static constexpr int16_t kZoomOutTool = 2006;
  static constexpr int16_t kPartTool = 2012;
  // Cursor resources.
  static constexpr uint32_t kHandleCursor = 1000;
  static constexpr uint32_t kZoomInCursor = 1004;
  static constexpr uint32_t kZoomOutCursor = 1005;
  static constexpr uint32_t kRunningCursor = 1010;
  static constexpr uint32_t kThirdCursor = 1013;
  static constexpr uint32_t kLabelCursor = 1014;
  static constexpr uint32_t kPartCursor = 27024;
  // Hover runs at most this often (ticks).
  static constexpr int32_t kHoverInterval = 5;
  // Grid lines: the colour in 16-bit channels.
  static constexpr RGB16Color kGridColour{.red = 0x0241, .blue = 0xAB54, .green = 0xEAFF};

  // The world's answer to a press that the view does not handle itself: a command, or null.
  using ClickHandler =
      std::function<TCommandCore*(TMainWorldView& view, const MacPoint& point, TMouseEvent* event)>;
  // Told the point under the pointer at each hover pass and whether it is over free space.
  using HoverHandler = std::function<void(const MacPoint& point, bool overFreeSpace)>;

  TMainWorldView();
  ~TMainWorldView() override;

  // Places the view and ties it to the world: raises -108 when the world has no snapper.
  void Init(CDocument* document, TWrappedWindow* superview, TViewPoint location, TViewPoint size,
            TWorldDoc* world);
  TWorldDoc* GetWorld() const { return world_; }
  THotPointSnapper* GetSnapper() const { return snapper_; }
  void SetClickHandler(ClickHandler handler) { clickHandler_ = std::move(handler); }
  void SetHoverHandler(HoverHandler handler) { hoverHandler_ = std::move(handler); }
  // Told each rectangle of the view that the overlay pass drew again, once it is drawn.
  using OverlayHandler = std::function<void(const MacRect& rect)>;
  void SetOverlayHandler(OverlayHandler handler) { overlayHandler_ = std::move(handler); }
  // Told when the view goes (with its window).
  void SetGoneHandler(std::function<void()> handler) { goneHandler_ = std::move(handler); }
  // Draws, into the port the view draws its objects in, what the window shows over the world
  // beside its controls (the items embedded in the document), so that every copy of the picture
  // to the screen shows them.
  void SetItemsDrawer(std::function<void()> drawer) { itemsDrawer_ = std::move(drawer); }

  // ---- Transform, zoom, scroll (MainWorldView.cpp) ----
  // Pixels per world unit.
  double GetScale() const;
  const Transform2D& GetViewTransform();
  void UpdateTransform() override;
  void UpdateObjectTransforms() override;
  MacPoint WorldToView(const TVector& world);
  TVector ViewToWorld(const MacPoint& point);
  bool IsZoomInTool() const;
  void ZoomAt(bool zoomIn, const MacPoint& point);
  // Zooms by the factor keeping the world point under `viewPoint` (x = h, y = -v) in place.
  void ZoomAboutPoint(const TVector& viewPoint, double factor);
  void SetScaleAboutMiddle(double scale);
  void ScrollBy(const MacPoint& delta);
  // Puts the world origin at the view's centre.
  void CentreOrigin();
  // Zooms and centres the view so that the world's objects fill the fraction of it.
  void ZoomToFit(double fraction = 0.9);
  // Frames a drawing just opened in its window: every body, line and point whole and centred,
  // a tenth of the drawing's width and of its height to spare on each side, at the scale at
  // which both fit.
  void FitDrawing();
  // While tracking: scrolls towards a point outside the view, faster the further out it lies
  // (at most every 3 ticks); 1 when it scrolled.
  int16_t AutoScroll(const MacPoint& point) override;
  void SetAutoscrollEnabled(bool on) { autoscrollEnabled_ = on; }
  bool IsAutoscrolling() const { return autoscrolling_; }
  void TransformChanged() override;
  void ScaleChanged() override;
  void ViewChanged() override;

  // ---- Run states and frames ----
  void SetRunState(int32_t state) override;
  int32_t GetRunState() const { return runState_; }
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;
  // The world's tool, options or run changed: the snapper follows.
  void SettingChanged(int32_t first, int32_t second) override;
  void OptionChanged(int32_t first, int32_t second) override;
  void RunStateChanged(int32_t state) override;
  int32_t GetCurrentFrame() const { return currentFrame_; }
  // Mark the display or background picture stale over the whole view.
  void InvalidateForeground();
  void InvalidateBackground();
  // A rectangle (view coordinates) stale in the picture the run state draws it into, or straight
  // on the screen.
  void InvalidateWorldRect(const MacRect& rect);
  void InvalidateRectOnScreen(const MacRect& rect);
  // Objects of the world changed, came or went: while editing, where each object of the main
  // list stood when its shape was last put into the background and where it stands now are
  // marked stale in the background.
  void InvalidateChangedAreas();
  void RecomputeWorldExtent();
  const TDoubleRect& GetWorldExtent() const { return worldExtent_; }

  // ---- Names typed in place, the idle extent (MainWorldViewLabels.cpp) ----
  // The extent is recomputed at idle time, at most every two seconds: the view's idle pass
  // performs the updater when it is ready.
  void ArmIdleUpdater();
  void RunIdleUpdater();
  TIdleExtentUpdater* GetIdleUpdater() const { return idleUpdater_.get(); }
  TLabelEditorView* GetLabelEditor() const { return labelEditor_; }
  TThing* GetEditTarget() const { return editTarget_; }
  // Ends the editing of the old target's label (its typed name taken) and begins it on the new
  // one's at the point (port coordinates); nothing when the object is the target already.
  void SetEditTarget(TThing* object, const MacPoint& point);
  // Where an object's name label stands in the view, or an empty rectangle when it shows none.
  MacRect LabelRect(TThing* object);
  // The topmost object whose label holds the point; none while the world runs or replays.
  TThing* FindLabelHit(const MacPoint& point);
  // The frontmost control on the window whose label area for the current tool holds the point:
  // a press there types into it.
  TLink* FindGadgetTextArea(const MacPoint& point) { return FindGadgetArea(point, false); }
  // The frontmost control whose control area (a button's face, a slider's track) holds the point.
  TLink* FindGadgetControlArea(const MacPoint& point) { return FindGadgetArea(point, true); }
  TLink* FindGadgetArea(const MacPoint& point, bool controls);
  // The object is leaving the world: its label is no longer edited, and nothing is taken.
  void ObjectRemoved(TThing* object);
  bool HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                       TCommandCore** command) override;
  TCommandCore* DoKeyCommand(int16_t character, int32_t keyData, TEventRecord* event) override;
  void RemoveSubview(TWrappedWindow* view) override;
  // Activated, the view gives the keyboard back to the label being edited.
  void Activate(bool on) override;

  // ---- Text typed in place into a gadget (GadgetTextField.cpp) ----
  // Begins editing the gadget's text in the view's rich text field; the editing of a label or
  // of another gadget ends first. False when the gadget types no text or makes no control.
  bool BeginGadgetTextEdit(TLink* gadget);
  // The gadget takes its text back; a text left empty takes the gadget out of the world as an
  // undoable deletion.
  void EndGadgetTextEdit();
  // The field while a gadget's text is edited in it, else null.
  TGadgetTextField* LiveGadgetTextField() const;

  // ---- Grid (MainWorldViewDrawing.cpp) ----
  uint16_t GetShowGrid() override { return showGrid_; }
  // Shows or hides the grid lines: the snapper hears of it and the background is drawn again.
  void SetShowGrid(uint16_t show);
  void ComputeGridParameters();
  void GetGridParameters(double& first, double& second, double& third, int16_t& count) override;
  // Calls back with (pixel, world coordinate, major) for each line along the axis: 1 vertical
  // lines (world x), 0 horizontal lines (world y).
  using GridLineCallback = std::function<void(int16_t pixel, double coordinate, bool major)>;
  void WalkGridLines(int16_t axis, bool withMinor, const GridLineCallback& callback);
  void DrawGridLines(const MacRect& rect);
  bool SnapToGridLines(int16_t tolerance, const MacPoint& point, TVector& world, MacPoint& view,
                       int32_t& kind);
  // What the rulers ask of the main view: the grid-line walk along the axis (b, a
  // GridLineRequest) with data c, without and with minor lines.
  using GridLineRequest = void (*)(int16_t pixel, double coordinate, int16_t major, void* data);
  void MasterRequest(int32_t axis, intptr_t callback, intptr_t data) override;
  void MasterRequestDirect(int32_t axis, intptr_t callback, intptr_t data) override;

  // ---- Drawing ----
  void DrawContents() override;
  void DrawBackground(const MacRect& rect) override;
  void DrawWindowGadgets(const MacRect& rect);
  void DrawObjects(const MacRect& rect) override;
  void DrawOverlay(const MacRect& rect) override;
  // The highlight shown or taken away (state 4, the active one) while editing: the objects of
  // the highlight list draw their highlight in XOR. HighlightListed does it for the objects
  // that pass the test.
  void HighlightChanged(int16_t oldState, int16_t newState) override;
  void HighlightListed(int16_t oldState, int16_t newState,
                       const std::function<bool(TThing*)>& test);
  // Printed (solid fills): the layers one after the other into the rectangle.
  void Draw(const MacRect& area) override;
  // The selected objects' shapes alone, in drawing order, into the rectangle: what a copy
  // records as its picture.
  void DrawSelectedShapes(const MacRect& area);
  // An object of the world changed or went: the snapper forgets it.
  void NoteWorldChanged(TLink* object);
  // The object drawn again at once through the pictures over its bounds, which are also
  // marked stale: into the background on release or when `immediately` (then the window
  // follows at the next paint), else into the display picture and onto the window.
  static constexpr int16_t kPhaseRelease = 2;
  void RedrawObject(TThing* object, int16_t phase, bool immediately);
  // The current frame's tracks added to the background picture, where they stay until it is
  // drawn again: at every Nth frame (N the world's tracking setting) the objects before the
  // selection are stamped, and the bodies draw their track marks; between, the bodies' track
  // lines grow. `fresh` starts the lines afresh at the current points.
  void StampFrameIntoBackground(bool fresh);
  // The tracks go: the background is drawn again with the current frame's alone.
  void EraseTracks();
  // The world's run state (idle, forwards, backwards): a run that starts erases the tracks
  // when the world's auto-erase setting is on.
  void WorldRunStateChanged(int32_t state);
  // The view goes back to editing once the world's last run has ended, so that the selection and
  // the editing picture show at once rather than at the next hover pass.
  void LeaveEndedRun();
  // The frame whose tracks were drawn last; -1 when the next shown frame draws them afresh.
  int32_t GetLastFrameDrawn() const { return lastFrameDrawn_; }
  // Whether the frame now shown has to be drawn again: editing, unless its tracks are drawn
  // already or nothing leaves tracks; running, when a frame came while autoscroll held the
  // display or the run has just started; never while replaying.
  bool NeedsFrameRedraw() const;
  // The recorded frames whose tracks the background holds (first, last), or (-1, -1).
  std::pair<int32_t, int32_t> GetTrackedFrames() const { return {tracksFrom_, tracksTo_}; }
  // The world rectangle an object draws in: a body's square that holds its shape at any angle,
  // a constraint's span between the objects it joins, a point's place and its body; false for
  // the ground, which draws across the view.
  static bool DrawnBounds(TThing& object, TDoubleRect& bounds);
  // The view's rectangle of what an object draws, or an empty rectangle.
  MacRect ObjectRect(TThing* object);

  // ---- The world's object lists and the passes over them (WorldLayerPasses.cpp) ----
  // The lists the view draws and hit-tests, made from the world's objects in the world's order:
  // main (every shown object with a label and handles: bodies, points, constraints), second
  // (the bodies that make the world's extent), link (objects drawn with their sub-objects) and
  // the lines of the world's line handler. Drawn in list order, hit-tested from the end.
  struct ObjectLists {
    std::vector<TThing*> main;
    std::vector<TThing*> second;
    std::vector<TThing*> link;
    std::vector<TThing*> line;
  };
  ObjectLists CollectLists() const;
  // Objects hit first while a highlight is shown, and objects drawn over the rest (in the
  // selection's place on the screen, and last while running); both empty unless the world's
  // tools fill them.
  void SetPriorityList(std::vector<TThing*> objects) { priorityList_ = std::move(objects); }
  void SetOverlayList(std::vector<TThing*> objects) { overlayList_ = std::move(objects); }
  // The objects shown highlighted: the world's selection.
  std::vector<TThing*> HighlightList() const;
  // Draw modes handed to the objects.
  static constexpr int16_t kModePlain = 0;
  static constexpr int16_t kModeSelected = 1;
  static constexpr int16_t kModeOverlayMember = 2;
  static constexpr int16_t kModeOverlay = 3;
  // Runs one of the eleven passes over the lists into the focused port.
  void RunPass(int16_t pass, const MacRect& rect);
  // The object last drawn by the passes that stop at the first selected object.
  TThing* GetLastDrawnObject() const { return lastDrawnObject_; }
  // The reference object: the crosshair through its point across the rectangle and its icon at
  // the point, each when its flag is set. Nothing when suppressed or without a reference.
  void SetReference(TThing* object, uint16_t crosshair, uint16_t icon);
  TLink* GetReferenceObject() override;
  void DrawReferenceCrosshair(const MacRect& rect, bool suppress);

  // ---- Input (MainWorldViewInput.cpp) ----
  // The topmost object under the point (view coordinates), or null: while a highlight is
  // shown the priority list's objects first, then the link list, the lines and, when asked,
  // the main list.
  TLink* FindObjectAt(const MacPoint& point, bool includeMain = true);
  // The topmost selected object of the main list with a handle under the point, and which.
  TThing* FindHandleHit(const MacPoint& point, int32_t& handle);
  // What a press at a point falls on: nothing (object null), a hot point (kind 3, values[0] its
  // index) or, in vertex editing, a polygon's vertex or edge (the kind the polygon answers,
  // values[0] the vertex and values[1] the edge).
  struct AnyHit {
    TThing* object = nullptr;
    int32_t kind = kHotSpotHit;
    int32_t values[4] = {0, 0, 0, 0};
  };
  static constexpr int32_t kHotSpotHit = 3;
  // The topmost shown body, then object of the main list, with one of its hot points' squares
  // under the point; kind becomes 3 and index the hot point's index.
  TThing* FindHotSpot(const MacPoint& point, int32_t& kind, int16_t& index);
  // Topmost first over the bodies, the objects with parts and the main list: in vertex editing
  // a body's vertex or edge under the point, else a hot point.
  AnyHit FindAnyHit(const MacPoint& point);
  // The topmost object of the link list inside the rectangle, else the link list's first.
  TThing* FindObjectInRect(const MacRect& rect);
  void SetToolCursor(uint32_t resource);
  // Takes back the hover mark of the last point the pointer rested on, so that the next hover
  // marks afresh.
  void ClearPendingPoint();
  // The cursor of the current tool's waiting tracker; the tool's own without one.
  uint32_t ToolTrackerCursor(int16_t tool) const;
  bool DoSetCursor(const MacPoint& portPoint, RegionRec* cursorRegion) override;
  uint32_t CurrentCursorResource() const override { return cursor_; }
  int16_t DoIdle(int16_t phase) override;
  // The hover pass at the pointer's place in the view.
  void TrackMouseOver(const MacPoint& point);
  TCommandCore* DoMouseCommand(const MacPoint& portPoint, TMouseEvent* event,
                               int32_t hint) override;
  TCommandCore* DoMenuCommand(int16_t commandNumber) override;
  void DoSetupMenus() override;

  // ---- What the snapper asks ----
  void GetGridParameters(GridParameters& grid) override;
  int16_t HorizontalPixelDistance(double worldLength) override;
  TLink* FindObjectAt(const POINT& pixel, int16_t options) override;
  TLink* FindObjectInRect(const TVector& world, double tolerance) override;
  uint16_t SnapPointToView(int16_t tolerance, const POINT& pixel, TVector& world, POINT& window,
                           int32_t& kind) override;
  POINT WorldToWindow(const TVector& world) override;
  TVector WindowToWorld(const POINT& pixel) override;
  HDC BeginHotPointDrawing() override;
  void EndHotPointDrawing(HDC dc) override;

 protected:
  // Whether the shown frames leave tracks in the background: while the world's tracking setting
  // is at least 1 and, running or replaying, the world asks for tracks then.
  virtual bool WorldDrawsTracks() const;

 private:
  // Zooms and centres the view on the world rectangle so that it fills the fraction of it.
  void ZoomToBounds(const TDoubleRect& bounds, double fraction);
  // What a drawing shows: every body and line, and where each point stands.
  TDoubleRect DrawingBounds() const;
  // Whether the view, at the world's scale and offsets, shows the whole world rectangle.
  bool Shows(const TDoubleRect& bounds) const;
  class FrameLink;
  class WorldWatch;
  // The world's selection as a set, made once per pass.
  class Selection {
   public:
    explicit Selection(const TWorldDoc* world);
    bool Has(const TLink* object) const;
    bool Empty() const { return objects_.empty(); }

   private:
    std::unordered_set<const TLink*> objects_;
  };
  std::vector<TThing*> Things() const;
  // Tells the dependents (the scroll bars) the view centre and the extent in pixels.
  void BroadcastScrollState();
  // The rulers draw the grid's ticks and labels into their background: they draw it again.
  void InvalidateRulers();
  // The rulers redraw when the world's length unit is another than their labels show.
  void RulersFollowUnits();
  // Where the main list's objects stand now, as the background is drawn with them.
  void RememberShownAreas();
  std::unordered_map<const TThing*, MacRect> ShownAreasNow();
  // The controls on the window and their frames, in the world's order.
  std::vector<std::pair<const TLink*, MacRect>> ShownGadgetsNow() const;
  // The two ways an object draws itself: the first (its editing picture, with the marks of a
  // selected object) and the second (its shape alone).
  void FirstDraw(TThing* object, const MacRect& rect, int16_t mode, const Selection& selection);
  void SecondDraw(TThing* object, const MacRect& rect, int16_t mode);
  // The passes by what they do.
  void DrawListShapes(const std::vector<TThing*>& list, const MacRect& rect);
  void DrawEditingPicture(const ObjectLists& lists, const MacRect& rect,
                          const Selection& selection);
  void DrawUnselectedLinks(const ObjectLists& lists, const MacRect& rect,
                           const Selection& selection);
  void DrawSelectionOnScreen(const ObjectLists& lists, const MacRect& rect,
                             const Selection& selection);
  void DrawLinksUpToSelection(const ObjectLists& lists, const MacRect& rect,
                              const Selection& selection);
  void DrawAfterLastDrawn(const ObjectLists& lists, const MacRect& rect,
                          const Selection& selection);
  bool DrawUpToSelection(const std::vector<TThing*>& list, const MacRect& rect,
                         const Selection& selection);
  void DrawFrameOfRun(const ObjectLists& lists, const MacRect& rect, const Selection& selection);
  void DrawRunningPicture(const ObjectLists& lists, const MacRect& rect);
  // A frame's share of the tracks into the focused port (see StampFrameIntoBackground), with
  // the objects standing where that frame puts them.
  void DrawFrameTracks(const MacRect& rect, bool fresh, int32_t frame);
  // The tracks that the background holds, into the focused port: drawn again from the recorded
  // frames when they span more than the frame shown (after a zoom or a scroll), else the
  // current frame's alone.
  void DrawBackgroundTracks(const MacRect& rect);
  // Brings the recorded objects to a frame without telling anyone: the tracks are drawn from
  // there and the objects brought back to the frame shown.
  void PlaceObjectsAtFrame(int32_t frame);
  // The tracks start afresh at the frame, or are forgotten for -1.
  void RestartTracks(int32_t frame);
  // A new frame is shown: its tracks are added, or drawn afresh when the frame lies too far
  // from the last one drawn.
  void ShowFrameTracks();
  // The part of the rectangle that the focused port's clip lets through.
  MacRect VisibleArea(const MacRect& rect);
  // The main list's shapes as an update's background pass left them in the background picture,
  // when none of them mixed with the pixels under it: the update, the picture's context, its
  // paint count once they were drawn and the area they were drawn in.
  struct ShapesInBackground {
    bool valid = false;
    uint32_t update = 0;
    HDC dc = nullptr;
    int64_t paints = 0;
    RegionData area;
  };
  // The buffered manager's picture (0 background, 1 display) when the port draws into it now,
  // in the pass that fills it; null otherwise (no pictures, printing, recording).
  DeviceContext* PictureBeingDrawn(int16_t which) const;
  // Whether the display picture being drawn now was copied from a background that this update
  // has just filled with the main list's shapes, over the same area, and that nothing has
  // painted on since. The shapes are forgotten either way.
  bool DisplayHoldsStampedShapes();
  bool InOverlay(const TThing* object) const;
  bool StillInWorld(const TThing* object) const;
  // The objects of a list the view was given that are still in the world.
  std::vector<TThing*> StillInWorld(const std::vector<TThing*>& objects) const;
  // Label editing.
  void MakeCompanions();
  void FreeCompanions();
  // The edit target when it is still in the world; else the editing is forgotten.
  TThing* LiveEditTarget();
  void EndLabelEditing(bool takeName);
  // The typed name given to the target through an undoable command, when it changed.
  void TakeTypedName();
  // The key (4, Backspace, Tab, line feed, Return or Ctrl+".") handled for the edited label:
  // false when the label refuses it.
  bool LabelHandlesKey(int16_t character, bool commandKey);
  // The commands that act on the edited text: true when the command was the editor's.
  bool LabelEditingCommand(int16_t commandNumber);
  // The same for a gadget's text: the text commands act on the field, the Font command chooses
  // its style and any other command ends the editing.
  bool GadgetTextCommand(int16_t commandNumber);
  // Cut, Copy, Paste and Clear on a field being typed into: false for any other command.
  static bool FieldClipboardCommand(TTextEditView& field, int16_t commandNumber);
  void PerformOwnCommand(TCommandCore* command);

  TWorldDoc* world_ = nullptr;
  THotPointSnapper* snapper_ = nullptr;
  std::unique_ptr<FrameLink> frameLink_;
  std::unique_ptr<WorldWatch> worldWatch_;
  // The view rectangle of each object of the main list whose shape the editing background
  // holds (or will hold at its next drawing).
  std::unordered_map<const TThing*, MacRect> shownAreas_;
  // The controls on the window as they were last drawn: one that went or moved leaves its image
  // on the foreground until it is drawn again.
  std::vector<std::pair<const TLink*, MacRect>> shownGadgets_;
  ClickHandler clickHandler_;
  HoverHandler hoverHandler_;
  OverlayHandler overlayHandler_;
  std::function<void()> goneHandler_;
  std::function<void()> itemsDrawer_;
  Transform2D viewTransform_;
  bool transformValid_ = false;
  bool gridValid_ = false;
  TGridParameters grid_;
  int32_t currentFrame_ = -1;
  int32_t lastFrameDrawn_ = -1;
  // The recorded frames whose tracks the background holds, and the frame whose tracks were
  // added last; -1 without tracks. They outlive a change of view, which draws them again.
  int32_t tracksFrom_ = -1;
  int32_t tracksTo_ = -1;
  int32_t tracksLast_ = -1;
  bool worldRunning_ = false;
  uint16_t showGrid_ = 0;
  MacPoint lastHoverPoint_{-1, -1};
  TVector lastSnappedPoint_{0.0, 0.0};
  MacPoint lastFeedbackPoint_{-1, -1};
  bool overFreeSpace_ = false;
  bool modifierDown_ = false;
  TDoubleRect worldExtent_{0, 0, 0, 0};
  TDoubleRect objectBounds_{0, 0, 0, 0};
  bool objectsFound_ = false;  // whether objectBounds_ bounds any body
  TVector viewCentre_{0.0, 0.0};
  int32_t runState_ = kEditing;
  bool frameRedrawPending_ = false;
  bool autoscrolling_ = false;
  bool autoscrollEnabled_ = false;
  bool recomposeFrame_ = false;
  int32_t autoscrollSpeed_ = 12;
  uint32_t lastAutoscroll_ = 0;
  bool backgroundDirty_ = false;
  bool foregroundDirty_ = false;
  bool foregroundPending_ = false;
  bool backgroundPending_ = false;
  uint32_t cursor_ = 0;
  std::unique_ptr<TIdleExtentUpdater> idleUpdater_;
  TLabelEditorView* labelEditor_ = nullptr;
  TGadgetTextField* gadgetField_ = nullptr;
  TThing* editTarget_ = nullptr;
  // The name the editor held when the editing began or a name was last taken.
  std::string takenName_;
  bool notEditing_ = false;
  std::vector<TThing*> priorityList_;
  std::vector<TThing*> overlayList_;
  TThing* lastDrawnObject_ = nullptr;
  ShapesInBackground shapesInBackground_;
  // Set while the editing picture is drawn over such a copy.
  bool reuseStampedShapes_ = false;
  // Where the objects drawn now can show: others are left out.
  MacRect cullArea_{-32767, -32767, 32767, 32767};
  TThing* reference_ = nullptr;
  uint16_t referenceCrosshair_ = 0;
  uint16_t referenceIcon_ = 0;
};

// The object as the class it answers to by class identifier, or null; cheaper than a dynamic
// cast on the drawing paths that ask it of every object.
template <class T>
T* ThingAs(TLink* object) {
  return object && object->IsMemberClass(T::kClassID) ? static_cast<T*>(object) : nullptr;
}

// The grid flag of a world's main view, as the world's menu and scripts see it.
uint16_t GetViewFlag(TMainWorldView& view);
void SetViewFlag(TMainWorldView& view, uint16_t show);
