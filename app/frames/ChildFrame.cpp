#include "app/frames/ChildFrame.h"

#include "app/TApp.h"
#include "core/Failure.h"
#include "platform/win32/Window.h"
#include "platform/win32/Message.h"
#include "ui/views/OwlSubview.h"

IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

BOOL CChildFrame::OnCreateClient(CREATESTRUCT*, CCreateContext* context) {
  try {
    windowObject_ = BuildClientWindow(0, context, this);
  } catch (const QVException&) {
    windowObject_ = nullptr;
  }
  if (!windowObject_) return FALSE;
  if (auto* view = dynamic_cast<CView*>(windowObject_->GetMFCWindow()))
    SetActiveView(view, FALSE);
  return TRUE;
}

BOOL CChildFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_CLOSE && windowObject_ && windowObject_->GetWindowHandle()) {
    // The window object decides; it must be the one the close command reaches.
    windowObject_->SelectWindow();
    ::SendMessage(windowObject_->GetWindowHandle(), WM_CLOSE, 0, 0);
    *result = 0;
    return TRUE;
  }
  const BOOL handled = CMDIChildWnd::OnWndMsg(message, wParam, lParam, result);
  if (message == WM_WINDOWPOSCHANGED) RecordZoomState();
  return handled;
}

void CChildFrame::RecordZoomState() {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || !IsWindow(m_hWnd)) return;
  application->SetDocZoomState(IsZoomed(m_hWnd) ? 1 : 0);
}
