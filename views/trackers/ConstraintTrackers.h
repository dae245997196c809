#pragma once
// The mouse trackers of constraints: they put a constraint's attached points where the mouse
// takes them and, once the gesture ends, onto the bodies they are dropped on.
//
//   TCnstrTracker      (705) moves the last attached point with the mouse; the release snaps the
//                            first and last points to hot points and attaches them to bodies
//   TCnstrTracker672   (672) a linear constraint: each click adds a point from the point
//                            template, until a click next to the previous point ends it
//   TCnstrTracker673   (673) a rotational constraint, shown by cursor 14 when locked, else 13
//   TMotorTracker      (685) a motor: its points start at the press and the last follows the mouse
//   TGearTracker       (805) the gear's ends jump to their bodies' centres; two circles set the
//                            ratio from their radii
//   TCurvedSlotTracker (791) sketches a curved slot's control points; a release on or next to
//                            the press closes the curve
//   TCurvedSlotVertexTracker (792) drags one control point in vertex editing; the curve closes
//                            when an open curve's last point meets its first
//   TSlotTracker            a slot's handle: the press turns the slot with its body
//   TForceTracker669   (669) a press on a force: the mouse gives the arrow's tail
//   TForceTracker668   (668) the force's other drag: the mouse moves the application point

#include <cstdint>
#include <memory>
#include <vector>

#include "core/geometry/Vector.h"
#include "views/trackers/DragTracker.h"
#include "views/trackers/VertexTracker.h"

class TCnstr;
class TCurvedSlot;
class TForce;
class TGear;
class TSlot;
class TPoint;
class TObjectReader;

class TCnstrTracker : public TDragTracker {
  DECLARE_CLASS_ID(705, TDragTracker)

 public:
  TCnstrTracker();
  ~TCnstrTracker() override;

  // A null constraint fails with -108. The constraint comes from the placed objects when the
  // tracker makes it, else it is one of the world's.
  void InitCnstrTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                        std::unique_ptr<TObjectReader> placed, TCnstr* constraint);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

  // Ends snap to hot points while the view has a snapper.
  bool UsesHotPoints() const override;

  TCnstr* Constraint() const { return constraint_; }
  uint16_t IsStarted() const { return started_; }
  uint16_t ShowsFeedback() const { return showFeedback_; }
  void SetShowFeedback(uint16_t on) { showFeedback_ = on; }
  // The attached point at the index (from 0), or null.
  TPoint* AttachedPoint(size_t index) const;
  TPoint* LastPoint() const;

 protected:
  // The press: the attached points start at the press.
  virtual void Press(const TVector& world);
  // While tracking, the last attached point follows the mouse.
  virtual void MovePoint(const TVector& world);
  // The release: the first and the last point are snapped and attached to bodies. A failure
  // takes the half-made constraint out of the world and passes the failure on.
  virtual void Finish();
  // Puts the point on the body under it, at the snapped hot point when there is one; a body that
  // another point of the constraint is on already is not taken.
  void SnapAndAttach(TPoint& point, const QV_CPoint& screen, const TVector& world);
  // The views draw the constraint and its points again at once where they stand now.
  void ShowChanges();
  // Whether the tracker is making its constraint (a creation tool) rather than editing one.
  bool IsCreating() const { return creating_ != 0; }
  // A point that a click added: placed with a new constraint, else given to the world.
  void KeepAddedPoint(std::unique_ptr<TLink> point);
  const QV_CPoint& PressScreen() const { return pressScreen_; }
  const QV_CPoint& CurrentScreen() const { return currentScreen_; }

 private:
  void DiscardCreated();

  TCnstr* constraint_ = nullptr;
  uint16_t started_ = 0;
  uint16_t showFeedback_ = 1;
  uint16_t creating_ = 0;
  QV_CPoint pressScreen_;
  QV_CPoint currentScreen_;
};

class TCnstrTracker672 : public TCnstrTracker {
  DECLARE_CLASS_ID(672, TCnstrTracker)

 public:
  // Points are added from this template.
  static constexpr int16_t kPointTemplate = 2505;
  // A click within this many pixels of the previous point ends the adding ...
  static constexpr int16_t kEndDistance = 4;
  // ... when the constraint holds more than 2 and at most this many points.
  static constexpr int32_t kMaxEndTestPoints = 12;

  void InitCnstrTracker672(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                           std::unique_ptr<TObjectReader> placed, TCnstr* constraint);
  // Adds a point at the click and answers 1, or answers 0 when the click ends the adding.
  int16_t AddPoint(const QV_CPoint& screen, const TVector& world) override;
  // The end of the adding is AddPoint's to decide.
  bool ClickEndsGesture(const MacPoint&, const MacPoint&) const override { return false; }

  uint16_t Flag() const { return flag_; }
  void ClearFlag() { flag_ = 0; }

 private:
  uint16_t flag_ = 0;
};

class TCnstrTracker673 : public TCnstrTracker {
  DECLARE_CLASS_ID(673, TCnstrTracker)

 public:
  static constexpr uint16_t kCursorUnlocked = 13;
  static constexpr uint16_t kCursorLocked = 14;

