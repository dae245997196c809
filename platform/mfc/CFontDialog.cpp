#include "platform/mfc/CFontDialog.h"

#include <cstring>

#include "platform/win32/Dc.h"
#include "platform/win32/MessageBox.h"

IMPLEMENT_DYNAMIC(CFontDialog, CDialog)

namespace {

constexpr int32_t kTwipsPerInch = 1440;
constexpr int32_t kTwipsPerTenthPoint = 2;

int32_t ScreenPixelsPerInch() {
  const HDC dc = CreateCompatibleDC(nullptr);
  const int32_t perInch = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) DeleteDC(dc);
  return perInch > 0 ? perInch : 96;
}

}  // namespace

CFontDialog::CFontDialog(const LOGFONT* initial, DWORD flags, void* printerDc, CWnd* parent)
    : CDialog(static_cast<UINT>(0), parent) {
  if (initial) {
    m_lf = *initial;
    flags |= CF_INITTOLOGFONTSTRUCT;
  }
  m_cf.hDC = printerDc;
  Prepare(flags, parent);
}

CFontDialog::CFontDialog(const CHARFORMAT& format, DWORD flags, void* printerDc, CWnd* parent)
    : CDialog(static_cast<UINT>(0), parent) {
  if (format.dwMask & CFM_SIZE)
    m_lf.lfHeight = -(format.yHeight * ScreenPixelsPerInch() / kTwipsPerInch);
  m_lf.lfWeight = (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
  m_lf.lfItalic = (format.dwMask & CFM_ITALIC) && (format.dwEffects & CFE_ITALIC) ? 1 : 0;
  m_lf.lfUnderline = (format.dwMask & CFM_UNDERLINE) && (format.dwEffects & CFE_UNDERLINE) ? 1 : 0;
  m_lf.lfStrikeOut = (format.dwMask & CFM_STRIKEOUT) && (format.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
  if (format.dwMask & CFM_FACE) CopyFaceName(m_lf.lfFaceName, format.szFaceName);
  if ((format.dwMask & CFM_COLOR) && !(format.dwEffects & CFE_AUTOCOLOR))
    m_cf.rgbColors = format.crTextColor;
  m_cf.hDC = printerDc;
  Prepare(flags | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS, parent);
}

void CFontDialog::Prepare(DWORD flags, CWnd* parent) {
  m_cf.hwndOwner = parent ? parent->GetSafeHwnd() : nullptr;
  m_cf.lpLogFont = &m_lf;
  m_cf.Flags = flags;
}

intptr_t CFontDialog::DoModal() {
  m_cf.lpLogFont = &m_lf;
  if (!m_cf.hwndOwner && m_pParentWnd) m_cf.hwndOwner = m_pParentWnd->GetSafeHwnd();
  return ChooseFont(&m_cf) ? IDOK : IDCANCEL;
}

void CFontDialog::GetCharFormat(CHARFORMAT& format) const {
  format.dwMask = CFM_SIZE | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  format.dwEffects = 0;
  if (IsBold()) format.dwEffects |= CFE_BOLD;
  if (IsItalic()) format.dwEffects |= CFE_ITALIC;
  if (IsUnderline()) format.dwEffects |= CFE_UNDERLINE;
  if (IsStrikeOut()) format.dwEffects |= CFE_STRIKEOUT;
  if (m_cf.Flags & CF_EFFECTS) {
    format.dwMask |= CFM_COLOR;
    format.crTextColor = m_cf.rgbColors;
  }
  format.yHeight = m_cf.iPointSize * kTwipsPerTenthPoint;
  CopyFaceName(format.szFaceName, m_lf.lfFaceName);
}
