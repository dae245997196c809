// A world saved with its run, closed and opened again from the recent files: run on, it goes on
// frame after frame without an alert, the frames after the stored ones following from them as
// those of a run never interrupted; reset and changed first (its spring constant's slider
// moved), it forgets the stored frames and runs from its start with the new constant.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "constraints/Springs.h"
#include "inout/meters/Output.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "simulation/Engine.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

constexpr char kSample[] = "spring-and-pin.yb";
constexpr char kSavedName[] = "changed.yb";
using namespace spring_and_pin;

// What a saved document keeps: how many meters, and of its run how many frames (-1 for none) and
// the box's x in each of them; the box's mass, the spring's rest length and the constant its
// slider gives it, and the seconds a frame lasts.
struct SavedRun {
  int32_t meters = 0;
  int32_t frames = -1;
  std::vector<double> boxX;
  double mass = 0.0;
  double rest = 0.0;
  double constant = 0.0;
  double step = 0.0;
  double Seconds() const { return step * std::max(frames - 1, 0); }
};

SavedRun ReadSavedRun(const std::string& path) {
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  SavedRun run;
  for (TLink* object : world.Objects())
    if (dynamic_cast<TOutput*>(object) != nullptr) ++run.meters;
  auto* box = dynamic_cast<TMass*>(world.FindObject(sample_worlds::kBoxId));
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId));
  if (box != nullptr) run.mass = box->GetMass();
  if (spring != nullptr) {
    run.rest = spring->RestValue().GetValue();
    NamesSlider(world, spring->Quantity(), run.constant);
  }
  if (world.GetEngine() != nullptr) run.step = world.GetEngine()->TimeStep();
  if (const TFrameStore* store = world.GetStore()) {
    run.frames = store->FrameCount();
    const int32_t offset = world.BodyValueOffset(box);
    for (int32_t frame = 0; offset >= 0 && frame < run.frames; ++frame)
      run.boxX.push_back(store->Value(frame, offset));
  }
  return run;
}

// The box's x when the sample as shipped runs without a pause to the frame.
double UninterruptedBoxX(const std::string& sample, int16_t frame) {
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(sample);
  TWorldDoc& world = document.World();
  world.RunToFrame(frame, nullptr);
  const int32_t offset = world.BodyValueOffset(world.FindObject(sample_worlds::kBoxId));
  return world.GetStore()->Value(frame, offset);
}

// The first column of each row of a meter data file: the box's x, frame by frame.
std::vector<double> ExportedX(const std::string& path) {
  std::ifstream file(path);
  std::vector<double> xs;
  for (std::string line; std::getline(file, line);) xs.push_back(std::strtod(line.c_str(), nullptr));
  return xs;
}

// The swing's period: twice the mean time between passes through the rest place.
double Period(const std::vector<double>& x, double rest, double step) {
  std::vector<double> passes;
  for (size_t i = 1; i < x.size(); ++i) {
    const double a = x[i - 1] - rest, b = x[i] - rest;
    if ((a > 0.0) != (b > 0.0)) passes.push_back(step * (static_cast<double>(i - 1) + a / (a - b)));
  }
  if (passes.size() < 3) return 0.0;
  return 2.0 * (passes.back() - passes.front()) / static_cast<double>(passes.size() - 1);
}

class Rerun : public SampleScenario {
 protected:
  Box WorldView() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 96, 714, 494};
  }
  // Runs with Ctrl+R until the view has changed `count` times, then stops with Ctrl+period. A
  // running world is never idle, so its view is watched instead.
  ::testing::AssertionResult RunFor(int count) {
    const Box view = WorldView();
    Picture shown = Me().Grab(view);
    Me().Control("r");
    for (int change = 0; change < count; ++change) {
      const bool changed = Me().WaitUntil([&] {
        Picture now = Me().Grab(view);
        if (now == shown) return false;
        shown = std::move(now);
        return true;
      });
      if (!changed)
        return ::testing::AssertionFailure() << "the run stood still after " << change << " frames";
    }
    Me().Control("period");
    return Me().Idle();
  }
  // Runs a stretch at a time, saving after each, until the saved run is long enough. A stretch
  // may end while the run still replays the frames it had, however busy the machine.
  SavedRun RunUntilSaved(const std::function<bool(const SavedRun&)>& enough) {
    SavedRun run;
    for (int stretch = 0; stretch < 40 && !enough(run); ++stretch) {
      EXPECT_TRUE(RunFor(1));
      run = Save();
    }
    return run;
  }
  SavedRun RunForSeconds(double seconds) {
    return RunUntilSaved([&](const SavedRun& run) { return run.Seconds() >= seconds; });
  }
  // Ctrl+S, and the world as saved where the window's document lives.
  SavedRun Save() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadSavedRun(document_.empty() ? CopyPath() : Home().Sample(document_));
  }
  // Save As under the name, File > Close, and the first recent file.
  void SaveCloseAndReopen(const std::string& name) {
    ASSERT_TRUE(Choose({"File", "Save As..."}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; }))
        << "the save dialog did not take the keyboard: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    Me().Type(name);
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; }))
        << "the title does not name the saved world";
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Choose({"File", "Close"}));
    ASSERT_TRUE(ChooseRecentFile(1));
    ASSERT_NE(Me().WindowTitled("Yarrowby - " + name), 0u) << "the recent file did not open";
    document_ = name;
  }
  // A click inside the box, away from the point at its middle, and Meter > Position.
  void MeterTheBox() {
    const Box box = OutlineOf("TRectangle");
    ASSERT_FALSE(box.Empty()) << "the box is not shown";
    Me().Click(box.x + box.width / 4, box.y + 3 * box.height / 4);
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
    ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
  }

  std::string document_;
};

