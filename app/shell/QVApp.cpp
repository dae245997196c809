#include "app/shell/QVApp.h"

IMPLEMENT_DYNAMIC(TQVApp, TMacApplication)

int32_t TQVApp::Run() {
  const HWND main = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
  SetExitCode(RunEventLoop(main));
  return ExitInstance();
}

void TQVApp::CreateHelpers() {
  InitMacApp();
}
