#pragma once
// Scroll-bar controls of the framework over the window layer's scroll bars. Their requests
// reach the parent as WM_HSCROLL or WM_VSCROLL, which it hands back to the control
// (OnChildNotify).

#include "platform/mfc/CWnd.h"

class CScrollBar : public CWnd {
  DECLARE_DYNAMIC(CScrollBar)

 public:
  CScrollBar() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  int32_t GetScrollPos() const;
  int32_t SetScrollPos(int32_t position, BOOL redraw = TRUE);
  void GetScrollRange(int32_t* minimum, int32_t* maximum) const;
  void SetScrollRange(int32_t minimum, int32_t maximum, BOOL redraw = TRUE);
};
