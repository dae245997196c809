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
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/TApp.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/Field.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "exchange/dde/DocManagers.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/Formula.h"
#include "tools/samples/SampleBuilder.h"
#include "tools/samples/SampleWorlds.h"
#include "app/frames/MainFrame.h"
#include "app/shell/MenuBar.h"
#include "app/shell/ProgramScripting.h"
#include "app/shell/StartupHooks.h"
#include "bodies/Shapes.h"
#include "basic/editor/ScriptEditWindow.h"
#include "exchange/export/ExportCommand.h"
#include "core/Keys.h"
#include "platform/win32/Accelerator.h"
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

// Whether the main frame's key table has a key for the command.
bool FrameHasKeyFor(CFrameWnd& frame, WORD command) {
  ACCEL entries[128];
  const int32_t count = CopyAcceleratorTable(frame.GetDefaultAccelerator(), entries, 128);
  for (int32_t i = 0; i < count; ++i)
    if (entries[i].cmd == command) return true;
  return false;
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
                        const std::string& document = Sample("spring-and-pin.yb")) {
    app.SetConfigDirectory(config_);
    app.SetProgramDirectory(programFolder_);
    int32_t step = 0;
    SetIdleScript([&] { return user(++step); });
    CCommandLineInfo line;
    ParseCommandLine({document}, line);
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
  bool shellKeysWhileEditing = false;
  bool shellKeysAfterClose = true;
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
          shellKeysWhileEditing = FrameHasKeyFor(*app.MainFrame(), 102);
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
          shellKeysAfterClose = FrameHasKeyFor(*app.MainFrame(), 102);
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
  EXPECT_TRUE(shellKeysWhileEditing) << "the frame holds the editor's keys while it is active";
  EXPECT_FALSE(shellKeysAfterClose) << "and its own once the editor is closed";
  EXPECT_EQ(savedBytes, "Sub Main()\r\n  Dim n As Integer\r\n  n = 50\r\n  Print n\r\nEnd Sub\r\n");
  EXPECT_EQ(printedByStart, "50\n");
  EXPECT_EQ(stoppedState, 1);
  EXPECT_EQ(watch, "n = 50");
  EXPECT_EQ(stateAfterContinue, 0);
  EXPECT_EQ(printedAfterContinue, "50\n");
  EXPECT_TRUE(endlessReturned);
  EXPECT_EQ(printedByEndless, "looping\n");
}

// A script switches the document window's furniture as the world's menu does: in a world whose
// window shows none, rulers, tape and coordinates bar appear, a second setting to the same value changes nothing, and
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
    }, Sample("pendulum.yb"));
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  // The tool palette shows as it starts, the display bar hidden.
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
          enabled = IsMenuCommandEnabled(1700) && IsMenuCommandEnabled(1701);
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

// The world's link items are offered with a world in front, and Link to External Table waits for
// the press that places the table document.
TEST_F(StartupScriptRunTest, TheLinkItemsAreOfferedAndLinkToExternalTableWaitsForThePress) {
  int32_t code = -1;
  bool enabled = false;
  int16_t tool = 0;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      const HWND frame = app.MainFrame() != nullptr ? app.MainFrame()->m_hWnd : nullptr;
      TQVDoc* document = scripting.FrontDocument();
      if (frame == nullptr || document == nullptr) return false;
      if (step == 1) {
        app.Commands().SetupTheMenus();
        enabled = true;
        for (int32_t command = 1130; command <= 1135; ++command)
          enabled = enabled && IsMenuCommandEnabled(command);
        SendMessage(frame, WM_COMMAND, 1130, 0);
        return true;
      }
      tool = document->World().GetCurrentTool();
      document->SetChangeCount(0);
      SendMessage(frame, WM_COMMAND, kQuitCommand, 0);
      return true;
    });
  }
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(tool, kPlaceExternalTableTool);
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
        Sample("pendulum.yb"));
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

// ---- A script walks and edits every kind of object of a world ----

// The spring-and-pin sample with a polygon on a rod from the background, an input and a meter.
constexpr int16_t kPolygonId = 20;
constexpr int16_t kOutlineId = 21;
constexpr int16_t kRodId = 22;
constexpr int16_t kRodBaseId = 23;
constexpr int16_t kRodTopId = 24;
constexpr int16_t kInputId = 30;
constexpr int16_t kMeterId = 31;

// Writes the document that make gives, made while the program's units are up.
void WriteWorld(const std::string& path, const std::function<std::unique_ptr<TQVDoc>()>& make) {
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  make()->WriteDocument(path);
  app.TermUnits();
  app.FreeResourceDlls();
}

