#include "ui/items/SliderItem.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/geometry/NumberFormat.h"
#include "core/geometry/Rounding.h"
#include "platform/win32/Trackbar.h"
#include "platform/win32/Window.h"
#include "ui/controls/MacSlider.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/FormulaField.h"
#include "ui/items/ItemRecord.h"

IMPLEMENT_DYNAMIC(TSliderButton, CBitmapButton)

namespace {

constexpr int16_t kNormalBitmapOffset = 1000;
constexpr int16_t kPressedBitmapOffset = 3000;
constexpr int32_t kSmallRangeTop = 20;
constexpr int32_t kSmallRangeTicks = 2;
constexpr int16_t kSnapDigits = 2;
constexpr int16_t kPropertyDialogClass = 424;

double ReadNumberText(TItemRecordCursor& cursor) {
  double value = 0.0;
  ParseNumber(cursor.ReadText(), value);
  return value;
}

}  // namespace

// ---- TSliderButton ----------------------------------------------------------------------------

TSliderButton::TSliderButton(CWnd* parent, int16_t id, double value, TSliderItemView* owner)
    : value_(value), owner_(owner) {
  if (parent == nullptr || !SubclassDlgItem(static_cast<UINT>(static_cast<uint16_t>(id)), parent)) {
    return;
  }
  LoadBitmaps(static_cast<UINT>(id + kNormalBitmapOffset),
              static_cast<UINT>(id + kPressedBitmapOffset));
}

TSliderButton::~TSliderButton() {
  if (owner_ != nullptr) owner_->ForgetButton(this);
  owner_ = nullptr;
}

BOOL TSliderButton::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_LBUTTONDOWN && owner_ != nullptr) {
    // The press takes the focus first, as the button's own handling will: the field being
    // edited gives up its value before the button's value is put and taken.
    if (::GetFocus() != m_hWnd) ::SetFocus(m_hWnd);
    if (owner_ != nullptr) owner_->ButtonPressed(value_);
  }
  return CBitmapButton::OnWndMsg(message, wParam, lParam, result);
}

// ---- TSliderItemView --------------------------------------------------------------------------

TSliderItemView::~TSliderItemView() {
  if (field_ != nullptr && field_->GetCompanionSlider() == this) field_->ForgetSlider();
  for (TSliderButton*& button : buttons_) {
    TSliderButton* const gone = button;
    button = nullptr;
    if (gone == nullptr) continue;
    gone->ForgetOwner();
    delete gone;
  }
}

void TSliderItemView::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  TMacDialogItem::InitItem(parent, viewIdentifier, cursor);
  InitFromRecord(parent, cursor);
  if (cursor != nullptr) ReadSliderData(parent, *cursor);
  low_ = resourceMin_;
  high_ = resourceMax_;
  SetUpRange();
}

void TSliderItemView::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  const TItemBounds& b = GetBounds();
  auto* slider = new TMacSlider(parent, this, GetItemNumber(), b.left, b.top, b.right - b.left,
                                b.bottom - b.top);
  slider->SetStyle(GetStyle());
  if (slider->CreateControl() == nullptr) {
    slider->SetOwnerItem(nullptr);
    delete slider;
    return;
  }
  SetControl(slider);
}

void TSliderItemView::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  SetControl(new TMacSlider(parent, GetItemNumber(), this));
}

void TSliderItemView::ReadSliderData(CWnd* parent, TItemRecordCursor& cursor) {
  if (cursor.ReadWord() == 0) return;
  const int16_t count = cursor.ReadShort();
  resourceMin_ = ReadNumberText(cursor);
  resourceMax_ = ReadNumberText(cursor);
  for (int16_t i = 0; i < count; ++i) {
    const int16_t id = cursor.ReadShort();
    const double value = ReadNumberText(cursor);
    if (buttonCount_ >= kMaxSliderButtons) continue;
    buttons_[static_cast<size_t>(buttonCount_++)] = new TSliderButton(parent, id, value, this);
  }
}

int32_t TSliderItemView::RangeMin() const {
  if (!HasControlWindow()) return 0;
  return static_cast<int32_t>(ControlWindow()->SendMessage(TBM_GETRANGEMIN, 0, 0));
}

int32_t TSliderItemView::RangeMax() const {
  if (!HasControlWindow()) return 0;
  return static_cast<int32_t>(ControlWindow()->SendMessage(TBM_GETRANGEMAX, 0, 0));
}

void TSliderItemView::SetUpRange() {
  if (!HasControlWindow()) return;
  const auto minimum = static_cast<int32_t>(resourceMin_);
  const bool small = resourceMax_ <= 1.0;
  const int32_t maximum = small ? kSmallRangeTop : static_cast<int32_t>(resourceMax_);
  TChangingControls bracket;
  ControlWindow()->SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
  ControlWindow()->SendMessage(TBM_SETRANGEMAX, FALSE, maximum);
  if (small) ControlWindow()->SendMessage(TBM_SETTICFREQ, kSmallRangeTicks, 0);
}

