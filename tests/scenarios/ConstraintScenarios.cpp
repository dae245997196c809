// Constraints as a person sees and picks them: the sample's spring drawn as a coil between its
// anchor and its box, marked by a click on the coil and by a band around it, unmarked by a click
// on empty space, gone from the window and the saved world after Delete and back after Undo;
// each straight kind chosen from the Tools menu and dragged from the box to the wheel, drawn
// along the drag and saved holding both; a rotational spring put on the wheel with its icon; a
// selected point's square; and the pendulum's bob picked by a click inside it.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;

struct Spot {
  int x = 0, y = 0;
};

// How many pixels of two pictures of one box differ.
int Changed(const Picture& before, const Picture& now) { return before.Differences(now); }

// Whether a changed pixel lies within `reach` pixels of the spot (screen pixels).
bool ChangedNear(const Picture& before, const Picture& now, Spot spot, int reach) {
  for (int y = spot.y - reach; y <= spot.y + reach; ++y) {
    for (int x = spot.x - reach; x <= spot.x + reach; ++x) {
      const int px = x - now.box.x, py = y - now.box.y;
      if (px < 0 || py < 0 || px >= now.box.width || py >= now.box.height) continue;
      if (before.At(px, py) != now.At(px, py)) return true;
    }
  }
  return false;
}

// The share of spots every four pixels along the segment from a to b, its last eighth at each
// end left out (the points' own marks are there), near which the picture changed.
double ShownAlong(const Picture& before, const Picture& now, Spot a, Spot b, int reach) {
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const int steps = std::max(8, static_cast<int>(length / 4));
  int shown = 0, spots = 0;
  for (int i = steps / 8; i <= steps - steps / 8; ++i, ++spots)
    shown += ChangedNear(before, now,
                         {a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps}, reach);
  return static_cast<double>(shown) / spots;
}

// The box with corners a and b, grown by a margin.
Box Around(Spot a, Spot b, int margin) {
  const int left = std::min(a.x, b.x) - margin, top = std::min(a.y, b.y) - margin;
  return Box{left, top, std::abs(b.x - a.x) + 2 * margin + 1, std::abs(b.y - a.y) + 2 * margin + 1};
}

class Constraints : public SampleScenario {
 protected:
  // The pointer goes out of the program's windows (so that no tip, marker or highlight follows
  // it) and the program finishes what it was doing.
  static ::testing::AssertionResult Settle() {
    Me().MoveTo(2, 2);
    return Me().Idle();
  }
  DocumentWindow Document() const { return window_seen::FindDocumentWindow(Me(), Frame()); }

  // The spring-and-pin sample as it opened: where its box, its spring and its wheel are.
  struct SampleSeen {
    SavedWorld saved;
    SavedBody box, wheel;
    Box outline;      // the box on the screen
    Spot boxCentre;   // where the spring ends on the box
    Spot anchor;      // where it ends on the background
    Spot wheelCentre;
    int wheelRadius = 0;
    bool Found() const { return !outline.Empty() && anchor.x > 0; }
  };

  SampleSeen SeeSample() {
    SampleSeen seen;
    seen.saved = Opened();
    const std::vector<SavedBody> boxes = seen.saved.BodiesOfKind("TRectangle");
    const std::vector<SavedBody> wheels = seen.saved.BodiesOfKind("TOval");
    if (boxes.size() != 1 || wheels.size() != 1) {
      ADD_FAILURE() << seen.saved.Description();
      return seen;
    }
    seen.box = boxes[0];
    seen.wheel = wheels[0];
    seen.outline = OutlineOf("TRectangle");
    if (seen.outline.Empty()) return seen;
    seen.boxCentre = {seen.outline.x + seen.outline.width / 2,
                      seen.outline.y + seen.outline.height / 2};
    seen.wheelCentre = {seen.boxCentre.x + Pixels(seen.wheel.x - seen.box.x),
                        seen.boxCentre.y - Pixels(seen.wheel.y - seen.box.y)};
    seen.wheelRadius = Pixels(seen.wheel.width / 2);
    // The spring runs level to the left from the box's middle to the first ink of that row.
    const Box row{Document().client.x, seen.boxCentre.y, seen.outline.x - Document().client.x, 1};
    const Picture line = Me().Grab(row);
    for (int x = 40; x < line.box.width && seen.anchor.x == 0; ++x)
      if (IsInk(line.At(x, 0))) seen.anchor = {row.x + x, row.y};
    return seen;
  }
};

