#include "platform/win32/DcRaster.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

uint32_t ApplyRop2(int32_t r, uint32_t p, uint32_t d) {
  uint32_t result = 0;
  switch (r) {
    case R2_BLACK:
      result = 0;
      break;
    case R2_NOTMERGEPEN:
      result = ~(p | d);
      break;
    case R2_MASKNOTPEN:
      result = ~p & d;
      break;
    case R2_NOTCOPYPEN:
      result = ~p;
      break;
    case R2_MASKPENNOT:
      result = p & ~d;
      break;
    case R2_NOT:
      result = ~d;
      break;
    case R2_XORPEN:
      result = p ^ d;
      break;
    case R2_NOTMASKPEN:
      result = ~(p & d);
      break;
    case R2_MASKPEN:
      result = p & d;
      break;
    case R2_NOTXORPEN:
      result = ~(p ^ d);
      break;
    case R2_NOP:
      result = d;
      break;
    case R2_MERGENOTPEN:
      result = ~p | d;
      break;
    case R2_MERGEPENNOT:
      result = p | ~d;
      break;
    case R2_MERGEPEN:
      result = p | d;
      break;
    case R2_WHITE:
      result = 0xFFFFFF;
      break;
    default:  // R2_COPYPEN
      result = p;
      break;
  }
  return result & 0xFFFFFF;
}

uint32_t ApplyRop3(DWORD rop, uint32_t p, uint32_t s, uint32_t d) {
  const uint32_t table = (rop >> 16) & 0xFF;
  switch (table) {  // the common ones directly
    case 0xCC:
      return s & 0xFFFFFF;
    case 0xF0:
      return p & 0xFFFFFF;
    case 0x88:
      return s & d & 0xFFFFFF;
    case 0x66:
      return (s ^ d) & 0xFFFFFF;
    case 0xEE:
      return (s | d) & 0xFFFFFF;
    case 0x55:
      return ~d & 0xFFFFFF;
    case 0x00:
      return 0;
    case 0xFF:
      return 0xFFFFFF;
    default:
      break;
  }
  uint32_t result = 0;
  for (int index = 0; index < 8; ++index) {
    if (!((table >> index) & 1)) continue;
    const uint32_t pt = (index & 4) ? p : ~p;
    const uint32_t st = (index & 2) ? s : ~s;
    const uint32_t dt = (index & 1) ? d : ~d;
    result |= pt & st & dt;
  }
  return result & 0xFFFFFF;
}

bool Rop2ReadsDestination(int32_t rop2) {
  switch (rop2) {
    case R2_BLACK:
    case R2_NOTCOPYPEN:
    case R2_COPYPEN:
    case R2_WHITE:
      return false;
    default:
      // Anything unknown is painted as R2_COPYPEN.
      return rop2 >= R2_BLACK && rop2 <= R2_WHITE;
  }
}

bool Rop3ReadsDestination(DWORD rop) {
  // Bit i of the truth table is the result for destination bit (i & 1): the operation reads the
  // destination when some pair of entries differing only there differs.
  const uint32_t table = (rop >> 16) & 0xFF;
  return ((table ^ (table >> 1)) & 0x55) != 0;
}

PaintSource PaintSource::Solid(COLORREF color) {
  PaintSource source;
  source.kind = Kind::Solid;
  source.pixel = ColorToPixel(color);
  return source;
}

PaintSource BrushSource(const DeviceContext& dc, HBRUSH handle) {
  PaintSource source;
  const GdiBrush* brush = LookupBrush(handle);
  if (!brush || brush->style == BS_NULL) return source;
  if (brush->style == BS_SOLID) return PaintSource::Solid(brush->color);
  source.kind = PaintSource::Kind::Pattern;
  source.origin = POINT{dc.origin.x + dc.state.brushOrigin.x, dc.origin.y + dc.state.brushOrigin.y};
  const uint32_t fore = ColorToPixel(dc.state.textColor);
  const uint32_t back = ColorToPixel(dc.state.backColor);
  for (int i = 0; i < 64; ++i) {
    const uint32_t value = brush->pattern[i];
    if (brush->style == BS_HATCHED) {
      source.pattern[i] = value ? ColorToPixel(brush->color) : back;
      source.skip[i] = !value && dc.state.backMode == TRANSPARENT;
      source.anySkip = source.anySkip || source.skip[i];
    } else if (brush->monochrome) {
      source.pattern[i] = value ? back : fore;
    } else {
      source.pattern[i] = value;
    }
  }
  return source;
}

