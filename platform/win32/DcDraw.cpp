#include "platform/win32/DcDraw.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

#include "platform/win32/DcRaster.h"
#include "platform/win32/Metafile.h"

namespace {

int16_t W(int32_t v) {
  return static_cast<int16_t>(v);
}

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

// The selected pen as the drawing calls need it.
struct PenInfo {
  bool visible = false;
  int32_t width = 1;  // device pixels
  int32_t style = PS_SOLID;
  PaintSource source;
};

PenInfo CurrentPen(const DeviceContext& dc) {
  PenInfo info;
  const GdiPen* pen = LookupPen(dc.state.pen);
  if (!pen || pen->style == PS_NULL) return info;
  info.visible = true;
  info.style = pen->style;
  info.width = pen->width <= 1 ? 1 : std::max(1, dc.ScaleX(pen->width));
  info.source = PaintSource::Solid(pen->color);
  return info;
}

RECT Normalized(POINT a, POINT b) {
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

RECT Grow(const RECT& r, int64_t dx, int64_t dy) {
  return RECT{Saturate(r.left - dx), Saturate(r.top - dy), Saturate(r.right + dx),
              Saturate(r.bottom + dy)};
}

RECT Grow(const RECT& r, int32_t by) {
  return Grow(r, by, by);
}

// The pixels of a pen path: one-pixel lines by the integer line rule, wider ones by Cairo.
RegionData StrokePath(const Raster& raster, const PenInfo& pen, const std::vector<POINT>& points,
                      bool closed, RegionData* gaps) {
  if (points.empty()) return {};
  if (pen.width <= 1) {
    const PenRuns style = StyleRuns(pen.style);
    RegionData::Builder on;
    RegionData::Builder off;
    int64_t* steps = &raster.Work().lineSteps;
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
  return raster.Coverage(Grow(box, pen.width + 1), [&](cairo_t* cr) {
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

// Draws a pen path, the gaps of a styled pen in the background colour when opaque.
void DrawPath(DeviceContext& dc, Raster& raster, const PenInfo& pen,
              const std::vector<POINT>& points, bool closed, RegionData* drawnOut = nullptr) {
  if (!pen.visible) return;
  const bool opaqueGaps = pen.style != PS_SOLID && dc.state.backMode == OPAQUE;
  RegionData gaps;
  RegionData drawn = StrokePath(raster, pen, points, closed, opaqueGaps ? &gaps : nullptr);
  raster.Fill(drawn, pen.source, dc.state.rop2);
  if (opaqueGaps) raster.Fill(gaps, PaintSource::Solid(dc.state.backColor), dc.state.rop2);
  if (drawnOut) *drawnOut = RegionData::Combine(drawn, gaps, RGN_OR);
}

std::vector<POINT> ToSurface(const Raster& raster, const POINT* points, int32_t count) {
  std::vector<POINT> out;
  out.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    out.push_back(raster.ToSurface(points[i]));
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

// Fills the interior and then paints the outline, so each pixel is painted once.
void PaintShape(DeviceContext& dc, Raster& raster, const RegionData& interior,
                const RegionData& outline, const PenInfo& pen) {
  raster.Fill(interior, BrushSource(dc, dc.state.brush), dc.state.rop2);
  if (pen.visible) raster.Fill(outline, pen.source, dc.state.rop2);
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

// Draws a closed shape given by its bounding box in logical units: records it while a metafile
// is being made, else paints it through PaintClosedShape with the box in surface units.
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
      Normalized(raster.ToSurface(POINT{left, top}), raster.ToSurface(POINT{right, bottom}));
  PaintClosedShape(*dc, raster, r, [&](const RECT& b, int32_t inset) {
    return shape(*dc, b, inset, raster.Limit());
  });
  return TRUE;
}

enum class ArcKind { Arc, Pie, Chord };

// Past this radius in pixels an arc is not drawn through a Cairo path of the whole curve, whose
// segments grow in number with the radius, but from the scan-converted ellipse cut to the clip.
constexpr double kLargestCairoArc = 1 << 15;

// The arc of the ellipse with centre (cx, cy) and radii rx, ry that runs from angle a1 down to
// a2 (counter-clockwise on the screen), angles taken on the ellipse scaled to a circle.
struct ArcShape {
  double cx, cy, rx, ry, a1, a2;

  POINT At(double a) const {
    return POINT{static_cast<int32_t>(std::lround(cx + rx * std::cos(a))),
                 static_cast<int32_t>(std::lround(cy + ry * std::sin(a)))};
  }
  bool Whole() const { return a1 - a2 >= 2 * std::numbers::pi - 1e-12; }
  // Whether a point lies between the rays from the centre through the arc's ends.
  bool InSector(double x, double y) const {
    if (Whole()) return true;
    double turn = std::fmod(a1 - std::atan2((y - cy) / ry, (x - cx) / rx), 2 * std::numbers::pi);
    if (turn < 0) turn += 2 * std::numbers::pi;
    return turn <= a1 - a2;
  }
  // Whether a point lies on the arc's side of the chord joining its ends.
  bool OnArcSide(double x, double y) const {
    if (Whole()) return true;
    const double sx = cx + rx * std::cos(a1), sy = cy + ry * std::sin(a1);
    const double ex = cx + rx * std::cos(a2), ey = cy + ry * std::sin(a2);
    const double mid = (a1 + a2) / 2;
    auto side = [&](double px, double py) { return (ex - sx) * (py - sy) - (ey - sy) * (px - sx); };
    return side(x, y) * side(cx + rx * std::cos(mid), cy + ry * std::sin(mid)) >= 0;
  }
  // Where the row at height y crosses the rays through the arc's ends, or the chord.
  void Crossings(double y, bool chord, std::vector<double>& out) const {
    out.clear();
    if (Whole()) return;
    if (chord) {
      const POINT s = At(a1), e = At(a2);
      if (s.y != e.y) {
        out.push_back(s.x + (y - s.y) * (static_cast<double>(e.x) - s.x) /
                                (static_cast<double>(e.y) - s.y));
      }
      return;
    }
    for (const double a : {a1, a2}) {
      const double dy = ry * std::sin(a);
      const double along = dy != 0 ? (y - cy) / dy : -1;
      if (along >= 0) out.push_back(cx + along * rx * std::cos(a));
    }
  }
};

// The part of a shape (already cut to the clip) inside the arc's sector, or on the arc's side of
// its chord: each row is split where it crosses the rays or the chord, and each piece is kept
// or dropped whole, so the work is a few tests per visible row.
RegionData KeepArcPart(const RegionData& shape, const ArcShape& arc, bool chord) {
  RegionData::Builder kept;
  std::vector<double> crossings;
  std::vector<int32_t> cuts;
  for (const RECT& r : shape.Rects()) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      const double yc = y + 0.5;
      arc.Crossings(yc, chord, crossings);
      cuts = {r.left, r.right};
      for (const double x : crossings) {
        const double cut = std::ceil(x - 0.5);  // the first pixel whose centre is past x
        if (cut > r.left && cut < r.right) cuts.push_back(static_cast<int32_t>(cut));
      }
      std::sort(cuts.begin(), cuts.end());
      for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        if (cuts[i] >= cuts[i + 1]) continue;
        const double xc = cuts[i] + (cuts[i + 1] - cuts[i]) / 2 + 0.5;
        const bool keep = chord ? arc.OnArcSide(xc, yc) : arc.InSector(xc, yc);
        if (keep) kept.Add(y, cuts[i], cuts[i + 1]);
      }
    }
  }
  return kept.Build();
}

// An arc, pie or chord of an ellipse far larger than the surface, from the ellipse's regions cut
// to the clip: the outline is the ring of the pen's width inside the box within the sector, with
// the radii or the chord as pen lines; the inside is the ellipse within the sector or the chord.
void HugeArcRegions(const Raster& raster, ArcKind kind, const RECT& box, const ArcShape& arc,
                    const PenInfo& pen, RegionData& outline, RegionData& interior) {
  const ScanLimit limit = raster.Limit();
  if (pen.visible) {
    const int32_t w = pen.width;
    const RegionData outer = RegionData::Ellipse(box.left, box.top, box.right, box.bottom, limit);
    RegionData inner;
    if (int64_t{box.right} - box.left > 2 * int64_t{w} &&
        int64_t{box.bottom} - box.top > 2 * int64_t{w}) {
      inner = RegionData::Ellipse(box.left + w, box.top + w, box.right - w, box.bottom - w, limit);
    }
    outline = KeepArcPart(RegionData::Combine(outer, inner, RGN_DIFF), arc, false);
    if (kind != ArcKind::Arc) {
      const ArcShape inset{arc.cx, arc.cy, arc.rx - w / 2.0, arc.ry - w / 2.0, arc.a1, arc.a2};
      const POINT centre{static_cast<int32_t>(std::lround(arc.cx)),
                         static_cast<int32_t>(std::lround(arc.cy))};
      const std::vector<POINT> sides =
          kind == ArcKind::Pie ? std::vector<POINT>{inset.At(arc.a1), centre, inset.At(arc.a2)}
                               : std::vector<POINT>{inset.At(arc.a1), inset.At(arc.a2)};
      outline =
          RegionData::Combine(outline, StrokePath(raster, pen, sides, false, nullptr), RGN_OR);
    }
  }
  if (kind != ArcKind::Arc) {
    const RegionData inside =
        KeepArcPart(RegionData::Ellipse(box.left, box.top, box.right, box.bottom, limit), arc,
                    kind == ArcKind::Chord);
    interior = RegionData::Combine(inside, outline, RGN_DIFF);
  }
}

BOOL DrawArc(HDC hdc, ArcKind kind, int32_t left, int32_t top, int32_t right, int32_t bottom,
             int32_t xStart, int32_t yStart, int32_t xEnd, int32_t yEnd) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (dc->recorder) {
    const uint16_t function =
        kind == ArcKind::Arc ? META_ARC : (kind == ArcKind::Pie ? META_PIE : META_CHORD);
    dc->recorder->Record(
        function, {W(yEnd), W(xEnd), W(yStart), W(xStart), W(bottom), W(right), W(top), W(left)});
    return TRUE;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return FALSE;
  const RECT box =
      Normalized(raster.ToSurface(POINT{left, top}), raster.ToSurface(POINT{right, bottom}));
  const POINT s = raster.ToSurface(POINT{xStart, yStart});
  const POINT e = raster.ToSurface(POINT{xEnd, yEnd});
  const PenInfo pen = CurrentPen(*dc);
  const double cx = (box.left + box.right) / 2.0;
  const double cy = (box.top + box.bottom) / 2.0;
  const double rx = (box.right - box.left) / 2.0;
  const double ry = (box.bottom - box.top) / 2.0;
  if (rx <= 0 || ry <= 0) return TRUE;
  const double a1 = std::atan2((s.y - cy) / ry, (s.x - cx) / rx);
  double a2 = std::atan2((e.y - cy) / ry, (e.x - cx) / rx);
  if (a2 >= a1) a2 -= 2 * std::numbers::pi;  // counter-clockwise on the screen
  auto path = [&](cairo_t* cr, double inset, bool closedShape) {
    const double prx = std::max(rx - inset, 0.01);
    const double pry = std::max(ry - inset, 0.01);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, prx, pry);
    if (kind == ArcKind::Pie && closedShape) cairo_move_to(cr, 0, 0);
    cairo_arc_negative(cr, 0, 0, 1, a1, a2);
    if (closedShape) cairo_close_path(cr);
    cairo_restore(cr);
  };
  RegionData outline;
  RegionData interior;
  if (std::max(rx, ry) > kLargestCairoArc) {
    HugeArcRegions(raster, kind, box, ArcShape{cx, cy, rx, ry, a1, a2}, pen, outline, interior);
    PaintShape(*dc, raster, interior, outline, pen);
    return TRUE;
  }
  const RECT bounds = Grow(box, pen.width + 1);
  if (pen.visible) {
    outline = raster.Coverage(bounds, [&](cairo_t* cr) {
      path(cr, pen.width / 2.0, kind != ArcKind::Arc);
      cairo_set_line_width(cr, pen.width);
      cairo_stroke(cr);
    });
  }
  if (kind != ArcKind::Arc) {
    interior = raster.Coverage(bounds, [&](cairo_t* cr) {
      path(cr, 0, true);
      cairo_fill(cr);
    });
    interior = RegionData::Combine(interior, outline, RGN_DIFF);
  }
  PaintShape(*dc, raster, interior, outline, pen);
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
  DrawPath(*dc, raster, CurrentPen(*dc), {raster.ToSurface(from), raster.ToSurface({x, y})}, false);
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
  DrawPath(*dc, raster, CurrentPen(*dc), ToSurface(raster, points, count), false);
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
  RegionData outline;
  if (pen.visible) outline = StrokePath(raster, pen, surfacePoints, true, nullptr);
  const RegionData fill = RegionData::Combine(
      RegionData::Polygon(surfacePoints, dc->state.polyFillMode, raster.Limit()), outline,
      RGN_DIFF);
  raster.Fill(fill, BrushSource(*dc, dc->state.brush), dc->state.rop2);
  DrawPath(*dc, raster, pen, surfacePoints, true);
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

BOOL Arc(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart,
         int32_t yStart, int32_t xEnd, int32_t yEnd) {
  return DrawArc(hdc, ArcKind::Arc, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL Pie(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart,
         int32_t yStart, int32_t xEnd, int32_t yEnd) {
  return DrawArc(hdc, ArcKind::Pie, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL Chord(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart,
           int32_t yStart, int32_t xEnd, int32_t yEnd) {
  return DrawArc(hdc, ArcKind::Chord, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
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
  return region.Within(RECT{Saturate(int64_t{c.left} - dc.origin.x - marginX),
                            Saturate(int64_t{c.top} - dc.origin.y - marginY),
                            Saturate(int64_t{c.right} - dc.origin.x + marginX),
                            Saturate(int64_t{c.bottom} - dc.origin.y + marginY)});
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
  const RECT r = Normalized(raster.ToSurface(POINT{rect->left, rect->top}),
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
  raster.Fill(OnSurface(*dc, NearClip(*dc, raster, rgn->data)), BrushSource(*dc, brush),
              R2_COPYPEN);
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
  raster.Fill(OnSurface(*dc, NearClip(*dc, raster, rgn->data)), PaintSource::Solid(0), R2_NOT);
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
  const RegionData near = NearClip(*dc, raster, rgn->data, width, height);
  raster.Fill(OnSurface(*dc, Frame(near, width, height)), BrushSource(*dc, brush), R2_COPYPEN);
  return TRUE;
}
