#pragma once
// The event record that a view window builds for a click: the kind, the modifier keys, the
// click count and a copy of the window message, its time in sixtieths of a second.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

struct TMouseEvent {
  static constexpr int16_t kMouseDown = 1;

  TMouseEvent() : message(&copy) {}
  TMouseEvent(const TMouseEvent&) = delete;
  TMouseEvent& operator=(const TMouseEvent&) = delete;

  MSG* message;  // the copy that ends the record
  int16_t kind = 0;
  int16_t controlKey = 0;
  int16_t shiftKey = 0;
  int16_t unused = 0;
  int16_t commandKey = 0;  // Ctrl as well: the key that stands for the command key
  int16_t reserved[4] = {0, 0, 0, 0};
  int16_t clickCount = 0;
  int16_t one = 1;
  MSG copy;
};
