#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "model/Thing.h"
#include "resources/ResourceLibraries.h"
#include "model/command/PlacingCommands.h"
#include "model/filing/ObjectReader.h"
#include "tests/model/command/TestWorld.h"

namespace command_test {
namespace {

// A world that keeps what is placed into it.
class TPlaceWorld : public TTestWorld, public TPlacingWorld {
 public:
  TPlaceWorld() : TTestWorld(0) {}
  void DeselectAll() override { ++deselects; }
  void AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) override {
    for (auto& object : objects) {
      adoptedOrder.push_back(object.get());
      adopted.push_back(std::move(object));
    }
  }
  void AfterPlacing() override { ++afterPlacing; }
  void PlacingUndone() override { ++undone; }
  void PlacingRedone(int16_t, int16_t) override { ++redone; }

  std::vector<std::unique_ptr<TLink>> adopted;
  std::vector<TLink*> adoptedOrder;
  int deselects = 0;
  int afterPlacing = 0;
  int undone = 0;
  int redone = 0;
};

class PlacingCommandsTest : public ::testing::Test {
 protected:
  // The main library's class table names the classes of stored objects.
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    FreezeClassRegistry();
  }
  void TearDown() override {
    FreeClassRegistry();
    FreeResourceLibrary(GetResourceModule1());
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
};

// The stream of two things, the first named with the number placeholder.
Handle TwoThingStream() {
  TTestWorld source(2);
  source.Thing(0).SetName(Str255("Box \xA5"));
  source.Thing(1).SetName(Str255("Box $"));
  source.Thing(0).SetNumberText(Str31("7"));
  source.Thing(1).SetNumberText(Str31("8"));
  const std::vector<uint8_t> bytes = source.DocumentBytes();
  return NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

TEST_F(PlacingCommandsTest, AStreamIsPlacedIntoTheWorldWithNumbersInTheNames) {
  TPlaceWorld world;
  Handle stream = TwoThingStream();
  TCommandSub command;
  command.InitFromStream(600, &world, 1, stream, 0);
  FreeHandle(stream);
  EXPECT_EQ(command.PlacedCount(), 2);
  EXPECT_EQ(command.DeselectsFirst(), 1);
  EXPECT_EQ(command.CausesChange(), 1);

  command.Perform();
  ASSERT_EQ(world.adopted.size(), 2u);
  EXPECT_EQ(world.deselects, 1);
  EXPECT_EQ(world.afterPlacing, 1);
  // The reader is gone once the objects are the world's.
  EXPECT_EQ(command.PlacedCount(), 0);
  EXPECT_TRUE(static_cast<TNamedLink*>(world.adoptedOrder[0])->GetName() == Str255("Box 7"));
  EXPECT_TRUE(static_cast<TNamedLink*>(world.adoptedOrder[1])->GetName() == Str255("Box 8"));
  // Undo and redo tell the world.
  command.Undo();
  command.Redo();
  EXPECT_EQ(world.undone, 1);
  EXPECT_EQ(world.redone, 1);
}

TEST_F(PlacingCommandsTest, WithoutDeselectingFirstTheSelectionStays) {
  TPlaceWorld world;
  Handle stream = TwoThingStream();
  TCommandSub command;
  command.InitFromStream(600, &world, 0, stream, 0);
  FreeHandle(stream);
  command.SetDeselectsFirst(0);
  command.Perform();
  EXPECT_EQ(world.deselects, 0);
  EXPECT_EQ(world.adopted.size(), 2u);
}

TEST_F(PlacingCommandsTest, ADamagedStreamFailsAndPlacesNothing) {
  TPlaceWorld world;
  const uint8_t junk[] = {1, 2, 3};
  Handle stream = NewHandleFromBytes(junk, sizeof junk);
  TCommandSub command;
  EXPECT_THROW(command.InitFromStream(600, &world, 1, stream, 0), QVException);
  FreeHandle(stream);
  EXPECT_EQ(command.PlacedCount(), 0);
  EXPECT_TRUE(world.adopted.empty());
}

}  // namespace
}  // namespace command_test
