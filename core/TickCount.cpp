#include "core/TickCount.h"

#include "platform/win32/Clock.h"

int32_t TicksFromMilliseconds(uint64_t milliseconds) {
  return static_cast<int32_t>(static_cast<uint32_t>(milliseconds * 60 / 1000));
}

int32_t GetTickCount60() {
  return TicksFromMilliseconds(GetTickCount64());
}
