// The engine's edit window driven as the script shell drives it: keys typed into it, codes sent,
// its runs started, stopped at breakpoints, watched and stopped, and its margin's pixels probed.

#include "basic/editor/ScriptEditWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "basic/ScriptApi.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Edit.h"
#include "platform/win32/GdiTypes.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/WindowDc.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

std::vector<UINT> g_notes;
std::function<void(HWND, UINT)> g_onNote;
std::string g_helpWord;
std::string g_printed;
std::vector<WPARAM> g_filtered;

LRESULT Note(HWND window, UINT code, WPARAM wParam, LPARAM lParam) {
  g_notes.push_back(code);
  if (code == kEditNotifyHelp && wParam == kEditHelpKeyword) g_helpWord = reinterpret_cast<const char*>(lParam);
  if (g_onNote) g_onNote(window, code);
  return 0;
}

LRESULT TakeCtrlS(HWND, UINT message, WPARAM key) {
  if (message != WM_CHAR || key != 19) return 0;
  g_filtered.push_back(key);
  return 1;
}

int32_t Printed(ScriptRunContext*, int32_t kind, const char* text) {
  if (kind == kScriptShowPrint) g_printed += std::string(text) + "\n";
  return 0;
}

class ScriptEditWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    g_notes.clear();
    g_onNote = nullptr;
    g_printed.clear();
    g_filtered.clear();
    g_helpWord.clear();
    uint16_t status = 0;
    engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    ScriptControl(engine, kScriptSetOutput, 0, reinterpret_cast<void*>(&Printed));
    parent = TopLevel(50, 50, 500, 300);
    edit = ScriptCreateEditWindow(parent, 0, 0, 0, 0, 0x50800003, 1, 0, nullptr);
    ASSERT_NE(edit, nullptr);
    MoveWindow(edit, 0, 0, 480, 280, TRUE);
    ScriptEditCommand(edit, kEditSetEngine, 0, reinterpret_cast<LPARAM>(engine));
    ScriptEditCommand(edit, kEditSetNotify, 0, reinterpret_cast<LPARAM>(&Note));
    ScriptEditCommand(edit, kEditSetKeyFilter, 0, reinterpret_cast<LPARAM>(&TakeCtrlS));
    SetFocus(edit);
    Pump();
  }
  void TearDown() override {
    g_onNote = nullptr;
    DestroyWindow(parent);
    ScriptEndEngine(engine);
    WindowTest::TearDown();
  }
  void Put(const char* text) { ScriptEditCommand(edit, kEditSetText, 0, reinterpret_cast<LPARAM>(text)); }
  std::string Text() {
    std::string text(static_cast<size_t>(ScriptEditCommand(edit, kEditTextLength, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(ScriptEditCommand(edit, kEditGetText, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }
  void CaretToLine(int32_t line) { ScriptEditCommand(edit, kEditGoToLine, 0, line); }
  std::string WatchLine(int32_t index) {
    char line[128] = {};
    SendMessage(ScriptEditWatchWindow(edit), LB_GETTEXT, index, reinterpret_cast<LPARAM>(line));
    return line;
  }
  int32_t Count(UINT code) { return static_cast<int32_t>(std::count(g_notes.begin(), g_notes.end(), code)); }

  ScriptEngine* engine = nullptr;
  HWND parent = nullptr;
  HWND edit = nullptr;
};

const char* const kLoop =
    "Dim total As Long\n"
    "Sub Main()\n"
    "  Dim i As Integer\n"
    "  For i = 1 To 3\n"
    "    total = total + i\n"
    "  Next\n"
    "  Print total\n"
    "End Sub\n";

TEST_F(ScriptEditWindowTest, KeysEditTheTextTellTheChangeAndPassTheFilterFirst) {
  Put("Sub Main()\nEnd Sub\n");
  EXPECT_EQ(Text(), "Sub Main()\r\nEnd Sub\r\n");
  EXPECT_EQ(Count(kEditNotifyChanged), 0) << "a text put in is no change of the user's";
  EXPECT_EQ(ScriptEditCommand(edit, kEditCanUndo, 0, 0), 0);
  ScriptEditCommand(edit, kEditSetCaret, 0, 0x1FFFF);
  for (char c : std::string("' hi")) InjectCharacter(static_cast<uint8_t>(c));
  InjectKeyStroke(VK_RETURN);
  InjectCharacter(19);  // Ctrl+S goes to the filter, not into the text
  Pump();
  EXPECT_EQ(Text(), "' hi\r\nSub Main()\r\nEnd Sub\r\n");
  EXPECT_GE(Count(kEditNotifyChanged), 1);
  EXPECT_EQ(g_filtered, (std::vector<WPARAM>{19}));
  EXPECT_EQ(ScriptEditCommand(edit, kEditCurrentLine, 0, 0), 2);
  EXPECT_EQ(ScriptEditCommand(edit, kEditLineRange, 0, 0), MAKELONG(1, 4));
  EXPECT_NE(ScriptEditCommand(edit, kEditCanUndo, 0, 0), 0);
  SendMessage(edit, WM_UNDO, 0, 0);  // takes the line break back
  EXPECT_EQ(Text(), "' hiSub Main()\r\nEnd Sub\r\n");

  // Shift+F1 asks for help on the word at the caret.
  ScriptEditCommand(edit, kEditSetCaret, 0, -9);  // inside "Main"
  InjectKey(VK_SHIFT, true);
  InjectKeyStroke(VK_F1);
  InjectKey(VK_SHIFT, false);
  Pump();
  EXPECT_EQ(g_helpWord, "Main");

  ScriptEditCommand(edit, kEditSetReadOnly, 1, 0);
  InjectCharacter('x');
  SendMessage(edit, WM_UNDO, 0, 0);
  Pump();
  EXPECT_EQ(Text(), "' hiSub Main()\r\nEnd Sub\r\n");
}

// A line wider than the text shows a horizontal scroll bar over the widest line; paging across
// moves the text (and its caret) by a page, and the bar goes no further than that line's end.
TEST_F(ScriptEditWindowTest, ALongLineScrollsAcrossWithTheHorizontalBar) {
  const HWND text = ScriptEditTextWindow(edit);
  Put(("Sub Main()\n  Print \"" + std::string(300, 'w') + "\"\nEnd Sub\n").c_str());
  SCROLLINFO bar;
  bar.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  ASSERT_TRUE(GetScrollInfo(text, SB_HORZ, &bar));
  const int32_t page = static_cast<int32_t>(bar.nPage);
  EXPECT_GT(bar.nMax + 1, 2 * page);
  EXPECT_EQ(bar.nPos, 0);
  const POINT before = EditCaretPoint(text);
  SendMessage(text, WM_HSCROLL, SB_PAGERIGHT, 0);
  GetScrollInfo(text, SB_HORZ, &bar);
  EXPECT_EQ(bar.nPos, page);
  EXPECT_EQ(EditCaretPoint(text).x, before.x - page);
  SendMessage(text, WM_HSCROLL, SB_RIGHT, 0);
  GetScrollInfo(text, SB_HORZ, &bar);
  EXPECT_EQ(bar.nPos, bar.nMax + 1 - page);
  SendMessage(text, WM_HSCROLL, SB_LINERIGHT, 0);
  GetScrollInfo(text, SB_HORZ, &bar);
  EXPECT_EQ(bar.nPos, bar.nMax + 1 - page) << "no further than the widest line";
  // A text of short lines needs no scrolling across.
  Put("Sub Main()\nEnd Sub\n");
  GetScrollInfo(text, SB_HORZ, &bar);
  EXPECT_LE(bar.nMax + 1, page);
  EXPECT_EQ(bar.nPos, 0);
}

TEST_F(ScriptEditWindowTest, BreakpointsOnlyOnStatementsShownInTheMarginAndToggledByClicks) {
  Put(kLoop);
  CaretToLine(2);
  EXPECT_EQ(ScriptEditCommand(edit, kEditToggleBreakpoint, 0, 0), 0) << "a Sub line holds no statement";
  CaretToLine(5);
  EXPECT_NE(ScriptEditCommand(edit, kEditToggleBreakpoint, 0, 0), 0);
  EXPECT_TRUE(ScriptEditHasBreakpoint(edit, 5));
  Pump();
  // The margin shows a red mark on line 5, and a click on line 7 in the margin sets another.
  RECT text;
  GetWindowRect(ScriptEditTextWindow(edit), &text);
  POINT origin{text.left, text.top};
  ScreenToClient(edit, &origin);
  const POINT caret5 = EditCaretPoint(ScriptEditTextWindow(edit));
  const int32_t mid5 = origin.y + caret5.y + 6;
  HDC dc = GetDC(edit);
  EXPECT_EQ(GetPixel(dc, kScriptEditMarginWidth / 2, mid5), RGB(192, 0, 0));
  ReleaseDC(edit, dc);
  CaretToLine(7);
  const POINT caret7 = EditCaretPoint(ScriptEditTextWindow(edit));
  POINT click{kScriptEditMarginWidth / 2, origin.y + caret7.y + 6};
  InjectClick(edit, click);
  Pump();
  EXPECT_TRUE(ScriptEditHasBreakpoint(edit, 7));
  EXPECT_EQ(ScriptEditBreakpointCount(edit), 2);
  ScriptEditCommand(edit, kEditClearBreakpoints, 0, 0);
  EXPECT_EQ(ScriptEditBreakpointCount(edit), 0);
  Pump();
  dc = GetDC(edit);
  EXPECT_NE(GetPixel(dc, kScriptEditMarginWidth / 2, mid5), RGB(192, 0, 0));
  ReleaseDC(edit, dc);
}

TEST_F(ScriptEditWindowTest, ARunStopsAtABreakpointShowsWatchesAndContinues) {
  Put(kLoop);
  CaretToLine(7);
  ScriptEditCommand(edit, kEditToggleBreakpoint, 0, 0);
  CaretToLine(5);
  ScriptEditCommand(edit, kEditSetCaret, 0, -static_cast<int32_t>(SendMessage(ScriptEditTextWindow(edit), EM_LINEINDEX, 4, 0) + 5));
  EXPECT_EQ(ScriptEditCommand(edit, kEditAddWatch, 0, 0), 1);  // "total", the word at the caret
  EXPECT_EQ(ScriptEditCommand(edit, kEditAddWatch, 0, 0), 0) << "watched once";
  SendMessage(ScriptEditTextWindow(edit), EM_SETSEL, 0, 12);  // "Sub Main" and more: no name
  EXPECT_EQ(ScriptEditCommand(edit, kEditAddWatch, 0, 0), 0);
  EXPECT_EQ(ScriptEditCommand(edit, kEditWatchCount, 0, 0), 1);
  std::vector<std::string> seen;
  int32_t state = -1;
  g_onNote = [&](HWND window, UINT code) {
    if (code != kEditNotifyStops) return;
    state = static_cast<int32_t>(ScriptEditCommand(window, kEditRunState, 0, 0));
    seen.push_back(WatchLine(0));
    EXPECT_EQ(ScriptEditStoppedLine(window), 7);
    PostMessage(window, kEditContinue, 0, 0);
  };
  EXPECT_EQ(ScriptEditCommand(edit, kEditStart, 1, 0), 0);
  EXPECT_EQ(state, 1);
  EXPECT_EQ(seen, (std::vector<std::string>{"total = 6"}));
  EXPECT_EQ(g_printed, "6\n");
  EXPECT_EQ(ScriptEditCommand(edit, kEditRunState, 0, 0), 0);
  EXPECT_EQ(ScriptEditStoppedLine(edit), 0);
  EXPECT_EQ(g_notes.front(), kEditNotifyRunStarts);
  EXPECT_EQ(g_notes.back(), kEditNotifyRunEnds);
  EXPECT_EQ(Count(kEditNotifyResumes), 1);
  EXPECT_EQ(WatchLine(0), "total");
  char name[81] = {};
  EXPECT_EQ(ScriptEditCommand(edit, kEditFirstWatch, sizeof name, reinterpret_cast<LPARAM>(name)), 1);
  EXPECT_EQ(ScriptEditCommand(edit, kEditDeleteWatch, 0, reinterpret_cast<LPARAM>(name)), 1);
  EXPECT_EQ(ScriptEditCommand(edit, kEditWatchCount, 0, 0), 0);
}

TEST_F(ScriptEditWindowTest, StepsFromIdleStopAtTheFirstStatementAndStopEndsTheRun) {
  Put(kLoop);
  std::vector<int32_t> lines;
  g_onNote = [&](HWND window, UINT code) {
    if (code != kEditNotifyStops) return;
    lines.push_back(ScriptEditStoppedLine(window));
    PostMessage(window, lines.size() < 3 ? kEditStepOver : kEditStop, 0, 0);
  };
  EXPECT_EQ(ScriptEditCommand(edit, kEditStepInto, 0, 0), 1);
  EXPECT_EQ(lines, (std::vector<int32_t>{4, 5, 4})) << "the loop steps back to its head";
  EXPECT_EQ(g_printed, "") << "stopped before its Print";
  EXPECT_EQ(ScriptEditCommand(edit, kEditRunState, 0, 0), 0);
}

// Another caller's script, run on the same engine while the window's run waits at a stop (as
// the script service does), is no run of the window's and runs whole.
TEST_F(ScriptEditWindowTest, ARunStartedWhileTheWindowsRunWaitsAtAStopRunsWhole) {
  Put(kLoop);
  g_onNote = [&](HWND window, UINT code) {
    if (code != kEditNotifyStops) return;
    ScriptCompileRequest request;
    request.text = "Sub Main()\n  Dim i As Long\n  For i = 1 To 5000\n  Next\n  Print \"other \"; i\nEnd Sub\n";
    request.engine = engine;
    ASSERT_EQ(ScriptCompile(&request), kScriptCompiled);
    uint16_t loadError = 0;
    ScriptModule* module = ScriptLoadModule(engine, request.code, &loadError);
    ScriptFreeCode(request.code);
    uint32_t contextError = 0;
    ScriptRunContext* other = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
    ScriptRun(other);
    ScriptFreeRunContext(other);
    ScriptUnloadModule(module);
    PostMessage(window, kEditStop, 0, 0);
  };
  EXPECT_EQ(ScriptEditCommand(edit, kEditStepInto, 0, 0), 1);
  EXPECT_EQ(g_printed, "other 5001\n");
}

TEST_F(ScriptEditWindowTest, AnEndlessRunKeepsMessagesFlowingSoThatStopReachesIt) {
  Put("Sub Main()\n  Do\n  Loop\nEnd Sub\n");
  g_onNote = [](HWND window, UINT code) {
    if (code == kEditNotifyRunStarts) PostMessage(window, kEditStop, 0, 0);
  };
  EXPECT_EQ(ScriptEditCommand(edit, kEditStart, 1, 0), 0);
  EXPECT_EQ(ScriptEditCommand(edit, kEditRunState, 0, 0), 0);
  EXPECT_EQ(Count(kEditNotifyRunEnds), 1);
  // A text that does not compile is not started: its error line is selected.
  Put("Sub Main()\n  x = \nEnd Sub\n");
  EXPECT_NE(ScriptEditCommand(edit, kEditStart, 1, 0), 0);
  EXPECT_EQ(ScriptEditCommand(edit, kEditCheckSyntax, 0, 0), 2);
  EXPECT_EQ(ScriptEditCommand(edit, kEditStart, static_cast<WPARAM>(-1), 0), 0);
  Put(kLoop);
  EXPECT_NE(ScriptEditCommand(edit, kEditStart, static_cast<WPARAM>(-1), 0), 0);
}

TEST_F(ScriptEditWindowTest, SearchesMoveForwardSoReplacingEveryMatchEnds) {
  Put("a = A + a\n");
  ScriptEditCommand(edit, kEditSetCaret, 0, 0x1FFFF);
  int32_t count = 0;
  while (ScriptEditCommand(edit, kEditFind, 12, reinterpret_cast<LPARAM>("a")) > 0 && count < 10) {
    ScriptEditCommand(edit, kEditReplace, 1, reinterpret_cast<LPARAM>("aa"));
    ++count;
  }
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Text(), "aa = aa + aa\r\n");
  ScriptEditCommand(edit, kEditSetCaret, 0, 0x1FFFF);
  EXPECT_EQ(ScriptEditCommand(edit, kEditFind, 12 | kEditFindMatchCase, reinterpret_cast<LPARAM>("A")), 0);
  EXPECT_EQ(ScriptEditCommand(edit, kEditFind, 12 | kEditFindWholeWord, reinterpret_cast<LPARAM>("a")), 0);
  EXPECT_EQ(ScriptEditCommand(edit, kEditFind, 12, reinterpret_cast<LPARAM>("AA")), 1);
  char found[8] = {};
  EXPECT_EQ(ScriptEditCommand(edit, kEditCopySelection, sizeof found, reinterpret_cast<LPARAM>(found)), 2);
  EXPECT_STREQ(found, "aa");
}

TEST_F(ScriptEditWindowTest, IndentAndOutdentTheSelectedLines) {
  Put("If x Then\ny = 1\nEnd If\n");
  EXPECT_EQ(ScriptEditCommand(edit, kEditCanOutdent, 0, 0), 0);
  SendMessage(ScriptEditTextWindow(edit), EM_SETSEL, 0, 20);  // lines 1 to 2 and into 3
  EXPECT_EQ(ScriptEditCommand(edit, kEditIndent, 0, 0), 1);
  EXPECT_EQ(Text(), "    If x Then\r\n    y = 1\r\n    End If\r\n");
  CaretToLine(2);
  EXPECT_EQ(ScriptEditCommand(edit, kEditCanOutdent, 0, 0), 1);
  EXPECT_EQ(ScriptEditCommand(edit, kEditOutdent, 0, 0), 1);
  EXPECT_EQ(Text(), "    If x Then\r\ny = 1\r\n    End If\r\n");
}

}  // namespace
