#pragma once
// Standard controls drawn by this layer: push buttons ("Button") and static text ("Static").
// A button tells its parent WM_COMMAND with BN_CLICKED when it is clicked (pressed and released
// over it) or pressed with the space bar while it has the focus.

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD BS_PUSHBUTTON = 0x0000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
inline constexpr DWORD SS_LEFT = 0x0000;
inline constexpr DWORD SS_CENTER = 0x0001;
inline constexpr DWORD SS_RIGHT = 0x0002;
inline constexpr WORD BN_CLICKED = 0;
inline constexpr UINT BM_SETSTYLE = 0x00F4;
inline constexpr UINT BM_CLICK = 0x00F5;

inline constexpr char kButtonClass[] = "Button";
inline constexpr char kStaticClass[] = "Static";

// Registers the control classes (again after ResetWindowSystem); harmless when they exist.
void RegisterStandardControls();
// True while a button is held down (for drawing and tests).
bool IsButtonPressed(HWND button);
