#include <gtest/gtest.h>

#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/ResizeTrackers.h"

namespace tracker_test {
namespace {

class TPanel : public TThing, public TResizableGadget {
 public:
  int16_t GadgetWidth() const override { return width; }
  int16_t GadgetHeight() const override { return height; }
  void PrepareResize() override { ++prepared; }
  void EraseGadget() override { ++erased; }
  void SetSizeAtCorner(int16_t w, int16_t h, int32_t c) override {
    width = w;
    height = h;
    corner = c;
  }
  void DrawGadget() override { ++drawn; }
  int16_t width = 100;
  int16_t height = 60;
  int32_t corner = -1;
  int prepared = 0;
  int erased = 0;
  int drawn = 0;
};

using ResizeTrackersTest = TrackerTest;

TEST_F(ResizeTrackersTest, OuterCornersDraggedOutwardsEnlarge) {
  TPanel& panel = world.Add<TPanel>(20);
  struct Case {
    int32_t corner;
    QV_CPoint to;
  };
  // From (50, 50): each corner pulled 10 across and 5 down away from the panel.
  for (const Case& c : {Case{0, QV_CPoint(40, 45)}, Case{1, QV_CPoint(60, 45)},
                        Case{2, QV_CPoint(40, 55)}, Case{3, QV_CPoint(60, 55)}}) {
    SCOPED_TRACE(c.corner);
    panel.width = 100;
    panel.height = 60;
    TResizeTracker tracker;
    tracker.InitResize(&view, &world, &panel, c.corner);
    EXPECT_EQ(tracker.GetCommandNumber(), kCmdResize);
    EXPECT_EQ(tracker.CursorResource(), 1020);
    Event(tracker, WM_LBUTTONDOWN, 0);
    Drag(tracker, QV_CPoint(50, 50), {c.to});
    EXPECT_EQ(panel.width, 110);
    EXPECT_EQ(panel.height, 65);
    EXPECT_EQ(panel.corner, c.corner);
    EXPECT_EQ(tracker.CanUndo(), 1);
  }
  EXPECT_EQ(panel.prepared, 4);
  EXPECT_EQ(panel.erased, panel.drawn);
}

TEST_F(ResizeTrackersTest, MovingBackRestoresTheStartSize) {
  TPanel& panel = world.Add<TPanel>(20);
  TResizeTracker tracker;
  tracker.InitResize(&view, &world, &panel, 3);
  Event(tracker, WM_LBUTTONDOWN, 0);
  Drag(tracker, QV_CPoint(50, 50), {QV_CPoint(90, 10), QV_CPoint(7, 80), QV_CPoint(50, 50)});
  EXPECT_EQ(panel.width, 100);
  EXPECT_EQ(panel.height, 60);
}

class TSnapper : public TObject, public TTrackingSnapper {
 public:
  bool IsSnapperActive() const override { return true; }
  void ForgetHotPoint() override {}
  bool FindHotPointNear(const MacPoint&, TVector&) override { return false; }
  void DrawHotPointMark(const MacPoint&) override {}
};

class TBox : public TThing, public THandleObject {
 public:
  std::array<int32_t, 4> TrackingBounds() const override { return {1, 2, 30, 40}; }
};

TEST_F(ResizeTrackersTest, AHandleTrackerKeepsTheBoundsAndNeedsTheWorldsSnapper) {
  TBox& box = world.Add<TBox>(21);
  TTracker487 without;
  EXPECT_THROW(without.InitHandle(&view, &world, &box, 7), QVException);

  TSnapper snapper;
  world.itemTag = MakeTag("hpSn");
  world.item = &snapper;
  TTracker487 tracker;
  tracker.InitHandle(&view, &world, &box, 7);
  EXPECT_EQ(tracker.Snapper(), &snapper);
  EXPECT_EQ(tracker.StartBounds(), (std::array<int32_t, 4>{1, 2, 30, 40}));
  EXPECT_EQ(tracker.Option(), 7);
  EXPECT_EQ(tracker.HitObject(), &box);
  EXPECT_EQ(tracker.IsFixedView(), 0);
}

}  // namespace
}  // namespace tracker_test
