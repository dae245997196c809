// Drags made quicker than the program reads them: the desktop brings the moves and the release
// of a gesture together, and reports the button up at once. Each still ends where the user let
// go, as a slow one does.

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "tests/app/SketchFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

constexpr int16_t kRectangleTool = 2503;

class QuickDragTest : public SketchFixture {
 protected:
  // Press at the first world point; at the desktop's first news the moves to the middle points
  // and the release at the last all arrive together.
  void QuickDrag(const std::vector<TVector>& points) {
    std::vector<POINT> moves;
    for (size_t i = 1; i + 1 < points.size(); ++i)
      moves.push_back(Screen(On(points[i].x, points[i].y)));
    const POINT release = Screen(On(points.back().x, points.back().y));
    Gesture(On(points.front().x, points.front().y), {[moves, release] {
              for (const POINT& move : moves) InjectMouseMove(move);
              InjectMouseButton(MouseButton::kLeft, false, release);
            }});
  }
  TVector3 BoxPlacement() {
    TVector3 placement;
    dynamic_cast<TBasicMass&>(*world_->FindObject(sample_worlds::kBoxId)).GetPlacement(placement);
    return placement;
  }
};

TEST_F(QuickDragTest, TheSamplesBoxMovesToWhereItWasReleased) {
  // Near enough for the box to be pressed beside the spring's end point at its centre.
  world_->Scale().SetConstant(200.0);
  view_->CentreOrigin();
  view_->ScaleChanged();
  Pump();
  const TVector3 start = BoxPlacement();
  const TVector press(start.x + 0.035, start.y + 0.035);
  QuickDrag({press, {press.x - 0.3, press.y}, {press.x - 0.6, press.y + 0.2},
             {press.x - 1.0, press.y + 0.4}});
  const TVector3 end = BoxPlacement();
  EXPECT_NEAR(end.x - start.x, -1.0, 1e-6);
  EXPECT_NEAR(end.y - start.y, 0.4, 1e-6);
}

TEST_F(QuickDragTest, ARectangleTakesTheReleasedCorner) {
  const size_t before = world_->Objects().size();
  Command(kRectangleTool);
  // The world's grid is a metre: the last move alone would give a square of 1.
  QuickDrag({{0.5, 0.5}, {1.0, 0.8}, {1.6, 1.4}, {2.4, 1.6}});
  ASSERT_EQ(world_->Objects().size(), before + 1);
  auto* rectangle = Newest<TRectangle>();
  ASSERT_NE(rectangle, nullptr);
  EXPECT_NEAR(rectangle->GetSize().x, 2.0, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1.0, 1e-9);
}

// The whole gesture waits in the queue before the program reads its press: the release still
// counts where it stands, after the moves, so the gesture is a drag and not a click.
TEST_F(QuickDragTest, APressItsMovesAndItsReleaseQueuedTogetherEndAsADrag) {
  const size_t before = world_->Objects().size();
  Command(kRectangleTool);
  const POINT press = Screen(On(0.5, 0.5));
  const POINT middle = Screen(On(1.5, 1.0));
  const POINT release = Screen(On(2.5, 1.5));
  RunLoop({[=] {
    InjectMouseMove(press);
    InjectMouseButton(MouseButton::kLeft, true, press);
    InjectMouseMove(middle);
    InjectMouseMove(release);
    InjectMouseButton(MouseButton::kLeft, false, release);
  }});
  Pump();
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_EQ(world_->Objects().size(), before + 1);
  auto* rectangle = Newest<TRectangle>();
  ASSERT_NE(rectangle, nullptr);
  EXPECT_NEAR(rectangle->GetSize().x, 2.0, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1.0, 1e-9);
  TVector3 placement;
  rectangle->GetPlacement(placement);
  EXPECT_NEAR(placement.x, 1.5, 1e-9);
  EXPECT_NEAR(placement.y, 1.0, 1e-9);
}

}  // namespace
