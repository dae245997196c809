// How a world is viewed, switched from the menus: the grid shown and hidden, the rulers taken
// away and given back, zooming in with the Zoom In tool, player mode left for the editing menus,
// player mode that makes and opens nothing, and velocity arrows shown on the selected bodies;
// each seen in the pixels of the main window or in the world saved after.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"
#include "views/furniture/RulerView.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>

namespace scenario {
namespace {

using window_seen::DocumentWindow;
using window_seen::IsInk;

// The Circle button, first on the bodies palette docked at the main window's left edge, from
// the main window's corner.
constexpr int kCircleButtonX = 15, kCircleButtonY = 81;

// The pixels that differ between two pictures of a box, but for those within two pixels of a
// column and of a row (-1 for none).
int DifferencesBeside(const Picture& a, const Picture& b, int column, int row) {
  int count = 0;
  for (int y = 0; y < a.box.height; ++y)
    for (int x = 0; x < a.box.width; ++x) {
      const bool beside = (column >= 0 && std::abs(x - column) <= 2) ||
                          (row >= 0 && std::abs(y - row) <= 2);
      count += !beside && a.At(x, y) != b.At(x, y);
    }
  return count;
}

// Player mode's menu bar.
MenuShape PlayerBar() {
  MenuShape shape;
  shape.bar = "PLAYERMODE";
  return shape;
}

class Views : public window_seen::WorldWindowScenario {
 protected:
  ::testing::AssertionResult World(const std::string& item) { return Click({"World", item}); }
  // The main window's menu bar.
  Box MenuBar() const {
    const Box frame = Frame();
    const int border = GetSystemMetrics(SM_CXFRAME);
    const int top = frame.y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    return {frame.x + border, top, frame.width - 2 * border, GetSystemMetrics(SM_CYMENU)};
  }
};

TEST_F(Views, TheGridItemShowsTheGridAndHidesItAgain) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::UpperWorld(document);
  const Picture plain = Me().Grab(world);

  ASSERT_TRUE(World("Grid"));
  ASSERT_TRUE(Settle());
  const Picture grid = Me().Grab(world);
  // Grid lines run across the whole world, both ways.
  const auto changedRow = [&](int y) {
    int changed = 0;
    for (int x = 0; x < world.width; ++x) changed += grid.At(x, y) != plain.At(x, y);
    return changed * 10 >= world.width * 9;
  };
  const auto changedColumn = [&](int x) {
    int changed = 0;
    for (int y = 0; y < world.height; ++y) changed += grid.At(x, y) != plain.At(x, y);
    return changed * 10 >= world.height * 9;
  };
  int rows = 0, columns = 0;
  for (int y = 0; y < world.height; ++y) rows += changedRow(y);
  for (int x = 0; x < world.width; ++x) columns += changedColumn(x);
  EXPECT_GE(rows, 2) << "no grid lines across the world";
  EXPECT_GE(columns, 2) << "no grid lines down the world";

  ASSERT_TRUE(World("Grid"));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(world).Differences(plain), 0) << "the grid stayed";
}

TEST_F(Views, TheRulersItemGivesTheRulersPlaceToTheWorldAndTakesItBack) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Picture ruled = Me().Grab(document.client);
  ASSERT_GE(window_seen::HorizontalRulerRow(ruled), 0) << "no ruler across the window";
  ASSERT_GE(window_seen::VerticalRulerColumn(ruled), 0) << "no ruler down the left edge";
  const Box world = window_seen::UpperWorld(document);
  const Picture before = Me().Grab(world);

  ASSERT_TRUE(World("Rulers"));
  ASSERT_TRUE(Settle());
  const Picture bare = Me().Grab(document.client);
  EXPECT_EQ(window_seen::HorizontalRulerRow(bare), -1) << "a ruler stayed across the window";
  EXPECT_EQ(window_seen::VerticalRulerColumn(bare), -1) << "a ruler stayed down the left edge";
  // The world moved left into the vertical ruler's place, as it was.
  Box moved = world;
  moved.x -= TRulerView::kThickness;
  EXPECT_EQ(Me().Grab(moved).Differences(before), 0)
      << "the world is not shown where the ruler was";

  ASSERT_TRUE(World("Rulers"));
  ASSERT_TRUE(Settle());
  const Picture again = Me().Grab(document.client);
  EXPECT_GE(window_seen::HorizontalRulerRow(again), 0) << "the ruler across did not come back";
  EXPECT_GE(window_seen::VerticalRulerColumn(again), 0) << "the ruler down did not come back";
  EXPECT_EQ(Me().Grab(world).Differences(before), 0) << "the world did not move back";
}

