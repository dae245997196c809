#include "platform/win32/Message.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/win32/Input.h"
#include "platform/win32/Timer.h"
#include "platform/win32/WindowPaint.h"
#include "tests/platform/win32/WindowTestSupport.h"

using ::testing::ElementsAre;

namespace {

class MessageTest : public WindowTest {};

TEST_F(MessageTest, PostedMessagesKeepTheirOrderAndFiltersChooseAmongThem) {
  const HWND a = TopLevel(0, 0, 50, 50);
  const HWND b = TopLevel(100, 0, 50, 50);
  Pump();
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(b, WM_USER + 2, 0, 0);
  PostMessage(a, WM_USER + 3, 0, 0);
  PostThreadMessage(WM_USER + 4, 0, 0);
  MSG message;
  ASSERT_TRUE(PeekMessage(&message, b, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER + 2);
  ASSERT_TRUE(PeekMessage(&message, nullptr, WM_USER + 3, WM_USER + 4, PM_NOREMOVE));
  EXPECT_EQ(message.message, WM_USER + 3);
  ASSERT_TRUE(PeekMessage(&message, kThreadMessagesOnly, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER + 4);
  ASSERT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER + 3);
  EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(12345), WM_USER, 0, 0));
}

TEST_F(MessageTest, QuitEndsGetMessageAndAnEmptyWorldEndsItWithMinusOne) {
  PostQuitMessage(3);
  MSG message;
  EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), FALSE);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 3u);
  // No presenter, no timer, no script: nothing can ever arrive.
  EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), -1);
}

