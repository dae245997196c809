#include <gtest/gtest.h>

#include <vector>

#include "core/Alert.h"
#include "core/Failure.h"
#include "model/world/WorldHost.h"
#include "tests/model/command/TestWorld.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/DependentsAction.h"

namespace tracker_test {
namespace {

// Counts what the action asks of the world and answers the question as told.
class TDependentsFake : public TDependentsWorld, public TWorldHost {
 public:
  void AttachObjects(std::vector<TLink*>& objects) override {
    attached.insert(attached.end(), objects.begin(), objects.end());
  }
  void DetachObjects(std::vector<TLink*>& objects) override {
    detached.insert(detached.end(), objects.begin(), objects.end());
  }
  void CommitAttached(const std::vector<TLink*>& objects) override { committed = objects; }
  void RefreshDependents() override { ++refreshes; }
  TWorldHost& Host() override { return *this; }
  bool AskYesNo(int16_t alert) override {
    asked.push_back(alert);
    return answer;
  }

  std::vector<TLink*> attached, detached, committed;
  std::vector<int16_t> asked;
  int refreshes = 0;
  bool answer = false;
};

class DependentsActionTest : public TrackerTest {
 protected:
  command_test::TTestWorld context_{2};
  TDependentsFake world_;
  TTracker488 action_;
};

TEST_F(DependentsActionTest, NoMemoryForUndoAsksAndNoEndsTheCommandSilently) {
  action_.InitDependents(600, &context_, &world_, 1, 0);
  CommandBusyFlag() = 1;
  try {
    action_.PrepareFailed(kErrOutOfMemory, 0);
    ADD_FAILURE() << "the command went on";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
  }
  EXPECT_EQ(world_.asked, std::vector<int16_t>{kNoUndoMemoryAlert});
  EXPECT_EQ(CommandBusyFlag(), 1);
  // Yes goes on without undo.
  world_.answer = true;
  EXPECT_NO_THROW(action_.PrepareFailed(kErrOutOfMemory, 0));
  EXPECT_EQ(CommandBusyFlag(), 1);
  CommandBusyFlag() = 0;
  // Any other failure passes on unasked.
  EXPECT_THROW(action_.PrepareFailed(-43, 0), QVException);
  EXPECT_EQ(world_.asked.size(), 2u);
}

TEST_F(DependentsActionTest, AttachedObjectsAreCommittedOrTakenOutAndBroughtBack) {
  action_.InitDependents(600, &context_, &world_, 1, 1);
  ASSERT_NE(action_.AttachList(), nullptr);
  ASSERT_NE(action_.DetachList(), nullptr);
  EXPECT_EQ(action_.CanUndo(), 1);
  action_.AttachList()->push_back(&context_.Thing(0));
  action_.DoWork();
  EXPECT_EQ(world_.committed, std::vector<TLink*>{&context_.Thing(0)});
  EXPECT_EQ(world_.refreshes, 1);

  // Taken out by the world: the work takes them out, undo brings them back, redo takes them
  // out again, commit makes it final.
  action_.SetState(1);
  action_.DoWork();
  EXPECT_EQ(world_.detached, std::vector<TLink*>{&context_.Thing(0)});
  action_.Undo();
  EXPECT_EQ(world_.attached, std::vector<TLink*>{&context_.Thing(0)});
  action_.Redo();
  EXPECT_EQ(world_.detached, std::vector<TLink*>(2, &context_.Thing(0)));
  world_.committed.clear();
  action_.Commit();
  EXPECT_EQ(world_.committed, std::vector<TLink*>{&context_.Thing(0)});

  TTracker488 detachOnly;
  detachOnly.InitDependents(600, &context_, &world_, 0, 1);
  EXPECT_EQ(detachOnly.AttachList(), nullptr);
  EXPECT_EQ(detachOnly.CanUndo(), 0);
}

}  // namespace
}  // namespace tracker_test
