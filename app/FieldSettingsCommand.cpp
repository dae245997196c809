#include "app/FieldSettingsCommand.h"

#include <memory>

#include "constraints/Field.h"
#include "core/Failure.h"
#include "model/command/CommandHandler.h"
#include "model/filing/ChangeRecorder.h"

void TFieldSettingsCommand::InitForField(int16_t commandNumber, TFieldCnstr& field) {
  field_ = &field;
  InitForObject(commandNumber, &field);
}

void TFieldSettingsCommand::BeforePrepare() {
  TRefHolder::BeforePrepare();
  if (field_ == nullptr || UndoRecorder() == nullptr || RedoRecorder() == nullptr) return;
  // The kind of a field sets how its group takes its members: both come back together. The
  // group is noted first, so that its mode as it was stands over the one the field's kind gives
  // it when both are read back.
  if (TLink* group = field_->GetRelatedObject())
    NoteChange(group, TChangeRecorder::kWholeObject);
  NoteChange(field_, TChangeRecorder::kWholeObject);
}

void TFieldSettingsCommand::Perform() {
  // Not the dialog command's perform, which gives up undo: this one undoes the dialog's edits.
  cancelled_ = false;
  TActionBase::Perform();
  if (cancelled_) ThrowFailure(kErrNone, 0);
  // Each edit in the dialog became the application's last command in turn; this command stands
  // for them all now, so the last of them is committed and let go before this one takes its place.
  TCommandHandler* const application = TCommandHandler::Application();
  if (application != nullptr && application->GetLastCommand() != this)
    application->CommitLastCommand();
}

// A cancel is not a failure of the work: rolling back here would leave the application's last
// command (the dialog's last edit) undoing from a state the world no longer has.
void TFieldSettingsCommand::DoWork() {
  try {
    TRefHolder::DoWork();
  } catch (const QVException& failure) {
    if (failure.error() != kErrNone) throw;
    cancelled_ = true;
  }
}

TCommandCore* MakeFieldSettingsCommand(int16_t commandNumber, TFieldCnstr& field) {
  auto settings = std::make_unique<TFieldSettingsCommand>();
  settings->InitForField(commandNumber, field);
  return settings.release();
}
