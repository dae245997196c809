// The program through its entry, with its windows kept in memory and driven by synthetic input:
// the sample named on the command line opens, File > Open shows the dialog that typed keys
// answer, Edit offers to undo a change by name, File > Quit ends the program with 0 and the
// units end from the last to the first.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/ProgramMain.h"
#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "app/shell/UnitTable.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"

namespace {

std::string Sample(const char* name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source != nullptr ? source : "../..") + "/samples/" + name;
}

class TDeleteCommand : public TCommandCore {
 public:
  TDeleteCommand() { InitCommand(106, nullptr, nullptr, nullptr); }
};

void Click(POINT screen) {
  InjectMouseMove(screen);
  InjectMouseButton(MouseButton::kLeft, true, screen);
  InjectMouseButton(MouseButton::kLeft, false, screen);
}

POINT BarItem(HWND frame, int32_t position) {
  const RECT rect = MenuBarItemRect(frame, position);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT PopupItem(int32_t itemsAbove, int32_t separatorsAbove) {
  RECT area;
  GetWindowRect(GetActivePopupMenuWindow(), &area);
  return POINT{area.left + 20, area.top + 1 + itemsAbove * kMenuItemHeight +
                                   separatorsAbove * kMenuSeparatorHeight + kMenuItemHeight / 2};
}

std::string FrontTitle() {
  TOwlSubview* front = TOwlSubview::CurrentWindow();
  return front != nullptr ? front->GetTitle() : std::string();
}

class ProgramMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-main-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    // No start-up script there, and a profile of the test's own.
    setenv("YB_PROGRAM_DIR", folder_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("YB_PROGRAM_DIR");
    unsetenv("XDG_CONFIG_HOME");
    SetIdleScript(nullptr);
    ClearUnitHooks();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string folder_;
};

TEST_F(ProgramMainTest, OpensOpensByTheDialogUndoesByNameAndQuitsWithZero) {
  std::vector<std::string> ended;
  for (const int16_t row : {2, 30, 56}) {
    SetUnitHook(row, {}, [&ended, row] { ended.push_back("row " + std::to_string(row)); });
  }
  const std::string second = Sample("pendulum.yb");
  std::string firstTitle;
  std::string secondTitle;
  std::string undoText;
  bool dialogShown = false;
  int32_t step = 0;
  HWND frame = nullptr;
  SetIdleScript([&] {
    ++step;
    auto* app = dynamic_cast<TApp*>(CWinApp::Current());
    if (app == nullptr || app->MainFrame() == nullptr) return false;
    frame = app->MainFrame()->m_hWnd;
    switch (step) {
      case 1:
        firstTitle = FrontTitle();
        Click(BarItem(frame, 0));  // File
        return true;
      case 2:
        if (GetActivePopupMenuWindow() == nullptr) return false;
        Click(PopupItem(1, 0));  // Open...
        return true;
      case 3:
        dialogShown = GetOpenFileDialogWindow() != nullptr;
        if (!dialogShown) return false;
        for (const char c : second) InjectCharacter(static_cast<uint8_t>(c));
        InjectKeyStroke(VK_RETURN);
        return true;
      case 4:
        secondTitle = FrontTitle();
        app->Commands().PostCommand(new TDeleteCommand);
        PostMessage(frame, WM_NULL, 0, 0);
        return true;
      case 5:
        Click(BarItem(frame, 1));  // Edit
        return true;
      case 6:
        undoText = GetMenuItemText(GetMenu(frame), 101, MF_BYCOMMAND);
        InjectKeyStroke(VK_ESCAPE);
        return true;
      case 7:
        Click(BarItem(frame, 0));  // File
        return true;
      case 8:
        if (GetActivePopupMenuWindow() == nullptr) return false;
        Click(PopupItem(11, 3));  // Quit, below the two recent files
        return true;
      default:
        return false;
    }
  });
  EXPECT_EQ(ProgramMain({Sample("spring-and-pin.yb")}, TProgramWindows::kInMemory), 0);
  EXPECT_EQ(step, 8) << "the program ended at step " << step;
  EXPECT_EQ(firstTitle, "spring-and-pin.yb");
  EXPECT_TRUE(dialogShown);
  EXPECT_EQ(secondTitle, "pendulum.yb");
  EXPECT_EQ(undoText, "Undo Delete\bCtrl+Z");
  EXPECT_EQ(ended, (std::vector<std::string>{"row 56", "row 30", "row 2"}));
  EXPECT_EQ(CWinApp::Current(), nullptr);
}

TEST_F(ProgramMainTest, ACommandLineThatCannotBeFollowedEndsWithTwoBeforeAnyWindow) {
  EXPECT_EQ(ProgramMain({"--no-such-switch"}, TProgramWindows::kInMemory), 2);
  EXPECT_EQ(ProgramMain({"a.yb", "b.yb"}, TProgramWindows::kInMemory), 2);
  bool opened = false;
  EXPECT_EQ(ProgramMain({"a.yb"}, TProgramWindows::kPresented,
                        [&opened]() -> std::unique_ptr<WindowPresenter> {
                          opened = true;
                          return nullptr;
                        }),
            1);
  EXPECT_TRUE(opened);
}

}  // namespace
