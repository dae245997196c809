#include "views/trackers/DragTracker.h"

#include <cstdlib>

#include "core/Failure.h"
#include "core/MouseButton.h"
#include "model/filing/ObjectReader.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"

namespace {

// Takes a waiting message of the range from the queue; true when there was one.
bool TakePending(UINT first, UINT last, MSG* taken = nullptr) {
  MSG message{};
  if (!PeekMessage(&message, nullptr, first, last, PM_REMOVE)) return false;
  if (taken != nullptr) *taken = message;
  return true;
}

// Whether a press lies outside the view's extent: on the tool bar, a palette or the menu bar.
bool IsOffView(const MSG& press, const TTrackerView& view) {
  POINT point{static_cast<int16_t>(press.lParam & 0xFFFF),
              static_cast<int16_t>((press.lParam >> 16) & 0xFFFF)};
  const HWND window = view.TrackingWindow();
  if (press.hwnd != window) {
    if (press.hwnd != nullptr) ClientToScreen(press.hwnd, &point);
    if (window != nullptr) ScreenToClient(window, &point);
  }
  const MacRect extent = view.TrackingExtent();
  return point.x < extent.left || point.x >= extent.right || point.y < extent.top ||
         point.y >= extent.bottom;
}

bool TakeEnding() {
  bool any = false;
  any = TakePending(WM_LBUTTONDBLCLK, WM_LBUTTONDBLCLK) || any;
  any = TakePending(WM_KEYFIRST, WM_KEYLAST) || any;
  return any;
}

}  // namespace

void TDragTracker::InitDragTracker(int16_t commandNumber, TTrackerView* view,
                                   TActionContext* world, uint16_t worldFeedback,
                                   uint16_t mouseFeedback, std::unique_ptr<TObjectReader> placed,
                                   TLink* object) {
  multiClick_ = 0;
  released_ = 0;
  clicking_ = 0;
  endNotified_ = 0;
  endedOffView_ = 0;
  mouseDownTime_ = 0;
  InitPlacing(commandNumber, view, world, 1, 1, std::move(placed));
  object_ = object;
  SetCursorResource(kCursorClickByClick);
  SetRedrawWhenChanged(worldFeedback);
  SetRedrawWhenMoved(mouseFeedback);
  SetFixedView(worldFeedback != 0 ? 0 : 1);
  SetFeedbackArmed(1);
}

void TDragTracker::HandleEvent(TEventRecord& event) {
  TCommandMid::HandleEvent(event);
  mouseDownTime_ = PressTime();
}

bool TDragTracker::TrackingDone() {
  if (TCommandMid::TrackingDoneFlag()) return true;
  // Reading the button lets the desktop deliver what the user did: between clicks the next
  // click comes only that way.
  const bool down = IsMouseButtonDown();
  if (released_ != 0 || clicking_ != 0) return false;
  if (down) return false;
  // A drag ends at its release, with or without multi-click.
  if (IsWaitingForFirstMove() == 0) return true;
  // Released before any movement: the gesture goes on click by click.
  TakePending(WM_LBUTTONUP, WM_LBUTTONUP);
  if (multiClick_ != 0)
    clicking_ = 1;
  else
    released_ = 1;
  return false;
}

TCommandCore* TDragTracker::TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint&,
                                      const QV_CPoint& next, bool, const TVector&,
                                      const TVector&, const TVector& nextWorld, bool) {
  if (phase == 0) {
    StartTracking();
    clickAnchor_ = anchor;
    lastPointWorld_ = nextWorld;
  }
  if (phase == 1) MoveStep(next);
  if (phase == 2) NotifyEnd();
  return this;
}

bool TDragTracker::TakePressOffView() {
  MSG press{};
  if (TrackerView() == nullptr ||
      !PeekMessage(&press, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE) ||
      !IsOffView(press, *TrackerView()))
    return false;
  TakePending(WM_LBUTTONDOWN, WM_LBUTTONDOWN);
  return true;
}

void TDragTracker::MoveStep(const QV_CPoint& next) {
  // Between clicks a press off the view is no point of the gesture: it ends the gesture as a
  // key does, and what followed the pointer goes back to the last click.
  if ((released_ != 0 || clicking_ != 0) && TakePressOffView()) {
    endedOffView_ = 1;
    SetEndsAtOnce(1);
    return;
  }
  if (released_ == 0 && multiClick_ != 0) {
    // A click's release means nothing between clicks. Left waiting (it comes in after its press
    // when the desktop is slow), it would look like a button forever pending to the loop.
    if (clicking_ != 0) TakePending(WM_LBUTTONUP, WM_LBUTTONUP);
    MSG down{};
    if (TakePending(WM_LBUTTONDOWN, WM_LBUTTONDOWN, &down)) {
      QV_CPoint point(static_cast<int16_t>(down.lParam & 0xFFFF),
                      static_cast<int16_t>((down.lParam >> 16) & 0xFFFF));
      const QV_CPoint previous = clickAnchor_;
      TrackConstrain(clickAnchor_, previous, point);
      MacPoint last;
      MacPoint now;
      WorldToScreen(lastPointWorld_, last);
      WorldToScreen(NextWorld(), now);
      if (ClickEndsGesture(last, now) || AddPoint(point, NextWorld()) == 0) {
        SetEndsAtOnce(1);
      } else {
        lastPointWorld_ = NextWorld();
        clickAnchor_ = point;
        TakePending(WM_LBUTTONUP, WM_LBUTTONUP);
      }
    }
    if (TakeEnding()) SetEndsAtOnce(1);
    return;
  }
  if (released_ != 0) {
    const bool ended = TakeEnding();
    if (TakePending(WM_LBUTTONDOWN, WM_LBUTTONDOWN) || ended) SetEndsAtOnce(1);
  }
  (void)next;
}

void TDragTracker::ShowPrompt(uint32_t text) {
  if (CFrameWnd* frame = GetMainFrame()) frame->SetMessageText(static_cast<UINT>(text));
}

void TDragTracker::ClearPrompt() {
  if (CFrameWnd* frame = GetMainFrame()) frame->ResetMessageText();
}

int16_t TDragTracker::AddPoint(const QV_CPoint&, const TVector&) { return 1; }

bool TDragTracker::ClickEndsGesture(const MacPoint& last, const MacPoint& now) const {
  return std::abs(last.h - now.h) < kEndDistance && std::abs(last.v - now.v) < kEndDistance;
}

void TDragTracker::NotifyEnd() {
  if (endNotified_ != 0) return;
  endNotified_ = 1;
  if (TTrackingWorld* world = World()) world->TrackingEnded();
}

void TDragTracker::DoWork() {
  if (IsObjectAcceptable()) return;
  Cancel();
  ThrowFailure(0, 0);
}

void TDragTracker::AfterWork() {
  NotifyEnd();
  TCommandMid::AfterWork();
}
