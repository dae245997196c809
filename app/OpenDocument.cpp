#include "app/OpenDocument.h"

#include <filesystem>
#include <system_error>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MacFile.h"

TOpenDocumentCommand::TOpenDocumentCommand(std::string path) : path_(std::move(path)) {
  InitCommand(0, nullptr, nullptr, nullptr);
  SetCanUndo(0);
  SetCausesChange(0);
  SetFreeWhenDone(0);
}

void TOpenDocumentCommand::Perform() {
  document_.reset();
  std::error_code ignored;
  if (std::filesystem::is_directory(path_, ignored)) {
    const std::string detail = "\"" + path_ + "\" is a folder, not a document.";
    FailureDetailText() = Str255(detail.c_str());
    ThrowFailure(kErrNotAFile, 0);
  }
  std::unique_ptr<TQVDoc> document = maker_ ? maker_() : std::make_unique<TQVDoc>();
  try {
    document->ReadDocument(path_);
  } catch (const QVException&) {
    const std::string detail = "The document \"" + path_ + "\" was not opened.";
    FailureDetailText() = Str255(detail.c_str());
    throw;
  }
  document_ = std::move(document);
  if (opened_) opened_(*document_);
}
