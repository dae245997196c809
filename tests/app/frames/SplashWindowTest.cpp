// The start-up picture: shown centred with the identification lines written over its panel, gone
// at the first key press or click (which is not eaten) or after three seconds of the clock, and
// never shown for an embedding start.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "app/frames/SplashWindow.h"
#include "platform/win32/Button.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPresenter.h"

namespace {

class SplashWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-splash-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
  }
  void TearDown() override {
    app_->ExitInstance();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }
  bool Start(std::vector<std::string> words) {
    CCommandLineInfo line;
    ParseCommandLine(words, line);
    return app_->InitInstance(line);
  }

  std::FILE* stream_ = nullptr;
  std::string folder_;
  std::unique_ptr<TApp> app_;
};

TEST_F(SplashWindowTest, ShownCentredWithTheLinesOverThePictureAndGoneAtAClickNotEaten) {
  ASSERT_TRUE(Start({}));
  const HWND splash = SplashWindow();
  ASSERT_NE(splash, nullptr);
  // The window has the picture's size, centred on the screen.
  RECT outer;
  GetWindowRect(splash, &outer);
  EXPECT_EQ(outer.right - outer.left, 520);
  EXPECT_EQ(outer.bottom - outer.top, 344);
  EXPECT_EQ((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_EQ((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
  // The main frame, shown after it, leaves it in front.
  ASSERT_TRUE(IsWindowVisible(app_->MainFrame()->m_hWnd));
  EXPECT_EQ(WindowFromPoint(POINT{(outer.left + outer.right) / 2, (outer.top + outer.bottom) / 2}),
            splash);

  // Client points as the window's surface holds them (inside the one-pixel border).
  WindowSurface* surface = GetWindowSurface(splash);
  ASSERT_NE(surface, nullptr);
  auto at = [surface](int32_t x, int32_t y) { return surface->Pixel(x + 1, y + 1); };
  // The panel is plain below the lines and differs from the sky above it.
  const uint32_t panel = at(30, 250);
  EXPECT_EQ(at(190, 240), panel);
  EXPECT_NE(at(30, 40), panel);
  // The first line ("Yarrowby") and the solver's notice darken some of the panel's pixels.
  int32_t inked = 0;
  for (int32_t y = kSplashFirstLine; y < kSplashFirstLine + 12; ++y) {
    for (int32_t x = kSplashTextCentre - 40; x < kSplashTextCentre + 40; ++x)
      inked += at(x, y) != panel ? 1 : 0;
  }
  int32_t noticeInked = 0;
  for (int32_t x = 20; x < 200; ++x)
    noticeInked += at(x, kSplashSolverLine + 5) != panel ? 1 : 0;
  EXPECT_GT(inked, 10);
  EXPECT_GT(noticeInked, 10);

  MSG click = StampMessage(app_->MainFrame()->m_hWnd, WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(app_->PreTranslateMessage(&click));  // the click goes on to its window
  EXPECT_EQ(SplashWindow(), nullptr);
  EXPECT_FALSE(IsWindow(splash));
}

TEST_F(SplashWindowTest, GoneAfterThreeSecondsOfTheClockAndNeverForAnEmbeddingStart) {
  ASSERT_TRUE(Start({}));
  ASSERT_NE(SplashWindow(), nullptr);
  const DWORD shown = GetTickCount();
  MSG message;
  while (SplashWindow() != nullptr && GetMessage(&message, nullptr, 0, 0) > 0)
    DispatchMessage(&message);
  EXPECT_EQ(SplashWindow(), nullptr);
  EXPECT_GE(GetTickCount() - shown, 3000u);
  app_->ExitInstance();
  app_.reset();  // one application at a time
  app_ = std::make_unique<TApp>(stream_);
  app_->SetConfigDirectory(folder_);
  ASSERT_TRUE(Start({"-Embedding"}));
  EXPECT_EQ(SplashWindow(), nullptr);
  app_->ExitInstance();
  app_.reset();  // one application at a time
  app_ = std::make_unique<TApp>(stream_);
  app_->SetConfigDirectory(folder_);
  ASSERT_TRUE(Start({"-nologo"}));
  EXPECT_EQ(SplashWindow(), nullptr);
}

TEST_F(SplashWindowTest, AnAlertShownOverItOutlivesItsThreeSecondsUntilAnswered) {
  // A document named at start that cannot be read is reported while the splash is the active
  // window, which then owns the alert: the alert must not go with the splash.
  ASSERT_TRUE(Start({}));
  const HWND splash = SplashWindow();
  ASSERT_NE(splash, nullptr);
  const DWORD shown = GetTickCount();
  bool aliveAfterTheSplashTime = false;
  SetIdleScript([&] {
    if (GetTickCount() - shown < 4000) return false;
    const HWND box = GetMessageBoxWindow();
    aliveAfterTheSplashTime = box != nullptr && IsWindow(box);
    if (box) PostMessage(box, WM_COMMAND, static_cast<WPARAM>(MAKELONG(IDOK, BN_CLICKED)), 0);
    return box != nullptr;
  });
  EXPECT_EQ(MessageBox(splash, "The document was not opened.", "Yarrowby", MB_OK), IDOK);
  SetIdleScript(nullptr);
  EXPECT_TRUE(aliveAfterTheSplashTime);
  // Answered, the alert lets the splash go at its next tick.
  MSG message;
  while (SplashWindow() != nullptr && GetMessage(&message, nullptr, 0, 0) > 0)
    DispatchMessage(&message);
  EXPECT_FALSE(IsWindow(splash));
}

}  // namespace
