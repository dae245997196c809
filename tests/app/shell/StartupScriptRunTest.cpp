// The start-up script in the windowed program, headless: the application runs from its command
// line with the program's scripting hooks installed, as the program's entry installs them, and
// qvstart.ybs waits in the program's folder. The script runs once the document of the command
// line is open and the main frame shows; File > Quit then ends the program with 0, and scripting
// ends before the units do.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "app/shell/MenuBar.h"
#include "app/shell/ProgramScripting.h"
#include "app/shell/StartupHooks.h"
#include "bodies/Shapes.h"
#include "basic/editor/ScriptEditWindow.h"
#include "exchange/export/ExportCommand.h"
#include "core/Keys.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Edit.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "model/world/QVDoc.h"
#include "scripting/host/Application.h"
#include "scripting/shell/ScriptEditor.h"
#include "scripting/shell/ScriptShell.h"
#include "scripting/shell/ScriptsMenu.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/WorldWindow.h"

namespace {

namespace fs = std::filesystem;

constexpr UINT kQuitCommand = 36;

std::string Sample(const char* name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source != nullptr ? source : "../..") + "/samples/" + name;
}

// Standard output goes to a file of its own while this lives: what scripts print.
class StandardOutputCapture {
 public:
  StandardOutputCapture() : file_(std::tmpfile()) {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    if (file_ != nullptr && saved_ >= 0) dup2(fileno(file_), STDOUT_FILENO);
  }
  ~StandardOutputCapture() {
    Stop();
    if (file_ != nullptr) std::fclose(file_);
  }
  StandardOutputCapture(const StandardOutputCapture&) = delete;
  StandardOutputCapture& operator=(const StandardOutputCapture&) = delete;

  bool Capturing() const { return file_ != nullptr && saved_ >= 0; }
  void Stop() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }
  // Everything printed so far.
  std::string Text() const {
    std::fflush(stdout);
    std::string text;
    if (file_ == nullptr) return text;
    char buffer[512];
    off_t at = 0;
    for (ssize_t n; (n = pread(fileno(file_), buffer, sizeof buffer, at)) > 0; at += n)
      text.append(buffer, static_cast<size_t>(n));
    return text;
  }

 private:
  std::FILE* file_;
  int saved_ = -1;
};

void Click(POINT screen) {
  InjectMouseMove(screen);
  InjectMouseButton(MouseButton::kLeft, true, screen);
  InjectMouseButton(MouseButton::kLeft, false, screen);
}

