#include "ui/items/ItemKinds.h"

#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowBase.h"
#include "ui/items/ColorPopup.h"
#include "ui/items/FormulaField.h"
#include "ui/items/LinkedCheckBox.h"
#include "ui/items/MacItems.h"
#include "ui/items/SliderItem.h"
#include "ui/items/TableItem.h"
#include "ui/items/TextPopup.h"

void RegisterDialogItemKinds() {
  gInModalDialog() = 0;
  RegisterMacItemKinds();
  RegisterFormulaFieldKinds();
  RegisterColorPopupKind();
  RegisterLinkedCheckBoxKinds();
  RegisterSliderKind();
  RegisterTextPopupKinds();
  RegisterTableItemKind();
}

void UnregisterDialogItemKinds() {
  for (const TItemKindEntry& entry : ItemKindTable()) RegisterItemKind(entry.kind, nullptr);
}
