#include <gtest/gtest.h>

#include "core/CommandNesting.h"
#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/command/CommandHandler.h"
#include "model/handler/TargetHandler.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

// Counts its deletions, so tests see who deleted it.
class TCountedCommand : public TSmallCommand {
 public:
  explicit TCountedCommand(int* deletions) : deletions_(deletions) {
    Init(5, nullptr, nullptr, nullptr);
  }
  ~TCountedCommand() override { ++*deletions_; }

 private:
  int* deletions_;
};

// A handler that knows one menu command and records its idle calls.
class TRecordingHandler : public TTargetHandler {
 public:
  explicit TRecordingHandler(TTargetHandler* next = nullptr) { InitTargetHandler(next); }
  TCommandCore* DoMenuCommand(int16_t number) override {
    if (number == known) return &answer;
    return TTargetHandler::DoMenuCommand(number);
  }
  int16_t DoIdle(int16_t phase) override {
    idleCalls.push_back(phase);
    return idleAnswer;
  }
  int16_t known = -1;
  TSmallCommand answer;
  std::vector<int16_t> idleCalls;
  int16_t idleAnswer = 0;
};

class NullReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

TEST(TargetHandlerTest, RequestsTravelToTheEndOfTheChainAndGetItsAnswers) {
  TRecordingHandler last;
  TRecordingHandler middle(&last);
  TRecordingHandler first(&middle);
  EXPECT_EQ(first.DoMenuCommand(12), nullptr);
  last.known = 12;
  EXPECT_EQ(first.DoMenuCommand(12), &last.answer);
  EXPECT_EQ(first.GetLastCommand(), nullptr);
  EXPECT_EQ(first.DoKeyCommand('a', 0, nullptr), nullptr);
  EXPECT_EQ(first.DoCharKey('a', nullptr), 0);
  try {
    first.HandleScriptEvent(1, 2, 3);
    FAIL() << "an unanswered scripted event must fail";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -1708);
    EXPECT_EQ(failure.message(), 0);
  }
  // Idle time is not passed on.
  EXPECT_EQ(first.DoIdle(0), 0);
  EXPECT_TRUE(last.idleCalls.empty() && middle.idleCalls.size() == 0u);
}

TEST(TargetHandlerTest, ACommandThatNoHandlerTakesIsDeletedOnlyWhenFreeWhenDone) {
  int deletions = 0;
  TRecordingHandler last;
  TRecordingHandler first(&last);
  first.PostCommand(new TCountedCommand(&deletions));
  EXPECT_EQ(deletions, 1);
  TCountedCommand kept(&deletions);
  kept.SetFreeWhenDone(0);
  first.HandleCommand(&kept);
  first.PostCommand(&kept);
  EXPECT_EQ(deletions, 1);
}

TEST(TargetHandlerTest, RemoveFromChainAndWalks) {
  TRecordingHandler c;
  TRecordingHandler b(&c);
  TRecordingHandler a(&b);
  TRecordingHandler stranger;
  EXPECT_EQ(stranger.RemoveFromChain(&a), &a);
  EXPECT_EQ(a.GetNextHandler(), &b);
  EXPECT_EQ(b.RemoveFromChain(&a), &a);
  EXPECT_EQ(a.GetNextHandler(), &c);
  EXPECT_EQ(b.GetNextHandler(), nullptr);
  EXPECT_EQ(a.RemoveFromChain(&a), &c);
  EXPECT_EQ(a.GetNextHandler(), nullptr);

  // A walk whose action unlinks the handler it is given still visits the rest.
  a.SetNextHandler(&b);
  b.SetNextHandler(&c);
  struct Walk {
    TTargetHandler* head;
    std::vector<TTargetHandler*> seen;
  } walk{&a, {}};
  a.ForEachInChain(
      [](TTargetHandler* handler, void* argument) {
        auto& w = *static_cast<Walk*>(argument);
        w.seen.push_back(handler);
        w.head = handler->RemoveFromChain(w.head);
      },
      &walk);
  EXPECT_EQ(walk.seen, (std::vector<TTargetHandler*>{&a, &b, &c}));
  EXPECT_EQ(walk.head, nullptr);
  b.SetNextHandler(&c);
  EXPECT_EQ(b.FirstInChain([](TTargetHandler* h, void* c) { return h == c; }, &c), &c);
  EXPECT_EQ(b.FirstInChain([](TTargetHandler*, void*) { return false; }, nullptr), nullptr);
}

TEST(TargetHandlerTest, DestroyingTheCurrentTargetMovesTheTargetDownTheChain) {
  NullReporter reporter;
  TCommandNesting nesting(reporter);
  TCommandHandler application(nesting);
  auto document = std::make_unique<TRecordingHandler>(&application);
  auto view = std::make_unique<TRecordingHandler>(document.get());
  application.SetTarget(view.get());
  view.reset();
  EXPECT_EQ(application.GetTarget(), document.get());
  document->SetNextHandler(nullptr);
  document.reset();
  EXPECT_EQ(application.GetTarget(), &application);
}

class IdleTest : public ::testing::Test {
 protected:
  void SetUp() override { UseVirtualClock(1000); }
  void TearDown() override {
    ResetWindowSystem();
    UseProcessClock();
  }
  NullReporter reporter;
  TCommandNesting nesting{reporter};
};

TEST_F(IdleTest, HandlersGetIdleTimeAsTheirFrequencyAllows) {
  TCommandHandler application(nesting);
  TRecordingHandler never;
  TRecordingHandler every30;
  every30.SetIdleFrequency(30);
  application.InstallIdleHandler(&never, true);
  application.InstallIdleHandler(&every30, true);
  EXPECT_EQ(application.IdleChainHead(), &every30);

  // The event loop's next pass gives the new handlers their first idle time.
  MSG message;
  ASSERT_GT(GetMessage(&message, nullptr, 0, 0), 0);
  DispatchMessage(&message);
  EXPECT_EQ(every30.idleCalls, std::vector<int16_t>{1});
  application.IdleChains(0);
  EXPECT_EQ(every30.idleCalls, (std::vector<int16_t>{1, 0}));
  const int32_t firstIdle = every30.GetLastIdleTime();
  EXPECT_EQ(application.NextIdleWait(), 30);
  // Ten ticks later nothing is due: the continuing phase leaves it alone.
  AdvanceVirtualClock(10 * 1000 / 60 + 1);
  application.IdleChains(1);
  EXPECT_EQ(every30.idleCalls.size(), 2u);
  // The event loop's own timer brings the next call when 30 ticks have passed.
  ASSERT_GT(GetMessage(&message, nullptr, 0, 0), 0);
  DispatchMessage(&message);
  EXPECT_EQ(every30.idleCalls, (std::vector<int16_t>{1, 0, 1}));
  EXPECT_GE(every30.GetLastIdleTime() - firstIdle, 30);
  EXPECT_TRUE(never.idleCalls.empty());

  // A handler that answers non-zero is left out of the scheduling.
  every30.idleAnswer = 1;
  AdvanceVirtualClock(1000);
  application.IdleChains(1);
  EXPECT_EQ(application.NextIdleWait(), TTargetHandler::kNeverIdle);
  application.InstallIdleHandler(&every30, false);
  application.InstallIdleHandler(&never, false);
  EXPECT_EQ(application.IdleChainHead(), nullptr);
}

}  // namespace
