#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/Failure.h"
#include "model/command/CommandBase.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/WindowMessages.h"
#include "tests/model/command/TestWorld.h"
#include "views/trackers/SelectionTrackers.h"
#include "views/trackers/TrackerWorld.h"

namespace {

using command_test::TTestWorld;

// Things 0 to 2 lie in the world at the given view points; thing 3 is a gadget.
class TSelectWorld : public TTestWorld, public TTrackerWorld {
 public:
  TSelectWorld() : TTestWorld(4) {
    for (size_t i = 0; i < 4; ++i) things4[i] = &Thing(i);
    at[&Thing(0)] = MacPoint(20, 20);
    at[&Thing(1)] = MacPoint(40, 20);
    at[&Thing(2)] = MacPoint(80, 80);
    at[&Thing(3)] = MacPoint(30, 30);
  }
  void DeselectAll() override { selected.clear(); }
  void SelectObject(TLink* object) override {
    if (!IsSelected(object)) selected.push_back(object);
  }
  void DeselectObject(TLink* object) override { std::erase(selected, object); }
  bool IsSelected(TLink* object) const override {
    return std::find(selected.begin(), selected.end(), object) != selected.end();
  }
  void SelectObjects(const std::vector<TLink*>& objects, bool extend) override {
    if (!extend) selected.clear();
    for (TLink* object : objects) SelectObject(object);
  }
  void RefreshSelectionDisplay() override { ++refreshes; }
  std::vector<TLink*> ScreenPositionedObjects() override { return {&Thing(3)}; }
  std::vector<TLink*> WorldPositionedObjects() override {
    return {&Thing(0), &Thing(1), &Thing(2)};
  }
  bool IsScreenPositioned(const TLink* object) const override { return object == things4[3]; }
  bool IsWorldPositioned(const TLink* object) const override { return object != things4[3]; }
  bool LiesInRect(TLink* object, const MacRect& r) override {
    if (failInRect) ThrowFailure(-108, 0);
    const MacPoint p = at.at(object);
    return p.h >= r.left && p.h <= r.right && p.v >= r.top && p.v <= r.bottom;
  }
  bool GadgetSelectionOn() const override { return gadgets; }
  void CheckLowSpace() override {}
  bool RefusesEditing() const override { return running; }
  int16_t PropertiesDialogNumber(const TLink* object) const override {
    return object == things4[0] ? 5100 : 0;
  }
  void QueuePropertiesDialog(int16_t dialog, TLink*) override { dialogs.push_back(dialog); }
  void SendToCurrentTarget(int16_t command) override { sent.push_back(command); }
  void StartPacing(int32_t ticks) override { pacing = ticks; }
  void StopPacing() override { pacing = 0; }
  TThing& Thing(size_t i) { return TTestWorld::Thing(i); }

  std::map<const TLink*, MacPoint> at;
  TLink* things4[4] = {};
  std::vector<TLink*> selected;
  std::vector<int16_t> dialogs;
  std::vector<int16_t> sent;
  bool gadgets = true;
  bool failInRect = false;
  bool running = false;
  int refreshes = 0;
  int32_t pacing = 0;
};

// A view over a white 100 by 100 bitmap.
class TPixelView : public TTrackerView, public TFeedbackPort {
 public:
  TPixelView() {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(dc_, 100, 100);
    old_ = SelectObject(dc_, bitmap_);
    PatBlt(dc_, 0, 0, 100, 100, WHITENESS);
  }
  ~TPixelView() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC BeginFeedbackDrawing() override { return dc_; }
  void EndFeedbackDrawing(HDC) override {}
  int CountNonWhite() const {
    int count = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) count += GetPixel(dc_, x, y) != RGB(255, 255, 255);
    return count;
  }
  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&, bool) override {
    return true;
  }
  void BeginFeedback(int16_t) override {}
  void EndFeedback() override {}
  void SetFeedbackStyle(int16_t, int16_t) override {}
  void FeedbackDifference(const TVector&) override {}
  void FeedbackPoint(const MacPoint&, const TVector&) override {}
  void DrawFeedback() override {}
  bool IsDrawingOn() const override { return true; }
  bool IsInsideAutoscrolling(const MacPoint&) override { return true; }
  MacRect TrackingExtent() const override { return MacRect(0, 0, 100, 100); }
  double TrackingScale() const override { return 1.0; }
  void SetToolCursor(uint16_t) override {}

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

class SelectionTrackersTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }

  static void Event(TCommandBase& tracker, UINT message, WPARAM keys) {
    TEventRecord event;
    event.message = message;
    event.wParam = keys;
    tracker.HandleEvent(event);
  }
  // A gesture as the tracking loop drives it: press, the moves, release.
  static void Drag(TCommandBase& tracker, QV_CPoint from, const std::vector<QV_CPoint>& path) {
    QV_CPoint anchor = from;
    QV_CPoint previous = from;
    QV_CPoint next = from;
    tracker.TrackConstrain(anchor, previous, next);
    tracker.TrackMouse(0, anchor, previous, next, true);
    for (QV_CPoint point : path) {
      next = point;
      tracker.TrackConstrain(anchor, previous, next);
      const bool changed = !(next == previous);
      tracker.TrackMouse(1, anchor, previous, next, changed);
      previous = next;
    }
    tracker.TrackMouse(2, anchor, previous, previous, true);
  }

  TSelectWorld world;
  TPixelView view;
};

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
