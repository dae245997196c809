// The furniture of a document window as a user meets it: rulers, coordinates bar and tape along
// the bottom edge whatever size the window takes, scroll-bar arrows that move the world by a
// line (again and again while held), bars drawn whole after tiling, and the help line across
// the top that names the button under the pointer.

#include <algorithm>
#include <map>
#include <optional>

#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;

int ScrollBarHeight() { return GetSystemMetrics(SM_CYHSCROLL); }
int ScrollBarWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

struct Spot {
  int x = -1, y = -1;
  bool operator==(const Spot& other) const = default;
};

// The top left corner of the ink in the picture: its leftmost column and top row; -1 when none.
Spot InkCorner(const Picture& picture) {
  Spot corner{picture.box.width, picture.box.height};
  for (int y = 0; y < picture.box.height; ++y)
    for (int x = 0; x < picture.box.width; ++x)
      if (IsInk(picture.At(x, y))) {
        corner.x = std::min(corner.x, x);
        corner.y = std::min(corner.y, y);
      }
  if (corner.x == picture.box.width) return {};
  return corner;
}

// The middle of the thumb on a row of a scroll bar's track: the first run of pixels unlike the
// trough, which shows the row's commonest colour. -1 when the track is bare.
int ThumbMiddle(const Picture& row) {
  std::map<uint32_t, int> counts;
  for (const uint32_t pixel : row.pixels) ++counts[pixel];
  const uint32_t trough =
      std::max_element(counts.begin(), counts.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; })
          ->first;
  int first = -1, last = -1;
  for (int x = 0; x < row.box.width; ++x) {
    if (row.At(x, 0) == trough) {
      if (first >= 0) break;
      continue;
    }
    if (first < 0) first = x;
    last = x;
  }
  return first < 0 ? -1 : (first + last) / 2;
}

class Furniture : public window_seen::WorldWindowScenario {
 protected:
  // From the world down: the horizontal ruler, the coordinates bar and the tape, the tape just
  // above the scroll bar along the window's bottom edge.
  static void ExpectFurnitureAlongTheBottom(const DocumentWindow& document, const char* when) {
    SCOPED_TRACE(when);
    const Picture client = Me().Grab(document.client);
    const int ruler = window_seen::HorizontalRulerRow(client);
    const int coordinates = window_seen::CoordinatesBarRow(client);
    const window_seen::Tape tape = window_seen::FindTape(client);
    ASSERT_GE(ruler, 0) << "no ruler across the window";
    ASSERT_GE(coordinates, 0) << "no coordinates bar";
    ASSERT_TRUE(tape.Found()) << "no tape";
    EXPECT_LT(ruler, coordinates);
    EXPECT_LT(coordinates, tape.rows.y);
    const int scrollBar = client.box.height - ScrollBarHeight() - 2;
    EXPECT_LE(tape.rows.Bottom(), scrollBar);
    EXPECT_GE(tape.rows.Bottom(), scrollBar - 6)
        << "the tape stands " << scrollBar - tape.rows.Bottom() << " pixels above the scroll bar";
    EXPECT_GE(ruler, scrollBar - 90)
        << "the ruler stands " << scrollBar - ruler << " pixels above the scroll bar";
  }

  // The box left of the close box on a document window's caption: restore when the window is
  // maximised, maximise when it is not.
  static void ClickSizeBox(const DocumentWindow& document) {
    const int box = GetSystemMetrics(SM_CYCAPTION) - 4;
    const int right = document.outline.Right() - GetSystemMetrics(SM_CXFRAME) - 2 - box - 2;
    Me().Click(right - box / 2, document.outline.y + GetSystemMetrics(SM_CYFRAME) + 2 + box / 2);
  }

  DocumentWindow Shown() const {
    const DocumentWindow document = Document();
    EXPECT_TRUE(document.Found()) << "no document window";
    return document;
  }

  // Ctrl+N: an untitled world in a window of its own.
  ::testing::AssertionResult NewWorld() {
    Me().Control("n");
    if (!Me().WaitUntil([] { return Me().UntitledWorldWindow() != 0; }))
      return ::testing::AssertionFailure() << "no new world was shown";
    return Settle();
  }

