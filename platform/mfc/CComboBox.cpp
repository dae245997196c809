#include "platform/mfc/CComboBox.h"

#include <vector>

#include "platform/win32/ComboBox.h"
#include "platform/win32/Message.h"

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

namespace {

int32_t Send(HWND combo, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return static_cast<int32_t>(::SendMessage(combo, message, wParam, lParam));
}

}  // namespace

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kComboBoxClass, "", style, rect, parent, id);
}

int32_t CComboBox::AddString(const char* text) {
  return Send(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

int32_t CComboBox::InsertString(int32_t index, const char* text) {
  return Send(m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
}

int32_t CComboBox::AddItem(uintptr_t data) {
  return Send(m_hWnd, CB_ADDSTRING, 0, static_cast<LPARAM>(data));
}

int32_t CComboBox::DeleteString(int32_t index) {
  return Send(m_hWnd, CB_DELETESTRING, static_cast<WPARAM>(index));
}

void CComboBox::ResetContent() {
  Send(m_hWnd, CB_RESETCONTENT);
}

int32_t CComboBox::GetCount() const {
  return Send(m_hWnd, CB_GETCOUNT);
}

int32_t CComboBox::GetCurSel() const {
  return Send(m_hWnd, CB_GETCURSEL);
}

int32_t CComboBox::SetCurSel(int32_t index) {
  return Send(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index));
}

std::string CComboBox::GetText(int32_t index) const {
  const int32_t length = Send(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length < 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  Send(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), static_cast<size_t>(length));
}

uintptr_t CComboBox::GetItemData(int32_t index) const {
  return static_cast<uintptr_t>(
      ::SendMessage(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int32_t CComboBox::SetItemData(int32_t index, uintptr_t data) {
  return Send(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
}

int32_t CComboBox::SetItemHeight(int32_t index, UINT height) {
  return Send(m_hWnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(index), static_cast<LPARAM>(height));
}

int32_t CComboBox::GetItemHeight(int32_t index) const {
  return Send(m_hWnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(index));
}

BOOL CComboBox::ShowDropDown(BOOL show) {
  return Send(m_hWnd, CB_SHOWDROPDOWN, static_cast<WPARAM>(show));
}

BOOL CComboBox::GetDroppedState() const {
  return Send(m_hWnd, CB_GETDROPPEDSTATE);
}

void CComboBox::DrawItem(DRAWITEMSTRUCT*) {}

void CComboBox::MeasureItem(MEASUREITEMSTRUCT*) {}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
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
