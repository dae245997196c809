#include "exchange/video/VideoMovieMaker.h"

#include <cstring>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "exchange/video/VideoExportType.h"
#include "model/world/WorldDoc.h"
#include "platform/avi/VideoLibrary.h"
#include "platform/win32/Gdi.h"
#include "ui/views/OwlView.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/WorldWindow.h"

namespace {

// The display picture of the off-screen manager (the background is the other).
constexpr int16_t kDisplayBuffer = 1;
constexpr size_t kDibHeaderSize = 40;
// The list of the movie export's name, and its place there.
constexpr int16_t kMovieNameList = 305;
constexpr int16_t kMovieNameIndex = 1;

bool g_recording = false;

TObject* NewVideoMovieMaker() {
  return new TVideoMovieMaker;
}

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

}  // namespace

TVideoMovieMaker::~TVideoMovieMaker() {
  // A movie left open here did not end as it should: none is left behind.
  if (streamOpen_) CloseAfterFailure();
  if (frameBitmap_ != nullptr) DeleteObject(frameBitmap_);
  if (recording_) StopRecording();
}

void TVideoMovieMaker::StopRecording() {
  recording_ = false;
  g_recording = false;
  TOwlWindow::SuspendSizeHandling() = sizeHandlingWasSuspended_;
}

bool TVideoMovieMaker::IsRecording() {
  return g_recording;
}

void TVideoMovieMaker::GetCommandName(Str255& name) const {
  GetIndString(name, kMovieNameList, kMovieNameIndex);
  if (name.IsEmpty()) TExporter::GetCommandName(name);
}

void TVideoMovieMaker::Init(int16_t command, TWorldDoc* world, void* view,
                            TExportHandler* handler, TExportType* type,
                            const TExportFileSpec& fileSpec, const TExportNameSpec& nameSpec,
                            bool useNameSpec, int32_t startFrame, int32_t stopFrame) {
  TExporter::Init(command, world, view, handler, type, fileSpec, nameSpec, useNameSpec,
                  startFrame, stopFrame);
  type_ = dynamic_cast<TVideoExportType*>(type);
  if (type_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
}

bool TVideoMovieMaker::GetFrameSurface(HDC& dc, HBITMAP& bitmap, int16_t& width,
                                       int16_t& height) {
  auto* window = World() != nullptr ? dynamic_cast<TWorldWindow*>(World()->GetDisplay()) : nullptr;
  if (window == nullptr || window->Manager() == nullptr) return false;
  window->Manager()->GetBufferInfo(kDisplayBuffer, &dc, &bitmap, &width, &height);
  return dc != nullptr && bitmap != nullptr && width > 0 && height > 0;
}

void TVideoMovieMaker::BeginExport() {
  // Without a writer that can record, the movie is refused rather than written as nothing.
  library_ = BoundVideoLibrary();
  if (library_ == nullptr || library_->IsVideoAvailable() == 0)
    ThrowFailure(kErrVideoUnavailable, 0);
  // The movie's frames all have the size it opens with: the window keeps its size meanwhile.
  recording_ = true;
  g_recording = true;
  sizeHandlingWasSuspended_ = TOwlWindow::SuspendSizeHandling();
  TOwlWindow::SuspendSizeHandling() = true;
  TExporter::BeginExport();
}

void TVideoMovieMaker::OpenFile() {
  if (library_->LibraryInitialized() == 0) library_->InitVideoLibrary();
  int16_t rate = 0;
  int16_t depth = 0;
  int16_t repeat = 0;
  type_->GetSettings(rate, depth, repeat);
  HBITMAP viewBitmap = nullptr;
  if (!GetFrameSurface(dc_, viewBitmap, width_, height_)) ThrowFailure(kErrOutOfMemory, 0);
  try {
    frameBitmap_ = CreateCompatibleBitmap(dc_, width_, height_);
    if (frameBitmap_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
    // The view's picture comes out of its context while the writer reads it.
    HGDIOBJ taken = SelectObject(dc_, frameBitmap_);
    const std::vector<uint8_t> dib = library_->MakeDib(viewBitmap, depth, 0);
    SelectObject(dc_, taken);
    if (dib.size() < kDibHeaderSize) ThrowFailure(kErrOutOfMemory, 0);
    if (type_->HasOptions()) {
      const int32_t size = static_cast<int32_t>(TVideoExportType::kOptionsSize);
      library_->SetArrays(type_->Options().data(), &size);
    }
    streamOpen_ = true;
    Str255 name;
    File().GetName(name);
    if (library_->InitStream(name.Chars(), FrameCount(), rate, width_, height_, dib) == 0)
      ThrowFailure(kErrVideoStream, 0);
    library_->MakeCompressedStream();
    const uint32_t formatSize = ReadU32(dib, 0) + 4 * ReadU32(dib, 32);
    if (library_->SetFrameFormat(dib, static_cast<int32_t>(formatSize)) == 0)
      ThrowFailure(kErrVideoStream, 0);
  } catch (...) {
    CloseAfterFailure();
    throw;
  }
}

void TVideoMovieMaker::WriteFrame() {
  if (!streamOpen_) return;
  int16_t rate = 0;
  int16_t depth = 0;
  int16_t repeat = 0;
  type_->GetSettings(rate, depth, repeat);
  HDC dc = nullptr;
  HBITMAP viewBitmap = nullptr;
  int16_t width = 0;
  int16_t height = 0;
  int32_t result = kVideoFrameFailed;
  if (GetFrameSurface(dc, viewBitmap, width, height)) {
    HGDIOBJ taken = SelectObject(dc, frameBitmap_);
    result = library_->MakeFrames(viewBitmap, depth, width, height, repeat, 1);
    SelectObject(dc, taken);
  }
  if (result != 0) {
    CloseAfterFailure();
    ThrowFailure(static_cast<int16_t>(result), 0);
  }
}

void TVideoMovieMaker::EndExport() {
  if (recording_) StopRecording();
  TExporter::EndExport();
  if (frameBitmap_ != nullptr) {
    DeleteObject(frameBitmap_);
    frameBitmap_ = nullptr;
  }
  if (library_ == nullptr || !streamOpen_) return;
  int32_t size = 0;
  const void* options = library_->GetArrays(&size);
  if (options != nullptr) type_->TakeOptions(options, size);
  streamOpen_ = false;
  const int32_t finished = library_->CloseDataStream();
  library_->CloseVideoStream();
  if (finished == 0) ThrowFailure(kErrVideoStream, 0);
}

void TVideoMovieMaker::CloseAfterFailure() {
  streamOpen_ = false;
  if (frameBitmap_ != nullptr) {
    DeleteObject(frameBitmap_);
    frameBitmap_ = nullptr;
  }
  // The movie is abandoned, not finished: no half movie stays in the user's folder.
  if (library_ != nullptr) library_->CloseVideoStream();
}

void RegisterVideoMovieMakerClass() {
  RegisterClassInfo("TVideoMovieMaker", TVideoMovieMaker::kTag, TVideoMovieMaker::kClassID,
                    NewVideoMovieMaker, sizeof(TVideoMovieMaker));
}
