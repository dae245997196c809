#pragma once
// The clipboard of the process, with the standard formats and formats registered by name, and
// the global memory blocks that carry its data. Plain text is also exchanged with the desktop's
// clipboard when the presenter has one: text put here goes out as UTF-8 when the clipboard is
// closed, and desktop text that arrived meanwhile is offered as CF_TEXT.

#include <cstdint>
#include <string>

#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

// Global memory blocks (the handle is checked on every call).
inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalReAlloc(HGLOBAL block, size_t bytes, UINT flags);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);
// Null on success, the block itself when it cannot be freed.
HGLOBAL GlobalFree(HGLOBAL block);

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_BITMAP = 2;
inline constexpr UINT CF_METAFILEPICT = 3;
inline constexpr UINT CF_OEMTEXT = 7;
inline constexpr UINT CF_DSPTEXT = 0x0081;
inline constexpr UINT CF_DSPBITMAP = 0x0082;
inline constexpr UINT CF_DSPMETAFILEPICT = 0x0083;

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// The clipboard owns `data` from now on (it frees it when emptied): a memory block, or for
// CF_BITMAP and CF_DSPBITMAP a bitmap of the graphics layer. Answers the data, or null when the
// clipboard is not open or the data is not of the right kind.
HGLOBAL SetClipboardData(UINT format, HGLOBAL data);
// The data of a format while the clipboard is open; CF_TEXT and CF_OEMTEXT stand in for each
// other. The clipboard keeps owning it.
HGLOBAL GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int32_t CountClipboardFormats();
// The format after `format` (0 for the first), or 0 at the end.
UINT EnumClipboardFormats(UINT format);
// The same number for the same name (ASCII case ignored), from 0xC000 up; 0 for no name.
UINT RegisterClipboardFormat(const char* name);
// The name a registered format was registered with, copied into `name` (cut to `size` - 1 and
// ended by 0); answers its length, 0 for a format without a registered name.
int32_t GetClipboardFormatName(UINT format, char* name, int32_t size);
// The first format of the list the clipboard holds; 0 when the clipboard is empty, -1 when it
// holds none of them.
int32_t GetPriorityClipboardFormat(const UINT* formats, int32_t count);
HWND GetClipboardOwner();

// The clipboard-viewer chain. A new viewer becomes the head and answers the old head, which it
// keeps as its next viewer; it is sent WM_DRAWCLIPBOARD at once and whenever the clipboard is
// closed after a change, and passes that message on to its next viewer. ChangeClipboardChain
// takes a viewer out: the head is replaced directly, otherwise the head hears WM_CHANGECBCHAIN
// (the removed window, the one after it), which each viewer passes on until the removed
// window's predecessor repairs its link.
HWND SetClipboardViewer(HWND window);
BOOL ChangeClipboardChain(HWND removed, HWND next);
HWND GetClipboardViewer();

// Text conversion at the desktop edge: the program's texts are Windows-1252 bytes.
std::string Windows1252ToUtf8(const std::string& text);
// Characters without a Windows-1252 byte become '?'.
std::string Utf8ToWindows1252(const std::string& text);
