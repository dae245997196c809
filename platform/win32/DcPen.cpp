// The selected pen, pen paths and the painting of shapes, shared by the drawing calls.

#include "platform/win32/DcPen.h"

#include <algorithm>

namespace {

// Run lengths of the styled one-pixel pens: on, off, on, off...
PenRuns StyleRuns(int32_t style) {
  static constexpr int32_t kDash[] = {18, 6};
  static constexpr int32_t kDot[] = {3, 3};
  static constexpr int32_t kDashDot[] = {9, 6, 3, 6};
  static constexpr int32_t kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (style) {
    case PS_DASH:
      return {kDash, 2};
    case PS_DOT:
      return {kDot, 2};
    case PS_DASHDOT:
      return {kDashDot, 4};
    case PS_DASHDOTDOT:
      return {kDashDotDot, 6};
    default:
      return {nullptr, 0};
  }
}

}  // namespace

PenInfo CurrentPen(const DeviceContext& dc) {
  PenInfo info;
  const GdiPen* pen = LookupPen(dc.state.pen);
  if (!pen || pen->style == PS_NULL) return info;
  info.visible = true;
  info.style = pen->style;
  info.width = pen->width <= 1 ? 1 : std::max(1, dc.ScaleX(pen->width));
  info.pixel = ColorToPixel(pen->color);
  return info;
}

RECT NormalizedRect(POINT a, POINT b) {
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

int32_t SaturateInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

RECT GrowRect(const RECT& r, int64_t dx, int64_t dy) {
  return RECT{SaturateInt32(r.left - dx), SaturateInt32(r.top - dy), SaturateInt32(r.right + dx),
              SaturateInt32(r.bottom + dy)};
}

RECT GrowRect(const RECT& r, int32_t by) {
  return GrowRect(r, by, by);
}

RegionData StrokePath(const Raster& raster, const PenInfo& pen, std::span<const POINT> points,
                      bool closed, RegionData* gaps) {
  if (points.empty()) return {};
  if (pen.width <= 1) {
    const PenRuns style = StyleRuns(pen.style);
    RegionData::Builder& on = raster.Scratch().on;
    RegionData::Builder& off = raster.Scratch().off;
    int64_t* steps = &raster.Work().lineSteps;
    // An upright rectangle's outline, the commonest path, is its ring: no line needs walking.
    // A ring of three pixels or more each way that lies inside the clip box is made at once.
    RECT corners;
    const RECT& box = raster.ClipBox();
    if ((closed || points.size() == 5) && style.count == 0 &&
        UprightRectangle(points.data(), points.size(), corners) &&
        corners.right - corners.left >= 2 && corners.bottom - corners.top >= 2 &&
        corners.left >= box.left && corners.top >= box.top && corners.right < box.right &&
        corners.bottom < box.bottom) {
      *steps += 2 * (int64_t{corners.right} - corners.left + corners.bottom - corners.top);
      if (gaps) *gaps = RegionData{};
      return RegionData::Ring(corners.left, corners.top, corners.right, corners.bottom);
    }
    if ((closed || points.size() == 5) && style.count == 0 &&
        RectangleRingPixels(points.data(), points.size(), raster.ClipBox(), steps, on)) {
      RegionData drawn = on.Build();
      if (gaps) *gaps = RegionData{};
      return drawn;
    }
    for (size_t i = 0; i + 1 < points.size(); ++i) {
      LinePixels(points[i], points[i + 1], style, raster.ClipBox(), steps, on,
                 gaps ? &off : nullptr);
    }
    if (closed && points.size() > 1) {
      LinePixels(points.back(), points.front(), style, raster.ClipBox(), steps, on,
                 gaps ? &off : nullptr);
    }
    RegionData drawn = on.Build();
    if (gaps) *gaps = RegionData::Combine(off.Build(), drawn, RGN_DIFF);
    return drawn;
  }
  RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const POINT& p : points) {
    box = RECT{std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x),
               std::max(box.bottom, p.y)};
  }
  return raster.Coverage(GrowRect(box, pen.width + 1), [&](cairo_t* cr) {
    cairo_set_line_width(cr, pen.width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
    for (size_t i = 1; i < points.size(); ++i) {
      cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
    }
    if (closed) cairo_close_path(cr);
    cairo_stroke(cr);
  });
}

void PaintShape(DeviceContext& dc, Raster& raster, const RegionData& interior,
                const RegionData& outline, const PenInfo& pen) {
  raster.Fill(interior, BrushSource(dc, dc.state.brush), dc.state.rop2);
  if (pen.visible) raster.FillSolid(outline, pen.pixel, dc.state.rop2);
}
