#include "ui/items/MacDialogItem.h"

#include <string>

#include "platform/mfc/CWnd.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Window.h"
#include "ui/controls/MacStatic.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/items/ItemControl.h"

namespace {

constexpr UINT kEditSetSelection = 0x00B1;
constexpr UINT kEditScrollCaret = 0x00B7;
constexpr int16_t kReadyMark = 1234;

int16_t Narrow(int32_t value) {
  if (value > 32767) return 32767;
  if (value < -32768) return -32768;
  return static_cast<int16_t>(value);
}

}  // namespace

void MapItemRect(CWnd* dialog, TItemBounds& bounds) {
  if (dialog == nullptr || dialog->GetSafeHwnd() == nullptr) return;
  RECT rect{bounds.left, bounds.top, bounds.right, bounds.bottom};
  MapDialogRect(dialog->GetSafeHwnd(), &rect);
  bounds.left = Narrow(rect.left);
  bounds.top = Narrow(rect.top);
  bounds.right = Narrow(rect.right);
  bounds.bottom = Narrow(rect.bottom);
}

TMacDialogItem::TMacDialogItem() { InitTargetHandler(nullptr); }

TMacDialogItem::~TMacDialogItem() {
  TItemControl* const control = control_;
  control_ = nullptr;
  if (control == nullptr) return;
  control->SetOwnerItem(nullptr);
  control->DestroyControl();
}

void TMacDialogItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor*) {
  viewIdentifier_ = viewIdentifier;
  propertyTag_ = viewIdentifier;
  parent_ = parent;
}

void TMacDialogItem::InitFromRecord(CWnd* parent, TItemRecordCursor* cursor) {
  value_ = 2;
  if (cursor != nullptr) {
    headerWord_ = cursor->ReadWord();
    attached_ = cursor->ReadWord() != 0 ? 1 : 0;
  }
  if (attached_ == 0) {
    CreateControl(parent, headerWord_, cursor);
  } else {
    AttachControl(parent, headerWord_, cursor);
  }
  ReadLayoutFlags(cursor);
  if (attached_ != 0) PostAttach();
  readyMark_ = kReadyMark;
}

void TMacDialogItem::ReadRecord(CWnd* parent, TItemRecordCursor& cursor) {
  itemNumber_ = cursor.ReadShort();
  style_ = cursor.ReadLong();
  bounds_.left = cursor.ReadShort();
  bounds_.top = cursor.ReadShort();
  bounds_.right = cursor.ReadShort();
  bounds_.bottom = cursor.ReadShort();
  ReadAfterBounds(cursor);
  text_ = cursor.ReadText();
  MapItemRect(parent, bounds_);
}

void TMacDialogItem::ReadBoundsFromResource(TItemRecordCursor& cursor) {
  bounds_.top = cursor.ReadShort();
  bounds_.left = cursor.ReadShort();
  bounds_.bottom = cursor.ReadShort();
  bounds_.right = cursor.ReadShort();
}

void TMacDialogItem::ReadLayoutFlags(TItemRecordCursor* cursor) {
  if (cursor == nullptr) return;
  growsHorizontally_ = cursor->ReadWord();
  growsVertically_ = cursor->ReadWord();
  thirdLayoutValue_ = cursor->ReadShort();
  shown_ = cursor->ReadShort();
}

void TMacDialogItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
}

void TMacDialogItem::AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) {
  CreateControl(parent, headerWord, cursor);
}

void TMacDialogItem::MouseDown(uint32_t, int32_t, int32_t) {}

void TMacDialogItem::SetState(int32_t value, bool enabled, bool redraw) {
  if (enabled != enabled_) {
    SetEnabled(enabled);
    SetHighlight(enabled ? 0 : 1, redraw && value != value_);
  }
  SetValue(value, redraw);
  valueLastSet_ = value;
}

void TMacDialogItem::SetHighlight(int16_t state, bool redraw) {
  if (state == highlight_) return;
  highlight_ = state;
  if (redraw) Refresh();
}

void TMacDialogItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  TChangingControls bracket;
  if (HasControlWindow()) ControlWindow()->EnableWindow(enabled ? TRUE : FALSE);
}

