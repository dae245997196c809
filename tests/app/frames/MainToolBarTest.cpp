// The main tool bar: made from its resources at the top of the main frame, titled, its buttons
// brought up to date at idle time (New, Open and About while no world is open, the others once
// one is, none while memory is low), and a click on a button performs its command.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "core/Failure.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Window.h"

namespace {

class MainToolBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    ASSERT_NE(mkdtemp(folder_), nullptr);
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    frame_ = app_->MainFrame();
  }
  void TearDown() override {
    SetMemoryProbe({});
    app_->ExitInstance();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }
  CToolBar& Bar() { return frame_->MainToolBar(); }
  // Whether the button of the command is enabled after an idle update.
  bool Enabled(UINT command) {
    app_->OnIdle(0);
    const int32_t index = Bar().CommandToIndex(command);
    EXPECT_GE(index, 0) << command;
    return (Bar().GetButtonStyle(index) & TBBS_DISABLED) == 0;
  }

  std::FILE* stream_ = nullptr;
  char folder_[32] = "/tmp/yb-toolbar-XXXXXX";
  std::unique_ptr<TApp> app_;
  CMainFrame* frame_ = nullptr;
};

TEST_F(MainToolBarTest, TheBarSitsAboveTheDocumentsWithItsButtonsAndTitle) {
  ASSERT_NE(Bar().m_hWnd, nullptr);
  EXPECT_EQ(GetWindowTextString(Bar().m_hWnd), "Standard");
  const UINT expected[] = {10, 20, 30, ID_SEPARATOR, 103, 104, 105, ID_SEPARATOR, 1031, 1034, 1032};
  ASSERT_EQ(Bar().GetCount(), 11);
  for (int32_t i = 0; i < 11; ++i)
    EXPECT_EQ(Bar().GetItemID(i), expected[i]) << i;
  EXPECT_EQ(Bar().GetButtonTip(0), "New");
  EXPECT_EQ(Bar().GetButtonTip(8), "Run");

  RECT bar;
  RECT client;
  GetWindowRect(Bar().m_hWnd, &bar);
  GetWindowRect(frame_->m_hWndMDIClient, &client);
  EXPECT_GT(bar.bottom - bar.top, 15);
  EXPECT_EQ(client.top, bar.bottom) << "the documents start below the bar";
}

TEST_F(MainToolBarTest, ButtonsFollowTheOpenWorldsAndTheMemory) {
  EXPECT_TRUE(Enabled(10));
  EXPECT_TRUE(Enabled(20));
  EXPECT_FALSE(Enabled(30));
  EXPECT_FALSE(Enabled(1031));

  app_->NewDocument();
  EXPECT_TRUE(Enabled(30));
  EXPECT_TRUE(Enabled(1031));

  SetMemoryProbe([] { return uint64_t{1024}; });
  EXPECT_FALSE(Enabled(10));
  EXPECT_FALSE(Enabled(30));
}

TEST_F(MainToolBarTest, ClickingNewMakesAWorld) {
  ShowWindow(frame_->m_hWnd, SW_SHOW);
  ASSERT_TRUE(Enabled(10));
  RECT button;
  Bar().GetItemRect(Bar().CommandToIndex(10), &button);
  POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ClientToScreen(Bar().m_hWnd, &centre);
  InjectMouseButton(MouseButton::kLeft, true, centre);
  InjectMouseButton(MouseButton::kLeft, false, centre);
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
  ASSERT_NE(app_->Documents(), nullptr);
  EXPECT_EQ(app_->Documents()->OpenCount(), 1u);
}

}  // namespace

namespace {

// The bars are found as they were left when the program starts again; a damaged arrangement
// leaves the frame's own.
TEST_F(MainToolBarTest, ASecondStartFindsTheBarsAsTheyWereLeft) {
  ShowWindow(Bar().m_hWnd, SW_HIDE);
  SendMessage(frame_->m_hWnd, WM_CLOSE, 0, 0);
  app_->ExitInstance();
  app_.reset();
  app_ = std::make_unique<TApp>(stream_);
  app_->SetConfigDirectory(folder_);
  ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
  frame_ = app_->MainFrame();
  EXPECT_FALSE(GetWindowLongPtr(Bar().m_hWnd, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongPtr(frame_->StatusBar().m_hWnd, GWL_STYLE) & WS_VISIBLE);
  RECT frameClient;
  RECT documents;
  GetClientRect(frame_->m_hWnd, &frameClient);
  GetWindowRect(frame_->m_hWndMDIClient, &documents);
  POINT origin{0, 0};
  ClientToScreen(frame_->m_hWnd, &origin);
  EXPECT_EQ(documents.top, origin.y) << "the hidden bar still takes room";

  // Kept hidden again, but one bar of the arrangement names a side that does not exist.
  SendMessage(frame_->m_hWnd, WM_CLOSE, 0, 0);
  app_->ExitInstance();
  app_.reset();
  SetProfileFile(std::string(folder_) + "/Yarrowby/yb.ini");
  WriteProfileInt("General-Bar0", "Side", 12345);
  SetProfileFile("");
  app_ = std::make_unique<TApp>(stream_);
  app_->SetConfigDirectory(folder_);
  ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
  frame_ = app_->MainFrame();
  EXPECT_TRUE(GetWindowLongPtr(Bar().m_hWnd, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace
