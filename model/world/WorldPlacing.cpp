// Placing new objects into the world, and taking a placing out and back for undo and redo.
//
// Undo of a placing takes its objects out of the world. Taking an object out makes every
// object linked to it forget it (a pin its points, a body its points), so the objects cannot
// simply be kept aside: their stream is written first and read back on redo, as a scrap is
// placed, under the same identifiers and with their references to the rest of the world.

#include <algorithm>
#include <span>

#include "core/Handle.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

void TWorldDoc::AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) {
  lastPlaced_.clear();
  placedAside_.clear();
  for (const auto& object : objects)
    if (object) lastPlaced_.push_back(object->GetIdentifier());
  AdoptObjects(std::move(objects));
}

// Adopting told the world of its new objects, and the command handler counts the document's
// change: nothing is left to do.
void TWorldDoc::AfterPlacing() {}

void TWorldDoc::PlacingUndone() {
  std::vector<TLink*> placed;
  for (const int16_t identifier : lastPlaced_)
    if (TLink* object = FindObject(identifier)) placed.push_back(object);
  if (placed.empty()) return;
  placedAside_ = DocumentStreamOf(placed);
  // Last placed first, so that a constraint goes before the points it holds.
  for (auto it = placed.rbegin(); it != placed.rend(); ++it)
    RemoveObject(*it);
}

void TWorldDoc::PlacingRedone(int16_t, int16_t) {
  if (placedAside_.empty()) return;
  auto reader = ReadObjects(std::span<const uint8_t>(placedAside_), 2, 0, this, nullptr, nullptr,
                            {});
  reader->Complete(0);
  placedAside_.clear();
  AdoptObjects(reader->TakeObjects());
}
