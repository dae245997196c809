#pragma once
// Dialogs made from dialog templates: a window of the standard dialog class with the template's
// style, title, position and size, and one child control per item of the template, in the
// template's order (which is also the order of Tab). Sizes in a template are dialog units: a
// quarter of the dialog font's average character width across and an eighth of its height
// down. A template with DS_SETFONT names its font; the dialog and every control are given it
// (WM_SETFONT) and its units follow it. A dialog procedure sees the dialog's messages; what it
// leaves (answers 0 to) gets the default handling, where closing the window counts as Cancel.
//
// A modeless dialog lives until it is destroyed; its owner's message loop passes it keys
// through IsDialogMessage. A modal dialog runs its own message loop with its owner disabled
// until EndDialog. The dialog keys: Tab and Shift+Tab move through the controls with
// WS_TABSTOP, the arrow keys through the group of the focused control (an automatic radio
// button is clicked as it is reached); Return is command IDOK (or the default button's, or the
// focused push button's) at once on key-down, while its key-up still reaches the focused
// control; Escape is IDCANCEL; F1 asks for help (WM_HELP); Alt and the letter after a
// control's '&' click that button or focus the control a label names (a plain letter does
// where the focused control takes no text). A control keeps keys it asks for with
// WM_GETDLGCODE.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT DM_GETDEFID = 0x0400;
inline constexpr UINT DM_SETDEFID = 0x0401;
inline constexpr WORD DC_HASDEFID = 0x534B;
inline constexpr DWORD DS_MODALFRAME = 0x00000080;
inline constexpr DWORD DS_SETFONT = 0x00000040;
inline constexpr char kDialogClassName[] = "#32770";

// Non-zero when the procedure handled the message; for WM_INITDIALOG non-zero asks the dialog to
// give the focus to its first control that takes it.
using DLGPROC = intptr_t (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Offsets of the dialog class's window data: the procedure and a value of the dialog's own.
inline constexpr int32_t DWLP_DLGPROC = 0;
inline constexpr int32_t DWLP_USER = static_cast<int32_t>(sizeof(LONG_PTR));

// Pixels per dialog unit of the system font: average character width and height.
inline constexpr int32_t kDialogBaseUnitX = 6;
inline constexpr int32_t kDialogBaseUnitY = 13;

// Makes the modeless dialog of the template named in module (null: the first module that holds
// it), owned by parent, and sends it WM_INITDIALOG with param. Null when there is no such
// template, when it is malformed (every count and text is checked against its size), or when a
// control of it cannot be made.
HWND CreateDialogParam(HMODULE module, LPCSTR templateName, HWND parent, DLGPROC procedure,
                       LPARAM param);
// The same from template bytes.
HWND CreateDialogIndirectParam(const void* dialogTemplate, uint32_t size, HWND parent,
                               DLGPROC procedure, LPARAM param);

// Runs the dialog modally (below) and destroys it; answers EndDialog's result, -1 when the
// dialog could not be made.
intptr_t DialogBoxParam(HMODULE module, LPCSTR templateName, HWND parent, DLGPROC procedure,
                        LPARAM param);
intptr_t DialogBoxIndirectParam(const void* dialogTemplate, uint32_t size, HWND parent,
                                DLGPROC procedure, LPARAM param);
// Ends the dialog's modal loop with `result` and hides it.
BOOL EndDialog(HWND dialog, intptr_t result);

// A modal loop over a dialog that exists: its owner is disabled, the dialog shown and given
// every message until EndDialog; `filter` sees each message first and answers whether it used
// it (null: IsDialogMessage). The owner is enabled and activated again before the answer. When
// the loop ends without EndDialog (the program quits, or no input can ever arrive) the answer
// is IDCANCEL, and a quit is passed on to the outer loop. The dialog is not destroyed.
using DialogMessageFilter = std::function<BOOL(MSG* message)>;
intptr_t RunModalDialog(HWND dialog, const DialogMessageFilter& filter);
// True while a modal loop runs over the dialog.
bool IsDialogModal(HWND dialog);

// The dialog keys above for a message of the dialog or its controls: answers TRUE when the
// message was the dialog's (it has then been translated and dispatched, or used as a key).
BOOL IsDialogMessage(HWND dialog, MSG* message);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

// Dialog units to pixels in the dialog's font; the base units of the system font.
BOOL MapDialogRect(HWND dialog, RECT* rect);
LONG GetDialogBaseUnits();

BOOL SetDlgItemText(HWND dialog, int32_t id, const char* text);
std::string GetDlgItemTextString(HWND dialog, int32_t id);
LRESULT SendDlgItemMessage(HWND dialog, int32_t id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int32_t id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int32_t id);
// Checks `check` and clears the other radio buttons from `first` to `last`.
BOOL CheckRadioButton(HWND dialog, int32_t first, int32_t last, int32_t check);
