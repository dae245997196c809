// Frames, placements, the linear system and the assembly conditions: every condition's Jacobian
// rows are checked against central differences of its own residuals.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "bodies/assembly/AssemblyConstraints.h"
#include "bodies/assembly/DragControllers.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "core/geometry/FloatOps.h"
#include "solver/geometry/SplineEntry.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Body frames numbered as the solver numbers them.
struct Bodies {
  std::vector<std::unique_ptr<TBodyFrame>> frames;
  TBodyFrame* Add(const Frame2D& frame) {
    frames.push_back(std::make_unique<TBodyFrame>(this + frames.size(), frame));
    frames.back()->SetIndex(static_cast<int32_t>(frames.size()) - 1);
    return frames.back().get();
  }
};

std::vector<double> Residuals(TAssemblyConstraint& c, LinearSystem& system) {
  system.Clear();
  c.Invalidate();
  c.WriteResiduals(&system);
  std::vector<double> r;
  for (int32_t i = 0; i < system.RowCount(); ++i) {
    SparseRow* row = nullptr;
    double* rhs = nullptr;
    system.GetRow(i, row, rhs);
    r.push_back(*rhs);
  }
  return r;
}

std::vector<std::vector<double>> Jacobian(TAssemblyConstraint& c, LinearSystem& system) {
  Residuals(c, system);
  system.Rewind();
  c.WriteJacobian(system);
  std::vector<std::vector<double>> rows;
  for (int32_t i = 0; i < system.RowCount(); ++i) {
    SparseRow* row = nullptr;
    double* rhs = nullptr;
    system.GetRow(i, row, rhs);
    std::vector<double> dense(static_cast<size_t>(system.ColCount()), 0.0);
    for (const SparseRow::Entry& entry : row->Entries())
      dense.at(static_cast<size_t>(entry.column)) += entry.value;
    rows.push_back(std::move(dense));
  }
  return rows;
}

// Compares every Jacobian entry with the central difference of the residual by that variable.
void ExpectRowsMatchResiduals(TAssemblyConstraint& c, Bodies& bodies) {
  const int32_t cols = 3 * static_cast<int32_t>(bodies.frames.size());
  LinearSystem system(cols, c.EquationCount());
  const auto rows = Jacobian(c, system);
  const double h = 1e-6;
  for (size_t b = 0; b < bodies.frames.size(); ++b) {
    for (int k = 0; k < 3; ++k) {
      TVector3 step{k == 0 ? h : 0.0, k == 1 ? h : 0.0, k == 2 ? h : 0.0};
      TBodyFrame& frame = *bodies.frames[b];
      const Frame2D start = frame.GetWorldFrame();
      frame.MoveBy(step);
      const auto plus = Residuals(c, system);
      frame.SetFrame(start);
      frame.MoveBy({-step.x, -step.y, -step.r});
      const auto minus = Residuals(c, system);
      frame.SetFrame(start);
      for (size_t i = 0; i < rows.size(); ++i) {
        const double numeric = (plus[i] - minus[i]) / (2 * h);
        EXPECT_NEAR(rows[i][3 * b + k], numeric, 1e-6) << "row " << i << " body " << b << " var "
                                                       << k;
      }
    }
  }
}

}  // namespace

TEST(AssemblyFrames, AttachedFramesFollowTheirParentAndPlacementsMoveWithIt) {
  TBodyFrame parent(nullptr, Frame2D(1.0, 2.0, 0.3));
  parent.SetIndex(4);
  TAttachedFrame attached(nullptr, Frame2D(1.0, 2.0, 0.3), &parent);
  const Frame2D relative = attached.GetRelativeFrame();
  EXPECT_NEAR(relative.x, 0.0, 1e-15);
  EXPECT_NEAR(relative.angle, 0.0, 1e-15);
  EXPECT_EQ(attached.GetIndex(), 4);
  parent.SetIndex(2);
  EXPECT_EQ(attached.GetIndex(), 2);

  TPlacement onAttached(&attached, 1.0, 0.0, 0.0);
  EXPECT_EQ(onAttached.Base(), &parent);
  const TVector before = onAttached.GetWorldPosition();
  EXPECT_NEAR(before.x, 1.0 + std::cos(0.3), 1e-12);

  parent.MoveBy({0.5, -1.0, 0.2});
  attached.Refresh();
  const Frame2D moved = attached.GetWorldFrame();
  EXPECT_NEAR(moved.x, 1.5, 1e-12);
  EXPECT_NEAR(moved.y, 1.0, 1e-12);
  EXPECT_NEAR(moved.angle, 0.5, 1e-12);
  onAttached.Invalidate();
  EXPECT_NEAR(onAttached.GetWorldPosition().x, 1.5 + std::cos(0.5), 1e-12);

  TWorldFrame world(nullptr, Frame2D(3.0, 0.0, 0.0));
  TPlacement onWorld(&world, 1.0, 1.0, 0.0);
  EXPECT_EQ(onWorld.Base(), nullptr);
  EXPECT_EQ(onWorld.GetBaseIndex(), -1);
  EXPECT_NEAR(onWorld.GetWorldPosition().x, 4.0, 1e-15);
}

