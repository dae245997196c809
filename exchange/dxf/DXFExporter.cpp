#include "exchange/dxf/DXFExporter.h"

#include <algorithm>

#include "bodies/DXFOutput.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "exchange/dxf/DXFWriter.h"
#include "exchange/export/ExportType.h"
#include "model/world/WorldDoc.h"

namespace {

// The pass on which objects write their entities.
constexpr int16_t kEntitiesPass = 4;
constexpr int32_t kInitialSize = 2048 + 2670 + 1024;

// Writes the object's entities; false when it draws nothing.
bool WriteEntities(TLink& object, TDXFOutput& writer) {
  auto* exportable = dynamic_cast<TDXFExportable*>(&object);
  return exportable != nullptr && exportable->ExportDXF(writer, kEntitiesPass);
}

TObject* NewDXFExporter() {
  return new TDXFExporter;
}

}  // namespace

bool TDXFExporter::DrawsItself(TLink& object) {
  // Asked about the one-frame command whichever command runs: both draw the same objects.
  const auto* exportable = dynamic_cast<const TDXFExportable*>(&object);
  return exportable != nullptr && exportable->SupportsExport(kCmdExportDrawing);
}

void TDXFExporter::Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
                        TExportType* type, const TExportFileSpec& fileSpec,
                        const TExportNameSpec& nameSpec, bool useNameSpec, int32_t startFrame,
                        int32_t stopFrame) {
  if (type != nullptr && type->GetFrameLimit(command) <= 1) stopFrame = startFrame;
  TExporter::Init(command, world, view, handler, type, fileSpec, nameSpec, useNameSpec,
                  startFrame, stopFrame);
  int16_t step = 1;
  int16_t firstNumber = 0;
  bool useSelection = false;
  type->GetFrameOptions(step, firstNumber, useSelection);
  const std::vector<TLink*> source = useSelection ? world->Selection() : world->Objects();
  // Nothing to draw from: the export ends without a word and without a file.
  if (source.empty()) ThrowFailure(kErrNone, 0);
  for (TLink* object : source) {
    if (object != nullptr && DrawsItself(*object) &&
        std::find(objects_.begin(), objects_.end(), object) == objects_.end())
      objects_.push_back(object);
  }
  SetOneFilePerFrame(IsMultiFrame());
}

void TDXFExporter::EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize) {
  const int32_t frames = FrameCount();
  // Per-frame files hold one frame each: together they need what the frames need, not that
  // times the frame count.
  a = OneFilePerFrame() ? (2048 + 1024) * frames + 1024 : 2 * (2048 * frames + 1024);
  b = 2670 * frames;
  initialSize = kInitialSize;
}

std::unique_ptr<TAbstractStream> TDXFExporter::MakeOutputStream() {
  return std::make_unique<TDXFWriter>(Units(), std::max(InitialStreamSize(), kInitialSize));
}

void TDXFExporter::WriteFrame() {
  auto* writer = static_cast<TDXFWriter*>(Output());
  if (writer == nullptr) return;
  writer->BeginSection(2, "ENTITIES");
  for (TLink* object : objects_)
    WriteEntities(*object, *writer);
  writer->EndSection();
  writer->WriteEOF();
  SetHasData();
}

void RegisterDXFExporterClass() {
  RegisterClassInfo("TDXFExporter", TDXFExporter::kTag, TDXFExporter::kClassID, NewDXFExporter,
                    sizeof(TDXFExporter));
}
