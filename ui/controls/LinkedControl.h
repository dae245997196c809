#pragma once
// A framework control that shows a dialog item, joined to it through a TControlLink: made from
// the item's bounds or attached to a template's control, deleted with its window, and deleting
// its owner item with itself. Its window's creation and destruction tell the link.

#include <cstdint>

#include "platform/win32/WindowMessages.h"
#include "ui/controls/ControlLink.h"
#include "ui/items/ItemControl.h"

template <class Base>
class TLinkedControl : public Base, public TItemControl {
 public:
  TLinkedControl() = default;
  // A control to create: parent, owner, identifier, title and (left, top, width, height).
  TLinkedControl(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
                 int32_t top, int32_t width, int32_t height, DWORD style)
      : link_(parent, owner, id, title, left, top, width, height, style) {}
  // Attached to the template's control of that identifier.
  TLinkedControl(CWnd* parent, int16_t id, TMacDialogItem* owner, DWORD recordedStyle)
      : link_(parent, id, owner, recordedStyle) {
    if (parent != nullptr) this->SubclassDlgItem(ControlId(), parent);
  }
  // Deletes the owner item.
  ~TLinkedControl() override { link_.DeleteOwner(); }

  void SetStyle(DWORD style) { link_.SetStyle(style); }
  DWORD RecordedStyle() const { return link_.style; }

  CWnd* ControlWindow() override { return this; }
  void SetOwnerItem(TMacDialogItem* item) override { link_.owner = item; }
  TMacDialogItem* OwnerItem() const override { return link_.owner; }
  // The object goes with its window; without a window, at once.
  void DestroyControl() override {
    if (this->m_hWnd != nullptr) {
      this->DestroyWindow();
      return;
    }
    delete this;
  }

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    hadWindow_ = true;
    if (message == WM_CREATE) {
      *result = this->Default();
      if (*result != -1) link_.Created(*this);
      refused_ = *result == -1;
      return TRUE;
    }
    if (message == WM_DESTROY) link_.Destroying();
    return Base::OnWndMsg(message, wParam, lParam, result);
  }
  // A control whose window was never made, or refused its creation, stays with whoever tried to
  // make it: that caller unlinks and deletes it, so deleting it here would take the item too.
  void PostNcDestroy() override {
    Base::PostNcDestroy();
    if (!hadWindow_ || refused_) return;
    delete this;
  }

 protected:
  TControlLink& Link() { return link_; }
  const TControlLink& Link() const { return link_; }
  UINT ControlId() const { return static_cast<UINT>(static_cast<uint16_t>(link_.id)); }

 private:
  TControlLink link_;
  bool hadWindow_ = false;
  bool refused_ = false;
};
