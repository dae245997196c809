#pragma once
// Edit controls ("Edit"), single-line and multi-line (ES_MULTILINE; lines end with "\r\n" and
// break only there). The caret and the selection follow the mouse and the keys (arrows, Home,
// End, Shift to extend, Ctrl+A to select all); Ctrl+X, Ctrl+C, Ctrl+V and Ctrl+Z cut, copy,
// paste and undo through the clipboard (pasted text stops at its first line break in a
// single-line edit). The parent hears EN_CHANGE after every change of the text, EN_SETFOCUS and
// EN_KILLFOCUS, and EN_MAXTEXT when a change met the length limit. In a dialog a single-line
// edit leaves Tab, Return and Escape to the dialog; a multi-line one keeps Return when it has
// ES_WANTRETURN.

#include "platform/win32/WindowTypes.h"

inline constexpr DWORD ES_LEFT = 0x0000;
inline constexpr DWORD ES_MULTILINE = 0x0004;
inline constexpr DWORD ES_AUTOVSCROLL = 0x0040;
inline constexpr DWORD ES_AUTOHSCROLL = 0x0080;
inline constexpr DWORD ES_READONLY = 0x0800;
inline constexpr DWORD ES_WANTRETURN = 0x1000;
inline constexpr DWORD ES_NUMBER = 0x2000;

inline constexpr WORD EN_SETFOCUS = 0x0100;
inline constexpr WORD EN_KILLFOCUS = 0x0200;
inline constexpr WORD EN_CHANGE = 0x0300;
inline constexpr WORD EN_MAXTEXT = 0x0501;

inline constexpr UINT EM_GETSEL = 0x00B0;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_SCROLLCARET = 0x00B7;
inline constexpr UINT EM_GETMODIFY = 0x00B8;
inline constexpr UINT EM_SETMODIFY = 0x00B9;
inline constexpr UINT EM_GETLINECOUNT = 0x00BA;
inline constexpr UINT EM_LINEINDEX = 0x00BB;
inline constexpr UINT EM_LINELENGTH = 0x00C1;
inline constexpr UINT EM_REPLACESEL = 0x00C2;
inline constexpr UINT EM_LIMITTEXT = 0x00C5;
inline constexpr UINT EM_SETLIMITTEXT = 0x00C5;
inline constexpr UINT EM_CANUNDO = 0x00C6;
inline constexpr UINT EM_UNDO = 0x00C7;
inline constexpr UINT EM_LINEFROMCHAR = 0x00C9;
inline constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
inline constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
inline constexpr UINT EM_SETREADONLY = 0x00CF;
inline constexpr UINT EM_GETLIMITTEXT = 0x00D5;
inline constexpr UINT EM_LINESCROLL = 0x00B6;

inline constexpr char kEditClass[] = "Edit";

void RegisterEditClass();
// Where the caret of an edit is drawn, in its client coordinates (for tests): the top of the
// caret line.
POINT EditCaretPoint(HWND edit);
