// What the world's window shows after each thing a person does to the sample world (a run
// stopped and reset, a body deleted and brought back, a place typed into the Position window and
// undone) is what World > Redraw the World shows: no body is left where it stood before.

#include <string>

#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;

// Where the sample shows its box, from the main window's corner.
constexpr int kBoxX = 682;
constexpr int kObjectsY = 130;
// The World menu: Run, Stop, Reset, a separator, five tape commands, a separator, two submenus,
// then Redraw the World.
constexpr int kRedrawItem = 10, kRedrawSeparators = 2;
// The Window menu: four window commands, a separator, Properties, then Position.
constexpr int kPositionItem = 5, kPositionSeparators = 1;

class Picture : public window_seen::WorldWindowScenario {
 protected:
  // The world's place, found while its document window is the active one.
  Box World() {
    if (world_.Empty()) world_ = window_seen::WholeWorld(Document());
    return world_;
  }

  // A click inside the box, away from the point at its middle, selects it. Clicks follow each
  // other in opposite corners, so that no two make a double click.
  void ClickTheBox() {
    const Box frame = Frame();
    side_ = -side_;
    Me().Click(frame.x + kBoxX + 8 * side_, frame.y + kObjectsY + 8);
    ASSERT_TRUE(Me().Idle());
  }

  // The world's pixels equal those that World > Redraw the World draws afterwards, but for
  // those that a window over the world covers (its caption changes when the menu is used).
  ::testing::AssertionResult AsRedrawn(const std::string& after, const Box& covered = {}) {
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    const Box world = World();
    if (world.Empty()) return ::testing::AssertionFailure() << "no document window";
    const scenario::Picture shown = Me().Grab(world);
    if (!ChooseMenu(MenuTitleX("World"), kRedrawItem, kRedrawSeparators))
      return ::testing::AssertionFailure() << "World > Redraw the World could not be chosen";
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    const scenario::Picture redrawn = Me().Grab(world);
    int differences = 0;
    for (int y = 0; y < world.height; ++y)
      for (int x = 0; x < world.width; ++x) {
        const int sx = world.x + x, sy = world.y + y;
        const bool hidden = sx >= covered.x && sx < covered.Right() && sy >= covered.y &&
                            sy < covered.Bottom();
        differences += !hidden && redrawn.At(x, y) != shown.At(x, y);
      }
    if (differences == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "after " << after << ", " << differences << " pixels of the world changed when it "
           << "was redrawn";
  }

 private:
  int side_ = 1;
  Box world_;
};

TEST_F(Picture, ARunItsStopAndAResetLeaveNoBodyWhereItStood) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  // The spring pulls the box towards its anchor: the run goes on until the box shows well left
  // of its starting place.
  const Box frame = Frame();
  const Box left{frame.x + kBoxX - 80, frame.y + kObjectsY - 20, 40, 40};
  const scenario::Picture empty = Me().Grab(left);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(left) != empty; })) << "the box stood still";
  Me().Control("period");
  EXPECT_TRUE(AsRedrawn("a run and a stop"));
  Me().Control("t");
  EXPECT_TRUE(AsRedrawn("a reset"));
}

TEST_F(Picture, ADeletionAPlaceTypedInAndTheirUndoingLeaveNoBodyWhereItStood) {
  // A world that holds the frames of a run asks before it changes: a fresh start holds none.
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  ClickTheBox();
  Me().Key("Delete");
  EXPECT_TRUE(AsRedrawn("a deletion"));
  Me().Control("z");
  EXPECT_TRUE(AsRedrawn("the deletion undone"));

  // The box is selected again: its place typed into the Position window.
  ClickTheBox();
  ASSERT_TRUE(ChooseMenu(MenuTitleX("Window"), kPositionItem, kPositionSeparators));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Position") != 0; }))
      << "no Position window";
  ASSERT_TRUE(Me().Idle());
  // The window opens with the box's x in its X field, ready for typing over.
  Me().Key("Home");
  Me().Key("End", {"Shift_L"});
  Me().Type("1.2");
  Me().Key("Tab");
  const Box position = Me().Place(Me().WindowTitled("Position"));
  EXPECT_TRUE(AsRedrawn("the box's x typed into the Position window", position));
  ASSERT_TRUE(ChooseMenu(MenuTitleX("Edit"), 0, 0));
  EXPECT_TRUE(AsRedrawn("the typed x undone", position));
}

}  // namespace
}  // namespace scenario
