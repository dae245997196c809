// Constraints read from documents hold their bodies while a body is dragged or the geometry is
// put together again: a pendulum stays pinned, a point stays in its slot or on its curve, a rope
// holds only when taut, a rod keeps its length, and a constraint that does not act holds nothing.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "bodies/assembly/BodyAssembly.h"
#include "bodies/assembly/BodyDragContext.h"
#include "tests/constraints/SlotTestSupport.h"

namespace {

using namespace body_tags;

// Every object of the world but the background, as a drag in a view hands them over.
std::vector<TLink*> DraggedObjects(TWorldDoc& world) {
  std::vector<TLink*> objects;
  for (TLink* object : world.Objects())
    if (!object->IsMemberClass(TZeroMass::kClassID)) objects.push_back(object);
  return objects;
}

void Settle(TGeometryDragContext& context) {
  TGeometryRunLimit limit(GetTickCount60(), 6000, nullptr);
  context.Run(limit, 1e-12);
}

// Drags the body, held at the grip, along the path as a mouse does, and lets go.
void Drag(TWorldDoc& world, TMass& body, const TVector& grip, const std::vector<TVector>& path) {
  TBodyDragContext context(DraggedObjects(world));
  ASSERT_EQ(context.MakeFollowed(&body, grip), &body);
  for (const TVector& to : path) {
    context.MoveFrameTo(to);
    Settle(context);
  }
  context.LetGo();
  Settle(context);
}

// The path from a to b in n straight steps.
std::vector<TVector> Steps(const TVector& a, const TVector& b, int n) {
  std::vector<TVector> path;
  for (int i = 1; i <= n; ++i)
    path.emplace_back(a.x + (b.x - a.x) * i / n, a.y + (b.y - a.y) * i / n);
  return path;
}

double Distance(const TVector& a, const TVector& b) { return std::hypot(b.x - a.x, b.y - a.y); }

template <class T>
T& Find(TWorldDoc& world, int16_t identifier) {
  auto* object = dynamic_cast<T*>(world.FindObject(identifier));
  if (object == nullptr) throw std::runtime_error("object missing from the reopened world");
  return *object;
}

class ConstraintAssemblyTest : public constraint_runs::ConstraintRunTest {
 protected:
  // A link of length 2 lying along x from the pivot at the origin: its frame at (1, 0), the pin
  // at its point (-1, 0), a second point at its free end (1, 0).
  std::unique_ptr<TQVDoc> Pendulum(const std::function<void(TPin&)>& adjust) {
    return SaveAndReopen([&](TWorldDoc& world) {
      TZeroMass& background = Add<TZeroMass>(world, 0);
      TRectangle& link = AddBox(world, 2, 1.0, 1.0, 0.0);
      TPin& pin = Add<TPin>(world, 5);
      pin.SetShortProperty(kTagAlwaysActive, 1);
      pin.AttachObject(&AddPoint(world, 3, background, 0.0, 0.0));
      pin.AttachObject(&AddPoint(world, 4, link, -1.0, 0.0));
      AddPoint(world, 6, link, 1.0, 0.0);
      adjust(pin);
    });
  }

