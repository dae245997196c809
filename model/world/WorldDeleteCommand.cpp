#include "model/world/WorldDeleteCommand.h"

#include <algorithm>
#include <span>

#include "core/Handle.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"

namespace {

bool Holds(const std::vector<TLink*>& objects, const TLink* object) {
  return std::find(objects.begin(), objects.end(), object) != objects.end();
}

// The objects and those they carry, in the world's order: a carried object goes with its
// carrier, in the same stream, so that the link between them comes back with both.
std::vector<TLink*> WithCarried(const TWorldDoc& world, const std::vector<TLink*>& objects) {
  std::vector<TLink*> going;
  for (TLink* object : world.Objects()) {
    const auto* carried = dynamic_cast<const TCarriedObject*>(object);
    if (Holds(objects, object) || (carried != nullptr && carried->GetCarrier() != nullptr &&
                                   Holds(objects, carried->GetCarrier())))
      going.push_back(object);
  }
  return going;
}

}  // namespace

std::vector<uint8_t> TakeObjectsOut(TWorldDoc& world, const std::vector<TLink*>& given) {
  if (given.empty()) return {};
  const std::vector<TLink*> objects = WithCarried(world, given);
  std::vector<uint8_t> stream = DocumentStreamOf(objects);
  // Last first, so that a constraint goes before the points it holds.
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    world.Deselect(*it);
    world.RemoveObject(*it);
  }
  return stream;
}

std::vector<TLink*> BringObjectsBack(TWorldDoc& world, std::vector<uint8_t>& stream,
                                     const std::vector<int16_t>& identifiers) {
  std::vector<TLink*> back;
  if (stream.empty()) return back;
  auto reader = ReadObjects(std::span<const uint8_t>(stream), 2, 0, &world, nullptr, nullptr, {});
  reader->Complete(0);
  stream.clear();
  world.AdoptObjects(reader->TakeObjects());
  world.DeselectAll();
  for (const int16_t identifier : identifiers) {
    TLink* object = world.FindObject(identifier);
    if (object == nullptr) continue;
    world.Select(object);
    back.push_back(object);
  }
  return back;
}

TWorldDeleteCommand::TWorldDeleteCommand(TWorldDoc& world) : world_(world) {
  InitCommand(kCmdDelete, world.GetDocument(), nullptr, nullptr);
  SetCanUndo(1);
  SetCausesChange(1);
}

void TWorldDeleteCommand::Perform() {
  deleted_.clear();
  // In the world's order, so that reading them back keeps it; the background (identifier 0)
  // is never deleted.
  for (TLink* object : world_.Objects()) {
    if (object->GetIdentifier() == 0) continue;
    const std::vector<TLink*>& selected = world_.Selection();
    if (std::find(selected.begin(), selected.end(), object) != selected.end())
      deleted_.push_back(object->GetIdentifier());
  }
  TakeOut();
}

void TWorldDeleteCommand::TakeOut() {
  std::vector<TLink*> objects;
  for (const int16_t identifier : deleted_)
    if (TLink* object = world_.FindObject(identifier)) objects.push_back(object);
  if (!objects.empty()) stream_ = TakeObjectsOut(world_, objects);
}

void TWorldDeleteCommand::Undo() {
  // What comes back is selected again, as it was when it went.
  BringObjectsBack(world_, stream_, deleted_);
}

void TWorldDeleteCommand::Redo() { TakeOut(); }
