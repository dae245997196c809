#include "exchange/export/DataExporter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/ExportHandler.h"
#include "inout/meters/Output.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldDoc.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr int16_t kExporterStrings = 1110;
constexpr int16_t kDocumentWordIndex = 1;
constexpr int16_t kExportedWordIndex = 2;
// The preamble names the document by at most this many characters.
constexpr size_t kDocumentNameLength = 63;
constexpr int32_t kBaseStreamSize = 2670;

TObject* NewDataExporter() {
  return new TDataExporter;
}

TObject* NewDataCopier() {
  return new TDataCopier;
}

TDataExportType* DataTypeOf(TExportType* type) {
  auto* data = dynamic_cast<TDataExportType*>(type);
  if (data == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  return data;
}

}  // namespace

// The recorded frames of the world, copied once so that every meter can be replayed from them.
class TMeterHistory {
 public:
  // The run's frames; the world tells where each meter's values stand in a frame.
  TMeterHistory(TWorldDoc& world, const TFrameStore* store) : world_(world) {
    if (store == nullptr || store->FrameCount() <= 0) return;
    const std::vector<uint8_t> raw = store->RawBlock();
    held_ = store_.LoadRawBlock(raw) == 0 && store_.GetFrameCount() > 0;
  }

  // Whether the copy holds the frame (a run goes on recording after the copy was made).
  bool Holds(int32_t frame) const {
    return held_ && frame >= store_.GetFirstFrame() && frame <= store_.GetLastFrame();
  }

  // Walks the frames first..last that the world recorded for the meter.
  TOutput::FrameWalk WalkFor(TOutput& meter) {
    int32_t offset = held_ ? world_.RecordedValueOffset(&meter) : -1;
    // A run recorded before the meter was there holds none of its values.
    if (offset + meter.CountElements() > store_.GetValuesPerFrame()) offset = -1;
    return [this, offset](int16_t first, int16_t last, const auto& visit) {
      if (offset < 0) return;
      const int32_t from = std::max<int32_t>(first, store_.GetFirstFrame());
      const int32_t to = std::min<int32_t>(last, store_.GetLastFrame());
      for (int32_t frame = from; frame <= to; ++frame) {
        THistoryCursor cursor;
        cursor.Position(store_, frame, offset);
        visit(static_cast<int16_t>(frame), cursor);
      }
    };
  }

 private:
  TWorldDoc& world_;
  THistoryStore store_;
  bool held_ = false;
};

// Stream ------------------------------------------------------------------------------------------

TDataExportStream::TDataExportStream(TUnitHandler* units, int32_t initialSize,
                                     const Str255& documentName)
    : TTextOutStream(units, initialSize, -1, true, true, false), documentName_(documentName) {}

void TDataExportStream::WriteHeader() {
  Str255 word;
  GetIndString(word, kExporterStrings, kDocumentWordIndex);
  WriteCountedString(word);
  WriteCountedString(documentName_);
  WriteNewline();
  GetIndString(word, kExporterStrings, kExportedWordIndex);
  WriteCountedString(word);
  WriteSpace();
  Str255 stamp;
  FormatExportTimeStamp(stamp);
  WriteCountedString(stamp);
  WriteNewline();
}

// File export -------------------------------------------------------------------------------------

TDataExporter::TDataExporter() = default;
TDataExporter::~TDataExporter() = default;

void TDataExporter::Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
                         TExportType* type, const TExportFileSpec& fileSpec,
                         const TExportNameSpec& nameSpec, bool useNameSpec, int32_t startFrame,
                         int32_t stopFrame) {
  TExporter::Init(command, world, view, handler, type, fileSpec, nameSpec, useNameSpec,
                  startFrame, stopFrame);
  DataTypeOf(type)->GetOptions(includeHeader_, includeXAxis_);
  displayUnits_ = dynamic_cast<TWorldUnitHandler*>(world->GetUnitHandler());
  ChooseMeters();
}

namespace {

std::vector<TOutput*> ExportedMeters(TWorldDoc& world, bool useSelection, bool includeXAxis) {
  std::vector<TOutput*> meters;
  for (TLink* object : useSelection ? world.Selection() : world.Outputs()) {
    auto* meter = dynamic_cast<TOutput*>(object);
    if (meter != nullptr && meter->CountExportColumns(includeXAxis) > 0) meters.push_back(meter);
  }
  return meters;
}

}  // namespace

std::vector<TOutput*> MetersToExport(TWorldDoc& world, TExportType& type) {
  bool includeHeader = false;
  bool includeXAxis = false;
  DataTypeOf(&type)->GetOptions(includeHeader, includeXAxis);
  int16_t step = 1;
  int16_t firstNumber = 0;
  bool useSelection = false;
  type.GetFrameOptions(step, firstNumber, useSelection);
  return ExportedMeters(world, useSelection, includeXAxis);
}

void TDataExporter::ChooseMeters() {
  TWorldDoc* world = World();
  if (!meters_.empty() || world == nullptr) return;
  // Nothing to export ends the export without a word: the dialog has told the user already.
  meters_ = ExportedMeters(*world, UseSelection(), includeXAxis_);
  if (meters_.empty()) ThrowFailure(kErrNone, 0);
}

