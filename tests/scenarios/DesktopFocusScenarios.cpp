// The program on a bare desktop, where nothing but the program decides which window has the
// keyboard and which window is in front: tool tips, menus and dropped lists leave the keyboard
// with the active window, a tip goes when the pointer leaves the window, an alert stays in front
// of every other window until it is answered, a modal dialog keeps the keys and clicks from the
// floating windows and the first click after it acts, a combo box's list drops and is chosen
// from by mouse and by keys, a floating window stays in front of the frame and comes back
// painted, and a quit after all of them says nothing.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/MenuLayout.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>

namespace scenario {
namespace {

constexpr char kSampleTitle[] = "Yarrowby - spring-and-pin.yb";
constexpr char kEditorTitle[] = "Script Editor - (Untitled)";
// From one button of the main tool bar to the next (New, Open, Save).
constexpr int kButtonStep = 23;

// Asks the program whether it is idle, as Person::Idle does, without waiting for the answer: a
// driver may ask just as the program quits.
void AskWhetherIdle(XDisplay* display, XWindowId window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_YB_IDLE_PROBE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

// What the shell command printed.
std::string CommandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[256];
  while (const size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

class DesktopFocus : public ScriptScenario {
 protected:
  // A fresh program on the sample, alone on the desktop once its splash window has gone.
  ::testing::AssertionResult StartAlone() {
    const ::testing::AssertionResult started = StartOnSample("spring-and-pin.yb");
    if (!started) return started;
    return KeyboardWith(kSampleTitle);
  }
  ::testing::AssertionResult KeyboardWith(const std::string& title) {
    if (Me().WaitUntil([&] { return Me().FocusedTitle() == title; }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the keyboard is with \"" << Me().FocusedTitle() << "\", not \"" << title << "\"";
  }
  int BarTop() const {
    return Frame().y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
  }
  // A point of the world's window well away from the windows that open over the frame's middle.
  int WorldX() const { return Frame().x + Frame().width * 3 / 4; }
  int WorldY() const { return Frame().y + Frame().height * 3 / 4; }
  // Window > Properties, or another of the floating windows.
  ::testing::AssertionResult OpenFloating(const std::string& title = "Properties") {
    const ::testing::AssertionResult chosen = Click({"Window", title});
    if (!chosen) return chosen;
    if (!Me().WaitUntil([&] { return Me().WindowTitled(title) != 0; }))
      return ::testing::AssertionFailure() << "the " << title << " window did not open";
    return Me().Idle();
  }
  ::testing::AssertionResult OpenProperties() { return OpenFloating(); }
  // A property dialog's Cancel button, at its bottom right corner; nothing waits for the click.
  static void ClickCancel(const std::string& title) {
    const Box dialog = Me().Place(Me().WindowTitled(title));
    Me().Click(dialog.Right() - 62, dialog.Bottom() - 26);
  }
  // The main tool bar's first button (New), just below the menu bar.
  int NewButtonX() const { return Frame().x + GetSystemMetrics(SM_CXFRAME) + 12; }
  int NewButtonY() const { return BarTop() + GetSystemMetrics(SM_CYMENU) + 12; }
  // A clean end: status 0 and nothing said.
  void ExpectCleanEnd() {
    RunningProgram* program = Program();
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(program->WaitForExit()) << "the program did not end:\n" << program->Output();
    EXPECT_EQ(program->ExitCode(), 0) << program->Output();
    EXPECT_EQ(program->Output(), "");
  }
};

TEST_F(DesktopFocus, TipsMenusAndDialogsLeaveTheKeyboardWhereItBelongs) {
  ASSERT_TRUE(StartAlone());
  // The tool bar's first button (New): hovered until its tip shows.
  Me().MoveTo(NewButtonX(), NewButtonY());
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 2; })) << "no tip showed";
  EXPECT_EQ(Me().FocusedTitle(), kSampleTitle) << "the tip took the keyboard";
  Me().MoveTo(WorldX(), WorldY());
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; })) << "the tip stayed";
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(KeyboardWith(kSampleTitle)) << "after the tip";

