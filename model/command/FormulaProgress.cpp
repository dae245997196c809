#include "model/command/FormulaProgress.h"

#include <cmath>

#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/CommandHandler.h"
#include "model/command/CountDialog.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

constexpr int32_t kFirstCheckTicks = 120;
constexpr int32_t kCheckTicks = 20;

// The percentage to show, or -1 when the values give none.
int32_t PercentDone(double start, double reached, double total) {
  const double percent = 100.0 * (1.0 - (reached - total) / (start - total));
  if (!std::isfinite(percent)) return -1;
  return static_cast<int32_t>(std::trunc(std::fmin(std::fmax(percent, 0.0), 32767.0)));
}

// Handles every message that waits for the count dialog, the desktop's input taken in first: the
// dialog paints its text and its Cancel button and hears a click on it, however many messages
// that takes (one message a check left the button unpainted and a click unheard until the work
// was over). What waits for the other windows waits on: they must not act while the work that
// one of them began is under way.
void LetTheEventLoopRun(HWND dialog) {
  if (ProgressTimerInterval() == 0 || dialog == nullptr) return;
  PollDesktop();
  MSG message;
  while (IsWindow(dialog) && PeekMessage(&message, dialog, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
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
    LetTheEventLoopRun(dialog != nullptr ? dialog->Window() : nullptr);
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
