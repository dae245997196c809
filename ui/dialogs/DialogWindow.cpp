#include "ui/dialogs/DialogWindow.h"

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "model/command/CommandHandler.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/DialogServices.h"
#include "ui/dialogs/DisplayMetrics.h"
#include "ui/dialogs/OwlDialogs.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr int16_t kCompositeItemClass = 539;
constexpr int16_t kFormulaFieldClass = 617;

// The main frame window: the active window, else the program's main frame.
CWnd* MainFrameWindow() {
  if (const HWND active = GetActiveWindow(); active != nullptr) {
    if (CWnd* const window = CWnd::FromHandlePermanent(active); window != nullptr) return window;
  }
  return GetMainFrame();
}

}  // namespace

TDialogWindow::~TDialogWindow() {
  SafeDelete(companion_);
  companion_ = nullptr;
  TWindowsDialog* const dialog = dialog_;
  dialog_ = nullptr;
  if (dialog == nullptr) return;
  dialog->SetDialogOwner(nullptr);
  delete dialog;
}

void TDialogWindow::SetCompanion(TObject* companion) {
  if (companion_ != companion) SafeDelete(companion_);
  companion_ = companion;
}

void TDialogWindow::Initialize(TWindowObject* parent, intptr_t,
                               const TDialogCreationRecord* record) {
  parent_ = parent;
  companion_ = nullptr;
  dialog_ = nullptr;
  FailIfNull(record);
  templateNumber_ = record->templateNumber;
  cancelResult_ = record->cancelResult;
  dialog_ = CreateDialog(*record);
  FailIfNull(dialog_);
  try {
    companion_ = nullptr;
    reserved_ = 0;
    resultSet_ = 0;
    resultTag_ = kNoResultTag;
    InitTargetHandler(nullptr);
    SetParentWindow(parent);
  } catch (...) {
    TWindowsDialog* const dialog = dialog_;
    dialog_ = nullptr;
    dialog->SetDialogOwner(nullptr);
    delete dialog;
    throw;
  }
}

CWnd* TDialogWindow::DialogParentWindow() const {
  if (parent_ == nullptr) return MainFrameWindow();
  CWnd* const window = parent_->GetObjectWindow();
  return window != nullptr ? window : MainFrameWindow();
}

TWindowsDialog* TDialogWindow::CreateDialog(const TDialogCreationRecord& record) {
  CWnd* const parent = DialogParentWindow();
  const TDialogWindow* const window = record.window != nullptr ? record.window : this;
  const auto templateId = static_cast<int16_t>(record.templateNumber);
  TWindowsDialog* made = nullptr;
  if (window->IsMemberClass(kFloatingWindowClass)) {
    int32_t floating = static_cast<uint16_t>(templateId);
    if (ReportedVersionMinor() == 95 && IsLargeFontDisplay()) floating += kLargeLayoutOffset;
    made = new TOwlFloatDialog(parent, static_cast<int16_t>(floating), this, record.commandNumber);
  } else if (window->IsMemberClass(kMoreChoicesWindowClass)) {
    made = new TOwlMoreChoicesDialog(parent, templateId, this, record.commandNumber);
  } else if (window->IsMemberClass(kMoreDetailsWindowClass)) {
    made = new TOwlMoreDetailsDialog(parent, templateId, this, record.commandNumber);
  } else {
    made = new TWindowsDialog(parent, templateId, this);
  }
  return AdoptDialog(made);
}

TWindowsDialog* TDialogWindow::AdoptDialog(TWindowsDialog* made) {
  if (dialog_ != nullptr && dialog_ != made) {
    dialog_->SetDialogOwner(nullptr);
    delete dialog_;
  }
  dialog_ = made;
  return made;
}

bool TDialogWindow::IsActive() const { return IsDialogFocused(); }

bool TDialogWindow::Validate() { return dialog_ == nullptr || dialog_->ValidateAllItems(); }

void TDialogWindow::ReportItemError(TMacDialogItem* item, int16_t error) {
  if (error == 0) return;
  Str255 text;
  if (error != -1) GetIndString(text, kItemErrorList, error >= 1 && error <= 5 ? error : 1);
  ReportItemRefusal(item, text);
}

void TDialogWindow::ReportItemRefusal(TMacDialogItem* item, const Str255& text) {
  if (text.Length() != 0) {
    SetAlertTexts(text, Str255(), Str255(), Str255());
    ShowAlert(kItemErrorAlert);
    if (const HWND dialog = GetDialogHandle(); dialog != nullptr) {
      SetActiveWindow(dialog);
      if (item != nullptr && item->HasControlWindow() &&
          item->ControlWindow()->GetSafeHwnd() != GetFocus()) {
        SetFocus(item->ControlWindow()->GetSafeHwnd());
      }
    }
  }
  if (item != nullptr &&
      (item->IsMemberClass(kEditTextItemClass) || item->IsMemberClass(kFormulaFieldClass))) {
    item->RestorePreviousText();
  }
}

