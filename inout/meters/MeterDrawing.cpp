#include "inout/meters/MeterDrawing.h"

#include <memory>
#include <type_traits>

#include "core/port/PortShapes.h"
#include "platform/win32/Dc.h"
#include "platform/win32/GdiObjects.h"

namespace {
void DeleteBrush(HBRUSH brush) {
  DeleteObject(brush);
}
}  // namespace

void FillSolid(const MacRect& rect, const RGB16Color& color) {
  const std::unique_ptr<std::remove_pointer_t<HBRUSH>, decltype(&DeleteBrush)> brush(
      CreateSolidBrush(RGB16ToColorRef(color)), &DeleteBrush);
  if (brush) PortFillRectBrush(rect, brush.get());
}

ClipScope::ClipScope(const MacRect& rect) : dc_(GetPortDC()) {
  if (dc_ == nullptr) return;
  saved_ = SaveDC(dc_);
  IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

ClipScope::~ClipScope() {
  if (dc_ != nullptr && saved_ != 0) RestoreDC(dc_, saved_);
}
