// The main frame's status bar: at the bottom of the frame with one message pane, menu prompts
// in it, the pane spanning the bar while a menu is open and exactly as before once it closes,
// and the status line left alone while a progress display holds it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/ChildFrame.h"
#include "app/frames/MainFrame.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "ui/periphery/StatusBarProgress.h"
#include "ui/views/OwlSubview.h"

namespace {

class StatusBarTest : public ::testing::Test {
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
    ASSERT_NE(frame_, nullptr);
  }
  void TearDown() override {
    if (app_) app_->ExitInstance();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }

  std::string MessagePane() { return frame_->StatusBar().GetPaneText(0); }
  void Select(UINT item, UINT flags, HMENU menu) {
    SendMessage(frame_->m_hWnd, WM_MENUSELECT, MAKELONG(item, flags),
                reinterpret_cast<LPARAM>(menu));
  }

  // The frame of the newest document window.
  HWND NewDocumentFrame() {
    app_->NewDocument();
    if (TOwlSubview::CurrentWindow() == nullptr) return nullptr;
    HWND child = TOwlSubview::CurrentWindow()->GetWindowHandle();
    while (child != nullptr && dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(child)) == nullptr)
      child = GetParent(child);
    return child;
  }
  static void DeliverPosted() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
  }
  int32_t PaneWidth() {
    UINT id = 0, style = 0;
    int32_t width = 0;
    frame_->StatusBar().GetPaneInfo(0, id, style, width);
    return width;
  }

  std::FILE* stream_ = nullptr;
  char folder_[32] = "/tmp/yb-status-XXXXXX";
  std::unique_ptr<TApp> app_;
  CMainFrame* frame_ = nullptr;
};

TEST_F(StatusBarTest, SitsAtTheBottomOfTheFrameWithOneMessagePane) {
  CAppStatusBar& bar = frame_->StatusBar();
  EXPECT_EQ(GetDlgCtrlID(bar.m_hWnd), 59393);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(bar.m_hWnd, GWL_STYLE)) & 0xF0000000u,
            0x50000000u);
  ASSERT_EQ(bar.GetCount(), 1);
  EXPECT_EQ(bar.GetItemID(0), ID_SEPARATOR);
  ShowWindow(frame_->m_hWnd, SW_SHOWNORMAL);
  RECT client;
  GetClientRect(frame_->m_hWnd, &client);
  RECT barRect;
  GetWindowRect(bar.m_hWnd, &barRect);
  POINT corner{client.right, client.bottom};
  ClientToScreen(frame_->m_hWnd, &corner);
  EXPECT_EQ(barRect.bottom, corner.y);
  EXPECT_GT(barRect.bottom - barRect.top, 0);
  // The MDI client ends where the bar begins.
  RECT mdi;
  GetWindowRect(frame_->m_hWndMDIClient, &mdi);
  EXPECT_EQ(mdi.bottom, barRect.top);
  // Hidden, the bar gives its room back to the client.
  frame_->ShowStatusBar(false);
  GetWindowRect(frame_->m_hWndMDIClient, &mdi);
  EXPECT_EQ(mdi.bottom, corner.y);
  frame_->ShowStatusBar(true);
  GetWindowRect(frame_->m_hWndMDIClient, &mdi);
  EXPECT_EQ(mdi.bottom, barRect.top);
}

TEST_F(StatusBarTest, ShowsTheStatusTextAndTheMenuPrompts) {
  frame_->SetStatusText("Frame 12");
  EXPECT_EQ(MessagePane(), "Frame 12");
  frame_->SetStatusText(nullptr);
  EXPECT_EQ(MessagePane(), "Frame 12");
  const HMENU bar = GetMenu(frame_->m_hWnd);
  // The prompt is the first line of the command's text; the tip after it is not shown.
  Select(10, MF_HILITE, GetSubMenu(bar, 0));
  EXPECT_EQ(MessagePane(), "Makes a new world");
  Select(0, MF_POPUP | MF_HILITE, bar);
  EXPECT_EQ(MessagePane(), "");
  Select(0, 0xFFFF, nullptr);
  EXPECT_EQ(MessagePane(), "Ready");
}

TEST_F(StatusBarTest, AProgressDisplayKeepsTheStatusLine) {
  frame_->SetStatusText("Exporting");
  {
    TStatusLineHold hold;
    frame_->SetStatusText("Frame 3");
    Select(10, MF_HILITE, GetSubMenu(GetMenu(frame_->m_hWnd), 0));
    EXPECT_EQ(MessagePane(), "Exporting");
  }
  frame_->SetStatusText("Frame 3");
  EXPECT_EQ(MessagePane(), "Frame 3");
}

TEST_F(StatusBarTest, AProgressIndicatorKeepsItsLabelAndBarWhileMenuPromptsPass) {
  CAppStatusBar& bar = frame_->StatusBar();
  frame_->SetStatusText("Ready");
  {
    Str255 label("Exporting");
    TStatusBarProgress progress(&bar, label, 0, 100);
    progress.ShowLabelInPane();
    Select(10, MF_HILITE, GetSubMenu(GetMenu(frame_->m_hWnd), 0));
    frame_->SetStatusText("Frame 3");
    EXPECT_EQ(MessagePane(), label.Chars());
    EXPECT_EQ(GetParent(progress.m_hWnd), bar.m_hWnd);
    EXPECT_TRUE(IsWindowVisible(progress.m_hWnd));
    ASSERT_NE(progress.GetLabel(), nullptr);
    EXPECT_EQ(GetWindowTextString(progress.GetLabel()->m_hWnd), label.Chars());
  }
  frame_->SetStatusText("Frame 3");
  EXPECT_EQ(MessagePane(), "Frame 3");
}