POINT Centre(const RECT& rect) {
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The screen point of a command of the open popup menu, wherever the recent files put it.
bool PopupCommandPoint(HMENU menu, UINT command, POINT* point) {
  const MenuRecord* record = FindMenuRecord(menu);
  const HWND popup = GetActivePopupMenuWindow();
  if (record == nullptr || popup == nullptr) return false;
  for (int32_t i = 0; i < GetMenuItemCount(menu); ++i) {
    if (GetMenuItemID(menu, i) != command) continue;
    RECT area;
    GetWindowRect(popup, &area);
    *point = POINT{area.left + 20, area.top + 1 + PopupMenuItemTop(*record, i) + kMenuItemHeight / 2};
    return true;
  }
  return false;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The position of the menu bar's popup that holds `command`, or -1.
int32_t MenuBarPositionOf(HWND frame, UINT command) {
  const HMENU bar = GetMenu(frame);
  for (int32_t i = 0; i < GetMenuItemCount(bar); ++i)
    if (GetMenuState(GetSubMenu(bar, i), command, MF_BYCOMMAND) != static_cast<UINT>(-1)) return i;
  return -1;
}

std::string MenuItemText(HMENU menu, UINT command) {
  char text[128] = {};
  GetMenuString(menu, command, text, sizeof text, MF_BYCOMMAND);
  return text;
}

void PressWithControl(int32_t key) {
  InjectKey(VK_CONTROL, true);
  InjectKeyStroke(key);
  InjectKey(VK_CONTROL, false);
}

// The virtual clock moved on from another thread while the program is busy in a script, as the
// ticks of a real clock would move on; a tick is a sixtieth of a second.
class ClockMover {
 public:
  ClockMover()
      : thread_([this] {
          while (!stop_.load()) {
            AdvanceVirtualClock(17);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }) {}
  ~ClockMover() {
    stop_.store(true);
    thread_.join();
  }
  ClockMover(const ClockMover&) = delete;
  ClockMover& operator=(const ClockMover&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class StartupScriptRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    char config[] = "/tmp/yb-config-XXXXXX";
    ASSERT_NE(mkdtemp(config), nullptr);
    config_ = config;
    char program[] = "/tmp/yb-program-XXXXXX";
    ASSERT_NE(mkdtemp(program), nullptr);
    programFolder_ = program;
    // Where the program's entry would find its own folder.
    SetProgramDirectory((programFolder_ + "/").c_str());
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    StartupHooks() = TStartupHooks();
    SetProgramDirectory("");
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    fs::remove_all(config_, ignored);
    fs::remove_all(programFolder_, ignored);
  }
  void WriteStartupScript(const std::string& text) {
    std::ofstream(fs::path(programFolder_) / "qvstart.ybs", std::ios::binary) << text;
  }
  // The program's life with a world on the command line, its output captured; `user` plays the
  // user from the first idle moment of the event loop on (its step counts from 1).
  int32_t RunWithSample(TApp& app, const std::function<bool(int32_t step)>& user,
                        const char* sample = "spring-and-pin.yb") {
    app.SetConfigDirectory(config_);
    app.SetProgramDirectory(programFolder_);
    int32_t step = 0;
    SetIdleScript([&] { return user(++step); });
    CCommandLineInfo line;
    ParseCommandLine({Sample(sample)}, line);
    return app.RunProgram(line);
  }

  std::string config_;
  std::string programFolder_;
};

TEST_F(StartupScriptRunTest, RunsOnceTheDocumentIsOpenAndQuitFromTheMenuEndsScriptingWithZero) {
  WriteStartupScript(
      "Sub Main()\r\n  Print YB.Version\r\n  Print YB.Documents.Count\r\n"
      "  Print YB.ActiveDocument Is YB.Documents.Item(1)\r\n  Print YB.CurrentScriptPath\r\n"
      "End Sub\r\n");
  const std::string expected = std::string(TAPIApplication::kVersion) + "\n1\nTrue\n" +
                               programFolder_ + "/\n";
  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  int32_t code = -1;
  std::string printedAtStart;
  bool menuDuringRun = false;
  int32_t documentsDuringRun = -1;
  bool menuAfterExit = true;
  int32_t documentsAfterExit = -1;
  bool frontAfterExit = true;
  int32_t lastStep = 0;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    {
      TApp app;
      code = RunWithSample(app, [&](int32_t step) {
        lastStep = step;
        const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
        if (frame == nullptr) return false;
        if (step == 1) {
          // Start-up is over before the user can act: the script has spoken, no alert is up.
          printedAtStart = output.Text();
          menuDuringRun = ScriptsMenu::Current() != nullptr && scripting.Menu() != nullptr;
          documentsDuringRun = scripting.OpenDocuments()->GetCount();
          if (GetMessageBoxWindow() != nullptr) return false;
          Click(Centre(MenuBarItemRect(frame, 0)));  // File
          return true;
        }
        if (step == 2) {
          POINT quit;
          if (!PopupCommandPoint(GetSubMenu(GetMenu(frame), 0), kQuitCommand, &quit)) return false;
          Click(quit);
          return true;
        }
        return false;
      });
    }
    menuAfterExit = ScriptsMenu::Current() != nullptr || scripting.Menu() != nullptr;
    documentsAfterExit = scripting.OpenDocuments()->GetCount();
    frontAfterExit = scripting.FrontDocument() != nullptr;
  }
  output.Stop();
  // The terminators ran: the Scripts menu and its engine are gone, and the document's window
  // took the document out of the scripts' sight as it closed.
  EXPECT_FALSE(menuAfterExit);
  EXPECT_EQ(documentsAfterExit, 0);
  EXPECT_FALSE(frontAfterExit);
  const std::string printed = output.Text();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(lastStep, 2) << "the program ended at step " << lastStep << "; it printed:\n" << printed;
  EXPECT_EQ(printedAtStart, expected);
  EXPECT_EQ(printed, expected);
  EXPECT_TRUE(menuDuringRun);
  EXPECT_EQ(documentsDuringRun, 1);
}

TEST_F(StartupScriptRunTest, AScriptThatDoesNotCompileIsAnAlertOverTheFrameAndTheProgramGoesOn) {
  WriteStartupScript("Sub Main()\r\n  Print \"before\"\r\n  If Then\r\nEnd Sub\r\n");
  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  int32_t code = -1;
  std::string caption;
  bool ownedByFrame = false;
  bool frameActiveAfterAnswer = false;
  int32_t lastStep = 0;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      lastStep = step;
      const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
      if (frame == nullptr) return false;
      if (step == 1) {
        // The compile error is said while start-up runs the script, over the shown frame.
        const HWND box = GetMessageBoxWindow();
        if (box == nullptr) return false;
        caption = GetWindowTextString(box);
        ownedByFrame = GetWindow(box, GW_OWNER) == frame && IsWindowVisible(frame);
        InjectKeyStroke(VK_RETURN);
        return true;
      }
      if (step == 2) {
        frameActiveAfterAnswer = GetMessageBoxWindow() == nullptr && GetActiveWindow() == frame;
        Click(Centre(MenuBarItemRect(frame, 0)));  // File
        return true;
      }
      if (step == 3) {
        POINT quit;
        if (!PopupCommandPoint(GetSubMenu(GetMenu(frame), 0), kQuitCommand, &quit)) return false;
        Click(quit);
        return true;
      }
      return false;
    });
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(lastStep, 3) << "the program ended at step " << lastStep;
  EXPECT_EQ(caption, "Yarrowby Script");
  EXPECT_TRUE(ownedByFrame);
  EXPECT_TRUE(frameActiveAfterAnswer);
  // Nothing of a script that does not compile runs.
  EXPECT_EQ(output.Text(), "");
}

