#include "ui/dialogs/DialogFlags.h"

#include "core/Alert.h"

int16_t& ChangingControlsFlag() {
  static int16_t flag = 0;
  return flag;
}

int16_t& ConfirmFlag() {
  static int16_t flag = 0;
  return flag;
}

int16_t& DialogMouseDownFlag() {
  static int16_t flag = 0;
  return flag;
}

int16_t& ReportGuardFlag() {
  static int16_t flag = 0;
  return flag;
}

bool IsAlertShowing() { return AlertFreeFlag() == 0; }
