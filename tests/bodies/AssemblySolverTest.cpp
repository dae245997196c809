// The assembly solver through its free functions and members: frames, the Newton loop on a
// four-bar linkage, the angle wrap, the iteration limits and the drag controllers' step rules.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "bodies/assembly/AssemblyEntry.h"
#include "core/Failure.h"
#include "core/Handle.h"

namespace {

constexpr double kPi = std::numbers::pi;

int32_t StopAfterOne(void*, double, double, double) {
  return 1;
}

// Keeps the error of every pass that took a step.
int32_t Collect(void* context, double, double current, double) {
  static_cast<std::vector<double>*>(context)->push_back(current);
  return 0;
}

struct FourBar {
  // Ground 2, crank 0.5, coupler 2, rocker 1.5; the crank held at 60 degrees.
  int ground = 0, crank = 0, coupler = 0, rocker = 0;
  double theta = kPi / 3;
  TVector b, c;

  FourBar() {
    b = {0.5 * std::cos(theta), 0.5 * std::sin(theta)};
    // C lies 2 from B and 1.5 from D = (2, 0), on the upper branch.
    const TVector d{2.0, 0.0};
    const TVector bd = d - b;
    const double l = std::hypot(bd.x, bd.y);
    const double along = (4.0 - 2.25 + l * l) / (2 * l);
    const double across = std::sqrt(4.0 - along * along);
    c = {b.x + (along * bd.x - across * bd.y) / l, b.y + (along * bd.y + across * bd.x) / l};
    if (c.y < 0)
      c = {b.x + (along * bd.x + across * bd.y) / l, b.y + (along * bd.y - across * bd.x) / l};
  }

  void Build(TAssemblySolver& solver, double perturbation) {
    const double p = perturbation;
    solver.MakeFixedFrame(&ground, Frame2D(), &ground);
    solver.MakeBodyFrame(&crank, Frame2D(p, -p, theta + p));
    solver.MakeBodyFrame(&coupler,
                         Frame2D(b.x - p, b.y + p, std::atan2(c.y - b.y, c.x - b.x) - p));
    solver.MakeBodyFrame(&rocker, Frame2D(2.0 + p, p, std::atan2(c.y, c.x - 2.0) + p));
    Pin(solver, &ground, {0, 0}, &crank, {0, 0});
    Pin(solver, &crank, {0.5, 0}, &coupler, {0, 0});
    Pin(solver, &coupler, {2, 0}, &rocker, {1.5, 0});
    Pin(solver, &ground, {2, 0}, &rocker, {0, 0});
    solver.AddAngleLock(&crank, Frame2D(), theta);
  }

  static void Pin(TAssemblySolver& solver, const void* reference, const TVector& at,
                  const void* body, const TVector& local) {
    TAssemblyConstraint* pin = nullptr;
    ASSERT_EQ(AssemblyCoincident(&solver, &solver, reference, at, pin), 0);
    ASSERT_EQ(AssemblyAddPlacement(&solver, pin, body, TVector3(local)), 0);
  }
};

// The solver keeps its frames and conditions in handle-backed pointer arrays.
class AssemblySolver : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};
using AssemblyDrags = AssemblySolver;

}  // namespace

TEST_F(AssemblySolver, FramesAreMadeOncePerOwnerAndRenumbered) {
  TAssemblySolver solver;
  int a = 0, b = 0, c = 0;
  TBodyFrame* fa = solver.MakeBodyFrame(&a, Frame2D());
  EXPECT_EQ(solver.MakeBodyFrame(&a, Frame2D(5, 5, 5)), fa);
  solver.MakeBodyFrame(&b, Frame2D());
  TBodyFrame* fc = solver.MakeBodyFrame(&c, Frame2D());
  EXPECT_EQ(fc->GetIndex(), 2);
  solver.DeleteBodyFrame(0);
  EXPECT_EQ(fc->GetIndex(), 1);
  EXPECT_EQ(solver.FindFrame(&a), nullptr);
  EXPECT_EQ(solver.FindFrame(nullptr), nullptr);

  // A fixed frame for an owner that has a body frame is refused, through its 16-bit code.
  TDragController* drag = nullptr;
  EXPECT_EQ(AssemblyRotateDrag(&solver, &b, Frame2D(), {1, 0}, {0, 0}, drag), -25104);
  EXPECT_EQ(drag, nullptr);
  TBodyFrame* attached = solver.MakeFixedFrame(&a, Frame2D(1, 0, 0), &c);
  EXPECT_EQ(attached->GetBodyFrame(), fc);
  EXPECT_EQ(solver.MakeFixedFrame(&a, Frame2D(), &c), attached);
}

