#include "ui/items/EditTextItems.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

#include "core/Failure.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Window.h"
#include "ui/controls/MacEdit.h"
#include "ui/controls/MacStatic.h"
#include "ui/items/ItemRecord.h"

namespace {

constexpr uint16_t kFieldOnly = 1;
constexpr uint16_t kLabelledField = 2;

Str255 Decimal(int32_t value) {
  char text[16] = {};
  std::to_chars(text, text + sizeof text - 1, value);
  return Str255(text);
}

}  // namespace

// Text fields -----------------------------------------------------------------------------------

TEditTextItem::~TEditTextItem() {
  TLabelStatic* const label = label_;
  label_ = nullptr;
  if (label == nullptr) return;
  label->SetWatcher(nullptr);
  if (label->GetSafeHwnd() != nullptr) label->DestroyWindow();
  delete label;
}

void TEditTextItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  TMacEditItem::InitItem(parent, viewIdentifier, cursor);
  SetBindingKind(item_kind::kText);
}

void TEditTextItem::CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) {
  MakeItem(parent, headerWord, cursor, false);
}

void TEditTextItem::AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) {
  MakeItem(parent, headerWord, cursor, true);
}

void TEditTextItem::MakeItem(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor,
                             bool attach) {
  const uint16_t kind = headerWord == 0 ? kFieldOnly : headerWord;
  if (kind != kFieldOnly && kind != kLabelledField) ThrowFailure(kErrNone, 0);
  if (kind == kLabelledField && cursor != nullptr) ReadLabel(parent, *cursor, attach);
  if (attach) {
    TMacEditItem::AttachControl(parent, kFieldOnly, cursor);
  } else {
    TMacEditItem::CreateControl(parent, kFieldOnly, cursor);
  }
  // Clicking the label gives the field the focus.
  if (label_ != nullptr && dynamic_cast<TMacEdit*>(GetControl()) != nullptr)
    label_->SetLinkedItem(GetItemNumber());
}

void TEditTextItem::ReadLabel(CWnd* parent, TItemRecordCursor& cursor, bool attach) {
  labelId_ = cursor.ReadShort();
  const uint32_t style = cursor.ReadLong();
  TItemBounds bounds;
  bounds.top = cursor.ReadShort();
  bounds.left = cursor.ReadShort();
  bounds.bottom = cursor.ReadShort();
  bounds.right = cursor.ReadShort();
  // The title is the template's or set later: the record's is skipped.
  cursor.ReadText();
  MapItemRect(parent, bounds);
  ForgetLabel();
  if (attach) {
    label_ = new TLabelStatic(parent, labelId_, this, 0);
    commonText_ = Str255();
    labelTextPending_ = 0;
    return;
  }
  if (parent == nullptr || parent->GetSafeHwnd() == nullptr) return;
  auto* label = new TLabelStatic(parent, this, labelId_, "", bounds.left, bounds.top,
                                 bounds.right - bounds.left, bounds.bottom - bounds.top, 0);
  label->SetStyle(style);
  if (label->CreateControl() == nullptr) {
    label->SetWatcher(nullptr);
    delete label;
    return;
  }
  label_ = label;
}

void TEditTextItem::ForgetLabel() {
  TLabelStatic* const label = label_;
  label_ = nullptr;
  if (label == nullptr) return;
  label->SetWatcher(nullptr);
  if (label->GetSafeHwnd() != nullptr) label->DestroyWindow();
  delete label;
}

void TEditTextItem::ControlGone(CWnd* control) {
  if (label_ != nullptr && control == label_) {
    label_->SetWatcher(nullptr);
    label_ = nullptr;
  }
  TMacEditItem::ControlGone(control);
}

void TEditTextItem::Show(int16_t shown) {
  if (label_ != nullptr && label_->GetSafeHwnd() != nullptr && shown != IsShown() &&
      (shown == 0 || shown == 1))
    label_->ShowWindow(shown != 0 ? SW_SHOW : SW_HIDE);
  TMacEditItem::Show(shown);
}

void TEditTextItem::SetEnabled(bool enabled) {
  if (label_ != nullptr && label_->GetSafeHwnd() != nullptr)
    label_->EnableWindow(enabled ? TRUE : FALSE);
  TMacEditItem::SetEnabled(enabled);
}

