#pragma once
// The mouse trackers that place points and anchors.
//
//   TPointTracker  (701) a press puts the point on the body under the hot-point snapper at the
//                        snapped spot (else at the mouse, on whatever body lies there);
//                        coordinates within 1% of the snap spacing from 0 become 0; the
//                        release gives the point the snapped spot's formulas
//   TAnchorTracker (800) the same for an anchor; once placed, an anchor on the background goes,
//                        and one on a body that has an anchor already takes both away

#include <cstdint>
#include <memory>
#include <vector>

#include "views/trackers/DragTracker.h"

class TPoint;
class TAnchor;
class THotPointSnapper;
class THotPointRecord;
class TObjectReader;

class TPointTracker : public TDragTracker {
  DECLARE_CLASS_ID(701, TDragTracker)

 public:
  // The cursors of an unlocked and of a locked point.
  static constexpr uint16_t kCursorPoint = 11;
  static constexpr uint16_t kCursorLockedPoint = 16;

  TPointTracker();
  ~TPointTracker() override;

  // Places the point the reader holds first (a tool's new object).
  void InitPointTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                        std::unique_ptr<TObjectReader> placed, TPoint* point);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

  // A hot point in reach wins over the grid, for the press as for every later point: the grid
  // rounds only a point that found none.
  void ScreenToWorld(const Transform2D& transform, const QV_CPoint& screen,
                     TVector& world) override;
  void ConstrainWorldPoint(const TVector& anchor, const TVector& previous, TVector& next) override;
  // The gesture ends at the release: a click places the object where it is.
  bool TrackingDone() override;
  TPoint* Point() const { return point_; }
  uint16_t HasPlaced() const { return placed_; }
  // The object the snapper found at the press; null when it found none.
  TLink* SnappedObject() const;

 protected:
  // The point is gone from the world; nothing may reach it any more.
  void ForgetPoint() { point_ = nullptr; }

 private:
  void Press(const QV_CPoint& screen, const TVector& world);
  void Release();
  THotPointSnapper* FindSnapper() const;

  TPoint* point_ = nullptr;
  std::unique_ptr<THotPointRecord> snapped_;
  uint16_t takeFormulas_ = 0;
  uint16_t placed_ = 0;
};

class TAnchorTracker : public TPointTracker {
  DECLARE_CLASS_ID(800, TPointTracker)

 public:
  void InitAnchorTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                         std::unique_ptr<TObjectReader> placed, TAnchor* anchor);
  // Once the command is done and its undo image written, the anchor drop rules: the anchor may
  // take itself (and another) out of the world.
  void FreeAttached() override;
  // An anchor the drop took away comes back from its image, and goes again on redo.
  void Undo() override;
  void Redo() override;

  // Whether the anchor stayed in the world after the drop.
  uint16_t AnchorStayed() const { return stayed_; }

 private:
  TAnchor* anchor_ = nullptr;
  uint16_t stayed_ = 1;
  // The anchor that was on the body before, as a document stream, and its identifier.
  std::vector<uint8_t> removedImage_;
  int32_t removedIdentifier_ = 0;
};
