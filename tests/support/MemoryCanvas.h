#pragma once
// A memory device context over a 32-bit bitmap filled with one colour, with pixel probes.

#include <cstdint>
#include <vector>

#include "platform/win32/Gdi.h"

class MemoryCanvas {
 public:
  MemoryCanvas(int32_t width, int32_t height, COLORREF fill = RGB(255, 255, 255))
      : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(nullptr, width, height);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~MemoryCanvas() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // The bitmap's pixel, whatever the context's mapping and clipping.
  COLORREF At(int32_t x, int32_t y) const {
    cairo_surface_t* surface = GetDCSurface(dc_);
    cairo_surface_flush(surface);
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    const uint32_t pixel = reinterpret_cast<const uint32_t*>(row)[x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> out;
    for (int32_t y = 0; y < height_; ++y) {
      for (int32_t x = 0; x < width_; ++x)
        out.push_back(At(x, y));
    }
    return out;
  }
  int32_t Count(COLORREF color) const {
    int32_t n = 0;
    for (COLORREF c : Pixels())
      n += c == color;
    return n;
  }
  // A deterministic colourful background, so raster operations see varied bits.
  void Scramble() {
    uint32_t seed = 12345;
    for (int32_t y = 0; y < height_; ++y) {
      for (int32_t x = 0; x < width_; ++x) {
        seed = seed * 1103515245u + 12345u;
        SetPixel(dc_, x, y, (seed >> 8) & 0xFFFFFF);
      }
    }
  }

 private:
  int32_t width_;
  int32_t height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};
