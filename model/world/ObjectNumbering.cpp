#include "model/world/ObjectNumbering.h"

#include "core/Failure.h"
#include "model/world/Joiner.h"
#include "model/world/WorldDoc.h"

namespace {

// The point a world keeps for itself: scripts never see it.
constexpr int32_t kWorldPointIdentifier = 10012;

}  // namespace

bool IsReservedIdentifier(int32_t identifier) {
  return identifier == 0 || identifier == kWorldIdentifier ||
         identifier == kWorldPointIdentifier || identifier == kJoinerIdentifier;
}

std::vector<int16_t> FreeIdentifiers(const std::set<int32_t>& held, size_t count) {
  std::vector<int16_t> free;
  for (int32_t identifier = 1; identifier <= INT16_MAX && free.size() < count; ++identifier) {
    if (held.contains(identifier) || IsReservedIdentifier(identifier)) continue;
    free.push_back(static_cast<int16_t>(identifier));
  }
  return free;
}

std::vector<int16_t> FreeIdentifiers(const TWorldDoc& world, size_t count) {
  // The world answers to its own number too.
  std::set<int32_t> held{world.GetIdentifier()};
  for (const TLink* object : world.Objects()) held.insert(object->GetIdentifier());
  std::vector<int16_t> free = FreeIdentifiers(held, count);
  if (free.size() < count) ThrowFailure(kErrOutOfMemory, 0);
  return free;
}

int16_t FreeIdentifier(const TWorldDoc& world) {
  return FreeIdentifiers(world, 1).front();
}
