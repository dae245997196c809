// The program's event loop on the command road: queued commands are performed before the next
// event, a failing one is shown once and the loop goes on, and idle handlers get their time
// when the events run out.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "core/Failure.h"
#include "core/MacFile.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

constexpr UINT kStep = WM_USER + 1;

std::vector<std::string>* gLog = nullptr;

// Logs each step message it receives, and runs what the test attached to that step.
std::function<void(WPARAM)>* gOnStep = nullptr;

LRESULT FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kStep) {
    gLog->push_back("message " + std::to_string(wParam));
    if (gOnStep != nullptr && *gOnStep) (*gOnStep)(wParam);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

class TLoggedCommand : public TCommandCore {
 public:
  TLoggedCommand(std::vector<std::string>& log, std::string name, int16_t failWith = kErrNone)
      : log_(log), name_(std::move(name)), failWith_(failWith) {
    InitCommand(20, nullptr, nullptr, nullptr);
    SetCanUndo(0);
    SetCausesChange(0);
  }
  void Perform() override {
    log_.push_back(name_);
    if (failWith_ != kErrNone) ThrowFailure(failWith_, 0);
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
  int16_t failWith_;
};

// Takes its idle time by running what the test gave it.
class TIdleHandler : public TTargetHandler {
 public:
  explicit TIdleHandler(std::function<void(int16_t)> action) : action_(std::move(action)) {
    InitTargetHandler(nullptr);
    SetIdleFrequency(0);
  }
  int16_t DoIdle(int16_t phase) override {
    action_(phase);
    return 0;
  }

 private:
  std::function<void(int16_t)> action_;
};

class EventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    app_ = std::make_unique<TApp>(stream_);
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_->LoadResourceDlls();
    app_->InitUnits();
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = FrameProc;
    windowClass.lpszClassName = "EventLoopFrame";
    RegisterClass(&windowClass);
    frame_ = CreateWindowEx(0, "EventLoopFrame", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                            nullptr, nullptr, nullptr);
    gLog = &log_;
    gOnStep = &onStep_;
  }
  void TearDown() override {
    gLog = nullptr;
    gOnStep = nullptr;
    SetIdleScript(nullptr);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::fclose(stream_);
  }
  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }
  void Post(TCommandCore* command) { app_->Commands().PostCommand(command); }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  HWND frame_ = nullptr;
  std::vector<std::string> log_;
  std::function<void(WPARAM)> onStep_;
};

TEST_F(EventLoopTest, QueuedCommandsArePerformedBeforeTheNextMessage) {
  // A message that posts two commands: both are performed before the message after it.
  HWND frameDuringRun = nullptr;
  onStep_ = [&](WPARAM step) {
    frameDuringRun = app_->Commands().GetMainFrame();
    if (step != 1) return;
    Post(new TLoggedCommand(log_, "first command"));
    Post(new TLoggedCommand(log_, "second command"));
  };
  PostMessage(frame_, kStep, 1, 0);
  PostMessage(frame_, kStep, 2, 0);
  PostMessage(frame_, kStep, 3, 0);
  PostQuitMessage(7);
  Post(new TLoggedCommand(log_, "queued before the loop"));
  EXPECT_TRUE(log_.empty()) << "posting performs nothing yet";
  EXPECT_EQ(app_->RunEventLoop(frame_), 7);
  EXPECT_EQ(log_, (std::vector<std::string>{"queued before the loop", "message 1", "first command",
                                             "second command", "message 2", "message 3"}));
  EXPECT_EQ(frameDuringRun, frame_) << "the main frame is known while the loop runs";
  EXPECT_EQ(app_->Commands().GetMainFrame(), nullptr);
  EXPECT_EQ(app_->Commands().PeekNextCommand(), nullptr);
  EXPECT_EQ(Reported(), "");
}

