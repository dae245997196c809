#include "platform/mfc/CSliderCtrl.h"

#include "platform/win32/Message.h"
#include "platform/win32/Trackbar.h"

IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)

namespace {

int32_t Send(HWND bar, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return static_cast<int32_t>(::SendMessage(bar, message, wParam, lParam));
}

}  // namespace

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kTrackbarClass, "", style, rect, parent, id);
}

int32_t CSliderCtrl::GetPos() const {
  return Send(m_hWnd, TBM_GETPOS);
}

void CSliderCtrl::SetPos(int32_t position) {
  Send(m_hWnd, TBM_SETPOS, TRUE, position);
}

void CSliderCtrl::SetRange(int32_t minimum, int32_t maximum, BOOL redraw) {
  Send(m_hWnd, TBM_SETRANGEMIN, FALSE, minimum);
  Send(m_hWnd, TBM_SETRANGEMAX, static_cast<WPARAM>(redraw), maximum);
}

int32_t CSliderCtrl::GetRangeMin() const {
  return Send(m_hWnd, TBM_GETRANGEMIN);
}

int32_t CSliderCtrl::GetRangeMax() const {
  return Send(m_hWnd, TBM_GETRANGEMAX);
}

int32_t CSliderCtrl::SetPageSize(int32_t size) {
  return Send(m_hWnd, TBM_SETPAGESIZE, 0, size);
}

int32_t CSliderCtrl::SetLineSize(int32_t size) {
  return Send(m_hWnd, TBM_SETLINESIZE, 0, size);
}