  // A menu opened, with its Properties submenu, and closed again by a click on the status bar;
  // then Ctrl+A selects the world's objects, which shows on the screen.
  ASSERT_TRUE(Click({"Edit", "Properties"}));
  ASSERT_TRUE(Me().Idle());
  ASSERT_GT(Me().ShownWindows(), 1) << "the Edit menu did not open";
  Me().Click(Frame().x + Frame().width / 2, Frame().Bottom() - GetSystemMetrics(SM_CYFRAME) - 6);
  ASSERT_TRUE(Me().Idle());
  ASSERT_EQ(Me().ShownWindows(), 1) << "the Edit menu stayed open";
  EXPECT_TRUE(KeyboardWith(kSampleTitle)) << "after the menu";
  const Picture unselected = Me().Grab(Frame());
  Me().Control("a");
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().Grab(Frame()), unselected) << "Ctrl+A did nothing after the menu";

  // Edit > New Button...: its dialog takes the keys, and Escape closes it.
  ASSERT_TRUE(Click({"Edit", "New Button..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") != 0; }))
      << "the New Button dialog did not open";
  EXPECT_TRUE(KeyboardWith("Button Action"));
  ASSERT_TRUE(Me().Idle());
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") == 0; }))
      << "the dialog took no keys";
  EXPECT_TRUE(KeyboardWith(kSampleTitle)) << "after the dialog";

  // The frame's own keys still work: Ctrl+N makes a new world, which the title names.
  Me().Control("n");
  EXPECT_TRUE(Me().WaitUntil([] { return Me().UntitledWorldWindow() != 0; }))
      << "Ctrl+N made no new world: " << testing::PrintToString(Me().Titles());
}

TEST_F(DesktopFocus, AnAlertStaysInFrontOfEveryWindowUntilItIsAnswered) {
  ASSERT_TRUE(StartAlone());
  // Script > New Script opens the Script Editor: moved down over the middle of the frame, where
  // the alerts come, it has a script that does not compile typed in.
  ASSERT_TRUE(Click({"Script", "New Script"}));
  ASSERT_TRUE(KeyboardWith(kEditorTitle)) << "the Script Editor did not open";
  ASSERT_TRUE(Me().Idle());
  const Box before = Me().Place(Me().WindowTitled(kEditorTitle));
  // Never placed before, it opens over the main window.
  EXPECT_TRUE(before.x > Frame().x && before.y > Frame().y && before.x < Frame().Right() &&
              before.y < Frame().Bottom())
      << "the Script Editor opened away from the main window: at " << before.x << ", "
      << before.y << "; the main window at " << Frame().x << ", " << Frame().y;
  const int captionY = before.y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  Me().SlowDrag(before.x + before.width / 2, captionY, before.x + before.width / 2, captionY + 200,
                4);
  ASSERT_TRUE(Me().Idle());
  const Box editor = Me().Place(Me().WindowTitled(kEditorTitle));
  ASSERT_EQ(editor.y, before.y + 200) << "the Script Editor did not move";
  Me().Key("Down");  // into Sub Main's empty line: x = (
  Me().Type("x ");
  Me().Key("equal");
  Me().Type(" ");
  Me().Key("9", {"Shift_L"});
  ASSERT_TRUE(Me().Idle());
  // Run > Start, the first item of the editor's fourth menu (File, Edit, Search, Run).
  int runX = editor.x + GetSystemMetrics(SM_CXFRAME);
  for (const char* title : {"File", "Edit", "Search"})
    runX += static_cast<int>(std::strlen(title)) * kMenuCharWidth + 16;
  runX += (3 * kMenuCharWidth + 16) / 2;
  const int barY = editor.y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                   GetSystemMetrics(SM_CYMENU) / 2;
  // The program's own menu set-up leaves the editor's bar alone: its titles are not grey.
  const Picture titles = Me().Grab({editor.x + 8, barY - 5, runX - editor.x, 10});
  EXPECT_EQ(titles.Count([](uint32_t pixel) { return pixel == 0x808080; }), 0)
      << "the editor's menu titles are grey";
  Me().Click(runX, barY);
  ASSERT_TRUE(Me().Idle());
  ASSERT_EQ(Me().ShownWindows(), 3) << "the editor's Run menu did not open";
  Me().Click(runX, barY + GetSystemMetrics(SM_CYMENU) / 2 + 1 + kMenuItemHeight / 2);
  // Once the click is handled the menu has gone and the alert waits for its answer.
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 3; })) << "no alert came";

  // Each alert in turn keeps the keyboard and stays in front when the other windows behind it
  // are clicked: the editor, partly under it, and the frame.
  int alerts = 0;
  while (Me().ShownWindows() == 3 && alerts < 3) {
    ASSERT_TRUE(Me().WaitUntil([] {
      const std::string title = Me().FocusedTitle();
      return !title.empty() && title != kSampleTitle && title != kEditorTitle;
    })) << "the alert did not take the keyboard";
    const std::string title = Me().FocusedTitle();
    const Box alert = Me().Place(Me().WindowTitled(title));
    ASSERT_FALSE(alert.Empty());
    ASSERT_LT(alert.y, editor.Bottom()) << "the alert does not overlap the editor";
    ASSERT_TRUE(Me().Idle());
    const Picture answerable = Me().Grab(alert);
    Me().Click(editor.x + 20, editor.Bottom() - 40);
    ASSERT_TRUE(Me().Idle());
    Me().Click(WorldX(), WorldY());
    ASSERT_TRUE(Me().Idle());
    EXPECT_EQ(Me().Grab(alert), answerable) << "\"" << title << "\" went behind a window";
    EXPECT_EQ(Me().FocusedTitle(), title) << "a click took the keyboard from the alert";
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(title) == 0; }))
        << "Return did not answer \"" << title << "\"";
    ASSERT_TRUE(Me().Idle());
    ++alerts;
  }
  EXPECT_GE(alerts, 1);
  EXPECT_EQ(Me().ShownWindows(), 2);
}

