#include "core/TimerServices.h"

#include "core/TickCount.h"
#include "platform/win32/Timer.h"

namespace {

int32_t gNextDue = 0;
int32_t gInterval = 0;

}  // namespace

UINT_PTR StartTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
  return SetTimer(window, id, milliseconds, procedure);
}

BOOL StopTimer(HWND window, UINT_PTR id) {
  return KillTimer(window, id);
}

void SetInterval(int32_t ticks) {
  gInterval = ticks;
  gNextDue =
      static_cast<int32_t>(static_cast<uint32_t>(GetTickCount60()) + static_cast<uint32_t>(ticks));
}

bool IntervalElapsed() {
  const int32_t now = GetTickCount60();
  if (!TickDeadlineReached(now, gNextDue)) return false;
  gNextDue = static_cast<int32_t>(static_cast<uint32_t>(now) + static_cast<uint32_t>(gInterval));
  return true;
}
