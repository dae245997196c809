// New objects are numbered by one rule: the lowest numbers nothing holds, never the background's
// nor the numbers the world keeps for itself.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "model/world/ObjectNumbering.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

std::set<int32_t> Range(int32_t first, int32_t last) {
  std::set<int32_t> held;
  for (int32_t identifier = first; identifier <= last; ++identifier) held.insert(identifier);
  return held;
}

TEST(ObjectNumbering, GapsFillFirstAndTheWorldsOwnNumbersAreSkipped) {
  EXPECT_EQ(FreeIdentifiers({0, 1, 2, 4, 10001}, 3), (std::vector<int16_t>{3, 5, 6}));
  // Below the world's numbers all are taken: the world itself, its hidden point and its joiner
  // are passed over even when the world holds none of them.
  EXPECT_EQ(FreeIdentifiers(Range(1, 9999), 4), (std::vector<int16_t>{10001, 10002, 10003, 10004}));
  std::set<int32_t> held = Range(1, 9999);
  held.merge(Range(10001, 10011));
  EXPECT_EQ(FreeIdentifiers(held, 3), (std::vector<int16_t>{10013, 10015, 10016}));
  for (int32_t reserved : {0, 10000, 10012, 10014}) EXPECT_TRUE(IsReservedIdentifier(reserved));
  EXPECT_FALSE(IsReservedIdentifier(10013));
}

TEST(ObjectNumbering, RunningOutGivesFewerNumbers) {
  std::set<int32_t> held = Range(1, INT16_MAX - 1);
  EXPECT_EQ(FreeIdentifiers(held, 2), (std::vector<int16_t>{INT16_MAX}));
  held.insert(INT16_MAX);
  EXPECT_TRUE(FreeIdentifiers(held, 1).empty());
}

TEST(ObjectNumbering, AWorldsObjectsHoldTheirNumbers) {
  WorldScope scope;
  TWorldDoc world;
  for (int16_t identifier : {1, 2, 3, 5}) {
    auto object = std::make_unique<TTestObject>();
    object->SetIdentifier(identifier);
    world.AdoptObject(std::move(object));
  }
  EXPECT_EQ(FreeIdentifier(world), 4);
  EXPECT_EQ(FreeIdentifiers(world, 2), (std::vector<int16_t>{4, 6}));
}

}  // namespace
}  // namespace world_test