std::unique_ptr<TQVDoc> MakeWalkedWorld() {
  using namespace sample_worlds;
  std::unique_ptr<TQVDoc> document = MakeSpringAndPin();
  TWorldDoc& world = document->World();
  auto& outline = Add<TTable>(world, kOutlineId);
  for (const TVector& vertex : {TVector(-0.5, -0.5), TVector(0.5, -0.5), TVector(0.0, 0.5)})
    outline.AppendPoint(vertex);
  auto& polygon = Add<TPolygon>(world, kPolygonId);
  polygon.SetCentroidValid(1);
  polygon.LinkVertexTable(&outline);
  polygon.SetFormulaProperty(body_tags::kTagPosX, TFormula(3.0));
  polygon.SetFormulaProperty(body_tags::kTagPosY, TFormula(1.0));
  auto* background = static_cast<TMass*>(world.FindObject(kBackgroundId));
  TPoint& base = AddPoint(world, kRodBaseId, *background, {3.0, 3.0});
  TPoint& top = AddPoint(world, kRodTopId, polygon, {0.0, 0.0});
  auto& rod = Add<TRod>(world, kRodId);
  rod.AttachObject(&base);
  rod.AttachObject(&top);
  rod.Quantity().SetConstant(2.0);
  auto& input = Add<TInput>(world, kInputId);
  input.SetKind(TInputKind::kSlider);
  input.SetMinMax(0.0, 5.0);
  Add<TOutput>(world, kMeterId).SetColumnCount(2);
  return document;
}

template <class T>
T& Object(TWorldDoc& world, int16_t identifier) {
  auto* object = dynamic_cast<T*>(world.FindObject(identifier));
  if (object == nullptr) throw std::runtime_error("no object " + std::to_string(identifier));
  return *object;
}

