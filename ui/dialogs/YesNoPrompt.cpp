#include "ui/dialogs/YesNoPrompt.h"

#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr int16_t kButtonItemClass = 303;

CWnd* PromptParent(CWnd* parent) {
  if (parent != nullptr) return parent;
  if (const HWND active = GetActiveWindow(); active != nullptr) {
    if (CWnd* const window = CWnd::FromHandlePermanent(active); window != nullptr) return window;
  }
  return GetMainFrame();
}

}  // namespace

TYesNoPrompt::TYesNoPrompt(CWnd* parent)
    : TWindowsDialog(PromptParent(parent), kYesNoPromptKind, nullptr) {}

CWnd* TYesNoPrompt::FindSubview(uint32_t tag) {
  if (GetSafeHwnd() == nullptr) return nullptr;
  if (tag == kPromptDialogTag) return this;
  TMacDialogItem* const item = ItemOfViewIdentifier(tag);
  return item != nullptr && item->HasControlWindow() ? item->ControlWindow() : nullptr;
}

uint32_t TYesNoPrompt::Ask(const Str255& message) {
  message_ = message;
  dismissedBy_.reset();
  missingView_.reset();
  const intptr_t result = RunModal();
  if (missingView_) {
    const QVException failure = *missingView_;
    missingView_.reset();
    throw failure;
  }
  if (result == -1) ThrowFailure(kErrOutOfMemory, 0);
  return dismissedBy_.value_or(kPromptNoTag);
}

BOOL TYesNoPrompt::OnInitDialog() {
  const BOOL result = TWindowsDialog::OnInitDialog();
  if (Items().empty()) return result;  // the items failed; the base ends the run
  TMacDialogItem* const text = ItemOfViewIdentifier(kPromptTextTag);
  if (FindSubview(kPromptDialogTag) == nullptr || text == nullptr) {
    const int16_t pending = GetResError();
    missingView_ = QVException(pending != 0 ? pending : 2, 0);
    EndDialog(IDCANCEL);
    return result;
  }
  text->SetControlText(message_, true);
  return result;
}

void TYesNoPrompt::OnOK() {
  Dismiss(TagOfControl(IDOK, kPromptYesTag));
  TWindowsDialog::OnOK();
}

void TYesNoPrompt::OnCancel() {
  Dismiss(TagOfControl(IDCANCEL, kPromptNoTag));
  TWindowsDialog::OnCancel();
}

int16_t TYesNoPrompt::AcceptValue(TMacDialogItem* item, bool force) {
  if (item == nullptr || !item->IsMemberClass(kButtonItemClass))
    return TWindowsDialog::AcceptValue(item, force);
  Dismiss(item->GetViewIdentifier());
  CloseModal(true);
  return 0;
}

void TYesNoPrompt::Dismiss(uint32_t tag) {
  if (!dismissedBy_) dismissedBy_ = tag;
}

uint32_t TYesNoPrompt::TagOfControl(int32_t controlId, uint32_t fallback) const {
  TMacDialogItem* const item = ItemOfControlId(controlId);
  return item != nullptr ? item->GetViewIdentifier() : fallback;
}

uint32_t AskYesNo(const Str255& message) {
  TYesNoPrompt prompt;
  return prompt.Ask(message);
}
