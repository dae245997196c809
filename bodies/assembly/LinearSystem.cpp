// The linear system of one assembly pass, solved by the solver library: small systems by its
// dense least-squares elimination, large ones by its sparse factorisation.

#include <algorithm>
#include <string>

#include "bodies/assembly/AssemblyConstraints.h"
#include "bodies/assembly/AssemblyGeometry.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "solver/geometry/GeometryEntry.h"

namespace {

// Names what is too large, for the alert that reports the failure.
[[noreturn]] void RefuseTooLarge(int32_t colCount, int32_t rowCount) {
  const std::string detail = "The mechanism is too large to assemble: " +
                             std::to_string(rowCount) + " conditions on " +
                             std::to_string(colCount / 3) + " moving bodies.";
  FailureDetailText() = Str255(detail.c_str());
  ThrowFailure(kErrCannotAssemble, 0);
}

}  // namespace

double& SparseRow::operator[](int64_t column) {
  for (Entry& entry : entries_) {
    if (entry.column == column) return entry.value;
  }
  entries_.push_back({static_cast<int32_t>(column), 0.0});
  return entries_.back().value;
}

void LinearSystem::Allocate(int32_t colCount, int32_t rowCount) {
  rows_.clear();
  rhs_.clear();
  solution_.clear();
  rowCount_ = 0;
  colCount_ = 0;
  cursor_ = 0;
  if (colCount < 0 || rowCount < 0) return;
  if (colCount > kMostAssemblyUnknowns || rowCount > kMostAssemblyEquations)
    RefuseTooLarge(colCount, rowCount);
  try {
    rows_.resize(static_cast<size_t>(rowCount));
    rhs_.assign(static_cast<size_t>(rowCount), 0.0);
    solution_.assign(static_cast<size_t>(colCount), 0.0);
  } catch (const std::bad_alloc&) {
    rows_.clear();
    rhs_.clear();
    solution_.clear();
    ThrowFailure(kErrOutOfMemory, 0);
  }
  rowCount_ = rowCount;
  colCount_ = colCount;
}

void LinearSystem::Clear() {
  for (SparseRow& row : rows_)
    row.Clear();
  std::fill(rhs_.begin(), rhs_.end(), 0.0);
  cursor_ = 0;
}

void LinearSystem::GetRow(int32_t row, SparseRow*& coefficients, double*& rhs) {
  if (rowCount_ <= 0) {
    coefficients = nullptr;
    rhs = nullptr;
    return;
  }
  row = std::clamp(row, 0, rowCount_ - 1);
  coefficients = &rows_[static_cast<size_t>(row)];
  rhs = &rhs_[static_cast<size_t>(row)];
}

int32_t LinearSystem::NextRow(SparseRow*& coefficients, double*& rhs) {
  if (rowCount_ <= 0) {
    coefficients = nullptr;
    rhs = nullptr;
    return -1;
  }
  if (cursor_ >= rowCount_) cursor_ = rowCount_ - 1;
  GetRow(cursor_, coefficients, rhs);
  return cursor_++;
}

int32_t LinearSystem::NextRowCoefficients(SparseRow*& coefficients) {
  double* rhs = nullptr;
  return NextRow(coefficients, rhs);
}

int32_t LinearSystem::NextRowRightSide(double*& rhs) {
  SparseRow* coefficients = nullptr;
  return NextRow(coefficients, rhs);
}

const double* LinearSystem::Solve() {
  // A stale answer must never move a body: start from zero whatever the library leaves.
  std::fill(solution_.begin(), solution_.end(), 0.0);
  if (rowCount_ == 0 || colCount_ == 0) return solution_.data();
  const int64_t denseBytes = (int64_t{colCount_} * 8 + 4) * int64_t{rowCount_};
  if (denseBytes < kDenseSystemBytes)
    SolveDense();
  else
    SolveSparse();
  return solution_.data();
}

void LinearSystem::SolveDense() {
  const auto cols = static_cast<size_t>(colCount_);
  std::vector<double> matrix(static_cast<size_t>(rowCount_) * cols, 0.0);
  std::vector<double*> rows(static_cast<size_t>(rowCount_));
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i] = matrix.data() + i * cols;
    for (const SparseRow::Entry& entry : rows_[i].Entries()) {
      if (entry.column >= 0 && entry.column < colCount_) rows[i][entry.column] += entry.value;
    }
  }
  std::vector<double> rhs = rhs_;
  std::vector<int32_t> pivots(cols, 0);
  int32_t rank = rowCount_;
  int32_t cursor = rowCount_;
  gaussjfull(rows.data(), rhs.data(), pivots.data(), rowCount_, colCount_, &rank, &cursor, 0);
  gaussback(rows.data(), solution_.data(), rhs.data(), pivots.data(), rowCount_, colCount_,
            cursor);
  cursor_ = cursor;
}

void LinearSystem::SolveSparse() {
  std::vector<int32_t> starts{0};
  std::vector<int32_t> columns;
  std::vector<double> values;
  for (const SparseRow& row : rows_) {
    for (const SparseRow::Entry& entry : row.Entries()) {
      columns.push_back(entry.column);
      values.push_back(entry.value);
    }
    starts.push_back(static_cast<int32_t>(columns.size()));
  }
  if (sparse_least_squares(starts.data(), columns.data(), values.data(), rhs_.data(), rowCount_,
                           colCount_, solution_.data()) != kGeometryOk) {
    std::fill(solution_.begin(), solution_.end(), 0.0);
  }
  cursor_ = rowCount_;
}
