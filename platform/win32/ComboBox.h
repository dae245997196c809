#pragma once
// Combo boxes ("ComboBox") of the drop-down-list kind: a field showing the selected item and a
// list that drops below it on a click, F4 or Alt+Down. The up and down keys change the
// selection without dropping the list. An owner-drawn combo box (CBS_OWNERDRAWFIXED) has its
// parent measure the field (item -1) and the items (WM_MEASUREITEM) and draw both
// (WM_DRAWITEM, the field with ODS_COMBOBOXEDIT). The parent hears CBN_SELCHANGE when the user
// changes the selection, CBN_DROPDOWN and CBN_CLOSEUP around the dropped list. While the list
// is down the combo box keeps Return and Escape (to take or leave the highlighted item).

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
inline constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr DWORD CBS_HASSTRINGS = 0x0200;

inline constexpr WORD CBN_SELCHANGE = 1;
inline constexpr WORD CBN_SETFOCUS = 3;
inline constexpr WORD CBN_KILLFOCUS = 4;
inline constexpr WORD CBN_DROPDOWN = 7;
inline constexpr WORD CBN_CLOSEUP = 8;

inline constexpr UINT CB_ADDSTRING = 0x0143;
inline constexpr UINT CB_DELETESTRING = 0x0144;
inline constexpr UINT CB_GETCOUNT = 0x0146;
inline constexpr UINT CB_GETCURSEL = 0x0147;
inline constexpr UINT CB_GETLBTEXT = 0x0148;
inline constexpr UINT CB_GETLBTEXTLEN = 0x0149;
inline constexpr UINT CB_INSERTSTRING = 0x014A;
inline constexpr UINT CB_RESETCONTENT = 0x014B;
inline constexpr UINT CB_SETCURSEL = 0x014E;
inline constexpr UINT CB_SHOWDROPDOWN = 0x014F;
inline constexpr UINT CB_GETITEMDATA = 0x0150;
inline constexpr UINT CB_SETITEMDATA = 0x0151;
inline constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
inline constexpr UINT CB_SETITEMHEIGHT = 0x0153;
inline constexpr UINT CB_GETITEMHEIGHT = 0x0154;
inline constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
inline constexpr LRESULT CB_ERR = -1;

inline constexpr char kComboBoxClass[] = "ComboBox";
inline constexpr char kComboListClass[] = "ComboLBox";

void RegisterComboBoxClass();
// The dropped list of a combo box while it is down, else null (for tests).
HWND GetComboDroppedList(HWND combo);
