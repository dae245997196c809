#pragma once
// The base of every mouse-driven, undoable edit of a world. A tracker follows the mouse from
// press to release in world coordinates: each screen point goes through the world's frame of
// reference, snaps to the grid (and, where the tracker asks, to hot points), is pinned into the
// view and tells the view what feedback to draw. Preparing the undo image waits for the first
// movement, so a click that moves nothing takes it only when the command is performed.
//
//   TTrackerView      what a tracker asks of the view it draws its feedback in
//   TTrackingFrame    the world's frame of reference: screen to world and into the frame
//   TTrackingSnapper  the world's hot-point snapper (its item "hpSn") as trackers see it
//   TTrackingWorld    what a tracker asks of its world beyond the action context
//   TCommandBase      (371) the tracker base

#include <cstdint>

#include "core/MacTypes.h"
#include "core/geometry/IntRect.h"
#include "core/geometry/Transform2D.h"
#include "core/geometry/Vector.h"
#include "model/command/ActionBase.h"

class TTrackerView : public TCommandView {
 public:
  // Feedback: begin with the tracking state (0 ends it), end, the drawing style of the phase.
  virtual void BeginFeedback(int16_t state) = 0;
  virtual void EndFeedback() = 0;
  virtual void SetFeedbackStyle(int16_t style, int16_t flag) = 0;
  // What the feedback shows: the drag so far, then the point under the mouse.
  virtual void FeedbackDifference(const TVector& difference) = 0;
  virtual void FeedbackPoint(const MacPoint& screen, const TVector& world) = 0;
  virtual void DrawFeedback() = 0;
  virtual bool IsDrawingOn() const = 0;
  // Scrolls towards a point outside the view; true when the view scrolled, so that what was
  // drawn over it moved with the picture.
  virtual bool IsInsideAutoscrolling(const MacPoint& point) = 0;
  // The view's extent in screen coordinates.
  virtual MacRect TrackingExtent() const = 0;
  // The view's scale (pixels per world unit).
  virtual double TrackingScale() const = 0;
  virtual void SetToolCursor(uint16_t cursorResource) = 0;

 protected:
  ~TTrackerView() = default;
};

class TTrackingFrame {
 public:
  // Screen (h, -v) to world, and back.
  virtual Transform2D ScreenToWorldTransform() const = 0;
  virtual Transform2D WorldToScreenTransform() const = 0;
  // World to the frame's own coordinates, and back.
  virtual Transform2D ToFrameTransform() const = 0;
  virtual Transform2D FromFrameTransform() const = 0;

 protected:
  ~TTrackingFrame() = default;
};

class TTrackingSnapper {
 public:
  virtual bool IsSnapperActive() const = 0;
  virtual void ForgetHotPoint() = 0;
  // The hot point near the screen point, when there is one.
  virtual bool FindHotPointNear(const MacPoint& screen, TVector& world) = 0;
  virtual void DrawHotPointMark(const MacPoint& screen) = 0;

 protected:
  ~TTrackingSnapper() = default;
};

class TTrackingWorld {
 public:
  // The user's drag delay: 0 wait for a movement, 1 start at once, 2 start after a short wait.
  virtual int16_t DragDelayPreference() const = 0;
  // The current frame of reference; null for the world's own coordinates.
  virtual TTrackingFrame* CurrentFrame() = 0;
  virtual double TrackingSnappingDistance() const = 0;
  virtual void TrackingEnded() = 0;

 protected:
  ~TTrackingWorld() = default;
};

class TCommandBase : public TActionBase {
  DECLARE_CLASS_ID(371, TActionBase)

 public:
  // Tracking states.
  static constexpr int8_t kNotStarted = 0;
  static constexpr int8_t kTracking = 1;
  static constexpr int8_t kWaitingForDelay = 2;
  // Drag delays in ticks by the user's preference.
  static constexpr int32_t kDelayUntilMoved = 32767;
  static constexpr int32_t kShortDelay = 20;
  static constexpr uint16_t kDefaultCursor = 1020;
  // The feedback style while the mouse moves.
  static constexpr int16_t kMoveFeedbackStyle = 12;
  // How far beyond the view the mouse may take the point, in pixels.
  static constexpr int16_t kExtentMargin = 16;

  TCommandBase() = default;
  ~TCommandBase() override;

  // Performs as an action; on a failure the snapper forgets its hot point first.
  void Perform() override;
  bool TrackingDone() override;
  // The done flag alone, without looking at the mouse.
  bool TrackingDoneFlag() const { return endsAtOnce_ != 0; }
  void TrackConstrain(const QV_CPoint& anchor, const QV_CPoint& previous,
                      QV_CPoint& next) override;
  void TrackFeedback(const QV_CPoint& anchor, const QV_CPoint& next, bool turnOn,
                     bool moved) override;
  TCommandCore* TrackMouse(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                           const QV_CPoint& next, bool moved) override;
  void AfterWork() override;
  // Marks the event handled, takes the drag delay from the world's preference and keeps the
  // event's modifier keys (the button message's key flags), point and time.
  void HandleEvent(TEventRecord& event) override;

