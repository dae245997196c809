#include "app/frames/MainFrame.h"

#include "app/shell/ApplicationHandler.h"
#include "app/shell/MenuBar.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

namespace {

TApplicationHandler* ShellApplication() {
  return dynamic_cast<TApplicationHandler*>(TCommandHandler::Application());
}

}  // namespace

BOOL CMainFrame::CreateMainWindow() {
  const RECT rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
  if (!Create(nullptr, "Yarrowby", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, rect,
              nullptr, nullptr, 0, nullptr)) {
    return FALSE;
  }
  SetMenuFrame(m_hWnd);
  SetMenuBarForMode(kNormalModeBar);
  return TRUE;
}

BOOL CMainFrame::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (CMDIFrameWnd::OnCmdMsg(id, code, extra)) return TRUE;
  // Whether the chain answers a command is known only by asking it to make the command, so a
  // question about a handler is left to the menu set-up.
  if (code != CN_COMMAND || extra != nullptr) return FALSE;
  TApplicationHandler* application = ShellApplication();
  if (!application) return FALSE;
  if (application->HandleFrameworkCommand(id)) return TRUE;
  return application->ChooseMenuItem(static_cast<int32_t>(static_cast<uint16_t>(id)));
}

BOOL CMainFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_DESTROY:
      if (GetMenuFrame() == m_hWnd) {
        FreeMenuBarCache();
        SetMenuFrame(nullptr);
      }
      PostQuitMessage(0);
      *result = Default();
      return TRUE;
    case WM_INITMENU:
    case WM_INITMENUPOPUP: {
      CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
      if (TApplicationHandler* application = ShellApplication()) application->SetupTheMenus();
      if (MenuBarNeedsRedraw() || MenusChanged()) {
        ClearMenusChanged();
        RedrawMenuBar();
      }
      *result = 0;
      return TRUE;
    }
    default:
      return CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
  }
}

TOwlWindow* CMainFrame::MakeDocumentWindow() {
  return new TOwlWindow(this, "Untitled", nullptr, TViewPoint{0, 0},
                        TViewPoint{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}
