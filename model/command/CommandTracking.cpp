// The application's mouse tracking: the loop that follows a command with the mouse before it is
// performed, and the event polling that it and other modal loops use. One tracking at a time.

#include <cstdlib>

#include "core/TickCount.h"
#include "model/command/CommandHandler.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Window.h"

namespace {

constexpr uint16_t kKeysFilter = 12;
constexpr uint16_t kButtonDownFilter = 6;
constexpr uint16_t kButtonUpFilter = 7;
constexpr uint16_t kMouseMoveFilter = 0xDEAD;
constexpr uint16_t kButtonWaitingFilter = 0xBEEF;
constexpr uint16_t kDoubleClickFilter = 0xDBC1;
constexpr uint16_t kAnyButNotButtonsFilter = 0;
constexpr UINT_PTR kTrackTimer = 0x7EAC;

enum TrackPhase : int16_t { kBegin = 0, kContinue = 1, kEnd = 2 };

// The point of a mouse message in the frame the tracking works in: the client coordinates of
// the tracking window, as the press that started it is given; screen coordinates when there is
// no tracking window. A message's own coordinates are its window's client coordinates.
QV_CPoint MousePoint(const MSG& message, HWND trackingWindow) {
  POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
  if (message.hwnd == trackingWindow) return QV_CPoint(point);
  if (message.hwnd != nullptr) ClientToScreen(message.hwnd, &point);
  if (trackingWindow != nullptr) ScreenToClient(trackingWindow, &point);
  return QV_CPoint(point);
}

bool Take(MSG* message, UINT first, UINT last, UINT remove) {
  return PeekMessage(message, nullptr, first, last, remove) != 0;
}

// Any message but the buttons', to be dispatched while tracking. Keys and double clicks stay
// queued for a tracker that takes them: dispatched here, the key that should end a gesture
// would go to the view instead.
bool TakeOtherMessage(bool leaveKeys, MSG* message) {
  if (!leaveKeys)
    return Take(message, 0, WM_MOUSEMOVE, PM_REMOVE) ||
           Take(message, WM_LBUTTONDBLCLK, 0xFFFFFFFF, PM_REMOVE);
  return Take(message, 0, WM_KEYFIRST - 1, PM_REMOVE) ||
         Take(message, WM_KEYLAST + 1, WM_MOUSEMOVE, PM_REMOVE) ||
         Take(message, WM_LBUTTONDBLCLK + 1, 0xFFFFFFFF, PM_REMOVE);
}

// The state of one tracking, and its steps.
class TTracking {
 public:
  TTracking(TCommandCore*& tracker, const QV_CPoint& start) : tracker_(tracker) {
    current = anchor = previous = start;
  }

  bool Active() const { return tracker_ != nullptr; }

  void Constrain() {
    if (Active() && tracker_->ConstrainsWhileTracking() != 0)
      tracker_->TrackConstrain(anchor, previous, current);
  }

  void Feedback(bool on, bool draw) {
    if (Active()) tracker_->TrackFeedback(anchor, previous, on, draw);
  }

  void Step(int16_t phase, bool moved) {
    if (!Active()) return;
    TCommandCore* const next = tracker_->TrackMouse(phase, anchor, previous, current, moved);
    if (next == tracker_) return;
    TCommandCore* const old = tracker_;
    tracker_ = next;
    if (old->IsFreeWhenDone() != 0) delete old;
  }

  QV_CPoint anchor;
  QV_CPoint previous;
  QV_CPoint current;

 private:
  TCommandCore*& tracker_;
};

bool ReachedHysteresis(const QV_CPoint& anchor, const QV_CPoint& point, int32_t h, int32_t v) {
  return std::abs(point.h - anchor.h) >= h || std::abs(point.v - anchor.v) >= v;
}

// The release that ends a drag is left in the queue and carries the point where the user let
// go. A quick drag brings it together with its moves, and the loop ends as it reaches it, so
// the drag takes that point as its last move before it ends.
void StepToRelease(TTracking& tracking, HWND window) {
  MSG release;
  if (!tracking.Active() || WaitingLeftRelease(&release) != LeftRelease::kNext) return;
  tracking.current = MousePoint(release, window);
  tracking.Constrain();
  if (tracking.current == tracking.previous) return;
  tracking.Feedback(false, true);
  tracking.Step(kContinue, true);
  tracking.previous = tracking.current;
  tracking.Feedback(true, true);
}

}  // namespace

