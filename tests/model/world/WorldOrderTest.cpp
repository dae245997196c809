// The order of a world's objects is one order: what it owns and writes, and the list of objects
// linked to it that scripts walk, change together when the selection moves to the front or back.

#include <gtest/gtest.h>

#include <vector>

#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

std::vector<int16_t> Owned(const TWorldDoc& world) {
  std::vector<int16_t> identifiers;
  for (const TLink* object : world.Objects()) identifiers.push_back(object->GetIdentifier());
  return identifiers;
}

std::vector<int16_t> Linked(const TWorldDoc& world) {
  std::vector<int16_t> identifiers;
  for (int32_t i = 1; i <= world.GetCount(); ++i)
    identifiers.push_back(static_cast<const TLink*>(world.At(i))->GetIdentifier());
  return identifiers;
}

TEST(WorldOrder, TheSelectionMovesInBothListsKeepingItsOwnOrder) {
  WorldScope scope;
  TWorldDoc world;
  std::vector<TLink*> objects;
  for (int16_t identifier = 1; identifier <= 5; ++identifier) {
    auto object = std::make_unique<TTestObject>();
    object->SetIdentifier(identifier);
    objects.push_back(object.get());
    world.AdoptObject(std::move(object));
  }
  world.Select(objects[3]);
  world.Select(objects[1]);
  world.MoveSelection(false);
  EXPECT_EQ(Owned(world), (std::vector<int16_t>{2, 4, 1, 3, 5}));
  EXPECT_EQ(Linked(world), Owned(world));
  world.MoveSelection(true);
  EXPECT_EQ(Owned(world), (std::vector<int16_t>{1, 3, 5, 2, 4}));
  EXPECT_EQ(Linked(world), Owned(world));
}

}  // namespace
}  // namespace world_test
