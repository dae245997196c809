// The Script Editor: the shell window's procedure, its commands and their enabling, keys,
// notifications of runs, find and replace, the editor font and help.

#include "scripting/shell/ScriptEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "basic/editor/ScriptEditWindow.h"
#include "core/Failure.h"
#include "core/Keys.h"
#include "core/MenuSetup.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/FrameKeys.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Dc.h"
#include "platform/win32/FindReplace.h"
#include "platform/win32/FontDialog.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "scripting/shell/GoToLineDialog.h"
#include "scripting/shell/ScriptShell.h"

namespace {

constexpr int32_t kMaxFontSize = 144;
constexpr UINT kHelpUnavailable = MB_OK | MB_ICONEXCLAMATION;

struct EditorState {
  FINDREPLACE record;
  char findText[128] = {};
  char replaceText[128] = {};
  HWND dialog = nullptr;
  int32_t searchState = 0;  // 0 not searched, 1 not found, 2 found
  HFONT font = nullptr;     // made from the setting; null while the fixed font is used
  HWND focusAtStop = nullptr;
  bool enabledAtStop = true;
  std::string keptText;     // the text of another module shown during a run
  // The shell's keys: while the shell window is active the main frame holds them in place of
  // its own (without a main frame the editor holds them itself).
  TFrameKeysExchange frameKeys;
  HACCEL ownKeys = nullptr;
  bool keysActive = false;
  std::string helpFolder;   // the program's folder, where its help files would lie
};

EditorState& Editor() {
  static EditorState state;
  return state;
}

HWND EditWindow() { return ShellState().editWindow; }

LRESULT Edit(UINT code, WPARAM wParam = 0, LPARAM lParam = 0) {
  return EditWindow() != nullptr ? ScriptEditCommand(EditWindow(), code, wParam, lParam) : 0;
}

bool Running() { return Edit(kEditRunState) != 0; }

void Alert(HWND owner, const std::string& text, UINT type) {
  MessageBox(owner, text.c_str(), kScriptEditorCaption, type);
}

std::string Formatted(const char* format, const std::string& value) {
  const std::string pattern(format);
  const size_t at = pattern.find("%s");
  if (at == std::string::npos) return pattern;
  std::string text = pattern.substr(0, at);
  text.append(value);
  text.append(pattern, at + 2, std::string::npos);
  return text;
}

void ShowStartFailure() {
  Str255 text;
  GetIndString(text, kScriptEditorStrings, 5);
  MessageBox(nullptr, text.AsCString(), kScriptEditorCaption, MB_OK);
}

void Help(HWND window, const char* file, UINT command, uintptr_t data) {
  if (WinHelp(window, file, command, data)) return;
  Alert(window, std::string("Help is unavailable: the help file ") + ScriptFileNameOfPath(file) + " cannot be shown.",
        kHelpUnavailable);
}

// The shell's key table becomes the one in force: the main frame's, when there is one.
void ActivateKeys() {
  EditorState& editor = Editor();
  const HMODULE second = GetResourceModule2();
  const HACCEL table = second != nullptr ? LoadAccelerators(second, ScriptEditor::kShellKeys) : nullptr;
  if (editor.ownKeys != nullptr) DestroyAcceleratorTable(editor.ownKeys);
  editor.ownKeys = nullptr;
  if (CFrameWnd* frame = GetMainFrame()) {
    editor.frameKeys.Exchange(*frame, table);
  } else {
    editor.ownKeys = table;
  }
  editor.keysActive = true;
}

// The shell is left: the main frame gets back the keys it had.
void ReleaseKeys() {
  EditorState& editor = Editor();
  if (CFrameWnd* frame = GetMainFrame()) editor.frameKeys.Restore(*frame);
  else editor.frameKeys.Forget();
  if (editor.ownKeys != nullptr) DestroyAcceleratorTable(editor.ownKeys);
  editor.ownKeys = nullptr;
  editor.keysActive = false;
}

// The keys in force for the shell: null while it is not active.
HACCEL ShellKeys() {
  const EditorState& editor = Editor();
  if (!editor.keysActive) return nullptr;
  if (editor.ownKeys != nullptr) return editor.ownKeys;
  CFrameWnd* frame = GetMainFrame();
  return frame != nullptr && editor.frameKeys.Exchanged() ? frame->GetDefaultAccelerator() : nullptr;
}

// Every popup of the shell's menu bar set up, when the bar is about to open one of them.
void SetUpMenuBar(HMENU bar) {
  for (int32_t i = 0; i < GetMenuItemCount(bar); ++i) {
    if (const HMENU popup = GetSubMenu(bar, i)) ScriptShellInitMenu(popup);
  }
}

void GoToLine(HWND window) {
  const auto range = static_cast<uint32_t>(Edit(kEditLineRange));
  const int32_t last = range != 0 ? static_cast<int32_t>(range >> 16) : 1;
  const int32_t line = AskLineNumber(window, static_cast<int32_t>(Edit(kEditCurrentLine)), last);
  if (line > 0) Edit(kEditGoToLine, 0, line);
}

// A help file of the program's folder.
std::string HelpPath(const char* file) { return Editor().helpFolder + file; }

void CreateShellContents(HWND window) {
  if (const HMODULE second = GetResourceModule2(); second != nullptr) {
    if (const HMENU menu = LoadMenu(second, "BSMAINMENU"); menu != nullptr) SetMenu(window, menu);
  }
  ScriptShellState& state = ShellState();
  const HWND edit = ScriptCreateEditWindow(window, 0, 0, 0, 0, 0x50800003, 1, 0, nullptr);
  if (edit == nullptr) return;
  state.editWindow = edit;
  TScriptShell* shell = TScriptShell::Current();
  ScriptEditCommand(edit, kEditSetEngine, 0, reinterpret_cast<LPARAM>(shell != nullptr ? shell->Engine() : nullptr));
  ScriptEditCommand(edit, kEditReset, 0, 0);
  ScriptEditCommand(edit, kEditShowMargin, static_cast<WPARAM>(-1), 0);
  ScriptEditCommand(edit, kEditSetKeyFilter, 0, reinterpret_cast<LPARAM>(&ScriptEditorKeyFilter));
  ScriptEditor::SetTitle(window, nullptr);
  RECT client;
  GetClientRect(window, &client);
  MoveWindow(edit, -1, -1, 652, 302, TRUE);
  MoveWindow(edit, -1, -1, client.right + 2, client.bottom + 2, TRUE);
  ShowWindow(edit, SW_SHOW);
  ScriptEditor::LoadFont();
  Editor().record.hwndOwner = window;
  ScriptEditCommand(edit, kEditIndentWidth, 4, 0);
}

void CloseShellWindow(HWND window) {
  TScriptShell* shell = TScriptShell::Current();
  if (shell == nullptr || !shell->ConfirmDiscardGuarded()) return;
  ScriptShellState& state = ShellState();
  Edit(kEditStop);
  if (Edit(kEditRunState) == 2) {
    state.closeRequested = true;
    return;
  }
  state.mainWindow = window;
  shell->OnWindowClosed(0);
  state.editWindow = nullptr;
  state.mainWindow = nullptr;
  InvalidateMenuSetup();
  DestroyWindow(window);
}

// Commands that act on the edit window's text through the standard edit messages.
void EditMessage(UINT message) {
  if (EditWindow() != nullptr) SendMessage(EditWindow(), message, 0, 0);
}

void FindNextCommand(HWND window) {
  if (ScriptEditor::FindText().empty()) {
    ScriptEditor::ShowFind();
    return;
  }
  ScriptEditor::FindNext(window);
}

}  // namespace

