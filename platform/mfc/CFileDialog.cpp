#include "platform/mfc/CFileDialog.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Dialog.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

namespace {

// Copies as much of the text as fits, always terminated.
void CopyBounded(char* out, size_t capacity, const std::string& text) {
  if (capacity == 0) return;
  const size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : CDialog(static_cast<UINT>(0), parent),
      open_(openFileDialog != FALSE),
      defaultExtension_(defaultExtension ? defaultExtension : ""),
      filter_(filter ? filter : "") {
  CopyBounded(m_szFileName, sizeof m_szFileName, fileName ? fileName : "");
  m_ofn.hwndOwner = parent ? parent->GetSafeHwnd() : nullptr;
  m_ofn.lpstrFilter = filter_.c_str();
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = kFilePathMax;
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = kFilePathMax;
  m_ofn.Flags = flags;
  m_ofn.lpstrDefExt = defaultExtension_.c_str();
}

intptr_t CFileDialog::DoModal() {
  OpenFileRequest request;
  request.owner = m_ofn.hwndOwner;
  if (m_ofn.lpstrTitle) request.title = m_ofn.lpstrTitle;
  request.filter = filter_;
  request.save = !open_;
  request.defaultExtension = defaultExtension_;
  request.flags = m_ofn.Flags;
  request.onInit = [this](HWND dialog) {
    Attach(dialog);
    OnInitDialog();
    Detach();
  };
  const std::optional<std::string> chosen = RunOpenFileDialog(request);
  if (!chosen) return IDCANCEL;
  Keep(*chosen);
  return IDOK;
}

void CFileDialog::Keep(const std::string& path) {
  CopyBounded(m_szFileName, sizeof m_szFileName, path);
  const std::string kept = m_szFileName;
  const size_t slash = kept.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = kept.find_last_of('.');
  const size_t extension = dot == std::string::npos || dot < nameStart ? kept.size() : dot + 1;
  m_ofn.nFileOffset = static_cast<uint16_t>(nameStart);
  m_ofn.nFileExtension = static_cast<uint16_t>(extension);
  CopyBounded(m_szFileTitle, sizeof m_szFileTitle, kept.substr(nameStart));
}

BOOL CFileDialog::OnInitDialog() {
  return TRUE;
}

void CFileDialog::SetControlText(int32_t id, const char* text) {
  if (m_hWnd) ::SetDlgItemText(m_hWnd, id, text ? text : "");
}
