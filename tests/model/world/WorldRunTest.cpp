#include <cstring>

#include <gtest/gtest.h>

#include "model/world/RunCommand.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class WorldRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    auto owned = std::make_unique<TTestStore>();
    store = owned.get();
    world->SetStore(std::move(owned));
    auto ownedEngine = std::make_unique<TTestEngine>(*store);
    engine = ownedEngine.get();
    world->SetEngine(std::move(ownedEngine));
  }
  void TearDown() override {
    world.reset();
    scope.reset();
  }
  // Adds an object, set up first: the world sorts it by its roles when it adopts it.
  template <class T>
  T& Add(int16_t identifier, int32_t fixedValues = 0, int32_t valueCount = 0) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    object->fixedValues = fixedValues;
    object->valueCount = valueCount;
    T& added = *object;
    world->AdoptObject(std::move(object));
    return added;
  }
  // Runs a command made for the number until it is done.
  void Perform(int16_t number) {
    std::unique_ptr<TCommand> command = world->MakeRunCommand(number, 1);
    ASSERT_NE(command, nullptr);
    command->Perform();
  }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TTestStore* store = nullptr;
  TTestEngine* engine = nullptr;
};

std::vector<uint8_t> Record(int32_t identifier, double value) {
  std::vector<uint8_t> bytes(12);
  std::memcpy(bytes.data(), &identifier, 4);
  std::memcpy(bytes.data() + 4, &value, 8);
  return bytes;
}

TEST_F(WorldRunTest, InputRecordsGoToEverySolverCall) {
  world->RunToFrame(0, nullptr);
  ASSERT_EQ(engine->inputs.size(), 1u);
  EXPECT_EQ(engine->inputs[0], Record(0, 0.0));  // only the end mark

  Add<TTestInput>(-3).value = 2.5;
  Add<TTestInput>(9).value = -1.0;
  world->RunToFrame(2, nullptr);
  // Adding the inputs threw the recorded frame away: frames 0 to 2 were computed again.
  ASSERT_EQ(engine->inputs.size(), 4u);
  std::vector<uint8_t> expected = Record(-3, 2.5);
  for (const auto& record : {Record(9, -1.0), Record(0, 0.0)})
    expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(engine->inputs.back(), expected);
  EXPECT_EQ(world->InputRecords(), expected);
}

TEST_F(WorldRunTest, MoreInputsThanTheFirstBufferHoldsAllGoToTheSolver) {
  for (int16_t i = 1; i <= 40; ++i)
    Add<TTestInput>(static_cast<int16_t>(100 + i)).value = i;
  world->RunToFrame(0, nullptr);
  const std::vector<uint8_t>& records = engine->inputs.back();
  ASSERT_EQ(records.size(), 41u * 12u);
  int32_t last;
  std::memcpy(&last, &records[39 * 12], 4);
  EXPECT_EQ(last, 140);
  EXPECT_GE(world->InputBufferBytes(), 41u * 12u);
}

TEST_F(WorldRunTest, RecordedFrameNeedsNoSolverAndLoadingHappensOnce) {
  world->RunToFrame(3, nullptr);
  EXPECT_EQ(store->frames, 4);
  EXPECT_EQ(engine->reads, 1);
  const int runs = engine->runs;
  world->RunToFrame(2, nullptr);
  EXPECT_EQ(engine->runs, runs);
  world->RunToFrame(4, nullptr);
  EXPECT_EQ(engine->reads, 1);
  EXPECT_EQ(world->IsSolverWorldLoaded(), 1);
  // A change makes the solver's copy stale and throws the frames away.
  Add<TTestObject>(3);
  EXPECT_EQ(world->IsSolverWorldLoaded(), 0);
  EXPECT_EQ(store->frames, 0);
}

TEST_F(WorldRunTest, FrameLimitFailsAfterLoading) {
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(32766, nullptr); }), kErrFrameRange);
  EXPECT_EQ(engine->reads, 1);
  EXPECT_EQ(engine->runs, 0);
}