TEST_F(AssemblySolver, NothingToSolveConvergesAtOnce) {
  TAssemblySolver* solver = nullptr;
  ASSERT_EQ(AssemblyCreate(1, solver), 0);
  int body = 0;
  solver->MakeBodyFrame(&body, Frame2D(1, 2, 3));
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  double error = -1;
  ASSERT_EQ(AssemblySolve(solver, nullptr, nullptr, 1e-9, records, count, pushed, error), 0);
  EXPECT_EQ(error, 0.0);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(records[0].owner, &body);
  EXPECT_EQ(records[0].world.x, 1.0);
  EXPECT_EQ(pushed, 1u);
  EXPECT_EQ(AssemblyFree(solver), 0);
  EXPECT_EQ(AssemblySolve(nullptr, nullptr, nullptr, 1e-9, records, count, pushed, error), -108);
  EXPECT_EQ(error, 1e-9 + 1.0);
}

// A ladder of four-bar loops, each a parallelogram of unit rockers on pivots 2 apart and a
// coupler of length 2 between their tips, the first rocker held at 60 degrees: 6n + 3 equations
// on as many unknowns. Fifty loops are far beyond what dense rows could hold.
TEST_F(AssemblySolver, ALadderOfFiftyFourBarLoopsAssembles) {
  constexpr int kLoops = 50;
  const double theta = kPi / 3;
  constexpr double d = 0.02;  // every body moved from its place, as an edit leaves it
  int ground = 0;
  std::vector<int> rockers(kLoops + 1);
  std::vector<int> couplers(kLoops);
  TAssemblySolver solver;
  solver.MakeFixedFrame(&ground, Frame2D(), &ground);
  for (int i = 0; i <= kLoops; ++i)
    solver.MakeBodyFrame(&rockers[i], Frame2D(2.0 * i + d, -d, theta + d));
  for (int i = 0; i < kLoops; ++i)
    solver.MakeBodyFrame(&couplers[i],
                         Frame2D(2.0 * i + std::cos(theta) - d, std::sin(theta) + d, -d));
  auto pin = [&solver](const void* reference, const TVector& at, const void* body,
                       const TVector& local) {
    solver.AddPlacement(solver.AddCoincident(&solver, reference, at), body, TVector3(local));
  };
  for (int i = 0; i <= kLoops; ++i)
    pin(&ground, {2.0 * i, 0.0}, &rockers[i], {0.0, 0.0});
  for (int i = 0; i < kLoops; ++i) {
    pin(&rockers[i], {1.0, 0.0}, &couplers[i], {0.0, 0.0});
    pin(&rockers[i + 1], {1.0, 0.0}, &couplers[i], {2.0, 0.0});
  }
  solver.AddAngleLock(&rockers[0], Frame2D(), theta);

  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  const double error = solver.Solve(nullptr, nullptr, 1e-10, records, count, pushed);
  EXPECT_LE(error, 1e-10);
  EXPECT_EQ(solver.EquationCount(), 6 * kLoops + 3);
  ASSERT_EQ(count, 2 * kLoops + 2);
  // Every rocker turns with the first, every coupler stays level between their tips.
  for (int i = 0; i <= kLoops; ++i) {
    const Frame2D& rocker = records[i].world;
    EXPECT_NEAR(rocker.x, 2.0 * i, 1e-9) << i;
    EXPECT_NEAR(rocker.angle, theta, 1e-8) << i;
  }
  for (int i = 0; i < kLoops; ++i) {
    const Frame2D& coupler = records[kLoops + 1 + i].world;
    EXPECT_NEAR(coupler.x, 2.0 * i + std::cos(theta), 1e-9) << i;
    EXPECT_NEAR(coupler.y, std::sin(theta), 1e-9) << i;
  }
}

