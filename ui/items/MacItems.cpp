#include "ui/items/MacItems.h"

#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "ui/controls/MacButtons.h"
#include "ui/controls/MacCombobox.h"
#include "ui/controls/MacEdit.h"
#include "ui/controls/MacStatic.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/items/ItemRecord.h"

namespace {

constexpr uint8_t kInsertedMark = 0x9F;

// Reads the record and creates the control of the class from it, with the record's style less
// the item's own bits; the item keeps no control when the window cannot be made.
template <class Control, class... Extra>
void CreateFromRecord(TMacDialogItem& item, CWnd* parent, TItemRecordCursor* cursor,
                      uint32_t itemBits, Extra... extra) {
  if (cursor != nullptr) item.ReadRecord(parent, *cursor);
  const TItemBounds& b = item.GetBounds();
  auto* control = new Control(parent, &item, item.GetItemNumber(), item.GetText().AsCString(),
                              b.left, b.top, b.right - b.left, b.bottom - b.top, extra...);
  control->SetStyle(item.GetStyle() & ~itemBits);
  if (control->CreateControl() == nullptr) {
    control->SetOwnerItem(nullptr);
    delete control;
    return;
  }
  item.SetControl(control);
}

// Reads the record and takes over the template's control of the record's item number.
template <class Control>
void AttachFromRecord(TMacDialogItem& item, CWnd* parent, TItemRecordCursor* cursor) {
  if (cursor != nullptr) item.ReadRecord(parent, *cursor);
  item.SetControl(new Control(parent, item.GetItemNumber(), &item));
}

template <class Item>
std::unique_ptr<TMacDialogItem> Make() {
  return std::make_unique<Item>();
}

}  // namespace

uint32_t CheckStateOf(int32_t value) {
  if (value == 1) return BST_CHECKED;
  if (value == 2) return BST_INDETERMINATE;
  return BST_UNCHECKED;
}

// ---- Buttons --------------------------------------------------------------------------------

void TMacButtonItemBase::InitItem(CWnd* parent, uint32_t viewIdentifier,
                                  TItemRecordCursor* cursor) {
  TMacDialogItem::InitItem(parent, viewIdentifier, cursor);
  InitFromRecord(parent, cursor);
  SetBindingKind(ItemKind());
  if (GetHeaderWord() != 0 && ItemKind() != item_kind::kCluster) {
    SetBindingKind(static_cast<int16_t>(GetHeaderWord()));
  }
}

void TMacButtonItemBase::SetValue(int32_t value, bool redraw) {
  if (value != GetValue()) SetChanged(1);
  TMacDialogItem::SetValue(value, redraw);
}

void TMacButtonItemBase::FinishRefresh(int16_t, int16_t) {
  SetChanged(0);
  Refresh();
}

bool TMacButtonItemBase::ReadFlag(uint16_t& value) const {
  value = GetValue() == 1 ? 1 : 0;
  return true;
}

bool TMacButtonItemBase::ReadChoice(uint32_t& choice) const {
  if (GetValue() != 0 && GetValue() != 1) return false;
  choice = static_cast<uint32_t>(GetValue());
  return true;
}

void TMacCheckBoxItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  CreateFromRecord<TMacCheckBox>(*this, parent, cursor, 0);
}

void TMacCheckBoxItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  AttachFromRecord<TMacCheckBox>(*this, parent, cursor);
}

void TMacCheckBoxItem::Refresh() {
  if (!HasControlWindow()) return;
  TChangingControls bracket;
  ControlWindow()->SendMessage(BM_SETCHECK, CheckStateOf(GetValue()), 0);
}

void TMacCheckBoxItem::FinishRefresh(int16_t objectFlag, int16_t refreshFlag) {
  SetEnabled(objectFlag != 0);
  TMacButtonItemBase::FinishRefresh(objectFlag, refreshFlag);
}

void TMacRadioItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  CreateFromRecord<TMacRadio>(*this, parent, cursor, 0);
}

void TMacRadioItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  AttachFromRecord<TMacRadio>(*this, parent, cursor);
}

