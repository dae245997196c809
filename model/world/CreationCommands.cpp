// The world's road to the commands that make gadgets for its objects.
#include "model/world/CreationCommands.h"

#include "model/command/CommandCore.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

CreationCommandMaker& Maker() {
  static CreationCommandMaker maker = nullptr;
  return maker;
}

}  // namespace

void SetCreationCommandMaker(CreationCommandMaker maker) {
  Maker() = maker;
}

std::unique_ptr<TCommandCore> MakeCreationCommand(int16_t command, TWorldDoc& world) {
  if (Maker() == nullptr || !IsCreationCommand(command)) return nullptr;
  CheckWorldEdit(world);
  const std::vector<TLink*>& selection = world.Selection();
  TLink* first = !selection.empty() ? selection[0] : nullptr;
  TLink* second =
      selection.size() > 1 && command < kFirstInputControlCommand ? selection[1] : nullptr;
  return Maker()(command, world, first, second);
}
