#include "ui/items/FormulaField.h"

#include <limits>

#include "core/Failure.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Window.h"
#include "simulation/FormulaDisplay.h"
#include "simulation/UnitHandler.h"
#include "ui/controls/MacStatic.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/SliderItem.h"

namespace {

constexpr int16_t kFormulaKind = 1005;
constexpr int16_t kNumberKind = 1006;
constexpr uint32_t kNoLink = 0x20202020;
constexpr double kLargest = std::numeric_limits<double>::max();

int32_t UnitCode(uint32_t kind) { return kind == kNoUnitKind ? 0 : static_cast<int32_t>(kind); }

template <class Item>
std::unique_ptr<TMacDialogItem> Make() {
  return std::make_unique<Item>();
}

}  // namespace

TFormulaFieldView::TFormulaFieldView()
    : value_(std::make_unique<TFormula>()), start_(std::make_unique<TFormula>()) {
  ResetField();
}

TFormulaFieldView::~TFormulaFieldView() {
  if (slider_ != nullptr && slider_->GetField() == this) slider_->LinkField(nullptr);
  TDummyStatic* const label = unitsLabel_;
  unitsLabel_ = nullptr;
  if (label == nullptr) return;
  label->SetWatcher(nullptr);
  if (label->GetSafeHwnd() != nullptr) label->DestroyWindow();
  delete label;
}

void TFormulaFieldView::InitItem(CWnd* parent, uint32_t viewIdentifier,
                                 TItemRecordCursor* cursor) {
  digits_ = 0x7FFF;
  constantShown_ = 1;
  labelStale_ = 1;
  TEditTextItem::InitItem(parent, viewIdentifier, cursor);
  SetBindingKind(kFormulaKind);
  // The companion slider: the slider item 49 numbers above the field with the field's tag.
  slider_ = nullptr;
  if (auto* dialog = dynamic_cast<TWindowsDialog*>(parent); dialog != nullptr) {
    const int32_t sliderNumber = GetItemNumber() + kSliderFieldOffset;
    slider_ = dynamic_cast<TSliderItemView*>(dialog->FirstItemThat([&](TMacDialogItem* item) {
      return item->IsMemberClass(TSliderItemView::kClassID) &&
             item->GetItemNumber() == sliderNumber && item->GetViewIdentifier() == viewIdentifier;
    }));
  }
  if (slider_ != nullptr) slider_->LinkField(this);
  keptText_ = Str255();
  displayedKind_ = kNoUnitKind;
}

void TFormulaFieldView::CreateControl(CWnd* parent, uint16_t headerWord,
                                      TItemRecordCursor* cursor) {
  const uint16_t variant = headerWord == 0 ? 1 : headerWord;
  if (variant > 4) ThrowFailure(kErrNone, 0);
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  MakeControl(parent, false);
  if (variant >= 3) ReadUnitsLabel(parent, cursor, false);
}

void TFormulaFieldView::AttachControl(CWnd* parent, uint16_t headerWord,
                                      TItemRecordCursor* cursor) {
  const uint16_t variant = headerWord == 0 ? 1 : headerWord;
  if (variant > 4) ThrowFailure(kErrNone, 0);
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  MakeControl(parent, true);
  if (variant >= 3) ReadUnitsLabel(parent, cursor, true);
}

void TFormulaFieldView::ReadUnitsLabel(CWnd* parent, TItemRecordCursor* cursor, bool attach) {
  if (cursor == nullptr) return;
  const int16_t id = cursor->ReadShort();
  const uint32_t style = cursor->ReadLong();
  TItemBounds bounds;
  bounds.left = cursor->ReadShort();
  bounds.top = cursor->ReadShort();
  bounds.right = cursor->ReadShort();
  bounds.bottom = cursor->ReadShort();
  const Str255 title = cursor->ReadText();
  MapItemRect(parent, bounds);
  if (attach) {
    unitsLabel_ = new TDummyStatic(parent, id, this);
    return;
  }
  auto* label = new TDummyStatic(parent, this, id, title.AsCString(), bounds.left, bounds.top,
                                 bounds.right - bounds.left, bounds.bottom - bounds.top);
  label->SetStyle(style);
  if (label->CreateControl() == nullptr) {
    label->SetWatcher(nullptr);
    delete label;
    return;
  }
  unitsLabel_ = label;
}

void TFormulaFieldView::ControlGone(CWnd* control) {
  if (unitsLabel_ != nullptr && control == unitsLabel_) unitsLabel_ = nullptr;
  TEditTextItem::ControlGone(control);
}

void TFormulaFieldView::Show(int16_t shown) {
  TEditTextItem::Show(shown);
  if (unitsLabel_ != nullptr && unitsLabel_->GetSafeHwnd() != nullptr && (shown == 0 || shown == 1)) {
    unitsLabel_->ShowWindow(shown != 0 ? SW_SHOW : SW_HIDE);
  }
}