namespace {

const RegionData& NoPixels() {
  static const RegionData none;
  return none;
}

}  // namespace

Raster::Raster(DeviceContext& dc) : dc_(dc), clip_(&NoPixels()), clipBox_{0, 0, 0, 0} {
  if (!dc.surface) return;
  cairo_surface_flush(dc.surface);
  data_ = cairo_image_surface_get_data(dc.surface);
  stride_ = cairo_image_surface_get_stride(dc.surface);
  width_ = cairo_image_surface_get_width(dc.surface);
  height_ = cairo_image_surface_get_height(dc.surface);
  clip_ = &dc.EffectiveClip();
  clipBox_ = clip_->Box();
  if (dc.kind == DeviceContext::Kind::Memory) {
    const GdiBitmap* bitmap = LookupBitmap(dc.state.bitmap);
    monochrome_ = bitmap && bitmap->monochrome;
  }
}

namespace {

uint32_t NearestMono(uint32_t pixel) {
  const uint32_t r = (pixel >> 16) & 0xFF;
  const uint32_t g = (pixel >> 8) & 0xFF;
  const uint32_t b = pixel & 0xFF;
  return (r * 30 + g * 59 + b * 11) >= 128 * 100 ? 0xFFFFFF : 0;
}

}  // namespace

Raster::~Raster() {
  if (data_) cairo_surface_mark_dirty(dc_.surface);
}

const std::vector<RECT>& Raster::Clipped(const RegionData& shape, RegionData& area) const {
  // Only the bands of the shape that meet the clip box are visited; a clip of more than one
  // rectangle then takes the region intersection. A shape inside a clip of one rectangle is
  // painted as it stands.
  const RECT box = shape.Box();
  const bool inside = clip_->Rects().size() <= 1 && box.left >= clipBox_.left &&
                      box.top >= clipBox_.top && box.right <= clipBox_.right &&
                      box.bottom <= clipBox_.bottom;
  if (inside) return shape.Rects();
  area = shape.Within(clipBox_);
  if (clip_->Rects().size() > 1) area = RegionData::Combine(area, *clip_, RGN_AND);
  return area.Rects();
}

void Raster::FillSolid(const RegionData& shape, uint32_t pixel, int32_t rop2) {
  if (!data_ || shape.IsEmpty()) return;
  CountPaint(dc_.work, Rop2ReadsDestination(rop2));
  dc_.work.largestRegion = std::max(dc_.work.largestRegion, shape.Rects().size());
  RegionData area;
  const std::vector<RECT>& rects = Clipped(shape, area);
  if (rop2 == R2_COPYPEN && !monochrome_) {
    for (const RECT& r : rects) {
      for (int32_t y = r.top; y < r.bottom; ++y)
        std::fill(Row(y) + r.left, Row(y) + r.right, pixel);
    }
    return;
  }
  const uint32_t pen = monochrome_ ? NearestMono(pixel) : pixel;
  for (const RECT& r : rects) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint32_t* row = Row(y);
      for (int32_t x = r.left; x < r.right; ++x) row[x] = ApplyRop2(rop2, pen, row[x] & 0xFFFFFF);
    }
  }
}

