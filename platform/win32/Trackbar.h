#pragma once
// Trackbars ("msctls_trackbar32"): a thumb on a channel between a minimum and a maximum,
// across (or, with TBS_VERT, down, the minimum at the top). Each move is told to the parent as
// WM_HSCROLL (WM_VSCROLL when vertical) with the request in the low word, the position in the
// high word and the trackbar as lParam: dragging the thumb sends TB_THUMBTRACK for each new
// position and TB_THUMBPOSITION when released; a press on the channel beside the thumb moves a
// page (TB_PAGEUP, TB_PAGEDOWN); the arrow keys a line, Page Up and Page Down a page, Home and
// End to the ends (TB_TOP, TB_BOTTOM). Every move by the user ends with TB_ENDTRACK (on the
// button's or the key's release). Tick marks run along the edge below (or beside) the channel at
// every multiple of the tick frequency from the minimum, and at the maximum: TBS_AUTOTICKS starts
// with one at every position, TBM_SETTICFREQ sets the step, TBS_NOTICKS draws none.

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD TBS_HORZ = 0x0000;
inline constexpr DWORD TBS_VERT = 0x0002;
inline constexpr DWORD TBS_AUTOTICKS = 0x0001;
inline constexpr DWORD TBS_NOTICKS = 0x0010;

inline constexpr WORD TB_LINEUP = 0;
inline constexpr WORD TB_LINEDOWN = 1;
inline constexpr WORD TB_PAGEUP = 2;
inline constexpr WORD TB_PAGEDOWN = 3;
inline constexpr WORD TB_THUMBPOSITION = 4;
inline constexpr WORD TB_THUMBTRACK = 5;
inline constexpr WORD TB_TOP = 6;
inline constexpr WORD TB_BOTTOM = 7;
inline constexpr WORD TB_ENDTRACK = 8;

inline constexpr UINT TBM_GETPOS = 0x0400;
inline constexpr UINT TBM_GETRANGEMIN = 0x0401;
inline constexpr UINT TBM_GETRANGEMAX = 0x0402;
inline constexpr UINT TBM_SETPOS = 0x0405;
inline constexpr UINT TBM_SETRANGE = 0x0406;
inline constexpr UINT TBM_SETRANGEMIN = 0x0407;
inline constexpr UINT TBM_SETRANGEMAX = 0x0408;
inline constexpr UINT TBM_GETNUMTICS = 0x0410;
inline constexpr UINT TBM_SETPAGESIZE = 0x0415;
inline constexpr UINT TBM_GETPAGESIZE = 0x0416;
inline constexpr UINT TBM_SETTICFREQ = 0x0414;
inline constexpr UINT TBM_SETLINESIZE = 0x0417;
inline constexpr UINT TBM_GETLINESIZE = 0x0418;
inline constexpr UINT TBM_GETTHUMBRECT = 0x0419;

inline constexpr char kTrackbarClass[] = "msctls_trackbar32";

void RegisterTrackbarClass();
