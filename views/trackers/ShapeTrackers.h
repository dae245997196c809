#pragma once
// The mouse trackers that give rectangles, squares and circles their size.
//
//   TAttachmentPositions (842) where the objects attached to a body stand in the world, to put
//                              them back there while the body changes shape
//   TShapeSketchTracker  (831) a new shape dragged out from the press point (a click gives a
//                              d by d shape); the size comes from the shape's ResizeFromDrag,
//                              snapped to the grid unless the mouse sits on a hot point
//   TBodyResizeTracker   (677) the base of the corner trackers of bodies: the corner opposite
//                              the grabbed one stays where it is, and attached objects stay put
//   TShapeResizeTracker  (833) resizes a shape along its own axes

#include <cstdint>
#include <memory>
#include <vector>

#include "core/geometry/Transform2D.h"
#include "core/geometry/Vector.h"
#include "views/trackers/DragTracker.h"
#include "views/trackers/ResizeTrackers.h"

class TBasicMass;
class TMass;
class TObjectReader;

class TAttachmentPositions : public TObject {
  DECLARE_CLASS_ID(842, TObject)

 public:
  // Records the world position (x, y, rotation) of every object attached to the body, in the
  // order of its attachments.
  explicit TAttachmentPositions(TMass& body);
  // Puts each attached object back at its recorded position.
  void Restore();
  size_t Count() const { return positions_.size(); }

 private:
  TMass& body_;
  std::vector<TLink*> objects_;
  std::vector<TVector3> positions_;
};

class TShapeSketchTracker : public TDragTracker {
  DECLARE_CLASS_ID(831, TDragTracker)

 public:
  // Sketches the shape that the reader holds first (a tool's new object), or one in the world
  // already when the reader is null.
  void InitSketch(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                  std::unique_ptr<TObjectReader> placed, TBasicMass* body);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // The mouse snaps to hot points; the grid is the shape's to apply, in the drag's frame.
  void ConstrainWorldPoint(const TVector& anchor, const TVector& previous, TVector& next) override;
  // The press too is left off the tracking grid: the shape snaps its size, not its anchor.
  void SnapToGrid(TVector&) override {}
  // The gesture ends at the release: a click places the object where it is.
  bool TrackingDone() override;
  bool UsesHotPoints() const override;
  // The shape made is handed over to the world once it is placed.
  void AfterWork() override;

  TBasicMass* Body() const { return body_; }
  uint16_t IsOnHotPoint() const { return onHotPoint_; }
  // The far corner of the outline for the press point and the mouse: the mouse itself, or for
  // a shape with equal sides the corner of the square on the shorter side of the drag.
  MacPoint OutlineCorner(const MacPoint& press, const MacPoint& mouse) const;

 private:
  // Draws the shape's outline between the two points with the inverting pen, or erases it
  // when it is drawn there already.
  void InvertOutline(const MacPoint& press, const MacPoint& corner);
  void EraseOutline();
  // A new shape starts as a point at the press.
  void StartShape(const TVector& press);

  TBasicMass* body_ = nullptr;
  uint16_t onHotPoint_ = 0;
  bool newShape_ = false;
  TVector startSize_{0.0, 0.0};
  Transform2D frame_;
  Transform2D inverse_;
  bool outlineShown_ = false;
  MacPoint outlinePress_;
  MacPoint outlineCorner_;
};

class TBodyResizeTracker : public TTracker487 {
  DECLARE_CLASS_ID(677, TTracker487)

 public:
  TBodyResizeTracker();
  ~TBodyResizeTracker() override;

  // Handles: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right; the opposite corner of the
  // body's local bounds stays fixed. A null body fails with -108.
  void InitBodyResize(TTrackerView* view, TActionContext* world, TMass* body, int32_t handle);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // As in the sketch, the mouse snaps to hot points and the shape applies the grid to its size.
  void ConstrainWorldPoint(const TVector& anchor, const TVector& previous, TVector& next) override;
  void SnapToGrid(TVector&) override {}
  bool UsesHotPoints() const override;
  // Notes the attached objects too, which the resize keeps in place.
  void BeforePrepare() override;

  TMass* Body() const { return body_; }
  const TVector& FixedCorner() const { return fixedCorner_; }
  uint16_t IsOnHotPoint() const { return onHotPoint_; }
  const TAttachmentPositions* AttachmentPositions() const { return attachments_.get(); }

 protected:
  // The press; the fixed corner is the drag's anchor by then.
  virtual void BeginApply() {}
  // Gives the body its new shape for the mouse at the point.
  virtual void Apply(const TVector& fixed, const TVector& point) = 0;

 private:
  TMass* body_ = nullptr;
  TVector fixedCorner_{0.0, 0.0};
  uint16_t onHotPoint_ = 0;
  std::unique_ptr<TAttachmentPositions> attachments_;
};

class TShapeResizeTracker : public TBodyResizeTracker {
  DECLARE_CLASS_ID(833, TBodyResizeTracker)

 public:
  void InitShapeResize(TTrackerView* view, TActionContext* world, TBasicMass* body, int32_t handle);

 protected:
  void BeginApply() override;
  void Apply(const TVector& fixed, const TVector& point) override;

 private:
  TBasicMass* shape_ = nullptr;
  Transform2D frame_;
  Transform2D inverse_;
};

// Whether the world offers trackers a hot-point snapper of their own.
bool HasTrackingSnapper(TActionContext* world);
// Moves the point onto a hot point near it, leaving the tracked object out: through the
// tracker's snapper, or the world's; true when it moved.
bool SnapToNearHotPoint(TCommandBase& tracker, TLink* tracked, TVector& point);

// The shape's sketch tracker for a new object read for a tool.
std::unique_ptr<TShapeSketchTracker> CreateSketchTracker(int16_t commandNumber, TTrackerView* view,
                                                         TActionContext* world,
                                                         std::unique_ptr<TObjectReader> placed,
                                                         TBasicMass& body);
// The shape's corner tracker for the handle.
std::unique_ptr<TShapeResizeTracker> CreateResizeTracker(TTrackerView* view, TActionContext* world,
                                                         TBasicMass& body, int32_t handle);
