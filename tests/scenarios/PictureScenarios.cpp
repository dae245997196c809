// What the world's window shows after each thing a person does to the sample world (a run
// stopped and reset, a body deleted and brought back, a place typed into the Position window and
// undone) is what World > Redraw the World shows: no body is left where it stood before. A yes to
// the question a world holding a run asks before a change lets the change go ahead. The
// rulers zoomed out are as the rulers taken away and given back draw them. World > Snap to Hot
// Points, kept with the document, decides whether a point dropped beside a corner of the box
// lands on the corner, even while Snap Turns (also kept) pulls points onto the grid.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"
#include "views/furniture/RulerView.h"
#include "views/world/HotPointSnapper.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;

// Where the sample shows its box, from the main window's corner.
constexpr int kBoxX = 682;
constexpr int kObjectsY = 130;
// World > Snap to Hot Points, and World > Snap Turns to 5 Degrees, which also pulls what is
// dropped onto the grid's lines.
constexpr char kSnapItem[] = "Snap to Hot Points";
constexpr char kGridSnapItem[] = "Snap Turns to 5 Degrees (Angles)";
// The box's top corners in the world (metres): its centre lies at (1.5, 0), its sides are 0.1 m
// long.
constexpr double kLeftCornerX = 1.45, kRightCornerX = 1.55, kCornerY = 0.05;
// The snapping scenario saves into a copy of the sample of its own, so that the sample the
// other scenarios open stays as it was.
constexpr char kSnappingSample[] = "snapping.yb";

std::string SourceSample(const std::string& name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source ? source : YB_SOURCE_FALLBACK) + "/samples/" + name;
}

// What a saved sample keeps of hot point snapping: the option, and every point's place.
struct SavedSnapping {
  std::string failure;
  bool snapToHotPoints = false;
  double scale = 0.0;  // pixels per metre
  std::vector<TVector> points;
  // The distance from the world point to the nearest point, in pixels.
  double NearestInPixels(double x, double y) const {
    double nearest = std::numeric_limits<double>::infinity();
    for (const TVector& point : points)
      nearest = std::min(nearest, std::hypot(point.x - x, point.y - y));
    return nearest * scale;
  }
};

