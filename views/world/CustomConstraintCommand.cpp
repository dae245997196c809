#include "views/world/CustomConstraintCommand.h"

#include <utility>
#include <vector>

#include "constraints/Constraint.h"
#include "model/command/PlacingCommands.h"
#include "model/filing/ObjectReader.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "ui/dialogs/FloatingWindows.h"

namespace {

class TNewCustomConstraintCommand : public TCommandSub {
 public:
  explicit TNewCustomConstraintCommand(TWorldDoc& world) : world_(world) {
    std::unique_ptr<TCustomConstraint> made = TCustomConstraint::MakeNew();
    made->SetIdentifier(FreeIdentifier(world));
    auto reader = std::make_unique<TObjectReader>();
    reader->AdoptObject(std::move(made));
    InitPlacing(TCustomConstraint::kCmdNew, nullptr, &world, 1, 0, std::move(reader));
  }

  // The new constraint is drawn nowhere: the Properties window is where the user sees it.
  void Perform() override {
    const std::vector<TLink*> made = PlacedObjects();
    TCommandSub::Perform();
    world_.DeselectAll();
    for (TLink* object : made) world_.Select(object);
    ShowFloatingWindow(kShowPropertiesWindow, world_);
  }

 private:
  TWorldDoc& world_;
};

}  // namespace

std::unique_ptr<TCommandCore> MakeCustomConstraintCommand(int16_t command, TWorldDoc& world) {
  if (command != TCustomConstraint::kCmdNew) return nullptr;
  CheckWorldEdit(world);
  return std::make_unique<TNewCustomConstraintCommand>(world);
}
