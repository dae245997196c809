#include "platform/win32/Clock.h"

#include <atomic>
#include <chrono>

namespace {

const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();
// Atomic, so that a test may move the virtual clock on from another thread while the program is
// busy (a script that runs until a key stops it).
std::atomic<bool> gVirtual{false};
std::atomic<uint64_t> gVirtualNow{0};

}  // namespace

uint64_t GetTickCount64() {
  if (gVirtual) return gVirtualNow;
  const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

DWORD GetTickCount() {
  return static_cast<DWORD>(GetTickCount64());
}

void UseVirtualClock(uint64_t start) {
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
