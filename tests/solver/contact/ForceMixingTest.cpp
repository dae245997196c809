// The mixing of friction rounds reaches the fixed point of an affine map in a few rounds where
// plain rounds creep towards it or swing away from it.

#include <gtest/gtest.h>

#include <cmath>

#include <Eigen/Dense>

#include "solver/dynamics/ForceMixing.h"

namespace yb::dynamics {
namespace {

// x <- A x + b, with A symmetric of the given eigenvalues in a turned basis.
struct AffineMap {
  Eigen::MatrixXd a;
  Eigen::VectorXd b;
  explicit AffineMap(const Eigen::VectorXd& eigenvalues) {
    const int n = static_cast<int>(eigenvalues.size());
    Eigen::MatrixXd spread(n, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        spread(i, j) = std::sin(7.0 * i + 3.0 * j + 1.0);
    const Eigen::MatrixXd turn = Eigen::HouseholderQR<Eigen::MatrixXd>(spread).householderQ();
    a = turn * eigenvalues.asDiagonal() * turn.transpose();
    b = Eigen::VectorXd::LinSpaced(n, 1.0, 2.0);
  }
  Eigen::VectorXd operator()(const Eigen::VectorXd& x) const { return a * x + b; }
};

// Rounds from zero until the residual is below `tolerance`; how many it took, or `most`.
int Rounds(const AffineMap& map, bool mixed, double tolerance, int most) {
  ForceMixing mixing;
  Eigen::VectorXd x = Eigen::VectorXd::Zero(map.b.size()), next;
  for (int round = 1; round <= most; ++round) {
    const Eigen::VectorXd g = map(x);
    if ((g - x).norm() <= tolerance) return round;
    if (mixed) {
      mixing.Add(x, g, next);
      x = next;
    } else {
      x = g;
    }
  }
  return most;
}

TEST(ForceMixing, ReachesTheFixedPointWherePlainRoundsCreepOrSwing) {
  // One direction contracting barely, one swinging away, the rest quickly settling.
  Eigen::VectorXd eigenvalues(6);
  eigenvalues << 0.98, -1.5, 0.3, 0.1, 0.0, 0.0;
  const AffineMap map(eigenvalues);
  EXPECT_EQ(Rounds(map, false, 1e-10, 200), 200);
  EXPECT_LE(Rounds(map, true, 1e-10, 200), 12);
}

// The rounds before a reset, or of another size, belong to another map: the first round after
// either is a plain one.
TEST(ForceMixing, StartsAgainAfterAResetOrForAnotherSize) {
  Eigen::VectorXd eigenvalues(3);
  eigenvalues << 0.9, 0.5, -0.5;
  const AffineMap map(eigenvalues);
  ForceMixing mixing;
  Eigen::VectorXd x = Eigen::VectorXd::Zero(3), next;
  for (int round = 0; round < 3; ++round, x = next)
    mixing.Add(x, map(x), next);
  mixing.Reset();
  const Eigen::VectorXd y = Eigen::VectorXd::Constant(3, 7.0);
  mixing.Add(y, map(y), next);
  EXPECT_EQ(next, map(y));
  const Eigen::VectorXd z = Eigen::VectorXd::Ones(5);
  mixing.Add(z, 2 * z, next);
  EXPECT_EQ(next, 2 * z);
}

}  // namespace
}  // namespace yb::dynamics
