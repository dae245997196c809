// The assembly solver's linear systems, solved by a complete orthogonal decomposition: the
// least-squares answer of smallest norm, whatever the shape and rank of the matrix.

#include <Eigen/Dense>
#include <cmath>
#include <new>

#include "solver/geometry/GeometryEntry.h"

namespace {

using Matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Copies the first `rows` rows; answers 0 or a code.
int32_t Gather(double** rowPointers, const double* rhs, int32_t rows, int32_t cols, Matrix& a,
               Eigen::VectorXd& b) {
  a.resize(rows, cols);
  b.resize(rows);
  for (int32_t i = 0; i < rows; ++i) {
    if (rowPointers[i] == nullptr) return kGeometryBadArgument;
    for (int32_t k = 0; k < cols; ++k) {
      const double value = rowPointers[i][k];
      if (!std::isfinite(value)) return kGeometryNotFinite;
      a(i, k) = value;
    }
    if (!std::isfinite(rhs[i])) return kGeometryNotFinite;
    b(i) = rhs[i];
  }
  return kGeometryOk;
}

bool BadShape(double** rows, const double* rhs, int32_t rowCount, int32_t colCount) {
  return rowCount < 0 || colCount < 0 || (rowCount > 0 && (rows == nullptr || rhs == nullptr));
}

}  // namespace

int32_t gaussjfull(double** rows, double* rhs, int32_t* pivots, int32_t rowCount, int32_t colCount,
                   int32_t* rank, int32_t* cursor, int32_t flags) {
  if (BadShape(rows, rhs, rowCount, colCount) || flags != 0 ||
      (colCount > 0 && pivots == nullptr)) {
    return kGeometryBadArgument;
  }
  try {
    Matrix a;
    Eigen::VectorXd b;
    const int32_t status = Gather(rows, rhs, rowCount, colCount, a, b);
    if (status != kGeometryOk) return status;
    int32_t found = 0;
    if (rowCount > 0 && colCount > 0) {
      const Eigen::ColPivHouseholderQR<Matrix> qr(a);
      found = static_cast<int32_t>(qr.rank());
      const auto& order = qr.colsPermutation().indices();
      for (int32_t k = 0; k < colCount; ++k)
        pivots[k] = order[k];
    } else {
      for (int32_t k = 0; k < colCount; ++k)
        pivots[k] = k;
    }
    if (rank != nullptr) *rank = found;
    if (cursor != nullptr) *cursor = rowCount;
    return kGeometryOk;
  } catch (const std::bad_alloc&) {
    return kGeometryBadArgument;
  }
}

int32_t gaussback(double** rows, double* solution, double* rhs, int32_t* pivots, int32_t rowCount,
                  int32_t colCount, int32_t cursor) {
  (void)pivots;  // the decomposition chooses its own pivots again
  if (colCount < 0 || (colCount > 0 && solution == nullptr)) return kGeometryBadArgument;
  for (int32_t k = 0; k < colCount; ++k)
    solution[k] = 0.0;
  if (BadShape(rows, rhs, rowCount, colCount) || cursor < 0 || cursor > rowCount) {
    return kGeometryBadArgument;
  }
  if (cursor == 0 || colCount == 0) return kGeometryOk;
  try {
    Matrix a;
    Eigen::VectorXd b;
    const int32_t status = Gather(rows, rhs, cursor, colCount, a, b);
    if (status != kGeometryOk) return status;
    const Eigen::CompleteOrthogonalDecomposition<Matrix> cod(a);
    const Eigen::VectorXd x = cod.solve(b);
    if (!x.allFinite()) return kGeometryNotFinite;
    for (int32_t k = 0; k < colCount; ++k)
      solution[k] = x(k);
    return kGeometryOk;
  } catch (const std::bad_alloc&) {
    return kGeometryBadArgument;
  }
}
