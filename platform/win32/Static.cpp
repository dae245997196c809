#include "platform/win32/Static.h"

#include <string>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
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

// A label's text with its "&" marks taken out: "&&" shows one "&", and "&x" shows x underlined
// as the key that reaches the control the label names. `marked` is the index of that x in the
// shown text, or npos.
struct ShownLabel {
  std::string text;
  size_t marked = std::string::npos;
};

ShownLabel StripPrefixes(const std::string& text) {
  ShownLabel shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&' || i + 1 == text.size()) {
      shown.text.push_back(text[i]);
      continue;
    }
    ++i;
    if (text[i] != '&' && shown.marked == std::string::npos) shown.marked = shown.text.size();
    shown.text.push_back(text[i]);
  }
  return shown;
}

int32_t TextWidth(HDC dc, const std::string& text, size_t count) {
  SIZE size{};
  GetTextExtentPoint32(dc, text.data(), static_cast<int32_t>(count), &size);
  return size.cx;
}

// Underlines the marked character of a label drawn on one line. A label that wraps keeps its
// text without the mark: where the character lands depends on the wrapping.
void UnderlineMarked(HDC dc, const ShownLabel& shown, const RECT& client, UINT format,
                     COLORREF colour) {
  if (shown.marked == std::string::npos) return;
  if (shown.text.find_first_of("\r\n\t") != std::string::npos) return;
  const int32_t width = client.right - client.left;
  const int32_t whole = TextWidth(dc, shown.text, shown.text.size());
  if (whole > width) return;
  int32_t left = client.left;
  if (format & DT_CENTER) left += (width - whole) / 2;
  if (format & DT_RIGHT) left = client.right - whole;
  const int32_t from = left + TextWidth(dc, shown.text, shown.marked);
  const int32_t to = left + TextWidth(dc, shown.text, shown.marked + 1);
  TEXTMETRIC metrics;
  GetTextMetrics(dc, &metrics);
  const int32_t y = client.top + metrics.tmAscent + 1;
  const HPEN pen = CreatePen(PS_SOLID, 1, colour);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, from, y, nullptr);
  LineTo(dc, to, y);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintStatic(HWND control) {
  ControlPaint paint(control);
  RECT client = paint.client();
  const auto style = static_cast<DWORD>(GetWindowLongPtr(control, GWL_STYLE));
  const DWORD align = style & 0x03;
  const UINT format = align == SS_CENTER ? DT_CENTER : align == SS_RIGHT ? DT_RIGHT : DT_LEFT;
  const COLORREF colour = IsWindowEnabled(control) ? kControlText : kControlGrayText;
  SetTextColor(paint.dc(), colour);
  const std::string text = GetWindowTextString(control);
  const ShownLabel shown =
      (style & SS_NOPREFIX) != 0 ? ShownLabel{text, std::string::npos} : StripPrefixes(text);
  DrawText(paint.dc(), shown.text.c_str(), static_cast<int32_t>(shown.text.size()), &client,
           format | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  UnderlineMarked(paint.dc(), shown, client, format, colour);
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
