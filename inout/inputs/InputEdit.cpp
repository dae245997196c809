// The edit control over an input's value text field, and the input's side of typing a value.
#include "inout/inputs/InputEdit.h"

#include <cmath>
#include <string>

#include "core/geometry/NumberFormat.h"
#include "core/port/PortText.h"
#include "inout/inputs/Input.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "views/world/GadgetTextField.h"

IMPLEMENT_DYNCREATE(TInputEdit, GXTEdit)

namespace {

TInputEdit::TApplicationUndo gApplicationUndo = nullptr;
constexpr int kMaxText = 255;
// Characters selected when the edit opens: the whole of any value text.
constexpr int32_t kOpeningSelection = 127;

}  // namespace

void TInputEdit::SetApplicationUndo(TApplicationUndo undo) {
  gApplicationUndo = undo;
}

bool ParseTypedNumber(const std::string& text, double& value) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  const size_t last = text.find_last_not_of(' ');
  const std::string body = text.substr(first, last - first + 1);
  for (const char c : body) {
    if ((c < '0' || c > '9') && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-')
      return false;
  }
  char* end = nullptr;
  const double parsed = StrtodC(body.c_str(), &end);
  if (end != body.c_str() + body.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

void TInputEdit::InitFromRecord(const TEditCreationRecord& record) {
  GXTEdit::InitFromRecord(record);
  input_ = static_cast<TInput*>(record.textOwner);
}

CWnd* TInputEdit::CreateControl() {
  if (GXTEdit::CreateControl() == nullptr) return nullptr;
  const HWND window = GetSafeHwnd();
  const auto style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
  SetWindowLongPtr(window, GWL_STYLE,
                   static_cast<LONG_PTR>((style & ~kDroppedStyle) | kRightAligned));
  return this;
}

std::string TInputEdit::GetText() const {
  std::string text = GetWindowTextString(GetSafeHwnd());
  if (text.size() > kMaxText) text.resize(kMaxText);
  return text;
}

void TInputEdit::SelectAll() {
  ::SendMessage(GetSafeHwnd(), EM_SETSEL, 0, -1);
}

void TInputEdit::Undo() {
  if (input_ != nullptr) inSync_ = GetText() == input_->FormatValueText().AsCString();
  if (inSync_ && gApplicationUndo != nullptr && gApplicationUndo()) return;
  GXTEdit::Undo();
}

void TInputEdit::Clear() {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessage(GetSafeHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                reinterpret_cast<LPARAM>(&end));
  if (start == end) ::SendMessage(GetSafeHwnd(), EM_SETSEL, start, start + 1);
  GXTEdit::Clear();
}

void TInputEdit::TakeReturn() {
  // The key's release and character would reach the control after the edit is settled.
  MSG pending;
  const HWND window = GetSafeHwnd();
  while (PeekMessage(&pending, window, WM_KEYUP, WM_KEYUP, PM_REMOVE) ||
         PeekMessage(&pending, window, WM_CHAR, WM_CHAR, PM_REMOVE)) {
  }
  double value = 0.0;
  if (input_ != nullptr && ParseTypedNumber(GetText(), value)) {
    inSync_ = true;
    input_->CommitValueChange();
    input_->BeginValueChange();
    input_->SetValue(value, true, true);
    SetWindowText(input_->FormatValueText().AsCString());
  } else if (input_ != nullptr) {
    SetWindowText(input_->FormatValueText().AsCString());
  }
  SelectAll();
}

void TInputEdit::EndEdit() {
  if (input_ != nullptr) input_->EndTextEdit();
}

BOOL TInputEdit::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    TakeReturn();
    if (result != nullptr) *result = 0;
    return TRUE;
  }
  if (message == WM_KEYDOWN && wParam == VK_TAB) {
    if (result != nullptr) *result = 0;
    EndEdit();  // the control may be gone now
    return TRUE;
  }
  if (message == WM_CHAR && (wParam == '\r' || wParam == '\t')) {
    if (result != nullptr) *result = 0;
    return TRUE;
  }
  if (message == WM_KILLFOCUS) {
    const LRESULT handled = DefWindowProc(message, wParam, lParam);
    if (result != nullptr) *result = handled;
    if (input_ != nullptr && input_->GetTextEdit() == this) EndEdit();
    return TRUE;
  }
  return GXTEdit::OnWndMsg(message, wParam, lParam, result);
}

// ---- The input's side ----

bool TInput::HitsTextField(MacPoint point) const {
  if (!ShowsValueText()) return false;
  const MacRect field = GetValueTextRect();
  return point.h >= field.left && point.h <= field.right && point.v >= field.top &&
         point.v <= field.bottom;
}

TInputEdit* TInput::BeginTextEdit(CWnd* parent, MacPoint scroll) {
  if (edit_ != nullptr) return edit_;
  MacRect field = GetValueTextRect();
  field.Offset(static_cast<int16_t>(-scroll.h), static_cast<int16_t>(-scroll.v));
  const RECT bounds{field.left, field.top, field.right, field.bottom};
  TEditCreationRecord record;
  record.parent = parent;
  record.controlId = kInputEditControlId;
  record.text = "";
  record.bounds = &bounds;
  record.multiLine = 1;
  record.textOwner = this;
  auto* edit = static_cast<TInputEdit*>(RUNTIME_CLASS(TInputEdit)->CreateObject());
  edit->InitFromRecord(record);
  if (edit->CreateControl() == nullptr) {
    if (edit->GetSafeHwnd() == nullptr) delete edit;
    return nullptr;
  }
  edit_ = edit;
  TakeEditingKeys(edit->FrameKeys());
  edit->SetFont(GetCachedFont(&GetFont()), FALSE);
  edit->SetWindowText(FormatValueText().AsCString());
  ::SetFocus(edit->GetSafeHwnd());
  ::SendMessage(edit->GetSafeHwnd(), EM_SETSEL, 0, kOpeningSelection);
  BeginValueChange();
  return edit;
}

bool TInput::BeginWindowTextEdit(MacPoint point, CWnd* window) {
  if (window == nullptr || !HitsTextField(point)) return false;
  return BeginTextEdit(window, MacPoint(0, 0)) != nullptr;
}

void TInput::EndTextEdit() {
  if (edit_ == nullptr) return;
  TInputEdit* edit = edit_;
  edit_ = nullptr;  // a focus change while the control goes must not end the edit twice
  double value = 0.0;
  if (ParseTypedNumber(edit->GetText(), value)) {
    CommitValueChange();
    BeginValueChange();
    SetValue(value, true, true);
  }
  CommitValueChange();
  edit_ = edit;
  DropTextEdit();
  InvalidateArea(GetValueTextRect());
}

void TInput::DropTextEdit() {
  TInputEdit* edit = edit_;
  edit_ = nullptr;
  if (edit == nullptr) return;
  GiveBackFrameKeys(edit->FrameKeys());
  if (edit->GetSafeHwnd() != nullptr)
    edit->DestroyWindow();  // the control goes with its window
  else
    delete edit;
}

void TInput::ShowValueTextInEdit() {
  if (edit_ != nullptr) edit_->SetWindowText(FormatValueText().AsCString());
}
