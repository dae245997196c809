#include "platform/mfc/Himetric.h"

#include <cstdlib>

#include "platform/win32/Dc.h"

int32_t ScaleRounded(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return 0;
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t half = std::llabs(c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

namespace {

// Logical to device sizes through the magnitudes of the mapping's extents.
void ScaleByExtents(HDC dc, SIZE* size, bool toDevice) {
  SIZE window{1, 1};
  SIZE viewport{1, 1};
  GetWindowExtEx(dc, &window);
  GetViewportExtEx(dc, &viewport);
  const int32_t wx = std::abs(window.cx), wy = std::abs(window.cy);
  const int32_t vx = std::abs(viewport.cx), vy = std::abs(viewport.cy);
  if (wx == 0 || wy == 0 || vx == 0 || vy == 0) return;
  size->cx = toDevice ? ScaleRounded(size->cx, vx, wx) : ScaleRounded(size->cx, wx, vx);
  size->cy = toDevice ? ScaleRounded(size->cy, vy, wy) : ScaleRounded(size->cy, wy, vy);
}

int32_t PixelsPerInch(HDC dc, int32_t index) {
  const int32_t pixels = GetDeviceCaps(dc, index);
  return pixels > 0 ? pixels : 96;
}

}  // namespace

void DPtoHIMETRIC(HDC dc, SIZE* size) {
  size->cx = ScaleRounded(size->cx, kHimetricPerInch, PixelsPerInch(dc, LOGPIXELSX));
  size->cy = ScaleRounded(size->cy, kHimetricPerInch, PixelsPerInch(dc, LOGPIXELSY));
}

void HIMETRICtoDP(HDC dc, SIZE* size) {
  size->cx = ScaleRounded(size->cx, PixelsPerInch(dc, LOGPIXELSX), kHimetricPerInch);
  size->cy = ScaleRounded(size->cy, PixelsPerInch(dc, LOGPIXELSY), kHimetricPerInch);
}

void LPtoHIMETRIC(HDC dc, SIZE* size) {
  ScaleByExtents(dc, size, true);
  DPtoHIMETRIC(dc, size);
}

void HIMETRICtoLP(HDC dc, SIZE* size) {
  HIMETRICtoDP(dc, size);
  ScaleByExtents(dc, size, false);
}
