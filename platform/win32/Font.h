#pragma once
// Text: fonts chosen by face, height, weight and style, resolved through Pango on fontconfig to the
// installed faces (the DejaVu and Liberation families), drawn without antialiasing. Text inside
// the program is single-byte Windows-1252; it becomes UTF-8 only here.

#include <cstdint>
#include <string>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/ResourceText.h"

BOOL TextOut(HDC hdc, int32_t x, int32_t y, const char* text, int32_t count);
// dx, when given, holds the advance of each character in logical units.
BOOL ExtTextOut(HDC hdc, int32_t x, int32_t y, UINT options, const RECT* rect, const char* text,
                UINT count, const int32_t* dx);
BOOL GetTextExtentPoint32(HDC hdc, const char* text, int32_t count, SIZE* out);
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* out);
// Lays out text in the rectangle by the DT_ flags; answers the height of the text drawn (or
// measured with DT_CALCRECT, which also sets the rectangle's right and bottom).
int32_t DrawText(HDC hdc, const char* text, int32_t count, RECT* rect, UINT format);

// The installed family that a font resolves to, for example "DejaVu Sans".
std::string ResolvedFontFamily(HFONT font);
