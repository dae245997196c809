#pragma once
// Pixel work shared by the drawing calls: shapes become regions of whole pixels in surface
// coordinates, which are clipped and painted with a pen colour or a brush through one of the
// sixteen binary raster operations. Every pixel of a shape is painted once, so an exclusive-or
// drawing drawn twice restores the pixels exactly.

#include <cstdint>
#include <functional>
#include <span>

#include <cairo.h>

#include "platform/win32/Dc.h"

// COLORREF (0x00bbggrr) to and from a surface pixel (0x00rrggbb).
inline uint32_t ColorToPixel(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF PixelToColor(uint32_t p) {
  return ColorToPixel(p & 0xFFFFFF);
}

// The binary raster operation r (R2_BLACK .. R2_WHITE) of pen p and destination d.
uint32_t ApplyRop2(int32_t r, uint32_t p, uint32_t d);
// The ternary raster operation (truth table in bits 16-23) of pattern p, source s, destination d.
uint32_t ApplyRop3(DWORD rop, uint32_t p, uint32_t s, uint32_t d);
// Whether the result of a binary or ternary raster operation depends on the destination pixel.
bool Rop2ReadsDestination(int32_t rop2);
bool Rop3ReadsDestination(DWORD rop);
// Counts a painting call in the context's work, and whether it mixes with the destination.
inline void CountPaint(DrawWork& work, bool mixes) {
  ++work.paints;
  if (mixes) ++work.mixingPaints;
}

// What a shape is painted with.
struct PaintSource {
  enum class Kind { None, Solid, Pattern } kind = Kind::None;
  uint32_t pixel = 0;         // Solid
  POINT origin;               // Pattern: surface position of the pattern's (0, 0)
  uint32_t pattern[64] = {};  // Pattern: 8x8 surface pixels
  bool skip[64] = {};         // Pattern: pixels left alone (transparent hatch background)
  bool anySkip = false;

  static PaintSource Solid(COLORREF color);
  uint32_t At(int32_t x, int32_t y) const {
    return pattern[((y - origin.y) & 7) * 8 + ((x - origin.x) & 7)];
  }
  bool Skips(int32_t x, int32_t y) const {
    return anySkip && skip[((y - origin.y) & 7) * 8 + ((x - origin.x) & 7)];
  }
};

// The brush selected in dc as a paint source (kind None for a null brush).
PaintSource BrushSource(const DeviceContext& dc, HBRUSH brush);

// Pixel access to a context's surface for one drawing call.
class Raster {
 public:
  explicit Raster(DeviceContext& dc);
  ~Raster();
  Raster(const Raster&) = delete;
  Raster& operator=(const Raster&) = delete;

  bool Ok() const { return data_ != nullptr; }
  uint32_t* Row(int32_t y) const { return reinterpret_cast<uint32_t*>(data_ + y * stride_); }
  const RegionData& Clip() const { return *clip_; }
  // The bounding box of the clip: no drawing call does work for pixels outside it.
  const RECT& ClipBox() const { return clipBox_; }
  // Scan conversion limited to the clip box, its rows counted in the context's work.
  ScanLimit Limit() const { return ScanLimit{clipBox_, &dc_.work.rows}; }
  // What Cairo covers (CairoCoverage) inside bounds cut to the clip box.
  RegionData Coverage(const RECT& bounds, const std::function<void(cairo_t*)>& draw) const;
  DrawWork& Work() const { return dc_.work; }
  DrawScratch& Scratch() const { return dc_.scratch; }
  // Surface coordinates of a logical point.
  POINT ToSurface(POINT logical) const { return DeviceToSurface(dc_.ToDevice(logical)); }
  // Whether ToSurface of any point within 2^28 of the logical origin each way is that point plus
  // shift (a plain mapping of no far offset); shift is set when it is.
  bool PlainShift(POINT& shift) const {
    if (dc_.state.mapMode != MM_TEXT) return false;
    constexpr int64_t kNear = int64_t{1} << 28;
    const int64_t dx = int64_t{dc_.state.viewportOrigin.x} - dc_.state.windowOrigin.x;
    const int64_t dy = int64_t{dc_.state.viewportOrigin.y} - dc_.state.windowOrigin.y;
    const auto near = [](int64_t v) { return v > -kNear && v < kNear; };
    if (!near(dx) || !near(dy) || !near(dc_.origin.x) || !near(dc_.origin.y)) return false;
    shift = POINT{static_cast<int32_t>(dx + dc_.origin.x), static_cast<int32_t>(dy + dc_.origin.y)};
    return true;
  }
  POINT DeviceToSurface(POINT device) const {
    return POINT{device.x + dc_.origin.x, device.y + dc_.origin.y};
  }
  // Paints the clipped shape (surface coordinates) with the source through rop2.
  void Fill(const RegionData& shape, const PaintSource& source, int32_t rop2);
  // The same with one surface pixel value, as a solid source paints.
  void FillSolid(const RegionData& shape, uint32_t pixel, int32_t rop2);
  // Paints the solid one-pixel lines of a path (surface coordinates, each line leaving out its
  // end pixel) straight onto the pixels, with the pixels a region of them would be painted
  // with. Answers false, painting nothing, when rop2 or the clip needs the region.
  bool PaintSolidLines(std::span<const POINT> points, bool closed, uint32_t pixel, int32_t rop2);
  // The same for several open paths one after the other, path i having counts[i] of the points
  // (fewer than two: none painted) and colour colors[i].
  bool PaintSolidPaths(std::span<const POINT> points, std::span<const int32_t> counts,
                       const COLORREF* colors, int32_t rop2);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  bool InClipBox(POINT p) const {
    return p.x >= clipBox_.left && p.x < clipBox_.right && p.y >= clipBox_.top &&
           p.y < clipBox_.bottom;
  }
  // The pixel value solid lines of pixel paint through rop2 (which does not read what is there).
  uint32_t SolidPen(uint32_t pixel, int32_t rop2) const;
  // PaintSolidLines for one path, painting pen.
  void PaintSolidPath(std::span<const POINT> points, bool closed, uint32_t pen);
  // PaintSolidPath for a path with every point in the clip box,
  // and for any other. Each answers whether it painted a pixel.
  bool PaintSolidLinesInside(std::span<const POINT> points, bool closed, uint32_t pen);
  bool PaintSolidLinesClipped(std::span<const POINT> points, bool closed, uint32_t pen);
  // One line with both ends in the clip box: its pixels written without a check each. False
  // when it has none (its two ends are the same point).
  bool PaintSolidLineInside(POINT a, POINT b, uint32_t pen);
  // The rectangles of shape inside the clip: the shape's own when it lies inside a clip of one
  // rectangle, else those of area, which receives the shape cut to the clip.
  const std::vector<RECT>& Clipped(const RegionData& shape, RegionData& area) const;

  DeviceContext& dc_;
  unsigned char* data_ = nullptr;
  int32_t stride_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  // The context's effective clip, which stays as it is for the length of one drawing call.
  const RegionData* clip_;
  RECT clipBox_;
  bool monochrome_ = false;  // a monochrome bitmap keeps only black and white
};

// The pixels Cairo covers (without antialiasing) when draw runs with the context's device
// translated so that user space is surface space; only bounds is examined.
RegionData CairoCoverage(const RECT& bounds, const std::function<void(cairo_t*)>& draw);

// Run lengths of a styled one-pixel pen: on, off, on, off... (none for a solid pen).
struct PenRuns {
  const int32_t* runs = nullptr;
  int32_t count = 0;
};

// The pixels inside box of the one-pixel line from a to b, b left out; gaps receives the off
// pixels of a styled pen. Only the steps whose longer-axis coordinate lies in the box are taken,
// each starting with the error term and dash phase the whole line has there, so the pixels are
// exactly the whole line's pixels inside the box; steps counts the steps taken.
void LinePixels(POINT a, POINT b, PenRuns style, const RECT& box, int64_t* steps,
                RegionData::Builder& on, RegionData::Builder* gaps);

// When the closed path of four points (or five, the last back at the first) runs around an
// axis-aligned rectangle, its solid
// one-pixel pixels inside box (the rectangle's ring, the same as LinePixels gives side by side)
// go to on, row by row, and the answer is true; steps counts them. Else nothing is added.
// Whether the closed path of four points (or five, the last back at the first) runs around an
// axis-aligned rectangle; corners then holds its outermost pixels' rows and columns (right and
// bottom are the last column and row of the path).
bool UprightRectangle(const POINT* points, size_t count, RECT& corners);
bool RectangleRingPixels(const POINT* points, size_t count, const RECT& box, int64_t* steps,
                         RegionData::Builder& on);
