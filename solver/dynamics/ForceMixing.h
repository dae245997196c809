#pragma once

#include <Eigen/Core>

namespace yb::dynamics {

// Speeds up a fixed-point iteration x <- G(x) whose map is affine while nothing switches: the
// friction rounds, where kinetic friction and friction bounds are made from the normal forces and
// the normal forces are solved again. Plain rounds converge only as fast as the map contracts,
// which in a heap whose friction presses its balls together is barely, or they swing to and fro
// for ever. Each round gives a pair (x, G(x)); the next x is the combination of the last few
// results whose residuals G(x) - x combine to the smallest (Anderson mixing). For an affine map
// with a few slow directions this reaches the fixed point in about as many rounds as there are
// such directions.
class ForceMixing {
 public:
  // Forgets the rounds so far: the map has changed (a manifold began to slide).
  void Reset() { rounds_ = 0; }
  // Adds a round: `x` went in, `g` came out. `next` receives the x to try next.
  void Add(const Eigen::VectorXd& x, const Eigen::VectorXd& g, Eigen::VectorXd& next);

  // How many earlier rounds the combination draws on.
  static constexpr int kDepth = 4;

 private:
  // The last round's result and residual, and the differences of consecutive rounds' results
  // and residuals, round r's in column r % kDepth.
  Eigen::VectorXd lastResult_, lastResidual_, residual_;
  Eigen::MatrixXd dResults_, dResiduals_;
  int rounds_ = 0;
};

}  // namespace yb::dynamics