// The Scripts menu's commands come the user's way: its items are enabled by the menu set-up, an
// entry that the start-up script added runs its script, and New Script opens the script shell.
TEST_F(StartupScriptRunTest, TheScriptsMenuEnablesItsItemsAndAnswersItsCommands) {
  const std::string entryScript = programFolder_ + "/hello.ybs";
  std::ofstream(entryScript, std::ios::binary)
      << "Sub Main()\r\n  Print \"hello from the menu\"\r\nEnd Sub\r\n";
  WriteStartupScript("Sub Main()\r\n  YB.InsertMenuItem 1, \"Hello\", \"" + entryScript +
                     "\"\r\nEnd Sub\r\n");
  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  int32_t code = -1;
  bool runEnabled = false;
  bool newEnabled = false;
  bool openEnabled = false;
  std::string printedByEntry;
  bool shellClosedBefore = false;
  bool shellOpenAfterNew = false;
  bool shellWindowShown = false;
  int32_t lastStep = 0;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      lastStep = step;
      const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
      if (frame == nullptr || GetMessageBoxWindow() != nullptr) return false;
      if (step != 1) return false;
      app.Commands().SetupTheMenus();
      runEnabled = IsMenuCommandEnabled(5515);
      newEnabled = IsMenuCommandEnabled(5503);
      openEnabled = IsMenuCommandEnabled(5504);
      const std::string before = output.Text();
      SendMessage(frame, WM_COMMAND, 5521, 0);
      printedByEntry = output.Text().substr(before.size());
      TScriptShell* const shell = scripting.Menu() != nullptr ? scripting.Menu()->GetShell() : nullptr;
      if (shell == nullptr) return false;
      shellClosedBefore = !shell->IsOpen();
      SendMessage(frame, WM_COMMAND, 5503, 0);
      shellOpenAfterNew = shell->IsOpen();
      shellWindowShown = ShellState().mainWindow != nullptr && IsWindowVisible(ShellState().mainWindow);
      // Quitting closes the unchanged new script's shell without a question and ends the program.
      SendMessage(frame, WM_COMMAND, kQuitCommand, 0);
      return true;
    });
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(lastStep, 1) << "the program ended at step " << lastStep;
  EXPECT_TRUE(runEnabled);
  EXPECT_TRUE(newEnabled);
  EXPECT_TRUE(openEnabled);
  EXPECT_EQ(printedByEntry, "hello from the menu\n");
  EXPECT_TRUE(shellClosedBefore);
  EXPECT_TRUE(shellOpenAfterNew);
  EXPECT_TRUE(shellWindowShown);
}

