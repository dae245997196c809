// Undo of input value changes through the world's actions.
#include "inout/inputs/InputValueCommand.h"

#include <memory>

#include "model/command/CommandHandler.h"
#include "model/filing/ChangeRecorder.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "model/world/WorldHost.h"

void TInputValueCommand::InitInputValue(TWorldDoc& world, TInput& input, double old) {
  InitAction(kCommandInputValue, nullptr, &world, 1);
  input_ = &input;
  old_ = old;
}

TWorldDoc* TInputValueCommand::World() const { return dynamic_cast<TWorldDoc*>(GetContext()); }

void TInputValueCommand::PrepareWithRecovery() {
  const double current = input_->GetValue();
  input_->SetValue(old_, false, false);
  if (TChangeRecorder* undo = UndoRecorder()) undo->NoteObject(input_, false);
  if (TChangeRecorder* redo = RedoRecorder()) redo->NoteObject(input_, false);
  TActionBase::PrepareWithRecovery();
  input_->SetValue(current, false, false);
}

void TInputValueCommand::DoWork() {
  TWorldDoc* const world = World();
  if (world == nullptr || ShowsARun(*world)) return;
  // Frames the solver has not taken since they were read would replay the old value.
  CheckWorldEdit(*world);
  world->Changed(0);
}

void TInputValueCommand::Undo() {
  TActionBase::Undo();
  if (GetContext() != nullptr) GetContext()->Changed(0);
}

void TInputValueCommand::Redo() {
  TActionBase::Redo();
  if (GetContext() != nullptr) GetContext()->Changed(0);
}

bool TWorldInputUndo::IsInputUndoOff(const TInput& input) const {
  const TWorldDoc* const world = WorldOf(input);
  return world != nullptr && ShowsARun(*world);
}

void TWorldInputUndo::ValueChanged(TInput& input, double old, bool immediate) {
  TWorldDoc* world = WorldOf(input);
  if (world == nullptr) return;
  auto command = std::make_unique<TInputValueCommand>();
  command->InitInputValue(*world, input, old);
  TCommandHandler* handler = TCommandHandler::Application();
  if (immediate && handler != nullptr) {
    handler->PerformCommand(command.release());
    return;
  }
  world->Host().PostCommand(command.release());
}

TWorldInputUndo& TWorldInputUndo::Instance() {
  static TWorldInputUndo instance;
  return instance;
}
