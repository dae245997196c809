#pragma once
// The program's own application class between the Macintosh-style application and the concrete
// one: its event loop starts with no command being performed, and its helpers are made at
// start-up on the handler half's own start-up.

#include "app/shell/MacApplication.h"

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
};
