#pragma once
// Window timers on the layer's clock (Clock.h). A due timer makes one WM_TIMER at a time; the
// next one is due a full interval after the message was taken from the queue.

#include "platform/win32/WindowTypes.h"

// With a window, `id` names the timer (an existing one is reset); without one, a fresh id is
// returned. The interval is at least 10 ms. Returns 0 on failure.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);

// For the message loop: the earliest due time of any timer, if there is one.
bool NextTimerDue(DWORD* due);
// Finds a due timer that passes the filters and makes its WM_TIMER message; with `remove` the
// timer starts its next interval.
bool TakeDueTimer(MSG* message, HWND filter, bool remove);
