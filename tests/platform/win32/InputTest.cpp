#include "platform/win32/Input.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/win32/Cursor.h"
#include "tests/platform/win32/WindowTestSupport.h"

using ::testing::ElementsAre;

namespace {

class InputTest : public WindowTest {};

std::vector<UINT> Buttons(const MessageLog& log, HWND window) {
  return log.Of(window, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                         WM_RBUTTONUP, WM_RBUTTONDBLCLK});
}

TEST_F(InputTest, AClickReachesTheWindowUnderItInClientCoordinates) {
  const HWND frame = TopLevel(100, 100, 200, 200);
  const HWND child = Child(frame, 20, 30, 50, 50);
  Pump();
  Log().Clear();
  InjectClick(child, {5, 6});
  Pump();
  EXPECT_THAT(Buttons(Log(), child), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP));
  const auto downs = Log().All(WM_LBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 6);
  EXPECT_EQ(downs[0].wParam & MK_LBUTTON, MK_LBUTTON);
  // The cursor was asked for on the way, with the hit-test code and the mouse message.
  const auto cursors = Log().All(WM_SETCURSOR);
  ASSERT_FALSE(cursors.empty());
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(cursors.back().lParam)), HTCLIENT);
  EXPECT_TRUE(Buttons(Log(), frame).empty());
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleTheTimeAndTheSamePlace) {
  const HWND plain = TopLevel(0, 0, 100, 100);
  const HWND doubles = TopLevel(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, kDoubleClickClass);
  Pump();
  Log().Clear();
  InjectClick(doubles, {10, 10});
  AdvanceVirtualClock(200);
  InjectClick(doubles, {11, 10});
  AdvanceVirtualClock(200);
  InjectClick(doubles, {11, 10});  // a third click starts over
  Pump();
  EXPECT_THAT(Buttons(Log(), doubles), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                                   WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP));
  Log().Clear();
  AdvanceVirtualClock(1000);
  InjectClick(doubles, {10, 10});
  AdvanceVirtualClock(501);  // too slow
  InjectClick(doubles, {10, 10});
  AdvanceVirtualClock(100);
  InjectClick(doubles, {30, 30});  // too far
  InjectClick(plain, {5, 5});
  InjectClick(plain, {5, 5});  // no CS_DBLCLKS
  Pump();
  EXPECT_TRUE(Log().All(WM_LBUTTONDBLCLK).empty());
}

// A busy program reads the second press late: the desktop's own times decide.
TEST_F(InputTest, ADoubleClickIsTimedByTheDesktopsTimesWhenItGivesThem) {
  const HWND doubles = TopLevel(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, kDoubleClickClass);
  Pump();
  Log().Clear();
  InjectMouseButton(MouseButton::kLeft, true, {210, 10}, 5000);
  InjectMouseButton(MouseButton::kLeft, false, {210, 10}, 5050);
  AdvanceVirtualClock(900);
  InjectMouseButton(MouseButton::kLeft, true, {210, 10}, 5200);
  InjectMouseButton(MouseButton::kLeft, false, {210, 10}, 5250);
  AdvanceVirtualClock(100);
  InjectMouseButton(MouseButton::kLeft, true, {210, 10}, 5251);
  InjectMouseButton(MouseButton::kLeft, false, {210, 10}, 5300);
  InjectMouseButton(MouseButton::kLeft, true, {210, 10}, 5900);  // too slow by the desktop
  Pump();
  EXPECT_THAT(Buttons(Log(), doubles),
              ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                          WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN));
}

// A quick hand clicks elsewhere before the window that holds the mouse since its own press has
// handled that press's release (a dialog's Cancel): the second click goes where it was made.
TEST_F(InputTest, AClickReadWhileAnEarlierPressHoldsTheMouseGoesWhereItWasMade) {
  const HWND left = TopLevel(0, 0, 100, 100);
  const HWND right = TopLevel(200, 0, 100, 100);
  Pump();
  InjectMouseButton(MouseButton::kLeft, true, {50, 50});
  Pump();
  SetCapture(left);  // as a button does at its press
  Log().Clear();
  InjectMouseButton(MouseButton::kLeft, false, {50, 50});
  InjectMouseButton(MouseButton::kLeft, true, {250, 50});
  InjectMouseButton(MouseButton::kLeft, false, {250, 50});
  MSG release;
  ASSERT_TRUE(PeekMessage(&release, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));
  EXPECT_EQ(release.hwnd, left);
  ReleaseCapture();  // the release handled
  Pump();
  EXPECT_THAT(Buttons(Log(), right), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP));
  EXPECT_TRUE(Buttons(Log(), left).empty());
}

