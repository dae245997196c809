#include <gtest/gtest.h>

#include <string>

#include "core/Failure.h"
#include "model/GeometryManagerHook.h"
#include "model/command/FormulaPropertyOp.h"
#include "model/command/PropertyOps.h"
#include "model/filing/ChangeRecorder.h"
#include "tests/model/command/TestWorld.h"

namespace command_test {
namespace {

constexpr uint32_t kColour = MakeTag("colr");
constexpr uint32_t kAcross = MakeTag("p__x");
constexpr uint32_t kFollow = MakeTag("fTwx");
constexpr uint32_t kShape = MakeTag("shpW");
constexpr int16_t kBlockPlace = 1300;
using Entry = TChangeRecorder::Entry;

// A thing that moves: its place is block 1300, its "shpW" is kept whole.
class TMovingThing : public TThing {
 public:
  uint16_t IsGeometryTag(uint32_t tag) override { return tag == kAcross || tag == kFollow; }
  void ReportPositionBlocks(BlockCallback callback, void* context) override {
    callback(kBlockPlace, context);
  }
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override {
    if (tag == kShape) return blockCallback(-2, blockContext);
    TThing::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                 objectContext);
  }
};

// The world's geometry manager, as far as the commands can see it.
class TFakeGeometryManager : public TObject, public TGeometryManagerHook {
 public:
  void Prepare(TList& targets, int16_t a, int16_t b) override {
    log.push_back("prepare " + std::to_string(targets.GetCount()) + std::to_string(a) +
                  std::to_string(b));
  }
  std::unique_ptr<TGeometryRegistration> Register(TList&, int16_t number) override {
    log.push_back("register " + std::to_string(number));
    return std::make_unique<TGeometryRegistration>();
  }
  void Finish(TGeometryRegistration&) override { log.push_back("finish"); }
  void Relink(TList&, int16_t, int16_t, int16_t, void*, TList&) override {
    log.push_back("relink");
  }
  void CheckFormula(const TFormula&, int16_t, int16_t) override { log.push_back("check"); }
  uint16_t HasPendingWork() const override { return pending; }
  void Flush(int16_t) override {
    log.push_back("flush");
    pending = 0;
  }
  void UpdateObject(int16_t) override {}
  void RemoveObjects() override {}
  std::unique_ptr<TGeometryObjectRecord> AddObjects(TList&) override { return nullptr; }
  void RefreshRecord(TGeometryObjectRecord&) override {}
  std::vector<std::string> log;
  uint16_t pending = 0;
};

TGeometryManagerHook* FakeManagerOf(TObject* item) {
  return static_cast<TFakeGeometryManager*>(item);
}

class PropertyOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InstallGeometryManagerHook(FakeManagerOf);
    world.itemTag = kGeometryManagerTag;
    world.item = &manager;
  }
  void TearDown() override {
    InstallGeometryManagerHook(nullptr);
    FreeHandlePool();
  }
  TFakeGeometryManager manager;
  TTestWorld world;
};

TEST_F(PropertyOpsTest, AColourCommandSavesOnlyTheColourBlockAndUndoesByteForByte) {
  const RGB16Color blue{0, 0xFFFF, 0};
  {
    TColourPropertyOp noting;
    noting.InitValue(1601, &world, 1, kColour, blue);
    noting.AddTarget(&world.Thing(1));
    noting.BeforePrepare();
    EXPECT_EQ(noting.UndoRecorder()->Pending(), (std::vector<Entry>{{&world.Thing(1), 5004}}));
    EXPECT_EQ(noting.RedoRecorder()->Pending(), noting.UndoRecorder()->Pending());
    EXPECT_EQ(noting.GeometryFlag(), 0);
  }
  const auto before = world.DocumentBytes();
  TColourPropertyOp command;
  command.InitValue(1601, &world, 1, kColour, blue);
  command.AddTarget(&world.Thing(1));
  command.Perform();
  EXPECT_EQ(world.Thing(1).GetColour(), blue);
  EXPECT_EQ(world.changedNotices, std::vector<int16_t>{0});
  const auto after = world.DocumentBytes();
  command.Undo();
  EXPECT_EQ(world.DocumentBytes(), before);
  command.Redo();
  EXPECT_EQ(world.DocumentBytes(), after);
  EXPECT_TRUE(manager.log.empty());
}

