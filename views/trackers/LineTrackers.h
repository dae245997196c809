#pragma once
// TLineEndTracker (811): drags one end of a line; the other end stays.

#include <cstdint>

#include "core/geometry/Vector.h"
#include "views/trackers/ResizeTrackers.h"

class TLine;

class TLineEndTracker : public TTracker487 {
  DECLARE_CLASS_ID(811, TTracker487)

 public:
  // Handle 0 drags the first end, any other the second. A null line fails with -108.
  void InitLineEnd(TTrackerView* view, TActionContext* world, TLine* line, int32_t handle);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

  const TVector& StartPoint() const { return start_; }

 private:
  TLine* line_ = nullptr;
  TVector start_{0.0, 0.0};
};
