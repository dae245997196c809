#pragma once
// Fields of a property dialog that hold a number or a formula, shown and typed in the world's
// display units: the value is kept in internal units, a typed number is converted by its unit
// kind's factor before it is checked against the field's range, and a units label beside the
// field names the unit. A refused entry answers an error (2 below the minimum, 3 above the
// maximum, 4 a formula where none is allowed, or the formula compiler's error) and the field
// keeps its value and its last accepted text.
//
//   TEditTextItem (490) > TFormulaFieldView (617) > TClearableFieldView (620),
//                                                 > TNumberFieldView (618) > TLinkedNumberFieldView (619)
//
// The record's header word chooses how the controls are made: 1 or 2 an edit field, 3 or 4 an
// edit field followed by the record of its units label (control identifier, style, left, top,
// right, bottom in dialog units, NUL-terminated title). Other values leave the item out
// silently.

#include <array>
#include <cstdint>
#include <memory>

#include "model/Formula.h"
#include "ui/items/MacItems.h"

class TDummyStatic;
class TSliderItemView;
class TWorldUnitHandler;

// Errors of a refused entry (texts 2 to 4 of the entry error list).
inline constexpr int16_t kErrBelowMinimum = 2;
inline constexpr int16_t kErrAboveMaximum = 3;
inline constexpr int16_t kErrFormulaRefused = 4;
// The unit kind of a value that has none (or a mixed selection).
inline constexpr uint32_t kNoUnitKind = 0x88888888;

class TFormulaFieldView : public TEditTextItem {
  DECLARE_CLASS_ID(617, TEditTextItem)

 public:
  TFormulaFieldView();
  ~TFormulaFieldView() override;

  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void ControlGone(CWnd* control) override;
  void Show(int16_t shown) override;

  // Whether a formula may be typed (number fields refuse them).
  virtual bool AcceptsFormulas() const { return true; }
  // Range checks of a candidate value: 0, or the error.
  virtual int16_t CheckRange(const TFormula& formula) const;
  // Commits what the user typed; 0 or the error of a refused entry.
  virtual int16_t CommitText();
  int16_t CheckText() override { return CommitText(); }
  void RestorePreviousText() override;

  // The property binding: reset, one value per selected object, then shown.
  void ResetValue() override { ResetField(); }
  void ReceiveFormula(const TFormula* formula, double lower, double upper, uint32_t extra) override;
  void ReceiveNumber(double value, double lower, double upper, uint32_t extra) override;
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;
  bool ReadFormula(TFormula& formula) const override;
  bool ReadNumber(double& value) const override;

  void ResetField();
  void AddValue(const TFormula& formula, double low, double high, uint32_t unitKind);
  void NarrowRange(double low, double high);
  void SetUnitKind(uint32_t kind, bool force);
  // Takes the formula as the value and shows it in the displayed units.
  void SetFormula(const TFormula& formula, bool redraw);
  void ShowUndefined(const Str255& text);
  void ShowField(bool enabled, bool redraw);
  void UpdateUnitsLabel();
  // The value when it changed and is defined.
  bool GetFormula(TFormula& formula) const;
  bool HasValue() const { return undefined_ == 0; }
  // Another field passed its value on: it is this field's committed value now.
  void TakePassedValue(const TFormula& formula);

  void SetUnitHandler(TLink* handler) override;
  TWorldUnitHandler* GetUnitHandler() const { return units_; }

  const TFormula& Value() const { return *value_; }
  double GetMinimum() const { return minimum_; }
  double GetMaximum() const { return maximum_; }
  uint16_t IsUndefined() const { return undefined_; }
  uint16_t IsValueChanged() const { return valueChanged_; }
  uint32_t GetDisplayedUnitKind() const { return displayedKind_; }
  const Str255& GetKeptText() const { return keptText_; }
  TDummyStatic* GetUnitsLabel() const { return unitsLabel_; }
  TSliderItemView* GetCompanionSlider() const { return slider_; }
  // The slider is going.
  void ForgetSlider() { slider_ = nullptr; }
  void SetDigits(int16_t digits) { digits_ = digits; }

 protected:
  // The text of the value in the displayed units.
  void FormatValue(const TFormula& formula, Str255& out) const;
  void SetValueChanged(uint16_t on) { valueChanged_ = on; }
  void TakeValue(const TFormula& formula);

 private:
  void ReadUnitsLabel(CWnd* parent, TItemRecordCursor* cursor, bool attach);
  // Reads a typed text into the scratch value in internal units; 0 or the error.
  int16_t ReadTyped(const Str255& text, TFormula& out) const;

  std::unique_ptr<TFormula> value_;
  std::unique_ptr<TFormula> start_;
  TWorldUnitHandler* units_ = nullptr;
  uint16_t labelStale_ = 1;
  uint32_t valueKind_ = kNoUnitKind;
  uint32_t displayedKind_ = kNoUnitKind;
  uint16_t constantShown_ = 1;
  uint16_t valueChanged_ = 0;
  uint16_t undefined_ = 1;
  bool added_ = false;
  TDummyStatic* unitsLabel_ = nullptr;
  TSliderItemView* slider_ = nullptr;
  int16_t digits_ = 0x7FFF;
  double minimum_ = 0.0;
  double maximum_ = 0.0;
  Str255 keptText_;
};

// Clearing empties the text.
class TClearableFieldView : public TFormulaFieldView {
  DECLARE_CLASS_ID(620, TFormulaFieldView)

 public:
  void Clear();
};

// Numbers only: a formula is refused with error 4.
class TNumberFieldView : public TFormulaFieldView {
  DECLARE_CLASS_ID(618, TFormulaFieldView)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  int16_t CheckRange(const TFormula& formula) const override;
  bool AcceptsFormulas() const override { return false; }
};

// A number field that passes a committed value on to the first enabled field of up to four
// others, named by tag after its record ("    " for none), and moves the focus there.
class TLinkedNumberFieldView : public TNumberFieldView {
  DECLARE_CLASS_ID(619, TNumberFieldView)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  // A committed change goes on to the linked fields.
  int16_t CommitText() override;
  // True when the value went to one of the linked fields.
  bool PassOnValue();
  const std::array<uint32_t, 4>& LinkedTags() const { return links_; }

 private:
  std::array<uint32_t, 4> links_{};
};

// Enters the field classes for factory kinds 3 to 6.
void RegisterFormulaFieldKinds();
