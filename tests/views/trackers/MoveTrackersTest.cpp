#include <gtest/gtest.h>

#include "model/filing/ChangeRecorder.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/MoveTrackers.h"

namespace tracker_test {
namespace {

class MoveTrackersTest : public TrackerTest {
 protected:
  void SetUp() override {
    TrackerTest::SetUp();
    world.positions[&world.Thing(0)] = TVector3(0.1, 0.7, 0.3);
    world.positions[&world.Thing(1)] = TVector3(-5.05, 12.25, 1.5);
    world.positions[&world.Thing(2)] = TVector3(80, -80, 0);
  }
  TVector3 At(size_t i) { return world.positions[&world.Thing(i)]; }
};

void ExpectSame(const TVector3& a, const TVector3& b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.r, b.r);
}

TEST_F(MoveTrackersTest, OutAndBackRestoresEveryPositionExactly) {
  world.selected = {&world.Thing(0), &world.Thing(1)};
  const TVector3 first = At(0);
  TMoveObjectsTracker tracker;
  tracker.InitMoveObjects(&view, &world);
  EXPECT_EQ(tracker.GetCommandNumber(), kCmdMoveObjects);
  tracker.SetHitObject(&world.Thing(0));
  Event(tracker, WM_LBUTTONDOWN, 0);
  // Screen down is world down: 37 right and 11 down moves by (37, -11).
  Drag(tracker, QV_CPoint(20, 20), {QV_CPoint(57, 31)});
  EXPECT_EQ(At(0).x, first.x + 37);
  EXPECT_EQ(At(0).y, first.y - 11);
  EXPECT_EQ(At(0).r, first.r);
  EXPECT_EQ(At(1).x, -5.05 + 37);
  EXPECT_EQ(tracker.CanUndo(), 1);
  EXPECT_EQ(world.changeEnds, 1);

  // Within one drag, positions are start plus the total movement: wandering and coming back
  // to the press point gives back the start exactly.
  const TVector3 firstAfter = At(0);
  const TVector3 secondAfter = At(1);
  TMoveObjectsTracker back;
  back.InitMoveObjects(&view, &world);
  back.SetHitObject(&world.Thing(0));
  Event(back, WM_LBUTTONDOWN, 0);
  Drag(back, QV_CPoint(20, 20),
       {QV_CPoint(3, 9), QV_CPoint(-10, 40), QV_CPoint(-17, 9), QV_CPoint(20, 20)});
  ExpectSame(At(0), firstAfter);
  ExpectSame(At(1), secondAfter);
  // Things outside the selection stay.
  ExpectSame(At(2), TVector3(80, -80, 0));
}

TEST_F(MoveTrackersTest, HoldingStillBeginsTheDragButLeavesNoUndo) {
  world.selected = {&world.Thing(0)};
  TMoveObjectsTracker tracker;
  tracker.InitMoveObjects(&view, &world);
  tracker.SetHitObject(&world.Thing(0));
  Event(tracker, WM_LBUTTONDOWN, 0);
  QV_CPoint a(20, 20);
  QV_CPoint next = a;
  tracker.TrackConstrain(a, a, next);
  tracker.TrackMouse(0, a, a, next, true);
  AdvanceVirtualClock(15 * 1000 / 60 + 1);
  tracker.TrackConstrain(a, a, next);
  tracker.TrackMouse(1, a, a, next, false);
  EXPECT_EQ(tracker.HasBegun(), 0);
  AdvanceVirtualClock(1000 / 60 + 1);
  tracker.TrackConstrain(a, a, next);
  tracker.TrackMouse(1, a, a, next, false);
  EXPECT_EQ(tracker.HasBegun(), 1);
  EXPECT_NE(tracker.UndoRecorder(), nullptr);
  tracker.TrackMouse(2, a, a, a, true);
  EXPECT_EQ(tracker.CanUndo(), 0);
  EXPECT_EQ(tracker.CausesChange(), 0);
  EXPECT_EQ(world.changeEnds, 0);
  EXPECT_EQ(world.dragEnds, 1);
  EXPECT_EQ(world.placed, 0);
}

TEST_F(MoveTrackersTest, ACoordinateNearZeroBecomesZero) {
  world.snapping = 1.0;
  world.selected = {&world.Thing(1)};
  TMoveObjectsTracker tracker;
  tracker.InitMoveObjects(&view, &world);
  tracker.SetHitObject(&world.Thing(1));
  Event(tracker, WM_LBUTTONDOWN, 0);
  Drag(tracker, QV_CPoint(20, 20), {QV_CPoint(25, 20)});
  EXPECT_EQ(At(1).x, 0.0);
  EXPECT_EQ(At(1).y, 12.25);
}

TEST_F(MoveTrackersTest, AnObjectSelectedDuringTheDragIsNotMoved) {
  world.selected = {&world.Thing(0)};
  TMoveObjectsTracker tracker;
  tracker.InitMoveObjects(&view, &world);
  tracker.SetHitObject(&world.Thing(0));
  Event(tracker, WM_LBUTTONDOWN, 0);
  QV_CPoint a(20, 20);
  QV_CPoint next = a;
  tracker.TrackConstrain(a, a, next);
  tracker.TrackMouse(0, a, a, next, true);
  next = QV_CPoint(30, 20);
  tracker.TrackConstrain(a, a, next);
  tracker.TrackMouse(1, a, a, next, true);
  world.selected.push_back(&world.Thing(2));
  QV_CPoint further(40, 20);
  tracker.TrackConstrain(a, next, further);
  tracker.TrackMouse(1, a, next, further, true);
  EXPECT_EQ(At(0).x, 0.1 + 20);
  ExpectSame(At(2), TVector3(80, -80, 0));
}

TEST_F(MoveTrackersTest, APointGrabbedOffCentreGoesBackWhenNotMoved) {
  world.point = &world.Thing(0);
  world.positions[&world.Thing(0)] = TVector3(20, -20, 0.5);
  world.selected = {&world.Thing(0)};
  TMoveObjectsTracker tracker;
  tracker.InitMoveObjects(&view, &world);
  tracker.SetHitObject(&world.Thing(0));
  Event(tracker, WM_LBUTTONDOWN, 0);
  QV_CPoint a(23, 22);
  QV_CPoint next = a;
  tracker.TrackConstrain(a, a, next);
  tracker.TrackMouse(0, a, a, next, true);
  ExpectSame(At(0), TVector3(23, -22, 0.5));
  tracker.TrackMouse(2, a, a, a, true);
  ExpectSame(At(0), TVector3(20, -20, 0.5));
}

TEST_F(MoveTrackersTest, ControlAtTheReleaseKeepsAPointOffHotPoints) {
  world.point = &world.Thing(0);
  world.hotPointNear = true;
  for (WPARAM keys : {WPARAM{0}, MK_CONTROL}) {
    world.attached.clear();
    world.fixed.clear();
    world.selected = {&world.Thing(0)};
    TMoveObjectsTracker tracker;
    tracker.InitMoveObjects(&view, &world);
    tracker.SetHitObject(&world.Thing(0));
    Event(tracker, WM_LBUTTONDOWN, keys);
    Drag(tracker, QV_CPoint(0, 0), {QV_CPoint(30, 30)});
    if (keys == 0) {
      EXPECT_EQ(world.attached, std::vector<TLink*>{&world.Thing(0)});
      EXPECT_TRUE(world.fixed.empty());
    } else {
      EXPECT_TRUE(world.attached.empty());
      EXPECT_EQ(world.fixed, std::vector<TLink*>{&world.Thing(0)});
    }
  }
}

TEST_F(MoveTrackersTest, ThePointTrackerMovesItsPointKeepingItsTurn) {
  world.positions[&world.Thing(2)] = TVector3(80, -80, 2.0);
  TMovePointTracker tracker;
  tracker.InitMovePoint(&view, &world);
  tracker.SetPoint(&world.Thing(2));
  EXPECT_EQ(tracker.HitObject(), &world.Thing(2));
  Event(tracker, WM_LBUTTONDOWN, 0);
  Drag(tracker, QV_CPoint(80, 80), {QV_CPoint(90, 70)});
  ExpectSame(At(2), TVector3(90, -70, 2.0));
  EXPECT_EQ(tracker.HasChanged(), 1);
}

}  // namespace
}  // namespace tracker_test
