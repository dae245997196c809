#include "ui/controls/TextEditView.h"

#include <algorithm>
#include <cstring>

#include "core/port/PortText.h"
#include "platform/mfc/CFontDialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"
#include "ui/dialogs/DisplayMetrics.h"

IMPLEMENT_DYNCREATE(GXTEdit, CEdit)
IMPLEMENT_DYNCREATE(QVRichEditCntrl, CRichEditCtrl)

namespace {

TEndTextEditing gEndTextEditing = nullptr;

constexpr int32_t kTwipsPerInch = 1440;
constexpr DWORD kAllFormatFields = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                                   CFM_COLOR | CFM_FACE | CFM_SIZE;
constexpr UINT kRedrawAll = 0x0505;  // invalidate, erase, update now, frame
constexpr DWORD kClipSiblings = 0x04000000;

RECT BoundsOf(const RECT* bounds) {
  return bounds ? *bounds : RECT{0, 0, 0, 0};
}

int32_t ScreenPixelsPerInch() {
  const int32_t perInch = GetScreenLogPixelsY();
  return perInch > 0 ? perInch : 96;
}

void SendToControl(CWnd* control, UINT message) {
  if (control && control->GetSafeHwnd()) ::SendMessage(control->GetSafeHwnd(), message, 0, 0);
}

}  // namespace

void SetEndTextEditingHook(TEndTextEditing hook) {
  gEndTextEditing = hook;
}

CHARFORMAT CharFormatOfStyle(const TextStyle& style, int32_t pixelsPerInch) {
  CHARFORMAT format;
  format.dwMask = kAllFormatFields;
  if (style.face & kStyleBold) format.dwEffects |= CFE_BOLD;
  if (style.face & kStyleItalic) format.dwEffects |= CFE_ITALIC;
  if (style.face & kStyleUnderline) format.dwEffects |= CFE_UNDERLINE;
  format.crTextColor = RGB16ToColorRef(style.color);
  LOGFONT font;
  FontSpecToLogFont(FontSpec{style.font, style.face, style.size}, font);
  std::memcpy(format.szFaceName, font.lfFaceName, LF_FACESIZE);
  format.yHeight = style.size * kTwipsPerInch / (pixelsPerInch > 0 ? pixelsPerInch : 96);
  return format;
}

GXTEdit::GXTEdit(CWnd* parent, int16_t controlId, int32_t left, int32_t top, int32_t width,
                 int32_t height, int16_t extra, int32_t multiLine)
    : parent_(parent),
      style_(kStyle | (multiLine ? kMultiLineStyle : 0)),
      controlId_(controlId),
      bounds_{left, top, left + width, top + height},
      extra_(extra),
      multiLine_(multiLine) {}

void GXTEdit::InitFromRecord(const TEditCreationRecord& record) {
  parent_ = record.parent;
  owner_ = record.owner;
  controlId_ = record.controlId;
  bounds_ = BoundsOf(record.bounds);
  multiLine_ = record.multiLine;
  style_ = kStyle | (multiLine_ ? kMultiLineStyle : 0);
}

CWnd* GXTEdit::CreateControl() {
  if (!CEdit::Create(style_, bounds_, parent_, static_cast<UINT>(controlId_))) return nullptr;
  return this;
}

void GXTEdit::Cut() { SendToControl(this, WM_CUT); }
void GXTEdit::Copy() { SendToControl(this, WM_COPY); }
void GXTEdit::Clear() { SendToControl(this, WM_CLEAR); }
void GXTEdit::Undo() { SendToControl(this, EM_UNDO); }
void GXTEdit::Paste() { SendToControl(this, WM_PASTE); }

void QVRichEditCntrl::InitFromRecord(const TEditCreationRecord& record) {
  parent_ = record.parent;
  ownerView_ = static_cast<TTextEditView*>(record.owner);
  controlId_ = record.controlId;
  bounds_ = BoundsOf(record.bounds);
  justification_ = record.justification;
  requestResize_ = record.requestResize;
  text_ = record.text ? record.text : "";
  textOwner_ = record.textOwner;
  style_ = kStyle;
}

BOOL QVRichEditCntrl::PreCreateWindow(CREATESTRUCT& create) {
  AfxInitRichEdit();
  create.lpszName = "";
  create.style |= kClipSiblings;
  return CRichEditCtrl::PreCreateWindow(create);
}

