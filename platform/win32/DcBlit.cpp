// Single pixels and the block transfers with their ternary raster operations.

#include <algorithm>
#include <vector>

#include "platform/win32/DcDraw.h"
#include "platform/win32/DcRaster.h"
#include "platform/win32/Metafile.h"

namespace {

int16_t W(int32_t v) {
  return static_cast<int16_t>(v);
}
int16_t Low(uint32_t v) {
  return static_cast<int16_t>(v & 0xFFFF);
}
int16_t High(uint32_t v) {
  return static_cast<int16_t>(v >> 16);
}

bool UsesSource(DWORD rop) {
  const uint32_t t = (rop >> 16) & 0xFF;
  return ((t >> 2) & 0x33) != (t & 0x33);
}

bool UsesPattern(DWORD rop) {
  const uint32_t t = (rop >> 16) & 0xFF;
  return ((t >> 4) & 0x0F) != (t & 0x0F);
}

bool IsMonochrome(const DeviceContext& dc) {
  if (dc.kind != DeviceContext::Kind::Memory) return false;
  const GdiBitmap* bitmap = LookupBitmap(dc.state.bitmap);
  return bitmap && bitmap->monochrome;
}

uint32_t ToMono(uint32_t pixel) {
  const uint32_t r = (pixel >> 16) & 0xFF;
  const uint32_t g = (pixel >> 8) & 0xFF;
  const uint32_t b = pixel & 0xFF;
  return (r * 30 + g * 59 + b * 11) >= 128 * 100 ? 0xFFFFFF : 0;
}

// A logical rectangle in surface pixels: its top-left corner and size, and whether the mapping
// mirrors it along either axis.
struct SurfaceSpan {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool mirrorX = false;
  bool mirrorY = false;
};

SurfaceSpan ToSurfaceSpan(const Raster& raster, int32_t x, int32_t y, int32_t w, int32_t h) {
  const POINT a = raster.ToSurface(POINT{x, y});
  const POINT b = raster.ToSurface(POINT{x + w, y + h});
  return SurfaceSpan{std::min(a.x, b.x),  std::min(a.y, b.y), std::abs(b.x - a.x),
                     std::abs(b.y - a.y), b.x < a.x,          b.y < a.y};
}

// A source rectangle read out of a context in device pixels, normalised so that its rows run
// top to bottom and left to right (a mirrored source is flipped here).
struct SourceBlock {
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool ReadSource(DeviceContext& src, const DeviceContext& dst, int32_t x, int32_t y, int32_t w,
                int32_t h, SourceBlock& out) {
  Raster raster(src);
  if (!raster.Ok()) return false;
  const SurfaceSpan span = ToSurfaceSpan(raster, x, y, w, h);
  const bool flipX = span.mirrorX;
  const bool flipY = span.mirrorY;
  const int32_t left = span.left;
  const int32_t top = span.top;
  out.width = span.width;
  out.height = span.height;
  if (static_cast<int64_t>(out.width) * out.height > (int64_t{1} << 27)) return false;
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 0xFFFFFF);
  const bool monoToColour = IsMonochrome(src) && !IsMonochrome(dst);
  const bool colourToMono = !IsMonochrome(src) && IsMonochrome(dst);
  const uint32_t fore = ColorToPixel(dst.state.textColor);
  const uint32_t back = ColorToPixel(dst.state.backColor);
  const uint32_t srcBack = ColorToPixel(src.state.backColor);
  for (int32_t j = 0; j < out.height; ++j) {
    const int32_t sy = top + j;
    if (sy < 0 || sy >= raster.Height()) continue;
    const uint32_t* row = raster.Row(sy);
    const int32_t oy = flipY ? out.height - 1 - j : j;
    for (int32_t i = 0; i < out.width; ++i) {
      const int32_t sx = left + i;
      if (sx < 0 || sx >= raster.Width()) continue;
      uint32_t pixel = row[sx] & 0xFFFFFF;
      if (monoToColour) pixel = pixel ? back : fore;
      if (colourToMono) pixel = pixel == srcBack ? 0xFFFFFF : 0;
      out.pixels[static_cast<size_t>(oy) * out.width + (flipX ? out.width - 1 - i : i)] = pixel;
    }
  }
  return true;
}

// A packed 24-bit bottom-up device-independent bitmap of the block.
std::vector<uint8_t> PackDib(const SourceBlock& block) {
  std::vector<uint8_t> dib;
  const int32_t rowBytes = ((block.width * 3) + 3) & ~3;
  PutDword(dib, 40);
  PutDword(dib, static_cast<uint32_t>(block.width));
  PutDword(dib, static_cast<uint32_t>(block.height));
  PutWord(dib, 1);
  PutWord(dib, 24);
  PutDword(dib, 0);
  PutDword(dib, static_cast<uint32_t>(rowBytes * block.height));
  for (int i = 0; i < 4; ++i)
    PutDword(dib, 0);
  for (int32_t y = block.height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < block.width; ++x) {
      const uint32_t p = block.At(x, y);
      dib.push_back(static_cast<uint8_t>(p & 0xFF));
      dib.push_back(static_cast<uint8_t>((p >> 8) & 0xFF));
      dib.push_back(static_cast<uint8_t>((p >> 16) & 0xFF));
    }
    for (int32_t pad = block.width * 3; pad < rowBytes; ++pad)
      dib.push_back(0);
  }
  return dib;
}

