// The world's tool: tool 2010 and the creation tools stop a run and take the tracker its maker makes, low memory offers only the
// selection tool, and the view objects hear of a change but not of the same tool again.

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldParticipants.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class TToolWatcher : public TLink, public TToolObserver {
 public:
  void ToolChanged(int16_t tool, int16_t argument) override {
    told.push_back({tool, argument});
  }
  std::vector<std::pair<int16_t, int16_t>> told;
};

class WorldToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    world->UpdateViewObject(&watcher, 1);
  }
  void TearDown() override {
    SetMemoryProbe({});
    world.reset();
    scope.reset();
  }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TToolWatcher watcher;
};

TEST_F(WorldToolsTest, ToolNumbersAreTheSelectionToolsAndTheCreationTools) {
  for (int16_t tool : {1999, 2013, 2499, 2800}) EXPECT_FALSE(TWorldDoc::IsToolCommand(tool)) << tool;
  for (int16_t tool : {2000, 2003, 2012, 2500, 2799}) EXPECT_TRUE(TWorldDoc::IsToolCommand(tool)) << tool;
  EXPECT_FALSE(TWorldDoc::IsCreationTool(2012));
  EXPECT_TRUE(TWorldDoc::IsCreationTool(2500));
}

TEST_F(WorldToolsTest, CreationAndRotateToolsStopARunOthersLeaveIt) {
  for (int16_t tool : {int16_t{2003}, int16_t{2010}, int16_t{2600}}) {
    SCOPED_TRACE(tool);
    auto run = world->MakeRunCommand(kCmdRun, 0);
    ASSERT_EQ(world->FirstRunningCommand(), run.get());
    // This world's resources hold no prototype for the tool: it has no tracker to take.
    try {
      world->SetMode(tool, 0);
      EXPECT_EQ(tool, 2003);
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), -25005);
    }
    EXPECT_EQ(run->IsStopped(), tool == 2003 ? 0 : 1);
    EXPECT_EQ(world->GetCurrentTool(), tool);
    EXPECT_EQ(world->GetToolTracker(), nullptr);
  }
}

TEST_F(WorldToolsTest, ObserversHearOfAChangeOnlyAndThePreviousToolIsKept) {
  world->SetMode(2005, 0);
  world->SetMode(2005, 0);
  world->SetMode(2005, 1);
  ASSERT_EQ(watcher.told.size(), 2u);
  EXPECT_EQ(watcher.told[0], std::make_pair(int16_t{2005}, int16_t{0}));
  EXPECT_EQ(watcher.told[1], std::make_pair(int16_t{2005}, int16_t{1}));
  EXPECT_EQ(world->GetPreviousTool(), 2005);
  EXPECT_EQ(world->GetPreviousToolArgument(), 0);
  EXPECT_EQ(world->GetToolArgument(), 1);
}

TEST_F(WorldToolsTest, ToolTrackersComeFromTheMakerAndWaitUntilAClickTakesThem) {
  std::vector<int16_t> asked;
  world->SetToolTrackerMaker([&](int16_t tool) -> std::unique_ptr<TCommandCore> {
    asked.push_back(tool);
    if (tool == 2700) return nullptr;  // an object that makes no tracker
    auto tracker = std::make_unique<TCommandCore>();
    tracker->InitCommand(tool, nullptr, nullptr, nullptr);
    return tracker;
  });
  world->SetMode(2600, 0);
  TCommandCore* waiting = world->GetToolTracker();
  ASSERT_NE(waiting, nullptr);
  EXPECT_EQ(waiting->GetCommandNumber(), 2600);
  // Going to another tool and back finds the tracker still waiting.
  world->SetMode(2000, 0);
  EXPECT_EQ(world->GetToolTracker(), nullptr);
  world->SetMode(2600, 0);
  EXPECT_EQ(world->GetToolTracker(), waiting);
  EXPECT_EQ(world->TrackerForTool(2600), waiting);
  EXPECT_EQ(asked, std::vector<int16_t>{2600});

  // Taken, it is the caller's, and the next request makes a new one.
  std::unique_ptr<TCommandCore> taken = world->TakeToolTracker(waiting);
  EXPECT_EQ(taken.get(), waiting);
  EXPECT_EQ(world->GetToolTracker(), nullptr);
  EXPECT_EQ(world->TakeToolTracker(waiting), nullptr);
  EXPECT_NE(world->TrackerForTool(2600), nullptr);
  EXPECT_EQ(asked.size(), 2u);

  // A tool whose object makes no tracker: -25005, and the tool is current without one.
  try {
    world->SetMode(2700, 0);
    ADD_FAILURE() << "no failure";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25005);
  }
  EXPECT_EQ(world->GetCurrentTool(), 2700);
  EXPECT_EQ(world->GetToolTracker(), nullptr);
}

TEST_F(WorldToolsTest, LowMemoryOffersOnlyTheSelectionTool) {
  SetMemoryProbe([] { return uint64_t{1024}; });
  world->SetMode(2600, 0);
  EXPECT_EQ(world->GetCurrentTool(), 2000);
  EXPECT_EQ(world->GetToolArgument(), 2);
}

}  // namespace
}  // namespace world_test
