// The run and the recorded frames as a person works them from the World menu, on private copies
// of the spring-and-pin sample (a box swinging on a spring, a wheel turning about a pin): a run
// started from the menu and stopped at Ctrl+period stands still with the tape's thumb past the
// first frame; Step Back and Step Forward move the box a frame at a time and Back to Start shows
// it where it began; Redraw the World wipes the tracks a tracked run leaves behind.

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;
using window_seen::Tape;

// Where the tape's thumb stands: its left edge, in the client's pixels (-1 when the tape shows
// none), and the span of the slider it moves along.
struct Thumb {
  int left = -1;
  int sliderFrom = 0;
  int sliderTo = 0;
  int bar = 0;
  bool Found() const { return left >= 0; }
  bool AtStart() const { return Found() && left <= sliderFrom + bar; }
  bool PastMiddle() const { return Found() && left > (sliderFrom + sliderTo) / 2; }
};

// The thumb's frame runs down the whole tape, as the borders of the buttons do: its left edge is
// the first such column that the tape of a world never run (which shows no thumb) does not have.
Thumb FindThumb(const Picture& client, const Picture& unrun, const Tape& tape) {
  const auto edge = [&](const Picture& picture, int x) {
    int ink = 0;
    for (int y = tape.rows.y; y < tape.rows.Bottom(); ++y)
      ink += IsInk(picture.At(x, y));
    return ink >= tape.rows.height - 2;
  };
  Thumb thumb;
  thumb.bar = tape.stepForwardX - tape.stepBackX + 1;
  thumb.sliderFrom = tape.rows.x + thumb.bar + thumb.bar / 2;
  thumb.sliderTo = tape.stepBackX - thumb.bar / 2 - 1;
  for (int x = thumb.sliderFrom; x < thumb.sliderTo; ++x)
    if (edge(client, x) && !edge(unrun, x)) {
      thumb.left = x;
      break;
    }
  return thumb;
}

class RunCommands : public window_seen::WorldWindowScenario {
 protected:
  // A fresh program on a private copy of the sample, as it opened: its document window, tape
  // and box.
  ::testing::AssertionResult StartOnCopy(const std::string& name) {
    if (::testing::AssertionResult opened = OpenCopy(name); !opened) return opened;
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    document_ = Document();
    if (!document_.Found()) return ::testing::AssertionFailure() << "no document window";
    unrun_ = Me().Grab(document_.client);
    tape_ = window_seen::FindTape(unrun_);
    if (!tape_.Found()) return ::testing::AssertionFailure() << "no tape";
    const std::vector<SavedBody> boxes = Opened().BodiesOfKind("TRectangle");
    if (boxes.size() != 1)
      return ::testing::AssertionFailure() << "no single box saved: " << Opened().Description();
    side_ = Pixels(boxes[0].width);
    return ::testing::AssertionSuccess();
  }
  // The world's pixels that no furniture covers: the box's row and most of the wheel.
  Box WorldPlace() const { return window_seen::UpperWorld(document_); }
  Thumb ThumbShown() const { return FindThumb(Me().Grab(document_.client), unrun_, tape_); }
  // The box's outline on the screen, a square of the side the saved world gives it.
  Box BoxShown() const { return FindOutline(Me().Grab(WorldPlace()), side_, side_); }
  // Waits until the world's picture has changed `count` times: a running world is never idle.
  ::testing::AssertionResult Moves(int count) const {
    const Box world = WorldPlace();
    Picture shown = Me().Grab(world);
    for (int change = 0; change < count; ++change) {
      const bool changed = Me().WaitUntil([&] {
        Picture now = Me().Grab(world);
        if (now == shown) return false;
        shown = std::move(now);
        return true;
      });
      if (!changed)
        return ::testing::AssertionFailure() << "the run stood still after " << change << " frames";
    }
    return ::testing::AssertionSuccess();
  }
  // Ctrl+R, a few frames, Ctrl+period.
  ::testing::AssertionResult RunAFewFrames(int count) {
    Me().Control("r");
    if (::testing::AssertionResult moved = Moves(count); !moved) return moved;
    Me().Control("period");
    return Settle();
  }
  ::testing::AssertionResult StepForward() { return Choose({"World", "Step Forward"}); }
  ::testing::AssertionResult StepBack() { return Choose({"World", "Step Back"}); }
  ::testing::AssertionResult BackToStart() { return Choose({"World", "Back to Start"}); }
  ::testing::AssertionResult RedrawTheWorld() { return Choose({"World", "Redraw the World"}); }
  ::testing::AssertionResult Tracking(const std::string& item) {
    return Choose({"World", "Tracking", item});
  }

  DocumentWindow document_;
  Tape tape_;
  Picture unrun_;  // the document window before any run
  int side_ = 0;
};

TEST_F(RunCommands, ARunFromTheWorldMenuStandsStillAtTheStopKeyWithTheTapePastFrameZero) {
  ASSERT_TRUE(StartOnCopy("run-and-stop.yb"));
  const Box world = WorldPlace();
  const Picture opening = Me().Grab(world);

  // World > Run; the pointer leaves the window while the world runs.
  ASSERT_TRUE(Click({"World", "Run"}));
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Moves(3)) << "World > Run did not run the world";
  Me().Control("period");
  ASSERT_TRUE(Settle()) << "the run went on after Ctrl+period";
  const Picture stopped = Me().Grab(world);
  EXPECT_NE(stopped, opening);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(world).Differences(stopped), 0) << "the world moved after the stop";
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(world).Differences(stopped), 0) << "the world moved after the stop";

  // The thumb stands on the last recorded frame, at the far end of the tape.
  EXPECT_TRUE(ThumbShown().PastMiddle()) << "the tape does not show a frame past the first";
}

