// A run holds the program's current run command from its first step to its end, and the
// application idles every 20 ticks while one is held, never otherwise. The clock is virtual:
// each shown frame moves it past the end of a slice, so every slice shows one frame.

#include <memory>

#include <gtest/gtest.h>

#include "core/CommandNesting.h"
#include "model/command/CommandHandler.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Window.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class QuietReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

// Moves the clock a whole slice on with each frame shown, so a timed slice ends after it.
class SliceClock : public TRunListener {
 public:
  void FrameShown(TCommand&, int16_t) override {
    AdvanceVirtualClock((TCommand::kSliceTicks + 1) * 1000 / 60);
  }
  bool TargetReached(TCommand&) override { return false; }
  void RunStopped(TCommand&) override {}
};

class RunIdleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseVirtualClock(1000);
    scope = std::make_unique<WorldScope>();
    application = std::make_unique<TCommandHandler>(nesting);
    world = MakeWorld();
  }
  void TearDown() override {
    world.reset();
    other.reset();
    application.reset();
    scope.reset();
    ResetWindowSystem();
    UseProcessClock();
  }
  std::unique_ptr<TWorldDoc> MakeWorld() {
    auto made = std::make_unique<TWorldDoc>();
    made->SetHost(&host);
    made->InitWorld(0);
    auto store = std::make_unique<TTestStore>();
    TTestStore& kept = *store;
    made->SetStore(std::move(store));
    made->SetEngine(std::make_unique<TTestEngine>(kept));
    return made;
  }
  // A step run from frame 0 to the target, one frame per slice.
  std::unique_ptr<TCommand> StepRun(TWorldDoc& on, int16_t target) {
    std::unique_ptr<TCommand> run = on.MakeRunCommand(kCmdStepForward, 1);
    run->SetTarget(target, 0);
    run->SetListener(&clock);
    return run;
  }
  // The wait the application's idle walk schedules next.
  int32_t IdleWait() {
    application->IdleChains(0);
    return application->NextIdleWait();
  }

  QuietReporter reporter;
  TCommandNesting nesting{reporter};
  std::unique_ptr<WorldScope> scope;
  std::unique_ptr<TCommandHandler> application;
  TTestHost host;
  SliceClock clock;
  std::unique_ptr<TWorldDoc> world;
  std::unique_ptr<TWorldDoc> other;
};

TEST_F(RunIdleTest, TheRunIsCurrentFromItsFirstSliceToItsEndAndTheApplicationIdlesMeanwhile) {
  EXPECT_EQ(IdleWait(), TTargetHandler::kNeverIdle);
  std::unique_ptr<TCommand> run = StepRun(*world, 3);
  // Made but not started: nothing runs yet.
  EXPECT_EQ(CurrentRunCommandInProgress(), nullptr);

  int slices = 1;
  while (!run->RunSlice(TCommand::kSliceTicks)) {
    // Between slices the run is still the current one, and idle time comes every 20 ticks.
    EXPECT_EQ(CurrentRunCommandInProgress(), run.get());
    EXPECT_EQ(TCommand::Current(), nullptr);
    EXPECT_EQ(application->GetIdleFrequency(), kRunIdleTicks);
    EXPECT_EQ(IdleWait(), kRunIdleTicks);
    ASSERT_LT(++slices, 10);
  }
  EXPECT_GE(slices, 3);
  EXPECT_EQ(CurrentRunCommandInProgress(), nullptr);
  EXPECT_EQ(IdleWait(), TTargetHandler::kNeverIdle);
}

TEST_F(RunIdleTest, AStoppedOrDeletedRunGivesUpBeingCurrent) {
  std::unique_ptr<TCommand> run = StepRun(*world, 5);
  ASSERT_FALSE(run->RunSlice(TCommand::kSliceTicks));
  run->Stop();
  EXPECT_TRUE(run->RunSlice(TCommand::kSliceTicks));
  EXPECT_EQ(CurrentRunCommandInProgress(), nullptr);

  run = StepRun(*world, 5);
  ASSERT_FALSE(run->RunSlice(TCommand::kSliceTicks));
  ASSERT_EQ(CurrentRunCommandInProgress(), run.get());
  run.reset();
  EXPECT_EQ(CurrentRunCommandInProgress(), nullptr);
  EXPECT_EQ(IdleWait(), TTargetHandler::kNeverIdle);
}

TEST_F(RunIdleTest, WhenTheNewerOfTwoRunsEndsTheOlderIsCurrentAgain) {
  other = MakeWorld();
  std::unique_ptr<TCommand> first = StepRun(*world, 4);
  std::unique_ptr<TCommand> second = StepRun(*other, 2);
  ASSERT_FALSE(first->RunSlice(TCommand::kSliceTicks));
  ASSERT_FALSE(second->RunSlice(TCommand::kSliceTicks));
  EXPECT_EQ(CurrentRunCommandInProgress(), second.get());
  for (int slice = 0; !second->RunSlice(TCommand::kSliceTicks); ++slice) ASSERT_LT(slice, 10);
  EXPECT_EQ(CurrentRunCommandInProgress(), first.get());
  EXPECT_EQ(IdleWait(), kRunIdleTicks);
}

}  // namespace
}  // namespace world_test
