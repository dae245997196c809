// The File menu's remaining commands and the About box, walked as a person walks them: a world
// opened by its typed path from Ctrl+O; a changed world closed without saving, and a Quit
// cancelled at its question; a world printed from Ctrl+P into a PDF file; a drawing imported into
// the open world; and the About box with the program's version, closed from the keyboard.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  return static_cast<bool>(file);
}

// Whether the whole picture shows one plain colour: no window stands there.
bool Plain(const Picture& picture) {
  const uint32_t first = picture.pixels.front();
  return picture.Count([&](uint32_t pixel) { return pixel == first; }) ==
         static_cast<int>(picture.pixels.size());
}

// The bands of rows holding ink in the picture's columns [left, right): one per line of text. A
// row inked all across is a window's edge, not text; a single blank row (inside a descender)
// does not end a band.
int InkBands(const Picture& picture, int left, int right) {
  int bands = 0;
  int lastInked = -3;
  for (int y = 0; y < picture.box.height; ++y) {
    int inked = 0;
    for (int x = left; x < right; ++x)
      inked += IsInk(picture.At(x, y)) ? 1 : 0;
    if (inked == 0 || inked == right - left) continue;
    if (y - lastInked > 2) ++bands;
    lastInked = y;
  }
  return bands;
}

// A drawing with one circle, written as the plainest exchange file holds it: an entities section
// and nothing else.
constexpr double kCircleX = 1.0, kCircleY = 0.5, kCircleRadius = 0.4;
std::string CircleDrawing() {
  char text[256];
  std::snprintf(text, sizeof text,
                "0\nSECTION\n2\nENTITIES\n0\nCIRCLE\n8\n0\n10\n%g\n20\n%g\n30\n0.0\n40\n%g\n"
                "0\nENDSEC\n0\nEOF\n",
                kCircleX, kCircleY, kCircleRadius);
  return text;
}

class FileCommands : public SampleScenario {
 protected:
  static ::testing::AssertionResult TitleNames(const std::string& name) {
    if (!Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; }))
      return ::testing::AssertionFailure()
             << "the title does not name " << name << ": " << Me().Titles().front();
    return Me().Idle();
  }
  static ::testing::AssertionResult Focused(const std::string& title) {
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == title; }))
      return ::testing::AssertionFailure()
             << "\"" << title << "\" did not take the keyboard: " << Me().FocusedTitle();
    return Me().Idle();
  }
  // The question a changed world asks before it goes, answered by the key.
  static ::testing::AssertionResult Answer(const std::string& key) {
    if (::testing::AssertionResult asked = Focused("Yarrowby"); !asked) return asked;
    Me().Key(key);
    return ::testing::AssertionSuccess();
  }
  // Every object of the front world selected and deleted from the keyboard; fails when the view
  // shows no change.
  ::testing::AssertionResult DeleteEverything() const {
    const Box view = WorldView();
    const Picture before = Me().Grab(view);
    Me().Control("a");
    Me().Key("Delete");
    Me().MoveTo(0, 0);
    if (::testing::AssertionResult idle = Me().Idle(); !idle) return idle;
    if (Me().Grab(view) == before)
      return ::testing::AssertionFailure() << "Select All and Delete changed nothing";
    return ::testing::AssertionSuccess();
  }
  Box WorldView() const {
    return window_seen::UpperWorld(window_seen::FindDocumentWindow(Me(), Frame()));
  }
};

TEST_F(FileCommands, ControlOOpensTheWorldWhosePathIsTypedInAWindowTitledWithItsName) {
  const std::string opened = Home().Sample("opened-by-name.yb");
  std::filesystem::copy_file(Home().Sample("pendulum.yb"), opened,
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(StartOnSample("spring-and-pin.yb"));
  const Picture springAndPin = Me().Grab(WorldView());

  Me().Control("o");
  ASSERT_TRUE(Focused("Open a world"));
  Me().Type(opened);
  Me().Key("Return");
  ASSERT_TRUE(TitleNames("opened-by-name.yb"));
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().Grab(WorldView()), springAndPin) << "no window shows the opened world";
}

// Of twelve worlds in the folder the open dialog lists, the twelfth is reached by the wheel
// once a file is clicked, and a double click opens it.
TEST_F(FileCommands, TheLastOfTwelveWorldsReachedByTheWheelOpens) {
  ASSERT_TRUE(StartOnSample("spring-and-pin.yb"));
  for (int i = 1; i <= 12; ++i) {
    const std::string name = (i < 10 ? "world-0" : "world-") + std::to_string(i) + ".yb";
    std::filesystem::copy_file(Home().Sample("pendulum.yb"), Home().Path("home") + "/" + name,
                               std::filesystem::copy_options::overwrite_existing);
  }
  Me().Control("o");
  ASSERT_TRUE(Focused("Open a world"));
  const Box dialog = Me().Place(Me().WindowTitled("Open a world"));
  // The middle of the list's first row; its rows are 20 pixels high, ten shown.
  const int x = dialog.x + 60;
  const int y = dialog.y + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) + 47;
  Me().Click(x, y);
  ASSERT_TRUE(Me().Idle());
  Me().Click(x, y, 5);
  ASSERT_TRUE(Me().Idle());
  Me().DoubleClick(x, y + 9 * 20);
  EXPECT_TRUE(TitleNames("world-12.yb"));
}

