// Dragging a pinned pendulum of real bodies with the mouse: the link follows the drag and stays
// pinned, an anchored or unselected object stays put, and an unmoved press leaves no undo.

#include "views/trackers/GeometryDragTracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bodies/Body.h"
#include "bodies/assembly/BodyAssembly.h"
#include "bodies/assembly/BodyDragContext.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "model/filing/ChangeRecorder.h"
#include "views/trackers/GeometryRefDragTracker.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"

namespace tracker_test {
namespace {

// The tracker world whose world-placed objects are a pendulum: the ground anchored at the world
// point (50, -50) (screen 50, 50) and a link of length 40 whose left end is pinned to it.
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
    for (TPoint* point : {&pivot, &hung}) point->Initialize();
    pivot.AttachToBody(&ground);
    hung.AttachToBody(&link);
    hung.SetLocalPosition({-20.0, 0.0, 0.0});
    pin.Initialize();
    pin.SetAlwaysActive(1);
    pin.AttachObject(&pivot);
    pin.AttachObject(&hung);
    world.objects = {&ground, &link, &pivot, &hung, &pin};
  }
  void TearDown() override {
    pin.DetachObject(&hung);
    pin.DetachObject(&pivot);
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
  TPoint pivot;
  TPoint hung;
  TPin pin;
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
  EXPECT_EQ(tracker.OtherObjects(), (std::vector<TLink*>{&ground, &pivot, &hung, &pin}));

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
  EXPECT_NEAR(hung.GetWorldXY().x, 50.0, 1e-6);
  EXPECT_NEAR(hung.GetWorldXY().y, -50.0, 1e-6);
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

// Dragging the tail of a two-link chain carries the first link along: it is noted for undo
// before anything moves, though it is neither selected nor grabbed; the grabbed tail leaves the
// moving list once the drag begins.
TEST_F(GeometryDragTrackerTest, WhatTheDragCarriesAlongIsNotedForUndo) {
  TMass tail;
  tail.Initialize();
  tail.StorePosition({110.0, -50.0, 0.0});
  TPoint end;
  TPoint start;
  end.Initialize();
  start.Initialize();
  end.AttachToBody(&link);
  end.SetLocalPosition({20.0, 0.0, 0.0});
  start.AttachToBody(&tail);
  start.SetLocalPosition({-20.0, 0.0, 0.0});
  TPin joint;
  joint.Initialize();
  joint.SetAlwaysActive(1);
  joint.AttachObject(&end);
  joint.AttachObject(&start);
  world.objects.insert(world.objects.end(), {&tail, &end, &start, &joint});

  TGeometryDragTracker tracker;
  tracker.InitGeometryDrag(kCmdGeometryDrag, &view, &world);
  tracker.StartDrag({130.0, -50.0}, &tail);
  Drag(tracker, QV_CPoint(130, 50), {QV_CPoint(128, 40), QV_CPoint(124, 30)});
  EXPECT_NE(link.GetPositionValues(), TVector3(70.0, -50.0, 0.0));
  EXPECT_LT(std::hypot(end.GetWorldXY().x - start.GetWorldXY().x,
                       end.GetWorldXY().y - start.GetWorldXY().y),
            1e-6);
  EXPECT_TRUE(tracker.MovingObjects().empty());
  // Both were noted before the drag moved anything: the undo image already holds them (none is
  // left waiting for the undo recorder, which would write them as they are after the drag),
  // while the redo recorder keeps them for the end of the drag.
  ASSERT_NE(tracker.UndoRecorder(), nullptr);
  ASSERT_NE(tracker.RedoRecorder(), nullptr);
  auto waiting = [](const TChangeRecorder& recorder, const TLink* object) {
    return std::any_of(recorder.Pending().begin(), recorder.Pending().end(),
                       [object](const TChangeRecorder::Entry& e) { return e.object == object; });
  };
  for (TLink* object : {static_cast<TLink*>(&tail), static_cast<TLink*>(&link)}) {
    EXPECT_FALSE(waiting(*tracker.UndoRecorder(), object));
    EXPECT_TRUE(waiting(*tracker.RedoRecorder(), object));
  }
  joint.DetachObject(&start);
  joint.DetachObject(&end);
}

// A view that keeps what the drag's readout shows.
class TReadoutView : public TPixelView {
 public:
  void SetFeedbackStyle(int16_t style, int16_t) override { styles.push_back(style); }
  void FeedbackDifference(const TVector& shown) override { differences.push_back(shown); }
  std::vector<int16_t> styles;
  std::vector<TVector> differences;
};

// The readout measures the movement in the grabbed body's own frame: a body turned a quarter
// turn, dragged 10 to the right, has moved 10 along its own -y. A drag with a reference shows
// its readout in a style of its own.
TEST_F(GeometryDragTrackerTest, TheReadoutMeasuresTheMovementInTheGrabbedBodysFrame) {
  TMass turned;
  turned.Initialize();
  turned.StorePosition({20.0, -20.0, M_PI / 2.0});
  world.objects = {&turned};
  TReadoutView readout;
  TGeometryDragTracker tracker;
  tracker.InitGeometryDrag(kCmdGeometryDrag, &readout, &world);
  tracker.StartDrag({20.0, -20.0}, &turned);
  // The moves of a drag, each shown by the tracking loop's feedback step.
  TEventRecord press;
  press.message = WM_LBUTTONDOWN;
  press.when = static_cast<uint32_t>(GetTickCount60());
  tracker.HandleEvent(press);
  QV_CPoint anchor(20, 20);
  QV_CPoint previous = anchor;
  QV_CPoint first = anchor;
  tracker.TrackConstrain(anchor, previous, first);
  tracker.TrackMouse(0, anchor, previous, first, true);
  for (QV_CPoint next : {QV_CPoint(25, 20), QV_CPoint(30, 20)}) {
    tracker.TrackConstrain(anchor, previous, next);
    tracker.TrackMouse(1, anchor, previous, next, true);
    tracker.TrackFeedback(anchor, next, true, true);
    previous = next;
  }
  tracker.TrackMouse(2, anchor, previous, previous, true);
  EXPECT_NEAR(turned.GetPositionValues().x, 30.0, 1e-6);
  ASSERT_FALSE(readout.differences.empty());
  EXPECT_NEAR(readout.differences.back().x, 0.0, 1e-6);
  EXPECT_NEAR(readout.differences.back().y, -10.0, 1e-6);
  ASSERT_FALSE(readout.styles.empty());
  EXPECT_EQ(readout.styles.front(), TGeometryDragTracker::kGrabbedFeedbackStyle);

  TReadoutView referenced;
  TGeometryRefDragTracker withReference;
  withReference.InitGeometryRefDrag(kCmdGeometryRefDrag, &referenced, &world);
  withReference.StartDrag({30.0, -20.0}, &turned);
  Drag(withReference, QV_CPoint(30, 20), {QV_CPoint(35, 20)});
  ASSERT_FALSE(referenced.styles.empty());
  EXPECT_EQ(referenced.styles.front(), TGeometryRefDragTracker::kReferenceFeedbackStyle);
}

// A drag with the pin for reference lets go of it for the drag only: the link follows the mouse
// off the pivot, and the pin acts again at the release, or when the tracker is given up before.
// A pin that does not act is left as it is.
TEST_F(GeometryDragTrackerTest, TheReferenceConstraintLetsGoOnlyForTheDrag) {
  {
    TGeometryRefDragTracker tracker;
    tracker.SetReferenceObject(&pin);
    tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
    EXPECT_EQ(tracker.ReferenceObject(), nullptr);
    tracker.SetReferenceObject(&pin);
    tracker.StartDrag({90.0, -50.0}, &link);
    EXPECT_TRUE(pin.IsActive());
    EXPECT_EQ(tracker.SwitchedOff(), &pin);
    EXPECT_EQ(tracker.FollowedObject(), &link);
    Drag(tracker, QV_CPoint(90, 50), {QV_CPoint(95, 45), QV_CPoint(100, 40)});
    EXPECT_FALSE(pin.IsActive());
    EXPECT_EQ(tracker.SwitchedOff(), nullptr);
    EXPECT_FALSE(tracker.HasGeometryContext());
    // Let go, the pin held nothing: the link went with the mouse, unturned.
    EXPECT_NEAR(link.GetPositionValues().x, 80.0, 1e-6);
    EXPECT_NEAR(link.GetPositionValues().y, -40.0, 1e-6);
    EXPECT_NEAR(link.GetPositionValues().r, 0.0, 1e-9);
  }
  {
    TGeometryRefDragTracker tracker;
    tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
    tracker.SetReferenceObject(&pin);
    tracker.StartDrag({80.0, -40.0}, &link);
    EXPECT_TRUE(pin.IsActive());
  }
  EXPECT_FALSE(pin.IsActive());

  pin.Activate(0);
  TGeometryRefDragTracker tracker;
  tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
  tracker.SetReferenceObject(&pin);
  tracker.StartDrag({80.0, -40.0}, &link);
  EXPECT_EQ(tracker.SwitchedOff(), nullptr);
  Drag(tracker, QV_CPoint(80, 40), {QV_CPoint(85, 40)});
  EXPECT_TRUE(pin.IsActive());
}

// With a point for reference, the first of its constraints that acts is the one let go.
TEST_F(GeometryDragTrackerTest, APointReferenceLetsGoOfItsFirstActingConstraint) {
  TPin absorbed;
  absorbed.Activate(0);
  TPin acting;
  TPoint point;
  point.Initialize();
  point.AddConstraint(&absorbed);
  point.AddConstraint(&acting);
  TGeometryRefDragTracker tracker;
  tracker.InitGeometryRefDrag(kCmdGeometryRefDrag, &view, &world);
  tracker.SetReferenceObject(&point);
  tracker.StartDrag({90.0, -50.0}, &link);
  EXPECT_EQ(tracker.SwitchedOff(), &acting);
  EXPECT_TRUE(acting.IsActive());
  Drag(tracker, QV_CPoint(90, 50), {QV_CPoint(88, 40)});
  EXPECT_FALSE(acting.IsActive());
  EXPECT_TRUE(absorbed.IsActive());
  point.RemoveConstraint(&absorbed);
  point.RemoveConstraint(&acting);
}

}  // namespace tracker_test