  // The rectangle tool from the bodies palette at the frame's left, then a drag.
  ::testing::AssertionResult SketchRectangle(int fromX, int fromY, int toX, int toY) {
    const Box frame = Frame();
    Me().Click(frame.x + 15, frame.y + 125);
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the tool was not taken";
    Me().SlowDrag(fromX, fromY, toX, toY);
    return Settle();
  }
};

// The sample opens maximised in the main window; its furniture follows the window's bottom edge
// there, in the restored window and maximised again.
TEST_F(Furniture, RulerCoordinatesBarAndTapeFollowTheBottomEdgeWhenTheWindowIsRestoredOrMaximised) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  const DocumentWindow maximised = Shown();
  ASSERT_TRUE(maximised.Found());
  ExpectFurnitureAlongTheBottom(maximised, "opened maximised");

  ClickSizeBox(maximised);
  ASSERT_TRUE(Settle());
  const DocumentWindow restored = Shown();
  ASSERT_TRUE(restored.Found());
  ASSERT_LT(restored.client.height, maximised.client.height) << "the window was not restored";
  ExpectFurnitureAlongTheBottom(restored, "restored");

  ClickSizeBox(restored);
  ASSERT_TRUE(Settle());
  const DocumentWindow again = Shown();
  ASSERT_EQ(again.outline, maximised.outline) << "the window was not maximised again";
  ExpectFurnitureAlongTheBottom(again, "maximised again");
}

// A rectangle sketched in a new world; the bars beside it move it: an arrow by a line of 12
// pixels, a click in the trough by what the view shows along the bar, the thumb dragged by as far
// as it goes.
TEST_F(Furniture, TheScrollBarsOfANewWorldMoveItByALineAPageAndTheThumb) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(NewWorld());
  const DocumentWindow document = Shown();
  ASSERT_TRUE(document.Found());
  const Box& client = document.client;
  const int middleX = client.x + client.width / 2;
  const int middleY = client.y + client.height / 3;
  ASSERT_TRUE(SketchRectangle(middleX, middleY, middleX + 40, middleY + 30));

  const Box world{client.x + 2, client.y + 2, client.width - ScrollBarWidth() - 6,
                  client.height - ScrollBarHeight() - 6};
  const auto corner = [&] { return InkCorner(Me().Grab(world)); };
  const int barY = client.Bottom() - 2 - ScrollBarHeight() / 2;
  const int barRight = client.Right() - ScrollBarWidth() - 2;
  const int barX = client.Right() - 2 - ScrollBarWidth() / 2;
  const int barBottom = client.Bottom() - ScrollBarHeight() - 2;
  // The world is drawn afresh once first: the picture left by the sketch may differ from it.
  Me().Click(barRight - ScrollBarHeight() / 2, barY);
  Me().Click(client.x + ScrollBarHeight() / 2, barY);
  ASSERT_TRUE(Settle());
  const Spot start = corner();
  ASSERT_GE(start.x, 0) << "the sketched rectangle is not drawn";

  Me().Click(barRight - ScrollBarHeight() / 2, barY);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(corner().x, start.x - 12) << "the right arrow did not move the world by a line";
  Me().Click(barX, barBottom - ScrollBarWidth() / 2);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(corner().y, start.y - 12) << "the down arrow did not move the world by a line";
  Me().Click(barX, client.y + ScrollBarWidth() / 2);
  ASSERT_TRUE(Settle());  // each arrow's click handled before the next press
  Me().Click(client.x + ScrollBarHeight() / 2, barY);
  ASSERT_TRUE(Settle());
  ASSERT_EQ(corner(), start) << "the up and left arrows did not bring the world back";

  // A page right takes the rectangle out of view; a page left brings it back.
  Me().Click(barRight - ScrollBarHeight() - 4, barY);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(corner(), Spot{}) << "a page to the right left the rectangle in view";
  Me().Click(client.x + ScrollBarHeight() + 4, barY);
  ASSERT_TRUE(Settle());
  ASSERT_EQ(corner(), start) << "a page to the left did not bring the world back";

  // The thumb dragged to the right moves the world to the left.
  const Box track{client.x + ScrollBarHeight() + 2, barY, barRight - client.x - 2 * ScrollBarHeight() - 4, 1};
  const int thumb = ThumbMiddle(Me().Grab(track));
  ASSERT_GE(thumb, 0) << "no thumb on the bar";
  Me().SlowDrag(track.x + thumb, barY, track.x + thumb + 30, barY, 4);
  ASSERT_TRUE(Settle());
  const Spot dragged = corner();
  EXPECT_TRUE(dragged.x < start.x && dragged.y == start.y) << "the thumb did not move the world left";
}

