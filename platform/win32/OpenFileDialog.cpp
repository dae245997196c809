#include "platform/win32/OpenFileDialog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/ModalWindows.h"
#include "platform/win32/Static.h"
#include "platform/win32/Window.h"

namespace {

constexpr char kDialogClass[] = "YbOpenFileDialog";
constexpr int32_t kWidth = 420;
constexpr int32_t kGap = 8;
constexpr int32_t kLineHeight = 20;
constexpr int32_t kButtonWidth = 80;
constexpr int32_t kLabelWidth = 90;
// The rows the file list shows at most, and their height; it scrolls to the others.
constexpr int32_t kShownFiles = 10;
constexpr int32_t kFileRowHeight = 20;
constexpr int32_t kNameId = 100;
constexpr int32_t kFileListId = 200;

struct DialogState {
  std::filesystem::path folder;
  std::vector<std::string> files;
  HWND nameField = nullptr;
  std::optional<std::string> chosen;
  bool done = false;
  HWND dialog = nullptr;
  bool save = false;
  std::string defaultExtension;
  uint32_t flags = 0;
  int32_t extraTop = 0;
  std::function<void(HWND, int32_t, int32_t)> onCommand;
  std::function<std::optional<std::string>(HWND, const std::string&)> onAccept;
  std::string filter;
  HWND fileList = nullptr;
};

HWND& OpenDialog() {
  static HWND dialog = nullptr;
  return dialog;
}

DialogState* StateOf(HWND dialog) {
  return reinterpret_cast<DialogState*>(GetWindowLongPtr(dialog, 0));
}

// The filter's texts, split at its bars: descriptions and patterns in turn.
std::vector<std::string> FilterParts(const std::string& filter) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t bar = filter.find('|'); bar != std::string::npos; bar = filter.find('|', at)) {
    parts.push_back(filter.substr(at, bar - at));
    at = bar + 1;
  }
  if (at < filter.size()) parts.push_back(filter.substr(at));
  return parts;
}

// The filter's pattern of the index ("*.yb" of "World files (*.yb)|*.yb"); "*.*" when it has
// none.
std::string PatternAt(const std::string& filter, int32_t index) {
  const std::vector<std::string> parts = FilterParts(filter);
  const size_t at = 2 * static_cast<size_t>(std::max(index, 0)) + 1;
  return at < parts.size() && !parts[at].empty() ? parts[at] : "*.*";
}

// The filter's text of the index ("World files (*.yb)"); the pattern when there is none.
std::string DescriptionAt(const std::string& filter, int32_t index) {
  const std::vector<std::string> parts = FilterParts(filter);
  const size_t at = 2 * static_cast<size_t>(std::max(index, 0));
  return at + 1 < parts.size() && !parts[at].empty() ? parts[at] : PatternAt(filter, index);
}

// Names match without regard to ASCII case, as on the file systems the patterns come from.
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool Matches(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (pattern.size() > 1 && pattern[0] == '*') {
    const std::string_view ending = std::string_view(pattern).substr(1);
    return name.size() >= ending.size() &&
           SameText(std::string_view(name).substr(name.size() - ending.size()), ending);
  }
  return SameText(name, pattern);
}

