#pragma once
// The Script Editor window's behaviour: its title, menu commands and their enabling, the keys the
// edit window passes back, the notifications of the edit window's runs, find and replace, the
// editor font kept in the settings, and help.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

// The shell window's procedure.
LRESULT ScriptShellWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ScriptShellCommand(HWND window, int32_t command);
void ScriptShellInitMenu(HMENU popup);
LRESULT ScriptEditorKeyFilter(HWND editWindow, UINT message, WPARAM key);
LRESULT ScriptEditorNotifyProc(HWND editWindow, UINT code, WPARAM wParam, LPARAM lParam);
LRESULT ScriptEditorNotify(HWND editWindow, UINT code, WPARAM wParam, LPARAM lParam);
// True while Ctrl and C are both held down.
bool IsBreakKeyDown();

// The editor font as the setting "BSEditFont" keeps it: "face,size,weight,italic".
struct EditorFontSetting {
  std::string face;  // at most 31 characters
  int32_t size = 10;  // points, 1 to 144
  int32_t weight = 400;  // 0 to 1000
  bool italic = false;
};

namespace ScriptEditor {

inline constexpr char kFontKey[] = "BSEditFont";
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr size_t kMaxFaceName = 31;
// The keys of the shell window, in force while it is active.
inline constexpr char kShellKeys[] = "BS_SHELL";

// Whether the item of a command of the shell's menu is greyed now; nothing for a command that
// is never greyed. Keys follow the same rule as the menu.
std::optional<bool> CommandGreyed(UINT command);

std::string Title(const char* path);
void SetTitle(HWND window, const char* path);

// A setting read back; nothing for an empty or malformed one, which leaves the fixed font.
std::optional<EditorFontSetting> ParseFontSetting(const std::string& value);
std::string FormatFontSetting(const EditorFontSetting& setting);
// The font height of a size in points on a screen of that many pixels per inch.
int32_t FontHeight(int32_t points, int32_t pixelsPerInch);
// Reads the setting from the program's profile and gives the edit window its font.
void LoadFont();
// Stores a setting and gives the edit window its font, as the font dialog does on OK.
void ApplyFont(const EditorFontSetting& setting);
// The font dialog over the shell window, starting from the editor's font (fixed-pitch faces
// only); OK applies and stores the chosen font.
void ChooseFont(HWND owner);
// The font made from the setting, or null while the fixed font is used.
HFONT CurrentFont();
void DeleteFont();

// Help: the context of an entry of a help table (index 0 counts as 1); the index itself when the
// table or the entry is missing. The help key of a keyword, or nothing when it is not one.
int32_t LookupHelpContext(const char* resourceName, int32_t index);
std::optional<std::string> LookupKeyword(const std::string& word);
void ShowHelp(HWND window, int32_t topic, LPARAM argument);
// The help files are looked for in the program's folder.
void LocateHelpFiles();

// Find and replace over the edit window (the state of the dialogs' record).
void PrepareFindReplace();
void SetFindText(const std::string& text);
std::string FindText();
void SetReplaceText(const std::string& text);
void SetMatchCase(bool matchCase);
bool FindNext(HWND owner);
int32_t ReplaceAll(HWND owner);
void ShowFind();
void ShowReplace();
HWND FindReplaceDialog();

}  // namespace ScriptEditor