std::vector<const TFrameStore*> TDataExporter::RunList() const {
  std::vector<const TFrameStore*> runs;
  const TWorldDoc* world = World();
  if (world == nullptr) return runs;
  // The world keeps its earlier runs newest first.
  // Without the world's several-runs flag the current run stands alone.
  if (world->GetSeveralRuns() != 0) {
    const auto& earlier = world->EarlierStores();
    for (auto run = earlier.rbegin(); run != earlier.rend(); ++run) runs.push_back(run->get());
  }
  runs.push_back(world->GetStore());
  return runs;
}

void TDataExporter::ChooseRuns() {
  runs_.clear();
  severalRuns_ = World() != nullptr && World()->GetSeveralRuns() != 0;
  if (!severalRuns_) return;
  const std::vector<const TFrameStore*> runs = RunList();
  for (const TFrameStore* store : runs) {
    if (store != nullptr && store->FrameCount() > 0) runs_.push_back(TRun{store, nullptr});
  }
}

void TDataExporter::BeginExport() {
  TExporter::BeginExport();
  if (Stream() == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  ChooseRuns();
  if (!includeHeader_) return;
  Stream()->WriteHeader();
  WriteColumnHeaders();
}

void TDataExporter::BeforeFrames() {
  FailIfMemoryLow();
}

void TDataExporter::WriteColumnHeaders() {
  TDataExportStream& out = *Stream();
  // With several runs, each run's names carry its number among the runs written ("2:Pressure").
  if (runs_.empty()) {
    WriteNames("");
  } else {
    for (size_t n = 0; n < runs_.size(); ++n) {
      if (n > 0) out.WriteChar('\t');
      WriteNames((std::to_string(n + 1) + ":").c_str());
    }
  }
  out.WriteNewline();
  const size_t copies = std::max<size_t>(runs_.size(), 1);
  for (size_t n = 0; n < copies; ++n) {
    if (n > 0) out.WriteChar('\t');
    WriteLabels();
  }
  out.WriteNewline();
}

void TDataExporter::WriteNames(const char* prefix) {
  TDataExportStream& out = *Stream();
  // Each name stands over its meter's first column.
  for (size_t i = 0; i < meters_.size(); ++i) {
    out.WriteCountedString(Str255(prefix));
    out.WriteCountedString(meters_[i]->GetName());
    if (i + 1 < meters_.size()) out.WriteIndent(meters_[i]->CountExportColumns(includeXAxis_));
  }
}

void TDataExporter::WriteLabels() {
  TDataExportStream& out = *Stream();
  bool first = true;
  for (TOutput* meter : meters_) {
    meter->ForEachColumn(includeXAxis_, [&](TNumberText& column, int32_t) {
      if (!first) out.WriteChar('\t');
      first = false;
      out.WriteCountedString(column.GetLabel());
    });
  }
}

int32_t TDataExporter::WriteMeterTexts(TOutput& meter, int32_t frame,
                                       std::unique_ptr<TMeterHistory>& history,
                                       const TFrameStore* store) {
  // The current run may have grown since its frames were read.
  if (!history || (!history->Holds(frame) && store == World()->GetStore()))
    history = std::make_unique<TMeterHistory>(*World(), store);
  TDataExportStream& out = *Stream();
  int32_t written = 0;
  const auto at = static_cast<int16_t>(frame);
  LimitColumns(meter, store);
  if (history->Holds(frame)) {
    meter.ReplayHistory(at, at, includeXAxis_, history->WalkFor(meter), displayUnits_,
                        [&](TNumberText&, const Str255& text) {
                          if (written > 0) out.WriteChar('\t');
                          out.WriteCountedString(text);
                          ++written;
                        });
  }
  meter.SetColumnLimit(0, false);
  // Fillers keep the next meter under its own headers: one per exported column not written. A
  // meter without values of its own gets them only beside other runs.
  if (written == 0 && !severalRuns_) return 0;
  for (int32_t n = written; n < meter.CountExportColumns(includeXAxis_); ++n)
    out.WriteCountedString(Str255(n == 0 ? "-" : "\t-"));
  return written;
}

void TDataExporter::LimitColumns(TOutput& meter, const TFrameStore* store) const {
  meter.SetColumnLimit(0, false);
  // Beside other runs a meter shows the columns the run recorded for it, none when the run did
  // not record it. A run that kept no record of its meters (an older document's) shows all.
  if (!severalRuns_ || store == nullptr || store->RecordedMeters().empty()) return;
  const std::vector<TFrameColumn>& records = store->RecordedMeters();
  int32_t limit = 0;
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    if (record->objectId != meter.GetIdentifier()) continue;
    limit = record->valueCount;
    break;
  }
  meter.SetColumnLimit(static_cast<int16_t>(std::clamp<int32_t>(limit, 0, INT16_MAX)), true);
}

void TDataExporter::WriteMeters(int32_t frame, std::unique_ptr<TMeterHistory>& history,
                                const TFrameStore* store) {
  TDataExportStream& out = *Stream();
  for (size_t i = 0; i < meters_.size(); ++i) {
    const int32_t written = WriteMeterTexts(*meters_[i], frame, history, store);
    if (written == 0 && !severalRuns_) continue;
    if (i + 1 < meters_.size()) out.WriteChar('\t');
  }
}