void TDialogWindow::SetResultTag(uint32_t tag) {
  if (resultSet_ != 0) return;
  if (!Validate()) ThrowFailure(kErrNone, 0);
  resultSet_ = 1;
  resultTag_ = tag;
}

void TDialogWindow::ShowModeless() {
  if (dialog_ == nullptr) return;
  TWindowsDialog* const dialog = dialog_;
  try {
    if (dialog->GetSafeHwnd() == nullptr) dialog->CreateModeless();
  } catch (...) {
    // A dialog that went has said so (dialog_ is cleared). A floating dialog goes with its
    // window; one whose window was never made, and any other, is deleted here.
    if (dialog_ != nullptr) {
      dialog_ = nullptr;
      const bool floating = dialog->IsMemberClass(TOwlFloatDialog::kOwlClassID);
      if (!floating || dialog->GetSafeHwnd() == nullptr) {
        dialog->SetDialogOwner(nullptr);
        delete dialog;
      }
    }
    throw;
  }
  dialog->ShowWindow(SW_SHOW);
}

TMacDialogItem* TDialogWindow::FindItem(uint32_t identifier) const {
  return dialog_ != nullptr ? dialog_->ItemOfViewIdentifier(identifier) : nullptr;
}

void TDialogWindow::ResetResult() {
  resultSet_ = 0;
  resultTag_ = kNoResultTag;
  ShowModeless();
}

int32_t TDialogWindow::PoseModally() {
  FailIfNull(dialog_);
  PrepareModalRun();
  const intptr_t result = dialog_->RunModal();
  // A dialog whose window could not be made ran nothing: it is refused as a dialog that could
  // not be made at all, never taken as accepted.
  if (result == CDialog::kNotMade) ThrowFailure(kErrOutOfMemory, 0);
  return result == IDCANCEL ? cancelResult_ : static_cast<int32_t>(resultTag_);
}

void TDialogWindow::Reparent(TWindowObject* parent) {
  if (dialog_ == nullptr || dialog_->GetSafeHwnd() == nullptr) return;
  CWnd* const window = parent != nullptr ? parent->GetObjectWindow() : nullptr;
  ::SetParent(dialog_->GetSafeHwnd(), window != nullptr ? window->GetSafeHwnd() : nullptr);
}

void TDialogWindow::EachItem(void (*function)(TMacDialogItem*, void*), void* data) const {
  if (dialog_ == nullptr) return;
  dialog_->EachItem([&](TMacDialogItem* item) { function(item, data); });
}

TMacDialogItem* TDialogWindow::FirstItemThat(bool (*test)(TMacDialogItem*, void*),
                                             void* data) const {
  if (dialog_ == nullptr) return nullptr;
  return dialog_->FirstItemThat([&](TMacDialogItem* item) { return test(item, data); });
}

TMacDialogItem* TDialogWindow::LastItemThat(bool (*test)(TMacDialogItem*, void*),
                                            void* data) const {
  if (dialog_ == nullptr) return nullptr;
  return dialog_->LastItemThat([&](TMacDialogItem* item) { return test(item, data); });
}

void TDialogWindow::EachEditItem(void (*function)(TMacDialogItem*, void*), void* data) const {
  if (dialog_ == nullptr) return;
  dialog_->EachItem([&](TMacDialogItem* item) {
    if (item->IsMemberClass(kEditTextItemClass) || item->IsMemberClass(kCompositeItemClass)) {
      function(item, data);
    }
  });
}

HWND TDialogWindow::GetDialogHandle() const {
  return dialog_ != nullptr ? dialog_->GetSafeHwnd() : nullptr;
}

bool TDialogWindow::IsDialogFocused() const {
  const HWND dialog = GetDialogHandle();
  return dialog != nullptr && GetFocus() == dialog;
}

void TDialogWindow::SetParentWindow(TWindowObject* parent) {
  parent_ = parent;
  if (parent != nullptr) {
    SetNextHandler(parent->GetHandlerPart());
  } else {
    SetNextHandler(TCommandHandler::Application());
  }
}

TTargetHandler* TDialogWindow::ParentHandler() const {
  return parent_ != nullptr ? parent_->GetHandlerPart() : nullptr;
}

void TDialogWindow::DialogGone(TWindowsDialog* dialog) {
  if (dialog_ == dialog) dialog_ = nullptr;
}

CWnd* TDialogWindow::GetObjectWindow() { return dialog_; }
