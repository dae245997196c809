#pragma once
// The application object's Macintosh-style half: the framework application whose message pump
// performs the queued commands first and keeps the drawing port safe around each message, whose
// idle time goes to the handlers of both chains and then sets the cursor, and whose second half
// is the application's command handler, the last stop of every chain (menu commands, menu
// set-up, the command queue, the last command for undo).
//
// Construction makes it the program's application object with an empty target chain; InitMacApp
// (start-up) makes its own handler the current target and sets up the queue's companions: its
// own clipboard view claimed, the Undo label cache, the tracking hysteresis, the arrow cursor.

#include <cstdint>
#include <memory>

#include "app/shell/ApplicationHandler.h"
#include "core/CommandNesting.h"
#include "core/port/PortRegion.h"
#include "platform/mfc/CWinApp.h"

class TClipboardView;

// Holds the application's command nesting, so that it exists before the handler half that
// performs commands through it is built.
struct TApplicationNesting {
  explicit TApplicationNesting(TFailureReporter& reporter) : nesting(reporter) {}
  TCommandNesting nesting;
};

class TMacApplication : public CWinApp,
                        public TFailureReporter,
                        private TApplicationNesting,
                        public TApplicationHandler {
  DECLARE_DYNAMIC(TMacApplication)
  DECLARE_CLASS_ID(293, TApplicationHandler)

 public:
  static constexpr int32_t kTrackHysteresis = 5;

  TMacApplication();
  // Gives back a window context the drawing port still holds (the stock null brush and pen
  // and the system font selected into it first) and frees the cursor regions.
  ~TMacApplication() override;

  // The framework's kind-of test, along the framework half's run-time classes.
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

  // Start-up of the handler half, in this order: its own handler is the current target, idle
  // interval and last idle time zero, the ready word 1, the handler never asks for idle time
  // itself, the drawing port holds no context, its own clipboard view is claimed, the Undo label
  // cache reads undo with command 0, the tracking hysteresis is 5 by 5, the arrow cursor.
  void InitMacApp();
  int16_t Ready() const { return ready_; }
  // Set when every modified document could be given up and the program is quitting.
  int16_t Quitting() const { return quitting_; }

  // The pump: every queued command that can perform now (a staying one once per pass, so that
  // the pass ends), then one message with the drawing port guarded. While a staying command
  // has more to do the pump does not wait for a message, and the messages that arrived during
  // its turn are all handled before its next turn.
  BOOL PumpMessage() override;
  // The framework's idle processing, then at the start of an idle period the idle walk of both
  // chains (a failure that escapes it is shown once and the program goes on), then the cursor.
  BOOL OnIdle(int32_t count) override;
  // The framework's answer; true also sets the quitting flag.
  BOOL SaveAllModified() override;

  // The event loop alone, with the main frame as the parent of progress dialogs while it runs;
  // answers the exit code of WM_QUIT, or -1 when no event can arrive any more.
  int32_t RunEventLoop(HWND mainFrame);

  // The failure alert; error 0 shows nothing.
  void ShowError(int16_t error, int32_t message) override;

  // Performs a command on the failure road: a failure of the outermost command is shown once.
  template <class Command>
  void PerformQueuedCommand(Command&& command) {
    nesting.Perform(command);
  }
  using TCommandHandler::PerformQueuedCommand;
  int CommandNestingDepth() const { return nesting.Depth(); }
  // The application's handler half.
  TApplicationHandler& Commands() { return *this; }

  // The cursor at idle: while the mouse stays inside the region where the cursor last set is
  // right nothing happens. Otherwise the view under the mouse (in the front document window)
  // sets the cursor and says where it stays right; without one the region is the pixel under
  // the mouse, so the cursor is looked at again as soon as the mouse moves. True when a view
  // set the cursor.
  bool AdjustCursorAtIdle();
  // The region, in screen coordinates, where the cursor last set is still right.
  const RegionRec* CursorRegion() const { return cursorRegion_; }

 protected:
  void TargetChanged() override;

 private:
  // The drawing port's window context while a message is handled: given back to its window
  // before and taken again (with the same brush, pen and font) after, unless a handler bound
  // the port meanwhile.
  class PortGuard;

  int16_t ready_ = 0;
  int16_t quitting_ = 0;
  bool catchingUp_ = false;
  RegionRec* cursorRegion_ = nullptr;
  // The application's own clipboard view, made at start-up without a window.
  std::unique_ptr<TClipboardView> clipboardView_;
};
