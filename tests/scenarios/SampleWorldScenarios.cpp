// The bundled sample world, a box on a spring and a wheel held by a pin, as a newcomer first
// meets it: its document window with rulers, coordinates bar and tape along the bottom, a run
// started from the tool bar or the keyboard that moves the world, a stop that freezes it, a reset
// that brings back the opening picture to the pixel, and the tape stepping through the frames.

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;
using window_seen::IsInk;

class SampleWorld : public window_seen::WorldWindowScenario {
 protected:
  // The world's own pixels that no furniture covers, in the document window shown now.
  Box UpperWorld() const {
    const DocumentWindow document = Document();
    EXPECT_TRUE(document.Found()) << "no document window";
    return window_seen::UpperWorld(document);
  }
};

// A square outline in the picture: the top and bottom edges are dark runs of the same columns as
// far apart as they are long. Its box in the picture's own pixels, or an empty box.
Box FindSquare(const Picture& picture) {
  struct Run {
    int y, left, right;
  };
  std::vector<Run> runs;
  for (int y = 0; y < picture.box.height; ++y) {
    int start = -1;
    for (int x = 0; x <= picture.box.width; ++x) {
      const bool ink = x < picture.box.width && IsInk(picture.At(x, y));
      if (ink && start < 0) start = x;
      if (ink || start < 0) continue;
      if (x - start >= 12 && x - start <= 80) runs.push_back({y, start, x - 1});
      start = -1;
    }
  }
  for (const Run& top : runs)
    for (const Run& bottom : runs) {
      const int side = top.right - top.left;
      if (bottom.left == top.left && bottom.right == top.right &&
          std::abs(bottom.y - top.y - side) <= 2)
        return {top.left, top.y, side + 1, bottom.y - top.y + 1};
    }
  return {};
}

// The colour most of the picture shows.
uint32_t Background(const Picture& picture) {
  std::map<uint32_t, int> counts;
  for (const uint32_t pixel : picture.pixels) ++counts[pixel];
  return std::max_element(counts.begin(), counts.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

TEST_F(SampleWorld, ItsWindowShowsRulersCoordinatesBarAndTapeAlongTheBottom) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Picture client = Me().Grab(document.client);

  const int rulerColumn = window_seen::VerticalRulerColumn(client);
  const int ruler = window_seen::HorizontalRulerRow(client);
  const int coordinates = window_seen::CoordinatesBarRow(client);
  const window_seen::Tape tape = window_seen::FindTape(client);
  ASSERT_GE(rulerColumn, 0) << "no ruler down the left edge";
  ASSERT_GE(ruler, 0) << "no ruler across the window";
  ASSERT_GE(coordinates, 0) << "no coordinates bar";
  ASSERT_TRUE(tape.Found()) << "no tape";

  // The vertical ruler runs down the left edge, its ticks next to the world.
  EXPECT_LT(rulerColumn, 40);
  // From the world down: the ruler, the coordinates bar, the tape, then the scroll bar.
  EXPECT_LT(ruler, coordinates);
  EXPECT_LT(coordinates, tape.rows.y);
  const int scrollBar = client.box.height - GetSystemMetrics(SM_CYHSCROLL) - 2;
  EXPECT_LE(tape.rows.Bottom(), scrollBar);
  EXPECT_GE(tape.rows.Bottom(), scrollBar - 6)
      << "the tape stands " << scrollBar - tape.rows.Bottom() << " pixels above the scroll bar";
  EXPECT_GE(ruler, scrollBar - 90)
      << "the ruler stands " << scrollBar - ruler << " pixels above the scroll bar";
}

TEST_F(SampleWorld, RunFromTheToolBarMovesTheWorldTheStopKeyFreezesItAndResetRestoresIt) {
  // The opening picture is that of a world that never ran.
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::UpperWorld(document);
  const Picture opening = Me().Grab(world);
  ASSERT_GT(opening.Count(IsInk), 100) << "the world shows nothing";
  const window_seen::RunButtons buttons = window_seen::FindRunButtons(Me(), Frame(), document);
  ASSERT_TRUE(buttons.Found()) << "no Run, Stop and Reset buttons on the tool bar";

  Me().Click(buttons.runX, buttons.y);
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(world) != opening; }))
      << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Settle());
  const Picture stopped = Me().Grab(world);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(world).Differences(stopped), 0) << "the world moved after the stop key";

  Me().Click(buttons.resetX, buttons.y);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(world).Differences(opening), 0) << "Reset did not bring back the opening";
}

