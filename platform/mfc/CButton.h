#pragma once
// Buttons of the framework over the window layer's button family. An owner-drawn button draws
// itself: the WM_DRAWITEM its parent receives comes back to DrawItem.

#include "platform/mfc/CWnd.h"
#include "platform/win32/OwnerDraw.h"

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  CButton() = default;
  using CWnd::Create;
  BOOL Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);

  int32_t GetCheck() const;
  void SetCheck(int32_t check);
  UINT GetState() const;
  void SetState(BOOL pushed);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT style, BOOL redraw = TRUE);

  // Draws an owner-drawn button; nothing here.
  virtual void DrawItem(DRAWITEMSTRUCT* draw);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};
