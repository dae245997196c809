#include "views/world/WorldTrackingClicks.h"

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/ActionBase.h"
#include "model/handler/TargetHandler.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/WindowMessages.h"
#include "ui/views/MouseEvent.h"
#include "views/trackers/MoveTrackers.h"
#include "views/trackers/RotateTracker.h"
#include "views/trackers/SelectionTrackers.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldTracking.h"

namespace {

TEventRecord RecordOf(const MacPoint& point, const TMouseEvent* event) {
  TEventRecord record;
  record.where = point;
  if (event == nullptr || event->message == nullptr) {
    record.message = WM_LBUTTONDOWN;
    record.when = static_cast<uint32_t>(GetTickCount60());
    return record;
  }
  record.message = event->clickCount > 1 ? WM_LBUTTONDBLCLK : event->message->message;
  record.wParam = event->message->wParam;
  record.when = event->message->time;
  return record;
}

bool IsSelectionTool(int16_t tool) {
  return tool == TWorldBase::kSelectionTool || tool == TWorldDoc::kDragSelectionTool ||
         tool == TWorldDoc::kPartTool;
}

// Hands a tracker out of its standing field: it is set up with the event and frees itself once
// the command handler is done with it.
template <class Tracker>
TCommandCore* HandOut(std::unique_ptr<Tracker>& field, const TEventRecord& event) {
  TEventRecord copy = event;
  field->HandleEvent(copy);
  field->SetFreeWhenDone(1);
  return field.release();
}

}  // namespace

TWorldClickDispatch::TWorldClickDispatch(TWorldDoc& world, TMainWorldView& view,
                                         TWorldTrackerView& trackerView,
                                         TWorldTrackerContext& context)
    : world_(world), view_(view), trackerView_(trackerView), context_(context) {}

TWorldClickDispatch::~TWorldClickDispatch() = default;

void TWorldClickDispatch::MakeStandingTrackers() {
  if (!objectTracker_) {
    auto tracker = std::make_unique<TTracker480>();
    tracker->InitObjectTracker(kCmdSelectTracking, &trackerView_, &context_, 0, 0);
    objectTracker_ = std::move(tracker);
  }
  if (!areaTracker_) {
    auto tracker = std::make_unique<TRubberBandTracker>();
    tracker->InitRubberBand(&trackerView_, &context_);
    areaTracker_ = std::move(tracker);
  }
  if (!dragTracker_) {
    auto tracker = std::make_unique<TRotateTracker>();
    tracker->InitRotate(&trackerView_, &context_);
    dragTracker_ = std::move(tracker);
  }
  if (!secondTracker_) {
    auto tracker = std::make_unique<TMovePointTracker>();
    tracker->InitMovePoint(&trackerView_, &context_);
    secondTracker_ = std::move(tracker);
  }
  if (!thirdTracker_) {
    auto tracker = std::make_unique<TMoveObjectsTracker>();
    tracker->InitMoveObjects(&trackerView_, &context_);
    thirdTracker_ = std::move(tracker);
  }
}

void TWorldClickDispatch::FreeStandingTrackers() {
  objectTracker_.reset();
  areaTracker_.reset();
  dragTracker_.reset();
  secondTracker_.reset();
  thirdTracker_.reset();
}

TCommandCore* TWorldClickDispatch::MouseDown(const MacPoint& point, TMouseEvent* event) {
  if (world_.GetClickStopsRun() != 0 && world_.FirstRunningCommand() != nullptr) {
    world_.StopRunning();
    return nullptr;
  }
  const int16_t tool = world_.GetCurrentTool();
  if (tool == TWorldDoc::kDragSelectionTool && dragTracker_) dragTracker_->CentreLine(false, point);
  MakeStandingTrackers();
  const TEventRecord record = RecordOf(point, event);
  TCommandCore* answer = nullptr;
  if (TWorldDoc::UsesToolTracker(tool)) {
    answer = ToolTrackerClick(record);
  } else if (IsSelectionTool(tool)) {
    answer = ClickDispatch(point, event);
  }
  context_.RefreshSelectionDisplay();
  return answer;
}

