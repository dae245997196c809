// Large assembly systems: the smallest-norm least-squares answer of J x = r through the normal
// equations of the rows, (J J^T + s I) y = r and x = J^T y, factorised sparse.

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "solver/geometry/GeometryEntry.h"

namespace {

using SparseRows = Eigen::SparseMatrix<double, Eigen::RowMajor>;

// The shift, relative to the largest squared row norm: small enough that the answer differs from
// the exact one only in digits the refinement gives back, large enough that dependent rows leave
// the factorisation positive definite.
constexpr double kRelativeShift = 1e-13;

int32_t Build(const int32_t* rowStarts, const int32_t* columns, const double* values,
              int32_t rowCount, int32_t colCount, SparseRows& j) {
  std::vector<Eigen::Triplet<double>> entries;
  if (rowStarts[0] != 0) return kGeometryBadArgument;
  for (int32_t i = 0; i < rowCount; ++i) {
    if (rowStarts[i + 1] < rowStarts[i]) return kGeometryBadArgument;
    for (int32_t k = rowStarts[i]; k < rowStarts[i + 1]; ++k) {
      if (columns[k] < 0 || columns[k] >= colCount) return kGeometryBadArgument;
      if (!std::isfinite(values[k])) return kGeometryNotFinite;
      entries.emplace_back(i, columns[k], values[k]);
    }
  }
  j.resize(rowCount, colCount);
  j.setFromTriplets(entries.begin(), entries.end());  // repeated entries are summed
  return kGeometryOk;
}

}  // namespace

int32_t sparse_least_squares(const int32_t* rowStarts, const int32_t* columns, const double* values,
                             const double* rhs, int32_t rowCount, int32_t colCount,
                             double* solution) {
  if (rowCount < 0 || colCount < 0 || (colCount > 0 && solution == nullptr)) {
    return kGeometryBadArgument;
  }
  std::fill(solution, solution + colCount, 0.0);
  if (rowCount == 0 || colCount == 0) return kGeometryOk;
  if (rowStarts == nullptr || rhs == nullptr ||
      (rowStarts[rowCount] > 0 && (columns == nullptr || values == nullptr))) {
    return kGeometryBadArgument;
  }
  try {
    SparseRows j;
    if (const int32_t status = Build(rowStarts, columns, values, rowCount, colCount, j);
        status != kGeometryOk) {
      return status;
    }
    Eigen::VectorXd r(rowCount);
    for (int32_t i = 0; i < rowCount; ++i) {
      if (!std::isfinite(rhs[i])) return kGeometryNotFinite;
      r(i) = rhs[i];
    }
    Eigen::SparseMatrix<double> normal = j * j.transpose();
    double scale = 0.0;
    for (int32_t i = 0; i < rowCount; ++i)
      scale = std::max(scale, normal.coeff(i, i));
    if (!(scale > 0.0)) return kGeometryOk;  // no row holds a coefficient: nothing moves
    for (int32_t i = 0; i < rowCount; ++i)
      normal.coeffRef(i, i) += kRelativeShift * scale;
    const Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> factor(normal);
    if (factor.info() != Eigen::Success) return kGeometryNotFinite;
    Eigen::VectorXd x = j.transpose() * factor.solve(r);
    // One refinement pass: the part of the right side that the shift left unanswered.
    const Eigen::VectorXd left = r - j * x;
    x += j.transpose() * factor.solve(left);
    if (!x.allFinite()) return kGeometryNotFinite;
    for (int32_t k = 0; k < colCount; ++k)
      solution[k] = x(k);
    return kGeometryOk;
  } catch (const std::bad_alloc&) {
    return kGeometryBadArgument;
  }
}