CWnd* QVRichEditCntrl::CreateControl() {
  if (!AfxInitRichEdit()) return nullptr;
  if (!CRichEditCtrl::Create(style_, bounds_, parent_, static_cast<UINT>(controlId_))) return nullptr;
  if (requestResize_) SetEventMask(GetEventMask() | ENM_REQUESTRESIZE);
  CHARFORMAT format = CharFormatOfStyle(
      ownerView_ ? ownerView_->GetTextStyle() : DefaultTextStyle(), ScreenPixelsPerInch());
  SetDefaultCharFormat(format);
  PARAFORMAT paragraph;
  paragraph.dwMask = PFM_ALIGNMENT;
  paragraph.wAlignment = justification_ == -1 ? PFA_RIGHT
                         : justification_ == 0 ? PFA_CENTER
                                               : PFA_LEFT;
  SetParaFormat(paragraph);
  SetModify(TRUE);
  SetOptions(ECOOP_OR, ECO_AUTOWORDSELECTION);
  SetWindowText(text_.c_str());
  return this;
}

void QVRichEditCntrl::Cut() { SendToControl(this, WM_CUT); }
void QVRichEditCntrl::Copy() { SendToControl(this, WM_COPY); }
void QVRichEditCntrl::Clear() { SendToControl(this, WM_CLEAR); }
void QVRichEditCntrl::Undo() { SendToControl(this, EM_UNDO); }
void QVRichEditCntrl::Paste() { SendToControl(this, WM_PASTE); }

BOOL QVRichEditCntrl::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const BOOL handled = CRichEditCtrl::OnWndMsg(message, wParam, lParam, result);
  if (message == WM_KILLFOCUS && gEndTextEditing && textOwner_ &&
      !(ownerView_ && ownerView_->IsFontDialogOpen())) {
    gEndTextEditing(textOwner_);
  }
  return handled;
}

void TTextEditView::InitTextEditView(TWrappedWindow* owner, TWrappedWindow* superview,
                                     TViewPoint& location, TViewPoint& size,
                                     int32_t horizontalRule, int32_t verticalRule,
                                     int32_t placementH, int32_t placementV) {
  placementH_ = placementH;
  placementV_ = placementV;
  cleared1_ = 0;
  cleared2_ = 0;
  fontDialogOpen_ = 0;
  InitFromParent(owner, superview, location, size, horizontalRule, verticalRule);
}

CWnd* TTextEditView::MakeControl(const CRuntimeClass* controlClass,
                                 const TEditCreationRecord& record) {
  if (!controlClass) return nullptr;
  control_ = dynamic_cast<CWnd*>(controlClass->CreateObject());
  if (auto* plain = dynamic_cast<GXTEdit*>(control_)) plain->InitFromRecord(record);
  if (auto* rich = dynamic_cast<QVRichEditCntrl*>(control_)) rich->InitFromRecord(record);
  return control_;
}

CWnd* TTextEditView::CreateControlWindow() {
  CWnd* made = nullptr;
  if (auto* plain = dynamic_cast<GXTEdit*>(control_)) made = plain->CreateControl();
  if (auto* rich = dynamic_cast<QVRichEditCntrl*>(control_)) made = rich->CreateControl();
  // A control whose window could not be made has nothing to delete it: it goes now.
  if (!made && control_ && !control_->GetSafeHwnd()) {
    delete control_;
    control_ = nullptr;
  }
  return made;
}

// The control object goes with its window.
void TTextEditView::DestroyControl() {
  CWnd* const control = control_;
  control_ = nullptr;
  if (!control) return;
  if (control->GetSafeHwnd()) {
    control->DestroyWindow();
  } else {
    delete control;
  }
}

void TTextEditView::SetText(const char* text) {
  text_ = text ? text : "";
  textSet_ = 1;
  if (control_ && control_->GetSafeHwnd()) control_->SetWindowText(text_.c_str());
}

std::string TTextEditView::GetText() const {
  if (!control_ || !control_->GetSafeHwnd()) return {};
  return GetWindowTextString(control_->GetSafeHwnd());
}

int32_t TTextEditView::TextLength() const {
  if (!control_ || !control_->GetSafeHwnd()) return 0;
  return GetWindowTextLength(control_->GetSafeHwnd());
}

bool TTextEditView::IsPlain() const {
  return GetWindowHandle() && dynamic_cast<CEdit*>(control_) != nullptr;
}

bool TTextEditView::IsRich() const {
  return GetWindowHandle() && dynamic_cast<CRichEditCtrl*>(control_) != nullptr;
}

void TTextEditView::Cut() { SendToControl(control_, WM_CUT); }
void TTextEditView::Copy() { SendToControl(control_, WM_COPY); }
void TTextEditView::Clear() { SendToControl(control_, WM_CLEAR); }
void TTextEditView::Undo() { SendToControl(control_, EM_UNDO); }
void TTextEditView::Paste() { SendToControl(control_, WM_PASTE); }

