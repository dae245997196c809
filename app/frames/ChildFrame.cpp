#include "app/frames/ChildFrame.h"

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/services/EmbeddedWorlds.h"
#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "platform/mfc/COleInsertDialog.h"
#include "platform/mfc/CWaitCursor.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/Message.h"
#include "ui/views/OwlSubview.h"

IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

namespace {

TWorldWindowDocument* WorldDocumentOf(TOwlSubview* windowObject) {
  return windowObject ? dynamic_cast<TWorldWindowDocument*>(windowObject->GetDocument()) : nullptr;
}

}  // namespace

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
  // The window object hears of its activation first, so that it is the current target and its
  // document the front one by the time the frame has the keyboard.
  if (message == WM_MDIACTIVATE && windowObject_)
    windowObject_->ActivateWithWindow(reinterpret_cast<HWND>(lParam) == m_hWnd ? 1 : 0, 1);
  const BOOL handled = CMDIChildWnd::OnWndMsg(message, wParam, lParam, result);
  switch (message) {
    case WM_WINDOWPOSCHANGED:
      RecordZoomState();
      break;
    case WM_INITMENUPOPUP:
      if (CMDIFrameWnd* frame = GetMDIFrame())
        ::PostMessage(frame->m_hWnd, WM_INITMENUPOPUP, wParam, lParam);
      break;
    case WM_MENUSELECT:
      ForwardMenuSelect(wParam, lParam);
      break;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk();
      break;
    case WM_GETMINMAXINFO:
      LimitMinimumSize(reinterpret_cast<MINMAXINFO*>(lParam));
      break;
    case WM_MDIACTIVATE:
      ShowItemMenu(reinterpret_cast<HWND>(lParam) == m_hWnd);
      if (reinterpret_cast<HWND>(lParam) == m_hWnd) NameInMainTitle();
      // Left without an active window (this one hidden), the title names nothing.
      if (CMDIFrameWnd* frame = GetMDIFrame();
          lParam == 0 && frame != nullptr && frame->MDIGetActive() == nullptr)
        ::SetWindowText(frame->m_hWnd, kProgramTitle);
      break;
    case WM_DESTROY:
      ShowItemMenu(false);
      // The window that came forward has named itself; without one the title names nothing.
      if (CMDIFrameWnd* frame = GetMDIFrame(); frame && frame->MDIGetActive() == nullptr)
        ::SetWindowText(frame->m_hWnd, kProgramTitle);
      break;
    default:
      break;
  }
  return handled;
}

void CChildFrame::NameInMainTitle() {
  CMDIFrameWnd* const frame = GetMDIFrame();
  if (frame == nullptr) return;
  std::string name = GetWindowText();
  if (name.empty() && windowObject_) name = windowObject_->GetTitle();
  ::SetWindowText(frame->m_hWnd, (std::string(kProgramTitle) + " - " + name).c_str());
}

void CChildFrame::ForwardMenuSelect(WPARAM wParam, LPARAM lParam) {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  const bool forwarding = application != nullptr && application->MenuForwarding() != 0;
  CMDIFrameWnd* frame = GetMDIFrame();
  // The selection that closes the menu has no menu handle; it is passed on while forwarding.
  if (frame && (forwarding || lParam != 0)) ::PostMessage(frame->m_hWnd, WM_MENUSELECT, wParam, lParam);
  if (application) application->SetMenuForwarding(lParam != 0 ? 1 : 0);
}

void CChildFrame::LimitMinimumSize(MINMAXINFO* info) const {
  if (!info || !windowObject_) return;
  // The limit rectangle holds the minimum height in its top and the minimum width in its left.
  const MacRect limits = windowObject_->GetLimitRect();
  info->ptMinTrackSize.x = limits.left;
  info->ptMinTrackSize.y = limits.top;
}

void CChildFrame::RecordZoomState() {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || !IsWindow(m_hWnd)) return;
  application->SetDocZoomState(IsZoomed(m_hWnd) ? 1 : 0);
}

