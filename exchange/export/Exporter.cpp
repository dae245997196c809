#include "exchange/export/Exporter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/statvfs.h>
#include <unistd.h>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/UnitHandler.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/ExportType.h"
#include "model/world/WorldDoc.h"
#include "ui/dialogs/YesNoPrompt.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/periphery/ProgressDialog.h"
#include "ui/views/ViewServices.h"

namespace {

constexpr int16_t kExporterStrings = 1110;
constexpr int16_t kReplaceQuestionIndex = 14;
constexpr int16_t kActionNameIndex = 5;

int16_t DecimalDigits(int32_t n) {
  int16_t digits = 1;
  for (n = std::abs(n); n >= 10; n /= 10) ++digits;
  return digits;
}

bool FileExists(const Str255& name) {
  return ::access(name.Chars(), F_OK) == 0;
}

// The export holds the thread until it ends: the progress is painted the moment it changes.
void PaintNow(HWND window) {
  RedrawWindow(window, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Hands the clicks and keys that reached the progress dialog to it, and only those: the rest
// wait for the export to end.
void TakeInputOf(HWND dialog) {
  MSG message;
  while (IsWindow(dialog) && PeekMessage(&message, dialog, 0, 0, PM_REMOVE))
    IsDialogMessage(dialog, &message);
}

}  // namespace

TExporter::TExporter() = default;

TExporter::~TExporter() {
  // A file that never got its output is incomplete: it goes.
  if (file_.IsOpen()) {
    file_.Close();
    if (!written_ || failed_) file_.Delete();
  }
}

void TExporter::Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
                     TExportType* type, const TExportFileSpec& fileSpec,
                     const TExportNameSpec& nameSpec, bool useNameSpec, int32_t startFrame,
                     int32_t stopFrame) {
  if (world == nullptr || view == nullptr || handler == nullptr || type == nullptr)
    ThrowFailure(kErrOutOfMemory, 0);
  units_ = dynamic_cast<TUnitHandler*>(world->GetUnitHandler());
  if (units_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  const int32_t firstTarget = std::clamp<int32_t>(startFrame, -1, 32767);
  SetUp(command, world->GetDocument(), world, static_cast<int16_t>(firstTarget), 1, 1);
  SetListener(this);
  view_ = view;
  handler_ = handler;

  fileSpec_ = fileSpec;
  nameSpec_ = nameSpec;
  useNameSpec_ = useNameSpec;
  baseFileName_ = fileSpec.name;
  file_.SetName(fileSpec.name);

  startFrame_ = startFrame;
  stopFrame_ = stopFrame;
  ascending_ = stopFrame >= startFrame;
  startIsNextFrame_ = world->CurrentFrame() == startFrame;

  uint32_t fileType = 0;
  type->GetFileInfo(fileType, fileCreatorTag_, fileFlags_);
  fileSpec_.fileType = fileType;
  int16_t step = 1;
  int16_t firstNumber = 0;
  type->GetFrameOptions(step, firstNumber, useSelection_);
  frameStep_ = std::max<int16_t>(step, 1);
  fileNumber_ = firstNumber;

  // A range of exactly one step holds both of its ends.
  if (stopFrame_ - startFrame_ >= frameStep_)
    stopFrame_ -= (stopFrame_ - startFrame_) % frameStep_;
  else
    stopFrame_ = startFrame_;

  handler->GetExportNames(command, exportBaseName_, exportExtension_);
  lastExportedFrame_ = startFrame_ - frameStep_;
  multiFrame_ = stopFrame_ != startFrame_;
}

int32_t TExporter::FrameCount() const {
  return std::abs(stopFrame_ - startFrame_) / frameStep_ + 1;
}

void TExporter::EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize) {
  a = 0;
  b = 2670;
  initialSize = 0;
}

int64_t TExporter::FreeBytes() const {
  // The folder the file goes into; the current one for a bare name.
  const std::string name = fileSpec_.name.Chars();
  const size_t slash = name.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

int16_t TExporter::CheckDiskSpace(int64_t freeBytes, int32_t) {
  // A folder whose free space cannot be read is left to the writes to find out.
  if (freeBytes >= 0 && bytesNeeded_ > freeBytes) return kErrDiskFull;
  return 0;
}

void TExporter::BeginExport() {
  if (writesFile_) {
    int32_t a = 0;
    int32_t b = 0;
    EstimateSize(a, b, initialStreamSize_);
    bytesNeeded_ = std::max<int64_t>(a, 0);
    FailIfError(CheckDiskSpace(FreeBytes(), initialStreamSize_));
    if (oneFilePerFrame_)
      numberWidth_ = std::max(kMinNumberWidth, DecimalDigits(FrameCount()));
    else
      OpenFile();
  }
  outputStream_ = MakeOutputStream();
}

void TExporter::OpenFile() {
  FailIfError(file_.Create(TMacFile::kReadWrite | TMacFile::kCreate));
}

void TExporter::GetCommandName(Str255& name) const {
  GetIndString(name, kExporterStrings, kActionNameIndex);
}

void TExporter::OpenProgress() {
  if (!multiFrame_ || progress_) return;
  CWnd* frame = MainFrameWindow() != nullptr ? CWnd::FromHandle(MainFrameWindow()) : nullptr;
  progress_ = TQVProgressDialog::Make(kProgressExport, frame, std::min(startFrame_, stopFrame_),
                                      std::max(startFrame_, stopFrame_));
  if (!progress_) return;
  Str255 name;
  GetCommandName(name);
  if (!name.IsEmpty()) SetWindowText(progress_->m_hWnd, name.Chars());
  PaintNow(progress_->m_hWnd);
}

void TExporter::ShowProgress() {
  if (!multiFrame_ || !progress_) return;
  progress_->SetPos(currentFrame_);
  const HWND dialog = progress_->m_hWnd;
  TakeInputOf(dialog);
  // Cancel hides the dialog: the export stops, and what it wrote so far is kept.
  if (!IsWindow(dialog) || !IsWindowVisible(dialog)) {
    Stop();
    return;
  }
  PaintNow(dialog);
}

void TExporter::Perform() {
  BeginExport();
  OpenProgress();
  BeforeFrames();
  try {
    TCommand::Perform();
  } catch (...) {
    // A failed export leaves no half-written file behind: the file goes with the exporter.
    failed_ = true;
    progress_.reset();
    throw;
  }
  EndExport();
  progress_.reset();
}

void TExporter::EndExport() {
  if (writesFile_ && !oneFilePerFrame_) FailIfError(FlushIfData());
}

void TExporter::FrameShown(TCommand&, int16_t frame) {
  if (ShouldExportFrame(frame)) ExportFrame(frame);
}

bool TExporter::ShouldExportFrame(int32_t frame) const {
  if (IsDone() != 0) return false;
  if (headingForStart_ && frame != startFrame_) return false;
  if (ascending_) return frame <= stopFrame_ && lastExportedFrame_ + frameStep_ <= frame;
  return frame >= stopFrame_ && lastExportedFrame_ + frameStep_ >= frame;
}

bool TExporter::TargetReached(TCommand&) {
  // A start frame already shown before the run is not shown again: it is exported here.
  if (startIsNextFrame_ && lastExportedFrame_ != startFrame_) ExportFrame(startFrame_);
  startIsNextFrame_ = false;
  headingForStart_ = false;
  if (GetTarget() == stopFrame_) return false;
  SetTarget(static_cast<int16_t>(std::clamp<int32_t>(stopFrame_, -1, 32767)), 0);
  return true;
}

void TExporter::RunStopped(TCommand&) {
  if (writesFile_ && hasData_) FailIfError(FlushIfData());
}

void TExporter::ExportFrame(int32_t frame) {
  currentFrame_ = frame;
  ShowProgress();
  BeginFrameFile();
  WriteFrame();
  EndFrameFile();
  lastExportedFrame_ = frame;
  exportedFrames_.push_back(frame);
}

void TExporter::PerFrameFileName(int32_t number, Str255& name) const {
  const std::string base = baseFileName_.Chars();
  // The extension follows the last dot of the file's own name, not of a folder.
  const size_t slash = base.find_last_of('/');
  const size_t dot = base.find_last_of('.');
  const bool hasExtension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const std::string stem = hasExtension ? base.substr(0, dot) : base;
  const std::string extension = hasExtension ? base.substr(dot) : std::string();
  char digits[16];
  std::snprintf(digits, sizeof digits, "%0*d", static_cast<int>(numberWidth_), number);
  name.Assign((stem + " " + digits + extension).c_str());
}

void TExporter::BeginFrameFile() {
  if (!writesFile_ || !oneFilePerFrame_) return;
  Str255 name;
  PerFrameFileName(fileNumber_, name);
  fileSpec_.name = name;
  useNameSpec_ = false;
  if (CheckDiskSpace(FreeBytes(), 0) != 0) ThrowFailure(kErrDiskFull, 0);
  file_.SetName(name);
  if (!ConfirmReplaceIfExists(name)) ThrowFailure(kErrNone, 0);
  ::unlink(name.Chars());
  FailIfError(file_.Create(TMacFile::kWrite | TMacFile::kCreate));
  written_ = false;
  hasData_ = false;
  if (!outputStream_) outputStream_ = MakeOutputStream();
}

void TExporter::EndFrameFile() {
  if (!writesFile_ || !oneFilePerFrame_) return;
  FailIfError(FlushIfData());
  if (file_.IsOpen() && written_) file_.Close();
  ++fileNumber_;
}

bool TExporter::ConfirmReplaceIfExists(const Str255& name) {
  if (replaceConfirmed_ || !FileExists(name)) return true;
  Str255 question;
  GetIndString(question, kExporterStrings, kReplaceQuestionIndex);
  if (!question.IsEmpty()) {
    if (handler_->ConfirmReplace(question) != kPromptYesTag) return false;
  }
  replaceConfirmed_ = true;
  return true;
}

int16_t TExporter::FlushIfData() {
  return hasData_ ? WriteOutput() : 0;
}

int16_t TExporter::WriteOutput() {
  int16_t result = 0;
  if (file_.IsOpen() && outputStream_) {
    const int32_t length = outputStream_->GetLength();
    Handle handle = outputStream_->DetachHandle();
    int32_t count = 0;
    if (handle != nullptr) {
      count = std::min<int32_t>(length, static_cast<int32_t>(GetHandleByteSize(handle)));
      result = file_.Write(HandleData(handle), count);
      FreeHandle(handle);
    }
    // Each file gets its own output; the next frame file starts a new one.
    outputStream_.reset();
    if (oneFilePerFrame_) outputStream_ = MakeOutputStream();
  }
  written_ = result == 0;
  if (written_) hasData_ = false;
  return result;
}