void TMacRadioItem::Refresh() {
  if (!HasControlWindow()) return;
  TChangingControls bracket;
  const bool set = GetValue() == 1 || GetValue() == 2;
  ControlWindow()->SendMessage(BM_SETCHECK, set ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TMacButtonItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  CreateFromRecord<TMacButton>(*this, parent, cursor, 0);
}

void TMacButtonItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  AttachFromRecord<TMacButton>(*this, parent, cursor);
}

void TMacButtonItem::MoveRightEdge(int32_t horizontal, int32_t) {
  if (!HasControlWindow() || GrowsHorizontally() == 0) return;
  const TItemBounds& b = GetBounds();
  const int32_t width = b.right - b.left + horizontal;
  if (width <= 0) return;
  ControlWindow()->MoveWindow(b.left, b.top, width, b.bottom - b.top, TRUE);
}

void TMacClusterItem::GrowBy(int32_t horizontal, int32_t vertical) {
  TMacButtonItemBase::GrowBy(horizontal, vertical);
  if (GetControl() == nullptr || GrowsVertically() == 0) return;
  TItemBounds b = GetBounds();
  if (b.top < b.bottom + vertical) b.bottom = static_cast<int16_t>(b.bottom + vertical);
  SetBoundsField(b);
}

void TMacClusterItem::MoveRightEdge(int32_t horizontal, int32_t vertical) {
  if (!HasControlWindow() || GrowsHorizontally() == 0) return;
  CWnd* const window = ControlWindow();
  CWnd* const parent = window->GetParent();
  RECT place{};
  GetWindowRectInParent(window->GetSafeHwnd(), place,
                        parent != nullptr ? parent->GetSafeHwnd() : nullptr);
  if (place.right + horizontal <= 0) return;
  const int32_t height = GrowsVertically() != 0 ? place.bottom + vertical : place.bottom;
  window->MoveWindow(place.left, place.top, place.right + horizontal, height, TRUE);
}

void TMacClusterItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  CreateFromRecord<TMacCluster>(*this, parent, cursor, 0);
}

void TMacClusterItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  AttachFromRecord<TMacCluster>(*this, parent, cursor);
}

// ---- Popups -----------------------------------------------------------------------------------

void TMacPopupItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  title_ = Str255();
  TMacDialogItem::InitItem(parent, viewIdentifier, cursor);
  InitFromRecord(parent, cursor);
  SetBindingKind(GetHeaderWord() != 0 ? static_cast<int16_t>(GetHeaderWord()) : item_kind::kPopup);
}

void TMacPopupItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  title_ = GetText();
  const TItemBounds& b = GetBounds();
  auto* control = new TMacCombobox(parent, this, GetItemNumber(), "", b.left, b.top,
                                   b.right - b.left, b.bottom - b.top, GetStyle());
  control->SetStyle(GetStyle());
  if (control->CreateControl() == nullptr) {
    control->SetOwnerItem(nullptr);
    delete control;
    return;
  }
  SetControl(control);
}

void TMacPopupItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  AttachFromRecord<TMacCombobox>(*this, parent, cursor);
}

int32_t TMacPopupItem::GetSelection() const {
  if (!HasControlWindow()) return -1;
  return static_cast<int32_t>(ControlWindow()->SendMessage(CB_GETCURSEL, 0, 0));
}

void TMacPopupItem::GetItemText(int32_t index, Str255& text) const {
  text = Str255();
  if (!HasControlWindow()) return;
  auto* const combo = static_cast<CComboBox*>(ControlWindow());
  if (index < 0 || index >= combo->GetCount()) return;
  text.Assign(combo->GetText(index).c_str());
}

void TMacPopupItem::AppendItem(const Str255& text, uint8_t mark) {
  if (!HasControlWindow()) return;
  std::string entry = text.AsCString();
  if (mark == 1) {
    if (!entry.empty() && entry[0] == ' ') {
      entry[0] = '*';
    } else {
      entry.insert(entry.begin(), '*');
    }
  }
  TChangingControls bracket;
  static_cast<CComboBox*>(ControlWindow())->AddString(entry.c_str());
}

