#pragma once
// The window object of the action chooser: a dialog window that keeps the action code the user
// chose. The factory builds it for its dialog number with the more-choices command.
//
//   TDialogWindow (346) > TActionDialogWindow (637)

#include <cstdint>

#include "ui/dialogs/DialogWindow.h"

class TActionDialogWindow : public TDialogWindow {
  DECLARE_CLASS_ID(637, TDialogWindow)

 public:
  int16_t GetChosenAction() const { return chosenAction_; }
  void SetChosenAction(int16_t action) { chosenAction_ = action; }

 private:
  int16_t chosenAction_ = 0;
};
