// Closing the main frame while a run is in progress stops the run and keeps the frame; the next
// close, with nothing running, saves the placement and closes it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/TApp.h"
#include "app/frames/ChildFrame.h"
#include "app/frames/MainFrame.h"
#include "model/command/CommandCore.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"

namespace {

TEST(MainFrameTest, CloseDuringARunStopsTheRunAndASecondCloseQuits) {
  std::FILE* stream = std::tmpfile();
  ResetWindowSystem();
  UseVirtualClock(1000);
  char folder[] = "/tmp/yb-frame-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  {
    TApp app(stream);
    app.SetConfigDirectory(folder);
    ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
    // A run waiting in the queue for its next slice.
    auto* run = new TCommand;
    run->SetStaysQueued(1);
    app.PostCommand(run);
    ASSERT_EQ(app.CurrentRunCommand(), run);
    const HWND frame = app.MainFrame()->m_hWnd;
    SendMessage(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(run->IsStopped(), 1);
    EXPECT_EQ(app.CurrentRunCommand(), nullptr);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_EQ(GetProfileString("Settings", "WindowPos", ""), "");
    SendMessage(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
    // The default frame covers the screen, so its normal placement is 800 by 640 in the middle.
    const int32_t left = (GetSystemMetrics(SM_CXSCREEN) - 800) / 2;
    const int32_t top = (GetSystemMetrics(SM_CYSCREEN) - 640) / 2;
    EXPECT_EQ(GetProfileString("Settings", "WindowPos", ""),
              "0,1,-1,-1,-1,-1," + std::to_string(left) + "," + std::to_string(top) + "," +
                  std::to_string(left + 800) + "," + std::to_string(top + 640));
    MSG message;
    EXPECT_EQ(GetMessage(&message, nullptr, 0, 0), 0);  // the quit message
    app.ExitInstance();
  }
  ResetWindowSystem();
  UseProcessClock();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::fclose(stream);
}

TEST(MainFrameTest, TheZoomStateFollowsTheDocumentFramesAndIsKeptAtExit) {
  std::FILE* stream = std::tmpfile();
  ResetWindowSystem();
  UseVirtualClock(1000);
  char folder[] = "/tmp/yb-zoom-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  {
    TApp app(stream);
    app.SetConfigDirectory(folder);
    ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
    app.NewDocument();
    ASSERT_NE(TOwlSubview::CurrentWindow(), nullptr);
    HWND child = TOwlSubview::CurrentWindow()->GetWindowHandle();
    while (child != nullptr && dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(child)) == nullptr)
      child = GetParent(child);
    ASSERT_NE(child, nullptr);
    ShowWindow(child, SW_RESTORE);
    EXPECT_EQ(app.DocZoomState(), 0);
    ShowWindow(child, SW_MAXIMIZE);
    EXPECT_EQ(app.DocZoomState(), 1);
    ShowWindow(child, SW_RESTORE);
    EXPECT_EQ(app.DocZoomState(), 0);
    app.ExitInstance();
    SetProfileFile(std::string(folder) + "/Yarrowby/yb.ini");
    EXPECT_EQ(GetProfileInt("Settings", "Doc Zoom State", 7), 0u);
    SetProfileFile("");
  }
  ResetWindowSystem();
  UseProcessClock();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::fclose(stream);
}

class TNumbered : public TCommandCore {
 public:
  explicit TNumbered(int16_t number) {
    InitCommand(number, nullptr, nullptr, nullptr);
    SetCanUndo(0);
    SetCausesChange(0);
  }
};

TEST(MainFrameTest, QuitNewCloseAndCommandZeroStopARunWhenTheyAreQueued) {
  std::FILE* stream = std::tmpfile();
  {
    TApp app(stream);
    auto* first = new TCommand;
    first->SetStaysQueued(1);
    app.PostCommand(first);
    app.PostCommand(new TNumbered(1031));
    EXPECT_EQ(first->IsStopped(), 0);
    EXPECT_EQ(app.CurrentRunCommand(), first);
    for (const int16_t number : {36, 10, 31, 0}) {
      auto* run = new TCommand;
      run->SetStaysQueued(1);
      app.PostCommand(run);
      app.PostCommand(new TNumbered(number));
      EXPECT_EQ(run->IsStopped(), 1) << "command " << number;
      EXPECT_EQ(app.CurrentRunCommand(), nullptr);
    }
    app.DropAllCommands();
  }
  std::fclose(stream);
}

// Every menu of the bar as a user opens it, with no document: the items left enabled are those
// that act without one.
TEST(MainFrameTest, WithoutADocumentOnlyItemsThatActWithoutOneAreEnabled) {
  std::FILE* stream = std::tmpfile();
  ResetWindowSystem();
  UseVirtualClock(1000);
  char folder[] = "/tmp/yb-menus-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  {
    TApp app(stream);
    app.SetConfigDirectory(folder);
    ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
    const HWND frame = app.MainFrame()->m_hWnd;
    const HMENU bar = GetMenu(frame);
    ASSERT_NE(bar, nullptr);
    SendMessage(frame, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    std::vector<UINT> enabled;
    for (int32_t title = 0; title < GetMenuItemCount(bar); ++title) {
      const HMENU popup = GetSubMenu(bar, title);
      if (popup == nullptr) continue;
      SendMessage(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), title);
      for (int32_t i = 0; i < GetMenuItemCount(popup); ++i) {
        const auto position = static_cast<UINT>(i);
        const UINT state = GetMenuState(popup, position, MF_BYPOSITION);
        if ((state & (MF_SEPARATOR | MF_GRAYED)) != 0 || GetSubMenu(popup, i) != nullptr) continue;
        enabled.push_back(GetMenuItemID(popup, i));
      }
    }
    // New, Open, Quit, Player Mode, the arrangements, Show Clipboard and About.
    EXPECT_EQ(enabled, (std::vector<UINT>{10, 20, 36, 1054, 24337, 24336, 24335, 24338, 931}));
    app.ExitInstance();
  }
  ResetWindowSystem();
  UseProcessClock();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::fclose(stream);
}

}  // namespace
