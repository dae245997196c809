#pragma once
// Meter data as text: the recorded values of the world's meters, one line per exported frame,
// fields separated by TAB and lines ending in CR LF, optionally after a two-line preamble and two
// lines of column headers. TDataExporter writes a file; TDataCopier writes the same text into
// memory for the clipboard.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/PString.h"
#include "core/StreamText.h"
#include "core/Tag.h"
#include "exchange/export/Exporter.h"

class TFrameStore;
class TMeterHistory;
class TOutput;
class TWorldUnitHandler;

inline constexpr uint32_t kTagDataCopier = MakeTag("exDC");

// The text stream of a meter-data export; it knows the document's name for the preamble.
class TDataExportStream : public TTextOutStream {
  DECLARE_CLASS_ID(654, TTextOutStream)

 public:
  TDataExportStream(TUnitHandler* units, int32_t initialSize, const Str255& documentName);

  // The document's name line and the time-stamp line.
  void WriteHeader();

 private:
  Str255 documentName_;
};

class TDataExporter : public TExporter {
  DECLARE_CLASS_ID(656, TExporter)

 public:
  static constexpr uint32_t kTag = MakeTag("exMD");

  TDataExporter();
  ~TDataExporter() override;

  // The base's Init, the type's options, then the meters: every meter of the world (or of the
  // selection when the type says so) with at least one exported column, in order. No meter to
  // export ends the export silently.
  void Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
            TExportType* type, const TExportFileSpec& fileSpec, const TExportNameSpec& nameSpec,
            bool useNameSpec, int32_t startFrame, int32_t stopFrame) override;

  const std::vector<TOutput*>& Meters() const { return meters_; }

 protected:
  void BeginExport() override;
  void BeforeFrames() override;
  void WriteFrame() override;
  void EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize) override;
  std::unique_ptr<TAbstractStream> MakeOutputStream() override;

  TDataExportStream* Stream() const { return static_cast<TDataExportStream*>(Output()); }

  // The runs of the world, in the order they stand side by side in the file: with the world's
  // several-runs flag its earlier runs (histories of its document before the current one) from
  // the earliest on, then the current run; otherwise the current run alone.
  virtual std::vector<const TFrameStore*> RunList() const;

 private:
  // One run taking part in a several-run export, with its recorded frames.
  struct TRun {
    const TFrameStore* store = nullptr;
    std::unique_ptr<TMeterHistory> history;
  };

  void ChooseMeters();
  void ChooseRuns();
  void WriteColumnHeaders();
  void WriteNames(const char* prefix);
  void WriteLabels();
  // Writes the meter's texts of the frame from the run's frames, TAB-separated, filled up to
  // its exported columns with "-"; answers how many texts the run held.
  int32_t WriteMeterTexts(TOutput& meter, int32_t frame, std::unique_ptr<TMeterHistory>& history,
                          const TFrameStore* store);
  // Limits the meter to the columns the run recorded for it (several runs only).
  void LimitColumns(TOutput& meter, const TFrameStore* store) const;
  void WriteMeters(int32_t frame, std::unique_ptr<TMeterHistory>& history,
                   const TFrameStore* store);

  bool includeXAxis_ = false;
  bool includeHeader_ = false;
  std::vector<TOutput*> meters_;
  TWorldUnitHandler* displayUnits_ = nullptr;
  // The world's recorded frames, read once at the first frame written.
  std::unique_ptr<TMeterHistory> history_;
  // With several runs: the runs holding frames, side by side; empty for one run.
  bool severalRuns_ = false;
  std::vector<TRun> runs_;
};

class TDataCopier : public TDataExporter {
  DECLARE_CLASS_ID(657, TDataExporter)

 public:
  static constexpr uint32_t kTag = kTagDataCopier;

  ~TDataCopier() override;

  // Ready to copy the frames first..last into memory: no file, no progress.
  void InitForCopy(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
                   TExportType* type, int32_t firstFrame, int32_t lastFrame,
                   const std::vector<TLink*>* givenMeters);
  // Writes every frame of the range; the caller owns the text answered (exactly the bytes a file
  // would hold).
  Handle RunCopy();

 protected:
  void EndExport() override;
  int16_t CheckDiskSpace(int64_t freeBytes, int32_t initialSize) override;

 private:
  Handle resultText_ = nullptr;
  int32_t firstFrame_ = 0;
  int32_t lastFrame_ = -1;
  const std::vector<TLink*>* givenMeters_ = nullptr;
};

// The text the Copy command puts on the clipboard for a selection holding meters: the meter data
// of every recorded frame, ending in a zero byte as clipboard text does. Null when the selection
// holds no meter with an exported column, the world has no export handler or nothing is recorded.
Handle MakeMeterDataText(int16_t command, const std::vector<TLink*>* selection, TWorldDoc* world,
                         void* view);

// The meters an export of the meter-data type writes, in order: the world's meters (the
// selected ones when the type exports the selection) with at least one exported column.
std::vector<TOutput*> MetersToExport(TWorldDoc& world, TExportType& type);

// Registers the meter-data exporter and copier.
void RegisterDataExporterClasses();
