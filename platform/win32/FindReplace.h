#pragma once
// The modeless Find and Replace dialogs. Each fills the caller's FINDREPLACE record (the texts
// typed into its buffers, the flags of the button pressed) and sends its owner the message
// registered as "commdlg_FindReplace" with the record's address as lParam; closing the dialog
// sends FR_DIALOGTERM last. The owner keeps the record alive while the dialog is up.
//
// Also: registered window messages, and help files (WinHelp).

#include <cstdint>

#include "platform/win32/WindowTypes.h"

struct FINDREPLACE {
  DWORD lStructSize = 40;
  HWND hwndOwner = nullptr;
  void* hInstance = nullptr;
  DWORD Flags = 0;
  char* lpstrFindWhat = nullptr;
  char* lpstrReplaceWith = nullptr;
  WORD wFindWhatLen = 0;
  WORD wReplaceWithLen = 0;
  LPARAM lCustData = 0;
};

inline constexpr DWORD FR_DOWN = 0x00000001;
inline constexpr DWORD FR_WHOLEWORD = 0x00000002;
inline constexpr DWORD FR_MATCHCASE = 0x00000004;
inline constexpr DWORD FR_FINDNEXT = 0x00000008;
inline constexpr DWORD FR_REPLACE = 0x00000010;
inline constexpr DWORD FR_REPLACEALL = 0x00000020;
inline constexpr DWORD FR_DIALOGTERM = 0x00000040;
inline constexpr DWORD FR_NOUPDOWN = 0x00000400;
inline constexpr DWORD FR_NOMATCHCASE = 0x00000800;
inline constexpr DWORD FR_NOWHOLEWORD = 0x00001000;
inline constexpr DWORD FR_HIDEUPDOWN = 0x00004000;
inline constexpr DWORD FR_HIDEMATCHCASE = 0x00008000;
inline constexpr DWORD FR_HIDEWHOLEWORD = 0x00010000;

inline constexpr char FINDMSGSTRING[] = "commdlg_FindReplace";
// Items of the dialogs.
inline constexpr int32_t kFindWhatId = 0x480;
inline constexpr int32_t kReplaceWithId = 0x481;
inline constexpr int32_t kMatchCaseId = 0x411;
inline constexpr int32_t kReplaceId = 0x400;
inline constexpr int32_t kReplaceAllId = 0x401;

// The same number for the same name (any case) for the life of the program, from 0xC000 up.
UINT RegisterWindowMessage(const char* name);

// The dialog, shown and owned by record->hwndOwner; null when the record is unusable.
HWND FindText(FINDREPLACE* record);
HWND ReplaceText(FINDREPLACE* record);

inline constexpr UINT HELP_CONTEXT = 0x0001;
inline constexpr UINT HELP_QUIT = 0x0002;
inline constexpr UINT HELP_CONTENTS = 0x0003;
inline constexpr UINT HELP_FINDER = 0x000B;
inline constexpr UINT HELP_KEY = 0x0101;
inline constexpr UINT HELP_COMMAND = 0x0102;
inline constexpr UINT HELP_PARTIALKEY = 0x0105;
// Help files: this desktop has no viewer for them, so a call fails (FALSE) unless it only asks
// to quit help; a missing file fails the same way.
BOOL WinHelp(HWND window, const char* helpFile, UINT command, uintptr_t data);