  void InitTracker(int16_t commandNumber, TTrackerView* view, TActionContext* context,
                   uint16_t canUndo, int32_t kind);
  // DelayTick; then, the first time, the preparation of the undo image.
  virtual void StartTracking();
  virtual void WorldToScreen(const TVector& world, MacPoint& screen) const;
  virtual void Difference(TVector& out, const TVector& a, const TVector& b) const;
  virtual void ConstrainWorldPoint(const TVector& anchor, const TVector& previous, TVector& next);
  // The subclass's work for one pass; answers the command that goes on tracking (null cancels).
  virtual TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor,
                                  const QV_CPoint& previous, const QV_CPoint& next,
                                  bool mouseMoved, const TVector& anchorWorld,
                                  const TVector& previousWorld, const TVector& nextWorld,
                                  bool moved);
  virtual bool FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag);
  virtual void DrawFeedback();
  virtual void SnapToGrid(TVector& point);
  virtual void SetFrame(TTrackingFrame* frame);
  TCommandBase* HandleEventAnswerSelf(TEventRecord& event);
  virtual double SnappingDistance() const;
  // How far world points may differ and still count as the same: a tenth of the snapping
  // distance, 0 without a world.
  double Tolerance() const;
  virtual void DelayTick();
  virtual double ViewScale() const;
  virtual bool SnapInFrame() const { return false; }
  virtual void SetStartPoint(const QV_CPoint& screen);
  virtual void ScreenToWorld(const Transform2D& transform, const QV_CPoint& screen,
                             TVector& world);
  virtual bool UsesHotPoints() const { return false; }
  virtual bool SnapToHotPoint(TVector& point, const TVector& a, const TVector& b);

  int8_t TrackingState() const { return state_; }
  int32_t Kind() const { return kind_; }
  int32_t DragDelay() const { return dragDelay_; }
  uint16_t IsMoved() const { return moved_; }
  uint16_t IsWaitingForFirstMove() const { return waitingForFirstMove_; }
  void SetEndsAtOnce(uint16_t on) { endsAtOnce_ = on; }
  uint16_t EndsAtOnce() const { return endsAtOnce_; }
  void SetGridStep(int16_t pixels) { gridStep_ = pixels; }
  void SetShowCursor(uint16_t on) { showCursor_ = on; }
  void SetCursorResource(uint16_t id) { loadedCursor_ = id; }
  uint16_t CursorResource() const { return loadedCursor_; }
  void SetRedrawWhenMoved(uint16_t on) { redrawWhenMoved_ = on; }
  void SetRedrawWhenChanged(uint16_t on) { redrawWhenChanged_ = on; }
  // Feedback pending draws at the next feedback step once feedback is armed.
  void SetFeedbackPending(uint16_t on) { redrawNeeded_ = on; }
  void SetFeedbackArmed(uint16_t on) { drawnOnce_ = on; }
  const TVector& AnchorWorld() const { return anchorWorld_; }
  const TVector& PreviousWorld() const { return previousWorld_; }
  const TVector& NextWorld() const { return nextWorld_; }
  const TVector& StartWorld() const { return startWorld_; }
  const QV_CPoint& StartScreen() const { return startScreen_; }
  const QV_CPoint& LastScreenPoint() const { return lastScreen_; }
  uint32_t PressTime() const { return pressTime_; }
  // The modifier keys of the pressing event; Ctrl sets both the command and the control key.
  uint16_t CommandKey() const { return commandKey_; }
  uint16_t ShiftKey() const { return shiftKey_; }
  uint16_t ControlKey() const { return controlKey_; }
  uint16_t InsideView() const { return insideView_; }
  TTrackerView* TrackerView() const { return view_; }
  TTrackingWorld* World() const { return world_; }
  TTrackingSnapper* Snapper() const { return snapper_; }
  const Transform2D& ToFrame() const { return toFrame_; }
  const Transform2D& FromFrame() const { return fromFrame_; }

 protected:
  // A step may restart the gesture from another world point.
  void SetAnchorWorld(const TVector& point) { anchorWorld_ = point; }
  void SetMovedFlag(uint16_t on) { moved_ = on; }

 private:
  void SetCursorAsAtPress();
  void EnterState(int8_t state);
  Transform2D ScreenToWorldTransform() const;

  int8_t state_ = kNotStarted;
  int32_t kind_ = 0;
  int32_t dragDelay_ = 0;
  uint32_t pressTime_ = 0;
  uint16_t showCursor_ = 1;
  uint16_t loadedCursor_ = kDefaultCursor;
  uint16_t waitingForFirstMove_ = 1;
  uint16_t redrawNeeded_ = 0;
  uint16_t redrawWhenMoved_ = 0;
  uint16_t redrawWhenChanged_ = 0;
  uint16_t drawnOnce_ = 0;
  uint16_t endsAtOnce_ = 0;
  uint16_t moved_ = 0;
  TVector anchorWorld_;
  TVector previousWorld_;
  TVector nextWorld_;
  int16_t gridStep_ = 1;
  TTrackingFrame* frame_ = nullptr;
  Transform2D toFrame_;
  Transform2D fromFrame_;
  uint16_t commandKey_ = 0;
  uint16_t shiftKey_ = 0;
  uint16_t controlKey_ = 0;
  QV_CPoint startScreen_;
  TVector startWorld_;
  uint16_t insideView_ = 0;
  uint16_t constrainedThisPass_ = 0;
  uint16_t firstConstrain_ = 1;
  TTrackingSnapper* snapper_ = nullptr;
  QV_CPoint lastScreen_;
  TTrackerView* view_ = nullptr;
  TTrackingWorld* world_ = nullptr;
};
