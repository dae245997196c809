// The framework application's loop and questions: idle time comes in periods counted from 0,
// the idle kick and what pre-translation takes are never dispatched, painting and timers start
// no new idle period, and a modified document is given up only when the user says so.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/mfc/CDocument.h"
#include "platform/mfc/CWinApp.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"

namespace {

constexpr UINT kUser = WM_USER + 3;
constexpr UINT kTaken = WM_USER + 4;

std::vector<std::string>* gLog = nullptr;

LRESULT LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kUser || message == kTaken || message == WM_KICKIDLE)
    gLog->push_back("dispatched " + std::to_string(message - WM_USER));
  return DefWindowProc(window, message, wParam, lParam);
}

class TLoggingApp : public CWinApp {
 public:
  explicit TLoggingApp(std::vector<std::string>& log) : log_(log) {}
  BOOL OnIdle(int32_t count) override {
    log_.push_back("idle " + std::to_string(count));
    return CWinApp::OnIdle(count);
  }
  BOOL PreTranslateMessage(MSG* message) override { return message->message == kTaken; }

 private:
  std::vector<std::string>& log_;
};

class TSavingDocument : public CDocument {
 public:
  BOOL DoFileSave() override {
    ++saves;
    SetModifiedFlag(FALSE);
    return TRUE;
  }
  int saves = 0;
};

// A desktop whose driver asks whether the program has settled: the question comes in with the
// desktop's events once it is sent.
class TAskingDesktop : public WindowPresenter {
 public:
  void TopLevelCreated(HWND) override {}
  void TopLevelChanged(HWND) override {}
  void TopLevelDestroyed(HWND) override {}
  void SurfaceUpdated(HWND, const RECT&) override {}
  bool WaitForEvents(int32_t) override {
    PollEvents();
    return true;
  }
  void PollEvents() override {
    asked = asked || sent;
    sent = false;
  }
  void ShowCursorShape(uintptr_t) override {}
  bool PutDesktopText(const std::string&) override { return false; }
  bool GetDesktopText(std::string*) override { return false; }
  bool SettleAsked() const override { return asked; }
  void AnswerSettled() override {
    asked = false;
    ++answers;
  }
  // Idle is settled too.
  void AnswerIdle() override {
    if (asked) AnswerSettled();
  }

  bool sent = false;
  bool asked = false;
  int answers = 0;
};

// A loop that never waits, as a running world's: each pass takes what waits and goes on. Before
// each pass the test's own step runs.
class TRunningApp : public CWinApp {
 public:
  explicit TRunningApp(std::function<void(int)> beforePass) : beforePass_(std::move(beforePass)) {}
  BOOL PumpMessage() override {
    beforePass_(++passes_);
    return PumpOneMessage(false);
  }

 private:
  std::function<void(int)> beforePass_;
  int passes_ = 0;
};

class WinAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    gLog = &log_;
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = LoggingProc;
    windowClass.lpszClassName = "WinAppLogging";
    RegisterClass(&windowClass);
    window_ = CreateWindowEx(0, "WinAppLogging", "log", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                             nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    gLog = nullptr;
    ResetWindowSystem();
    UseProcessClock();
  }

  std::vector<std::string> log_;
  HWND window_ = nullptr;
};

TEST_F(WinAppTest, IdlePeriodsCountFromZeroAndTheKickAndTakenMessagesAreNotDispatched) {
  TLoggingApp app(log_);
  int32_t step = 0;
  SetIdleScript([&] {
    ++step;
    if (step == 1) {
      PostMessage(window_, kUser, 0, 0);
      PostMessage(window_, WM_KICKIDLE, 0, 0);
      PostMessage(window_, kTaken, 0, 0);
    } else if (step == 2) {
      InvalidateRect(window_, nullptr, TRUE);  // painting starts no idle period
      PostQuitMessage(3);
    }
    return step <= 2;
  });
  EXPECT_EQ(app.RunMessageLoop(), 3);
  EXPECT_EQ(log_, (std::vector<std::string>{"idle 0", "idle 1", "dispatched 3", "idle 0",
                                            "idle 1"}));
}

TEST_F(WinAppTest, AModifiedDocumentIsGivenUpOnlyWhenTheUserSaysSo) {
  std::vector<std::string> log;
  TLoggingApp app(log);
  EXPECT_EQ(CWinApp::Current(), &app);
  app.AddDocTemplate(std::make_unique<CDocTemplate>(1, RUNTIME_CLASS(CDocument), nullptr, nullptr));
  TSavingDocument untouched;
  TSavingDocument changed;
  changed.SetTitle("world.yb");
  app.FirstDocTemplate()->AddDocument(&untouched);
  app.FirstDocTemplate()->AddDocument(&changed);
  changed.SetModifiedFlag();

  int32_t answer = VK_ESCAPE;
  std::string question;
  SetIdleScript([&] {
    if (GetMessageBoxWindow() == nullptr) return false;
    question = GetDlgItemTextString(GetMessageBoxWindow(), 0xFFFF);
    InjectKeyStroke(answer);
    return true;
  });
  EXPECT_FALSE(app.SaveAllModified());  // Cancel keeps the document
  EXPECT_EQ(changed.saves, 0);
  EXPECT_TRUE(changed.IsModified());
  answer = VK_RETURN;  // Yes, the default button, saves it
  EXPECT_TRUE(app.SaveAllModified());
  EXPECT_EQ(changed.saves, 1);
  EXPECT_FALSE(changed.IsModified());
  EXPECT_EQ(untouched.saves, 0);
  EXPECT_TRUE(app.SaveAllModified());  // nothing left to ask about
  EXPECT_EQ(question, "Save the changes to \"world.yb\"?");
}

// A question that comes while the loop waits for work is answered there: the loop has settled.
TEST_F(WinAppTest, TheQuestionWhetherTheLoopSettledIsAnsweredWhileItWaits) {
  UseProcessClock();
  TAskingDesktop desktop;
  SetWindowPresenter(&desktop);
  TLoggingApp app(log_);
  int32_t step = 0;
  SetIdleScript([&] {
    ++step;
    if (step == 1) desktop.sent = true;
    if (desktop.answers > 0 || step == 20) PostQuitMessage(3);
    return true;
  });
  EXPECT_EQ(app.RunMessageLoop(), 3);
  SetWindowPresenter(nullptr);
  EXPECT_EQ(desktop.answers, 1);
}

// A loop that never goes idle (a run between its frames) still answers the question.
TEST_F(WinAppTest, TheQuestionWhetherTheLoopSettledIsAnsweredBetweenTheFramesOfARun) {
  TAskingDesktop desktop;
  SetWindowPresenter(&desktop);
  TRunningApp app([&](int pass) {
    if (pass == 3) desktop.sent = true;
    if (desktop.answers > 0 || pass == 20) PostQuitMessage(4);
  });
  EXPECT_EQ(app.RunMessageLoop(), 4);
  SetWindowPresenter(nullptr);
  EXPECT_EQ(desktop.answers, 1);
}

}  // namespace
