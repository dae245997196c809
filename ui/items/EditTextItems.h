#pragma once
// The text fields of the dialogs: an edit field, optionally with a label that names it and gives
// it the focus when clicked. A field also shows the common text of several selected objects: the
// dialog's owner feeds each object's text in turn, and the field shows the text only when all
// agree.
//
//   TMacEditItem (305) > TEditTextItem (490) > TNumberEditItem (491)
//
// The record's header word says what the item makes: 0 or 1 the edit field alone, 2 a label
// first (label number, 32-bit style, top, left, bottom, right in dialog units, a NUL-terminated
// title: 15 + n bytes), then the field. A number field reads its minimum and maximum (32-bit
// each) between its bounds and its text.

#include <cstdint>

#include "core/PString.h"
#include "ui/items/MacItems.h"

class TLabelStatic;

class TEditTextItem : public TMacEditItem {
  DECLARE_CLASS_ID(490, TMacEditItem)

 public:
  TEditTextItem() = default;
  ~TEditTextItem() override;
  TEditTextItem(const TEditTextItem&) = delete;
  TEditTextItem& operator=(const TEditTextItem&) = delete;

  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void ControlGone(CWnd* control) override;
  void Show(int16_t shown) override;
  void SetEnabled(bool enabled) override;
  // A field the selected objects say cannot be set now (a value the engine works out for
  // itself, say) is greyed out, label and all, until they allow it again.
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;
  // The base check; a text that passes and is empty is then checked by EmptyTextCheck.
  int16_t CheckText() override;

  // Collecting the common text of several objects.
  void BeginCollecting();
  // The first text becomes the common text; a later one that differs empties it.
  void Collect(const Str255& text);
  // Shows the collected text with the given enabled state, and a pending label text.
  void ShowCollected(bool enabled, bool redraw);
  // 1 when the user entered a text other than the common one, which the common text takes.
  int16_t TextChanged();
  void SelectAll() { SelectWholeText(); }

  // A label text to be shown when the collected text is shown next.
  void SetLabelText(const Str255& text);
  TLabelStatic* GetLabel() const { return label_; }
  const Str255& GetCommonText() const { return commonText_; }
  uint16_t IsFirstText() const { return firstText_; }

 protected:
  // The error number for an empty text that passed the base check.
  virtual int16_t EmptyTextCheck() { return 0; }
  // Whether a text the user typed counts as entered: any text in a plain text field, a
  // text that is not empty in the fields built on it.
  bool CountsAsEntered(const Str255& text) const {
    return GetClassIDAt(0) == kClassID || text.Length() > 0;
  }

 private:
  void MakeItem(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor, bool attach);
  void ReadLabel(CWnd* parent, TItemRecordCursor& cursor, bool attach);
  void ForgetLabel();

  int16_t labelId_ = 0;
  TLabelStatic* label_ = nullptr;
  uint16_t firstText_ = 0;
  Str255 commonText_;
  Str255 labelText_;
  uint16_t labelTextPending_ = 0;
};

// A field that holds a whole number within a range.
class TNumberEditItem : public TEditTextItem {
  DECLARE_CLASS_ID(491, TEditTextItem)

 public:
  static constexpr uint16_t kKindMarker = 1004;
  static constexpr int32_t kLeast = -2147483647;
  static constexpr int32_t kMost = 2147483647;
  // Errors of the number check.
  static constexpr int16_t kErrBelowMinimum = 2;
  static constexpr int16_t kErrAboveMaximum = 3;
  static constexpr int16_t kErrNotANumber = 4;

  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void ReadAfterBounds(TItemRecordCursor& cursor) override;
  // 0 for an empty text or a number within the range; 4 when the whole text is not a 32-bit
  // whole number; 2 below the minimum, 3 above the maximum.
  int16_t CheckText() override;

  int32_t GetMinimum() const { return minimum_; }
  int32_t GetMaximum() const { return maximum_; }
  void SetRange(int32_t minimum, int32_t maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  // The number of the field's text.
  int32_t Value() const;
  // The number clamped to the range, written in decimal and collected.
  void SetValueClamped(int32_t value);
  // 1 with the value in out when the user entered a new text, else 0.
  int16_t ValueIfChanged(int32_t& out);
  void SetNumber(int32_t value, bool redraw);
  // Bound to a whole-number property: shows it in decimal, and reads back a text that is a
  // whole number (anything else is not a value).
  void ReceiveInteger(int32_t value) override;
  bool ReadInteger(int32_t& value) const override;

  // Reads the whole text as a 32-bit whole number (spaces around it allowed).
  static bool ParseWholeNumber(const Str255& text, int32_t& out);

 private:
  int32_t minimum_ = kLeast;
  int32_t maximum_ = kMost;
};
