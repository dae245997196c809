// Constraints sketched from their tools in a world of the program's own classes: ends dropped
// on bodies, points added click by click, gears meshed between circles, curved slots closed or
// left open, forces aimed by their tails.

#include <algorithm>
#include <cmath>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "core/Failure.h"
#include "platform/win32/Message.h"
#include "platform/win32/WindowMessages.h"
#include "views/trackers/VertexTracker.h"
#include "tests/views/trackers/ObjectTrackerWorld.h"
#include "views/trackers/ConstraintTrackers.h"
#include "views/trackers/ToolTrackers.h"

namespace object_tracker_test {
namespace {

constexpr int16_t kPinTool = 2524;
constexpr int16_t kSpringTool = 2509;
constexpr int16_t kRopeTool = 2508;
constexpr int16_t kSeparatorTool = 2501;
constexpr int16_t kPulleyTool = 2514;
constexpr int16_t kGearTool = 2552;
constexpr int16_t kCurvedSlotTool = 2546;
constexpr int16_t kForceTool = 2506;
constexpr int16_t kRotationalSpringTool = 2518;
constexpr int16_t kSlotTool = 2526;
constexpr int16_t kMotorTool = 2513;

class ConstraintTrackersTest : public ObjectTrackerTest {
 protected:
  void SetUp() override {
    ObjectTrackerTest::SetUp();
    context->grid = 0.0;
  }
  void RegisterMoreClasses() override {
    RegisterCustomConstraintClasses();
    RegisterSlotClasses();
    RegisterCurvedSlotClasses();
    RegisterSpringClasses();
    RegisterPinRopeRodClasses();
    RegisterPistonClasses();
    RegisterForceClasses();
    RegisterGearClasses();
    SettleDefaultConstraintSize();
  }
  void FreeMoreClasses() override { FreeCustomConstraintGlobals(); }

  template <class T>
  T& Make(int16_t tool) {
    made_ = MakeToolTracker(tool, &view, context.get());
    return dynamic_cast<T&>(*made_);
  }

  TRectangle* AddSquare(int16_t identifier, double x, double y) {
    auto* square = Add<TRectangle>(TRectangle::kTag, identifier);
    square->SetSize(TVector(2, 2));
    square->SetPlacement(TVector3(x, y, 0));
    square->ShapeChanged(1);
    return square;
  }
  TOval* AddCircle(int16_t identifier, double radius, double x, double y) {
    auto* circle = Add<TOval>(TOval::kTag, identifier);
    circle->SetEqualSides(1);
    circle->SetNumberProperty(body_tags::kTagRadius, radius);
    circle->SetPlacement(TVector3(x, y, 0));
    circle->ShapeChanged(1);
    return circle;
  }

  bool InWorld(const TLink* object) const {
    const std::vector<TLink*> objects = world->Objects();
    return std::find(objects.begin(), objects.end(), object) != objects.end();
  }

