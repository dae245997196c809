// The script shell: its window, the script it edits and the rules for dropping that script.

#include "scripting/shell/ScriptShell.h"

#include <memory>
#include <optional>
#include <string>

#include "basic/editor/ScriptEditWindow.h"
#include "core/Failure.h"
#include "core/MenuSetup.h"
#include "core/Resources.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "scripting/shell/ScriptEditor.h"
#include "scripting/shell/ScriptsMenu.h"

namespace {

TScriptShell* g_shell = nullptr;

constexpr int32_t kShortName = 63;

std::string StringOf(const Str255& text) { return std::string(text.Chars(), static_cast<size_t>(text.Length())); }

std::string EditorString(int16_t index) {
  Str255 text;
  GetIndString(text, kScriptEditorStrings, index);
  return StringOf(text);
}

// The text of the edit window.
std::string EditText(HWND edit) {
  const auto length = static_cast<size_t>(ScriptEditCommand(edit, kEditTextLength, 0, 0));
  std::string text(length + 1, '\0');
  text.resize(static_cast<size_t>(ScriptEditCommand(edit, kEditGetText, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

bool IsCompiledType(uint32_t type) { return type == kScriptFileCompiled || type == kScriptFileLibrary; }

// The file record of a path: the path, or its file name for a long one (the script keeps the
// whole path as its path).
FSSpec SpecOfPath(const std::string& path) { return ScriptFileSpecOfPath(Str255(path.c_str())); }

// The shell window's place, restored from a minimised or maximised state, for its next opening.
void KeepWindowRect(HWND window) {
  if (window == nullptr) return;
  ShowWindow(window, SW_SHOWNORMAL);
  RECT rect;
  GetWindowRect(window, &rect);
  int16_t* saved = ShellState().savedRect;
  saved[0] = static_cast<int16_t>(rect.left);
  saved[1] = static_cast<int16_t>(rect.top);
  saved[2] = static_cast<int16_t>(rect.right - rect.left);
  saved[3] = static_cast<int16_t>(rect.bottom - rect.top);
}

bool RegisterScriptShellClasses() {
  if (GetClassInfo(kScriptShellMainClass, nullptr)) return true;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = ScriptShellWndProc;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kScriptShellMainClass;
  if (!RegisterClass(&windowClass)) return false;
  windowClass.cbWndExtra = 4;
  windowClass.lpszClassName = kScriptShellViewClass;
  return RegisterClass(&windowClass) != FALSE;
}

}  // namespace

std::string ScriptFileNameOfPath(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

ScriptShellState& ShellState() {
  static ScriptShellState state;
  return state;
}

TScriptShell::TScriptShell(ScriptEngine* engine) : engine_(engine) {}

TScriptShell::~TScriptShell() {
  ScriptShellState& state = ShellState();
  if (state.editWindow != nullptr && IsWindow(state.editWindow)) {
    ScriptEditCommand(state.editWindow, kEditStop, 0, 0);
    if (ScriptEditCommand(state.editWindow, kEditRunState, 0, 0) == 2) {
      state.closeRequested = true;
    } else {
      bool agreed = true;
      try {
        agreed = ConfirmDiscardGuarded();
      } catch (...) {
        agreed = true;  // the program is ending: nothing may escape a destructor
      }
      (void)agreed;
    }
  }
  if (state.mainWindow != nullptr && IsWindow(state.mainWindow)) DestroyWindow(state.mainWindow);
  state.mainWindow = nullptr;
  state.editWindow = nullptr;
  delete current_;
  current_ = nullptr;
  if (g_shell == this) g_shell = nullptr;
}

TScriptShell* TScriptShell::Current() { return g_shell; }

int16_t TScriptShell::LoadScriptDialogLibrary(TScriptHost* host) {
  ShellState().mainWindow = nullptr;
  available_ = 1;
  current_ = nullptr;
  if (!ScriptRegisterEditWindowClass() || !RegisterScriptShellClasses()) available_ = 0;
  ScriptEditor::LocateHelpFiles();
  ScriptEditor::PrepareFindReplace();
  g_shell = this;
  host_ = host;
  return 0;
}

namespace {

// A window never placed before opens a little inside its owner's window, keeping its size.
void PlaceOverOwner(HWND window, HWND owner) {
  constexpr int32_t kInset = 40;
  const HWND top = owner != nullptr ? GetAncestorTopLevel(owner) : nullptr;
  if (top == nullptr) return;
  RECT over{};
  RECT own{};
  GetWindowRect(top, &over);
  GetWindowRect(window, &own);
  MoveWindow(window, over.left + kInset, over.top + kInset, own.right - own.left,
             own.bottom - own.top, TRUE);
}

}  // namespace

void TScriptShell::CreateWindow() {
  if (!available_) return;
  ScriptShellState& state = ShellState();
  state.owner = GetActiveWindow();
  const HWND window = CreateWindowEx(0, kScriptShellMainClass, "Yarrowby Script", WS_OVERLAPPEDWINDOW,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     state.owner, nullptr, nullptr);
  if (window == nullptr) return;
  state.mainWindow = window;
  const int16_t* saved = state.savedRect;
  if (saved[2] > 0 && saved[3] > 0) MoveWindow(window, saved[0], saved[1], saved[2], saved[3], TRUE);
  // No place saved (a size may be): the shell opens over the main window.
  if (saved[0] == 0 && saved[1] == 0) PlaceOverOwner(window, state.owner);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (state.editWindow != nullptr)
    ScriptEditCommand(state.editWindow, kEditSetNotify, 0, reinterpret_cast<LPARAM>(&ScriptEditorNotifyProc));
}

bool TScriptShell::IsOpen() const { return ShellState().editWindow != nullptr; }

void TScriptShell::Show() {
  if (!available_) return;
  ScriptShellState& state = ShellState();
  if (state.editWindow != nullptr) ShowWindow(state.editWindow, SW_SHOW);
  if (state.mainWindow != nullptr) ShowWindow(state.mainWindow, SW_SHOW);
  if (state.editWindow != nullptr) SetFocus(state.editWindow);
}

void TScriptShell::EditScript(ScriptResult& result, TScriptText* script) {
  result = ScriptResult{};
  if (!available_ || engine_ == nullptr) return;
  ScriptShellState& state = ShellState();
  if (state.mainWindow == nullptr || state.editWindow == nullptr) CreateWindow();
  if (current_ != nullptr && !ConfirmDiscard()) return;
  if (current_ != script) delete current_;
  current_ = script;
  if (current_ != nullptr) current_->Load();
  ShowScript();
}

void TScriptShell::ShowScript() {
  if (current_ == nullptr) return;
  std::string text;
  current_->GetText(text);
  ScriptShellState& state = ShellState();
  const HWND edit = state.editWindow;
  if (edit == nullptr) return;
  if (current_->FileType() == kScriptFileCompiled) {
    ScriptEditCommand(edit, kEditAttachCode, 0, reinterpret_cast<LPARAM>(current_->GetCode(kScriptCodeVersion)));
    return;
  }
  ScriptEditCommand(edit, kEditSetText, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ScriptEditCommand(edit, kEditSetCaret, 0, 0x1FFFF);
  if (current_->EntryFound()) {
    current_->FindEntry("Main", 0, nullptr, false);
    ScriptEditCommand(edit, kEditEntry, 0, reinterpret_cast<LPARAM>(current_->Entry()));
    ScriptEditCommand(edit, kEditAttachCode, 0, 0);
  }
  state.modified = 0;
  state.readOnly = current_->IsReadOnly() ? 1 : 0;
  ScriptEditCommand(edit, kEditSetReadOnly, state.readOnly, 0);
  ScriptEditor::SetTitle(state.mainWindow, current_->IsFileBacked() ? current_->Path().AsCString() : nullptr);
  Show();
}

void TScriptShell::StoreScript() {
  if (current_ == nullptr || ShellState().editWindow == nullptr) return;
  const std::string text = EditText(ShellState().editWindow);
  current_->SetText(text.c_str());
  if (!IsCompiledType(current_->FileType())) return;
  // A compiled file holds the code of the text it was saved from: the host compiles the text
  // just stored, and without code the save refuses and the old file stays.
  current_->SetCode(nullptr, kScriptCodeVersion, false);
  current_->SetLibraryCode(nullptr);
  if (host_ == nullptr) return;
  try {
    host_->Compile(current_);
  } catch (const QVException&) {
    // No code: the save that follows refuses and says why.
  }
}

TScriptText* TScriptShell::FindByName(const Str255& name) {
  return current_ != nullptr && current_->Path() == name ? current_ : nullptr;
}

TScriptText* TScriptShell::FindBySpec(const FSSpec& file) {
  if (current_ == nullptr) return nullptr;
  FSSpec mine;
  current_->GetFileSpec(mine);
  return mine == file ? current_ : nullptr;
}

void TScriptShell::NewScript() {
  if (!ConfirmDiscard()) return;
  delete current_;
  current_ = new TScriptText;
  current_->Reset();
  ShowScript();
  const HWND edit = ShellState().editWindow;
  if (edit == nullptr) return;
  char name[81] = {};
  while (ScriptEditCommand(edit, kEditFirstWatch, sizeof name, reinterpret_cast<LPARAM>(name)) != 0) {
    if (ScriptEditCommand(edit, kEditDeleteWatch, 0, reinterpret_cast<LPARAM>(name)) == 0) break;
  }
  ScriptEditCommand(edit, kEditReset, 0, 0);
}

bool TScriptShell::OpenScript(const char*) {
  if (!ConfirmDiscard()) return false;
  OpenFileRequest request;
  request.owner = ShellState().mainWindow;
  request.title = EditorString(1);
  request.filter = "*.ybs|*.ybs||";
  const std::optional<std::string> chosen = RunOpenFileDialog(request);
  if (!chosen) return false;
  auto script = std::make_unique<TScriptText>();
  script->Reset();
  script->SetFileSpec(SpecOfPath(*chosen), true);
  script->SetPath(Str255(chosen->c_str()));
  script->SetFileType(ScriptFileTypeOfName(chosen->c_str()));
  if (script->Load() == 0) return false;
  delete current_;
  current_ = script.release();
  ShowScript();
  return true;
}

bool TScriptShell::SaveScript() {
  if (current_ == nullptr || ShellState().modified == 0) return false;
  StoreScript();
  if (!current_->IsFileBacked()) return SaveScriptFileAs(nullptr);
  if (current_->Save() == 0) return false;
  ShellState().modified = 0;
  return true;
}

bool TScriptShell::SaveScriptFileAs(const char* path) {
  if (current_ == nullptr) return false;
  FSSpec oldSpec;
  current_->GetFileSpec(oldSpec);
  const Str255 oldPath = current_->Path();
  const uint32_t oldType = current_->FileType();
  std::string chosen;
  if (path == nullptr) {
    OpenFileRequest request;
    request.owner = ShellState().mainWindow;
    request.title = EditorString(2);
    request.filter = "*.ybs|*.ybs||";
    request.defaultExtension = "YBS";
    const std::optional<std::string> answer = RunSaveFileDialog(request);
    if (!answer) return false;
    chosen = *answer;
  } else {
    // The whole path: cut short, it would name another file.
    chosen = path;
  }
  current_->SetFileSpec(SpecOfPath(chosen), true);
  current_->SetPath(Str255(chosen.c_str()));
  current_->SetFileType(ScriptFileTypeOfName(chosen.c_str()));
  bool saved = false;
  try {
    StoreScript();
    saved = current_->Save() != 0;
  } catch (...) {
    current_->SetFileSpec(oldSpec, false);
    current_->SetPath(oldPath);
    current_->SetFileType(oldType);
    throw;
  }
  if (!saved || current_->FileType() != kScriptFileText) {
    // The editor stays on its source under the old name.
    current_->SetFileSpec(oldSpec, false);
    current_->SetPath(oldPath);
    current_->SetFileType(oldType);
    return saved;
  }
  ScriptEditor::SetTitle(ShellState().mainWindow, chosen.c_str());
  ShellState().modified = 0;
  return true;
}

void TScriptShell::StoreAndCompile() {
  StoreScript();
  if (current_ != nullptr) current_->NoOperation();
}

int32_t TScriptShell::AskSaveChanges() {
  std::string text;
  if (current_ != nullptr && current_->IsFileBacked()) {
    FSSpec file;
    current_->GetFileSpec(file);
    const std::string name = ScriptFileNameOfPath(StringOf(file.name).substr(0, kShortName));
    text = EditorString(3);
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
  } else {
    text = EditorString(4);
  }
  return MessageBox(ShellState().mainWindow, text.c_str(), kScriptEditorCaption, MB_YESNOCANCEL);
}

bool TScriptShell::ConfirmDiscard() {
  ScriptShellState& state = ShellState();
  if (state.modified == 0) return true;
  const int32_t answer = AskSaveChanges();
  if (answer == IDYES) {
    if (!SaveScript()) return false;
  } else if (answer != IDNO) {
    return false;  // Cancel, or the box could not ask
  }
  state.modified = 0;
  return true;
}

bool TScriptShell::ConfirmDiscardGuarded() {
  if (ShellState().modified == 0) return true;
  try {
    return ConfirmDiscard();
  } catch (const QVException& failure) {
    if (failure.message() == kScriptShellSilentAbort) return false;
    throw;
  }
}

bool TScriptShell::Close() {
  const HWND edit = ShellState().editWindow;
  if (edit != nullptr && ScriptEditCommand(edit, kEditRunState, 0, 0) != 0) {
    ScriptEditCommand(edit, kEditStop, 0, 0);
    return false;
  }
  if (!ConfirmDiscard()) return false;
  Destroy();
  return true;
}

void TScriptShell::Destroy() {
  delete current_;
  current_ = nullptr;
  ScriptShellState& state = ShellState();
  const HWND window = state.mainWindow;
  state.mainWindow = nullptr;
  state.editWindow = nullptr;
  // The window keeps its place for the next time however it closes.
  if (window != nullptr && IsWindow(window)) {
    KeepWindowRect(window);
    DestroyWindow(window);
  }
  InvalidateMenuSetup();
  // The shell stays the current one: the quit that closed it may yet be cancelled, and the
  // shell's next window needs its engine.
}

int16_t TScriptShell::OnWindowClosed(uint16_t flag) {
  ScriptShellState& state = ShellState();
  if (flag == 0 && state.editWindow != nullptr) {
    delete current_;
    current_ = nullptr;
  }
  KeepWindowRect(state.mainWindow);
  return 0;
}
