#include "ui/periphery/ActionChooser.h"

#include <algorithm>
#include <cstring>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/DialogFactory.h"

namespace {

constexpr size_t kRecordBytes = 32;
constexpr size_t kNameBytes = 30;
constexpr char kBackspace = '\b';
// The script pop-up of the main menu, one further on while a document window is maximised
// (its system menu then stands first).
constexpr int32_t kScriptPopup = 3;

int16_t CodeAt(const uint8_t* record) {
  return static_cast<int16_t>(record[kNameBytes] | (record[kNameBytes + 1] << 8));
}

// The menu item's text for the list: one blank before it, cut at a backspace.
std::string MenuEntryText(HMENU popup, int32_t position) {
  char text[256] = "";
  GetMenuString(popup, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  std::string entry = std::string(" ") + text;
  const size_t cut = entry.find(kBackspace);
  if (cut != std::string::npos) entry.resize(cut);
  return entry;
}

// A separator, or a greyed item: no script the user could run from the menu.
bool IsOffered(HMENU popup, int32_t position) {
  const UINT state = GetMenuState(popup, static_cast<UINT>(position), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && (state & (MF_SEPARATOR | MF_GRAYED)) == 0;
}

HMENU ScriptPopup() {
  CFrameWnd* const frame = GetMainFrame();
  if (!frame || !frame->GetSafeHwnd()) return nullptr;
  const HMENU bar = GetMenu(frame->GetSafeHwnd());
  if (!bar) return nullptr;
  // The bar's own rule: a maximised child adds a system menu before the titles only where the
  // window layer puts one there.
  return GetSubMenu(bar, kScriptPopup + MenuBarShift());
}

}  // namespace

std::vector<TActionRecord> ParseActionList(std::span<const uint8_t> bytes) {
  std::vector<TActionRecord> records;
  for (size_t at = 0; at + kRecordBytes <= bytes.size() && records.size() < kMaxActions;
       at += kRecordBytes) {
    const uint8_t* record = bytes.data() + at;
    const int16_t code = CodeAt(record);
    if (code == kActionListEnd) break;
    const auto* name = reinterpret_cast<const char*>(record);
    records.push_back(TActionRecord{std::string(name, strnlen(name, kNameBytes)), code});
  }
  return records;
}

TActionOwlDialog::TActionOwlDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner)
    : TWindowsDialog(parent, templateId, owner) {}

BOOL TActionOwlDialog::OnInitDialog() {
  const BOOL result = TWindowsDialog::OnInitDialog();
  list_ = std::make_unique<CComboBox>();
  list_->SubclassDlgItem(kActionListControl, this);

  Handle handle = GetResourceHandle(kActionListType, kActionListResource);
  FailIfNullResource(handle);
  const std::vector<TActionRecord> records = ParseActionList(
      {reinterpret_cast<const uint8_t*>(HandleData(handle)), GetHandleByteSize(handle)});
  ReleaseResourceHandle(handle);

  int32_t placeholder = -1;
  count_ = 0;
  for (const TActionRecord& record : records) {
    list_->AddString(record.name.c_str());
    if (record.code == kMenuActionsPlace) placeholder = static_cast<int32_t>(count_);
    codes_[count_++] = record.code;
  }
  if (placeholder >= 0) FillMenuActions(placeholder);
  return result;
}

// Items left out take no place in the list, so every script keeps the code of its own position;
// the list holds at most kMaxActions entries.
void TActionOwlDialog::FillMenuActions(int32_t placeholder) {
  const HMENU popup = ScriptPopup();
  if (!popup) return;
  const int32_t offered = GetMenuItemCount(popup) - kFixedMenuItems;
  std::vector<TActionRecord> commands;
  for (int32_t k = 0; k < offered; ++k) {
    const int32_t position = kFixedMenuItems + k;
    if (!IsOffered(popup, position)) continue;
    commands.push_back(
        TActionRecord{MenuEntryText(popup, position), static_cast<int16_t>(kFirstMenuAction + k)});
  }
  const size_t room = kMaxActions - count_;
  if (commands.size() > room) commands.resize(room);
  if (commands.empty()) return;

  const auto after = static_cast<size_t>(placeholder) + 1;
  std::copy_backward(codes_.begin() + static_cast<std::ptrdiff_t>(after),
                     codes_.begin() + static_cast<std::ptrdiff_t>(count_),
                     codes_.begin() + static_cast<std::ptrdiff_t>(count_ + commands.size()));
  for (size_t j = 0; j < commands.size(); ++j) {
    list_->InsertString(static_cast<int32_t>(after + j), commands[j].name.c_str());
    codes_[after + j] = commands[j].code;
  }
  count_ += commands.size();
}

BOOL TActionOwlDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == kActionListControl && HIWORD(wParam) == CBN_SELCHANGE) {
    OnSelectionChange();
    return TRUE;
  }
  return TWindowsDialog::OnCommand(wParam, lParam);
}

void TActionOwlDialog::OnSelectionChange() {
  if (!list_) return;
  const int32_t selected = list_->GetCurSel();
  if (selected < 0 || static_cast<size_t>(selected) >= count_) return;
  chosen_ = codes_[static_cast<size_t>(selected)];
  if (auto* window = dynamic_cast<TActionDialogWindow*>(GetDialogOwner()))
    window->SetChosenAction(chosen_);
}

void TActionOwlDialog::OnOK() {
  // Nothing chosen, or only the scripts' heading: OK would make nothing, so it says why and the
  // dialog stays for a choice.
  if (chosen_ < 0) {
    if (auto* window = dynamic_cast<TDialogWindow*>(GetDialogOwner()))
      window->ReportItemRefusal(nullptr, Str255("Choose an action from the list first."));
    if (list_ && list_->GetSafeHwnd()) ::SetFocus(list_->GetSafeHwnd());
    return;
  }
  if (okCallback_) okCallback_(dynamic_cast<TDialogWindow*>(GetDialogOwner()), okData_);
  TWindowsDialog::OnOK();
}

void TActionOwlDialog::OnCancel() {
  chosen_ = kNoAction;
  TWindowsDialog::OnCancel();
}

void TActionDialogWindow::Initialize(TWindowObject* parent, intptr_t ignored,
                                     const TDialogCreationRecord* record) {
  TDialogWindow::Initialize(parent, ignored, record);
  chosenAction_ = kNoAction;
}

TWindowsDialog* TActionDialogWindow::CreateDialog(const TDialogCreationRecord& record) {
  if (!dynamic_cast<TActionDialogWindow*>(record.window))
    return TDialogWindow::CreateDialog(record);
  auto dialog = std::make_unique<TActionOwlDialog>(DialogParentWindow(),
                                                   static_cast<int16_t>(record.templateNumber),
                                                   this);
  return AdoptDialog(dialog.release());
}

void TActionDialogWindow::SetDialogCallback(TActionCallback callback, intptr_t data) {
  if (auto* dialog = dynamic_cast<TActionOwlDialog*>(GetDialog()))
    dialog->SetOkCallback(callback, data);
}

int32_t RunActionChooser(int16_t dialogNumber, TActionCallback initCallback,
                         TActionCallback okCallback, intptr_t initData, intptr_t okData,
                         TWindowObject* owner) {
  // Made for this one run.
  const std::unique_ptr<TDialogWindow> window(CreateDialogById(dialogNumber, owner));
  if (!window) return 0;
  if (initCallback) initCallback(window.get(), initData);
  if (auto* chooser = dynamic_cast<TActionDialogWindow*>(window.get()))
    chooser->SetDialogCallback(okCallback, okData);
  return window->PoseModally();
}
