#include "platform/win32/Window.h"

#include <gtest/gtest.h>

#include "platform/win32/WindowPaint.h"
#include "tests/platform/win32/WindowTestSupport.h"

using ::testing::ElementsAre;

namespace {

TEST_F(WindowTest, CreationSendsItsMessagesInOrderAndActivatesAShownTopLevelWindow) {
  const HWND window = TopLevel();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_THAT(Log().Of(window, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE,
                                WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}),
              ElementsAre(WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
                          WM_ACTIVATE, WM_SETFOCUS));
  EXPECT_EQ(GetActiveWindow(), window);
  EXPECT_EQ(GetFocus(), window);
  const auto sizes = Log().All(WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(sizes.front().lParam)), 200);
  EXPECT_EQ(HIWORD(static_cast<uintptr_t>(sizes.front().lParam)), 150);
}

TEST_F(WindowTest, RefusedCreationReturnsNullAndStillSendsTheDestroyMessages) {
  Log().handlers[WM_CREATE] = [](HWND, WPARAM, LPARAM) -> LRESULT { return -1; };
  const HWND window = TopLevel();
  EXPECT_EQ(window, nullptr);
  const auto destroys = Log().Of(nullptr, {WM_DESTROY, WM_NCDESTROY});
  EXPECT_THAT(destroys, ElementsAre(WM_DESTROY, WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(Log().entries.front().window));
}

TEST_F(WindowTest, DestructionGoesDownForDestroyAndUpForNcDestroyAndKillsTheHandle) {
  const HWND parent = TopLevel();
  const HWND child = Child(parent, 0, 0, 10, 10);
  const HWND grandchild = Child(child, 0, 0, 5, 5);
  Log().Clear();
  EXPECT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (const LoggedMessage& entry : Log().entries)
    if (entry.message == WM_DESTROY || entry.message == WM_NCDESTROY)
      order.emplace_back(entry.window, entry.message);
  EXPECT_THAT(order,
              ElementsAre(std::pair(parent, WM_DESTROY), std::pair(child, WM_DESTROY),
                          std::pair(grandchild, WM_DESTROY), std::pair(grandchild, WM_NCDESTROY),
                          std::pair(child, WM_NCDESTROY), std::pair(parent, WM_NCDESTROY)));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  // A stale handle is refused, and a new window never gets it back.
  EXPECT_FALSE(SetWindowText(child, "x"));
  EXPECT_NE(TopLevel(), parent);
}

TEST_F(WindowTest, OwnedWindowsGoFirstAndActivationReturnsToTheOwner) {
  const HWND owner = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND owned = CreateWindowEx(0, kRecorderClass, "owned", WS_POPUP | WS_VISIBLE, 10, 10, 50,
                                    50, owner, nullptr, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetActiveWindow(), owned);
  DestroyWindow(owned);
  EXPECT_EQ(GetActiveWindow(), owner);
  const HWND second = CreateWindowEx(0, kRecorderClass, "owned", WS_POPUP | WS_VISIBLE, 10, 10, 50,
                                     50, owner, nullptr, nullptr);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(second));
}

TEST_F(WindowTest, FramesShrinkTheClientAreaAndCoordinatesConvert) {
  const HWND frame = TopLevel(50, 40, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  RECT window;
  RECT client;
  GetWindowRect(frame, &window);
  GetClientRect(frame, &client);
  EXPECT_EQ(window.left, 50);
  EXPECT_EQ(window.right, 350);
  const int32_t frameWidth = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(client.right, 300 - 2 * frameWidth);
  EXPECT_EQ(client.bottom, 200 - 2 * frameWidth - GetSystemMetrics(SM_CYCAPTION));
  RECT adjusted = client;
  AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adjusted.right - adjusted.left, 300);
  EXPECT_EQ(adjusted.bottom - adjusted.top, 200);

  const HWND child = Child(frame, 10, 20, 30, 30);
  POINT point{0, 0};
  ClientToScreen(child, &point);
  EXPECT_EQ(point.x, 50 + frameWidth + 10);
  EXPECT_EQ(point.y, 40 + frameWidth + GetSystemMetrics(SM_CYCAPTION) + 20);
  ScreenToClient(frame, &point);
  EXPECT_EQ(point.x, 10);
  EXPECT_EQ(point.y, 20);
}

