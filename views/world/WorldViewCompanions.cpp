#include "views/world/WorldViewCompanions.h"

#include <algorithm>
#include <utility>

#include "core/TickCount.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "model/Thing.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"

// ---------------------------------------------------------------------------------------------
// The label editor

IMPLEMENT_DYNCREATE(TLabelEdit, GXTEdit)

namespace {

constexpr RGB16Color kEditorText{0, 0, 0};
constexpr RGB16Color kEditorBack{0xFFFF, 0xFFFF, 0xFFFF};
constexpr RGB16Color kEditorFrame{0x8000, 0x8000, 0x8000};

// The keys that end, accept or cancel the edit rather than change its text.
bool IsViewKey(WPARAM character, bool commandKey) {
  switch (character) {
    case 4:
    case '\b':
    case '\t':
    case '\n':
    case '\r':
      return true;
    case '.':
      return commandKey;
    default:
      return false;
  }
}

bool CommandKeyHeld() {
  return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

}  // namespace

BOOL TLabelEdit::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  TLabelEditorView* const editor = Editor();
  if (message == WM_CHAR && !typing_ && editor && IsViewKey(wParam, CommandKeyHeld()) &&
      editor->GetKeyHandler()) {
    // The handler may end the edit: it is told last.
    const bool commandKey = CommandKeyHeld();
    if (result) *result = 0;
    const TLabelEditorView::KeyHandler handler = editor->GetKeyHandler();
    handler(static_cast<int16_t>(wParam),
                           static_cast<int32_t>(LOWORD(static_cast<uintptr_t>(lParam))),
                           commandKey);
    return TRUE;
  }
  return GXTEdit::OnWndMsg(message, wParam, lParam, result);
}

void TLabelEdit::TypeCharacter(char character) {
  if (!m_hWnd) return;
  typing_ = true;
  ::SendMessage(m_hWnd, WM_CHAR, static_cast<WPARAM>(static_cast<uint8_t>(character)), 1);
  typing_ = false;
}

TLabelEditorView::~TLabelEditorView() {
  keyHandler_ = nullptr;
  DestroyControl();
}

void TLabelEditorView::InitLabelEditor(TWrappedWindow* superview) {
  TViewPoint location{0, 0};
  TViewPoint size{0, 0};
  InitTextEditView(nullptr, superview, location, size, 5, 4, 0, 0);
  const RECT bounds{0, 0, 0, 0};
  TEditCreationRecord record;
  record.parent = GetMFCWindow();
  record.owner = this;
  record.controlId = TLabelEdit::kControlId;
  record.text = "";
  record.bounds = &bounds;
  if (record.parent && MakeControl(RUNTIME_CLASS(TLabelEdit), record)) CreateControlWindow();
  if (const HWND window = GetWindowHandle()) ::ShowWindow(window, SW_HIDE);
  Show(false, false);
  SetEnabled(false, false);
}

TLabelEdit* TLabelEditorView::GetEdit() const {
  return dynamic_cast<TLabelEdit*>(GetControl());
}

void TLabelEditorView::Begin(const MacRect& area, const std::string& text) {
  const int32_t width = std::max<int32_t>(area.right - area.left, 1);
  const int32_t height = std::max<int32_t>(area.bottom - area.top, 1);
  MoveTo(area.left, area.top, false);
  Resize(width, height, false);
  editing_ = true;
  SetEnabled(true, false);
  Show(true, true);
  if (const HWND window = GetWindowHandle()) ::ShowWindow(window, SW_SHOW);
  if (TLabelEdit* edit = GetEdit(); edit && edit->m_hWnd) {
    edit->MoveWindow(0, 0, width, height);
    edit->ShowWindow(SW_SHOW);
    edit->SetWindowText(text.c_str());
    ::SetFocus(edit->m_hWnd);
    edit->SetSel(0, -1);
  }
}

void TLabelEditorView::End() {
  if (!editing_) return;
  editing_ = false;
  TLabelEdit* edit = GetEdit();
  const bool hadFocus = edit && edit->m_hWnd && ::GetFocus() == edit->m_hWnd;
  if (edit && edit->m_hWnd) edit->ShowWindow(SW_HIDE);
  // A hidden editor's window takes no presses over the world.
  if (const HWND window = GetWindowHandle()) ::ShowWindow(window, SW_HIDE);
  Show(false, true);
  SetEnabled(false, false);
  // The keyboard goes back to the world.
  if (hadFocus && GetSuperview()) {
    if (const HWND window = GetSuperview()->GetWindowHandle()) ::SetFocus(window);
  }
}

void TLabelEditorView::PressAt(const MacPoint& portPoint) {
  TLabelEdit* edit = GetEdit();
  if (!edit || !edit->m_hWnd) return;
  // From the superview's port to the control's client coordinates.
  const TViewPoint& location = GetLocation();
  const int32_t x = portPoint.h - location.h;
  const int32_t y = portPoint.v - location.v;
  const LPARAM point = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
  ::SendMessage(edit->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, point);
  ::SendMessage(edit->m_hWnd, WM_LBUTTONUP, 0, point);
}

void TLabelEditorView::TypeCharacter(char character) {
  if (TLabelEdit* edit = GetEdit()) edit->TypeCharacter(character);
}

