#pragma once
// Message boxes: a modal dialog of this layer's own controls (text, icon, buttons) in front of
// every other window of the program, which it disables until it is answered. It is answered with the mouse or the keyboard: Tab moves between the buttons,
// Enter presses the focused one, Escape cancels when there is a Cancel button (or only OK), and
// the underlined letter of a button presses it. Tests answer it with synthetic input.

#include "platform/win32/WindowTypes.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;

inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;
inline constexpr int32_t IDABORT = 3;
inline constexpr int32_t IDRETRY = 4;
inline constexpr int32_t IDIGNORE = 5;
inline constexpr int32_t IDYES = 6;
inline constexpr int32_t IDNO = 7;

// The number of the button pressed, or 0 when the box could not be shown or its loop ended
// without an answer (the program is quitting, or no input can ever arrive).
int32_t MessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The message box being shown (innermost), or null.
HWND GetMessageBoxWindow();
