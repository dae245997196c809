#include "platform/win32/DcRaster.h"

#include <algorithm>
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

Raster::Raster(DeviceContext& dc) : dc_(dc) {
  if (!dc.surface) return;
  cairo_surface_flush(dc.surface);
  data_ = cairo_image_surface_get_data(dc.surface);
  stride_ = cairo_image_surface_get_stride(dc.surface);
  width_ = cairo_image_surface_get_width(dc.surface);
  height_ = cairo_image_surface_get_height(dc.surface);
  clip_ = dc.EffectiveClip();
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

POINT Raster::ToSurface(POINT logical) const {
  return DeviceToSurface(dc_.ToDevice(logical));
}

POINT Raster::DeviceToSurface(POINT device) const {
  return POINT{device.x + dc_.origin.x, device.y + dc_.origin.y};
}

void Raster::Fill(const RegionData& shape, const PaintSource& source, int32_t rop2) {
  if (!data_ || source.kind == PaintSource::Kind::None || shape.IsEmpty()) return;
  // A clip of one rectangle (the usual case) clamps each rectangle of the shape; anything else
  // takes the region intersection.
  RegionData area;
  const std::vector<RECT>* rects = &shape.Rects();
  std::vector<RECT> clamped;
  if (clip_.Rects().size() == 1) {
    const RECT& c = clip_.Rects().front();
    clamped.reserve(rects->size());
    for (const RECT& r : *rects) {
      const RECT k{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
                   std::min(r.bottom, c.bottom)};
      if (k.left < k.right && k.top < k.bottom) clamped.push_back(k);
    }
    rects = &clamped;
  } else {
    area = RegionData::Combine(shape, clip_, RGN_AND);
    rects = &area.Rects();
  }
  const bool plainCopy =
      source.kind == PaintSource::Kind::Solid && rop2 == R2_COPYPEN && !monochrome_;
  for (const RECT& r : *rects) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint32_t* row = Row(y);
      if (plainCopy) {
        std::fill(row + r.left, row + r.right, source.pixel);
        continue;
      }
      for (int32_t x = r.left; x < r.right; ++x) {
        uint32_t pen = source.pixel;
        if (source.kind == PaintSource::Kind::Pattern) {
          if (source.Skips(x, y)) continue;
          pen = source.At(x, y);
        }
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

void LinePixels(POINT a, POINT b, const int32_t* runs, int32_t runCount, RegionData::Builder& on,
                RegionData::Builder* gaps) {
  const int64_t dx = std::abs(int64_t{b.x} - a.x);
  const int64_t dy = std::abs(int64_t{b.y} - a.y);
  const int32_t sx = a.x < b.x ? 1 : -1;
  const int32_t sy = a.y < b.y ? 1 : -1;
  const int64_t steps = std::max(dx, dy);
  int64_t error = (dx > dy ? dx : -dy) / 2;
  int32_t x = a.x;
  int32_t y = a.y;
  int32_t run = 0;
  int32_t left = runCount > 0 ? runs[0] : 0;
  for (int64_t i = 0; i < steps; ++i) {
    const bool drawn = runCount == 0 || (run % 2) == 0;
    if (drawn)
      on.Add(y, x, x + 1);
    else if (gaps)
      gaps->Add(y, x, x + 1);
    if (runCount > 0 && --left == 0) {
      run = (run + 1) % runCount;
      left = runs[run];
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