TEST_F(Rerun, AChangedWorldReopenedFromTheRecentFilesRunsOn) {
  ASSERT_TRUE(OpenCopy("rerun.yb"));
  ASSERT_NO_FATAL_FAILURE(MeterTheBox());
  ASSERT_TRUE(RunFor(5)) << "the world did not run";
  EXPECT_EQ(Me().ShownWindows(), 1) << "the run ended in an alert";
  ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(kSavedName));
  const SavedRun saved = ReadSavedRun(Home().Sample(kSavedName));
  ASSERT_EQ(saved.meters, 1) << "the saved world has no meter";
  ASSERT_GT(saved.frames, 1) << "the saved world keeps no run";

  const SavedRun runOn =
      RunUntilSaved([&](const SavedRun& run) { return run.frames > saved.frames; });
  EXPECT_EQ(Me().ShownWindows(), 1) << "the run ended in an alert";
  ASSERT_GT(runOn.frames, saved.frames) << "the run did not go past its last stored frame";
  // The frames kept and the first one after them are those of a run never interrupted.
  ASSERT_EQ(runOn.boxX.size(), static_cast<size_t>(runOn.frames));
  const auto next = static_cast<int16_t>(saved.frames);
  EXPECT_DOUBLE_EQ(runOn.boxX[static_cast<size_t>(next - 1)], saved.boxX.back());
  EXPECT_NEAR(runOn.boxX[static_cast<size_t>(next)],
              UninterruptedBoxX(Home().Sample(kSample), next), 1e-9)
      << "the run went on from another state than its last stored frame's";
}

TEST_F(Rerun, AReopenedWorldWhoseSliderMovedAtTheStartRunsWithTheNewConstant) {
  ASSERT_TRUE(OpenCopy("rerun-slider.yb"));
  const Box frame = Frame();
  Me().Click(frame.x + (kAnchorX + kBoxX) / 2, frame.y + kObjectsY);
  ASSERT_TRUE(Me().Idle());
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  ASSERT_TRUE(Choose({"Input", "Spring constant"}, {.objectMenu = "InSpringMenu"}));
  const Box slider = SliderTrack(empty, Me().Grab(area));
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  ASSERT_NO_FATAL_FAILURE(MeterTheBox());
  // A run of a whole swing is saved with the world.
  const SavedRun first = RunForSeconds(0.65);
  ASSERT_GE(first.Seconds(), 0.65) << "the first run stopped short";
  ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen("rerun-reopened.yb"));

  // Reset, and the thumb dragged from the top of the track to its middle.
  Me().Control("t");
  ASSERT_TRUE(Me().Idle());
  const int y = slider.y + slider.height / 2;
  Me().SlowDrag(slider.Right() - 1 - kThumbLength / 2, y, slider.x + slider.width / 2, y);
  ASSERT_TRUE(Me().Idle());
  const SavedRun moved = Save();
  ASSERT_LT(moved.constant, 0.8 * first.constant) << "the drag left the constant";
  const double period = 2.0 * std::numbers::pi * std::sqrt(moved.mass / moved.constant);

  const SavedRun run = RunForSeconds(2.0 * period);
  const std::string data = Home().Path("rerun.dta");
  ASSERT_TRUE(Choose({"File", "Export..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Export"; }))
      << "the export dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  Me().Key("n", {"Alt_L"});
  Me().Type(data);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Export") == 0; }))
      << "the export dialog stayed";
  ASSERT_TRUE(Me().Idle());
  const std::vector<double> x = ExportedX(data);
  ASSERT_EQ(x.size(), static_cast<size_t>(run.frames)) << "the meter data are not the run's";
  EXPECT_NEAR(Period(x, run.rest, run.step), period, 0.02 * period)
      << "the run from frame 0 does not swing with the constant " << moved.constant;
}

}  // namespace
}  // namespace scenario
