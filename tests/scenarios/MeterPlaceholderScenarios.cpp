// A meter placed on the pendulum's bob from the Meter menu before any run shows a placeholder in
// each of its lines rather than a value the world never had; a run fills in the digits.

#include <algorithm>
#include <string>

#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

bool IsDark(uint32_t pixel) {
  const uint32_t red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
  return red + green + blue < 3 * 64;
}


// The tallest unbroken column of dark pixels in the right half of a meter's picture, inside its
// frame: a digit stands several pixels high, a dash only one or two.
int TallestInkInValues(const Picture& meter) {
  constexpr int kInsideFrame = 4;
  int tallest = 0;
  for (int x = meter.box.width / 2; x < meter.box.width - kInsideFrame; ++x) {
    int run = 0;
    for (int y = kInsideFrame; y < meter.box.height - kInsideFrame; ++y) {
      run = IsDark(meter.At(x, y)) ? run + 1 : 0;
      tallest = std::max(tallest, run);
    }
  }
  return tallest;
}

// How many separate bands of rows hold dark pixels in the right half of a meter's picture,
// inside its frame: one per line of text.
int InkedLines(const Picture& meter) {
  constexpr int kInsideFrame = 4;
  int lines = 0;
  bool inLine = false;
  for (int y = kInsideFrame; y < meter.box.height - kInsideFrame; ++y) {
    bool inked = false;
    for (int x = meter.box.width / 2; x < meter.box.width - kInsideFrame && !inked; ++x)
      inked = IsDark(meter.At(x, y));
    if (inked && !inLine) ++lines;
    inLine = inked;
  }
  return lines;
}

class MeterPlaceholder : public Scenario {
 protected:
  // The frame's workspace below the bars and right of the palettes.
  Box Workspace() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 80, frame.width - 66, frame.height - 110};
  }
};

// Meter > Position with the bob selected, then Ctrl+R and Ctrl+. (run and stop).
TEST_F(MeterPlaceholder, ANewMeterShowsItsPlaceholderUntilARunShowsAFrame) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const Box workspace = Workspace();
  const Box world{workspace.x, workspace.y, workspace.width - 40, workspace.height - 40};
  const Box bob = HangingCircle(Me().Grab(world), IsDark);
  ASSERT_GT(bob.width, 20) << "the pendulum's bob is not shown";
  // Inside the bob, below its middle: clear of its centre, its rod and its radius line.
  Me().Click(bob.x + bob.width / 2, bob.Bottom() - 1 - bob.height / 4);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  // New meters go to the top left of the world's view, clear of the bob and its rod.
  const Box corner{workspace.x - 8, workspace.y, 230, 75};
  const Picture selected = Me().Grab(corner);

  ASSERT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: Position is greyed";
  const Box meter = ChangedBox(selected, Me().Grab(corner));
  ASSERT_GE(meter.width, 40) << "no meter was drawn";
  ASSERT_GE(meter.height, 12) << "no meter was drawn";
  // Every line of the position meter (x, y and rotation) holds the placeholder, no digits.
  const Picture placed = Me().Grab(meter);
  EXPECT_EQ(InkedLines(placed), 3) << "not every line of the new meter shows its placeholder";
  EXPECT_LE(TallestInkInValues(placed), 2) << "the new meter shows digits before any run";

  // The run's first frame brings the values; once stopped, the meter keeps digits in each line.
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(meter) != placed; }))
      << "the meter showed nothing of the run";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  const Picture run = Me().Grab(meter);
  EXPECT_EQ(InkedLines(run), 3);
  EXPECT_GE(TallestInkInValues(run), 5) << "no digits appeared after the run";

  // Reset (Ctrl+T) goes back to the start with no frame of a new run shown: the placeholder
  // again, as drawn before the run.
  Me().Control("t");
  ASSERT_TRUE(Me().Idle());
  const Picture reset = Me().Grab(meter);
  EXPECT_LE(TallestInkInValues(reset), 2) << "the reset meter still shows digits";
  EXPECT_EQ(reset.Differences(placed), 0) << "the reset meter does not show its placeholder";
}

}  // namespace
}  // namespace scenario
