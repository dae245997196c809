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
  FailureDetailText() = Str255();
  try {
    document->ReadDocument(path_);
  } catch (const QVException&) {
    // The reader's own cause comes first, so that the text's length limit cuts the path, not it.
    const std::string cause = FailureDetailText().AsCString();
    const std::string opened = "The document \"" + path_ + "\" was not opened.";
    const std::string detail = cause.empty() ? opened : cause + " " + opened;
    FailureDetailText() = Str255(detail.c_str());
    throw;
  }
  document_ = std::move(document);
  if (opened_) opened_(*document_);
}
