#pragma once
// The framework's font dialog over the window layer's. Made from a rich edit character format,
// it starts from that format (face, size, effects, colour) and answers the choice as one.

#include <string>

#include "platform/mfc/CDialog.h"
#include "platform/win32/FontDialog.h"
#include "platform/win32/RichEditTypes.h"

class CFontDialog : public CDialog {
  DECLARE_DYNAMIC(CFontDialog)

 public:
  explicit CFontDialog(const LOGFONT* initial = nullptr,
                       DWORD flags = CF_EFFECTS | CF_SCREENFONTS, void* printerDc = nullptr,
                       CWnd* parent = nullptr);
  CFontDialog(const CHARFORMAT& format, DWORD flags = CF_SCREENFONTS, void* printerDc = nullptr,
              CWnd* parent = nullptr);

  // IDOK with the choice, IDCANCEL when the user gave up.
  intptr_t DoModal() override;

  void GetCharFormat(CHARFORMAT& format) const;
  std::string GetFaceName() const { return m_lf.lfFaceName; }
  // Tenths of a point.
  int32_t GetSize() const { return m_cf.iPointSize; }
  COLORREF GetColor() const { return m_cf.rgbColors; }
  int32_t GetWeight() const { return m_lf.lfWeight; }
  BOOL IsBold() const { return m_lf.lfWeight >= FW_BOLD; }
  BOOL IsItalic() const { return m_lf.lfItalic != 0; }
  BOOL IsUnderline() const { return m_lf.lfUnderline != 0; }
  BOOL IsStrikeOut() const { return m_lf.lfStrikeOut != 0; }

  CHOOSEFONT m_cf;
  LOGFONT m_lf{};

 private:
  void Prepare(DWORD flags, CWnd* parent);
};
