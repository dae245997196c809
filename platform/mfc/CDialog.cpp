#include "platform/mfc/CDialog.h"

#include "platform/win32/Button.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDHelp(templateId), m_pParentWnd(parent), templateId_(templateId) {}

CDialog::CDialog(const char* templateName, CWnd* parent)
    : m_pParentWnd(parent), templateName_(templateName ? templateName : "") {}

const void* CDialog::FindTemplate(uint32_t* size) const {
  const LPCSTR name = templateName_.empty() ? MAKEINTRESOURCEA(static_cast<uint16_t>(templateId_))
                                            : templateName_.c_str();
  const HMODULE module = FindResourceModule(name, RT_DIALOG);
  const HRSRC resource = module ? FindResource(module, name, RT_DIALOG) : nullptr;
  if (!resource) return nullptr;
  *size = SizeofResource(module, resource);
  return LockResource(LoadResource(module, resource));
}

HWND CDialog::ParentHandle() const {
  if (m_pParentWnd && m_pParentWnd->m_hWnd) return m_pParentWnd->m_hWnd;
  return nullptr;
}

BOOL CDialog::CreateIndirect(const void* dialogTemplate, uint32_t size, CWnd* parent) {
  const HWND parentWindow = parent ? parent->m_hWnd : ParentHandle();
  const HWND window = MakeTakenOver([dialogTemplate, size, parentWindow] {
    return CreateDialogIndirectParam(dialogTemplate, size, parentWindow, nullptr, 0);
  });
  return window != nullptr;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  templateId_ = templateId;
  templateName_.clear();
  uint32_t size = 0;
  const void* bytes = FindTemplate(&size);
  return bytes ? CreateIndirect(bytes, size, parent) : FALSE;
}

BOOL CDialog::Create(const char* templateName, CWnd* parent) {
  if (!templateName) return FALSE;
  templateId_ = 0;
  templateName_ = templateName;
  uint32_t size = 0;
  const void* bytes = FindTemplate(&size);
  return bytes ? CreateIndirect(bytes, size, parent) : FALSE;
}

intptr_t CDialog::DoModal() {
  uint32_t size = 0;
  const void* bytes = FindTemplate(&size);
  // Without a parent the dialog belongs to the window that is active now.
  CWnd* parent = m_pParentWnd ? m_pParentWnd : FromHandle(GetActiveWindow());
  if (!bytes || !CreateIndirect(bytes, size, parent)) return kNotMade;
  modal_ = true;
  const intptr_t result =
      RunModalDialog(m_hWnd, [this](MSG* message) { return PreTranslateMessage(message); });
  modal_ = false;
  if (m_hWnd) DestroyWindow();
  return result;
}

void CDialog::EndDialog(intptr_t result) {
  if (m_hWnd) ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog() {
  return TRUE;
}

void CDialog::OnOK() {
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_INITDIALOG) {
    *result = OnInitDialog();
    return TRUE;
  }
  return CWnd::OnWndMsg(message, wParam, lParam, result);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      return TRUE;
    }
  }
  return CWnd::OnCommand(wParam, lParam);
}

BOOL CDialog::PreTranslateMessage(MSG* message) {
  if (!message || !m_hWnd || message->message < WM_KEYFIRST || message->message > WM_KEYLAST)
    return FALSE;
  if (message->hwnd != m_hWnd && !IsChild(m_hWnd, message->hwnd)) return FALSE;
  return IsDialogMessage(m_hWnd, message);
}