// The Scripts menu and the Script Editor in the running program, every step a user's: the start-up
// script adds two entries; the menu shows them; Open Script, its file dialog answered, opens a
// script in the editor; typed keys change it and Ctrl+S saves it; Start runs it; a breakpoint
// stops a second run with a watch showing the variable, and Continue ends it; the endless entry
// is stopped by holding Ctrl+C while the ticks go by, and the program answers its menus again.
TEST_F(StartupScriptRunTest, TheScriptEditorOpensEditsSavesRunsAndStopsScriptsFromTheScriptsMenu) {
  const fs::path edited = fs::path(programFolder_) / "edited.ybs";
  std::ofstream(edited, std::ios::binary) << "Sub Main()\r\n  Dim n As Integer\r\n  n = 5\r\n  Print n\r\nEnd Sub\r\n";
  const fs::path endless = fs::path(programFolder_) / "endless.ybs";
  std::ofstream(endless, std::ios::binary)
      << "Sub Main()\r\n  Dim n As Long\r\n  Print \"looping\"\r\n  Do\r\n    n = n + 1\r\n  Loop\r\nEnd Sub\r\n";
  WriteStartupScript("Sub Main()\r\n  YB.InsertMenuItem 1, \"Edited\", \"" + edited.string() +
                     "\"\r\n  YB.InsertMenuItem 2, \"Endless\", \"" + endless.string() + "\"\r\nEnd Sub\r\n");
  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  int32_t code = -1;
  std::vector<std::string> entries;
  std::string title;
  std::string savedBytes;
  std::string printedByStart;
  int32_t stoppedState = -1;
  std::string watch;
  std::string printedAfterContinue;
  int32_t stateAfterContinue = -1;
  bool endlessReturned = false;
  std::string printedByEndless;
  int32_t lastStep = 0;
  std::string mark;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      lastStep = step;
      const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
      if (frame == nullptr) return false;
      const int32_t scripts = MenuBarPositionOf(frame, 5504);
      const HWND edit = ShellState().editWindow;
      switch (step) {
        case 1:  // the Scripts menu opens
          if (scripts < 0 || GetMessageBoxWindow() != nullptr) return false;
          Click(Centre(MenuBarItemRect(frame, scripts)));
          return true;
        case 2: {  // it shows the two entries; Open Script
          const HMENU menu = GetSubMenu(GetMenu(frame), scripts);
          entries = {MenuItemText(menu, 5521), MenuItemText(menu, 5522)};
          POINT open;
          if (!PopupCommandPoint(menu, 5504, &open)) return false;
          Click(open);
          return true;
        }
        case 3:  // the file dialog is answered with the script's path
          if (GetOpenFileDialogWindow() == nullptr) return false;
          for (const char c : edited.string()) InjectCharacter(static_cast<uint8_t>(c));
          InjectKeyStroke(VK_RETURN);
          return true;
        case 4: {  // "n = 5" becomes "n = 50" by a typed key, and Ctrl+S saves it
          if (edit == nullptr) return false;
          title = GetWindowTextString(ShellState().mainWindow);
          SetFocus(ScriptEditTextWindow(edit));
          ScriptEditCommand(edit, kEditSetCaret, 0, -static_cast<int32_t>(std::string("Sub Main()\r\n  Dim n As Integer\r\n  n = 5").size()));
          InjectCharacter('0');
          PressWithControl('S');
          return true;
        }
        case 5:  // Start runs it
          savedBytes = ReadFile(edited);
          mark = output.Text();
          SendMessage(ShellState().mainWindow, WM_COMMAND, 603, 0);
          printedByStart = output.Text().substr(mark.size());
          // A breakpoint on the Print line and a watch on n, then Start again.
          ScriptEditCommand(edit, kEditGoToLine, 0, 4);
          SendMessage(ShellState().mainWindow, WM_COMMAND, 704, 0);
          ScriptEditCommand(edit, kEditSetCaret, 0, -static_cast<int32_t>(std::string("Sub Main()\r\n  Dim n As Integer\r\n  ").size()));
          SendMessage(ShellState().mainWindow, WM_COMMAND, 705, 0);
          mark = output.Text();
          PostMessage(ShellState().mainWindow, WM_COMMAND, 603, 0);
          return true;
        case 6: {  // stopped at the breakpoint: the watch shows n; Continue
          stoppedState = static_cast<int32_t>(ScriptEditCommand(edit, kEditRunState, 0, 0));
          if (stoppedState != 1) return false;
          char line[64] = {};
          SendMessage(ScriptEditWatchWindow(edit), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
          watch = line;
          PostMessage(ShellState().mainWindow, WM_COMMAND, 707, 0);
          return true;
        }
        case 7: {  // the run has ended; the endless entry, with Ctrl+C held while the ticks go by
          stateAfterContinue = static_cast<int32_t>(ScriptEditCommand(edit, kEditRunState, 0, 0));
          if (stateAfterContinue != 0) return false;
          printedAfterContinue = output.Text().substr(mark.size());
          InjectKey(VK_CONTROL, true);
          InjectKey('C', true);
          mark = output.Text();
          {
            ClockMover ticks;
            SendMessage(frame, WM_COMMAND, 5522, 0);
          }
          endlessReturned = true;
          printedByEndless = output.Text().substr(mark.size());
          InjectKey('C', false);
          InjectKey(VK_CONTROL, false);
          // The user closes the editor (nothing changed since the save) and quits from the menu.
          SendMessage(ShellState().mainWindow, WM_CLOSE, 0, 0);
          Click(Centre(MenuBarItemRect(frame, 0)));  // File
          return true;
        }
        case 8: {
          POINT quit;
          if (!PopupCommandPoint(GetSubMenu(GetMenu(frame), 0), kQuitCommand, &quit)) return false;
          Click(quit);
          return true;
        }
        default: return false;
      }
    });
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(lastStep, 8) << "the program ended at step " << lastStep;
  EXPECT_EQ(entries, (std::vector<std::string>{"Edited", "Endless"}));
  EXPECT_EQ(title, "Script Editor - edited.ybs");
  EXPECT_EQ(savedBytes, "Sub Main()\r\n  Dim n As Integer\r\n  n = 50\r\n  Print n\r\nEnd Sub\r\n");
  EXPECT_EQ(printedByStart, "50\n");
  EXPECT_EQ(stoppedState, 1);
  EXPECT_EQ(watch, "n = 50");
  EXPECT_EQ(stateAfterContinue, 0);
  EXPECT_EQ(printedAfterContinue, "50\n");
  EXPECT_TRUE(endlessReturned);
  EXPECT_EQ(printedByEndless, "looping\n");
}

