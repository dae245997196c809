#include "ui/dialogs/DialogFactory.h"

#include <memory>

#include "platform/win32/Window.h"
#include "ui/periphery/ActionChooser.h"
#include "ui/dialogs/PanelDialogs.h"
#include "ui/periphery/PointTableWindow.h"

TDialogClass DialogClassOf(int16_t dialogNumber) {
  switch (dialogNumber) {
    case 1005: case 1009: case 1014: case 1056: case 1077: case 1137: case 1400: case 1500: case 1711:
    case 1712: case 1713: case 1725: case 10420: case 10421: case 10422: case 10423: case 10425:
      return TDialogClass::kPanel;
    case 1015: case 1039:
      return TDialogClass::kMoreDetails;
    case 1600: case 10410: case 10411: case 10412: case 10413: case 10414: case 10416:
      return TDialogClass::kMoreChoices;
    case 10424:
      return TDialogClass::kVectorSettings;
    case 1104:
      return TDialogClass::kAction;
    case 10000: case 10100:
      return TDialogClass::kFloating;
    case 10200:
      return TDialogClass::kPointTable;
    default:
      return TDialogClass::kNone;
  }
}

namespace {

std::unique_ptr<TDialogWindow> MakeDialogObject(TDialogClass kind) {
  switch (kind) {
    case TDialogClass::kPanel: return std::make_unique<TPanelDialog>();
    case TDialogClass::kMoreDetails: return std::make_unique<TMoreDetailsDialog>();
    case TDialogClass::kMoreChoices: return std::make_unique<TMoreChoicesDialog>();
    case TDialogClass::kVectorSettings: return std::make_unique<TVectorSettingsDialog>();
    case TDialogClass::kAction: return std::make_unique<TActionDialogWindow>();
    case TDialogClass::kFloating: return std::make_unique<WindowBase2>();
    case TDialogClass::kPointTable: return std::make_unique<TPointTableWindow>();
    case TDialogClass::kNone: break;
  }
  return nullptr;
}

}  // namespace

TDialogWindow* CreateDialogById(int16_t dialogNumber, TWindowObject* owner) {
  const TDialogClass kind = DialogClassOf(dialogNumber);
  std::unique_ptr<TDialogWindow> dialog = MakeDialogObject(kind);
  if (dialog == nullptr) return nullptr;
  TDialogCreationRecord record;
  record.window = dialog.get();
  record.templateNumber = dialogNumber;
  record.cancelResult = dialogNumber;
  record.layoutNumber = dialogNumber;
  if (kind == TDialogClass::kMoreDetails || kind == TDialogClass::kMoreChoices ||
      kind == TDialogClass::kAction) {
    record.commandNumber = kMoreChoicesCommand;
  }
  // A failing initialisation frees the object itself (WindowBase) or leaves it to us.
  TDialogWindow* const made = dialog.release();
  try {
    made->Initialize(owner, 0, &record);
  } catch (...) {
    if (!made->IsMemberClass(WindowBase::kClassID)) delete made;
    throw;
  }
  if (kind == TDialogClass::kFloating) {
    made->ResetResult();
    if (const HWND window = made->GetDialogHandle(); window != nullptr) ShowWindow(window, SW_HIDE);
  }
  return made;
}