void RecordPatBlt(MetafileRecorder& recorder, int32_t x, int32_t y, int32_t w, int32_t h,
                  DWORD rop) {
  recorder.Record(META_PATBLT, {Low(rop), High(rop), W(h), W(w), W(y), W(x)});
}

}  // namespace

COLORREF SetPixel(HDC hdc, int32_t x, int32_t y, COLORREF color) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  color &= 0xFFFFFF;
  if (dc->recorder) {
    dc->recorder->Record(META_SETPIXEL, {Low(color), High(color), W(y), W(x)});
    return color;
  }
  Raster raster(*dc);
  if (!raster.Ok()) return CLR_INVALID;
  const POINT p = raster.ToSurface(POINT{x, y});
  if (!raster.Clip().Contains(p.x, p.y)) return CLR_INVALID;
  uint32_t pixel = ColorToPixel(color);
  if (IsMonochrome(*dc)) pixel = ToMono(pixel);
  raster.Row(p.y)[p.x] = pixel;
  return PixelToColor(pixel);
}

COLORREF GetPixel(HDC hdc, int32_t x, int32_t y) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || dc->recorder) return CLR_INVALID;
  Raster raster(*dc);
  if (!raster.Ok()) return CLR_INVALID;
  const POINT p = raster.ToSurface(POINT{x, y});
  if (!raster.Clip().Contains(p.x, p.y)) return CLR_INVALID;
  return PixelToColor(raster.Row(p.y)[p.x]);
}

BOOL PatBlt(HDC hdc, int32_t x, int32_t y, int32_t width, int32_t height, DWORD rop) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || UsesSource(rop)) return FALSE;
  if (dc->recorder) {
    RecordPatBlt(*dc->recorder, x, y, width, height, rop);
    return TRUE;
  }
  return StretchBlt(hdc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

BOOL BitBlt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
            int32_t xSource, int32_t ySource, DWORD rop) {
  return StretchBlt(destination, x, y, width, height, source, xSource, ySource, width, height, rop);
}

BOOL StretchBlt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                int32_t xSource, int32_t ySource, int32_t widthSource, int32_t heightSource,
                DWORD rop) {
  DeviceContext* dst = LookupDC(destination);
  if (!dst) return FALSE;
  const bool withSource = UsesSource(rop);
  SourceBlock block;
  if (withSource) {
    DeviceContext* src = LookupDC(source);
    if (!src || !ReadSource(*src, *dst, xSource, ySource, widthSource, heightSource, block)) {
      return FALSE;
    }
  }
  if (dst->recorder) {
    if (!withSource) {
      RecordPatBlt(*dst->recorder, x, y, width, height, rop);
      return TRUE;
    }
    std::vector<uint8_t> bytes;
    for (int16_t word : {Low(rop), High(rop), W(block.height), W(block.width), W(0), W(0),
                         W(height), W(width), W(y), W(x)}) {
      PutWord(bytes, static_cast<uint16_t>(word));
    }
    const std::vector<uint8_t> dib = PackDib(block);
    bytes.insert(bytes.end(), dib.begin(), dib.end());
    dst->recorder->RecordBytes(META_DIBSTRETCHBLT, bytes);
    return TRUE;
  }
  Raster raster(*dst);
  if (!raster.Ok()) return FALSE;
  const SurfaceSpan span = ToSurfaceSpan(raster, x, y, width, height);
  const bool mirrorX = span.mirrorX;
  const bool mirrorY = span.mirrorY;
  const int32_t left = span.left;
  const int32_t top = span.top;
  const int64_t dw = span.width;
  const int64_t dh = span.height;
  if (dw == 0 || dh == 0) return TRUE;
  if (withSource && (block.width == 0 || block.height == 0)) return TRUE;
  PaintSource pattern;
  if (UsesPattern(rop)) pattern = BrushSource(*dst, dst->state.brush);
  const bool mono = IsMonochrome(*dst);
  const RegionData area = RegionData::Combine(
      RegionData::Rect(left, top, static_cast<int32_t>(left + dw), static_cast<int32_t>(top + dh)),
      raster.Clip(), RGN_AND);
  for (const RECT& r : area.Rects()) {
    for (int32_t py = r.top; py < r.bottom; ++py) {
      uint32_t* row = raster.Row(py);
      int32_t sy = 0;
      if (withSource) {
        sy = static_cast<int32_t>((2 * (py - top) + 1) * int64_t{block.height} / (2 * dh));
        if (mirrorY) sy = block.height - 1 - sy;
      }
      for (int32_t px = r.left; px < r.right; ++px) {
        uint32_t s = 0;
        if (withSource) {
          int32_t sx =
              static_cast<int32_t>((2 * (px - left) + 1) * int64_t{block.width} / (2 * dw));
          if (mirrorX) sx = block.width - 1 - sx;
          s = block.At(sx, sy);
        }
        uint32_t p = 0;
        if (pattern.kind == PaintSource::Kind::Solid) p = pattern.pixel;
        if (pattern.kind == PaintSource::Kind::Pattern) {
          if (pattern.Skips(px, py)) continue;
          p = pattern.At(px, py);
        }
        if (mono) p = ToMono(p);
        row[px] = ApplyRop3(rop, p, s, row[px] & 0xFFFFFF);
      }
    }
  }
  return TRUE;
}
