#include "scripting/objects/ObjectSupport.h"

#include "model/Formula.h"
#include "model/command/CommandHandler.h"
#include "model/command/FormulaPropertyOp.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "simulation/UnitHandler.h"

namespace {

// Script changes carry no menu command of their own.
constexpr int16_t kScriptCommandNumber = 0;

// Performs an edit given as a function on each target; its targets are recorded whole.
class TObjectEditOp : public TPropertyOp {
 public:
  explicit TObjectEditOp(std::function<void(TLink&)> edit) : edit_(std::move(edit)) {}
  void ApplyTo(TLink* object) override { edit_(*object); }

 private:
  std::function<void(TLink&)> edit_;
};

}  // namespace

TWorldDoc* WorldOfObject(const TLink* object) {
  if (object == nullptr) return nullptr;
  if (object->IsMemberClass(TWorldDoc::kClassID))
    return static_cast<TWorldDoc*>(const_cast<TLink*>(object));
  return WorldOf(*object);
}

TWorldUnitHandler* UnitHandlerOf(const TLink* object) {
  TWorldDoc* world = WorldOfObject(object);
  if (world == nullptr) return nullptr;
  TLink* handler = world->GetUnitHandler();
  return IsKindOfSafe(handler, TWorldUnitHandler::kClassID)
             ? static_cast<TWorldUnitHandler*>(handler)
             : nullptr;
}

double ToDisplayFactor(const TLink* object, int32_t dimension) {
  double factor = 1.0;
  if (const TWorldUnitHandler* units = UnitHandlerOf(object))
    units->GetToDisplayFactor(dimension, factor);
  return factor;
}

double FromDisplayFactor(const TLink* object, int32_t dimension) {
  double factor = 1.0;
  if (const TWorldUnitHandler* units = UnitHandlerOf(object))
    units->GetFromDisplayFactor(dimension, factor);
  return factor;
}

void PerformAtOnce(std::unique_ptr<TCommandCore> command) {
  if (TCommandHandler* application = TCommandHandler::Application()) {
    application->PerformQueuedCommand(command.release());
    return;
  }
  command->Perform();
}

void ApplyFormulaProperty(TLink& object, uint32_t tag, const TFormula& formula) {
  TWorldDoc* world = WorldOfObject(&object);
  if (world == nullptr) return;
  auto command = std::make_unique<TFormulaPropertyOp>();
  command->InitValue(kScriptCommandNumber, world, 1, tag, &formula);
  command->AddTarget(&object);
  if (object.IsMemberClass(TDisplayLink::kClassID))
    static_cast<TDisplayLink&>(object).SetStateBit2(0);
  PerformAtOnce(std::move(command));
}

void ApplyTagAction(TLink& object, uint32_t tag) {
  TWorldDoc* world = WorldOfObject(&object);
  if (world == nullptr) return;
  auto command = std::make_unique<TTagActionOp>();
  command->InitValue(kScriptCommandNumber, world, 1, tag);
  command->AddTarget(&object);
  PerformAtOnce(std::move(command));
}

void ApplyNumberProperty(TLink& object, uint32_t tag, double value) {
  TWorldDoc* world = WorldOfObject(&object);
  if (world == nullptr) return;
  auto command = std::make_unique<TNumberPropertyOp>();
  command->InitValue(kScriptCommandNumber, world, 1, tag, value);
  command->AddTarget(&object);
  PerformAtOnce(std::move(command));
}

void ApplyObjectEdit(TLink& object, std::function<void(TLink&)> edit) {
  TWorldDoc* world = WorldOfObject(&object);
  if (world == nullptr) {
    edit(object);
    return;
  }
  auto command = std::make_unique<TObjectEditOp>(std::move(edit));
  command->InitPropertyOp(kScriptCommandNumber, world, 1);
  command->AddTarget(&object);
  PerformAtOnce(std::move(command));
}
