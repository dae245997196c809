// The main tool bar: made from its resources at the top of the main frame, titled, its buttons
// brought up to date at idle time (New, Open and About while no world is open, the others once
// one is, none while memory is low), and a click on a button performs its command.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <iterator>
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
  // Quit and start again on the same settings.
  void Restart() {
    SendMessage(frame_->m_hWnd, WM_CLOSE, 0, 0);
    app_->ExitInstance();
    app_.reset();
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    frame_ = app_->MainFrame();
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
  ASSERT_NO_FATAL_FAILURE(Restart());
  EXPECT_FALSE(GetWindowLongPtr(Bar().m_hWnd, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongPtr(frame_->StatusBar().m_hWnd, GWL_STYLE) & WS_VISIBLE);
  RECT frameClient;
  RECT documents;
  GetClientRect(frame_->m_hWnd, &frameClient);
  GetWindowRect(frame_->m_hWndMDIClient, &documents);
  POINT origin{0, 0};
  ClientToScreen(frame_->m_hWnd, &origin);
  // The editing bar beside it moves up into its place.
  RECT editing;
  GetWindowRect(frame_->Bar(CMainFrame::kBar2).m_hWnd, &editing);
  EXPECT_EQ(editing.top, origin.y) << "the hidden bar still takes room";
  EXPECT_EQ(editing.left, origin.x);
  EXPECT_EQ(documents.top, editing.bottom);

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

namespace {

RECT WindowRectOf(const CWnd& window) {
  RECT rect;
  GetWindowRect(window.m_hWnd, &rect);
  return rect;
}

// The other bars: palettes in a column at the left, the editing and run bars in the main tool
// bar's row, the display bar made hidden; each titled and showing its tips.
TEST_F(MainToolBarTest, TheOtherBarsAreDockedBesideTheirNeighbours) {
  using F = CMainFrame;
  const std::array<bool, F::kBarCount> visible{true, true, true, true, false,
                                               true, true, true, true};
  EXPECT_EQ(frame_->GetBarVisibility(), visible);
  EXPECT_EQ(GetWindowTextString(frame_->Bar(F::kPalette1).m_hWnd), "Bodies");
  EXPECT_EQ(GetWindowTextString(frame_->Bar(F::kBar3).m_hWnd), "Run");
  EXPECT_EQ(GetDlgCtrlID(frame_->Bar(F::kBar4).m_hWnd), 59395);
  EXPECT_EQ(frame_->Bar(F::kPalette2).GetCount(), 14);

  const RECT main = WindowRectOf(Bar());
  const RECT editing = WindowRectOf(frame_->Bar(F::kBar2));
  const RECT run = WindowRectOf(frame_->Bar(F::kBar3));
  EXPECT_EQ(editing.left, main.right);
  EXPECT_EQ(editing.top, main.top);
  EXPECT_EQ(run.left, editing.right);
  EXPECT_GT(run.right - run.left, 3 * 39) << "the run buttons are wide";

  // Down the left side: bodies, joining, joints, points, constraints, one below the other.
  const F::BarIndex column[] = {F::kPalette1, F::kBar4, F::kPalette4, F::kPalette3, F::kPalette2};
  RECT above = WindowRectOf(frame_->Bar(column[0]));
  EXPECT_EQ(above.top, main.bottom);
  for (size_t i = 1; i < std::size(column); ++i) {
    const RECT rect = WindowRectOf(frame_->Bar(column[i]));
    EXPECT_EQ(rect.left, above.left) << i;
    EXPECT_EQ(rect.top, above.bottom) << i;
    above = rect;
  }
  // Two columns of buttons in a palette, one in the joining bar along the side.
  CToolBar& tools = frame_->Bar(F::kPalette1);
  CToolBar& joining = frame_->Bar(F::kBar4);
  RECT first;
  RECT second;
  RECT third;
  tools.GetItemRect(0, &first);
  tools.GetItemRect(1, &second);
  tools.GetItemRect(2, &third);
  EXPECT_EQ(second.top, first.top);
  EXPECT_EQ(third.left, first.left);
  EXPECT_EQ(third.top, first.bottom);
  joining.GetItemRect(0, &first);
  joining.GetItemRect(1, &second);
  EXPECT_EQ(second.left, first.left);
  EXPECT_EQ(second.top, first.bottom);
  RECT documents;
  GetWindowRect(frame_->m_hWndMDIClient, &documents);
  EXPECT_EQ(documents.left, WindowRectOf(tools).right);

  // Tips: the frame's own bars show theirs even while the frame is inactive, a palette only
  // while it is active.
  TOOLINFO tip;
  EXPECT_EQ(tools.OnToolHitTest(POINT{third.left + 2, third.top + 2}, &tip), 2511);
  EXPECT_EQ(tip.text, "Polygon");
  EXPECT_FALSE(tip.uFlags & TTF_ALWAYSTIP);
  CToolBar& editingBar = frame_->Bar(F::kBar2);
  editingBar.GetItemRect(3, &first);
  EXPECT_EQ(editingBar.OnToolHitTest(POINT{first.right - 1, first.bottom - 1}, &tip), 2006);
  EXPECT_EQ(tip.text, "Zoom Out");
  EXPECT_TRUE(tip.uFlags & TTF_ALWAYSTIP);
  EXPECT_EQ(editingBar.OnToolHitTest(POINT{first.right + 1, first.top}, &tip), -1);
}

// A bar picked up beside its buttons and let go near the bottom docks there, and stays there at
// the next start.
TEST_F(MainToolBarTest, ABarDraggedToTheBottomDocksThereAndStays) {
  int32_t gap = 0;
  while (gap < Bar().GetCount() && Bar().GetItemID(gap) != ID_SEPARATOR) ++gap;
  ASSERT_LT(gap, Bar().GetCount());
  RECT separator;
  Bar().GetItemRect(gap, &separator);
  RECT client;
  GetClientRect(frame_->m_hWnd, &client);
  POINT drop{client.right / 2, client.bottom - 2};
  ClientToScreen(frame_->m_hWnd, &drop);
  const RECT before = WindowRectOf(Bar());
  SendMessage(Bar().m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON,
              MAKELPARAM((separator.left + separator.right) / 2, separator.top + 2));
  SendMessage(Bar().m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(drop.x - before.left, drop.y - before.top));
  const auto documentsAboveTheBar = [this] {
    RECT documents;
    GetWindowRect(frame_->m_hWndMDIClient, &documents);
    return WindowRectOf(Bar()).top >= documents.bottom;
  };
  EXPECT_TRUE(documentsAboveTheBar());
  EXPECT_EQ(GetCapture(), nullptr);

  ASSERT_NO_FATAL_FAILURE(Restart());
  EXPECT_TRUE(documentsAboveTheBar());
}

TEST_F(MainToolBarTest, HidingThePalettesTwiceThenShowingThemRestoresTheBars) {
  using F = CMainFrame;
  ShowWindow(frame_->Bar(F::kBar1).m_hWnd, SW_SHOW);
  frame_->RecalcLayout();
  const auto before = frame_->GetBarVisibility();
  const RECT constraints = WindowRectOf(frame_->Bar(F::kPalette2));

  frame_->ShowPalettes(false);
  frame_->ShowPalettes(false);
  const std::array<bool, F::kBarCount> hidden{true,  false, false, false, false,
                                              false, false, true,  false};
  EXPECT_EQ(frame_->GetBarVisibility(), hidden);
  frame_->ShowPalettes(true);
  EXPECT_EQ(frame_->GetBarVisibility(), before);
  const RECT back = WindowRectOf(frame_->Bar(F::kPalette2));
  EXPECT_EQ(back.left, constraints.left);
  EXPECT_EQ(back.top, constraints.top);

  // Closed while hidden, the program starts with the bars as they were before the hiding.
  frame_->ShowPalettes(false);
  ASSERT_NO_FATAL_FAILURE(Restart());
  EXPECT_EQ(frame_->GetBarVisibility(), before);
  const RECT restarted = WindowRectOf(frame_->Bar(F::kPalette2));
  EXPECT_EQ(restarted.top, constraints.top) << "still below the points palette";
}

TEST_F(MainToolBarTest, DisabledCommandsAndTheCurrentToolRuleTheirButtons) {
  using F = CMainFrame;
  app_->NewDocument();
  CToolBar& run = frame_->Bar(F::kBar3);
  ASSERT_TRUE(Enabled(1031));
  frame_->SetCommandDisabled(1031, true);
  frame_->SetCommandDisabled(1031, true);
  app_->OnIdle(0);
  EXPECT_TRUE(run.GetButtonStyle(run.CommandToIndex(1031)) & TBBS_DISABLED);
  EXPECT_FALSE(Enabled(1031)) << "the main tool bar's button too";
  frame_->SetCommandDisabled(1031, false);
  EXPECT_FALSE(run.GetButtonStyle(run.CommandToIndex(1031)) & TBBS_DISABLED);
  EXPECT_TRUE(Enabled(1031));

  CToolBar& editing = frame_->Bar(F::kBar2);
  frame_->SetCurrentTool(2003);
  EXPECT_TRUE(editing.GetButtonStyle(editing.CommandToIndex(2003)) & TBBS_CHECKED);
  EXPECT_FALSE(editing.GetButtonStyle(editing.CommandToIndex(2000)) & TBBS_CHECKED);
  frame_->SetCurrentTool(-1);
  EXPECT_FALSE(editing.GetButtonStyle(editing.CommandToIndex(2003)) & TBBS_CHECKED);
}

// On a low screen the joining bar goes to the right, with the joints and points palettes beside
// it, and the constraints palette comes below the bodies palette.
TEST_F(MainToolBarTest, ALowScreenSplitsThePalettesBetweenBothSides) {
  using F = CMainFrame;
  app_->ExitInstance();
  app_.reset();
  // The screen's size outlives the window system's reset, so it is put back for later tests.
  struct ScreenSizeBack {
    int32_t width = GetSystemMetrics(SM_CXSCREEN);
    int32_t height = GetSystemMetrics(SM_CYSCREEN);
    ~ScreenSizeBack() { SetScreenSize(width, height); }
  } screenBack;
  SetScreenSize(640, 480);
  app_ = std::make_unique<TApp>(stream_);
  app_->SetConfigDirectory(folder_);
  ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
  frame_ = app_->MainFrame();
  ASSERT_TRUE(frame_->SmallScreen());
  const RECT bodies = WindowRectOf(frame_->Bar(F::kPalette1));
  const RECT constraints = WindowRectOf(frame_->Bar(F::kPalette2));
  const RECT joining = WindowRectOf(frame_->Bar(F::kBar4));
  const RECT joints = WindowRectOf(frame_->Bar(F::kPalette4));
  EXPECT_EQ(constraints.left, bodies.left);
  EXPECT_EQ(constraints.top, bodies.bottom);
  RECT documents;
  GetWindowRect(frame_->m_hWndMDIClient, &documents);
  RECT frameClient;
  GetClientRect(frame_->m_hWnd, &frameClient);
  POINT corner{frameClient.right, 0};
  ClientToScreen(frame_->m_hWnd, &corner);
  EXPECT_EQ(joining.right, corner.x) << "at the right of the frame";
  EXPECT_EQ(joints.top, joining.bottom);
  EXPECT_EQ(joints.right, corner.x);
  EXPECT_EQ(documents.right, joints.left);
}

void PumpMessages() {
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
}

// A pointer resting on a button shows the button's tip below it after a moment; leaving the
// button takes the tip away.
TEST_F(MainToolBarTest, APointerRestingOnAButtonShowsItsTip) {
  using F = CMainFrame;
  ShowWindow(frame_->m_hWnd, SW_SHOW);
  CToolBar& editing = frame_->Bar(F::kBar2);
  RECT button;
  editing.GetItemRect(editing.CommandToIndex(2005), &button);
  POINT over{button.left + 4, button.top + 4};
  ClientToScreen(editing.m_hWnd, &over);
  InjectMouseMove(over);
  PumpMessages();
  EXPECT_FALSE(editing.Tip().Shown()) << "not at once";
  AdvanceVirtualClock(CToolBar::kTipDelay + 10);
  PumpMessages();
  ASSERT_TRUE(editing.Tip().Shown());
  EXPECT_EQ(GetWindowTextString(editing.Tip().Handle()), "Zoom In");
  RECT tip;
  GetWindowRect(editing.Tip().Handle(), &tip);
  EXPECT_GT(tip.top, over.y);
  EXPECT_GT(tip.right - tip.left, 20);

  // Off the bar: the tip goes at the next check.
  InjectMouseMove(POINT{over.x, over.y + 200});
  PumpMessages();
  AdvanceVirtualClock(CToolBar::kTipWatch + 10);
  PumpMessages();
  EXPECT_FALSE(editing.Tip().Shown());
}

}  // namespace
