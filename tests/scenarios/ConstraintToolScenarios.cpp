// The constraint tools that are not dragged straight between two bodies, taken from the Tools
// menu on the spring-and-pin sample (a box held by a spring, a wheel on a pin) and used as a
// person does: a slot dragged along the box, a curved slot clicked point by point from the box,
// a gear pair dragged from the wheel to a circle sketched beside it, a force clicked onto the box
// and a torque clicked onto the wheel. Each is proved by the world saved and read back: which
// objects of which class, on which bodies.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "constraints/CurvedSlot.h"
#include "core/geometry/Vector.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

struct Spot {
  int x = 0, y = 0;
};

// The box with corners a and b, grown by a margin.
Box Around(Spot a, Spot b, int margin) {
  const int left = std::min(a.x, b.x) - margin, top = std::min(a.y, b.y) - margin;
  return Box{left, top, std::abs(b.x - a.x) + 2 * margin + 1, std::abs(b.y - a.y) + 2 * margin + 1};
}

// Whether a pixel within `reach` pixels of the spot differs between two pictures of one box.
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

// The share of spots every four pixels along the segment from a to b, its first and last
// eighths left out, near which (within `reach` pixels) the picture changed.
double ShownAlong(const Picture& before, const Picture& now, Spot a, Spot b, int reach) {
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const int steps = std::max(8, static_cast<int>(length / 4));
  int shown = 0, spots = 0;
  for (int i = steps / 8; i <= steps - steps / 8; ++i, ++spots) {
    const Spot spot{a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps};
    shown += ChangedNear(before, now, spot, reach);
  }
  return static_cast<double>(shown) / spots;
}

// A saved curved slot: its control points in the curve's own coordinates (metres, y up), and
// whether its curve is closed.
struct SavedCurve {
  std::vector<TVector> points;
  bool closed = false;
};

// The curved slots of a saved world, in the order the world holds them.
std::vector<SavedCurve> CurvedSlotsOf(const std::string& path) {
  std::vector<SavedCurve> slots;
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  for (TLink* object : document.World().Objects()) {
    auto* slot = dynamic_cast<TCurvedSlot*>(object);
    if (slot == nullptr) continue;
    SavedCurve& curve = slots.emplace_back();
    curve.closed = slot->IsClosed();
    for (int32_t i = 1; i <= slot->ControlPointCount(); ++i)
      curve.points.push_back(slot->ControlPoint(i));
  }
  return slots;
}

class ConstraintTools : public window_seen::WorldWindowScenario {
 protected:
  // The sample as it opened: its box and wheel in the saved world and on the screen.
  struct SampleSeen {
    SavedWorld saved;
    SavedBody box, wheel;
    Spot boxCentre, wheelCentre;
    int boxSide = 0;      // pixels
    int wheelRadius = 0;  // pixels
    // A spot inside the box, below and right of its middle, where the spring ends.
    Spot InBox() const { return {boxCentre.x + boxSide * 3 / 10, boxCentre.y + boxSide * 3 / 10}; }
    // A spot inside the wheel, above its pin and clear of the line it shows its turn by.
    Spot InWheel() const { return {wheelCentre.x, wheelCentre.y - wheelRadius / 2}; }
    // The spot so many metres right of and above the box's middle.
    Spot FromBox(double right, double up) const {
      return {boxCentre.x + static_cast<int>(std::lround(right * saved.scale)),
              boxCentre.y - static_cast<int>(std::lround(up * saved.scale))};
    }
  };

  // The program on a private copy of the sample, and the sample found on the screen.
  SampleSeen StartOnCopy(const std::string& name) {
    SampleSeen seen;
    if (::testing::AssertionResult opened = OpenCopy(name); !opened) {
      ADD_FAILURE() << opened.message();
      return seen;
    }
    seen.saved = Opened();
    const std::vector<SavedBody> boxes = seen.saved.BodiesOfKind("TRectangle");
    const std::vector<SavedBody> wheels = seen.saved.BodiesOfKind("TOval");
    if (boxes.size() != 1 || wheels.size() != 1) {
      ADD_FAILURE() << seen.saved.Description();
      return seen;
    }
    seen.box = boxes[0];
    seen.wheel = wheels[0];
    const double scale = seen.saved.scale;
    seen.boxSide = Pixels(seen.box.width);
    const Box outline = OutlineOf("TRectangle");
    if (outline.Empty()) {
      ADD_FAILURE() << "no box on the screen";
      return seen;
    }
    seen.boxCentre = {outline.x + outline.width / 2, outline.y + outline.height / 2};
    seen.wheelCentre = {
        seen.boxCentre.x + static_cast<int>(std::lround((seen.wheel.x - seen.box.x) * scale)),
        seen.boxCentre.y - static_cast<int>(std::lround((seen.wheel.y - seen.box.y) * scale))};
    seen.wheelRadius = static_cast<int>(std::lround(seen.wheel.width * scale / 2));
    return seen;
  }

