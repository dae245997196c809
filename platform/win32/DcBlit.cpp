// Single pixels and the block transfers with their ternary raster operations.

#include <algorithm>
#include <cstdint>
#include <utility>
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

// The block coordinate that destination pixel p samples along one axis, when the destination
// run [start, start + length) shows a block of size pixels (mirrored when the mapping mirrors).
int32_t Sample(int64_t p, int64_t start, int64_t length, int32_t size, bool mirror) {
  const auto at = static_cast<int32_t>((2 * static_cast<__int128>(p - start) + 1) * size /
                                       (2 * static_cast<__int128>(length)));
  return mirror ? size - 1 - at : at;
}

// A source rectangle of a blit in device pixels, normalised so that its rows run top to bottom
// and left to right (a mirrored source is flipped here). Only the window of it that the
// destination needs and the source surface holds is read and kept; the rest reads as white,
// as pixels off the source surface always do, so a block of any size costs at most a surface.
struct SourceBlock {
  int32_t width = 0;
  int32_t height = 0;
  RECT window{};
  std::vector<uint32_t> pixels;  // the window's pixels, row by row
  uint32_t At(int32_t x, int32_t y) const {
    if (x < window.left || x >= window.right || y < window.top || y >= window.bottom) {
      return 0xFFFFFF;
    }
    const auto stride = static_cast<size_t>(window.right - window.left);
    return pixels[static_cast<size_t>(y - window.top) * stride +
                  static_cast<size_t>(x - window.left)];
  }
};

// The surface columns [first, last) that block columns [from, to) come from, when the block's
// column i is surface column origin + i, or origin + size - 1 - i when the block is flipped;
// the same mapping takes surface columns back to block columns.
std::pair<int64_t, int64_t> BlockToSurface(int64_t origin, int64_t size, bool flip, int64_t from,
                                           int64_t to) {
  if (flip) return {origin + size - to, origin + size - from};
  return {origin + from, origin + to};
}

std::pair<int64_t, int64_t> SurfaceToBlock(int64_t origin, int64_t size, bool flip, int64_t from,
                                           int64_t to) {
  if (flip) return {origin + size - to, origin + size - from};
  return {from - origin, to - origin};
}

