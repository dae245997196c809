#pragma once
// List boxes ("ListBox"): one selected item, kept texts or, for an owner-drawn list box
// (LBS_OWNERDRAWFIXED), items its parent measures once (WM_MEASUREITEM) and draws
// (WM_DRAWITEM). The list scrolls with its vertical scroll bar, the wheel and the keys; a press
// selects the item under the mouse and, while the button is held below or above the list, a
// timer (kListBoxDragTimer) scrolls it one item a tick and selects the item that comes in. With
// LBS_NOTIFY the parent hears LBN_SELCHANGE when the user changes the selection and LBN_DBLCLK.

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD LBS_NOTIFY = 0x0001;
inline constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
inline constexpr DWORD LBS_HASSTRINGS = 0x0040;
inline constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;

inline constexpr WORD LBN_SELCHANGE = 1;
inline constexpr WORD LBN_DBLCLK = 2;

inline constexpr UINT LB_ADDSTRING = 0x0180;
inline constexpr UINT LB_INSERTSTRING = 0x0181;
inline constexpr UINT LB_DELETESTRING = 0x0182;
inline constexpr UINT LB_RESETCONTENT = 0x0184;
inline constexpr UINT LB_SETCURSEL = 0x0186;
inline constexpr UINT LB_GETCURSEL = 0x0188;
inline constexpr UINT LB_GETTEXT = 0x0189;
inline constexpr UINT LB_GETTEXTLEN = 0x018A;
inline constexpr UINT LB_GETCOUNT = 0x018B;
inline constexpr UINT LB_GETTOPINDEX = 0x018E;
inline constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
inline constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
inline constexpr UINT LB_SETTOPINDEX = 0x0197;
inline constexpr UINT LB_GETITEMRECT = 0x0198;
inline constexpr UINT LB_GETITEMDATA = 0x0199;
inline constexpr UINT LB_SETITEMDATA = 0x019A;
inline constexpr UINT LB_SETITEMHEIGHT = 0x01A0;
inline constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
inline constexpr UINT LB_ITEMFROMPOINT = 0x01A9;
inline constexpr LRESULT LB_ERR = -1;

inline constexpr UINT_PTR kListBoxDragTimer = 0x4C42;
inline constexpr char kListBoxClass[] = "ListBox";

void RegisterListBoxClass();
