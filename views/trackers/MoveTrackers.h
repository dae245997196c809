#pragma once
// Trackers that move objects with the mouse.
//
//   TSelectionDragTracker (481) when a press becomes a drag (the first movement, or holding the
//                               button still for a quarter of a second), the moved objects, and
//                               at the release whether anything changed
//   TTracker482           (482) records where every selected object stood at the start; each
//                               step puts them at start plus the total movement, so that they
//                               never drift
//   TMoveObjectsTracker   (483) moves the selection; a point is grabbed by its centre and may
//                               snap to a hot point at the release (not with Ctrl)
//   TMovePointTracker     (484) moves one point object

#include <cstdint>
#include <utility>
#include <vector>

#include "core/geometry/Vector.h"
#include "views/trackers/SelectionTrackers.h"

inline constexpr int16_t kCmdMoveObjects = 2002;
inline constexpr uint16_t kCursorDrag = 1013;

class TSelectionDragTracker : public TTracker480 {
  DECLARE_CLASS_ID(481, TTracker480)

 public:
  // Ticks of holding the button still after which a press becomes a drag.
  static constexpr int32_t kBeginAfterTicks = 15;

  void InitDrag(int16_t commandNumber, TTrackerView* view, TActionContext* world);
  // Something was moved; a drag that changed nothing leaves no undoable command.
  void MarkChanged() { changed_ = 1; }
  uint16_t HasChanged() const { return changed_; }
  uint16_t HasBegun() const { return begun_; }
  const std::vector<TLink*>& MovedObjects() const { return moved_; }

  void StartTracking() override;
  // Gathers the moved objects: the selection (when the hit object is selected) and the hit
  // object.
  void BeforePrepare() override;
  void AfterWork() override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

 private:
  void EndDrag();

  uint16_t changed_ = 0;
  uint16_t begun_ = 0;
  uint16_t endNotified_ = 0;
  std::vector<TLink*> moved_;
};

class TTracker482 : public TSelectionDragTracker {
  DECLARE_CLASS_ID(482, TSelectionDragTracker)

 public:
  void InitWithStarts(int16_t commandNumber, TTrackerView* view, TActionContext* world);
  // Records the selection's start positions and notes the selection for undo.
  void BeforePrepare() override;
  // The recorded start of the object; null for an object that joined the selection later.
  const TVector3* StartOf(const TLink* object) const;

 private:
  std::vector<std::pair<TLink*, TVector3>> starts_;
};

class TMoveObjectsTracker : public TTracker482 {
  DECLARE_CLASS_ID(483, TTracker482)

 public:
  void InitMoveObjects(TTrackerView* view, TActionContext* world);
  void SetHitObject(TLink* object) override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

 private:
  void GrabPointByCentre(const TVector& anchorWorld);
  void MoveSelection(const QV_CPoint& previous, const QV_CPoint& next, bool mouseMoved,
                     const TVector& anchorWorld, const TVector& nextWorld, bool moved);
  void Release(const QV_CPoint& next, const TVector& anchorWorld, const TVector& nextWorld,
               bool moved);

  uint16_t pressedPointMoved_ = 0;
  TVector3 pressedPointStart_{0, 0, 0};
};

class TMovePointTracker : public TTracker482 {
  DECLARE_CLASS_ID(484, TTracker482)

 public:
  void InitMovePoint(TTrackerView* view, TActionContext* world);
  void SetPoint(TLink* point);
  TLink* Point() const { return point_; }
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

 private:
  TLink* point_ = nullptr;
};
