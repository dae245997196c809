// Trackbars dragged, clicked and stepped with keys: what the parent hears.

#include "platform/win32/Trackbar.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class TrackbarTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 200);
    bar = CreateWindowEx(0, kTrackbarClass, "", WS_CHILD | WS_VISIBLE, 10, 10, 212, 30, parent,
                         reinterpret_cast<HMENU>(4), nullptr);
    SendMessage(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessage(bar, TBM_SETPOS, TRUE, 50);
    Pump();
    Log().Clear();
  }
  // The requests and positions the parent heard, as (request, position).
  std::vector<std::pair<WORD, WORD>> Heard() {
    std::vector<std::pair<WORD, WORD>> heard;
    for (const LoggedMessage& entry : Log().All(WM_HSCROLL)) {
      EXPECT_EQ(entry.lParam, reinterpret_cast<LPARAM>(bar));
      heard.emplace_back(LOWORD(entry.wParam), HIWORD(entry.wParam));
    }
    return heard;
  }
  POINT ThumbCentre() {
    RECT thumb;
    SendMessage(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT centre{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ClientToScreen(bar, &centre);
    return centre;
  }
  HWND parent = nullptr;
  HWND bar = nullptr;
};

TEST_F(TrackbarTest, DraggingTheThumbTracksThenSettlesOnce) {
  const POINT start = ThumbCentre();
  InjectMouseMove(start);
  InjectMouseButton(MouseButton::kLeft, true, start);
  Pump();
  // The channel is 200 pixels for 100 steps: 40 pixels right is 20 steps.
  InjectMouseMove(POINT{start.x + 20, start.y});
  Pump();
  InjectMouseMove(POINT{start.x + 40, start.y});
  Pump();
  InjectMouseButton(MouseButton::kLeft, false, POINT{start.x + 40, start.y});
  Pump();
  EXPECT_EQ(
      Heard(),
      (std::vector<std::pair<WORD, WORD>>{
          {TB_THUMBTRACK, 60}, {TB_THUMBTRACK, 70}, {TB_THUMBPOSITION, 70}, {TB_ENDTRACK, 70}}));
  EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), 70);
}

TEST_F(TrackbarTest, TheChannelPagesAndTheKeysStepThenEnd) {
  SendMessage(bar, TBM_SETPAGESIZE, 0, 25);
  SendMessage(bar, TBM_SETLINESIZE, 0, 3);
  InjectClick(bar, POINT{20, 15});  // left of the thumb
  Pump();
  InjectKeyStroke(VK_RIGHT);
  InjectKeyStroke(VK_END);
  InjectKeyStroke(VK_DOWN);  // already at the end
  Pump();
  EXPECT_EQ(Heard(), (std::vector<std::pair<WORD, WORD>>{{TB_PAGEUP, 25},
                                                         {TB_ENDTRACK, 25},
                                                         {TB_LINEDOWN, 28},
                                                         {TB_ENDTRACK, 28},
                                                         {TB_BOTTOM, 100},
                                                         {TB_ENDTRACK, 100},
                                                         {TB_LINEDOWN, 100},
                                                         {TB_ENDTRACK, 100}}));
  SendMessage(bar, TBM_SETRANGEMAX, FALSE, 40);
  EXPECT_EQ(SendMessage(bar, TBM_GETPOS, 0, 0), 40);  // kept within the new range
}

}  // namespace

namespace {

// The columns of the bar's bottom row that carry a tick mark.
std::vector<int32_t> TickColumns(HWND bar) {
  UpdateWindow(bar);
  RECT frame{};
  RECT area{};
  GetWindowRect(GetAncestorTopLevel(bar), &frame);
  GetWindowRect(bar, &area);
  const WindowSurface* surface = GetWindowSurface(bar);
  std::vector<int32_t> columns;
  for (int32_t x = area.left; x < area.right; ++x) {
    const uint32_t pixel = surface->Pixel(x - frame.left, area.bottom - 1 - frame.top);
    if ((pixel & 0xFF) == GetBValue(kControlEdge)) columns.push_back(x - area.left);
  }
  return columns;
}

TEST_F(TrackbarTest, TicksMarkEveryStepAndTheMaximumUnlessNoneAreAsked) {
  // 200 pixels of channel from x = 7 over 0..10: 20 pixels per position.
  const HWND ticked = CreateWindowEx(0, kTrackbarClass, "", WS_CHILD | WS_VISIBLE, 10, 42, 214, 30,
                                  parent, nullptr, nullptr);
  SendMessage(ticked, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  EXPECT_TRUE(TickColumns(ticked).empty());
  EXPECT_EQ(SendMessage(ticked, TBM_GETNUMTICS, 0, 0), 0);

  SendMessage(ticked, TBM_SETTICFREQ, 2, 0);
  EXPECT_EQ(TickColumns(ticked), (std::vector<int32_t>{7, 47, 87, 127, 167, 207}));
  EXPECT_EQ(SendMessage(ticked, TBM_GETNUMTICS, 0, 0), 6);

  // A step that does not divide the range still marks the maximum.
  SendMessage(ticked, TBM_SETTICFREQ, 4, 0);
  EXPECT_EQ(TickColumns(ticked), (std::vector<int32_t>{7, 87, 167, 207}));

  const HWND plain = CreateWindowEx(0, kTrackbarClass, "", WS_CHILD | WS_VISIBLE | TBS_NOTICKS, 10,
                                    80, 214, 30, parent, nullptr, nullptr);
  SendMessage(plain, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  SendMessage(plain, TBM_SETTICFREQ, 2, 0);
  EXPECT_TRUE(TickColumns(plain).empty());

  const HWND automatic = CreateWindowEx(0, kTrackbarClass, "",
                                        WS_CHILD | WS_VISIBLE | TBS_AUTOTICKS, 10, 118, 214, 30,
                                        parent, nullptr, nullptr);
  SendMessage(automatic, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  EXPECT_EQ(TickColumns(automatic).size(), 11u);
}

}  // namespace
