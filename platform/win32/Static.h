#pragma once
// Static controls ("Static"): text aligned left, centred or right, word-wrapped; "&x" shows x
// underlined and "&&" one "&" unless SS_NOPREFIX is set. Without
// SS_NOTIFY a static lets the mouse through to the window beneath; with it a click tells the
// parent STN_CLICKED. A static keeps an image (a cursor or an icon) given with STM_SETIMAGE.

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD SS_LEFT = 0x0000;
inline constexpr DWORD SS_CENTER = 0x0001;
inline constexpr DWORD SS_RIGHT = 0x0002;
inline constexpr DWORD SS_NOPREFIX = 0x0080;
inline constexpr DWORD SS_NOTIFY = 0x0100;

inline constexpr WORD STN_CLICKED = 0;
inline constexpr WORD STN_DBLCLK = 1;

inline constexpr UINT STM_SETIMAGE = 0x0172;
inline constexpr UINT STM_GETIMAGE = 0x0173;
inline constexpr WPARAM IMAGE_BITMAP = 0;
inline constexpr WPARAM IMAGE_ICON = 1;
inline constexpr WPARAM IMAGE_CURSOR = 2;

inline constexpr char kStaticClass[] = "Static";

void RegisterStaticClass();