  // A box whose point at its frame is tied to a point at the origin by a rope of the type.
  std::unique_ptr<TQVDoc> Tied(int32_t type, double length, double startX) {
    return SaveAndReopen([&](TWorldDoc& world) {
      TZeroMass& background = Add<TZeroMass>(world, 0);
      TRectangle& box = AddBox(world, 2, 1.0, startX, 0.0);
      TLRope& rope = Add<TLRope>(world, 5);
      rope.SetShortProperty(kTagAlwaysActive, 1);
      rope.SetType(type);
      rope.AttachObject(&AddPoint(world, 3, background, 0.0, 0.0));
      rope.AttachObject(&AddPoint(world, 4, box, 0.0, 0.0));
      rope.Quantity().SetConstant(length);
    });
  }
};

TEST_F(ConstraintAssemblyTest, APendulumReadFromADocumentStaysPinnedWhileItsLinkIsDragged) {
  auto document = Pendulum([](TPin&) {});
  TWorldDoc& world = document->World();
  auto& link = Find<TRectangle>(world, 2);
  auto& pivot = Find<TPoint>(world, 3);
  auto& pinned = Find<TPoint>(world, 4);
  auto& end = Find<TPoint>(world, 6);
  // The free end is carried a quarter turn round the pivot, as a mouse moves.
  std::vector<TVector> path;
  for (int step = 1; step <= 18; ++step) {
    const double angle = step * (std::numbers::pi / 36.0);
    path.emplace_back(2.0 * std::cos(angle), 2.0 * std::sin(angle));
  }
  Drag(world, link, {2.0, 0.0}, path);

  EXPECT_LT(Distance(pinned.GetWorldXY(), pivot.GetWorldXY()), 1e-9);
  EXPECT_EQ(pivot.GetWorldXY(), TVector(0.0, 0.0));
  EXPECT_NEAR(end.GetWorldXY().x, 0.0, 1e-6);
  EXPECT_NEAR(end.GetWorldXY().y, 2.0, 1e-6);
  EXPECT_NEAR(link.GetRotationValue(), std::numbers::pi / 2.0, 1e-6);
}

// A pin absorbed into a compound (its active flag set) or whose condition is never true holds
// nothing: the link goes where the mouse takes it.
TEST_F(ConstraintAssemblyTest, APinThatDoesNotActHoldsNothing) {
  for (const auto& adjust : std::vector<std::function<void(TPin&)>>{
           [](TPin& pin) { pin.Activate(0); },
           [](TPin& pin) { pin.Activation().SetConstant(0.0); }}) {
    auto document = Pendulum(adjust);
    TWorldDoc& world = document->World();
    auto& link = Find<TRectangle>(world, 2);
    Drag(world, link, {1.0, 0.0}, Steps({1.0, 0.0}, {3.0, 1.0}, 4));
    EXPECT_NEAR(link.GetPositionValues().x, 3.0, 1e-9);
    EXPECT_NEAR(link.GetPositionValues().y, 1.0, 1e-9);
    EXPECT_GT(Distance(Find<TPoint>(world, 4).GetWorldXY(), TVector(0.0, 0.0)), 1.0);
  }
}

TEST_F(ConstraintAssemblyTest, ARopeHoldsOnlyWhenTautAndARodKeepsItsLength) {
  {
    auto document = Tied(TLRope::kRope, 1.5, 1.0);
    TWorldDoc& world = document->World();
    auto& box = Find<TRectangle>(world, 2);
    // Slack: the box goes where it is taken.
    Drag(world, box, {1.0, 0.0}, Steps({1.0, 0.0}, {0.5, 0.8}, 3));
    EXPECT_NEAR(box.GetPositionValues().x, 0.5, 1e-9);
    EXPECT_NEAR(box.GetPositionValues().y, 0.8, 1e-9);
    // Taut: pulled far away, it stops at the rope's length on the way to the mouse.
    Drag(world, box, {0.5, 0.8}, Steps({0.5, 0.8}, {3.0, 0.0}, 10));
    EXPECT_NEAR(Distance(Find<TPoint>(world, 4).GetWorldXY(), {0.0, 0.0}), 1.5, 1e-6);
    EXPECT_GT(box.GetPositionValues().x, 1.2);
  }
  {
    // Read back, the rod takes the distance of its ends, 2, as its length.
    auto document = Tied(TLRope::kRigid, 7.0, 2.0);
    TWorldDoc& world = document->World();
    auto& box = Find<TRectangle>(world, 2);
    Drag(world, box, {2.0, 0.0}, Steps({2.0, 0.0}, {0.5, 0.5}, 10));
    EXPECT_NEAR(Distance(Find<TPoint>(world, 4).GetWorldXY(), {0.0, 0.0}), 2.0, 1e-6);
  }
  {
    // A separator keeps the ends at least its length apart.
    auto document = Tied(TLRope::kSeparator, 1.0, 2.0);
    TWorldDoc& world = document->World();
    auto& box = Find<TRectangle>(world, 2);
    Drag(world, box, {2.0, 0.0}, Steps({2.0, 0.0}, {0.2, 0.0}, 10));
    EXPECT_NEAR(Distance(Find<TPoint>(world, 4).GetWorldXY(), {0.0, 0.0}), 1.0, 1e-6);
  }
}

// The geometry manager's assembly, given only the moved link, finds the pin through the link's
// point and brings the link back onto it; a second link pinned to the first comes along.
TEST_F(ConstraintAssemblyTest, TheEditingAssemblyPutsAMovedLinkBackOnItsPin) {
  auto document = Pendulum([](TPin&) {});
  TWorldDoc& world = document->World();
  auto& link = Find<TRectangle>(world, 2);
  TRectangle& tail = AddBox(world, 20, 1.0, 3.0, 0.0);
  TPin& joint = Add<TPin>(world, 23);
  joint.SetShortProperty(kTagAlwaysActive, 1);
  joint.AttachObject(&Find<TPoint>(world, 6));
  joint.AttachObject(&AddPoint(world, 21, tail, -1.0, 0.0));

  std::vector<TLink*> joined;
  ProgramBodyAssembly().CollectJoined({&link}, joined);
  for (TLink* object : std::vector<TLink*>{&joint, &tail, world.FindObject(5)})
    EXPECT_NE(std::find(joined.begin(), joined.end(), object), joined.end());

  link.StorePosition({1.5, 0.5, 0.0});
  ProgramBodyAssembly().Assemble({&link}, 0);
  EXPECT_LT(Distance(Find<TPoint>(world, 4).GetWorldXY(), {0.0, 0.0}), 1e-9);
  EXPECT_LT(Distance(Find<TPoint>(world, 6).GetWorldXY(), Find<TPoint>(world, 21).GetWorldXY()),
            1e-9);
}

// A motor driving a position keeps the points together and their rotations apart by its
// quantity.
TEST_F(ConstraintAssemblyTest, AMotorInThePositionKindKeepsItsAngle) {
  auto document = SaveAndReopen([&](TWorldDoc& world) {
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& crank = AddBox(world, 2, 1.0, 1.0, 0.0);
    TRPiston& motor = Add<TRPiston>(world, 5);
    motor.SetShortProperty(kTagAlwaysActive, 1);
    motor.AttachObject(&AddPoint(world, 3, background, 0.0, 0.0));
    motor.AttachObject(&AddPoint(world, 4, crank, -1.0, 0.0));
    motor.SetDriveKind(TPiston::kPosition);
  });
  TWorldDoc& world = document->World();
  auto& crank = Find<TRectangle>(world, 2);
  auto& motor = Find<TRPiston>(world, 5);
  ASSERT_TRUE(motor.HasQuantity());
  EXPECT_EQ(motor.Quantity().GetValue(), 0.0);
  Drag(world, crank, {2.0, 0.0}, Steps({2.0, 0.0}, {2.5, 1.0}, 5));
  EXPECT_LT(Distance(Find<TPoint>(world, 4).GetWorldXY(), {0.0, 0.0}), 1e-9);
  EXPECT_NEAR(crank.GetRotationValue(), 0.0, 1e-9);
}

using SlotAssemblyTest = slot_tests::SlotFixture;

// A slot on the background through the origin, falling 30 degrees to the right: the box's point at
// its frame stays on the line, and a locked slot also keeps the box from turning.
TEST_F(SlotAssemblyTest, APointStaysOnItsSlotWhileItsBodyIsDragged) {
  constexpr double kAngle = -std::numbers::pi / 6.0;
  for (const uint16_t locked : {0, 1}) {
    auto document = SaveAndReopen([&](TWorldDoc& world) {
      TZeroMass& background = Add<TZeroMass>(world, 0);
      TRectangle& box = AddBox(world, 2, 0.0, 0.0, 0.1, 0.1);
      TSlot& slot = Add<TSlot>(world, 5);
      slot.SetShortProperty(kTagAlwaysActive, 1);
      slot.SetLocked(locked);
      slot.AttachObject(&AddPoint(world, 3, background, 0.0, 0.0, kAngle));
      slot.AttachObject(&AddPoint(world, 4, box, 0.0, 0.0, 0.0));
    });
    TWorldDoc& world = document->World();
    auto& box = Find<TRectangle>(world, 2);
    // Held by a corner and taken down the slope.
    const TVector down(1.5 * std::cos(kAngle) + 0.05, 1.5 * std::sin(kAngle) + 0.05);
    Drag(world, box, {0.05, 0.05}, Steps({0.05, 0.05}, down, 10));
    const TVector at = Find<TPoint>(world, 4).GetWorldXY();
    EXPECT_NEAR(at.x * std::sin(kAngle) - at.y * std::cos(kAngle), 0.0, 1e-9) << locked;
    EXPECT_NEAR(at.x, 1.5 * std::cos(kAngle), 1e-6) << locked;
    if (locked != 0) {
      EXPECT_NEAR(box.GetRotationValue(), 0.0, 1e-9);
    }
  }
}

// A bead on a closed curve through eight points of the unit circle, its body moved off the curve,
// is put back on it by the editing assembly: where it lands, the slot's own snapping onto the
// curve finds nothing to move.
TEST_F(SlotAssemblyTest, TheEditingAssemblyPutsABeadBackOnItsCurvedSlot) {
  auto document = SaveAndReopen([&](TWorldDoc& world) {
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = AddBox(world, 2, 1.0, 0.0, 0.1, 0.1);
    TTable& table = Add<TTable>(world, 10);
    for (int i = 0; i < 8; ++i) {
      const double a = 2.0 * std::numbers::pi * i / 8.0;
      table.AppendPoint({std::cos(a), std::sin(a)});
    }
    auto& origin = AddPoint<TSplinePoint>(world, 3, background, 0.0, 0.0, 0.0);
    TCurvedSlot& slot = Add<TCurvedSlot>(world, 5);
    slot.SetShortProperty(kTagAlwaysActive, 1);
    slot.AttachObject(&origin);
    slot.AttachObject(&AddPoint(world, 4, box, 0.0, 0.0, 0.0));
    slot.SetPointTable(&table);
    slot.SetSplineType(TCurvedSlot::kClosed);
  });
  TWorldDoc& world = document->World();
  auto& box = Find<TRectangle>(world, 2);
  auto& slot = Find<TCurvedSlot>(world, 5);
  auto& bead = Find<TPoint>(world, 4);
  box.StorePosition({1.3, 0.3, 0.0});
  ProgramBodyAssembly().Assemble(DraggedObjects(world), 0);
  const TVector at = bead.GetWorldXY();
  EXPECT_NEAR(std::hypot(at.x, at.y), 1.0, 0.02);
  EXPECT_GT(at.x, 0.9);
  slot.SnapPointsOntoSlot(nullptr);
  EXPECT_LT(Distance(bead.GetWorldXY(), at), 1e-6);
}

// A welding pin shown apart holds the pendulum's tail at its place and angle on the link while
// the link is dragged; once welded into one compound it leaves them to the compound.
TEST_F(ConstraintAssemblyTest, AWeldingPinCarriesTheBodyItWeldsUntilTheyAreOne) {
  auto document = Pendulum([](TPin&) {});
  TWorldDoc& world = document->World();
  auto& link = Find<TRectangle>(world, 2);
  TRectangle& tail = AddBox(world, 20, 1.0, 3.0, 0.0);
  TPin& weld = Add<TPin>(world, 23);
  weld.SetShortProperty(kTagAlwaysActive, 1);
  weld.AttachObject(&Find<TPoint>(world, 6));
  weld.AttachObject(&AddPoint(world, 21, tail, -1.0, 0.0));
  weld.SetWeld(1);
  ASSERT_TRUE(weld.HasAssemblyConditions());

  std::vector<TVector> path;
  for (int step = 1; step <= 18; ++step) {
    const double angle = step * (std::numbers::pi / 36.0);
    path.emplace_back(2.0 * std::cos(angle), 2.0 * std::sin(angle));
  }
  Drag(world, link, {2.0, 0.0}, path);
  EXPECT_LT(Distance(Find<TPoint>(world, 6).GetWorldXY(), Find<TPoint>(world, 21).GetWorldXY()),
            1e-6);
  EXPECT_NEAR(tail.GetRotationValue(), link.GetRotationValue(), 1e-6);

  tail.JoinTo(&link);
  EXPECT_FALSE(weld.HasAssemblyConditions());
}

}  // namespace
