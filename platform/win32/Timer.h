#pragma once
// Window timers on the layer's clock (Clock.h). A due timer makes one WM_TIMER at a time; the
// next one is due a full interval after the message was taken from the queue.

#include "platform/win32/WindowTypes.h"

// With a window, `id` names the timer (an existing one is reset); without one, a fresh id is
// returned. The interval is at least 10 ms. Returns 0 on failure.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);

// Marks the window's timer as one whose messages do nothing but wake the message loop. On the
// virtual clock such a timer is no reason to move the clock on: a loop that has nothing else to
// wait for ends as it would without the timer.
BOOL SetTimerWakesOnly(HWND window, UINT_PTR id);

// For the message loop: the earliest due time of any timer, if there is one; without
// `withWakeOnly`, timers that only wake the loop are left out.
bool NextTimerDue(DWORD* due, bool withWakeOnly = true);
// Finds a due timer that passes the filters and makes its WM_TIMER message; with `remove` the
// timer starts its next interval.
bool TakeDueTimer(MSG* message, HWND filter, bool remove);
