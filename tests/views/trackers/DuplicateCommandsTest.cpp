#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Resources.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/DuplicateCommands.h"

namespace tracker_test {
namespace {

// A world that takes placed objects in; which of them are gadgets the test says.
class TDuplicateWorld : public TSelectWorld, public TPlacingWorld {
 public:
  void DeselectAll() override { TSelectWorld::DeselectAll(); }
  void AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) override {
    for (auto& object : objects) adopted.push_back(std::move(object));
  }
  void AfterPlacing() override {}
  void PlacingUndone() override {}
  void PlacingRedone(int16_t, int16_t) override {}
  bool IsScreenPositioned(const TLink* object) const override {
    return std::find(gadgets.begin(), gadgets.end(), object) != gadgets.end();
  }
  bool IsWorldPositioned(const TLink* object) const override { return !IsScreenPositioned(object); }
  MacRect ScreenBoundsOf(const TLink* object) override { return bounds.at(object); }
  MacPoint WindowExtent() override { return window; }

  std::vector<std::unique_ptr<TLink>> adopted;
  std::vector<const TLink*> gadgets;
  std::map<const TLink*, MacRect> bounds;
  MacPoint window{300, 200};
};

class DuplicateCommandsTest : public TrackerTest {
 protected:
  void SetUp() override {
    TrackerTest::SetUp();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    FreezeClassRegistry();
  }
  void TearDown() override {
    FreeClassRegistry();
    FreeResourceLibrary(GetResourceModule1());
    SetResourceModule1(nullptr);
    TrackerTest::TearDown();
  }
  // The stream of two things, as a copy of a selection is written.
  static Handle TwoThings() {
    command_test::TTestWorld source(2);
    const std::vector<uint8_t> bytes = source.DocumentBytes();
    return NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  // Duplicates two things, the second a gadget, as the count-th duplicate in a row.
  void Duplicate(int16_t count) {
    Handle stream = TwoThings();
    TDuplicateCommand command;
    command.InitDuplicate(kCmdDuplicate, &world_, &world_, stream, 0, count, 0.25, &copyIds_);
    FreeHandle(stream);
    copies_ = command.PlacedObjects();
    ASSERT_EQ(copies_.size(), 2u);
    world_.gadgets = {copies_[1]};
    world_.positions[copies_[0]] = TVector3(1.0, 2.0, 0.5);
    command.Perform();
  }

  TDuplicateWorld world_;
  std::vector<TLink*> copies_;
  std::vector<int16_t> copyIds_;
};

TEST_F(DuplicateCommandsTest, CopiesMoveFurtherWithEachDuplicateInARow) {
  Duplicate(1);
  ASSERT_EQ(world_.adopted.size(), 2u);
  // The gadget 12 pixels right and down; the world object by (d, -d), d = 0.25 * 1 * 2, turned
  // as before.
  EXPECT_EQ(world_.positions[copies_[1]].x, 12.0);
  EXPECT_EQ(world_.positions[copies_[1]].y, 12.0);
  EXPECT_DOUBLE_EQ(world_.positions[copies_[0]].x, 1.5);
  EXPECT_DOUBLE_EQ(world_.positions[copies_[0]].y, 1.5);
  EXPECT_DOUBLE_EQ(world_.positions[copies_[0]].r, 0.5);
  // The copies are the selection, and their identifiers are told.
  EXPECT_EQ(world_.selected, copies_);
  EXPECT_EQ(copyIds_, (std::vector<int16_t>{copies_[0]->GetIdentifier(),
                                            copies_[1]->GetIdentifier()}));

  Duplicate(3);
  EXPECT_EQ(world_.positions[copies_[1]].x, 36.0);
  EXPECT_DOUBLE_EQ(world_.positions[copies_[0]].x, 2.5);
  EXPECT_DOUBLE_EQ(world_.positions[copies_[0]].y, 0.5);
}

TEST_F(DuplicateCommandsTest, AFirstCopyWithoutARowStaysPut) {
  Duplicate(0);
  EXPECT_EQ(world_.positions[copies_[1]].x, 0.0);
  EXPECT_DOUBLE_EQ(world_.positions[copies_[0]].x, 1.0);
}

TEST(GadgetBlockPlacement, BlocksFillAColumnDownThenTheNextColumnThenStartAgain) {
  MacRect record;
  // Window 100 high and 70 wide; blocks 30 high and 20 wide.
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(0, 0));
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(0, 30));
  // A wider block grows the column.
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 25, 100, 70), MacPoint(0, 60));
  EXPECT_EQ(record.right, 25);
  // No room below: the next column, at the top, right of the widest block.
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(25, 0));
  EXPECT_EQ(record, MacRect(25, 0, 45, 30));
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(25, 30));
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(25, 60));
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(45, 0));
  // The last column that fits fills down too.
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(45, 30));
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(45, 60));
  // A further column would pass the right edge: back to the window's corner.
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 20, 100, 70), MacPoint(0, 0));
  EXPECT_EQ(record, MacRect(0, 0, 20, 30));
}

TEST(GadgetBlockPlacement, ABlockTallerThanTheWindowStartsAColumnAtTheTop) {
  MacRect record(0, 0, 40, 10);
  EXPECT_EQ(PlaceGadgetBlock(record, 150, 20, 100, 300), MacPoint(40, 0));
  EXPECT_EQ(record, MacRect(40, 0, 60, 150));
}

TEST(GadgetBlockPlacement, AColumnBeyondAWindowMadeSmallerStartsAgainAtTheCorner) {
  // The last block went to a column at 300 of a wide window; the window is now 200 wide.
  MacRect record(300, 0, 340, 30);
  EXPECT_EQ(PlaceGadgetBlock(record, 30, 40, 400, 200), MacPoint(0, 0));
  EXPECT_EQ(record, MacRect(0, 0, 40, 30));
}

TEST_F(DuplicateCommandsTest, ANewGadgetBlockGoesToTheNextFreePlace) {
  Handle stream = TwoThings();
  MacRect record(0, 0, 50, 120);
  TTracker489 command;
  command.InitPlacement(600, &record, &world_, &world_, 1, stream, 0);
  FreeHandle(stream);
  const std::vector<TLink*> block = command.PlacedObjects();
  ASSERT_EQ(block.size(), 2u);
  world_.gadgets = {block[0], block[1]};
  world_.bounds[block[0]] = MacRect(0, 0, 40, 30);
  world_.bounds[block[1]] = MacRect(10, 20, 60, 50);
  command.Perform();
  // The block is 50 high and 60 wide and fits below the last one.
  EXPECT_EQ(record, MacRect(0, 120, 60, 170));
  EXPECT_EQ(world_.positions[block[0]].x, 0.0);
  EXPECT_EQ(world_.positions[block[0]].y, 120.0);
  EXPECT_EQ(world_.positions[block[1]].y, 120.0);
  EXPECT_EQ(world_.adopted.size(), 2u);
}

}  // namespace
}  // namespace tracker_test
