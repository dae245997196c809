#include "core/TextStyle.h"

#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

RECT ToRect(const MacRect& rect) {
  return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

const TextStyle& DefaultTextStyle() {
  static const TextStyle style;
  return style;
}

HWND WindowOfRecord(const TPort* windowRecord) {
  if (!windowRecord) return nullptr;
  const auto window = static_cast<HWND>(windowRecord->window);
  return IsWindow(window) ? window : nullptr;
}

void HideWindow(const TPort* windowRecord) {
  if (const HWND window = WindowOfRecord(windowRecord)) ShowWindow(window, SW_HIDE);
}

void ShowWindow(const TPort* windowRecord) {
  if (const HWND window = WindowOfRecord(windowRecord)) ShowWindow(window, SW_SHOWNA);
}

HWND GetParentOwnerWindow(HWND window) {
  return GetParent(window);
}

void RestoreObjectWindow(HWND viewWindow) {
  if (IsWindow(viewWindow)) ShowWindow(viewWindow, SW_RESTORE);
}

void InvalidateMacRect(const MacRect& rect) {
  const RECT area = ToRect(rect);
  if (area.left >= area.right || area.top >= area.bottom) return;
  InvalidateRect(GetPortWindow(), &area, TRUE);
}

void ValidateMacRect(const MacRect& rect) {
  const RECT area = ToRect(rect);
  if (area.left >= area.right || area.top >= area.bottom) return;
  ValidateRect(GetPortWindow(), &area);
}
