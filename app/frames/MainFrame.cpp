#include "app/frames/MainFrame.h"

#include "model/command/CommandHandler.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

BOOL CMainFrame::CreateMainWindow() {
  const RECT rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
  return Create(nullptr, "Yarrowby", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, rect,
                nullptr, nullptr, 0, nullptr);
}

BOOL CMainFrame::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (CMDIFrameWnd::OnCmdMsg(id, code, extra)) return TRUE;
  if (code != CN_COMMAND) return FALSE;
  TTargetHandler* target = CurrentTarget();
  TCommandHandler* application = TCommandHandler::Application();
  if (!target || !application) return FALSE;
  TCommandCore* command = target->DoMenuCommand(static_cast<int16_t>(id));
  if (command) application->HandleCommand(command);
  return command != nullptr;
}

BOOL CMainFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    *result = Default();
    return TRUE;
  }
  return CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
}

TOwlWindow* CMainFrame::MakeDocumentWindow() {
  return new TOwlWindow(this, "Untitled", nullptr, TViewPoint{0, 0},
                        TViewPoint{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}