// The same quick click, when the release before it ends a modal dialog: the button that held the
// mouse goes with the dialog before the click is read, and the click still reaches the window
// the dialog gave back.
TEST_F(InputTest, AClickQueuedToAButtonThatHoldsTheMouseOutlivesTheButtonsDialog) {
  const HWND owner = TopLevel(200, 0, 100, 100);
  const HWND dialog = TopLevel(0, 0, 100, 100);
  Pump();
  EnableWindow(owner, FALSE);
  InjectMouseButton(MouseButton::kLeft, true, {50, 50});
  Pump();
  SetCapture(dialog);  // as the Cancel button does at its press
  Log().Clear();
  const int32_t beeps = BeepCount();
  InjectMouseButton(MouseButton::kLeft, false, {50, 50});
  InjectMouseButton(MouseButton::kLeft, true, {250, 50});
  InjectMouseButton(MouseButton::kLeft, false, {250, 50});
  MSG release;
  ASSERT_TRUE(PeekMessage(&release, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));
  EXPECT_EQ(release.hwnd, dialog);
  // The release handled: the button lets the mouse go and the dialog ends and is destroyed.
  ReleaseCapture();
  EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
  Pump();
  EXPECT_THAT(Buttons(Log(), owner), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP))
      << "the click behind the dialog's last one was lost with it";
  EXPECT_EQ(BeepCount(), beeps);
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
}

TEST_F(InputTest, CaptureSendsTheMouseToOneWindowWhereverItIs) {
  const HWND left = TopLevel(0, 0, 100, 100);
  const HWND right = TopLevel(200, 0, 100, 100);
  Pump();
  SetCapture(left);
  Log().Clear();
  InjectMouseMove({250, 50});
  InjectMouseButton(MouseButton::kLeft, true, {250, 50});
  Pump();
  const auto moves = Log().All(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].window, left);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 250);
  EXPECT_TRUE(Log().Of(right, {WM_MOUSEMOVE, WM_LBUTTONDOWN}).empty());
  SetCapture(right);
  EXPECT_EQ(Log().All(WM_CAPTURECHANGED).back().window, left);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  Log().Clear();
  InjectMouseMove({50, 50});
  Pump();
  EXPECT_EQ(Log().All(WM_MOUSEMOVE).back().window, left);
}

TEST_F(InputTest, TheButtonStatePolledWithoutPumpingIsThePhysicalOne) {
  const HWND window = TopLevel(0, 0, 100, 100);
  Pump();
  InjectMouseButton(MouseButton::kLeft, true, {10, 10});
  // A tracking loop that has not read its messages yet still sees the button down ...
  EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
  Pump();
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
  // ... and up, before the message says so.
  InjectMouseButton(MouseButton::kLeft, false, {10, 10});
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
  Pump();
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
  (void)window;
}

TEST_F(InputTest, ADisabledWindowBeepsInsteadOfTakingTheClick) {
  const HWND window = TopLevel(0, 0, 100, 100);
  Pump();
  EnableWindow(window, FALSE);
  Log().Clear();
  const int32_t beeps = BeepCount();
  InjectClick(window, {10, 10});
  Pump();
  EXPECT_TRUE(Buttons(Log(), window).empty());
  EXPECT_EQ(BeepCount(), beeps + 1);
  const auto cursors = Log().All(WM_SETCURSOR);
  ASSERT_FALSE(cursors.empty());
  EXPECT_EQ(static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(cursors.back().lParam))), HTERROR);
}

// A click that comes while a window is disabled waits behind the input before it, which may
// enable the window again (the click on a modal dialog's Cancel with the next one right behind
// it): the window takes it if it is enabled by the time the click is read, and beeps only if
// it is still disabled then.
TEST_F(InputTest, AClickQueuedBehindWhatEnablesItsWindowReachesIt) {
  const HWND window = TopLevel(0, 0, 100, 100);
  const HWND other = TopLevel(200, 0, 100, 100);
  Pump();
  SetActiveWindow(other);
  EnableWindow(window, FALSE);
  Log().Clear();
  const int32_t beeps = BeepCount();
  InjectClick(window, {10, 10});
  EnableWindow(window, TRUE);
  Pump();
  EXPECT_THAT(Buttons(Log(), window), ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONUP));
  EXPECT_EQ(BeepCount(), beeps);
  EXPECT_EQ(GetActiveWindow(), window) << "the press did not activate its window";

  EnableWindow(window, FALSE);
  Log().Clear();
  InjectClick(window, {10, 10});
  Pump();
  EXPECT_TRUE(Buttons(Log(), window).empty());
  EXPECT_EQ(BeepCount(), beeps + 1);
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0) << "the refused click left the button down";
}

