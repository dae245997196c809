#include <gtest/gtest.h>

#include "core/CommandNesting.h"
#include "model/command/CommandHandler.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/TrackingCommand.h"

namespace tracker_test {
namespace {

class TSilentReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

using TrackingCommandTest = TrackerTest;

TEST_F(TrackingCommandTest, TheBandFollowsTheMouseAndIsGoneAtTheRelease) {
  TTrackingCommand band;
  band.InitTrackingCommand(4000, &view, &world);
  EXPECT_EQ(band.CanUndo(), 0);
  EXPECT_EQ(band.CausesChange(), 0);
  Event(band, WM_LBUTTONDOWN, 0);
  QV_CPoint a(10, 10);
  QV_CPoint next = a;
  band.TrackConstrain(a, a, next);
  band.TrackMouse(0, a, a, next, true);
  // Corners that coincide draw nothing.
  EXPECT_EQ(view.CountNonWhite(), 0);
  next = QV_CPoint(40, 30);
  band.TrackConstrain(a, a, next);
  band.TrackMouse(1, a, a, next, true);
  EXPECT_EQ(band.MovingCorner(), MacPoint(40, 30));
  EXPECT_GT(view.CountNonWhite(), 30);
  QV_CPoint further(60, 70);
  band.TrackConstrain(a, next, further);
  band.TrackMouse(1, a, next, further, true);
  EXPECT_GT(view.CountNonWhite(), 60);
  band.TrackMouse(2, a, further, further, true);
  EXPECT_EQ(view.CountNonWhite(), 0);
}

TEST_F(TrackingCommandTest, PerformingPostsTheFollowUpCommand) {
  TSilentReporter reporter;
  TCommandNesting nesting(reporter);
  TCommandHandler application(nesting);
  TTrackingCommand band;
  band.InitTrackingCommand(4000, &view, &world);
  auto followUp = std::make_unique<TSmallCommand>();
  followUp->Init(4001, nullptr, nullptr, nullptr);
  TCommandCore* const posted = followUp.get();
  band.SetFollowUp(std::move(followUp));
  band.Perform();
  EXPECT_EQ(application.PeekNextCommand(), posted);
}

}  // namespace
}  // namespace tracker_test
