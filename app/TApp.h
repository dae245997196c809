#pragma once
// The application object: start-up and shut-down of the program's units, and the last stop of
// the failure road.

#include <cstdint>
#include <cstdio>

#include "core/CommandNesting.h"

class TApp : public TFailureReporter {
 public:
  // Where failures are reported; standard error unless told otherwise.
  explicit TApp(std::FILE* errorStream = stderr) : errorStream_(errorStream) {}
  TApp(const TApp&) = delete;
  TApp& operator=(const TApp&) = delete;

  // At start-up, before any handle or registry use: builds the handle pool, then lets every
  // unit register what it needs.
  void InitUnits();
  // At exit: releases what InitUnits built, in reverse order.
  void TermUnits();

  // Reports a failure to the user; error 0 shows nothing.
  void ShowError(int16_t error, int32_t message) override;

  // Performs a command on the failure road: a failure of the outermost command is shown once.
  template <class Command>
  void PerformQueuedCommand(Command&& command) {
    nesting_.Perform(command);
  }
  int CommandNestingDepth() const { return nesting_.Depth(); }

 private:
  std::FILE* errorStream_;
  TCommandNesting nesting_{*this};
};
