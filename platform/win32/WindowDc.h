#pragma once
// Device contexts of windows. A window's context draws into its top-level window's surface with
// the origin at the client area's (or, for GetWindowDC, the window's) top-left corner, clipped to
// the part of the window that can be seen: inside every ancestor, less clipped children and
// siblings. BeginPaint clips further to the update area and empties it.

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // true when the background still needs erasing
  RECT rcPaint;
};

HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
// 1 when the context was a window context and is now released, 0 otherwise.
int32_t ReleaseDC(HWND window, HDC dc);

// Update areas as regions, in client coordinates.
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase);
BOOL ValidateRgn(HWND window, HRGN region);
// Copies the update area into `region`; answers its kind (NULLREGION when empty, ERROR for a
// bad window or region).
int32_t GetUpdateRgn(HWND window, HRGN region, BOOL erase);