TEST_F(PropertyOpsTest, AWholeObjectBlockIsSavedWholeFirst) {
  TMovingThing thing;
  thing.Initialize();
  thing.SetIdentifier(9);
  TShortPropertyOp command;
  command.InitValue(1, &world, 1, kShape, 4);
  command.AddTarget(&thing);
  command.BeforePrepare();
  EXPECT_EQ(command.UndoRecorder()->Pending(), (std::vector<Entry>{{&thing, -2}}));
}

TEST_F(PropertyOpsTest, MovingATargetSavesTheWholeWorldAndAsksTheGeometryManager) {
  TMovingThing mover;
  mover.Initialize();
  mover.SetIdentifier(9);
  world.extras.push_back(&mover);
  TIntPropertyOp command;
  command.InitValue(7, &world, 1, kAcross, 12);
  command.AddTarget(&mover);
  command.BeforePrepare();
  EXPECT_EQ(command.GeometryFlag(), 1);
  // The target keeps its place in the queue; its block gives way to the whole object.
  std::vector<Entry> everything{{&mover, -2}};
  for (size_t i = 0; i < world.things.size(); ++i)
    everything.push_back({&world.Thing(i), -2});
  EXPECT_EQ(command.UndoRecorder()->Pending(), everything);
  command.DoWork();
  EXPECT_EQ(manager.log, (std::vector<std::string>{"prepare 111", "register 7", "finish"}));
}

TEST_F(PropertyOpsTest, ThePositionFormulaTagNeverCountsAsMovingObjects) {
  TMovingThing mover;
  mover.Initialize();
  mover.SetIdentifier(9);
  TFlagPropertyOp command;
  command.InitValue(7, &world, 1, kFollow, 1);
  command.AddTarget(&mover);
  command.BeforePrepare();
  EXPECT_EQ(command.GeometryFlag(), 0);
  EXPECT_EQ(command.UndoRecorder()->Pending(), (std::vector<Entry>{{&mover, kBlockPlace}}));
  command.DoWork();
  EXPECT_TRUE(manager.log.empty());
}

TEST_F(PropertyOpsTest, BlankTagAndContextlessWorldActionOnlyRecordTheirTargets) {
  const auto before = world.DocumentBytes();
  TBlankTagOp blank;
  blank.InitBlankTag(3, &world, 1, 5);
  blank.AddTarget(&world.Thing(0));
  blank.BeforePrepare();
  EXPECT_EQ(blank.UndoRecorder()->Pending(), (std::vector<Entry>{{&world.Thing(0), -2}}));
  blank.Perform();
  EXPECT_EQ(world.DocumentBytes(), before);

  TWorldActionOp action;
  action.InitValue(3, nullptr, 1, MakeTag("actn"));
  action.AddTarget(&world.Thing(2));
  action.Perform();
  EXPECT_EQ(world.DocumentBytes(), before);
  EXPECT_NE(action.UndoImage(), nullptr);
}

TEST_F(PropertyOpsTest, EachKindAnswersItsClassIdentity) {
  const std::vector<std::pair<std::unique_ptr<TObject>, int16_t>> kinds = [] {
    std::vector<std::pair<std::unique_ptr<TObject>, int16_t>> list;
    list.emplace_back(std::make_unique<TPropertyOp>(), 348);
    list.emplace_back(std::make_unique<TBlankTagOp>(), 362);
    list.emplace_back(std::make_unique<TTagActionOp>(), 350);
    list.emplace_back(std::make_unique<TWorldActionOp>(), 349);
    list.emplace_back(std::make_unique<TFlagPropertyOp>(), 352);
    list.emplace_back(std::make_unique<TChoicePropertyOp>(), 353);
    list.emplace_back(std::make_unique<TFormulaPropertyOp>(), 354);
    list.emplace_back(std::make_unique<TStringPropertyOp>(), 355);
    list.emplace_back(std::make_unique<TColourPropertyOp>(), 356);
    list.emplace_back(std::make_unique<TIntPropertyOp>(), 357);
    list.emplace_back(std::make_unique<TNumberPropertyOp>(), 358);
    list.emplace_back(std::make_unique<TPositionPropertyOp>(), 359);
    list.emplace_back(std::make_unique<TShortPropertyOp>(), 360);
    list.emplace_back(std::make_unique<TLongPropertyOp>(), 360);
    return list;
  }();
  for (const auto& [kind, id] : kinds) {
    EXPECT_EQ(kind->GetClassIDAt(0), id);
    EXPECT_TRUE(kind->IsMemberClass(559));
    EXPECT_TRUE(kind->IsMemberClass(295));
  }
}

}  // namespace
}  // namespace command_test