void Raster::Fill(const RegionData& shape, const PaintSource& source, int32_t rop2) {
  if (source.kind == PaintSource::Kind::Solid) {
    FillSolid(shape, source.pixel, rop2);
    return;
  }
  if (!data_ || source.kind == PaintSource::Kind::None || shape.IsEmpty()) return;
  CountPaint(dc_.work, Rop2ReadsDestination(rop2));
  dc_.work.largestRegion = std::max(dc_.work.largestRegion, shape.Rects().size());
  RegionData area;
  const std::vector<RECT>& rects = Clipped(shape, area);
  // A pattern copied without transparent pixels repeats its row of 8 pixels along each row.
  const bool patternCopy = rop2 == R2_COPYPEN && !monochrome_ && !source.anySkip;
  for (const RECT& r : rects) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint32_t* row = Row(y);
      if (patternCopy) {
        const uint32_t* pattern = &source.pattern[((y - source.origin.y) & 7) * 8];
        for (int32_t x = r.left; x < r.right; ++x)
          row[x] = pattern[(x - source.origin.x) & 7] & 0xFFFFFF;
        continue;
      }
      for (int32_t x = r.left; x < r.right; ++x) {
        if (source.Skips(x, y)) continue;
        uint32_t pen = source.At(x, y);
        if (monochrome_) pen = NearestMono(pen);
        row[x] = ApplyRop2(rop2, pen, row[x] & 0xFFFFFF);
      }
    }
  }
}

RegionData CairoCoverage(const RECT& bounds, const std::function<void(cairo_t*)>& draw) {
  const int32_t width = bounds.right - bounds.left;
  const int32_t height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return {};
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(mask);
    return {};
  }
  cairo_t* cr = cairo_create(mask);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, -bounds.left, -bounds.top);
  draw(cr);
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  const unsigned char* data = cairo_image_surface_get_data(mask);
  const int32_t stride = cairo_image_surface_get_stride(mask);
  RegionData::Builder builder;
  for (int32_t y = 0; y < height; ++y) {
    const unsigned char* row = data + y * stride;
    int32_t x = 0;
    while (x < width) {
      while (x < width && row[x] < 128)
        ++x;
      const int32_t start = x;
      while (x < width && row[x] >= 128)
        ++x;
      if (x > start) builder.Add(y + bounds.top, start + bounds.left, x + bounds.left);
    }
  }
  cairo_surface_destroy(mask);
  return builder.Build();
}

RegionData Raster::Coverage(const RECT& bounds, const std::function<void(cairo_t*)>& draw) const {
  // Two pixels beyond the clip box, so that where Cairo cuts the shape at the mask's edges
  // makes no difference to the pixels kept.
  constexpr int32_t kMargin = 2;
  const RECT cut{std::max(bounds.left, clipBox_.left - kMargin),
                 std::max(bounds.top, clipBox_.top - kMargin),
                 std::min(bounds.right, clipBox_.right + kMargin),
                 std::min(bounds.bottom, clipBox_.bottom + kMargin)};
  if (cut.left >= cut.right || cut.top >= cut.bottom) return {};
  dc_.work.maskPixels += (int64_t{cut.right} - cut.left) * (int64_t{cut.bottom} - cut.top);
  return CairoCoverage(cut, draw);
}

namespace {

using Wide = __int128;

bool FitsInt64(Wide v) {
  return v >= INT64_MIN && v <= INT64_MAX;
}

// The smallest integer not below p / q, and the largest not above it, for q > 0. Lines on a
// surface keep to 64 bits, where the division is done in a single instruction.
Wide CeilDiv(Wide p, Wide q) {
  if (FitsInt64(p) && FitsInt64(q)) {
    const auto a = static_cast<int64_t>(p);
    const auto b = static_cast<int64_t>(q);
    return a / b + (a % b > 0 ? 1 : 0);
  }
  return p >= 0 ? (p + q - 1) / q : -((-p) / q);
}
Wide FloorDiv(Wide p, Wide q) {
  if (FitsInt64(p) && FitsInt64(q)) {
    const auto a = static_cast<int64_t>(p);
    const auto b = static_cast<int64_t>(q);
    return a / b - (a % b < 0 ? 1 : 0);
  }
  return p >= 0 ? p / q : -((-p + q - 1) / q);
}

// The integer line rule in closed form. The longer axis moves every step; the shorter axis has
// moved ceil((k q + r) / p) times after k steps. Along x (p = dx, q = dy) the error starts at
// dx / 2, loses dy each step and gains dx on each move of y, staying in [0, dx); along y
// (p = dy, q = dx) it starts at -(dy / 2), gains dx each step and loses dy on each move of x,
// staying in (-dy, 0].
struct LineRule {
  int64_t p, q, r;
  int64_t Moves(int64_t k) const { return static_cast<int64_t>(CeilDiv(Wide{k} * q + r, p)); }
  // The first step after which the shorter axis has moved at least count times.
  Wide FirstStepWith(Wide count) const {
    if (q == 0) return count <= Moves(0) ? 0 : INT64_MAX;
    return std::max<Wide>(FloorDiv((count - 1) * p - r, q) + 1, 0);
  }
};

// The steps k (inclusive range) for which start + sign * moves(k) lies in [low, high].
std::pair<Wide, Wide> StepsWithin(const LineRule& rule, int64_t start, int32_t sign, int64_t low,
                                  int64_t high) {
  const Wide least = sign > 0 ? Wide{low} - start : Wide{start} - high;
  const Wide most = sign > 0 ? Wide{high} - start : Wide{start} - low;
  return {rule.FirstStepWith(least), rule.FirstStepWith(most + 1) - 1};
}

}  // namespace

