#include <gtest/gtest.h>

#include <memory>

#include "core/List.h"
#include "core/Tag.h"
#include "model/GeometryManagerHook.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/GeometryRefreshCommand.h"

namespace tracker_test {
namespace {

constexpr uint32_t kColour = MakeTag("colr");

// A geometry manager that brings the first object it is given to a colour of its own, as a
// joined object would be moved, and counts what it is asked.
class TFakeManager : public TObject, public TGeometryManagerHook {
 public:
  void Prepare(TList&, int16_t, int16_t) override {}
  std::unique_ptr<TGeometryRegistration> Register(TList&, int16_t) override { return nullptr; }
  void Finish(TGeometryRegistration&) override {}
  void Relink(TList&, int16_t, int16_t, int16_t, void*, TList&) override {}
  void CheckFormula(const TFormula&, int16_t, int16_t) override {}
  uint16_t HasPendingWork() const override { return 0; }
  void Flush(int16_t) override {}
  void UpdateObject(int16_t) override {}
  void RemoveObjects() override { ++removed; }
  std::unique_ptr<TGeometryObjectRecord> AddObjects(TList& objects) override {
    for (int32_t i = 1; i <= objects.GetCount(); ++i)
      added.push_back(objects.At(i));
    return std::make_unique<TGeometryObjectRecord>();
  }
  void RefreshRecord(TGeometryObjectRecord&) override {
    ++refreshed;
    static_cast<TLink*>(added.front())->SetColourProperty(kColour, RGB16Color{1, 2, 3});
  }
  std::vector<TObject*> added;
  int refreshed = 0;
  int removed = 0;
};

TFakeManager* gManager = nullptr;

TGeometryManagerHook* ManagerOfItem(TObject* item) {
  return item == gManager ? gManager : nullptr;
}

class GeometryRefreshCommandTest : public TrackerTest {
 protected:
  void SetUp() override {
    TrackerTest::SetUp();
    gManager = &manager;
    InstallGeometryManagerHook(ManagerOfItem);
    world.itemTag = kGeometryManagerTag;
    world.item = &manager;
    selection.IList();
    selection.InsertLast(&world.Thing(0));
    selection.InsertLast(&world.Thing(1));
    world.selection = &selection;
  }
  void TearDown() override {
    world.selection = nullptr;
    selection.DeleteAll();
    InstallGeometryManagerHook(nullptr);
    gManager = nullptr;
    TrackerTest::TearDown();
  }
  RGB16Color Colour(size_t i) {
    RGB16Color colour{};
    world.Thing(i).GetColourProperty(kColour, colour, nullptr);
    return colour;
  }

  TFakeManager manager;
  TList selection;
};

TEST_F(GeometryRefreshCommandTest, TheManagerRefreshesTheSelectionAndUndoRestoresIt) {
  const RGB16Color before = Colour(0);
  TGeometryRefreshCommand command;
  command.InitRefresh(2012, &world, &view);
  ASSERT_EQ(command.Objects().size(), 2u);
  command.Perform();
  ASSERT_EQ(manager.added.size(), 2u);
  EXPECT_EQ(manager.added[0], &world.Thing(0));
  EXPECT_EQ(manager.refreshed, 1);
  EXPECT_EQ(manager.removed, 1);
  EXPECT_EQ(world.redraws, 1);
  EXPECT_EQ(Colour(0), (RGB16Color{1, 2, 3}));

  command.Undo();
  EXPECT_EQ(Colour(0), before);
  command.Redo();
  EXPECT_EQ(Colour(0), (RGB16Color{1, 2, 3}));
}

TEST_F(GeometryRefreshCommandTest, WithoutATargetOrASelectionTheManagerIsLeftAlone) {
  TGeometryRefreshCommand untargeted;
  untargeted.InitRefresh(2012, &world, nullptr);
  untargeted.Perform();
  EXPECT_TRUE(manager.added.empty());
  EXPECT_EQ(world.redraws, 0);

  world.selection = nullptr;
  TGeometryRefreshCommand empty;
  empty.InitRefresh(2012, &world, &view);
  EXPECT_TRUE(empty.Objects().empty());
  empty.Perform();
  EXPECT_TRUE(manager.added.empty());
}

}  // namespace
}  // namespace tracker_test
