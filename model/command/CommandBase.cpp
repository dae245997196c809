#include "model/command/CommandBase.h"

#include <algorithm>
#include <cmath>

#include "core/Failure.h"
#include "core/Tag.h"
#include "core/TickCount.h"
#include "core/geometry/Rounding.h"
#include "platform/win32/WindowMessages.h"

namespace {

// The world's hot-point snapper is filed under this tag.
constexpr uint32_t kSnapperTag = MakeTag("hpSn");

int16_t Clamp16(int32_t value, int32_t low, int32_t high) {
  return static_cast<int16_t>(std::clamp(value, low, high));
}

}  // namespace

TCommandBase::~TCommandBase() { snapper_ = nullptr; }

void TCommandBase::Perform() {
  try {
    TActionBase::Perform();
  } catch (...) {
    if (snapper_ != nullptr) snapper_->ForgetHotPoint();
    throw;
  }
}

bool TCommandBase::TrackingDone() {
  if (endsAtOnce_ != 0) return true;
  return TActionBase::TrackingDone();
}

void TCommandBase::AfterWork() {
  if (snapper_ != nullptr) snapper_->ForgetHotPoint();
}

void TCommandBase::HandleEvent(TEventRecord& event) {
  event.handled = 1;
  const int16_t preference = world_ != nullptr ? world_->DragDelayPreference() : 1;
  if (kind_ == 1) state_ = preference == 1 ? kTracking : kWaitingForDelay;
  switch (preference) {
    case 0:
      dragDelay_ = kDelayUntilMoved;
      break;
    case 1:
      dragDelay_ = 0;
      break;
    default:
      dragDelay_ = kShortDelay;
      break;
  }
  controlKey_ = (event.wParam & MK_CONTROL) != 0 ? 1 : 0;
  commandKey_ = controlKey_;
  shiftKey_ = (event.wParam & MK_SHIFT) != 0 ? 1 : 0;
  SetMousePoint(event.where);
  pressTime_ = event.when;
}

TCommandBase* TCommandBase::HandleEventAnswerSelf(TEventRecord& event) {
  HandleEvent(event);
  return this;
}

void TCommandBase::InitTracker(int16_t commandNumber, TTrackerView* view,
                               TActionContext* context, uint16_t canUndo, int32_t kind) {
  kind_ = kind;
  // Trackers that a world keeps ready are initialised again for every gesture.
  state_ = kNotStarted;
  waitingForFirstMove_ = 1;
  firstConstrain_ = 1;
  constrainedThisPass_ = 0;
  endsAtOnce_ = 0;
  moved_ = 0;
  redrawNeeded_ = 0;
  drawnOnce_ = 0;
  InitAction(commandNumber, view, context, canUndo);
  view_ = view;
  world_ = dynamic_cast<TTrackingWorld*>(context);
  SetFrame(world_ != nullptr ? world_->CurrentFrame() : nullptr);
  if (view != nullptr) SetViewPresent(1);
  SetFixedView(1);
  SetCausesChange(1);
  SetEnabled(1);
  // The tracking loop hands every screen point to TrackConstrain, which turns it into the
  // world point that the steps read.
  SetConstrainsWhileTracking(1);
  snapper_ = nullptr;
  if (!UsesHotPoints()) return;
  auto* snapper = context != nullptr
                      ? dynamic_cast<TTrackingSnapper*>(context->FindItem(kSnapperTag))
                      : nullptr;
  if (snapper == nullptr) ThrowFailure(-108, 0);
  if (snapper->IsSnapperActive()) snapper_ = snapper;
}

void TCommandBase::SetFrame(TTrackingFrame* frame) {
  frame_ = frame;
  toFrame_ = frame != nullptr ? frame->ToFrameTransform() : Transform2D();
  fromFrame_ = frame != nullptr ? frame->FromFrameTransform() : Transform2D();
}

Transform2D TCommandBase::ScreenToWorldTransform() const {
  return frame_ != nullptr ? frame_->ScreenToWorldTransform() : Transform2D();
}