// The sample's spring: drawn as a coil, marked by a click on the coil and by Select All,
// unmarked by a click on empty space; Delete takes it from the window and from the saved world,
// Undo brings it back.
TEST_F(Constraints, TheSamplesSpringIsDrawnPickedMarkedDeletedAndBroughtBack) {
  ASSERT_TRUE(OpenCopy("spring-picked.yb"));
  const SampleSeen seen = SeeSample();
  ASSERT_TRUE(seen.Found()) << "no box or no spring anchor on the screen";
  const Spot a = seen.anchor, b = seen.boxCentre;
  ASSERT_GT(b.x - a.x, 60) << "the anchor is too close to the box to look between them";
  // The spring alone: clear of the anchor's mark (the first ink is its left edge) and of the
  // box.
  const Box strip{a.x + 14, a.y - 14, seen.outline.x - a.x - 18, 29};
  const Picture opened = Me().Grab(strip);
  const int coilInk = opened.Count([](uint32_t pixel) { return IsInk(pixel); });
  int offTheLine = 0;
  for (int y = 0; y < strip.height; ++y)
    for (int x = 0; x < strip.width; ++x)
      offTheLine += std::abs(strip.y + y - a.y) >= 3 && IsInk(opened.At(x, y));
  EXPECT_GE(coilInk, strip.width / 2) << "the spring is not drawn between its ends";
  EXPECT_GT(offTheLine, 10) << "the spring is drawn without its coil";

  // A click on a turn of the coil, 6 pixels off its line: the spring is marked.
  const Spot coil{a.x + (b.x - a.x) / 2, a.y - 6};
  Me().Click(coil.x, coil.y);
  ASSERT_TRUE(Settle());
  EXPECT_GT(Changed(opened, Me().Grab(strip)), 30) << "a click on the coil did not mark it";

  // A click on empty space below the spring: the mark goes, to the pixel.
  Me().Click(coil.x, a.y + 60);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Changed(opened, Me().Grab(strip)), 0) << "the mark stayed after a click elsewhere";

  // Select All (Ctrl+A) marks it as well.
  Me().Control("a");
  ASSERT_TRUE(Settle());
  EXPECT_GT(Changed(opened, Me().Grab(strip)), 30) << "Select All did not mark the spring";
  Me().Click(coil.x, a.y + 60);
  ASSERT_TRUE(Settle());

  // Picked and deleted: nothing left between its ends, nor in the saved world.
  Me().Click(coil.x, coil.y);
  ASSERT_TRUE(Settle());
  Me().Key("Delete");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Me().Grab(strip).Count([](uint32_t pixel) { return IsInk(pixel); }), 0)
      << "the deleted spring is still shown";
  const SavedWorld deleted = SaveAndRead();
  EXPECT_TRUE(deleted.ConstraintsOfKind("TLSpring").empty()) << deleted.Description();

  // Undo: the spring again, as it opened.
  Me().Control("z");
  ASSERT_TRUE(Settle());
  Me().Click(coil.x, a.y + 60);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Changed(opened, Me().Grab(strip)), 0) << "Undo did not bring the spring back";
  const SavedWorld undone = SaveAndRead();
  EXPECT_EQ(undone.ConstraintsOfKind("TLSpring").size(), 1u) << undone.Description();
}

// A band round the spring's two ends, not the whole box, marks the spring: a constraint lies in
// a band when its points do, though its figure reaches a few pixels past them.
TEST_F(Constraints, ABandAroundTheSpringsEndsMarksIt) {
  ASSERT_TRUE(OpenCopy("spring-banded.yb"));
  const SampleSeen seen = SeeSample();
  ASSERT_TRUE(seen.Found()) << "no box or no spring anchor on the screen";
  const Spot a = seen.anchor, b = seen.boxCentre;
  const Box strip{a.x + 14, a.y - 14, seen.outline.x - a.x - 18, 29};
  const Picture opened = Me().Grab(strip);
  Me().SlowDrag(a.x - 15, a.y - 25, b.x + 8, b.y + 25, 6);
  ASSERT_TRUE(Settle());
  EXPECT_GT(Changed(opened, Me().Grab(strip)), 30) << "a band around the spring did not mark it";
}

// Each straight kind, chosen from the Tools menu and dragged from the box to the wheel: it is
// drawn along the drag, and the saved world holds it between the box and the wheel.
TEST_F(Constraints, EachStraightKindDraggedFromTheBoxToTheWheelIsDrawnAndHoldsBoth) {
  struct Kind {
    const char* className;
    const char* tool;  // its item in the Tools menu
    int reach;         // how far its figure strays from its line
  };
  const Kind kinds[] = {{"TRod", "Rod", 3},
                        {"TLRope", "Rope", 3},
                        {"TLSpring", "Spring", 6},
                        {"TLDamper", "Damper", 9},
                        {"TLDampSpring", "Spring-Damper", 10},
                        {"TLPiston", "Actuator", 4}};
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.className);
    ASSERT_TRUE(OpenCopy(std::string("dragged-") + kind.className + ".yb"));
    const SampleSeen seen = SeeSample();
    ASSERT_FALSE(seen.outline.Empty()) << "no box on the screen";
    // From the box's middle to the wheel a tenth of a metre beside its pin: both places lie on
    // the world's grid, so that snapping leaves the ends where the drag puts them.
    const Spot from = seen.boxCentre;
    const Spot to{seen.wheelCentre.x + Pixels(0.1), seen.wheelCentre.y};
    const Box watched = Around(from, to, 16);
    const Picture before = Me().Grab(watched);
    ASSERT_TRUE(Click({"Tools", kind.tool}));
    ASSERT_TRUE(Me().Idle());
    Me().SlowDrag(from.x, from.y, to.x, to.y);
    ASSERT_TRUE(Settle());
    EXPECT_GE(ShownAlong(before, Me().Grab(watched), from, to, kind.reach), 0.9)
        << "not drawn along the drag";

    // The sample's own spring holds the box to the background: the new one is the other.
    const SavedWorld saved = SaveAndRead();
    const std::vector<int> ends{seen.box.id, seen.wheel.id};
    const std::vector<SavedConstraint> made = saved.ConstraintsOfKind(kind.className);
    EXPECT_EQ(std::count_if(made.begin(), made.end(),
                            [&](const SavedConstraint& c) { return c.bodies == ends; }),
              1)
        << saved.Description();
  }
}