TEST_F(AssemblySolver, FourBarLinkageAssemblesFromAPerturbedStart) {
  FourBar linkage;
  TAssemblySolver solver;
  linkage.Build(solver, 0.05);
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  std::vector<double> errors;
  const double error = solver.Solve(Collect, &errors, 1e-10, records, count, pushed);
  EXPECT_LE(error, 1e-10);
  // Newton: a few steps, each error far below the one before.
  ASSERT_GE(errors.size(), 2u);
  EXPECT_LE(errors.size(), 8u);
  EXPECT_GT(errors.front(), 0.01);
  for (size_t i = 2; i < errors.size(); ++i)
    EXPECT_LT(errors[i], 0.5 * errors[i - 1]);
  EXPECT_EQ(solver.EquationCount(), 9);
  ASSERT_EQ(count, 4);  // three bodies, then the ground
  EXPECT_EQ(records[3].owner, &linkage.ground);
  const Frame2D crank = records[0].world;
  const Frame2D coupler = records[1].world;
  const Frame2D rocker = records[2].world;
  EXPECT_NEAR(crank.x, 0.0, 1e-10);
  EXPECT_NEAR(crank.angle, linkage.theta, 1e-10);
  EXPECT_NEAR(coupler.x, linkage.b.x, 1e-10);
  EXPECT_NEAR(coupler.y, linkage.b.y, 1e-10);
  const TVector couplerEnd = coupler.TransformPoint({2.0, 0.0});
  EXPECT_NEAR(couplerEnd.x, linkage.c.x, 1e-10);
  EXPECT_NEAR(couplerEnd.y, linkage.c.y, 1e-10);
  EXPECT_NEAR(rocker.TransformPoint({1.5, 0.0}).y, linkage.c.y, 1e-10);
  EXPECT_NEAR(rocker.x, 2.0, 1e-10);
}

TEST_F(AssemblySolver, IterationLimitsFollowTheEquationCount) {
  int body = 0;
  TAssemblySolver one;
  one.AddXLock(&body, Frame2D(), 1.0);
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  one.Solve(nullptr, nullptr, 1e-9, records, count, pushed);
  EXPECT_EQ(one.IterationLimit(), 5);
  EXPECT_EQ(one.HistorySize(), 4);
  EXPECT_EQ(records[0].world.x, 1.0);  // the lock snapped the body

  TAssemblySolver ten;
  int owners[5] = {};
  for (int& owner : owners) {
    ten.AddXLock(&owner, Frame2D(), 1.0);
    ten.AddYLock(&owner, Frame2D(), 2.0);
  }
  ten.Solve(nullptr, nullptr, 1e-9, records, count, pushed);
  EXPECT_EQ(ten.IterationLimit(), 300);
  EXPECT_EQ(ten.HistorySize(), 75);
}

TEST_F(AssemblySolver, AngleStepsBeyondAHalfTurnAreWrappedOneWayOnly) {
  for (const double start : {3 * kPi / 2, -3 * kPi / 2}) {
    TAssemblySolver solver;
    int ground = 0, body = 0;
    solver.MakeFixedFrame(&ground, Frame2D(), &ground);
    TBodyFrame* frame = solver.MakeBodyFrame(&body, Frame2D(0, 0, start));
    auto same = std::make_unique<TSameAngle>(&solver, solver.FindFrame(&ground), TVector3(0, 0, 0));
    same->AddPlacement(frame, {0, 0, 0});
    solver.Adopt(std::move(same));
    TFrameRecord* records = nullptr;
    int32_t count = 0;
    uint32_t pushed = 0;
    solver.Solve(StopAfterOne, nullptr, 1e-9, records, count, pushed);
    // A step of 3 pi / 2 becomes -pi / 2, so the body turns by +pi / 2 past its goal; a step of
    // -3 pi / 2 is kept and the body turns by +3 pi / 2 onto it.
    EXPECT_NEAR(frame->GetWorldFrame().angle, start > 0 ? 2 * kPi : 0.0, 1e-12) << start;
  }
}

