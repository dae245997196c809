#include "platform/win32/DcDraw.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <vector>

#include "platform/win32/DcPen.h"
#include "platform/win32/DcRaster.h"
#include "platform/win32/Metafile.h"

namespace {

int16_t W(int32_t v) {
  return static_cast<int16_t>(v);
}

// The pixels a pen path covers, and the gaps of a styled pen when they are painted too.
struct Stroke {
  RegionData drawn;
  RegionData gaps;
  bool opaqueGaps = false;
};

Stroke StrokeOf(const DeviceContext& dc, const Raster& raster, const PenInfo& pen,
                std::span<const POINT> points, bool closed) {
  Stroke stroke;
  if (!pen.visible) return stroke;
  stroke.opaqueGaps = pen.style != PS_SOLID && dc.state.backMode == OPAQUE;
  stroke.drawn = StrokePath(raster, pen, points, closed, stroke.opaqueGaps ? &stroke.gaps : nullptr);
  return stroke;
}

// Paints a stroke: the pen's pixels, and the gaps in the background colour when opaque.
void PaintStroke(const DeviceContext& dc, Raster& raster, const PenInfo& pen, const Stroke& stroke) {
  if (!pen.visible) return;
  raster.FillSolid(stroke.drawn, pen.pixel, dc.state.rop2);
  if (stroke.opaqueGaps)
    raster.FillSolid(stroke.gaps, ColorToPixel(dc.state.backColor), dc.state.rop2);
}

// Draws a pen path, the gaps of a styled pen in the background colour when opaque.
void DrawPath(DeviceContext& dc, Raster& raster, const PenInfo& pen, std::span<const POINT> points,
              bool closed) {
  if (pen.visible && pen.width <= 1 && pen.style == PS_SOLID &&
      raster.PaintSolidLines(points, closed, pen.pixel, dc.state.rop2))
    return;
  PaintStroke(dc, raster, pen, StrokeOf(dc, raster, pen, points, closed));
}

// What a polygon's brush paints: its area less the pen's pixels. An upright rectangle inside
// a solid one-pixel outline is the rectangle within the ring, cut to the clip box.
RegionData PolygonInterior(const Raster& raster, const PenInfo& pen,
                           const std::vector<POINT>& points, int32_t fillMode,
                           const Stroke& stroke) {
  RECT corners;
  if (pen.visible && pen.width <= 1 && pen.style == PS_SOLID &&
      UprightRectangle(points.data(), points.size(), corners)) {
    return RegionData::Rect(corners.left + 1, corners.top + 1, corners.right, corners.bottom)
        .Within(raster.ClipBox());
  }
  RegionData fill = RegionData::Polygon(points, fillMode, raster.Limit());
  if (!stroke.drawn.IsEmpty()) fill = RegionData::Combine(fill, stroke.drawn, RGN_DIFF);
  return fill;
}

// The points in surface coordinates, in out (whose buffer is kept for the next call).
void ToSurface(const Raster& raster, const POINT* points, int32_t count, std::vector<POINT>& out) {
  out.resize(static_cast<size_t>(count));
  POINT* to = out.data();
  if (POINT shift; raster.PlainShift(shift)) {
    // Points near the origin need no clamping: the plain mapping is then one shift. The shift
    // is made in unsigned arithmetic, which wraps for far points; they are all mapped again.
    constexpr uint32_t kNear = 1u << 28;
    bool far = false;
    for (int32_t i = 0; i < count; ++i) {
      const auto x = static_cast<uint32_t>(points[i].x);
      const auto y = static_cast<uint32_t>(points[i].y);
      far = far || x + kNear >= 2 * kNear || y + kNear >= 2 * kNear;
      to[i] = POINT{static_cast<int32_t>(x + static_cast<uint32_t>(shift.x)),
                    static_cast<int32_t>(y + static_cast<uint32_t>(shift.y))};
    }
    if (!far) return;
  }
  for (int32_t i = 0; i < count; ++i) to[i] = raster.ToSurface(points[i]);
}

std::vector<POINT> ToSurface(const Raster& raster, const POINT* points, int32_t count) {
  std::vector<POINT> out;
  ToSurface(raster, points, count, out);
  return out;
}

void RecordPoints(MetafileRecorder& recorder, uint16_t function, const POINT* points,
                  int32_t count) {
  std::vector<uint8_t> bytes;
  PutWord(bytes, static_cast<uint16_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    PutWord(bytes, static_cast<uint16_t>(points[i].x));
    PutWord(bytes, static_cast<uint16_t>(points[i].y));
  }
  recorder.RecordBytes(function, bytes);
}

// A closed shape in the surface bounds r, made by shape(bounds, inset): without a pen the filled
// area is one pixel narrower and shorter; with one, the outline is the ring pen.width wide inside
// r, and the interior is the shape inset by that width when there is room for it.
template <typename Shape>
void PaintClosedShape(DeviceContext& dc, Raster& raster, const RECT& r, Shape shape) {
  const PenInfo pen = CurrentPen(dc);
  if (!pen.visible) {
    PaintShape(dc, raster, shape(RECT{r.left, r.top, r.right - 1, r.bottom - 1}, 0), {}, pen);
    return;
  }
  const int32_t w = pen.width;
  const RegionData outer = shape(r, 0);
  RegionData inner;
  if (int64_t{r.right} - r.left > 2 * int64_t{w} && int64_t{r.bottom} - r.top > 2 * int64_t{w})
    inner = shape(RECT{r.left + w, r.top + w, r.right - w, r.bottom - w}, w);
  PaintShape(dc, raster, inner, RegionData::Combine(outer, inner, RGN_DIFF), pen);
}

bool Styled(const PenInfo& pen) {
  return pen.visible && pen.style >= PS_DASH && pen.style <= PS_DASHDOTDOT;
}

// A rectangle whose pen has dashes or dots: its outline is the pen's closed path along the
// box's edge pixels, so that the gaps show, and the brush fills inside it.
void PaintStyledRectangle(DeviceContext& dc, Raster& raster, const RECT& r, const PenInfo& pen) {
  const POINT corners[] = {{r.left, r.top},
                           {r.right - 1, r.top},
                           {r.right - 1, r.bottom - 1},
                           {r.left, r.bottom - 1}};
  const Stroke stroke = StrokeOf(dc, raster, pen, corners, true);
  const PaintSource brush = BrushSource(dc, dc.state.brush);
  if (brush.kind != PaintSource::Kind::None && r.right - r.left > 2 && r.bottom - r.top > 2) {
    raster.Fill(
        RegionData::Rect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1).Within(raster.ClipBox()),
        brush, dc.state.rop2);
  }
  PaintStroke(dc, raster, pen, stroke);
}

