#include "ui/controls/MacStatic.h"

#include "platform/win32/Message.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Static.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TMacStatic, CStatic)
IMPLEMENT_DYNCREATE(TDummyStatic, TMacStatic)
IMPLEMENT_DYNCREATE(TLabelStatic, TDummyStatic)

TMacStatic::TMacStatic(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title,
                       int32_t left, int32_t top, int32_t width, int32_t height)
    : link_(parent, owner, id, title, left, top, width, height, kDefaultStyle) {}

TMacStatic::TMacStatic(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : link_(parent, id, owner, kDefaultStyle) {
  if (parent != nullptr) SubclassDlgItem(static_cast<UINT>(static_cast<uint16_t>(id)), parent);
}

TMacStatic::~TMacStatic() { link_.DeleteOwner(); }

TMacStatic* TMacStatic::CreateControl() {
  if (!Create(link_.title.c_str(), link_.style, link_.bounds, link_.parent,
              static_cast<UINT>(static_cast<uint16_t>(link_.id)))) {
    return nullptr;
  }
  return this;
}

void TMacStatic::DestroyControl() {
  if (m_hWnd != nullptr) DestroyWindow();
  delete this;
}

void TMacStatic::Clicked() {
  if (link_.owner != nullptr) link_.owner->MouseDown(0, 0, 0);
}

BOOL TMacStatic::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_CREATE) {
    *result = Default();
    if (*result != -1) link_.Created(*this);
    return TRUE;
  }
  if (message == kReflectedCommand && ((wParam >> 16) & 0xFFFF) == STN_CLICKED) {
    TChangingControls bracket;
    Clicked();
    *result = 0;
    return TRUE;
  }
  return CStatic::OnWndMsg(message, wParam, lParam, result);
}

TDummyStatic::TDummyStatic(CWnd* parent, TMacDialogItem* watcher, int16_t id, const char* title,
                           int32_t left, int32_t top, int32_t width, int32_t height)
    : TMacStatic(parent, nullptr, id, title, left, top, width, height), watcher_(watcher) {}

TDummyStatic::TDummyStatic(CWnd* parent, int16_t id, TMacDialogItem* watcher)
    : TMacStatic(parent, id, nullptr), watcher_(watcher) {}

TDummyStatic::~TDummyStatic() {
  TMacDialogItem* const watcher = watcher_;
  watcher_ = nullptr;
  if (watcher != nullptr) watcher->ControlGone(this);
}

TLabelStatic::TLabelStatic(CWnd* parent, TMacDialogItem* watcher, int16_t id, const char* title,
                           int32_t left, int32_t top, int32_t width, int32_t height,
                           int16_t linkedItem)
    : TDummyStatic(parent, watcher, id, title, left, top, width, height),
      linkedItem_(linkedItem) {
  LabelCursor();
}

TLabelStatic::TLabelStatic(CWnd* parent, int16_t id, TMacDialogItem* watcher, int16_t linkedItem)
    : TDummyStatic(parent, id, watcher), linkedItem_(linkedItem) {
  LabelCursor();
}

HCURSOR TLabelStatic::LabelCursor() {
  static HCURSOR cursor = nullptr;
  if (cursor == nullptr) {
    const LPCSTR name = MAKEINTRESOURCEA(kLabelCursorId);
    const HMODULE module = FindResourceModule(name, RT_GROUP_CURSOR);
    if (module != nullptr) cursor = LoadCursor(module, kLabelCursorId);
  }
  return cursor;
}

void TLabelStatic::Clicked() {
  if (linkedItem_ == 0 || Link().parent == nullptr) return;
  const HWND field = ::GetDlgItem(Link().parent->GetSafeHwnd(), linkedItem_);
  if (field == nullptr) return;
  ::SetFocus(field);
  ::SendMessage(field, EM_SETSEL, 0, -1);
  ::SendMessage(field, EM_SCROLLCARET, 0, 0);
}

BOOL TLabelStatic::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_SETCURSOR) {
    // Over a label that names a field the pointer is the label cursor.
    if (linkedItem_ == 0) {
      *result = 0;
      return TRUE;
    }
    ::SetCursor(LabelCursor());
    *result = 1;
    return TRUE;
  }
  return TMacStatic::OnWndMsg(message, wParam, lParam, result);
}
