#pragma once
// Trackbars of the framework over the window layer's trackbars. Their moves reach the parent as
// WM_HSCROLL or WM_VSCROLL, which it hands back to the control (OnChildNotify).

#include "platform/mfc/CWnd.h"

class CSliderCtrl : public CWnd {
  DECLARE_DYNAMIC(CSliderCtrl)

 public:
  CSliderCtrl() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  int32_t GetPos() const;
  void SetPos(int32_t position);
  void SetRange(int32_t minimum, int32_t maximum, BOOL redraw = FALSE);
  int32_t GetRangeMin() const;
  int32_t GetRangeMax() const;
  int32_t SetPageSize(int32_t size);
  int32_t SetLineSize(int32_t size);
};
