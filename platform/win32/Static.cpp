#include "platform/win32/Static.h"

#include <string>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

// Extra bytes of a static: the image of each kind (bitmap, icon, cursor).
int32_t ImageOffset(WPARAM kind) {
  return static_cast<int32_t>(kind * sizeof(LONG_PTR));
}

bool Notifies(HWND control) {
  return (GetWindowLongPtr(control, GWL_STYLE) & SS_NOTIFY) != 0;
}

void PaintStatic(HWND control) {
  ControlPaint paint(control);
  RECT client = paint.client();
  const std::string text = GetWindowTextString(control);
  const DWORD align = static_cast<DWORD>(GetWindowLongPtr(control, GWL_STYLE)) & 0x03;
  const UINT format = align == SS_CENTER ? DT_CENTER : align == SS_RIGHT ? DT_RIGHT : DT_LEFT;
  SetTextColor(paint.dc(), IsWindowEnabled(control) ? kControlText : kControlGrayText);
  DrawText(paint.dc(), text.c_str(), static_cast<int32_t>(text.size()), &client,
           format | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
}

LRESULT StaticProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintStatic(control);
      return 0;
    case WM_NCHITTEST:
      if (!Notifies(control)) return HTTRANSPARENT;
      return DefWindowProc(control, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_LBUTTONDOWN:
      if (Notifies(control)) NotifyParent(control, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (Notifies(control)) NotifyParent(control, STN_DBLCLK);
      return 0;
    case STM_SETIMAGE:
      if (wParam > IMAGE_CURSOR) return 0;
      return SetWindowLongPtr(control, ImageOffset(wParam), lParam);
    case STM_GETIMAGE:
      if (wParam > IMAGE_CURSOR) return 0;
      return GetWindowLongPtr(control, ImageOffset(wParam));
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT result = DefWindowProc(control, message, wParam, lParam);
      InvalidateRect(control, nullptr, TRUE);
      return result;
    }
    default:
      return DefWindowProc(control, message, wParam, lParam);
  }
}

}  // namespace

void RegisterStaticClass() {
  if (GetClassInfo(kStaticClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = StaticProc;
  windowClass.lpszClassName = kStaticClass;
  windowClass.cbWndExtra = 3 * static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kDialogFace;
  RegisterClass(&windowClass);
}
