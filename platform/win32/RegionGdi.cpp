#include "platform/win32/RegionGdi.h"

#include <span>

#include "platform/win32/GdiObjects.h"

namespace {

HRGN Make(RegionData data) {
  auto region = std::make_unique<GdiRegion>();
  region->data = std::move(data);
  return reinterpret_cast<HRGN>(RegisterGdiObject(std::move(region)));
}

}  // namespace

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return Make(RegionData::Rect(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) return nullptr;
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreateEllipticRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return Make(RegionData::Ellipse(left, top, right, bottom));
}

HRGN CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
                        int32_t height) {
  return Make(RegionData::RoundRect(left, top, right, bottom, width, height));
}

HRGN CreatePolygonRgn(const POINT* points, int32_t count, int32_t fillMode) {
  if (!points || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  return Make(
      RegionData::Polygon(std::span<const POINT>(points, static_cast<size_t>(count)), fillMode));
}

BOOL SetRectRgn(HRGN region, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  GdiRegion* rgn = LookupRegion(region);
  if (!rgn) return FALSE;
  rgn->data = RegionData::Rect(left, top, right, bottom);
  return TRUE;
}

int32_t CombineRgn(HRGN destination, HRGN a, HRGN b, int32_t mode) {
  GdiRegion* out = LookupRegion(destination);
  const GdiRegion* first = LookupRegion(a);
  if (!out || !first || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    out->data = first->data;
    return out->data.Kind();
  }
  const GdiRegion* second = LookupRegion(b);
  if (!second) return ERROR;
  out->data = RegionData::Combine(first->data, second->data, mode);
  return out->data.Kind();
}

int32_t OffsetRgn(HRGN region, int32_t dx, int32_t dy) {
  GdiRegion* rgn = LookupRegion(region);
  if (!rgn) return ERROR;
  rgn->data.Offset(dx, dy);
  return rgn->data.Kind();
}

int32_t GetRgnBox(HRGN region, RECT* out) {
  const GdiRegion* rgn = LookupRegion(region);
  if (!rgn || !out) return ERROR;
  *out = rgn->data.Box();
  return rgn->data.Kind();
}

BOOL PtInRegion(HRGN region, int32_t x, int32_t y) {
  const GdiRegion* rgn = LookupRegion(region);
  return rgn && rgn->data.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  const GdiRegion* rgn = LookupRegion(region);
  return rgn && rect && rgn->data.IntersectsRect(*rect) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  const GdiRegion* first = LookupRegion(a);
  const GdiRegion* second = LookupRegion(b);
  if (!first || !second) return ERROR;
  return first->data == second->data ? TRUE : FALSE;
}