void TLabelEditorView::SelectWholeText() {
  if (TLabelEdit* edit = GetEdit(); edit && edit->m_hWnd) {
    if (IsVisibleInPort()) {
      edit->SetSel(0, -1);
      return;
    }
  }
  SelectAll();
}

void TLabelEditorView::DrawContents() {
  const TViewPoint& size = GetStoredSize();
  FontInfoRec metrics{};
  GetPortFontMetrics(metrics);
  const int32_t lineHeight = metrics.ascent + metrics.descent + metrics.leading;
  const int32_t bottom = size.v;
  const auto top = static_cast<int16_t>(std::max<int32_t>(0, bottom - lineHeight - 1));
  MacRect band(0, top, static_cast<int16_t>(size.h), static_cast<int16_t>(bottom));
  band.Offset(static_cast<int16_t>(GetLocation().h), static_cast<int16_t>(GetLocation().v));
  InvalidRect(band);
  TTextEditView::DrawContents();
}

void TLabelEditorView::Draw(const MacRect& area) {
  SetPortForeColor(kEditorText);
  SetPortBackColor(kEditorBack);
  TTextEditView::Draw(area);
  const bool atOrigin = (area.left == 0 && area.top == 0) || (area.right == 0 && area.bottom == 0);
  if (atOrigin) return;
  MacRect extent;
  GetExtentInPort(extent);
  SetPortForeColor(kEditorFrame);
  PortFrameRect(extent);
  SetPortForeColor(kEditorText);
}

// ---------------------------------------------------------------------------------------------
// The idle extent updater

void TIdleExtentUpdater::InitUpdater(TMainWorldView* view) {
  InitHelper(kCommandNumber);
  SetFreeWhenDone(0);
  view_ = view;
  nextTime_ = GetTickCount60();
}

void TIdleExtentUpdater::Arm() {
  armed_ = 1;
  SetEnabled(1);
}

bool TIdleExtentUpdater::CanPerform() const {
  if (!TQVDocHelper::CanPerform() || armed_ == 0) return false;
  return GetTickCount60() - nextTime_ > 0;
}

void TIdleExtentUpdater::DoIt() {
  if (armed_ != 0) {
    if (view_) view_->RecomputeWorldExtent();
    armed_ = 0;
    nextTime_ = GetTickCount60() + kInterval;
  }
  ClearFlag();
}

// ---------------------------------------------------------------------------------------------
// The handle-tracking command

void THandleTrackingCommand::InitHandleTracking(TCommandView* trackingView, TMainWorldView* view,
                                                TLink* object,
                                                std::unique_ptr<THandleTrackable> trackable) {
  ownedTrackable_ = std::move(trackable);
  InitHandleTracking(trackingView, view, object, ownedTrackable_.get());
}

void THandleTrackingCommand::InitHandleTracking(TCommandView* trackingView, TMainWorldView* view,
                                                TLink* object, THandleTrackable* trackable) {
  if (ownedTrackable_.get() != trackable) ownedTrackable_.reset();
  InitCommand(0, nullptr, trackingView, nullptr);
  SetCanUndo(0);
  SetCausesChange(1);
  SetViewPresent(1);
  view_ = view;
  object_ = object;
  trackable_ = trackable;
}

TCommandCore* THandleTrackingCommand::TrackMouse(int16_t phase, const QV_CPoint& anchor,
                                                 const QV_CPoint& previous,
                                                 const QV_CPoint& next, bool moved) {
  if (!trackable_ || !object_) return this;
  const MacRect before = trackable_->HandleBounds();
  if (phase == 0) oldBounds_ = before;
  MacPoint point(next.h, next.v);
  const bool changed = trackable_->TrackHandle(phase, MacPoint(anchor.h, anchor.v),
                                               MacPoint(previous.h, previous.v), point, moved);
  if (changed || phase == TMainWorldView::kPhaseRelease) {
    changed_ = changed_ || trackable_->HasChanged();
    // An object without a place in the world (a control on the window) redraws the picture.
    if (view_) view_->RedrawObject(dynamic_cast<TThing*>(object_), phase, false);
  }
  if (phase != TMainWorldView::kPhaseRelease) return this;
  // The object's old and new places, with what stands out of them below and to the right.
  const MacRect after = trackable_->HandleBounds();
  MacRect area(std::min(oldBounds_.left, after.left), std::min(oldBounds_.top, after.top),
               std::max(oldBounds_.right, after.right),
               std::max(oldBounds_.bottom, after.bottom));
  area.bottom = static_cast<int16_t>(std::min<int32_t>(area.bottom + kExtraBottom, 32767));
  area.right = static_cast<int16_t>(std::min<int32_t>(area.right + kExtraRight, 32767));
  painted_ = area;
  if (view_) {
    if (auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(view_->GetManager())) {
      MacRect onWindow = area;
      onWindow.Offset(static_cast<int16_t>(view_->GetLocation().h),
                      static_cast<int16_t>(view_->GetLocation().v));
      buffered->InvalidateWindowRect(onWindow);
      buffered->Update();
    }
  }
  object_ = nullptr;
  return this;
}

void THandleTrackingCommand::Perform() {
  if (!changed_ || !trackable_) return;
  trackable_->ChangedNotice();
}
