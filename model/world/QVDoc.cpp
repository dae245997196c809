#include "model/world/QVDoc.h"

#include <strings.h>

#include <cstdio>
#include <filesystem>
#include <span>
#include <system_error>

#include "core/Failure.h"
#include "core/FileCalls.h"
#include "core/UnitHandler.h"
#include "model/filing/DocumentFiling.h"
#include "model/filing/ObjectReader.h"

namespace {

// The file a save writes before it takes the document's place.
std::string SavingPath(const std::string& path) {
  return path + ".saving";
}

// File names travel as counted strings: a path that does not fit is refused, never cut.
Str255 FileName(const std::string& path) {
  if (path.size() > Str255::kCapacity) ThrowFailure(kErrIO, 0);
  return Str255(path.c_str());
}

// Closes the file when the scope ends, however it ends.
class FileCloser {
 public:
  explicit FileCloser(TMacFile& file) : file_(file) {}
  ~FileCloser() {
    if (file_.IsOpen()) file_.Close();
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  TMacFile& file_;
};

TQVDoc::ScriptObjectMaker g_scriptObjectMaker;
uint16_t g_saveWithResults = 1;
TQVDoc::DrawingImporter g_drawingImporter = nullptr;
TQVDoc::ReadIndicatorMaker g_readIndicatorMaker;

// The unit kind of lengths, whose display factor scales an imported drawing.
constexpr int32_t kLengthKind = 0x01000000;
constexpr int16_t kImportingDrawing = 3;

// A path whose extension is "dxf" in any case names a drawing.
bool IsDrawingPath(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  return extension.size() == 4 && strcasecmp(extension.c_str(), ".dxf") == 0;
}

// The document's import mode for as long as it lives, then 0 again.
class ImportModeScope {
 public:
  ImportModeScope(int16_t& mode, int16_t during) : mode_(mode) { mode_ = during; }
  ~ImportModeScope() { mode_ = 0; }
  ImportModeScope(const ImportModeScope&) = delete;
  ImportModeScope& operator=(const ImportModeScope&) = delete;

