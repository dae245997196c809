#pragma once
// The one clock of the window layer. It counts milliseconds from the start of the process on a
// monotonic clock, so it never jumps with the wall clock and stays far from the 32-bit wrap
// during any session; deadlines are still compared by difference. Tests switch to a virtual
// clock that only moves when they advance it, so timers fire exactly when a test says.

#include "platform/win32/WindowTypes.h"

// Milliseconds since the process started (or the virtual clock's reading); the 32-bit count
// wraps after 49.7 days, the 64-bit one never in practice.
DWORD GetTickCount();
uint64_t GetTickCount64();

// From now on the clock reads `start` and moves only through AdvanceVirtualClock.
void UseVirtualClock(uint64_t start = 0);
// Moves the virtual clock forward; nothing else happens until messages are read.
void AdvanceVirtualClock(DWORD milliseconds);
// Back to the monotonic process clock.
void UseProcessClock();
bool VirtualClockInUse();

// True when `deadline` has been reached at `now`, also across the 32-bit wrap.
constexpr bool TickReached(DWORD now, DWORD deadline) {
  return static_cast<int32_t>(now - deadline) >= 0;
}
