#include "platform/mfc/CProgressCtrl.h"

#include "platform/win32/Message.h"
#include "platform/win32/Progress.h"

IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)

namespace {

// A control without window answers 0 to everything.
int32_t Send(HWND bar, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  if (!bar) return 0;
  return static_cast<int32_t>(::SendMessage(bar, message, wParam, lParam));
}

}  // namespace

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  RegisterProgressClass();
  return CWnd::Create(kProgressClass, "", style, rect, parent, id);
}

void CProgressCtrl::SetRange(int16_t low, int16_t high) {
  Send(m_hWnd, PBM_SETRANGE, 0,
       MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high)));
}

void CProgressCtrl::SetRange32(int32_t low, int32_t high) {
  Send(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(static_cast<uint32_t>(low)),
       static_cast<LPARAM>(high));
}

void CProgressCtrl::GetRange(int32_t& low, int32_t& high) const {
  PBRANGE range;
  Send(m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  low = range.iLow;
  high = range.iHigh;
}

int32_t CProgressCtrl::SetPos(int32_t position) {
  return Send(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(static_cast<uint32_t>(position)));
}

int32_t CProgressCtrl::OffsetPos(int32_t delta) {
  return Send(m_hWnd, PBM_DELTAPOS, static_cast<WPARAM>(static_cast<uint32_t>(delta)));
}

int32_t CProgressCtrl::SetStep(int32_t step) {
  return Send(m_hWnd, PBM_SETSTEP, static_cast<WPARAM>(static_cast<uint32_t>(step)));
}

int32_t CProgressCtrl::StepIt() {
  return Send(m_hWnd, PBM_STEPIT);
}

int32_t CProgressCtrl::GetPos() const {
  return Send(m_hWnd, PBM_GETPOS);
}
