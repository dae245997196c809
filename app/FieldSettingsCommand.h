#pragma once
// The settings of a world's force field, edited in the field's own dialog. Each edit inside the
// dialog is performed at once, as in every property dialog; once the dialog is closed with OK
// the command stands for all of them: one undo gives back the field (and its group) as they
// were before the dialog opened, and redo brings the edits back.

#include <cstdint>

#include "ui/dialogs/DialogCommand.h"

class TCommandCore;
class TFieldCnstr;

class TFieldSettingsCommand : public TRefHolder {
 public:
  // The dialog of the field's command number on the field alone.
  void InitForField(int16_t commandNumber, TFieldCnstr& field);

  // Notes the field and its group, whole, before the dialog runs.
  void BeforePrepare() override;
  // The action's perform sequence; the command stays undoable. A cancelled dialog abandons the
  // command silently and leaves the edits made before the cancel, as every property dialog does.
  void Perform() override;
  void DoWork() override;

 private:
  TFieldCnstr* field_ = nullptr;
  bool cancelled_ = false;
};

// The settings command of a field, as the field asks for it from its menu command.
TCommandCore* MakeFieldSettingsCommand(int16_t commandNumber, TFieldCnstr& field);