void TEditTextItem::FinishRefresh(int16_t objectFlag, int16_t refreshFlag) {
  const bool enabled = objectFlag != 0;
  if (enabled != IsEnabled()) SetEnabled(enabled);
  TMacEditItem::FinishRefresh(objectFlag, refreshFlag);
}

int16_t TEditTextItem::CheckText() {
  const int16_t error = TMacEditItem::CheckText();
  if (error != 0) return error;
  Str255 text;
  GetControlText(text);
  return text.Length() == 0 ? EmptyTextCheck() : 0;
}

void TEditTextItem::BeginCollecting() {
  firstText_ = 1;
  commonText_ = Str255();
}

void TEditTextItem::Collect(const Str255& text) {
  if (firstText_ != 0) {
    commonText_ = text;
    firstText_ = 0;
    return;
  }
  if (!(text == commonText_)) commonText_ = Str255();
}

void TEditTextItem::ShowCollected(bool enabled, bool redraw) {
  if (enabled != IsEnabled()) SetEnabled(enabled);
  if (labelTextPending_ != 0 && label_ != nullptr) {
    if (label_->GetSafeHwnd() != nullptr) label_->SetWindowText(labelText_.AsCString());
    labelTextPending_ = 0;
  }
  SetHighlight(enabled ? 0 : 1, redraw);
  SetControlText(commonText_, redraw);
}

int16_t TEditTextItem::TextChanged() {
  Str255 text;
  GetControlText(text);
  if (!CountsAsEntered(text) || text == commonText_) return 0;
  commonText_ = text;
  return 1;
}

void TEditTextItem::SetLabelText(const Str255& text) {
  labelText_ = text;
  labelTextPending_ = 1;
}

// Number fields ---------------------------------------------------------------------------------

void TNumberEditItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  minimum_ = kLeast;
  maximum_ = kMost;
  TEditTextItem::InitItem(parent, viewIdentifier, cursor);
  SetKindMarker(kKindMarker);
}

void TNumberEditItem::ReadAfterBounds(TItemRecordCursor& cursor) {
  minimum_ = static_cast<int32_t>(cursor.ReadLong());
  maximum_ = static_cast<int32_t>(cursor.ReadLong());
}

bool TNumberEditItem::ParseWholeNumber(const Str255& text, int32_t& out) {
  std::string_view view(text.AsCString(), static_cast<size_t>(text.Length()));
  while (!view.empty() && view.front() == ' ') view.remove_prefix(1);
  while (!view.empty() && view.back() == ' ') view.remove_suffix(1);
  if (!view.empty() && view.front() == '+') view.remove_prefix(1);
  if (view.empty()) return false;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (error != std::errc() || end != view.data() + view.size()) return false;
  out = value;
  return true;
}

int16_t TNumberEditItem::CheckText() {
  // The text field's own check (which also notes a change) comes first.
  const int16_t error = TMacEditItem::CheckText();
  if (error != 0) return error;
  Str255 text;
  GetControlText(text);
  if (text.Length() == 0) return 0;
  int32_t value = 0;
  if (!ParseWholeNumber(text, value)) return kErrNotANumber;
  if (value < minimum_) return kErrBelowMinimum;
  if (value > maximum_) return kErrAboveMaximum;
  return 0;
}

int32_t TNumberEditItem::Value() const {
  Str255 text;
  GetControlText(text);
  int32_t value = 0;
  StringToNum(text, value);
  return value;
}

void TNumberEditItem::SetValueClamped(int32_t value) {
  Collect(Decimal(std::clamp(value, std::min(minimum_, maximum_), maximum_)));
}

int16_t TNumberEditItem::ValueIfChanged(int32_t& out) {
  if (TextChanged() == 0) return 0;
  out = Value();
  return 1;
}

void TNumberEditItem::SetNumber(int32_t value, bool redraw) {
  SetControlText(Decimal(value), redraw);
}

void TNumberEditItem::ReceiveInteger(int32_t value) {
  ReceiveText(Decimal(value));
}

bool TNumberEditItem::ReadInteger(int32_t& value) const {
  Str255 text;
  if (!ReadText(text)) return false;
  return ParseWholeNumber(text, value);
}
