#pragma once
// Progress bars ("msctls_progress32"): a sunken box filled from the left in proportion to the
// position within the range. The range is kept in 32 bits; PBM_SETRANGE sets it from two 16-bit
// halves of lParam, PBM_SETRANGE32 from wParam and lParam. Setting or moving the position keeps it
// within the range; a step past the high end starts over from the low end.

#include "platform/win32/WindowTypes.h"

inline constexpr UINT PBM_SETRANGE = 0x0401;
inline constexpr UINT PBM_SETPOS = 0x0402;
inline constexpr UINT PBM_DELTAPOS = 0x0403;
inline constexpr UINT PBM_SETSTEP = 0x0404;
inline constexpr UINT PBM_STEPIT = 0x0405;
inline constexpr UINT PBM_SETRANGE32 = 0x0406;
inline constexpr UINT PBM_GETRANGE = 0x0407;
inline constexpr UINT PBM_GETPOS = 0x0408;

inline constexpr char kProgressClass[] = "msctls_progress32";

// The answer of PBM_GETRANGE when lParam points at one.
struct PBRANGE {
  int32_t iLow = 0;
  int32_t iHigh = 0;
};

void RegisterProgressClass();
