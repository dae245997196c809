// The run and the recorded frames as a person works them from the World menu, on private copies
// of the spring-and-pin sample (a box swinging on a spring, a wheel turning about a pin): a run
// started from the menu and stopped at Ctrl+period stands still with the tape's thumb past the
// first frame; Step Back and Step Forward move the box a frame at a time and Back to Start shows
// it where it began; Redraw the World wipes the tracks a tracked run leaves behind.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/MenuLayout.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;
using window_seen::Tape;

constexpr char kSample[] = "spring-and-pin.yb";

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
  // A fresh program on a private copy of the sample, saved at once so that the scale read back
  // is the one the window shows; the pointer waits outside the main window.
  ::testing::AssertionResult StartOnCopy(const std::string& name) {
    copy_ = Home().Sample(name);
    std::filesystem::copy_file(Home().Sample(kSample), copy_,
                               std::filesystem::copy_options::overwrite_existing);
    Me().MoveTo(0, 0);
    if (::testing::AssertionResult started = Start(name); !started) return started;
    if (!Me().WaitUntil([] { return Me().ShownWindows() == 1; }))
      return ::testing::AssertionFailure() << "the splash window stayed";
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    document_ = Document();
    if (!document_.Found()) return ::testing::AssertionFailure() << "no document window";
    unrun_ = Me().Grab(document_.client);
    tape_ = window_seen::FindTape(unrun_);
    if (!tape_.Found()) return ::testing::AssertionFailure() << "no tape";
    Me().Control("s");
    if (::testing::AssertionResult saved = Settle(); !saved) return saved;
    const SavedWorld saved = ReadSavedWorld(copy_);
    const std::vector<SavedBody> boxes = saved.BodiesOfKind("TRectangle");
    if (boxes.size() != 1)
      return ::testing::AssertionFailure() << "no single box saved: " << saved.Description();
    side_ = static_cast<int>(std::lround(boxes[0].width * saved.scale));
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
  // A World menu item by its place: the items and separators above it.
  ::testing::AssertionResult ChooseWorldItem(int items, int separators) {
    if (::testing::AssertionResult chosen = ChooseMenu(MenuTitleX("World"), items, separators);
        !chosen)
      return chosen;
    return Settle();
  }
  ::testing::AssertionResult StepForward() { return ChooseWorldItem(3, 1); }
  ::testing::AssertionResult StepBack() { return ChooseWorldItem(4, 1); }
  ::testing::AssertionResult BackToStart() { return ChooseWorldItem(5, 1); }
  ::testing::AssertionResult RedrawTheWorld() { return ChooseWorldItem(10, 2); }
  // World > Tracking, the item below Show Every Nth Frame, and its item below `below` others.
  ::testing::AssertionResult Tracking(int below) {
    const std::vector<Box> before = Me().ShownPlaces();
    if (::testing::AssertionResult opened = ChooseMenu(MenuTitleX("World"), 9, 2); !opened)
      return opened;
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    Box submenu;
    for (const Box& place : Me().ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end() && place.x > submenu.x)
        submenu = place;
    if (submenu.Empty()) return ::testing::AssertionFailure() << "the Tracking menu did not open";
    Me().Click(submenu.x + 20, submenu.y + 1 + below * kMenuItemHeight + kMenuItemHeight / 2);
    return Settle();
  }

  std::string copy_;
  DocumentWindow document_;
  Tape tape_;
  Picture unrun_;  // the document window before any run
  int side_ = 0;
};

TEST_F(RunCommands, ARunFromTheWorldMenuStandsStillAtTheStopKeyWithTheTapePastFrameZero) {
  ASSERT_TRUE(StartOnCopy("run-and-stop.yb"));
  const Box world = WorldPlace();
  const Picture opening = Me().Grab(world);

  // World > Run, the first item; the pointer leaves the window while the world runs.
  ASSERT_TRUE(ChooseMenu(MenuTitleX("World"), 0, 0));
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
  const Picture last = Me().Grab(world);
  const Box lastBox = BoxShown();
  const Thumb lastThumb = ThumbShown();
  ASSERT_FALSE(lastBox.Empty()) << "the box is not shown after the run";
  ASSERT_TRUE(lastThumb.PastMiddle()) << "the tape does not stand on the last frame";
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

  // Two frames forward again: the last frame, to the pixel.
  ASSERT_TRUE(StepForward());
  EXPECT_NE(Me().Grab(world), shown) << "Step Forward showed the same frame";
  ASSERT_TRUE(StepForward());
  EXPECT_EQ(Me().Grab(world).Differences(last), 0) << "Step Forward did not show the last frame";
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
  // World > Tracking > Track Every Frame, below No Tracks.
  ASSERT_TRUE(Tracking(1));
  ASSERT_TRUE(RunAFewFrames(6));
  const Picture tracked = Me().Grab(world);

  ASSERT_TRUE(RedrawTheWorld());
  const Picture wiped = Me().Grab(world);
  EXPECT_LT(2 * wiped.Count(IsInk), tracked.Count(IsInk)) << "the tracks are still drawn";
  EXPECT_FALSE(BoxShown().Empty()) << "the box is not shown alone";

  // The same frame drawn afresh without tracks looks as the wiped picture does: the last frame
  // stays on view, and nothing of the tracks is left.
  ASSERT_TRUE(Tracking(0));
  ASSERT_TRUE(StepBack());
  ASSERT_TRUE(StepForward());
  EXPECT_EQ(Me().Grab(world).Differences(wiped), 0)
      << "the wiped picture is not that of the last frame alone";
}

}  // namespace
}  // namespace scenario
