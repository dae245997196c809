#include "ui/controls/GridEdit.h"

#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TGridEdit, TMacEdit)

namespace {

constexpr WPARAM kTab = 9;
constexpr WPARAM kReturn = 13;
constexpr WPARAM kEscape = 27;
constexpr WPARAM kLeft = 0x25;
constexpr WPARAM kUp = 0x26;
constexpr WPARAM kRight = 0x27;
constexpr WPARAM kDown = 0x28;
constexpr WPARAM kShift = 0x10;
constexpr int16_t kPropertyDialogClass = 424;
constexpr DWORD kBorder = 0x00800000;

// Restores the armed flag however the commit ends.
class TDisarmed {
 public:
  explicit TDisarmed(TGridEdit& edit) : edit_(edit) { edit_.SetArmed(0); }
  ~TDisarmed() { edit_.SetArmed(1); }
  TDisarmed(const TDisarmed&) = delete;
  TDisarmed& operator=(const TDisarmed&) = delete;

 private:
  TGridEdit& edit_;
};

}  // namespace

TGridEdit::TGridEdit(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title,
                     int32_t left, int32_t top, int32_t width, int32_t height)
    : TMacEdit(parent, owner, id, title, left, top, width, height) {
  SetStyle(RecordedStyle() | kBorder);
}

TWindowsDialog* TGridEdit::Dialog() const {
  for (CWnd* window = Link().parent; window != nullptr; window = window->GetParent()) {
    if (window->IsKindOf(RUNTIME_CLASS(TWindowsDialog))) return static_cast<TWindowsDialog*>(window);
  }
  return nullptr;
}

int16_t TGridEdit::Commit(bool fromReturn) {
  TChangingControls bracket;
  TDisarmed disarmed(*this);
  if (table_ != nullptr) table_->SetCellTracking(0);
  TMacDialogItem* const owner = Owner();
  TWindowsDialog* const dialog = Dialog();
  if (owner == nullptr || dialog == nullptr) return 1;
  int16_t answer = 1;
  const int16_t error = owner->CheckText();
  TDialogOwner* const dialogOwner = dialog->GetDialogOwner();
  if (error == 0) {
    dialog->AcceptValue(owner, fromReturn);
    if (table_ != nullptr) table_->SetCellTracking(1);
  } else if (dialogOwner != nullptr) {
    dialog->SetAcceptOnClose(0);
    if (ReportGuardFlag() == 0) {
      TReportGuard guard;
      if (table_ != nullptr) table_->SetCellTracking(1);
      dialogOwner->ReportValidationFailure(owner, error);
      answer = 0;
    }
  }
  if (Owner() == nullptr) return answer;
  if (dialogOwner != nullptr && dialogOwner->IsOwnerMemberClass(kPropertyDialogClass))
    dialogOwner->ItemFocused(Owner());
  Owner()->SelectWholeText();
  return answer;
}

bool TGridEdit::AtTextEdge() {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const auto unselected = static_cast<DWORD>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(-1), 0));
  return start == 0 && end == unselected;
}

BOOL TGridEdit::OnKeyDown(WPARAM key, LRESULT* result) {
  TChangingControls bracket;
  switch (key) {
    case kTab:
      Commit(false);
      break;
    case kLeft:
    case kRight:
      if (AtTextEdge() && Commit(false) == 1) {
        if (table_ != nullptr) table_->OtherColumn();
        *result = 0;
        return TRUE;
      }
      break;
    case kUp:
      if (Commit(false) == 1) {
        if (table_ != nullptr) table_->PreviousRow();
        *result = 0;
        return TRUE;
      }
      break;
    case kDown:
      if (Commit(false) == 1) {
        *result = Default();
        if (table_ != nullptr) table_->NextRow();
        return TRUE;
      }
      break;
    default:
      break;
  }
  *result = Default();
  return TRUE;
}

void TGridEdit::OnKeyUp(WPARAM key, LRESULT* result) {
  TChangingControls bracket;
  if ((key != kReturn && key != kEscape) || ConfirmFlag() == 0) {
    *result = Default();
    return;
  }
  const int16_t committed = Commit(true);
  *result = Default();
  if (committed != 1 || table_ == nullptr) return;
  if ((GetAsyncKeyState(static_cast<int32_t>(kShift)) & 0x8000) != 0) {
    table_->PreviousCell();
  } else {
    table_->NextCell();
  }
}

void TGridEdit::OnKillFocus(LRESULT* result) {
  TChangingControls bracket;
  if (armed_ == 0) {
    *result = Default();
    return;
  }
  armed_ = 0;
  *result = Default();
  TMacDialogItem* const owner = Owner();
  TWindowsDialog* const dialog = Dialog();
  if (owner == nullptr || dialog == nullptr) return;
  const int16_t error = owner->CheckText();
  if (error == 0) {
    const int16_t accepted = dialog->AcceptValue(owner, false);
    if (table_ != nullptr) table_->SetCellTracking(accepted == 0 ? 1 : 0);
    return;
  }
  TDialogOwner* const dialogOwner = dialog->GetDialogOwner();
  if (dialogOwner == nullptr) return;
  dialog->SetAcceptOnClose(0);
  if (ReportGuardFlag() != 0) return;
  if (table_ != nullptr) table_->SetCellTracking(0);
  {
    TReportGuard guard;
    dialogOwner->ReportValidationFailure(owner, error);
  }
  dialog->SetAcceptOnClose(1);
}

BOOL TGridEdit::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE: {
      const BOOL handled = TMacEdit::OnWndMsg(message, wParam, lParam, result);
      // In the table's list the editor writes in the dialog's font.
      if (const TWindowsDialog* dialog = Dialog(); dialog != nullptr && dialog->GetNormalFont() != nullptr)
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(dialog->GetNormalFont()), 1);
      return handled;
    }
    case WM_GETDLGCODE:
      // The arrows move between cells and Return commits the cell: the dialog leaves both to
      // the editor instead of moving the focus or closing.
      *result = Default() | DLGC_WANTARROWS | (wParam == kReturn ? DLGC_WANTALLKEYS : 0);
      return TRUE;
    case WM_KEYDOWN:
      // Return confirms the cell here as the dialog's confirm would.
      if (wParam == kReturn) ConfirmFlag() = 1;
      return OnKeyDown(wParam, result);
    case WM_KEYUP:
      OnKeyUp(wParam, result);
      return TRUE;
    case WM_KILLFOCUS:
      OnKillFocus(result);
      return TRUE;
    case WM_MOUSEWHEEL:
      // A one-line field has nothing to scroll: the wheel scrolls the table's rows, which the
      // editor then follows.
      if (CWnd* const list = GetParent(); list != nullptr) {
        *result = list->SendMessage(message, wParam, lParam);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return TMacEdit::OnWndMsg(message, wParam, lParam, result);
}
