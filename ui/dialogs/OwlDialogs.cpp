#include "ui/dialogs/OwlDialogs.h"

#include "model/handler/TargetHandler.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogOwner.h"

IMPLEMENT_DYNCREATE(TOwlMoreChoicesDialog, TWindowsDialog)
IMPLEMENT_DYNCREATE(TOwlMoreDetailsDialog, TWindowsDialog)
IMPLEMENT_DYNCREATE(TOwlFloatDialog, TWindowsDialog)

namespace {

constexpr WORD kButtonClicked = 0;

bool IsClickOf(WPARAM wParam, UINT id) {
  return (wParam & 0xFFFF) == id && ((wParam >> 16) & 0xFFFF) == kButtonClicked;
}

}  // namespace

BOOL TOwlMoreChoicesDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (!IsClickOf(wParam, kMoreButtonId)) return TWindowsDialog::OnCommand(wParam, lParam);
  MoreChoices();
  return TRUE;
}

void TOwlMoreChoicesDialog::MoreChoices() {
  const int16_t command = GetCommandNumber();
  TDialogOwner* const owner = GetDialogOwner();
  TTargetHandler* const parent = owner != nullptr ? owner->ParentHandler() : nullptr;
  TWindowsDialog::OnOK();
  // The command goes up also when the dialog stayed open; what it answers is not used here.
  if (parent != nullptr) parent->DoMenuCommand(command);
}

BOOL TOwlMoreDetailsDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  const bool more = IsClickOf(wParam, kMoreButtonId);
  const bool less = IsClickOf(wParam, kLessButtonId);
  if (!more && !less) return TWindowsDialog::OnCommand(wParam, lParam);
  if (TDialogOwner* const owner = GetDialogOwner(); owner != nullptr) owner->ShowDetails(more);
  return TRUE;
}

BOOL TOwlFloatDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_CLOSE) {
    // Closing for real destroys the window: the dialog's own Cancel does nothing.
    if (reallyClose_ == 0) {
      ShowWindow(SW_HIDE);
    } else {
      DestroyWindow();
    }
    *result = 0;
    return TRUE;
  }
  return TWindowsDialog::OnWndMsg(message, wParam, lParam, result);
}

void TOwlFloatDialog::PostNcDestroy() {
  TWindowsDialog::PostNcDestroy();
  delete this;
}
