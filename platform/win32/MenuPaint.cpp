#include "platform/win32/MenuLayout.h"
#include "platform/win32/WindowPaint.h"

void PaintPopupMenu(HWND popup) {
  TakeUpdateArea(popup, 0, nullptr);
}
