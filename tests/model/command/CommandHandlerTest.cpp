#include <gtest/gtest.h>

#include <algorithm>

#include "core/CommandNesting.h"
#include "core/Failure.h"
#include "model/command/CommandHandler.h"
#include "platform/win32/Clock.h"
#include "tests/model/command/TestWorld.h"

namespace command_test {
namespace {

class TRecordingReporter : public TFailureReporter {
 public:
  void ShowError(int16_t error, int32_t message) override { shown.push_back({error, message}); }
  std::vector<std::pair<int16_t, int32_t>> shown;
};

// A command that logs what happens to it.
class TLoggedCommand : public TCommandCore {
 public:
  TLoggedCommand(std::vector<std::string>& log, std::string name, uint16_t undoable,
                 TCommandDocument* document = nullptr)
      : log_(log), name_(std::move(name)) {
    InitCommand(20, document, nullptr, nullptr);
    SetCanUndo(undoable);
    SetCausesChange(undoable);
  }
  ~TLoggedCommand() override { log_.push_back(name_ + " deleted"); }
  void Perform() override {
    log_.push_back(name_ + " performed");
    if (during) during();
    if (failWith != kErrNone + 1) ThrowFailure(failWith, 3);
  }
  void Undo() override { log_.push_back(name_ + " undone"); }
  void Redo() override { log_.push_back(name_ + " redone"); }
  void Commit() override { log_.push_back(name_ + " committed"); }
  std::function<void()> during;
  int16_t failWith = kErrNone + 1;  // no failure

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class CommandHandlerTest : public ::testing::Test {
 protected:
  TRecordingReporter reporter;
  TCommandNesting nesting{reporter};
  TCommandHandler handler{nesting};
  std::vector<std::string> log;
  TTestDocument document;
};

TEST_F(CommandHandlerTest, TheLastUndoableCommandIsKeptUntilTheNextOneCommitsIt) {
  EXPECT_EQ(TCommandHandler::Application(), &handler);
  auto* first = new TLoggedCommand(log, "first", 1, &document);
  handler.PerformCommand(first);
  EXPECT_EQ(handler.GetLastCommand(), first);
  EXPECT_EQ(first->IsPerformed(), 1);
  EXPECT_EQ(document.changes, 1);
  // A command that neither undoes nor changes anything is dropped and leaves the last alone.
  handler.PerformCommand(new TLoggedCommand(log, "plain", 0, &document));
  EXPECT_EQ(handler.GetLastCommand(), first);
  handler.UndoOrRedoLast();
  handler.UndoOrRedoLast();
  handler.PerformCommand(new TLoggedCommand(log, "second", 1, &document));
  EXPECT_EQ(log, (std::vector<std::string>{"first performed", "plain performed", "plain deleted",
                                           "first undone", "first redone", "first committed",
                                           "first deleted", "second performed"}));
  EXPECT_EQ(document.changes, 4);
  // An undone last command is deleted without being committed.
  handler.UndoOrRedoLast();
  handler.CommitLastCommand();
  EXPECT_EQ(log.back(), "second deleted");
  EXPECT_EQ(handler.GetLastCommand(), nullptr);
}

TEST_F(CommandHandlerTest, FailuresAreShownOnceAtTheOutermostLevel) {
  auto* failing = new TLoggedCommand(log, "failing", 1);
  failing->failWith = -25001;
  auto* outer = new TLoggedCommand(log, "outer", 0);
  outer->during = [&] { handler.HandleCommand(failing); };
  handler.HandleCommand(outer);
  EXPECT_EQ(reporter.shown, (std::vector<std::pair<int16_t, int32_t>>{{-25001, 3}}));
  EXPECT_EQ(handler.GetLastCommand(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"outer performed", "failing performed",
                                           "failing deleted", "outer deleted"}));
  auto* silent = new TLoggedCommand(log, "silent", 1);
  silent->failWith = kErrNone;
  handler.HandleCommand(silent);
  EXPECT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(nesting.Depth(), 0);
}

TEST_F(CommandHandlerTest, QueuedCommandsArePerformedAtTheOutermostLevelOnly) {
  auto* outer = new TLoggedCommand(log, "outer", 0);
  outer->during = [&] {
    handler.PostCommand(new TLoggedCommand(log, "posted", 0));
    EXPECT_FALSE(handler.PerformNextQueued());
  };
  handler.PostCommand(outer);
  ASSERT_NE(handler.PeekNextCommand(), nullptr);
  EXPECT_TRUE(handler.PerformNextQueued());
  EXPECT_TRUE(handler.PerformNextQueued());
  EXPECT_FALSE(handler.PerformNextQueued());
  EXPECT_EQ(log, (std::vector<std::string>{"outer performed", "outer deleted", "posted performed",
                                           "posted deleted"}));
}

TEST_F(CommandHandlerTest, CommandsLeftInTheQueueAreDeletedWithTheHandler) {
  {
    TCommandNesting inner(reporter);
    TCommandHandler application(inner);
    application.PostCommand(new TLoggedCommand(log, "queued", 0));
  }
  EXPECT_EQ(log, std::vector<std::string>{"queued deleted"});
  EXPECT_EQ(TCommandHandler::Application(), &handler);
}

TEST_F(CommandHandlerTest, TheQueueRunsBySmallerPriorityThenPostingOrder) {
  auto* first64 = new TLoggedCommand(log, "64a", 0);
  auto* urgent = new TLoggedCommand(log, "10", 0);
  urgent->SetPriority(10);
  auto* second64 = new TLoggedCommand(log, "64b", 0);
  handler.PostCommand(first64);
  handler.PostCommand(urgent);
  handler.PostCommand(second64);
  while (handler.PerformNextQueued()) {
  }
  EXPECT_EQ(log, (std::vector<std::string>{"10 performed", "10 deleted", "64a performed",
                                           "64a deleted", "64b performed", "64b deleted"}));
}

TEST_F(CommandHandlerTest, CommandsThatCannotPerformWaitAndStayingCommandsRunEveryPass) {
  auto* waiting = new TLoggedCommand(log, "waiting", 0);
  waiting->SetEnabled(0);
  handler.PostCommand(waiting);
  EXPECT_FALSE(handler.PerformNextQueued());
  EXPECT_EQ(handler.QueuedCount(), 1);

  TLoggedCommand staying(log, "staying", 0);
  staying.SetFreeWhenDone(0);
  staying.SetStaysQueued(1);
  handler.PostCommand(&staying);
  EXPECT_TRUE(handler.PerformNextQueued());
  EXPECT_TRUE(handler.PerformNextQueued());
  EXPECT_EQ(handler.QueuedCount(), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "staying performed"), 2);
  // A change count of 0 or below becomes 1.
  document.changes = -4;
  handler.PerformCommand(new TLoggedCommand(log, "changing", 1, &document));
  EXPECT_EQ(document.changes, 1);
  handler.CommitLastCommand();
  handler.FreeQueuedCommands();
  EXPECT_EQ(handler.QueuedCount(), 0);
  EXPECT_EQ(log.back(), "waiting deleted");
}

TEST_F(CommandHandlerTest, APassPerformsAStayingCommandOnceAndKeepsItUntilItLeavesTheQueue) {
  // Freed when done, it takes itself out of the queue on its third turn.
  auto* staying = new TLoggedCommand(log, "staying", 0);
  staying->SetStaysQueued(1);
  int turns = 0;
  staying->during = [&] {
    if (++turns == 3) handler.RemoveQueued(staying);
  };
  handler.PostCommand(staying);
  handler.PostCommand(new TLoggedCommand(log, "behind", 0));
  EXPECT_TRUE(handler.HasReadyCommand());
  // The command queued behind the staying one is not held up by it.
  EXPECT_EQ(handler.PerformQueuedPass(), 2);
  EXPECT_EQ(log, (std::vector<std::string>{"staying performed", "behind performed",
                                           "behind deleted"}));
  EXPECT_TRUE(handler.IsQueued(staying));
  EXPECT_EQ(handler.PerformQueuedPass(), 1);
  EXPECT_EQ(handler.PerformQueuedPass(), 1);
  EXPECT_EQ(log.back(), "staying deleted");
  EXPECT_EQ(handler.QueuedCount(), 0);
  EXPECT_FALSE(handler.HasReadyCommand());
  EXPECT_EQ(handler.PerformQueuedPass(), 0);
}

TEST_F(CommandHandlerTest, AFailingStayingCommandThatIsFreedLeavesTheQueue) {
  auto* staying = new TLoggedCommand(log, "staying", 0);
  staying->SetStaysQueued(1);
  staying->failWith = -108;
  handler.PostCommand(staying);
  EXPECT_EQ(handler.PerformQueuedPass(), 1);
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0].first, -108);
  EXPECT_EQ(log.back(), "staying deleted");
  EXPECT_EQ(handler.QueuedCount(), 0);
}

