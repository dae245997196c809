#pragma once
// Sizes in HIMETRIC units (hundredths of a millimetre), the unit embedded items measure their
// extents in, and the logical units of a device context. Sizes go through the context's mapping
// by the magnitudes of its extents, then through its pixels per logical inch (2540 HIMETRIC
// units to the inch), each division rounded to the nearest integer.

#include "platform/win32/GdiTypes.h"

inline constexpr int32_t kHimetricPerInch = 2540;

// a * b / c rounded to the nearest integer (halves away from zero); 0 when c is 0.
int32_t ScaleRounded(int32_t a, int32_t b, int32_t c);

void LPtoHIMETRIC(HDC dc, SIZE* size);
void HIMETRICtoLP(HDC dc, SIZE* size);
// Device pixels and HIMETRIC units at the context's pixels per logical inch.
void DPtoHIMETRIC(HDC dc, SIZE* size);
void HIMETRICtoDP(HDC dc, SIZE* size);
