#pragma once
// Time in sixtieths of a second, the unit of tracking loops, idle processing and timed checks.
// The count starts with the process on a monotonic clock, so it does not go negative or jump
// after the machine has been up for weeks; it fits 32 bits for about 414 days. Deadlines are
// still compared by difference.

#include <cstdint>

// Ticks since the process started: trunc(ms × 60 / 1000).
int32_t GetTickCount60();
// The tick count of a millisecond count: 999 ms give 59, 17 ms give 1, 16 ms give 0.
int32_t TicksFromMilliseconds(uint64_t milliseconds);
// True when `due` has been reached at `now`, also where the count wraps.
constexpr bool TickDeadlineReached(int32_t now, int32_t due) {
  return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(due)) >= 0;
}
