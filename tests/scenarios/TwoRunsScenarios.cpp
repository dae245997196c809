// Two worlds open side by side: only one world runs at a time. A world runs on while another
// window is brought forward, but running the second stops the first's run (its picture stands
// still while the second's moves on), running the first again stops the second, and Stop leaves
// both still and the program idle.

#include <string>
#include <utility>

#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

constexpr char kFirst[] = "pendulum.yb";
constexpr char kSecond[] = "double-pendulum.yb";

std::string TitleOf(const std::string& sample) { return std::string("Yarrowby - ") + sample; }

class TwoRuns : public Scenario {
 protected:
  // File > Open..., the sample's full path typed into the dialog's name line.
  ::testing::AssertionResult OpenByDialog(const std::string& sample) {
    if (::testing::AssertionResult chosen = Choose({"File", "Open..."}); !chosen) return chosen;
    if (!Me().WaitUntil([] { return Me().FocusedTitle() == "Open a world"; }))
      return ::testing::AssertionFailure()
             << "the open dialog did not take the keyboard: " << Me().FocusedTitle();
    Me().Type(Home().Sample(sample));
    Me().Key("Return");
    if (!Me().WaitUntil([&] { return Me().WindowTitled(TitleOf(sample)) != 0; }))
      return ::testing::AssertionFailure() << "the title does not name " << sample;
    return Me().Idle();
  }
  // The frame's workspace below the bars and right of the palettes, where the document windows
  // stand.
  Box Workspace() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 80, frame.width - 66, frame.height - 110};
  }
  // Inside a tiled window, below its caption and clear of its scroll bars: 0 left, 1 right.
  Box TiledInside(int side) const {
    const Box workspace = Workspace();
    const int half = workspace.width / 2;
    return {workspace.x + side * half + 10, workspace.y + 40, half - 40, workspace.height - 60};
  }
  // A click into a window's corner, where neither sample has a body, makes its world the one
  // the keys act on.
  ::testing::AssertionResult ClickInto(const Box& inside, const std::string& sample) {
    Me().Click(inside.x + 5, inside.y + 5);
    Me().MoveTo(0, 0);
    if (!Me().WaitUntil([&] { return Me().WindowTitled(TitleOf(sample)) != 0; }))
      return ::testing::AssertionFailure() << "the click did not bring " << sample << " forward";
    return ::testing::AssertionSuccess();
  }
  // The sample whose window stands at a side after Window > Tile: a click into it brings it
  // forward, and the title names it.
  std::string SampleAt(int side) {
    const Box inside = TiledInside(side);
    Me().Click(inside.x + 5, inside.y + 5);
    Me().MoveTo(0, 0);
    if (!Me().Idle()) return "";
    for (const std::string sample : {kFirst, kSecond})
      if (Me().WindowTitled(TitleOf(sample)) != 0) return sample;
    return "";
  }
  // Waits until the picture in the box has changed `count` times; `still`, when not empty,
  // must keep the picture it shows now all the while. A running world is never idle, so
  // pictures are watched instead.
  ::testing::AssertionResult MovesWhileStill(const Box& moving, int count, const Box& still = {}) {
    Picture shown = Me().Grab(moving);
    const Picture stillShown = still.Empty() ? Picture{} : Me().Grab(still);
    for (int change = 0; change < count; ++change) {
      bool stillMoved = false;
      const bool changed = Me().WaitUntil([&] {
        if (!still.Empty() && Me().Grab(still) != stillShown) {
          stillMoved = true;
          return true;
        }
        Picture now = Me().Grab(moving);
        if (now == shown) return false;
        shown = std::move(now);
        return true;
      });
      if (stillMoved)
        return ::testing::AssertionFailure()
               << "the world that should stand still moved on after " << change << " changes";
      if (!changed)
        return ::testing::AssertionFailure() << "the run stood still after " << change << " changes";
    }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(TwoRuns, RunningOneWorldStopsTheOtherAndStopLeavesBothStill) {
  ASSERT_TRUE(StartOnSample(kFirst));
  ASSERT_TRUE(OpenByDialog(kSecond));
  // Window > Tile: the two windows side by side; which stands where is learnt by clicking.
  ASSERT_TRUE(Choose({"Window", "Tile"}));
  const std::string left = SampleAt(0);
  ASSERT_TRUE(left == kFirst || left == kSecond) << "no world's window stands at the left";
  const bool firstLeft = left == kFirst;
  const Box first = TiledInside(firstLeft ? 0 : 1);
  const Box second = TiledInside(firstLeft ? 1 : 0);
  ASSERT_GT(Me().Grab(first).Count(IsInk), 100) << "the pendulum is not shown";
  ASSERT_GT(Me().Grab(second).Count(IsInk), 100) << "the double pendulum is not shown";

  // The first runs.
  ASSERT_TRUE(ClickInto(first, kFirst));
  ASSERT_TRUE(Me().Idle());
  Me().Control("r");
  ASSERT_TRUE(MovesWhileStill(first, 3)) << "Run did not run the pendulum";

  // Bringing the second forward leaves the first running; running the second stops the first
  // once the second's run has begun.
  ASSERT_TRUE(ClickInto(second, kSecond));
  ASSERT_TRUE(MovesWhileStill(first, 3)) << "the pendulum stopped when its window went behind";
  Me().Control("r");
  ASSERT_TRUE(MovesWhileStill(second, 2)) << "Run did not run the double pendulum";
  EXPECT_TRUE(MovesWhileStill(second, 6, first)) << "the pendulum ran on beside the double pendulum";

  // The first once more: now the second stops.
  ASSERT_TRUE(ClickInto(first, kFirst));
  Me().Control("r");
  ASSERT_TRUE(MovesWhileStill(first, 2)) << "Run did not run the pendulum again";
  EXPECT_TRUE(MovesWhileStill(first, 6, second)) << "the double pendulum ran on beside the pendulum";

  // Stop: nothing runs any longer, so the program comes to rest with both pictures still.
  Me().Control("period");
  ASSERT_TRUE(Me().Idle()) << "a run went on after Stop";
  const Picture firstStopped = Me().Grab(first);
  const Picture secondStopped = Me().Grab(second);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(first), firstStopped);
  EXPECT_EQ(Me().Grab(second), secondStopped);
}

}  // namespace
}  // namespace scenario
