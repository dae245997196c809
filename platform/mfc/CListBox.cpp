#include "platform/mfc/CListBox.h"

#include <vector>

#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)

namespace {

int32_t Send(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return static_cast<int32_t>(::SendMessage(list, message, wParam, lParam));
}

}  // namespace

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kListBoxClass, "", style, rect, parent, id);
}

int32_t CListBox::AddString(const char* text) {
  return Send(m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

int32_t CListBox::InsertString(int32_t index, const char* text) {
  return Send(m_hWnd, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
}

int32_t CListBox::AddItem(uintptr_t data) {
  return Send(m_hWnd, LB_ADDSTRING, 0, static_cast<LPARAM>(data));
}

int32_t CListBox::DeleteString(int32_t index) {
  return Send(m_hWnd, LB_DELETESTRING, static_cast<WPARAM>(index));
}

void CListBox::ResetContent() {
  Send(m_hWnd, LB_RESETCONTENT);
}

int32_t CListBox::GetCount() const {
  return Send(m_hWnd, LB_GETCOUNT);
}

int32_t CListBox::GetCurSel() const {
  return Send(m_hWnd, LB_GETCURSEL);
}

int32_t CListBox::SetCurSel(int32_t index) {
  return Send(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(index));
}

std::string CListBox::GetText(int32_t index) const {
  const int32_t length = Send(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length < 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  Send(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), static_cast<size_t>(length));
}

uintptr_t CListBox::GetItemData(int32_t index) const {
  return static_cast<uintptr_t>(
      ::SendMessage(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int32_t CListBox::SetItemData(int32_t index, uintptr_t data) {
  return Send(m_hWnd, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
}

int32_t CListBox::GetItemRect(int32_t index, RECT* rect) const {
  return Send(m_hWnd, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

int32_t CListBox::SetItemHeight(int32_t index, UINT height) {
  return Send(m_hWnd, LB_SETITEMHEIGHT, static_cast<WPARAM>(index), MAKELPARAM(height, 0));
}

int32_t CListBox::GetItemHeight(int32_t index) const {
  return Send(m_hWnd, LB_GETITEMHEIGHT, static_cast<WPARAM>(index));
}

int32_t CListBox::GetTopIndex() const {
  return Send(m_hWnd, LB_GETTOPINDEX);
}

int32_t CListBox::SetTopIndex(int32_t index) {
  return Send(m_hWnd, LB_SETTOPINDEX, static_cast<WPARAM>(index));
}

void CListBox::DrawItem(DRAWITEMSTRUCT*) {}

void CListBox::MeasureItem(MEASUREITEMSTRUCT*) {}

BOOL CListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  if (message == WM_MEASUREITEM) {
    MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    return TRUE;
  }
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}
