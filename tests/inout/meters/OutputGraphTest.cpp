// Graph meters drawn from recorded frames into a memory canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/meters/Output.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"
#include "platform/win32/Gdi.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGrid = RGB(0xC8, 0xC8, 0xC8);

TEST(GraphGrid, TicksEndBetweenThirtyAndEightyPixelsApart) {
  for (const double span : {0.001, 0.37, 1.0, 7.5, 123.0, 1e6}) {
    for (const int16_t length : {1, 29, 100, 600}) {
      double k = 0.0;
      double step = 0.0;
      ASSERT_TRUE(TOutput::GridSpacing(1.0, span, length, k, step));
      EXPECT_GE(step * k, 30.0) << span << " " << length;
      EXPECT_LE(step * k, 80.0) << span << " " << length;
    }
  }
  double k = 0.0;
  double step = 0.0;
  EXPECT_FALSE(TOutput::GridSpacing(1.0, 0.0, 100, k, step));
  EXPECT_FALSE(TOutput::GridSpacing(-1.0, 1.0, 100, k, step));
  EXPECT_FALSE(TOutput::GridSpacing(1.0, 1.0, 0, k, step));
  EXPECT_FALSE(TOutput::GridSpacing(1.0, std::numeric_limits<double>::infinity(), 100, k, step));
}

class OutputGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    canvas.emplace(200, 200);
    SetPortDC(canvas->dc());
    meter.SetColumnCount(2);
    meter.SetWrapXAxis(false);
    meter.SetMeterKind(MeterKind::kGraph);
    meter.SetPosition(0, 0);
    meter.SetSize(MacPoint(100, 100));
    meter.SetShowAxes(false);
    meter.Column(1)->SetRange(0.0, 10.0);
    meter.Column(2)->SetRange(0.0, 10.0);
    meter.Column(2)->SetColor(ColorRefToRGB16(kRed));
    store.emplace();
    // Frame f records (f, f), except frame 5, whose x lies far outside the range.
    store->SetValuesPerFrame(2);
    store->SetFrameCount(10);
    for (int16_t f = 0; f < 10; ++f) {
      store->SetValue(f, 0, f == 5 ? 50.0 : f);
      store->SetValue(f, 1, f);
      meter.FrameChange(f, store->PositionAtFrame(f), true);
    }
    walk = [this](int16_t first, int16_t last, const auto& frame) {
      for (int16_t f = std::max<int16_t>(first, 0); f <= std::min<int16_t>(last, 9); ++f)
        frame(f, store->PositionAtFrame(f));
    };
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    store.reset();
    FreeDrawingPort();
    FreeHandlePool();
  }
  // The pixel of the value pair in the canvas.
  COLORREF At(double x, double y) const {
    const MacRect plot = meter.GetContentFrame();
    return canvas->At(plot.left + static_cast<int>(x * 10), plot.bottom - static_cast<int>(y * 10));
  }

  std::optional<MemoryCanvas> canvas;
  std::optional<THistoryStore> store;
  TOutput meter;
  TOutput::FrameWalk walk;
};

TEST_F(OutputGraphTest, ConnectedCurveBreaksWhereColumnOneLeftItsRange) {
  ASSERT_TRUE(meter.Column(1)->Contains(5));
  meter.SetConnectPoints(true);
  meter.DrawGraph(nullptr, walk, 9);
  EXPECT_EQ(At(2.5, 2.5), kRed);  // on the line from frame 2 to 3
  EXPECT_EQ(At(4, 4), kRed);
  EXPECT_NE(At(5, 5), kRed);      // the excluded frame and the gap around it
  EXPECT_NE(At(4.5, 4.5), kRed);
  EXPECT_EQ(At(6, 6), kRed);      // a dot, then the line goes on
  EXPECT_EQ(At(8.5, 8.5), kRed);
  EXPECT_EQ(meter.GetLastPlottedFrame(), 9);
}

TEST_F(OutputGraphTest, UnconnectedSamplesAreTwoByTwoDots) {
  meter.DrawGraph(nullptr, walk, 9);
  const MacRect plot = meter.GetContentFrame();
  // Frame 3 at (30, 30) from the plot's bottom left: a dot covering x 29..30 and y 29..30 up.
  for (int dx : {-1, 0})
    for (int dy : {-1, 0}) EXPECT_EQ(canvas->At(plot.left + 30 + dx, plot.bottom - 30 + dy), kRed);
  EXPECT_NE(canvas->At(plot.left + 31, plot.bottom - 30), kRed);
  EXPECT_NE(canvas->At(plot.left + 35, plot.bottom - 35), kRed);  // between samples
}