// The click right behind the one on the spring dialog's Cancel, as a quick hand gives it, acts:
// the tool bar's Open button opens its dialog. The box's Body Properties dialog, opened by a
// double click, runs modally over the Position window: a click on the Position window leaves the
// keyboard with the dialog, 120 typed then is not the box's x, and Cancel leaves the box where
// it was. A tip then goes when the pointer leaves the main window.
TEST_F(DesktopFocus, AModalDialogKeepsInputFromTheFloatingWindowsAndTheNextClickActs) {
  ASSERT_TRUE(OpenCopy("focus-modal.yb"));
  const std::vector<SavedBody> opened = Opened().BodiesOfKind("TRectangle");
  ASSERT_EQ(opened.size(), 1u) << Opened().Description();
  // The click right behind the one on the spring dialog's Cancel.
  Me().DoubleClick(Frame().x + (spring_and_pin::kAnchorX + spring_and_pin::kBoxX) / 2,
                   Frame().y + spring_and_pin::kObjectsY);
  ASSERT_TRUE(KeyboardWith("Spring Properties")) << "the double click opened no dialog";
  ASSERT_TRUE(Me().Idle());
  ClickCancel("Spring Properties");
  Me().Click(NewButtonX() + kButtonStep, NewButtonY());  // Open
  ASSERT_TRUE(KeyboardWith("Open a world")) << "the click right after Cancel was lost";
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; }));
  ASSERT_TRUE(Me().Idle());

  ASSERT_TRUE(OpenFloating("Position"));
  const Box position = Me().Place(Me().WindowTitled("Position"));
  const int shown = Me().ShownWindows();

  // Off the middle of the box, where its point's mark stands.
  const int offMiddle = Pixels(0.03);
  Me().DoubleClick(Frame().x + spring_and_pin::kBoxX + offMiddle,
                   Frame().y + spring_and_pin::kObjectsY + offMiddle);
  ASSERT_TRUE(KeyboardWith("Body Properties")) << "the double click opened no dialog";
  ASSERT_TRUE(Me().Idle());
  // The Position window's X field, which the dialog does not cover.
  Me().Click(position.x + 177, position.y + 45);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().FocusedTitle(), "Body Properties") << "a window under the dialog took the keys";
  Me().Type("120");
  ClickCancel("Body Properties");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().ShownWindows() == shown; }))
      << "Cancel did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.failure, "");
  const std::vector<SavedBody> boxes = saved.BodiesOfKind("TRectangle");
  ASSERT_EQ(boxes.size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(boxes[0].x, opened[0].x) << "the box moved under a cancelled dialog";

  // A tip, shown while the pointer rests on its button, goes when the pointer leaves the window.
  Me().MoveTo(NewButtonX(), NewButtonY());
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().ShownWindows() == shown + 1; })) << "no tip showed";
  Me().MoveTo(0, 0);
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().ShownWindows() == shown; }))
      << "the tip stayed when the pointer left the window";
}