TEST_F(WorldRunTest, FullStoreGrowsAndTheSameTargetIsPursued) {
  store->capacity = 2;
  world->RunToFrame(4, nullptr);
  EXPECT_EQ(store->frames, 5);
  EXPECT_EQ(store->makeRoomCalls, 1);
  EXPECT_EQ(engine->unlocks, 1);  // the failed step unlocks the solver's world
}

TEST_F(WorldRunTest, StoreThatCannotGrowDropsOldFramesOrEndsTheRun) {
  store->capacity = 3;
  store->growFailures = 100;
  world->SetDropOldFrames(0);
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(5, nullptr); }), kErrOutOfMemory);
  EXPECT_EQ(store->frames, 3);

  world->SetDropOldFrames(1);
  host.answer = false;
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(5, nullptr); }), kErrNone);
  EXPECT_EQ(host.asked, std::vector<int16_t>{kDropFramesAlert});
  EXPECT_FALSE(store->HasMark());

  host.answer = true;
  world->RunToFrame(5, nullptr);
  EXPECT_TRUE(store->HasMark());
  EXPECT_EQ(store->frames, 6);
  EXPECT_GT(world->FirstHeldFrame(), 0);
  // Back to frame 0 after dropping keeps frame 0 alone and shows it.
  world->RunToFrame(0, nullptr);
  EXPECT_EQ(store->frames, 1);
  EXPECT_FALSE(store->HasMark());
  EXPECT_EQ(store->current, 0);
}

TEST_F(WorldRunTest, CommittingTheLastCommandGivesTheStoreASecondChance) {
  store->capacity = 1;
  store->growFailures = 1;
  host.lastCommand = true;
  world->RunToFrame(2, nullptr);
  EXPECT_EQ(store->makeRoomCalls, 2);
  EXPECT_TRUE(host.asked.empty());
}

TEST_F(WorldRunTest, SolverFailuresAreMappedOrAsked) {
  engine->results = {kErrSolverMemory};
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(1, nullptr); }), kErrOutOfMemory);
  engine->results = {kErrRunGoesOn};
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(1, nullptr); }), kErrRunGoesOn);
  engine->results = {-27850};
  host.answer = true;
  world->RunToFrame(1, nullptr);
  EXPECT_EQ(store->frames, 2);
  engine->results = {-27850};
  host.answer = false;
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(2, nullptr); }), kErrRunRefused);
  EXPECT_EQ(host.warnings, (std::vector<int16_t>{-27850, -27850}));
  engine->results = {-25002};
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(2, nullptr); }), -25002);
}

TEST_F(WorldRunTest, RunCommandAnsweredNoAtAWarningEndsWithoutAnAlert) {
  engine->results = {0, -27896};
  host.answer = false;
  std::unique_ptr<TCommand> command = world->MakeRunCommand(kCmdRun, 1);
  ASSERT_NE(command, nullptr);
  // Declining to go on is the user's choice: the run ends with the failure that shows nothing.
  EXPECT_EQ(ErrorOf([&] { command->Perform(); }), kErrNone);
  EXPECT_EQ(host.warnings, std::vector<int16_t>{-27896});
  EXPECT_TRUE(command->IsDone());
  EXPECT_EQ(world->GetRunState(), kRunIdle);
  EXPECT_EQ(store->frames, 1);
  command.reset();
  // Answered yes, the same warning lets the run go on.
  engine->results = {-27896};
  host.answer = true;
  Perform(kCmdStepForward);
  EXPECT_EQ(store->frames, 2);
}

TEST_F(WorldRunTest, LinkedDocumentFailureOfAListenerIsShownAndTheRunGoesOn) {
  TTestListener& listener = Add<TTestListener>(6);
  listener.listenerFailure = -1716;
  world->RunToFrame(1, nullptr);
  EXPECT_EQ(host.shown, std::vector<int16_t>{-1716});
  EXPECT_EQ(store->frames, 2);
  EXPECT_EQ(listener.targets, (std::vector<int32_t>{1, 1}));
}

