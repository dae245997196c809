#pragma once
// The names the export dialog works with: the name it proposes for a document, and the check of
// a typed name against the kind of export chosen ("result" becomes "result.dta" for meter data,
// "result.dxf" becomes "result.dta" too; "result.txt" and "result.DTA" are refused).

#include <cstdint>
#include <string>

class TExportHandler;

// The extension (without the dot) of the kind the command exports: "dxf", "dta" or "avi"; the
// meter data's for any other command, the kind the dialog's list opens with.
const char* ExportExtensionOf(int16_t command);

// The document's path without the extension of its file name; "*" for a document without a path.
std::string ProposedExportName(const std::string& documentPath);

struct TExportNameCheck {
  bool accepted = false;
  std::string name;       // the file's name with the kind's extension
  std::string extension;  // that extension, without the dot
};

// The check of the name typed (with or without its folder) for the command's kind. Only the
// three extensions the program writes, in lower case, are accepted; one of another kind is
// replaced by the kind's own.
TExportNameCheck CheckExportFileName(const std::string& typed, int16_t command);

// Keeps an accepted name in the handler: the whole name, the name before its extension and the
// extension.
void KeepExportFileName(TExportHandler& handler, int16_t command, const TExportNameCheck& check);
