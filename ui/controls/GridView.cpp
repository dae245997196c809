#include "ui/controls/GridView.h"

#include "platform/mfc/CWnd.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "ui/controls/GridEdit.h"
#include "ui/controls/MacButtons.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TGridView, CListBox)

TGridView::TGridView(CWnd* parent, TMacDialogItem* owner, int16_t id, int32_t left, int32_t top,
                     int32_t width, int32_t height)
    : TLinkedControl(parent, owner, id, "", left, top, width, height, kDefaultStyle) {}

TGridView::TGridView(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : TLinkedControl(parent, id, owner, kDefaultStyle) {}

TGridView* TGridView::CreateControl() {
  if (!Create(Link().style, Link().bounds, Link().parent, ControlId())) return nullptr;
  return this;
}

BOOL TGridView::PreCreateWindow(CREATESTRUCT& create) {
  ApplyClientEdge(create);
  return CListBox::PreCreateWindow(create);
}

void TGridView::DrawItem(DRAWITEMSTRUCT* draw) {
  TChangingControls bracket;
  DrawThroughItem(Link().owner, draw);
}

void TGridView::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (Link().owner != nullptr) Link().owner->MeasureItem(measure);
}

TGridEdit* TGridView::FocusedEditor() const {
  const HWND focus = ::GetFocus();
  if (focus == nullptr || m_hWnd == nullptr || !::IsChild(m_hWnd, focus)) return nullptr;
  return dynamic_cast<TGridEdit*>(CWnd::FromHandlePermanent(focus));
}

LRESULT TGridView::PressKeepingEditorFocus() {
  TGridEdit* const editor = FocusedEditor();
  if (editor == nullptr) return Default();
  const HWND editorWindow = editor->GetSafeHwnd();
  const uint16_t armed = editor->IsArmed();
  editor->SetArmed(0);
  const LRESULT result = Default();
  // The press may have taken the editor away with the list's contents.
  if (CWnd::FromHandlePermanent(editorWindow) != editor) return result;
  if (::GetFocus() != editorWindow) ::SetFocus(editorWindow);
  editor->SetArmed(armed);
  return result;
}

bool TGridView::MayScroll(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_TIMER:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_NCLBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SIZE:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
      return true;
    default:
      return false;
  }
}

BOOL TGridView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!MayScroll(message) || m_hWnd == nullptr)
    return HandleMessage(message, wParam, lParam, result);
  const LRESULT topBefore = ::SendMessage(m_hWnd, LB_GETTOPINDEX, 0, 0);
  // The list's own handling runs here, so that the rows have moved before the table hears of it.
  if (!HandleMessage(message, wParam, lParam, result))
    *result = DefWindowProc(message, wParam, lParam);
  if (m_hWnd == nullptr || ::SendMessage(m_hWnd, LB_GETTOPINDEX, 0, 0) == topBefore) return TRUE;
  if (auto* watcher = dynamic_cast<TGridRowsWatcher*>(Link().owner)) watcher->RowsScrolled();
  return TRUE;
}

BOOL TGridView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      TChangingControls bracket;
      if (Link().owner != nullptr) {
        Link().owner->MouseDown(static_cast<uint32_t>(wParam),
                                static_cast<int16_t>(lParam & 0xFFFF),
                                static_cast<int16_t>((lParam >> 16) & 0xFFFF));
      }
      *result = PressKeepingEditorFocus();
      return TRUE;
    }
    case WM_TIMER: {
      RECT client{};
      GetClientRect(&client);
      RECT first{};
      if (SendMessage(LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)) != LB_ERR &&
          first.right > first.left && first.bottom > first.top) {
        client.right = first.right;
      }
      Default();
      if (Link().owner != nullptr) Link().owner->TimerNotice(client, wParam);
      *result = 1;
      return TRUE;
    }
    default:
      break;
  }
  return TLinkedControl::OnWndMsg(message, wParam, lParam, result);
}
