#include "ui/dialogs/PanelDialogs.h"

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "model/Link.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/OwlDialogs.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr uint32_t kMoreChoicesMenuTag = MakeTag("md_l");

void ShowControl(HWND dialog, UINT id, int command) {
  if (const HWND control = GetDlgItem(dialog, static_cast<int>(id)); control != nullptr) {
    ShowWindow(control, command);
  }
}

void EnableControl(HWND dialog, UINT id, bool enabled) {
  if (const HWND control = GetDlgItem(dialog, static_cast<int>(id)); control != nullptr) {
    EnableWindow(control, enabled ? TRUE : FALSE);
  }
}

}  // namespace

// ---- TPanelDialog -------------------------------------------------------------------------------

void TPanelDialog::Initialize(TWindowObject* parent, intptr_t ignored,
                              const TDialogCreationRecord* record) {
  WindowBase::Initialize(parent, ignored, record);
  SetClassFilter(-1);
}

// ---- TMoreChoicesDialog -------------------------------------------------------------------------

void TMoreChoicesDialog::Initialize(TWindowObject* parent, intptr_t ignored,
                                    const TDialogCreationRecord* record) {
  TPanelDialog::Initialize(parent, ignored, record);
  commandNumber_ = record->commandNumber;
}

TCommandCore* TMoreChoicesDialog::DoMenuCommand(int16_t commandNumber) {
  if (commandNumber != commandNumber_) return WindowBase::DoMenuCommand(commandNumber);
  SetResultTag(kAcceptedResult);
  if (GetNextHandler() != nullptr) return GetNextHandler()->DoMenuCommand(commandNumber);
  return WindowBase::DoMenuCommand(commandNumber);
}

void TMoreChoicesDialog::DoSetupMenus() {
  WindowBase::DoSetupMenus();
  EnableMenuCommand(commandNumber_, true);
}

bool TMoreChoicesDialog::IsPropertyTag(uint32_t tag) const {
  return tag != kMoreChoicesMenuTag && WindowBase::IsPropertyTag(tag);
}

// ---- TMoreDetailsDialog -------------------------------------------------------------------------

int32_t TMoreDetailsDialog::DetailsHeight(int16_t dialogNumber) {
  Handle handle = GetResourceHandle(kDetailsResourceType, dialogNumber);
  if (handle == nullptr) return 1;
  int32_t height = 1;
  // A resource too short for its height counts as missing.
  if (GetHandleByteSize(handle) >= 2) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
    height = static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
  }
  ReleaseResourceHandle(handle);
  return height;
}

int32_t TMoreDetailsDialog::LineHeight(int32_t verticalBaseUnit) {
  if (verticalBaseUnit == 16) return 14;
  if (verticalBaseUnit == 20) return 17;
  return verticalBaseUnit - 2;
}

void TMoreDetailsDialog::ShowPanel(int16_t panel, int16_t show) {
  TChangingControls bracket;
  const int32_t line = LineHeight(HIWORD(static_cast<uintptr_t>(GetDialogBaseUnits())));
  if (panel != DetailsPanel()) {
    TPanelDialog::ShowPanel(panel, show);
    return;
  }
  TWindowsDialog* const dialog = GetDialog();
  if (dialog == nullptr) return;
  const int32_t height = DetailsHeight(GetDialogNumber());
  const bool shown = DetailsShown();
  if (shown == (show != 0)) return;
  // Integer division truncates toward zero, as the growth must for negative heights too.
  int32_t dy = shown ? -(height * line / 8) : 0;
  if (shown) {
    dialog->EachItem([](TMacDialogItem* item) {
      if (item->IsRemoved() == 0) item->Show(0);
    });
  }
  TPanelDialog::ShowPanel(panel, show);
  if (!shown) dy = DetailsShown() ? height * line / 8 : 0;

  const HWND window = dialog->GetSafeHwnd();
  RECT frame{};
  ::GetWindowRect(window, &frame);
  const int32_t width = frame.right - frame.left;
  const int32_t newHeight = frame.bottom - frame.top + dy;
  dialog->PlaceNewItems();
  ShowControl(window, kMoreButtonId, shown ? SW_SHOW : SW_HIDE);
  ShowControl(window, kLessButtonId, shown ? SW_HIDE : SW_SHOW);
  ::MoveWindow(window, frame.left, frame.top, width, newHeight, TRUE);
  ClearFirstRefreshPending();
  dialog->EachItem([](TMacDialogItem* item) {
    if (item->IsRemoved() == 0) item->Show(1);
  });
  if (!shown) WindowBase::RefreshAll();
}

void TMoreDetailsDialog::RefreshAll() {
  TChangingControls bracket;
  const HWND window = GetDialogHandle();
  const std::vector<TLink*>* const selection = Binding().Selection();
  if (window != nullptr && GetDlgItem(window, static_cast<int>(kMoreButtonId)) != nullptr &&
      selection != nullptr && selection->size() == 1) {
    uint16_t more = 0;
    if ((*selection)[0]->GetFlagProperty(kMoreTag, more, nullptr) != 0) {
      EnableControl(window, kMoreButtonId, true);
      EnableControl(window, kLessButtonId, true);
    } else {
      ShowPanel(DetailsPanel(), 1);
      EnableControl(window, kMoreButtonId, false);
      EnableControl(window, kLessButtonId, false);
    }
  }
  WindowBase::RefreshAll();
}

bool TMoreDetailsDialog::IsPropertyTag(uint32_t tag) const {
  return tag != kMoreTag || WindowBase::IsPropertyTag(tag);
}

int16_t TMoreDetailsDialog::AcceptValue(TMacDialogItem* item) {
  if (item != nullptr && item->GetPropertyTag() == kMoreTag) {
    ShowPanel(DetailsPanel(), DetailsShown() ? 0 : 1);
    RequestUpdate(false);
  }
  return TPanelDialog::AcceptValue(item);
}

// ---- TVectorSettingsDialog ----------------------------------------------------------------------

void TVectorSettingsDialog::Initialize(TWindowObject* parent, intptr_t ignored,
                                       const TDialogCreationRecord* record) {
  vectorSettings_ = nullptr;
  TPanelDialog::Initialize(parent, ignored, record);
}

void TVectorSettingsDialog::SetSelection(const std::vector<TLink*>* selection,
                                         TWindowObject* owner, TWorldDoc* world, int16_t attach) {
  TPanelDialog::SetSelection(selection, owner, world, attach);
  vectorSettings_ = nullptr;
  if (attach == 0) return;
  if (selection != nullptr) {
    for (TLink* object : *selection) {
      if (object->IsMemberClass(kVectorSettingsClass)) {
        vectorSettings_ = object;
        break;
      }
    }
  }
  FailIfNull(vectorSettings_);
}
