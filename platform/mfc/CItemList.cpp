#include "platform/mfc/CItemList.h"

#include <vector>

#include "platform/win32/Message.h"

int32_t CItemList::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return static_cast<int32_t>(::SendMessage(m_hWnd, message, wParam, lParam));
}

int32_t CItemList::AddString(const char* text) {
  return Send(messages_.addString, 0, reinterpret_cast<LPARAM>(text));
}

int32_t CItemList::InsertString(int32_t index, const char* text) {
  return Send(messages_.insertString, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
}

int32_t CItemList::AddItem(uintptr_t data) {
  return Send(messages_.addString, 0, static_cast<LPARAM>(data));
}

int32_t CItemList::DeleteString(int32_t index) {
  return Send(messages_.deleteString, static_cast<WPARAM>(index));
}

void CItemList::ResetContent() {
  Send(messages_.resetContent);
}

int32_t CItemList::GetCount() const {
  return Send(messages_.getCount);
}

int32_t CItemList::GetCurSel() const {
  return Send(messages_.getCurSel);
}

int32_t CItemList::SetCurSel(int32_t index) {
  return Send(messages_.setCurSel, static_cast<WPARAM>(index));
}

std::string CItemList::GetText(int32_t index) const {
  const int32_t length = Send(messages_.getTextLength, static_cast<WPARAM>(index));
  if (length < 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  Send(messages_.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), static_cast<size_t>(length));
}

uintptr_t CItemList::GetItemData(int32_t index) const {
  return static_cast<uintptr_t>(
      ::SendMessage(m_hWnd, messages_.getItemData, static_cast<WPARAM>(index), 0));
}

int32_t CItemList::SetItemData(int32_t index, uintptr_t data) {
  return Send(messages_.setItemData, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
}

int32_t CItemList::GetItemHeight(int32_t index) const {
  return Send(messages_.getItemHeight, static_cast<WPARAM>(index));
}

void CItemList::DrawItem(DRAWITEMSTRUCT*) {}

void CItemList::MeasureItem(MEASUREITEMSTRUCT*) {}

BOOL CItemList::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
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
