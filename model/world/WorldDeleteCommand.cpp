#include "model/world/WorldDeleteCommand.h"

#include <algorithm>
#include <span>

#include "core/Handle.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

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
  if (objects.empty()) return;
  stream_ = DocumentStreamOf(objects);
  // Last first, so that a constraint goes before the points it holds.
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    world_.Deselect(*it);
    world_.RemoveObject(*it);
  }
}

void TWorldDeleteCommand::Undo() {
  if (stream_.empty()) return;
  auto reader = ReadObjects(std::span<const uint8_t>(stream_), 2, 0, &world_, nullptr, nullptr, {});
  reader->Complete(0);
  stream_.clear();
  world_.AdoptObjects(reader->TakeObjects());
  // What comes back is selected again, as it was when it went.
  world_.DeselectAll();
  for (const int16_t identifier : deleted_)
    if (TLink* object = world_.FindObject(identifier)) world_.Select(object);
}

void TWorldDeleteCommand::Redo() { TakeOut(); }