// A script switches the document window's furniture as the world's menu does: rulers, tape and
// coordinates bar appear in the window, a second setting to the same value changes nothing, and
// the switches read back what the window shows.
TEST_F(StartupScriptRunTest, AScriptSwitchesTheDocumentWindowsFurnitureAsTheMenuDoes) {
  WriteStartupScript(
      "Sub Main()\r\n  Dim d As YBDocument\r\n  Set d = YB.ActiveDocument\r\n"
      "  Print d.ShowRulers; d.ShowTapeControl; d.ShowCoordinates; d.ShowToolPalette\r\n"
      "  d.ShowRulers = True\r\n  d.ShowRulers = True\r\n  d.ShowTapeControl = True\r\n"
      "  d.ShowCoordinates = True\r\n  d.ShowScrollBars = False\r\n"
      "  Print d.ShowRulers; d.ShowTapeControl; d.ShowCoordinates; d.ShowScrollBars\r\n"
      "End Sub\r\n");
  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  bool rulers = false;
  bool tape = false;
  bool coordinates = false;
  bool scrollBars = true;
  int32_t code = -1;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      if (step != 1) return false;
      TQVDoc* document = scripting.FrontDocument();
      auto* window = document != nullptr ? dynamic_cast<TWorldWindow*>(document->World().GetDisplay())
                                         : nullptr;
      if (window != nullptr) {
        rulers = window->HRuler() != nullptr && window->VRuler() != nullptr;
        tape = window->FrameIndicator() != nullptr;
        coordinates = window->CoordsBar() != nullptr;
        scrollBars = window->HScrollBar() != nullptr || window->VScrollBar() != nullptr;
      }
      // Nothing to save: the switches were the script's, so the question is answered No.
      if (document != nullptr) document->SetChangeCount(0);
      SendMessage(app.MainFrame()->m_hWnd, WM_COMMAND, kQuitCommand, 0);
      return true;
    });
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(output.Text(), "FalseFalseFalseTrue\nTrueTrueTrueFalse\n");
  EXPECT_TRUE(rulers);
  EXPECT_TRUE(tape);
  EXPECT_TRUE(coordinates);
  EXPECT_FALSE(scrollBars);
}

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// The circle of the sample world.
constexpr int16_t kCircleId = 6;