bool UprightRectangle(const POINT* points, size_t count, RECT& corners) {
  // A path that comes back to its first point closes itself.
  if (count == 5 && points[4].x == points[0].x && points[4].y == points[0].y) count = 4;
  if (count != 4) return false;
  // Each side horizontal or vertical, of some length, turning at every corner.
  bool horizontal[4];
  for (size_t i = 0; i < 4; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % 4];
    const bool across = a.y == b.y && a.x != b.x;
    const bool down = a.x == b.x && a.y != b.y;
    if (across == down) return false;
    horizontal[i] = across;
  }
  if (horizontal[0] == horizontal[1] || horizontal[1] == horizontal[2] ||
      horizontal[2] == horizontal[3])
    return false;
  corners = RECT{std::min(points[0].x, points[2].x), std::min(points[0].y, points[2].y),
                 std::max(points[0].x, points[2].x), std::max(points[0].y, points[2].y)};
  return true;
}

bool RectangleRingPixels(const POINT* points, size_t count, const RECT& box, int64_t* steps,
                         RegionData::Builder& on) {
  RECT corners;
  if (!UprightRectangle(points, count, corners)) return false;
  const int64_t left = corners.left;
  const int64_t right = corners.right;
  const int64_t top = corners.top;
  const int64_t bottom = corners.bottom;
  // A row's pixels from x0 to x1 (both in), inside the box.
  int64_t taken = 0;
  const auto add = [&](int64_t y, int64_t x0, int64_t x1) {
    if (y < box.top || y >= box.bottom) return;
    x0 = std::max<int64_t>(x0, box.left);
    x1 = std::min<int64_t>(x1, int64_t{box.right} - 1);
    if (x0 > x1) return;
    taken += x1 - x0 + 1;
    on.Add(static_cast<int32_t>(y), static_cast<int32_t>(x0), static_cast<int32_t>(x1 + 1));
  };
  add(top, left, right);
  const int64_t firstSide = std::max<int64_t>(top + 1, box.top);
  const int64_t lastSide = std::min<int64_t>(bottom - 1, int64_t{box.bottom} - 1);
  for (int64_t y = firstSide; y <= lastSide; ++y) {
    add(y, left, left);
    add(y, right, right);
  }
  add(bottom, left, right);
  if (steps) *steps += taken;
  return true;
}

