#pragma once
// A world's document window: the frame with its root view, the double-buffered manager inside
// it and the main world view inside that; the furniture and placement of the window; and the
// world's answer to a press in the main view. Clicks on objects select them, clicks on empty
// space empty the selection, and any click on an object while the world runs stops the run.

#include <cstdint>
#include <memory>

#include "core/MacTypes.h"
#include "model/world/WorldDisplay.h"

class CDocument;
class TCommandCore;
class TCommandHelpLine;
class TCoordsView;
class TDezevOffScreenMgr;
class TFrameIndic;
class TLink;
class TMainWorldView;
class TOwlSubview;
class THRulerView;
class TScrollBarContainer;
class TVRulerView;
class TWindowDocument;
class TWorldDoc;
class TWorldClickDispatch;
class TWorldTrackerContext;
class TWorldTrackerView;
struct TMouseEvent;

// Frames of a world's window: the normal one, and the one of the alternate-frame flag.
inline constexpr int32_t kWorldFrameResource = 1000;
inline constexpr int32_t kAlternateWorldFrameResource = 6662;
inline constexpr int16_t kErrNoUnitHandler = -25005;

// Where and how a world's window stands: bit 0 rulers, bit 1 frame indicator, bit 2 indicator
// state, bit 3 the main view's grid flag, bit 4 the coordinates bar; a width of 0 leaves the
// window where the frame manager put it. Scroll bars stand beside the main view unless
// `scrollBars` is 0.
struct TWindowLayout {
  uint8_t flags = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
  int16_t scrollBars = 1;
};

class TWorldWindow : public TWorldDisplay {
 public:
  TWorldWindow(TWorldDoc& world, TWindowDocument& document);
  ~TWorldWindow();
  TWorldWindow(const TWorldWindow&) = delete;
  TWorldWindow& operator=(const TWorldWindow&) = delete;

  // Builds the window (-108 when no frame could be made, -25005 when the world has no unit
  // handler) and shows the world in it.
  void OpenWindow(bool alternateFrame = false);
  // Places the window by the stored layout and maximises it in the main frame when asked.
  void SetUpFurniture();
  // The scroll bars beside the main view: each shown or hidden moves the main view and the
  // other furniture so that nothing overlaps; nothing without a main view, when the piece is
  // already so, or (showing) when the document forbids scroll bars.
  void ShowHScrollBar(bool show);
  void ShowVScrollBar(bool show);
  // Both rulers: the vertical one at the main view's left, the horizontal one below it.
  void ShowRulers(bool show);
  // The tape along the bottom: a row of its own above the horizontal scroll bar, or, with the
  // indicator in the scroll-bar row, 200 pixels at the left of the scroll bar's row.
  void ShowFrameIndicator(bool show);
  TFrameIndic* FrameIndicator() const { return indicator_; }
  // Moves a shown tape into or out of the scroll bar's row (it is hidden and shown again).
  void SetIndicatorInRow(bool inRow);
  bool IsIndicatorInRow() const { return indicatorInRow_; }
  // The coordinates bar below the world display (below the horizontal ruler when shown).
  void ShowCoordsBar(bool show);
  TCoordsView* CoordsBar() const { return coords_; }
  // The help line across the top of the window: the views below it move down by its height,
  // and back when it goes.
  void ShowHelpLine(bool show);
  TCommandHelpLine* HelpLine() const { return helpLine_; }
  // The application frame's status bar, when the frame is the main MDI frame and has one.
  void ShowStatusBar(bool show);
  // The palettes belong to the frame that holds the window.
  void ShowFramePalettes(bool show);
  // The tape shows the run mode.
  void RunStateChanged(int32_t state) override;
  // Through the main view, as the menu sends it.
  TCommandCore* DoWorldMenuCommand(int16_t command) override;
  THRulerView* HRuler() const { return hRuler_; }
  TVRulerView* VRuler() const { return vRuler_; }
  void SetScrollBarsForbidden(bool forbidden) { scrollBarsForbidden_ = forbidden; }
  TScrollBarContainer* HScrollBar() const { return hScrollBar_; }
  TScrollBarContainer* VScrollBar() const { return vScrollBar_; }
  // A horizontal bar lies along the bottom; both bars are shown.
  bool HasBottomStrip() const { return bottomStrip_; }
  bool HasBothScrollBars() const { return bothScrollBars_; }
  void ActivateFrame(bool activating);
  // Back to the selection tool.
  void ResetTool();
  // The press at a point of the main view: a command, or null when the press is done.
  TCommandCore* MouseDown(const MacPoint& point, TMouseEvent* event);
  void MouseMoved(const MacPoint& point, bool moving);
  // With the rotating tool, the line from the rotation centre to the pointer; taken back
  // otherwise.
  void ShowRotationCentreLine(const MacPoint& point, bool inView);

