#include "ui/items/GridEditItem.h"

#include "platform/mfc/CWnd.h"
#include "ui/controls/GridEdit.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/TableItem.h"

TGridEditItem::~TGridEditItem() {
  if (table_ != nullptr) table_->EditorGone();
}

void TGridEditItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  tableWindow_ = parent;
  TNumberFieldView::InitItem(parent, viewIdentifier, cursor);
  valueWord_ = 0;
  Show(1);
  SetEnabled(true);
  BeginCollecting();
  Collect(Str255());
}

void TGridEditItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  if (parent == nullptr || parent->GetSafeHwnd() == nullptr) return;
  auto* editor = new TGridEdit(parent, this, TGridEdit::kControlId, "", 0, 0, 0, 0);
  if (editor->CreateControl() == nullptr) {
    editor->SetOwnerItem(nullptr);
    delete editor;
    return;
  }
  SetControl(editor);
}

void TGridEditItem::AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) {
  // The editor is always the table's own.
  CreateControl(parent, headerWord, cursor);
}

int16_t TGridEditItem::CheckText() {
  Str255 text;
  GetControlText(text);
  if (text == Str255(" ")) return 0;
  return TNumberFieldView::CheckText();
}

TWindowsDialog* TGridEditItem::Dialog() const {
  for (CWnd* window = tableWindow_; window != nullptr; window = window->GetParent()) {
    if (auto* dialog = dynamic_cast<TWindowsDialog*>(window)) return dialog;
  }
  return nullptr;
}

TGridEdit* TGridEditItem::Editor() const {
  return dynamic_cast<TGridEdit*>(ControlWindow());
}
