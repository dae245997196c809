// The bars round a world as a person works them, on private copies of the spring-and-pin sample
// (a box swinging on a spring, a wheel swinging on a pin): a value typed into the coordinates
// bar moves the selected box until Undo moves it back; the tape's thumb dragged back shows the
// recorded frames again down to the opening one; a click on a body stops a run; and World >
// Scroll Bars takes the document window's scroll bars away and brings them back.

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;
using window_seen::Tape;

// The grey of the coordinates bar's cells.
constexpr uint32_t kCellGrey = 0xC0C0C0;
// The editing bar's selection tool button, from the main window's corner.
constexpr int kSelectionButtonX = 242, kSelectionButtonY = 55;
// What the box's x is typed as, in metres (the sample's unit of length).
constexpr char kTypedX[] = "0.75";
constexpr double kTypedXMetres = 0.75;

// The tape's thumb: its left edge in the client's pixels (-1 when none is shown) and the span of
// the slider it moves along.
struct Thumb {
  int left = -1;
  int sliderFrom = 0;
  int sliderTo = 0;
  bool Found() const { return left >= 0; }
};

// The thumb's frame runs down the whole tape: its left edge is the first such column along the
// slider that the tape of a world never run (which shows no thumb) does not have.
Thumb FindThumb(const Picture& client, const Picture& unrun, const Tape& tape) {
  const auto edge = [&](const Picture& picture, int x) {
    int ink = 0;
    for (int y = tape.rows.y; y < tape.rows.Bottom(); ++y) ink += IsInk(picture.At(x, y));
    return ink >= tape.rows.height - 2;
  };
  const int bar = tape.stepForwardX - tape.stepBackX + 1;
  Thumb thumb;
  thumb.sliderFrom = tape.rows.x + bar + bar / 2;
  thumb.sliderTo = tape.stepBackX - bar / 2 - 1;
  for (int x = thumb.sliderFrom; x < thumb.sliderTo; ++x)
    if (edge(client, x) && !edge(unrun, x)) {
      thumb.left = x;
      break;
    }
  return thumb;
}

