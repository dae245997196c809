#include "app/OpenDocument.h"

#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MacFile.h"

namespace {

// The longest text a failure's detail holds.
constexpr size_t kDetailLength = 255;
constexpr char kLeftOut[] = "...";

// The path with as much of the middle of its folder left out as the text it goes into is too
// long, so that the cause and the file name are read whole.
std::string FolderShortened(const std::string& path, size_t excess) {
  const size_t slash = path.rfind('/');
  if (excess == 0 || slash == std::string::npos) return path;
  const std::string folder = path.substr(0, slash);
  const size_t cut = excess + std::size(kLeftOut) - 1;
  if (cut >= folder.size()) return kLeftOut + path.substr(slash);
  const size_t from = (folder.size() - cut) / 2;
  return folder.substr(0, from) + kLeftOut + folder.substr(from + cut) + path.substr(slash);
}

// The detail of a document that was not opened: the reader's own cause, then the path.
std::string NotOpenedDetail(const std::string& cause, const std::string& path) {
  const auto detail = [&cause](const std::string& shown) {
    const std::string opened = "The document \"" + shown + "\" was not opened.";
    return cause.empty() ? opened : cause + " " + opened;
  };
  const size_t length = detail(path).size();
  return detail(FolderShortened(path, length > kDetailLength ? length - kDetailLength : 0));
}

}  // namespace

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
    const std::string cause = FailureDetailText().AsCString();
    FailureDetailText() = Str255(NotOpenedDetail(cause, path_).c_str());
    throw;
  }
  document_ = std::move(document);
  if (opened_) opened_(*document_);
}