// Reads the part `needed` (block coordinates) of the source rectangle x, y, w, h of src, as
// the destination dst sees it (colour conversion between monochrome and colour).
bool ReadSource(DeviceContext& src, DeviceContext& dst, int32_t x, int32_t y, int32_t w, int32_t h,
                const RECT& needed, SourceBlock& out) {
  Raster raster(src);
  if (!raster.Ok()) return false;
  const SurfaceSpan span = ToSurfaceSpan(raster, x, y, w, h);
  out.width = span.width;
  out.height = span.height;
  auto [sx0, sx1] =
      BlockToSurface(span.left, span.width, span.mirrorX, std::max<int64_t>(needed.left, 0),
                     std::min<int64_t>(needed.right, span.width));
  auto [sy0, sy1] =
      BlockToSurface(span.top, span.height, span.mirrorY, std::max<int64_t>(needed.top, 0),
                     std::min<int64_t>(needed.bottom, span.height));
  sx0 = std::max<int64_t>(sx0, 0);
  sy0 = std::max<int64_t>(sy0, 0);
  sx1 = std::min<int64_t>(sx1, raster.Width());
  sy1 = std::min<int64_t>(sy1, raster.Height());
  if (sx0 >= sx1 || sy0 >= sy1) return true;  // all of it off the source surface: white
  const auto [bx0, bx1] = SurfaceToBlock(span.left, span.width, span.mirrorX, sx0, sx1);
  const auto [by0, by1] = SurfaceToBlock(span.top, span.height, span.mirrorY, sy0, sy1);
  out.window = RECT{static_cast<int32_t>(bx0), static_cast<int32_t>(by0), static_cast<int32_t>(bx1),
                    static_cast<int32_t>(by1)};
  const auto columns = static_cast<size_t>(sx1 - sx0);
  out.pixels.assign(columns * static_cast<size_t>(sy1 - sy0), 0xFFFFFF);
  dst.work.sourcePixels += static_cast<int64_t>(out.pixels.size());
  const bool monoToColour = IsMonochrome(src) && !IsMonochrome(dst);
  const bool colourToMono = !IsMonochrome(src) && IsMonochrome(dst);
  const uint32_t fore = ColorToPixel(dst.state.textColor);
  const uint32_t back = ColorToPixel(dst.state.backColor);
  const uint32_t srcBack = ColorToPixel(src.state.backColor);
  for (int64_t sy = sy0; sy < sy1; ++sy) {
    const uint32_t* row = raster.Row(static_cast<int32_t>(sy));
    const int64_t oy = span.mirrorY ? sy1 - 1 - sy : sy - sy0;
    for (int64_t sx = sx0; sx < sx1; ++sx) {
      uint32_t pixel = row[sx] & 0xFFFFFF;
      if (monoToColour) pixel = pixel ? back : fore;
      if (colourToMono) pixel = pixel == srcBack ? 0xFFFFFF : 0;
      const int64_t ox = span.mirrorX ? sx1 - 1 - sx : sx - sx0;
      out.pixels[static_cast<size_t>(oy) * columns + static_cast<size_t>(ox)] = pixel;
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
  CountPaint(dc->work, false);
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

namespace {

// A blit into a metafile: the whole source block goes into the record as a bitmap.
constexpr int64_t kMaxRecordedBlitPixels = int64_t{1} << 24;

BOOL RecordStretchBlt(DeviceContext& dst, DeviceContext* src, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t xSource, int32_t ySource, int32_t widthSource,
                      int32_t heightSource, DWORD rop) {
  if (!src) {
    RecordPatBlt(*dst.recorder, x, y, width, height, rop);
    return TRUE;
  }
  // The record's sizes are 16 bits, and the record holds the whole block: at most the pixels
  // of a 4096 x 4096 bitmap.
  {
    Raster sourceRaster(*src);
    if (!sourceRaster.Ok()) return FALSE;
    const SurfaceSpan span =
        ToSurfaceSpan(sourceRaster, xSource, ySource, widthSource, heightSource);
    if (span.width > INT16_MAX || span.height > INT16_MAX ||
        int64_t{span.width} * span.height > kMaxRecordedBlitPixels) {
      return FALSE;
    }
  }
  SourceBlock block;
  const RECT all{0, 0, INT32_MAX, INT32_MAX};
  if (!ReadSource(*src, dst, xSource, ySource, widthSource, heightSource, all, block)) {
    return FALSE;
  }
  std::vector<uint8_t> bytes;
  for (int16_t word : {Low(rop), High(rop), W(block.height), W(block.width), W(0), W(0), W(height),
                       W(width), W(y), W(x)}) {
    PutWord(bytes, static_cast<uint16_t>(word));
  }
  const std::vector<uint8_t> dib = PackDib(block);
  bytes.insert(bytes.end(), dib.begin(), dib.end());
  dst.recorder->RecordBytes(META_DIBSTRETCHBLT, bytes);
  return TRUE;
}

// A plain copy of colour pixels between two surfaces, one for one and without mirroring, where
// every pixel it reads lies on the source surface: rows are copied as they stand. This is the blit
// of off-screen drawing, the buffers copied to each other and to the window, and gives the same
// pixels as the general road.
bool CopyPixelForPixel(DeviceContext& src, DeviceContext& dst, const Raster& destination,
                       const SurfaceSpan& span, const SurfaceSpan& sourceSpan, const RegionData& area,
                       const RECT& visible) {
  if (src.surface == dst.surface || IsMonochrome(src) || IsMonochrome(dst)) return false;
  if (span.mirrorX || span.mirrorY || sourceSpan.mirrorX || sourceSpan.mirrorY) return false;
  if (sourceSpan.width != span.width || sourceSpan.height != span.height) return false;
  Raster source(src);
  if (!source.Ok()) return false;
  const int64_t dx = int64_t{sourceSpan.left} - span.left;
  const int64_t dy = int64_t{sourceSpan.top} - span.top;
  if (visible.left + dx < 0 || visible.top + dy < 0 || visible.right + dx > source.Width() ||
      visible.bottom + dy > source.Height())
    return false;
  for (const RECT& r : area.Rects()) {
    // The row's bounds in locals, so that the copy runs over whole vectors of pixels.
    const int32_t count = r.right - r.left;
    for (int32_t py = r.top; py < r.bottom; ++py) {
      uint32_t* row = destination.Row(py) + r.left;
      const uint32_t* from = source.Row(static_cast<int32_t>(py + dy)) + dx + r.left;
      for (int32_t i = 0; i < count; ++i)
        row[i] = from[i] & 0xFFFFFF;
    }
    dst.work.sourcePixels += int64_t{count} * (r.bottom - r.top);
  }
  return true;
}

}  // namespace

BOOL StretchBlt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                int32_t xSource, int32_t ySource, int32_t widthSource, int32_t heightSource,
                DWORD rop) {
  DeviceContext* dst = LookupDC(destination);
  if (!dst) return FALSE;
  const bool withSource = UsesSource(rop);
  DeviceContext* src = withSource ? LookupDC(source) : nullptr;
  if (withSource && !src) return FALSE;
  if (dst->recorder) {
    return RecordStretchBlt(*dst, src, x, y, width, height, xSource, ySource, widthSource,
                            heightSource, rop);
  }
  Raster raster(*dst);
  if (!raster.Ok()) return FALSE;
  const SurfaceSpan span = ToSurfaceSpan(raster, x, y, width, height);
  const int64_t dw = span.width;
  const int64_t dh = span.height;
  if (dw == 0 || dh == 0) return TRUE;
  // Only the destination pixels inside the clip box are visited, and only the source pixels
  // they sample are read.
  const RECT& clip = raster.ClipBox();
  const RECT visible{std::max(span.left, clip.left), std::max(span.top, clip.top),
                     static_cast<int32_t>(std::min<int64_t>(int64_t{span.left} + dw, clip.right)),
                     static_cast<int32_t>(std::min<int64_t>(int64_t{span.top} + dh, clip.bottom))};
  if (visible.left >= visible.right || visible.top >= visible.bottom) return TRUE;
  CountPaint(dst->work, Rop3ReadsDestination(rop));
  RegionData area = RegionData::Rect(visible.left, visible.top, visible.right, visible.bottom);
  if (raster.Clip().Rects().size() > 1) area = RegionData::Combine(area, raster.Clip(), RGN_AND);
  SourceBlock block;
  if (withSource) {
    // The block size is needed to know which of its pixels are sampled: read it first.
    const SurfaceSpan sourceSpan = [&] {
      Raster sourceRaster(*src);
      return ToSurfaceSpan(sourceRaster, xSource, ySource, widthSource, heightSource);
    }();
    if (sourceSpan.width == 0 || sourceSpan.height == 0) return TRUE;
    if (((rop >> 16) & 0xFF) == 0xCC && CopyPixelForPixel(*src, *dst, raster, span, sourceSpan, area, visible))
      return TRUE;
    auto range = [](int32_t first, int32_t last, int64_t start, int64_t length, int32_t size,
                    bool mirror) {
      const int32_t a = Sample(first, start, length, size, mirror);
      const int32_t b = Sample(last - 1, start, length, size, mirror);
      return std::pair<int32_t, int32_t>{std::min(a, b), std::max(a, b) + 1};
    };
    const auto [nx0, nx1] =
        range(visible.left, visible.right, span.left, dw, sourceSpan.width, span.mirrorX);
    const auto [ny0, ny1] =
        range(visible.top, visible.bottom, span.top, dh, sourceSpan.height, span.mirrorY);
    if (!ReadSource(*src, *dst, xSource, ySource, widthSource, heightSource,
                    RECT{nx0, ny0, nx1, ny1}, block)) {
      return FALSE;
    }
  }
  PaintSource pattern;
  if (UsesPattern(rop)) pattern = BrushSource(*dst, dst->state.brush);
  const bool mono = IsMonochrome(*dst);
  // The source column each visible destination column samples, worked out once.
  std::vector<int32_t> columns;
  if (withSource) {
    columns.reserve(static_cast<size_t>(visible.right - visible.left));
    for (int32_t px = visible.left; px < visible.right; ++px)
      columns.push_back(Sample(px, span.left, dw, block.width, span.mirrorX));
  }
  // Plain copies and whole fills, the blits of off-screen drawing, go without the general
  // raster operation; they give the same pixels.
  const uint32_t table = (rop >> 16) & 0xFF;
  const bool plainCopy = table == 0xCC && withSource;
  const bool plainFill = (table == 0xFF || table == 0x00) && !withSource && !UsesPattern(rop);
  for (const RECT& r : area.Rects()) {
    for (int32_t py = r.top; py < r.bottom; ++py) {
      uint32_t* row = raster.Row(py);
      const int32_t sy = withSource ? Sample(py, span.top, dh, block.height, span.mirrorY) : 0;
      if (plainFill) {
        std::fill(row + r.left, row + r.right, table == 0xFF ? 0xFFFFFFu : 0u);
        continue;
      }
      if (plainCopy) {
        for (int32_t px = r.left; px < r.right; ++px)
          row[px] = block.At(columns[static_cast<size_t>(px - visible.left)], sy) & 0xFFFFFF;
        continue;
      }
      for (int32_t px = r.left; px < r.right; ++px) {
        uint32_t s = 0;
        if (withSource) s = block.At(columns[static_cast<size_t>(px - visible.left)], sy);
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