// File > Close of a changed world asks; No closes the window and leaves the file alone.
TEST_F(FileCommands, CloseOfAChangedWorldAsksAndNoLeavesTheFileAsItWas) {
  ASSERT_TRUE(OpenCopy("closed-unsaved.yb", "pendulum.yb"));
  const std::string bytes = FileBytes(CopyPath());
  const Box view = WorldView();
  ASSERT_TRUE(DeleteEverything());

  ASSERT_TRUE(Click({"File", "Close"}));
  ASSERT_TRUE(Answer("n"));
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Plain(Me().Grab(view))) << "the window is still shown";
  EXPECT_EQ(Me().WindowTitled("Yarrowby - closed-unsaved.yb"), 0u);
  EXPECT_EQ(FileBytes(CopyPath()), bytes) << "the file changed";
}

// Ctrl+Q of a changed world asks; Cancel keeps the program and the changed world; a second
// Quit answered No ends the program cleanly without writing the file.
TEST_F(FileCommands, QuitOfAChangedWorldAsksAndCancelKeepsTheProgramRunning) {
  ASSERT_TRUE(OpenCopy("quit-cancelled.yb"));
  const std::string bytes = FileBytes(CopyPath());
  ASSERT_TRUE(DeleteEverything());
  const Picture changed = Me().Grab(WorldView());

  Me().Control("q");
  ASSERT_TRUE(Answer("Escape"));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() != "Yarrowby"; }))
      << "the question stayed";
  ASSERT_TRUE(Me().Idle());
  EXPECT_FALSE(Program()->WaitForExit(0)) << "Cancel ended the program";
  EXPECT_NE(Me().WindowTitled("Yarrowby - quit-cancelled.yb"), 0u);
  EXPECT_EQ(Me().Grab(WorldView()), changed) << "the changed world is not shown as it was";

  Me().Control("q");
  ASSERT_TRUE(Answer("n"));
  ASSERT_TRUE(Program()->WaitForExit()) << Program()->Output();
  EXPECT_EQ(Program()->ExitCode(), 0) << Program()->Output();
  EXPECT_EQ(FileBytes(CopyPath()), bytes) << "the file changed";
}

TEST_F(FileCommands, ControlPPrintsTheWorldIntoThePdfFileNamedInThePrintDialog) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string pdf = Home().Path("printed-by-key.pdf");
  std::filesystem::remove(pdf);

  Me().Control("p");
  ASSERT_TRUE(Focused("Print"));
  // The output file's field holds the keyboard: its name is replaced by the one typed.
  Me().Key("End");
  Me().Key("Home", {"Shift_L"});
  Me().Type(pdf);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Print") == 0; }))
      << "the print dialog stayed";
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(std::filesystem::exists(pdf)) << "nothing was printed";
  const std::string printed = FileBytes(pdf);
  EXPECT_EQ(printed.substr(0, 4), "%PDF");
  EXPECT_NE(printed.find("%%EOF"), std::string::npos) << "the PDF file was not finished";
}

// File > Import reads the drawing's circle into the open world beside the objects it had.
TEST_F(FileCommands, ImportAddsTheDrawingsCircleToTheOpenWorld) {
  const std::string drawing = Home().Path("one-circle.dxf");
  ASSERT_TRUE(WriteFile(drawing, CircleDrawing()));
  ASSERT_TRUE(OpenCopy("imported-into.yb"));
  const SavedWorld& before = Opened();

  ASSERT_TRUE(Click({"File", "Import..."}));
  ASSERT_TRUE(Focused("Import"));
  Me().Type(drawing);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Import") == 0; }))
      << "the import dialog stayed";
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().WindowTitled("Yarrowby - imported-into.yb"), 0u)
      << "the drawing did not go into the open world";

  const SavedWorld after = SaveAndRead();
  ASSERT_TRUE(after.failure.empty()) << after.failure;
  ASSERT_EQ(after.bodies.size(), before.bodies.size() + 1) << after.Description();
  ASSERT_EQ(after.constraints.size(), before.constraints.size()) << after.Description();
  const std::vector<SavedBody> circles = after.BodiesOfKind("TOval");
  ASSERT_EQ(circles.size(), before.BodiesOfKind("TOval").size() + 1) << after.Description();
  bool found = false;
  for (const SavedBody& circle : circles)
    found =
        found || (std::abs(circle.x - kCircleX) < 1e-6 && std::abs(circle.y - kCircleY) < 1e-6 &&
                  std::abs(circle.width - 2 * kCircleRadius) < 1e-6);
  EXPECT_TRUE(found) << "no circle stands where the drawing puts it:\n" << after.Description();
}

// Help > About shows the name and version above the maker and the notices; Return closes it, and
// so does Escape when it is shown again.
TEST_F(FileCommands, AboutShowsTheVersionAndClosesFromTheKeyboard) {
  ASSERT_TRUE(Running("pendulum.yb"));
  for (const std::string key : {"Return", "Escape"}) {
    ASSERT_TRUE(Click({"Help", "About Yarrowby..."}));
    ASSERT_TRUE(Focused("About Yarrowby"));
    const Picture about = Me().Grab(Me().Place(Me().WindowTitled("About Yarrowby")));
    // The text lines stand in the left part, the OK button in the middle below them: the name,
    // the version, the maker, and three notices.
    EXPECT_EQ(InkBands(about, 4, about.box.width / 3), 6) << "with " << key;
    Me().Key(key);
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("About Yarrowby") == 0; }))
        << key << " did not close the About box";
    ASSERT_TRUE(Me().Idle());
    EXPECT_FALSE(Program()->WaitForExit(0));
  }
}

}  // namespace
}  // namespace scenario