void TMacPopupItem::ClearItems() {
  if (!HasControlWindow()) return;
  TChangingControls bracket;
  ControlWindow()->SendMessage(CB_RESETCONTENT, 0, 0);
}

void TMacPopupItem::InsertItem(const Str255& text, int32_t index) {
  if (!HasControlWindow() || text.Length() == 0) return;
  std::string entry(1, static_cast<char>(kInsertedMark));
  entry += text.AsCString();
  TChangingControls bracket;
  static_cast<CComboBox*>(ControlWindow())->InsertString(index, entry.c_str());
}

int32_t TMacPopupItem::EntryCount() const {
  if (!HasControlWindow()) return 0;
  return static_cast<int32_t>(ControlWindow()->SendMessage(CB_GETCOUNT, 0, 0));
}

void TMacPopupItem::SelectEntry(int32_t index) {
  if (!HasControlWindow()) return;
  TChangingControls bracket;
  ControlWindow()->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

Str255 TMacPopupItem::EntryText(int32_t index) const {
  Str255 text;
  GetItemText(index, text);
  return text;
}

void TMacPopupItem::ReceiveChoice(int16_t state) {
  StoreValue(state);
  SelectEntry(state > 0 ? state - 1 : -1);
}

void TMacPopupItem::FinishRefresh(int16_t, int16_t) {
  shownChoice_ = GetSelection();
  SetChanged(0);
}

bool TMacPopupItem::ReadChoice(uint32_t& choice) const {
  const int32_t selection = GetSelection();
  if (selection < 0) return false;
  choice = static_cast<uint32_t>(selection + 1);
  return true;
}

void TMacPopupItem::NoteChoice() {
  if (GetSelection() != shownChoice_) SetChanged(1);
}

int16_t TMacPopupItem::CheckText() {
  NoteChoice();
  return 0;
}

int16_t TMacPopupItem::LastEntryChosen() {
  NoteChoice();
  return 0;
}

// ---- Edit items -------------------------------------------------------------------------------

void TMacEditItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  TMacDialogItem::InitItem(parent, viewIdentifier, cursor);
  InitFromRecord(parent, cursor);
  SetBindingKind(item_kind::kEditText);
}

void TMacEditItem::MakeControl(CWnd* parent, bool attach) {
  shownAsStatic_ = (GetStyle() & kEditableTextBit) == 0 ? 1 : 0;
  if (attach) {
    if (shownAsStatic_ != 0) {
      SetControl(new TMacStatic(parent, GetItemNumber(), this));
    } else {
      SetControl(new TMacEdit(parent, GetItemNumber(), this));
    }
    return;
  }
  if (shownAsStatic_ != 0) {
    CreateFromRecord<TMacStatic>(*this, parent, nullptr, kEditableTextBit);
  } else {
    CreateFromRecord<TMacEdit>(*this, parent, nullptr, kEditableTextBit);
  }
}

void TMacEditItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  MakeControl(parent, false);
}

void TMacEditItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  MakeControl(parent, true);
}

int16_t TMacEditItem::CheckText() {
  Str255 text;
  GetControlText(text);
  if (!(text == shown_)) SetChanged(1);
  return 0;
}

void TMacEditItem::ReceiveText(const Str255& text) {
  shown_ = text;
  SetControlText(text, true);
  SetChanged(0);
}

bool TMacEditItem::ReadText(Str255& text) const {
  if (!HasControlWindow()) return false;
  GetControlText(text);
  return true;
}

void TMacEditItem::RestorePreviousText() { SetControlText(shown_, true); }

void TMacEditItem::Refresh() { SetControlText(GetText(), true); }

void RegisterMacItemKinds() {
  RegisterPlainItemKinds();
  RegisterItemKind(1, Make<TEditTextItem>);
  RegisterItemKind(2, Make<TNumberEditItem>);
  RegisterItemKind(7, Make<TMacClusterItem>);
  RegisterItemKind(16, Make<TMacPopupItem>);
  RegisterItemKind(32, Make<TMacCheckBoxItem>);
  RegisterItemKind(48, Make<TMacRadioItem>);
  RegisterItemKind(54, Make<TMacButtonItem>);
  RegisterItemKind(55, Make<TSecondFlagButtonItem>);
}
