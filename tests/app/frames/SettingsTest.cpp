// What the program keeps between runs: the main frame's placement (exactly ten numbers, on the
// screen), the sixteen window numbers as unsigned 16-bit values with their defaults, the script
// editor's font beside the profile, the placement a frame gets without a saved one, and a second
// start that finds the frame where the first left it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "app/frames/Settings.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Window.h"
#include "scripting/shell/ScriptShell.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-settings-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    SetProfileFile(folder_ + "/yb.ini");
  }
  void TearDown() override {
    SetProfileFile("");
    SetWindowsDirectory("");
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }
  std::string Profile() {
    std::ifstream file(folder_ + "/yb.ini");
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  std::FILE* stream_ = nullptr;
  std::string folder_;
};

TEST_F(SettingsTest, APlacementIsExactlyTenNumbersOnTheScreen) {
  WINDOWPLACEMENT placement;
  placement.flags = 0;
  placement.showCmd = 1;
  placement.ptMinPosition = POINT{-1, -1};
  placement.ptMaxPosition = POINT{-1, -1};
  placement.rcNormalPosition = RECT{112, 64, 912, 704};
  WriteWindowPlacement(placement);
  EXPECT_NE(Profile().find("WindowPos=0,1,-1,-1,-1,-1,112,64,912,704"), std::string::npos);
  const std::optional<WINDOWPLACEMENT> read = ReadWindowPlacement();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(FormatWindowPlacement(*read), "0,1,-1,-1,-1,-1,112,64,912,704");

  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,112,64,912").has_value());
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,112,64,912,704,5").has_value());
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,112,64,912,7x4").has_value());
  EXPECT_FALSE(ParseWindowPlacement("-3,1,-1,-1,-1,-1,112,64,912,704").has_value());
  EXPECT_FALSE(ParseWindowPlacement("").has_value());
  // A window left on a larger screen counts as not saved.
  WriteProfileString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,3000,64,3800,704");
  EXPECT_FALSE(ReadWindowPlacement().has_value());
}

TEST_F(SettingsTest, WindowNumbersAreUnsigned16BitWithTheirDefaultsAndTheOnScreenRule) {
  TApp app(stream_);
  app.LoadResourceDlls();
  TWindowSettings settings;
  settings.Read();
  EXPECT_EQ(settings.Get(TWindowSettings::kScriptShell), (TWindowSettings::Rect{1, 1, 650, 300}));
  EXPECT_EQ(settings.Get(TWindowSettings::kGeometry), (TWindowSettings::Rect{0, 0, 0, 0}));

  WriteProfileInt("Settings", "Properties Left", -5);
  WriteProfileInt("Settings", "Properties Top", 40);
  WriteProfileInt("Settings", "Properties Width", 200);
  WriteProfileInt("Settings", "Properties Height", 300);
  settings.Read();
  const TWindowSettings::Rect properties = settings.Get(TWindowSettings::kProperties);
  EXPECT_EQ(properties, (TWindowSettings::Rect{65531, 40, 200, 300}));
  EXPECT_FALSE(TWindowSettings::IsUsable(properties, 1024, 768));
  EXPECT_TRUE(TWindowSettings::IsUsable({1013, 40, 200, 300}, 1024, 768));
  EXPECT_FALSE(TWindowSettings::IsUsable({1014, 40, 200, 300}, 1024, 768));
  EXPECT_FALSE(TWindowSettings::IsUsable({10, 0, 200, 300}, 1024, 768));

  settings.Store(TWindowSettings::kGeometry, 30, 20, 230, 420);
  settings.Write();
  const std::string kept = Profile();
  EXPECT_NE(kept.find("Properties Left=65531"), std::string::npos) << kept;
  EXPECT_NE(kept.find("Geometry Width=200"), std::string::npos) << kept;
  EXPECT_NE(kept.find("Geometry Height=400"), std::string::npos) << kept;
  // New keys are added in the order of their names, the shell's first.
  EXPECT_LT(kept.find("Shell Left=1"), kept.find("Geometry Left=30"));
  EXPECT_LT(kept.find("Geometry Left=30"), kept.find("Appearance Height=0"));
  app.FreeResourceDlls();
}

