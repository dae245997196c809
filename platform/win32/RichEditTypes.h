#pragma once
// The messages, records and flags of rich edit controls. The control itself lives in
// platform/richedit and exists once its library ("RICHED32.DLL") has been loaded. Its size
// requests (EN_REQUESTRESIZE, REQRESIZE) are with the other notifications.

#include <cstdint>
#include <cstring>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowTypes.h"

inline constexpr char kRichEditClass[] = "RICHEDIT";
inline constexpr char kRichEditLibrary[] = "RICHED32.DLL";

inline constexpr UINT EM_GETRECT = 0x00B2;
inline constexpr UINT EM_SETRECT = 0x00B3;
inline constexpr UINT EM_EXGETSEL = 0x0434;
inline constexpr UINT EM_EXSETSEL = 0x0437;
inline constexpr UINT EM_GETCHARFORMAT = 0x043A;
inline constexpr UINT EM_GETEVENTMASK = 0x043B;
inline constexpr UINT EM_GETPARAFORMAT = 0x043D;
inline constexpr UINT EM_REQUESTRESIZE = 0x0441;
inline constexpr UINT EM_SETCHARFORMAT = 0x0444;
inline constexpr UINT EM_SETEVENTMASK = 0x0445;
inline constexpr UINT EM_SETPARAFORMAT = 0x0447;
inline constexpr UINT EM_SETOPTIONS = 0x044D;
inline constexpr UINT EM_GETOPTIONS = 0x044E;

// EM_SETCHARFORMAT's wParam: the default format, the selection's, the whole text's.
inline constexpr WPARAM SCF_DEFAULT = 0x0000;
inline constexpr WPARAM SCF_SELECTION = 0x0001;
inline constexpr WPARAM SCF_ALL = 0x0004;

inline constexpr DWORD CFM_BOLD = 0x00000001;
inline constexpr DWORD CFM_ITALIC = 0x00000002;
inline constexpr DWORD CFM_UNDERLINE = 0x00000004;
inline constexpr DWORD CFM_STRIKEOUT = 0x00000008;
inline constexpr DWORD CFM_COLOR = 0x40000000;
inline constexpr DWORD CFM_FACE = 0x20000000;
inline constexpr DWORD CFM_SIZE = 0x80000000;
inline constexpr DWORD CFE_BOLD = 0x0001;
inline constexpr DWORD CFE_ITALIC = 0x0002;
inline constexpr DWORD CFE_UNDERLINE = 0x0004;
inline constexpr DWORD CFE_STRIKEOUT = 0x0008;
inline constexpr DWORD CFE_AUTOCOLOR = 0x40000000;

inline constexpr DWORD PFM_ALIGNMENT = 0x00000008;
inline constexpr WORD PFA_LEFT = 1;
inline constexpr WORD PFA_RIGHT = 2;
inline constexpr WORD PFA_CENTER = 3;

inline constexpr DWORD ENM_CHANGE = 0x00000001;
inline constexpr DWORD ENM_REQUESTRESIZE = 0x00040000;

inline constexpr WPARAM ECOOP_SET = 1;
inline constexpr WPARAM ECOOP_OR = 2;
inline constexpr WPARAM ECOOP_AND = 3;
inline constexpr WPARAM ECOOP_XOR = 4;
inline constexpr DWORD ECO_AUTOWORDSELECTION = 0x00000001;

struct CHARFORMAT {
  UINT cbSize = sizeof(CHARFORMAT);
  DWORD dwMask = 0;
  DWORD dwEffects = 0;
  LONG yHeight = 0;  // twips
  LONG yOffset = 0;
  COLORREF crTextColor = 0;
  BYTE bCharSet = 0;
  BYTE bPitchAndFamily = 0;
  char szFaceName[LF_FACESIZE] = {};
};

struct PARAFORMAT {
  UINT cbSize = sizeof(PARAFORMAT);
  DWORD dwMask = 0;
  WORD wNumbering = 0;
  WORD wReserved = 0;
  LONG dxStartIndent = 0;
  LONG dxRightIndent = 0;
  LONG dxOffset = 0;
  WORD wAlignment = 0;
  int16_t cTabCount = 0;
  LONG rgxTabs[32] = {};
};

struct CHARRANGE {
  LONG cpMin = 0;
  LONG cpMax = 0;
};

// Puts a face name into a face field, cut to what it holds and padded with NULs.
inline void CopyFaceName(char (&out)[LF_FACESIZE], const char* face) {
  const size_t length = face ? strnlen(face, LF_FACESIZE - 1) : 0;
  if (length > 0) std::memcpy(out, face, length);
  std::memset(out + length, 0, LF_FACESIZE - length);
}