namespace {

// The line's pixels inside box, in order, handed to plot(x, y, on) (on false for a styled pen's
// off pixels); steps counts the steps taken.
template <typename Plot>
void StepLine(POINT a, POINT b, PenRuns style, const RECT& box, int64_t* steps, Plot plot) {
  const int64_t dx = std::abs(int64_t{b.x} - a.x);
  const int64_t dy = std::abs(int64_t{b.y} - a.y);
  const int32_t sx = a.x < b.x ? 1 : -1;
  const int32_t sy = a.y < b.y ? 1 : -1;
  const int64_t total = std::max(dx, dy);
  if (total == 0 || box.left >= box.right || box.top >= box.bottom) return;
  const bool xMajor = dx > dy;
  const LineRule rule = xMajor ? LineRule{dx, dy, -(dx / 2)} : LineRule{dy, dx, -(dy / 2)};
  // The steps where the longer axis is inside the box, and those where the shorter one is.
  const int64_t major = xMajor ? a.x : a.y;
  const int64_t minor = xMajor ? a.y : a.x;
  const int32_t majorSign = xMajor ? sx : sy;
  const int32_t minorSign = xMajor ? sy : sx;
  const int64_t majorLow = xMajor ? box.left : box.top;
  const int64_t majorHigh = (xMajor ? box.right : box.bottom) - int64_t{1};
  const int64_t minorLow = xMajor ? box.top : box.left;
  const int64_t minorHigh = (xMajor ? box.bottom : box.right) - int64_t{1};
  Wide first = 0;
  Wide last = total - 1;
  // A line whose two ends lie in the box lies in it whole (the box is convex): every step is
  // taken. Otherwise the steps in the box are worked out along both axes.
  const auto inBox = [&box](POINT p) {
    return p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom;
  };
  if (!inBox(a) || !inBox(b)) {
    first = majorSign > 0 ? Wide{majorLow} - major : Wide{major} - majorHigh;
    last = majorSign > 0 ? Wide{majorHigh} - major : Wide{major} - majorLow;
    const auto [minorFirst, minorLast] = StepsWithin(rule, minor, minorSign, minorLow, minorHigh);
    first = std::max({first, minorFirst, Wide{0}});
    last = std::min({last, minorLast, Wide{total - 1}});
    if (first > last) return;
  }
  const auto from = static_cast<int64_t>(first);
  const auto to = static_cast<int64_t>(last);
  if (steps) *steps += to - from + 1;
  // The rule's state after `from` steps (none moved at the start).
  const int64_t moves = from == 0 ? 0 : rule.Moves(from);
  int64_t error = from == 0 ? -rule.r
                            : static_cast<int64_t>(Wide{moves} * rule.p - Wide{from} * rule.q -
                                                   rule.r);
  if (!xMajor) error = -error;
  int64_t x = a.x + (xMajor ? from : moves) * sx;
  int64_t y = a.y + (xMajor ? moves : from) * sy;
  // The dash phase at that step: which run it falls in and how much of that run is left.
  int32_t run = 0;
  int64_t left = 0;
  if (style.count > 0) {
    int64_t period = 0;
    for (int32_t i = 0; i < style.count; ++i)
      period += style.runs[i];
    int64_t offset = from % period;
    while (offset >= style.runs[run]) {
      offset -= style.runs[run];
      ++run;
    }
    left = style.runs[run] - offset;
  }
  for (int64_t i = from; i <= to; ++i) {
    const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
    const bool drawn = style.count == 0 || (run % 2) == 0;
    const auto px = static_cast<int32_t>(x);
    const auto py = static_cast<int32_t>(y);
    if (inside) plot(px, py, drawn);
    if (style.count > 0 && --left == 0) {
      run = (run + 1) % style.count;
      left = style.runs[run];
    }
    const int64_t e = error;
    if (e > -dx) {
      error -= dy;
      x += sx;
    }
    if (e < dy) {
      error += dx;
      y += sy;
    }
  }
}

}  // namespace

void LinePixels(POINT a, POINT b, PenRuns style, const RECT& box, int64_t* steps,
                RegionData::Builder& on, RegionData::Builder* gaps) {
  StepLine(a, b, style, box, steps, [&](int32_t x, int32_t y, bool drawn) {
    if (drawn)
      on.Add(y, x, x + 1);
    else if (gaps)
      gaps->Add(y, x, x + 1);
  });
}

bool Raster::PaintSolidLines(std::span<const POINT> points, bool closed, uint32_t pixel,
                             int32_t rop2) {
  // Painting a pixel twice changes it only when the operation reads what is there; a clip of
  // several rectangles needs its region.
  if (!data_ || Rop2ReadsDestination(rop2) || clip_->Rects().size() > 1) return false;
  PaintSolidPath(points, closed, SolidPen(pixel, rop2));
  return true;
}

