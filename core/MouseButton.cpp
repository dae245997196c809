#include "core/MouseButton.h"

#include "platform/win32/Input.h"
#include "platform/win32/WindowMessages.h"

bool IsMouseButtonDown() {
  const auto state = static_cast<uint16_t>(GetAsyncKeyState(VK_LBUTTON));
  return (state & 0xFF00) != 0;
}
