// The floating windows (Properties, Position, Point Table) are built hidden when the program
// starts and stand where the profile says, when that place is on the screen; where they stand
// when the program quits is what the next start reads.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "app/ProgramMain.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "app/frames/Settings.h"
#include "app/shell/UnitTable.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/FloatingWindows.h"

namespace {

RECT RectOf(int16_t command) {
  RECT rect{};
  if (const HWND window = FloatingWindowHandle(command)) GetWindowRect(window, &rect);
  return rect;
}

int32_t Width(const RECT& rect) { return rect.right - rect.left; }
int32_t Height(const RECT& rect) { return rect.bottom - rect.top; }

struct Seen {
  bool built = false;
  bool anyShown = false;
  RECT properties{};
  RECT position{};
  RECT pointTable{};
};

class FloatingWindowPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-floating-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
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

  std::filesystem::path Profile() const {
    return std::filesystem::path(folder_) / "Yarrowby" / "yb.ini";
  }
  void WriteProfile(const std::string& settings) const {
    std::filesystem::create_directories(Profile().parent_path());
    std::ofstream(Profile()) << "[Settings]\n" << settings;
  }
  std::string ReadProfile() const {
    std::ifstream in(Profile());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs the program without a document: at its first idle moment what the floating windows are
  // is noted, `act` may move them, and the program quits.
  Seen RunOnce(const std::function<void()>& act = {}) {
    Seen seen;
    int32_t step = 0;
    SetIdleScript([&] {
      auto* app = dynamic_cast<TApp*>(CWinApp::Current());
      if (app == nullptr || app->MainFrame() == nullptr) return false;
      const HWND frame = app->MainFrame()->m_hWnd;
      switch (++step) {
        case 1:
          seen.built = FloatingWindowHandle(kShowPropertiesWindow) != nullptr &&
                       FloatingWindowHandle(kShowPositionWindow) != nullptr &&
                       FloatingWindowHandle(kShowPointTableWindow) != nullptr;
          seen.anyShown = IsFloatingWindowVisible(kShowPropertiesWindow) ||
                          IsFloatingWindowVisible(kShowPositionWindow) ||
                          IsFloatingWindowVisible(kShowPointTableWindow);
          seen.properties = RectOf(kShowPropertiesWindow);
          seen.position = RectOf(kShowPositionWindow);
          seen.pointTable = RectOf(kShowPointTableWindow);
          if (act) act();
          PostMessage(frame, WM_COMMAND, 36, 0);  // Quit
          return true;
        default:
          return false;
      }
    });
    EXPECT_EQ(ProgramMain({}, TProgramWindows::kInMemory), 0);
    SetIdleScript(nullptr);
    return seen;
  }

  std::string folder_;
};

TEST_F(FloatingWindowPlacesTest, StartBuildsThemHiddenAndPutsThemOnlyWhereTheScreenShowsThem) {
  const Seen defaults = RunOnce();
  ASSERT_TRUE(defaults.built);
  EXPECT_FALSE(defaults.anyShown);

  // Properties: a usable place and size. Position: a usable place, its size its own. Point
  // Table: a left too far right for any screen.
  WriteProfile(
      "Properties Left=120\nProperties Top=90\nProperties Width=260\nProperties Height=330\n"
      "Appearance Left=400\nAppearance Top=250\nAppearance Width=7\nAppearance Height=7\n"
      "Geometry Left=30000\nGeometry Top=40\nGeometry Width=200\nGeometry Height=300\n");
  const Seen placed = RunOnce();
  EXPECT_EQ(placed.properties.left, 120);
  EXPECT_EQ(placed.properties.top, 90);
  EXPECT_EQ(Width(placed.properties), 260);
  EXPECT_EQ(Height(placed.properties), 330);
  EXPECT_EQ(placed.position.left, 400);
  EXPECT_EQ(placed.position.top, 250);
  EXPECT_EQ(Width(placed.position), Width(defaults.position));
  EXPECT_EQ(Height(placed.position), Height(defaults.position));
  EXPECT_EQ(placed.pointTable.left, defaults.pointTable.left);
  EXPECT_EQ(placed.pointTable.top, defaults.pointTable.top);
  // The refused place, meant perhaps for a wider screen, is written back as it was read.
  const std::string profile = ReadProfile();
  for (const char* kept : {"Geometry Left=30000", "Geometry Top=40", "Geometry Width=200",
                           "Geometry Height=300"})
    EXPECT_NE(profile.find(kept), std::string::npos) << kept << " was lost:\n" << profile;

  // A zero among the four numbers refuses the place too.
  WriteProfile(
      "Properties Left=120\nProperties Top=0\nProperties Width=260\nProperties Height=330\n");
  const Seen refused = RunOnce();
  EXPECT_EQ(refused.properties.left, defaults.properties.left);
  EXPECT_EQ(refused.properties.top, defaults.properties.top);
}

TEST_F(FloatingWindowPlacesTest, WhereTheyStandAtQuitIsWhereTheNextStartPutsThem) {
  const Seen first = RunOnce([] {
    const RECT rect = RectOf(kShowPropertiesWindow);
    SetWindowPos(FloatingWindowHandle(kShowPropertiesWindow), nullptr, 333, 222, Width(rect) + 20,
                 Height(rect), SWP_NOZORDER | SWP_NOACTIVATE);
  });
  ASSERT_TRUE(first.built);
  const std::string profile = ReadProfile();
  EXPECT_NE(profile.find("Properties Left=333"), std::string::npos) << profile;
  EXPECT_NE(profile.find("Properties Top=222"), std::string::npos) << profile;

  const Seen second = RunOnce();
  EXPECT_EQ(second.properties.left, 333);
  EXPECT_EQ(second.properties.top, 222);
  EXPECT_EQ(Width(second.properties), Width(first.properties) + 20);
  // The others stood at their own places, which are kept and given back as they were.
  EXPECT_EQ(second.position.left, first.position.left);
  EXPECT_EQ(second.pointTable.top, first.pointTable.top);
}

TEST_F(FloatingWindowPlacesTest, ClosingTheLastDocumentKeepsWhereTheyStand) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  const std::string sample =
      std::string(source != nullptr ? source : "../..") + "/samples/pendulum.yb";
  int32_t step = 0;
  TWindowSettings::Rect whileOpen{};
  TWindowSettings::Rect afterClose{};
  SetIdleScript([&] {
    auto* app = dynamic_cast<TApp*>(CWinApp::Current());
    if (app == nullptr || app->MainFrame() == nullptr || app->Documents() == nullptr) return false;
    const HWND frame = app->MainFrame()->m_hWnd;
    const HWND properties = FloatingWindowHandle(kShowPropertiesWindow);
    switch (step) {
      case 0: {
        if (app->Documents()->OpenCount() != 1 || properties == nullptr) return false;
        ++step;
        SetWindowPos(properties, nullptr, 150, 130, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        whileOpen = app->MainFrame()->WindowSettings().Get(TWindowSettings::kProperties);
        PostMessage(frame, WM_COMMAND, 31, 0);  // File > Close
        return true;
      }
      case 1:
        if (app->Documents()->OpenCount() != 0) return false;
        ++step;
        afterClose = app->MainFrame()->WindowSettings().Get(TWindowSettings::kProperties);
        PostMessage(frame, WM_COMMAND, 36, 0);  // Quit
        return true;
      default:
        return false;
    }
  });
  EXPECT_EQ(ProgramMain({sample}, TProgramWindows::kInMemory), 0);
  ASSERT_EQ(step, 2);
  // Moving the window alone changes nothing kept; the close of the last document keeps it.
  EXPECT_EQ(whileOpen[0], 0);
  EXPECT_EQ(afterClose[0], 150);
  EXPECT_EQ(afterClose[1], 130);
  EXPECT_GT(afterClose[2], 0);
}

}  // namespace