  ::testing::AssertionResult Tool(const std::string& label) { return Choose({"Tools", label}); }

  // The pointer brought to the spot, and seen there by the program, before the click, as a hand
  // moves it.
  void ClickAndWait(Spot at) {
    Me().MoveTo(at.x, at.y);
    ASSERT_TRUE(Me().Idle());
    Me().Click(at.x, at.y);
    ASSERT_TRUE(Me().Idle());
  }
};

// The constraints of a kind whose points lie on exactly the given bodies, in order.
int CountOn(const SavedWorld& saved, const std::string& kind, const std::vector<int>& bodies) {
  const std::vector<SavedConstraint> made = saved.ConstraintsOfKind(kind);
  return static_cast<int>(std::count_if(
      made.begin(), made.end(), [&](const SavedConstraint& c) { return c.bodies == bodies; }));
}

// A slot dragged along the box, from its left part to its right part: the box carries the
// slot, and the slot's other end, which may not lie on the box as well, holds the background.
TEST_F(ConstraintTools, ASlotDraggedAlongTheBoxHoldsIt) {
  const SampleSeen seen = StartOnCopy("slotted.yb");
  ASSERT_FALSE(HasFailure());
  const int inside = seen.boxSide * 3 / 10;
  ASSERT_GE(inside, 6) << "the box is too small to drag along";
  const Spot from{seen.boxCentre.x - inside, seen.boxCentre.y + inside};
  const Spot to{seen.boxCentre.x + inside, seen.boxCentre.y + inside};
  ASSERT_TRUE(Tool("Slot"));
  Me().SlowDrag(from.x, from.y, to.x, to.y);
  ASSERT_TRUE(Settle());

  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.ConstraintsOfKind("TSlot").size(), 1u) << saved.Description();
  EXPECT_EQ(CountOn(saved, "TSlot", {seen.box.id, 0}), 1) << saved.Description();
}

// A curved slot clicked point by point, from the box out to two spots of empty space, and ended
// by a second click on its last point: one slot whose curve passes through the three clicks,
// carried by the box where the sketch began and holding the background there, and open, as it
// never came back to its start. The clicks lie on the world's grid, measured from the box's
// middle, where the first one snaps to. Under Edit Vertices the selected curve shows handles.
TEST_F(ConstraintTools, ACurvedSlotClickedPointByPointHoldsTheBox) {
  const SampleSeen seen = StartOnCopy("curved-slot.yb");
  ASSERT_FALSE(HasFailure());
  const Spot onBox = seen.InBox();
  const TVector secondOff(-0.3, -0.4), thirdOff(-0.7, -0.1);
  const Spot second = seen.FromBox(secondOff.x, secondOff.y);
  const Spot third = seen.FromBox(thirdOff.x, thirdOff.y);
  const Box watched = Around(onBox, {third.x, second.y}, 10);
  const Picture before = Me().Grab(watched);
  ASSERT_TRUE(Tool("Curved Slot"));
  for (const Spot& click : {onBox, second, third, third}) {
    ClickAndWait(click);
    if (HasFatalFailure()) return;
  }
  ASSERT_TRUE(Settle());
  EXPECT_GT(before.Differences(Me().Grab(watched)), 200) << "no curve drawn";

  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.ConstraintsOfKind("TCurvedSlot").size(), 1u) << saved.Description();
  EXPECT_EQ(CountOn(saved, "TCurvedSlot", {seen.box.id, 0}), 1) << saved.Description();
  // The curve goes with its first point, which may snap onto the box's hot point: the other
  // points keep their places relative to it, as clicked.
  const std::vector<SavedCurve> curves = CurvedSlotsOf(CopyPath());
  ASSERT_EQ(curves.size(), 1u);
  const std::vector<TVector>& points = curves[0].points;
  ASSERT_EQ(points.size(), 3u) << "the curve does not pass through the three clicks alone";
  EXPECT_FALSE(curves[0].closed) << "a sketch that never came back to its start was closed";
  const double pixel = 1.0 / saved.scale;
  const TVector offsets[] = {TVector(0.0, 0.0), secondOff, thirdOff};
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_NEAR(points[i].x - points[0].x, offsets[i].x, 1.5 * pixel) << i;
    EXPECT_NEAR(points[i].y - points[0].y, offsets[i].y, 1.5 * pixel) << i;
  }

  // Selected and then edited by its vertices, the curve shows a square at each control point.
  ASSERT_TRUE(Tool("Select"));
  ClickAndWait(second);
  ASSERT_TRUE(Settle());
  const Picture selected = Me().Grab(watched);
  ASSERT_TRUE(Tool("Edit Vertices"));
  ASSERT_TRUE(Settle());
  const Picture editing = Me().Grab(watched);
  for (const Spot& corner : {second, third})
    EXPECT_TRUE(ChangedNear(selected, editing, corner, 4)) << "no handle at " << corner.x;
}

