// The Script Editor in a real window: opened through the Scripts menu's commands, typed into,
// saved, run, stopped at a breakpoint, closed with and without saving, and its settings, help
// tables and find and replace.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "basic/editor/ScriptEditWindow.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/FindReplace.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/FontDialog.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"
#include "scripting/shell/GoToLineDialog.h"
#include "scripting/shell/ScriptCommands.h"
#include "scripting/shell/ScriptEditor.h"
#include "scripting/shell/ScriptShell.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string WindowText(HWND window) { return GetWindowTextString(window); }

class ScriptShellTest : public ScriptedProgram {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
    ScriptedProgram::SetUp();
    SetProfileFile((folder_ / "yb.ini").string());
    SetIdleScript([this] { return Answer(); });
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetMainFrame(nullptr);  // a test's own frame goes with the test
    ShellState().modified = 0;  // nothing to ask when the menu goes
    ScriptedProgram::TearDown();
    SetProfileFile("");
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    ResetWindowSystem();
    UseProcessClock();
  }

  // The user's answers to the boxes and dialogs that come up, in order: a key for a message box
  // (its text is kept), a typed name for a file dialog ("" cancels).
  bool Answer() {
    if (const HWND box = GetMessageBoxWindow(); box != nullptr && !answers_.empty()) {
      std::string text;
      for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        text += WindowText(child) + "|";
      boxes_.push_back(text);
      const std::string answer = answers_.front();
      answers_.erase(answers_.begin());
      InjectKeyStroke(answer == "cancel" ? VK_ESCAPE : answer == "no" ? 'N' : answer == "yes" ? 'Y' : VK_RETURN);
      return true;
    }
    if (GetOpenFileDialogWindow() != nullptr && !answers_.empty()) {
      const std::string answer = answers_.front();
      answers_.erase(answers_.begin());
      if (answer.empty()) {
        InjectKeyStroke(VK_ESCAPE);
        return true;
      }
      for (char c : answer) InjectCharacter(static_cast<uint8_t>(c));
      InjectKeyStroke(VK_RETURN);
      return true;
    }
    return false;
  }
  void PressWithControl(int32_t key) {
    InjectKey(VK_CONTROL, true);
    InjectKeyStroke(key);
    InjectKey(VK_CONTROL, false);
    Pump();
  }
  void Pump() {
    MSG message;
    for (int i = 0; i < 10000 && PeekMessage(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  void Perform(int16_t command) {
    TCommandCore* made = menu_->DoMenuCommand(command);
    if (made == nullptr) return;
    made->Perform();
    delete made;
  }
  HWND Edit() const { return ShellState().editWindow; }
  HWND Shell() const { return ShellState().mainWindow; }
  std::string EditText() {
    std::string text(static_cast<size_t>(ScriptEditCommand(Edit(), kEditTextLength, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(ScriptEditCommand(Edit(), kEditGetText, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  void Type(const std::string& text) {
    SetFocus(ScriptEditTextWindow(Edit()));
    for (char c : text) {
      if (c == '\n') InjectKeyStroke(VK_RETURN);
      else InjectCharacter(static_cast<uint8_t>(c));
    }
    Pump();
  }
  // Whether the item of the shell's menu is greyed once its popup is set up.
  bool Greyed(UINT command) {
    const HMENU bar = GetMenu(Shell());
    for (int32_t i = 0; i < GetMenuItemCount(bar); ++i) {
      const HMENU popup = GetSubMenu(bar, i);
      if (GetMenuState(popup, command, MF_BYCOMMAND) == static_cast<UINT>(-1)) continue;
      SendMessage(Shell(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
      return (GetMenuState(popup, command, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }
    ADD_FAILURE() << "no item " << command;
    return false;
  }

  std::vector<std::string> answers_;
  std::vector<std::string> boxes_;
};

TEST_F(ScriptShellTest, ANewScriptIsTypedSavedUnderANameAndRunFromTheEditor) {
  Perform(5503);
  ASSERT_NE(Shell(), nullptr);
  EXPECT_EQ(WindowText(Shell()), "Script Editor - (Untitled)");
  EXPECT_TRUE(Greyed(102)) << "nothing to save yet";
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>(""));
  Type("Sub Main()\n  Print 6 * 7\nEnd Sub\n");
  EXPECT_EQ(ShellState().modified, 1);
  EXPECT_FALSE(Greyed(102));
  // Ctrl+S: a new script asks for its name first.
  const std::filesystem::path path = folder_ / "answer.ybs";
  answers_ = {path.string()};
  PressWithControl('S');
  EXPECT_EQ(ReadFile(path), "Sub Main()\r\n  Print 6 * 7\r\nEnd Sub\r\n");
  EXPECT_EQ(WindowText(Shell()), "Script Editor - answer.ybs");
  EXPECT_EQ(ShellState().modified, 0);
  // Start: the script's Print reaches the output.
  ::testing::internal::CaptureStdout();
  SendMessage(Shell(), WM_COMMAND, 603, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "42\n");
  EXPECT_TRUE(boxes_.empty());
  // 5503 again only brings the open shell to the front.
  EXPECT_EQ(menu_->DoMenuCommand(5503), nullptr);
}

TEST_F(ScriptShellTest, ClosingWithUnsavedChangesAsksOnceAndCancelKeepsTheScript) {
  Perform(5503);
  Type("' note\n");
  TScriptText* script = menu_->GetShell()->Script();
  answers_ = {"cancel"};
  SendMessage(Shell(), WM_CLOSE, 0, 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("Save the changes to the new script?"), std::string::npos) << boxes_[0];
  EXPECT_TRUE(IsWindow(Shell()));
  EXPECT_EQ(menu_->GetShell()->Script(), script);
  EXPECT_EQ(ShellState().modified, 1);
  // No: the changes go and the window closes, keeping its place for the next time.
  MoveWindow(Shell(), 30, 40, 500, 300, TRUE);
  answers_ = {"no"};
  SendMessage(Shell(), WM_CLOSE, 0, 0);
  EXPECT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(Shell(), nullptr);
  EXPECT_FALSE(menu_->GetShell()->IsOpen());
  Perform(5503);
  RECT rect;
  GetWindowRect(Shell(), &rect);
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.right - rect.left, 500);
  EXPECT_EQ(rect.bottom - rect.top, 300);
}

TEST_F(ScriptShellTest, QuitWhileTheShellRefusesIsASilentAbort) {
  Perform(5503);
  Type("' note\n");
  TCommandCore* quit = menu_->DoMenuCommand(1191);
  ASSERT_NE(quit, nullptr);
  answers_ = {"cancel"};
  try {
    quit->Perform();
    ADD_FAILURE() << "the quit went on";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
    EXPECT_EQ(failure.message(), kScriptShellSilentAbort);
  }
  delete quit;
  EXPECT_TRUE(menu_->GetShell()->IsOpen());
  // Without unsaved changes the quit closes the shell; if the quit stops elsewhere, the shell
  // opens again and runs scripts as before.
  ShellState().modified = 0;
  quit = menu_->DoMenuCommand(1191);
  ASSERT_NE(quit, nullptr);
  quit->Perform();
  delete quit;
  EXPECT_FALSE(menu_->GetShell()->IsOpen());
  EXPECT_EQ(menu_->DoMenuCommand(1191), nullptr) << "nothing to close";
  Perform(5503);
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("Sub Main()\n  Print 7\nEnd Sub\n"));
  ::testing::internal::CaptureStdout();
  SendMessage(Shell(), WM_COMMAND, 603, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "7\n");
}

// Quit while the shell's script waits at a breakpoint: the run is stopped and the quit goes no
// further.
TEST_F(ScriptShellTest, QuitWhileTheShellsScriptRunsStopsItAndGoesNoFurther) {
  Perform(5503);
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("Sub Main()\n  Print 1\n  Print 2\nEnd Sub\n"));
  ScriptEditCommand(Edit(), kEditGoToLine, 0, 3);
  SendMessage(Shell(), WM_COMMAND, 704, 0);
  bool quitTried = false;
  bool silent = false;
  SetIdleScript([&] {
    if (quitTried || ScriptEditCommand(Edit(), kEditRunState, 0, 0) != 1) return Answer();
    quitTried = true;
    TCommandCore* quit = menu_->DoMenuCommand(1191);
    try {
      if (quit != nullptr) quit->Perform();
    } catch (const QVException& failure) {
      silent = failure.error() == 0 && failure.message() == kScriptShellSilentAbort;
    }
    delete quit;
    return true;
  });
  ::testing::internal::CaptureStdout();
  SendMessage(Shell(), WM_COMMAND, 603, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "1\n");
  EXPECT_TRUE(silent);
  EXPECT_TRUE(menu_->GetShell()->IsOpen());
  EXPECT_EQ(ScriptEditCommand(Edit(), kEditRunState, 0, 0), 0);
}

TEST_F(ScriptShellTest, OpeningAScriptFileShowsItsNameAndABreakpointStopsItsRun) {
  const std::string path = WriteScript("count.ybs",
                                       "Sub Main()\r\n  Dim n As Integer\r\n  n = 5\r\n  Print n\r\nEnd Sub\r\n");
  answers_ = {path};
  Perform(5504);
  ASSERT_NE(Edit(), nullptr);
  EXPECT_EQ(WindowText(Shell()), "Script Editor - count.ybs");
  EXPECT_EQ(EditText(), "Sub Main()\r\n  Dim n As Integer\r\n  n = 5\r\n  Print n\r\nEnd Sub\r\n");
  EXPECT_TRUE(Greyed(707)) << "continue only while stopped";
  ScriptEditCommand(Edit(), kEditGoToLine, 0, 4);
  SendMessage(Shell(), WM_COMMAND, 704, 0);
  ScriptEditCommand(Edit(), kEditSetCaret, 0, -static_cast<int32_t>(EditText().find("n =")));
  SendMessage(Shell(), WM_COMMAND, 705, 0);
  bool continueGreyed = true;
  bool startGreyed = false;
  int32_t state = -1;
  std::string watch;
  SetIdleScript([&] {
    if (ScriptEditCommand(Edit(), kEditRunState, 0, 0) != 1) return Answer();
    state = 1;
    continueGreyed = Greyed(707);
    startGreyed = Greyed(603);
    char line[64] = {};
    SendMessage(ScriptEditWatchWindow(Edit()), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
    watch = line;
    PostMessage(Shell(), WM_COMMAND, 707, 0);
    return true;
  });
  ::testing::internal::CaptureStdout();
  SendMessage(Shell(), WM_COMMAND, 603, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "5\n");
  EXPECT_EQ(state, 1);
  EXPECT_FALSE(continueGreyed);
  EXPECT_TRUE(startGreyed);
  EXPECT_EQ(watch, "n = 5");
  EXPECT_EQ(ScriptEditCommand(Edit(), kEditRunState, 0, 0), 0);
}

// The frame's key table while the shell is active is the shell's; its keys become the shell's
// commands, a key whose item is greyed does nothing (and types nothing), and when the shell is
// left the frame's own keys come back.
TEST_F(ScriptShellTest, TheShellsKeysAreInForceWhileItIsActiveAndBecomeItsCommands) {
  CFrameWnd frame;
  const ACCEL frameKeys[] = {{FVIRTKEY | FCONTROL, 'N', 10}};
  frame.SetAccelerators(CreateAcceleratorTable(frameKeys, 1));
  SetMainFrame(&frame);
  const auto commands = [&frame] {
    std::vector<WORD> out;
    ACCEL entries[32];
    const int32_t count = CopyAcceleratorTable(frame.GetDefaultAccelerator(), entries, 32);
    for (int32_t i = 0; i < count; ++i) out.push_back(entries[i].cmd);
    return out;
  };
  const std::vector<WORD> shellKeys{100, 101, 102, 103, 107, 107, 400, 500, 501, 801};
  Perform(5503);
  EXPECT_EQ(commands(), shellKeys);
  // Ctrl+S with nothing to save: greyed, so nothing is saved, asked or typed.
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("abc"));
  SetFocus(ScriptEditTextWindow(Edit()));
  PressWithControl('S');
  EXPECT_EQ(EditText(), "abc");
  EXPECT_EQ(ShellState().modified, 0);
  EXPECT_EQ(GetOpenFileDialogWindow(), nullptr);
  // F3 with no find text opens the Find dialog instead of searching; while it is active the
  // frame has its own keys, and the shell's come back with the shell.
  InjectKeyStroke(0x72);
  Pump();
  const HWND find = ScriptEditor::FindReplaceDialog();
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(WindowText(find), "Find");
  EXPECT_FALSE(IsWindowEnabled(Shell()));
  EXPECT_EQ(commands(), std::vector<WORD>{10});
  SendMessage(find, WM_CLOSE, 0, 0);
  EXPECT_EQ(ScriptEditor::FindReplaceDialog(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(Shell()));
  EXPECT_EQ(commands(), shellKeys);
  // F1: help files cannot be shown here, and the user is told so.
  answers_ = {"ok"};
  InjectKeyStroke(VK_F1);
  Pump();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("Help is unavailable"), std::string::npos) << boxes_[0];
  // Ctrl+W closes the window (nothing to save), and the frame's keys are its own again.
  SetFocus(ScriptEditTextWindow(Edit()));
  PressWithControl('W');
  EXPECT_EQ(Shell(), nullptr);
  EXPECT_EQ(commands(), std::vector<WORD>{10});
  SetMainFrame(nullptr);
}

// Go to Line asks for a line of the script, starting from the caret's; a number that is no
// line is refused with a message and the dialog stays for the next try.
TEST_F(ScriptShellTest, GoToLineAsksForALineAndRefusesANumberThatIsNone) {
  Perform(5503);
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("a\nb\nc\nd\ne"));
  ScriptEditCommand(Edit(), kEditGoToLine, 0, 2);
  std::vector<std::string> typed{"9", "x", "3"};
  std::vector<std::string> shown;
  SetIdleScript([&] {
    if (GetMessageBoxWindow() != nullptr) return Answer();
    const HWND dialog = GetActiveWindow();
    if (dialog == nullptr || WindowText(dialog) != "Go to Line" || typed.empty()) return false;
    shown.push_back(GetDlgItemTextString(dialog, kGoToLineLabelId) + " " +
                    GetDlgItemTextString(dialog, kGoToLineFieldId));
    SetDlgItemText(dialog, kGoToLineFieldId, typed.front().c_str());
    typed.erase(typed.begin());
    answers_.push_back("ok");
    InjectKeyStroke(VK_RETURN);
    return true;
  });
  SendMessage(Shell(), WM_COMMAND, 503, 0);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], "Line number (1 to 5): 2");
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_NE(boxes_[0].find("Type a line number from 1 to 5."), std::string::npos) << boxes_[0];
  EXPECT_EQ(ScriptEditCommand(Edit(), kEditCurrentLine, 0, 0), 3);
  EXPECT_EQ(ParseLineNumber(" 5 ", 5), 5);
  EXPECT_FALSE(ParseLineNumber("0", 5));
  EXPECT_FALSE(ParseLineNumber("99999999999999999999", 5));
}

TEST_F(ScriptShellTest, ReplaceAllCountsItsChangesOrSaysItFoundNothing) {
  Perform(5503);
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("x = x + 1\nPrint x\n"));
  ScriptEditor::SetFindText("y");
  ScriptEditor::SetReplaceText("total");
  SendMessage(Shell(), WM_COMMAND, 502, 0);
  const HWND dialog = ScriptEditor::FindReplaceDialog();
  ASSERT_NE(dialog, nullptr);
  answers_ = {"ok"};
  SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(kReplaceAllId), 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_NE(boxes_[0].find("Can't find \"y\"."), std::string::npos) << boxes_[0];
  EXPECT_EQ(ScriptEditor::FindReplaceDialog(), dialog) << "the dialog stays";
  SetWindowText(GetDlgItem(dialog, kFindWhatId), "x");
  ScriptEditCommand(Edit(), kEditSetCaret, 0, 0x1FFFF);
  answers_ = {"ok"};
  SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(kReplaceAllId), 0);
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_NE(boxes_[1].find("3 occurrences changed."), std::string::npos) << boxes_[1];
  EXPECT_EQ(ScriptEditor::FindReplaceDialog(), nullptr) << "closed";
  EXPECT_EQ(EditText(), "total = total + 1\r\nPrint total\r\n");
}

TEST_F(ScriptShellTest, AChosenFontIsKeptInTheSettingsAndUsedByTheNextWindow) {
  Perform(5503);
  // The Font item opens the font dialog; 12 points typed, OK.
  bool answered = false;
  SetIdleScript([&] {
    const HWND dialog = GetFontDialogWindow();
    if (dialog == nullptr || answered) return Answer();
    answered = true;
    SetFocus(GetDlgItem(dialog, kFontSizeEdit));
    SetWindowText(GetDlgItem(dialog, kFontSizeEdit), "12");
    InjectKeyStroke(VK_RETURN);
    return true;
  });
  SendMessage(Shell(), WM_COMMAND, 408, 0);
  EXPECT_TRUE(answered);
  const std::string chosen = GetPrivateProfileString("Settings", "BSEditFont", "", (folder_ / "yb.ini").string());
  EXPECT_NE(chosen.find(",12,"), std::string::npos) << chosen;
  ASSERT_NE(ScriptEditor::CurrentFont(), nullptr);
  ScriptEditor::ApplyFont(EditorFontSetting{"Courier New", 12, 700, false});
  EXPECT_EQ(GetPrivateProfileString("Settings", "BSEditFont", "", (folder_ / "yb.ini").string()),
            "Courier New,12,700,0");
  SendMessage(Shell(), WM_CLOSE, 0, 0);
  EXPECT_EQ(ScriptEditor::CurrentFont(), nullptr);
  Perform(5503);
  ASSERT_NE(ScriptEditor::CurrentFont(), nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(ScriptEditTextWindow(Edit()), WM_GETFONT, 0, 0)),
            ScriptEditor::CurrentFont());
}

TEST_F(ScriptShellTest, ACompiledSaveTakesItsCodeFromTheStoredTextOrLeavesTheOldFile) {
  Perform(5503);
  const std::filesystem::path compiled = folder_ / "tool.ybx";
  {
    std::ofstream old(compiled, std::ios::binary);
    old << "old bytes";
  }
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("Sub Main()\n  x = \nEnd Sub\n"));
  ShellState().modified = 1;
  EXPECT_THROW(menu_->GetShell()->SaveScriptFileAs(compiled.string().c_str()), QVException);
  EXPECT_EQ(ReadFile(compiled), "old bytes");
  EXPECT_FALSE(menu_->GetShell()->Script()->IsFileBacked()) << "the editor stays on its source";
  ScriptEditCommand(Edit(), kEditSetText, 0, reinterpret_cast<LPARAM>("Sub Main()\n  Print 1\nEnd Sub\n"));
  EXPECT_TRUE(menu_->GetShell()->SaveScriptFileAs(compiled.string().c_str()));
  EXPECT_NE(ReadFile(compiled), "old bytes");
  EXPECT_EQ(WindowText(Shell()), "Script Editor - (Untitled)") << "still the unsaved source";
}

TEST(ScriptEditorSettings, TitlesFontSettingsAndHelpTables) {
  EXPECT_EQ(ScriptEditor::Title(nullptr), "Script Editor - (Untitled)");
  EXPECT_EQ(ScriptEditor::Title("C:\\scripts\\run.ybs"), "Script Editor - run.ybs");
  EXPECT_EQ(ScriptEditor::Title("/home/a/run.ybs"), "Script Editor - run.ybs");

  const auto setting = ScriptEditor::ParseFontSetting(std::string(40, 'F') + ",500,700,1");
  ASSERT_TRUE(setting);
  EXPECT_EQ(setting->face, std::string(31, 'F'));
  EXPECT_EQ(setting->size, 144) << "clamped";
  EXPECT_TRUE(setting->italic);
  for (const char* malformed : {"", "Courier", "Courier,12,700", "Courier,twelve,700,0", ",12,700,0",
                                "Courier,12,700,0,9"})
    EXPECT_FALSE(ScriptEditor::ParseFontSetting(malformed)) << malformed;
  EXPECT_EQ(ScriptEditor::FormatFontSetting({"Courier New", 12, 700, false}), "Courier New,12,700,0");
  EXPECT_EQ(ScriptEditor::FontHeight(12, 96), -16);
  EXPECT_EQ(ScriptEditor::FontHeight(10, 96), -13);

  RegisterResourceLibraries();
  SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
  EXPECT_EQ(ScriptEditor::LookupHelpContext("DD_HELPTOPICS", 7), 107);
  EXPECT_EQ(ScriptEditor::LookupHelpContext("DD_HELPTOPICS", 0), 101) << "0 counts as 1";
  EXPECT_EQ(ScriptEditor::LookupHelpContext("DG_HELPTOPICS", 20), 220);
  EXPECT_EQ(ScriptEditor::LookupHelpContext("DG_HELPTOPICS", 21), 21) << "beyond the table: missing";
  EXPECT_EQ(ScriptEditor::LookupHelpContext("NO_SUCH_TABLE", 5), 5);
  EXPECT_EQ(ScriptEditor::LookupKeyword("msgbox"), "MsgBox function");
  EXPECT_EQ(ScriptEditor::LookupKeyword("dim"), "Dim");
  EXPECT_FALSE(ScriptEditor::LookupKeyword("Frobnicate"));
  SetResourceModule2(nullptr);
}

}  // namespace
