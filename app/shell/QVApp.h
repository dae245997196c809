#pragma once
// The program's own application class between the Macintosh-style application and the concrete
// one: its event loop starts with no command being performed, and its helpers are made at
// start-up on the handler half's own start-up.

#include "app/shell/MacApplication.h"

class TCommand;

class TQVApp : public TMacApplication {
  DECLARE_DYNAMIC(TQVApp)
  DECLARE_CLASS_ID(473, TMacApplication)

 public:
  TQVApp() = default;

  // The event loop over the main window (no command is being performed when it starts), then
  // ExitInstance, whose answer it gives.
  int32_t Run() override;

  // The auxiliary objects of start-up, beginning with the handler half's own (InitMacApp).
  virtual void CreateHelpers();

  // The simulation run in progress: the first queued run command that is neither stopped nor
  // done; null when nothing runs.
  TCommand* CurrentRunCommand() const;
  // Tells every queued run to stop at its next chance.
  void StopCurrentRun();
  // Queues the command; Quit (36), New (10), Close (31) and command 0 stop a run in progress
  // first, so that they are not held up behind it.
  void PostCommand(TCommandCore* command) override;
};
