#pragma once
// Region objects: handles over RegionData.

#include <cstdint>

#include "platform/win32/GdiTypes.h"

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
                        int32_t height);
HRGN CreatePolygonRgn(const POINT* points, int32_t count, int32_t fillMode);
BOOL SetRectRgn(HRGN region, int32_t left, int32_t top, int32_t right, int32_t bottom);
// destination = a (mode) b; answers the kind of the result, ERROR for a bad handle or mode.
int32_t CombineRgn(HRGN destination, HRGN a, HRGN b, int32_t mode);
int32_t OffsetRgn(HRGN region, int32_t dx, int32_t dy);
int32_t GetRgnBox(HRGN region, RECT* out);
BOOL PtInRegion(HRGN region, int32_t x, int32_t y);
BOOL RectInRegion(HRGN region, const RECT* rect);
BOOL EqualRgn(HRGN a, HRGN b);