void TDataExporter::WriteFrame() {
  TDataExportStream* out = Stream();
  if (out == nullptr) return;
  if (runs_.empty()) {
    if (!severalRuns_) WriteMeters(CurrentExportFrame(), history_, World()->GetStore());
  } else {
    for (size_t n = 0; n < runs_.size(); ++n) {
      if (n > 0) out->WriteChar('\t');
      WriteMeters(CurrentExportFrame(), runs_[n].history, runs_[n].store);
    }
  }
  out->WriteNewline();
  SetHasData();
}

void TDataExporter::EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize) {
  TExporter::EstimateSize(a, b, initialSize);
  int32_t columns = 0;
  for (const TOutput* meter : meters_)
    columns += meter->CountExportColumns(includeXAxis_);
  const int32_t rowBytes = 9 * columns - 1;
  const int32_t headerBytes = includeHeader_ ? 2 * rowBytes : 0;
  a += rowBytes * FrameCount() + headerBytes;
  initialSize = kBaseStreamSize + rowBytes + headerBytes + 1024;
}

std::unique_ptr<TAbstractStream> TDataExporter::MakeOutputStream() {
  if (Handler() == nullptr) return nullptr;
  Str255 name;
  Handler()->GetDefaultExportName(name);
  std::string text(name.Chars(), name.Length());
  text.resize(std::min(text.size(), kDocumentNameLength));
  return std::make_unique<TDataExportStream>(Units(), std::max(InitialStreamSize(), 1024),
                                             Str255(text.c_str()));
}

// Clipboard copy ----------------------------------------------------------------------------------

TDataCopier::~TDataCopier() {
  if (resultText_ != nullptr) FreeHandle(resultText_);
}

void TDataCopier::InitForCopy(int16_t command, TWorldDoc* world, void* view,
                              TExportHandler* handler, TExportType* type, int32_t firstFrame,
                              int32_t lastFrame, const std::vector<TLink*>* givenMeters) {
  TExportFileSpec fileSpec;
  fileSpec.fileType = MakeTag("TEXT");
  givenMeters_ = givenMeters;
  firstFrame_ = firstFrame;
  lastFrame_ = lastFrame;
  Init(command, world, view, handler, type, fileSpec, TExportNameSpec(), false, firstFrame,
       lastFrame);
  SetWritesFile(false);
  SetMultiFrame(false);
}

Handle TDataCopier::RunCopy() {
  BeginExport();
  for (int32_t frame = firstFrame_; frame <= lastFrame_; ++frame)
    ExportFrame(frame);
  EndExport();
  Handle text = resultText_;
  resultText_ = nullptr;
  return text;
}

void TDataCopier::EndExport() {
  TExporter::EndExport();
  if (Output() == nullptr) return;
  resultText_ = ReleaseOutputStream()->DetachHandle();
}

int16_t TDataCopier::CheckDiskSpace(int64_t, int32_t) {
  return 0;
}

Handle MakeMeterDataText(int16_t command, const std::vector<TLink*>* selection, TWorldDoc* world,
                         void* view) {
  if (world == nullptr || selection == nullptr || view == nullptr) return nullptr;
  TExportHandler* handler = nullptr;
  for (TLink* object : world->Objects()) {
    if (object != nullptr && object->IsMemberClass(TExportHandler::kClassID)) {
      handler = static_cast<TExportHandler*>(object);
      break;
    }
  }
  if (handler == nullptr) return nullptr;
  auto* type = dynamic_cast<TDataExportType*>(handler->FindExportType(kCmdExportMeterData));
  if (type == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  bool includeHeader = false;
  bool includeXAxis = false;
  type->GetOptions(includeHeader, includeXAxis);
  const bool anyMeter = std::any_of(selection->begin(), selection->end(), [&](TLink* object) {
    auto* meter = dynamic_cast<TOutput*>(object);
    return meter != nullptr && meter->CountExportColumns(includeXAxis) > 0;
  });
  if (!anyMeter) return nullptr;
  const int32_t first = world->FirstHeldFrame();
  const int32_t last = world->LastFrame();
  if (first > last) return nullptr;
  TDataCopier copier;
  copier.InitForCopy(command, world, view, handler, type, first, last, selection);
  Handle text = copier.RunCopy();
  if (text == nullptr) return nullptr;
  // Clipboard text ends in a zero byte; the bytes before it are those a file would hold.
  const uint32_t size = GetHandleByteSize(text);
  ResizeHandle(text, size + 1);
  static_cast<char*>(HandleData(text))[size] = '\0';
  return text;
}

void RegisterDataExporterClasses() {
  RegisterClassInfo("TDataExporter", TDataExporter::kTag, TDataExporter::kClassID, NewDataExporter,
                    sizeof(TDataExporter));
  RegisterClassInfo("TDataCopier", TDataCopier::kTag, TDataCopier::kClassID, NewDataCopier,
                    sizeof(TDataCopier));
}