TCommandCore* TCommandHandler::TrackMouse(const QV_CPoint& start, int32_t hysteresisH,
                                          int32_t hysteresisV, TCommandCore* command) {
  tracker_ = command;
  TCommandView* const view = command != nullptr ? command->GetView() : nullptr;
  const HWND window = view != nullptr ? view->TrackingWindow() : nullptr;
  if (window != nullptr) SetCapture(window);
  try {
    TTracking tracking(tracker_, start);
    tracking.Constrain();
    tracking.Step(kBegin, true);
    tracking.previous = tracking.current;
    tracking.Feedback(true, true);
    bool moved = false;
    int32_t startTime = 0;
    while (tracking.Active() && !tracker_->TrackingDone()) {
      MSG message;
      bool took = true;
      if (TrackWithPeek(kMouseMoveFilter, &message)) {
        tracking.current = MousePoint(message, window);
        if (message.message != WM_KICKIDLE && !(preTranslate_ && preTranslate_(&message))) {
          TranslateMessage(&message);
          DispatchMessage(&message);
        }
      } else if (TrackWithPeek(kButtonWaitingFilter, &message)) {
        tracking.current = MousePoint(message, window);
      } else if (TakeOtherMessage(tracking.Active() && tracker_->TakesKeysWhileTracking(),
                                  &message) &&
                 message.message != WM_KICKIDLE) {
        DispatchMessage(&message);
      } else {
        took = false;
      }
      if (!moved) {
        if (!ReachedHysteresis(tracking.anchor, tracking.current, hysteresisH, hysteresisV))
          tracking.current = tracking.anchor;
        tracking.Constrain();
        if (ReachedHysteresis(tracking.anchor, tracking.current, hysteresisH, hysteresisV)) {
          moved = true;
          startTime = GetTickCount60();
        }
      }
      if (moved || (tracking.Active() && tracker_->FeedbackAlways() != 0)) tracking.Constrain();
      const bool timePassed = startTime != 0 && GetTickCount60() - startTime > 1;
      const bool changed = !(tracking.current == tracking.previous) && (moved || timePassed);
      tracking.Feedback(false, changed);
      tracking.Step(kContinue, changed);
      tracking.previous = tracking.current;
      tracking.Feedback(true, changed);
      if (!took) NoteLoopIdle();
    }
    if (moved)
      StepToRelease(tracking, window);
    else
      tracking.current = tracking.previous;
    tracking.Feedback(false, true);
    tracking.Step(kEnd, true);
  } catch (...) {
    tracker_ = nullptr;
    if (window != nullptr) ReleaseCapture();
    throw;
  }
  TCommandCore* const result = tracker_;
  tracker_ = nullptr;
  if (window != nullptr) ReleaseCapture();
  return result;
}

bool TCommandHandler::TrackWithPeek(uint16_t filter, MSG* message) {
  switch (filter) {
    case kKeysFilter:
      return Take(message, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE);
    case kButtonDownFilter:
      return Take(message, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE);
    case kButtonUpFilter:
      return Take(message, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
    case kMouseMoveFilter:
      return Take(message, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);
    case kButtonWaitingFilter:
      return Take(message, WM_LBUTTONDOWN, WM_LBUTTONUP, PM_NOREMOVE);
    case kDoubleClickFilter:
      return PeekMessage(message, GetFocus(), WM_LBUTTONDBLCLK, WM_LBUTTONDBLCLK, PM_REMOVE) != 0;
    case kAnyButNotButtonsFilter:
      return Take(message, 0, WM_MOUSEMOVE, PM_REMOVE) ||
             Take(message, WM_LBUTTONDBLCLK, 0xFFFFFFFF, PM_REMOVE);
    default:
      return Take(message, 0, 0, PM_REMOVE);
  }
}

bool TCommandHandler::TrackWithTimer(uint16_t, MSG* message, int32_t ticks) {
  const HWND frame = mainFrame_;
  const auto milliseconds = static_cast<UINT>(ticks > 0 ? int64_t{ticks} * 50 / 3 : 0);
  const UINT_PTR timer = SetTimer(frame, kTrackTimer, milliseconds, nullptr);
  bool early = true;
  for (;;) {
    if (GetMessage(message, nullptr, 0, 0) <= 0) {
      if (message->message == WM_QUIT) PostQuitMessage(static_cast<int32_t>(message->wParam));
      break;
    }
    if (message->message == WM_PAINT) {
      if (!(preTranslate_ && preTranslate_(message))) DispatchMessage(message);
      continue;
    }
    early = !(message->message == WM_TIMER && message->wParam == timer &&
              message->hwnd == frame);
    break;
  }
  KillTimer(frame, timer);
  return early;
}

bool TCommandHandler::GetNextEvent(uint16_t filter, int32_t ticks, MSG* message) {
  return waitForEvents_ ? TrackWithTimer(filter, message, ticks) : TrackWithPeek(filter, message);
}