// File > Export in the running program: after three recorded frames the export dialog of the
// front world opens, the DXF kind is chosen and a name typed, and drawings of the run are
// written.
TEST_F(StartupScriptRunTest, TheExportItemWritesTheFrontWorldsRunAsDrawings) {
  const fs::path folder = fs::path(programFolder_) / "out";
  fs::create_directories(folder);
  int32_t code = -1;
  int32_t lastStep = 0;
  bool enabled = false;
  bool quitSent = false;
  TVector shown{};  // where the circle stands in the frame shown at the end
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      lastStep = step;
      const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
      if (frame == nullptr) return false;
      switch (step) {
        case 1:
          for (int i = 0; i < 3; ++i) SendMessage(frame, WM_COMMAND, 1101, 0);
          return true;
        case 2:
          // The steps are performed from the queue first.
          if (app.CurrentRunCommand() != nullptr) return true;
          app.Commands().SetupTheMenus();
          enabled = IsMenuCommandEnabled(1700);
          PostMessage(frame, WM_COMMAND, 1700, 0);
          return true;
        case 3: {
          const HWND dialog = GetOpenFileDialogWindow();
          if (dialog == nullptr) return false;
          const HWND kinds = GetDlgItem(dialog, kExportKindListId);
          SendMessage(kinds, CB_SETCURSEL, 1, 0);
          SendMessage(dialog, WM_COMMAND, MAKELPARAM(kExportKindListId, CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(kinds));
          // The proposed name (the document's) goes first.
          for (int i = 0; i < 64; ++i) InjectKeyStroke(VK_BACK);
          for (const char c : (folder / "run").string()) InjectCharacter(static_cast<uint8_t>(c));
          InjectKeyStroke(VK_RETURN);
          return true;
        }
        default:
          if (quitSent || GetOpenFileDialogWindow() != nullptr || GetMessageBoxWindow() != nullptr)
            return false;
          // The drawings are written as the export replays the run.
          if (app.CurrentRunCommand() != nullptr) return true;
          if (TQVDoc* document = scripting.FrontDocument()) {
            if (auto* circle = dynamic_cast<TOval*>(document->World().FindObject(kCircleId)))
              circle->GetPosition(shown);
            document->SetChangeCount(0);
          }
          quitSent = true;
          SendMessage(frame, WM_COMMAND, kQuitCommand, 0);
          return true;
      }
    });
  }
  EXPECT_EQ(code, 0);
  EXPECT_GE(lastStep, 4);
  EXPECT_TRUE(enabled);
  std::vector<fs::path> drawings;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".dxf") drawings.push_back(entry.path());
  }
  ASSERT_FALSE(drawings.empty());
  std::sort(drawings.begin(), drawings.end());
  if (Shell("/usr/bin/python3 -c 'import ezdxf' 2>&1").empty()) {
    // A DXF reader finds the circle in every drawing, in the last one where the window shows it.
    double x = 0;
    double y = 0;
    for (const fs::path& drawing : drawings) {
      const std::string circles = Shell(
          "/usr/bin/python3 -c \"import ezdxf,sys\n"
          "for e in ezdxf.readfile(sys.argv[1]).modelspace().query('CIRCLE'):\n"
          "  print(e.dxf.center.x, e.dxf.center.y)\" '" + drawing.string() + "'");
      ASSERT_EQ(std::sscanf(circles.c_str(), "%lf %lf", &x, &y), 2) << drawing;
    }
    EXPECT_NEAR(x, shown.x, 1e-3);
    EXPECT_NEAR(y, shown.y, 1e-3);
  }
}

