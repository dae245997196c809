// Details of windows, menus, cursors and drawing that callers rely on without asking: where new
// windows appear and how big, what a creation record carries, scroll bars that come and go,
// menus that refuse what is not theirs, and the pixels of thin frames and rings.

#include "platform/win32/Cursor.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/RegionGdi.h"
#include "tests/platform/win32/GdiTestSupport.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class WindowDetailsTest : public WindowTest {
 protected:
  static RECT RectOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
  }
  static RECT ClientOf(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect;
  }
};

TEST_F(WindowDetailsTest, NewWindowsCascadeOpenMaximizedWhenAskedAndTellTheirSize) {
  int32_t createdWidth = -1, createdHeight = -1;
  Log().handlers[WM_CREATE] = [&](HWND, WPARAM, LPARAM lParam) -> LRESULT {
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
    createdWidth = create->cx;
    createdHeight = create->cy;
    return 0;
  };
  const HWND sized = CreateWindowEx(0, kRecorderClass, "sized", WS_POPUP, 10, 20, 123, 45,
                                    nullptr, nullptr, nullptr);
  ASSERT_NE(sized, nullptr);
  EXPECT_EQ(createdWidth, 123);
  EXPECT_EQ(createdHeight, 45);

  const auto placed = [] {
    return CreateWindowEx(0, kRecorderClass, "default", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                          CW_USEDEFAULT, 0, nullptr, nullptr, nullptr);
  };
  const RECT first = RectOf(placed());
  const RECT second = RectOf(placed());
  EXPECT_EQ(second.left - first.left, 24);
  EXPECT_EQ(second.top - first.top, 24);
  EXPECT_EQ(second.right - second.left, first.right - first.left) << "the default size";

  const HWND maximized =
      CreateWindowEx(0, kRecorderClass, "big", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MAXIMIZE, 30,
                     30, 200, 100, nullptr, nullptr, nullptr);
  EXPECT_TRUE(IsZoomed(maximized));
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const RECT shown = RectOf(maximized);
  EXPECT_EQ(shown.right - shown.left, screen.right);
  EXPECT_EQ(shown.bottom - shown.top, screen.bottom);
}

TEST_F(WindowDetailsTest, ScrollBarsComeAndGoWithTheirStyleAndKeepTheirRange) {
  const HWND window = TopLevel(0, 0, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const RECT plain = ClientOf(window);
  EXPECT_TRUE(ShowScrollBar(window, SB_VERT, TRUE));
  EXPECT_TRUE(GetWindowLongPtr(window, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(ClientOf(window).right, plain.right - GetSystemMetrics(SM_CXVSCROLL))
      << "the frame makes room for the bar";
  EXPECT_TRUE(ShowScrollBar(window, SB_VERT, FALSE));
  EXPECT_FALSE(GetWindowLongPtr(window, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(ClientOf(window).right, plain.right);

  SetScrollRange(window, SB_VERT, 3, 77, FALSE);
  int32_t minimum = 0, maximum = 0;
  EXPECT_TRUE(GetScrollRange(window, SB_VERT, &minimum, &maximum));
  EXPECT_EQ(minimum, 3);
  EXPECT_EQ(maximum, 77);
}

TEST_F(WindowDetailsTest, MenusGoOnlyToTopLevelWindowsAndOnlyRealMenus) {
  const HWND top = TopLevel(0, 0, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND child = Child(top, 0, 0, 50, 50);
  const HMENU menu = CreateMenu();
  AppendMenu(menu, MF_STRING, 1, "One");
  EXPECT_FALSE(SetMenu(child, menu));
  EXPECT_EQ(GetMenu(child), nullptr);
  int notAMenu = 0;
  EXPECT_FALSE(SetMenu(top, reinterpret_cast<HMENU>(&notAMenu)));
  EXPECT_EQ(GetMenu(top), nullptr);
  EXPECT_TRUE(SetMenu(top, menu));
  EXPECT_EQ(GetMenu(top), menu);
  SetMenu(top, nullptr);
  DestroyMenu(menu);
}

TEST_F(WindowDetailsTest, AClosedPopupMenuGivesTheMouseBack) {
  const HWND window = TopLevel(0, 0, 300, 300);
  const HMENU popup = CreatePopupMenu();
  AppendMenu(popup, MF_STRING, 5, "Five");
  bool captured = false;
  SetIdleScript([&] {
    if (captured) return false;
    captured = GetCapture() != nullptr;
    InjectKeyStroke(VK_ESCAPE);
    return true;
  });
  TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, window, nullptr);
  SetIdleScript(nullptr);
  EXPECT_TRUE(captured) << "the open menu has the mouse";
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyMenu(popup);
}

TEST_F(WindowDetailsTest, AChildWithoutItsOwnCursorKeepsItsParentsCursor) {
  WNDCLASS crossClass;
  crossClass.lpfnWndProc = RecordingProc;
  crossClass.lpszClassName = "CrossCursor";
  crossClass.hCursor = LoadCursor(nullptr, IDC_CROSS);
  RegisterClass(&crossClass);
  const HWND parent = TopLevel(0, 0, 200, 200, WS_POPUP | WS_VISIBLE, "CrossCursor");
  const HWND child = Child(parent, 10, 10, 50, 50);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  const LRESULT handled = SendMessage(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child),
                                      MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_TRUE(handled) << "the parent answered for its child";
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_CROSS));
}

TEST(ThinDrawing, AOnePixelRegionFrameAndTheInnerCornersOfARingedRoundRect) {
  MemoryCanvas canvas(60, 60);
  const HRGN box = CreateRectRgn(10, 10, 30, 30);
  EXPECT_TRUE(FrameRgn(canvas.dc(), box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1));
  DeleteObject(box);
  EXPECT_EQ(canvas.At(10, 10), kBlack);
  EXPECT_EQ(canvas.At(29, 20), kBlack);
  EXPECT_EQ(canvas.At(20, 29), kBlack);
  EXPECT_EQ(canvas.At(11, 11), kWhite) << "one pixel wide";
  EXPECT_EQ(canvas.At(30, 20), kWhite) << "inside the region only";
  EXPECT_EQ(canvas.Count(kBlack), 4 * 19);

  // A round rectangle with a one-pixel pen fills inside its ring with corners two pixels
  // smaller, so the fill meets the ring without gaps or overlap.
  MemoryCanvas ringed(60, 60);
  const HBRUSH red = CreateSolidBrush(kRed);
  const HGDIOBJ oldBrush = SelectObject(ringed.dc(), red);
  RoundRect(ringed.dc(), 10, 10, 50, 50, 20, 20);
  MemoryCanvas expected(60, 60);
  const HRGN inner = CreateRoundRectRgn(11, 11, 49, 49, 18, 18);
  FillRgn(expected.dc(), inner, red);
  DeleteObject(inner);
  int32_t differing = 0;
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 60; ++x)
      differing += (ringed.At(x, y) == kRed) != (expected.At(x, y) == kRed);
  EXPECT_EQ(differing, 0);
  SelectObject(ringed.dc(), oldBrush);
  DeleteObject(red);
}

}  // namespace
