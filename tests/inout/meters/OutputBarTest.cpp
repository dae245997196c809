// Bar meters drawn into a memory canvas, and the kind and column buttons driven by clicks.
#include <gtest/gtest.h>

#include <optional>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/meters/Output.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

class OutputBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    canvas.emplace(200, 200);
    SetPortDC(canvas->dc());
    meter.SetColumnCount(3);
    meter.SetMeterKind(MeterKind::kBar);
    meter.SetPosition(10, 10);
    // Two bars growing to the right, 100 pixels long, 10 apart.
    meter.SetSize(MacPoint(103, 20));
    for (int32_t i = 2; i <= 3; ++i) {
      meter.Column(i)->SetRange(0.0, 10.0);
      meter.Column(i)->SetColor(ColorRefToRGB16(kRed));
    }
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeDrawingPort();
    FreeHandlePool();
  }
  int32_t RedAlong(const MacRect& bar) const {
    int32_t n = 0;
    const int32_t y = (bar.top + bar.bottom) / 2;
    for (int32_t x = 0; x < canvas->width(); ++x) n += canvas->At(x, y) == kRed;
    return n;
  }

  std::optional<MemoryCanvas> canvas;
  TOutput meter;
};

TEST_F(OutputBarTest, BarsGrowWithTheirValueWithinTheirLength) {
  ASSERT_EQ(meter.GetBarOrientation(), 1);
  ASSERT_EQ(meter.GetBarLength(), 100);
  meter.Column(2)->SetValue(5.0, false);
  meter.Column(3)->SetValue(0.0, false);  // at the bottom of the range: no bar
  meter.DrawBarValues();
  const MacRect first = meter.GetBarRect(1);
  const MacRect second = meter.GetBarRect(2);
  EXPECT_EQ(second.top - first.top, meter.GetBarThickness());
  EXPECT_EQ(canvas->At(first.left, first.top), kBlack);
  EXPECT_EQ(canvas->At(first.left + 49, first.top), kBlack);
  EXPECT_EQ(canvas->At(first.left + 50, first.top), kWhite);
  EXPECT_EQ(RedAlong(first), 48);  // 50 pixels less the frame on both ends
  EXPECT_EQ(RedAlong(second), 0);
  EXPECT_EQ(canvas->At(second.left, second.top), kWhite);

  meter.Column(3)->SetValue(25.0, false);  // above the range: a full bar, no further
  meter.Column(2)->SetValue(-3.0, false);
  meter.DrawBarValues();
  EXPECT_EQ(RedAlong(second), 98);
  EXPECT_EQ(canvas->At(second.left + 100, second.top), kWhite);
}

TEST_F(OutputBarTest, KindButtonCyclesAndColumnButtonsToggle) {
  meter.SetMeterKind(MeterKind::kDigital);
  const MacRect kind = meter.GetKindButtonRect();
  const MacPoint inKind(kind.left + 3, kind.top + 3);
  ASSERT_TRUE(meter.HitsControl(inKind));
  meter.TrackMouse(inKind);
  meter.ReleaseMouse();
  EXPECT_EQ(meter.GetMeterKind(), MeterKind::kGraph);
  EXPECT_EQ(meter.GetSize().v, 100);  // the saved graph size

  // Released outside: nothing changes.
  ASSERT_TRUE(meter.HitsControl(inKind));
  meter.TrackMouse(MacPoint(kind.right + 5, kind.top));
  EXPECT_FALSE(meter.IsHeldDown());
  meter.ReleaseMouse();
  EXPECT_EQ(meter.GetMeterKind(), MeterKind::kGraph);
  EXPECT_EQ(meter.GetPressedButton(), 0);

  for (int i = 0; i < 2; ++i) {
    meter.HitsControl(inKind);
    meter.ReleaseMouse();
  }
  EXPECT_EQ(meter.GetMeterKind(), MeterKind::kDigital);

  MacRect button;
  ASSERT_TRUE(meter.GetColumnButtonRect(3, button));
  EXPECT_EQ(button.top, kind.bottom + 3 + 16);
  ASSERT_TRUE(meter.HitsControl(MacPoint(button.left + 1, button.top + 1)));
  EXPECT_EQ(meter.GetPressedButton(), 3);
  meter.ReleaseMouse();
  EXPECT_FALSE(meter.Column(3)->IsShown());
  EXPECT_FALSE(meter.HitsControl(MacPoint(kind.left, kind.bottom + 1)));  // between buttons

  TOutput small;
  small.SetColumnCount(2);
  EXPECT_FALSE(small.GetColumnButtonRect(2, button));
  EXPECT_EQ(small.GetFurnitureWidth(), 4);
}

}  // namespace
