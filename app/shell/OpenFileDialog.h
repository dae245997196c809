#pragma once
// Asking the user for a file in the toolbox manner: a command number and a name pattern in, a
// reply record out, while the dialog itself is the window layer's open dialog (TMacFileDialog).

#include <cstdint>
#include <string>

#include "core/FileSpec.h"
#include "core/PString.h"

// What the open dialog answered.
struct TFileReply {
  int16_t good = 0;        // 1 when a file was chosen, 0 when the dialog was cancelled
  int32_t fileType = -1;   // the chosen file's four-character type; -1 when cancelled
  Str255 name;             // the chosen file's full path; empty when cancelled
};

// Where the dialog appears and what kind of files it offers.
struct TFileDialogParameters {
  int16_t kind = 32512;
  int16_t left = 100;
  int16_t top = 100;
};

// The pattern the dialog offers for a command: "*.yb" for command 20 (Open), "*.ybs" for 5515,
// else the caller's pattern, or "*.yb" when it is empty.
std::string FileDialogPattern(int16_t command, const std::string& pattern);
// The dialog's filter: the pattern twice, the all-files pair unless the pattern is "*.*", and
// the closing bar: "*.yb|*.yb|*.*|*.*||".
std::string FileDialogFilter(const std::string& pattern);

// Runs the open dialog for the command with the prompt and the caller's pattern and fills the
// reply. A chosen path longer than 255 characters cannot be kept in the reply: it is refused
// with error -37 (bad name) and a detail that names it, rather than cut short.
void DoOpenFileDialog(int16_t command, const std::string& prompt, const std::string& pattern,
                      TFileReply& reply);

// What a caller asks of OpenWorldFile, and where the answer goes.
struct TOpenFileRequest {
  int16_t command = 20;
  std::string prompt;
  std::string pattern;
  FSSpec spec;            // the chosen file, when one is chosen
  uint32_t fileType = 0;  // its four-character type
};

// The application's open-file operation for callers with a file record: windows waiting
// to be painted are painted first, then the open dialog runs (DoOpenFileDialog with the dialog
// parameters); a chosen file's path and type are copied into the request. Answers 1 when a file
// was chosen, 0 when the dialog was cancelled (the request unchanged).
int16_t OpenWorldFile(TOpenFileRequest& request,
                      const TFileDialogParameters& parameters = TFileDialogParameters());

// The New Button command asks through the open dialog for the document a button opens.
void InstallTemplateFileChooser();
void RemoveTemplateFileChooser();
