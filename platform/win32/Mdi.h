#pragma once
// The multiple-document client: a child window of a frame that holds document windows (its
// children), keeps which one is active, and maximises, restores, tiles, cascades and arranges
// them. Document windows use DefMDIChildProc and frames DefFrameProc for what they do not
// handle themselves.

#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowTypes.h"

inline constexpr char kMdiClientClass[] = "MDICLIENT";
// The client's background: the dark workspace behind document windows (0x00BBGGRR).
inline constexpr uint32_t kMdiWorkspaceColour = 0x00808080;

struct CLIENTCREATESTRUCT {
  HMENU hWindowMenu = nullptr;
  UINT idFirstChild = 0;
};

// The window menu: the client lists its shown document windows at the end of the menu it is
// given, after a separator, as "&1 title" and so on, the active one checked. The items carry
// these commands (from the first, at most kMdiListedChildren); a frame that receives one
// passes it to DefFrameProc, which brings that window forward.
inline constexpr UINT WM_MDISETMENU = 0x0230;
inline constexpr UINT WM_MDIREFRESHMENU = 0x0234;
inline constexpr UINT kMdiFirstChildCommand = 0xFF00;
inline constexpr UINT kMdiListedChildren = 9;
inline bool IsMdiChildCommand(UINT id) {
  return id >= kMdiFirstChildCommand && id < kMdiFirstChildCommand + kMdiListedChildren;
}

// WM_MDITILE flags.
inline constexpr WPARAM MDITILE_VERTICAL = 0x0000;
inline constexpr WPARAM MDITILE_HORIZONTAL = 0x0001;

// Registers the client's window class once; CreateWindowEx(kMdiClientClass, ...) then makes one.
void RegisterMdiClientClass();

// Messages to the client (SendMessage):
//   WM_MDIACTIVATE (child): the child becomes the active one, in front, with the focus; the child
//     that loses and the child that gains activation are both sent WM_MDIACTIVATE (the losing
//     child, the gaining child). A maximised active child hands its maximised state over.
//   WM_MDIGETACTIVE (0, BOOL* maximised or 0): the active child, or null.
//   WM_MDIMAXIMIZE, WM_MDIRESTORE (child); WM_MDIDESTROY (child); WM_MDINEXT (child, 0 next or
//     1 previous);
//   WM_MDITILE (MDITILE_*), WM_MDICASCADE, WM_MDIICONARRANGE: arrange the shown children.
//   WM_MDISETMENU (frame menu or 0, window menu or 0): the frame's menu bar becomes the first
//     (when given) and the list moves to the second (when given); answers the frame's menu
//     before. WM_MDIREFRESHMENU: the list is made again (titles change); answers the frame's
//     menu.
// The list follows activation and the end of document windows by itself.
LRESULT DefMDIChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefFrameProc(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam);
