#include <gtest/gtest.h>

#include "core/Failure.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/SelectionTrackers.h"

namespace tracker_test {
namespace {

using SelectionTrackersTest = TrackerTest;

TEST_F(SelectionTrackersTest, ABandSelectsWhatItCoversAndLeavesNoPixels) {
  world.selected = {&world.Thing(2)};
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  EXPECT_EQ(band.GetCommandNumber(), kCmdSelectTracking);
  EXPECT_EQ(band.CausesChange(), 0);
  Event(band, WM_LBUTTONDOWN, 0);
  Drag(band, QV_CPoint(10, 10), {QV_CPoint(35, 35), QV_CPoint(50, 35)});
  EXPECT_EQ(world.selected, (std::vector<TLink*>{&world.Thing(3), &world.Thing(0),
                                                 &world.Thing(1)}));
  EXPECT_EQ(view.CountNonWhite(), 0);
  EXPECT_EQ(world.pacing, 0);
  EXPECT_EQ(world.refreshes, 1);
}

// With a coarse grid the world point stays on its step while the band grows in the view: what
// the band covers is still judged at every move of its corner.
TEST_F(SelectionTrackersTest, ABandSelectsOnACoarseGridWhereTheWorldPointStaysPut) {
  world.snapping = 1000.0;
  world.gadgets = false;
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  Event(band, WM_LBUTTONDOWN, 0);
  Drag(band, QV_CPoint(10, 10), {QV_CPoint(30, 25), QV_CPoint(50, 35)});
  EXPECT_EQ(world.selected, (std::vector<TLink*>{&world.Thing(0), &world.Thing(1)}));
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(SelectionTrackersTest, TheFrameShowsWhileDragging) {
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  Event(band, WM_LBUTTONDOWN, 0);
  QV_CPoint a(10, 10);
  QV_CPoint next = a;
  band.TrackConstrain(a, a, next);
  band.TrackMouse(0, a, a, next, true);
  EXPECT_EQ(world.pacing, TRubberBandTracker::kPacingTicks);
  next = QV_CPoint(30, 40);
  band.TrackConstrain(a, a, next);
  band.TrackMouse(1, a, a, next, true);
  EXPECT_GT(view.CountNonWhite(), 40);
  band.TrackMouse(2, a, next, next, true);
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(SelectionTrackersTest, AFailedBandStopsItsPacingAndErasesItsFrame) {
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  Event(band, WM_LBUTTONDOWN, 0);
  QV_CPoint a(10, 10);
  QV_CPoint next = a;
  band.TrackConstrain(a, a, next);
  band.TrackMouse(0, a, a, next, true);
  next = QV_CPoint(30, 40);
  band.TrackConstrain(a, a, next);
  band.TrackMouse(1, a, a, next, true);
  world.failInRect = true;
  QV_CPoint further(50, 60);
  band.TrackConstrain(a, next, further);
  EXPECT_THROW(band.TrackMouse(1, a, next, further, true), QVException);
  EXPECT_EQ(world.pacing, 0);
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(SelectionTrackersTest, ABandWithoutMovementSelectsNothing) {
  world.selected = {&world.Thing(0)};
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  Event(band, WM_LBUTTONDOWN, 0);
  Drag(band, QV_CPoint(20, 20), {QV_CPoint(20, 20)});
  EXPECT_TRUE(world.selected.empty());
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(SelectionTrackersTest, ShiftTurnsOverWhatTheBandCoversAndRestoresWhatItLeaves) {
  world.selected = {&world.Thing(0)};
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  Event(band, WM_LBUTTONDOWN, MK_SHIFT);
  // Over things 0 and 1: 0 was selected and is deselected, 1 becomes selected.
  Drag(band, QV_CPoint(10, 10), {QV_CPoint(45, 25)});
  EXPECT_EQ(world.selected, std::vector<TLink*>{&world.Thing(1)});
  // Sweeping over thing 0 again, and back off it: it returns to selected.
  TRubberBandTracker again;
  again.InitRubberBand(&view, &world);
  Event(again, WM_LBUTTONDOWN, MK_SHIFT);
  Drag(again, QV_CPoint(10, 10), {QV_CPoint(25, 25), QV_CPoint(12, 12)});
  EXPECT_EQ(world.selected, std::vector<TLink*>{&world.Thing(1)});
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(SelectionTrackersTest, WithoutGadgetSelectionGadgetsAreNeverGathered) {
  world.gadgets = false;
  TRubberBandTracker band;
  band.InitRubberBand(&view, &world);
  Event(band, WM_LBUTTONDOWN, 0);
  Drag(band, QV_CPoint(10, 10), {QV_CPoint(50, 50)});
  EXPECT_EQ(world.selected, (std::vector<TLink*>{&world.Thing(0), &world.Thing(1)}));
}

TEST_F(SelectionTrackersTest, APressSelectsTheHitObjectAndShiftTurnsItOver) {
  TTracker480 tracker;
  tracker.InitObjectTracker(kCmdSelectTracking, &view, &world, 0, 0);
  world.selected = {&world.Thing(1)};
  tracker.SetHitObject(&world.Thing(0));
  Event(tracker, WM_LBUTTONDOWN, 0);
  EXPECT_EQ(world.selected, std::vector<TLink*>{&world.Thing(0)});

  tracker.InitObjectTracker(kCmdSelectTracking, &view, &world, 0, 0);
  tracker.SetHitObject(&world.Thing(1));
  Event(tracker, WM_LBUTTONDOWN, MK_SHIFT);
  EXPECT_EQ(world.selected, (std::vector<TLink*>{&world.Thing(0), &world.Thing(1)}));
  tracker.InitObjectTracker(kCmdSelectTracking, &view, &world, 0, 0);
  tracker.SetHitObject(&world.Thing(1));
  Event(tracker, WM_LBUTTONDOWN, MK_SHIFT);
  EXPECT_EQ(world.selected, std::vector<TLink*>{&world.Thing(0)});
  // A press on nothing without Shift clears the selection.
  tracker.InitObjectTracker(kCmdSelectTracking, &view, &world, 0, 0);
  Event(tracker, WM_LBUTTONDOWN, 0);
  EXPECT_TRUE(world.selected.empty());
}

TEST_F(SelectionTrackersTest, ADoubleClickOpensTheDialogOrSendsOpen) {
  struct Case {
    size_t thing;
    WPARAM keys;
    bool running;
    bool opensDialog;
  };
  for (const Case& c : {Case{0, 0, false, true}, Case{0, MK_CONTROL, false, false},
                        Case{0, 0, true, false}, Case{1, 0, false, false}}) {
    SCOPED_TRACE(c.thing * 10 + c.keys + c.running);
    world.dialogs.clear();
    world.sent.clear();
    world.running = c.running;
    TTracker480 tracker;
    tracker.InitObjectTracker(kCmdSelectTracking, &view, &world, 0, 0);
    tracker.SetHitObject(&world.Thing(c.thing));
    Event(tracker, WM_LBUTTONDBLCLK, c.keys);
    Drag(tracker, QV_CPoint(20, 20), {});
    if (c.opensDialog) {
      EXPECT_EQ(world.dialogs, std::vector<int16_t>{5100});
      EXPECT_EQ(world.selected, std::vector<TLink*>{&world.Thing(0)});
      EXPECT_TRUE(world.sent.empty());
    } else {
      EXPECT_TRUE(world.dialogs.empty());
      EXPECT_EQ(world.sent, std::vector<int16_t>{kCmdOpenSelection});
    }
  }
}

}  // namespace
}  // namespace tracker_test
