#include "views/world/FieldMenuCommands.h"

#include <utility>
#include <vector>

#include "constraints/Field.h"
#include "core/Failure.h"
#include "model/command/CommandHandler.h"
#include "model/command/PlacingCommands.h"
#include "model/filing/ObjectReader.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

TFieldCnstr* FieldOf(TLink* object, int16_t command) {
  if (!IsKindOfSafe(object, TFieldCnstr::kClassID)) return nullptr;
  auto* field = static_cast<TFieldCnstr*>(object);
  return field->GetMenuCommand() == command ? field : nullptr;
}

class TAddFieldCommand : public TCommandSub {
 public:
  TAddFieldCommand(int16_t command, TWorldDoc& world) {
    // The field and its group as a new world has them: read from the new world's objects, of
    // which the others are dropped again.
    std::unique_ptr<TObjectReader> defaults =
        ReadObjectsFromResource(kWorldDefaultsResource, nullptr, nullptr, nullptr, true);
    FailIfNull(defaults.get());
    defaults->Complete(0);
    TFieldCnstr* field = nullptr;
    for (TLink* object : defaults->Table().Objects())
      if (field == nullptr) field = FieldOf(object, command);
    FailIfNull(field);
    TLink* group = field->GetRelatedObject();
    if (!IsKindOfSafe(group, TGroup::kClassID)) group = nullptr;
    auto placed = std::make_unique<TObjectReader>();
    std::unique_ptr<TLink> taken = defaults->ReleaseObject(field);
    FailIfNull(taken.get());
    // The group first: the field refers to it.
    if (group != nullptr) placed->AdoptObject(defaults->ReleaseObject(group));
    placed->AdoptObject(std::move(taken));
    // Numbers the document already gives to its own objects are not taken twice.
    std::vector<TLink*> made = placed->Table().Objects();
    std::vector<int16_t> free = FreeIdentifiers(world, made.size());
    for (size_t i = 0; i < made.size(); ++i)
      if (made[i] != nullptr && world.FindObject(made[i]->GetIdentifier()) != nullptr)
        made[i]->SetIdentifier(free[i]);
    field_ = field;
    InitPlacing(command, nullptr, &world, 1, 0, std::move(placed));
    SetDeselectsFirst(0);
  }

  // Once the field is in the world, its settings open as they do for a world that had it.
  void Perform() override {
    TCommandSub::Perform();
    bool handled = false;
    std::unique_ptr<TCommandCore> settings =
        field_->DoObjectMenuCommand(GetCommandNumber(), handled);
    TCommandHandler* const application = TCommandHandler::Application();
    if (settings != nullptr && application != nullptr) application->PostCommand(settings.release());
  }

 private:
  TFieldCnstr* field_ = nullptr;
};

}  // namespace

bool IsForceFieldCommand(int16_t command) {
  return command >= kCmdGravityField && command <= kCmdCustomField;
}

bool WorldHasField(const TWorldDoc& world, int16_t command) {
  for (TLink* object : world.Objects())
    if (FieldOf(object, command) != nullptr) return true;
  return false;
}

std::unique_ptr<TCommandCore> MakeAddFieldCommand(int16_t command, TWorldDoc& world) {
  if (!IsForceFieldCommand(command) || WorldHasField(world, command)) return nullptr;
  CheckWorldEdit(world);
  return std::make_unique<TAddFieldCommand>(command, world);
}