// Draws a closed shape given by its bounding box in logical units: records it while a metafile
// is being made, else paints it through PaintClosedShape with the box in surface units (a
// rectangle with a styled pen through PaintStyledRectangle).
template <typename Shape>
BOOL DrawBoxShape(HDC hdc, uint16_t function, std::initializer_list<int16_t> parameters,
                  int32_t left, int32_t top, int32_t right, int32_t bottom, Shape shape) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (dc->recorder) {
    dc->recorder->Record(function, parameters);
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  const RECT r =
      NormalizedRect(raster.ToSurface(POINT{left, top}), raster.ToSurface(POINT{right, bottom}));
  if (const PenInfo pen = CurrentPen(*dc); function == META_RECTANGLE && Styled(pen)) {
    PaintStyledRectangle(*dc, raster, r, pen);
    return TRUE;
  }
  PaintClosedShape(*dc, raster, r, [&](const RECT& b, int32_t inset) {
    return shape(*dc, b, inset, raster.Limit());
  });
  return TRUE;
}

}  // namespace

BOOL MoveToEx(HDC hdc, int32_t x, int32_t y, POINT* previous) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (dc->recorder) dc->recorder->Record(META_MOVETO, {W(y), W(x)});
  if (previous) *previous = dc->state.position;
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int32_t x, int32_t y) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  const POINT from = dc->state.position;
  dc->state.position = POINT{x, y};
  if (dc->recorder) {
    dc->recorder->Record(META_LINETO, {W(y), W(x)});
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  const POINT ends[2] = {raster.ToSurface(from), raster.ToSurface({x, y})};
  DrawPath(*dc, raster, CurrentPen(*dc), ends, false);
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int32_t count) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !points || count < 2) return FALSE;
  if (dc->recorder) {
    RecordPoints(*dc->recorder, META_POLYLINE, points, count);
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  std::vector<POINT>& surfacePoints = dc->scratch.points;
  ToSurface(raster, points, count, surfacePoints);
  DrawPath(*dc, raster, CurrentPen(*dc), surfacePoints, false);
  surfacePoints.clear();
  return TRUE;
}