TCommandCore* TWorldClickDispatch::ToolTrackerClick(const TEventRecord& event) {
  // Nothing is made while the world moves.
  if (world_.FirstRunningCommand() != nullptr) world_.StopRunning();
  std::unique_ptr<TCommandCore> taken =
      world_.TakeToolTracker(world_.TrackerForTool(world_.GetCurrentTool()));
  if (!taken) return nullptr;
  if (auto* action = dynamic_cast<TActionBase*>(taken.get())) {
    TEventRecord copy = event;
    action->HandleEvent(copy);
  }
  taken->SetFreeWhenDone(1);
  return taken.release();
}

TCommandCore* TWorldClickDispatch::ClickDispatch(const MacPoint& point, TMouseEvent* event) {
  TLink* hit = view_.FindObjectAt(point);
  const TEventRecord record = RecordOf(point, event);
  const bool player = world_.GetPlayerMode() != 0;
  if (world_.FirstRunningCommand() != nullptr) {
    // A click on an object stops the run before any tracker starts.
    if (hit == nullptr) return nullptr;
    world_.StopRunning();
    return player ? nullptr : HandOutObjectTracker(hit, record);
  }
  if (hit == nullptr) {
    if (player) {
      world_.DeselectAll();
      return nullptr;
    }
    FailIfMemoryLow();
    return HandOutAreaTracker(record);
  }
  if (!player) {
    if (world_.GetCurrentTool() == TWorldDoc::kDragSelectionTool)
      return HandOutDragTracker(hit, record);
    return HandOutMoveTracker(hit, record);
  }
  return HandOutObjectTracker(hit, record);
}

TCommandCore* TWorldClickDispatch::HandOutObjectTracker(TLink* hit, const TEventRecord& event) {
  objectTracker_->SetHitObject(hit);
  // In player mode a press selects nothing.
  if (world_.GetPlayerMode() != 0) objectTracker_->SetSelectOnPress(0);
  return HandOut(objectTracker_, event);
}

TCommandCore* TWorldClickDispatch::HandOutAreaTracker(const TEventRecord& event) {
  return HandOut(areaTracker_, event);
}

TCommandCore* TWorldClickDispatch::HandOutDragTracker(TLink* hit, const TEventRecord& event) {
  dragTracker_->SetCentre(hit, nullptr, TVector());
  TEventRecord copy = event;
  dragTracker_->HandleEvent(copy);
  // Without a centre object the selection turns about its middle, as the press left it.
  const std::vector<TLink*> selection = context_.SelectedObjects();
  if (!selection.empty()) {
    TVector sum(0.0, 0.0);
    for (TLink* object : selection) {
      const TVector3 position = context_.PositionOf(object);
      sum.x += position.x;
      sum.y += position.y;
    }
    DefaultRotationCentre() = TVector(sum.x / static_cast<double>(selection.size()),
                                      sum.y / static_cast<double>(selection.size()));
  }
  dragTracker_->SetCentre(hit, nullptr, TVector());
  dragTracker_->SetFreeWhenDone(1);
  return dragTracker_.release();
}

bool TWorldClickDispatch::MovesPointAlone(TLink* hit, const TEventRecord& event) const {
  if (dynamic_cast<TPoint*>(hit) == nullptr) return false;
  if (!context_.IsSelected(hit)) return (event.wParam & MK_SHIFT) == 0;
  return world_.Selection().size() == 1;
}

TCommandCore* TWorldClickDispatch::HandOutMoveTracker(TLink* hit, const TEventRecord& event) {
  if (MovesPointAlone(hit, event)) {
    secondTracker_->SetPoint(hit);
    return HandOut(secondTracker_, event);
  }
  thirdTracker_->SetHitObject(hit);
  return HandOut(thirdTracker_, event);
}