std::vector<std::string> ListFiles(const std::filesystem::path& folder, const std::string& pattern) {
  std::vector<std::string> files;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    const std::string name = it->path().filename().string();
    if (Matches(name, pattern)) files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

void Finish(DialogState& state, std::optional<std::string> chosen) {
  state.chosen = std::move(chosen);
  state.done = true;
}

// Gives the keyboard back to the control that had it when a message shown on the way (a
// refusal, a question) took it and the dialog stays.
class KeepFocus {
 public:
  explicit KeepFocus(const DialogState& state) : state_(state), focus_(GetFocus()) {}
  ~KeepFocus() {
    if (!state_.done && focus_ != nullptr && IsWindow(focus_) && GetFocus() != focus_)
      SetFocus(focus_);
  }
  KeepFocus(const KeepFocus&) = delete;
  KeepFocus& operator=(const KeepFocus&) = delete;

 private:
  const DialogState& state_;
  const HWND focus_;
};

void ChooseName(DialogState& state, const std::string& name) {
  if (name.empty()) return;
  const KeepFocus keep(state);
  std::filesystem::path path(name);
  if (path.is_relative()) path = state.folder / path;
  std::error_code missing;
  if ((state.flags & OFN_PATHMUSTEXIST) &&
      !std::filesystem::is_directory(path.parent_path(), missing)) {
    const std::string message = path.parent_path().string() + "\nThis folder does not exist.";
    MessageBox(state.dialog, message.c_str(), "Open", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (state.onAccept) {
    const std::optional<std::string> accepted = state.onAccept(state.dialog, path.string());
    if (!accepted) return;
    path = *accepted;
  }
  if (state.save) {
    if (!path.has_extension() && !state.defaultExtension.empty()) path += "." + state.defaultExtension;
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
      const std::string question = path.filename().string() + " already exists.\nDo you want to replace it?";
      if (MessageBox(state.dialog, question.c_str(), "Save As", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
    }
  }
  Finish(state, path.lexically_normal().string());
}

// A file picked in the list is the name to open; a double click opens it.
void FileListNotice(DialogState& state, HWND list, WORD notice) {
  const auto index = static_cast<size_t>(SendMessage(list, LB_GETCURSEL, 0, 0));
  if (index >= state.files.size()) return;
  if (notice == LBN_SELCHANGE) SetWindowText(state.nameField, state.files[index].c_str());
  if (notice == LBN_DBLCLK) ChooseName(state, state.files[index]);
}

LRESULT DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = StateOf(dialog);
  if (state != nullptr && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    const int32_t id = LOWORD(wParam);
    if (id == IDOK) ChooseName(*state, GetWindowTextString(state->nameField));
    if (id == IDCANCEL) Finish(*state, std::nullopt);
  }
  if (state != nullptr && message == WM_COMMAND && LOWORD(wParam) == kFileListId)
    FileListNotice(*state, reinterpret_cast<HWND>(lParam), HIWORD(wParam));
  if (state != nullptr && message == WM_COMMAND) {
    const int32_t id = LOWORD(wParam);
    const bool own = id == IDOK || id == IDCANCEL || id == kNameId || id == kFileListId;
    if (!own && state->onCommand) state->onCommand(dialog, id, HIWORD(wParam));
    return 0;
  }
  // The dialog itself given the keyboard hands it to the name.
  if (state != nullptr && message == WM_SETFOCUS) {
    SetFocus(state->nameField);
    return 0;
  }
  if (state != nullptr && message == WM_CLOSE) {
    Finish(*state, std::nullopt);
    return 0;
  }
  return DefWindowProc(dialog, message, wParam, lParam);
}

void EnsureClass() {
  RegisterStandardControls();
  if (GetClassInfo(kDialogClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = DialogProc;
  windowClass.lpszClassName = kDialogClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = 0x00F0F0F0;
  RegisterClass(&windowClass);
}

void PutLast(HWND control) {
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Each control goes behind the ones before it, so that Tab follows the order they are made in.
HWND MakeChild(HWND dialog, const char* className, const char* text, DWORD style, int32_t x,
               int32_t y, int32_t width, int32_t id) {
  const HWND control =
      CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, kLineHeight,
                     dialog, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr);
  if (control != nullptr) PutLast(control);
  return control;
}

// Tab reaches the caller's controls in reading order (row by row, left to right) after the
// dialog's own, and the buttons that end the dialog last.
void OrderForTab(HWND dialog, const std::vector<HWND>& own, HWND ok, HWND cancel) {
  std::vector<std::pair<POINT, HWND>> added;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (std::find(own.begin(), own.end(), child) != own.end()) continue;
    RECT box;
    GetWindowRect(child, &box);
    added.push_back({POINT{box.left, box.top}, child});
  }
  std::stable_sort(added.begin(), added.end(), [](const auto& a, const auto& b) {
    return a.first.y != b.first.y ? a.first.y < b.first.y : a.first.x < b.first.x;
  });
  for (const auto& [place, control] : added) PutLast(control);
  PutLast(ok);
  PutLast(cancel);
}

}  // namespace

int32_t FileDialogExtraTop(HWND dialog) {
  const DialogState* state = StateOf(dialog);
  return state != nullptr ? state->extraTop : 0;
}

void ShowFilesOfPattern(HWND dialog, int32_t index) {
  DialogState* state = StateOf(dialog);
  if (state == nullptr) return;
  state->files = ListFiles(state->folder, PatternAt(state->filter, index));
  if (state->fileList == nullptr) return;
  SendMessage(state->fileList, LB_RESETCONTENT, 0, 0);
  for (const std::string& file : state->files)
    SendMessage(state->fileList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.c_str()));
}

HWND GetOpenFileDialogWindow() {
  return OpenDialog();
}

std::optional<std::string> RunOpenFileDialog(const OpenFileRequest& request) {
  EnsureClass();
  DialogState state;
  std::error_code error;
  state.folder = request.folder.empty() ? std::filesystem::current_path(error)
                                        : std::filesystem::path(request.folder);
  const std::string pattern = PatternAt(request.filter, request.pattern);
  state.files = ListFiles(state.folder, pattern);
  state.filter = request.filter;

  // A list whose pattern changes has room for the most files any one of the patterns finds.
  size_t mostFiles = state.files.size();
  const auto patterns = static_cast<int32_t>(FilterParts(request.filter).size() / 2);
  for (int32_t index = 0; request.patternsChange && index < patterns; ++index) {
    const size_t found = ListFiles(state.folder, PatternAt(request.filter, index)).size();
    mostFiles = std::max(mostFiles, found);
  }
  const int32_t shownFiles = std::min(static_cast<int32_t>(mostFiles), kShownFiles);
  // The list's rows and its one-pixel border.
  const int32_t listHeight = shownFiles * kFileRowHeight + 2;
  const int32_t rows = 4 + std::max(request.extraRows, 0);
  const int32_t clientHeight = kGap + rows * (kLineHeight + kGap) + kLineHeight + kGap +
                               (shownFiles > 0 ? listHeight + kGap : 0);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, kWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const HWND owner = request.owner != nullptr && IsWindow(request.owner) ? request.owner
                                                                          : GetActiveWindow();
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner != nullptr) GetWindowRect(owner, &around);
  const int32_t width = frame.right - frame.left;
  const int32_t height = frame.bottom - frame.top;
  const HWND dialog = CreateWindowEx(
      WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kDialogClass,
      request.title.empty() ? (request.save ? "Save As" : "Open") : request.title.c_str(), style,
      around.left + ((around.right - around.left) - width) / 2,
      around.top + ((around.bottom - around.top) - height) / 2, width, height, owner, nullptr,
      nullptr);
  if (dialog == nullptr) return std::nullopt;
  SetWindowLongPtr(dialog, 0, reinterpret_cast<LONG_PTR>(&state));
  state.dialog = dialog;
  state.save = request.save;
  state.defaultExtension = request.defaultExtension;
  state.flags = request.flags;
  state.onCommand = request.onCommand;
  state.onAccept = request.onAccept;

  int32_t y = kGap;
  const int32_t fieldLeft = kGap + kLabelWidth;
  const int32_t fieldWidth = kWidth - fieldLeft - kGap;
  MakeChild(dialog, kStaticClass, "Look &in:", SS_LEFT, kGap, y, kLabelWidth, kFolderLabelId);
  // Paths, names and descriptions are shown as they are: an "&" in them is no mnemonic.
  MakeChild(dialog, kStaticClass, state.folder.string().c_str(), SS_LEFT | SS_NOPREFIX,
            fieldLeft, y, fieldWidth, -1);
  y += kLineHeight + kGap;
  if (shownFiles > 0) {
    const HWND list = MakeChild(dialog, kListBoxClass, "",
                                WS_BORDER | WS_VSCROLL | LBS_NOTIFY | WS_TABSTOP, kGap * 2, y,
                                kWidth - 4 * kGap, kFileListId);
    if (list != nullptr) {
      SetWindowPos(list, nullptr, 0, 0, kWidth - 4 * kGap, listHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessage(list, LB_SETITEMHEIGHT, 0, kFileRowHeight);
      for (const std::string& file : state.files)
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.c_str()));
    }
    state.fileList = list;
    y += listHeight + kGap;
  }
  MakeChild(dialog, kStaticClass, "File &name:", SS_LEFT, kGap, y, kLabelWidth,
            kFileNameLabelId);
  state.nameField = MakeChild(dialog, kEditClass, request.initialName.c_str(),
                              ES_AUTOHSCROLL | WS_TABSTOP, fieldLeft, y, fieldWidth, kNameId);
  y += kLineHeight + kGap;
  MakeChild(dialog, kStaticClass, "Files of &type:", SS_LEFT, kGap, y, kLabelWidth,
            kFileTypeLabelId);
  MakeChild(dialog, kStaticClass, DescriptionAt(request.filter, request.pattern).c_str(),
            SS_LEFT | SS_NOPREFIX, fieldLeft, y, fieldWidth, -1);
  y += kLineHeight + kGap;
  state.extraTop = y;
  y += std::max(request.extraRows, 0) * (kLineHeight + kGap);
  const HWND ok = MakeChild(dialog, kButtonClass, request.save ? "Save" : "Open",
                           BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 2 * (kButtonWidth + kGap), y,
                           kButtonWidth, IDOK);
  const HWND cancel = MakeChild(dialog, kButtonClass, "Cancel", BS_PUSHBUTTON | WS_TABSTOP,
                                kWidth - (kButtonWidth + kGap), y, kButtonWidth, IDCANCEL);

  std::vector<HWND> own;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    own.push_back(child);
  if (request.onInit) request.onInit(dialog);
  OrderForTab(dialog, own, ok, cancel);

  const HWND previous = OpenDialog();
  OpenDialog() = dialog;
  // As under any modal dialog, no input reaches the other windows, the floating ones included.
  std::vector<HWND> disabled = DisableOtherWindows(dialog);
  ShowWindow(dialog, SW_SHOW);
  // The name takes the keys first, the whole of it chosen so that typing replaces it.
  SetFocus(state.nameField);
  SendMessage(state.nameField, EM_SETSEL, 0, -1);

  MSG message;
  while (!state.done && IsWindow(dialog)) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    // Keys go to the focused control; Tab moves on, Return is the open button, Escape cancels.
    // A dropped list keeps Return and Escape, which pick from it or close it.
    if (IsDialogMessage(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessage(&message);
  }

  OpenDialog() = previous;
  EnableAgain(disabled);
  if (IsWindow(dialog)) {
    SetWindowLongPtr(dialog, 0, 0);
    DestroyWindow(dialog);
  }
  if (owner != nullptr && IsWindow(owner)) SetActiveWindow(owner);
  return state.chosen;
}

std::optional<std::string> RunSaveFileDialog(OpenFileRequest request) {
  request.save = true;
  return RunOpenFileDialog(request);
}
