#pragma once
// Status bars ("msctls_statusbar32"): a strip of parts along a window's edge, each showing one
// line of text. SB_SETPARTS takes the right edges of the parts (-1: to the bar's right end); a
// part drawn with SBT_NOBORDERS has no sunken frame. The window text is part 0's text.

#include <cstdint>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

inline constexpr UINT SB_SETTEXTA = 0x0401;
inline constexpr UINT SB_GETTEXTA = 0x0402;
inline constexpr UINT SB_GETTEXTLENGTHA = 0x0403;
inline constexpr UINT SB_SETPARTS = 0x0404;
inline constexpr UINT SB_GETPARTS = 0x0406;
inline constexpr UINT SB_GETRECT = 0x040A;
inline constexpr UINT SB_SETTEXT = SB_SETTEXTA;
inline constexpr UINT SB_GETTEXT = SB_GETTEXTA;
inline constexpr UINT SB_GETTEXTLENGTH = SB_GETTEXTLENGTHA;

// Drawing flags of SB_SETTEXT, in the high byte of wParam's low word.
inline constexpr UINT SBT_NOBORDERS = 0x0100;

inline constexpr int32_t kStatusBarMaxParts = 256;

inline constexpr char kStatusBarClass[] = "msctls_statusbar32";

void RegisterStatusBarClass();