double TSliderItemView::PositionToValue(int32_t position) const {
  const int32_t minimum = RangeMin();
  const int32_t maximum = RangeMax();
  if (position <= minimum) return high_;
  if (position >= maximum) return low_;
  const double value = low_ + (high_ - low_) * (maximum - position) / (maximum - minimum);
  // Snapped to what two digits show.
  double snapped = value;
  if (ParseNumber(FormatNumber(kSnapDigits, value), snapped) && std::isfinite(snapped)) {
    return snapped;
  }
  return value;
}

int32_t TSliderItemView::ValueToPosition(double value) const {
  const int32_t minimum = RangeMin();
  const int32_t maximum = RangeMax();
  // An empty or reversed value range has no position of its own.
  if (high_ <= low_) return minimum;
  if (value < low_) return maximum;
  if (value > high_) return minimum;
  return minimum + Round13((high_ - value) / (high_ - low_) * (maximum - minimum));
}

void TSliderItemView::UpdatePosition() {
  if (undefined_ != 0 || !HasControlWindow()) return;
  value_ = std::clamp(value_, std::min(low_, high_), std::max(low_, high_));
  TChangingControls bracket;
  ControlWindow()->SendMessage(TBM_SETPOS, TRUE, ValueToPosition(value_));
}

void TSliderItemView::PutIntoField(double value) {
  if (field_ != nullptr) field_->TakePassedValue(TFormula(value));
}

void TSliderItemView::ThumbMoved(int32_t position) {
  if (busy_ > 0) return;
  const double value = PositionToValue(busy_ + position);
  PutIntoField(value);
  SetSliderValue(value, true);
}

void TSliderItemView::CommitValue() {
  if (field_ == nullptr) return;
  field_->SelectWholeText();
  auto* const dialog = dynamic_cast<TWindowsDialog*>(GetParentWindow());
  if (dialog != nullptr && dialog->GetDialogOwner() != nullptr &&
      dialog->GetDialogOwner()->IsOwnerMemberClass(kPropertyDialogClass)) {
    dialog->AcceptValue(field_, false);
  }
}

void TSliderItemView::AttachField(TFormulaFieldView* field, bool redraw) {
  field_ = field;
  if (field == nullptr) return;
  low_ = std::max(resourceMin_, field->GetMinimum());
  high_ = std::min(resourceMax_, field->GetMaximum());
  if (field->IsUndefined() != 0 || field->Value().IsFormula()) {
    ShowUndefined(redraw);
    return;
  }
  SetSliderValue(field->Value().GetValue(), redraw);
}

void TSliderItemView::ShowUndefined(bool redraw) {
  undefined_ = 1;
  // No position stands for no single value: the thumb rests at the top of the range.
  if (redraw && HasControlWindow()) {
    TChangingControls bracket;
    ControlWindow()->SendMessage(TBM_SETPOS, TRUE, RangeMin());
  }
}

void TSliderItemView::SetSliderValue(double value, bool redraw) {
  undefined_ = 0;
  if (value == value_) {
    if (redraw) UpdatePosition();
    return;
  }
  value_ = value;
  if (redraw) UpdatePosition();
}

void TSliderItemView::SetVisible(int16_t state) {
  if (state == visible_) return;
  visible_ = state;
  const int command = state != 0 ? SW_SHOW : SW_HIDE;
  if (HasControlWindow()) {
    CWnd* const control = ControlWindow();
    control->ShowWindow(command);
    if (CWnd* const parent = control->GetParent(); parent != nullptr) {
      for (int id : {GetItemNumber() - 1, GetItemNumber() + 1}) {
        if (const HWND beside = GetDlgItem(parent->GetSafeHwnd(), id); beside != nullptr) {
          ShowWindow(beside, command);
        }
      }
    }
  }
  for (TSliderButton* button : buttons_) {
    if (button != nullptr && button->GetSafeHwnd() != nullptr) button->ShowWindow(command);
  }
}

void TSliderItemView::ButtonPressed(double value) {
  value_ = value;
  undefined_ = 0;
  PutIntoField(value);
  UpdatePosition();
  // Taken at once, as a step of the thumb is: the press moves the focus to the button, and the
  // refresh that the field losing it brings would otherwise show the objects' old value again.
  CommitValue();
}

void TSliderItemView::ForgetButton(TSliderButton* button) {
  for (TSliderButton*& slot : buttons_) {
    if (slot == button) slot = nullptr;
  }
}

namespace {
std::unique_ptr<TMacDialogItem> MakeSlider() { return std::make_unique<TSliderItemView>(); }
}  // namespace

void RegisterSliderKind() { RegisterItemKind(kSliderKind, MakeSlider); }
