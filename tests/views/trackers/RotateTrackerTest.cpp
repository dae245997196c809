#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/Resources.h"
#include "platform/win32/WindowMessages.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/RotateTracker.h"

namespace tracker_test {
namespace {

class RotateTrackerTest : public TrackerTest {
 protected:
  void SetUp() override {
    TrackerTest::SetUp();
    world.positions[&world.Thing(0)] = TVector3(60.25, -50.5, 0.125);
    world.positions[&world.Thing(1)] = TVector3(50, -50, 1.0);
    world.selected = {&world.Thing(0), &world.Thing(1)};
  }
  TVector3 At(size_t i) { return world.positions[&world.Thing(i)]; }
  // A rotate tracker about (50, -50), which is screen (50, 50).
  void Start(TRotateTracker& tracker, TLink* hit) {
    tracker.InitRotate(&view, &world);
    tracker.SetCentre(hit, &world.Thing(2), TVector(50, -50));
    Event(tracker, WM_LBUTTONDOWN, 0);
  }
};

TEST_F(RotateTrackerTest, AQuarterTurnTurnsPositionsAndAngles) {
  TRotateTracker tracker;
  Start(tracker, &world.Thing(0));
  EXPECT_EQ(tracker.GetCommandNumber(), kCmdRotate);
  // From east of the centre to north of it: a quarter turn anticlockwise.
  Drag(tracker, QV_CPoint(70, 50), {QV_CPoint(50, 30)});
  EXPECT_NEAR(tracker.Angle(), std::numbers::pi / 2, 1e-12);
  EXPECT_NEAR(At(0).x, 50.5, 1e-9);
  EXPECT_NEAR(At(0).y, -39.75, 1e-9);
  EXPECT_NEAR(At(0).r, 0.125 + std::numbers::pi / 2, 1e-12);
  // The object at the centre only turns.
  EXPECT_EQ(At(1).x, 50);
  EXPECT_EQ(At(1).y, -50);
  EXPECT_NEAR(At(1).r, 1.0 + std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(tracker.CanUndo(), 1);
}

TEST_F(RotateTrackerTest, BackToTheStartDirectionRestoresExactly) {
  const TVector3 first = At(0);
  const TVector3 second = At(1);
  TRotateTracker tracker;
  Start(tracker, &world.Thing(0));
  Drag(tracker, QV_CPoint(70, 50), {QV_CPoint(50, 30), QV_CPoint(20, 80), QV_CPoint(90, 50)});
  EXPECT_EQ(At(0).x, first.x);
  EXPECT_EQ(At(0).y, first.y);
  EXPECT_EQ(At(0).r, first.r);
  EXPECT_EQ(At(1).r, second.r);
}

TEST_F(RotateTrackerTest, APressOnTheCentreTurnsFromTheFirstPointOffIt) {
  TRotateTracker tracker;
  Start(tracker, &world.Thing(0));
  Drag(tracker, QV_CPoint(50, 50), {QV_CPoint(70, 50), QV_CPoint(50, 30)});
  EXPECT_NEAR(tracker.Angle(), std::numbers::pi / 2, 1e-12);
  EXPECT_NEAR(At(0).x, 50.5, 1e-9);
}

TEST_F(RotateTrackerTest, AClickOnNothingClearsTheSelection) {
  TRotateTracker tracker;
  Start(tracker, nullptr);
  EXPECT_EQ(world.selected.size(), 2u);
  Drag(tracker, QV_CPoint(10, 10), {});
  EXPECT_TRUE(world.selected.empty());
}

TEST_F(RotateTrackerTest, TheCentreLineLeavesNoPixelsWhenCleared) {
  TRotateTracker tracker;
  Start(tracker, &world.Thing(0));
  tracker.CentreLine(true, MacPoint(80, 20));
  const int shown = view.CountNonWhite();
  EXPECT_GT(shown, 30);
  tracker.CentreLine(true, MacPoint(20, 90));
  EXPECT_GT(view.CountNonWhite(), 30);
  tracker.CentreLine(false, MacPoint());
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(RotateTrackerTest, TheReadoutIsTheAngle) {
  TRotateTracker tracker;
  Start(tracker, &world.Thing(0));
  Drag(tracker, QV_CPoint(70, 50), {QV_CPoint(50, 30)});
  TVector readout;
  tracker.Difference(readout, TVector(), TVector(5, 5));
  EXPECT_EQ(readout, TVector(tracker.Angle(), 0));
}

TEST_F(RotateTrackerTest, TheFeedbackShowsTheRotationCentreIcon) {
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  TRotateTracker tracker;
  Start(tracker, &world.Thing(0));
  tracker.DrawFeedback();
  int marked = 0;
  for (int y = 40; y < 60; ++y)
    for (int x = 40; x < 60; ++x) marked += view.PixelAt(x, y) != RGB(255, 255, 255);
  EXPECT_GT(marked, 20);
  EXPECT_EQ(view.CountNonWhite(), marked) << "the icon lies round the centre";
  FreeResourceLibrary(GetResourceModule1());
  SetResourceModule1(nullptr);
}

}  // namespace
}  // namespace tracker_test
