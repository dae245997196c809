#pragma once
// What views ask of the application above them, filled in by the application at start-up, and
// the few program-wide values that views share while one drawing or mouse sequence runs.

#include "platform/win32/WindowTypes.h"

class TCommandCore;
class TTargetHandler;
class TWrappedWindow;

struct TViewServices {
  // The cursor is chosen again at the next idle pass.
  void (*resetCursorRegion)() = nullptr;
};
void SetViewServices(const TViewServices& services);
const TViewServices& ViewServices();

void ResetCursorRegion();

// The application's handler, its current target and setting it; null and nothing without an
// application.
TTargetHandler* ApplicationHandler();
TTargetHandler* CurrentTarget();
void SetCurrentTarget(TTargetHandler* handler);
// The main frame window, or null.
HWND MainFrameWindow();

// The view that the cursor search passes over (the one being dragged), or null.
TWrappedWindow*& PassOverView();
// The command a click handed back, until the click handler passes it on.
TCommandCore*& PendingCommand();
// Set while a page is printed: drawing then goes on whatever the view tree says.
bool& PrintingInProgress();
