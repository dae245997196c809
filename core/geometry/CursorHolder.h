#pragma once
// A mouse cursor kept ready for a view or tool: the resource id it came from, whether it is the
// standard arrow, and the loaded cursor.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

struct TCursorHolder {
  uint32_t id = 0;
  uint32_t standard = 1;  // 1 = the standard arrow
  HCURSOR cursor = nullptr;

  // Id 0, the standard arrow, nothing loaded yet.
  TCursorHolder() = default;
  // Id 0 loads the standard arrow. Any other id loads that cursor from the program's resource
  // library; when the library has no such cursor the holder falls back to the standard arrow
  // (id 0, standard 1) rather than hold no cursor at all.
  explicit TCursorHolder(uint32_t resourceId);
};