TEST_F(RunCommands, StepBackAndForwardMoveTheBoxAndBackToStartShowsItWhereItBegan) {
  ASSERT_TRUE(StartOnCopy("steps.yb"));
  const Box world = WorldPlace();
  const Box openingBox = BoxShown();
  ASSERT_FALSE(openingBox.Empty()) << "the box is not shown";
  const Picture opening = Me().Grab(world);
  ASSERT_TRUE(RunAFewFrames(4));
  // Where a busy machine stops the run is not known: the box may stand on the wheel's rim there,
  // or back at its turning point, a whole swing on, where it started. The walk starts from a
  // frame that shows it whole and elsewhere.
  for (int back = 0; back < 40 && (BoxShown().Empty() || Me().Grab(world) == opening); ++back)
    ASSERT_TRUE(StepBack());
  const Picture last = Me().Grab(world);
  const Box lastBox = BoxShown();
  const Thumb lastThumb = ThumbShown();
  ASSERT_FALSE(lastBox.Empty()) << "the box is not shown after the run";
  ASSERT_TRUE(lastThumb.PastMiddle()) << "the tape does not stand near the last frame";
  ASSERT_NE(last, opening) << "the run did not move the world";

  // Two frames back, one step at a time: each shows another picture with the thumb nearer the
  // start, and the box moves (it may stand level in two frames either side of a turn, never in
  // three).
  std::vector<Box> boxes{lastBox};
  Picture shown = last;
  int thumbLeft = lastThumb.left;
  for (int step = 1; step <= 2; ++step) {
    ASSERT_TRUE(StepBack());
    Picture now = Me().Grab(world);
    EXPECT_NE(now, shown) << "Step Back " << step << " showed the same frame";
    shown = std::move(now);
    boxes.push_back(BoxShown());
    ASSERT_FALSE(boxes.back().Empty()) << "the box is not shown after Step Back " << step;
    const Thumb thumb = ThumbShown();
    EXPECT_TRUE(thumb.Found() && thumb.left < thumbLeft)
        << "the tape's thumb did not step back at step " << step;
    thumbLeft = thumb.left;
  }
  EXPECT_FALSE(boxes[1].x == boxes[0].x && boxes[2].x == boxes[0].x)
      << "Step Back left the box where it stood";

  // Two frames forward again: the frame the walk began on, to the pixel.
  ASSERT_TRUE(StepForward());
  EXPECT_NE(Me().Grab(world), shown) << "Step Forward showed the same frame";
  ASSERT_TRUE(StepForward());
  EXPECT_EQ(Me().Grab(world).Differences(last), 0) << "Step Forward did not show the frame again";
  EXPECT_EQ(BoxShown(), lastBox);

  // Back to Start: the box where it stood before the run, the thumb at the tape's start.
  ASSERT_TRUE(BackToStart());
  EXPECT_EQ(Me().Grab(world).Differences(opening), 0) << "Back to Start shows another picture";
  EXPECT_EQ(BoxShown(), openingBox);
  EXPECT_TRUE(ThumbShown().AtStart()) << "the tape's thumb is not at its start";

  // From the start, a step forward moves the box and a step back brings frame 0 again.
  ASSERT_TRUE(StepForward());
  const Box firstBox = BoxShown();
  ASSERT_FALSE(firstBox.Empty()) << "the box is not shown at frame 1";
  EXPECT_NE(firstBox.x, openingBox.x) << "Step Forward from the start left the box where it stood";
  ASSERT_TRUE(StepBack());
  EXPECT_EQ(Me().Grab(world).Differences(opening), 0) << "Step Back did not show frame 0 again";
}

TEST_F(RunCommands, RedrawTheWorldWipesTheTracksOfATrackedRun) {
  ASSERT_TRUE(StartOnCopy("tracks.yb"));
  const Box world = WorldPlace();
  ASSERT_TRUE(Tracking("Track Every Frame"));
  ASSERT_TRUE(RunAFewFrames(6));
  const Picture tracked = Me().Grab(world);

  ASSERT_TRUE(RedrawTheWorld());
  const Picture wiped = Me().Grab(world);
  EXPECT_LT(2 * wiped.Count(IsInk), tracked.Count(IsInk)) << "the tracks are still drawn";
  // Where a busy machine stops the run is not known, and the box may stand on the wheel's rim
  // there, where its outline is not found alone: the check below, against the last frame drawn
  // afresh, is what shows the bodies are still drawn.
  EXPECT_GT(wiped.Count(IsInk), 0) << "Redraw the World left the world blank";

  // The same frame drawn afresh without tracks looks as the wiped picture does: the last frame
  // stays on view, and nothing of the tracks is left.
  ASSERT_TRUE(Tracking("No Tracks"));
  ASSERT_TRUE(StepBack());
  ASSERT_TRUE(StepForward());
  EXPECT_EQ(Me().Grab(world).Differences(wiped), 0)
      << "the wiped picture is not that of the last frame alone";
}

}  // namespace
}  // namespace scenario
