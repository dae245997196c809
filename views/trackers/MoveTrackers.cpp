#include "views/trackers/MoveTrackers.h"

#include <algorithm>
#include <cmath>

#include "core/TickCount.h"
#include "model/filing/ChangeRecorder.h"
#include "views/trackers/TrackerWorld.h"

namespace {

bool Contains(const std::vector<TLink*>& list, const TLink* object) {
  return std::find(list.begin(), list.end(), object) != list.end();
}

bool Near(const TVector& a, const TVector& b, double tolerance) {
  return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance;
}

// A coordinate within the tolerance of 0 is exactly 0, so that objects line up on the axes.
double ZeroNear(double value, double tolerance) {
  return std::fabs(value) <= tolerance ? 0.0 : value;
}

}  // namespace

// ---- Drag base -------------------------------------------------------------------------------

void TSelectionDragTracker::InitDrag(int16_t commandNumber, TTrackerView* view,
                                     TActionContext* world) {
  begun_ = 0;
  changed_ = 0;
  endNotified_ = 0;
  moved_.clear();
  InitObjectTracker(commandNumber, view, world, 1, 2);
  SetCursorResource(kCursorDrag);
  SetCausesChange(1);
  SetFeedbackPending(1);
  SetFeedbackArmed(1);
}

void TSelectionDragTracker::StartTracking() {
  begun_ = 1;
  TTracker480::StartTracking();
  SetCausesChange(1);
}

void TSelectionDragTracker::BeforePrepare() {
  moved_.clear();
  TTrackerWorld* world = TrackerWorld();
  TLink* hit = HitObject();
  if (hit != nullptr && world->IsSelected(hit)) {
    for (TLink* object : world->SelectedObjects())
      if (!Contains(moved_, object)) moved_.push_back(object);
  }
  if (hit != nullptr && !Contains(moved_, hit)) moved_.push_back(hit);
}

TCommandCore* TSelectionDragTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                               const QV_CPoint& previous, const QV_CPoint& next,
                                               bool mouseMoved, const TVector& anchorWorld,
                                               const TVector& previousWorld,
                                               const TVector& nextWorld, bool moved) {
  TTracker480::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld,
                         nextWorld, moved);
  if (phase == 1 && begun_ == 0 &&
      GetTickCount60() - static_cast<int32_t>(PressTime()) > kBeginAfterTicks)
    StartTracking();
  if (phase == 2) EndDrag();
  return this;
}

void TSelectionDragTracker::EndDrag() {
  TTrackerWorld* world = TrackerWorld();
  if (changed_ == 0) {
    SetCanUndo(0);
    SetCausesChange(0);
  } else {
    world->ChangeEnded();
  }
  for (TLink* object : world->SelectedObjects()) world->DragEnded(object);
}

void TSelectionDragTracker::AfterWork() {
  if (endNotified_ == 0) {
    endNotified_ = 1;
    TrackerWorld()->RefreshSelectionDisplay();
  }
  TTracker480::AfterWork();
}

// ---- Start positions -------------------------------------------------------------------------

void TTracker482::InitWithStarts(int16_t commandNumber, TTrackerView* view,
                                 TActionContext* world) {
  InitDrag(commandNumber, view, world);
  starts_.clear();
  SetShowCursor(0);
}

void TTracker482::BeforePrepare() {
  TSelectionDragTracker::BeforePrepare();
  starts_.clear();
  const std::vector<TLink*> selected = TrackerWorld()->SelectedObjects();
  for (TLink* object : selected) starts_.emplace_back(object, TrackerWorld()->PositionOf(object));
  std::vector<TLink*> noted = selected;
  if (HitObject() != nullptr && !Contains(noted, HitObject())) noted.push_back(HitObject());
  for (TLink* object : selected) {
    for (TLink* carried : TrackerWorld()->MovedWith(object))
      if (!Contains(noted, carried)) noted.push_back(carried);
  }
  NoteChangeOfAll(noted, TChangeRecorder::kWholeObject);
}

const TVector3* TTracker482::StartOf(const TLink* object) const {
  for (const auto& [each, start] : starts_)
    if (each == object) return &start;
  return nullptr;
}

// ---- Moving the selection --------------------------------------------------------------------

void TMoveObjectsTracker::InitMoveObjects(TTrackerView* view, TActionContext* world) {
  pressedPointMoved_ = 0;
  pressedPointStart_ = TVector3(0, 0, 0);
  InitWithStarts(kCmdMoveObjects, view, world);
  SetRedrawWhenMoved(1);
  SetRedrawWhenChanged(1);
}

void TMoveObjectsTracker::SetHitObject(TLink* object) {
  TTracker482::SetHitObject(object);
  pressedPointMoved_ = 0;
  pressedPointStart_ = TVector3(0, 0, 0);
}

