#include "platform/win32/Clock.h"

#include <chrono>

namespace {

const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();
bool gVirtual = false;
DWORD gVirtualNow = 0;

}  // namespace

DWORD GetTickCount() {
  if (gVirtual) return gVirtualNow;
  const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void UseVirtualClock(DWORD start) {
  gVirtual = true;
  gVirtualNow = start;
}

void AdvanceVirtualClock(DWORD milliseconds) {
  gVirtualNow += milliseconds;
}

void UseProcessClock() {
  gVirtual = false;
}

bool VirtualClockInUse() {
  return gVirtual;
}
