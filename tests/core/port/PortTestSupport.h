#pragma once
// A drawing port bound to a white memory bitmap.

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"

class PortTest : public ::testing::Test {
 protected:
  static constexpr int32_t kWidth = 64;
  static constexpr int32_t kHeight = 48;

  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
    old_ = SelectObject(dc_, bitmap_);
    PatBlt(dc_, 0, 0, kWidth, kHeight, WHITENESS);
    SetPortDC(dc_);
  }

  void TearDown() override {
    SetPortDC(nullptr);
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    FreeDrawingPort();
    FreeHandlePool();
  }

  COLORREF At(int32_t x, int32_t y) const {
    cairo_surface_t* surface = GetDCSurface(dc_);
    cairo_surface_flush(surface);
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> out;
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x)
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

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

inline uint32_t Packed(int16_t h, int16_t v) {
  return MacPoint(h, v).Packed();
}
