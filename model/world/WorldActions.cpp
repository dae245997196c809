// The actions the world answers by tag, as a dialog's action buttons ask them of it, and the
// command that makes the world the start of new documents.

#include <filesystem>
#include <memory>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "model/filing/DocumentFiling.h"
#include "model/world/PreferencesCommand.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Profile.h"

namespace {

constexpr uint32_t kTagZoomToExtent = MakeTag("zExt");
constexpr uint32_t kTagMakePreferences = MakeTag("prfF");
constexpr uint32_t kTagLinkExternal = MakeTag("exLi");
constexpr uint32_t kTagLoadTable = MakeTag("DTGo");

// What the world's menus make of linking the selection to an external table, and what an
// object that loads data tables makes of loading one.
constexpr int16_t kCmdLinkExternalTable = 1130;
constexpr int16_t kCmdLoadDataTable = 1125;

// Closes the file when the scope ends, however it ends.
class FileCloser {
 public:
  explicit FileCloser(TMacFile& file) : file_(file) {}
  ~FileCloser() { file_.Close(); }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  TMacFile& file_;
};

}  // namespace

uint16_t TWorldDoc::HasAction(uint32_t tag) {
  if (tag == kTagZoomToExtent || tag == kTagMakePreferences || tag == kTagLinkExternal ||
      tag == kTagLoadTable)
    return 1;
  return TWorldBase::HasAction(tag);
}

void TWorldDoc::DoAction(uint32_t tag) {
  if (tag == kTagZoomToExtent) {
    if (display_ != nullptr) display_->ZoomToExtents();
    return;
  }
  if (tag == kTagMakePreferences) {
    Host().PostCommand(new TPreferencesCommand(*this, GetDocument()));
    return;
  }
  if (tag == kTagLinkExternal) {
    if (display_ == nullptr) return;
    if (TCommandCore* command = display_->DoWorldMenuCommand(kCmdLinkExternalTable))
      Host().PostCommand(command);
    return;
  }
  if (tag == kTagLoadTable) {
    tableLoader_ = nullptr;
    for (TLink* object : Objects()) {
      auto* handler = dynamic_cast<THandlerLink*>(object);
      if (handler == nullptr) continue;
      bool handled = false;
      std::unique_ptr<TCommandCore> command = handler->DoObjectMenuCommand(kCmdLoadDataTable, handled);
      if (!handled) continue;
      tableLoader_ = object;
      if (command) Host().PostCommand(command.release());
      return;
    }
    // A world that loads no table yet gets its loader from its menus, which make one.
    if (display_ == nullptr) return;
    if (TCommandCore* command = display_->DoWorldMenuCommand(kCmdLoadDataTable))
      Host().PostCommand(command);
    return;
  }
  TWorldBase::DoAction(tag);
}

// ---- The preferences document -------------------------------------------------------------

TPreferencesCommand::TPreferencesCommand(TWorldDoc& world, TCommandDocument* document)
    : world_(world) {
  Init(kCmdMakePreferences, document, nullptr, nullptr);
}

std::string TPreferencesCommand::PreferencesPath() {
  const std::string folder = GetWindowsDirectory();
  if (folder.empty()) return {};
  return (std::filesystem::path(folder) / kPreferencesDocumentName).string();
}

void TPreferencesCommand::DoIt() {
  const std::string path = PreferencesPath();
  // File names travel as counted strings: a path that does not fit is refused, never cut.
  if (path.empty() || path.size() + 7 > Str255::kCapacity) ThrowFailure(kErrIO, 0);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  // Written beside the old document first, so that a failed write keeps the old one whole.
  const std::string saving = path + ".saving";
  try {
    TMacFile file;
    FailIfError(file.CreateNamed(Str255(saving.c_str()), TMacFile::kWrite | TMacFile::kCreate));
    FileCloser closer(file);
    // A new document starts without results.
    const uint16_t results = world_.GetFileResults();
    world_.SetFileResults(0);
    try {
      WriteDocument(file, world_, world_.Objects());
    } catch (...) {
      world_.SetFileResults(results);
      throw;
    }
    world_.SetFileResults(results);
  } catch (...) {
    std::filesystem::remove(saving, error);
    throw;
  }
  std::filesystem::rename(saving, path, error);
  if (error) {
    std::filesystem::remove(saving, error);
    ThrowFailure(kErrIO, 0);
  }
}