  TOwlSubview* FrameWindow() const { return frame_; }
  TDezevOffScreenMgr* Manager() const { return manager_; }
  TMainWorldView* MainView() const { return mainView_; }
  TLink* LastHitObject() const { return lastHit_; }
  // Which tracker takes a press; null while the window has no main view.
  TWorldClickDispatch* Clicks() const { return clicks_.get(); }
  TWorldTrackerContext* TrackerContext() const { return trackerContext_.get(); }
  TWindowLayout& Layout() { return layout_; }
  // The application keeps documents zoomed (maximised) in the main frame.
  void SetZoomDocuments(bool on) { zoomDocuments_ = on; }
  // The world is to be shown whole when its window is set up next.
  void SetZoomToExtents(bool on) { zoomToExtents_ = on; }
  // The world is a drawing just read: framed whole, its lines and points too, once its window
  // has the size it opens at.
  void SetFitDrawing(bool on) { fitDrawing_ = on; }

  // What the world's users ask of its window (registered with the world while it is open).
  bool GetShowGrid() const override;
  void SetShowGrid(bool show) override;
  void ZoomToExtents() override;
  bool SetViewScale(double scale) override;
  void UpdateView() override;
  void InvalidateViews() override;
  void InvalidateArea(const MacRect& area) override;
  void EraseTracks() override;
  TWindowPlacement GetPlacement() const override;
  void SetPlacement(const TWindowPlacement& placement) override;
  // Moves the frame to the stored place and gives it the stored client size, when the stored
  // width is above 0.
  void ApplyWindowSettings() override;
  void SetShown(bool shown) override;
  void FocusView() override;
  MacPoint WorldToPixel(const TVector& point) override;
  MacRect ExtentInPort() const override;
  void ScrollToOrigin(double horizontal, double vertical) override;
  bool GetWindowRecord(TWindowRecord& record) const override;
  // The settings' furniture goes into the layout that SetUpFurniture applies; the furniture on
  // view goes back into the settings.
  void SetFurniture(const TWorldSettings& settings) override;
  void GetFurniture(TWorldSettings& settings) const override;

 private:
  class ObjectsWatch;
  void Forget();
  // An object that left the world (deleted, cut, undone) is no longer the one last hit: the
  // hover status, which keeps it while Control is down, would otherwise name freed memory.
  void ForgetLeftObjects();
  // The main frame's status line while the pointer hovers: the name of the object under it,
  // else the idle text.
  void ShowHoverStatus() const;
  void NoteFurniture();
  // The left edge of the furniture along the bottom.
  int32_t FurnitureLeft() const;

  TWorldDoc& world_;
  TWindowDocument& document_;
  TOwlSubview* frame_ = nullptr;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* mainView_ = nullptr;
  TLink* lastHit_ = nullptr;
  std::unique_ptr<ObjectsWatch> objectsWatch_;
  std::unique_ptr<TWorldTrackerView> trackerView_;
  std::unique_ptr<TWorldTrackerContext> trackerContext_;
  std::unique_ptr<TWorldClickDispatch> clicks_;
  TWindowLayout layout_;
  bool zoomDocuments_ = false;
  bool zoomToExtents_ = false;
  bool fitDrawing_ = false;
  TScrollBarContainer* hScrollBar_ = nullptr;  // owned by the manager's view tree
  TScrollBarContainer* vScrollBar_ = nullptr;
  THRulerView* hRuler_ = nullptr;
  TVRulerView* vRuler_ = nullptr;
  TFrameIndic* indicator_ = nullptr;
  TCoordsView* coords_ = nullptr;
  TCommandHelpLine* helpLine_ = nullptr;
  bool indicatorInRow_ = false;
  bool scrollBarsForbidden_ = false;
  bool bottomStrip_ = false;
  bool bothScrollBars_ = false;
};
