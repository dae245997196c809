#include "platform/mfc/CEdit.h"

#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CEdit, CWnd)

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  RegisterEditClass();
  return CWnd::Create(kEditClass, "", style, rect, parent, id);
}

void CEdit::GetSel(int32_t& start, int32_t& end) const {
  DWORD from = 0;
  DWORD to = 0;
  ::SendMessage(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  start = static_cast<int32_t>(from);
  end = static_cast<int32_t>(to);
}

void CEdit::SetSel(int32_t start, int32_t end, BOOL noScroll) {
  ::SendMessage(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), end);
  if (!noScroll) ::SendMessage(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void CEdit::ReplaceSel(const char* text, BOOL canUndo) {
  ::SendMessage(m_hWnd, EM_REPLACESEL, static_cast<WPARAM>(canUndo),
                reinterpret_cast<LPARAM>(text));
}

BOOL CEdit::CanUndo() const {
  return static_cast<BOOL>(::SendMessage(m_hWnd, EM_CANUNDO, 0, 0));
}

BOOL CEdit::Undo() {
  return static_cast<BOOL>(::SendMessage(m_hWnd, EM_UNDO, 0, 0));
}

void CEdit::EmptyUndoBuffer() {
  ::SendMessage(m_hWnd, EM_EMPTYUNDOBUFFER, 0, 0);
}

void CEdit::LimitText(int32_t limit) {
  ::SendMessage(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

int32_t CEdit::GetLineCount() const {
  return static_cast<int32_t>(::SendMessage(m_hWnd, EM_GETLINECOUNT, 0, 0));
}

int32_t CEdit::LineIndex(int32_t line) const {
  return static_cast<int32_t>(::SendMessage(m_hWnd, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
}

int32_t CEdit::LineFromChar(int32_t position) const {
  return static_cast<int32_t>(
      ::SendMessage(m_hWnd, EM_LINEFROMCHAR, static_cast<WPARAM>(position), 0));
}

BOOL CEdit::GetModify() const {
  return static_cast<BOOL>(::SendMessage(m_hWnd, EM_GETMODIFY, 0, 0));
}

void CEdit::SetModify(BOOL modified) {
  ::SendMessage(m_hWnd, EM_SETMODIFY, static_cast<WPARAM>(modified), 0);
}

BOOL CEdit::SetReadOnly(BOOL readOnly) {
  return static_cast<BOOL>(::SendMessage(m_hWnd, EM_SETREADONLY, static_cast<WPARAM>(readOnly), 0));
}

void CEdit::Cut() {
  ::SendMessage(m_hWnd, WM_CUT, 0, 0);
}

void CEdit::Copy() {
  ::SendMessage(m_hWnd, WM_COPY, 0, 0);
}

void CEdit::Paste() {
  ::SendMessage(m_hWnd, WM_PASTE, 0, 0);
}

void CEdit::Clear() {
  ::SendMessage(m_hWnd, WM_CLEAR, 0, 0);
}
