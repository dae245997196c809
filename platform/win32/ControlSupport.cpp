#include "platform/win32/ControlSupport.h"

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

void NotifyParent(HWND control, WORD code) {
  const HWND parent = GetParent(control);
  if (!parent) return;
  SendMessage(parent, WM_COMMAND, static_cast<WPARAM>(MAKELONG(GetDlgCtrlID(control), code)),
              reinterpret_cast<LPARAM>(control));
}

std::string VisibleText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out.push_back(text[i]);
  }
  return out;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
  const HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF color) {
  const HBRUSH brush = CreateSolidBrush(color);
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
}

void DrawFocusFrame(HDC dc, const RECT& rect) {
  FrameSolid(dc, rect, kControlGrayText);
}

void SendDrawItem(HWND control, UINT type, UINT item, UINT action, UINT state, HDC dc,
                  const RECT& rect, uintptr_t data) {
  const HWND parent = GetParent(control);
  if (!parent) return;
  DRAWITEMSTRUCT draw;
  draw.CtlType = type;
  draw.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
  draw.itemID = item;
  draw.itemAction = action;
  draw.itemState = state;
  draw.hwndItem = control;
  draw.hDC = dc;
  draw.rcItem = rect;
  draw.itemData = data;
  const int32_t saved = SaveDC(dc);
  SendMessage(parent, WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
  RestoreDC(dc, saved);
}

UINT SendMeasureItem(HWND control, UINT type, UINT item, uintptr_t data, UINT fallback) {
  const HWND parent = GetParent(control);
  MEASUREITEMSTRUCT measure;
  measure.CtlType = type;
  measure.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
  measure.itemID = item;
  measure.itemData = data;
  if (parent)
    SendMessage(parent, WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
  return measure.itemHeight != 0 ? measure.itemHeight : fallback;
}

int32_t ControlLineHeight(HWND control) {
  ControlDc context(control);
  TEXTMETRIC metrics;
  if (!GetTextMetrics(context.dc(), &metrics) || metrics.tmHeight <= 0) return 16;
  return metrics.tmHeight;
}

namespace {

HGDIOBJ SelectControlFont(HWND control, HDC dc) {
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessage(control, WM_GETFONT, 0, 0));
  return font ? SelectObject(dc, font) : nullptr;
}

}  // namespace

ControlPaint::ControlPaint(HWND control) : control_(control) {
  dc_ = BeginPaint(control, &paint_);
  GetClientRect(control, &client_);
  oldFont_ = SelectControlFont(control, dc_);
  SetBkMode(dc_, TRANSPARENT);
}

ControlPaint::~ControlPaint() {
  if (oldFont_) SelectObject(dc_, oldFont_);
  EndPaint(control_, &paint_);
}

ControlDc::ControlDc(HWND control) : control_(control), dc_(GetDC(control)) {
  oldFont_ = SelectControlFont(control, dc_);
  SetBkMode(dc_, TRANSPARENT);
}

ControlDc::~ControlDc() {
  if (oldFont_) SelectObject(dc_, oldFont_);
  ReleaseDC(control_, dc_);
}

void RegisterControlClass(const char* name, WNDPROC procedure) {
  if (GetClassInfo(name, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = name;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}
