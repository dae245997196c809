#pragma once
// The open dialog: a modal window that asks for a file. It lists the files of the folder that
// match the filter's first pattern (a click on one chooses it), and takes a typed name: Enter
// opens it (a relative name is taken from the folder), Backspace takes a character back, Escape,
// Cancel or the close box give up. The owner takes no input while the dialog is up.

#include <optional>
#include <string>

#include "platform/win32/WindowTypes.h"

struct OpenFileRequest {
  HWND owner = nullptr;
  std::string title;
  // Pairs of text and pattern separated by '|', ended by "||" ("*.yb|*.yb|*.*|*.*||").
  std::string filter;
  // The folder listed and where relative names are taken from; the current one when empty.
  std::string folder;
  // A save dialog: its button says "Save", a name without an extension takes the default one,
  // and choosing a file that exists asks first whether to replace it.
  bool save = false;
  std::string defaultExtension;  // without the dot ("ybs")
};

// The full path of the file chosen, or nothing when the dialog was cancelled.
std::optional<std::string> RunOpenFileDialog(const OpenFileRequest& request);
// The same dialog asking where to save (request.save set).
std::optional<std::string> RunSaveFileDialog(OpenFileRequest request);
// The dialog window while one is up, else null (for tests).
HWND GetOpenFileDialogWindow();
