// Trackbars dragged, clicked and stepped with keys: what the parent hears.

#include "platform/win32/Trackbar.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
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