TEST_F(DesktopFocus, AComboBoxDropsAndIsChosenFromByMouseAndByKeys) {
  ASSERT_TRUE(StartAlone());
  ASSERT_TRUE(OpenProperties());
  ASSERT_TRUE(KeyboardWith("Properties"));
  // The Object selector at the top of the window, and its field, where the choice shows.
  const Box window = Me().Place(Me().WindowTitled("Properties"));
  const int selectorX = window.x + 214;
  const int selectorY = window.y + 48;
  const Box field{window.x + 104, window.y + 42, 180, 14};
  const Picture first = Me().Grab(field);

  // A click drops the list, which stays down; a click on its second item (a row below the
  // first) chooses it.
  Me().Click(selectorX, selectorY);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 3; })) << "the list did not drop";
  ASSERT_TRUE(Me().Idle());
  ASSERT_EQ(Me().ShownWindows(), 3) << "the list closed by itself";
  EXPECT_EQ(Me().FocusedTitle(), "Properties") << "the list took the keyboard";
  Me().Click(selectorX, selectorY + 37);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 2; })) << "the list stayed down";
  ASSERT_TRUE(Me().Idle());
  const Picture byMouse = Me().Grab(field);
  EXPECT_NE(byMouse, first) << "the click chose nothing";

  // Alt+Down drops it, Down moves through it and Return chooses.
  Me().Key("Down", {"Alt_L"});
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 3; }))
      << "Alt+Down did not drop the list";
  Me().Key("Down");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 2; }))
      << "Return left the list down";
  ASSERT_TRUE(Me().Idle());
  const Picture byKeys = Me().Grab(field);
  EXPECT_NE(byKeys, byMouse) << "the keys chose nothing";

  // Escape leaves the list without choosing, and leaves the window open.
  Me().Key("Down", {"Alt_L"});
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 3; }));
  Me().Key("Down");
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 2; }))
      << "Escape left the list down";
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(field), byKeys) << "Escape chose an item";
  EXPECT_NE(Me().WindowTitled("Properties"), 0u);
}

// The box's Colour list holds more entries than it shows: the wheel and the arrows of its
// scroll bar move it, and its last entry, clicked, opens the colour chooser.
TEST_F(DesktopFocus, ALongDroppedListScrollsByWheelAndArrowsToItsLastEntry) {
  ASSERT_TRUE(OpenCopy("focus-colour.yb"));
  const int offMiddle = Pixels(0.03);
  Me().DoubleClick(Frame().x + spring_and_pin::kBoxX + offMiddle,
                   Frame().y + spring_and_pin::kObjectsY + offMiddle);
  ASSERT_TRUE(KeyboardWith("Body Properties")) << "the double click opened no dialog";
  ASSERT_TRUE(Me().Idle());
  const Box dialog = Me().Place(Me().WindowTitled("Body Properties"));
  const std::vector<Box> before = Me().ShownPlaces();
  Me().Click(dialog.x + 174, dialog.y + 109);  // the Colour list's arrow
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().ShownPlaces().size() > before.size(); }))
      << "the Colour list did not drop";
  ASSERT_TRUE(Me().Idle());
  Box list;
  for (const Box& place : Me().ShownPlaces())
    if (std::find(before.begin(), before.end(), place) == before.end()) list = place;
  const Picture top = Me().Grab(list);

  Me().Click(list.x + 20, list.y + 20, 5);  // the wheel turned down
  ASSERT_TRUE(Me().Idle());
  const Picture scrolled = Me().Grab(list);
  EXPECT_NE(scrolled, top) << "the wheel did not scroll the list";
  Me().Click(list.Right() - 4, list.y + 4);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(list), top) << "the upper arrow did not scroll back";
  Me().Click(list.Right() - 4, list.Bottom() - 4);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(list), scrolled) << "the lower arrow did not scroll";
  Me().Click(list.x + 20, list.Bottom() - 8);
  EXPECT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Colour") != 0; }))
      << "the last entry opened no colour chooser";
}

