#pragma once
// The static texts of dialog items.
// - TMacStatic: a click tells its owner item (mouse down at 0, 0).
// - TDummyStatic: has no owner; it tells a watcher item when it goes, and deletes nothing.
// - TLabelStatic: names a field; clicking it gives the field the focus with its whole text
//   selected, and the pointer over it is the label cursor (1015).
// Statics are deleted by whoever made them, not with their windows.

#include <cstdint>

#include "platform/mfc/CStatic.h"
#include "platform/win32/Cursor.h"
#include "ui/controls/ControlLink.h"
#include "ui/items/ItemControl.h"

inline constexpr uint16_t kLabelCursorId = 1015;

class TMacStatic : public CStatic, public TItemControl {
  DECLARE_DYNCREATE(TMacStatic)

 public:
  static constexpr DWORD kDefaultStyle = 0x50000000;

  TMacStatic() = default;
  TMacStatic(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
             int32_t top, int32_t width, int32_t height);
  TMacStatic(CWnd* parent, int16_t id, TMacDialogItem* owner);
  ~TMacStatic() override;

  TMacStatic* CreateControl();
  void SetStyle(DWORD style) { link_.SetStyle(style); }
  DWORD RecordedStyle() const { return link_.style; }
  const RECT& GetBounds() const { return link_.bounds; }

  CWnd* ControlWindow() override { return this; }
  void SetOwnerItem(TMacDialogItem* item) override { link_.owner = item; }
  TMacDialogItem* OwnerItem() const override { return link_.owner; }
  // Destroys the window and deletes the object.
  void DestroyControl() override;

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  virtual void Clicked();
  TControlLink& Link() { return link_; }

 private:
  TControlLink link_;
};

class TDummyStatic : public TMacStatic {
  DECLARE_DYNCREATE(TDummyStatic)

 public:
  TDummyStatic() = default;
  TDummyStatic(CWnd* parent, TMacDialogItem* watcher, int16_t id, const char* title,
               int32_t left, int32_t top, int32_t width, int32_t height);
  TDummyStatic(CWnd* parent, int16_t id, TMacDialogItem* watcher);
  // Tells the watcher the static is gone.
  ~TDummyStatic() override;

  TMacDialogItem* GetWatcher() const { return watcher_; }
  void SetWatcher(TMacDialogItem* watcher) { watcher_ = watcher; }

 private:
  TMacDialogItem* watcher_ = nullptr;
};

class TLabelStatic : public TDummyStatic {
  DECLARE_DYNCREATE(TLabelStatic)

 public:
  TLabelStatic() = default;
  TLabelStatic(CWnd* parent, TMacDialogItem* watcher, int16_t id, const char* title, int32_t left,
               int32_t top, int32_t width, int32_t height, int16_t linkedItem);
  // Attached to the template's static; the pointer over it is chosen by the label itself, so
  // the other statics of the window class keep theirs.
  TLabelStatic(CWnd* parent, int16_t id, TMacDialogItem* watcher, int16_t linkedItem);

  int16_t GetLinkedItem() const { return linkedItem_; }
  void SetLinkedItem(int16_t id) { linkedItem_ = id; }
  // The label cursor, loaded once and kept for the rest of the run.
  static HCURSOR LabelCursor();

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  void Clicked() override;

 private:
  int16_t linkedItem_ = 0;
};