TEST_F(WindowTest, ZOrderDecidesWhichWindowIsUnderAPoint) {
  const HWND parent = TopLevel(0, 0, 200, 200);
  const HWND lower = Child(parent, 10, 10, 100, 100, 1);
  const HWND upper = Child(parent, 50, 50, 100, 100, 2);
  EXPECT_EQ(WindowFromPoint({60, 60}), upper);
  EXPECT_EQ(WindowFromPoint({20, 20}), lower);
  EXPECT_EQ(WindowFromPoint({190, 5}), parent);
  BringWindowToTop(lower);
  EXPECT_EQ(WindowFromPoint({60, 60}), lower);
  EXPECT_EQ(GetTopWindow(parent), lower);
  EXPECT_EQ(GetWindow(lower, GW_HWNDNEXT), upper);
  // Showing a child keeps its place among its siblings: the order Tab walks in a dialog.
  ShowWindow(upper, SW_SHOW);
  EXPECT_EQ(GetTopWindow(parent), lower);
  // Hidden and disabled children let the point through to what is behind.
  ShowWindow(lower, SW_HIDE);
  EXPECT_EQ(WindowFromPoint({60, 60}), upper);
  EnableWindow(upper, FALSE);
  EXPECT_EQ(WindowFromPoint({60, 60}), parent);
  EXPECT_EQ(GetDlgItem(parent, 2), upper);
  EXPECT_EQ(GetDlgCtrlID(upper), 2);
}

TEST_F(WindowTest, ExtraBytesAreBoundedAndUserDataIsKept) {
  const HWND window = TopLevel();
  EXPECT_EQ(SetWindowLongPtr(window, 8, 1234), 0);
  EXPECT_EQ(GetWindowLongPtr(window, 8), 1234);
  // The class asked for 16 bytes: offset 9 would reach past them.
  EXPECT_EQ(SetWindowLongPtr(window, 9, 99), 0);
  EXPECT_EQ(GetWindowLongPtr(window, 9), 0);
  EXPECT_EQ(GetWindowLongPtr(window, 100000), 0);
  SetWindowLongPtr(window, GWLP_USERDATA, 77);
  EXPECT_EQ(GetWindowLongPtr(window, GWLP_USERDATA), 77);
  EXPECT_EQ(GetWindowLongPtr(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&RecordingProc));
}

TEST_F(WindowTest, TextGoesThroughItsMessagesAndIsCutToTheBuffer) {
  const HWND window = TopLevel();
  SetWindowText(window, "Pendulum");
  EXPECT_EQ(GetWindowTextLength(window), 8);
  char small[5];
  EXPECT_EQ(GetWindowText(window, small, sizeof small), 4);
  EXPECT_STREQ(small, "Pend");
  EXPECT_EQ(GetWindowTextString(window), "Pendulum");
  EXPECT_FALSE(Log().All(WM_SETTEXT).empty());
}

TEST_F(WindowTest, ScrollPositionStaysInsideRangeAndPage) {
  const HWND window = TopLevel(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 10;
  info.nPos = 500;
  EXPECT_EQ(SetScrollInfo(window, SB_VERT, &info, TRUE), 90);
  EXPECT_EQ(SetScrollPos(window, SB_VERT, -5, FALSE), 90);
  EXPECT_EQ(GetScrollPos(window, SB_VERT), 0);
  SCROLLINFO out;
  out.fMask = SIF_ALL;
  GetScrollInfo(window, SB_VERT, &out);
  EXPECT_EQ(out.nMax, 99);
  EXPECT_EQ(out.nPage, 10u);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 100 - GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(WindowTest, ActivationAndFocusMessagesNameTheOtherWindow) {
  const HWND first = TopLevel(0, 0, 50, 50);
  const HWND field = Child(first, 0, 0, 10, 10);
  SetFocus(field);
  const HWND second = TopLevel(100, 0, 50, 50);
  EXPECT_EQ(GetActiveWindow(), second);
  bool sawKill = false;
  for (const LoggedMessage& entry : Log().All(WM_KILLFOCUS))
    if (entry.window == field) sawKill = true;
  EXPECT_TRUE(sawKill);
  const auto activates = Log().All(WM_ACTIVATE);
  const LoggedMessage& last = activates.back();
  EXPECT_EQ(last.window, second);
  EXPECT_EQ(reinterpret_cast<HWND>(last.lParam), first);
  // Clicking a field of the first window brings it back.
  SetFocus(field);
  EXPECT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(GetFocus(), field);
}

TEST_F(WindowTest, MaximizeFillsTheParentAndRestoreGivesTheOldRectangleBack) {
  const HWND frame = TopLevel(0, 0, 400, 300);
  const HWND child = Child(frame, 10, 10, 50, 50);
  ShowWindow(child, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(child));
  RECT rect;
  GetClientRect(child, &rect);
  EXPECT_EQ(rect.right, 400);
  const auto sizes = Log().All(WM_SIZE);
  EXPECT_EQ(sizes.back().wParam, SIZE_MAXIMIZED);
  ShowWindow(child, SW_RESTORE);
  GetWindowRect(child, &rect);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.right, 60);
  EXPECT_FALSE(IsZoomed(child));
}

}  // namespace
