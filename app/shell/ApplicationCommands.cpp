#include "app/shell/ApplicationCommands.h"

#include "app/shell/ApplicationHandler.h"

TFirstApplicationCommand::TFirstApplicationCommand(TApplicationHandler& application)
    : application_(application) {
  Init(1, nullptr, nullptr, nullptr);
}

void TFirstApplicationCommand::DoIt() {
  // The application's command-1 operation has nothing to do in this program.
  (void)application_;
}

TNewDocumentCommand::TNewDocumentCommand(TApplicationHandler& application, int16_t command)
    : application_(application) {
  Init(command, nullptr, nullptr, nullptr);
}

void TNewDocumentCommand::DoIt() {
  if (auto& make = application_.GetServices().newDocument) make(GetCommandNumber());
}

TOpenFileCommand::TOpenFileCommand(TApplicationHandler& application, int16_t command)
    : application_(application) {
  Init(command, nullptr, nullptr, nullptr);
}

void TOpenFileCommand::DoIt() {
  if (auto& open = application_.GetServices().openDocument) open(GetCommandNumber());
}

TUndoRedoCommand::TUndoRedoCommand(TApplicationHandler& application)
    : application_(application) {
  Init(TApplicationHandler::kUndoCommand, nullptr, nullptr, nullptr);
}

void TUndoRedoCommand::DoIt() {
  application_.UndoOrRedoLast();
}
