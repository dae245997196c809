#pragma once
// Popups that offer one value out of a short list: each entry has a 16-bit value (read after the
// entry texts of the record: one value per text), the dialog shows and reads values rather than
// indexes, and objects that disagree show the popup's title as entry 0 with a dash in front of
// every entry whose value one of them has. The pen and pattern popups draw their entries: a
// line as wide as the entry's value (dotted for 0), a fill pattern (bitmap value + 9).
//
// With header word 1 the record's text is followed (before the layout values) by the record of
// a label made beside the popup: control number, style, x, y, width, height in dialog units and
// its text; with header word 2 the same record names the template's label instead.
//
//   TItemListDialogItem (636) > TTextPopupView (544) > 548, 545, 547, TPenPopupView (551),
//   TPatternPopupView (550)

#include <cstdint>
#include <set>
#include <vector>

#include "platform/win32/GdiTypes.h"
#include "ui/items/ItemListItem.h"

class TDummyStatic;

class TTextPopupView : public TItemListDialogItem {
  DECLARE_CLASS_ID(544, TItemListDialogItem)

 public:
  static constexpr int16_t kNoneYet = -1;
  static constexpr int16_t kMixed = -2;

  ~TTextPopupView() override;
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void ReadLayoutFlags(TItemRecordCursor* cursor) override;
  void ControlGone(CWnd* control) override;
  void Show(int16_t shown) override;

  // The property binding: one value per object shown, then the state.
  void ResetValue() override { BeginValues(); }
  void ReceiveLong(uint32_t value) override { SetCurrentValue(static_cast<int16_t>(value)); }
  void ReceiveInteger(int32_t value) override { SetCurrentValue(static_cast<int16_t>(value)); }
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;
  bool ReadLong(uint32_t& value) const override;
  bool ReadInteger(int32_t& value) const override;
  int16_t CheckText() override;

  void ShowTitleItem(bool show);
  void Select(int32_t item);
  void BeginValues();
  void SetCurrentItem(int32_t item);
  void SetCurrentValue(int16_t value) { SetCurrentItem(ItemOfValue(value)); }
  void SyncState(bool redraw);
  // The entry chosen and whether it is a choice (not the title, not the value shown).
  bool GetChosenItem(int32_t& item) const;
  bool GetChosenValue(int16_t& value) const;
  int16_t ValueOfItem(int32_t item) const;
  int32_t ItemOfValue(int16_t value) const;

  int32_t GetCurrentItem() const { return current_; }
  bool IsTitleShown() const { return titleShown_; }
  const std::vector<int16_t>& Values() const { return values_; }
  COLORREF GetForeground() const { return foreground_; }
  COLORREF GetBackground() const { return background_; }
  void SetForeground(COLORREF colour) { foreground_ = colour; }
  void SetBackground(COLORREF colour) { background_ = colour; }
  TDummyStatic* GetLabel() const { return label_; }

 protected:
  // The item kind's binding (the control kind code).
  virtual int16_t ControlKind() const { return 1011; }

 private:
  void ReadLabel(CWnd* parent, TItemRecordCursor* cursor, bool attach);
  // Puts a dash in place of the entry's leading blank, "*" or 0x9F, or takes it away again.
  void MarkEntry(int32_t item, bool marked);
  int32_t EntryOf(int32_t item) const { return titleShown_ ? item + 1 : item; }

  int32_t current_ = kNoneYet;
  bool titleShown_ = false;
  std::vector<int16_t> values_;
  // The items marked, with the character each had before its dash.
  std::vector<std::pair<int32_t, char>> marks_;
  COLORREF foreground_ = 0;
  COLORREF background_ = 0xFFFFFFFF;
  TDummyStatic* label_ = nullptr;
  Str255 labelText_;
};

class TTextPopupViewKind18 : public TTextPopupView {
  DECLARE_CLASS_ID(548, TTextPopupView)
};

class TTextPopupViewKind19 : public TTextPopupView {
  DECLARE_CLASS_ID(545, TTextPopupView)

 protected:
  int16_t ControlKind() const override { return 1015; }
};

class TTextPopupViewKind20 : public TTextPopupView {
  DECLARE_CLASS_ID(547, TTextPopupView)

 protected:
  int16_t ControlKind() const override { return 1010; }
};

// Shared drawing of the owner-drawn popups: each entry 20 by 20 pixels with its focus frame.
class TDrawnPopupView : public TTextPopupView {
 public:
  void DrawEntire(const DRAWITEMSTRUCT* draw) override;
  void DrawFocus(const DRAWITEMSTRUCT* draw) override;
  void DrawSelection(const DRAWITEMSTRUCT* draw) override;
  void MeasureItem(MEASUREITEMSTRUCT* measure) override;
  static void DrawFocusFrame(HDC dc, const RECT& rect);

 protected:
  virtual void DrawPicture(HDC dc, const RECT& rect, int32_t index) = 0;
};

class TPenPopupView : public TDrawnPopupView {
  DECLARE_CLASS_ID(551, TTextPopupView)

 protected:
  void DrawPicture(HDC dc, const RECT& rect, int32_t index) override;
};

class TPatternPopupView : public TDrawnPopupView {
  DECLARE_CLASS_ID(550, TTextPopupView)

 protected:
  void DrawPicture(HDC dc, const RECT& rect, int32_t index) override;
};

void RegisterTextPopupKinds();