BOOL PolylinesInColors(HDC hdc, const POINT* points, const int32_t* counts, const COLORREF* colors,
                       int32_t paths) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || dc->recorder || paths < 0) return FALSE;
  if (paths > 0 && (!points || !counts || !colors)) return FALSE;
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  int64_t total = 0;
  for (int32_t i = 0; i < paths; ++i) total += std::max(counts[i], 0);
  if (total > INT32_MAX) return FALSE;
  std::vector<POINT>& surfacePoints = dc->scratch.points;
  ToSurface(raster, points, static_cast<int32_t>(total), surfacePoints);
  const std::span<const POINT> all(surfacePoints);
  if (raster.PaintSolidPaths(all, std::span(counts, static_cast<size_t>(paths)), colors,
                             dc->state.rop2)) {
    surfacePoints.clear();
    return TRUE;
  }
  PenInfo pen;
  pen.visible = true;
  size_t first = 0;
  for (int32_t i = 0; i < paths; ++i) {
    const auto count = static_cast<size_t>(std::max(counts[i], 0));
    if (count >= 2) {
      pen.pixel = ColorToPixel(colors[i]);
      DrawPath(*dc, raster, pen, all.subspan(first, count), false);
    }
    first += count;
  }
  surfacePoints.clear();
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int32_t count) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !points || count < 2) return FALSE;
  if (dc->recorder) {
    RecordPoints(*dc->recorder, META_POLYGON, points, count);
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  const std::vector<POINT> surfacePoints = ToSurface(raster, points, count);
  const PenInfo pen = CurrentPen(*dc);
  // The outline is worked out once: the interior leaves its pixels to the pen.
  const Stroke stroke = StrokeOf(*dc, raster, pen, surfacePoints, true);
  const PaintSource brush = BrushSource(*dc, dc->state.brush);
  if (brush.kind != PaintSource::Kind::None) {
    raster.Fill(PolygonInterior(raster, pen, surfacePoints, dc->state.polyFillMode, stroke), brush,
                dc->state.rop2);
  }
  PaintStroke(*dc, raster, pen, stroke);
  return TRUE;
}

BOOL Rectangle(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return DrawBoxShape(hdc, META_RECTANGLE, {W(bottom), W(right), W(top), W(left)}, left, top, right,
                      bottom, [](DeviceContext&, const RECT& b, int32_t, const ScanLimit& limit) {
                        return RegionData::Rect(b.left, b.top, b.right, b.bottom).Within(limit.box);
                      });
}

BOOL RoundRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
               int32_t height) {
  return DrawBoxShape(
      hdc, META_ROUNDRECT, {W(height), W(width), W(bottom), W(right), W(top), W(left)}, left, top,
      right, bottom,
      [width, height](DeviceContext& dc, const RECT& b, int32_t inset, const ScanLimit& limit) {
        // The inner corners are smaller by the ring on both sides.
        const int32_t cw = dc.ScaleX(width);
        const int32_t ch = dc.ScaleY(height);
        const int32_t w = inset > 0 ? std::max(cw - 2 * inset, 0) : cw;
        const int32_t h = inset > 0 ? std::max(ch - 2 * inset, 0) : ch;
        return RegionData::RoundRect(b.left, b.top, b.right, b.bottom, w, h, limit);
      });
}

BOOL Ellipse(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return DrawBoxShape(hdc, META_ELLIPSE, {W(bottom), W(right), W(top), W(left)}, left, top, right,
                      bottom, [](DeviceContext&, const RECT& b, int32_t, const ScanLimit& limit) {
                        return RegionData::Ellipse(b.left, b.top, b.right, b.bottom, limit);
                      });
}

namespace {

// A region fill recorded into a metafile as pattern blits of its rectangles.
void RecordRegionBlits(HDC hdc, const RegionData& region, HBRUSH brush, DWORD rop) {
  HGDIOBJ previous = brush ? SelectObject(hdc, brush) : nullptr;
  for (const RECT& r : region.Rects()) {
    PatBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, rop);
  }
  if (previous) SelectObject(hdc, previous);
}

// The part of a device-coordinate region that can land on the clip box (grown by the margins),
// still in device coordinates: the region is cut before any work proportional to its size.
RegionData NearClip(const DeviceContext& dc, const Raster& raster, const RegionData& region,
                    int32_t marginX = 0, int32_t marginY = 0) {
  const RECT& c = raster.ClipBox();
  return region.Within(RECT{SaturateInt32(int64_t{c.left} - dc.origin.x - marginX),
                            SaturateInt32(int64_t{c.top} - dc.origin.y - marginY),
                            SaturateInt32(int64_t{c.right} - dc.origin.x + marginX),
                            SaturateInt32(int64_t{c.bottom} - dc.origin.y + marginY)});
}

