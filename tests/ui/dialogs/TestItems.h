#pragma once
// Item classes of the tests (the edit and check box item kinds come with classes of their own
// later) and an owner that keeps what its dialog told it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Button.h"
#include "ui/controls/MacButtons.h"
#include "ui/controls/MacEdit.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/items/EntryList.h"
#include "ui/items/MacDialogItem.h"

namespace dialog_test {

// The error the test field gives for the text "bad".
inline constexpr int16_t kBadTextError = 2;

// An edit-text item of the tests: a field over a TMacEdit (attached or created from its
// record), bound to a text property; "bad" is refused.
class TTestEditItem : public TMacDialogItem {
 public:
  bool IsMemberClass(int16_t id) const override {
    return id == 490 || id == 305 || TMacDialogItem::IsMemberClass(id);
  }
  int16_t GetClassIDAt(int16_t depth) const override {
    if (depth == 0) return 490;
    if (depth == 1) return 305;
    return TMacDialogItem::GetClassIDAt(depth - 2);
  }
  void InitItem(CWnd* parent, uint32_t identifier, TItemRecordCursor* cursor) override {
    TMacDialogItem::InitItem(parent, identifier, cursor);
    InitFromRecord(parent, cursor);
    SetBindingKind(1003);
  }
  void CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) override {
    if (cursor != nullptr) ReadRecord(parent, *cursor);
    const TItemBounds& b = GetBounds();
    auto* edit = new TMacEdit(parent, this, GetItemNumber(), GetText().AsCString(), b.left, b.top,
                              b.right - b.left, b.bottom - b.top);
    edit->SetStyle(GetStyle());
    if (edit->CreateControl() == nullptr) {
      edit->SetOwnerItem(nullptr);
      delete edit;
      return;
    }
    SetControl(edit);
  }
  void AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) override {
    if (cursor != nullptr) ReadRecord(parent, *cursor);
    SetControl(new TMacEdit(parent, GetItemNumber(), this));
  }
  int16_t CheckText() override {
    Str255 text;
    GetControlText(text);
    ++checks;
    if (!(text == shown_)) SetChanged(1);
    return text == Str255("bad") ? kBadTextError : 0;
  }
  bool ReadText(Str255& text) const override {
    GetControlText(text);
    return true;
  }
  void ReceiveText(const Str255& text) override {
    shown_ = text;
    SetControlText(text, true);
  }
  void RestorePreviousText() override { SetControlText(shown_, true); }
  int checks = 0;

 private:
  Str255 shown_;
};

inline std::unique_ptr<TMacDialogItem> MakeTestEditItem() {
  return std::make_unique<TTestEditItem>();
}

// An owner that keeps what the dialog told it.
class TRecordingOwner : public TDialogOwner {
 public:
  bool IsOwnerMemberClass(int16_t) const override { return false; }
  int16_t OwnerClassIDAt(int16_t) const override { return 0; }
  int16_t AcceptValue(TMacDialogItem* item) override {
    acceptedTags.push_back(item->GetViewIdentifier());
    return refuse;
  }
  void ReportValidationFailure(TMacDialogItem*, int16_t error) override {
    reports.push_back(error);
  }
  void ConfirmOrCancelNotice(bool confirmed) override { notices.push_back(confirmed); }
  void FreeOwner() override { freed = true; }
  std::vector<uint32_t> acceptedTags;
  std::vector<int16_t> reports;
  std::vector<bool> notices;
  int16_t refuse = 0;
  bool freed = false;
};

// A check box item of the tests bound to a flag: attached to the template's check box, it shows
// the selection's flag (ticked, clear or the third state) and a click turns it over.
class TTestCheckItem : public TMacDialogItem {
 public:
  void InitItem(CWnd* parent, uint32_t identifier, TItemRecordCursor* cursor) override {
    TMacDialogItem::InitItem(parent, identifier, cursor);
    InitFromRecord(parent, cursor);
    SetBindingKind(3);
  }
  void AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) override {
    if (cursor != nullptr) ReadRecord(parent, *cursor);
    SetControl(new TMacCheckBox(parent, GetItemNumber(), this));
  }
  void SetValue(int32_t value, bool redraw) override {
    TMacDialogItem::SetValue(value, redraw);
    SetChanged(1);
  }
  void Refresh() override {
    if (!HasControlWindow()) return;
    const int32_t value = GetValue();
    const WPARAM check = value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
    ControlWindow()->SendMessage(BM_SETCHECK, check, 0);
  }
  void FinishRefresh(int16_t, int16_t) override { SetChanged(0); }
};

inline std::unique_ptr<TMacDialogItem> MakeTestCheckItem() {
  return std::make_unique<TTestCheckItem>();
}

// A popup item of the tests that keeps its list itself (no control), as the object selector.
class TTestListItem : public TMacDialogItem, public TEntryList {
 public:
  void InitItem(CWnd* parent, uint32_t identifier, TItemRecordCursor* cursor) override {
    TMacDialogItem::InitItem(parent, identifier, cursor);
    InitFromRecord(nullptr, cursor);
  }
  void ClearEntries() override {
    entries.clear();
    marks.clear();
    current = -1;
  }
  void AppendEntry(const Str255& text, bool marked) override {
    entries.push_back(text.AsCString());
    marks.push_back(marked);
  }
  void InsertEntry(const Str255& text, int32_t index) override {
    entries.insert(entries.begin() + index, text.AsCString());
    marks.insert(marks.begin() + index, false);
  }
  int32_t EntryCount() const override { return static_cast<int32_t>(entries.size()); }
  void SelectEntry(int32_t index) override { current = index; }
  int32_t CurrentEntry() const override { return current; }
  Str255 EntryText(int32_t index) const override {
    return Str255(entries.at(static_cast<size_t>(index)).c_str());
  }
  void RedrawEntries() override { ++redraws; }
  std::vector<std::string> entries;
  std::vector<bool> marks;
  int32_t current = -1;
  int redraws = 0;
};

inline std::unique_ptr<TMacDialogItem> MakeTestListItem() {
  return std::make_unique<TTestListItem>();
}

}  // namespace dialog_test