TEST_F(InputTest, WaitingMovesMergeButClicksBetweenThemDoNot) {
  const HWND window = TopLevel(0, 0, 100, 100);
  Pump();
  Log().Clear();
  InjectMouseMove({10, 10});
  InjectMouseMove({11, 10});
  InjectMouseMove({12, 10});
  InjectMouseButton(MouseButton::kLeft, true, {12, 10});
  InjectMouseMove({13, 10});
  Pump();
  EXPECT_THAT(Log().Of(window, {WM_MOUSEMOVE, WM_LBUTTONDOWN}),
              ElementsAre(WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEMOVE));
  EXPECT_EQ(GET_X_LPARAM(Log().All(WM_MOUSEMOVE).front().lParam), 12);
}

TEST_F(InputTest, KeysGoToTheFocusWindowAndAltMakesSystemKeys) {
  const HWND frame = TopLevel(0, 0, 100, 100);
  const HWND field = Child(frame, 0, 0, 50, 20);
  SetFocus(field);
  Pump();
  Log().Clear();
  InjectKeyStroke('X');
  InjectKey(VK_MENU, true);
  InjectKeyStroke('F');
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_THAT(
      Log().Of(field, {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}),
      ElementsAre(WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSKEYUP));
  EXPECT_TRUE(Log().Of(frame, {WM_KEYDOWN}).empty());
}

// A click read before the keys typed after it moves the focus: the keys follow it, as they do
// when a person clicks a field and types at once.
TEST_F(InputTest, KeysWaitingInTheQueueGoWhereTheFocusIsWhenTheyAreRead) {
  const HWND frame = TopLevel(0, 0, 100, 100);
  const HWND first = Child(frame, 0, 0, 50, 20);
  const HWND second = Child(frame, 0, 30, 50, 20);
  SetFocus(first);
  Pump();
  Log().Clear();
  InjectKeyStroke(VK_HOME);
  InjectCharacter('a');
  SetFocus(second);
  Pump();
  EXPECT_TRUE(Log().Of(first, {WM_KEYDOWN, WM_KEYUP, WM_CHAR}).empty());
  EXPECT_THAT(Log().Of(second, {WM_KEYDOWN, WM_KEYUP, WM_CHAR}),
              ElementsAre(WM_KEYDOWN, WM_KEYUP, WM_CHAR));
}

TEST_F(InputTest, TheClassCursorIsSetOverTheClientArea) {
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.lpszClassName = "CrossCursor";
  windowClass.hCursor = LoadCursor(nullptr, IDC_CROSS);
  RegisterClass(&windowClass);
  const HWND window = CreateWindowEx(0, "CrossCursor", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                     nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  InjectMouseMove({10, 10});
  CursorInfo info;
  ASSERT_TRUE(DescribeCursor(GetCursor(), &info));
  EXPECT_EQ(info.id, IDC_CROSS);
  EXPECT_EQ(LoadCursor(nullptr, 12345), nullptr);
}

TEST_F(InputTest, AClassCursorReplacedReachesEveryWindowOfTheClass) {
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.lpszClassName = "Changing";
  windowClass.hCursor = LoadCursor(nullptr, IDC_CROSS);
  RegisterClass(&windowClass);
  const HWND first = CreateWindowEx(0, "Changing", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                    nullptr, nullptr, nullptr);
  const HWND second = CreateWindowEx(0, "Changing", "", WS_POPUP | WS_VISIBLE, 100, 0, 50, 50,
                                     nullptr, nullptr, nullptr);
  const HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
  EXPECT_EQ(SetClassLongPtr(first, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hand)),
            reinterpret_cast<uintptr_t>(LoadCursor(nullptr, IDC_CROSS)));
  EXPECT_EQ(GetClassLongPtr(second, GCLP_HCURSOR), reinterpret_cast<uintptr_t>(hand));
  EXPECT_EQ(SetClassLongPtr(first, -6, 0), 0u);  // not a class field kept here
  InjectMouseMove({110, 10});
  CursorInfo info;
  ASSERT_TRUE(DescribeCursor(GetCursor(), &info));
  EXPECT_EQ(info.id, IDC_HAND);
}

}  // namespace

// A desktop that keeps the bells it was asked to ring.
class RecordingBell : public QuietDesktop {
 public:
  void RingBell(int32_t frequency, int32_t milliseconds) override {
    rung.emplace_back(frequency, milliseconds);
  }
  std::vector<std::pair<int32_t, int32_t>> rung;
};

TEST_F(InputTest, TonesAndThePlainBellReachTheDesktopAndToneOutOfHearingIsRefused) {
  RecordingBell desktop;
  SetWindowPresenter(&desktop);
  const int32_t beeps = BeepCount();
  EXPECT_TRUE(Beep(2000, 100));
  MessageBeep(0);
  EXPECT_FALSE(Beep(20, 100));
  SetWindowPresenter(nullptr);
  EXPECT_EQ(BeepCount(), beeps + 2);
  EXPECT_EQ(desktop.rung, (std::vector<std::pair<int32_t, int32_t>>{{2000, 100}, {0, 0}}));
}
