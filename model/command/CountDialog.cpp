#include "model/command/CountDialog.h"

#include <cstdio>

#include "model/command/CommandHandler.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

TCountDialog*& CurrentSlot() {
  static TCountDialog* current = nullptr;
  return current;
}

}  // namespace

int16_t& TCountDialog::DialogUp() {
  static int16_t up = 0;
  return up;
}

int16_t& TCountDialog::CancelPressed() {
  static int16_t pressed = 0;
  return pressed;
}

TCountDialog* TCountDialog::Current() {
  return CurrentSlot();
}

TCountDialog::TCountDialog(HWND) {
  if (TCommandHandler* application = TCommandHandler::Application()) {
    application->BeginModalState();
  }
  DialogUp() = 1;
  CancelPressed() = 0;
  CurrentSlot() = this;
}

TCountDialog::~TCountDialog() = default;

TCountDialog* TCountDialog::Open(HWND parent, int16_t templateId) {
  auto* dialog = new TCountDialog(parent);
  const HWND window =
      CreateDialogParam(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(templateId)), parent,
                        Procedure, reinterpret_cast<LPARAM>(dialog));
  if (window != nullptr) return dialog;
  // Not made, or destroyed while it was set up: what is left of it goes.
  if (CurrentSlot() == dialog) dialog->PostNcDestroy();
  return nullptr;
}

void TCountDialog::OnInitDialog(HWND window) {
  window_ = window;
  SetWindowLongPtr(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
  countItem_ = GetDlgItem(window, kCountItem);
  const int16_t shown = shown_;
  shown_ = 0;
  SetCount(shown);
}

void TCountDialog::SetCount(int16_t count) {
  if (count < shown_) return;
  shown_ = count;
  if (countItem_ == nullptr) return;
  char text[8];
  std::snprintf(text, sizeof text, "%d", count);
  SetWindowText(countItem_, text);
}

void TCountDialog::Close() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void TCountDialog::OnCancel() {
  Close();  // deletes this dialog
  CancelPressed() = 1;
}

void TCountDialog::PostNcDestroy() {
  DialogUp() = 0;
  if (CurrentSlot() == this) CurrentSlot() = nullptr;
  if (TCommandHandler* application = TCommandHandler::Application()) {
    application->EndModalState();
  }
  delete this;
}

intptr_t TCountDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    reinterpret_cast<TCountDialog*>(lParam)->OnInitDialog(dialog);
    return 1;
  }
  auto* self = reinterpret_cast<TCountDialog*>(GetWindowLongPtr(dialog, DWLP_USER));
  if (self == nullptr) return 0;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    self->OnCancel();
    return 1;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtr(dialog, DWLP_USER, 0);
    self->PostNcDestroy();
  }
  return 0;
}