bool IsBreakKeyDown() { return GetAsyncKeyState(VK_CONTROL) < 0 && GetAsyncKeyState(0x43) < 0; }

namespace ScriptEditor {

std::string Title(const char* path) {
  if (path == nullptr || *path == '\0') return std::string(kScriptEditorCaption) + " - (Untitled)";
  return std::string(kScriptEditorCaption) + " - " + ScriptFileNameOfPath(path);
}

void SetTitle(HWND window, const char* path) {
  if (window != nullptr) SetWindowText(window, Title(path).c_str());
}

std::optional<EditorFontSetting> ParseFontSetting(const std::string& value) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    parts.push_back(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() != 4 || parts[0].empty()) return std::nullopt;
  for (size_t i = 1; i < 4; ++i) {
    const std::string& number = parts[i];
    if (number.empty() || number.find_first_not_of("-0123456789") != std::string::npos) return std::nullopt;
  }
  EditorFontSetting setting;
  setting.face = parts[0].substr(0, kMaxFaceName);
  setting.size = std::clamp(std::atoi(parts[1].c_str()), 1, kMaxFontSize);
  setting.weight = std::clamp(std::atoi(parts[2].c_str()), 0, 1000);
  setting.italic = std::atoi(parts[3].c_str()) != 0;
  return setting;
}