TEST_F(OutputGraphTest, GridIsDottedGreyAndSingleColumnGraphsPlotNothing) {
  TWorldUnitHandler units;
  meter.SetShowGrid(true);
  meter.DrawGraph(&units, walk, 9);
  int32_t grey = 0;
  const MacRect plot = meter.GetContentFrame();
  for (int y = plot.top; y < plot.bottom; ++y) grey += canvas->At(plot.left + 40, y) == kGrid;
  EXPECT_GT(grey, 20);   // a vertical grid line at x = 4: ticks 4 units, 40 pixels apart
  EXPECT_LT(grey, 100);  // dotted

  TOutput lone;
  lone.SetColumnCount(1);
  lone.SetMeterKind(MeterKind::kGraph);
  lone.SetShowAxes(false);
  const std::vector<COLORREF> before = canvas->Pixels();
  lone.DrawGraph(nullptr, walk, 9);
  EXPECT_EQ(canvas->Pixels(), before);
}

TEST_F(OutputGraphTest, LivePlotStartsADotAfterSkippedFrames) {
  meter.SetConnectPoints(true);
  meter.ShowFrame(1, store->PositionAtFrame(1), true);
  meter.PlotLive(false);
  meter.ShowFrame(2, store->PositionAtFrame(2), true);
  meter.PlotLive(false);
  EXPECT_EQ(At(1.5, 1.5), kRed);
  meter.ShowFrame(7, store->PositionAtFrame(7), true);
  meter.PlotLive(false);
  EXPECT_NE(At(4.5, 4.5), kRed);
  EXPECT_EQ(At(7, 7), kRed);
  EXPECT_EQ(meter.GetLastPlottedFrame(), 7);
}

void PlotAgainstSegments(int16_t frames, double reach, bool live, bool connected = true,
                         bool recorded = false);

// A graph of three curves over many frames draws exactly what drawing each segment by itself
// (a line and its end pixel) or each dot by itself from the values' own pixels draws: sparse and
// dense (ten frames a pixel column, the curves crossing), redrawn whole or plotted live frame by
// frame (also into a recorded picture played back), with a curve reaching out of the plot.
TEST(GraphCurves, PlotsEqualTheirSegmentsDrawnOneByOne) {
  InitHandlePool();
  InitDrawingPort();
  PlotAgainstSegments(400, 2.0, false);
  PlotAgainstSegments(6000, 1.5, false);
  PlotAgainstSegments(6000, 1.5, true);
  PlotAgainstSegments(400, 2.0, true, true, true);
  PlotAgainstSegments(6000, 1.5, false, false);
  FreeDrawingPort();
  FreeHandlePool();
}

// Plotting live, a curve that stays on its pixel paints it again over a curve drawn across it
// before it in the same frame.
TEST(GraphCurves, ACurveStayingOnItsPixelIsPaintedOverTheCurvesBeforeIt) {
  InitHandlePool();
  InitDrawingPort();
  {
    constexpr COLORREF kGreen = RGB(0, 150, 0);
    THistoryStore store;
    store.SetValuesPerFrame(3);
    store.SetFrameCount(4);
    for (int16_t f = 0; f < 4; ++f) {
      store.SetValue(f, 0, 5.0);
      store.SetValue(f, 1, f % 2 == 0 ? 1.0 : 9.0);  // up and down across the other curve
      store.SetValue(f, 2, 5.0);
    }
    TOutput meter;
    meter.SetColumnCount(3);
    meter.SetMeterKind(MeterKind::kGraph);
    meter.SetWrapXAxis(false);
    meter.SetShowAxes(false);
    meter.SetConnectPoints(true);
    meter.SetSize(MacPoint(100, 100));
    for (int c = 1; c <= 3; ++c) meter.Column(c)->SetRange(0.0, 10.0);
    meter.Column(2)->SetColor(ColorRefToRGB16(kRed));
    meter.Column(3)->SetColor(ColorRefToRGB16(kGreen));
    MemoryCanvas canvas(200, 200);
    SetPortDC(canvas.dc());
    for (int16_t f = 0; f < 4; ++f) {
      meter.ShowFrame(f, store.PositionAtFrame(f), true);
      meter.PlotLive(false);
    }
    SetPortDC(nullptr);
    const MacRect plot = meter.GetContentFrame();
    EXPECT_EQ(canvas.At(plot.left + 50, plot.bottom - 50), kGreen);
    EXPECT_EQ(canvas.At(plot.left + 50, plot.bottom - 40), kRed);
  }
  FreeDrawingPort();
  FreeHandlePool();
}