TEST(AssemblyFrames, PlacementJacobianOnAQuarterTurnedBase) {
  TBodyFrame base(nullptr, Frame2D(5.0, 6.0, kPi / 2));
  TPlacement placement(&base, 1.0, 0.0, 0.0);
  const TVector3 jx = placement.JacobianX();
  const TVector3 jy = placement.JacobianY();
  EXPECT_NEAR(jx.x, 1.0, 1e-15);
  EXPECT_NEAR(jx.y, 0.0, 1e-15);
  EXPECT_NEAR(jx.r, -1.0, 1e-15);
  EXPECT_NEAR(jy.x, 0.0, 1e-15);
  EXPECT_NEAR(jy.y, 1.0, 1e-15);
  EXPECT_NEAR(jy.r, 0.0, 1e-15);
  EXPECT_TRUE(std::isnan(SafeSqrt(-1.0)));
  EXPECT_EQ(SafeSqrt(4.0), 2.0);
}

TEST(AssemblyLinearSystem, SizeLimitRowsAndSolution) {
  // Systems far beyond the dense rows of old are allocated; only a mechanism larger than any
  // world can number is refused, with a detail that names its size.
  EXPECT_NO_THROW(LinearSystem(82, 100));
  EXPECT_NO_THROW(LinearSystem(3 * 5000, 3 * 5000));
  FailureDetailText() = Str255();
  try {
    LinearSystem tooLarge(1 << 20, 1 << 12);
    FAIL() << "a system of a million unknowns was allocated";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrCannotAssemble);
    EXPECT_NE(std::string(FailureDetailText().AsCString()).find("too large"), std::string::npos);
  }
  FailureDetailText() = Str255();
  EXPECT_THROW(LinearSystem(6, (1 << 20) + 1), QVException);
  FailureDetailText() = Str255();

  LinearSystem empty(6, 0);
  SparseRow* row = nullptr;
  double* rhs = nullptr;
  EXPECT_EQ(empty.NextRow(row, rhs), -1);
  EXPECT_EQ(row, nullptr);
  EXPECT_EQ(rhs, nullptr);

  // Two rows, three unknowns: the smallest solution of x + y = 2, z = 3 is (1, 1, 3); the cursor
  // keeps handing out the last row once past the end.
  LinearSystem system(3, 2);
  EXPECT_EQ(system.NextRow(row, rhs), 0);
  (*row)[0] = (*row)[1] = 1.0;
  *rhs = 2.0;
  EXPECT_EQ(system.NextRow(row, rhs), 1);
  (*row)[2] = 1.0;
  *rhs = 3.0;
  SparseRow* again = nullptr;
  EXPECT_EQ(system.NextRow(again, rhs), 1);
  EXPECT_EQ(again, row);
  const double* x = system.Solve();
  EXPECT_NEAR(x[0], 1.0, 1e-12);
  EXPECT_NEAR(x[1], 1.0, 1e-12);
  EXPECT_NEAR(x[2], 3.0, 1e-12);
  // A system that becomes all zero answers zero, not the last solution.
  system.Clear();
  x = system.Solve();
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(x[2], 0.0);
}

// A system too large for dense rows: a chain of differences x[i+1] - x[i] = 1 for 3000
// unknowns, with one redundant copy of the first row and nothing fixing x[0]. The smallest
// solution is the chain centred on 0: x[i] = i - (n - 1) / 2.
TEST(AssemblyLinearSystem, LargeSystemsGetTheSmallestLeastSquaresSolution) {
  constexpr int32_t kUnknowns = 3000;
  LinearSystem system(kUnknowns, kUnknowns);
  SparseRow* row = nullptr;
  double* rhs = nullptr;
  for (int32_t i = 0; i + 1 < kUnknowns; ++i) {
    system.NextRow(row, rhs);
    (*row)[i + 1] += 1.0;
    (*row)[i] -= 1.0;
    *rhs = 1.0;
  }
  system.NextRow(row, rhs);
  (*row)[1] = 2.0;
  (*row)[0] = -2.0;
  *rhs = 2.0;
  const double* x = system.Solve();
  for (int32_t i = 0; i < kUnknowns; i += 499)
    EXPECT_NEAR(x[i], i - (kUnknowns - 1) / 2.0, 1e-7) << i;
}

