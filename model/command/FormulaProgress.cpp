#include "model/command/FormulaProgress.h"

#include <cmath>

#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/CommandHandler.h"
#include "model/command/CountDialog.h"
#include "platform/win32/Timer.h"

namespace {

constexpr int32_t kFirstCheckTicks = 120;
constexpr int32_t kCheckTicks = 20;

// The percentage to show, or -1 when the values give none.
int32_t PercentDone(double start, double reached, double total) {
  const double percent = 100.0 * (1.0 - (reached - total) / (start - total));
  if (!std::isfinite(percent)) return -1;
  return static_cast<int32_t>(std::trunc(std::fmin(std::fmax(percent, 0.0), 32767.0)));
}

void LetTheEventLoopRun(TCommandHandler* application) {
  const int32_t interval = ProgressTimerInterval();
  if (interval == 0) return;
  const HWND host = application != nullptr ? application->GetMainFrame() : nullptr;
  const UINT_PTR timer = SetTimer(host, kProgressTimerId, static_cast<UINT>(interval), nullptr);
  TCommandHandler::RunOneLoopPass();
  if (timer != 0) KillTimer(host, timer);
}

}  // namespace

int32_t& ProgressTimerInterval() {
  static int32_t interval = 100;
  return interval;
}

void TFormulaProgressState::Start(int16_t command) {
  nextCheck = GetTickCount60() + kFirstCheckTicks;
  commandNumber = command;
  started = 1;
  failureError = 0;
  failureMessage = 0;
}

bool FormulaProgressCheck(void* opaque, double start, double reached, double total) {
  auto& state = *static_cast<TFormulaProgressState*>(opaque);
  const int32_t now = GetTickCount60();
  if (!TickDeadlineReached(now, state.nextCheck) || now == state.nextCheck) return false;
  try {
    TCommandHandler* const application = TCommandHandler::Application();
    if (TCountDialog::DialogUp() == 0) {
      TCountDialog::Open(application != nullptr ? application->GetMainFrame() : nullptr);
    }
    const int32_t percent = PercentDone(start, reached, total);
    TCountDialog* const dialog = TCountDialog::Current();
    if (total != start && percent >= 0 && dialog != nullptr) {
      dialog->SetCount(static_cast<int16_t>(percent));
    }
    state.nextCheck = now + kCheckTicks;
    LetTheEventLoopRun(application);
    return TCountDialog::CancelPressed() != 0;
  } catch (const QVException& failure) {
    state.failureError = failure.error();
    state.failureMessage = failure.message();
    return true;
  }
}

void CloseCountDialog() {
  if (TCountDialog* dialog = TCountDialog::Current()) dialog->Close();
}
