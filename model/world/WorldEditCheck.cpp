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
    // The answer promised to forget the run: a reset alone keeps the frames, and the same
    // question would come back when the user chooses the command again. The world is put back
    // in its frame-0 state first, or it would keep the shown frame's places as its start.
    world.ShowFrame(0, 1);
    world.ResetHistory(1);
    world.Host().PostCommand(world.MakeRunCommand(kCmdReset, 1).release());
  }
  ThrowFailure(kErrNone, 0);
}