bool TMacDialogItem::TakeValueChange(bool& isOne) const {
  if (value_ == valueLastSet_) return false;
  isOne = value_ == 1;
  return true;
}

void TMacDialogItem::DisableControl() {
  if (!HasControlWindow()) return;
  TChangingControls bracket;
  ControlWindow()->EnableWindow(FALSE);
}

void TMacDialogItem::SetValue(int32_t value, bool redraw) {
  if (value == value_) return;
  value_ = value;
  if (redraw) Refresh();
}

void TMacDialogItem::DrawEntire(const DRAWITEMSTRUCT*) {}
void TMacDialogItem::DrawFocus(const DRAWITEMSTRUCT*) {}
void TMacDialogItem::DrawSelection(const DRAWITEMSTRUCT*) {}
void TMacDialogItem::MeasureItem(MEASUREITEMSTRUCT*) {}
void TMacDialogItem::SetValueFromPosition(int32_t) {}
void TMacDialogItem::Track(int32_t) {}
void TMacDialogItem::TimerNotice(const RECT&, uintptr_t) {}

void TMacDialogItem::ControlGone(CWnd*) {}

CWnd* TMacDialogItem::ControlWindow() const {
  return control_ != nullptr ? control_->ControlWindow() : nullptr;
}

bool TMacDialogItem::HasControlWindow() const {
  CWnd* const window = ControlWindow();
  return window != nullptr && window->GetSafeHwnd() != nullptr &&
         IsWindow(window->GetSafeHwnd()) != 0;
}

bool TMacDialogItem::HasFocus() const {
  return HasControlWindow() && GetFocus() == ControlWindow()->GetSafeHwnd();
}

void TMacDialogItem::GetControlText(Str255& out) const {
  if (!HasControlWindow()) return;
  const std::string text = ControlWindow()->GetWindowText();
  out.Assign(text.c_str());
}

void TMacDialogItem::SetControlText(const Str255& text, bool redraw) {
  TChangingControls bracket;
  if (text != text_) text_ = text;
  if (!redraw || !HasControlWindow()) return;
  ControlWindow()->SetWindowText(text_.AsCString());
  if (HasFocus()) SelectWholeText();
}

void TMacDialogItem::SelectWholeText() {
  if (noSelect_ != 0 || !HasControlWindow()) return;
  CWnd* const window = ControlWindow();
  const auto length = static_cast<LPARAM>(window->GetWindowText().size());
  window->SendMessage(kEditSetSelection, 0, length + 1);
  window->SendMessage(kEditScrollCaret, 0, 0);
}

void TMacDialogItem::SuperviewChanged(int32_t horizontal, int32_t vertical) {
  GrowBy(horizontal, vertical);
}

void TMacDialogItem::GrowBy(int32_t horizontal, int32_t) {
  if (control_ == nullptr || growsHorizontally_ == 0) return;
  if (bounds_.left < bounds_.right + horizontal) {
    bounds_.right = static_cast<int16_t>(bounds_.right + horizontal);
  }
}

void TMacDialogItem::MoveRightEdge(int32_t horizontal, int32_t) {
  if (!HasControlWindow() || growsHorizontally_ == 0) return;
  CWnd* const window = ControlWindow();
  CWnd* const parent = window->GetParent();
  RECT place{};
  GetWindowRectInParent(window->GetSafeHwnd(), place,
                        parent != nullptr ? parent->GetSafeHwnd() : nullptr);
  if (place.right + horizontal <= 0) return;
  window->MoveWindow(place.left, place.top, place.right + horizontal, place.bottom, TRUE);
}

void GetWindowRectInParent(HWND window, RECT& out, HWND parent) {
  RECT screen{};
  GetWindowRect(window, &screen);
  POINT origin{screen.left, screen.top};
  if (parent != nullptr) ScreenToClient(parent, &origin);
  out = RECT{origin.x, origin.y, screen.right - screen.left, screen.bottom - screen.top};
}

