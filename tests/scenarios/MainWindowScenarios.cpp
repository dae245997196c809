// The main window on a bare desktop (no window manager, as a newcomer may meet it): it names its
// document, moves by its caption, offers no minimize that nothing could undo, closes by its close
// box and quits from the File menu, cleanly and silently, with the leak check on in sanitizer
// builds. A start-up script runs once the document is open; a run stops at the stop key; Save As
// writes a world that reads back.

#include <filesystem>
#include <fstream>

#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "scripting/host/Application.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

constexpr char kSampleTitle[] = "Yarrowby - spring-and-pin.yb";

class MainWindow : public Scenario {
 protected:
  // File > Quit, below the recent files.
  ::testing::AssertionResult Quit(int recentFiles = 1) {
    return Click({"File", "Quit"}, {.recentFiles = recentFiles});
  }
  // A clean end: status 0 and nothing said.
  void ExpectCleanEnd(RunningProgram& program, const std::string& said = "") {
    ASSERT_TRUE(program.WaitForExit()) << "the program did not end:\n" << program.Output();
    EXPECT_EQ(program.ExitCode(), 0) << program.Output();
    EXPECT_EQ(program.Output(), said);
  }
};

TEST_F(MainWindow, MovesByItsCaptionAndClosesByItsCloseBox) {
  ASSERT_TRUE(Start());
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(kSampleTitle) != 0; }))
      << "the title does not name the document";
  const Box before = Frame();
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int edge = GetSystemMetrics(SM_CXFRAME);
  Me().SlowDrag(before.x + 100, before.y + edge + caption / 2, before.x + 160, before.y + edge +
                caption / 2 + 40, 6);
  ASSERT_TRUE(Me().Idle());
  const Box after = Frame();
  EXPECT_EQ(after.x, before.x + 60);
  EXPECT_EQ(after.y, before.y + 40);

  // The close box sits at the right end of the caption, the minimize box two boxes left of it.
  // With no window manager nothing could give a minimized window back: the minimize box does
  // nothing, and the close box acts at once.
  const int box = caption - 4;
  const int closeX = after.Right() - edge - 2 - box / 2;
  const int closeY = after.y + edge + 2 + box / 2;
  Me().Click(closeX - 2 * box - 2, closeY);
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().MainWindow(), 0u) << "the minimize box took the window away";
  Me().Click(closeX, closeY);
  ExpectCleanEnd(*Program());
}

TEST_F(MainWindow, AnAlertAboutADocumentThatCannotBeReadIsAnsweredFromTheKeyboard) {
  RunningProgram& program = Launch({"/nonexistent/world.yb"});
  // The alert is the one window; keys go to it once it holds the keyboard.
  ASSERT_TRUE(Me().WaitUntil([&] {
    return Me().ShownWindows() == 1 && !Me().FocusedTitle().empty();
  })) << "no alert took the keyboard:\n" << program.Output();
  Me().Key("Return");
  ASSERT_TRUE(program.WaitForExit()) << "Return did not answer the alert:\n" << program.Output();
  EXPECT_EQ(program.ExitCode(), 1);
  EXPECT_NE(program.Output().find("The document \"/nonexistent/world.yb\" was not opened."),
            std::string::npos)
      << program.Output();
}

TEST_F(MainWindow, RunsTheStartupScriptAfterTheDocumentOpensAndQuitsFromTheFileMenu) {
  const std::string folder = Home().Path("program");
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/qvstart.ybs", std::ios::binary)
      << "Sub Main()\r\n  Print YB.Version\r\n  Print YB.Documents.Count\r\n"
         "  Print YB.ActiveDocument Is YB.Documents.Item(1)\r\n  Print YB.CurrentScriptPath\r\n"
         "End Sub\r\n";
  const std::string expected =
      std::string(TAPIApplication::kVersion) + "\n1\nTrue\n" + folder + "/\n";
  ASSERT_TRUE(Start("spring-and-pin.yb", {{"YB_PROGRAM_DIR", folder}}));
  RunningProgram& program = *Program();
  EXPECT_TRUE(Me().WaitUntil([&] { return program.Output() == expected; })) << program.Output();
  ASSERT_TRUE(Quit());
  ExpectCleanEnd(program, expected);
  std::filesystem::remove_all(folder);
}

TEST_F(MainWindow, ARunWithoutAnEndStopsAtTheStopKey) {
  // The sample has no stop frame: its run goes on until it is stopped. The pointer waits
  // outside the window, where no tool tip comes up between two looks at the stopped frame.
  ASSERT_TRUE(StartOnSample("spring-and-pin.yb"));
  const Box frame = Frame();
  const Picture still = Me().Grab(frame);
  Me().Control("r");
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().Grab(frame) != still; }))
      << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  // Stopped, the window shows one frame and stays as it is.
  const Picture stopped = Me().Grab(frame);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(frame), stopped) << "the run went on after the stop key";

  // File > Quit asks whether to save the world the run changed; N answers No.
  const int shown = Me().ShownWindows();
  ASSERT_TRUE(Quit());
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().ShownWindows() == shown + 1; }))
      << "Quit did not ask to save the changed world";
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Yarrowby"; }))
      << "the question did not take the keyboard: " << Me().FocusedTitle();
  Me().Key("n");
  ExpectCleanEnd(*Program());
}

TEST_F(MainWindow, SaveAsFromTheFileMenuWritesAWorldThatReadsBackAndRewritesAlike) {
  ASSERT_TRUE(Start());
  const std::string saved = Home().Path("saved.yb");
  ASSERT_TRUE(Click({"File", "Save As..."}));
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Save the world as"; }))
      << "the save dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  Me().Type(saved);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - saved.yb") != 0; }))
      << "the title does not name the saved world";
  ASSERT_TRUE(std::filesystem::exists(saved));
  // The saved world closes without a question; the recent list now holds two files.
  RunningProgram& program = *Program();
  ASSERT_TRUE(Quit(2));
  ExpectCleanEnd(program);

  // What was written reads back and is written again byte for byte.
  ProgramUnits units;
  TQVDoc readBack;
  readBack.ReadDocument(saved);
  const std::string again = Home().Path("again.yb");
  readBack.WriteDocument(again);
  EXPECT_EQ(program_documents::FirstDifference(program_documents::ReadBytes(saved),
                                               program_documents::ReadBytes(again)),
            -1);
}

}  // namespace
}  // namespace scenario

namespace scenario {
namespace {

// A scenario group starts the program again after stopping one that was still running: the new
// one must not take the stopped one for a running copy of itself.
TEST_F(MainWindow, StartsAgainAfterAStoppedProgram) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Start());
  EXPECT_NE(Me().WindowTitled(kSampleTitle), 0u);
  Stop();
}

}  // namespace
}  // namespace scenario
