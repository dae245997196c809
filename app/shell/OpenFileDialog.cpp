#include "app/shell/OpenFileDialog.h"

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/FileCalls.h"
#include "platform/win32/Message.h"
#include "views/world/TemplateCommand.h"

namespace {

constexpr char kWorldPattern[] = "*.yb";
constexpr char kScriptPattern[] = "*.ybs";
constexpr char kAllFiles[] = "*.*";
constexpr int16_t kOpenCommand = 20;
constexpr int16_t kOpenScriptCommand = 5515;
constexpr int16_t kErrBadName = -37;
constexpr size_t kLongestName = 255;
// The open dialog's flags: hide the read-only box, ask before overwriting.
constexpr uint32_t kHideReadOnly = 0x00000004;
constexpr uint32_t kOverwritePrompt = 0x00000002;

}  // namespace

std::string FileDialogPattern(int16_t command, const std::string& pattern) {
  if (command == kOpenCommand) return kWorldPattern;
  if (command == kOpenScriptCommand) return kScriptPattern;
  return pattern.empty() ? kWorldPattern : pattern;
}

std::string FileDialogFilter(const std::string& pattern) {
  std::string filter = pattern + "|" + pattern + "|";
  if (pattern != kAllFiles) filter += std::string(kAllFiles) + "|" + kAllFiles + "|";
  return filter + "|";
}

void DoOpenFileDialog(int16_t command, const std::string& prompt, const std::string& pattern,
                      TFileReply& reply) {
  const std::string chosen = FileDialogPattern(command, pattern);
  const std::string filter = FileDialogFilter(chosen);
  TMacFileDialog dialog(true, chosen.c_str(), chosen.c_str(), Str255(prompt.c_str()),
                        kHideReadOnly | kOverwritePrompt, filter.c_str());
  if (dialog.DoModal() != TMacFileDialog::kOk) {
    reply.good = 0;
    reply.name = Str255();
    reply.fileType = -1;
    return;
  }
  const std::string& path = dialog.GetPathName();
  if (path.size() > kLongestName) {
    FailureDetailText() = "The chosen file's path is longer than 255 characters, so it was not opened.";
    ThrowFailure(kErrBadName, 0);
  }
  reply.good = 1;
  reply.name = Str255(path.c_str());
  reply.fileType = static_cast<int32_t>(GetFileTypeOfPath(path.c_str()));
}

int16_t OpenWorldFile(TOpenFileRequest& request, const TFileDialogParameters& parameters) {
  // The dialog takes the place and kind of files the common dialog of the window layer gives
  // it; the parameters are kept for callers that ask for them.
  (void)parameters;
  MSG message;
  while (PeekMessage(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE) != 0)
    DispatchMessage(&message);
  TFileReply reply;
  DoOpenFileDialog(request.command, request.prompt, request.pattern, reply);
  if (reply.good == 0) return 0;
  request.spec.Clear();
  request.spec.name = reply.name;
  request.fileType = static_cast<uint32_t>(reply.fileType);
  return 1;
}

namespace {

bool ChooseTemplateDocument(std::string& path) {
  TOpenFileRequest request;
  if (OpenWorldFile(request) == 0) return false;
  path = request.spec.name.Chars();
  return true;
}

}  // namespace

void InstallTemplateFileChooser() { SetTemplateFileChooser(ChooseTemplateDocument); }
void RemoveTemplateFileChooser() { SetTemplateFileChooser(nullptr); }