std::string Text(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// One edit a script makes, and what of the world it changes, read in C++.
struct ScriptEdit {
  std::string statement;
  std::function<std::string(TWorldDoc&)> state;
};

std::vector<ScriptEdit> WorldEdits() {
  return {
      {"d.Body(6).PY.Formula = \"-1-0.25\"",
       [](TWorldDoc& world) {
         Str255 text;
         Object<TOval>(world, sample_worlds::kWheelId)
             .GetFormulaProperty(body_tags::kTagPosY, nullptr, nullptr, nullptr, nullptr)
             ->GetText(text);
         return std::string(text.Chars());
       }},
      // The vertex comes in three steps (a copy, then each coordinate): one undo takes back the
      // last.
      {"d.Body(20).AddVertex 2, 0.25, -0.75",
       [](TWorldDoc& world) {
         auto& polygon = Object<TPolygon>(world, kPolygonId);
         TVector vertex;
         polygon.GetVertex(2, vertex);
         return std::to_string(polygon.GetVertices()->GetCount()) + " " + Text(vertex.x) + " " +
                Text(vertex.y);
       }},
      {"d.Point(4).GlobalPX = 1.75",
       [](TWorldDoc& world) { return Text(Object<TPoint>(world, 4).GetWorldXY().x); }},
      {"d.Input(30).Format = \"Button\"",
       [](TWorldDoc& world) {
         return std::to_string(static_cast<int>(Object<TInput>(world, kInputId).GetKind()));
       }},
      {"Print d.Output(31).Column(2).Label = \"\"",
       [](TWorldDoc& world) {
         return std::to_string(Object<TOutput>(world, kMeterId).GetColumnCount());
       }},
  };
}

// What the walk prints of each object: "<letter> <id> <kind> [numbers]".
constexpr const char* kWalk =
    "Sub Main()\r\n  Dim d As YBDocument\r\n  Set d = YB.ActiveDocument\r\n  Dim i As Integer\r\n"
    "  For i = 1 To d.Objects.Count\r\n    Print \"O \"; d.Objects(i).ID; \" \"; d.Objects(i).Kind\r\n"
    "  Next i\r\n  Dim b As YBBody\r\n  For i = 1 To d.Bodies.Count\r\n    Set b = d.Bodies(i)\r\n"
    "    Print \"B \"; b.ID; \" \"; b.Kind; \" \"; b.PX.Value; \" \"; b.PY.Value\r\n  Next i\r\n"
    "  Dim p As YBPoint\r\n  For i = 1 To d.Points.Count\r\n    Set p = d.Points(i)\r\n"
    "    Print \"P \"; p.ID; \" \"; p.Kind; \" \"; p.GlobalPX; \" \"; p.GlobalPY\r\n  Next i\r\n"
    "  Dim c As YBConstraint\r\n  For i = 1 To d.Constraints.Count\r\n"
    "    Set c = d.Constraints(i)\r\n    Print \"C \"; c.ID; \" \"; c.Kind\r\n  Next i\r\n"
    "  Print \"Q 5 \"; d.Constraint(5).K.Value; \" \"; d.Constraint(5).Length.Value\r\n"
    "  Print \"Q 22 \"; d.Constraint(22).Length.Value; \" 0\"\r\n"
    "  Print \"I \"; d.Input(30).ID; \" \"; d.Input(30).Format; \" \"; d.Input(30).Min; \" \"; "
    "d.Input(30).Max\r\n"
    "  Print \"M \"; d.Output(31).ID; \" \"; d.Output(31).Format; \" \"; "
    "d.Output(31).ColumnCount\r\nEnd Sub\r\n";

TEST_F(StartupScriptRunTest, AScriptWalksEveryObjectAndItsEditsUndoRedoSaveAndReopen) {
  const std::string world = programFolder_ + "/walked.yb";
  WriteWorld(world, MakeWalkedWorld);
  const std::vector<ScriptEdit> edits = WorldEdits();
  std::string entries;
  for (size_t k = 0; k < edits.size(); ++k) {
    const std::string path = programFolder_ + "/edit" + std::to_string(k + 1) + ".ybs";
    std::ofstream(path, std::ios::binary)
        << "Sub Main()\r\n  Dim d As YBDocument\r\n  Set d = YB.ActiveDocument\r\n  "
        << edits[k].statement << "\r\nEnd Sub\r\n";
    entries += "  YB.InsertMenuItem " + std::to_string(k + 1) + ", \"Edit " +
               std::to_string(k + 1) + "\", \"" + path + "\"\r\n";
  }
  std::string walk = kWalk;
  walk.insert(walk.find("End Sub"), entries);
  WriteStartupScript(walk);

  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  std::string walked;
  std::map<int16_t, std::string> expectedKinds;
  std::map<int16_t, std::pair<double, double>> places;
  std::pair<double, double> springQuantities;
  double rodLength = 0.0;
  // For each edit: the world before, after, undone and redone.
  std::vector<std::vector<std::string>> states(edits.size());
  int32_t code = -1;
  int32_t lastStep = 0;
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
          if (frame == nullptr || document == nullptr || GetMessageBoxWindow() != nullptr)
            return false;
          if (step != 1) return false;
          walked = output.Text();
          TWorldDoc& w = document->World();
          for (int16_t id : {sample_worlds::kBoxId, sample_worlds::kWheelId, kPolygonId}) {
            TVector at;
            Object<TMass>(w, id).GetPosition(at);
            places[id] = {at.x, at.y};
          }
          auto& spring = Object<TLSpring>(w, sample_worlds::kSpringId);
          springQuantities = {spring.Quantity().GetValue(), spring.RestValue().GetValue()};
          rodLength = Object<TRod>(w, kRodId).Quantity().GetValue();
          for (int16_t id : std::initializer_list<int16_t>{3, 4, 7, 8, kRodBaseId, kRodTopId})
            places[id] = {Object<TPoint>(w, id).GetWorldXY().x, Object<TPoint>(w, id).GetWorldXY().y};
          for (size_t k = 0; k < edits.size(); ++k) {
            states[k].push_back(edits[k].state(w));
            SendMessage(frame, WM_COMMAND, static_cast<WPARAM>(5521 + k), 0);
            states[k].push_back(edits[k].state(w));
            SendMessage(frame, WM_COMMAND, 101, 0);  // Undo
            states[k].push_back(edits[k].state(w));
            SendMessage(frame, WM_COMMAND, 101, 0);  // Redo
            states[k].push_back(edits[k].state(w));
          }
          SendMessage(frame, WM_COMMAND, 30, 0);  // Save
          SendMessage(frame, WM_COMMAND, kQuitCommand, 0);
          return true;
        },
        world);
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(lastStep, 1) << "the program ended at step " << lastStep;

  // The walk: every object a script sees, by kind, with its place as the world has it.
  std::istringstream lines(walked);
  std::map<int16_t, std::string> objects;
  std::map<int16_t, std::string> kinds;
  std::map<int16_t, std::pair<double, double>> quantities;
  std::string letter;
  std::string input;
  std::string meter;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    int16_t id = 0;
    std::string kind;
    fields >> letter >> id >> kind;
    if (letter == "O") objects[id] = kind;
    if (letter == "B" || letter == "C" || letter == "P") kinds[id] = kind;
    if (letter == "B" || letter == "P") {
      double x = 0.0;
      double y = 0.0;
      fields >> x >> y;
      ASSERT_EQ(places.count(id), 1u) << line;
      EXPECT_NEAR(x, places[id].first, 1e-12) << line;
      EXPECT_NEAR(y, places[id].second, 1e-12) << line;
    }
    if (letter == "Q") {
      double first = 0.0;
      double second = 0.0;
      std::istringstream(kind) >> first;
      fields >> second;
      quantities[id] = {first, second};
    }
    if (letter == "I") input = line;
    if (letter == "M") meter = line;
  }
  EXPECT_EQ(objects, (std::map<int16_t, std::string>{
                         {2, "body"}, {3, "point"}, {4, "point"}, {5, "constraint"},
                         {6, "body"}, {7, "point"}, {8, "point"}, {9, "constraint"},
                         {20, "body"}, {22, "constraint"}, {23, "point"}, {24, "point"},
                         {30, "input"}, {31, "output"}}))
      << walked;
  EXPECT_EQ(kinds, (std::map<int16_t, std::string>{
                       {2, "rectangle"}, {3, "point"}, {4, "point"}, {5, "spring"},
                       {6, "circle"}, {7, "point"}, {8, "point"}, {9, "pin"},
                       {20, "polygon"}, {22, "rod"}, {23, "point"}, {24, "point"}}))
      << walked;
  EXPECT_EQ(quantities, (std::map<int16_t, std::pair<double, double>>{
                            {sample_worlds::kSpringId, springQuantities},
                            {kRodId, {rodLength, 0.0}}}))
      << walked;
  EXPECT_EQ(input, "I 30 slider 0 5");
  EXPECT_EQ(meter, "M 31 digital 2");

  // Each edit changed the world, undo took it back and redo made it again.
  ASSERT_EQ(states.size(), edits.size());
  std::vector<std::string> edited;
  for (size_t k = 0; k < edits.size(); ++k) {
    ASSERT_EQ(states[k].size(), 4u) << edits[k].statement;
    EXPECT_NE(states[k][1], states[k][0]) << edits[k].statement;
    EXPECT_EQ(states[k][2], states[k][0]) << edits[k].statement;
    EXPECT_EQ(states[k][3], states[k][1]) << edits[k].statement;
    edited.push_back(states[k][1]);
  }
  EXPECT_EQ(edited, (std::vector<std::string>{"-1-0.25", "4 0.25 -0.75", "1.75", "3", "3"}));

  // Saved and opened again, the world holds every edit.
  TApp reader;
  reader.LoadResourceDlls();
  reader.InitUnits();
  {
    TQVDoc reopened;
    reopened.ReadDocument(world);
    for (size_t k = 0; k < edits.size(); ++k)
      EXPECT_EQ(edits[k].state(reopened.World()), edited[k]) << edits[k].statement;
  }
  reader.TermUnits();
  reader.FreeResourceDlls();
}

