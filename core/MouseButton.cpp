#include "core/MouseButton.h"

#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/WindowMessages.h"

bool IsMouseButtonDown() {
  // The physical state is read first: reading it takes the desktop's events in, and the queue
  // is looked at afterwards, so both answers describe the same moment.
  const auto state = static_cast<uint16_t>(GetAsyncKeyState(VK_LBUTTON));
  const bool physicallyDown = (state & 0xFF00) != 0;
  switch (WaitingLeftRelease()) {
    case LeftRelease::kBehindMove:
      return true;
    case LeftRelease::kNext:
      return false;
    case LeftRelease::kNone:
      break;
  }
  return physicallyDown;
}
