#include "views/trackers/GeometryDragTracker.h"

#include <algorithm>

#include "core/TickCount.h"
#include "model/Thing.h"
#include "model/filing/ChangeRecorder.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowMessages.h"
#include "views/trackers/TrackerWorld.h"

namespace {

bool Contains(const std::vector<TLink*>& list, const TLink* object) {
  return std::find(list.begin(), list.end(), object) != list.end();
}

bool KeyDown(int32_t key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

}  // namespace

bool TGeometryDragTracker::StopKeysDown() {
  return (KeyDown(VK_CONTROL) && KeyDown(VK_DECIMAL)) || KeyDown(VK_ESCAPE);
}

void TGeometryDragTracker::InitGeometryDrag(int16_t commandNumber, TTrackerView* view,
                                            TActionContext* world) {
  lastDrawn_ = QV_CPoint(-10, -10);
  current_ = QV_CPoint(-10, -10);
  context_.reset();
  follow_ = 0;
  followed_ = nullptr;
  moving_.clear();
  others_.clear();
  grabbed_ = nullptr;
  runTolerance_ = 0.0;
  InitWithStarts(commandNumber, view, world);
  TrackerWorld()->CheckLowSpace();
  SetRedrawWhenChanged(1);
}

void TGeometryDragTracker::StartDrag(const TVector& point, TLink* object) {
  TTrackerWorld* world = TrackerWorld();
  SetHitObject(object);
  grabbed_ = object;
  moving_.clear();
  others_.clear();
  if (object != nullptr && world->IsSelected(object)) moving_ = world->SelectedObjects();
  if (object != nullptr && !Contains(moving_, object)) moving_.push_back(object);
  for (TLink* each : world->WorldPositionedObjects())
    if (!Contains(moving_, each)) others_.push_back(each);
  std::vector<TLink*> all = moving_;
  all.insert(all.end(), others_.begin(), others_.end());
  context_ = MakeGeometryDragContext(all);
  // What the drag settles to: a pixel, in world units.
  const double scale = ViewScale();
  runTolerance_ = scale > 0.0 ? 1.0 / scale : 1.0;
  followed_ = object != nullptr && context_ != nullptr ? MakeFollowed(point) : nullptr;
}

void TGeometryDragTracker::Difference(TVector& out, const TVector& a, const TVector& b) const {
  auto* thing = dynamic_cast<TThing*>(grabbed_);
  if (thing == nullptr) {
    out = TVector(0.0, 0.0);
    return;
  }
  TVector from = a;
  TVector to = b;
  thing->WorldToLocal(from);
  thing->WorldToLocal(to);
  out = TVector(to.x - from.x, to.y - from.y);
}

bool TGeometryDragTracker::FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) {
  if (phase != 1) return TTracker482::FeedbackStyle(phase, style, flag);
  style = grabbed_ != nullptr ? kGrabbedFeedbackStyle : 0;
  flag = 0;
  return true;
}

void TGeometryDragTracker::NoteCarriedObjects() {
  // The assembly may carry any of them along, also bodies that are neither selected nor
  // grabbed: each gets its undo image before anything moves (the recorder notes an object once).
  NoteChangeOfAll(moving_, TChangeRecorder::kWholeObject);
  if (CanUndo() == 0) return;
  for (TLink* object : others_) NoteChange(object, TChangeRecorder::kWholeObject);
}

TLink* TGeometryDragTracker::MakeFollowed(const TVector& position) {
  return context_->MakeFollowed(grabbed_, position);
}

void TGeometryDragTracker::BeforePrepare() {
  TTracker482::BeforePrepare();
  NoteCarriedObjects();
}

void TGeometryDragTracker::StartTracking() {
  TTracker482::StartTracking();
  // The grabbed object goes where the mouse takes it; the moving list keeps what is carried.
  std::erase(moving_, grabbed_);
  // From here on every step carries the followed object to the mouse.
  follow_ = followed_ != nullptr ? 1 : 0;
  SetRedrawWhenMoved(0);
  SetRedrawWhenChanged(1);
}

TCommandCore* TGeometryDragTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                              const QV_CPoint& previous, const QV_CPoint& next,
                                              bool mouseMoved, const TVector& anchorWorld,
                                              const TVector& previousWorld,
                                              const TVector& nextWorld, bool moved) {
  current_ = next;
  if (context_ != nullptr && phase == 2) {
    // The release settles what the drag left; the drag base then decides on undo.
    context_->LetGo();
    RunGeometry(kTicksAtRelease, std::min(kReleaseTolerance, runTolerance_));
    context_.reset();
  } else if (context_ != nullptr && phase == 1 && follow_ != 0 && moved) {
    context_->MoveFrameTo(nextWorld);
    RunGeometry(kTicksPerMove, runTolerance_);
  }
  return TTracker482::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                previousWorld, nextWorld, moved);
}

void TGeometryDragTracker::RunGeometry(int32_t ticks, double tolerance) {
  if (context_ == nullptr) return;
  TGeometryRunLimit limit(GetTickCount60(), ticks, StopKeysDown);
  if (!context_->Run(limit, tolerance)) return;
  MarkChanged();
  lastDrawn_ = current_;
  SetFeedbackPending(1);
}