TEST_F(StatusBarTest, AnOpenMenuWidensTheMessagePaneAndClosingRestoresItExactly) {
  CAppStatusBar& bar = frame_->StatusBar();
  bar.SetPaneInfo(0, ID_SEPARATOR, SBPS_POPOUT, 137);
  const HMENU menuBar = GetMenu(frame_->m_hWnd);
  const HMENU file = GetSubMenu(menuBar, 0);
  Select(0, MF_POPUP | MF_HILITE, menuBar);
  SendMessage(frame_->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  UINT id = 1, style = 0;
  int32_t width = 0;
  bar.GetPaneInfo(0, id, style, width);
  EXPECT_EQ(id, ID_SEPARATOR);
  EXPECT_EQ(style, 0x08000100u);
  EXPECT_EQ(width, 16384);
  // A second popup while the menu is open keeps what was saved first.
  SendMessage(frame_->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menuBar, 1)),
              1);
  Select(0, 0xFFFF, nullptr);
  bar.GetPaneInfo(0, id, style, width);
  EXPECT_EQ(style, static_cast<UINT>(SBPS_POPOUT));
  EXPECT_EQ(width, 137);
  // The next menu saves the restored settings again.
  Select(0, MF_POPUP | MF_HILITE, menuBar);
  SendMessage(frame_->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  Select(0, 0xFFFF, nullptr);
  bar.GetPaneInfo(0, id, style, width);
  EXPECT_EQ(width, 137);
}

TEST_F(StatusBarTest, APopupOpenedWithoutAMenuSelectionLeavesThePaneAlone) {
  CAppStatusBar& bar = frame_->StatusBar();
  bar.SetPaneInfo(0, ID_SEPARATOR, SBPS_STRETCH | SBPS_NOBORDERS, 0);
  SendMessage(frame_->m_hWnd, WM_INITMENUPOPUP,
              reinterpret_cast<WPARAM>(GetSubMenu(GetMenu(frame_->m_hWnd), 0)), 0);
  UINT id = 0, style = 0;
  int32_t width = -2;
  bar.GetPaneInfo(0, id, style, width);
  EXPECT_EQ(width, 0);
}

TEST_F(StatusBarTest, AMenuOfADocumentFrameReachesTheMainFrameAndItsClosingOnce) {
  const HWND child = NewDocumentFrame();
  ASSERT_NE(child, nullptr);
  DeliverPosted();
  frame_->StatusBar().SetPaneInfo(0, ID_SEPARATOR, SBPS_STRETCH | SBPS_NOBORDERS, 55);
  const HMENU menu = GetSubMenu(GetMenu(frame_->m_hWnd), 0);
  ASSERT_NE(menu, nullptr);
  SendMessage(child, WM_MENUSELECT, MAKELONG(0, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(menu));
  SendMessage(child, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELONG(0, 1));
  DeliverPosted();
  EXPECT_EQ(PaneWidth(), 16384);
  SendMessage(child, WM_MENUSELECT, MAKELONG(0, 0xFFFF), 0);
  DeliverPosted();
  EXPECT_EQ(PaneWidth(), 55);
  EXPECT_EQ(app_->MenuForwarding(), 0);
  // A second closing selection is not passed on: the main frame does not mark a menu open.
  SendMessage(child, WM_MENUSELECT, MAKELONG(0, 0xFFFF), 0);
  DeliverPosted();
  SendMessage(frame_->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_EQ(PaneWidth(), 55);
}

TEST_F(StatusBarTest, ADocumentFrameIsNotSizedBelowItsWindowObjectsMinimum) {
  const MacRect defaults = TOwlSubview::DefaultLimits();
  TOwlSubview::DefaultLimits() = MacRect(200, 120, 3000, 3000);
  const HWND child = NewDocumentFrame();
  TOwlSubview::DefaultLimits() = defaults;
  ASSERT_NE(child, nullptr);
  MINMAXINFO info{};
  SendMessage(child, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 200);
  EXPECT_EQ(info.ptMinTrackSize.y, 120);
}

TEST_F(StatusBarTest, EveryHelpCommandSaysHelpIsNotInstalled) {
  for (const UINT command : {57667u, 57668u, 57670u, 57671u}) {
    std::string caption;
    SetIdleScript([&] {
      const HWND box = GetMessageBoxWindow();
      if (box == nullptr) return false;
      caption = GetWindowTextString(box);
      SendMessage(box, WM_COMMAND, IDOK, 0);
      return true;
    });
    SendMessage(frame_->m_hWnd, WM_COMMAND, command, 0);
    SetIdleScript(nullptr);
    EXPECT_EQ(caption, "Yarrowby") << command;
  }
  // Nothing reached the chain of commands.
  EXPECT_EQ(std::ftell(stream_), 0);
}

}  // namespace
