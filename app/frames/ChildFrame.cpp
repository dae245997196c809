#include "app/frames/ChildFrame.h"

#include "core/Failure.h"
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
  return CMDIChildWnd::OnWndMsg(message, wParam, lParam, result);
}