BOOL CChildFrame::OnCmdMsg(UINT id, int32_t code, void* extra) {
  const bool ours =
      id == kInsertObjectCommand || id == kCancelEditCommand || id == kUpdateItemCommand;
  if (code == CN_UPDATE_COMMAND_UI && ours && extra != nullptr) {
    UpdateItemCommand(*static_cast<CCmdUI*>(extra));
    return TRUE;
  }
  // Asked only whether there is a handler: there is, and nothing is done.
  if (code == CN_COMMAND && ours && extra != nullptr) return TRUE;
  if (code == CN_COMMAND && id == kInsertObjectCommand) {
    OnInsertObject();
    return TRUE;
  }
  if (code == CN_COMMAND && id == kCancelEditCommand) {
    OnCancelEditCntr();
    return TRUE;
  }
  if (code == CN_COMMAND && id == kUpdateItemCommand) {
    if (TWorldWindowDocument* const document = WorldDocumentOf(windowObject_)) document->UpdateItem();
    return TRUE;
  }
  return CMDIChildWnd::OnCmdMsg(id, code, extra);
}

CView* CChildFrame::WindowObjectView() const {
  return windowObject_ ? dynamic_cast<CView*>(windowObject_->GetMFCWindow()) : nullptr;
}

void CChildFrame::UpdateItemCommand(CCmdUI& update) {
  TWorldWindowDocument* const document = WorldDocumentOf(windowObject_);
  if (update.m_nID == kUpdateItemCommand) {
    update.Enable(document != nullptr && document->ServesItem());
    return;
  }
  if (update.m_nID == kInsertObjectCommand) {
    // A world edited in place elsewhere takes no items of its own.
    update.Enable(document != nullptr && document->Items().GetInPlaceFrame() == nullptr);
    return;
  }
  update.Enable(document != nullptr &&
                document->Items().GetInPlaceActiveItem(WindowObjectView()) != nullptr);
}

void CChildFrame::ShowItemMenu(bool show) {
  CMDIFrameWnd* const frame = GetMDIFrame();
  if (frame == nullptr || frame->m_hWnd == nullptr) return;
  if (show) {
    TWorldWindowDocument* const document = WorldDocumentOf(windowObject_);
    if (itemMenu_ != nullptr || document == nullptr || !document->ServesItem()) return;
    itemMenu_ = LoadMenuResource(MAKEINTRESOURCEA(kEmbeddedWorldMenu));
    if (itemMenu_ == nullptr) return;
    barBefore_ = ::GetMenu(frame->m_hWnd);
    ::SetMenu(frame->m_hWnd, itemMenu_);
    ::DrawMenuBar(frame->m_hWnd);
    return;
  }
  if (itemMenu_ == nullptr) return;
  if (::GetMenu(frame->m_hWnd) == itemMenu_) {
    ::SetMenu(frame->m_hWnd, barBefore_);
    ::DrawMenuBar(frame->m_hWnd);
  }
  DestroyMenu(itemMenu_);
  itemMenu_ = nullptr;
  barBefore_ = nullptr;
}

void CChildFrame::OnInsertObject() {
  TWorldWindowDocument* const document = WorldDocumentOf(windowObject_);
  if (document == nullptr) return;
  COleInsertDialog dialog(IOF_SELECTCREATENEW, this);
  if (dialog.DoModal() != IDOK) return;
  const CWaitCursor waiting;
  auto* item = new CYBCntrItem(&document->Items());
  if (!dialog.CreateItem(item)) {
    document->Items().RemoveItem(item);
    return;
  }
  if (dialog.GetSelectionType() == COleInsertDialog::createNewItem)
    item->DoVerb(OLEIVERB_SHOW, WindowObjectView());
  document->Items().SetModifiedFlag();
  document->Items().UpdateAllViews(nullptr, 0, nullptr);
}

void CChildFrame::OnCancelEditCntr() {
  TWorldWindowDocument* const document = WorldDocumentOf(windowObject_);
  if (document == nullptr) return;
  if (COleClientItem* const active = document->Items().GetInPlaceActiveItem(WindowObjectView()))
    active->Close();
}

void CChildFrame::OnLButtonDblClk() {
  TWorldWindowDocument* const document = WorldDocumentOf(windowObject_);
  if (document == nullptr || windowObject_ == nullptr) return;
  CView* const view = WindowObjectView();
  if (COleClientItem* const active = document->Items().GetInPlaceActiveItem(view))
    active->DoVerb(OLEIVERB_HIDE, view);
}
