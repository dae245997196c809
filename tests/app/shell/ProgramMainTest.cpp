// The program through its entry, with its windows kept in memory and driven by synthetic input:
// the sample named on the command line opens, File > Open shows the dialog that typed keys
// answer, Edit offers to undo a change by name, File > Quit ends the program with 0 and the
// units end from the last to the first.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/ProgramMain.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "app/shell/AboutDialog.h"
#include "app/services/ClipboardView.h"
#include "app/services/ClipboardWindow.h"
#include "app/shell/UnitTable.h"
#include "bodies/Shapes.h"
#include "core/Resources.h"
#include "bodies/lines/Line.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/WindowPaint.h"
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
        Click(PopupItem(12, 3));  // Quit, below the two recent files
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

// Another program, built on the exchange layer alone, sends a script in three executes whose
// script shows an alert, then a script that does not compile. The alert shows the script's text
// and Return closes it; the three are acknowledged and the fourth is not processed.
// The item of the menu bar's Window menu that carries `text`; 0 when there is none.
UINT WindowMenuItem(HWND frame, const std::string& text) {
  const HMENU bar = GetMenu(frame);
  for (int32_t i = 0; i < GetMenuItemCount(bar); ++i) {
    char title[64] = "";
    GetMenuString(bar, static_cast<UINT>(i), title, sizeof title, MF_BYPOSITION);
    if (std::string(title) != "&Window") continue;
    const HMENU menu = GetSubMenu(bar, i);
    for (int32_t j = 0; j < GetMenuItemCount(menu); ++j) {
      GetMenuString(menu, static_cast<UINT>(j), title, sizeof title, MF_BYPOSITION);
      if (text == title) return GetMenuItemID(menu, j);
    }
  }
  return 0;
}