SavedSnapping ReadSavedSnapping(const std::string& path) {
  SavedSnapping saved;
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    saved.scale = world.Scale().GetValue();
    bool found = false;
    for (TLink* object : world.Objects()) {
      if (auto* snapper = dynamic_cast<THotPointSnapper*>(object)) {
        found = true;
        saved.snapToHotPoints = snapper->GetSnapToHotPoints() != 0;
      }
      if (auto* point = dynamic_cast<TPoint*>(object)) saved.points.push_back(point->GetWorldXY());
    }
    if (!found) saved.failure = "the saved world has no snapper";
  } catch (const QVException& failure) {
    saved.failure = "the saved world could not be read: " + std::to_string(failure.error());
  }
  return saved;
}

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
    if (!Click({"World", "Redraw the World"}))
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

  // Whether an item of the World menu shows its check mark: the menu is opened by its keys,
  // looked at and closed again.
  ::testing::AssertionResult WorldItemChecked(const std::string& item, bool& checked) {
    const std::vector<Box> before = Me().ShownPlaces();
    Me().Key("w", {"Alt_L"});
    if (::testing::AssertionResult idle = Me().Idle(); !idle) return idle;
    Box menu;
    for (const Box& place : Me().ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end()) menu = place;
    if (menu.Empty()) return ::testing::AssertionFailure() << "the World menu did not open";
    const Box row = MenuItemRow(menu, {"World", item});
    if (row.Empty()) return ::testing::AssertionFailure() << "the World menu has no " << item;
    // The check mark stands left of the item's text.
    const Box mark{row.x + 2, row.y + 2, 20, row.height - 4};
    checked = Me().Grab(mark).Count(IsInk) > 0;
    Me().Key("Escape");
    if (!Me().WaitUntil([&] { return Me().ShownPlaces().size() == before.size(); }))
      return ::testing::AssertionFailure() << "the World menu stayed open";
    return Me().Idle();
  }

  ::testing::AssertionResult SnapChecked(bool& checked) {
    return WorldItemChecked(kSnapItem, checked);
  }

  // Snapping to the grid's lines goes off: a point dropped with hot points off stays where it
  // is dropped, and one dropped with them on is pulled onto a hot point alone.
  ::testing::AssertionResult GridSnapOff() {
    bool checked = false;
    if (::testing::AssertionResult seen = WorldItemChecked(kGridSnapItem, checked); !seen)
      return seen;
    if (!checked) return ::testing::AssertionSuccess();
    if (!Click({"World", kGridSnapItem}))
      return ::testing::AssertionFailure() << "World > Snap Turns could not be chosen";
    return Settle();
  }

  // A corner of the box's outline on the screen: the leftmost or rightmost dark pixel of its
  // topmost (or bottommost) row of dark pixels near the box.
  Box BoxCorner(bool right, bool bottom = false) {
    const Box frame = Frame();
    const Box around{frame.x + kBoxX - 30, frame.y + kObjectsY - 30, 60, 60};
    const scenario::Picture seen = Me().Grab(around);
    for (int row = 0; row < around.height; ++row) {
      const int y = bottom ? around.height - 1 - row : row;
      int left = -1, last = -1;
      for (int x = 0; x < around.width; ++x)
        if (IsInk(seen.At(x, y))) {
          if (left < 0) left = x;
          last = x;
        }
      if (left >= 0) return {around.x + (right ? last : left), around.y + y, 1, 1};
    }
    return {};
  }

  // Tools > Point, and a click two pixels beside a corner (found before any point was dropped
  // near it), away from the box; then Ctrl+S. The pointer first waits there until the cross
  // that marks the corner shows, when `marked` asks for it.
  ::testing::AssertionResult DropPointBesideTheCorner(const Box& corner, bool right,
                                                      bool marked = false) {
    if (corner.Empty()) return ::testing::AssertionFailure() << "no box on the screen";
    if (!Choose({"Tools", "Point"}))
      return ::testing::AssertionFailure() << "Tools > Point could not be chosen";
    const int x = corner.x + (right ? 2 : -2);
    if (marked) {
      const Box around{corner.x - 6, corner.y - 6, 13, 13};
      const scenario::Picture before = Me().Grab(around);
      Me().MoveTo(x, corner.y);
      // The cross's two diagonals, five pixels each way, invert what lay under them.
      const auto crossed = [&] {
        const scenario::Picture now = Me().Grab(around);
        int changed = 0;
        for (int d = -5; d <= 5; ++d)
          changed += (now.At(6 + d, 6 + d) != before.At(6 + d, 6 + d)) +
                     (now.At(6 + d, 6 - d) != before.At(6 + d, 6 - d));
        return changed >= 16;
      };
      if (!Me().WaitUntil(crossed))
        return ::testing::AssertionFailure() << "no cross marks the corner under the pointer";
    }
    Me().Click(x, corner.y);
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    Me().Control("s");
    return Me().Idle();
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
  ASSERT_TRUE(Click({"Window", "Position"}));
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
  ASSERT_TRUE(Click({"Edit", "Undo"}));
  EXPECT_TRUE(AsRedrawn("the typed x undone", position));
}

// A world stopped part of the way through a run asks before a change whether to go back to its
// start. A yes takes it there, and the command chosen again goes ahead without a second question.
TEST_F(Picture, AYesToTheQuestionAfterARunLetsTheDeletionChosenAgainGoAhead) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  const Box frame = Frame();
  const Box box{frame.x + kBoxX - 20, frame.y + kObjectsY - 20, 40, 40};
  const scenario::Picture standing = Me().Grab(box);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(box) != standing; })) << "the box stood still";
  Me().Control("period");
  ASSERT_TRUE(Settle());

  // Wherever the run left them, Select All takes every object.
  const auto deleteEverything = [] {
    Me().Control("a");
    if (::testing::AssertionResult idle = Me().Idle(); !idle) return idle;
    Me().Key("Delete");
    return Me().Idle();
  };
  ASSERT_TRUE(deleteEverything());
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; }))
      << "a world holding a run was changed without a question";
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") == 0; }))
      << "Return did not answer the question";
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(box), standing) << "the box is not at its start after the yes";

  ASSERT_TRUE(deleteEverything());
  EXPECT_EQ(Me().WindowTitled("Yarrowby"), XWindowId{0}) << "the question came back";
  ASSERT_TRUE(Settle());
  EXPECT_NE(Me().Grab(box), standing) << "the box was not deleted";
  EXPECT_EQ(Me().Grab(box).Count(IsInk), 0) << "something is left where the box stood";
}

