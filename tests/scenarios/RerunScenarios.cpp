// A world changed, saved under a new name with its run, closed and opened again from the recent
// files runs on when asked: the world goes on frame after frame, no alert shows, and the frames
// after the stored ones follow from them as those of a run never interrupted.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "inout/meters/Output.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

constexpr char kSample[] = "spring-and-pin.yb";
constexpr char kSavedName[] = "changed.yb";

// The world's view inside the document window as the program first places it, from the main
// window's corner.
constexpr int kViewX = 58;
constexpr int kViewY = 96;
constexpr int kViewWidth = 714;
constexpr int kViewHeight = 494;

// What a saved document keeps: how many meters, and of its run how many frames (-1 for none) and the box's x in
// each of them.
struct SavedRun {
  int32_t meters = 0;
  int32_t frames = -1;
  std::vector<double> boxX;
};

SavedRun ReadSavedRun(const std::string& path) {
  SavedRun run;
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  {
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    for (TLink* object : world.Objects())
      if (dynamic_cast<TOutput*>(object) != nullptr) ++run.meters;
    if (const TFrameStore* store = world.GetStore()) {
      run.frames = store->FrameCount();
      const int32_t offset = world.BodyValueOffset(world.FindObject(sample_worlds::kBoxId));
      for (int32_t frame = 0; offset >= 0 && frame < run.frames; ++frame)
        run.boxX.push_back(store->Value(frame, offset));
    }
  }
  app.TermUnits();
  app.FreeResourceDlls();
  return run;
}

// The box's x when the sample as shipped runs without a pause to the frame.
double UninterruptedBoxX(const std::string& sample, int16_t frame) {
  double x = 0.0;
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  {
    TQVDoc document;
    document.ReadDocument(sample);
    TWorldDoc& world = document.World();
    world.RunToFrame(frame, nullptr);
    const int32_t offset = world.BodyValueOffset(world.FindObject(sample_worlds::kBoxId));
    x = world.GetStore()->Value(frame, offset);
  }
  app.TermUnits();
  app.FreeResourceDlls();
  return x;
}

class Rerun : public Scenario {
 protected:
  // A fresh program on the sample, once the splash window has gone; the pointer waits outside
  // the main window, where it raises no tool tip.
  ::testing::AssertionResult StartOnSample() {
    Me().MoveTo(0, 0);
    if (::testing::AssertionResult started = Start(kSample); !started) return started;
    if (!Me().WaitUntil([] { return Me().ShownWindows() == 1; }))
      return ::testing::AssertionFailure() << "the splash window stayed";
    return Me().Idle();
  }
  Box WorldView() const {
    const Box frame = Frame();
    return {frame.x + kViewX, frame.y + kViewY, kViewWidth, kViewHeight};
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
};

TEST_F(Rerun, AChangedWorldReopenedFromTheRecentFilesRunsOn) {
  ASSERT_TRUE(StartOnSample());
  // The box's position meter, from the Meter menu with the box selected by a click inside it,
  // away from the point at its middle. Saved as it opened, the world tells the scale its window
  // shows it at.
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedWorld sample = ReadSavedWorld(Home().Sample(kSample));
  ASSERT_EQ(sample.BodiesOfKind("TRectangle").size(), 1u) << sample.Description();
  const int side =
      static_cast<int>(std::lround(sample.BodiesOfKind("TRectangle")[0].width * sample.scale));
  const Box box = FindOutline(Me().Grab(Frame()), side, side);
  ASSERT_FALSE(box.Empty()) << "the box of " << side << " pixels is not shown";
  Me().Click(box.x + side / 4, box.y + 3 * side / 4);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose("Meter", 0, 0));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
  ASSERT_TRUE(RunFor(5)) << "the world did not run";
  EXPECT_EQ(Me().ShownWindows(), 1) << "the run ended in an alert";

  // File > Save As..., a new name, File > Close, and File > 1, the first recent file.
  ASSERT_TRUE(Choose("File", 4, 0));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; }))
      << "the save dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  Me().Type(kSavedName);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil(
      [] { return Me().WindowTitled(std::string("Yarrowby - ") + kSavedName) != 0; }))
      << "the title does not name the saved world";
  ASSERT_TRUE(Me().Idle());
  const SavedRun saved = ReadSavedRun(Home().Sample(kSavedName));
  ASSERT_EQ(saved.meters, 1) << "the saved world has no meter";
  ASSERT_GT(saved.frames, 1) << "the saved world keeps no run";
  ASSERT_TRUE(Choose("File", 2, 0));
  ASSERT_TRUE(Choose("File", 10, 2));
  ASSERT_NE(Me().WindowTitled(std::string("Yarrowby - ") + kSavedName), 0u)
      << "the recent file did not open";

  ASSERT_TRUE(RunFor(10)) << "the reopened world did not run on";
  EXPECT_EQ(Me().ShownWindows(), 1) << "the run ended in an alert";
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedRun runOn = ReadSavedRun(Home().Sample(kSavedName));
  ASSERT_GT(runOn.frames, saved.frames) << "the run did not go past its last stored frame";
  // The frames kept and the first one after them are those of a run never interrupted.
  ASSERT_EQ(runOn.boxX.size(), static_cast<size_t>(runOn.frames));
  const auto next = static_cast<int16_t>(saved.frames);
  EXPECT_DOUBLE_EQ(runOn.boxX[static_cast<size_t>(next - 1)], saved.boxX.back());
  EXPECT_NEAR(runOn.boxX[static_cast<size_t>(next)],
              UninterruptedBoxX(Home().Sample(kSample), next), 1e-9)
      << "the run went on from another state than its last stored frame's";
}

}  // namespace
}  // namespace scenario
