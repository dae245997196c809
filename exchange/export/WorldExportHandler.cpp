#include "exchange/export/WorldExportHandler.h"

#include <memory>

#include "exchange/dxf/DXFExportType.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/video/VideoExportType.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"

namespace {

template <typename Type>
void AddTypeIfMissing(TExportHandler& handler, int16_t command, uint32_t tag) {
  if (handler.FindExportType(command) != nullptr) return;
  auto type = std::make_unique<Type>();
  type->Init(tag, &handler);
  handler.AddExportType(std::move(type));
}

TExportHandler* FindHandler(TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (object != nullptr && object->IsMemberClass(TExportHandler::kClassID))
      return static_cast<TExportHandler*>(object);
  return nullptr;
}

}  // namespace

TExportHandler& ExportHandlerFor(TWorldDoc& world) {
  TExportHandler* handler = FindHandler(world);
  if (handler == nullptr) {
    auto made = std::make_unique<TExportHandler>();
    made->Initialize();
    // A number another object holds would be renumbered when the world is read again.
    made->SetIdentifier(FreeIdentifier(world));
    handler = made.get();
    // The handler takes no part in a run: the frames recorded so far are what it exports.
    world.SetResetGuard(1);
    world.AdoptObject(std::move(made));
    world.SetResetGuard(0);
  }
  handler->AdoptWorld(&world);
  AddTypeIfMissing<TDataExportType>(*handler, kCmdExportMeterData, kTagDataExportType);
  AddTypeIfMissing<TDXFExportType>(*handler, kCmdExportDxfFrame, kTagDxfExportType);
  AddTypeIfMissing<TVideoExportType>(*handler, kCmdExportVideo, kTagVideoExportType);
  return *handler;
}