int16_t TFormulaFieldView::CheckRange(const TFormula& formula) const {
  if (formula.IsFormula()) return 0;
  const double value = formula.GetValue();
  if (value < minimum_) return kErrBelowMinimum;
  if (value > maximum_) return kErrAboveMaximum;
  return 0;
}

int16_t TFormulaFieldView::ReadTyped(const Str255& text, TFormula& out) const {
  const int32_t code = UnitCode(displayedKind_);
  double value = 0.0;
  // A number, alone or with the name of another unit of its quantity ("3 ft").
  if (units_ != nullptr && units_->ReadQuantity(text, code, value)) {
    out.SetConstant(value);
    return 0;
  }
  return out.SetFormattedText(text, units_, code);
}

int16_t TFormulaFieldView::CommitText() {
  Str255 text;
  GetControlText(text);
  if (text == keptText_) return 0;
  TEditTextItem::CheckText();
  if (text == ShownText()) {
    valueChanged_ = 0;
    return 0;
  }
  if (text.Length() == 0) {
    valueChanged_ = 1;
    return 0;
  }
  TFormula typed;
  if (const int16_t error = ReadTyped(text, typed); error != 0) {
    // Text that is not a number is a formula, whether it compiles or not.
    return AcceptsFormulas() ? error : kErrFormulaRefused;
  }
  if (const int16_t error = CheckRange(typed); error != 0) return error;
  const bool wasUndefined = undefined_ != 0;
  TakeValue(typed);
  keptText_ = text;
  const uint16_t constant = value_->IsFormula() ? 0 : 1;
  if (constant != constantShown_) {
    constantShown_ = constant;
    UpdateUnitsLabel();
  }
  // A value typed into a field of differing objects is one value for all of them now.
  undefined_ = 0;
  if (wasUndefined || !value_->Equals(*start_)) {
    valueChanged_ = 1;
    SetChanged(1);
    return 0;
  }
  // The starting value typed again: shown as the field shows it.
  Str255 shown;
  FormatValue(*value_, shown);
  SetControlText(shown, true);
  keptText_ = shown;
  return 0;
}

void TFormulaFieldView::TakeValue(const TFormula& formula) { value_->Assign(formula); }

void TFormulaFieldView::RestorePreviousText() { SetControlText(keptText_, true); }

void TFormulaFieldView::ReceiveFormula(const TFormula* formula, double lower, double upper,
                                       uint32_t extra) {
  if (formula != nullptr) AddValue(*formula, lower, upper, extra);
}

void TFormulaFieldView::ReceiveNumber(double value, double lower, double upper, uint32_t extra) {
  AddValue(TFormula(value), lower, upper, extra);
}

void TFormulaFieldView::FinishRefresh(int16_t, int16_t refreshFlag) {
  ShowField(true, true);
  static_cast<void>(refreshFlag);
  SetChanged(0);
}

bool TFormulaFieldView::ReadFormula(TFormula& formula) const { return GetFormula(formula); }

bool TFormulaFieldView::ReadNumber(double& value) const {
  if (undefined_ != 0 || valueChanged_ == 0 || value_->IsFormula()) return false;
  value = value_->GetValue();
  return true;
}

void TFormulaFieldView::ResetField() {
  minimum_ = -kLargest;
  maximum_ = kLargest;
  valueKind_ = kNoUnitKind;
  undefined_ = 1;
  valueChanged_ = 0;
  added_ = false;
}

void TFormulaFieldView::NarrowRange(double low, double high) {
  // An object that clears both ends (a rope's length) sets no limits: a range of [0, 0] would
  // refuse every length but none.
  if (low == 0.0 && high == 0.0) return;
  if (low > minimum_) minimum_ = low;
  if (high < maximum_) maximum_ = high;
}

void TFormulaFieldView::SetUnitKind(uint32_t kind, bool force) {
  if (force) {
    valueKind_ = kind;
    return;
  }
  if (kind != valueKind_) {
    undefined_ = 1;
    valueKind_ = kNoUnitKind;
  }
}

void TFormulaFieldView::AddValue(const TFormula& formula, double low, double high,
                                 uint32_t unitKind) {
  NarrowRange(low, high);
  if (!added_) {
    added_ = true;
    start_->Assign(formula);
    undefined_ = 0;
    SetUnitKind(unitKind, true);
    return;
  }
  if (!formula.Equals(*start_)) undefined_ = 1;
  SetUnitKind(unitKind, false);
}

void TFormulaFieldView::FormatValue(const TFormula& formula, Str255& out) const {
  FormatFormulaForDisplay(formula, units_, UnitCode(displayedKind_), digits_, out);
}

