#include "exchange/export/ExportFileName.h"

#include "core/PString.h"
#include "exchange/export/ExportHandler.h"

namespace {

// The position of the dot that begins the extension of the path's file name, or npos.
size_t ExtensionDot(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of('.');
  return dot != std::string::npos && dot >= start ? dot : std::string::npos;
}

}  // namespace

const char* ExportExtensionOf(int16_t command) {
  switch (command) {
    case kCmdExportDxfFrame:
    case kCmdExportDxfFrames:
      return "dxf";
    case kCmdExportVideo:
      return "avi";
    default:
      return "dta";
  }
}

std::string ProposedExportName(const std::string& documentPath) {
  if (documentPath.empty()) return "*";
  // Only the file's own extension goes: a dot in a folder's name stays.
  return documentPath.substr(0, ExtensionDot(documentPath));
}

TExportNameCheck CheckExportFileName(const std::string& typed, int16_t command) {
  TExportNameCheck check;
  const size_t slash = typed.find_last_of("/\\");
  std::string name = slash == std::string::npos ? typed : typed.substr(slash + 1);
  const std::string kind = ExportExtensionOf(command);
  const size_t dot = ExtensionDot(name);
  if (dot == std::string::npos) {
    name += "." + kind;
  } else if (dot + 1 == name.size()) {
    name += kind;  // a name ending in its dot has no extension yet
  } else {
    const std::string extension = name.substr(dot + 1);
    if (extension != "dta" && extension != "dxf" && extension != "avi") return check;
    if (extension != kind) name = name.substr(0, dot + 1) + kind;
  }
  check.accepted = true;
  check.name = name;
  check.extension = kind;
  return check;
}

void KeepExportFileName(TExportHandler& handler, int16_t command, const TExportNameCheck& check) {
  if (!check.accepted) return;
  const std::string base = check.name.substr(0, check.name.size() - check.extension.size() - 1);
  handler.SetExportFileName(command, Str255(check.name.c_str()));
  handler.SetExportNames(command, Str255(base.c_str()), Str255(check.extension.c_str()));
}
