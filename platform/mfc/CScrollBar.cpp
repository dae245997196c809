#include "platform/mfc/CScrollBar.h"

#include "platform/win32/ScrollBar.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

BOOL CScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  RegisterScrollBarClass();
  return CWnd::Create(kScrollBarClass, "", style, rect, parent, id);
}

int32_t CScrollBar::GetScrollPos() const {
  return ::GetScrollPos(m_hWnd, SB_CTL);
}

int32_t CScrollBar::SetScrollPos(int32_t position, BOOL redraw) {
  return ::SetScrollPos(m_hWnd, SB_CTL, position, redraw);
}

void CScrollBar::GetScrollRange(int32_t* minimum, int32_t* maximum) const {
  ::GetScrollRange(m_hWnd, SB_CTL, minimum, maximum);
}

void CScrollBar::SetScrollRange(int32_t minimum, int32_t maximum, BOOL redraw) {
  ::SetScrollRange(m_hWnd, SB_CTL, minimum, maximum, redraw);
}