void PlotAgainstSegments(int16_t frames, double reach, bool live, bool connected, bool recorded) {
  SCOPED_TRACE(testing::Message() << frames << " frames, live " << live << ", lines "
                                  << connected << ", recorded " << recorded);
  constexpr COLORREF kColours[3] = {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 220)};
  const double step = 10.0 / frames;
  THistoryStore store;
  store.SetValuesPerFrame(4);
  store.SetFrameCount(frames);
  const auto value = [step](int16_t frame, int column) {
    const double t = frame * step;
    return column == 0 ? t : std::sin(t * column + 0.3) * (1.0 + 0.2 * column);
  };
  for (int16_t f = 0; f < frames; ++f)
    for (int c = 0; c < 4; ++c) store.SetValue(f, c, value(f, c));
  TOutput meter;
  meter.SetColumnCount(4);
  meter.SetWrapXAxis(false);
  meter.SetMeterKind(MeterKind::kGraph);
  meter.SetPosition(0, 0);
  meter.SetSize(MacPoint(600, 400));
  meter.SetShowAxes(false);
  meter.SetConnectPoints(connected);
  meter.Column(1)->SetRange(0.0, 10.0);
  for (int c = 2; c <= 4; ++c) {
    meter.Column(c)->SetRange(-reach, reach);
    meter.Column(c)->SetColor(ColorRefToRGB16(kColours[c - 2]));
  }
  const TOutput::FrameWalk walk = [&store, frames](int16_t first, int16_t last, const auto& frame) {
    for (int16_t f = std::max<int16_t>(first, 0); f <= std::min<int16_t>(last, frames - 1); ++f)
      frame(f, store.PositionAtFrame(f));
  };
  MemoryCanvas plotted(640, 440);
  SetPortDC(plotted.dc());
  if (live) {
    HDC recording = recorded ? CreateMetaFile(nullptr) : nullptr;
    if (recorded) SetPortDC(recording);
    for (int16_t f = 0; f < frames; ++f) {
      meter.ShowFrame(f, store.PositionAtFrame(f), true);
      meter.PlotLive(false);
    }
    if (recorded) {
      HMETAFILE picture = CloseMetaFile(recording);
      PlayMetaFile(plotted.dc(), picture);
      DeleteMetaFile(picture);
    }
  } else {
    meter.DrawGraph(nullptr, walk, frames - 1);
    // Far fewer paths than the three curves have segments.
    if (connected) {
      EXPECT_LT(meter.GetCurvePathsDrawn(), 3 * frames / 5) << meter.GetCurvePathsDrawn();
    }
  }
  SetPortDC(nullptr);

  const MacRect plot = meter.GetContentFrame();
  const auto pixel = [](double v, double low, double high, int length) {
    return static_cast<int>(std::lround((v - low) / (high - low) * length));
  };
  // Frame by frame, each curve's segment or dot in column order, as the meter goes through its
  // frames; a segment is left out when neither end lies within the plot's width or neither
  // within its height, a dot when its sample lies outside the plot. A whole graph ends with the
  // last frame's dots again.
  MemoryCanvas expected(640, 440);
  IntersectClipRect(expected.dc(), plot.left, plot.top, plot.right, plot.bottom);
  const auto within = [](int v, int low, int high) { return v >= low && v <= high; };
  const auto lastFrames = static_cast<int16_t>(frames + (live || connected ? 0 : 1));
  for (int16_t f = connected ? 1 : 0; f < lastFrames; ++f) {
    for (int c = 1; c < 4; ++c) {
      const auto at = [&](int16_t frame) {
        return POINT{plot.left + pixel(value(frame, 0), 0.0, 10.0, plot.right - plot.left),
                     plot.bottom - pixel(value(frame, c), -reach, reach, plot.bottom - plot.top)};
      };
      if (!connected) {
        const POINT p = at(std::min<int16_t>(f, static_cast<int16_t>(frames - 1)));
        if (!within(p.x, plot.left, plot.right) || !within(p.y, plot.top, plot.bottom)) continue;
        HBRUSH brush = CreateSolidBrush(kColours[c - 1]);
        const RECT dot{p.x - 1, p.y - 1, p.x + 1, p.y + 1};
        FillRect(expected.dc(), &dot, brush);
        DeleteObject(brush);
        continue;
      }
      const POINT from = at(static_cast<int16_t>(f - 1));
      const POINT to = at(f);
      if (!within(from.x, plot.left, plot.right) && !within(to.x, plot.left, plot.right)) continue;
      if (!within(from.y, plot.top, plot.bottom) && !within(to.y, plot.top, plot.bottom)) continue;
      HPEN pen = CreatePen(PS_SOLID, 1, kColours[c - 1]);
      HGDIOBJ old = SelectObject(expected.dc(), pen);
      MoveToEx(expected.dc(), from.x, from.y, nullptr);
      LineTo(expected.dc(), to.x, to.y);
      SetPixel(expected.dc(), to.x, to.y, kColours[c - 1]);
      SelectObject(expected.dc(), old);
      DeleteObject(pen);
    }
  }
  EXPECT_GT(plotted.Count(kColours[0]), 600);
  EXPECT_EQ(plotted.Pixels(), expected.Pixels());
}

}  // namespace