 private:
  int16_t& mode_;
};

}  // namespace

uint16_t TQVDoc::GetSaveWithResults() { return g_saveWithResults; }
void TQVDoc::SetSaveWithResults(uint16_t on) { g_saveWithResults = on != 0 ? 1 : 0; }

std::string TQVDoc::Title() const {
  if (path_.empty()) return untitledName_;
  const size_t slash = path_.find_last_of("/\\");
  return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

void TQVDoc::SetScriptObjectMaker(const ScriptObjectMaker& maker) { g_scriptObjectMaker = maker; }

CCmdTarget* TQVDoc::GetAPIDocument(CCmdTarget* parent) {
  if (apiDocument_ == nullptr && parent != nullptr && g_scriptObjectMaker.make != nullptr)
    apiDocument_ = g_scriptObjectMaker.make(*this, parent);
  return apiDocument_;
}

TQVDoc::TQVDoc() : TQVDoc(kDocumentFileType, 0) {}

TQVDoc::TQVDoc(uint32_t worldType, int16_t flag)
    : world_(std::make_unique<TWorldDoc>()), worldType_(worldType) {
  world_->SetDocument(this);
  world_->InitWorld(flag);
}

TQVDoc::~TQVDoc() {
  CCmdTarget* object = apiDocument_;
  apiDocument_ = nullptr;
  if (object != nullptr && g_scriptObjectMaker.release != nullptr) g_scriptObjectMaker.release(object);
}

std::unique_ptr<TMacFile> TQVDoc::MakeFile() {
  return std::make_unique<TMacFile>();
}

void TQVDoc::ReadDocument(const std::string& path) {
  // Documents of this program and of its sibling ("RE25", "RE25S" and older) share the binary
  // reader; the sibling's store 32-bit reals, which the reader takes from the type. Text worlds
  // have no reader here.
  // A drawing of another program becomes a new, untitled world.
  if (IsDrawingPath(path)) {
    ReadAlternateFile(path);
    readFromDrawing_ = true;
    changes_ = 0;
    return;
  }
  const uint32_t type = GetFileTypeOfPath(path.c_str());
  if (type == kTextFileType) ThrowFailure(kErrTextFormat, 0);
  // A file of no kind of ours may be another program's that the importer knows.
  if (type == kNoFileType) {
    ReadAlternateFile(path);
    readFromDrawing_ = true;
    changes_ = 0;
    return;
  }
  if (type != kDocumentFileType && type != kSiblingFileType) ThrowFailure(kErrBadFormat, 0);
  std::unique_ptr<TMacFile> file = MakeFile();
  FailIfError(file->OpenNamed(FileName(path), TMacFile::kRead));
  FileCloser closer(*file);
  world_->StartDocumentRead();
  const std::unique_ptr<ReadIndicator> indicator =
      g_readIndicatorMaker ? g_readIndicatorMaker(path) : nullptr;
  ReadProgress progress;
  if (indicator) progress = [&indicator](bool&, int32_t, double read) { indicator->Step(read); };
  auto reader = ReadDocumentFile(*file, type, world_.get(), progress);
  // The stream may end in bytes that no record takes: the file is read all the same.
  if (indicator) indicator->Step(1.0);
  world_->AdoptObjects(reader->TakeObjects());
  changes_ = 0;
  path_ = path;
}

void TQVDoc::SetDrawingImporter(DrawingImporter importer) { g_drawingImporter = importer; }
void TQVDoc::SetReadIndicatorMaker(ReadIndicatorMaker maker) {
  g_readIndicatorMaker = std::move(maker);
}
bool TQVDoc::HasDrawingImporter() { return g_drawingImporter != nullptr; }

void TQVDoc::ReadAlternateFile(const std::string& path) {
  ImportModeScope importing(importMode_, kImportingDrawing);
  if (g_drawingImporter == nullptr) ThrowFailure(kErrBadFormat, 0);
  // Drawings are measured in the document's length unit; the world's lengths are metres.
  double scale = 1.0;
  if (auto* units = dynamic_cast<TUnitHandler*>(world_->GetUnitHandler())) {
    const double factor = units->GetDisplayFactor(kLengthKind);
    if (factor > 0.0) scale = 1.0 / factor;
  }
  std::vector<uint8_t> text;
  importNote_.clear();
  std::string note;
  g_drawingImporter(path, scale, text, note);
  auto reader = ReadObjects(std::span<const uint8_t>(text), 0, 0, world_.get(), nullptr, nullptr, {});
  reader->Complete(0);
  world_->AdoptObjects(reader->TakeObjects());
  importNote_ = std::move(note);
}

void TQVDoc::WriteDocument(const std::string& path) {
  const std::string saving = SavingPath(path);
  {
    std::unique_ptr<TMacFile> file = MakeFile();
    FailIfError(file->CreateNamed(FileName(saving), TMacFile::kWrite | TMacFile::kCreate));
    try {
      FileCloser closer(*file);
      // Only this write follows the switch; every other writer of the world files its frames.
      world_->SetFileResults(g_saveWithResults);
      try {
        ::WriteDocument(*file, *world_, world_->Objects());
      } catch (...) {
        world_->SetFileResults(1);
        throw;
      }
      world_->SetFileResults(1);
      FailIfError(file->Close());
      if (trailerWriter_) trailerWriter_(saving);
    } catch (...) {
      std::error_code ignored;
      std::filesystem::remove(saving, ignored);
      throw;
    }
  }
  std::error_code error;
  std::filesystem::rename(saving, path, error);
  if (error) {
    std::filesystem::remove(saving, error);
    ThrowFailure(kErrIO, 0);
  }
  changes_ = 0;
  path_ = path;
}
