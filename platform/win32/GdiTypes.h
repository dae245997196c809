#pragma once
// Value types, handle types and constants of the graphics interface. Handles are numbers that are
// never reused: a stale or foreign handle is recognised and refused instead of reaching freed
// memory.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

using COLORREF = uint32_t;  // 0x00bbggrr
using HGDIOBJ = void*;
struct HDC__;
using HDC = HDC__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HRGN__;
using HRGN = HRGN__*;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;
struct HMETAFILE__;
using HMETAFILE = HMETAFILE__*;

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr uint8_t GetRValue(COLORREF c) {
  return static_cast<uint8_t>(c & 0xFF);
}
constexpr uint8_t GetGValue(COLORREF c) {
  return static_cast<uint8_t>((c >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(COLORREF c) {
  return static_cast<uint8_t>((c >> 16) & 0xFF);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Binary raster operations (SetROP2).
enum : int32_t {
  R2_BLACK = 1,
  R2_NOTMERGEPEN,
  R2_MASKNOTPEN,
  R2_NOTCOPYPEN,
  R2_MASKPENNOT,
  R2_NOT,
  R2_XORPEN,
  R2_NOTMASKPEN,
  R2_MASKPEN,
  R2_NOTXORPEN,
  R2_NOP,
  R2_MERGENOTPEN,
  R2_COPYPEN,
  R2_MERGEPENNOT,
  R2_MERGEPEN,
  R2_WHITE
};

// Ternary raster operations: the truth table sits in bits 16-23.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD SRCERASE = 0x00440328;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD NOTSRCERASE = 0x001100A6;
inline constexpr DWORD MERGECOPY = 0x00C000CA;
inline constexpr DWORD MERGEPAINT = 0x00BB0226;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD PATPAINT = 0x00FB0A09;
inline constexpr DWORD PATINVERT = 0x005A0049;
inline constexpr DWORD DSTINVERT = 0x00550009;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// Pens.
enum : int32_t {
  PS_SOLID = 0,
  PS_DASH,
  PS_DOT,
  PS_DASHDOT,
  PS_DASHDOTDOT,
  PS_NULL,
  PS_INSIDEFRAME
};
// Brushes.
enum : uint32_t { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int32_t {
  HS_HORIZONTAL = 0,
  HS_VERTICAL,
  HS_FDIAGONAL,
  HS_BDIAGONAL,
  HS_CROSS,
  HS_DIAGCROSS
};

// Stock objects.
enum : int32_t {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  HOLLOW_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  OEM_FIXED_FONT = 10,
  ANSI_FIXED_FONT = 11,
  ANSI_VAR_FONT = 12,
  SYSTEM_FONT = 13,
  DEVICE_DEFAULT_FONT = 14,
  DEFAULT_PALETTE = 15,
  SYSTEM_FIXED_FONT = 16
};

// Object types (GetObjectType).
enum : DWORD {
  OBJ_PEN = 1,
  OBJ_BRUSH = 2,
  OBJ_DC = 3,
  OBJ_PAL = 5,
  OBJ_FONT = 6,
  OBJ_BITMAP = 7,
  OBJ_REGION = 8,
  OBJ_METAFILE = 9,
  OBJ_MEMDC = 10,
  OBJ_METADC = 4
};

// Background modes, fill modes, mapping modes.
enum : int32_t { TRANSPARENT = 1, OPAQUE = 2 };
enum : int32_t { ALTERNATE = 1, WINDING = 2 };
enum : int32_t {
  MM_TEXT = 1,
  MM_LOMETRIC,
  MM_HIMETRIC,
  MM_LOENGLISH,
  MM_HIENGLISH,
  MM_TWIPS,
  MM_ISOTROPIC,
  MM_ANISOTROPIC
};

// Text alignment.
enum : UINT {
  TA_NOUPDATECP = 0,
  TA_UPDATECP = 1,
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24
};
inline constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// ExtTextOut options.
enum : UINT { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };

// DrawText formats.
enum : UINT {
  DT_TOP = 0,
  DT_LEFT = 0,
  DT_CENTER = 1,
  DT_RIGHT = 2,
  DT_VCENTER = 4,
  DT_BOTTOM = 8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800
};

// Region results and combination modes.
enum : int32_t { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int32_t { RGN_AND = 1, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY };

// Device capabilities.
enum : int32_t {
  HORZSIZE = 4,
  VERTSIZE = 6,
  HORZRES = 8,
  VERTRES = 10,
  BITSPIXEL = 12,
  PLANES = 14,
  LOGPIXELSX = 88,
  LOGPIXELSY = 90,
  RASTERCAPS = 38,
  SIZEPALETTE = 104
};

// Palette entry flags.
enum : BYTE { PC_RESERVED = 1, PC_EXPLICIT = 2, PC_NOCOLLAPSE = 4 };

// Font weights and the face field's size (31 characters and a NUL).
enum : int32_t { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };
inline constexpr int LF_FACESIZE = 32;

struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth;  // x holds the width
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  uintptr_t lbHatch = 0;  // hatch style, or the pattern bitmap handle
};

struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
};

struct PALETTEENTRY {
  BYTE peRed = 0;
  BYTE peGreen = 0;
  BYTE peBlue = 0;
  BYTE peFlags = 0;
};

struct LOGPALETTE {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[1];
};

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct METAFILEPICT {
  LONG mm = 0;
  LONG xExt = 0;
  LONG yExt = 0;
  HMETAFILE hMF = nullptr;
};

struct DOCINFO {
  int32_t cbSize = sizeof(DOCINFO);
  const char* lpszDocName = nullptr;
  const char* lpszOutput = nullptr;
  const char* lpszDatatype = nullptr;
  DWORD fwType = 0;
};
