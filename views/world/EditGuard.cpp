#include "views/world/EditGuard.h"

#include "core/Failure.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDoc.h"

void GuardEdit(TWorldDoc& world) {
  if (world.GetLockFlag() == 0 || world.LastFrame() <= 0) return;
  if (world.Host().AskYesNo(kLockedWithRunAlert))
    world.Host().PostCommand(world.MakeRunCommand(kCmdReset, 1).release());
  ThrowFailure(0, 0);
}
