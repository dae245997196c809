#include "app/OpenDocument.h"

#include "core/Alert.h"
#include "core/Failure.h"

TOpenDocumentCommand::TOpenDocumentCommand(std::string path) : path_(std::move(path)) {
  InitCommand(0, nullptr, nullptr, nullptr);
  SetCanUndo(0);
  SetCausesChange(0);
  SetFreeWhenDone(0);
}

void TOpenDocumentCommand::Perform() {
  document_.reset();
  auto document = std::make_unique<TQVDoc>();
  try {
    document->ReadDocument(path_);
  } catch (const QVException&) {
    const std::string detail = "The document \"" + path_ + "\" was not opened.";
    FailureDetailText() = Str255(detail.c_str());
    throw;
  }
  document_ = std::move(document);
}
