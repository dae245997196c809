// How a graph meter draws: grid, zero axes and the curves of the shown columns against column 1.
#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>

#include "core/geometry/Rounding.h"
#include "core/port/Port.h"
#include "core/port/PortText.h"
#include "inout/meters/GraphStrokes.h"
#include "inout/meters/MeterDrawing.h"
#include "inout/meters/Output.h"
#include "platform/win32/Dc.h"
#include "platform/win32/GdiObjects.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr COLORREF kGridColor = RGB(0xC8, 0xC8, 0xC8);
constexpr double kFewestPixelsPerTick = 30.0;
constexpr double kMostPixelsPerTick = 80.0;
// The frame before the first of a walk: far enough from any frame that the first sample is a
// jump.
constexpr int16_t kBeforeFirstFrame = -91;

// The port's pen replaced by a dotted grid pen for the scope's life.
class GridPenScope {
 public:
  GridPenScope() : dc_(GetPortDC()) {
    if (dc_ == nullptr) return;
    pen_ = CreatePen(PS_DOT, 1, kGridColor);
    previous_ = SelectObject(dc_, pen_);
  }
  ~GridPenScope() {
    if (dc_ == nullptr) return;
    SelectObject(dc_, previous_);
    DeleteObject(pen_);
  }
  GridPenScope(const GridPenScope&) = delete;
  GridPenScope& operator=(const GridPenScope&) = delete;

 private:
  HDC dc_;
  HPEN pen_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

bool Inside(int32_t value, int32_t low, int32_t high) {
  return value >= low && value <= high;
}

int16_t Width(const MacRect& r) {
  return static_cast<int16_t>(r.right - r.left);
}
int16_t Height(const MacRect& r) {
  return static_cast<int16_t>(r.bottom - r.top);
}

}  // namespace

bool TOutput::GridSpacing(double step, double span, int16_t length, double& pixelsPerUnit,
                          double& tickStep) {
  if (!std::isfinite(step) || !std::isfinite(span) || step <= 0.0 || span <= 0.0 || length < 1)
    return false;
  pixelsPerUnit = length / span;
  double pixels = step * pixelsPerUnit;
  if (!std::isfinite(pixels) || pixels <= 0.0) return false;
  while (pixels > kMostPixelsPerTick) {
    pixels /= 10.0;
    step /= 10.0;
  }
  while (pixels < kFewestPixelsPerTick) {
    pixels *= 2.0;
    step *= 2.0;
  }
  tickStep = step;
  return true;
}

void TOutput::PrepareZeroPixels() {
  if (columns_.empty()) return;
  const MacRect plot = GetContentFrame();
  columns_.front()->GetZeroPixel(Width(plot));
  ForEachShownColumn([&](TNumberText& column, int32_t) { column.GetZeroPixel(Height(plot)); });
}

void TOutput::PrepareCurrentPixels() {
  if (columns_.empty()) return;
  const MacRect plot = GetContentFrame();
  columns_.front()->GetCurrentPixelExactZero(Width(plot));
  ForEachShownColumn(
      [&](TNumberText& column, int32_t) { column.GetCurrentPixelExactZero(Height(plot)); });
}

void TOutput::DrawGrid(TNumberText& column, TWorldUnitHandler* handler, bool vertical) {
  const MacRect plot = GetContentFrame();
  const int16_t length = vertical ? Width(plot) : Height(plot);
  const TFormulaUnits* units = column.Formula().GetUnits();
  const double formulaFactor = units != nullptr ? units->factor : 1.0;
  const double displayFactor =
      handler != nullptr ? handler->GetDisplayFactor(column.GetUnitKind()) : 1.0;
  double k = 0.0;
  double step = 0.0;
  if (!GridSpacing(displayFactor / formulaFactor, column.GetSpan(), length, k, step)) return;
  const double lo = column.GetMinimum();
  const double hi = column.GetMaximum();
  double v = std::abs(step) < std::abs(lo) ? std::trunc(lo / step) * step : 0.0;
  bool numbered = false;
  int32_t tick = 0;
  for (; v * k <= hi * k; v += step, ++tick) {
    const int16_t p = RoundToShort(v * k - lo * k);
    if (p < 0) continue;
    if (p > length) break;
    MacPoint end;
    {
      GridPenScope pen;
      if (vertical) {
        PortMoveTo(plot.left + p, plot.top);
        RecordPolygonPoint(plot.left + p, plot.bottom);
        end = MacPoint(static_cast<int16_t>(plot.left + p), plot.bottom);
      } else {
        PortMoveTo(plot.right, plot.bottom - p);
        RecordPolygonPoint(plot.left, plot.bottom - p);
        end = MacPoint(plot.left, static_cast<int16_t>(plot.bottom - p));
      }
    }
    if (!gridNumbers_ || handler == nullptr) continue;
    const bool skip = vertical ? tick % 2 == 0
                               : (!numbered && p < lineHeight_);
    numbered = true;
    if (skip) continue;
    Str255 text;
    handler->FormatNumberWithDigits(v * formulaFactor * displayFactor, handler->GetDigits(),
                                    text);
    PortMoveTo(end.h + 2, end.v - 2);
    PortDrawPString(text);
  }
}

void TOutput::DrawGraphAxes(TWorldUnitHandler* handler) {
  if (columns_.empty()) return;
  DrawGrid(*columns_.front(), handler, true);
  WithFirstShownColumn([&](TNumberText& column, int32_t) { DrawGrid(column, handler, false); });
}

