#pragma once
// The program-wide state of the dialog layer. Everything runs on the one user-interface thread,
// so these are plain 16-bit words:
// - the changing-controls flag: 1 while the program itself builds or changes controls, so that
//   the notifications the controls send meanwhile are known for what they are. Handlers bracket
//   themselves with TChangingControls, which restores the outer value on leaving;
// - the confirm flag: set when a dialog receives IDOK; an edit control that sees its Return
//   key-up afterwards validates and clears it;
// - the mouse-down flag: from a left-button press in a dialog until its release or until an
//   edit control takes it (clicks on disabled edits reach their item this way);
// - the report guard: held while a validation failure is being reported, so a second report
//   (the focus moving while the alert is up) is suppressed.
// Whether an alert is up is the alert service's own flag (AlertFreeFlag, 0 while one is shown).

#include <cstdint>

int16_t& ChangingControlsFlag();
int16_t& ConfirmFlag();
int16_t& DialogMouseDownFlag();
int16_t& ReportGuardFlag();
// True while an alert is shown.
bool IsAlertShowing();

// Sets the changing-controls flag for its lifetime and restores the value it found.
class TChangingControls {
 public:
  TChangingControls() : saved_(ChangingControlsFlag()) { ChangingControlsFlag() = 1; }
  ~TChangingControls() { ChangingControlsFlag() = saved_; }
  TChangingControls(const TChangingControls&) = delete;
  TChangingControls& operator=(const TChangingControls&) = delete;

  // The value found on entry: whether the handler runs inside another bracket.
  bool WasSet() const { return saved_ != 0; }

 private:
  int16_t saved_;
};

// Holds the report guard for its lifetime.
class TReportGuard {
 public:
  TReportGuard() : saved_(ReportGuardFlag()) { ReportGuardFlag() = 1; }
  ~TReportGuard() { ReportGuardFlag() = saved_; }
  TReportGuard(const TReportGuard&) = delete;
  TReportGuard& operator=(const TReportGuard&) = delete;

 private:
  int16_t saved_;
};
