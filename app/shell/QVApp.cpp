#include "app/shell/QVApp.h"

#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "model/world/RunCommand.h"

IMPLEMENT_DYNAMIC(TQVApp, TMacApplication)

BOOL TQVApp::InitInstance() {
  SetDocManager(std::make_unique<TQVDocManager>());
  return TMacApplication::InitInstance();
}

int32_t TQVApp::Run() {
  const HWND main = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
  SetExitCode(RunEventLoop(main));
  return ExitInstance();
}

void TQVApp::CreateHelpers() {
  InitMacApp();
}

TCommand* TQVApp::CurrentRunCommand() const {
  for (int32_t index = 1; index <= QueuedCount(); ++index) {
    auto* run = dynamic_cast<TCommand*>(QueuedAt(index));
    if (run != nullptr && run->IsStopped() == 0 && run->IsDone() == 0) return run;
  }
  return nullptr;
}

void TQVApp::StopCurrentRun() {
  while (TCommand* run = CurrentRunCommand())
    run->Stop();
}

void TQVApp::PostCommand(TCommandCore* command) {
  if (command == nullptr) return;
  switch (command->GetCommandNumber()) {
    case 36:
    case 10:
    case 31:
    case 0:
      StopCurrentRun();
      break;
    default:
      break;
  }
  TMacApplication::PostCommand(command);
}

TCommandCore* TQVApp::DoMenuCommand(int16_t command) {
  if (command < 0) return nullptr;
  switch (command) {
    case 1053:
      SetPlayerMode(false);
      ApplyPlayerMode();
      return nullptr;
    case 1054:
      SetPlayerMode(true);
      ApplyPlayerMode();
      return nullptr;
    default:
      return TMacApplication::DoMenuCommand(command);
  }
}

void TQVApp::DoSetupMenus() {
  TMacApplication::DoSetupMenus();
  EnableMenuCommand(1054, !PlayerMode());
  EnableMenuCommand(1053, PlayerMode() && !IsMemoryLow());
}

void TQVApp::ApplyPlayerMode() {
  if (PlayerMode()) SetMenuBarForMode(kPlayerModeBar);
  InvalidateMenuSetup();
}
