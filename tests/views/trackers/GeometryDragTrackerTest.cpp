// Dragging a pinned pendulum of real bodies with the mouse: the link follows the drag and stays
// pinned, an anchored or unselected object stays put, and an unmoved press leaves no undo.

#include "views/trackers/GeometryDragTracker.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bodies/Body.h"
#include "bodies/assembly/BodyAssembly.h"
#include "bodies/assembly/BodyDragContext.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "views/trackers/GeometryRefDragTracker.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"

namespace tracker_test {
namespace {

// Pins a point of one body onto a point of another.
class TTestPin : public TLink, public TAssemblyParticipant {
 public:
  TTestPin(TMass& a, const TVector& onA, TMass& b, const TVector& onB)
      : a_(a), b_(b), onA_(onA), onB_(onB) {}
  void CollectJoined(std::vector<TLink*>& joined) override {
    joined.push_back(&a_);
    joined.push_back(&b_);
  }
  void AddToAssembly(TAssemblySolver& solver) override {
    TAssemblyConstraint* pin = solver.AddCoincident(this, &a_, onA_);
    solver.AddPlacement(pin, &b_, TVector3(onB_));
  }

 private:
  TMass& a_;
  TMass& b_;
  TVector onA_;
  TVector onB_;
};

// The tracker world whose world-placed objects are a pendulum: the ground anchored at the world
// point (50, -50) (screen 50, 50) and a link of length 40 pinned at its left end to it.
class TPendulumWorld : public TSelectWorld {
 public:
  std::vector<TLink*> WorldPositionedObjects() override { return objects; }
  std::vector<TLink*> objects;
};

TVector PointOf(TMass& body, const TVector& local) {
  const TVector3 at = body.GetPositionValues();
  return Frame2D(at.x, at.y, at.r).TransformPoint(local);
}

class GeometryDragTrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    UseVirtualClock(100000);
    InstallGeometryDragContextMaker(MakeBodyDragContext);
    ground.Initialize();
    link.Initialize();
    ground.SetAnchored(1);
    ground.StorePosition({50.0, -50.0, 0.0});
    link.StorePosition({70.0, -50.0, 0.0});
    pin = std::make_unique<TTestPin>(ground, TVector(0.0, 0.0), link, TVector(-20.0, 0.0));
    world.objects = {&ground, &link, pin.get()};
  }
  void TearDown() override {
    pin.reset();
    InstallGeometryDragContextMaker(nullptr);
    UseProcessClock();
    FreeHandlePool();
  }

  static void Drag(TCommandBase& tracker, QV_CPoint from, const std::vector<QV_CPoint>& path) {
    TEventRecord event;
    event.message = WM_LBUTTONDOWN;
    event.when = static_cast<uint32_t>(GetTickCount60());
    tracker.HandleEvent(event);
    QV_CPoint anchor = from;
    QV_CPoint previous = from;
    QV_CPoint first = from;
    tracker.TrackConstrain(anchor, previous, first);
    tracker.TrackMouse(0, anchor, previous, first, true);
    for (QV_CPoint next : path) {
      tracker.TrackConstrain(anchor, previous, next);
      tracker.TrackMouse(1, anchor, previous, next, !(next == previous));
      previous = next;
    }
    tracker.TrackMouse(2, anchor, previous, previous, true);
  }

  TMass ground;
  TMass link;
  std::unique_ptr<TTestPin> pin;
  TPendulumWorld world;
  TPixelView view;
};

}  // namespace

TEST_F(GeometryDragTrackerTest, TheLinkFollowsTheDragAndStaysPinned) {
  TGeometryDragTracker tracker;
  tracker.InitGeometryDrag(kCmdGeometryDrag, &view, &world);
  EXPECT_EQ(tracker.GetCommandNumber(), kCmdGeometryDrag);
  // The press on the link's free end, world (90, -50).
  tracker.StartDrag({90.0, -50.0}, &link);
  EXPECT_EQ(tracker.GrabbedObject(), &link);
  EXPECT_EQ(tracker.FollowedObject(), &link);
  EXPECT_EQ(tracker.MovingObjects(), std::vector<TLink*>{&link});
  EXPECT_EQ(tracker.OtherObjects(), (std::vector<TLink*>{&ground, pin.get()}));

  // Up round the pivot to screen (50, 10), world (50, -10): a quarter turn.
  std::vector<QV_CPoint> path;
  for (int step = 1; step <= 9; ++step) {
    const double angle = step * (M_PI / 18.0);
    path.emplace_back(static_cast<int16_t>(std::lround(50 + 40 * std::cos(angle))),
                      static_cast<int16_t>(std::lround(50 - 40 * std::sin(angle))));
  }
  Drag(tracker, QV_CPoint(90, 50), path);

  EXPECT_FALSE(tracker.HasGeometryContext());
  EXPECT_EQ(tracker.CanUndo(), 1);
  const TVector pinned = PointOf(link, {-20.0, 0.0});
  EXPECT_NEAR(pinned.x, 50.0, 1e-6);
  EXPECT_NEAR(pinned.y, -50.0, 1e-6);
  const TVector end = PointOf(link, {20.0, 0.0});
  EXPECT_NEAR(end.x, 50.0, 1.0);
  EXPECT_NEAR(end.y, -10.0, 1.0);
  EXPECT_EQ(ground.GetPositionValues(), TVector3(50.0, -50.0, 0.0));
}