bool Raster::PaintSolidPaths(std::span<const POINT> points, std::span<const int32_t> counts,
                             const COLORREF* colors, int32_t rop2) {
  if (!data_ || Rop2ReadsDestination(rop2) || clip_->Rects().size() > 1) return false;
  size_t first = 0;
  for (size_t i = 0; i < counts.size(); ++i) {
    const auto count = static_cast<size_t>(std::max(counts[i], 0));
    if (count >= 2)
      PaintSolidPath(points.subspan(first, count), false, SolidPen(ColorToPixel(colors[i]), rop2));
    first += count;
  }
  return true;
}

uint32_t Raster::SolidPen(uint32_t pixel, int32_t rop2) const {
  return ApplyRop2(rop2, monochrome_ ? NearestMono(pixel) : pixel, 0);
}

void Raster::PaintSolidPath(std::span<const POINT> points, bool closed, uint32_t pen) {
  // A path with every point in the clip box lies in it whole (the box is convex): its lines need
  // no clipping.
  const bool inside =
      std::all_of(points.begin(), points.end(), [this](POINT p) { return InClipBox(p); });
  const bool painted =
      inside ? PaintSolidLinesInside(points, closed, pen) : PaintSolidLinesClipped(points, closed, pen);
  if (painted) CountPaint(dc_.work, false);
}

bool Raster::PaintSolidLinesInside(std::span<const POINT> points, bool closed, uint32_t pen) {
  bool painted = false;
  for (size_t i = 0; i + 1 < points.size(); ++i)
    painted = PaintSolidLineInside(points[i], points[i + 1], pen) || painted;
  if (closed && points.size() > 1)
    painted = PaintSolidLineInside(points.back(), points.front(), pen) || painted;
  return painted;
}

bool Raster::PaintSolidLinesClipped(std::span<const POINT> points, bool closed, uint32_t pen) {
  bool painted = false;
  const auto plot = [&](int32_t x, int32_t y, bool) {
    Row(y)[x] = pen;
    painted = true;
  };
  int64_t* steps = &dc_.work.lineSteps;
  // A line whose bounding box misses the clip box has no pixel in it: working out where it
  // enters the box would cost more than the line.
  const auto line = [&](POINT a, POINT b) {
    if (std::max(a.x, b.x) < clipBox_.left || std::min(a.x, b.x) >= clipBox_.right ||
        std::max(a.y, b.y) < clipBox_.top || std::min(a.y, b.y) >= clipBox_.bottom)
      return;
    StepLine(a, b, PenRuns{}, clipBox_, steps, plot);
  };
  for (size_t i = 0; i + 1 < points.size(); ++i) line(points[i], points[i + 1]);
  if (closed && points.size() > 1) line(points.back(), points.front());
  return painted;
}

bool Raster::PaintSolidLineInside(POINT a, POINT b, uint32_t pen) {
  // Both ends lie in the clip box, so every pixel does: the coordinates and their differences
  // fit in 32 bits. The steps are StepLine's from the first one on, with its error term kept in
  // [0, dx) along x, where x moves every step, and in (-dy, 0] along y, where y does.
  const int32_t dx = std::abs(b.x - a.x);
  const int32_t dy = std::abs(b.y - a.y);
  const int32_t total = std::max(dx, dy);
  if (total == 0) return false;
  dc_.work.lineSteps += total;
  const int32_t sx = a.x < b.x ? 1 : -1;
  const ptrdiff_t rowStep = a.y < b.y ? stride_ : -ptrdiff_t{stride_};
  unsigned char* row = data_ + ptrdiff_t{a.y} * stride_;
  int32_t x = a.x;
  // The moves of the shorter axis follow no pattern a branch predictor learns: they are
  // selected, not branched to.
  if (dx > dy) {
    int32_t error = dx / 2;
    for (int32_t i = 0; i < total; ++i, x += sx) {
      reinterpret_cast<uint32_t*>(row)[x] = pen;
      const bool move = error < dy;
      error += (move ? dx : 0) - dy;
      row += move ? rowStep : 0;
    }
    return true;
  }
  int32_t error = -(dy / 2);
  for (int32_t i = 0; i < total; ++i, row += rowStep) {
    reinterpret_cast<uint32_t*>(row)[x] = pen;
    const bool move = error > -dx;
    error += dx - (move ? dy : 0);
    x += move ? sx : 0;
  }
  return true;
}
