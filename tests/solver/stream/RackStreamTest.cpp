// Gear records as the world writes them into the solver stream: a pair of a circle and a bar
// meshes as a rack and pinion, the bar moving along the pinion's tangent at the contact by the
// pinion's radius for every radian it turns, whichever contact point comes first; and a contact
// record that lost its contact points is set aside.

#include <gtest/gtest.h>

#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

// A pinion of radius 0.5 at the origin, turned at 1 rad/s by a motor, and a bar whose centre
// lies 0.75 below it, held level in a slot; the contact lies on the pinion's rim.
std::vector<uint8_t> RackAndPinion(bool pinionFirst) {
  StreamBuilder s;
  s.Body(10, 0.0, 0.0, 0.0, 1.0, 0.125).CircleSize(1.0);
  s.Body(11, 0.0, -0.75, 0.0, 1.0, 0.1).RectangleSize(2.0, 0.5);
  s.Point(20, 0, 0.0, 0.0);
  s.Point(21, 10, 0.0, 0.0);
  s.Point(22, 0, 0.0, -0.75);
  s.Point(23, 11, 0.0, 0.0);
  s.Point(24, 10, 0.0, -0.5, 0.0, 1502);
  s.Point(25, 11, 0.0, 0.25, 0.0, 1502);
  s.Constraint(30, {20, 21}, {PinY(), PinX()});
  s.Constraint(31, {22, 23}, {PinY(), {1, 0, 2, F(0.0)}});
  if (pinionFirst) s.Constraint(32, {24, 25}, {PinY()});
  else s.Constraint(32, {25, 24}, {PinY()});
  s.Constraint(33, {20, 21}, {{2, 0, 2, F(1.0)}});
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.05, 1, 1e-9, 1e-12);
  return s.Finish();
}

TEST(RackStream, ABarMeshedWithACircleMovesAsARack) {
  for (bool pinionFirst : {true, false}) {
    EngineRun run(RackAndPinion(pinionFirst));
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(40, 16);
    ASSERT_EQ(run.RunTo(history, 21), kEngineOk);
    for (int f = 1; f <= 20; ++f) {
      // The pinion turns anticlockwise; its lowest point, and the bar, move to the right.
      EXPECT_NEAR(history.Value(f, 5), 1.0, 1e-9) << f;
      EXPECT_NEAR(history.Value(f, 8 + 3), 0.5, 1e-9) << f;
      EXPECT_NEAR(history.Value(f, 8 + 0), 0.5 * history.Value(f, 2), 1e-9) << f;
      EXPECT_NEAR(history.Value(f, 8 + 1), -0.75, 1e-9) << f;
    }
  }
}

// A contact record whose gear is gone names no contact points; it is set aside and the rest of
// the world runs.
TEST(RackStream, AContactRecordWithoutItsPointsIsSetAside) {
  StreamBuilder s;
  s.Body(10, 0.0, 0.0, 0.0, 1.0, 0.125, 0.0, 0.0, 0.0, 0.0, 2.0).CircleSize(1.0);
  s.Constraint(32, {-1, -1}, {PinY()});
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.05, 1, 1e-9, 1e-12);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(20, 8);
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  EXPECT_NEAR(history.Value(10, 2), 2.0 * 10 * 0.05, 1e-9);
  // Still refused: an attached reference to an object the stream does not hold.
  StreamBuilder wrong;
  wrong.Body(10, 0.0, 0.0, 0.0, 1.0, 0.125).CircleSize(1.0);
  wrong.Constraint(32, {77, -1}, {PinY()});
  EngineRun refused(wrong.Finish());
  EXPECT_NE(refused.readResult, kEngineOk);
}

}  // namespace
}  // namespace yb::stream::testing