void TTextEditView::SelectAll() {
  if (auto* plain = dynamic_cast<CEdit*>(control_)) {
    if (!plain->GetSafeHwnd()) return;
    plain->SetSel(0, -1);
    ::SendMessage(plain->GetSafeHwnd(), EM_SCROLLCARET, 0, 0);
  } else if (auto* rich = dynamic_cast<CRichEditCtrl*>(control_)) {
    rich->SetSel(0, -1);
  }
}

void TTextEditView::GetBounds(int16_t bounds[4]) const {
  RECT area{0, 0, 0, 0};
  if (control_ && control_->GetSafeHwnd()) {
    const HWND window = control_->GetSafeHwnd();
    if (dynamic_cast<CEdit*>(control_)) {
      GetClientRect(window, &area);
    } else {
      GetWindowRect(window, &area);
      POINT corner{0, 0};
      ClientToScreen(GetParent(window), &corner);
      OffsetRect(&area, -corner.x, -corner.y);
    }
  }
  bounds[0] = static_cast<int16_t>(area.top);
  bounds[1] = static_cast<int16_t>(area.left);
  bounds[2] = static_cast<int16_t>(area.bottom);
  bounds[3] = static_cast<int16_t>(area.right);
}

void TTextEditView::SetBounds(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  if (!control_ || !control_->GetSafeHwnd()) return;
  if (dynamic_cast<CEdit*>(control_)) {
    control_->MoveWindow(left, top, right - left, bottom - top, TRUE);
  } else if (auto* rich = dynamic_cast<CRichEditCtrl*>(control_)) {
    rich->SetRect(RECT{left, top, right, bottom});
  }
}

bool TTextEditView::HasFocus() const {
  return control_ && control_->GetSafeHwnd() && GetFocus() == control_->GetSafeHwnd();
}

bool TTextEditView::IsShown() const {
  if (!control_ || !control_->GetSafeHwnd()) return TWrappedWindow::IsShown();
  shown_ = IsWindowVisible(control_->GetSafeHwnd()) != FALSE;
  return shown_;
}

// A plain control takes the stored text again; a selection that was not empty runs on to the
// end of the text.
void TTextEditView::Refresh() {
  if (!textSet_ || !control_ || !control_->GetSafeHwnd()) {
    RedrawExtent();
    return;
  }
  if (auto* plain = dynamic_cast<CEdit*>(control_)) {
    int32_t start = 0;
    int32_t end = 0;
    plain->GetSel(start, end);
    plain->SetWindowText(text_.c_str());
    plain->SetSel(start, start == end ? start : -1);
    return;
  }
  RedrawWindow(control_->GetSafeHwnd(), nullptr, kRedrawAll);
}

void TTextEditView::ChooseFont() {
  auto* rich = dynamic_cast<CRichEditCtrl*>(control_);
  if (!rich || !rich->GetSafeHwnd()) return;
  fontDialogOpen_ = 1;
  LOGFONT font;
  FontSpecToLogFont(FontSpec{textStyle_.font, textStyle_.face, textStyle_.size}, font);
  CHARFORMAT current;
  rich->GetSelectionCharFormat(current);
  CFontDialog dialog(current, CF_SCREENFONTS | CF_PRINTERFONTS | CF_NOVECTORFONTS, nullptr, rich);
  if (dialog.DoModal() == IDOK) {
    CHARFORMAT chosen;
    dialog.GetCharFormat(chosen);
    rich->SetDefaultCharFormat(chosen);
    CopyFaceName(font.lfFaceName, dialog.m_lf.lfFaceName);
    font.lfHeight = dialog.m_lf.lfHeight;
    FontSpec chosenFont;
    LogFontToFontSpec(font, chosenFont);
    textStyle_.font = chosenFont.fontNumber;
    textStyle_.size = chosenFont.size;
    textStyle_.face = static_cast<uint8_t>((dialog.IsBold() ? kStyleBold : 0) |
                                           (dialog.IsItalic() ? kStyleItalic : 0) |
                                           (dialog.IsUnderline() ? kStyleUnderline : 0));
    const COLORREF colour = dialog.GetColor();
    textStyle_.color.red = static_cast<uint16_t>((colour & 0xFF) << 8);
    textStyle_.color.green = static_cast<uint16_t>(((colour >> 8) & 0xFF) << 8);
    textStyle_.color.blue = static_cast<uint16_t>(((colour >> 16) & 0xFF) << 8);
  }
  ::SetFocus(rich->GetSafeHwnd());
  fontDialogOpen_ = 0;
}