TEST_F(CommandHandlerTest, RemovingAQueuedCommandRemovesThatOneAmongEqualPriorities) {
  TLoggedCommand first(log, "first", 0);
  TLoggedCommand second(log, "second", 0);
  TLoggedCommand third(log, "third", 0);
  for (TLoggedCommand* command : {&first, &second, &third}) {
    command->SetFreeWhenDone(0);
    handler.PostCommand(command);
  }
  handler.RemoveQueued(&third);
  EXPECT_TRUE(handler.IsQueued(&first));
  EXPECT_TRUE(handler.IsQueued(&second));
  EXPECT_FALSE(handler.IsQueued(&third));
  handler.RemoveQueued(&first);
  EXPECT_EQ(handler.PeekNextCommand(), &second);
  handler.RemoveQueued(&second);
  EXPECT_EQ(handler.QueuedCount(), 0);
}

class TTestClipboardView : public TClipboardHolder {
 public:
  int32_t GetScrapData(Handle, uint32_t) override { return 7; }
  void ReleaseClaim() override { released = true; }
  bool released = false;
};

TEST_F(CommandHandlerTest, AFailedCopyPutsBackTheClipboardViewItReplaced) {
  EXPECT_TRUE(handler.OwnClipboardViewIsCurrent());
  TTestClipboardView failedScrap;
  auto* failingCopy = new TLoggedCommand(log, "copy", 1);
  failingCopy->during = [&] { handler.ClaimClipboard(&failedScrap); };
  failingCopy->failWith = -108;
  EXPECT_THROW(handler.PerformCommand(failingCopy), QVException);
  EXPECT_TRUE(handler.OwnClipboardViewIsCurrent());
  EXPECT_EQ(handler.GetLastCommand(), nullptr);

  // A successful copy keeps the view it replaced until the next claim releases it.
  TTestClipboardView firstScrap;
  TTestClipboardView secondScrap;
  auto* copy = new TLoggedCommand(log, "copy 1", 0);
  copy->during = [&] { handler.ClaimClipboard(&firstScrap); };
  handler.PerformCommand(copy);
  EXPECT_EQ(handler.GetClipboardView(), &firstScrap);
  handler.ClaimClipboard(&secondScrap);
  handler.ClaimClipboard(nullptr);
  EXPECT_TRUE(firstScrap.released);
  EXPECT_FALSE(secondScrap.released);
  EXPECT_EQ(handler.GetClipboardView(), &secondScrap);

  // A view of the application's own takes the own view's place, wherever that stands.
  handler.ClaimClipboard(handler.OwnClipboardView());
  TTestClipboardView own;
  handler.SetOwnClipboardView(&own);
  EXPECT_EQ(handler.GetClipboardView(), &own);
  EXPECT_TRUE(handler.OwnClipboardViewIsCurrent());
  handler.SetOwnClipboardView(nullptr);
  EXPECT_NE(handler.GetClipboardView(), &own);
  EXPECT_TRUE(handler.OwnClipboardViewIsCurrent());
}

