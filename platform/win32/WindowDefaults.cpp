// The parts of DefWindowProc that start modal loops: menus from the mouse and from Alt keys.

#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPaint.h"

LRESULT DefaultNonClientClick(HWND window, WPARAM hitTest, LPARAM screenPoint) {
  const POINT screen{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  if (static_cast<LRESULT>(hitTest) == HTMENU) {
    const int32_t position = MenuBarItemAt(window, screen);
    if (position >= 0) TrackMenuBarItem(window, position);
    return 0;
  }
  SetActiveWindow(window);
  return 0;
}

LRESULT DefaultSystemKey(HWND window, WPARAM key, LPARAM) {
  const HWND top = GetAncestorTopLevel(window);
  if (key == VK_F1 + 3 && GetKeyState(VK_MENU) < 0) {  // Alt+F4
    PostMessage(top, WM_CLOSE, 0, 0);
    return 0;
  }
  const int32_t character = CharacterOfKey(static_cast<int32_t>(key));
  if (character > ' ') {
    const int32_t position = MenuBarMnemonic(top, static_cast<char>(character));
    if (position >= 0) TrackMenuBarItem(top, position);
  }
  return 0;
}
