// The export road of those who know only the world (scripts): the world's export handler, its
// frame range, and an exporter made ready for one export command.

#include <algorithm>
#include <memory>

#include "core/ClassRegistry.h"
#include "exchange/ExchangeClasses.h"
#include "exchange/export/DataExporter.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/Exporter.h"
#include "exchange/export/WorldExportHandler.h"
#include "inout/meters/Output.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldExports.h"

namespace {

constexpr uint32_t kTagSelectionOnly = MakeTag("xpUS");
constexpr uint32_t kTagEverything = MakeTag("xpUs");
// Paths this long or longer name the file by their last part alone.
constexpr size_t kLongPath = 63;

// A world without a handler gets one with every kind of export.
TLink* FindHandler(TWorldDoc& world) {
  return &ExportHandlerFor(world);
}

void GetFrameRange(TLink& handler, int32_t& start, int32_t& stop) {
  bool singleFrame = false;
  static_cast<TExportHandler&>(handler).GetCommandInfo(kCmdExport, start, stop, singleFrame);
}

void SetFrameRange(TLink& handler, int32_t start, int32_t stop) {
  static_cast<TExportHandler&>(handler).SetCommandInfo(kCmdExport, start, stop);
}

std::string LastPart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Exporters write what the world's objects draw; the view they are given only has to be there,
// the world's window when it has one.
void* ExportViewOf(TWorldDoc& world) {
  return world.GetDisplay() != nullptr ? static_cast<void*>(world.GetDisplay())
                                       : static_cast<void*>(&world);
}

std::unique_ptr<TCommandCore> MakeExport(TLink& link, TWorldDoc& world, int16_t command,
                                         const std::string& path, bool selectedOnly) {
  auto& handler = static_cast<TExportHandler&>(link);
  handler.AdoptWorld(&world);
  TExportType* type = handler.FindExportType(command);
  if (type == nullptr) return nullptr;
  handler.SetCurrentCommand(command);
  handler.SelectChoice(selectedOnly ? kTagSelectionOnly : kTagEverything);

  TExportFileSpec fileSpec;
  fileSpec.fileType = type->GetFileTypeTag();
  fileSpec.name.Assign(path.c_str());
  TExportNameSpec nameSpec;
  nameSpec.name.Assign((path.size() < kLongPath ? path : LastPart(path)).c_str());

  std::unique_ptr<TObject> made(CreateObjectByTag(type->GetExporterClassTag()));
  if (dynamic_cast<TExporter*>(made.get()) == nullptr) return nullptr;
  std::unique_ptr<TExporter> exporter(static_cast<TExporter*>(made.release()));
  int32_t start = -1;
  int32_t stop = -1;
  bool singleFrame = false;
  handler.GetCommandInfo(command, start, stop, singleFrame);
  // A range never set exports the frame the world shows.
  if (start < 0) start = std::max<int32_t>(world.CurrentFrame(), 0);
  if (stop < 0) stop = start;
  exporter->Init(command, &world, ExportViewOf(world), &handler, type, fileSpec, nameSpec, false,
                 start, stop);
  return exporter;
}

Handle MeterDataText(TWorldDoc& world, int16_t command, const std::vector<TLink*>& selection) {
  // Only a selection with a meter gives the world an export handler it did not have.
  const bool anyMeter = std::any_of(selection.begin(), selection.end(), [](TLink* object) {
    return dynamic_cast<TOutput*>(object) != nullptr;
  });
  if (!anyMeter) return nullptr;
  ExportHandlerFor(world);
  return MakeMeterDataText(command, &selection, &world, ExportViewOf(world));
}

}  // namespace

void InstallWorldExports() {
  SetWorldExports({&FindHandler, &GetFrameRange, &SetFrameRange, &MakeExport, &MeterDataText});
}
