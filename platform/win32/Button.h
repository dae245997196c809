#pragma once
// The button family ("Button"): push buttons (the default one drawn with a heavier frame), check
// boxes with two or three states, radio buttons, group boxes and owner-drawn buttons. A button
// tells its parent WM_COMMAND with BN_CLICKED when it is clicked (pressed and released over it),
// pressed with the space bar while it has the focus, or sent BM_CLICK. The automatic kinds change
// their own check first: a check box toggles, a 3-state box goes unchecked, checked,
// indeterminate, and an automatic radio button checks itself and clears the automatic radio
// buttons of its group. An owner-drawn button leaves its look to its parent (WM_DRAWITEM).

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD BS_PUSHBUTTON = 0x0000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
inline constexpr DWORD BS_CHECKBOX = 0x0002;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
inline constexpr DWORD BS_RADIOBUTTON = 0x0004;
inline constexpr DWORD BS_3STATE = 0x0005;
inline constexpr DWORD BS_AUTO3STATE = 0x0006;
inline constexpr DWORD BS_GROUPBOX = 0x0007;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
inline constexpr DWORD BS_OWNERDRAW = 0x000B;
inline constexpr DWORD BS_TYPEMASK = 0x000F;

inline constexpr WORD BN_CLICKED = 0;

inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr UINT BM_GETSTATE = 0x00F2;
inline constexpr UINT BM_SETSTATE = 0x00F3;
inline constexpr UINT BM_SETSTYLE = 0x00F4;
inline constexpr UINT BM_CLICK = 0x00F5;

inline constexpr WPARAM BST_UNCHECKED = 0;
inline constexpr WPARAM BST_CHECKED = 1;
inline constexpr WPARAM BST_INDETERMINATE = 2;
inline constexpr LRESULT BST_PUSHED = 0x0004;
inline constexpr LRESULT BST_FOCUS = 0x0008;

inline constexpr char kButtonClass[] = "Button";

void RegisterButtonClass();
// True while a button is held down (for drawing and tests).
bool IsButtonPressed(HWND button);
