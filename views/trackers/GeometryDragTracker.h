#pragma once
// Dragging a joined linkage: the grabbed object follows the mouse through the geometry drag
// context while everything joined to it is carried along, so that the linkage stays assembled.
// Each step of the mouse lets the context run for up to 2 ticks; the release lets the held
// object go and settles the geometry for up to 60 ticks. Ctrl with the keypad decimal key, or
// Escape, ends a long settling run early.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/GeometryDrag.h"
#include "views/trackers/MoveTrackers.h"

inline constexpr int16_t kCmdGeometryDrag = 2002;
inline constexpr int16_t kCmdGeometryRefDrag = 2003;

class TGeometryDragTracker : public TTracker482 {
  DECLARE_CLASS_ID(634, TTracker482)

 public:
  static constexpr int32_t kTicksPerMove = 2;
  static constexpr int32_t kTicksAtRelease = 60;
  // The precision the release settles to when the view's scale is coarser.
  static constexpr double kReleaseTolerance = 1e-9;
  static constexpr int16_t kGrabbedFeedbackStyle = 4;

  // Fails with -108 when memory is low.
  void InitGeometryDrag(int16_t commandNumber, TTrackerView* view, TActionContext* world);
  // The press at the world point on the object: splits the world's objects into those that move
  // with the drag (the selection, or the object alone when it is not selected) and the others,
  // makes the context over them and, unless the object is the frame of reference (null), the
  // object the context follows.
  virtual void StartDrag(const TVector& point, TLink* object);
  // Makes the followed object in the context and answers it.
  virtual TLink* MakeFollowed(const TVector& position);

  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // Before the undo image is taken: everything the linkage may carry is noted with it, so that
  // Undo puts back the bars the drag carried along as well as the grabbed one.
  void BeforePrepare() override;
  // The drag begins: the grabbed object leaves the moving list, and the steps follow the mouse
  // from here on.
  void StartTracking() override;
  // These trackers follow the mouse exactly.
  void SnapToGrid(TVector&) override {}
  // The readout: the movement as the grabbed object measures it in its own frame; none without
  // a grabbed object.
  void Difference(TVector& out, const TVector& a, const TVector& b) const override;
  // While moving, the readout's style: 4 with a grabbed object, 0 without.
  bool FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) override;

  // Lets the context run for up to the ticks, to the tolerance.
  void RunGeometry(int32_t ticks, double tolerance);

  TLink* GrabbedObject() const { return grabbed_; }
  TLink* FollowedObject() const { return followed_; }
  const std::vector<TLink*>& MovingObjects() const { return moving_; }
  const std::vector<TLink*>& OtherObjects() const { return others_; }
  bool HasGeometryContext() const { return context_ != nullptr; }
  const QV_CPoint& LastDrawnPoint() const { return lastDrawn_; }

  // True while Ctrl with the keypad decimal key, or Escape, is down.
  static bool StopKeysDown();

 private:
  // Notes the moving objects with their parts, and the others, for undo.
  void NoteCarriedObjects();

  QV_CPoint lastDrawn_{-10, -10};
  QV_CPoint current_{-10, -10};
  std::unique_ptr<TGeometryDragContext> context_;
  uint16_t follow_ = 0;
  TLink* followed_ = nullptr;
  std::vector<TLink*> moving_;
  std::vector<TLink*> others_;
  TLink* grabbed_ = nullptr;
  double runTolerance_ = 0.0;
};