// ---- A pendulum a script builds from nothing ----

constexpr double kPendulumGravity = 9.81;
constexpr double kPendulumLength = 1.0;
constexpr double kStartAngle = std::numbers::pi / 18.0;  // 10 degrees

// 2 pi sqrt(L / g) over the arithmetic-geometric mean of 1 and cos(angle / 2).
double ExactPeriod(double length, double angle) {
  double a = 1.0;
  double b = std::cos(angle / 2.0);
  while (std::abs(a - b) > 1e-16) {
    const double mean = (a + b) / 2.0;
    b = std::sqrt(a * b);
    a = mean;
  }
  return 2.0 * std::numbers::pi * std::sqrt(length / kPendulumGravity) / a;
}

struct Swing {
  double t = 0.0;
  double x = 0.0;
  double v = 0.0;
};

// The time in [a.t, b.t] where the cubic through both ends' values and rates is zero.
double Crossing(const Swing& a, const Swing& b) {
  const double h = b.t - a.t;
  const auto at = [&](double s) {
    const double s2 = s * s;
    const double s3 = s2 * s;
    return (2 * s3 - 3 * s2 + 1) * a.x + (s3 - 2 * s2 + s) * h * a.v + (-2 * s3 + 3 * s2) * b.x +
           (s3 - s2) * h * b.v;
  };
  double lo = 0.0;
  double hi = 1.0;
  for (int i = 0; i < 100; ++i) {
    const double mid = (lo + hi) / 2.0;
    ((at(mid) > 0.0) == (a.x > 0.0) ? lo : hi) = mid;
  }
  return a.t + h * (lo + hi) / 2.0;
}