TEST_F(AssemblySolver, UnreachableGoalsEndTheSolveInsteadOfLoopingOrSpoilingFrames) {
  // Two bodies held 10 apart by a rod of length 1 and by locks that keep them where they are:
  // Newton cannot satisfy both, and without a driver the iteration limit ends the solve.
  TAssemblySolver solver;
  int a = 0, b = 0;
  solver.AddXLock(&a, Frame2D(), 0.0);
  solver.AddYLock(&a, Frame2D(), 0.0);
  solver.AddXLock(&b, Frame2D(10, 0, 0), 10.0);
  solver.AddYLock(&b, Frame2D(10, 0, 0), 0.0);
  TAssemblyConstraint* rod = solver.AddDistance(&solver, 1.0);
  solver.AddPlacement(rod, &a, {0, 0, 0});
  solver.AddPlacement(rod, &b, {0, 0, 0});
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  const double error = solver.Solve(nullptr, nullptr, 1e-9, records, count, pushed);
  EXPECT_GT(error, 1.0);
  EXPECT_TRUE(std::isfinite(solver.BodyFrameAt(1)->GetWorldFrame().x));

  // A body at an undefined place: the error is not a number, never convergence, and the step
  // that would spread it to the other body is not taken.
  TAssemblySolver undefined;
  int c = 0, d = 0;
  undefined.MakeBodyFrame(&c, Frame2D(std::nan(""), 0, 0));
  undefined.MakeBodyFrame(&d, Frame2D(3, 0, 0));
  TAssemblyConstraint* link = undefined.AddDistance(&undefined, 1.0);
  undefined.AddPlacement(link, &c, {0, 0, 0});
  undefined.AddPlacement(link, &d, {0, 0, 0});
  EXPECT_TRUE(std::isnan(undefined.Solve(nullptr, nullptr, 1e-9, records, count, pushed)));
  EXPECT_EQ(pushed, 0u);
  EXPECT_EQ(undefined.BodyFrameAt(1)->GetWorldFrame().x, 3.0);
}

TEST_F(AssemblyDrags, FrameDragStepRules) {
  TBodyFrame frame(nullptr, Frame2D(1, 1, 0));
  TSlideDrag slide(&frame, {0, 0}, {1, 0});
  EXPECT_TRUE(slide.SetMouse({3, 4}));
  EXPECT_TRUE(slide.ApplyToFrame());
  EXPECT_EQ(frame.GetWorldFrame().x, 4.0);
  EXPECT_EQ(frame.GetWorldFrame().y, 1.0);
  EXPECT_EQ(frame.GetWorldFrame().angle, 0.0);
  EXPECT_FALSE(slide.SetMouse({3, 4}));

  // requested 1.0, current 0.5: the next value tried is 0.75.
  TSlideDrag advance(&frame, {0, 0}, {1, 0});
  advance.SetMouse({1, 0});
  advance.TryValue(0.5);
  ASSERT_EQ(advance.Requested(), 1.0);
  EXPECT_TRUE(advance.Advance(1e-9));
  EXPECT_EQ(advance.Accepted(), 0.5);
  EXPECT_EQ(advance.Current(), 0.75);

  // accepted 0.0, current 0.5: a retreat tries 0.125.
  TSlideDrag retreat(&frame, {0, 0}, {1, 0});
  retreat.SetMouse({0.5, 0});
  ASSERT_EQ(retreat.Current(), 0.5);
  EXPECT_TRUE(retreat.Retreat(1e-9));
  EXPECT_EQ(retreat.Current(), 0.125);
  EXPECT_EQ(retreat.Requested(), 0.5);
  retreat.Accept();
  EXPECT_FALSE(retreat.Retreat(1e-9));

  // Circling the pivot past the half turn keeps the value continuous.
  TBodyFrame turning(nullptr, Frame2D());
  TRotateDrag rotate(&turning, {1, 0}, {0, 0});
  for (int step = 1; step <= 12; ++step) {
    const double a = step * kPi / 4;
    rotate.SetMouse({std::cos(a), std::sin(a)});
    rotate.Accept();
    while (rotate.Advance(1e-9)) rotate.Accept();
    EXPECT_NEAR(rotate.Accepted(), a, 1e-9) << step;
  }
  EXPECT_NEAR(UnwrapAngle(-0.1, 2 * kPi - 0.2), 2 * kPi - 0.1, 1e-12);
}

