#pragma once
// Scroll-bar controls ("ScrollBar"): an arrow at each end, a thumb between them and the page
// areas beside the thumb. The range and position are the control's own scroll state (SB_CTL
// with the scroll-state calls). A press is told to the parent as WM_HSCROLL (WM_VSCROLL with
// SBS_VERT) with the request in the low word and the control as lParam: the arrows send
// SB_LINEUP and SB_LINEDOWN, the page areas SB_PAGEUP and SB_PAGEDOWN (sent again and again,
// on a timer, while the button is held on the same part), dragging the thumb sends
// SB_THUMBTRACK with the position under the pointer in the high word and SB_THUMBPOSITION on the
// release. Every press ends with SB_ENDSCROLL. The control never moves its own position: the
// parent does, as it sees fit.

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD SBS_HORZ = 0x0000;
inline constexpr DWORD SBS_VERT = 0x0001;

inline constexpr char kScrollBarClass[] = "ScrollBar";

void RegisterScrollBarClass();
