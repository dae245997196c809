#include "platform/win32/Timer.h"

#include <algorithm>
#include <vector>

#include "platform/win32/Clock.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"

namespace {

constexpr UINT kShortestInterval = 10;

struct TimerRecord {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  TIMERPROC procedure = nullptr;
  DWORD due = 0;
  bool wakesOnly = false;
};

std::vector<TimerRecord>& Timers() {
  static std::vector<TimerRecord> timers;
  return timers;
}

UINT_PTR gNextThreadTimer = 1;

auto FindTimer(HWND window, UINT_PTR id) {
  auto& timers = Timers();
  return std::find_if(timers.begin(), timers.end(), [&](const TimerRecord& timer) {
    return timer.window == window && timer.id == id;
  });
}

bool PassesFilter(const TimerRecord& timer, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return timer.window == nullptr;
  return timer.window == filter || IsChild(filter, timer.window);
}

}  // namespace

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
  if (window && !IsWindow(window)) return 0;
  if (!window) {
    id = gNextThreadTimer++;
    if (gNextThreadTimer == 0) gNextThreadTimer = 1;
  }
  TimerRecord timer;
  timer.window = window;
  timer.id = id;
  timer.interval = std::max(kShortestInterval, milliseconds);
  timer.procedure = procedure;
  timer.due = GetTickCount() + timer.interval;
  auto existing = FindTimer(window, id);
  if (existing != Timers().end())
    *existing = timer;
  else
    Timers().push_back(timer);
  return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  auto existing = FindTimer(window, id);
  if (existing == Timers().end()) return FALSE;
  Timers().erase(existing);
  return TRUE;
}

BOOL SetTimerWakesOnly(HWND window, UINT_PTR id) {
  for (TimerRecord& timer : Timers()) {
    if (timer.window != window || timer.id != id) continue;
    timer.wakesOnly = true;
    return TRUE;
  }
  return FALSE;
}

bool NextTimerDue(DWORD* due, bool withWakeOnly) {
  const DWORD now = GetTickCount();
  // The earliest deadline, compared by difference so that a wrap cannot reorder them.
  bool found = false;
  DWORD earliest = 0;
  for (const TimerRecord& timer : Timers()) {
    if (timer.wakesOnly && !withWakeOnly) continue;
    if (!found || static_cast<int32_t>(timer.due - earliest) < 0) earliest = timer.due;
    found = true;
  }
  if (!found) return false;
  if (due) *due = TickReached(now, earliest) ? now : earliest;
  return true;
}

bool TakeDueTimer(MSG* message, HWND filter, bool remove) {
  const DWORD now = GetTickCount();
  TimerRecord* chosen = nullptr;
  for (TimerRecord& timer : Timers()) {
    if (!TickReached(now, timer.due) || !PassesFilter(timer, filter)) continue;
    if (!chosen || static_cast<int32_t>(timer.due - chosen->due) < 0) chosen = &timer;
  }
  if (!chosen) return false;
  if (message) {
    *message = MSG{};
    message->hwnd = chosen->window;
    message->message = WM_TIMER;
    message->wParam = chosen->id;
    message->lParam = reinterpret_cast<LPARAM>(chosen->procedure);
    message->time = now;
  }
  if (remove) chosen->due = now + chosen->interval;
  return true;
}

void ForgetWindowTimers(HWND window) {
  auto& timers = Timers();
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [&](const TimerRecord& timer) { return timer.window == window; }),
               timers.end());
}

void ResetTimers() {
  Timers().clear();
  gNextThreadTimer = 1;
}
