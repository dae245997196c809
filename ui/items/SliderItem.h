#pragma once
// The slider item: a trackbar that shows the value of its companion formula field (the field
// whose control number is 49 below the slider's and whose tag is the slider's) and writes a
// constant into it when the thumb is dragged; up to eight bitmap buttons beside it each put a
// fixed value into the field. Positions run opposite to values: the trackbar's minimum stands
// for the largest value.
//
// Record, after the layout values: a has-range word (0 ends the record), the button count, the
// minimum and maximum as decimal texts, then per button its control number and value text
// (NUL-terminated texts). A button's pictures are the bitmaps of its control number + 1000
// (normal) and + 3000 (pressed).
//
//   TMacDialogItem (297) > TSliderItemView (623); CBitmapButton > TSliderButton

#include <array>
#include <cstdint>

#include "platform/mfc/CBitmapButton.h"
#include "ui/items/MacDialogItem.h"

class TFormulaFieldView;
class TSliderItemView;

inline constexpr int32_t kMaxSliderButtons = 8;
inline constexpr int16_t kSliderKind = 96;
// The companion field's control number lies this far below the slider's.
inline constexpr int16_t kSliderFieldOffset = 49;

class TSliderButton : public CBitmapButton {
  DECLARE_DYNAMIC(TSliderButton)

 public:
  TSliderButton(CWnd* parent, int16_t id, double value, TSliderItemView* owner);
  ~TSliderButton() override;

  double GetValue() const { return value_; }
  void ForgetOwner() { owner_ = nullptr; }
  // The press: the button takes the focus, the slider and its field take the button's value,
  // then the button's own handling.
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  double value_;
  TSliderItemView* owner_;
};

class TSliderItemView : public TMacDialogItem {
  DECLARE_CLASS_ID(623, TMacDialogItem)

 public:
  ~TSliderItemView() override;

  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;

  // What the trackbar tells it.
  void Track(int32_t position) override { ThumbMoved(position); }
  void SetValueFromPosition(int32_t position) override { ThumbMoved(position); }
  void ValueChangedNotice() override { CommitValue(); }

  void SetUpRange();
  double PositionToValue(int32_t position) const;
  int32_t ValueToPosition(double value) const;
  void UpdatePosition();
  void ThumbMoved(int32_t position);
  void CommitValue();
  // The field shows a value: the range follows the field's, the thumb its value.
  void AttachField(TFormulaFieldView* field, bool redraw);
  void ShowUndefined(bool redraw);
  // The field found this slider as its companion (each forgets the other when it goes).
  void LinkField(TFormulaFieldView* field) { field_ = field; }
  void SetSliderValue(double value, bool redraw);
  void SetVisible(int16_t state);
  // A button pressed: its value for the slider and the field.
  void ButtonPressed(double value);
  void ForgetButton(TSliderButton* button);

  double GetCurrentValue() const { return value_; }
  double GetLow() const { return low_; }
  double GetHigh() const { return high_; }
  uint16_t IsUndefined() const { return undefined_; }
  int16_t ButtonCount() const { return buttonCount_; }
  TSliderButton* Button(int32_t index) const { return buttons_.at(static_cast<size_t>(index)); }
  TFormulaFieldView* GetField() const { return field_; }
  int32_t RangeMin() const;
  int32_t RangeMax() const;

 private:
  void ReadSliderData(CWnd* parent, TItemRecordCursor& cursor);
  // Gives the field the constant as its committed value.
  void PutIntoField(double value);

  TFormulaFieldView* field_ = nullptr;
  uint16_t undefined_ = 1;
  double value_ = 0.0;
  double resourceMin_ = 0.0;
  double resourceMax_ = 1.0;
  double low_ = 0.0;
  double high_ = 1.0;
  int16_t buttonCount_ = 0;
  std::array<TSliderButton*, kMaxSliderButtons> buttons_{};
  int16_t busy_ = 0;
  int16_t visible_ = 1;
};

void RegisterSliderKind();