// A circle sketched right of the wheel, then a gear pair dragged from the wheel to it: one gear
// joining the two circles, the wheel first.
TEST_F(ConstraintTools, AGearPairDraggedBetweenTwoCirclesJoinsThem) {
  const SampleSeen seen = StartOnCopy("geared.yb");
  ASSERT_FALSE(HasFailure());
  // Half the wheel's size, right of it.
  const int radius = seen.wheelRadius / 2;
  const Spot corner{seen.wheelCentre.x + seen.wheelRadius + 40, seen.wheelCentre.y - radius};
  const Spot opposite{corner.x + 2 * radius, corner.y + 2 * radius};
  ASSERT_TRUE(Tool("Circle"));
  Me().SlowDrag(corner.x, corner.y, opposite.x, opposite.y);
  ASSERT_TRUE(Settle());
  const SavedWorld sketched = SaveAndRead();
  std::vector<SavedBody> circles = sketched.BodiesOfKind("TOval");
  ASSERT_EQ(circles.size(), 2u) << sketched.Description();
  const SavedBody& added = circles[0].id == seen.wheel.id ? circles[1] : circles[0];

  const Spot fromWheel = seen.InWheel();
  const Spot toCircle{corner.x + radius, corner.y + radius};
  ASSERT_TRUE(Tool("Gear Pair"));
  Me().SlowDrag(fromWheel.x, fromWheel.y, toCircle.x, toCircle.y);
  ASSERT_TRUE(Settle());

  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.ConstraintsOfKind("TGear").size(), 1u) << saved.Description();
  EXPECT_EQ(CountOn(saved, "TGear", {seen.wheel.id, added.id}), 1) << saved.Description();
}

// A force clicked onto the box, its tail clicked below: the arrow is drawn from the tail to the
// box and the saved force lies on the box. A torque clicked onto the wheel (the gesture ended by
// a second click there) is drawn there and saved between the wheel and the background.
TEST_F(ConstraintTools, AForceClickedOntoTheBoxAndATorqueOntoTheWheelLieOnThem) {
  const SampleSeen seen = StartOnCopy("pushed.yb");
  ASSERT_FALSE(HasFailure());
  const Spot onBox = seen.InBox();
  const Spot tail{onBox.x, onBox.y + 60};
  const Box watched = Around(onBox, tail, 12);
  const Picture before = Me().Grab(watched);
  ASSERT_TRUE(Tool("Force"));
  ClickAndWait(onBox);
  ClickAndWait(tail);
  ASSERT_TRUE(Settle());
  // The shaft is drawn as two lines either side of the line from the tail to the box.
  EXPECT_GE(ShownAlong(before, Me().Grab(watched), onBox, tail, 8), 0.9)
      << "no arrow drawn from the tail to the box";

  const Spot onWheel = seen.InWheel();
  const Box aroundWheel = Around(onWheel, onWheel, 12);
  const Picture wheelBefore = Me().Grab(aroundWheel);
  ASSERT_TRUE(Tool("Torque"));
  ClickAndWait(onWheel);
  ClickAndWait(onWheel);
  ASSERT_TRUE(Settle());
  EXPECT_GE(wheelBefore.Differences(Me().Grab(aroundWheel)), 10) << "no torque drawn on the wheel";

  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.ConstraintsOfKind("TForce").size(), 1u) << saved.Description();
  EXPECT_EQ(CountOn(saved, "TForce", {seen.box.id}), 1) << saved.Description();
  ASSERT_EQ(saved.ConstraintsOfKind("TTorque").size(), 1u) << saved.Description();
  EXPECT_EQ(CountOn(saved, "TTorque", {seen.wheel.id, 0}), 1) << saved.Description();
}

}  // namespace
}  // namespace scenario
