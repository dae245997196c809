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

// A world holds the frames of a run while it runs and while it shows a frame past its start.
static bool ShowsARun(const TWorldDoc& world) {
  return world.GetRunState() != 0 || world.CurrentFrame() > 0;
}

void CheckWorldEdit(TWorldDoc& world) {
  if (!ShowsARun(world)) {
    // An edit at the start makes the frames recorded from it stale. A world that ran since it
    // was read forgets them when it changes; frames read with the document would otherwise be
    // replayed, or their first state handed to the solver over the edit.
    if (world.LastFrame() > 0 && world.IsSolverWorldLoaded() == 0) world.ResetHistory(1);
    return;
  }
  if (world.Host().AskYesNo(kEditRecordedWorldAlert))
    world.Host().PostCommand(world.MakeRunCommand(kCmdReset, 1).release());
  ThrowFailure(kErrNone, 0);
}
