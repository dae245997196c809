// How a world is viewed, switched from the menus: the grid shown and hidden, the rulers taken
// away and given back, zooming in with the Zoom In tool, player mode left for the editing menus,
// and velocity arrows shown on the selected bodies; each seen in the pixels of the main window.

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/win32/MenuLayout.h"
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

// The World menu's items, counted from resources/main/menus.rc: the grid, hot point snapping,
// rulers and player mode switches and the Vectors submenu, with the separators above each.
constexpr int kGridItem = 14, kGridSeparators = 4;
constexpr int kRulersItem = 16, kRulersSeparators = 4;
constexpr int kPlayerModeItem = 21, kPlayerModeSeparators = 5;
constexpr int kVectorsItem = 25, kVectorsSeparators = 7;
// The player's World menu: Run, Stop, Reset, a separator, Leave Player Mode.
constexpr int kLeavePlayerModeItem = 3, kLeavePlayerModeSeparators = 1;
// The Tools menu: Select, Select and Drag, Edit Vertices, Zoom In.
constexpr int kZoomInItem = 3;

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

class Views : public window_seen::WorldWindowScenario {
 protected:
  ::testing::AssertionResult World(int item, int separators) {
    return ChooseMenu(MenuTitleX("World"), item, separators);
  }
};

TEST_F(Views, TheGridItemShowsTheGridAndHidesItAgain) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const Box world = window_seen::UpperWorld(document);
  const Picture plain = Me().Grab(world);

  ASSERT_TRUE(World(kGridItem, kGridSeparators));
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

  ASSERT_TRUE(World(kGridItem, kGridSeparators));
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

  ASSERT_TRUE(World(kRulersItem, kRulersSeparators));
  ASSERT_TRUE(Settle());
  const Picture bare = Me().Grab(document.client);
  EXPECT_EQ(window_seen::HorizontalRulerRow(bare), -1) << "a ruler stayed across the window";
  EXPECT_EQ(window_seen::VerticalRulerColumn(bare), -1) << "a ruler stayed down the left edge";
  // The world moved left into the vertical ruler's place, as it was.
  Box moved = world;
  moved.x -= TRulerView::kThickness;
  EXPECT_EQ(Me().Grab(moved).Differences(before), 0)
      << "the world is not shown where the ruler was";

  ASSERT_TRUE(World(kRulersItem, kRulersSeparators));
  ASSERT_TRUE(Settle());
  const Picture again = Me().Grab(document.client);
  EXPECT_GE(window_seen::HorizontalRulerRow(again), 0) << "the ruler across did not come back";
  EXPECT_GE(window_seen::VerticalRulerColumn(again), 0) << "the ruler down did not come back";
  EXPECT_EQ(Me().Grab(world).Differences(before), 0) << "the world did not move back";
}

TEST_F(Views, LeavingPlayerModeGivesBackTheEditingMenusAndKeys) {
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(Settle());
  const Box frame = Frame();
  const int barTop = frame.y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
  // The Tools title: the player's bar has no Tools menu, and another title stands there.
  const Box tools{frame.x + MenuTitleX("Tools") - 2 * kMenuCharWidth, barTop + 2,
                  4 * kMenuCharWidth, GetSystemMetrics(SM_CYMENU) - 4};
  const Picture editing = Me().Grab(tools);

  ASSERT_TRUE(World(kPlayerModeItem, kPlayerModeSeparators));
  ASSERT_TRUE(Settle());
  EXPECT_GT(Me().Grab(tools).Differences(editing), 0) << "player mode kept the editing menus";

  ASSERT_TRUE(World(kLeavePlayerModeItem, kLeavePlayerModeSeparators));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(tools).Differences(editing), 0) << "the Tools menu did not come back";

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

  // World > Vectors opens its submenu beside it; Velocity is its first item.
  const std::vector<Box> before = Me().ShownPlaces();
  ASSERT_TRUE(World(kVectorsItem, kVectorsSeparators));
  ASSERT_TRUE(Me().Idle());
  Box submenu;
  for (const Box& place : Me().ShownPlaces())
    if (std::find(before.begin(), before.end(), place) == before.end() && place.x > submenu.x)
      submenu = place;
  ASSERT_FALSE(submenu.Empty()) << "the Vectors submenu did not open";
  Me().Click(submenu.x + 20, submenu.y + 1 + kMenuItemHeight / 2);
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

  ASSERT_TRUE(ChooseMenu(MenuTitleX("Tools"), kZoomInItem, 0));
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

}  // namespace
}  // namespace scenario
