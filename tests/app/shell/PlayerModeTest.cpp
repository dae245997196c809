// Player mode: command 1054 installs the player menu bar and is then disabled while 1053, which
// leaves the mode, is enabled; leaving gives the normal bar back.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "core/Failure.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"

namespace {

class PlayerModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    ASSERT_NE(mkdtemp(folder_), nullptr);
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    frame_ = app_->MainFrame()->m_hWnd;
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
  // The two mode items put into the bar's first menu, then the menus set up.
  void SetUpMenusWithModeItems() {
    const HMENU file = GetSubMenu(GetMenu(frame_), 0);
    AppendMenu(file, MF_STRING, 1053, "Leave Player Mode");
    AppendMenu(file, MF_STRING, 1054, "Player Mode");
    app_->Commands().SetupTheMenus();
  }
  bool Greyed(UINT id) const {
    return (GetMenuState(GetMenu(frame_), id, MF_BYCOMMAND) & MF_GRAYED) != 0;
  }

  std::FILE* stream_ = nullptr;
  char folder_[32] = "/tmp/yb-player-XXXXXX";
  std::unique_ptr<TApp> app_;
  HWND frame_ = nullptr;
};

TEST_F(PlayerModeTest, EnteringInstallsThePlayerBarAndSwapsTheModeCommands) {
  const HMENU normal = GetMenu(frame_);
  SetUpMenusWithModeItems();
  EXPECT_FALSE(Greyed(1054));
  EXPECT_TRUE(Greyed(1053));

  EXPECT_EQ(app_->DoMenuCommand(1054), nullptr);
  EXPECT_TRUE(app_->PlayerMode());
  const HMENU player = GetMenu(frame_);
  EXPECT_NE(player, normal);
  // The player bar has no Select item of the tools.
  EXPECT_EQ(GetMenuState(player, 2000, MF_BYCOMMAND), static_cast<UINT>(-1));
  SetUpMenusWithModeItems();
  EXPECT_TRUE(Greyed(1054));
  EXPECT_FALSE(Greyed(1053));

  // Leaving brings back the very bar the program had, with its tools.
  EXPECT_EQ(app_->DoMenuCommand(1053), nullptr);
  EXPECT_FALSE(app_->PlayerMode());
  EXPECT_EQ(GetMenu(frame_), normal);
  EXPECT_NE(GetMenuState(normal, 2000, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(PlayerModeTest, LeavingIsDisabledWhileMemoryIsLowAndNegativeCommandsDoNothing) {
  app_->DoMenuCommand(1054);
  SetMemoryProbe([] { return uint64_t{1024}; });
  SetUpMenusWithModeItems();
  EXPECT_TRUE(Greyed(1053));
  EXPECT_EQ(app_->DoMenuCommand(-1054), nullptr);
  EXPECT_TRUE(app_->PlayerMode());
}

}  // namespace
