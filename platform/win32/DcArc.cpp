// Arcs, pies and chords: through a Cairo path of the curve, or, for ellipses far larger than
// any surface, from the ellipse's regions cut to the clip.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/win32/DcDraw.h"
#include "platform/win32/DcPen.h"
#include "platform/win32/DcRaster.h"
#include "platform/win32/Metafile.h"

namespace {

int16_t W(int32_t v) {
  return static_cast<int16_t>(v);
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
      NormalizedRect(raster.ToSurface(POINT{left, top}), raster.ToSurface(POINT{right, bottom}));
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
  const RECT bounds = GrowRect(box, pen.width + 1);
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
