#pragma once
// What the drawing calls share about pens and shapes: the selected pen as they need it, the
// pixels of a pen path, and painting a shape's inside and outline so that each pixel is painted
// once.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/win32/DcRaster.h"

// The selected pen as the drawing calls need it.
struct PenInfo {
  bool visible = false;
  int32_t width = 1;  // device pixels
  int32_t style = PS_SOLID;
  uint32_t pixel = 0;  // the pen's colour as a surface pixel
};

PenInfo CurrentPen(const DeviceContext& dc);

// The pixels of a pen path: one-pixel lines by the integer line rule (styled pens give their
// off pixels in gaps when it is given), wider ones by Cairo; only the part inside the clip box.
RegionData StrokePath(const Raster& raster, const PenInfo& pen, std::span<const POINT> points,
                      bool closed, RegionData* gaps);

// Fills the interior and then paints the outline, so each pixel is painted once.
void PaintShape(DeviceContext& dc, Raster& raster, const RegionData& interior,
                const RegionData& outline, const PenInfo& pen);

// The rectangle with corners a and b put in order.
RECT NormalizedRect(POINT a, POINT b);
int32_t SaturateInt32(int64_t v);
// The rectangle grown on every side, its edges kept within 32 bits.
RECT GrowRect(const RECT& r, int64_t dx, int64_t dy);
RECT GrowRect(const RECT& r, int32_t by);