TEST_F(AssemblyDrags, PointDragDropsTheAngleHoldThenGoesLoose) {
  TBodyFrame frame(nullptr, Frame2D(0, 0, 0));
  frame.SetIndex(0);
  TPointDrag drag(&frame, {1, 0}, 0.5);
  EXPECT_EQ(drag.EquationCount(), 3);
  EXPECT_TRUE(drag.SetMouse({2, 0}));
  EXPECT_FALSE(drag.SetMouse({5, 0}));  // ignored until accepted
  drag.Accept();
  EXPECT_TRUE(drag.SetMouse({3, 0}));
  ASSERT_TRUE(drag.Retreat(1e-9));
  EXPECT_FALSE(drag.IsExact());
  EXPECT_FALSE(drag.HoldsAngle());
  double reach = 0, floor = 0, gap = 0;
  drag.GetDragValues(reach, floor, gap);
  EXPECT_EQ(gap, 2.0);
  EXPECT_EQ(reach, 1.5);  // three quarters of the gap
  drag.Accept();
  // Loose mode ignores moves of at most 4 x size in both coordinates.
  EXPECT_FALSE(drag.SetMouse({4.9, -1.9}));
  EXPECT_TRUE(drag.SetMouse({5.1, 0}));

  TFixedBodyFrame fixed(nullptr, Frame2D());
  TPointDrag onFixed(&fixed, {0, 0}, 0.01);
  EXPECT_THROW(onFixed.ShouldDrop(1e-9), QVException);
}

TEST_F(AssemblyDrags, ADraggedCrankPullsTheLinkageAlong) {
  FourBar linkage;
  // Replace the crank lock by a drag of the crank tip towards a point the crank can reach.
  TAssemblySolver dragged;
  dragged.MakeFixedFrame(&linkage.ground, Frame2D(), &linkage.ground);
  dragged.MakeBodyFrame(&linkage.crank, Frame2D(0, 0, linkage.theta));
  dragged.MakeBodyFrame(&linkage.coupler, Frame2D(linkage.b.x, linkage.b.y,
                                                  std::atan2(linkage.c.y - linkage.b.y,
                                                             linkage.c.x - linkage.b.x)));
  dragged.MakeBodyFrame(&linkage.rocker,
                        Frame2D(2, 0, std::atan2(linkage.c.y, linkage.c.x - 2.0)));
  FourBar::Pin(dragged, &linkage.ground, {0, 0}, &linkage.crank, {0, 0});
  FourBar::Pin(dragged, &linkage.crank, {0.5, 0}, &linkage.coupler, {0, 0});
  FourBar::Pin(dragged, &linkage.coupler, {2, 0}, &linkage.rocker, {1.5, 0});
  FourBar::Pin(dragged, &linkage.ground, {2, 0}, &linkage.rocker, {0, 0});
  TDragController* drag = dragged.AddPointDrag(&linkage.crank, Frame2D(), {0.5, 0}, 0.001);
  ASSERT_EQ(AssemblyNewMousePoint(&dragged, drag, {0.0, 0.5}), 0);
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  double error = 0;
  ASSERT_EQ(AssemblySolve(&dragged, nullptr, nullptr, 1e-10, records, count, pushed, error), 0);
  EXPECT_LE(error, 1e-10);
  const Frame2D crank = records[0].world;
  EXPECT_NEAR(crank.TransformPoint({0.5, 0}).x, 0.0, 1e-8);
  EXPECT_NEAR(crank.TransformPoint({0.5, 0}).y, 0.5, 1e-8);
  // The loop still closes.
  const TVector end = records[1].world.TransformPoint({2, 0});
  const TVector rockerEnd = records[2].world.TransformPoint({1.5, 0});
  EXPECT_NEAR(end.x, rockerEnd.x, 1e-9);
  EXPECT_NEAR(end.y, rockerEnd.y, 1e-9);
}
