#include "platform/win32/FindReplace.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/win32/Button.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Static.h"
#include "platform/win32/Window.h"

namespace {

constexpr char kFindReplaceClass[] = "YbFindReplace";
constexpr int32_t kLine = 22;
constexpr int32_t kGap = 8;
constexpr int32_t kLabelWidth = 104;
constexpr int32_t kFieldWidth = 180;
constexpr int32_t kButtonWidth = 90;

std::string Lower(const char* text) {
  std::string lower(text != nullptr ? text : "");
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

FINDREPLACE* RecordOf(HWND dialog) { return reinterpret_cast<FINDREPLACE*>(GetWindowLongPtr(dialog, 0)); }

void CopyField(HWND dialog, int32_t id, char* buffer, WORD capacity) {
  const HWND field = GetDlgItem(dialog, id);
  if (field == nullptr || buffer == nullptr || capacity == 0) return;
  GetWindowText(field, buffer, capacity);
}

void Tell(HWND dialog, DWORD what) {
  FINDREPLACE* record = RecordOf(dialog);
  if (record == nullptr) return;
  record->Flags &= ~(FR_FINDNEXT | FR_REPLACE | FR_REPLACEALL | FR_DIALOGTERM);
  record->Flags |= what;
  if (what != FR_DIALOGTERM) {
    CopyField(dialog, kFindWhatId, record->lpstrFindWhat, record->wFindWhatLen);
    CopyField(dialog, kReplaceWithId, record->lpstrReplaceWith, record->wReplaceWithLen);
    const HWND matchCase = GetDlgItem(dialog, kMatchCaseId);
    if (matchCase != nullptr) {
      if (SendMessage(matchCase, BM_GETCHECK, 0, 0) == BST_CHECKED) record->Flags |= FR_MATCHCASE;
      else record->Flags &= ~FR_MATCHCASE;
    }
  }
  const HWND owner = record->hwndOwner;
  SendMessage(owner, RegisterWindowMessage(FINDMSGSTRING), 0, reinterpret_cast<LPARAM>(record));
}

void Close(HWND dialog) {
  if (RecordOf(dialog) == nullptr) return;
  Tell(dialog, FR_DIALOGTERM);
  SetWindowLongPtr(dialog, 0, 0);
  DestroyWindow(dialog);
}

LRESULT FindReplaceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDOK: Tell(dialog, FR_FINDNEXT); return 0;
      case kReplaceId: Tell(dialog, FR_REPLACE); return 0;
      case kReplaceAllId: Tell(dialog, FR_REPLACEALL); return 0;
      case IDCANCEL: Close(dialog); return 0;
      default: break;
    }
  }
  if (message == WM_CLOSE) {
    Close(dialog);
    return 0;
  }
  return DefWindowProc(dialog, message, wParam, lParam);
}

HWND Make(HWND dialog, const char* className, const char* text, DWORD style, int32_t x, int32_t y,
          int32_t width, int32_t id) {
  return CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, kLine, dialog,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr);
}

HWND Open(FINDREPLACE* record, bool replace) {
  if (record == nullptr || record->hwndOwner == nullptr || !IsWindow(record->hwndOwner) ||
      record->lpstrFindWhat == nullptr || record->wFindWhatLen == 0 ||
      (replace && (record->lpstrReplaceWith == nullptr || record->wReplaceWithLen == 0)))
    return nullptr;
  RegisterStandardControls();
  if (!GetClassInfo(kFindReplaceClass, nullptr)) {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = FindReplaceProc;
    windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
    windowClass.background = 0x00F0F0F0;
    windowClass.lpszClassName = kFindReplaceClass;
    RegisterClass(&windowClass);
  }
  const int32_t rows = replace ? 4 : 3;
  RECT frame{0, 0, kGap * 3 + kLabelWidth + kFieldWidth + kButtonWidth, kGap + rows * (kLine + kGap)};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  RECT owner;
  GetWindowRect(record->hwndOwner, &owner);
  const HWND dialog = CreateWindowEx(0, kFindReplaceClass, replace ? "Replace" : "Find", style, owner.left + 40,
                                     owner.top + 40, frame.right - frame.left, frame.bottom - frame.top,
                                     record->hwndOwner, nullptr, nullptr);
  if (dialog == nullptr) return nullptr;
  SetWindowLongPtr(dialog, 0, reinterpret_cast<LONG_PTR>(record));
  const int32_t fieldX = kGap + kLabelWidth;
  const int32_t buttonX = fieldX + kFieldWidth + kGap;
  int32_t y = kGap;
  Make(dialog, kStaticClass, "Find what:", SS_LEFT, kGap, y, kLabelWidth, -1);
  const HWND find = Make(dialog, kEditClass, record->lpstrFindWhat, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
                         fieldX, y, kFieldWidth, kFindWhatId);
  Make(dialog, kButtonClass, "Find Next", BS_DEFPUSHBUTTON | WS_TABSTOP, buttonX, y, kButtonWidth, IDOK);
  y += kLine + kGap;
  if (replace) {
    Make(dialog, kStaticClass, "Replace with:", SS_LEFT, kGap, y, kLabelWidth, -1);
    Make(dialog, kEditClass, record->lpstrReplaceWith, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, fieldX, y,
         kFieldWidth, kReplaceWithId);
    Make(dialog, kButtonClass, "Replace", BS_PUSHBUTTON | WS_TABSTOP, buttonX, y, kButtonWidth, kReplaceId);
    y += kLine + kGap;
    Make(dialog, kButtonClass, "Replace All", BS_PUSHBUTTON | WS_TABSTOP, buttonX, y, kButtonWidth,
         kReplaceAllId);
  }
  if ((record->Flags & FR_HIDEMATCHCASE) == 0) {
    const HWND matchCase = Make(dialog, kButtonClass, "Match case", BS_AUTOCHECKBOX | WS_TABSTOP, kGap, y,
                                kLabelWidth + kFieldWidth, kMatchCaseId);
    SendMessage(matchCase, BM_SETCHECK, (record->Flags & FR_MATCHCASE) != 0 ? BST_CHECKED : 0, 0);
    if ((record->Flags & FR_NOMATCHCASE) != 0) EnableWindow(matchCase, FALSE);
  }
  y += replace ? 0 : kLine + kGap;
  Make(dialog, kButtonClass, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, buttonX, replace ? y + kLine + kGap : y,
       kButtonWidth, IDCANCEL);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(find);
  return dialog;
}

}  // namespace

UINT RegisterWindowMessage(const char* name) {
  static std::map<std::string, UINT> registered;
  if (name == nullptr || *name == '\0') return 0;
  const auto [it, added] = registered.emplace(Lower(name), 0xC000 + static_cast<UINT>(registered.size()));
  return it->second;
}

HWND FindText(FINDREPLACE* record) { return Open(record, false); }

HWND ReplaceText(FINDREPLACE* record) { return Open(record, true); }

BOOL WinHelp(HWND, const char* helpFile, UINT command, uintptr_t) {
  if (command == HELP_QUIT) return TRUE;
  (void)helpFile;
  return FALSE;
}
