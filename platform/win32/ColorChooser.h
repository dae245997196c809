#pragma once
// The colour chooser: a modal dialog with sixteen basic colours, the caller's sixteen custom
// colours, the chosen colour's sample and its red, green and blue fields (0 to 255). A click
// on a swatch chooses its colour; typing in the fields mixes one; "Add to Custom Colours" puts
// the chosen colour into the next custom slot. OK answers the colour and gives the custom
// colours back; Cancel, Escape or the close box change nothing.

#include <cstdint>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

// The record's size as callers give it (the layout of the 32-bit interface).
inline constexpr DWORD kChooseColorRecordSize = 36;
// The record's colour is the one chosen at the start; the custom colours are shown.
inline constexpr DWORD CC_RGBINIT = 0x0001;
inline constexpr DWORD CC_FULLOPEN = 0x0002;

struct CHOOSECOLOR {
  DWORD lStructSize = 0;
  HWND hwndOwner = nullptr;
  HWND hInstance = nullptr;
  COLORREF rgbResult = 0;
  // Sixteen colours, read and written back on OK.
  COLORREF* lpCustColors = nullptr;
  DWORD Flags = 0;
  LPARAM lCustData = 0;
};

// Control identifiers of the chooser's dialog.
inline constexpr int32_t kChooserBasicFirst = 100;
inline constexpr int32_t kChooserCustomFirst = 200;
inline constexpr int32_t kChooserSample = 300;
inline constexpr int32_t kChooserRed = 301;
inline constexpr int32_t kChooserGreen = 302;
inline constexpr int32_t kChooserBlue = 303;
inline constexpr int32_t kChooserAddCustom = 304;

// Nonzero when the user confirmed a colour (in rgbResult); 0 when cancelled, and for a record
// of another size or without custom colours.
BOOL ChooseColorA(CHOOSECOLOR* choose);
// The chooser's window while one is up, else null (for tests).
HWND GetColorChooserWindow();
// The sixteen basic colours.
const COLORREF* ChooserBasicColours();