TEST_F(WorldRunTest, RunCommandsChooseTheirTargets) {
  EXPECT_EQ(world->MakeRunCommand(kCmdStepForward, 1)->GetTarget(), 1);
  EXPECT_EQ(world->MakeRunCommand(kCmdRun, 1)->GetTarget(), kNoStopFrame);
  auto zero = world->MakeRunCommand(kCmdShowFrameZero, 1);
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(zero->IsExact(), 1);
  zero.reset();
  EXPECT_TRUE(world->RunningCommands().empty());
  EXPECT_EQ(world->FirstRunningCommand(), nullptr);

  Perform(kCmdStepForward);
  EXPECT_EQ(store->current, 1);
  EXPECT_EQ(world->MakeRunCommand(kCmdShowFrameZero, 1), nullptr);
  Perform(kCmdStepBack);
  EXPECT_EQ(store->current, 0);
  Perform(kCmdStepBack);  // stays at the first held frame
  EXPECT_EQ(store->current, 0);
  EXPECT_EQ(world->GetRunState(), kRunIdle);
}

TEST_F(WorldRunTest, RunStopsAtTheStopFrame) {
  world->RunToFrame(6, nullptr);
  world->ShowFrame(0, 1);
  world->SetStopFrame(4);
  EXPECT_EQ(world->GetStopFrame(), 4);
  world->SetShortProperty(MakeTag("sk p"), 2);
  Perform(kCmdRun);
  EXPECT_EQ(store->current, 4);
  // A stop frame beyond the recorded frames is no stop frame.
  world->SetStopFrame(4);
  store->frames = 3;
  EXPECT_EQ(world->GetStopFrame(), kNoStopFrame);
}

TEST_F(WorldRunTest, ValuesPerFrameAreSummedOnceAndRefusedWhenTooMany) {
  // Bodies that all want their position alone record 3 values each; with one that wants its
  // full state, every body records 8, as the solver writes them. Then every element value.
  TTestObject& body = Add<TTestObject>(2, 3);
  Add<TTestObject>(3, 3);
  Add<TTestPauseControl>(4, 0, 2);
  world->LoadEngineWorld();
  EXPECT_EQ(store->valuesPerFrame, 3 + 3 + 2);
  world->ResetHistory(1);
  body.fixedValues = 8;
  world->WorldChanged();
  world->LoadEngineWorld();
  EXPECT_EQ(store->valuesPerFrame, 8 + 8 + 2);
  world->RunToFrame(2, nullptr);
  world->ResetHistory(1);
  Add<TTestPauseControl>(5, 0, 40000);
  EXPECT_EQ(ErrorOf([&] { world->LoadEngineWorld(); }), kErrOutOfMemory);
  EXPECT_EQ(world->IsSolverWorldLoaded(), 0);
}

TEST_F(WorldRunTest, RecordedFramesAreWalkedAtTheObjectsOffset) {
  TTestPauseControl& first = Add<TTestPauseControl>(4, 0, 2);
  TTestPauseControl& second = Add<TTestPauseControl>(5, 0, 1);
  Add<TTestObject>(2, 3);
  world->RunToFrame(3, nullptr);
  ASSERT_EQ(store->valuesPerFrame, 6);
  std::vector<double> values;
  world->ForEachRecordedFrame(-5, 2, &first, [&](int16_t, TFrameStore& frames) {
    values.push_back(frames.ReadValue());
  });
  EXPECT_EQ(values, (std::vector<double>{3.0, 103.0, 203.0}));
  values.clear();
  world->ForEachRecordedFrame(5, 9, &second, [&](int16_t, TFrameStore& frames) {
    values.push_back(frames.ReadValue());
  });
  EXPECT_TRUE(values.empty());
  store->readMode = 7;
  EXPECT_EQ(ErrorOf([&] {
              world->ForEachRecordedFrame(0, 3, &second, [](int16_t, TFrameStore&) {
                ThrowFailure(-36, 0);
              });
            }),
            -36);
  EXPECT_EQ(store->readMode, 7);
}