TEST_F(GeometryDragTrackerTest, AnAnchoredBodyIsNotFollowedAndNothingMoves) {
  TGeometryDragTracker tracker;
  tracker.InitGeometryDrag(kCmdGeometryDrag, &view, &world);
  tracker.StartDrag({50.0, -50.0}, &ground);
  EXPECT_EQ(tracker.FollowedObject(), nullptr);
  Drag(tracker, QV_CPoint(50, 50), {QV_CPoint(60, 30), QV_CPoint(70, 20)});
  EXPECT_EQ(ground.GetPositionValues(), TVector3(50.0, -50.0, 0.0));
  EXPECT_EQ(link.GetPositionValues(), TVector3(70.0, -50.0, 0.0));
  EXPECT_EQ(tracker.CanUndo(), 0);
}

TEST_F(GeometryDragTrackerTest, AnUnmovedPressLeavesTheLinkageAndNoUndo) {
  TGeometryDragTracker tracker;
  tracker.InitGeometryDrag(kCmdGeometryDrag, &view, &world);
  tracker.StartDrag({90.0, -50.0}, &link);
  Drag(tracker, QV_CPoint(90, 50), {});
  EXPECT_EQ(link.GetPositionValues(), TVector3(70.0, -50.0, 0.0));
  EXPECT_EQ(tracker.CanUndo(), 0);
}

// A drag with a reference switches the reference's constraint off for the drag only: on again at
// the release, and also when the tracker is given up before it; one already off is left off.
TEST_F(GeometryDragTrackerTest, TheReferenceConstraintIsOffOnlyForTheDrag) {
  TPin reference;
  reference.Activate(0);
  ASSERT_TRUE(reference.IsActive());
  {
    TGeometryRefDragTracker tracker;
    tracker.SetReferenceObject(&reference);
    tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
    EXPECT_EQ(tracker.ReferenceObject(), nullptr);
    tracker.SetReferenceObject(&reference);
    tracker.StartDrag({90.0, -50.0}, &link);
    EXPECT_FALSE(reference.IsActive());
    EXPECT_EQ(tracker.SwitchedOff(), &reference);
    EXPECT_EQ(tracker.FollowedObject(), &link);
    Drag(tracker, QV_CPoint(90, 50), {QV_CPoint(88, 40), QV_CPoint(85, 30)});
    EXPECT_TRUE(reference.IsActive());
    EXPECT_EQ(tracker.SwitchedOff(), nullptr);
    EXPECT_FALSE(tracker.HasGeometryContext());
    // The linkage still moved with the drag and stayed pinned.
    EXPECT_NE(link.GetPositionValues(), TVector3(70.0, -50.0, 0.0));
    EXPECT_NEAR(PointOf(link, {-20.0, 0.0}).x, 50.0, 1e-6);
  }
  {
    TGeometryRefDragTracker tracker;
    tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
    tracker.SetReferenceObject(&reference);
    tracker.StartDrag({90.0, -50.0}, &link);
    EXPECT_FALSE(reference.IsActive());
  }
  EXPECT_TRUE(reference.IsActive());

  TPin off;
  TGeometryRefDragTracker tracker;
  tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
  tracker.SetReferenceObject(&off);
  tracker.StartDrag({90.0, -50.0}, &link);
  EXPECT_EQ(tracker.SwitchedOff(), nullptr);
  Drag(tracker, QV_CPoint(90, 50), {QV_CPoint(88, 40)});
  EXPECT_FALSE(off.IsActive());
}

// With a point for reference, the first of its constraints that is on is the one let go.
TEST_F(GeometryDragTrackerTest, APointReferenceLetsGoOfItsFirstActiveConstraint) {
  TPin off;
  TPin on;
  on.Activate(0);
  TPoint point;
  point.Initialize();
  point.AddConstraint(&off);
  point.AddConstraint(&on);
  TGeometryRefDragTracker tracker;
  tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
  tracker.SetReferenceObject(&point);
  tracker.StartDrag({90.0, -50.0}, &link);
  EXPECT_EQ(tracker.SwitchedOff(), &on);
  EXPECT_FALSE(on.IsActive());
  Drag(tracker, QV_CPoint(90, 50), {QV_CPoint(88, 40)});
  EXPECT_TRUE(on.IsActive());
  EXPECT_FALSE(off.IsActive());
  point.RemoveConstraint(&off);
  point.RemoveConstraint(&on);
}

}  // namespace tracker_test
