#include "platform/mfc/CButton.h"

#include "platform/win32/Button.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

BOOL CButton::Create(const char* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kButtonClass, caption, style, rect, parent, id);
}

int32_t CButton::GetCheck() const {
  return static_cast<int32_t>(::SendMessage(m_hWnd, BM_GETCHECK, 0, 0));
}

void CButton::SetCheck(int32_t check) {
  ::SendMessage(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0);
}

UINT CButton::GetState() const {
  return static_cast<UINT>(::SendMessage(m_hWnd, BM_GETSTATE, 0, 0));
}

void CButton::SetState(BOOL pushed) {
  ::SendMessage(m_hWnd, BM_SETSTATE, static_cast<WPARAM>(pushed), 0);
}

UINT CButton::GetButtonStyle() const {
  return static_cast<UINT>(GetWindowLongPtr(m_hWnd, GWL_STYLE)) & 0xFFFF;
}

void CButton::SetButtonStyle(UINT style, BOOL redraw) {
  ::SendMessage(m_hWnd, BM_SETSTYLE, style, redraw);
}

void CButton::DrawItem(DRAWITEMSTRUCT*) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, result);
  DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
  return TRUE;
}