void TMacDialogItem::DialogResized(int32_t horizontal, int32_t vertical) {
  if (!HasControlWindow() || (growsHorizontally_ == 0 && growsVertically_ == 0)) return;
  CWnd* const window = ControlWindow();
  RECT rect{};
  window->GetWindowRect(&rect);
  POINT origin{rect.left, rect.top};
  if (CWnd* const parent = window->GetParent(); parent != nullptr) {
    ScreenToClient(parent->GetSafeHwnd(), &origin);
  }
  int32_t width = rect.right - rect.left;
  int32_t height = rect.bottom - rect.top;
  if (growsHorizontally_ != 0 && width + horizontal > 0) width += horizontal;
  if (growsVertically_ != 0 && height + vertical > 0) height += vertical;
  window->MoveWindow(origin.x, origin.y, width, height, TRUE);
}

void TMacDialogItem::Redraw() {
  if (HasControlWindow()) ControlWindow()->Invalidate(TRUE);
}

void TMacDialogItem::Show(int16_t shown) {
  if (shown == shown_) return;
  shown_ = shown;
  if (shown != 0 && shown != 1) return;
  if (HasControlWindow()) ControlWindow()->ShowWindow(shown != 0 ? SW_SHOW : SW_HIDE);
}

void TMacDialogItem::ReceiveFlag(bool someHave, bool someLack) {
  SetValue(someHave ? (someLack ? 2 : 1) : 0, true);
}
void TMacDialogItem::ReceiveChoice(int16_t state) { SetValue(state, true); }
void TMacDialogItem::ReceiveText(const Str255& text) { SetControlText(text, true); }
void TMacDialogItem::ReceiveInteger(int32_t value) { SetValue(value, true); }
void TMacDialogItem::ReceiveFormula(const TFormula*, double, double, uint32_t) {}
void TMacDialogItem::ReceiveNumber(double, double, double, uint32_t) {}
void TMacDialogItem::ReceiveLong(uint32_t value) { SetValue(static_cast<int32_t>(value), true); }
void TMacDialogItem::ReceiveColour(const RGB16Color&) {}
void TMacDialogItem::FinishRefresh(int16_t, int16_t) {}

bool TMacDialogItem::ReadFlag(uint16_t& value) const {
  value = value_ == 1 ? 1 : 0;
  return true;
}
bool TMacDialogItem::ReadChoice(uint32_t& choice) const {
  choice = static_cast<uint32_t>(value_);
  return true;
}
bool TMacDialogItem::ReadText(Str255& text) const {
  text = text_;
  return true;
}
bool TMacDialogItem::ReadInteger(int32_t& value) const {
  value = value_;
  return true;
}
bool TMacDialogItem::ReadFormula(TFormula&) const { return false; }
bool TMacDialogItem::ReadNumber(double&) const { return false; }
bool TMacDialogItem::ReadLong(uint32_t& value) const {
  value = static_cast<uint32_t>(value_);
  return true;
}
bool TMacDialogItem::ReadColour(RGB16Color&) const { return false; }
bool TMacDialogItem::GetConditionTag(uint32_t&) const { return false; }

void TPlainItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  TMacDialogItem::InitItem(parent, viewIdentifier, cursor);
  InitFromRecord(parent, cursor);
}

void TPlainItem::CreateControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  if (parent == nullptr || parent->GetSafeHwnd() == nullptr) return;
  const TItemBounds& b = GetBounds();
  auto* control = new TMacStatic(parent, this, GetItemNumber(), GetText().AsCString(), b.left,
                                 b.top, b.right - b.left, b.bottom - b.top);
  control->SetStyle(GetStyle());
  if (control->CreateControl() == nullptr) {
    control->SetOwnerItem(nullptr);
    delete control;
    return;
  }
  SetControl(control);
}

void TPlainItem::AttachControl(CWnd* parent, uint16_t, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  if (parent == nullptr || parent->GetSafeHwnd() == nullptr) return;
  auto* control = new TMacStatic(parent, GetItemNumber(), this);
  if (control->GetSafeHwnd() == nullptr) {
    control->SetOwnerItem(nullptr);
    delete control;
    return;
  }
  SetControl(control);
}
