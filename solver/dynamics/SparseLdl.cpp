#include "solver/dynamics/SparseLdl.h"

#include <algorithm>

namespace yb::dynamics {

void SparseLdl::Analyse(const Eigen::SparseMatrix<double>& upper) {
  n_ = static_cast<int>(upper.cols());
  const int* ap = upper.outerIndexPtr();
  const int* ai = upper.innerIndexPtr();
  // The elimination tree and the entry count of every column of L.
  std::vector<int> parent(n_, -1), flag(n_), count(n_, 0);
  for (int k = 0; k < n_; ++k) {
    flag[k] = k;
    for (int p = ap[k]; p < ap[k + 1]; ++p)
      for (int i = ai[p]; i < k && flag[i] != k; i = parent[i]) {
        if (parent[i] == -1) parent[i] = k;
        ++count[i];
        flag[i] = k;
      }
  }
  columnBegin_.assign(n_ + 1, 0);
  for (int k = 0; k < n_; ++k)
    columnBegin_[k + 1] = columnBegin_[k] + count[k];
  index_.assign(columnBegin_[n_], 0);
  value_.assign(columnBegin_[n_], 0.0);
  d_.assign(n_, 0.0);
  inverse_.assign(n_, 0.0);
  work_.assign(n_, 0.0);
  // Every row's pattern, reached from the matrix's entries along the tree, in the order the
  // factorisation visits it (each column before the columns it updates).
  std::fill(count.begin(), count.end(), 0);
  rowBegin_.assign(n_ + 1, 0);
  rows_.clear();
  rows_.reserve(columnBegin_[n_]);
  std::vector<int> pattern(n_), where(n_);
  laidOutPlace_.assign(ap[n_], 0);
  for (int k = 0; k < n_; ++k) {
    int top = n_;
    flag[k] = k;
    for (int p = ap[k]; p < ap[k + 1]; ++p) {
      int i = ai[p];
      if (i > k) continue;
      int length = 0;
      for (; flag[i] != k; i = parent[i]) {
        pattern[length++] = i;
        flag[i] = k;
      }
      while (length > 0)
        pattern[--top] = pattern[--length];
    }
    for (; top < n_; ++top) {
      const int i = pattern[top];
      const int place = columnBegin_[i] + count[i]++;
      index_[place] = k;
      where[i] = static_cast<int>(rows_.size());
      rows_.push_back(Entry{i, place});
    }
    rowBegin_[k + 1] = static_cast<int>(rows_.size());
    // The matrix's entries of this column lie in the row's pattern: each is laid out where L's
    // entry of its place is, and the diagonal after all of L's entries.
    for (int p = ap[k]; p < ap[k + 1]; ++p)
      laidOutPlace_[p] = ai[p] == k ? columnBegin_[n_] + k : where[ai[p]];
  }
  laidOut_.assign(LaidOutCount(), 0.0);
}

bool SparseLdl::Factorise(const double* values) {
  for (size_t p = 0; p < laidOutPlace_.size(); ++p)
    laidOut_[laidOutPlace_[p]] = values[p];
  return FactoriseLaidOut(laidOut_.data());
}

// The up-looking algorithm: row k of L solves the triangle of the rows before it against the
// matrix's column k, whose entries (and the zeros of fill) start the row's work.
bool SparseLdl::FactoriseLaidOut(const double* values) {
  double* y = work_.data();
  double* lx = value_.data();
  const int* li = index_.data();
  const Entry* rows = rows_.data();
  const double* diagonal = values + rows_.size();
  for (int k = 0; k < n_; ++k) {
    const int begin = rowBegin_[k], end = rowBegin_[k + 1];
    for (int e = begin; e < end; ++e)
      y[rows[e].column] = values[e];
    double d = diagonal[k];
    for (int e = begin; e < end; ++e) {
      const auto [i, place] = rows[e];
      const double yi = y[i];
      for (int p = columnBegin_[i]; p < place; ++p)
        y[li[p]] -= lx[p] * yi;
      const double l = yi * inverse_[i];
      d -= l * yi;
      lx[place] = l;
    }
    d_[k] = d;
    inverse_[k] = 1 / d;
    if (d == 0) return false;
  }
  return true;
}

void SparseLdl::Solve(double* x) const {
  const int* begin = columnBegin_.data();
  const int* index = index_.data();
  const double* value = value_.data();
  for (int j = 0; j < n_; ++j) {
    const double xj = x[j];
    for (int k = begin[j]; k < begin[j + 1]; ++k)
      x[index[k]] -= value[k] * xj;
  }
  for (int j = 0; j < n_; ++j)
    x[j] *= inverse_[j];
  for (int j = n_ - 1; j >= 0; --j) {
    double sum = x[j];
    for (int k = begin[j]; k < begin[j + 1]; ++k)
      sum -= value[k] * x[index[k]];
    x[j] = sum;
  }
}

void SparseLdl::Solve(double* x, double* y) const {
  const int* begin = columnBegin_.data();
  const int* index = index_.data();
  const double* value = value_.data();
  for (int j = 0; j < n_; ++j) {
    const double xj = x[j], yj = y[j];
    for (int k = begin[j]; k < begin[j + 1]; ++k) {
      x[index[k]] -= value[k] * xj;
      y[index[k]] -= value[k] * yj;
    }
  }
  for (int j = 0; j < n_; ++j) {
    x[j] *= inverse_[j];
    y[j] *= inverse_[j];
  }
  for (int j = n_ - 1; j >= 0; --j) {
    double sx = x[j], sy = y[j];
    for (int k = begin[j]; k < begin[j + 1]; ++k) {
      sx -= value[k] * x[index[k]];
      sy -= value[k] * y[index[k]];
    }
    x[j] = sx;
    y[j] = sy;
  }
}

}  // namespace yb::dynamics
