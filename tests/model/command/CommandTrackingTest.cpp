// Tracking a command with the mouse: a click that never leaves the hysteresis never moves, a
// move of exactly the hysteresis counts, a track step that answers null ends tracking and
// nothing is performed, paint messages are dispatched meanwhile, and the mouse is released also
// after a failure.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/CommandNesting.h"
#include "core/Failure.h"
#include "model/command/CommandHandler.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"

namespace {

std::vector<std::string>* gPaints = nullptr;

LRESULT PaintLoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && gPaints != nullptr) gPaints->push_back("paint");
  return DefWindowProc(window, message, wParam, lParam);
}

class TSilentReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

class TTrackingView : public TCommandView {
 public:
  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&, bool) override {
    return true;
  }
  HWND TrackingWindow() const override { return window; }
  HWND window = nullptr;
};

struct TStep {
  int16_t phase;
  int16_t h;
  int16_t v;
  bool moved;
};

// Each still-tracking test plays the next scripted event; the script's end ends tracking.
class TScriptedCommand : public TCommandCore {
 public:
  TScriptedCommand(TTrackingView* view, std::vector<std::function<void()>> script)
      : script_(std::move(script)) {
    InitCommand(1031, nullptr, view, nullptr);
    SetCanUndo(0);
    SetCausesChange(0);
    SetFreeWhenDone(0);
    SetViewPresent(1);
  }
  bool TrackingDone() override {
    if (next_ >= script_.size()) return true;
    script_[next_++]();
    return false;
  }
  TCommandCore* TrackMouse(int16_t phase, const QV_CPoint&, const QV_CPoint&,
                           const QV_CPoint& current, bool moved) override {
    steps.push_back({phase, current.h, current.v, moved});
    if (failAt == static_cast<int>(steps.size())) ThrowFailure(-25001, 0);
    return static_cast<int>(steps.size()) == endAt ? nullptr : this;
  }
  void Perform() override { performed = true; }
  std::vector<TStep> steps;
  int endAt = 0;
  int failAt = 0;
  bool performed = false;

 private:
  std::vector<std::function<void()>> script_;
  size_t next_ = 0;
};

// The same, but the button going up ends tracking, as for the program's own commands.
class TReleasedCommand : public TScriptedCommand {
 public:
  explicit TReleasedCommand(TTrackingView* view) : TScriptedCommand(view, {}) {}
  bool TrackingDone() override { return TCommandCore::TrackingDone(); }
};

// The desktop as the user's script: each time tracking asks it for news (as it asks whether the
// button is down), the next thing the user did arrives.
class TScriptedDesktop : public WindowPresenter {
 public:
  explicit TScriptedDesktop(std::vector<std::function<void()>> script)
      : script_(std::move(script)) {}
  void TopLevelCreated(HWND) override {}
  void TopLevelChanged(HWND) override {}
  void TopLevelDestroyed(HWND) override {}
  void SurfaceUpdated(HWND, const RECT&) override {}
  bool WaitForEvents(int32_t) override { return false; }
  void PollEvents() override {
    if (next_ < script_.size()) script_[next_++]();
  }
  void ShowCursorShape(uintptr_t) override {}
  bool PutDesktopText(const std::string&) override { return false; }
  bool GetDesktopText(std::string*) override { return false; }

 private:
  std::vector<std::function<void()>> script_;
  size_t next_ = 0;
};

class CommandTrackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = PaintLoggingProc;
    windowClass.lpszClassName = "TrackingTestWindow";
    RegisterClass(&windowClass);
    view_.window = CreateWindowEx(0, "TrackingTestWindow", "view", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  0, 0, 300, 200, nullptr, nullptr, nullptr);
    other_ = CreateWindowEx(0, "TrackingTestWindow", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400,
                            0, 100, 100, nullptr, nullptr, nullptr);
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
    gPaints = &paints_;
    paints_.clear();
    handler_.SetTrackHysteresis(5, 5);
  }
  void TearDown() override {
    SetWindowPresenter(nullptr);
    gPaints = nullptr;
    ResetWindowSystem();
    UseProcessClock();
  }
  // A mouse move to a point of the view's client area.
  std::function<void()> MoveTo(int32_t x, int32_t y) {
    return [this, x, y] {
      POINT point{x, y};
      ClientToScreen(view_.window, &point);
      InjectMouseMove(point);
    };
  }
  // The button going up at a point of the view's client area.
  std::function<void()> ReleaseAt(int32_t x, int32_t y) {
    return [this, x, y] {
      POINT point{x, y};
      ClientToScreen(view_.window, &point);
      InjectMouseButton(MouseButton::kLeft, false, point);
    };
  }
  // Tracks a drag from the press at (10, 10) while the desktop plays the script; answers the
  // steps as (phase, h, v).
  std::vector<std::vector<int>> TrackDrag(std::vector<std::function<void()>> script) {
    MoveTo(10, 10)();
    POINT press{10, 10};
    ClientToScreen(view_.window, &press);
    InjectMouseButton(MouseButton::kLeft, true, press);
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
    TScriptedDesktop desktop(std::move(script));
    SetWindowPresenter(&desktop);
    TReleasedCommand command(&view_);
    command.SetMousePoint(Client(10, 10));
    handler_.TrackMouse(command.GetMousePoint(), 5, 5, &command);
    SetWindowPresenter(nullptr);
    std::vector<std::vector<int>> steps;
    for (const TStep& step : command.steps) steps.push_back({step.phase, step.h, step.v});
    return steps;
  }
  // A point of the view's client area: the frame tracking works in, as a click gives it.
  QV_CPoint Client(int16_t x, int16_t y) { return QV_CPoint(x, y); }

  TSilentReporter reporter_;
  TCommandNesting nesting_{reporter_};
  TCommandHandler handler_{nesting_};
  TTrackingView view_;
  HWND other_ = nullptr;
  std::vector<std::string> paints_;
};

TEST_F(CommandTrackingTest, AClickThatStaysInsideTheHysteresisNeverMoves) {
  TScriptedCommand command(&view_, {MoveTo(14, 13), MoveTo(12, 11)});
  command.SetMousePoint(Client(10, 10));
  EXPECT_EQ(handler_.TrackMouse(command.GetMousePoint(), 5, 5, &command), &command);
  ASSERT_GE(command.steps.size(), 3u);
  const QV_CPoint anchor = Client(10, 10);
  for (const TStep& step : command.steps) {
    if (step.phase == 1) {
      EXPECT_FALSE(step.moved) << "a step of a click that never moved changed";
    }
  }
  const TStep& last = command.steps.back();
  EXPECT_EQ(last.phase, 2);
  EXPECT_EQ(last.h, anchor.h);
  EXPECT_EQ(last.v, anchor.v);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CommandTrackingTest, AMoveOfExactlyTheHysteresisCountsAndPaintsGoOnMeanwhile) {
  TScriptedCommand command(&view_, {[this] { InvalidateRect(other_, nullptr, TRUE); },
                                    MoveTo(15, 10)});
  command.SetMousePoint(Client(10, 10));
  handler_.TrackMouse(command.GetMousePoint(), 5, 5, &command);
  bool movedThere = false;
  for (const TStep& step : command.steps) {
    const QV_CPoint there = Client(15, 10);
    movedThere = movedThere || (step.phase == 1 && step.moved && step.h == there.h);
  }
  EXPECT_TRUE(movedThere);
  EXPECT_EQ(paints_, std::vector<std::string>{"paint"}) << "the other window repainted";
}

TEST_F(CommandTrackingTest, ATrackStepAnsweringNullEndsTrackingAndNothingIsPerformed) {
  TScriptedCommand command(&view_, {MoveTo(30, 30), MoveTo(40, 40), MoveTo(50, 50)});
  command.SetMousePoint(Client(10, 10));
  command.endAt = 2;
  handler_.PerformCommand(&command);
  EXPECT_EQ(command.steps.size(), 2u);
  EXPECT_FALSE(command.performed);
  EXPECT_EQ(handler_.Tracker(), nullptr);
}

