// Progress bars: a 32-bit range, positions kept within it, steps that start over past the end,
// and a box filled in proportion to the position.

#include "platform/win32/Progress.h"

#include <gtest/gtest.h>

#include "platform/win32/Control.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

// A colour as the surface holds it (0x00RRGGBB).
uint32_t Rgb(COLORREF color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

class ProgressTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 100);
    bar = CreateWindowEx(0, kProgressClass, "", WS_CHILD | WS_VISIBLE, 10, 10, 102, 20, parent,
                         reinterpret_cast<HMENU>(101), nullptr);
  }
  int32_t Pos() { return static_cast<int32_t>(SendMessage(bar, PBM_GETPOS, 0, 0)); }
  HWND parent = nullptr;
  HWND bar = nullptr;
};

TEST_F(ProgressTest, TheRangeKeepsAll32BitsAndPositionsStayInside) {
  SendMessage(bar, PBM_SETRANGE32, static_cast<WPARAM>(static_cast<uint32_t>(-5)), 200000);
  PBRANGE range;
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), -5);
  EXPECT_EQ(range.iLow, -5);
  EXPECT_EQ(range.iHigh, 200000);
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE, 0), 200000);
  SendMessage(bar, PBM_SETPOS, 150000, 0);
  EXPECT_EQ(Pos(), 150000);
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 300000, 0), 150000);
  EXPECT_EQ(Pos(), 200000);
  SendMessage(bar, PBM_DELTAPOS, static_cast<WPARAM>(static_cast<uint32_t>(-300000)), 0);
  EXPECT_EQ(Pos(), -5);
  // The 16-bit form takes its two halves from lParam; a narrower range pulls the position in.
  SendMessage(bar, PBM_SETPOS, 150000, 0);
  SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(10, 20));
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, 0), 10);
  EXPECT_EQ(Pos(), 20);
}

TEST_F(ProgressTest, StepsStartOverPastTheHighEnd) {
  SendMessage(bar, PBM_SETRANGE32, 0, 100);
  EXPECT_EQ(SendMessage(bar, PBM_SETSTEP, 30, 0), 10);
  SendMessage(bar, PBM_STEPIT, 0, 0);
  SendMessage(bar, PBM_STEPIT, 0, 0);
  SendMessage(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(Pos(), 90);
  EXPECT_EQ(SendMessage(bar, PBM_STEPIT, 0, 0), 90);
  EXPECT_EQ(Pos(), 20);
}

TEST_F(ProgressTest, TheBoxFillsInProportion) {
  SendMessage(bar, PBM_SETRANGE32, 0, 4);
  SendMessage(bar, PBM_SETPOS, 1, 0);
  Pump();
  const WindowSurface* surface = GetWindowSurface(parent);
  // The inside runs from x = 11 to 110 in the parent: a quarter is filled.
  const int32_t y = 20;
  EXPECT_EQ(surface->Pixel(12, y), Rgb(kControlHighlight));
  EXPECT_EQ(surface->Pixel(34, y), Rgb(kControlHighlight));
  EXPECT_EQ(surface->Pixel(40, y), Rgb(kControlFace));
  SendMessage(bar, PBM_SETPOS, 4, 0);
  Pump();
  EXPECT_EQ(surface->Pixel(108, y), Rgb(kControlHighlight));
}

}  // namespace