TEST_F(EventLoopTest, AFailingCommandIsShownOnceAndTheLoopGoesOn) {
  // The user answers the alert; later, with nothing else to do, sends a message and quits.
  std::vector<std::string> boxes;
  int laterSteps = 0;
  SetIdleScript([&] {
    if (const HWND box = GetMessageBoxWindow()) {
      boxes.push_back(GetWindowTextString(GetDlgItem(box, 0xFFFF)));
      InjectKeyStroke(VK_RETURN);
      return true;
    }
    if (++laterSteps == 1) {
      PostMessage(frame_, kStep, 1, 0);
    } else {
      PostQuitMessage(0);
    }
    return true;
  });
  Post(new TLoggedCommand(log_, "failing", kErrFileNotFound));
  Post(new TLoggedCommand(log_, "after it"));
  EXPECT_EQ(app_->RunEventLoop(frame_), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"failing", "after it", "message 1"}));
  ASSERT_EQ(boxes.size(), 1u) << "one alert for one failure";
  EXPECT_NE(boxes[0].find("file"), std::string::npos) << "the error's own text: " << boxes[0];
  const std::string reported = Reported();
  EXPECT_EQ(reported.rfind("Yarrowby: The file could not be found.", 0), 0u) << reported;
  EXPECT_EQ(reported.find(" (error -43)\n"), reported.size() - 13) << reported;
  EXPECT_EQ(reported.find('\n'), reported.size() - 1) << "reported once: " << reported;
}

TEST_F(EventLoopTest, IdleHandlersGetTheirTimeWhenTheEventsRunOut) {
  int idleCalls = 0;
  TIdleHandler idler([&](int16_t phase) {
    ++idleCalls;
    log_.push_back("idle " + std::to_string(phase));
    // The first idle time posts a command, which the loop performs before it waits again; the
    // third ends the loop.
    if (idleCalls == 1) Post(new TLoggedCommand(log_, "posted at idle"));
    if (idleCalls == 3) PostQuitMessage(0);
  });
  app_->Commands().InstallIdleHandler(&idler, true);
  PostMessage(frame_, kStep, 1, 0);
  PostMessage(frame_, kStep, 2, 0);
  EXPECT_EQ(app_->RunEventLoop(frame_), 0);
  app_->Commands().InstallIdleHandler(&idler, false);
  ASSERT_GE(log_.size(), 5u);
  EXPECT_EQ(log_[0], "message 1");
  EXPECT_EQ(log_[1], "message 2") << "no idle time while messages wait";
  EXPECT_EQ(log_[2].rfind("idle ", 0), 0u) << log_[2];
  EXPECT_EQ(log_[3], "posted at idle") << "performed before the loop waits again";
  EXPECT_EQ(idleCalls, 3) << "idle time goes on while nothing else happens";
  EXPECT_NE(std::find(log_.begin(), log_.end(), "idle 0"), log_.end()) << "the pass after events";
}

TEST_F(EventLoopTest, AFailureAtIdleTimeIsShownOnceAndTheLoopGoesOn) {
  int idleCalls = 0;
  TIdleHandler failing([&](int16_t) {
    if (++idleCalls == 1) ThrowFailure(kErrFileNotFound, 0);
    PostQuitMessage(0);
  });
  // Never wanting idle time, this one is never called.
  TIdleHandler never([&](int16_t) { log_.push_back("never called"); });
  never.SetIdleFrequency(TTargetHandler::kNeverIdle);
  SetIdleScript([&] {
    if (const HWND box = GetMessageBoxWindow()) {
      InjectKeyStroke(VK_RETURN);
      return true;
    }
    return false;
  });
  app_->Commands().InstallIdleHandler(&never, true);
  app_->Commands().InstallIdleHandler(&failing, true);
  PostMessage(frame_, kStep, 1, 0);
  EXPECT_EQ(app_->RunEventLoop(frame_), 0);
  app_->Commands().InstallIdleHandler(&failing, false);
  app_->Commands().InstallIdleHandler(&never, false);
  EXPECT_GE(idleCalls, 2) << "idle time goes on after the failure";
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "never called"), 0);
  const std::string reported = Reported();
  EXPECT_EQ(reported.find('\n'), reported.size() - 1) << "reported once: " << reported;
}

}  // namespace
