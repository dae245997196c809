#include "ui/controls/MacEdit.h"

#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TMacEdit, CEdit)

namespace {

constexpr int16_t kPropertyDialogClass = 424;
constexpr WPARAM kReturnKey = 13;
constexpr WPARAM kEscapeKey = 27;

int32_t LowSigned(LPARAM value) { return static_cast<int16_t>(value & 0xFFFF); }
int32_t HighSigned(LPARAM value) { return static_cast<int16_t>((value >> 16) & 0xFFFF); }

}  // namespace

TMacEdit::TMacEdit(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title,
                   int32_t left, int32_t top, int32_t width, int32_t height)
    : TLinkedControl(parent, owner, id, title, left, top, width, height, kDefaultStyle) {}

TMacEdit::TMacEdit(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : TLinkedControl(parent, id, owner, kDefaultStyle) {}

TMacEdit* TMacEdit::CreateControl() {
  if (!Create(Link().style, Link().bounds, Link().parent, ControlId())) return nullptr;
  if (!Link().title.empty()) SetWindowText(Link().title.c_str());
  return this;
}

BOOL TMacEdit::PreCreateWindow(CREATESTRUCT& create) {
  ApplyClientEdge(create);
  return CEdit::PreCreateWindow(create);
}

void TMacEdit::OnSetFocus() {
  TWindowsDialog* const dialog = Link().Dialog();
  if (Link().owner != nullptr && dialog != nullptr) {
    TDialogOwner* const owner = dialog->GetDialogOwner();
    if (owner != nullptr && owner->IsOwnerMemberClass(kPropertyDialogClass)) {
      owner->ItemFocused(Link().owner);
    }
  }
  hasFocus_ = 1;
  selection_ = static_cast<uint32_t>(SendMessage(EM_GETSEL, 0, 0));
}

void TMacEdit::ReportRefused(int16_t error) {
  TWindowsDialog* const dialog = Link().Dialog();
  if (dialog == nullptr) return;
  dialog->SetAcceptOnClose(0);
  TDialogOwner* const owner = dialog->GetDialogOwner();
  if (ReportGuardFlag() != 0 || owner == nullptr) return;
  TReportGuard guard;
  owner->ReportValidationFailure(Link().owner, error);
}

void TMacEdit::OnConfirmKey() {
  ConfirmFlag() = 0;
  if (Link().owner == nullptr) return;
  TWindowsDialog* const dialog = Link().Dialog();
  const int16_t error = Link().owner->CheckText();
  if (error == 0) {
    if (dialog != nullptr) dialog->AcceptValue(Link().owner, false);
  } else if (dialog != nullptr && dialog->GetDialogOwner() != nullptr) {
    ReportRefused(error);
    dialog->SetAcceptOnClose(1);
  }
  if (Link().owner == nullptr) return;
  if (dialog != nullptr && dialog->GetDialogOwner() != nullptr &&
      dialog->GetDialogOwner()->IsOwnerMemberClass(kPropertyDialogClass)) {
    dialog->GetDialogOwner()->ItemFocused(Link().owner);
  }
  Link().owner->SelectWholeText();
}

void TMacEdit::OnKillFocus(HWND gaining) {
  hasFocus_ = 0;
  if (Link().owner == nullptr) return;
  TWindowsDialog* const dialog = Link().Dialog();
  // The focus that a press on the dialog's Cancel button takes goes there to close the dialog:
  // what was typed is dropped, good or bad, as Escape drops it. Tab onto Cancel closes nothing,
  // and the value is taken as on any other move of the focus.
  const bool pressed = (GetKeyState(VK_LBUTTON) & 0x8000) != 0;
  const bool toCancel = pressed && gaining != nullptr && dialog != nullptr &&
                        ::GetParent(gaining) == dialog->GetSafeHwnd() &&
                        ::GetDlgCtrlID(gaining) == IDCANCEL;
  const int16_t error = Link().owner->CheckText();
  if (error == 0) {
    // A good value is taken when the focus leaves, but never while an alert is up (the alert
    // itself takes the focus, and its report is already under way) nor while the dialog closes
    // (a confirm has taken it already, a cancel must not).
    // A refusal keeps the confirm of the press that left the field from closing the dialog; a
    // value mended and taken since lifts it, or the next OK would be spent on it too. A confirm
    // under way decides for itself: its own refusal moves the focus about.
    if (!IsAlertShowing() && dialog != nullptr && !dialog->IsClosing() && !toCancel &&
        dialog->AcceptValue(Link().owner, false) == 0 && !dialog->IsValidating()) {
      dialog->SetAcceptOnClose(1);
    }
    if (m_hWnd != nullptr) {
      SendMessage(EM_SETSEL, 0, 0);
      SendMessage(EM_SCROLLCARET, 0, 0);
    }
    return;
  }
  if (!toCancel) ReportRefused(error);
}

void TMacEdit::OnHitTest(LPARAM lParam) {
  if (Link().owner == nullptr || DialogMouseDownFlag() == 0) return;
  if (TWindowsDialog* const dialog = Link().Dialog(); dialog != nullptr) {
    RECT rect{};
    GetWindowRect(&rect);
    POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
    ::ScreenToClient(dialog->GetSafeHwnd(), &corners[0]);
    ::ScreenToClient(dialog->GetSafeHwnd(), &corners[1]);
    const POINT click = dialog->GetLastClick();
    if (click.x >= corners[0].x && click.x < corners[1].x && click.y >= corners[0].y &&
        click.y < corners[1].y) {
      Link().owner->MouseDown(0, LowSigned(lParam), HighSigned(lParam));
    }
  }
  DialogMouseDownFlag() = 0;
}

BOOL TMacEdit::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (Link().owner != nullptr) {
        Link().owner->MouseDown(static_cast<uint32_t>(wParam), LowSigned(lParam),
                                HighSigned(lParam));
      }
      break;
    case WM_SETFOCUS: {
      TChangingControls bracket;
      *result = Default();
      OnSetFocus();
      return TRUE;
    }
    case WM_KEYUP: {
      TChangingControls bracket;
      *result = Default();
      if ((wParam == kReturnKey || wParam == kEscapeKey) && ConfirmFlag() != 0) OnConfirmKey();
      return TRUE;
    }
    case WM_KILLFOCUS: {
      TChangingControls bracket;
      *result = Default();
      OnKillFocus(reinterpret_cast<HWND>(wParam));
      return TRUE;
    }
    case WM_NCHITTEST: {
      TChangingControls bracket;
      OnHitTest(lParam);
      *result = Default();
      return TRUE;
    }
    default:
      break;
  }
  return TLinkedControl::OnWndMsg(message, wParam, lParam, result);
}