void TCommandBase::StartTracking() {
  DelayTick();
  PrepareOnce();
}

void TCommandBase::SetCursorAsAtPress() {
  if (view_ != nullptr && showCursor_ != 0) view_->SetToolCursor(loadedCursor_);
}

void TCommandBase::EnterState(int8_t state) {
  state_ = state;
  if (view_ != nullptr) view_->BeginFeedback(state);
  SetCursorAsAtPress();
}

void TCommandBase::DelayTick() {
  if (waitingForFirstMove_ == 0) {
    if (state_ == kNotStarted && kind_ == 2)
      EnterState(dragDelay_ == 0 ? kTracking : kWaitingForDelay);
    return;
  }
  if (kind_ != 1 && kind_ != 2) return;
  if (state_ == kTracking) return;
  const int32_t due = static_cast<int32_t>(pressTime_) + dragDelay_;
  if (TickDeadlineReached(GetTickCount60(), due)) EnterState(kTracking);
}

void TCommandBase::WorldToScreen(const TVector& world, MacPoint& screen) const {
  const Transform2D toScreen =
      frame_ != nullptr ? frame_->WorldToScreenTransform() : Transform2D();
  const TVector mapped = Transform2D::ApplyToVector(toScreen, world);
  screen = MacPoint(Round13(mapped.x), Round13(-mapped.y));
}

void TCommandBase::Difference(TVector& out, const TVector& a, const TVector& b) const {
  out = TVector(b.x - a.x, b.y - a.y);
}

void TCommandBase::ConstrainWorldPoint(const TVector&, const TVector&, TVector& next) {
  SnapToGrid(next);
}

void TCommandBase::SnapToGrid(TVector& point) {
  const double step = SnappingDistance();
  if (!SnapInFrame()) {
    SnapToMultiple(point.x, step);
    SnapToMultiple(point.y, step);
    return;
  }
  TVector inFrame = Transform2D::ApplyToVector(toFrame_, point);
  SnapToMultiple(inFrame.x, step);
  SnapToMultiple(inFrame.y, step);
  point = Transform2D::ApplyToVector(fromFrame_, inFrame);
}

double TCommandBase::SnappingDistance() const {
  return world_ != nullptr ? world_->TrackingSnappingDistance() : 0.0;
}

double TCommandBase::Tolerance() const {
  return GetContext() != nullptr ? SnappingDistance() / 10.0 : 0.0;
}

double TCommandBase::ViewScale() const {
  return view_ != nullptr ? view_->TrackingScale() : 1.0;
}

void TCommandBase::ScreenToWorld(const Transform2D& transform, const QV_CPoint& screen,
                                 TVector& world) {
  world = Transform2D::ApplyToVector(transform, TVector(screen.h, -screen.v));
  SnapToGrid(world);
}

void TCommandBase::SetStartPoint(const QV_CPoint& screen) {
  startScreen_ = screen;
  TVector world;
  ScreenToWorld(ScreenToWorldTransform(), screen, world);
  anchorWorld_ = previousWorld_ = nextWorld_ = startWorld_ = world;
}

bool TCommandBase::SnapToHotPoint(TVector& point, const TVector&, const TVector&) {
  if (snapper_ == nullptr) return false;
  TVector found;
  if (!snapper_->FindHotPointNear(lastScreen_, found)) return false;
  point = found;
  return true;
}

