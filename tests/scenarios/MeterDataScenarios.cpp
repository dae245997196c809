// The Position meter of the pendulum's bob, placed from the Meter menu: its data exported with
// each meter's x-axis column, chosen in the export's options, carry each frame's time; Edit >
// Copy and Edit > Paste of it give the world a second meter.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "simulation/Engine.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

constexpr char kSample[] = "pendulum.yb";
// The export dialog's rows: 20 pixels and 8 between; its Options button is the third row from
// its bottom, 8 pixels in from its left edge.
constexpr int kDialogRow = 28;
constexpr int kOptionsRowsAboveBottom = 3;
constexpr int kOptionsLeft = 8;
constexpr char kOptionsTitle[] = "Meter Data Export Options";

// What a saved document tells of its world.
struct SavedRun {
  double timeStep = 0;
  int lastFrame = -1;
  size_t meters = 0;
};

SavedRun ReadSavedRun(const std::string& path) {
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  SavedRun run;
  TWorldDoc& world = document.World();
  if (world.GetEngine() != nullptr) run.timeStep = world.GetEngine()->TimeStep();
  run.lastFrame = world.LastFrame();
  run.meters = world.Outputs().size();
  return run;
}

// The rows of a meter data file, each its numbers.
std::vector<std::vector<double>> Rows(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::vector<double>> rows;
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line);
    std::vector<double> numbers;
    for (std::string field; std::getline(fields, field, '\t');)
      numbers.push_back(std::strtod(field.c_str(), nullptr));
    rows.push_back(numbers);
  }
  return rows;
}

class MeterData : public SampleScenario {
 protected:
  // The world's view inside the document window, clear of the palettes and scroll bars.
  Box WorldView() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 80, frame.width - 106, frame.height - 150};
  }
  // The bob clicked inside below its middle and Meter > Position chosen: the box of the meter
  // drawn at the top left of the view. A click on an empty place then deselects, and the world runs a little
  // (Ctrl+R, then Ctrl+. once the window shows the bob moving).
  Box PlaceMeterAndRun() {
    const Box view = WorldView();
    const Box bob = HangingCircle(Me().Grab(view), IsInk);
    EXPECT_GT(bob.width, 20) << "the pendulum's bob is not shown";
    Me().Click(bob.x + bob.width / 2, bob.Bottom() - 1 - bob.height / 4);
    Me().MoveTo(0, 0);
    EXPECT_TRUE(Me().Idle());
    const Box corner{view.x - 8, view.y, 230, 75};
    const Picture before = Me().Grab(corner);
    EXPECT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
    const Box meter = ChangedBox(before, Me().Grab(corner));
    Me().Click(view.Right() - 30, view.y + 30);
    EXPECT_TRUE(Me().Idle());
    const Picture still = Me().Grab(view);
    Me().Control("r");
    EXPECT_TRUE(Me().WaitUntil([&] { return Me().Grab(view) != still; }));
    Me().Control("period");
    EXPECT_TRUE(Me().Idle());
    return meter;
  }

  // The export dialog's client area on the screen.
  static Box DialogClient() {
    const Box dialog = Me().Place(Me().WindowTitled("Export"));
    RECT insets{0, 0, 0, 0};
    AdjustWindowRectEx(&insets, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE,
                       WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
    return Box{dialog.x - insets.left, dialog.y - insets.top,
               dialog.width - (insets.right - insets.left),
               dialog.height - (insets.bottom - insets.top)};
  }

  // File > Export... by its keys; Options... clicked, and in the options the second box (each
  // meter's x-axis column) ticked from the keyboard; the data exported to the path.
  void ExportWithXAxis(const std::string& path) {
    Me().Key("f", {"Alt_L"});
    Me().Key("e");
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Export"; }))
        << "the export dialog did not take the keyboard: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    const Box client = DialogClient();
    Me().Click(client.x + kOptionsLeft + 20,
               client.y + client.height - kOptionsRowsAboveBottom * kDialogRow + 10);
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == kOptionsTitle; }))
        << "the options did not open: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    Me().Key("Tab");
    Me().Key("space");
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled(kOptionsTitle) == 0; }))
        << "the options stayed";
    ASSERT_TRUE(Me().Idle());
    Me().Key("n", {"Alt_L"});
    Me().Type(path);
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Export") == 0; }))
        << "the export dialog stayed";
    ASSERT_TRUE(Me().Idle());
  }

  SavedRun Save() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadSavedRun(CopyPath());
  }
};

TEST_F(MeterData, TheXAxisColumnOfAnExportHoldsEachFramesTime) {
  ASSERT_TRUE(OpenCopy("meterdata-time.yb", kSample));
  const Box meter = PlaceMeterAndRun();
  ASSERT_GE(meter.width, 40) << "no meter was drawn";
  const std::string data = Home().Path("bob.dta");
  ExportWithXAxis(data);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(std::filesystem::exists(data)) << "no meter data were written";

  const SavedRun run = Save();
  ASSERT_GT(run.timeStep, 0.0);
  ASSERT_GT(run.lastFrame, 0) << "the run recorded no frames";
  // A row for each recorded frame, the first at the start.
  const std::vector<std::vector<double>> rows = Rows(data);
  ASSERT_EQ(rows.size(), static_cast<size_t>(run.lastFrame + 1));
  for (size_t frame = 0; frame < rows.size(); ++frame) {
    // Time, x, y and the turn: the x axis stands before the three shown columns.
    ASSERT_EQ(rows[frame].size(), 4u) << "frame " << frame << " has no x-axis column";
    // The file holds five significant digits, so a run that Stop reached past ten seconds
    // writes its times a place coarser.
    const double time = static_cast<double>(frame) * run.timeStep;
    EXPECT_NEAR(rows[frame][0], time, 1e-4 * std::max(1.0, time)) << "frame " << frame;
  }
}

TEST_F(MeterData, ACopiedMeterPastedIsASecondMeter) {
  ASSERT_TRUE(OpenCopy("meterdata-copy.yb", kSample));
  const Box meter = PlaceMeterAndRun();
  ASSERT_GE(meter.width, 40) << "no meter was drawn";
  // The meter chosen by a click on its right end, clear of its kind button; Edit > Copy.
  Me().Click(meter.Right() - 6, meter.y + meter.height / 2);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Edit", "Copy"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the copy asked something";
  // Back at the start (Ctrl+T) the world takes edits again: Edit > Paste.
  Me().Control("t");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Edit", "Paste"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the paste asked something";
  EXPECT_EQ(Save().meters, 2u) << "the saved world does not hold two meters";
}

}  // namespace
}  // namespace scenario
