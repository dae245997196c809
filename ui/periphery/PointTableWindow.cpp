#include "ui/periphery/PointTableWindow.h"

#include <algorithm>
#include <vector>

#include "core/Tag.h"
#include "model/Link.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/TableItem.h"

namespace {

constexpr uint32_t kModeTags[3] = {MakeTag("mpSH"), MakeTag("mpWO"), MakeTag("mpSE")};
constexpr uint32_t kLabelTags[3] = {MakeTag("hpLV"), MakeTag("ppLV"), MakeTag("lpLV")};
// The names the shown objects give the table's two columns.
constexpr uint32_t kFirstColumnTag = MakeTag("ppt1");
constexpr uint32_t kSecondColumnTag = MakeTag("ppt2");
// The item flag that keeps a label of another mode hidden.
constexpr int kModeHiddenFlag = 0;
constexpr uint32_t kOptionTags[4] = {MakeTag("_oPn"), MakeTag("_cLd"), MakeTag("carS"),
                                     MakeTag("polS")};
// Item identifiers ending in "LV" (the label items).
constexpr uint32_t kLabelSuffix = MakeTag("\0\0LV") & 0xFFFF0000u;

}  // namespace

void TPointTableWindow::Initialize(TWindowObject* parent, intptr_t ignored,
                                   const TDialogCreationRecord* record) {
  WindowBase2::Initialize(parent, ignored, record);
  mode_ = 1;
}

TTableItemBase* TPointTableWindow::Table() {
  // Looked up each time: the table goes with the dialog's items.
  if (GetDialog() == nullptr) return nullptr;
  return dynamic_cast<TTableItemBase*>(GetDialog()->ItemOfViewIdentifier(kPointTableTag));
}

int16_t TPointTableWindow::TableOwnsControl(const CWnd* control) {
  TTableItemBase* table = Table();
  return table != nullptr && control != nullptr && table->ControlWindow() == control ? 1 : 0;
}

int32_t TPointTableWindow::ModeOf(uint32_t tag) const {
  for (int32_t mode = 0; mode < 3; ++mode) {
    if (kModeTags[mode] == tag) return mode;
  }
  return -1;
}

void TPointTableWindow::SetMode(int32_t mode) {
  // An entry left invalid in the window keeps the columns it was typed for; a valid one is
  // taken before they change. (Whether the window is the active one does not matter: a click
  // on a floating window's button need not activate it.)
  if (mode < 0 || mode > 2 || !ValidateCurrentItem(true)) return;
  mode_ = mode;
  if (TTableItemBase* table = Table()) table->SetEditorKind(kLabelTags[mode]);
  ShowModeLabel();
  RefreshAll();
}

void TPointTableWindow::ColumnNames(Str255& first, Str255& second) {
  first = Str255("x");
  second = Str255("y");
  TTableItemBase* table = Table();
  if (table == nullptr) return;
  for (TLink* object : table->Objects()) {
    Str255 one, two;
    if (object->GetStringProperty(kFirstColumnTag, one, nullptr) == 0 ||
        object->GetStringProperty(kSecondColumnTag, two, nullptr) == 0)
      continue;
    first = one;
    second = two;
    return;
  }
}

void TPointTableWindow::ShowModeLabel() {
  if (GetDialog() == nullptr) return;
  Str255 first, second;
  ColumnNames(first, second);
  for (int32_t mode = 0; mode < 3; ++mode) {
    TMacDialogItem* label = GetDialog()->ItemOfViewIdentifier(kLabelTags[mode]);
    if (label == nullptr || !label->HasControlWindow()) continue;
    const bool current = mode == mode_;
    // Marked hidden, the other labels stay so when the window shows its items again.
    label->SetHidden(kModeHiddenFlag, current ? 0 : 1);
    label->Show(current ? 1 : 0);
    CWnd* const control = label->ControlWindow();
    control->ShowWindow(current ? SW_SHOW : SW_HIDE);
    if (!current) continue;
    // The label's own text stays the pattern; the control shows it filled in.
    Str255 text = label->GetText();
    text.ReplaceAllCopy(Str255("^0"), first);
    text.ReplaceAllCopy(Str255("^1"), second);
    control->SetWindowText(text.AsCString());
  }
}

int16_t TPointTableWindow::AcceptValue(TMacDialogItem* item) {
  if (item == nullptr) return WindowBase2::AcceptValue(item);
  const uint32_t tag = item->GetViewIdentifier();
  if (const int32_t mode = ModeOf(tag); mode >= 0) {
    if (item->GetValue() != 0) SetMode(mode);
    return 0;
  }
  if (std::find(std::begin(kOptionTags), std::end(kOptionTags), tag) != std::end(kOptionTags)) {
    if (TTableItemBase* table = Table()) RefreshCompositeItem(table);
  }
  return WindowBase2::AcceptValue(item);
}

bool TPointTableWindow::HasPoints() const {
  bool found = false;
  ForEachSelected(
      [&](TLink* object) {
        int32_t rows = 0;
        int16_t columns = 0;
        if (object->GetIntProperty(kPointTableTag, rows, &columns) != 0 && rows > 0) found = true;
      },
      false);
  return found;
}

void TPointTableWindow::RefreshItem(TMacDialogItem* item, int16_t flag) {
  if (item == nullptr) return;
  const uint32_t tag = item->GetViewIdentifier();
  if (const int32_t mode = ModeOf(tag); mode >= 0) {
    item->SetState(mode == mode_ ? 1 : 0, HasPoints(), true);
    return;
  }
  if ((tag & 0xFFFF0000u) == kLabelSuffix) return;
  WindowBase2::RefreshItem(item, flag);
}

void TPointTableWindow::RefreshCompositeItem(TMacDialogItem* item) {
  auto* table = dynamic_cast<TTableItemBase*>(item);
  if (table == nullptr) return;
  std::vector<TLink*> objects;
  ForEachSelected([&](TLink* object) { objects.push_back(object); }, false);
  table->AttachObjects(this, objects);
  ShowModeLabel();
}