class TCountingIdler : public TTargetHandler {
 public:
  TCountingIdler(int32_t frequency, TTargetHandler* next) {
    InitTargetHandler(next);
    SetIdleFrequency(frequency);
  }
  int16_t DoIdle(int16_t) override {
    ++calls;
    return 0;
  }
  int calls = 0;
};

TEST_F(CommandHandlerTest, ANewTargetGetsAnIdleWalkAtOnceAndHandlersThatNeverIdleAreLeftOut) {
  UseVirtualClock(1000);
  TCountingIdler slow(600, nullptr);
  TCountingIdler never(TTargetHandler::kNeverIdle, nullptr);
  handler.InstallIdleHandler(&never, true);
  handler.InstallIdleHandler(&slow, true);
  handler.IdleChains(1);
  EXPECT_EQ(slow.calls, 1);
  AdvanceVirtualClock(400);
  TCountingIdler eager(0, &handler);
  // The same target again changes nothing: the walk is not due before 600 ticks.
  handler.SetTarget(handler.GetTarget());
  handler.IdleChains(1);
  EXPECT_EQ(eager.calls, 0);
  handler.SetTarget(&eager);
  handler.IdleChains(1);
  EXPECT_EQ(eager.calls, 1) << "a new target is given idle time at once";
  EXPECT_EQ(slow.calls, 1) << "a handler still gets time only as often as it asks";
  EXPECT_EQ(never.calls, 0);
  handler.SetTarget(&handler);
  handler.InstallIdleHandler(&slow, false);
  handler.InstallIdleHandler(&never, false);
  UseProcessClock();
}

}  // namespace
}  // namespace command_test
