// Documents from the File menu: a world saved under a new name, closed and opened again from the
// recent files looks as it did; Close closes the window last clicked and leaves the other; a run
// stepped back on its recorded frames goes on past the last of them.

#include <cstdint>
#include <filesystem>
#include <string>

#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// The world's view inside the document window as the program first places it, from the main
// window's corner, without the window's scroll bars.
constexpr int kViewX = 58;
constexpr int kViewY = 96;
constexpr int kViewWidth = 714;
constexpr int kViewHeight = 494;

bool IsDark(uint32_t pixel) {
  const uint32_t red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
  return red + green + blue < 3 * 64;
}

// How many frames the run of a saved document keeps; -1 when it keeps none.
int32_t SavedFrameCount(const std::string& path) {
  int32_t count = -1;
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  if (const TFrameStore* store = document.World().GetStore()) count = store->FrameCount();
  return count;
}

class Documents : public Scenario {
 protected:
  // Waits for the picture of the box to change `count` times from `shown`, which follows it;
  // a running world is never idle, so its view is watched instead.
  static ::testing::AssertionResult WatchFrames(const Box& box, Picture& shown, int count) {
    for (int change = 0; change < count; ++change) {
      const bool changed = Me().WaitUntil([&] {
        Picture now = Me().Grab(box);
        if (now == shown) return false;
        shown = std::move(now);
        return true;
      });
      if (!changed)
        return ::testing::AssertionFailure() << "the run stood still after " << change << " frames";
    }
    return ::testing::AssertionSuccess();
  }
  Box WorldView() const {
    const Box frame = Frame();
    return {frame.x + kViewX, frame.y + kViewY, kViewWidth, kViewHeight};
  }
};

TEST_F(Documents, AWorldSavedAsClosedAndReopenedFromTheRecentFilesLooksAsItDid) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  // File > Save As..., and a name typed into the folder the dialog shows, the sample's own.
  ASSERT_TRUE(Choose({"File", "Save As..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; }))
      << "the save dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  Me().Type("kept.yb");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby - kept.yb") != 0; }))
      << "the title does not name the saved world";
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(std::filesystem::exists(Home().Sample("kept.yb")));
  const Box view = WorldView();
  const Picture before = Me().Grab(view);

  // File > Close: the workspace's plain colour takes the window's place.
  ASSERT_TRUE(Choose({"File", "Close"}));
  const Picture closed = Me().Grab(view);
  EXPECT_EQ(closed.Count([&](uint32_t pixel) { return pixel == closed.pixels.front(); }),
            view.width * view.height)
      << "the window is still shown";

  // File > 1 kept.yb, the first recent file.
  ASSERT_TRUE(ChooseRecentFile(1));
  EXPECT_EQ(Me().Grab(view).Differences(before), 0) << "the world reopened looks otherwise";
  EXPECT_NE(Me().WindowTitled("Yarrowby - kept.yb"), 0u);
}

// A click in the world of the window behind makes it the active one: the main window's title
// names it, and File > Close closes it, not the window made last.
TEST_F(Documents, CloseClosesTheWindowLastClickedAndLeavesTheOther) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  Me().Control("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().UntitledWorldWindow() != 0; }))
      << "Ctrl+N made no new world";
  ASSERT_TRUE(Me().Idle());
  // Window > Tile: the two windows side by side, the new one active.
  ASSERT_TRUE(Choose({"Window", "Tile"}));
  const Box view = WorldView();
  const int half = view.width / 2;
  const Box left{view.x, view.y, half - 20, view.height};
  const Box right{view.x + half + 10, view.y, half - 30, view.height};
  const auto darkPixels = [](const Box& box) { return Me().Grab(box).Count(IsDark); };
  // The pendulum's window is the one that shows the bob's outline; the new world is empty.
  const bool pendulumLeft = darkPixels(left) > darkPixels(right);
  const Box pendulum = pendulumLeft ? left : right;
  const Box untitled = pendulumLeft ? right : left;
  ASSERT_GT(darkPixels(pendulum), 100) << "the pendulum is not shown beside the new world";
  const Picture untitledBefore = Me().Grab(untitled);

  // A click on an empty corner of the pendulum's world makes its window the active one.
  Me().Click(pendulum.x + 10, pendulum.y + 30);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().WindowTitled("Yarrowby - pendulum.yb"), 0u)
      << "the click did not make the pendulum's window the active one";

  ASSERT_TRUE(Choose({"File", "Close"}));
  EXPECT_LT(darkPixels(pendulum), 20) << "the pendulum's window is still shown";
  EXPECT_EQ(Me().Grab(untitled).Differences(untitledBefore), 0)
      << "the new world's window changed";
  EXPECT_NE(Me().UntitledWorldWindow(), 0u)
      << "the title does not name the world left open";
}

TEST_F(Documents, ARunSteppedBackGoesOnPastItsLastRecordedFrame) {
  const std::string sample = "spring-and-pin.yb";
  ASSERT_TRUE(StartOnSample(sample));
  const Box view = WorldView();
  Picture shown = Me().Grab(view);
  Me().Control("r");
  ASSERT_TRUE(WatchFrames(view, shown, 5)) << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  const Picture stopped = Me().Grab(view);
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const int32_t recorded = SavedFrameCount(Home().Sample(sample));
  ASSERT_GT(recorded, 1) << "the saved world keeps no run";

  // World > Step Back: an earlier frame of the tape.
  ASSERT_TRUE(Choose({"World", "Step Back"}));
  shown = Me().Grab(view);
  EXPECT_NE(shown, stopped) << "Step Back showed no earlier frame";

  // Run again: through the last recorded frame and on, frame after frame.
  Me().Control("r");
  ASSERT_TRUE(WatchFrames(view, shown, 10));
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().ShownWindows(), 1) << "the run ended in an alert";
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(SavedFrameCount(Home().Sample(sample)), recorded)
      << "the run did not go past its last recorded frame";
}

}  // namespace
}  // namespace scenario