// A world with nothing in it but its gravity, switched off: the script switches it on, makes a
// circle and a rod, places them through their cells (one position given as a formula) and runs
// the world frame by frame, printing every frame's position and speed.
constexpr const char* kPendulum =
    "Sub Main()\r\n"
    "  Dim d As YBDocument\r\n"
    "  Set d = YB.ActiveDocument\r\n"
    "  d.Gravity = \"linear\"\r\n"
    "  d.LinearGravityConst = 9.81\r\n"
    "  d.SimulationMode = \"accurate\"\r\n"
    "  Dim b As YBBody\r\n"
    "  Set b = d.NewBody(\"circle\")\r\n"
    "  b.PX.Value = Sin(3.14159265358979 / 18)\r\n"
    "  b.PY.Formula = \"-cos(pi/18)\"\r\n"
    "  Dim r As YBConstraint\r\n"
    "  Set r = d.NewConstraint(\"rod\")\r\n"
    "  r.BasePoint.PX.Value = 0\r\n"
    "  r.BasePoint.PY.Value = 0\r\n"
    "  Dim top As YBPoint\r\n"
    "  Set top = r.TopPoint\r\n"
    "  Set top.Body = b\r\n"
    "  top.PX.Value = 0\r\n"
    "  top.PY.Value = 0\r\n"
    "  r.Length.Value = 1\r\n"
    "  Print r.Kind; \" \"; b.Kind; \" \"; top.Body Is b; \" \"; b.PY.Formula\r\n"
    "  Print d.AnimationStep\r\n"
    "  Dim i As Integer\r\n"
    "  Do While d.CurrentFrame * d.AnimationStep < 10 And i < 5000\r\n"
    "    d.Run 1\r\n"
    "    i = i + 1\r\n"
    "    Print d.CurrentFrame; \" \"; b.PX.Value; \" \"; b.VX.Value\r\n"
    "  Loop\r\n"
    "End Sub\r\n";

std::unique_ptr<TQVDoc> MakeEmptyWorldWithGravityOff() {
  auto document = sample_worlds::NewSampleDocument();
  sample_worlds::AddGround(document->World());
  sample_worlds::AddGravity(document->World(), 2, 3, 1.0).SelectChoice(kTagGravNone);
  return document;
}

TEST_F(StartupScriptRunTest, APendulumAScriptBuiltSwingsWithTheExactPeriod) {
  const std::string world = programFolder_ + "/empty.yb";
  WriteWorld(world, MakeEmptyWorldWithGravityOff);
  WriteStartupScript(kPendulum);
  StandardOutputCapture output;
  ASSERT_TRUE(output.Capturing());
  int32_t code = -1;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    TApp app;
    code = RunWithSample(app, [&](int32_t step) {
      if (step != 1 || app.MainFrame() == nullptr) return false;
      // The pendulum's document goes unsaved.
      for (int32_t i = 1; i <= scripting.OpenDocuments()->GetCount(); ++i)
        static_cast<TQVDoc*>(scripting.OpenDocuments()->At(i))->SetChangeCount(0);
      SendMessage(app.MainFrame()->m_hWnd, WM_COMMAND, kQuitCommand, 0);
      return true;
    }, world);
  }
  output.Stop();
  EXPECT_EQ(code, 0);
  std::istringstream printed(output.Text());
  std::string line;
  std::getline(printed, line);
  EXPECT_EQ(line, "rod circle True -cos(pi/18)");
  double step = 0.0;
  printed >> step;
  ASSERT_GT(step, 0.0) << output.Text();
  std::vector<double> crossings;
  Swing last;
  Swing now;
  int frame = 0;
  int frames = 0;
  while (printed >> frame >> now.x >> now.v) {
    now.t = frame * step;
    EXPECT_EQ(frame, frames++);
    if (last.x > 0.0 && now.x <= 0.0) crossings.push_back(Crossing(last, now));
    last = now;
  }
  EXPECT_GE(frames * step, 10.0 - 1e-9);
  // Let go to the right at rest, the circle passes the bottom leftwards a quarter period on,
  // then once every period.
  const double period = ExactPeriod(kPendulumLength, kStartAngle);
  ASSERT_EQ(crossings.size(), 5u) << output.Text();
  EXPECT_NEAR(crossings.front(), period / 4.0, 1e-8 * period);
  EXPECT_NEAR((crossings.back() - crossings.front()) / (4.0 * period), 1.0, 1e-8);
}

}  // namespace