// A click on the point in the middle of the box selects the point: a small square about it is
// inverted, and a click on empty space brings back the picture from before.
TEST_F(Constraints, ASelectedPointShowsItsSquare) {
  ASSERT_TRUE(OpenCopy("point-picked.yb"));
  const SampleSeen seen = SeeSample();
  ASSERT_FALSE(seen.outline.Empty()) << "no box on the screen";
  const Spot at = seen.boxCentre;
  const Box around{at.x - 6, at.y - 6, 13, 13};
  const Picture before = Me().Grab(around);
  Me().Click(at.x, at.y);
  ASSERT_TRUE(Settle());
  const Picture marked = Me().Grab(around);
  // The middle found from the box's outline may be a pixel off the point's own.
  int square = 0;
  for (int y = at.y - 2; y <= at.y + 2; ++y)
    for (int x = at.x - 2; x <= at.x + 2; ++x)
      square += marked.At(x - around.x, y - around.y) != before.At(x - around.x, y - around.y);
  EXPECT_GE(square, 7) << "the point shows no square";
  EXPECT_EQ(Changed(before, marked), square) << "more than the point's square changed";
  Me().Click(at.x, at.y + 60);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Changed(before, Me().Grab(around)), 0) << "the square stayed after a click elsewhere";
}

// A rotational spring clicked onto the wheel from the Tools menu shows its own icon there.
TEST_F(Constraints, ARotationalSpringClickedOntoTheWheelShowsItsIcon) {
  ASSERT_TRUE(OpenCopy("turned.yb"));
  const SampleSeen seen = SeeSample();
  ASSERT_FALSE(seen.outline.Empty()) << "no box on the screen";
  // A tenth of a metre beside the wheel's middle: on the grid, inside the wheel.
  const Spot at{seen.wheelCentre.x + Pixels(0.1), seen.wheelCentre.y};
  const Box around{at.x - 8, at.y - 8, 17, 17};
  const Picture before = Me().Grab(around);
  ASSERT_TRUE(Click({"Tools", "Rotational Spring"}));
  ASSERT_TRUE(Me().Idle());
  Me().Click(at.x, at.y);
  ASSERT_TRUE(Settle());
  EXPECT_GE(Changed(before, Me().Grab(around)), 20) << "no icon where the spring was put";
}

// A click inside the pendulum's bob, halfway between its middle and its edge and away from its
// rod, selects the bob: its selection mark shows, and goes again at a click on empty space.
TEST_F(Constraints, AClickInsideThePendulumsBobSelectsIt) {
  ASSERT_TRUE(OpenCopy("bob-picked.yb", "pendulum.yb"));
  const SavedWorld& saved = Opened();
  const std::vector<SavedBody> bobs = saved.BodiesOfKind("TOval");
  ASSERT_EQ(bobs.size(), 1u) << saved.Description();
  const int radius = Pixels(bobs[0].width / 2);
  ASSERT_GT(radius, 8);

  // The rod hangs down to the bob's middle: the lowest ink of the world is the bob's bottom,
  // and a row just above it crosses the bob's rim alone, about its middle.
  const Box world = window_seen::WholeWorld(Document());
  const Picture shown = Me().Grab(world);
  int bottom = -1;
  for (int y = shown.box.height - 1; y >= 0 && bottom < 0; --y)
    for (int x = 0; x < shown.box.width && bottom < 0; ++x)
      if (IsInk(shown.At(x, y))) bottom = y;
  ASSERT_GT(bottom, 0) << "no bob in the world";
  int sum = 0, count = 0;
  for (int x = 0; x < shown.box.width; ++x)
    if (IsInk(shown.At(x, bottom - 2))) sum += x, ++count;
  ASSERT_GT(count, 0);
  const Spot centre{world.x + sum / count, world.y + bottom - radius};
  const Picture before = Me().Grab(world);

  Me().Click(centre.x, centre.y + radius / 2);
  ASSERT_TRUE(Settle());
  EXPECT_GT(Changed(before, Me().Grab(world)), 8) << "the bob shows no selection mark";
  // Empty space: the corner of the world farthest from the bob.
  const Spot empty{centre.x > world.x + world.width / 2 ? world.x + 4 : world.Right() - 4,
                   centre.y > world.y + world.height / 2 ? world.y + 4 : world.Bottom() - 4};
  Me().Click(empty.x, empty.y);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Changed(before, Me().Grab(world)), 0) << "the bob stayed marked";
}

}  // namespace
}  // namespace scenario