TEST(AssemblyConstraints, EveryConditionsRowsAreTheDerivativesOfItsResiduals) {
  Bodies bodies;
  TBodyFrame* a = bodies.Add(Frame2D(0.3, -0.2, 0.4));
  TBodyFrame* b = bodies.Add(Frame2D(1.7, 0.9, -1.1));
  TBodyFrame* c = bodies.Add(Frame2D(-0.8, 2.1, 2.5));
  int owner = 0;

  TDistanceConstraint rod(&owner, 1.3);
  rod.AddPlacement(a, {0.5, 0.2, 0.0});
  rod.AddPlacement(b, {-0.3, 0.4, 0.0});
  ExpectRowsMatchResiduals(rod, bodies);

  TDistanceConstraint chain(&owner, 4.0);
  chain.AddPlacement(a, {0.5, 0.2, 0.0});
  chain.AddPlacement(b, {0.1, -0.3, 0.0});
  chain.AddPlacement(c, {0.2, 0.2, 0.0});
  ExpectRowsMatchResiduals(chain, bodies);

  TPointOnLine slot(&owner, a, {0.2, 0.1, 0.3});
  slot.AddPlacement(b, {0.4, -0.2, 0.0});
  slot.AddPlacement(c, {-0.1, 0.3, 0.0});
  ExpectRowsMatchResiduals(slot, bodies);

  TPointOnLineKeyed keyed(&owner, a, {0.2, 0.1, 0.3}, 2.0);
  keyed.AddPlacement(b, {0.4, -0.2, 0.5});
  ExpectRowsMatchResiduals(keyed, bodies);

  TSameAngle same(&owner, c, {0.0, 0.0, 0.2});
  same.AddPlacement(a, {0.0, 0.0, 0.0});
  ExpectRowsMatchResiduals(same, bodies);

  TCoincidentPoints pin(&owner, a, {0.6, -0.4, 0.0});
  pin.AddPlacement(b, {0.2, 0.3, 0.0});
  pin.AddPlacement(c, {-0.2, 0.1, 0.0});
  ExpectRowsMatchResiduals(pin, bodies);

  TCoincidentPointsKeyed weld(&owner, b, {0.6, -0.4, 0.1}, 3.0);
  weld.AddPlacement(c, {0.2, 0.3, -0.2});
  ExpectRowsMatchResiduals(weld, bodies);

  const double arc[] = {0.0, 0.0, 1.0, 0.5, 2.0, 0.4, 3.0, -0.2, 4.0, 0.1};
  void* spline = EngineNewSpline(0);
  ASSERT_EQ(EngineSetSplinePoints(spline, 5, arc), 0);
  TPointOnSpline curved(&owner, a, {0.1, 0.2, 0.3}, spline, 1e-12);
  curved.AddPlacement(b, {-1.1, 0.5, 0.0});
  ExpectRowsMatchResiduals(curved, bodies);

  TXLock x(b, 2.0);
  TYLock y(b, 2.0);
  TAngleLock angle(c, 1.0);
  ExpectRowsMatchResiduals(x, bodies);
  ExpectRowsMatchResiduals(y, bodies);
  ExpectRowsMatchResiduals(angle, bodies);

  TPointDrag drag(b, {0.3, -0.4}, 0.01);
  drag.SetMouse({3.0, 3.0});
  ExpectRowsMatchResiduals(drag, bodies);
  ASSERT_TRUE(drag.Retreat(1e-9));  // loose mode: one row, the squared distance
  ASSERT_FALSE(drag.IsExact());
  ExpectRowsMatchResiduals(drag, bodies);
}