// One decoded frame of a movie as RGB bytes.
std::string MovieFrame(const fs::path& movie, int32_t index) {
  return Shell("ffmpeg -v error -i '" + movie.string() + "' -vf 'select=eq(n\\," +
               std::to_string(index) +
               ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
}

// The world window's off-screen picture as RGB bytes, row by row from the top.
std::string ViewPicture(TWorldDoc& world, int16_t& width, int16_t& height) {
  std::string rgb;
  auto* window = dynamic_cast<TWorldWindow*>(world.GetDisplay());
  if (window == nullptr || window->Manager() == nullptr) return rgb;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  window->Manager()->GetBufferInfo(1, &dc, &bitmap, &width, &height);
  if (dc == nullptr) return rgb;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const COLORREF colour = GetPixel(dc, x, y);
      rgb += static_cast<char>(GetRValue(colour));
      rgb += static_cast<char>(GetGValue(colour));
      rgb += static_cast<char>(GetBValue(colour));
    }
  }
  return rgb;
}

// File > Export records the pendulum's run as a movie: the kind chosen in the export dialog, the
// world window's own frames, each written as often as asked, and the last one the very pixels
// the window shows at the end.
TEST_F(StartupScriptRunTest, TheExportItemRecordsTheFrontWorldsRunAsAMovie) {
  if (Shell("command -v ffprobe").empty()) GTEST_SKIP() << "ffprobe is missing";
  const fs::path movie = fs::path(programFolder_) / "swing.avi";
  int32_t code = -1;
  int32_t lastStep = 0;
  bool quitSent = false;
  std::string settingsTitle;
  std::string view;
  int16_t width = 0;
  int16_t height = 0;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(
        app,
        [&](int32_t step) {
          lastStep = step;
          const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
          TQVDoc* document = scripting.FrontDocument();
          if (frame == nullptr || document == nullptr) return false;
          switch (step) {
            case 1:
              for (int i = 0; i < 4; ++i) SendMessage(frame, WM_COMMAND, 1101, 0);
              return true;
            case 2:
              if (app.CurrentRunCommand() != nullptr) return true;
              PostMessage(frame, WM_COMMAND, 1700, 0);
              return true;
            case 3: {
              const HWND dialog = GetOpenFileDialogWindow();
              if (dialog == nullptr) return false;
              const HWND kinds = GetDlgItem(dialog, kExportKindListId);
              SendMessage(kinds, CB_SETCURSEL, 2, 0);
              SendMessage(dialog, WM_COMMAND, MAKELPARAM(kExportKindListId, CBN_SELCHANGE),
                          reinterpret_cast<LPARAM>(kinds));
              PostMessage(dialog, WM_COMMAND, MAKELPARAM(kExportOptionsId, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog, kExportOptionsId)));
              return true;
            }
            case 4:
            case 5: {
              // The movie's settings: each frame twice, at 24 bits.
              const HWND settings = GetActiveWindow();
              if (settings == nullptr || settings == GetOpenFileDialogWindow()) return false;
              settingsTitle = GetWindowTextString(settings);
              const HWND edit = GetDlgItem(settings, step == 4 ? 117 : 118);
              if (edit == nullptr) return false;
              SetFocus(edit);
              SendMessage(edit, EM_SETSEL, 0, -1);
              for (const char c : std::string(step == 4 ? "2" : "24"))
                InjectCharacter(static_cast<uint8_t>(c));
              if (step == 5) InjectKeyStroke(VK_RETURN);
              return true;
            }
            case 6: {
              const HWND dialog = GetOpenFileDialogWindow();
              if (dialog == nullptr || GetActiveWindow() != dialog) return false;
              SetWindowText(GetDlgItem(dialog, kExportStartFrameId), "1");
              SetWindowText(GetDlgItem(dialog, kExportStopFrameId), "4");
              for (int i = 0; i < 64; ++i) InjectKeyStroke(VK_BACK);
              for (const char c : (fs::path(programFolder_) / "swing").string())
                InjectCharacter(static_cast<uint8_t>(c));
              InjectKeyStroke(VK_RETURN);
              return true;
            }
            default:
              if (quitSent || GetOpenFileDialogWindow() != nullptr ||
                  GetMessageBoxWindow() != nullptr)
                return false;
              if (app.CurrentRunCommand() != nullptr) return true;
              if (view.empty()) view = ViewPicture(document->World(), width, height);
              document->SetChangeCount(0);
              quitSent = true;
              SendMessage(frame, WM_COMMAND, kQuitCommand, 0);
              return true;
          }
        },
        "pendulum.yb");
  }
  EXPECT_EQ(code, 0);
  EXPECT_GE(lastStep, 7);
  EXPECT_EQ(settingsTitle, "Movie Export Options");
  ASSERT_TRUE(fs::exists(movie));
  const int32_t frames = 4;  // 1 to 4
  ASSERT_GT(width, 0);
  const std::string probe =
      Shell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=nb_read_frames,r_frame_rate,width,height -of default=nw=1 '" +
            movie.string() + "'");
  EXPECT_NE(probe.find("width=" + std::to_string(width)), std::string::npos) << probe;
  EXPECT_NE(probe.find("height=" + std::to_string(height)), std::string::npos) << probe;
  EXPECT_NE(probe.find("r_frame_rate=10/1"), std::string::npos) << probe;
  EXPECT_NE(probe.find("nb_read_frames=" + std::to_string(2 * frames)), std::string::npos)
      << probe;
  // The pendulum swings: the movie's first and last frames differ, and the last one is what
  // the window shows now.
  const std::string first = MovieFrame(movie, 0);
  const std::string last = MovieFrame(movie, 2 * frames - 1);
  ASSERT_EQ(last.size(), view.size());
  EXPECT_NE(first, last);
  EXPECT_TRUE(last == view);
}

}  // namespace
