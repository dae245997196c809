#pragma once
// The application object: the resource libraries, start-up and shut-down of the program's
// units, and the last stop of the failure road.

#include <cstdint>
#include <cstdio>

#include "core/CommandNesting.h"
#include "platform/win32/WindowTypes.h"
#include "app/shell/ApplicationHandler.h"

// The message the event loop sends itself to run idle processing; never dispatched.
inline constexpr UINT WM_KICKIDLE = 0x036A;

class TApp : public TFailureReporter {
 public:
  // Where failures are reported; standard error unless told otherwise.
  explicit TApp(std::FILE* errorStream = stderr) : errorStream_(errorStream) {}
  TApp(const TApp&) = delete;
  TApp& operator=(const TApp&) = delete;

  // Before any resource lookup: makes the main, second and error-text libraries the first,
  // second and third resource search modules. A library that is missing leaves its module null;
  // later lookups fail instead.
  void LoadResourceDlls();
  // At exit, after TermUnits: forgets the three modules.
  void FreeResourceDlls();

  // At start-up, before any handle, string list or registry use: builds the handle pool, runs
  // every unit's set-up in its fixed order (the class registrations and the class hierarchy
  // table among them), then freezes the class registry. A failure (a missing class hierarchy
  // table raises -108) releases what was built and passes on.
  void InitUnits();
  // At exit: the units' terminators, then the class registry, the class hierarchy table and
  // the handle pool, in that order.
  void TermUnits();

  // Reports a failure to the user; error 0 shows nothing.
  void ShowError(int16_t error, int32_t message) override;

  // Performs a command on the failure road: a failure of the outermost command is shown once.
  template <class Command>
  void PerformQueuedCommand(Command&& command) {
    nesting_.Perform(command);
  }
  int CommandNestingDepth() const { return nesting_.Depth(); }
  // The last handler of every chain: performs, queues, undoes and redoes commands.
  TApplicationHandler& Commands() { return commands_; }

  // The program's event loop, with the main frame as the parent of progress dialogs while it
  // runs. Before each event every queued command is performed (a failure is reported once and
  // the loop goes on); when the events run out after some were handled, the handlers of the
  // idle chains get their time, and later idle time comes through the event loop's timer.
  // Answers the exit code of WM_QUIT, or -1 when no event can arrive any more.
  int32_t RunEventLoop(HWND mainFrame);
  // Before a message is translated and dispatched: the splash window's filter sees it, then the
  // window objects from its window up to the main frame may take it (the frames' accelerators
  // turn keys into commands there). True when one took it.
  bool PreTranslateMessage(MSG* message);

 private:
  std::FILE* errorStream_;
  HWND mainFrame_ = nullptr;
  TCommandNesting nesting_{*this};
  TApplicationHandler commands_{nesting_};
};