void TCommandBase::TrackConstrain(const QV_CPoint& anchor, const QV_CPoint&, QV_CPoint& next) {
  if (constrainedThisPass_ != 0) return;
  const Transform2D toWorld = ScreenToWorldTransform();
  if (firstConstrain_ != 0) {
    lastScreen_ = anchor;
    SetStartPoint(anchor);
    firstConstrain_ = 0;
  } else if (IsFixedView() == 0 && view_ != nullptr) {
    insideView_ = view_->IsInsideAutoscrolling(next) ? 1 : 0;
    if (insideView_ != 0) redrawNeeded_ = 1;
    const MacRect extent = view_->TrackingExtent();
    next.h = Clamp16(next.h, extent.left - kExtentMargin, extent.right + kExtentMargin);
    next.v = Clamp16(next.v, extent.top - kExtentMargin, extent.bottom + kExtentMargin);
  } else {
    insideView_ = 0;
  }

  TVector point = Transform2D::ApplyToVector(toWorld, TVector(next.h, -next.v));
  ConstrainWorldPoint(anchorWorld_, previousWorld_, point);
  const double tolerance = Tolerance();
  const TVector old = nextWorld_;
  if (std::fabs(point.x - old.x) <= tolerance && std::fabs(point.y - old.y) <= tolerance) {
    moved_ = 0;
  } else {
    moved_ = 1;
    nextWorld_ = point;
  }
  previousWorld_ = old;

  if (gridStep_ > 1) {
    next.h = static_cast<int16_t>(next.h / gridStep_ * gridStep_);
    next.v = static_cast<int16_t>(next.v / gridStep_ * gridStep_);
  }
  constrainedThisPass_ = 1;
}

void TCommandBase::TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool turnOn, bool moved) {
  if (turnOn && ((redrawWhenMoved_ != 0 && moved) || (redrawWhenChanged_ != 0 && moved_ != 0)))
    redrawNeeded_ = 1;
  if (moved_ != 0 && view_ != nullptr) {
    TVector difference;
    Difference(difference, anchorWorld_, nextWorld_);
    view_->FeedbackDifference(difference);
    MacPoint screen;
    WorldToScreen(nextWorld_, screen);
    view_->FeedbackPoint(screen, nextWorld_);
  }
  if (redrawNeeded_ == 0) return;
  if (drawnOnce_ == 0)
    drawnOnce_ = 1;
  else
    DrawFeedback();
  redrawNeeded_ = 0;
}

void TCommandBase::DrawFeedback() {
  if (view_ == nullptr) return;
  view_->DrawFeedback();
  if (snapper_ != nullptr && view_->IsDrawingOn()) snapper_->DrawHotPointMark(lastScreen_);
}

bool TCommandBase::FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) {
  if (phase != 1) return false;
  style = kMoveFeedbackStyle;
  flag = 1;
  return true;
}

TCommandCore* TCommandBase::TrackStep(int16_t, const QV_CPoint&, const QV_CPoint&,
                                      const QV_CPoint&, bool, const TVector&, const TVector&,
                                      const TVector&, bool) {
  return this;
}

TCommandCore* TCommandBase::TrackMouse(int16_t phase, const QV_CPoint& anchor,
                                       const QV_CPoint& previous, const QV_CPoint& next,
                                       bool mouseMoved) {
  constrainedThisPass_ = 0;
  if (phase == 0) {
    moved_ = 1;
    if (view_ != nullptr) view_->BeginFeedback(state_);
    if (kind_ != 2) SetCursorAsAtPress();
  }
  if (phase == 1 && waitingForFirstMove_ != 0) {
    waitingForFirstMove_ = mouseMoved ? 0 : 1;
    if (mouseMoved)
      StartTracking();
    else
      DelayTick();
  }
  if ((IsDone() != 0 || mouseMoved) && view_ != nullptr) {
    int16_t style = 0;
    int16_t flag = 0;
    if (FeedbackStyle(phase, style, flag)) view_->SetFeedbackStyle(style, flag);
  }
  TCommandCore* const result = TrackStep(phase, anchor, previous, next, mouseMoved,
                                         anchorWorld_, previousWorld_, nextWorld_, moved_ != 0);
  lastScreen_ = next;
  if (phase == 2) {
    if (world_ != nullptr) world_->TrackingEnded();
    if (view_ != nullptr) {
      view_->EndFeedback();
      view_->BeginFeedback(kNotStarted);
    }
  }
  return result;
}
