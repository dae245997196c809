#include "core/port/WindowBinding.h"

#include <gtest/gtest.h>

#include "core/port/Picture.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/core/WindowTestSupport.h"

namespace {

class CountingView : public TWrappedView {
 public:
  void ReleasePortUse() override { ++released; }
  int16_t OffsetH() const override { return 5; }
  int16_t OffsetV() const override { return 7; }
  int32_t released = 0;
};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class WindowBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    InitDrawingPort();
    InstallWindowBinding();
    RegisterPlainWindowClass("PortWindow");
    window_ = CreateWindowEx(0, "PortWindow", "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150,
                             nullptr, nullptr, nullptr);
    InitWindowPort(&port_, window_);
  }
  void TearDown() override {
    SetCurrentWrappedView(nullptr);
    BindPortToWindow(&unbound_);  // gives the window's context back
    SetCurrentPort(GetGlobalPort());
    ResetWindowSystem();
    FreeDrawingPort();
  }
  uint32_t Pixel(int32_t x, int32_t y) { return GetWindowSurface(window_)->Pixel(x, y); }
  HWND window_ = nullptr;
  TWindowPort port_;
  TWindowPort unbound_;
};

TEST_F(WindowBindingTest, PortCoordinatesAreClientCoordinatesUntilTheOriginMoves) {
  BindPortToWindow(&port_);
  EXPECT_EQ(GetCurrentPort(), &port_);
  EXPECT_EQ(PortBindingState(), 2);
  ASSERT_NE(GetPortDC(), nullptr);
  SetPixel(GetPortDC(), 0, 0, kRed);
  EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
  PortSetOrigin(10, 5);
  SetPixel(GetPortDC(), 0, 0, kBlue);
  EXPECT_EQ(Pixel(10, 5), 0x0000FFu);
  const MacRect rect = PortGetPortRect();
  EXPECT_EQ(rect.left, -10);
  EXPECT_EQ(rect.top, -5);
  EXPECT_EQ(rect.right, 190);
  MacPoint point(110, 105);  // screen
  PortGlobalToLocal(point);
  EXPECT_EQ(point.h, 0);
  EXPECT_EQ(point.v, 0);
}

TEST_F(WindowBindingTest, APortWhoseWindowIsGoneIsCurrentButDrawsNothing) {
  BindPortToWindow(&port_);
  DestroyWindow(window_);
  BindPortToWindow(&port_);
  EXPECT_EQ(GetCurrentPort(), &port_);
  EXPECT_EQ(GetPortDC(), nullptr);
  EXPECT_EQ(PortBindingState(), 0);
  EXPECT_EQ(PortGetPortRect().right, 0);
}

TEST_F(WindowBindingTest, RebindingTellsTheWrappedViewAndNestingOnlyCounts) {
  CountingView view;
  SetCurrentWrappedView(&view);
  BeginPortDrawing(&port_);
  BeginPortDrawing(&port_);
  EXPECT_EQ(view.released, 2);
  EXPECT_EQ(PortDrawingNesting(), 2);
  EndPortDrawing();
  EndPortDrawing();
  EXPECT_EQ(PortDrawingNesting(), 0);
  // The clip region set on the port is moved by the view's offsets while it is selected.
  SetPortClipToRect(MacRect(0, 0, 10, 10));
  SetPixel(GetPortDC(), 2, 2, kRed);   // outside (5..15, 7..17)
  SetPixel(GetPortDC(), 6, 8, kBlue);  // inside
  EXPECT_EQ(Pixel(2, 2), 0xFFFFFFu);
  EXPECT_EQ(Pixel(6, 8), 0x0000FFu);
  RegionRec* clip = AllocRegion();
  GetPortClip(clip);
  EXPECT_EQ(clip->box.right, 10);  // kept as set, without the offset
  FreeRegion(clip);
}

TEST_F(WindowBindingTest, SavedDrawingStateComesBackWithTheSameOrigin) {
  BindPortToWindow(&port_);
  PortSetOrigin(7, 3);
  SetWindowLayerWords(11, 22);
  DrawingStateRec saved;
  SaveDrawingState(saved);
  PortSetOrigin(0, 0);
  SetWindowLayerWords(0, 0);
  BindPortToWindow(&unbound_);
  RestoreDrawingState(saved);
  EXPECT_EQ(GetCurrentPort(), &port_);
  SetPixel(GetPortDC(), 0, 0, kBlue);
  EXPECT_EQ(Pixel(7, 3), 0x0000FFu);
  uint16_t first = 0;
  uint16_t second = 0;
  GetWindowLayerWords(&first, &second);
  EXPECT_EQ(first, 11);
  EXPECT_EQ(second, 22);
}

TEST_F(WindowBindingTest, WindowAtPointTellsContentFromFrame) {
  const HWND frame = CreateWindowEx(0, "PortWindow", "Framed", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    400, 100, 200, 150, nullptr, nullptr, nullptr);
  TWindowPort framed;
  InitWindowPort(&framed, frame);
  const auto pack = [](int16_t h, int16_t v) {
    return (static_cast<uint32_t>(static_cast<uint16_t>(h)) << 16) | static_cast<uint16_t>(v);
  };
  TWindowPort* found = nullptr;
  EXPECT_EQ(WindowAtPoint(pack(150, 150), &found), kInPortWindowContent);
  EXPECT_EQ(found, &port_);
  EXPECT_EQ(WindowAtPoint(pack(500, 105), &found), kInPortWindowFrame);
  EXPECT_EQ(found, &framed);
  EXPECT_EQ(WindowAtPoint(pack(10, 10), &found), kNotInPortWindow);
  EXPECT_EQ(found, nullptr);
  int32_t visited = 0;
  ForEachPortWindow([](TWindowPort*, void* data) { ++*static_cast<int32_t*>(data); }, &visited);
  EXPECT_EQ(visited, 2);  // a port joins the chain when it is initialised with a window
  SizePortWindow(&framed, 100, 50, true);
  RECT client;
  GetClientRect(frame, &client);
  EXPECT_EQ(client.right, 100);
  EXPECT_EQ(client.bottom, 50);
}

}  // namespace