TCommandCore* TMoveObjectsTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                             const QV_CPoint& previous, const QV_CPoint& next,
                                             bool mouseMoved, const TVector& anchorWorld,
                                             const TVector& previousWorld,
                                             const TVector& nextWorld, bool moved) {
  if (phase == 0) GrabPointByCentre(anchorWorld);
  if (phase == 1 && HasBegun() != 0)
    MoveSelection(previous, next, mouseMoved, anchorWorld, nextWorld, moved);
  // The release settles the points before the drag base decides whether anything changed.
  if (phase == 2) Release(next, anchorWorld, nextWorld, moved);
  return TTracker482::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                previousWorld, nextWorld, moved);
}

void TMoveObjectsTracker::GrabPointByCentre(const TVector& anchorWorld) {
  TLink* hit = HitObject();
  TTrackerWorld* world = TrackerWorld();
  if (hit == nullptr || !world->IsGrabbablePoint(hit)) return;
  const TVector3 position = world->PositionOf(hit);
  if (Near(anchorWorld, TVector(position.x, position.y), Tolerance())) return;
  pressedPointStart_ = position;
  pressedPointMoved_ = 1;
  world->PlaceObject(hit, TVector3(anchorWorld.x, anchorWorld.y, position.r));
}

void TMoveObjectsTracker::MoveSelection(const QV_CPoint& previous, const QV_CPoint& next,
                                        bool mouseMoved, const TVector& anchorWorld,
                                        const TVector& nextWorld, bool moved) {
  TTrackerWorld* world = TrackerWorld();
  if (moved) {
    const double dx = nextWorld.x - anchorWorld.x;
    const double dy = nextWorld.y - anchorWorld.y;
    const double tolerance = Tolerance();
    for (TLink* object : world->SelectedObjects()) {
      // An object selected after the drag began has no start to move from.
      const TVector3* start = StartOf(object);
      if (start == nullptr) continue;
      world->PlaceObject(object, TVector3(ZeroNear(start->x + dx, tolerance),
                                          ZeroNear(start->y + dy, tolerance), start->r));
      MarkChanged();
    }
  }
  if (!mouseMoved) return;
  const auto dh = static_cast<int16_t>(next.h - previous.h);
  const auto dv = static_cast<int16_t>(next.v - previous.v);
  if (dh == 0 && dv == 0) return;
  // The controls on the window that go with the selection follow the mouse by pixels.
  for (TLink* object : world->ScreenPositionedObjects()) {
    if (!world->IsSelected(object)) continue;
    world->OffsetScreenObject(object, dh, dv);
    MarkChanged();
  }
}

void TMoveObjectsTracker::Release(const QV_CPoint& next, const TVector& anchorWorld,
                                  const TVector& nextWorld, bool moved) {
  TTrackerWorld* world = TrackerWorld();
  TLink* hit = HitObject();
  const bool isPoint = hit != nullptr && world->IsGrabbablePoint(hit);
  if (HasChanged() == 0) {
    // A click off a point's centre puts the point back.
    if (isPoint && pressedPointMoved_ != 0 && Near(anchorWorld, nextWorld, Tolerance()))
      world->PlaceObject(hit, pressedPointStart_);
    return;
  }
  if (!moved && Near(anchorWorld, nextWorld, Tolerance())) return;
  if (!isPoint) return;
  // Ctrl keeps the point where it was dropped.
  if (CommandKey() == 0 && world->AttachToHotPointNear(hit, next)) return;
  world->FixPointQuantities(hit, false);
}

// ---- Moving one point ------------------------------------------------------------------------

void TMovePointTracker::InitMovePoint(TTrackerView* view, TActionContext* world) {
  point_ = nullptr;
  InitWithStarts(kCmdMoveObjects, view, world);
}

void TMovePointTracker::SetPoint(TLink* point) {
  point_ = point;
  SetHitObject(point);
}

TCommandCore* TMovePointTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                           const QV_CPoint& previous, const QV_CPoint& next,
                                           bool mouseMoved, const TVector& anchorWorld,
                                           const TVector& previousWorld,
                                           const TVector& nextWorld, bool moved) {
  TTrackerWorld* world = TrackerWorld();
  if (point_ != nullptr && phase == 1 && HasBegun() != 0 && moved) {
    const TVector3 position = world->PositionOf(point_);
    world->PlaceObject(point_, TVector3(nextWorld.x, nextWorld.y, position.r));
    MarkChanged();
  }
  if (point_ != nullptr && phase == 2 && !Near(anchorWorld, nextWorld, Tolerance()) &&
      CommandKey() == 0)
    world->AttachToHotPointNear(point_, next);
  return TTracker482::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                previousWorld, nextWorld, moved);
}
