#include "platform/win32/WindowPaint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

// Windows of this class paint their whole client area in the colour kept in their user data.
LRESULT FillingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const HBRUSH brush =
        CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtr(window, GWLP_USERDATA)));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return 0;
  }
  return RecordingProc(window, message, wParam, lParam);
}

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr uint32_t kRedPixel = 0xFF0000;
constexpr uint32_t kBluePixel = 0x0000FF;
constexpr uint32_t kGreenPixel = 0x00FF00;

class WindowPaintTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = FillingProc;
    windowClass.lpszClassName = "Filling";
    windowClass.background = kNoBackground;
    RegisterClass(&windowClass);
  }
  HWND Filled(HWND parent, DWORD style, int32_t x, int32_t y, int32_t width, int32_t height,
              COLORREF color) {
    const HWND window =
        CreateWindowEx(0, "Filling", "", style, x, y, width, height, parent, nullptr, nullptr);
    SetWindowLongPtr(window, GWLP_USERDATA, static_cast<LONG_PTR>(color));
    return window;
  }
  uint32_t PixelAt(HWND window, int32_t x, int32_t y) {
    return GetWindowSurface(window)->Pixel(x, y);
  }
};

TEST_F(WindowPaintTest, ChildrenPaintOverTheirParentInTheTopLevelSurface) {
  const HWND top = Filled(nullptr, WS_POPUP | WS_VISIBLE, 100, 100, 100, 80, kRed);
  const HWND child = Filled(top, WS_CHILD | WS_VISIBLE, 10, 20, 30, 30, kBlue);
  ASSERT_NE(child, nullptr);
  Pump();
  EXPECT_EQ(PixelAt(top, 5, 5), kRedPixel);
  EXPECT_EQ(PixelAt(top, 10, 20), kBluePixel);
  EXPECT_EQ(PixelAt(top, 39, 49), kBluePixel);
  EXPECT_EQ(PixelAt(top, 40, 50), kRedPixel);
  // Repainting the parent alone does not cover a child when the parent clips its children.
  SetWindowLongPtr(top, GWL_STYLE, GetWindowLongPtr(top, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(top, nullptr, FALSE);
  ValidateRect(child, nullptr);
  SetWindowLongPtr(top, GWLP_USERDATA, kGreen);
  Pump();
  EXPECT_EQ(PixelAt(top, 5, 5), kGreenPixel);
  EXPECT_EQ(PixelAt(top, 15, 25), kBluePixel);
}

TEST_F(WindowPaintTest, PaintingReachesOnlyTheUpdateArea) {
  const HWND top = Filled(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, kRed);
  Pump();
  SetWindowLongPtr(top, GWLP_USERDATA, kGreen);
  RECT part{10, 10, 20, 20};
  InvalidateRect(top, &part, FALSE);
  Pump();
  EXPECT_EQ(PixelAt(top, 10, 10), kGreenPixel);
  EXPECT_EQ(PixelAt(top, 19, 19), kGreenPixel);
  EXPECT_EQ(PixelAt(top, 20, 20), kRedPixel);
  EXPECT_EQ(PixelAt(top, 50, 50), kRedPixel);
}

TEST_F(WindowPaintTest, ASiblingBehindCannotPaintOverTheOneInFront) {
  const HWND top = Filled(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, kRed);
  const HWND back = Filled(top, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 40, 40, kBlue);
  const HWND front = Filled(top, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 30, 30, 40, 40, kGreen);
  Pump();
  EXPECT_EQ(PixelAt(top, 35, 35), kGreenPixel);
  InvalidateRect(back, nullptr, FALSE);
  Pump();
  EXPECT_EQ(PixelAt(top, 35, 35), kGreenPixel);
  EXPECT_EQ(PixelAt(top, 15, 15), kBluePixel);
  (void)front;
}

TEST_F(WindowPaintTest, TheDefaultEraseUsesTheClassBackgroundAndTheFrameIsDrawn) {
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.lpszClassName = "Yellow";
  windowClass.background = RGB(255, 255, 0);
  RegisterClass(&windowClass);
  const HWND top = CreateWindowEx(0, "Yellow", "Title", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 120,
                                  100, nullptr, nullptr, nullptr);
  Pump();
  POINT inside{5, 5};
  ClientToScreen(top, &inside);
  EXPECT_EQ(PixelAt(top, inside.x, inside.y), 0xFFFF00u);
  // The active caption is not the background colour.
  EXPECT_NE(PixelAt(top, 60, GetSystemMetrics(SM_CYFRAME) + 2), 0xFFFF00u);
  EXPECT_EQ(Log().All(WM_NCPAINT).size(), 1u);
}

TEST_F(WindowPaintTest, AWindowContextStartsAtTheClientAreaAndStopsAtItsEdge) {
  const HWND top = Filled(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, kRed);
  const HWND child = Filled(top, WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 20, 30, 30, kBlue);
  Pump();
  const HDC dc = GetDC(child);
  ASSERT_NE(dc, nullptr);
  SetPixel(dc, 0, 0, kGreen);
  SetPixel(dc, 40, 5, kGreen);  // outside the child: clipped
  EXPECT_EQ(ReleaseDC(child, dc), 1);
  EXPECT_EQ(ReleaseDC(child, dc), 0);
  EXPECT_EQ(PixelAt(top, 21, 21), kGreenPixel);
  EXPECT_EQ(PixelAt(top, 61, 26), kRedPixel);
}

TEST_F(WindowPaintTest, ASurfaceIsSavedAsPng) {
  const HWND top = Filled(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 16, 16, kBlue);
  Pump();
  char path[] = "/tmp/yb-window-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  ASSERT_TRUE(GetWindowSurface(top)->SavePng(path));
  std::ifstream file(path, std::ios::binary);
  char signature[8] = {};
  file.read(signature, 8);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  std::remove(path);
}

}  // namespace
