#include "platform/mfc/CRichEditCtrl.h"

#include "platform/richedit/RichEdit.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CRichEditCtrl, CWnd)

namespace {

LRESULT Send(HWND control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  if (!control) return 0;
  return ::SendMessage(control, message, wParam, lParam);
}

}  // namespace

BOOL AfxInitRichEdit() {
  return LoadRichEditLibrary(kRichEditLibrary) != nullptr;
}

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kRichEditClass, "", style, rect, parent, id);
}

void CRichEditCtrl::SetSel(int32_t start, int32_t end) {
  CHARRANGE range{start, end};
  Send(m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void CRichEditCtrl::GetSel(int32_t& start, int32_t& end) const {
  CHARRANGE range;
  Send(m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  start = range.cpMin;
  end = range.cpMax;
}

void CRichEditCtrl::ReplaceSel(const char* text, BOOL canUndo) {
  Send(m_hWnd, EM_REPLACESEL, static_cast<WPARAM>(canUndo), reinterpret_cast<LPARAM>(text));
}

int32_t CRichEditCtrl::GetTextLength() const {
  return m_hWnd ? ::GetWindowTextLength(m_hWnd) : 0;
}

BOOL CRichEditCtrl::SetDefaultCharFormat(CHARFORMAT& format) {
  return static_cast<BOOL>(
      Send(m_hWnd, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format)));
}

BOOL CRichEditCtrl::SetSelectionCharFormat(CHARFORMAT& format) {
  return static_cast<BOOL>(
      Send(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
}

DWORD CRichEditCtrl::GetDefaultCharFormat(CHARFORMAT& format) const {
  return static_cast<DWORD>(
      Send(m_hWnd, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format)));
}

DWORD CRichEditCtrl::GetSelectionCharFormat(CHARFORMAT& format) const {
  return static_cast<DWORD>(
      Send(m_hWnd, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
}

BOOL CRichEditCtrl::SetParaFormat(PARAFORMAT& format) {
  return static_cast<BOOL>(Send(m_hWnd, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)));
}

DWORD CRichEditCtrl::GetParaFormat(PARAFORMAT& format) const {
  return static_cast<DWORD>(
      Send(m_hWnd, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)));
}

DWORD CRichEditCtrl::SetEventMask(DWORD mask) {
  return static_cast<DWORD>(Send(m_hWnd, EM_SETEVENTMASK, 0, static_cast<LPARAM>(mask)));
}

DWORD CRichEditCtrl::GetEventMask() const {
  return static_cast<DWORD>(Send(m_hWnd, EM_GETEVENTMASK));
}

void CRichEditCtrl::SetModify(BOOL modified) {
  Send(m_hWnd, EM_SETMODIFY, static_cast<WPARAM>(modified));
}

BOOL CRichEditCtrl::GetModify() const {
  return Send(m_hWnd, EM_GETMODIFY) != 0;
}

UINT CRichEditCtrl::SetOptions(WORD operation, DWORD flags) {
  return static_cast<UINT>(Send(m_hWnd, EM_SETOPTIONS, operation, static_cast<LPARAM>(flags)));
}

UINT CRichEditCtrl::GetOptions() const {
  return static_cast<UINT>(Send(m_hWnd, EM_GETOPTIONS));
}

void CRichEditCtrl::SetRect(const RECT& rect) {
  Send(m_hWnd, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
}

void CRichEditCtrl::GetRect(RECT* rect) const {
  Send(m_hWnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(rect));
}

void CRichEditCtrl::RequestResize() {
  Send(m_hWnd, EM_REQUESTRESIZE);
}

void CRichEditCtrl::Cut() { Send(m_hWnd, WM_CUT); }
void CRichEditCtrl::Copy() { Send(m_hWnd, WM_COPY); }
void CRichEditCtrl::Paste() { Send(m_hWnd, WM_PASTE); }
void CRichEditCtrl::Clear() { Send(m_hWnd, WM_CLEAR); }
void CRichEditCtrl::Undo() { Send(m_hWnd, EM_UNDO); }

BOOL CRichEditCtrl::CanUndo() const {
  return Send(m_hWnd, EM_CANUNDO) != 0;
}
