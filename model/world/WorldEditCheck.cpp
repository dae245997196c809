// The edit check every editing command of a world runs first.

#include "model/world/WorldEditCheck.h"

#include "core/Failure.h"
#include "model/Thing.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDoc.h"

TWorldDoc* WorldOf(const TLink& object) {
  for (TLink* linked : object.Linked()) {
    if (auto* world = dynamic_cast<TWorldDoc*>(linked)) return world;
  }
  return nullptr;
}

bool ShowsARun(const TWorldDoc& world) {
  return world.GetRunState() != 0 || world.CurrentFrame() > 0;
}

void RefuseEditOfRun(TWorldDoc& world) {
  if (!ShowsARun(world)) return;
  if (world.Host().AskYesNo(kEditRecordedWorldAlert))
    world.Host().PostCommand(world.MakeRunCommand(kCmdReset, 1).release());
  ThrowFailure(kErrNone, 0);
}

void CheckWorldEdit(TWorldDoc& world) {
  RefuseEditOfRun(world);
  // An edit at the start makes the frames recorded from it stale. A world whose solver holds it
  // forgets them when it changes; frames the solver has not taken since they were read or kept
  // would otherwise be replayed, or their first state handed to the solver over the edit.
  if (world.LastFrame() > 0 && world.IsSolverWorldLoaded() == 0) world.ResetHistory(1);
}

bool SolverTakes(const TWorldDoc& world, const TLink* object) {
  if (object == nullptr) return false;
  return object == world.GetEngineObject() || object->IsMemberClass(TThing::kClassID);
}
