#include "platform/mfc/CBitmapButton.h"

#include "platform/win32/Bitmap.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Resource.h"

IMPLEMENT_DYNAMIC(CBitmapButton, CButton)

namespace {

HBITMAP LoadNumbered(UINT id) {
  if (id == 0) return nullptr;
  return LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(id)));
}

}  // namespace

CBitmapButton::~CBitmapButton() { FreeBitmaps(); }

void CBitmapButton::FreeBitmaps() {
  for (HBITMAP* bitmap : {&normal_, &selected_, &focus_, &disabled_}) {
    if (*bitmap != nullptr) DeleteObject(*bitmap);
    *bitmap = nullptr;
  }
}

BOOL CBitmapButton::LoadBitmaps(UINT normal, UINT selected, UINT focus, UINT disabled) {
  FreeBitmaps();
  normal_ = LoadNumbered(normal);
  selected_ = LoadNumbered(selected);
  focus_ = LoadNumbered(focus);
  disabled_ = LoadNumbered(disabled);
  return normal_ != nullptr ? TRUE : FALSE;
}

void CBitmapButton::DrawItem(DRAWITEMSTRUCT* draw) {
  if (draw == nullptr || draw->hDC == nullptr) return;
  HBITMAP bitmap = normal_;
  if ((draw->itemState & ODS_SELECTED) != 0 && selected_ != nullptr) {
    bitmap = selected_;
  } else if ((draw->itemState & ODS_FOCUS) != 0 && focus_ != nullptr) {
    bitmap = focus_;
  } else if ((draw->itemState & ODS_DISABLED) != 0 && disabled_ != nullptr) {
    bitmap = disabled_;
  }
  if (bitmap == nullptr) return;
  BITMAP size{};
  GetObject(bitmap, static_cast<int32_t>(sizeof size), &size);
  const HDC memory = CreateCompatibleDC(draw->hDC);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(draw->hDC, draw->rcItem.left, draw->rcItem.top, size.bmWidth,
         size.bmHeight < 0 ? -size.bmHeight : size.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}
