#pragma once
// Update areas: what a window must repaint. Invalidating adds to a window's update area (and to
// its children's where they overlap, unless the window clips its children); the queue makes
// WM_PAINT while the area is not empty, parents before children; painting takes the area.

#include "platform/win32/WindowTypes.h"

// Null rectangle: the whole client area.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
// The bounding box of the update area (client coordinates); false when it is empty.
BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase);
// Sends WM_PAINT at once when the window has something to paint.
BOOL UpdateWindow(HWND window);
// RDW_INVALIDATE / RDW_VALIDATE / RDW_ERASE over the rectangle (null: the client area), with
// RDW_ALLCHILDREN for the children too and RDW_UPDATENOW to paint before returning.
BOOL RedrawWindow(HWND window, const RECT* rect, UINT flags);

// What BeginPaint does about the update area: sends WM_NCPAINT when the frame needs it and
// WM_ERASEBKGND (with the given device context) when the area was invalidated with erase, then
// empties the area. Answers the area's bounds and whether the background was erased.
RECT TakeUpdateArea(HWND window, WPARAM eraseContext, BOOL* erased);