  void InitCnstrTracker673(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                           std::unique_ptr<TObjectReader> placed, TCnstr* constraint);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  uint16_t TrackingCursor() const { return cursor_; }
  uint16_t HasStartedTracking() const { return trackingStarted_; }

 private:
  uint16_t value_ = 0;
  uint16_t cursor_ = kCursorUnlocked;
  uint16_t trackingStarted_ = 0;
};

class TMotorTracker : public TCnstrTracker {
  DECLARE_CLASS_ID(685, TCnstrTracker)
};

class TGearTracker : public TCnstrTracker672 {
  DECLARE_CLASS_ID(805, TCnstrTracker672)

 public:
  void InitGearTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                       std::unique_ptr<TObjectReader> placed, TGear* gear);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // The gear's ends go to body centres, not to hot points.
  bool UsesHotPoints() const override { return false; }

 protected:
  void Finish() override {}

 private:
  // The point's body, and the point put at the body's centre unless it is the background.
  void ToBodyCentre(TPoint& point, const TVector& world);
  void SetRatioFromCircles();

  TGear* gear_ = nullptr;
};

class TCurvedSlotTracker : public TCnstrTracker {
  DECLARE_CLASS_ID(791, TCnstrTracker)

 public:
  // A release nearer than this to the press, across and down, closes the curve.
  static constexpr int16_t kCloseDistance = 5;
  // The status line's text while the curve is sketched.
  static constexpr uint32_t kSketchPrompt = 3902;

  ~TCurvedSlotTracker() override;
  void InitCurvedSlotTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                             std::unique_ptr<TObjectReader> placed, TCurvedSlot* slot);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // A click: the point that follows the mouse is fixed at the click, a new follower is appended
  // there, and the answer is 1.
  int16_t AddPoint(const QV_CPoint& screen, const TVector& world) override;

  const TVector& StartPoint() const { return start_; }
  const TVector& EndPoint() const { return end_; }

 protected:
  // Two control points at the press: the one kept and the one that follows the mouse.
  void Press(const TVector& world) override;
  void MovePoint(const TVector& world) override;
  void Finish() override;

 private:
  // Appends a control point after the last.
  void AppendControlPoint(const TVector& world);

  TCurvedSlot* slot_ = nullptr;
  // The slot's tracking flag is set until the release.
  uint16_t tracking_ = 0;
  TVector start_{0.0, 0.0};
  TVector end_{0.0, 0.0};
  QV_CPoint endScreen_;
};

class TCurvedSlotVertexTracker : public TVertexTracker {
  DECLARE_CLASS_ID(792, TVertexTracker)

 public:
  TCurvedSlotVertexTracker();
  ~TCurvedSlotVertexTracker() override;
  // Drags control point `vertex` (from 1) from its screen place `start`; a null slot fails with
  // -108. The slot ignores position and angle changes until the drag ends.
  void InitCurvedSlotVertex(TTrackerView* view, TActionContext* world, TCurvedSlot* slot,
                            int16_t vertex, const TVector& start);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // Control points snap to hot points while the view has a snapper.
  bool UsesHotPoints() const override;
  // The control point table is kept for undo with the slot.
  void BeforePrepare() override;
  void Undo() override;
  void Redo() override;

  TCurvedSlot* Slot() const { return slot_; }

 private:
  class TControlPoints;
  void EndSuspension();

  TCurvedSlot* slot_ = nullptr;
  std::unique_ptr<TControlPoints> points_;
  uint16_t suspended_ = 0;
  uint16_t previousSuspension_ = 0;
};

// Answers the constraint tracker's class identifier: it has none of its own.
class TSlotTracker : public TCnstrTracker {
 public:
  static constexpr int16_t kCommandNumber = 1012;

  void InitSlotTracker(TTrackerView* view, TActionContext* world,
                       std::unique_ptr<TObjectReader> placed, TSlot* slot);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  uint16_t IsPressed() const { return pressed_; }

 private:
  TSlot* slot_ = nullptr;
  uint16_t pressed_ = 0;
};

class TForceTracker669 : public TCnstrTracker {
  DECLARE_CLASS_ID(669, TCnstrTracker)

 public:
  void InitForceTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                        std::unique_ptr<TObjectReader> placed, TForce* force);

 protected:
  // The mouse gives the force's tail (flag clear) or its application point (flag set).
  void MovePoint(const TVector& world) override;
  virtual uint16_t MovesApplicationPoint() const { return 0; }
  TForce* Force() const { return force_; }

 private:
  TForce* force_ = nullptr;
};

class TForceTracker668 : public TForceTracker669 {
  DECLARE_CLASS_ID(668, TForceTracker669)

 protected:
  uint16_t MovesApplicationPoint() const override { return 1; }
};

// The tracker that makes the constraint that the placed objects hold, by its kind.
std::unique_ptr<TCommandCore> MakeConstraintTracker(int16_t tool, TTrackerView* view,
                                                    TActionContext* world,
                                                    std::unique_ptr<TObjectReader> placed,
                                                    TCnstr& constraint);