TEST_F(MessageTest, PaintComesAfterPostedAndInputMessagesAndParentsPaintFirst) {
  const HWND parent = TopLevel(0, 0, 100, 100);
  const HWND child = Child(parent, 10, 10, 20, 20);
  Pump();
  Log().Clear();
  InvalidateRect(parent, nullptr, TRUE);
  PostMessage(child, WM_USER, 0, 0);
  InjectMouseMove({15, 15});
  Pump();
  std::vector<std::pair<HWND, UINT>> order;
  for (const LoggedMessage& entry : Log().entries)
    if (entry.message == WM_USER || entry.message == WM_MOUSEMOVE || entry.message == WM_PAINT)
      order.emplace_back(entry.window, entry.message);
  EXPECT_THAT(order, ElementsAre(std::pair(child, WM_USER), std::pair(child, WM_MOUSEMOVE),
                                 std::pair(parent, WM_PAINT), std::pair(child, WM_PAINT)));
  EXPECT_FALSE(GetUpdateRect(parent, nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(child, nullptr, FALSE));
}

TEST_F(MessageTest, UpdateAreasGrowAndShrinkAndOnlyErasingInvalidationsErase) {
  const HWND window = TopLevel(0, 0, 100, 100);
  Pump();
  Log().Clear();
  RECT left{0, 0, 50, 100};
  RECT right{50, 0, 100, 100};
  InvalidateRect(window, &left, FALSE);
  RECT box;
  ASSERT_TRUE(GetUpdateRect(window, &box, FALSE));
  EXPECT_EQ(box.right, 50);
  InvalidateRect(window, &right, FALSE);
  GetUpdateRect(window, &box, FALSE);
  EXPECT_EQ(box.right, 100);
  ValidateRect(window, nullptr);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  Pump();
  EXPECT_TRUE(Log().All(WM_PAINT).empty());

  InvalidateRect(window, &left, FALSE);
  Pump();
  EXPECT_EQ(Log().All(WM_PAINT).size(), 1u);
  EXPECT_TRUE(Log().All(WM_ERASEBKGND).empty());
  InvalidateRect(window, &left, TRUE);
  UpdateWindow(window);  // paints at once, without the queue
  EXPECT_EQ(Log().All(WM_PAINT).size(), 2u);
  EXPECT_EQ(Log().All(WM_ERASEBKGND).size(), 1u);
  // Nothing to paint: UpdateWindow sends nothing.
  UpdateWindow(window);
  EXPECT_EQ(Log().All(WM_PAINT).size(), 2u);
}

TEST_F(MessageTest, HiddenWindowsGetNoPaintAndUncoveringRepaintsWhatWasBelow) {
  const HWND below = TopLevel(0, 0, 100, 100);
  const HWND above = TopLevel(20, 20, 30, 30);
  Pump();
  Log().Clear();
  ShowWindow(above, SW_HIDE);
  InvalidateRect(above, nullptr, TRUE);
  Pump();
  ASSERT_EQ(Log().All(WM_PAINT).size(), 1u);
  EXPECT_EQ(Log().All(WM_PAINT).front().window, below);
}

TEST_F(MessageTest, TimersFireOnTheVirtualClockOneAtATime) {
  const HWND window = TopLevel();
  Pump();
  Log().Clear();
  ASSERT_EQ(SetTimer(window, 7, 100, nullptr), 7u);
  MSG message;
  AdvanceVirtualClock(99);
  EXPECT_FALSE(PeekMessage(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  AdvanceVirtualClock(500);  // five intervals late: still one message
  ASSERT_TRUE(PeekMessage(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_FALSE(PeekMessage(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  // GetMessage moves the virtual clock to the next deadline instead of waiting.
  const DWORD before = GetTickCount();
  ASSERT_TRUE(GetMessage(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, WM_TIMER);
  EXPECT_EQ(GetTickCount() - before, 100u);
  DispatchMessage(&message);
  EXPECT_EQ(Log().All(WM_TIMER).size(), 1u);
  EXPECT_TRUE(KillTimer(window, 7));
  EXPECT_FALSE(KillTimer(window, 7));
  EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), -1);
}

TEST_F(MessageTest, ATimerThatOnlyWakesTheLoopDoesNotMoveTheVirtualClock) {
  const HWND window = TopLevel();
  Pump();
  ASSERT_EQ(SetTimer(window, 4096, 3000, nullptr), 4096u);
  EXPECT_TRUE(SetTimerWakesOnly(window, 4096));
  EXPECT_FALSE(SetTimerWakesOnly(window, 4097));
  MSG message;
  const DWORD before = GetTickCount();
  EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), -1);
  EXPECT_EQ(GetTickCount(), before);
  // Still delivered when its time comes, and a working timer still moves the clock past it.
  ASSERT_EQ(SetTimer(window, 8, 5000, nullptr), 8u);
  ASSERT_TRUE(GetMessage(&message, nullptr, 0, 0));
  EXPECT_EQ(message.wParam, 4096u);
  EXPECT_EQ(GetTickCount() - before, 5000u);
}

int gTimerCalls = 0;
void CountingTimer(HWND, UINT, UINT_PTR, DWORD) {
  ++gTimerCalls;
}

TEST_F(MessageTest, TimerProceduresRunFromDispatchAndDeadlinesSurviveTheWrap) {
  UseVirtualClock(0xFFFFFF00u);
  gTimerCalls = 0;
  const UINT_PTR id = SetTimer(nullptr, 0, 0x180, CountingTimer);
  ASSERT_NE(id, 0u);
  MSG message;
  AdvanceVirtualClock(0x100);  // the clock wraps to 0
  EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  AdvanceVirtualClock(0x80);
  ASSERT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  DispatchMessage(&message);
  EXPECT_EQ(gTimerCalls, 1);
  KillTimer(nullptr, id);
}

TEST_F(MessageTest, DestroyingAWindowDropsItsTimersAndQueuedMessages) {
  const HWND window = TopLevel();
  SetTimer(window, 1, 10, nullptr);
  PostMessage(window, WM_USER, 0, 0);
  DestroyWindow(window);
  AdvanceVirtualClock(100);
  MSG message;
  EXPECT_FALSE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, TranslateMessageMakesCharactersWithTheShiftState) {
  const HWND window = TopLevel();
  Pump();
  Log().Clear();
  InjectKeyStroke('A');
  InjectKey(VK_SHIFT, true);
  InjectKeyStroke('A');
  InjectKeyStroke('1');
  InjectKey(VK_SHIFT, false);
  InjectKeyStroke(VK_LEFT);
  Pump();
  std::vector<WPARAM> characters;
  for (const LoggedMessage& entry : Log().All(WM_CHAR)) {
    EXPECT_EQ(entry.window, window);
    characters.push_back(entry.wParam);
  }
  EXPECT_THAT(characters, ElementsAre('a', 'A', '!'));
}

TEST_F(MessageTest, AnIdleScriptPlaysTheUserWhileAModalLoopWaits) {
  const HWND window = TopLevel(0, 0, 100, 100);
  int32_t step = 0;
  SetIdleScript([&] {
    if (step++ > 0) return false;
    InjectClick(window, {5, 5});
    return true;
  });
  MSG message;
  bool sawClick = false;
  while (GetMessage(&message, nullptr, 0, 0) > 0) {
    DispatchMessage(&message);
    if (message.message == WM_LBUTTONUP) {
      sawClick = true;
      break;
    }
  }
  EXPECT_TRUE(sawClick);
}

// A loop that takes the mouse moves one by one and only looks at the buttons comes to the
// release after every move in front of it; a press waiting first belongs to a click not yet
// begun.
TEST_F(MessageTest, TheWaitingReleaseIsFoundWhereTheMovesLeaveIt) {
  TopLevel(0, 0, 100, 100);
  MSG message;
  EXPECT_EQ(WaitingLeftRelease(), LeftRelease::kNone);
  InjectMouseButton(MouseButton::kLeft, true, {10, 10});
  EXPECT_EQ(WaitingLeftRelease(), LeftRelease::kNone) << "a press is no release";
  ASSERT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  InjectMouseMove({20, 10});
  InjectKeyStroke('A');
  InjectMouseMove({30, 10});
  InjectMouseButton(MouseButton::kLeft, false, {40, 12});
  InjectMouseMove({50, 50});
  // The key between the moves keeps them apart.
  for (const int32_t x : {20, 30}) {
    EXPECT_EQ(WaitingLeftRelease(), LeftRelease::kBehindMove);
    ASSERT_TRUE(PeekMessage(&message, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(GET_X_LPARAM(message.lParam), x);
  }
  // Keys in front do not hold the release back, nor the move behind it.
  MSG release;
  ASSERT_EQ(WaitingLeftRelease(&release), LeftRelease::kNext);
  EXPECT_EQ(release.message, WM_LBUTTONUP);
  EXPECT_EQ(GET_X_LPARAM(release.lParam), 40);
  EXPECT_EQ(GET_Y_LPARAM(release.lParam), 12);
  ASSERT_TRUE(PeekMessage(&message, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));
  EXPECT_EQ(WaitingLeftRelease(), LeftRelease::kNone);
  // The next click's press comes before its release.
  InjectMouseButton(MouseButton::kLeft, true, {50, 50});
  InjectMouseButton(MouseButton::kLeft, false, {50, 50});
  EXPECT_EQ(WaitingLeftRelease(), LeftRelease::kNone);
}

// A desktop whose waits end at once, noting how long each was meant to last; `during` is what
// arrives while the program sleeps. It is the presenter while it lives.
class NotingDesktop : public QuietDesktop {
 public:
  NotingDesktop() { SetWindowPresenter(this); }
  ~NotingDesktop() override { SetWindowPresenter(nullptr); }
  bool WaitForEvents(int32_t timeout) override {
    waits.push_back(timeout);
    return false;
  }
  bool WaitForEventsOrDescriptors(int32_t timeout, std::span<pollfd> descriptors) override {
    waits.push_back(timeout);
    if (during) during();
    poll(descriptors.data(), descriptors.size(), 0);
    return false;
  }
  std::vector<int32_t> waits;
  std::function<void()> during;
};

// With a socket watched, the loop sleeps once until the next timer, and a word written on the
// socket meanwhile ends the sleep and is served.
TEST_F(MessageTest, TheLoopSleepsOnceForTheDesktopTheSocketsAndTheNextTimer) {
  UseProcessClock();
  NotingDesktop desktop;
  int sockets[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  int32_t served = 0;
  const int32_t source = AddMessageSource({[&] { return std::vector<int>{sockets[0]}; },
                                           [&] {
                                             char word;
                                             if (read(sockets[0], &word, 1) == 1) ++served;
                                           },
                                           nullptr});
  const HWND window = TopLevel();
  Pump();
  SetTimer(window, 1, 500, nullptr);
  EXPECT_TRUE(WaitMessage());
  ASSERT_EQ(desktop.waits.size(), 1u) << "the wait was cut into turns";
  EXPECT_GT(desktop.waits.front(), 250);
  EXPECT_LE(desktop.waits.front(), 500);

  desktop.during = [&] { ASSERT_EQ(write(sockets[1], "x", 1), 1); };
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(desktop.waits.size(), 2u);
  EXPECT_EQ(served, 1);
  RemoveMessageSource(source);
  close(sockets[0]);
  close(sockets[1]);
}

}  // namespace