TEST_F(SettingsTest, TheEditorFontLivesBesideTheProfileAndADamagedOneReadsAsNone) {
  EXPECT_FALSE(ReadEditorFont().has_value());
  ASSERT_TRUE(WriteEditorFont(TEditorFont{"DejaVu Sans Mono", {12, 400, 0}}));
  std::ifstream file(folder_ + "/YB.INI");
  const std::string kept((std::istreambuf_iterator<char>(file)), {});
  EXPECT_NE(kept.find("BSEditFont=DejaVu Sans Mono,12,400,0"), std::string::npos) << kept;
  const std::optional<TEditorFont> read = ReadEditorFont();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->face, "DejaVu Sans Mono");
  EXPECT_EQ(read->values, (std::array<int32_t, 3>{12, 400, 0}));
  EXPECT_FALSE(WriteEditorFont(TEditorFont{"Odd, Face", {1, 2, 3}}));
  WritePrivateProfileString("Settings", "BSEditFont", "Mono,12", folder_ + "/YB.INI");
  EXPECT_FALSE(ReadEditorFont().has_value());
}

TEST_F(SettingsTest, AFrameWithoutASavedPlacementIsCentredOrMaximised) {
  const WINDOWPLACEMENT large =
      CMainFrame::PlanPlacement(RECT{0, 0, 1024, 768}, RECT{0, 0, 1016, 700}, SW_SHOWNORMAL);
  EXPECT_EQ(large.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(large.rcNormalPosition.left, 112);
  EXPECT_EQ(large.rcNormalPosition.top, 64);
  EXPECT_EQ(large.rcNormalPosition.right, 912);
  EXPECT_EQ(large.rcNormalPosition.bottom, 704);
  const WINDOWPLACEMENT small =
      CMainFrame::PlanPlacement(RECT{0, 0, 650, 500}, RECT{0, 0, 640, 440}, SW_SHOWNORMAL);
  EXPECT_EQ(small.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
  // Wide enough but low: 0.8 of the height.
  const WINDOWPLACEMENT low =
      CMainFrame::PlanPlacement(RECT{0, 0, 1280, 620}, RECT{0, 0, 1270, 560}, SW_SHOWNORMAL);
  EXPECT_EQ(low.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(low.rcNormalPosition.bottom - low.rcNormalPosition.top, 496);
  EXPECT_EQ(low.rcNormalPosition.right - low.rcNormalPosition.left, 800);
}

TEST_F(SettingsTest, ASecondStartFindsTheFrameWhereTheFirstLeftIt) {
  const std::string config = folder_ + "/config";
  {
    TApp app(stream_);
    app.SetConfigDirectory(config);
    ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
    const HWND frame = app.MainFrame()->m_hWnd;
    RECT rect;
    GetWindowRect(frame, &rect);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 640);
    // The script shell takes the settings' default size but no place (it opens over the main
    // window), and where it last closed is kept.
    const int16_t* shell = ShellState().savedRect;
    EXPECT_EQ(std::vector<int16_t>(shell, shell + 4), (std::vector<int16_t>{0, 0, 650, 300}));
    ShellState().savedRect[0] = 60;
    ShellState().savedRect[1] = 70;
    ShellState().savedRect[2] = 400;
    ShellState().savedRect[3] = 250;
    MoveWindow(frame, 50, 30, 700, 500, TRUE);
    SendMessage(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
    app.ExitInstance();
  }
  ResetWindowSystem();
  TApp again(stream_);
  again.SetConfigDirectory(config);
  ASSERT_TRUE(again.InitInstance(CCommandLineInfo()));
  RECT rect;
  GetWindowRect(again.MainFrame()->m_hWnd, &rect);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right, 750);
  EXPECT_EQ(rect.bottom, 530);
  const int16_t* shell = ShellState().savedRect;
  EXPECT_EQ(std::vector<int16_t>(shell, shell + 4), (std::vector<int16_t>{60, 70, 400, 250}));
  std::fill(ShellState().savedRect, ShellState().savedRect + 4, int16_t{0});
  again.ExitInstance();
}

}  // namespace