void TFormulaFieldView::SetFormula(const TFormula& formula, bool redraw) {
  value_->Assign(formula);
  Str255 text;
  FormatValue(formula, text);
  constantShown_ = formula.IsFormula() ? 0 : 1;
  SetControlText(text, redraw);
  keptText_ = text;
}

void TFormulaFieldView::ShowUndefined(const Str255& text) {
  SetControlText(text, true);
  if (constantShown_ == 0) {
    constantShown_ = 1;
    UpdateUnitsLabel();
  }
  keptText_ = Str255(" ");
  if (slider_ != nullptr) slider_->ShowUndefined(true);
}

void TFormulaFieldView::ShowField(bool enabled, bool redraw) {
  TChangingControls bracket;
  if (HasControlWindow()) ControlWindow()->EnableWindow(enabled ? TRUE : FALSE);
  if (unitsLabel_ != nullptr && unitsLabel_->GetSafeHwnd() != nullptr) {
    unitsLabel_->EnableWindow(enabled ? TRUE : FALSE);
  }
  if (!added_) {
    ShowUndefined(Str255());
    SetShownText(Str255());
    return;
  }
  bool unitsChanged = false;
  if (valueKind_ != displayedKind_) {
    displayedKind_ = valueKind_;
    unitsChanged = true;
  }
  if (undefined_ != 0) {
    ShowUndefined(Str255());
  } else {
    SetFormula(*start_, redraw);
  }
  Str255 shown;
  GetControlText(shown);
  SetShownText(shown);
  if (unitsChanged || labelStale_ != 0) UpdateUnitsLabel();
  if (slider_ != nullptr) slider_->AttachField(this, redraw);
}

void TFormulaFieldView::UpdateUnitsLabel() {
  if (units_ == nullptr) return;
  Str255 name;
  if (displayedKind_ != kNoUnitKind) units_->GetUnitName(UnitCode(displayedKind_), name);
  if (name.Length() > 0 && unitsLabel_ != nullptr && unitsLabel_->GetSafeHwnd() != nullptr) {
    unitsLabel_->SetWindowText(name.AsCString());
  }
  labelStale_ = 0;
}

bool TFormulaFieldView::GetFormula(TFormula& formula) const {
  if (undefined_ != 0) return false;
  formula.Assign(*value_);
  return valueChanged_ != 0;
}

void TFormulaFieldView::SetUnitHandler(TLink* handler) {
  units_ = dynamic_cast<TWorldUnitHandler*>(handler);
  labelStale_ = 1;
}

void TFormulaFieldView::TakePassedValue(const TFormula& formula) {
  SetFormula(formula, true);
  valueChanged_ = 1;
  undefined_ = 0;
  SetChanged(1);
}

void TClearableFieldView::Clear() {
  SetControlText(Str255(" "), true);
  CommitText();
}

void TNumberFieldView::InitItem(CWnd* parent, uint32_t viewIdentifier,
                                TItemRecordCursor* cursor) {
  TFormulaFieldView::InitItem(parent, viewIdentifier, cursor);
  SetBindingKind(kNumberKind);
}

int16_t TNumberFieldView::CheckRange(const TFormula& formula) const {
  if (formula.IsFormula()) return kErrFormulaRefused;
  return TFormulaFieldView::CheckRange(formula);
}

void TLinkedNumberFieldView::InitItem(CWnd* parent, uint32_t viewIdentifier,
                                      TItemRecordCursor* cursor) {
  links_.fill(kNoLink);
  TNumberFieldView::InitItem(parent, viewIdentifier, cursor);
  if (cursor == nullptr) return;
  for (uint32_t& tag : links_) tag = cursor->ReadTag();
}

int16_t TLinkedNumberFieldView::CommitText() {
  const uint16_t before = IsValueChanged();
  const int16_t error = TNumberFieldView::CommitText();
  if (error == 0 && IsValueChanged() != 0 && before == 0) PassOnValue();
  return error;
}

bool TLinkedNumberFieldView::PassOnValue() {
  auto* const dialog = dynamic_cast<TWindowsDialog*>(GetParentWindow());
  if (dialog == nullptr) return false;
  for (uint32_t tag : links_) {
    if (tag == kNoLink) continue;
    auto* const field = dynamic_cast<TFormulaFieldView*>(dialog->ItemOfViewIdentifier(tag));
    if (field == nullptr || field == this || !field->HasControlWindow() ||
        field->ControlWindow()->IsWindowEnabled() == 0) {
      continue;
    }
    field->TakePassedValue(Value());
    ::SetFocus(field->ControlWindow()->GetSafeHwnd());
    return true;
  }
  return false;
}

void RegisterFormulaFieldKinds() {
  RegisterItemKind(3, Make<TFormulaFieldView>);
  RegisterItemKind(4, Make<TClearableFieldView>);
  RegisterItemKind(5, Make<TNumberFieldView>);
  RegisterItemKind(6, Make<TLinkedNumberFieldView>);
}
