#pragma once
// Progress bars of the framework over the window layer's progress bars.

#include "platform/mfc/CWnd.h"

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)

 public:
  CProgressCtrl() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // The 16-bit form of the range; SetRange32 takes the whole 32 bits.
  void SetRange(int16_t low, int16_t high);
  void SetRange32(int32_t low, int32_t high);
  void GetRange(int32_t& low, int32_t& high) const;
  // Each answers the position before the change.
  int32_t SetPos(int32_t position);
  int32_t OffsetPos(int32_t delta);
  int32_t SetStep(int32_t step);
  int32_t StepIt();
  int32_t GetPos() const;
};
