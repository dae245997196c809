#pragma once
// Dialogs made from dialog templates: a window of the standard dialog class with the template's
// style, title, position and size, and one child control per item of the template. Sizes in a
// template are dialog units: a quarter of the dialog font's average character width across and
// an eighth of its height down. A dialog procedure sees the dialog's messages; what it leaves
// (answers 0 to) gets the default handling, where closing the window counts as Cancel. A
// modeless dialog lives until it is destroyed.

#include <cstdint>
#include <string>

#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr DWORD DS_SETFONT = 0x00000040;
inline constexpr char kDialogClassName[] = "#32770";

// Non-zero when the procedure handled the message; for WM_INITDIALOG non-zero asks the dialog to
// give the focus to its first control that takes it.
using DLGPROC = intptr_t (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Offsets of the dialog class's window data: the procedure and a value of the dialog's own.
inline constexpr int32_t DWLP_DLGPROC = 0;
inline constexpr int32_t DWLP_USER = static_cast<int32_t>(sizeof(LONG_PTR));

// Pixels per dialog unit: average character width and height of the dialog font.
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

// Runs the dialog of the template modally: its owner's top-level window takes no input until
// EndDialog; Enter stands for OK and Escape for Cancel, and OK or Cancel that the procedure
// leaves end the dialog with their number. Answers the value given to EndDialog, or -1 when the
// dialog cannot be made. A quit request met on the way ends the dialog and is put back.
intptr_t DialogBoxParam(HMODULE module, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM param);
// Ends a modal dialog with the result; false for a window that is no modal dialog.
BOOL EndDialog(HWND dialog, intptr_t result);

BOOL SetDlgItemText(HWND dialog, int32_t id, const char* text);
std::string GetDlgItemTextString(HWND dialog, int32_t id);