// After Window > Tile a new world's vertical bar is drawn whole, its down arrow at its foot.
TEST_F(Furniture, TilingDrawsANewWorldsVerticalBarWhole) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(NewWorld());
  ASSERT_TRUE(Choose({"Window", "Tile"}));
  ASSERT_TRUE(Settle());
  // The rows of the tiled windows' clients; in the empty new world on the left, the first ink
  // across the top row of its client is its bar's up arrow.
  const Box rows = Shown().client;
  ASSERT_FALSE(rows.Empty());
  const Box across{rows.x, rows.y + ScrollBarWidth() / 2, rows.width, 1};
  const Box upArrow = Me().Grab(across).BoundsOf(IsInk);
  ASSERT_FALSE(upArrow.Empty()) << "no up arrow";
  const int barBottom = rows.Bottom() - ScrollBarHeight() - 2;
  const Box downArrow{upArrow.x - ScrollBarWidth() / 2, barBottom - ScrollBarWidth(),
                      ScrollBarWidth(), ScrollBarWidth()};
  EXPECT_GT(Me().Grab(downArrow).Count(IsInk), 0) << "the vertical bar has no down arrow";
}

// A held arrow steps the world again and again, not once.
TEST_F(Furniture, AHeldScrollArrowGoesOnScrolling) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(NewWorld());
  const Box client = Shown().client;
  const int middleX = client.x + client.width / 2;
  const int middleY = client.y + client.height / 3;
  ASSERT_TRUE(SketchRectangle(middleX, middleY, middleX + 40, middleY + 30));
  const Box world{client.x + 2, client.y + 2, client.width - ScrollBarWidth() - 6,
                  client.height - ScrollBarHeight() - 6};
  const auto top = [&] { return InkCorner(Me().Grab(world)).y; };
  const int start = top();
  ASSERT_GE(start, 24) << "the sketched rectangle is not drawn";
  // Held on the down arrow until the world has gone up by two lines (or out of view).
  Me().MoveTo(client.Right() - 2 - ScrollBarWidth() / 2,
              client.Bottom() - ScrollBarHeight() - 2 - ScrollBarWidth() / 2);
  Me().Press();
  const bool repeated = Me().WaitUntil([&] { return top() <= start - 24; });
  Me().Release();
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(repeated) << "the held arrow moved the world by " << start - top() << " pixels";
}

// World > Help Line puts a grey line across the document window's top that names the tool button
// under the pointer; chosen again, the line goes and the window's top looks as it did, beside
// the vertical bar's up arrow too.
TEST_F(Furniture, TheHelpLineNamesTheHoveredToolButtonUntilItIsSwitchedOff) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Shown();
  ASSERT_TRUE(document.Found());
  // The line's rows above the dark rule along its bottom.
  const Box top{document.client.x, document.client.y, document.client.width,
                ScrollBarWidth() - 2};
  const Picture before = Me().Grab(top);
  const auto grey = [](uint32_t pixel) { return pixel == 0xC0C0C0; };
  ASSERT_LT(before.Count(grey), top.width * top.height / 2) << "a grey line before it was asked for";

  ASSERT_TRUE(Click({"World", "Help Line"}));
  ASSERT_TRUE(Settle());
  const Picture line = Me().Grab(top);
  EXPECT_GT(line.Count(grey), top.width * top.height / 2) << "no help line across the top";
  EXPECT_EQ(line.Count(IsInk), 0) << "the line shows a help text with no button under the pointer";

  // The rectangle tool on the bodies palette at the main window's left.
  const Box frame = Frame();
  Me().MoveTo(frame.x + 15, frame.y + 125);
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(Me().Grab(top).Count(IsInk), 10) << "the line does not name the hovered button";
  ASSERT_TRUE(Settle());

  ASSERT_TRUE(Click({"World", "Help Line"}));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(top).Differences(before), 0) << "the top of the window did not come back";
}

}  // namespace
}  // namespace scenario