std::string FormatFontSetting(const EditorFontSetting& setting) {
  char text[160];
  std::snprintf(text, sizeof text, "%s,%d,%d,%d", setting.face.substr(0, kMaxFaceName).c_str(), setting.size,
                setting.weight, setting.italic ? 1 : 0);
  return text;
}

int32_t FontHeight(int32_t points, int32_t pixelsPerInch) { return -((points * pixelsPerInch + 36) / 72); }

HFONT CurrentFont() { return Editor().font; }

void DeleteFont() {
  if (Editor().font != nullptr) DeleteObject(Editor().font);
  Editor().font = nullptr;
}

namespace {

HFONT MakeFont(const EditorFontSetting& setting) {
  const HDC screen = GetDC(nullptr);
  const int32_t dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  LOGFONT font;
  font.lfHeight = FontHeight(setting.size, dpi > 0 ? dpi : 96);
  font.lfWeight = setting.weight;
  font.lfItalic = setting.italic ? 1 : 0;
  font.lfQuality = 2;
  std::strncpy(font.lfFaceName, setting.face.c_str(), sizeof font.lfFaceName - 1);
  return CreateFontIndirect(&font);
}

void UseFont(HFONT font) {
  if (EditWindow() != nullptr) SendMessage(EditWindow(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace

void LoadFont() {
  const std::string& profile = GetProfileFile();
  const std::string value =
      profile.empty() ? std::string() : GetPrivateProfileString(kSettingsSection, kFontKey, "", profile).substr(0, 128);
  const std::optional<EditorFontSetting> setting = ParseFontSetting(value);
  DeleteFont();
  if (setting) Editor().font = MakeFont(*setting);
  UseFont(Editor().font != nullptr ? Editor().font : static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
}

void ApplyFont(const EditorFontSetting& setting) {
  DeleteFont();
  Editor().font = MakeFont(setting);
  UseFont(Editor().font != nullptr ? Editor().font : static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
  const std::string& profile = GetProfileFile();
  if (!profile.empty())
    WritePrivateProfileString(kSettingsSection, kFontKey, FormatFontSetting(setting).c_str(), profile);
}

void ChooseFont(HWND owner) {
  // Screen fonts, starting from the description, ANSI and fixed pitch only.
  constexpr DWORD kFlags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | 0x0400 | 0x4000;
  LOGFONT font;
  const HFONT current = CurrentFont() != nullptr ? CurrentFont() : static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
  GetObject(current, sizeof font, &font);
  CHOOSEFONT choose;
  choose.hwndOwner = owner;
  choose.lpLogFont = &font;
  choose.Flags = kFlags;
  if (!::ChooseFont(&choose)) return;
  EditorFontSetting setting;
  setting.face = std::string(font.lfFaceName).substr(0, kMaxFaceName);
  setting.size = std::clamp(choose.iPointSize / 10, 1, kMaxFontSize);
  setting.weight = std::clamp(static_cast<int32_t>(font.lfWeight), 0, 1000);
  setting.italic = font.lfItalic != 0;
  ApplyFont(setting);
  if (EditWindow() != nullptr) InvalidateRect(EditWindow(), nullptr, TRUE);
}

int32_t LookupHelpContext(const char* resourceName, int32_t index) {
  const int32_t place = std::max(index, 1);
  const HMODULE second = GetResourceModule2();
  const HRSRC found = second != nullptr ? FindResource(second, resourceName, MAKEINTRESOURCEA(10)) : nullptr;
  if (found == nullptr) return index;
  const auto* table = static_cast<const uint8_t*>(LockResource(LoadResource(second, found)));
  const uint32_t size = SizeofResource(second, found);
  // An entry beyond the table counts as missing.
  if (table == nullptr || static_cast<uint32_t>(place) * 2 > size) return index;
  uint16_t context = 0;
  std::memcpy(&context, table + (place - 1) * 2, 2);
  return context;
}

std::optional<std::string> LookupKeyword(const std::string& word) {
  const HMODULE second = GetResourceModule2();
  const HRSRC found = second != nullptr ? FindResource(second, "KEYWORDS", MAKEINTRESOURCEA(10)) : nullptr;
  if (found == nullptr || word.empty()) return std::nullopt;
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(second, found)));
  const uint32_t size = SizeofResource(second, found);
  if (bytes == nullptr) return std::nullopt;
  const auto same = [](const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  };
  for (uint32_t at = 0; at < size;) {
    const auto* end = static_cast<const char*>(std::memchr(bytes + at, '\0', size - at));
    const std::string entry(bytes + at, end != nullptr ? static_cast<size_t>(end - (bytes + at)) : size - at);
    if (entry.empty()) break;
    const size_t colon = entry.find(':');
    const std::string keyword = entry.substr(0, colon);
    if (same(keyword, word)) return colon == std::string::npos ? keyword : entry.substr(colon + 1);
    at += static_cast<uint32_t>(entry.size()) + 1;
  }
  return std::nullopt;
}

void ShowHelp(HWND window, int32_t topic, LPARAM argument) {
  static const std::pair<int32_t, int32_t> kFixed[] = {{1, 47}, {2, 48}, {3, 49}, {4, 50}, {5, 51},
                                                       {40, 31}, {41, 34}, {42, 11}, {43, 24}, {45, 9},
                                                       {53, 40}, {54, 17}};
  for (const auto& [number, context] : kFixed) {
    if (number == topic) return Help(window, HelpPath("DD.HLP").c_str(), HELP_CONTEXT, static_cast<uintptr_t>(context));
  }
  if (topic == 44) {
    if (argument == 1) return Help(window, HelpPath("DG.HLP").c_str(), HELP_FINDER, 0);
    if (argument == 2) {
      // The contents with the search open over them; a search that cannot open is no news.
      Help(window, HelpPath("DG.HLP").c_str(), HELP_CONTENTS, 0);
      WinHelp(window, HelpPath("DG.HLP").c_str(), HELP_COMMAND, reinterpret_cast<uintptr_t>("Search()"));
      return;
    }
    return Help(window, HelpPath("DG.HLP").c_str(), HELP_CONTEXT,
                static_cast<uintptr_t>(LookupHelpContext("DG_HELPTOPICS", static_cast<int32_t>(argument))));
  }
  if (topic == 46) {
    const char* word = reinterpret_cast<const char*>(argument);
    const std::optional<std::string> key = LookupKeyword(word != nullptr ? word : "");
    if (key) return Help(window, "BS.HLP", HELP_KEY, reinterpret_cast<uintptr_t>(key->c_str()));
    return Help(window, "BS.HLP", HELP_CONTENTS, 0);
  }
  const int32_t context = LookupHelpContext("DD_HELPTOPICS", topic);
  if (context != 0) Help(window, HelpPath("DD.HLP").c_str(), HELP_CONTEXT, static_cast<uintptr_t>(context));
}

void LocateHelpFiles() {
  int32_t length = 0;
  GetProgramDirectory(nullptr, &length);
  std::string folder(static_cast<size_t>(std::max(length, 0)), '\0');
  GetProgramDirectory(folder.data(), &length);
  folder.resize(static_cast<size_t>(std::max(length, 0)));
  Editor().helpFolder = folder;
}

void PrepareFindReplace() {
  EditorState& state = Editor();
  state.record = FINDREPLACE{};
  state.record.Flags = 0x15001;
  state.record.lpstrFindWhat = state.findText;
  state.record.wFindWhatLen = sizeof state.findText;
  state.record.lpstrReplaceWith = state.replaceText;
  state.record.wReplaceWithLen = sizeof state.replaceText;
  state.searchState = 0;
  RegisterWindowMessage(FINDMSGSTRING);
}

void SetFindText(const std::string& text) {
  std::strncpy(Editor().findText, text.c_str(), sizeof Editor().findText - 1);
}
std::string FindText() { return Editor().findText; }
void SetReplaceText(const std::string& text) {
  std::strncpy(Editor().replaceText, text.c_str(), sizeof Editor().replaceText - 1);
}
void SetMatchCase(bool matchCase) {
  if (matchCase) Editor().record.Flags |= FR_MATCHCASE;
  else Editor().record.Flags &= ~FR_MATCHCASE;
}
HWND FindReplaceDialog() { return Editor().dialog; }

namespace {

bool FindOne() {
  const DWORD flags = Editor().record.Flags;
  WPARAM search = ((flags & FR_MATCHCASE) != 0 ? kEditFindMatchCase : 0) | ((flags & FR_WHOLEWORD) != 0 ? kEditFindWholeWord : 0) | 12;
  return Edit(kEditFind, search, reinterpret_cast<LPARAM>(Editor().findText)) > 0;
}

void EnableReplaceButtons(bool found) {
  const HWND dialog = Editor().dialog;
  if (dialog == nullptr) return;
  if (const HWND button = GetDlgItem(dialog, kReplaceId)) EnableWindow(button, found);
  if (const HWND button = GetDlgItem(dialog, kReplaceAllId)) EnableWindow(button, found);
}

void NotFound(HWND owner) {
  Editor().searchState = 1;
  EnableReplaceButtons(false);
  Alert(owner, Formatted("Can't find \"%s\".", Editor().findText), MB_ICONEXCLAMATION);
}

void OpenDialog(bool replace) {
  EditorState& state = Editor();
  state.searchState = 0;
  if (state.dialog != nullptr && IsWindow(state.dialog)) DestroyWindow(state.dialog);
  state.record.hwndOwner = ShellState().mainWindow;
  state.dialog = replace ? ReplaceText(&state.record) : ::FindText(&state.record);
  if (state.dialog != nullptr && state.record.hwndOwner != nullptr) EnableWindow(state.record.hwndOwner, FALSE);
}

}  // namespace

bool FindNext(HWND owner) {
  if (FindOne()) {
    Editor().searchState = 2;
    EnableReplaceButtons(true);
    return true;
  }
  NotFound(owner);
  return false;
}

int32_t ReplaceAll(HWND owner) {
  int32_t count = 0;
  while (FindOne()) {
    if (Edit(kEditReplace, 1, reinterpret_cast<LPARAM>(Editor().replaceText)) == 0) break;
    ++count;
  }
  if (count == 0) {
    NotFound(owner);
    return 0;
  }
  if (Editor().dialog != nullptr && IsWindow(Editor().dialog)) SendMessage(Editor().dialog, WM_CLOSE, 0, 0);
  char text[64];
  std::snprintf(text, sizeof text, "%d occurrences changed.", count);
  Alert(ShellState().mainWindow, text, MB_OK);
  return count;
}

void ShowFind() { OpenDialog(false); }

void ShowReplace() {
  if (Edit(kEditHasSelection) != 0) {
    char selected[128] = {};
    Edit(kEditCopySelection, sizeof selected, reinterpret_cast<LPARAM>(selected));
    if (char* cr = std::strchr(selected, '\r')) *cr = '\0';
    SetFindText(selected);
    int32_t position = 0;
    if (Edit(kEditSelectionStart, 0, reinterpret_cast<LPARAM>(&position)) != 0)
      Edit(kEditSetCaret, 0, static_cast<LPARAM>(static_cast<int16_t>(-position)));
  }
  OpenDialog(true);
}

}  // namespace ScriptEditor

LRESULT ScriptEditorKeyFilter(HWND editWindow, UINT message, WPARAM key) {
  if (message != WM_KEYDOWN) return 0;
  MSG keyMessage;
  keyMessage.hwnd = editWindow;
  keyMessage.message = message;
  keyMessage.wParam = key;
  const WORD command = AcceleratorCommand(ShellKeys(), &keyMessage);
  if (command == 0) return 0;
  // A key does what its menu item does and nothing while the item is greyed, except that Find
  // Next with nothing to find opens Find.
  const bool findFirst = command == 501 && ScriptEditor::FindText().empty();
  if (!findFirst && ScriptEditor::CommandGreyed(command).value_or(false)) return 1;
  const HWND shell = ShellState().mainWindow != nullptr ? ShellState().mainWindow : GetParent(editWindow);
  PostMessage(shell, WM_COMMAND, static_cast<WPARAM>(MAKELONG(command, 1)), 0);
  return 1;
}

LRESULT ScriptEditorNotifyProc(HWND editWindow, UINT code, WPARAM wParam, LPARAM lParam) {
  if (code == kEditNotifyHelp) {
    ScriptEditor::ShowHelp(ShellState().mainWindow, static_cast<int32_t>(wParam), lParam);
    return 0;
  }
  return ScriptEditorNotify(editWindow, code, wParam, lParam);
}

LRESULT ScriptEditorNotify(HWND editWindow, UINT code, WPARAM, LPARAM) {
  ScriptShellState& state = ShellState();
  EditorState& editor = Editor();
  TScriptShell* shell = TScriptShell::Current();
  switch (code) {
    case kEditNotifyRunStarts: {
      auto* run = reinterpret_cast<ScriptRunContext*>(ScriptEditCommand(editWindow, kEditRunContext, 0, 0));
      if (run != nullptr && shell != nullptr) ScriptControl(run, kScriptSetUser, 0, shell->Script());
      if (shell != nullptr) ScriptControl(shell->Engine(), kScriptSetOwner, 0, state.owner);
      editor.focusAtStop = nullptr;
      editor.enabledAtStop = true;
      return 0;
    }
    case kEditNotifyRunEnds:
      if (state.closeRequested && state.mainWindow != nullptr) {
        state.closeRequested = false;
        PostMessage(state.mainWindow, WM_CLOSE, 0, 0);
      }
      if (state.readOnly) ScriptEditCommand(editWindow, kEditSetReadOnly, 1, 0);
      return 0;
    case kEditNotifyResumes:
      if (editor.focusAtStop != nullptr && IsWindow(editor.focusAtStop)) SetFocus(editor.focusAtStop);
      if (shell != nullptr) ScriptControl(shell->Engine(), kScriptSetOwner, 0, state.owner);
      if (state.mainWindow != nullptr) EnableWindow(state.mainWindow, editor.enabledAtStop);
      return 0;
    case kEditNotifyStops:
      editor.focusAtStop = GetFocus();
      editor.enabledAtStop = state.mainWindow != nullptr && IsWindowEnabled(state.mainWindow);
      if (state.mainWindow != nullptr) {
        EnableWindow(state.mainWindow, TRUE);
        SetFocus(state.mainWindow);
      }
      return 0;
    case kEditNotifyChanged: state.modified = 1; return 0;
    case kEditNotifyModule: {
      auto* module = reinterpret_cast<ScriptModule*>(ScriptEditCommand(editWindow, kEditRunModule, 0, 0));
      if (module == nullptr) {
        ScriptEditCommand(editWindow, kEditSetText, 0, 0);
        editor.keptText.clear();
        return 0;
      }
      TScriptText* holder = shell != nullptr && shell->Host() != nullptr ? shell->Host()->FindScriptByModule(module) : nullptr;
      if (holder == nullptr) return 0;
      holder->GetText(editor.keptText);
      return (ScriptEditCommand(editWindow, kEditSetText, 0, reinterpret_cast<LPARAM>(editor.keptText.c_str())) & 1) != 0 ? 1 : 0;
    }
    default: return 0;
  }
}

void ScriptShellCommand(HWND window, int32_t command) {
  TScriptShell* shell = TScriptShell::Current();
  try {
    switch (command) {
      case 100: if (shell != nullptr) shell->NewScript(); break;
      case 101: if (shell != nullptr) shell->OpenScript(nullptr); break;
      case 102: if (shell != nullptr) shell->SaveScript(); break;
      case 103: if (shell != nullptr) shell->SaveScriptFileAs(nullptr); break;
      case 107: PostMessage(window, WM_CLOSE, 0, 0); break;
      case 108: if (shell != nullptr) shell->StoreAndCompile(); break;
      case 400: EditMessage(WM_UNDO); break;
      case 401: EditMessage(WM_CUT); break;
      case 402: EditMessage(WM_COPY); break;
      case 403: EditMessage(WM_PASTE); break;
      case 404: EditMessage(WM_CLEAR); break;
      case 405: Edit(kEditIndent); break;
      case 406: Edit(kEditOutdent); break;
      case 408: ScriptEditor::ChooseFont(window); break;
      case 500: ScriptEditor::ShowFind(); break;
      case 501: FindNextCommand(window); break;
      case 502: ScriptEditor::ShowReplace(); break;
      case 503: GoToLine(window); break;
      case 600: Edit(kEditCheckSyntax); break;
      case 601: Edit(kEditStop); break;
      case 603: if (Edit(kEditStart, 1, 0) != 0) ShowStartFailure(); break;
      case 700: Edit(kEditStepInto); break;
      case 701: Edit(kEditStepOver); break;
      case 702: Edit(kEditStepOut); break;
      case 703: Edit(kEditClearBreakpoints); break;
      case 704: if (Edit(kEditToggleBreakpoint) == 0) MessageBeep(0); break;
      case 705: Edit(kEditAddWatch); break;
      case 706: Edit(kEditDeleteWatch); break;
      case 707: Edit(kEditContinue); break;
      case 801: Help(window, HelpPath("AZ.HLP").c_str(), HELP_FINDER, 0); break;
      case 802: Help(window, HelpPath("AZ.HLP").c_str(), HELP_PARTIALKEY, reinterpret_cast<uintptr_t>("")); break;
      case 803: Help(window, HelpPath("DD.HLP").c_str(), HELP_FINDER, 0); break;
      default: break;
    }
  } catch (const QVException& failure) {
    if (failure.error() == 0) return;  // a silent abort: the user chose to stop
    Alert(window, "The script file could not be read or written (error " + std::to_string(failure.error()) + ").",
          MB_OK | MB_ICONEXCLAMATION);
  }
}

namespace ScriptEditor {

std::optional<bool> CommandGreyed(UINT command) {
  switch (command) {
    case 100: case 101: case 108: case 405: case 502: case 600: case 603: return Running();
    case 102: return ShellState().modified == 0;
    case 400: return Edit(kEditCanUndo) == 0;
    case 401: case 404: return Edit(kEditHasSelection) == 0 || Running();
    case 402: return Edit(kEditHasSelection) == 0;
    case 403: return !IsClipboardFormatAvailable(CF_TEXT);
    case 406: return Running() || Edit(kEditCanOutdent) == 0;
    case 501: return FindText().empty();
    case 601: return !Running();
    case 704: {
      const auto range = static_cast<uint32_t>(Edit(kEditLineRange));
      const auto line = static_cast<uint32_t>(Edit(kEditCurrentLine));
      return range == 0 || line < (range & 0xFFFF) || line > (range >> 16);
    }
    case 706: return Edit(kEditWatchCount) == 0;
    case 707: return Edit(kEditRunState) != 1;
    default: return std::nullopt;
  }
}

}  // namespace ScriptEditor

void ScriptShellInitMenu(HMENU popup) {
  const int32_t count = GetMenuItemCount(popup);
  for (int32_t i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    const std::optional<bool> grey = ScriptEditor::CommandGreyed(id);
    if (grey) EnableMenuItem(popup, id, MF_BYCOMMAND | (*grey ? MF_GRAYED : MF_ENABLED));
  }
}

LRESULT ScriptShellWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT findMessage = RegisterWindowMessage(FINDMSGSTRING);
  if (message == findMessage && findMessage != 0) {
    EditorState& editor = Editor();
    FINDREPLACE& record = editor.record;
    if ((record.Flags & FR_DIALOGTERM) != 0) {
      record.Flags &= ~FR_DIALOGTERM;
      EnableWindow(window, TRUE);
      editor.dialog = nullptr;
      SetFocus(window);
    } else if ((record.Flags & FR_FINDNEXT) != 0) {
      ScriptEditor::FindNext(editor.dialog != nullptr ? editor.dialog : window);
    } else if ((record.Flags & FR_REPLACE) != 0) {
      if (editor.searchState == 0) ScriptEditor::FindNext(editor.dialog);
      else if (editor.searchState == 2) {
        Edit(kEditReplace, 1, reinterpret_cast<LPARAM>(editor.replaceText));
        ScriptEditor::FindNext(editor.dialog);
      }
    } else if ((record.Flags & FR_REPLACEALL) != 0) {
      ScriptEditor::ReplaceAll(editor.dialog != nullptr ? editor.dialog : window);
    }
    return 0;
  }
  switch (message) {
    case WM_CREATE: CreateShellContents(window); return 0;
    case WM_DESTROY:
      ReleaseKeys();
      ScriptEditor::DeleteFont();
      return DefWindowProc(window, message, wParam, lParam);
    case WM_SIZE:
      if (EditWindow() != nullptr && GetParent(EditWindow()) == window) {
        RECT client;
        GetClientRect(window, &client);
        MoveWindow(EditWindow(), -1, -1, client.right + 2, client.bottom + 2, TRUE);
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        ReleaseKeys();
        return 0;
      }
      ActivateKeys();
      SetFocus(window);
      return 0;
    case WM_SETFOCUS:
      if (EditWindow() != nullptr) SetFocus(EditWindow());
      return 0;
    case WM_CLOSE: CloseShellWindow(window); return 0;
    case WM_QUERYENDSESSION: {
      TScriptShell* shell = TScriptShell::Current();
      return shell != nullptr && shell->ConfirmDiscardGuarded() ? 1 : 0;
    }
    case WM_ENDSESSION:
      if (wParam != 0) Edit(kEditStop);
      return 0;
    case WM_COMMAND: ScriptShellCommand(window, LOWORD(wParam)); return 0;
    case WM_INITMENU: SetUpMenuBar(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_INITMENUPOPUP: ScriptShellInitMenu(reinterpret_cast<HMENU>(wParam)); return 0;
    default: return DefWindowProc(window, message, wParam, lParam);
  }
}