TEST_F(DesktopFocus, AFloatingWindowStaysInFrontOfTheFrameAndComesBackPainted) {
  ASSERT_TRUE(StartAlone());
  ASSERT_TRUE(OpenProperties());
  const Box window = Me().Place(Me().WindowTitled("Properties"));
  // The window's labels, which nothing the world does changes.
  const Box labels{window.x + 12, window.y + 36, 70, 28};
  const Picture shown = Me().Grab(labels);

  // A click on the world takes the keyboard to the frame; the window stays in front of it.
  Me().Click(WorldX(), WorldY());
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(KeyboardWith(kSampleTitle));
  EXPECT_EQ(Me().Grab(labels), shown) << "the floating window went behind the frame";

  // Shown again from the menu, and closed by its close box and opened again, it is painted.
  ASSERT_TRUE(OpenProperties());
  EXPECT_EQ(Me().Grab(labels), shown) << "shown again, the window shows stale pixels";
  const int box = GetSystemMetrics(SM_CYCAPTION) - 4;
  Me().Click(window.Right() - GetSystemMetrics(SM_CXFRAME) - 2 - box / 2,
             window.y + GetSystemMetrics(SM_CYFRAME) + 2 + box / 2);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Properties") == 0; }))
      << "the close box did not close the window";
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(OpenProperties());
  EXPECT_EQ(Me().Place(Me().WindowTitled("Properties")).x, window.x);
  EXPECT_EQ(Me().Grab(labels), shown) << "opened again, the window shows stale pixels";
}

TEST_F(DesktopFocus, AQuitAfterTipsMenusAndFloatingWindowsIsSilent) {
  ASSERT_TRUE(StartAlone());
  Me().MoveTo(NewButtonX(), NewButtonY());
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 2; })) << "no tip showed";
  ASSERT_TRUE(OpenProperties());
  Me().Click(WorldX(), WorldY());
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(KeyboardWith(kSampleTitle));
  // Ctrl+Q, and right behind it a question whether the program is idle, sent to the main window:
  // the question may reach the program before the window goes, and no answer is written to the
  // window once it has gone.
  const XWindowId main = Me().MainWindow();
  Me().Control("q");
  AskWhetherIdle(Desktop().Display(), main);
  ExpectCleanEnd();
}

// Quit's question about a changed world stays with the keyboard when a sent script closes
// another window meanwhile.
TEST_F(DesktopFocus, AQuestionKeepsTheKeysWhenASentScriptClosesAnotherWindow) {
  ASSERT_TRUE(StartAlone());
  ASSERT_EQ(CommandOutput(ExecuteCommand("YB.ActiveDocument.NewBody \"circle\"")), "acknowledged\n");
  Me().Control("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Person::NamesUntitledWorld(Me().FocusedTitle()); }))
      << "the keyboard is with \"" << Me().FocusedTitle() << "\", not the new world";
  Me().Control("q");
  ASSERT_TRUE(KeyboardWith("Yarrowby"));
  ASSERT_EQ(CommandOutput(ExecuteCommand(
                "Print \"closing \"; YB.Documents.Item(2).Name : YB.Documents.Item(2).Close")),
            "acknowledged\n");
  EXPECT_TRUE(Said("closing Untitled")) << Program()->Output();
  Me().Key("n");
  EXPECT_TRUE(Program()->WaitForExit()) << "the question took no key: " << Me().FocusedTitle();
}

}  // namespace
}  // namespace scenario
