#include "views/offscreen/OffScreenBitmap.h"

#include "core/Failure.h"
#include "core/port/PortText.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Dc.h"
#include "platform/win32/GdiObjects.h"

TOffScreenBitmap::~TOffScreenBitmap() {
  if (!dc_) return;
  DeleteObject(SelectObject(dc_, GetStockObject(NULL_BRUSH)));
  DeleteObject(SelectObject(dc_, GetStockObject(NULL_PEN)));
  ReleaseFont(static_cast<HFONT>(SelectObject(dc_, GetStockObject(SYSTEM_FONT))));
  SelectObject(dc_, previousBitmap_);
  DeleteDC(dc_);
  DeleteObject(bitmap_);
}

int16_t TOffScreenBitmap::InitBitmap(HDC reference, int32_t width, int32_t height) {
  width_ = static_cast<int16_t>(width);
  height_ = static_cast<int16_t>(height);
  clipReset_ = 0;
  dc_ = CreateCompatibleDC(reference);
  FailIfNull(dc_);
  bitmap_ = CreateCompatibleBitmap(reference, width, height);
  FailIfNull(bitmap_);
  previousBitmap_ = SelectObject(dc_, bitmap_);
  PortSelectObject(dc_, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  PortSelectObject(dc_, CreateSolidBrush(RGB(255, 255, 255)));
  PortSelectObject(dc_, GetStockObject(SYSTEM_FONT));
  port_.portRect = MacRect(0, 0, width_, height_);
  return 1;
}

void TOffScreenBitmap::Resize(int32_t width, int32_t height) {
  width_ = static_cast<int16_t>(width);
  height_ = static_cast<int16_t>(height);
  HBITMAP replacement = CreateCompatibleBitmap(dc_, width, height);
  FailIfNull(replacement);
  HGDIOBJ replaced = SelectObject(dc_, replacement);
  // The bitmap that was there before ours stays the one given back at the end.
  if (replaced != previousBitmap_) DeleteObject(replaced);
  bitmap_ = replacement;
  port_.portRect = MacRect(0, 0, width_, height_);
}

int16_t TOffScreenBitmap::Lock() {
  if (clipReset_ == 0 && dc_) {
    SelectClipRgn(dc_, nullptr);
    clipReset_ = 1;
  }
  return 1;
}

void TOffScreenBitmap::GetInfo(HDC* dc, HBITMAP* bitmap, int16_t* width, int16_t* height) const {
  if (dc) *dc = dc_;
  if (bitmap) *bitmap = bitmap_;
  if (width) *width = width_;
  if (height) *height = height_;
}
