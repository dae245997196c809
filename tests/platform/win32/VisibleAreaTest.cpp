// A window's context reaches exactly the part of it that can be seen, however often the
// windows around it move, show, hide or change order between two contexts.

#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class VisibleAreaTest : public WindowTest {
 protected:
  // Fills the whole client area of `window` through a fresh context.
  void FillThrough(HWND window, COLORREF colour) {
    const HDC dc = GetDC(window);
    RECT all;
    GetClientRect(window, &all);
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
  }
  uint32_t Pixel(HWND top, int32_t x, int32_t y) { return GetWindowSurface(top)->Pixel(x, y); }
};

TEST_F(VisibleAreaTest, ContextsFollowEveryChangeOfTheWindowsAround) {
  const HWND top = TopLevel(0, 0, 300, 200, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  const HWND below =
      CreateWindowEx(0, kRecorderClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 100,
                     100, top, nullptr, nullptr);
  const HWND above =
      CreateWindowEx(0, kRecorderClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 200, 10, 50,
                     50, top, nullptr, nullptr);
  Pump();
  FillThrough(below, RGB(255, 0, 0));
  EXPECT_EQ(Pixel(top, 30, 30), 0xFF0000u);

  // The other window moves over it: the next context leaves that part alone.
  MoveWindow(above, 20, 20, 50, 50, FALSE);
  FillThrough(below, RGB(0, 0, 255));
  EXPECT_EQ(Pixel(top, 15, 15), 0x0000FFu);
  EXPECT_EQ(Pixel(top, 30, 30), 0xFF0000u);

  // Hidden, it clips nothing.
  ShowWindow(above, SW_HIDE);
  FillThrough(below, RGB(0, 255, 0));
  EXPECT_EQ(Pixel(top, 30, 30), 0x00FF00u);

  // Shown again but put behind, it clips nothing either; the parent is clipped by both.
  ShowWindow(above, SW_SHOWNA);
  SetWindowPos(above, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  FillThrough(below, RGB(255, 255, 0));
  EXPECT_EQ(Pixel(top, 30, 30), 0xFFFF00u);
  FillThrough(top, RGB(0, 0, 0));
  EXPECT_EQ(Pixel(top, 30, 30), 0xFFFF00u);
  EXPECT_EQ(Pixel(top, 150, 150), 0x000000u);

  // The window itself moves: its context moves with it.
  MoveWindow(below, 150, 100, 100, 80, FALSE);
  FillThrough(below, RGB(255, 0, 255));
  EXPECT_EQ(Pixel(top, 160, 110), 0xFF00FFu);
}

TEST_F(VisibleAreaTest, AContextKeepsTheAreaItsWindowHadWhenItWasTaken) {
  const HWND top = TopLevel(0, 0, 300, 200, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  const HWND below =
      CreateWindowEx(0, kRecorderClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 100,
                     100, top, nullptr, nullptr);
  const HWND above =
      CreateWindowEx(0, kRecorderClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 20, 20, 50,
                     50, top, nullptr, nullptr);
  Pump();
  const HDC early = GetDC(below);  // taken while the other window covers part of it
  MoveWindow(above, 200, 10, 50, 50, FALSE);
  RECT all{0, 0, 100, 100};
  const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(early, &all, red);
  ReleaseDC(below, early);
  EXPECT_EQ(Pixel(top, 15, 15), 0xFF0000u);
  EXPECT_NE(Pixel(top, 30, 30), 0xFF0000u);
  // A context taken now reaches the part that came free.
  FillThrough(below, RGB(255, 0, 0));
  EXPECT_EQ(Pixel(top, 30, 30), 0xFF0000u);
  DeleteObject(red);
}

}  // namespace
