// The edit check every editing command of a world runs first.

#include "model/world/WorldEditCheck.h"

#include "core/Failure.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDoc.h"

TWorldDoc* WorldOf(const TLink& object) {
  for (TLink* linked : object.Linked()) {
    if (auto* world = dynamic_cast<TWorldDoc*>(linked)) return world;
  }
  return nullptr;
}

void CheckWorldEdit(TWorldDoc& world) {
  if (world.LastFrame() <= 0) return;
  if (world.Host().AskYesNo(kEditRecordedWorldAlert)) {
    world.Host().PostCommand(world.MakeRunCommand(kCmdReset, 1).release());
  }
  ThrowFailure(kErrNone, 0);
}
