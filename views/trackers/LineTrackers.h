#pragma once
// The trackers of lines.
//
//   TLineEndTracker    (811) drags one end of a line; the other end stays
//   TLineSketchTracker (812) draws a new line from the press to the release

#include <cstdint>
#include <memory>

#include "core/geometry/Vector.h"
#include "views/trackers/DragTracker.h"
#include "views/trackers/ResizeTrackers.h"

class TLine;
class TObjectReader;

class TLineEndTracker : public TTracker487 {
  DECLARE_CLASS_ID(811, TTracker487)

 public:
  // Handle 0 drags the first end, any other the second. A null line fails with -108.
  void InitLineEnd(TTrackerView* view, TActionContext* world, TLine* line, int32_t handle);
  bool UsesHotPoints() const override;
  // The dragged end lands on a hot point in reach (not one of the line's own), else on the grid.
  void ConstrainWorldPoint(const TVector& anchor, const TVector& previous, TVector& next) override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

  const TVector& StartPoint() const { return start_; }

 private:
  TLine* line_ = nullptr;
  TVector start_{0.0, 0.0};
};

// A new line drawn from the press to the release; a line of no length is not kept.
class TLineSketchTracker : public TDragTracker {
  DECLARE_CLASS_ID(812, TDragTracker)

 public:
  void InitLineSketch(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                      std::unique_ptr<TObjectReader> placed, TLine* line);
  // Both ends land on a hot point in reach, the press's as every later one; the grid rounds only
  // a point that found none.
  void ScreenToWorld(const Transform2D& transform, const QV_CPoint& screen,
                     TVector& world) override;
  void ConstrainWorldPoint(const TVector& anchor, const TVector& previous, TVector& next) override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // The gesture ends at the release: a click places the object where it is.
  bool TrackingDone() override;
  bool IsObjectAcceptable() const override;

 private:
  TLine* line_ = nullptr;
};