TEST_F(Picture, ZoomedOutRulersAreDrawnAsRulersGivenBack) {
  ASSERT_TRUE(Ready(true));
  ASSERT_TRUE(Settle());
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  const scenario::Picture client = Me().Grab(document.client);
  const int row = window_seen::HorizontalRulerRow(client);
  const int column = window_seen::VerticalRulerColumn(client);
  ASSERT_GE(row, 0) << "no ruler across the window";
  ASSERT_GE(column, 0) << "no ruler down the left edge";
  const Box across{document.client.x, document.client.y + row, document.client.width - 24,
                   TRulerView::kThickness};
  const Box down{document.client.x, document.client.y, column + 1, row};
  const scenario::Picture acrossBefore = Me().Grab(across);
  const scenario::Picture downBefore = Me().Grab(down);

  ASSERT_TRUE(Choose({"Tools", "Zoom Out"}));
  const Box world = window_seen::UpperWorld(document);
  Me().Click(world.x + world.width / 2, world.y + world.height / 2);
  ASSERT_TRUE(Settle());
  const scenario::Picture acrossZoomed = Me().Grab(across);
  const scenario::Picture downZoomed = Me().Grab(down);
  ASSERT_GT(acrossZoomed.Differences(acrossBefore), 0) << "the ruler across kept its marks";
  ASSERT_GT(downZoomed.Differences(downBefore), 0) << "the ruler down kept its marks";

  ASSERT_TRUE(Click({"World", "Rulers"}));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(Click({"World", "Rulers"}));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(across).Differences(acrossZoomed), 0)
      << "the ruler across given back differs from the zoomed one";
  EXPECT_EQ(Me().Grab(down).Differences(downZoomed), 0)
      << "the ruler down given back differs from the zoomed one";
}

TEST_F(Picture, SnapToHotPointsIsKeptWithTheWorldAndPutsADroppedPointOnTheCorner) {
  std::filesystem::copy_file(SourceSample("spring-and-pin.yb"), Home().Sample(kSnappingSample),
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(StartOnSample(kSnappingSample));
  const Box left = BoxCorner(false);
  const Box right = BoxCorner(true);
  bool checked = false;
  ASSERT_TRUE(SnapChecked(checked));
  ASSERT_TRUE(checked) << "a world snaps to hot points unless told otherwise";

  // As shipped, Snap Turns pulls what is dropped onto the grid; a corner in reach wins all the
  // same, and a cross marks it while the pointer waits beside it. The box's bottom corner is
  // used, away from the points dropped below.
  const Box bottom = BoxCorner(false, true);
  ASSERT_TRUE(DropPointBesideTheCorner(bottom, false, true));
  SavedSnapping saved = ReadSavedSnapping(Home().Sample(kSnappingSample));
  ASSERT_EQ(saved.failure, "");
  EXPECT_LE(saved.NearestInPixels(kLeftCornerX, -kCornerY), 1e-6)
      << "the grid won over the corner";

  ASSERT_TRUE(Click({"World", kSnapItem}));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(SnapChecked(checked));
  EXPECT_FALSE(checked) << "the check stayed";
  ASSERT_TRUE(GridSnapOff());

  // Off: the point stays where it was dropped, two pixels beside the corner.
  ASSERT_TRUE(DropPointBesideTheCorner(left, false));
  saved = ReadSavedSnapping(Home().Sample(kSnappingSample));
  ASSERT_EQ(saved.failure, "");
  EXPECT_FALSE(saved.snapToHotPoints);
  const double off = saved.NearestInPixels(kLeftCornerX, kCornerY);
  EXPECT_GE(off, 1.0) << "the point went onto the corner";
  EXPECT_LE(off, 3.5) << "the point is not where it was dropped";

  // Opened again, the world keeps the option off; switched on, a point dropped beside the other
  // corner lands on it.
  ASSERT_TRUE(StartOnSample(kSnappingSample));
  ASSERT_TRUE(SnapChecked(checked));
  EXPECT_FALSE(checked) << "the option did not survive reopening";
  ASSERT_TRUE(Click({"World", kSnapItem}));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(SnapChecked(checked));
  EXPECT_TRUE(checked) << "the check did not come back";
  ASSERT_TRUE(WorldItemChecked(kGridSnapItem, checked));
  EXPECT_FALSE(checked) << "Snap Turns, unchecked, did not survive reopening";
  ASSERT_TRUE(GridSnapOff());
  ASSERT_TRUE(DropPointBesideTheCorner(right, true));
  saved = ReadSavedSnapping(Home().Sample(kSnappingSample));
  ASSERT_EQ(saved.failure, "");
  EXPECT_TRUE(saved.snapToHotPoints);
  EXPECT_LE(saved.NearestInPixels(kRightCornerX, kCornerY), 1e-6) << "the point missed the corner";
}

}  // namespace
}  // namespace scenario