TEST_F(SampleWorld, RunAtControlRStopsAtTheToolBarsStopAndResetsAtControlT) {
  ASSERT_TRUE(Ready());
  Me().Control("t");
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::UpperWorld(document);
  const Picture first = Me().Grab(world);
  const window_seen::RunButtons buttons = window_seen::FindRunButtons(Me(), Frame(), document);
  ASSERT_TRUE(buttons.Found()) << "no Run, Stop and Reset buttons on the tool bar";

  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(world) != first; }))
      << "Ctrl+R did not run the world";
  Me().Click(buttons.stopX, buttons.y);
  ASSERT_TRUE(Settle());
  const Picture stopped = Me().Grab(world);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(world).Differences(stopped), 0) << "the world moved after Stop";

  Me().Control("t");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(world).Differences(first), 0) << "Ctrl+T did not bring back the first frame";
}

TEST_F(SampleWorld, AStepOnTheTapeShowsAnotherFrameAndTheStepBackShowsItAgain) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::UpperWorld(document);
  const Picture before = Me().Grab(world);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(world) != before; }))
      << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Settle());

  const window_seen::Tape tape = window_seen::FindTape(Me().Grab(document.client));
  ASSERT_TRUE(tape.Found()) << "no tape";
  const int y = document.client.y + tape.rows.y + tape.rows.height / 2;
  const Picture last = Me().Grab(world);
  Me().Click(document.client.x + tape.stepBackX, y);
  ASSERT_TRUE(Settle());
  EXPECT_GT(Me().Grab(world).Differences(last), 0) << "the step back showed the same frame";
  Me().Click(document.client.x + tape.stepForwardX, y);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(world).Differences(last), 0)
      << "the step forward did not show the last frame again";
}

// The spring between the box and its anchor is drawn along the line between them.
TEST_F(SampleWorld, TheSpringIsDrawnBetweenTheBoxAndItsAnchor) {
  ASSERT_TRUE(Ready());
  // At the first frame the box rests level with its anchor, right of it.
  Me().Control("t");
  ASSERT_TRUE(Settle());
  const Picture world = Me().Grab(UpperWorld());
  const Box box = FindSquare(world);
  ASSERT_FALSE(box.Empty()) << "no box in the world";
  const int row = box.y + box.height / 2;
  int anchor = -1;
  for (int x = 0; x < box.x && anchor < 0; ++x)
    for (int y = std::max(row - 3, 0); y <= row + 3 && anchor < 0; ++y)
      if (IsInk(world.At(x, y))) anchor = x;
  ASSERT_GE(anchor, 0) << "no anchor left of the box";
  ASSERT_GT(box.x - anchor, 60) << "the anchor is too close to the box to look between them";

  // Along the middle half of the line from the anchor to the box's middle, well clear of both.
  const int centre = box.x + box.width / 2;
  const int from = anchor + (centre - anchor) / 4;
  const int to = anchor + 3 * (centre - anchor) / 4;
  const uint32_t paper = Background(world);
  int drawn = 0;
  for (int x = from; x < to; ++x) {
    bool any = false;
    for (int y = std::max(row - 8, 0); y <= std::min(row + 8, world.box.height - 1); ++y)
      any = any || world.At(x, y) != paper;
    drawn += any;
  }
  EXPECT_GE(drawn * 3, to - from) << "only " << drawn << " of the " << to - from
                                  << " columns between the anchor and the box show the spring";
}

}  // namespace
}  // namespace scenario
