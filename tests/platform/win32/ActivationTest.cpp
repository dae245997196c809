// Which window is active and how top-level windows are stacked: owned windows stay in front of
// their owner, and the pop-ups that only show something for another window never activate.

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class ActivationTest : public WindowTest {
 protected:
  HWND Owned(HWND owner, DWORD style = WS_POPUP | WS_CAPTION | WS_VISIBLE, DWORD exStyle = 0) {
    return CreateWindowEx(exStyle, kRecorderClass, "owned", style, 20, 20, 80, 60, owner, nullptr,
                          nullptr);
  }
  // The top-level windows from the front to the back.
  static std::vector<HWND> Stack() {
    std::vector<HWND> stack;
    for (HWND top = GetTopWindow(nullptr); top; top = GetWindow(top, GW_HWNDNEXT))
      stack.push_back(top);
    return stack;
  }
};

TEST_F(ActivationTest, AnOwnerBroughtToTheFrontBringsWhatItOwnsAlongInFrontOfIt) {
  const HWND owner = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND palette = Owned(owner);
  const HWND inspector = Owned(owner);
  const HWND picker = Owned(inspector);  // owned by an owned window
  const HWND other = TopLevel(50, 50, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  EXPECT_EQ(Stack(), (std::vector<HWND>{other, picker, inspector, palette, owner}));

  // Activated by a click, the owner comes in front of the other window with all it owns still
  // in front of it, in their order.
  InjectClick(owner, POINT{5, 5});
  Pump();
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(Stack(), (std::vector<HWND>{picker, inspector, palette, owner, other}));

  // An owned window sent to the back, or its owner raised over it, stays in front of the owner.
  SetWindowPos(palette, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(Stack(), (std::vector<HWND>{picker, inspector, palette, owner, other}));
  BringWindowToTop(other);
  BringWindowToTop(owner);
  EXPECT_EQ(Stack(), (std::vector<HWND>{picker, inspector, palette, owner, other}));
}

TEST_F(ActivationTest, APopupThatShowsForAnotherWindowNeverActivates) {
  const HWND owner = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND edit = Child(owner, 10, 10, 100, 20);
  SetFocus(edit);
  // Shown as a tip is, and as a careless caller would: neither activates it.
  const HWND tip = Owned(owner, WS_POPUP | WS_BORDER, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  EXPECT_TRUE(NeverActivates(tip));
  EXPECT_FALSE(NeverActivates(owner));
  SetWindowPos(tip, HWND_TOPMOST, 120, 120, 60, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ShowWindow(tip, SW_SHOW);
  EXPECT_EQ(SetActiveWindow(tip), owner);
  // Nor does a click on it.
  InjectClick(tip, POINT{5, 5});
  Pump();
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(Stack().front(), tip);

  // When the active window goes, the next one to be active is a window that can be, not the
  // pop-up in front of it.
  const HWND other = TopLevel(50, 50, 100, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND list = Owned(other, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  ASSERT_EQ(GetActiveWindow(), other);
  ASSERT_TRUE(IsWindowVisible(tip));
  DestroyWindow(other);
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(GetActiveWindow(), owner);
}

}  // namespace
