#include <gtest/gtest.h>

#include "core/CommandNesting.h"
#include "core/Failure.h"
#include "model/command/CommandHandler.h"
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
  ASSERT_NE(handler.GetNextCommand(), nullptr);
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

}  // namespace
}  // namespace command_test
