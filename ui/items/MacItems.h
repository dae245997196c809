#pragma once
// The dialog items of the item lists, each over one control of the Macintosh-style family:
//
// | factory kind | class | item                      | control        | binds as   |
// |--------------|-------|---------------------------|----------------|------------|
// | 1            | 490   | TEditTextItem (on 305)    | TMacEdit       | text 1003  |
// | 7            | 304   | TMacClusterItem           | TMacCluster    | nothing    |
// | 16           | 298   | TMacPopupItem             | TMacCombobox   | choice     |
// | 32           | 301   | TMacCheckBoxItem          | TMacCheckBox   | choice     |
// | 48           | 300   | TMacRadioItem             | TMacRadio      | action     |
// | 54           | 303   | TMacButtonItem            | TMacButton     | flag 3     |
// | 55           | 494   | TSecondFlagButtonItem     | TMacButton     | flag 1013  |
// | 80, 0xFFFF   | 299   | TPlainItem (static text)  | TMacStatic     | nothing    |
//
// A check box, popup or radio whose record's header word is not 0 binds as that binding kind
// instead (3 for a flag shown ticked or clear, 1001 for a choice, 1014 for a popup whose entries
// the object fills): the header word is the item list's way of saying how its control shows a
// property.
//
// The edit item (305) shows a TMacEdit when bit value 2 of its record's style asks for an
// editable text, else a read-only TMacStatic; that bit is the item's, not the control's style.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/PString.h"
#include "ui/items/EntryList.h"
#include "ui/items/MacDialogItem.h"

// Item kinds (the Macintosh control kinds, which are also how the items bind).
namespace item_kind {
inline constexpr int16_t kCluster = 0;
inline constexpr int16_t kButton = 3;
inline constexpr int16_t kEditText = 6;
inline constexpr int16_t kPopup = 11;
inline constexpr int16_t kStaticText = 13;
inline constexpr int16_t kCheckBox = 1001;
inline constexpr int16_t kRadio = 1002;
inline constexpr int16_t kText = 1003;
inline constexpr int16_t kSecondFlag = 1013;
}  // namespace item_kind

// The style bit of an edit item's record that asks for an editable text.
inline constexpr uint32_t kEditableTextBit = 0x2;

// The check state a button shows for an item value: 0 and 3 clear, 1 ticked, 2 the third state.
uint32_t CheckStateOf(int32_t value);

// The items over buttons (check box, radio, push button, cluster) share how they are made.
class TMacButtonItemBase : public TMacDialogItem {
 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  // A click turns the value over; the item counts as changed.
  void SetValue(int32_t value, bool redraw) override;
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;
  bool ReadFlag(uint16_t& value) const override;
  bool ReadChoice(uint32_t& choice) const override;

 protected:
  // The item kind set after the base initialisation.
  virtual int16_t ItemKind() const = 0;
};

class TMacCheckBoxItem : public TMacButtonItemBase {
  DECLARE_CLASS_ID(301, TMacButtonItemBase)

 public:
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void Refresh() override;
  // An object may answer that its flag cannot be changed now (its enabled state 0): the box is
  // disabled then.
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;

 protected:
  int16_t ItemKind() const override { return item_kind::kCheckBox; }
};

class TMacRadioItem : public TMacButtonItemBase {
  DECLARE_CLASS_ID(300, TMacButtonItemBase)

 public:
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  // 0 and 3 clear, 1 and 2 set.
  void Refresh() override;
  // Radios keep their width.
  void MoveRightEdge(int32_t, int32_t) override {}

 protected:
  int16_t ItemKind() const override { return item_kind::kRadio; }
};

class TMacButtonItem : public TMacButtonItemBase {
  DECLARE_CLASS_ID(303, TMacButtonItemBase)

 public:
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  // The button takes its stored rectangle, widened by h.
  void MoveRightEdge(int32_t horizontal, int32_t vertical) override;

 protected:
  int16_t ItemKind() const override { return item_kind::kButton; }
};

class TSecondFlagButtonItem : public TMacButtonItem {
  DECLARE_CLASS_ID(494, TMacButtonItem)

 protected:
  int16_t ItemKind() const override { return item_kind::kSecondFlag; }
};

class TMacClusterItem : public TMacButtonItemBase {
  DECLARE_CLASS_ID(304, TMacButtonItemBase)

 public:
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  // The frame also follows the dialog's height when it grows down.
  void GrowBy(int32_t horizontal, int32_t vertical) override;
  void MoveRightEdge(int32_t horizontal, int32_t vertical) override;

 protected:
  int16_t ItemKind() const override { return item_kind::kCluster; }
};

// A popup: a drop-down list whose entries the item fills; its value is the chosen entry's.
class TMacPopupItem : public TMacDialogItem, public TEntryList {
  DECLARE_CLASS_ID(298, TMacDialogItem)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;

  // The list operations; item numbers are the list's indexes from 0.
  // The chosen entry, or -1 without a control.
  int32_t GetSelection() const;
  // Empty when the index has no entry.
  void GetItemText(int32_t index, Str255& text) const;
  // With mark 1 the text is shown as the current one: "*" replaces a leading blank or is put in
  // front.
  void AppendItem(const Str255& text, uint8_t mark);
  void ClearItems();
  // A non-empty text is inserted with the byte 0x9F in front.
  void InsertItem(const Str255& text, int32_t index);
  const Str255& GetTitle() const { return title_; }

  // TEntryList (the object selector fills popups this way).
  void ClearEntries() override { ClearItems(); }
  void AppendEntry(const Str255& text, bool marked) override { AppendItem(text, marked ? 1 : 0); }
  void InsertEntry(const Str255& text, int32_t index) override { InsertItem(text, index); }
  int32_t EntryCount() const override;
  void SelectEntry(int32_t index) override;
  int32_t CurrentEntry() const override { return GetSelection(); }
  Str255 EntryText(int32_t index) const override;
  void RedrawEntries() override { Redraw(); }

  // The choice binding: the value is the entry index plus one; a mixed state chooses nothing.
  void ReceiveChoice(int16_t state) override;
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;
  bool ReadChoice(uint32_t& choice) const override;
  // The user chose an entry: the dialog checks the item before it takes the value.
  int16_t CheckText() override;
  int16_t LastEntryChosen() override;

 protected:
  // Marks the item changed when the user's choice differs from what was shown.
  void NoteChoice();

 private:
  Str255 title_;
  int32_t shownChoice_ = -1;
};

// The edit item: a text the user types, or a read-only text.
class TMacEditItem : public TMacDialogItem {
  DECLARE_CLASS_ID(305, TMacDialogItem)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  // The text shown, when it differs from the shown one, counts as changed.
  int16_t CheckText() override;
  void ReceiveText(const Str255& text) override;
  bool ReadText(Str255& text) const override;
  void RestorePreviousText() override;
  void Refresh() override;
  uint16_t IsShownAsStaticText() const { return shownAsStatic_; }
  // The text the item last showed.
  const Str255& ShownText() const { return shown_; }

 protected:
  void SetShownText(const Str255& text) { shown_ = text; }
  // The control the record asks for, made or attached (the record is read).
  void MakeControl(CWnd* parent, bool attach);

 private:
  uint16_t shownAsStatic_ = 0;
  Str255 shown_;
};

// Enters the item classes above, and the edit-text items, for their kinds of the factory's table.
void RegisterMacItemKinds();

#include "ui/items/EditTextItems.h"