TEST(AssemblyConstraints, RopesLocksAndKeyedAngles) {
  Bodies bodies;
  TBodyFrame* a = bodies.Add(Frame2D(0.0, 0.0, 0.0));
  TBodyFrame* b = bodies.Add(Frame2D(1.0, 0.0, 2 * kPi + 0.1));
  int owner = 0;

  TMaxDistanceConstraint rope(&owner, 2.0);
  rope.AddPlacement(a, {0.0, 0.0, 0.0});
  rope.AddPlacement(b, {0.0, 0.0, 0.0});
  LinearSystem system(6, 1);
  const auto slack = Jacobian(rope, system);
  EXPECT_EQ(rope.WriteResiduals(&system), 0.0);
  for (double v : slack[0])
    EXPECT_EQ(v, 0.0);
  b->SetFrame(Frame2D(3.0, 0.0, 2 * kPi + 0.1));
  rope.Invalidate();
  system.Clear();
  EXPECT_DOUBLE_EQ(rope.WriteResiduals(&system), 1.0);

  // Grips at one place have no direction to pull along: a zero row, never NaN.
  b->SetFrame(Frame2D(3.0, 0.0, 0.0));
  TDistanceConstraint together(&owner, 1.0);
  together.AddPlacement(a, {0.0, 0.0, 0.0});
  together.AddPlacement(b, {-3.0, 0.0, 0.0});
  LinearSystem togetherSystem(6, 1);
  const auto togetherRows = Jacobian(together, togetherSystem);
  for (double v : togetherRows[0])
    EXPECT_EQ(v, 0.0);
  b->SetFrame(Frame2D(3.0, 0.0, 2 * kPi + 0.1));

  // One grip: no error, one zero row, dropped when owned.
  TDistanceConstraint lonely(&owner, 1.0);
  lonely.AddPlacement(a, {0.0, 0.0, 0.0});
  EXPECT_EQ(lonely.EquationCount(), 1);
  EXPECT_EQ(lonely.WriteResiduals(&system), 0.0);
  EXPECT_TRUE(lonely.ShouldDrop(1e-9));

  TPointOnLineKeyed keyed(&owner, a, {0.0, 0.0, 0.0}, 5.0);
  keyed.AddPlacement(b, {0.0, 0.0, 0.0});
  LinearSystem keyedSystem(6, keyed.EquationCount());
  EXPECT_NEAR(Residuals(keyed, keyedSystem)[0], -0.1 * 5.0, 1e-12);

  b->SetFrame(Frame2D(3.0, 4.0, 0.7));
  TXLock lock(b, 5.0);
  LinearSystem lockSystem(6, 1);
  EXPECT_DOUBLE_EQ(Residuals(lock, lockSystem)[0], -2.0);
  EXPECT_TRUE(lock.Snap());
  EXPECT_EQ(b->GetWorldFrame().x, 5.0);
  EXPECT_EQ(b->GetWorldFrame().angle, 0.7);

  // A point exactly on the axis: no residual, and the row leans along the axis normal.
  TPointOnLine line(&owner, a, {0.0, 0.0, kPi / 2});
  line.AddPlacement(b, {-5.0, 0.0, 0.0});
  b->SetFrame(Frame2D(5.0, 0.0, 0.0));
  LinearSystem lineSystem(6, 1);
  const auto lineRows = Jacobian(line, lineSystem);
  EXPECT_NEAR(Residuals(line, lineSystem)[0], 0.0, 1e-15);
  EXPECT_NEAR(lineRows[0][3], -1.0, 1e-15);
  EXPECT_NEAR(lineRows[0][4], 0.0, 1e-15);
}

TEST(AssemblyConstraints, ImmovableConditionsAreDroppedOrRefused) {
  Bodies bodies;
  TBodyFrame* a = bodies.Add(Frame2D(0.0, 0.0, 0.0));
  TBodyFrame* b = bodies.Add(Frame2D(2.0, 0.0, 0.0));
  int owner = 0;

  TCoincidentPoints pin(&owner, a, {0.0, 0.0, 0.0});
  pin.AddPlacement(b, {0.0, 0.0, 0.0});
  pin.AddPlacement(b, {1.0, 0.0, 0.0});
  pin.AddPlacement(a, {1.0, 0.0, 0.0});  // on the reference's body: dropped
  EXPECT_FALSE(pin.IsImmovable());
  ASSERT_EQ(pin.PlacementCount(), 1);
  EXPECT_EQ(pin.PlacementAt(0).Local().x, 1.0);

  TFixedBodyFrame fixedA(nullptr, Frame2D(0.0, 0.0, 0.0));
  TFixedBodyFrame fixedB(nullptr, Frame2D(1.0, 0.0, 0.0));
  TDistanceConstraint violated(nullptr, 3.0);
  violated.AddPlacement(&fixedA, {0.0, 0.0, 0.0});
  violated.AddPlacement(&fixedB, {0.0, 0.0, 0.0});
  // Without a system the distance reports no error, so only conditions that report it refuse.
  EXPECT_FALSE(violated.ShouldDrop(1e-9));
  // Two points fixed in the world that do not coincide: nothing can move to join them.
  TWorldFrame worldA(nullptr, Frame2D(0.0, 0.0, 0.0));
  TWorldFrame worldB(nullptr, Frame2D(1.0, 0.0, 0.0));
  TCoincidentPoints apart(nullptr, &worldA, {0.0, 0.0, 0.0});
  apart.AddPlacement(&worldB, {0.0, 0.0, 0.0});
  try {
    apart.ShouldDrop(1e-9);
    FAIL() << "a violated condition between fixed bodies was accepted";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrCannotAssemble);
    EXPECT_EQ(failure.message(), kMsgCannotAssemble);
  }
}
