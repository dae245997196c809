#include "platform/win32/ModalWindows.h"

#include "platform/win32/Window.h"

std::vector<HWND> DisableOtherWindows(HWND modal) {
  std::vector<HWND> others;
  for (HWND top = GetTopWindow(nullptr); top; top = GetWindow(top, GW_HWNDNEXT))
    if (top != modal && IsWindowEnabled(top)) others.push_back(top);
  for (HWND window : others)
    EnableWindow(window, FALSE);
  return others;
}

void EnableAgain(std::vector<HWND>& windows) {
  for (HWND window : windows)
    if (IsWindow(window)) EnableWindow(window, TRUE);
  windows.clear();
}
