// The world as the context of undoable actions, and the edit check.

#include "model/world/WorldEditContext.h"

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDoc.h"

TLink& TWorldEditContext::ContextLink() { return world_; }

TCommandDocument* TWorldEditContext::GetDocument() { return world_.GetDocument(); }

std::vector<TLink*> TWorldEditContext::Objects() { return world_.Objects(); }

TObject* TWorldEditContext::FindItem(uint32_t classTag) {
  for (TLink* object : world_.Objects()) {
    if (object != nullptr && ClassTagOfObject(object) == classTag) return object;
  }
  return nullptr;
}

int16_t TWorldEditContext::SwapStateWord(int16_t value) {
  const int16_t old = stateWord_;
  stateWord_ = value;
  return old;
}

void TWorldEditContext::Changed(int16_t) {
  world_.WorldChanged();
  world_.DocumentChanged();
}

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
