#include "platform/win32/WindowPlacement.h"

#include <algorithm>

#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !placement) return FALSE;
  placement->flags = 0;
  placement->showCmd = record->minimized   ? SW_SHOWMINIMIZED
                       : record->maximized ? SW_SHOWMAXIMIZED
                                           : SW_SHOWNORMAL;
  const bool placed = record->minimized || record->maximized;
  placement->rcNormalPosition = placed ? record->restoreRect : record->rect;
  placement->ptMinPosition = record->minimized ? POINT{record->rect.left, record->rect.top}
                                               : POINT{-1, -1};
  placement->ptMaxPosition = record->maximized ? POINT{record->rect.left, record->rect.top}
                                               : POINT{-1, -1};
  return TRUE;
}

BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || !placement) return FALSE;
  const RECT& normal = placement->rcNormalPosition;
  if (record->minimized || record->maximized) {
    record->restoreRect = normal;
  } else {
    MoveWindow(window, normal.left, normal.top, normal.right - normal.left,
               normal.bottom - normal.top, TRUE);
  }
  const int32_t command = static_cast<int32_t>(placement->showCmd);
  if (command == SW_SHOWMAXIMIZED || command == SW_SHOWMINIMIZED || command == SW_MINIMIZE) {
    ShowWindow(window, command == SW_SHOWMAXIMIZED ? SW_MAXIMIZE : SW_MINIMIZE);
  } else if (command != SW_HIDE) {
    ShowWindow(window, SW_RESTORE);
    record = FindWindowRecord(window);
    if (record && !IsWindowVisible(window)) ShowWindow(window, command);
  }
  return IsWindow(window);
}

BOOL CloseWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  ShowWindow(window, SW_MINIMIZE);
  return TRUE;
}

MINMAXINFO QueryMinMaxInfo(HWND window, const RECT& area) {
  MINMAXINFO info;
  info.ptMaxSize = {area.right - area.left, area.bottom - area.top};
  info.ptMaxPosition = {area.left, area.top};
  const WindowRecord* record = FindWindowRecord(window);
  if (record) {
    const RECT insets = NonClientInsets(*record);
    info.ptMinTrackSize = {std::max(112, insets.left + insets.right), insets.top + insets.bottom};
  }
  info.ptMaxTrackSize = {std::max(info.ptMaxSize.x, GetSystemMetrics(SM_CXSCREEN)) + 64,
                         std::max(info.ptMaxSize.y, GetSystemMetrics(SM_CYSCREEN)) + 64};
  SendMessage(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info;
}