void TOutput::DrawZeroAxes() {
  if (columns_.empty()) return;
  const MacRect plot = GetContentFrame();
  TNumberText& first = *columns_.front();
  SetPortForeColor(RGB16Color{});
  WithFirstShownColumn([&](TNumberText& column, int32_t) {
    const int16_t z = column.GetZeroPixel(Height(plot));
    if (!Inside(z, 0, Height(plot))) return;
    PortMoveTo(plot.left, plot.bottom - z);
    RecordPolygonPoint(plot.right, plot.bottom - z);
  });
  const int16_t x0 = first.GetZeroPixel(Width(plot));
  if (!Inside(x0, 0, Width(plot))) return;
  SetPortForeColor(first.GetColor());
  PortMoveTo(plot.left + x0, plot.top);
  RecordPolygonPoint(plot.left + x0, plot.bottom);
  SetPortForeColor(RGB16Color{});
}

TGraphStrokes& TOutput::Strokes() {
  if (!strokes_) strokes_ = std::make_unique<TGraphStrokes>();
  return *strokes_;
}

int64_t TOutput::GetCurvePathsDrawn() const {
  return strokes_ ? strokes_->GetPathsDrawn() : 0;
}

void TOutput::PlotSegment(const MacRect& plot, bool jump) {
  TGraphStrokes& strokes = Strokes();
  strokes.Begin(GetPortDC(), plot, true);
  PlotSample(plot, jump);
  strokes.End();
}

void TOutput::PlotSample(const MacRect& plot, bool jump) {
  if (columns_.empty()) return;
  TNumberText& first = *columns_.front();
  first.InvalidateCaches();
  const int16_t width = Width(plot);
  const int16_t height = Height(plot);
  const int32_t x = plot.left + first.GetCurrentPixelExactZero(width);
  const int32_t previousX = plot.left + first.GetPreviousPixel();
  const bool xInside = Inside(x, plot.left, plot.right);
  TGraphStrokes& strokes = Strokes();
  if (!jump && connectPoints_) {
    const bool xReaches = xInside || Inside(previousX, plot.left, plot.right);
    VisitShownColumns([&](TNumberText& column, int32_t index) {
      const int32_t y = plot.bottom - column.GetCurrentPixelExactZero(height);
      const int32_t previousY = plot.bottom - column.GetPreviousPixel();
      if (!xReaches) return;
      if (!(Inside(y, plot.top, plot.bottom) || Inside(previousY, plot.top, plot.bottom))) return;
      strokes.AddSegment(index - 1, RGB16ToColorRef(column.GetColor()),
                           POINT{previousX, previousY}, POINT{x, y});
    });
  } else {
    // Unconnected samples are 2 by 2 dots reaching one pixel up and left of the sample.
    const int16_t size = connectPoints_ ? 1 : 2;
    VisitShownColumns([&](TNumberText& column, int32_t index) {
      const int32_t y = plot.bottom - column.GetCurrentPixelExactZero(height);
      if (!xInside || !Inside(y, plot.top, plot.bottom)) return;
      const int16_t left = static_cast<int16_t>(x - size + 1);
      const int16_t top = static_cast<int16_t>(y - size + 1);
      strokes.AddDot(
          index - 1, RGB16ToColorRef(column.GetColor()),
          MacRect(left, top, static_cast<int16_t>(x + 1), static_cast<int16_t>(y + 1)));
    });
  }
  for (auto& column : columns_) column->AdvancePixel();
}

void TOutput::DrawGraph(TWorldUnitHandler* handler, const FrameWalk& walk, int16_t lastRecorded) {
  if (columns_.empty()) return;
  const MacRect plot = GetContentFrame();
  PrepareZeroPixels();
  PrepareCurrentPixels();
  if (showGrid_) DrawGraphAxes(handler);
  if (showAxes_) DrawZeroAxes();
  if (GetColumnCount() < 2) return;
  ClipScope clip(plot);
  TNumberText& first = *columns_.front();
  TGraphStrokes& strokes = Strokes();
  strokes.Begin(GetPortDC(), plot, true);
  int16_t lastPlotted = kBeforeFirstFrame;
  const auto plotFrame = [&](int16_t frame, THistoryCursor& cursor) {
    if (first.Contains(frame)) return;
    ShowFrame(frame, cursor, false);
    // Frames left out (column 1 outside its range, or not recorded) break the curve: the
    // sample after them starts as a dot.
    PlotSample(plot, frame - lastPlotted > 1);
    lastPlotted = frame;
    lastPlottedFrame_ = frame;
  };
  walk(first.LowestFree(), first.HighestFree(), plotFrame);
  if (lastRecorded >= 0) {
    lastPlotted = kBeforeFirstFrame;
    walk(lastRecorded, lastRecorded, plotFrame);
  }
  strokes.End();
}

void TOutput::PlotLive(bool forcedJump) {
  if (kind_ != MeterKind::kGraph || GetColumnCount() < 2) return;
  const MacRect plot = GetContentFrame();
  const bool jump = forcedJump || currentFrame_ - lastPlottedFrame_ > 1;
  TGraphStrokes& strokes = Strokes();
  if (jump || !connectPoints_) {
    ClipScope clip(plot);
    strokes.Begin(GetPortDC(), plot, true);
    PlotSample(plot, jump);
    strokes.End();
  } else {
    // Lines limit themselves to the plot, and only when they reach out of it.
    strokes.Begin(GetPortDC(), plot, false, true);
    PlotSample(plot, false);
    strokes.End();
  }
  lastPlottedFrame_ = currentFrame_;
}
