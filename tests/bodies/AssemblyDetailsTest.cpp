// Details of the assembly solver seen through its entry points and drag controllers: keyed and
// plain slots, a curve whose direction vanishes, a lock that turns a body before the first pass,
// an exact drag that cannot also hold its angle, and a loose drag whose mouse comes back.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "bodies/assembly/AssemblyEntry.h"
#include "core/Handle.h"

namespace {

constexpr double kPi = std::numbers::pi;

class AssemblyDetails : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }

  // Solves to the tolerance; the body frames' records, first body first.
  static TFrameRecord* Solve(TAssemblySolver& solver, double& error) {
    TFrameRecord* records = nullptr;
    int32_t count = 0;
    uint32_t pushed = 0;
    EXPECT_EQ(AssemblySolve(&solver, nullptr, nullptr, 1e-10, records, count, pushed, error), 0);
    return records;
  }

  int ground = 0, body = 0;
};

TEST_F(AssemblyDetails, ASlotHoldsTheSliderAtItsAngleExactlyWhenKeyed) {
  for (const uint16_t keyed : {0, 1}) {
    TAssemblySolver solver;
    solver.MakeFixedFrame(&ground, Frame2D(), &ground);
    solver.MakeBodyFrame(&body, Frame2D(0.5, 0.3, 0.4));
    // A slot along the ground's line through (0, 0) at 0.2 rad; the slider's grip is its origin.
    TAssemblyConstraint* slot = nullptr;
    ASSERT_EQ(AssemblyPointOnLine(&solver, &solver, &ground, TVector3(0, 0, 0.2), keyed, 1.0,
                                  slot),
              0);
    ASSERT_NE(slot, nullptr);
    ASSERT_EQ(AssemblyAddPlacement(&solver, slot, &body, TVector3(0, 0, 0)), 0);
    double error = 1;
    const TFrameRecord* records = Solve(solver, error);
    ASSERT_LE(error, 1e-10) << keyed;
    const Frame2D slider = records[0].world;
    // On the line: perpendicular distance 0.
    EXPECT_NEAR(-slider.x * std::sin(0.2) + slider.y * std::cos(0.2), 0.0, 1e-10) << keyed;
    // Keyed, it turns to the slot's angle; plain, it keeps its own.
    EXPECT_NEAR(slider.angle, keyed != 0 ? 0.2 : 0.4, 1e-10) << keyed;
  }
}

TEST_F(AssemblyDetails, ACurveWhoseDirectionVanishesStillGivesANumber) {
  // A curve out to (1, 0) and back along the same line: at its turning point it has no
  // direction, so the x axis serves. The slider starts off the turning point's end.
  TAssemblySolver solver;
  solver.MakeFixedFrame(&ground, Frame2D(), &ground);
  solver.MakeBodyFrame(&body, Frame2D(2.0, 0.5, 0.0));
  const double points[] = {0.0, 0.0, 1.0, 0.0, 0.0, 0.0};
  TAssemblyConstraint* curve = nullptr;
  ASSERT_EQ(AssemblyPointOnSpline(&solver, &solver, &ground, TVector3(0, 0, 0), points, 3, 0,
                                  1e-12, curve),
            0);
  ASSERT_NE(curve, nullptr);
  ASSERT_EQ(AssemblyAddPlacement(&solver, curve, &body, TVector3(0, 0, 0)), 0);
  double error = 1;
  const TFrameRecord* records = Solve(solver, error);
  EXPECT_FALSE(std::isnan(error));
  EXPECT_LE(error, 1e-10);
  // Across the x axis through the turning point: the slider comes down onto it.
  EXPECT_NEAR(records[0].world.y, 0.0, 1e-10);
  EXPECT_FALSE(std::isnan(records[0].world.x));
}

