#pragma once
// The framework's open and save dialogs over the window layer's file dialog. The OPENFILENAME
// record keeps what the dialog chose: the full path, the offset of the extension within it and
// the file's name alone. OnInitDialog runs once the dialog's controls exist; SetControlText
// changes the text of one of them.

#include <cstdint>
#include <string>

#include "platform/mfc/CDialog.h"
#include "platform/win32/OpenFileDialog.h"

inline constexpr int32_t kFilePathMax = 260;

struct OPENFILENAME {
  HWND hwndOwner = nullptr;
  const char* lpstrFilter = nullptr;
  char* lpstrFile = nullptr;
  uint32_t nMaxFile = 0;
  char* lpstrFileTitle = nullptr;
  uint32_t nMaxFileTitle = 0;
  const char* lpstrTitle = nullptr;
  uint32_t Flags = 0;
  // Offsets in lpstrFile of the file's name and of its extension (past the dot; the end of the
  // path when it has none).
  uint16_t nFileOffset = 0;
  uint16_t nFileExtension = 0;
  const char* lpstrDefExt = nullptr;
};

class CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)

 public:
  // The filter is pairs of text and pattern separated by '|' and ended by "||".
  CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr,
              const char* fileName = nullptr, DWORD flags = OFN_HIDEREADONLY,
              const char* filter = nullptr, CWnd* parent = nullptr);

  // IDOK with the path chosen, IDCANCEL when the user gave up.
  intptr_t DoModal() override;
  BOOL OnInitDialog() override;
  void SetControlText(int32_t id, const char* text);

  std::string GetPathName() const { return m_szFileName; }
  std::string GetFileName() const { return m_szFileTitle; }
  std::string GetFileExt() const { return m_szFileName + m_ofn.nFileExtension; }

  OPENFILENAME m_ofn;

 protected:
  char m_szFileName[kFilePathMax] = {};
  char m_szFileTitle[kFilePathMax] = {};

 private:
  void Keep(const std::string& path);

  bool open_ = true;
  std::string defaultExtension_;
  std::string filter_;
};
