#pragma once
// The window timers as the toolbox layer offers them, and an interval timer counted in ticks.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

// SetTimer and KillTimer on the window.
UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
BOOL StopTimer(HWND window, UINT_PTR id);

// Next due tick = now + ticks; the interval is kept for the following ones.
void SetInterval(int32_t ticks);
// False before the due tick; otherwise the next one is due an interval from now and the answer
// is true. Due ticks are compared by difference, so the answer is right across a wrap.
bool IntervalElapsed();
