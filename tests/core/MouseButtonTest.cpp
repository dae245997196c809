#include "core/MouseButton.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

// A desktop that has the rest of a quick drag ready when it is first asked for news: two moves
// and the release all at once.
class TQuickDragDesktop : public QuietDesktop {
 public:
  void PollEvents() override {
    if (delivered_) return;
    delivered_ = true;
    InjectMouseMove({20, 10});
    InjectMouseMove({30, 10});
    InjectMouseButton(MouseButton::kLeft, false, {35, 10});
  }

 private:
  bool delivered_ = false;
};

class MouseButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = DefWindowProc;
    windowClass.lpszClassName = "MouseButtonTest";
    RegisterClass(&windowClass);
    CreateWindowEx(0, "MouseButtonTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                   nullptr, nullptr);
    // The press that starts the drag has been taken.
    InjectMouseButton(MouseButton::kLeft, true, {10, 10});
    MSG press;
    EXPECT_TRUE(PeekMessage(&press, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
  }
  void TearDown() override {
    SetWindowPresenter(nullptr);
    ResetWindowSystem();
    UseProcessClock();
  }
};

TEST_F(MouseButtonTest, AQuickDragsReleaseWaitsBehindItsMovesUntilTheyAreTaken) {
  TQuickDragDesktop desktop;
  SetWindowPresenter(&desktop);
  // Asking takes the desktop's news in: the button is physically up, but the moves wait.
  EXPECT_TRUE(IsMouseButtonDown());
  EXPECT_GE(GetAsyncKeyState(VK_LBUTTON), 0);
  MSG move;
  ASSERT_TRUE(PeekMessage(&move, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  EXPECT_EQ(GET_X_LPARAM(move.lParam), 30);
  EXPECT_FALSE(IsMouseButtonDown());
  // The release stays for the loop to read its point.
  MSG release;
  EXPECT_TRUE(PeekMessage(&release, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE));
}

TEST_F(MouseButtonTest, ASlowDragsReleaseEndsItAtOnceAndThenThePhysicalStateAnswers) {
  InjectMouseMove({20, 10});
  EXPECT_TRUE(IsMouseButtonDown());
  MSG message;
  ASSERT_TRUE(PeekMessage(&message, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  InjectMouseButton(MouseButton::kLeft, false, {20, 10});
  EXPECT_FALSE(IsMouseButtonDown());
  ASSERT_TRUE(PeekMessage(&message, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));
  EXPECT_FALSE(IsMouseButtonDown());
  // The next click's press is down before it is read.
  InjectMouseButton(MouseButton::kLeft, true, {20, 10});
  EXPECT_TRUE(IsMouseButtonDown());
}

}  // namespace
