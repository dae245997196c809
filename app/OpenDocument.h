#pragma once
// Opening a document file as a command of the application: performed on the failure road, so
// a file that cannot be read is shown once through an alert that names it.

#include <functional>
#include <memory>
#include <string>

#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"

class TOpenDocumentCommand : public TCommandCore {
 public:
  // The command is owned by its caller: the application neither keeps it for undo nor deletes
  // it.
  explicit TOpenDocumentCommand(std::string path);

  // Reads the file into a new document. On failure the failure detail text names the file, and
  // no document is kept.
  void Perform() override;

  // Makes the document the file is read into (a plain new document when not set).
  void MakeDocumentWith(std::function<std::unique_ptr<TQVDoc>()> maker) {
    maker_ = std::move(maker);
  }
  // Called with the document once it is read, e.g. to name it in the window's title.
  void OnOpened(std::function<void(TQVDoc&)> opened) { opened_ = std::move(opened); }

  const std::string& Path() const { return path_; }
  // The document read, or null when the command was not performed or failed.
  TQVDoc* Document() const { return document_.get(); }
  std::unique_ptr<TQVDoc> TakeDocument() { return std::move(document_); }

 private:
  std::string path_;
  std::unique_ptr<TQVDoc> document_;
  std::function<void(TQVDoc&)> opened_;
  std::function<std::unique_ptr<TQVDoc>()> maker_;
};
