#pragma once
// The text style record that every text-bearing object carries, and the few window calls of the
// toolbox layer: hiding, showing and restoring windows, the parent window, and the invalid and
// valid areas of the current port's window.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/port/Port.h"
#include "platform/win32/WindowTypes.h"

// 12 bytes: font number, face bits, a filler byte that is always 0, size in points, colour.
struct TextStyle {
  int16_t font = 0;
  uint8_t face = 0;
  uint8_t filler = 0;
  int16_t size = 0;
  RGB16Color color;

  TextStyle() = default;
  TextStyle(const TextStyle& other) = default;
  TextStyle& operator=(const TextStyle& other) = default;
  TextStyle& Self() { return *this; }
};
static_assert(sizeof(TextStyle) == 12, "the text style record is 12 bytes");

// The global default style: all zero.
const TextStyle& DefaultTextStyle();

// The window of a window record (a port bound to a window), or null.
HWND WindowOfRecord(const TPort* windowRecord);
// Hides the record's window; shows it in its current size and position.
void HideWindow(const TPort* windowRecord);
void ShowWindow(const TPort* windowRecord);
// The immediate parent of a window, or null.
HWND GetParentOwnerWindow(HWND window);
// Un-minimises and shows the window of an object's view; nothing for null.
void RestoreObjectWindow(HWND viewWindow);
// The rectangle of the current port's window must be painted again, background erased; or
// needs no painting. An empty rectangle marks nothing.
void InvalidateMacRect(const MacRect& rect);
void ValidateMacRect(const MacRect& rect);
