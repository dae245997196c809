#include "ui/items/ItemListItem.h"

#include "platform/mfc/CComboBox.h"
#include "platform/win32/ComboBox.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/items/ItemRecord.h"

void TItemListDialogItem::ReadLayoutFlags(TItemRecordCursor* cursor) {
  TMacPopupItem::ReadLayoutFlags(cursor);
  texts_.clear();
  listReady_ = 0;
  if (cursor == nullptr) return;
  const int16_t count = cursor->ReadShort();
  for (int16_t i = 0; i < count; ++i) texts_.push_back(cursor->ReadText().AsCString());
  listReady_ = 1;
  SetUpControl();
}

void TItemListDialogItem::SetUpControl() {
  if (!HasControlWindow()) return;
  TChangingControls bracket;
  for (const std::string& text : texts_) {
    ControlWindow()->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}
