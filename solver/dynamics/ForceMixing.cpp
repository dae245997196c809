#include "solver/dynamics/ForceMixing.h"

#include <algorithm>

#include <Eigen/Cholesky>

namespace yb::dynamics {

void ForceMixing::Add(const Eigen::VectorXd& x, const Eigen::VectorXd& g, Eigen::VectorXd& next) {
  const int n = static_cast<int>(x.size());
  if (rounds_ > 0 && lastResult_.size() != n) rounds_ = 0;
  if (dResults_.rows() != n) {
    dResults_.resize(n, kDepth);
    dResiduals_.resize(n, kDepth);
  }
  residual_ = g - x;
  if (rounds_ > 0) {
    const int column = (rounds_ - 1) % kDepth;
    dResults_.col(column) = g - lastResult_;
    dResiduals_.col(column) = residual_ - lastResidual_;
  }
  lastResult_ = g;
  lastResidual_ = residual_;
  const int depth = std::min(rounds_, kDepth);
  ++rounds_;
  next = g;
  if (depth == 0) return;
  // The weights w that make the residual less the residuals' differences times w smallest; the
  // next x is the result less the results' differences times the same w. The normal equations
  // are at most kDepth square, their diagonal lifted a little for differences that repeat.
  using Small = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, kDepth, kDepth>;
  using SmallVector = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, kDepth, 1>;
  const auto dResiduals = dResiduals_.leftCols(depth);
  Small normal = dResiduals.transpose() * dResiduals;
  const SmallVector right = dResiduals.transpose() * residual_;
  const double lift = 1e-12 * normal.trace();
  if (!(lift > 0)) return;
  normal.diagonal().array() += lift;
  const SmallVector weights = normal.ldlt().solve(right);
  if (!weights.allFinite()) return;
  next.noalias() -= dResults_.leftCols(depth) * weights;
}

}  // namespace yb::dynamics
