#include "views/world/VectorMenuCommands.h"

#include <memory>

#include "bodies/vectors/DocumentVectorWorld.h"
#include "bodies/vectors/VectorThing.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "ui/dialogs/DialogCommand.h"

namespace {

// Records each target whole, so that undo brings back its vectors with its flags.
class TVectorMenuOp : public TPropertyOp {
 public:
  TVectorMenuOp(int16_t command, uint16_t value) : command_(command), value_(value) {}
  void ApplyTo(TLink* object) override {
    if (auto* thing = dynamic_cast<TVectorThing*>(object)) thing->DoCommandValue(command_, value_);
  }

 private:
  int16_t command_;
  uint16_t value_;
};

}  // namespace

bool IsVectorMenuCommand(int16_t command) {
  return command >= kCmdShowVelocity && command <= kCmdRemoveVectors;
}

TCommandCore* MakeVectorMenuCommand(int16_t command, TWorldDoc& world) {
  std::vector<TVectorThing*> knowing;
  bool allShown = true;
  for (TLink* object : world.Selection()) {
    auto* thing = dynamic_cast<TVectorThing*>(object);
    uint16_t enabled = 1;
    uint16_t shown = 0;
    if (thing == nullptr || !thing->GetCommandState(command, enabled, shown) || enabled == 0)
      continue;
    knowing.push_back(thing);
    allShown = allShown && shown != 0;
  }
  if (knowing.empty()) return nullptr;
  // The recorded frames hold no values for an arrow shown now, and a change part of the way
  // through a run would make the frame on the screen the world's start: the user is asked
  // first, as before any edit of a world that has run.
  CheckWorldEdit(world);
  const uint16_t value = command == kCmdRemoveVectors || !allShown ? 1 : 0;
  auto op = std::make_unique<TVectorMenuOp>(command, value);
  op->InitPropertyOp(command, &world, 1);
  for (TVectorThing* thing : knowing) op->AddTarget(thing);
  return op.release();
}

TCommandCore* MakeVectorSettingsCommand(int16_t command, TWorldDoc& world) {
  TGlobalVectorHandler* handler = TDocumentVectorWorld(world).MakeVectorHandler();
  if (handler == nullptr) return nullptr;
  auto dialog = std::make_unique<TRefHolder>();
  dialog->InitForObject(command, handler);
  return dialog.release();
}