TEST_F(AssemblyDetails, ALockTurningItsBodyBeforeTheFirstPassIsSeenByTheOtherConditions) {
  // The body's point (1, 0) is pinned where it is, and the pin solved; then a lock turns the
  // body a quarter: the body must move so that the point stays.
  TAssemblySolver solver;
  solver.MakeFixedFrame(&ground, Frame2D(), &ground);
  solver.MakeBodyFrame(&body, Frame2D(0, 0, 0));
  TAssemblyConstraint* pin = nullptr;
  ASSERT_EQ(AssemblyCoincident(&solver, &solver, &ground, {1, 0}, pin), 0);
  ASSERT_EQ(AssemblyAddPlacement(&solver, pin, &body, TVector3(1, 0, 0)), 0);
  double error = 1;
  EXPECT_EQ(Solve(solver, error)[0].world, Frame2D(0, 0, 0));
  EXPECT_EQ(error, 0.0);

  ASSERT_EQ(AssemblyAngleLock(&solver, &body, Frame2D(), kPi / 2), 0);
  const TFrameRecord* records = Solve(solver, error);
  EXPECT_LE(error, 1e-10);
  const Frame2D turned = records[0].world;
  EXPECT_NEAR(turned.angle, kPi / 2, 1e-10);
  EXPECT_NEAR(turned.TransformPoint({1, 0}).x, 1.0, 1e-10);
  EXPECT_NEAR(turned.TransformPoint({1, 0}).y, 0.0, 1e-10);
  EXPECT_NEAR(turned.x, 1.0, 1e-10);
  EXPECT_NEAR(turned.y, -1.0, 1e-10);
}

TEST_F(AssemblyDetails, AnExactDragThatCannotHoldItsAngleLetsGoOfItAndSolvesOn) {
  TBodyFrame frame(nullptr, Frame2D(0, 0, 0));
  frame.SetIndex(0);
  TPointDrag drag(&frame, {1, 0}, 0.01);
  ASSERT_TRUE(drag.SetMouse({1 + 1e-12, 0}));
  ASSERT_TRUE(drag.HoldsAngle());
  EXPECT_EQ(drag.EquationCount(), 3);
  EXPECT_TRUE(drag.Retreat(1e-9));
  EXPECT_TRUE(drag.IsExact());
  EXPECT_FALSE(drag.HoldsAngle());
  EXPECT_EQ(drag.EquationCount(), 2);
  EXPECT_FALSE(drag.Retreat(1e-9));  // nothing left to let go of

  // In a solve: a lock turns the dragged body, which the drag's angle hold forbids.
  TAssemblySolver solver;
  solver.MakeFixedFrame(&ground, Frame2D(), &ground);
  solver.MakeBodyFrame(&body, Frame2D(0, 0, 0));
  ASSERT_EQ(AssemblyAngleLock(&solver, &body, Frame2D(), 0.5), 0);
  TDragController* dragging = nullptr;
  ASSERT_EQ(AssemblyPointDrag(&solver, &body, Frame2D(), {1, 0}, 0.01, dragging), 0);
  ASSERT_EQ(AssemblyNewMousePoint(&solver, dragging, {1, 0}), 0);
  double error = 1;
  const TFrameRecord* records = Solve(solver, error);
  EXPECT_LE(error, 1e-10);
  const Frame2D held = records[0].world;
  EXPECT_NEAR(held.angle, 0.5, 1e-10);
  EXPECT_NEAR(held.TransformPoint({1, 0}).x, 1.0, 1e-10);
  EXPECT_NEAR(held.TransformPoint({1, 0}).y, 0.0, 1e-10);
}

TEST_F(AssemblyDetails, AMouseComingBackLowersTheReachedFloorByItsStepBack) {
  TBodyFrame frame(nullptr, Frame2D(0, 0, 0));
  frame.SetIndex(0);
  TPointDrag drag(&frame, {0, 0}, 0.01);  // loose steps of 0.12
  ASSERT_TRUE(drag.SetMouse({3, 0}));
  ASSERT_TRUE(drag.Retreat(1e-9));  // loose: reach 3 - 0.12
  ASSERT_TRUE(drag.Retreat(1e-9));  // the floor rises to that reach
  double reach = 0, floor = 0, gap = 0;
  drag.GetDragValues(reach, floor, gap);
  ASSERT_NEAR(floor, 2.88, 1e-12);
  ASSERT_EQ(gap, 3.0);
  drag.Accept();

  // Back by 0.1: the floor comes down by as much, and the reach is halfway up to the gap.
  ASSERT_TRUE(drag.SetMouse({2.9, 0}));
  drag.GetDragValues(reach, floor, gap);
  EXPECT_NEAR(gap, 2.9, 1e-12);
  EXPECT_NEAR(floor, 2.78, 1e-12);
  EXPECT_NEAR(reach, (2.9 + 2.78) / 2, 1e-12);
  drag.Accept();

  // Back by more than the floor: nothing reached is kept.
  ASSERT_TRUE(drag.SetMouse({-0.1, 0}));
  drag.GetDragValues(reach, floor, gap);
  EXPECT_EQ(floor, 0.0);
  EXPECT_NEAR(reach, 0.05, 1e-12);
}

}  // namespace