  static void ExpectAt(TPoint* point, double x, double y) {
    ASSERT_NE(point, nullptr);
    EXPECT_NEAR(point->GetWorldXY().x, x, 1e-9);
    EXPECT_NEAR(point->GetWorldXY().y, y, 1e-9);
  }
};

TEST_F(ConstraintTrackersTest, EachKindGetsItsOwnTracker) {
  EXPECT_EQ(Make<TCnstrTracker>(kSpringTool).GetClassIDAt(0), TCnstrTracker672::kClassID);
  EXPECT_EQ(Make<TCnstrTracker>(kRopeTool).GetClassIDAt(0), TCnstrTracker672::kClassID);
  EXPECT_EQ(Make<TCnstrTracker>(kGearTool).GetClassIDAt(0), TGearTracker::kClassID);
  EXPECT_EQ(Make<TCnstrTracker>(kCurvedSlotTool).GetClassIDAt(0), TCurvedSlotTracker::kClassID);
  EXPECT_EQ(Make<TCnstrTracker>(kForceTool).GetClassIDAt(0), TForceTracker669::kClassID);
  auto& motor = Make<TMotorTracker>(kMotorTool);
  EXPECT_EQ(motor.GetClassIDAt(1), TCnstrTracker::kClassID);
  EXPECT_EQ(motor.Constraint()->GetClassIDAt(0), TRPiston::kClassID);
  auto& pin = Make<TCnstrTracker673>(kPinTool);
  EXPECT_EQ(pin.GetClassIDAt(1), TCnstrTracker::kClassID);
  EXPECT_TRUE(pin.IsStarted());
  EXPECT_TRUE(pin.ShowsFeedback());
}

TEST_F(ConstraintTrackersTest, ARotationalConstraintShowsWhetherItIsLocked) {
  auto& unlocked = Make<TCnstrTracker673>(kRotationalSpringTool);
  EXPECT_EQ(unlocked.CursorResource(), TCnstrTracker673::kCursorUnlocked);
  EXPECT_EQ(unlocked.TrackingCursor(), 13);
  EXPECT_FALSE(unlocked.HasStartedTracking());
  Drag(unlocked, At(1, 1), {At(2, 1)});
  EXPECT_TRUE(unlocked.HasStartedTracking());

  // The same kind, locked before its tracker is made.
  std::unique_ptr<TObjectReader> placed =
      ReadObjectsFromResource(kRotationalSpringTool, &context->ContextLink(), nullptr, nullptr);
  placed->Complete(0);
  TLockableCnstr* spring = nullptr;
  for (TLink* object : placed->Table().Objects())
    if (auto* found = dynamic_cast<TLockableCnstr*>(object)) spring = found;
  ASSERT_NE(spring, nullptr);
  spring->SetLocked(1);
  made_ = MakeConstraintTracker(kRotationalSpringTool, &view, context.get(), std::move(placed),
                                *spring);
  EXPECT_EQ(static_cast<TCnstrTracker673&>(*made_).CursorResource(),
            TCnstrTracker673::kCursorLocked);
}

TEST_F(ConstraintTrackersTest, ASpringDraggedBetweenTwoBodiesJoinsThem) {
  TRectangle* left = AddSquare(30, 2, 2);
  TRectangle* right = AddSquare(31, 8, 2);
  auto& tracker = Make<TCnstrTracker672>(kSpringTool);
  Drag(tracker, At(2.5, 2), {At(5, 2), At(8, 2.5)});
  tracker.Perform();
  TCnstr* spring = tracker.Constraint();
  ASSERT_TRUE(InWorld(spring));
  ASSERT_EQ(spring->AttachedCount(), 2);
  EXPECT_EQ(tracker.AttachedPoint(0)->GetBody(), left);
  EXPECT_EQ(tracker.AttachedPoint(1)->GetBody(), right);
  ExpectAt(tracker.AttachedPoint(0), 2.5, 2);
  ExpectAt(tracker.AttachedPoint(1), 8, 2.5);
  EXPECT_TRUE(InWorld(tracker.AttachedPoint(0)));
}

TEST_F(ConstraintTrackersTest, APinDroppedOnABodyJoinsItToTheBackground) {
  TRectangle* square = AddSquare(30, 2, 2);
  auto& tracker = Make<TCnstrTracker673>(kPinTool);
  Drag(tracker, At(2, 2.5), {At(2.1, 2.5), At(2, 2.5)});
  tracker.Perform();
  ASSERT_EQ(tracker.Constraint()->AttachedCount(), 2);
  EXPECT_EQ(tracker.AttachedPoint(0)->GetBody(), square);
  EXPECT_EQ(tracker.AttachedPoint(1)->GetBody(), background);
  ExpectAt(tracker.AttachedPoint(0), 2, 2.5);
  ExpectAt(tracker.AttachedPoint(1), 2, 2.5);
}

TEST_F(ConstraintTrackersTest, ClicksAddPointsUntilOneLandsOnThePrevious) {
  auto& tracker = Make<TCnstrTracker672>(kRopeTool);
  Drag(tracker, At(1, 1), {At(3, 1)});
  TCnstr* rope = tracker.Constraint();
  ASSERT_EQ(rope->AttachedCount(), 2);
  // With two points a click next to the second still adds a third.
  EXPECT_EQ(tracker.AddPoint(At(3, 1), TVector(3, 1)), 1);
  ASSERT_EQ(rope->AttachedCount(), 3);
  ExpectAt(tracker.LastPoint(), 3, 1);
  // With three, a click 3 pixels away ends the adding; 4 pixels away adds.
  EXPECT_EQ(tracker.AddPoint(QV_CPoint(At(3, 1).h + 3, At(3, 1).v - 3), TVector(3.3, 1.3)), 0);
  EXPECT_EQ(rope->AttachedCount(), 3);
  EXPECT_EQ(tracker.AddPoint(QV_CPoint(At(3, 1).h + 4, At(3, 1).v), TVector(3.4, 1)), 1);
  EXPECT_EQ(rope->AttachedCount(), 4);
  // Up to 12 points clicks may end the adding; from 13 on every click adds.
  for (int i = 5; i <= 13; ++i) EXPECT_EQ(tracker.AddPoint(At(i, 5), TVector(i, 5)), 1);
  ASSERT_EQ(rope->AttachedCount(), 13);
  EXPECT_EQ(tracker.AddPoint(At(13, 5), TVector(13, 5)), 1);
  EXPECT_EQ(rope->AttachedCount(), 14);

  // The added points come into the world with the rope.
  TPoint* added = tracker.LastPoint();
  tracker.Perform();
  EXPECT_TRUE(InWorld(rope));
  EXPECT_TRUE(InWorld(added));
  EXPECT_EQ(added->GetBody(), background);
}

// Dragged out, a separator holds the span of its ends and a pulley line the length of its path
// over a wheel point off both ends.
TEST_F(ConstraintTrackersTest, ARopeDraggedOutTakesTheLengthItsPointsSpan) {
  auto& separator = Make<TCnstrTracker672>(kSeparatorTool);
  Drag(separator, At(1, 1), {At(4, 1)});
  separator.Perform();
  EXPECT_NEAR(dynamic_cast<TLRope&>(*separator.Constraint()).Quantity().GetValue(), 3.0, 1e-9);

  made_.reset();
  auto& pulley = Make<TCnstrTracker672>(kPulleyTool);
  Drag(pulley, At(1, 1), {At(5, 1)});
  pulley.Perform();
  TCnstr* line = pulley.Constraint();
  ASSERT_EQ(line->AttachedCount(), 3);
  const TVector wheel = static_cast<TPoint*>(line->Attached()[1])->GetWorldXY();
  EXPECT_GT(std::hypot(wheel.x - 1, wheel.y - 1), 0.5);
  EXPECT_GT(std::hypot(wheel.x - 5, wheel.y - 1), 0.5);
  EXPECT_NEAR(dynamic_cast<TLRope&>(*line).Quantity().GetValue(), line->PathLength(), 1e-9);
  EXPECT_GT(line->PathLength(), 4.0);
}

TEST_F(ConstraintTrackersTest, APointThatCannotBeMadeLeavesTheConstraintAsItWas) {
  auto& tracker = Make<TCnstrTracker672>(kRopeTool);
  Drag(tracker, At(1, 1), {At(3, 1)});
  const size_t objects = world->Objects().size();
  // Without the resources there is no point template to make the point from.
  const HMODULE resources = GetResourceModule1();
  SetResourceModule1(nullptr);
  int16_t error = 0;
  try {
    tracker.AddPoint(At(5, 1), TVector(5, 1));
  } catch (const QVException& failure) {
    error = failure.error();
  }
  SetResourceModule1(resources);
  EXPECT_EQ(error, kErrOutOfMemory);
  EXPECT_EQ(tracker.Constraint()->AttachedCount(), 2);
  EXPECT_EQ(world->Objects().size(), objects);
  // With them back, the click adds its point.
  EXPECT_EQ(tracker.AddPoint(At(5, 1), TVector(5, 1)), 1);
  EXPECT_EQ(tracker.Constraint()->AttachedCount(), 3);
}

TEST_F(ConstraintTrackersTest, AGearBetweenTwoCirclesTakesTheirRatio) {
  TOval* big = AddCircle(30, 3, 0, 0);
  TOval* small = AddCircle(31, 1, 6, 0);
  auto& tracker = Make<TGearTracker>(kGearTool);
  EXPECT_FALSE(tracker.UsesHotPoints());
  Drag(tracker, At(1, 1), {At(3, 0), At(6.5, 0.5)});
  tracker.Perform();
  auto* gear = static_cast<TGear*>(tracker.Constraint());
  EXPECT_EQ(tracker.AttachedPoint(0)->GetBody(), big);
  EXPECT_EQ(tracker.AttachedPoint(1)->GetBody(), small);
  ExpectAt(tracker.AttachedPoint(0), 0, 0);
  ExpectAt(tracker.AttachedPoint(1), 6, 0);
  EXPECT_DOUBLE_EQ(gear->Ratio().GetValue(), 3.0);
  EXPECT_DOUBLE_EQ(gear->Quantity().GetValue(), 3.0);
  // The pair turns through its contact constraint and contact points, placed with it.
  const std::vector<TLink*> placed = context->Objects();
  const auto inWorld = [&placed](const TLink* object) {
    return object != nullptr && std::find(placed.begin(), placed.end(), object) != placed.end();
  };
  EXPECT_TRUE(inWorld(gear->GetContact()));
  ASSERT_TRUE(inWorld(gear->GetFirstContactPoint()));
  ASSERT_TRUE(inWorld(gear->GetSecondContactPoint()));
  EXPECT_EQ(gear->GetFirstContactPoint()->GetAttachedPoint(), tracker.AttachedPoint(0));
  EXPECT_EQ(gear->GetSecondContactPoint()->GetAttachedPoint(), tracker.AttachedPoint(1));
}

TEST_F(ConstraintTrackersTest, AGearOffCirclesKeepsItsRatio) {
  AddCircle(30, 3, 0, 0);
  AddSquare(31, 6, 0);
  auto& tracker = Make<TGearTracker>(kGearTool);
  auto* gear = static_cast<TGear*>(tracker.Constraint());
  const double ratio = gear->Ratio().GetValue();
  const double quantity = gear->Quantity().GetValue();
  Drag(tracker, At(0.5, 0), {At(6.5, 0.5)});
  EXPECT_EQ(gear->Ratio().GetValue(), ratio);
  EXPECT_EQ(gear->Quantity().GetValue(), quantity);

  // A circle of no size gives no finite ratio: the gear keeps its own.
  made_.reset();
  TOval* flat = AddCircle(32, 0, 12, 0);
  flat->SetNumberProperty(body_tags::kTagRadius, 0.0);
  auto& second = Make<TGearTracker>(kGearTool);
  auto* other = static_cast<TGear*>(second.Constraint());
  const double before = other->Ratio().GetValue();
  Drag(second, At(0.5, 0), {At(12, 0)});
  EXPECT_EQ(other->Ratio().GetValue(), before);
}

TEST_F(ConstraintTrackersTest, AGearEndOnTheBackgroundStaysWhereItIsPut) {
  auto& tracker = Make<TGearTracker>(kGearTool);
  Drag(tracker, At(4, 4), {At(7, 4)});
  EXPECT_EQ(tracker.AttachedPoint(0)->GetBody(), background);
  ExpectAt(tracker.AttachedPoint(0), 4, 4);
}

TEST_F(ConstraintTrackersTest, ASlotsHandleTurnsTheSlotWithItsBody) {
  TRectangle* square = AddSquare(30, 2, 2);
  auto& made = Make<TSlotTracker>(kSlotTool);
  EXPECT_EQ(made.GetClassIDAt(0), TCnstrTracker::kClassID);
  EXPECT_EQ(made.GetCommandNumber(), TSlotTracker::kCommandNumber);
  Drag(made, At(2, 2.5), {At(4, 2.5), At(6, 2.5)});
  made.Perform();
  auto* slot = static_cast<TSlot*>(made.Constraint());
  auto* primary = dynamic_cast<TPoint*>(slot->GetPrimaryObject());
  ASSERT_NE(primary, nullptr);
  ASSERT_EQ(primary->GetBody(), square);

  // The body turned since; a press on the slot's handle turns the slot, which is its point's
  // turn, by the body's angle on top of the turn it had.
  square->SetPlacement(TVector3(2, 2, 0.5));
  primary->SetRotation(0.25);
  made_ = MakeConstraintTracker(kSlotTool, &view, context.get(), nullptr, *slot);
  auto& handle = static_cast<TSlotTracker&>(*made_);
  EXPECT_FALSE(handle.IsPressed());
  Drag(handle, At(2, 2.5), {});
  EXPECT_TRUE(handle.IsPressed());
  EXPECT_NEAR(primary->LocalRotation()->GetValue(), 0.75, 1e-12);
  EXPECT_NEAR(slot->SlotAngle(), 0.75, 1e-12);
}

class CurvedSlotSketchTest : public ConstraintTrackersTest {
 protected:
  // Sketches a curve from the press, through the moves, to the release; answers the slot.
  TCurvedSlot& Sketch(QV_CPoint from, const std::vector<QV_CPoint>& path) {
    auto& tracker = Make<TCurvedSlotTracker>(kCurvedSlotTool);
    Drag(tracker, from, path);
    return static_cast<TCurvedSlot&>(*tracker.Constraint());
  }
};

TEST_F(CurvedSlotSketchTest, AReleaseOnOrNextToThePressClosesTheCurve) {
  const QV_CPoint press = At(2, 2);
  EXPECT_TRUE(Sketch(press, {}).IsClosed());
  const QV_CPoint away4(static_cast<int16_t>(press.h + 4), static_cast<int16_t>(press.v + 4));
  EXPECT_TRUE(Sketch(press, {At(6, 6), away4}).IsClosed());
  const QV_CPoint away5(static_cast<int16_t>(press.h + 5), static_cast<int16_t>(press.v + 5));
  TCurvedSlot& open = Sketch(press, {At(6, 6), away5});
  EXPECT_FALSE(open.IsClosed());
  // The press and the release are the sketch's two control points.
  ASSERT_EQ(open.ControlPointCount(), 2);
  EXPECT_NEAR(open.ControlPoint(1).x - open.ControlPoint(2).x, -0.5, 1e-9);
  EXPECT_NEAR(open.ControlPoint(1).y - open.ControlPoint(2).y, 0.5, 1e-9);
}

TEST_F(CurvedSlotSketchTest, ClicksAddControlPointsAndTheFollowerGoesAtTheRelease) {
  auto& tracker = Make<TCurvedSlotTracker>(kCurvedSlotTool);
  Drag(tracker, At(0, 0), {});
  auto& slot = static_cast<TCurvedSlot&>(*tracker.Constraint());
  ASSERT_EQ(slot.ControlPointCount(), 2);
  tracker.AddPoint(At(3, 0), TVector(3, 0));
  tracker.AddPoint(At(3, 3), TVector(3, 3));
  EXPECT_EQ(slot.ControlPointCount(), 4);
  // A second gesture on the same slot: its release takes away the point that followed.
  tracker.TrackMouse(2, At(0, 0), At(3, 3), At(3, 3), true);
  EXPECT_EQ(slot.ControlPointCount(), 3);
}

// Clicks that come in the same step of the loop as the pointer's jump to them: each control
// point lands at its click, and the release takes away the follower.
TEST_F(CurvedSlotSketchTest, EachClickKeepsItsOwnPlaceWhenItComesWithTheMoveToIt) {
  auto& tracker = Make<TCurvedSlotTracker>(kCurvedSlotTool);
  const QV_CPoint press = At(0, 0);
  QV_CPoint previous = press;
  QV_CPoint next = press;
  tracker.TrackConstrain(press, previous, next);
  tracker.TrackMouse(0, press, previous, next, true);
  for (const QV_CPoint click : {At(2, 0), At(2, 2)}) {
    PostMessage(nullptr, WM_LBUTTONDOWN, 0, static_cast<LPARAM>((click.v << 16) | click.h));
    next = click;
    tracker.TrackConstrain(press, previous, next);
    tracker.TrackMouse(1, press, previous, next, true);
    previous = next;
  }
  tracker.TrackMouse(2, press, previous, previous, true);
  MSG left;
  while (PeekMessage(&left, nullptr, 0, 0, PM_REMOVE)) {}

  auto& slot = static_cast<TCurvedSlot&>(*tracker.Constraint());
  ASSERT_EQ(slot.ControlPointCount(), 3);
  const TVector first = slot.ControlPoint(1);
  EXPECT_NEAR(slot.ControlPoint(2).x - first.x, 2.0, 1e-9);
  EXPECT_NEAR(slot.ControlPoint(2).y - first.y, 0.0, 1e-9);
  EXPECT_NEAR(slot.ControlPoint(3).x - first.x, 2.0, 1e-9);
  EXPECT_NEAR(slot.ControlPoint(3).y - first.y, 2.0, 1e-9);
}

TEST_F(ConstraintTrackersTest, AForceIsAimedByItsTail) {
  TRectangle* square = AddSquare(30, 2, 2);
  auto& tracker = Make<TForceTracker669>(kForceTool);
  Drag(tracker, At(2, 2), {At(0, 1), At(-1, 0)});
  tracker.Perform();
  auto* force = static_cast<TForce*>(tracker.Constraint());
  // One point only: the force's, on the body.
  ASSERT_EQ(force->AttachedCount(), 1);
  const std::vector<TLink*> objects = world->Objects();
  EXPECT_EQ(std::count_if(objects.begin(), objects.end(),
                          [](TLink* object) { return object->IsMemberClass(TPoint::kClassID); }),
            1);
  EXPECT_EQ(tracker.AttachedPoint(0)->GetBody(), square);
  // The arrow runs from the tail at the mouse into the application point.
  EXPECT_NEAR(force->Fx().GetValue(), 3.0, 1e-9);
  EXPECT_NEAR(force->Fy().GetValue(), 2.0, 1e-9);
  EXPECT_NEAR(force->ArrowTail().x, -1.0, 1e-9);
  EXPECT_NEAR(force->ArrowTail().y, 0.0, 1e-9);

  // In polar form the same move gives the length and the direction.
  force->SetPolar(1);
  force->MoveTo(TVector(2, 0), 0);
  EXPECT_NEAR(force->Fl().GetValue(), 2.0, 1e-9);
  EXPECT_NEAR(force->Fr().GetValue(), M_PI / 2, 1e-9);

  // Moving the application point keeps the tail.
  force->SetPolar(0);
  force->MoveTo(TVector(2, 3), 1);
  EXPECT_NEAR(force->Fx().GetValue(), 0.0, 1e-9);
  EXPECT_NEAR(force->Fy().GetValue(), 3.0, 1e-9);
  ExpectAt(tracker.AttachedPoint(0), 2, 3);
}

TEST_F(ConstraintTrackersTest, AForceWithoutArrowScaleIsNotMoved) {
  auto& tracker = Make<TForceTracker669>(kForceTool);
  Drag(tracker, At(2, 2), {});
  auto* force = static_cast<TForce*>(tracker.Constraint());
  force->Fx().SetConstant(1.5);
  force->Fy().SetConstant(-0.5);
  for (const double scale : {0.0, std::nan(""), static_cast<double>(INFINITY)}) {
    force->SetArrowScale(scale);
    force->MoveTo(TVector(-4, 7), 0);
    force->MoveTo(TVector(-4, 7), 1);
    EXPECT_EQ(force->Fx().GetValue(), 1.5);
    EXPECT_EQ(force->Fy().GetValue(), -0.5);
    ExpectAt(tracker.AttachedPoint(0), 2, 2);
  }
}

TEST_F(CurvedSlotSketchTest, AVertexDraggedOntoTheFirstClosesTheCurveAndUndoBringsItBack) {
  auto& tracker = Make<TCurvedSlotTracker>(kCurvedSlotTool);
  Drag(tracker, At(0, 0), {At(4, 0)});
  auto& slot = static_cast<TCurvedSlot&>(*tracker.Constraint());
  slot.AppendVertex(TVector(4, 4));
  tracker.Perform();
  ASSERT_EQ(slot.ControlPointCount(), 3);
  ASSERT_FALSE(slot.IsClosed());
  const TVector first = slot.ControlPoint(1);
  const TVector last = slot.ControlPoint(3);

  EXPECT_THROW(TCurvedSlotVertexTracker().InitCurvedSlotVertex(&view, context.get(), nullptr, 1,
                                                               TVector(0, 0)),
               QVException);
  world->SetMode(kCmdEditVertices, 0);
  TVector start = last;
  slot.LocalToWorld(start);
  auto vertex = std::make_unique<TCurvedSlotVertexTracker>();
  vertex->InitCurvedSlotVertex(&view, context.get(), &slot, 3, start);
  TVector onFirst = first;
  slot.LocalToWorld(onFirst);
  Drag(*vertex, At(start.x, start.y), {At(2, 2), At(onFirst.x, onFirst.y)});
  vertex->Perform();
  EXPECT_TRUE(slot.IsClosed());

  vertex->Undo();
  ASSERT_EQ(slot.ControlPointCount(), 3);
  EXPECT_EQ(slot.ControlPoint(3), last);
  vertex->Redo();
  EXPECT_NE(slot.ControlPoint(slot.ControlPointCount()), last);
}

// The release ends a vertex drag as each move does: the slot's rider, pushed off the curve since
// the last move, is set back on it where the last move set it from the same place.
TEST_F(CurvedSlotSketchTest, ReleasingADraggedVertexPutsTheRiderBackOnTheCurve) {
  auto& tracker = Make<TCurvedSlotTracker>(kCurvedSlotTool);
  Drag(tracker, At(0, 0), {At(4, 0)});
  auto& slot = static_cast<TCurvedSlot&>(*tracker.Constraint());
  slot.AppendVertex(TVector(4, 4));
  tracker.Perform();
  TPoint* rider = nullptr;
  for (TLink* object : slot.Attached())
    if (auto* point = dynamic_cast<TPoint*>(object); point != nullptr && !slot.IsPrimary(point))
      rider = point;
  ASSERT_NE(rider, nullptr);

  TVector start = slot.ControlPoint(3);
  slot.LocalToWorld(start);
  auto vertex = std::make_unique<TCurvedSlotVertexTracker>();
  vertex->InitCurvedSlotVertex(&view, context.get(), &slot, 3, start);
  TEventRecord event;
  event.message = WM_LBUTTONDOWN;
  event.when = static_cast<uint32_t>(GetTickCount60());
  vertex->HandleEvent(event);
  const QV_CPoint press = At(start.x, start.y);
  QV_CPoint previous = press;
  QV_CPoint next = press;
  vertex->TrackConstrain(press, previous, next);
  vertex->TrackMouse(0, press, previous, next, true);
  const TVector3 pushed(-1, -1, 0);
  for (const QV_CPoint to : {At(4, 5), At(4, 6)}) {
    rider->SetWorldPosition(pushed);
    previous = next;
    next = to;
    vertex->TrackConstrain(press, previous, next);
    vertex->TrackMouse(1, press, previous, next, true);
  }
  const TVector onCurve = rider->GetWorldXY();
  ASSERT_GT(std::hypot(onCurve.x - pushed.x, onCurve.y - pushed.y), 0.1);

  rider->SetWorldPosition(pushed);
  vertex->TrackMouse(2, press, next, next, true);
  ExpectAt(rider, onCurve.x, onCurve.y);
}

}  // namespace
}  // namespace object_tracker_test
