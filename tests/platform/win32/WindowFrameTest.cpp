// The frame this layer draws works as a frame: its caption moves the window, its edges size it,
// its boxes close, maximize, restore and minimize it. Driven by synthetic mouse input, as a user
// would, with the parts found by hit testing and the boxes' pixels probed.

#include <deque>
#include <functional>

#include "platform/win32/Input.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/WindowRegion.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

class WindowFrameTest : public WindowTest {
 protected:
  void TearDown() override {
    SetIdleScript(nullptr);
    WindowTest::TearDown();
  }

  HWND Framed(DWORD style = kMainStyle) { return TopLevel(100, 100, 300, 200, style); }

  LRESULT HitAt(HWND window, POINT screen) {
    return SendMessage(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  }

  // The centre of the area of the window's title bar whose hit-test code is `part` (screen
  // coordinates), or (-1, -1) when no point there has it.
  POINT Find(HWND window, LRESULT part) {
    RECT rect;
    GetWindowRect(window, &rect);
    int64_t sumX = 0, sumY = 0, count = 0;
    for (int32_t y = rect.top; y < rect.top + 32; ++y)
      for (int32_t x = rect.left; x < rect.right; ++x)
        if (HitAt(window, POINT{x, y}) == part) {
          sumX += x;
          sumY += y;
          ++count;
        }
    if (count == 0) return POINT{-1, -1};
    return POINT{static_cast<int32_t>(sumX / count), static_cast<int32_t>(sumY / count)};
  }

  // Presses the left button at `from`; each later step runs only when the layer waits for input,
  // as a user acts while a modal loop runs, and gives it input. Then pumps everything.
  void Drag(POINT from, std::deque<std::function<void()>> steps) {
    SetIdleScript([steps = std::move(steps)]() mutable {
      if (steps.empty()) return false;
      steps.front()();
      steps.pop_front();
      return true;
    });
    InjectMouseMove(from);
    InjectMouseButton(MouseButton::kLeft, true, from);
    Pump();
    SetIdleScript(nullptr);
  }
  void DragTo(POINT from, POINT to) {
    const POINT halfway{(from.x + to.x) / 2, (from.y + to.y) / 2};
    Drag(from, {[halfway] { InjectMouseMove(halfway); },
                [to] { InjectMouseMove(to); },
                [to] { InjectMouseButton(MouseButton::kLeft, false, to); }});
  }
  void Click(POINT at) { DragTo(at, at); }

  static RECT RectOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
  }
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(WindowFrameTest, CaptionBoxesMaximizeRestoreMinimizeAndClose) {
  const HWND window = Framed();
  Pump();
  const POINT close = Find(window, HTCLOSE);
  const POINT maximize = Find(window, HTMAXBUTTON);
  const POINT minimize = Find(window, HTMINBUTTON);
  const POINT caption = Find(window, HTCAPTION);
  // Right to left along the caption: close, maximize, minimize.
  ASSERT_GT(close.x, maximize.x);
  ASSERT_GT(maximize.x, minimize.x);
  ASSERT_GT(minimize.x, caption.x);
  EXPECT_EQ(close.y, maximize.y);
  EXPECT_EQ(close.y, caption.y);

  // The boxes are drawn: the cross of the close box goes through its centre, in black on the
  // box face, and the title bar around them keeps the caption colour.
  const RECT outer = RectOf(window);
  const WindowSurface* surface = GetWindowSurface(window);
  EXPECT_EQ(surface->Pixel(close.x - outer.left, close.y - outer.top), 0x000000u);
  const uint32_t bar = surface->Pixel(caption.x - outer.left, caption.y - outer.top - 8);
  EXPECT_EQ(bar, surface->Pixel(minimize.x - outer.left - 12, caption.y - outer.top - 8));
  EXPECT_NE(surface->Pixel(maximize.x - outer.left, maximize.y - outer.top), bar);
  EXPECT_NE(surface->Pixel(minimize.x - outer.left, minimize.y - outer.top), bar);

  const RECT normal = RectOf(window);
  Click(maximize);
  EXPECT_TRUE(IsZoomed(window));
  EXPECT_TRUE(SameRect(RectOf(window), RECT{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                             GetSystemMetrics(SM_CYSCREEN)}));
  // Maximized, the same box restores.
  Click(Find(window, HTMAXBUTTON));
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_TRUE(SameRect(RectOf(window), normal));

  Click(minimize);
  EXPECT_TRUE(IsIconic(window));
  ShowWindow(window, SW_RESTORE);
  Pump();

  Log().Clear();
  Click(close);
  EXPECT_THAT(Log().Of(window, {WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              ::testing::ElementsAre(WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowFrameTest, ABoxActsOnlyWhenTheButtonGoesUpOnIt) {
  int32_t closes = 0;
  Log().handlers[WM_CLOSE] = [&closes](HWND, WPARAM, LPARAM) { return ++closes, LRESULT{0}; };
  const HWND window = Framed();
  Pump();
  const POINT close = Find(window, HTCLOSE);
  const RECT outer = RectOf(window);
  const POINT away{close.x - 60, close.y + 40};
  // The box's top left corner: light when the box is up, dark when it is held down.
  POINT corner = close;
  while (HitAt(window, POINT{corner.x - 1, corner.y}) == HTCLOSE) --corner.x;
  while (HitAt(window, POINT{corner.x, corner.y - 1}) == HTCLOSE) --corner.y;
  uint32_t facePressed = 0, faceLeft = 0;
  const auto face = [&] {
    UpdateWindow(window);
    return GetWindowSurface(window)->Pixel(corner.x - outer.left, corner.y - outer.top);
  };
  const uint32_t faceUp = face();
  Drag(close, {[&] {
                 facePressed = face();
                 InjectMouseMove(away);
               },
               [&] {
                 faceLeft = face();
                 InjectMouseButton(MouseButton::kLeft, false, away);
               }});
  EXPECT_EQ(closes, 0) << "released away from the box";
  EXPECT_TRUE(IsWindow(window));
  // Held down, the box is drawn sunken; the cursor leaving it lets it up again.
  EXPECT_NE(facePressed, faceUp);
  EXPECT_EQ(faceLeft, faceUp);
  EXPECT_EQ(face(), faceUp);

  Drag(close, {[&] { InjectMouseMove(away); },
               [&] { InjectMouseMove(close); },
               [&] { InjectMouseButton(MouseButton::kLeft, false, close); }});
  EXPECT_EQ(closes, 1);
}

TEST_F(WindowFrameTest, TheCaptionDragsTheWindowAndEscapePutsItBack) {
  const HWND window = Framed();
  Pump();
  const POINT caption = Find(window, HTCAPTION);
  RECT expected = RectOf(window);
  // Far outside the window: the captured mouse still moves it.
  DragTo(caption, POINT{caption.x + 450, caption.y + 330});
  OffsetRect(&expected, 450, 330);
  EXPECT_TRUE(SameRect(RectOf(window), expected));
  EXPECT_EQ(GetCapture(), nullptr);

  const POINT moved{caption.x + 450, caption.y + 330};
  Drag(moved, {[&] { InjectMouseMove(POINT{moved.x - 200, moved.y - 100}); },
               [] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_TRUE(SameRect(RectOf(window), expected));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowFrameTest, ADoubleClickOnTheCaptionMaximizesAndRestores) {
  const HWND window = Framed();
  Pump();
  const RECT normal = RectOf(window);
  const POINT caption = Find(window, HTCAPTION);
  Click(caption);
  EXPECT_FALSE(IsZoomed(window));
  Click(caption);
  EXPECT_TRUE(IsZoomed(window));
  const POINT zoomedCaption = Find(window, HTCAPTION);
  Click(zoomedCaption);
  AdvanceVirtualClock(GetDoubleClickTime() + 1);
  Click(zoomedCaption);  // too late for a double click
  EXPECT_TRUE(IsZoomed(window));
  Click(zoomedCaption);
  EXPECT_FALSE(IsZoomed(window));
  EXPECT_TRUE(SameRect(RectOf(window), normal));
}

TEST_F(WindowFrameTest, EdgesAndCornersSizeTheWindowDownToAMinimum) {
  const HWND window = Framed();
  Pump();
  const RECT start = RectOf(window);
  const POINT corner{start.right - 1, start.bottom - 1};
  ASSERT_EQ(HitAt(window, corner), HTBOTTOMRIGHT);
  ASSERT_EQ(HitAt(window, POINT{start.left, (start.top + start.bottom) / 2}), HTLEFT);
  ASSERT_EQ(HitAt(window, POINT{(start.left + start.right) / 2, start.top}), HTTOP);

  DragTo(corner, POINT{corner.x + 40, corner.y + 30});
  RECT rect = RectOf(window);
  EXPECT_TRUE(SameRect(rect, RECT{start.left, start.top, start.right + 40, start.bottom + 30}));
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, rect.right - rect.left - 8) << "the client area follows the frame";

  // The left edge dragged past the right one stops at the smallest width, the right edge stays.
  const POINT left{rect.left, (rect.top + rect.bottom) / 2};
  DragTo(left, POINT{rect.right + 100, left.y});
  const RECT narrow = RectOf(window);
  EXPECT_EQ(narrow.right, rect.right);
  EXPECT_GT(narrow.right - narrow.left, 100);
  EXPECT_LT(narrow.right - narrow.left, rect.right - rect.left);
  EXPECT_NE(Find(window, HTCLOSE).x, -1) << "the close box still fits";

  // A maximized window is not sized by its edges.
  ShowWindow(window, SW_MAXIMIZE);
  EXPECT_EQ(HitAt(window, POINT{0, 300}), HTBORDER);
}

TEST_F(WindowFrameTest, BoxesAndSizingFollowTheStyle) {
  // A dialog frame with a system menu: a close box only, and edges that do not size.
  const HWND dialog = Framed(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  EXPECT_NE(Find(dialog, HTCLOSE).x, -1);
  EXPECT_EQ(Find(dialog, HTMAXBUTTON).x, -1);
  EXPECT_EQ(Find(dialog, HTMINBUTTON).x, -1);
  const RECT rect = RectOf(dialog);
  EXPECT_EQ(HitAt(dialog, POINT{rect.right - 1, rect.bottom - 1}), HTBORDER);
  // Without a system menu the caption has no boxes at all.
  const HWND bare = Framed(WS_POPUP | WS_CAPTION | WS_VISIBLE);
  EXPECT_EQ(Find(bare, HTCLOSE).x, -1);
  const RECT bareRect = RectOf(bare);
  EXPECT_EQ(HitAt(bare, POINT{bareRect.right - 10, bareRect.top + 10}), HTCAPTION);
}

// A desktop without a window manager: it shows windows but cannot give a minimized one back.
class DesktopWithoutWindowManager : public QuietDesktop {
 public:
  bool CanMinimize() const override { return false; }
};

TEST_F(WindowFrameTest, WhereTheDesktopCannotMinimizeTheBoxIsGreyedAndNeverPressed) {
  DesktopWithoutWindowManager desktop;
  SetWindowPresenter(&desktop);
  const HWND window = Framed();
  Pump();
  const POINT minimize = Find(window, HTMINBUTTON);
  ASSERT_NE(minimize.x, -1) << "the box stays, so the caption keeps its layout";
  const RECT outer = RectOf(window);
  const WindowSurface* surface = GetWindowSurface(window);
  // The glyph's bar lies across the bottom of the box: its upper row is 6 pixels above the
  // box's lower edge, one lower when the box is drawn pressed.
  int32_t last = minimize.y;
  while (HitAt(window, POINT{minimize.x, last + 1}) == HTMINBUTTON) ++last;
  const auto glyphPixel = [&] {
    return surface->Pixel(minimize.x - outer.left, last - 5 - outer.top);
  };
  EXPECT_EQ(glyphPixel(), 0xA0A0A0u) << "the glyph is grey, not black";

  Log().Clear();
  Click(minimize);
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(Log().Of(window, {WM_SYSCOMMAND}).empty()) << "the box does nothing";
  EXPECT_EQ(glyphPixel(), 0xA0A0A0u) << "and is not left drawn pressed";
  SendMessage(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsIconic(window)) << "nor does the system command";

  // The next press on the caption acts at once: the window moves.
  const POINT caption = Find(window, HTCAPTION);
  DragTo(caption, POINT{caption.x + 30, caption.y + 20});
  EXPECT_EQ(RectOf(window).left, outer.left + 30);
  SetWindowPresenter(nullptr);
  DestroyWindow(window);
}

TEST_F(WindowFrameTest, SizingAndMaximisingKeepToTheLimitsTheWindowGives) {
  Log().handlers[WM_GETMINMAXINFO] = [](HWND, WPARAM, LPARAM lParam) -> LRESULT {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize = {250, 180};
    info->ptMaxTrackSize = {350, 260};
    info->ptMaxPosition = {10, 20};
    info->ptMaxSize = {500, 400};
    return 0;
  };
  const HWND window = Framed();
  RECT rect;
  GetWindowRect(window, &rect);
  const POINT corner{rect.right - 2, rect.bottom - 2};
  ASSERT_EQ(HitAt(window, corner), HTBOTTOMRIGHT);
  DragTo(corner, POINT{corner.x + 400, corner.y + 400});
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 350);
  EXPECT_EQ(rect.bottom - rect.top, 260);
  DragTo(POINT{rect.right - 2, rect.bottom - 2}, POINT{rect.left + 20, rect.top + 20});
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 250);
  EXPECT_EQ(rect.bottom - rect.top, 180);

  ShowWindow(window, SW_MAXIMIZE);
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right, 510);
  EXPECT_EQ(rect.bottom, 420);
}

}  // namespace