// The colour most pixels of the picture show: a scroll bar's trough fills most of its strip.
uint32_t Commonest(const Picture& picture) {
  std::map<uint32_t, int> counts;
  for (const uint32_t pixel : picture.pixels) ++counts[pixel];
  return std::max_element(counts.begin(), counts.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

class WorldBars : public window_seen::WorldWindowScenario {
 protected:
  // A private copy of the sample opened, its document window as it opens, and the box found
  // where the program draws it.
  ::testing::AssertionResult OpenTheBox(const std::string& name) {
    if (::testing::AssertionResult opened = OpenCopy(name); !opened) return opened;
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    document_ = Document();
    if (!document_.Found()) return ::testing::AssertionFailure() << "no document window";
    unrun_ = Me().Grab(document_.client);
    if (Opened().BodiesOfKind("TRectangle").size() != 1 ||
        Opened().BodiesOfKind("TOval").size() != 1)
      return ::testing::AssertionFailure() << "not one box and one wheel: "
                                           << Opened().Description();
    openingBox_ = BoxShown();
    if (openingBox_.Empty()) return ::testing::AssertionFailure() << "the box is not shown";
    return ::testing::AssertionSuccess();
  }

  SavedBody OpenedBox() const { return Opened().BodiesOfKind("TRectangle")[0]; }
  SavedBody OpenedWheel() const { return Opened().BodiesOfKind("TOval")[0]; }

  // The world's pixels that no furniture covers: the box's row and most of the wheel.
  Box WorldPlace() const { return window_seen::UpperWorld(document_); }
  Box BoxShown() const {
    return FindOutline(Me().Grab(WorldPlace()), Pixels(OpenedBox().width),
                       Pixels(OpenedBox().height));
  }

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

  // The screen box of the coordinates bar's cell (0 for the first), found by its grey.
  bool FindCoordinatesCell(size_t index, Box& cell) const {
    const Picture client = Me().Grab(document_.client);
    const int row = window_seen::CoordinatesBarRow(client);
    if (row < 0) return false;
    std::vector<std::pair<int, int>> runs;
    for (int x = 0, start = -1; x <= client.box.width; ++x) {
      const bool grey = x < client.box.width && client.At(x, row) == kCellGrey;
      if (grey && start < 0) start = x;
      if (!grey && start >= 0) {
        if (x - start >= 20) runs.emplace_back(start, x);
        start = -1;
      }
    }
    if (runs.size() <= index) return false;
    const auto [left, right] = runs[index];
    int bottom = row;
    while (bottom + 1 < client.box.height && client.At(left, bottom + 1) == kCellGrey) ++bottom;
    cell = {client.box.x + left, client.box.y + row, right - left, bottom - row + 1};
    return true;
  }

  // The rectangle tool from the bodies palette at the frame's left, a drag, and the selection
  // tool from the editing bar again.
  ::testing::AssertionResult SketchRectangle(int fromX, int fromY, int toX, int toY) {
    const Box frame = Frame();
    Me().Click(frame.x + 15, frame.y + 125);
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the tool was not taken";
    Me().SlowDrag(fromX, fromY, toX, toY);
    if (!Settle()) return ::testing::AssertionFailure() << "the sketch did not end";
    Me().Click(frame.x + kSelectionButtonX, frame.y + kSelectionButtonY);
    return Settle();
  }

  // The strips of the client where the scroll bars stand, each a bar's breadth and two pixels
  // from the edge: along its bottom and its right edge.
  Box BottomStrip() const {
    const Box& client = document_.client;
    const int height = GetSystemMetrics(SM_CYHSCROLL) + 2;
    return {client.x, client.Bottom() - height, client.width, height};
  }
  Box RightStrip() const {
    const Box& client = document_.client;
    const int width = GetSystemMetrics(SM_CXVSCROLL) + 2;
    return {client.Right() - width, client.y, width, client.height};
  }
  // The squares at the bars' far ends, where the up and the right arrow stand.
  Box UpArrow() const {
    const Box strip = RightStrip();
    return {strip.x, strip.y, strip.width, strip.width};
  }
  Box RightArrow() const {
    const Box strip = BottomStrip();
    const int side = GetSystemMetrics(SM_CXVSCROLL) + 2;
    return {strip.Right() - 2 * side, strip.y, side, strip.height};
  }
  // The rest of the client: the world and its furniture left of and above the bars' strips,
  // less the column where the tape's end and the vertical bar's edge lie over each other (which
  // of them is drawn there follows the order in which they were made).
  Box AboveTheBars() const {
    const Box& client = document_.client;
    return {client.x, client.y, RightStrip().x - client.x - 1, BottomStrip().y - client.y};
  }

  DocumentWindow document_;
  Picture unrun_;  // the document window before any run
  Box openingBox_;
};

// The box selected, its x typed into the bar's first cell and Return: the saved box stands
// there, at its height; Ctrl+Z puts it back where it stood.
TEST_F(WorldBars, AnXTypedIntoTheCoordinatesBarMovesTheBoxUntilUndo) {
  ASSERT_TRUE(OpenTheBox("typed-x.yb"));
  // On the box, clear of the spring's end at its middle.
  Me().Click(openingBox_.x + openingBox_.width / 4, openingBox_.y + 3 * openingBox_.height / 4);
  ASSERT_TRUE(Me().Idle());
  Box xCell;
  ASSERT_TRUE(FindCoordinatesCell(0, xCell)) << "the bar shows no cell for the box";
  Me().Click(xCell.x + xCell.width / 2, xCell.y + xCell.height / 2);
  ASSERT_TRUE(Me().Idle());
  for (int i = 0; i < 12; ++i) Me().Key("BackSpace");
  Me().Type(kTypedX);
  Me().Key("Return");
  ASSERT_TRUE(Settle());

  const SavedWorld typed = SaveAndRead();
  ASSERT_EQ(typed.BodiesOfKind("TRectangle").size(), 1u) << typed.Description();
  const SavedBody moved = typed.BodiesOfKind("TRectangle")[0];
  EXPECT_NEAR(moved.x, kTypedXMetres, 1e-9) << typed.Description();
  EXPECT_NEAR(moved.y, OpenedBox().y, 1e-9) << typed.Description();
  // A click on empty space below the box takes the handles away from its outline.
  const Box world = WorldPlace();
  const auto deselect = [&] {
    Me().Click(world.x + world.width / 2, world.Bottom() - 10);
    return Settle();
  };
  ASSERT_TRUE(deselect());
  const Box movedBox = BoxShown();
  EXPECT_EQ(movedBox.x, openingBox_.x + Pixels(kTypedXMetres - OpenedBox().x))
      << "the box is not drawn where it was typed";

  Me().Control("z");
  ASSERT_TRUE(Settle());
  const SavedWorld undone = SaveAndRead();
  ASSERT_EQ(undone.BodiesOfKind("TRectangle").size(), 1u) << undone.Description();
  EXPECT_NEAR(undone.BodiesOfKind("TRectangle")[0].x, OpenedBox().x, 1e-9) << undone.Description();
  EXPECT_NEAR(undone.BodiesOfKind("TRectangle")[0].y, OpenedBox().y, 1e-9) << undone.Description();
  ASSERT_TRUE(deselect());
  EXPECT_EQ(BoxShown(), openingBox_) << "the box is not drawn where it stood";
}

// After a run the thumb stands on the last frame; dragged half way back it shows an earlier
// frame, the box elsewhere; dragged to the tape's start it shows the opening picture again.
TEST_F(WorldBars, TheTapesThumbDraggedBackShowsEarlierFramesDownToTheOpeningOne) {
  ASSERT_TRUE(OpenTheBox("tape-drag.yb"));
  const Box world = WorldPlace();
  const Picture opening = Me().Grab(world);
  const Tape tape = window_seen::FindTape(unrun_);
  ASSERT_TRUE(tape.Found()) << "no tape";
  Me().Control("r");
  ASSERT_TRUE(Moves(8)) << "Ctrl+R did not run the world";
  Me().Control("period");
  ASSERT_TRUE(Settle()) << "the run went on after Ctrl+period";
  const Picture last = Me().Grab(world);
  const Box lastBox = BoxShown();
  ASSERT_NE(last, opening) << "the run did not move the world";

  const auto thumbShown = [&] { return FindThumb(Me().Grab(document_.client), unrun_, tape); };
  const Thumb atLast = thumbShown();
  ASSERT_TRUE(atLast.Found()) << "the tape shows no thumb after the run";
  const int y = document_.client.y + tape.rows.y + tape.rows.height / 2;
  const int grip = document_.client.x + atLast.left + 6;
  const int halfWay = (atLast.left - atLast.sliderFrom) / 2;
  ASSERT_GT(halfWay, 4) << "the thumb stands too near the start to be dragged back";

  Me().SlowDrag(grip, y, grip - halfWay, y, 6);
  ASSERT_TRUE(Settle());
  const Picture earlier = Me().Grab(world);
  EXPECT_NE(earlier, last) << "the thumb dragged back still shows the last frame";
  EXPECT_NE(earlier, opening) << "the thumb dragged half way shows the opening frame";
  const Box earlierBox = BoxShown();
  ASSERT_FALSE(earlierBox.Empty()) << "the box is not shown in the earlier frame";
  EXPECT_NE(earlierBox, lastBox) << "the earlier frame draws the box where the last one does";
  const Thumb dragged = thumbShown();
  EXPECT_TRUE(dragged.Found() && dragged.left < atLast.left) << "the thumb did not move back";

  // From where it now stands to beyond the slider's start.
  const int from = document_.client.x + dragged.left + 6;
  Me().SlowDrag(from, y, document_.client.x + dragged.sliderFrom - 10, y, 6);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(world).Differences(opening), 0)
      << "the thumb at the tape's start does not show the opening picture";
  EXPECT_EQ(BoxShown(), openingBox_);
}

// A rectangle sketched into empty space stands still while the world runs (the sample has no
// gravity): a click on empty space leaves the run going, a click on the rectangle stops it, and
// the picture stands still from then on.
TEST_F(WorldBars, AClickOnABodyStopsTheRun) {
  ASSERT_TRUE(OpenTheBox("click-stop.yb"));
  const Box world = window_seen::WholeWorld(document_);
  // Below the spring's reach and right of the wheel's swing.
  const int left = world.Right() - 120, top = world.Bottom() - 90;
  ASSERT_TRUE(SketchRectangle(left, top, left + 40, top + 30));

  Me().Control("r");
  ASSERT_TRUE(Moves(2)) << "Ctrl+R did not run the world";
  Me().Click(left - 60, top + 15);
  ASSERT_TRUE(Moves(3)) << "a click on empty space stopped the run";
  const Box around{left - 10, top - 10, 60, 50};
  const Picture unselected = Me().Grab(around);
  Me().Click(left + 10, top + 15);
  // A running world is never idle: the answer itself says the run has stopped, and that the
  // picture the stop leaves is drawn, the clicked rectangle selected with its handles.
  ASSERT_TRUE(Me().Idle()) << "the run went on after the click on the rectangle";
  EXPECT_GT(Me().Grab(around).Count(IsInk), unselected.Count(IsInk) + 40)
      << "the rectangle's handles are not drawn when the program says it is idle";
  const Picture stopped = Me().Grab(world);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(world).Differences(stopped), 0) << "the world moved after the click";
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(world).Differences(stopped), 0) << "the world moved after the click";
}

