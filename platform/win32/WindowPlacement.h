#pragma once
// A window's placement (its normal rectangle and whether it is shown minimised or maximised),
// minimising by program, and the size limits a window gives for sizing and maximising.

#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowTypes.h"

inline constexpr UINT WPF_SETMINPOSITION = 0x0001;

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;  // in the parent's client coordinates
};

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
// Gives the window its normal rectangle and shows it as showCmd says.
BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement);
// Minimises the window (it is not destroyed).
BOOL CloseWindow(HWND window);

// The limits the window answers to WM_GETMINMAXINFO, starting from this layer's own: the whole
// `area` (the parent's client area or the screen) when maximised, a frame's smallest size, and
// no largest size beyond the screen.
MINMAXINFO QueryMinMaxInfo(HWND window, const RECT& area);
