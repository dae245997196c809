#include "views/trackers/LineTrackers.h"

#include "bodies/lines/Line.h"
#include "core/Failure.h"
#include "core/MouseButton.h"
#include "views/trackers/ShapeTrackers.h"

void TLineEndTracker::InitLineEnd(TTrackerView* view, TActionContext* world, TLine* line,
                                  int32_t handle) {
  line_ = nullptr;
  if (line == nullptr) ThrowFailure(-108, 0);
  InitHandle(view, world, line, handle);
  line_ = line;
  start_ = handle == 0 ? line->GetEndPoint1() : line->GetEndPoint2();
}

bool TLineEndTracker::UsesHotPoints() const {
  return HasTrackingSnapper(GetContext());
}

void TLineEndTracker::ConstrainWorldPoint(const TVector& anchor, const TVector& previous,
                                          TVector& next) {
  if (!SnapToNearHotPoint(*this, line_, next))
    TTracker487::ConstrainWorldPoint(anchor, previous, next);
}

TCommandCore* TLineEndTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                         const QV_CPoint& previous, const QV_CPoint& next,
                                         bool mouseMoved, const TVector& anchorWorld,
                                         const TVector& previousWorld, const TVector& nextWorld,
                                         bool moved) {
  TCommandCore* const result = TTracker487::TrackStep(phase, anchor, previous, next, mouseMoved,
                                                      anchorWorld, previousWorld, nextWorld, moved);
  // The drag runs from the end's own place, whatever the press's distance from it.
  if (phase == 0) SetAnchorWorld(start_);
  if (phase == 1 && moved) {
    if (Option() == 0)
      line_->SetEndPoint1(nextWorld, 1);
    else
      line_->SetEndPoint2(nextWorld, 1);
    line_->LineChanged();
    MarkChanged();
  }
  if (phase == 2 && HasChanged() != 0) {
    line_->LineChanged();
    line_->ForEachLinked(1);
  }
  return result;
}

void TLineSketchTracker::InitLineSketch(int16_t commandNumber, TTrackerView* view,
                                        TActionContext* world,
                                        std::unique_ptr<TObjectReader> placed, TLine* line) {
  line_ = nullptr;
  if (line == nullptr) ThrowFailure(-108, 0);
  InitDragTracker(commandNumber, view, world, 1, 0, std::move(placed), line);
  line_ = line;
}

void TLineSketchTracker::ScreenToWorld(const Transform2D& transform, const QV_CPoint& screen,
                                       TVector& world) {
  world = Transform2D::ApplyToVector(transform, TVector(screen.h, -screen.v));
  if (!SnapToNearHotPoint(*this, line_, world)) SnapToGrid(world);
}

void TLineSketchTracker::ConstrainWorldPoint(const TVector& anchor, const TVector& previous,
                                             TVector& next) {
  if (!SnapToNearHotPoint(*this, line_, next))
    TDragTracker::ConstrainWorldPoint(anchor, previous, next);
}

TCommandCore* TLineSketchTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                            const QV_CPoint& previous, const QV_CPoint& next,
                                            bool mouseMoved, const TVector& anchorWorld,
                                            const TVector& previousWorld, const TVector& nextWorld,
                                            bool moved) {
  TCommandCore* const result = TDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 0) {
    line_->SetEndPoint1(anchorWorld, 1);
    line_->SetEndPoint2(anchorWorld, 1);
  }
  if ((phase == 1 && moved) || phase == 2) {
    line_->SetEndPoint2(nextWorld, 1);
    line_->LineChanged();
  }
  // A line that stays is drawn and hit through its world's line handler.
  if (phase == 2 && IsObjectAcceptable()) line_->FindHandler();
  return result;
}

bool TLineSketchTracker::IsObjectAcceptable() const {
  return line_ != nullptr && !(line_->GetEndPoint1() == line_->GetEndPoint2());
}

bool TLineSketchTracker::TrackingDone() {
  return TrackingDoneFlag() || !IsMouseButtonDown();
}
