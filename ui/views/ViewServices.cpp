#include "ui/views/ViewServices.h"

#include "model/command/CommandHandler.h"

namespace {

TViewServices& Services() {
  static TViewServices services;
  return services;
}

}  // namespace

void SetViewServices(const TViewServices& services) {
  Services() = services;
}

const TViewServices& ViewServices() {
  return Services();
}

void ResetCursorRegion() {
  if (Services().resetCursorRegion) Services().resetCursorRegion();
}

TTargetHandler* ApplicationHandler() {
  return TCommandHandler::Application();
}

TTargetHandler* CurrentTarget() {
  TCommandHandler* application = TCommandHandler::Application();
  return application ? application->GetTarget() : nullptr;
}

void SetCurrentTarget(TTargetHandler* handler) {
  if (TCommandHandler* application = TCommandHandler::Application())
    application->SetTarget(handler ? handler : application);
}

HWND MainFrameWindow() {
  TCommandHandler* application = TCommandHandler::Application();
  return application ? application->GetMainFrame() : nullptr;
}

TWrappedWindow*& PassOverView() {
  static TWrappedWindow* view = nullptr;
  return view;
}

TCommandCore*& PendingCommand() {
  static TCommandCore* command = nullptr;
  return command;
}

bool& PrintingInProgress() {
  static bool printing = false;
  return printing;
}
