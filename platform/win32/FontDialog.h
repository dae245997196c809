#pragma once
// The font dialog: a modal dialog of the dialog manager that offers the faces fontconfig knows,
// a size in points, the style (regular, italic, bold, bold italic), and with CF_EFFECTS
// underline, strike-out and one of sixteen colours, showing a sample in the choice. It starts
// from the LOGFONT when CF_INITTOLOGFONTSTRUCT is set. OK with a size from 1 to 1638 points
// fills the LOGFONT (its height in pixels of the screen), the size in tenths of a point and the
// colour, and answers TRUE; Cancel answers FALSE and changes nothing.

#include <string>
#include <vector>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

inline constexpr DWORD CF_SCREENFONTS = 0x00000001;
inline constexpr DWORD CF_PRINTERFONTS = 0x00000002;
inline constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
inline constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
inline constexpr DWORD CF_EFFECTS = 0x00000100;
inline constexpr DWORD CF_NOVECTORFONTS = 0x00000800;

// The dialog's controls.
inline constexpr int32_t kFontFaceList = 0x0470;
inline constexpr int32_t kFontStyleList = 0x0471;
inline constexpr int32_t kFontSizeEdit = 0x0472;
inline constexpr int32_t kFontColourList = 0x0473;
inline constexpr int32_t kFontStrikeOutBox = 0x0410;
inline constexpr int32_t kFontUnderlineBox = 0x0411;
inline constexpr int32_t kFontSample = 0x0444;

struct CHOOSEFONT {
  DWORD lStructSize = sizeof(CHOOSEFONT);
  HWND hwndOwner = nullptr;
  void* hDC = nullptr;
  LOGFONT* lpLogFont = nullptr;
  int32_t iPointSize = 0;  // tenths of a point
  DWORD Flags = 0;
  COLORREF rgbColors = 0;
};

BOOL ChooseFont(CHOOSEFONT* choose);
// The dialog while it is up, else null (for tests).
HWND GetFontDialogWindow();
// The faces the dialog offers, in name order.
std::vector<std::string> FontFaceNames();