TEST_F(WorldRunTest, ResetTellsThePauseControlsAndAsksForFrameZero) {
  TTestPauseControl& control = Add<TTestPauseControl>(4);
  world->RunToFrame(2, nullptr);
  world->ShowFrame(2, 1);
  world->FrameChanged(-2);
  EXPECT_EQ(control.framesShown, (std::vector<int16_t>{2, -1}));
  world->SetStartAtFrameZero(1);
  world->ResetHistory(1);
  EXPECT_EQ(store->frames, 0);
  EXPECT_EQ(control.framesShown.back(), -1);
  ASSERT_EQ(host.posted.size(), 1u);
  EXPECT_EQ(host.posted[0]->GetCommandNumber(), kCmdShowFrameZero);
}

TEST_F(WorldRunTest, RunStartsOnlyForTheFirstCommandWithNothingSelected) {
  TTestObject& object = Add<TTestObject>(2);
  auto first = world->MakeRunCommand(kCmdRun, 0);
  auto second = world->MakeRunCommand(kCmdStepForward, 0);
  EXPECT_EQ(world->CanStartRun(second.get()), 0);
  world->Select(&object);
  EXPECT_EQ(world->CanStartRun(first.get()), 0);
  EXPECT_TRUE(world->Selection().empty());
  EXPECT_EQ(world->CanStartRun(first.get()), 1);
  first.reset();
  EXPECT_EQ(world->FirstRunningCommand(), second.get());
}

// Notes what a run shows; at the first target it sends the command on to a second one.
class TTestRunListener : public TRunListener {
 public:
  void FrameShown(TCommand&, int16_t frame) override { shown.push_back(frame); }
  bool TargetReached(TCommand& command) override {
    reached.push_back(command.GetTarget());
    if (nextTarget < 0) return false;
    command.SetTarget(nextTarget, 0);
    nextTarget = -1;
    return true;
  }
  void RunStopped(TCommand&) override { ++stops; }

  std::vector<int16_t> shown;
  std::vector<int16_t> reached;
  int16_t nextTarget = -1;
  int stops = 0;
};

TEST_F(WorldRunTest, ListenerSeesEachShownFrameAndMaySendTheRunOn) {
  TTestRunListener listener;
  listener.nextTarget = 5;
  std::unique_ptr<TCommand> command = world->MakeRunCommand(kCmdStepForward, 1);
  ASSERT_NE(command, nullptr);
  command->SetTarget(2, 1);  // straight to 2, then frame by frame to 5
  command->SetListener(&listener);
  command->Perform();
  EXPECT_EQ(listener.shown, (std::vector<int16_t>{2, 3, 4, 5}));
  EXPECT_EQ(listener.reached, (std::vector<int16_t>{2, 5}));
  EXPECT_EQ(listener.stops, 0);
  EXPECT_EQ(store->current, 5);
  EXPECT_EQ(command->IsDone(), 1);

  // A listener that answers "go on" but keeps the target does not hold the run on one frame.
  TTestRunListener stubborn;
  command = world->MakeRunCommand(kCmdStepForward, 1);
  stubborn.nextTarget = command->GetTarget();
  command->SetListener(&stubborn);
  command->Perform();
  EXPECT_EQ(stubborn.reached.size(), 1u);
  EXPECT_EQ(command->IsDone(), 1);
}

TEST_F(WorldRunTest, StoppedRunTellsItsListenerOnce) {
  TTestRunListener listener;
  std::unique_ptr<TCommand> command = world->MakeRunCommand(kCmdRun, 1);
  command->SetListener(&listener);
  command->Stop();
  EXPECT_TRUE(command->RunSlice(0));
  EXPECT_TRUE(command->RunSlice(0));
  EXPECT_EQ(listener.stops, 1);
  EXPECT_TRUE(listener.shown.empty());
  EXPECT_TRUE(listener.reached.empty());
}

}  // namespace
}  // namespace world_test
