#pragma once
// The common base of every exporter: a command that runs (or replays) the world from a start
// frame to a stop frame, hands each chosen frame to the subclass to write, keeps the output in
// memory and writes it to one file, or to one file per frame ("arm 0007.dxf"). It listens to its
// own run: the first target is the start frame, then the stop frame.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/MacFile.h"
#include "core/PString.h"
#include "core/StreamRoot.h"
#include "model/world/RunCommand.h"

class TExportHandler;
class TQVProgressDialog;
class TExportType;
class TLink;
class TUnitHandler;
class TWorldDoc;

// Where an export goes: name is the whole path of the file.
struct TExportFileSpec {
  int16_t volume = 0;
  uint32_t fileType = 0x20202020;  // four blanks
  int16_t reserved = 0;
  Str255 name;
};

// A second file record of the target, used to name the finished file when asked.
struct TExportNameSpec {
  int16_t volume = 0;
  int32_t directory = 0;
  Str255 name;
};

class TExporter : public TCommand, public TRunListener {
  DECLARE_CLASS_ID(409, TCommand)

 public:
  // Digits of per-frame file numbers at least.
  static constexpr int16_t kMinNumberWidth = 4;

  TExporter();
  ~TExporter() override;
  TExporter(const TExporter&) = delete;
  TExporter& operator=(const TExporter&) = delete;

  // Fails with -108 for a missing world, view, handler or type, or a world without units. A
  // range shorter than one frame step, or a reversed one, exports the start frame alone; a
  // longer one ends at the last frame a whole number of steps after the start.
  virtual void Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
                    TExportType* type, const TExportFileSpec& fileSpec,
                    const TExportNameSpec& nameSpec, bool useNameSpec, int32_t startFrame,
                    int32_t stopFrame);

  // Begins, runs the frames, and ends the export. A failure is passed on and the file being
  // written is removed when the exporter goes.
  void Perform() override;

  // Run listener.
  void FrameShown(TCommand& command, int16_t frame) override;
  bool TargetReached(TCommand& command) override;
  // What was collected so far is written.
  void RunStopped(TCommand& command) override;

  int32_t GetStartFrame() const { return startFrame_; }
  int32_t GetStopFrame() const { return stopFrame_; }
  bool IsMultiFrame() const { return multiFrame_; }
  // |stop - start| / step + 1.
  int32_t FrameCount() const;
  // The frames exported so far, in order.
  const std::vector<int32_t>& ExportedFrames() const { return exportedFrames_; }
  // The name the per-frame file of number gets: the stem, a blank, the number padded with zeros
  // to the width, then the base name's extension (from its last dot).
  void PerFrameFileName(int32_t number, Str255& name) const;
  // The name of the export, which titles its progress: "Export" unless a kind names its own.
  virtual void GetCommandName(Str255& name) const;
  // The progress dialog of an export of several frames while it runs; null otherwise.
  const TQVProgressDialog* Progress() const { return progress_.get(); }
  // Answers the user's agreement to replace existing files; the handler asks.
  void SetReplaceConfirmed(bool confirmed) { replaceConfirmed_ = confirmed; }

 protected:
  virtual void BeginExport();
  virtual void BeforeFrames() {}
  // Writes the current frame into the output stream.
  virtual void WriteFrame() {}
  virtual void BeginFrameFile();
  virtual void EndExport();
  // -34 when the bytes the export needs (the first figure of EstimateSize) exceed the free
  // bytes; a negative count means unknown.
  virtual int16_t CheckDiskSpace(int64_t freeBytes, int32_t initialSize);
  // Free bytes of the file system the file goes to; -1 when unknown.
  virtual int64_t FreeBytes() const;
  virtual void OpenFile();
  virtual std::unique_ptr<TAbstractStream> MakeOutputStream() { return nullptr; }
  virtual void EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize);

  // An export of several frames shows its progress over its range.
  void OpenProgress();
  // The progress dialog stands at the frame being exported.
  void ShowProgress();
  int16_t FlushIfData();
  int16_t WriteOutput();
  void ExportFrame(int32_t frame);
  bool ShouldExportFrame(int32_t frame) const;
  // False when the user declines to replace the file.
  bool ConfirmReplaceIfExists(const Str255& name);

  TWorldDoc* World() const { return GetWorld(); }
  void* View() const { return view_; }
  TExportHandler* Handler() const { return handler_; }
  TUnitHandler* Units() const { return units_; }
  TAbstractStream* Output() const { return outputStream_.get(); }
  TMacFile& File() { return file_; }
  int32_t CurrentExportFrame() const { return currentFrame_; }
  int32_t InitialStreamSize() const { return initialStreamSize_; }
  void SetOneFilePerFrame(bool value) { oneFilePerFrame_ = value; }
  bool OneFilePerFrame() const { return oneFilePerFrame_; }
  void SetWritesFile(bool value) { writesFile_ = value; }
  void SetMultiFrame(bool value) { multiFrame_ = value; }
  bool UseSelection() const { return useSelection_; }
  // Hands the output over to the caller; the exporter is left without one.
  std::unique_ptr<TAbstractStream> ReleaseOutputStream() { return std::move(outputStream_); }
  void SetHasData() { hasData_ = true; }
  bool HasData() const { return hasData_; }

 private:
  void EndFrameFile();

  void* view_ = nullptr;
  TExportHandler* handler_ = nullptr;
  TUnitHandler* units_ = nullptr;
  TMacFile file_;
  uint32_t fileCreatorTag_ = 0;
  TExportFileSpec fileSpec_;
  TExportNameSpec nameSpec_;
  bool useNameSpec_ = false;
  bool writesFile_ = true;
  bool oneFilePerFrame_ = false;
  Str255 baseFileName_;
  Str255 exportBaseName_;
  Str255 exportExtension_;
  int32_t startFrame_ = 0;
  int32_t stopFrame_ = 0;
  bool ascending_ = true;
  bool multiFrame_ = true;
  bool headingForStart_ = true;
  std::unique_ptr<TAbstractStream> outputStream_;
  bool hasData_ = false;
  int16_t fileFlags_ = 0;
  int32_t initialStreamSize_ = 0;
  int64_t bytesNeeded_ = 0;
  bool startIsNextFrame_ = false;
  int32_t frameStep_ = 1;
  int32_t lastExportedFrame_ = 0;
  int32_t fileNumber_ = 0;
  int16_t numberWidth_ = 0;
  bool useSelection_ = false;
  bool replaceConfirmed_ = false;
  bool written_ = false;
  bool failed_ = false;
  int32_t currentFrame_ = 0;
  std::vector<int32_t> exportedFrames_;
  std::unique_ptr<TQVProgressDialog> progress_;
};