TEST_F(Views, LeavingPlayerModeGivesBackTheEditingMenusAndKeys) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  // The player's bar has no Tools, Input or Meter menu, and its titles stand elsewhere.
  const Picture editing = Me().Grab(MenuBar());

  ASSERT_TRUE(World("Player Mode"));
  ASSERT_TRUE(Settle());
  EXPECT_GT(Me().Grab(MenuBar()).Differences(editing), 0) << "player mode kept the editing menus";

  ASSERT_TRUE(Click({"World", "Leave Player Mode"}, PlayerBar()));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(MenuBar()).Differences(editing), 0) << "the editing menus did not come back";

  // Select All, an editing key the player's keys leave out, selects the box again.
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::UpperWorld(document);
  const Picture unselected = Me().Grab(world);
  Me().Control("a");
  ASSERT_TRUE(Settle());
  EXPECT_GT(Me().Grab(world).Differences(unselected), 0) << "Ctrl+A selected nothing";
}

TEST_F(Views, VelocityArrowsAppearBesideTheSelectedBodies) {
  ASSERT_TRUE(Ready());
  // At the first frame the wheel already turns: its arrow has a length before any run.
  Me().Control("t");
  Me().Control("a");
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::WholeWorld(document);
  const Picture plain = Me().Grab(world);

  ASSERT_TRUE(Click({"World", "Vectors", "Velocity"}));
  ASSERT_TRUE(Settle());

  // New dark pixels, close together: an arrow and its name beside a body.
  const Picture arrows = Me().Grab(world);
  int drawn = 0;
  Box around{world.width, world.height, 0, 0};
  int right = -1, bottom = -1;
  for (int y = 0; y < world.height; ++y)
    for (int x = 0; x < world.width; ++x) {
      if (arrows.At(x, y) == plain.At(x, y) || !IsInk(arrows.At(x, y))) continue;
      ++drawn;
      around.x = std::min(around.x, x);
      around.y = std::min(around.y, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  ASSERT_GE(drawn, 30) << "no velocity arrow appeared";
  EXPECT_LE(right - around.x, 250) << "the new pixels spread across the world";
  EXPECT_LE(bottom - around.y, 120) << "the new pixels spread across the world";
}

// The Zoom In tool changes the world's scale: the rulers' marks follow it.
TEST_F(Views, ZoomingInRelabelsTheRulers) {
  // A fresh start: the other tests leave things selected.
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Picture client = Me().Grab(document.client);
  const int row = window_seen::HorizontalRulerRow(client);
  const int column = window_seen::VerticalRulerColumn(client);
  ASSERT_GE(row, 0) << "no ruler across the window";
  ASSERT_GE(column, 0) << "no ruler down the left edge";
  // The right part of the ruler across: the wheel, below the pin at the left, stays clear of it.
  const int ruler = TRulerView::kThickness;
  const Box across{document.client.x + document.client.width / 2, document.client.y + row,
                   document.client.width / 2 - 2 * ruler, ruler};
  const Box down{document.client.x, document.client.y, column + 1, row};
  const Box world = window_seen::UpperWorld(document);
  const int x = world.x + world.width / 2, y = world.y + world.height / 2;
  const Picture acrossBefore = Me().Grab(across);
  const Picture downBefore = Me().Grab(down);

  ASSERT_TRUE(Click({"Tools", "Zoom In"}));
  ASSERT_TRUE(Me().Idle());
  Me().Click(x, y);
  ASSERT_TRUE(Settle());
  // The rulers mark the pointer's place with a line across them, which may stay: the marks are
  // compared beside it.
  EXPECT_GT(DifferencesBeside(Me().Grab(across), acrossBefore, x - across.x, -1), 0)
      << "the ruler across kept its marks";
  EXPECT_GT(DifferencesBeside(Me().Grab(down), downBefore, -1, y - down.y), 0)
      << "the ruler down kept its marks";
}

// Player mode only plays the world: its palettes go, and a palette button left standing would
// give no tool, so a drag across empty space makes no circle. Left again, the world is saved as
// it was.
TEST_F(Views, PlayerModeTakesNoToolFromThePalette) {
  ASSERT_TRUE(OpenCopy("player-palette.yb"));
  const Box frame = Frame();
  const Box button{frame.x + kCircleButtonX - 8, frame.y + kCircleButtonY - 8, 16, 16};
  const Picture circleButton = Me().Grab(button);
  ASSERT_TRUE(Choose({"World", "Player Mode"}));
  if (Me().Grab(button) == circleButton) {
    ADD_FAILURE() << "the palettes stayed in player mode";
    Me().Click(frame.x + kCircleButtonX, frame.y + kCircleButtonY);
    ASSERT_TRUE(Me().Idle());
  }
  // Across empty space between the spring and the wheel.
  const int x = frame.x + spring_and_pin::kBoxX - 200;
  const int y = frame.y + spring_and_pin::kObjectsY + 150;
  Me().SlowDrag(x, y, x + 40, y + 40);
  ASSERT_TRUE(Me().Idle());

  ASSERT_TRUE(Choose({"World", "Leave Player Mode"}, PlayerBar()));
  const SavedWorld saved = SaveAndRead();
  EXPECT_EQ(saved.BodiesOfKind("TOval").size(), 1u) << saved.Description();
}

// Nor does a double click on the box open its dialog, or any other window.
TEST_F(Views, PlayerModeOpensNothingAtADoubleClick) {
  ASSERT_TRUE(OpenCopy("player-double-click.yb"));
  ASSERT_TRUE(Choose({"World", "Player Mode"}));
  const Box box = OutlineOf("TRectangle");
  ASSERT_FALSE(box.Empty()) << "the box is not shown";
  const int windows = Me().ShownWindows();
  Me().DoubleClick(box.x + box.width / 2, box.y + box.height / 4);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().ShownWindows(), windows) << "a double click opened " << Me().FocusedTitle();
}

// The width, in pixels, of what is inked in the 20 rows from the picture's first inked one (0
// for nothing): the spring and the box, above the wheel.
int InkedWidth(const Picture& picture) {
  int first = picture.box.width, last = -1, top = -1;
  for (int y = 0; y < picture.box.height && (top < 0 || y < top + 20); ++y)
    for (int x = 0; x < picture.box.width; ++x)
      if (IsInk(picture.At(x, y))) {
        if (top < 0) top = y;
        first = std::min(first, x);
        last = std::max(last, x);
      }
  return last >= first ? last - first + 1 : 0;
}

// The World View dialog's Scale halved halves the spring and the box drawn about the view's
// middle (but for the marks of their points, which keep their size).
TEST_F(Views, HalvingTheWorldViewsScaleHalvesTheWorldDrawn) {
  ASSERT_TRUE(OpenCopy("view-scale.yb"));
  const Box upper = window_seen::UpperWorld(Document());
  const int before = InkedWidth(Me().Grab(upper));
  ASSERT_GT(before, 100) << "the spring is not shown";
  ASSERT_TRUE(Click({"Edit", "Properties", "World View..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "View"; }));
  // The field, which has the keyboard, counts screen lengths per world length.
  Me().Type(std::to_string(Opened().scale / TWorldDoc::kPixelsPerMetre / 2));
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("View") == 0; }));
  ASSERT_TRUE(Settle());
  EXPECT_NEAR(InkedWidth(Me().Grab(upper)), before / 2.0, 8.0);
}

// A world that never stored its view opens fitted to all it draws: the pendulum's pivot as well
// as its bob, which then fills but a small part of the window.
TEST_F(Views, ThePendulumOpensWithItsPivotAndBobInView) {
  ASSERT_TRUE(OpenCopy("view-pendulum.yb", "pendulum.yb"));
  const std::vector<SavedBody> bobs = Opened().BodiesOfKind("TOval");
  ASSERT_EQ(bobs.size(), 1u) << Opened().Description();
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found());
  EXPECT_LT(Pixels(bobs[0].height), document.client.height / 4) << "the view fits the bob alone";
  // The rod, a metre long and ten degrees from the vertical, is drawn whole from the pivot above
  // down to the bob's centre (the scroll bars left out of the search).
  const Box client = document.client;
  const Box world{client.x, client.y, client.width - 24, client.height - 24};
  const Box drawn = Me().Grab(world).BoundsOf(IsInk);
  EXPECT_GT(drawn.y, world.y) << "the drawing runs off the top of the view";
  EXPECT_LT(drawn.Bottom(), world.Bottom()) << "the drawing runs off the foot of the view";
  EXPECT_GE(drawn.height, Pixels(0.98 + bobs[0].height / 2)) << "the pivot is not in view";
}

}  // namespace
}  // namespace scenario