TEST_F(ProgramMainTest, TheWindowMenuShowsOneClipboardWindowThatFollowsTheClipboard) {
  int32_t step = 0;
  int32_t waits = 0;
  UINT item = 0;
  HWND window = nullptr;
  HWND view = nullptr;
  HWND frame = nullptr;
  int32_t dark = 0;
  std::string title;
  DWORD style = 0;
  bool sameWindow = false;
  bool closed = false;
  HWND viewerAfterClose = nullptr;
  HWND parent = nullptr;
  HWND client = nullptr;
  SetIdleScript([&] {
    auto* app = dynamic_cast<TApp*>(CWinApp::Current());
    if (app == nullptr || app->MainFrame() == nullptr) return false;
    frame = app->MainFrame()->m_hWnd;
    switch (++step) {
      case 1:
        if (item != 0) return false;
        item = WindowMenuItem(frame, "Show C&lipboard");
        PostMessage(frame, WM_COMMAND, item, 0);
        return true;
      case 2: {
        const HWND open = ClipboardWindowHandle();
        if (open == nullptr) {
          // The chosen item is waited for a while, then the program quits.
          step = ++waits < 100 ? 1 : 5;
          return false;
        }
        window = open;
        style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
        parent = GetParent(window);
        client = app->MainFrame()->m_hWndMDIClient;
        view = GetClipboardViewer();
        // Chosen again, the same window comes to the front.
        PostMessage(frame, WM_COMMAND, item, 0);
        return true;
      }
      case 3: {
        sameWindow = ClipboardWindowHandle() == window;
        OpenClipboard(nullptr);
        EmptyClipboard();
        const HGLOBAL text = GlobalAlloc(GHND, 8);
        std::memcpy(GlobalLock(text), "WWWWWW", 7);
        GlobalUnlock(text);
        SetClipboardData(CF_TEXT, text);
        CloseClipboard();
        return true;
      }
      case 4: {
        UpdateWindow(view);
        title = GetWindowTextString(window);
        RECT frameRect{};
        GetWindowRect(window, &frameRect);
        RECT viewRect{};
        GetWindowRect(view, &viewRect);
        WindowSurface* const surface = GetWindowSurface(window);
        for (int32_t y = viewRect.top; surface != nullptr && y < viewRect.bottom; ++y) {
          for (int32_t x = viewRect.left; x < viewRect.right; ++x) {
            const uint32_t pixel = surface->Pixel(x - frameRect.left, y - frameRect.top);
            dark += (pixel & 0x808080u) == 0 ? 1 : 0;
          }
        }
        PostMessage(window, WM_CLOSE, 0, 0);
        return true;
      }
      case 5:
        closed = ClipboardWindowHandle() == nullptr && !IsWindow(window);
        viewerAfterClose = GetClipboardViewer();
        return true;
      case 6:
        PostMessage(frame, WM_COMMAND, 36, 0);  // Quit
        return true;
      default:
        return false;
    }
  });
  EXPECT_EQ(ProgramMain({}, TProgramWindows::kInMemory), 0);
  ASSERT_NE(item, 0u) << step;
  EXPECT_EQ(step, 6);
  ASSERT_NE(window, nullptr);
  // A captioned frame inside the main frame that can be closed, whose view heads the viewer
  // chain.
  EXPECT_EQ(style & (WS_CHILD | WS_CAPTION | WS_SYSMENU),
            static_cast<DWORD>(WS_CHILD | WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(parent, client);
  ASSERT_NE(view, nullptr);
  EXPECT_NE(view, window);
  EXPECT_TRUE(sameWindow);
  // Text put on the clipboard is drawn and names the window.
  EXPECT_EQ(title, "Clipboard -- OEMTEXT");
  EXPECT_GT(dark, 20);
  // Closed, the window is gone and the chain no longer starts at its view.
  EXPECT_TRUE(closed);
  EXPECT_NE(viewerAfterClose, view);
}

TEST_F(ProgramMainTest, ADrawingNamedOnTheCommandLineOpensAsAWorld) {
  const std::string drawing = folder_ + "/plan.dxf";
  std::ofstream(drawing) << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n4\n21\n0\n"
                            "0\nCIRCLE\n8\n0\n10\n6\n20\n0\n40\n1\n0\nENDSEC\n0\nEOF\n";
  int lines = 0;
  int circles = 0;
  bool seen = false;
  SetIdleScript([&] {
    auto* app = dynamic_cast<TApp*>(CWinApp::Current());
    TOwlSubview* front = TOwlSubview::CurrentWindow();
    if (app == nullptr || app->MainFrame() == nullptr || front == nullptr || seen) return false;
    seen = true;
    if (auto* document = dynamic_cast<TWorldWindowDocument*>(front->GetDocument())) {
      for (TLink* object : document->Document().World().Objects()) {
        lines += dynamic_cast<TLine*>(object) != nullptr ? 1 : 0;
        circles += dynamic_cast<TOval*>(object) != nullptr ? 1 : 0;
      }
    }
    PostMessage(app->MainFrame()->m_hWnd, WM_COMMAND, 36, 0);  // Quit
    return true;
  });
  EXPECT_EQ(ProgramMain({drawing}, TProgramWindows::kInMemory), 0);
  EXPECT_TRUE(seen);
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(circles, 1);
}

TEST_F(ProgramMainTest, AnotherProgramRunsAScriptWhoseAlertShowsAndIsAnswered) {
  setenv("YB_DDE_DIR", (folder_ + "/dde").c_str(), 1);
  const std::string output = folder_ + "/answers.txt";
  std::vector<std::string> alerts;
  pid_t sender = 0;
  bool connected = false;
  bool closing = false;
  SetIdleScript([&] {
    auto* app = dynamic_cast<TApp*>(CWinApp::Current());
    if (app == nullptr || app->MainFrame() == nullptr || closing) return false;
    CMainFrame* frame = app->MainFrame();
    if (sender == 0) {
      posix_spawn_file_actions_t files;
      posix_spawn_file_actions_init(&files);
      posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const char* arguments[] = {YB_DDE_EXECUTE, "--timeout", "60000", "$YBSTART$ Sub Main()",
                                 "MsgBox \"Hello from afar\"", "End Sub $YBEND$", "Sub Main(",
                                 nullptr};
      EXPECT_EQ(posix_spawn(&sender, YB_DDE_EXECUTE, &files, nullptr,
                            const_cast<char* const*>(arguments), environ), 0);
      posix_spawn_file_actions_destroy(&files);
      if (sender <= 0) {
        // Without the sender there is nothing to wait for.
        closing = true;
        PostMessage(frame->m_hWnd, WM_CLOSE, 0, 0);
        return true;
      }
    }
    if (const HWND box = GetMessageBoxWindow()) {
      alerts.push_back(GetWindowTextString(GetDlgItem(box, 0xFFFF)));
      InjectKeyStroke(VK_RETURN);
      return true;
    }
    const bool open = frame->DdeService().conversations && !frame->DdeService().conversations->empty();
    connected = connected || open;
    if (!connected || !open) {
      // Not connected yet, or gone: the loop keeps turning (the clock here is virtual) until the
      // sender has connected, or has ended.
      int status = 0;
      if (connected && waitpid(sender, &status, 0) == sender) {
        sender = -status - 1;
        closing = true;
        PostMessage(frame->m_hWnd, WM_CLOSE, 0, 0);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      PostMessage(frame->m_hWnd, WM_NULL, 0, 0);
      return true;
    }
    return false;
  });
  EXPECT_EQ(ProgramMain({}, TProgramWindows::kInMemory), 0);
  unsetenv("YB_DDE_DIR");
  ASSERT_TRUE(closing);
  EXPECT_EQ(-sender - 1, 1 << 8);  // exit code 1: one execute was not processed
  ASSERT_FALSE(alerts.empty());
  EXPECT_EQ(alerts[0], "Hello from afar");
  std::ifstream in(output);
  const std::string answers((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(answers, "acknowledged\nacknowledged\nacknowledged\nnot processed\n");
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

// --version names the version of the version resource, which About shows too.
TEST_F(ProgramMainTest, VersionNamesTheVersionResourcesVersion) {
  TApp app;
  app.LoadResourceDlls();
  const std::string resource = ProductVersionOf(GetResourceModule1());
  app.FreeResourceDlls();
  ASSERT_FALSE(resource.empty());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ProgramMain({"--version"}, TProgramWindows::kNone), 0);
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Yarrowby " + resource + "\n");
}

}  // namespace