// A region as the region fills take it, in logical coordinates, moved to device coordinates by
// the mapping's shift (regions are filled under the plain mapping alone).
RegionData ToDevice(const DeviceContext& dc, RegionData region) {
  const POINT shift = dc.ToDevice(POINT{0, 0});
  region.Offset(shift.x, shift.y);
  return region;
}

// A device-coordinate region of a context moved to surface coordinates.
RegionData OnSurface(const DeviceContext& dc, RegionData region) {
  region.Offset(dc.origin.x, dc.origin.y);
  return region;
}

// The frame of a region: its pixels within width columns or height rows of its outside.
RegionData Frame(const RegionData& region, int32_t width, int32_t height) {
  const RECT box = region.Box();
  if (width >= int64_t{box.right} - box.left || height >= int64_t{box.bottom} - box.top) {
    return region;  // no pixel is that far inside
  }
  RegionData inner = region;
  for (const POINT shift :
       {POINT{width, 0}, POINT{-width, 0}, POINT{0, height}, POINT{0, -height}}) {
    RegionData moved = region;
    moved.Offset(shift.x, shift.y);
    inner = RegionData::Combine(inner, moved, RGN_AND);
  }
  return RegionData::Combine(region, inner, RGN_DIFF);
}

}  // namespace

int32_t FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !rect || !LookupBrush(brush)) return 0;
  if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  if (dc->recorder) {
    HGDIOBJ previous = SelectObject(hdc, brush);
    PatBlt(hdc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, PATCOPY);
    SelectObject(hdc, previous);
    return 1;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return 0;
  const RECT r = NormalizedRect(raster.ToSurface(POINT{rect->left, rect->top}),
                                raster.ToSurface(POINT{rect->right, rect->bottom}));
  raster.Fill(RegionData::Rect(r.left, r.top, r.right, r.bottom), BrushSource(*dc, brush),
              R2_COPYPEN);
  return 1;
}

int32_t FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !rect || !LookupBrush(brush)) return 0;
  if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  const RECT& r = *rect;
  const RECT sides[4] = {{r.left, r.top, r.right, r.top + 1},
                         {r.left, r.bottom - 1, r.right, r.bottom},
                         {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                         {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
  for (const RECT& side : sides)
    FillRect(hdc, &side, brush);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  if (!rect) return FALSE;
  return PatBlt(hdc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                DSTINVERT);
}

BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush) {
  DeviceContext* dc = LookupDC(hdc);
  const GdiRegion* rgn = LookupRegion(region);
  if (!dc || !rgn || !LookupBrush(brush)) return FALSE;
  if (dc->recorder) {
    RecordRegionBlits(hdc, rgn->data, brush, PATCOPY);
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  raster.Fill(OnSurface(*dc, NearClip(*dc, raster, ToDevice(*dc, rgn->data))),
              BrushSource(*dc, brush), R2_COPYPEN);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN region) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  return FillRgn(hdc, region, dc->state.brush);
}

BOOL InvertRgn(HDC hdc, HRGN region) {
  DeviceContext* dc = LookupDC(hdc);
  const GdiRegion* rgn = LookupRegion(region);
  if (!dc || !rgn) return FALSE;
  if (dc->recorder) {
    RecordRegionBlits(hdc, rgn->data, nullptr, DSTINVERT);
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  raster.Fill(OnSurface(*dc, NearClip(*dc, raster, ToDevice(*dc, rgn->data))),
              PaintSource::Solid(0), R2_NOT);
  return TRUE;
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int32_t width, int32_t height) {
  DeviceContext* dc = LookupDC(hdc);
  const GdiRegion* rgn = LookupRegion(region);
  if (!dc || !rgn || !LookupBrush(brush) || width < 1 || height < 1) return FALSE;
  if (dc->recorder) {
    RecordRegionBlits(hdc, Frame(rgn->data, width, height), brush, PATCOPY);
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  // Whether a pixel of the clip box is on the frame depends only on the region within width
  // columns and height rows of it, so the region is cut that much beyond the box first.
  const RegionData near = NearClip(*dc, raster, ToDevice(*dc, rgn->data), width, height);
  raster.Fill(OnSurface(*dc, Frame(near, width, height)), BrushSource(*dc, brush), R2_COPYPEN);
  return TRUE;
}