TEST_F(CommandTrackingTest, AFailureWhileTrackingReleasesTheMouseAndPassesOn) {
  TScriptedCommand command(&view_, {MoveTo(30, 30)});
  command.SetMousePoint(Client(10, 10));
  command.failAt = 2;
  EXPECT_THROW(handler_.TrackMouse(command.GetMousePoint(), 5, 5, &command), QVException);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(handler_.Tracker(), nullptr);
}

TEST_F(CommandTrackingTest, PeekFiltersTakeOnlyTheirMessagesAndTheWaitingFilterLeavesThem) {
  PostMessage(view_.window, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  PostMessage(view_.window, WM_KEYDOWN, 'A', 0);
  MSG message;
  EXPECT_TRUE(handler_.TrackWithPeek(uint16_t{0xBEEF}, &message));
  EXPECT_EQ(message.message, WM_LBUTTONUP);
  EXPECT_TRUE(handler_.TrackWithPeek(uint16_t{0}, &message));
  EXPECT_EQ(message.message, WM_KEYDOWN) << "filter 0 passes over the button release";
  EXPECT_FALSE(handler_.TrackWithPeek(uint16_t{12}, &message));
  EXPECT_TRUE(handler_.TrackWithPeek(uint16_t{7}, &message));
  EXPECT_FALSE(handler_.TrackWithPeek(uint16_t{0xBEEF}, &message));
}

TEST_F(CommandTrackingTest, ATimedWaitDispatchesPaintsAndEndsByItsTimerOrAnotherMessage) {
  handler_.SetMainFrame(other_);
  InvalidateRect(other_, nullptr, TRUE);
  // Nothing else happens: the clock runs on until the timer ends the wait.
  SetIdleScript([] {
    AdvanceVirtualClock(20);
    return true;
  });
  MSG message;
  EXPECT_FALSE(handler_.TrackWithTimer(0, &message, 6));
  EXPECT_EQ(message.message, WM_TIMER);
  EXPECT_EQ(paints_, std::vector<std::string>{"paint"});
  PostMessage(view_.window, WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(handler_.TrackWithTimer(0, &message, 6));
  EXPECT_EQ(message.message, WM_KEYDOWN);
  // Polling takes the waiting message without a wait; the wait mode chooses the timed wait.
  PostMessage(view_.window, WM_KEYDOWN, 'B', 0);
  EXPECT_TRUE(handler_.GetNextEvent(12, 6, &message));
  EXPECT_EQ(message.wParam, WPARAM{'B'});
  handler_.SetEventWaitMode(true);
  EXPECT_FALSE(handler_.GetNextEvent(12, 6, &message));
  SetIdleScript(nullptr);
  handler_.SetMainFrame(nullptr);
}

// A quick drag: the desktop brings the last moves and the release together, and reports the
// button up at once. Every move is still tracked, the release's own point ends the drag, and it
// stays in the queue for whoever reads it next.
TEST_F(CommandTrackingTest, AReleaseQueuedBehindMovesEndsTheDragAtItsOwnPoint) {
  const auto quick = TrackDrag({MoveTo(40, 10), [this] {
                                  MoveTo(50, 20)();
                                  MoveTo(60, 30)();
                                  ReleaseAt(70, 35)();
                                }});
  EXPECT_EQ(quick, (std::vector<std::vector<int>>{
                       {0, 10, 10}, {1, 40, 10}, {1, 60, 30}, {1, 70, 35}, {2, 70, 35}}));
  MSG message;
  EXPECT_TRUE(PeekMessage(&message, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE));
  EXPECT_EQ(GetCapture(), nullptr);
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
  // A slow drag, released where the last move left the mouse, takes no further step; a press
  // released before it leaves the hysteresis stays a click at its anchor.
  const auto slow = TrackDrag({MoveTo(40, 10), MoveTo(60, 30), ReleaseAt(60, 30)});
  EXPECT_EQ(slow, (std::vector<std::vector<int>>{
                      {0, 10, 10}, {1, 40, 10}, {1, 60, 30}, {2, 60, 30}}));
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
  const auto click = TrackDrag({[this] {
    MoveTo(12, 11)();
    ReleaseAt(12, 11)();
  }});
  ASSERT_FALSE(click.empty());
  EXPECT_EQ(click.back(), (std::vector<int>{2, 10, 10}));
}

}  // namespace
