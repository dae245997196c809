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

  // Player mode: a world is run, not edited. Command 1054 enters it, 1053 leaves it; negative
  // command numbers do nothing; every other command is the base's.
  TCommandCore* DoMenuCommand(int16_t command) override;
  // After the base's set-up: 1054 while not in player mode, 1053 while in it (and memory is not
  // low).
  void DoSetupMenus() override;
  bool PlayerMode() const { return playerMode_ != 0; }
  void SetPlayerMode(bool on) { playerMode_ = on ? 1 : 0; }
  // Installs the player menu bar and keys while in player mode (leaving the mode keeps the bar
  // that is there); the menus need setting up again in any case.
  void ApplyPlayerMode();

  // The update of the Scripts menu's placeholder (5521) rebuilds that menu; the rest goes on.
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  // Fills the Scripts menu from the placeholder's position on with one item per script entry,
  // commands 5521, 5522, ... in list order; without entries the placeholder shows its own text,
  // greyed.
  void RebuildMenu(CCmdUI* update);

 private:
  int16_t playerMode_ = 0;
};