// World > Scroll Bars: the strips along the window's bottom and right edge no longer show the
// bars; chosen again, the window looks as it did.
TEST_F(WorldBars, WorldScrollBarsHidesTheScrollBarsAndShowsThemAgain) {
  ASSERT_TRUE(OpenTheBox("scroll-bars.yb"));
  const Picture bottom = Me().Grab(BottomStrip());
  const Picture right = Me().Grab(RightStrip());
  const Picture above = Me().Grab(AboveTheBars());
  const Picture upArrow = Me().Grab(UpArrow());
  const Picture rightArrow = Me().Grab(RightArrow());
  const auto face = [](const Picture& strip) {
    const uint32_t colour = Commonest(strip);
    return [colour](uint32_t pixel) { return pixel == colour; };
  };
  const auto bottomFace = face(bottom);
  const auto rightFace = face(right);
  ASSERT_GT(bottom.Count(bottomFace), bottom.box.width * bottom.box.height / 2)
      << "no scroll bar along the bottom";
  ASSERT_GT(right.Count(rightFace), right.box.width * right.box.height / 2)
      << "no scroll bar along the right edge";

  ASSERT_TRUE(Choose({"World", "Scroll Bars"}));
  ASSERT_TRUE(Settle());
  const Picture bottomHidden = Me().Grab(BottomStrip());
  const Picture rightHidden = Me().Grab(RightStrip());
  EXPECT_LT(bottomHidden.Count(bottomFace), bottom.box.width * bottom.box.height / 4)
      << "the bottom scroll bar is still shown";
  EXPECT_LT(rightHidden.Count(rightFace), right.box.width * right.box.height / 4)
      << "the right scroll bar is still shown";

  ASSERT_TRUE(Choose({"World", "Scroll Bars"}));
  ASSERT_TRUE(Settle());
  const Picture bottomShown = Me().Grab(BottomStrip());
  const Picture rightShown = Me().Grab(RightStrip());
  EXPECT_GT(bottomShown.Count(bottomFace), bottom.box.width * bottom.box.height / 2)
      << "the bottom scroll bar did not come back";
  EXPECT_GT(rightShown.Count(rightFace), right.box.width * right.box.height / 2)
      << "the right scroll bar did not come back";
  // The up arrow at the top of the right bar and the right arrow at the end of the bottom one,
  // as they were drawn before.
  EXPECT_EQ(Me().Grab(UpArrow()).Differences(upArrow), 0) << "the up arrow is not drawn as it was";
  EXPECT_EQ(Me().Grab(RightArrow()).Differences(rightArrow), 0)
      << "the right arrow is not drawn as it was";
  // The world and its furniture above the bars look as they did.
  EXPECT_EQ(Me().Grab(AboveTheBars()).Differences(above), 0)
      << "the window does not look as it did before the bars went";
}

}  // namespace
}  // namespace scenario
