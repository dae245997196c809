#pragma once
// The open dialog: a modal window that asks for a file. It lists the files of the folder that
// match one of the filter's patterns, the first unless asked (a click on one chooses it), and a
// name field that holds the keyboard when the dialog opens. Keys go to the focused control: Tab
// moves between the controls (the caller's before the buttons), Return opens the name (a
// relative name is taken from the folder), Escape, Cancel or the close box give up. The owner
// takes no input while the dialog is up.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/win32/WindowTypes.h"

struct OpenFileRequest {
  HWND owner = nullptr;
  std::string title;
  // Pairs of text and pattern separated by '|', ended by "||" ("*.yb|*.yb|*.*|*.*||").
  std::string filter;
  // Which of the filter's patterns is listed first (0 the first pair's). With patternsChange the
  // caller lists another's files later (ShowFilesOfPattern): the list then has room for the
  // most files any one pattern finds.
  int32_t pattern = 0;
  bool patternsChange = false;
  // The folder listed and where relative names are taken from; the current one when empty.
  std::string folder;
  // A save dialog: its button says "Save", a name without an extension takes the default one,
  // and choosing a file that exists asks first whether to replace it.
  bool save = false;
  std::string defaultExtension;  // without the dot ("ybs")
  // OFN_PATHMUSTEXIST: a name in a folder that does not exist is refused with a message.
  uint32_t flags = 0;
  // Called once the dialog and its controls exist, before it shows: the caller may change the
  // title and the texts of the labels (kFolderLabelId, kFileNameLabelId, kFileTypeLabelId) and
  // of the open button (IDOK).
  std::function<void(HWND dialog)> onInit;
  // The name the dialog starts with, as if typed.
  std::string initialName;
  // Rows of room kept above the buttons for controls the caller adds in onInit; the first of
  // them starts at the top answered by FileDialogExtraTop.
  int32_t extraRows = 0;
  // Notifications of the caller's own controls (any command but OK, Cancel and the file list).
  std::function<void(HWND dialog, int32_t id, int32_t code)> onCommand;
  // Called with the full path chosen before the dialog takes it: nothing keeps the dialog open,
  // a path (possibly another) is what the dialog goes on with.
  std::function<std::optional<std::string>(HWND dialog, const std::string& path)> onAccept;
};

inline constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr uint32_t OFN_EXPLORER = 0x00080000;

inline constexpr int32_t kFileTypeLabelId = 1089;
inline constexpr int32_t kFileNameLabelId = 1090;
inline constexpr int32_t kFolderLabelId = 1091;

// Lists the folder's files that match the filter's pattern of the index in place of those shown.
void ShowFilesOfPattern(HWND dialog, int32_t index);

// Where the caller's extra rows begin in the dialog's client area.
int32_t FileDialogExtraTop(HWND dialog);

// The full path of the file chosen, or nothing when the dialog was cancelled.
std::optional<std::string> RunOpenFileDialog(const OpenFileRequest& request);
// The same dialog asking where to save (request.save set).
std::optional<std::string> RunSaveFileDialog(OpenFileRequest request);
// The dialog window while one is up, else null (for tests).
HWND GetOpenFileDialogWindow();
