// The dense linear system of one assembly pass, solved by the solver library's least-squares
// elimination.

#include <algorithm>

#include "bodies/assembly/AssemblyGeometry.h"
#include "core/Failure.h"
#include "solver/geometry/GeometryEntry.h"

void LinearSystem::Allocate(int32_t colCount, int32_t rowCount) {
  matrix_.clear();
  rows_.clear();
  rhs_.clear();
  solution_.clear();
  pivots_.clear();
  rowCount_ = rowCount;
  colCount_ = colCount;
  cursor_ = 0;
  if (colCount < 0 || rowCount < 0) {
    rowCount_ = colCount_ = 0;
    return;
  }
  // In 64 bits, so that a large count cannot wrap below the limit.
  const int64_t bytes = (int64_t{colCount} * 8 + 4) * int64_t{rowCount};
  if (bytes >= kLinearSystemByteLimit) {
    rowCount_ = colCount_ = 0;
    ThrowFailure(kErrOutOfMemory, 0);
  }
  matrix_.assign(static_cast<size_t>(rowCount) * static_cast<size_t>(colCount), 0.0);
  rows_.resize(static_cast<size_t>(rowCount));
  for (int32_t i = 0; i < rowCount; ++i)
    rows_[static_cast<size_t>(i)] = matrix_.data() + static_cast<size_t>(i) * colCount;
  rhs_.assign(static_cast<size_t>(rowCount), 0.0);
  solution_.assign(static_cast<size_t>(colCount), 0.0);
  pivots_.assign(static_cast<size_t>(colCount), 0);
}

void LinearSystem::Clear() {
  std::fill(matrix_.begin(), matrix_.end(), 0.0);
  std::fill(rhs_.begin(), rhs_.end(), 0.0);
  cursor_ = 0;
}

void LinearSystem::GetRow(int32_t row, double*& coefficients, double*& rhs) {
  if (rowCount_ <= 0) {
    coefficients = nullptr;
    rhs = nullptr;
    return;
  }
  row = std::clamp(row, 0, rowCount_ - 1);
  coefficients = rows_[static_cast<size_t>(row)];
  rhs = &rhs_[static_cast<size_t>(row)];
}

int32_t LinearSystem::NextRow(double*& coefficients, double*& rhs) {
  if (rowCount_ <= 0) {
    coefficients = nullptr;
    rhs = nullptr;
    return -1;
  }
  if (cursor_ >= rowCount_) cursor_ = rowCount_ - 1;
  GetRow(cursor_, coefficients, rhs);
  return cursor_++;
}

int32_t LinearSystem::NextRowCoefficients(double*& coefficients) {
  double* rhs = nullptr;
  return NextRow(coefficients, rhs);
}

int32_t LinearSystem::NextRowRightSide(double*& rhs) {
  double* coefficients = nullptr;
  return NextRow(coefficients, rhs);
}

const double* LinearSystem::Solve() {
  // A stale answer must never move a body: start from zero whatever the library leaves.
  std::fill(solution_.begin(), solution_.end(), 0.0);
  if (rowCount_ == 0 || colCount_ == 0) return solution_.data();
  int32_t rank = rowCount_;
  int32_t cursor = rowCount_;
  gaussjfull(rows_.data(), rhs_.data(), pivots_.data(), rowCount_, colCount_, &rank, &cursor, 0);
  gaussback(rows_.data(), solution_.data(), rhs_.data(), pivots_.data(), rowCount_, colCount_,
            cursor);
  cursor_ = cursor;
  return solution_.data();
}
