#pragma once
// The small commands that the application's own menu commands make: each is performed once from
// the queue and forgotten, and does its work through the application handler.

#include <functional>

#include "model/command/CommandCore.h"

class TApplicationHandler;

// Command 1: the application's command-1 operation, which does nothing in this program.
class TFirstApplicationCommand : public TSmallCommand {
  DECLARE_CLASS_ID(333, TSmallCommand)

 public:
  explicit TFirstApplicationCommand(TApplicationHandler& application);
  void DoIt() override;

 private:
  TApplicationHandler& application_;
};

// Commands 10 to 19: a new document of the kind the command names.
class TNewDocumentCommand : public TSmallCommand {
  DECLARE_CLASS_ID(328, TSmallCommand)

 public:
  TNewDocumentCommand(TApplicationHandler& application, int16_t command);
  void DoIt() override;

 private:
  TApplicationHandler& application_;
};

// Commands 20 to 29: the open-file dialog, and the document chosen in it.
class TOpenFileCommand : public TSmallCommand {
  DECLARE_CLASS_ID(329, TSmallCommand)

 public:
  TOpenFileCommand(TApplicationHandler& application, int16_t command);
  void DoIt() override;

 private:
  TApplicationHandler& application_;
};

// Command 101: undoes the last command when it is performed, else redoes it.
class TUndoRedoCommand : public TSmallCommand {
  DECLARE_CLASS_ID(332, TSmallCommand)

 public:
  explicit TUndoRedoCommand(TApplicationHandler& application);
  void DoIt() override;

 private:
  TApplicationHandler& application_;
};
