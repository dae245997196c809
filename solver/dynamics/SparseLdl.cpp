#include "solver/dynamics/SparseLdl.h"

#include <algorithm>
#include <bit>
#include <cstdint>

// The dense work of a large factor runs on the widest vectors the processor has, chosen when
// the program starts. Wider vectors only do more of the same additions and products side by
// side (none fused into one), so the answer is the same to the bit on every processor.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define YB_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define YB_WIDE_VECTORS
#endif

namespace yb::dynamics {

namespace {

// The sum of a[i] b[i], in four running sums side by side: one sum would make every addition
// wait for the one before. Made inside its caller, so that in the wide-vector solve the four
// sums are one vector and a short column costs no call.
[[gnu::always_inline]] inline double Dot(const double* a, const double* b, int length) {
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  int i = 0;
  for (; i + 4 <= length; i += 4) {
    s0 += a[i] * b[i];
    s1 += a[i + 1] * b[i + 1];
    s2 += a[i + 2] * b[i + 2];
    s3 += a[i + 3] * b[i + 3];
  }
  for (; i < length; ++i)
    s0 += a[i] * b[i];
  return (s0 + s1) + (s2 + s3);
}

// Dot() of four columns with one b, each column's sums as Dot() keeps them: one pass over b for
// the four, and sixteen running sums side by side, where one column's four would each wait for
// its last addition.
[[gnu::always_inline]] inline void Dots4(const double* const* a, const double* b, int length,
                                         double* out) {
  using Four = double __attribute__((vector_size(32)));
  Four s[4] = {};
  int i = 0;
  for (; i + 4 <= length; i += 4) {
    Four bi, ai;
    __builtin_memcpy(&bi, b + i, sizeof bi);
    for (int k = 0; k < 4; ++k) {
      __builtin_memcpy(&ai, a[k] + i, sizeof ai);
      s[k] += ai * bi;
    }
  }
  for (; i < length; ++i)
    for (int k = 0; k < 4; ++k)
      s[k][0] += a[k][i] * b[i];
  for (int k = 0; k < 4; ++k)
    out[k] = (s[k][0] + s[k][1]) + (s[k][2] + s[k][3]);
}

// Whether every value is +0.0, to the bit: a block of such values stays as it is through the
// forward pass, where -0.0 could turn into +0.0.
// Inline, and the first value apart: a dense right-hand side answers at it for every block.
inline bool AllPositiveZero(const double* values, int length) {
  if (std::bit_cast<uint64_t>(values[0]) != 0) return false;
  for (int i = 1; i < length; ++i)
    if (std::bit_cast<uint64_t>(values[i]) != 0) return false;
  return true;
}

// The factor's values from `fetched` up to `to`, or down to it, asked for a cache line at a time;
// `fetched` is left where the asking stopped.
[[gnu::always_inline]] inline void FetchUpTo(const double* values, size_t& fetched, size_t to) {
  for (; fetched < to; fetched += 8)
    __builtin_prefetch(values + fetched);
}
[[gnu::always_inline]] inline void FetchDownTo(const double* values, size_t& fetched, size_t to) {
  while (fetched > to) {
    fetched = fetched > 8 ? fetched - 8 : 0;
    __builtin_prefetch(values + fetched);
  }
}

}  // namespace

// A block holds each of its columns from its diagonal down, one after the other: row r (r >= c)
// of column c of a block of `rows` rows is at the place this gives plus r.
size_t SparseLdl::Column(int c, int rows) {
  return static_cast<size_t>(c) * rows - static_cast<size_t>(c) * (c + 1) / 2;
}

void SparseLdl::Analyse(const Eigen::SparseMatrix<double>& upper, Method method) {
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
  supernodal_ = method == Method::BySupernodes ||
                (method == Method::BySize && columnBegin_[n_] >= kSupernodalEntries);
  d_.assign(n_, 0.0);
  inverse_.assign(n_, 0.0);
  work_.assign(n_, 0.0);
  rowBegin_.assign(n_ + 1, 0);
  rows_.clear();
  if (supernodal_)
    AnalyseSupernodes(upper, parent);
  else
    AnalyseRows(upper, parent);
  // Laid out by Factorise only for a caller that does not lay its values out itself.
  laidOut_.clear();
}

// Every row's pattern, reached from the matrix's entries along the tree, in the order the
// factorisation visits it (each column before the columns it updates).
void SparseLdl::AnalyseRows(const Eigen::SparseMatrix<double>& upper,
                            const std::vector<int>& parent) {
  const int* ap = upper.outerIndexPtr();
  const int* ai = upper.innerIndexPtr();
  index_.assign(columnBegin_[n_], 0);
  value_.assign(columnBegin_[n_], 0.0);
  rows_.reserve(columnBegin_[n_]);
  std::vector<int> flag(n_), count(n_, 0), pattern(n_), where(n_);
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
  laidOutCount_ = static_cast<int>(rows_.size()) + n_;
}

// A column joins the supernode of the one before it when it is that one's parent and its
// pattern below the diagonal is the rest of that one's: the two columns then share a block.
// The partition needs only the tree and the column counts, so it comes before any row's
// pattern: a block's rows below it are those of its last column, and only the last columns'
// patterns are written, reached along the tree of supernodes rather than column by column.
void SparseLdl::AnalyseSupernodes(const Eigen::SparseMatrix<double>& upper,
                                  const std::vector<int>& parent) {
  auto count = [&](int j) { return columnBegin_[j + 1] - columnBegin_[j]; };
  superStart_.clear();
  superOf_.assign(n_, 0);
  for (int j = 0; j < n_; ++j) {
    const bool joins = j > 0 && parent[j - 1] == j && count(j - 1) == count(j) + 1 &&
                       j - superStart_.back() < kLargestSupernode;
    if (!joins) superStart_.push_back(j);
    superOf_[j] = static_cast<int>(superStart_.size()) - 1;
  }
  const int supernodes = static_cast<int>(superStart_.size());
  superStart_.push_back(n_);
  superRows_.assign(supernodes + 1, 0);
  blockBegin_.assign(supernodes + 1, 0);
  // The supernode above each in the tree (-1 for a root), and where the next row found below
  // its block goes in rowIndex_.
  std::vector<int> superParent(supernodes), next(supernodes);
  int widest = 0;
  for (int s = 0; s < supernodes; ++s) {
    const int first = superStart_[s], last = superStart_[s + 1] - 1;
    const int columns = last - first + 1, rows = columns + count(last);
    superRows_[s + 1] = superRows_[s] + rows;
    // Where a column after the last would begin.
    blockBegin_[s + 1] = blockBegin_[s] + static_cast<int>(Column(columns, rows)) + columns;
    widest = std::max(widest, rows);
    superParent[s] = parent[last] == -1 ? -1 : superOf_[parent[last]];
    next[s] = superRows_[s] + columns;
  }
  // Every place of rowIndex_ is written below.
  rowIndex_.resize(superRows_[supernodes]);
  for (int s = 0; s < supernodes; ++s)
    for (int j = superStart_[s]; j < superStart_[s + 1]; ++j)
      rowIndex_[superRows_[s] + j - superStart_[s]] = j;
  // Row k of L holds the last column of every supernode on the tree's paths from the matrix's
  // entries of column k up to k's own supernode (a path enters a supernode anywhere but leaves
  // it by its last column). Rows reach each block in ascending order, as its rows are kept.
  // Every entry of the matrix then goes where its place in L is in its column's block: row k
  // of a block that k is below is where row k was just written.
  const int* ap = upper.outerIndexPtr();
  const int* ai = upper.innerIndexPtr();
  laidOutPlace_.resize(ap[n_]);
  std::vector<int> flag(supernodes, -1);
  for (int k = 0; k < n_; ++k) {
    const int own = superOf_[k];
    for (int p = ap[k]; p < ap[k + 1]; ++p)
      for (int s = superOf_[ai[p]]; s != own && flag[s] != k; s = superParent[s]) {
        flag[s] = k;
        rowIndex_[next[s]++] = k;
      }
    for (int p = ap[k]; p < ap[k + 1]; ++p) {
      const int i = ai[p], s = superOf_[i], first = superStart_[s];
      const int rows = superRows_[s + 1] - superRows_[s];
      const int r = s == own ? k - first : next[s] - 1 - superRows_[s];
      laidOutPlace_[p] = blockBegin_[s] + static_cast<int>(Column(i - first, rows)) + r;
    }
  }
  laidOutCount_ = blockBegin_[supernodes];
  // The first factorisation makes every block whole from its values without reading the
  // blocks: they are left unset until then.
  block_.resize(laidOutCount_);
  factorised_ = false;
  remake_.assign(supernodes, 1);
  nextRow_.assign(supernodes, 0);
  firstWaiting_.assign(supernodes, -1);
  nextWaiting_.assign(supernodes, -1);
  relative_.assign(n_, 0);
  update_.assign(2 * static_cast<size_t>(widest), 0.0);
  gathered_.assign(widest, 0.0);
  dots_.assign(kLargestSupernode, 0.0);
  // The row by row factor and L's pattern by columns of an earlier analysis are not needed.
  rows_.shrink_to_fit();
  index_.clear();
  index_.shrink_to_fit();
  value_.clear();
  value_.shrink_to_fit();
}

bool SparseLdl::Factorise(const double* values) {
  if (laidOut_.size() != static_cast<size_t>(LaidOutCount())) laidOut_.assign(LaidOutCount(), 0.0);
  // The layout still holds the last call's values: what differs marks its block.
  changed_.assign(Supernodes(), 0);
  for (size_t p = 0; p < laidOutPlace_.size(); ++p) {
    const int place = laidOutPlace_[p];
    if (laidOut_[place] == values[p]) continue;
    laidOut_[place] = values[p];
    if (supernodal_) changed_[SupernodeOfPlace(place)] = 1;
  }
  return FactoriseLaidOut(laidOut_.data(), &changed_);
}

int SparseLdl::SupernodeOfPlace(int place) const {
  return static_cast<int>(std::upper_bound(blockBegin_.begin(), blockBegin_.end(), place) -
                          blockBegin_.begin()) -
         1;
}

// The up-looking algorithm: row k of L solves the triangle of the rows before it against the
// matrix's column k, whose entries (and the zeros of fill) start the row's work.
bool SparseLdl::FactoriseLaidOut(const double* values, const std::vector<char>* changed) {
  if (supernodal_) return FactoriseSupernodes(values, changed);
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
  if (supernodal_) {
    SolveSupernodes(&x, 1);
    return;
  }
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
  if (supernodal_) {
    double* const xs[2] = {x, y};
    SolveSupernodes(xs, 2);
    return;
  }
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

// u's part of the column of its row c (relative to u's block) into w, and with kPair that of
// its row c + 1 into v as well: u's columns are then read once for both, and each comes out to
// the bit as alone. Four of u's columns at a time: each pass over w does four columns' work, and
// the first sets w rather than adding to zeros.
template <bool kPair>
[[gnu::always_inline]] inline void SparseLdl::UpdateColumns(const double* uBlock, int uRows,
                                                            int uColumns, int c,
                                                            const double* du, double* w,
                                                            double* v) {
  const int length = uRows - c;
  int k = 0;
  if (uColumns >= 4) {
    const double* c0 = uBlock + Column(0, uRows) + c;
    const double* c1 = uBlock + Column(1, uRows) + c;
    const double* c2 = uBlock + Column(2, uRows) + c;
    const double* c3 = uBlock + Column(3, uRows) + c;
    const double t0 = c0[0] * du[0], t1 = c1[0] * du[1];
    const double t2 = c2[0] * du[2], t3 = c3[0] * du[3];
    const double s0 = kPair ? c0[1] * du[0] : 0, s1 = kPair ? c1[1] * du[1] : 0;
    const double s2 = kPair ? c2[1] * du[2] : 0, s3 = kPair ? c3[1] * du[3] : 0;
    w[0] = (c0[0] * t0 + c1[0] * t1) + (c2[0] * t2 + c3[0] * t3);
    for (int i = 1; i < length; ++i) {
      w[i] = (c0[i] * t0 + c1[i] * t1) + (c2[i] * t2 + c3[i] * t3);
      if constexpr (kPair) v[i - 1] = (c0[i] * s0 + c1[i] * s1) + (c2[i] * s2 + c3[i] * s3);
    }
    k = 4;
  } else {
    std::fill(w, w + length, 0.0);
    if constexpr (kPair) std::fill(v, v + length - 1, 0.0);
  }
  for (; k + 4 <= uColumns; k += 4) {
    const double* c0 = uBlock + Column(k, uRows) + c;
    const double* c1 = uBlock + Column(k + 1, uRows) + c;
    const double* c2 = uBlock + Column(k + 2, uRows) + c;
    const double* c3 = uBlock + Column(k + 3, uRows) + c;
    const double t0 = c0[0] * du[k], t1 = c1[0] * du[k + 1];
    const double t2 = c2[0] * du[k + 2], t3 = c3[0] * du[k + 3];
    const double s0 = kPair ? c0[1] * du[k] : 0, s1 = kPair ? c1[1] * du[k + 1] : 0;
    const double s2 = kPair ? c2[1] * du[k + 2] : 0, s3 = kPair ? c3[1] * du[k + 3] : 0;
    w[0] += (c0[0] * t0 + c1[0] * t1) + (c2[0] * t2 + c3[0] * t3);
    for (int i = 1; i < length; ++i) {
      w[i] += (c0[i] * t0 + c1[i] * t1) + (c2[i] * t2 + c3[i] * t3);
      if constexpr (kPair) v[i - 1] += (c0[i] * s0 + c1[i] * s1) + (c2[i] * s2 + c3[i] * s3);
    }
  }
  for (; k < uColumns; ++k) {
    const double* column = uBlock + Column(k, uRows) + c;
    const double t = column[0] * du[k], s = kPair ? column[1] * du[k] : 0;
    w[0] += column[0] * t;
    for (int i = 1; i < length; ++i) {
      w[i] += column[i] * t;
      if constexpr (kPair) v[i - 1] += column[i] * s;
    }
  }
}

// Left-looking by supernodes: each block, once every block below it in the tree that has rows
// in its columns has updated it, is factorised as a dense block. A block waits in the list of
// the supernode its next row falls in, and moves on to the next one's when it has updated it.
// A block whose values are those of the last factorisation, and none of whose descendants
// changed, comes out as it did: it is left as it stands. A pivoting solve holds or frees a few
// rows of a pile at a time, and only the blocks on their paths up the tree are made again. The
// blocks made take every update in the same order as a whole factorisation does (the waiting
// lists are kept as it keeps them), so the factor is the same to the bit.
YB_WIDE_VECTORS bool SparseLdl::FactoriseSupernodes(const double* values,
                                                    const std::vector<char>* changed) {
  const int supernodes = static_cast<int>(superStart_.size()) - 1;
  const bool whole = !factorised_ || changed == nullptr;
  for (int s = 0; s < supernodes; ++s)
    remake_[s] = whole || (*changed)[s] ? 1 : 0;
  // The parent of a block is the supernode of its first row below its own columns; parents
  // come after their children, so one pass marks every block above a changed one.
  supernodesMade_ = 0;
  for (int s = 0; s < supernodes; ++s) {
    const int columns = superStart_[s + 1] - superStart_[s];
    if (remake_[s] && superRows_[s + 1] - superRows_[s] > columns)
      remake_[superOf_[rowIndex_[superRows_[s] + columns]]] = 1;
    if (!remake_[s]) continue;
    ++supernodesMade_;
    std::copy(values + blockBegin_[s], values + blockBegin_[s + 1], block_.begin() + blockBegin_[s]);
  }
  // Until this one ends, block_ holds no whole factorisation.
  factorised_ = false;
  std::fill(firstWaiting_.begin(), firstWaiting_.end(), -1);
  double* d = d_.data();
  double* w = update_.data();
  auto wait = [&](int s, int row) {
    const int at = superOf_[rowIndex_[superRows_[s] + row]];
    nextRow_[s] = row;
    nextWaiting_[s] = firstWaiting_[at];
    firstWaiting_[at] = s;
  };
  for (int s = 0; s < supernodes; ++s) {
    const int first = superStart_[s], last = superStart_[s + 1] - 1;
    const int columns = last - first + 1, rows = superRows_[s + 1] - superRows_[s];
    const int* rowsOf = rowIndex_.data() + superRows_[s];
    double* block = block_.data() + blockBegin_[s];
    if (!remake_[s]) {
      // Only the waiting lists move on, as they would.
      for (int u = firstWaiting_[s]; u != -1;) {
        const int next = nextWaiting_[u];
        const int uRows = superRows_[u + 1] - superRows_[u];
        const int* uRowsOf = rowIndex_.data() + superRows_[u];
        int end = nextRow_[u];
        while (end < uRows && uRowsOf[end] <= last)
          ++end;
        if (end < uRows) wait(u, end);
        u = next;
      }
      if (rows > columns) wait(s, columns);
      continue;
    }
    for (int r = 0; r < rows; ++r)
      relative_[rowsOf[r]] = r;
    for (int u = firstWaiting_[s]; u != -1;) {
      const int next = nextWaiting_[u];
      if (next != -1) FetchRowsFrom(next, nextRow_[next]);
      const int uFirst = superStart_[u], uColumns = superStart_[u + 1] - uFirst;
      const int uRows = superRows_[u + 1] - superRows_[u];
      const int* uRowsOf = rowIndex_.data() + superRows_[u];
      const double* uBlock = block_.data() + blockBegin_[u];
      const int begin = nextRow_[u];
      int end = begin;
      while (end < uRows && uRowsOf[end] <= last)
        ++end;
      // Each of this block's columns that u has a row in loses u's part of it, on that row and
      // every row of u below it. Two columns at a time where there are two: u's columns are read
      // once for both, each row of the second from the row it starts at.
      const double* du = d + uFirst;
      auto subtract = [&](int c, const double* part) {
        double* target = block + Column(uRowsOf[c] - first, rows);
        for (int i = 0; i < uRows - c; ++i)
          target[relative_[uRowsOf[c + i]]] -= part[i];
      };
      int c = begin;
      for (; c + 1 < end; c += 2) {
        UpdateColumns<true>(uBlock, uRows, uColumns, c, du, w, w + (uRows - c));
        subtract(c, w);
        subtract(c + 1, w + (uRows - c));
      }
      if (c < end) {
        UpdateColumns<false>(uBlock, uRows, uColumns, c, du, w, nullptr);
        subtract(c, w);
      }
      if (end < uRows) wait(u, end);
      u = next;
    }
    // The block itself, column by column; each takes the columns before it four to a pass over
    // its rows, each row still losing their parts one after the other.
    for (int c = 0; c < columns; ++c) {
      double* column = block + Column(c, rows);
      int k = 0;
      for (; k + 4 <= c; k += 4) {
        const double* b0 = block + Column(k, rows);
        const double* b1 = block + Column(k + 1, rows);
        const double* b2 = block + Column(k + 2, rows);
        const double* b3 = block + Column(k + 3, rows);
        const double t0 = b0[c] * d[first + k], t1 = b1[c] * d[first + k + 1];
        const double t2 = b2[c] * d[first + k + 2], t3 = b3[c] * d[first + k + 3];
        for (int r = c; r < rows; ++r)
          column[r] = (((column[r] - b0[r] * t0) - b1[r] * t1) - b2[r] * t2) - b3[r] * t3;
      }
      for (; k < c; ++k) {
        const double* before = block + Column(k, rows);
        const double t = before[c] * d[first + k];
        for (int r = c; r < rows; ++r)
          column[r] -= before[r] * t;
      }
      const double pivot = column[c];
      d[first + c] = pivot;
      inverse_[first + c] = 1 / pivot;
      if (pivot == 0) return false;
      for (int r = c + 1; r < rows; ++r)
        column[r] *= inverse_[first + c];
    }
    if (rows > columns) wait(s, columns);
  }
  factorised_ = true;
  return true;
}

// The rows from `from` down of every column of block s, asked for ahead of their use: a block
// made again after a pivot takes the parts of blocks made long before, which a large factor's
// refactorisation finds in main memory, a few short columns each. Asked for while the block
// before them in the waiting list is worked through, they took a fifth off a pile's
// refactorisations.
void SparseLdl::FetchRowsFrom(int s, int from) const {
  const int columns = superStart_[s + 1] - superStart_[s];
  const int rows = superRows_[s + 1] - superRows_[s];
  for (int c = 0; c < columns; ++c) {
    const size_t column = blockBegin_[s] + Column(c, rows);
    size_t fetched = column + from;
    FetchUpTo(block_.data(), fetched, column + rows);
  }
}

void SparseLdl::Solve(double* const* xs, int count) const {
  if (supernodal_) {
    SolveSupernodes(xs, count);
    return;
  }
  for (int v = 0; v < count; ++v)
    Solve(xs[v]);
}

YB_WIDE_VECTORS void SparseLdl::SolveForwardSparse(double* x, const std::vector<int>& rows,
                                                   std::vector<int>& reach) const {
  const int supernodes = static_cast<int>(superStart_.size()) - 1;
  reached_.resize(supernodes, 0);
  reach.clear();
  // A block's parent is the supernode of its first row below its own columns.
  for (const int row : rows)
    for (int s = superOf_[row]; s >= 0 && !reached_[s];) {
      reached_[s] = 1;
      reach.push_back(s);
      const int columns = superStart_[s + 1] - superStart_[s];
      s = superRows_[s + 1] - superRows_[s] > columns ? superOf_[rowIndex_[superRows_[s] + columns]]
                                                      : -1;
    }
  std::sort(reach.begin(), reach.end());
  double* g = gathered_.data();
  for (const int s : reach) {
    reached_[s] = 0;
    const int first = superStart_[s], columns = superStart_[s + 1] - first;
    const int below = superRows_[s + 1] - superRows_[s] - columns;
    const int blockRows = columns + below;
    const int* rowsOf = rowIndex_.data() + superRows_[s] + columns;
    const double* block = block_.data() + blockBegin_[s];
    double* own = x + first;
    for (int t = 0; t < columns; ++t) {
      const double* column = block + Column(t, blockRows);
      for (int r = t + 1; r < columns; ++r)
        own[r] -= column[r] * own[t];
    }
    std::fill(g, g + below, 0.0);
    for (int c = 0; c < columns; ++c) {
      const double* a = block + Column(c, blockRows) + columns;
      const double xc = own[c];
      if (xc == 0) continue;
      for (int r = 0; r < below; ++r)
        g[r] += a[r] * xc;
    }
    for (int r = 0; r < below; ++r)
      x[rowsOf[r]] -= g[r];
  }
}

// The backward pass through a block's own columns, last first, given in `dots` what the rows
// below take from each. Each column's sum takes the columns after it, so one column by one the
// sums would wait on each other the whole triangle long. A wide block takes them four columns at
// a time instead: once four are solved, every column before them takes their part, in running
// sums side by side.
[[gnu::always_inline]] inline void SparseLdl::SolveOwnBackward(const double* block, int rows,
                                                               int columns, const double* dots,
                                                               double* own) {
  constexpr int kStep = 4;
  if (columns <= 2 * kStep) {
    for (int c = columns - 1; c >= 0; --c) {
      const double* column = block + Column(c, rows);
      double sum = dots[c];
      for (int r = c + 1; r < columns; ++r)
        sum += column[r] * own[r];
      own[c] -= sum;
    }
    return;
  }
  using Four = double __attribute__((vector_size(32)));
  Four taken[kLargestSupernode];
  for (int c = 0; c < columns; ++c)
    taken[c] = Four{0, 0, 0, 0};
  for (int top = columns; top > 0;) {
    const int low = std::max(top - kStep, 0);
    for (int c = top - 1; c >= low; --c) {
      const double* column = block + Column(c, rows);
      const Four& t = taken[c];
      double sum = dots[c] + ((t[0] + t[1]) + (t[2] + t[3]));
      for (int r = c + 1; r < top; ++r)
        sum += column[r] * own[r];
      own[c] -= sum;
    }
    if (low > 0) {
      Four solved, part;
      __builtin_memcpy(&solved, own + low, sizeof solved);
      for (int c = 0; c < low; ++c) {
        __builtin_memcpy(&part, block + Column(c, rows) + low, sizeof part);
        taken[c] += part * solved;
      }
    }
    top = low;
  }
}

// A block's part of the forward pass (L y = b): its own triangle, then what its rows below
// take from its columns. A narrow block (kColumns of them, known when compiled) takes its rows
// below in one loop: a pile's factor is mostly blocks of a few columns (a contact's rows, a
// body's two contacts) over some tens of rows, whose loops per column and per stage cost more
// in their ends than in their arithmetic. Each row's sum is the wide blocks' one, term for term.
template <int kColumns>
[[gnu::always_inline]] inline void SparseLdl::ForwardBlock(const double* block, int columns,
                                                           int rows, const int* rowsOf, double* x,
                                                           double* own, double* g) {
  if constexpr (kColumns > 0) columns = kColumns;
  const int below = rows - columns;
  // The block's own triangle, four columns to a pass over the rows below them; each row
  // still takes the columns one after the other, as column by column.
  int t = 0;
  for (; t + 4 <= columns; t += 4) {
    const double* a0 = block + Column(t, rows);
    const double* a1 = block + Column(t + 1, rows);
    const double* a2 = block + Column(t + 2, rows);
    const double* a3 = block + Column(t + 3, rows);
    own[t + 1] -= a0[t + 1] * own[t];
    own[t + 2] -= a0[t + 2] * own[t];
    own[t + 2] -= a1[t + 2] * own[t + 1];
    own[t + 3] -= a0[t + 3] * own[t];
    own[t + 3] -= a1[t + 3] * own[t + 1];
    own[t + 3] -= a2[t + 3] * own[t + 2];
    const double x0 = own[t], x1 = own[t + 1], x2 = own[t + 2], x3 = own[t + 3];
    for (int r = t + 4; r < columns; ++r)
      own[r] = (((own[r] - a0[r] * x0) - a1[r] * x1) - a2[r] * x2) - a3[r] * x3;
  }
  for (; t < columns; ++t) {
    const double* column = block + Column(t, rows);
    for (int r = t + 1; r < columns; ++r)
      own[r] -= column[r] * own[t];
  }
  if constexpr (kColumns > 0) {
    const double* a[kColumns];
    double solved[kColumns];
    for (int c = 0; c < kColumns; ++c) {
      a[c] = block + Column(c, rows) + columns;
      solved[c] = own[c];
    }
    for (int r = 0; r < below; ++r) {
      double sum = 0.0;
      int c = 0;
      for (; c + 4 <= kColumns; c += 4)
        sum += (a[c][r] * solved[c] + a[c + 1][r] * solved[c + 1]) +
               (a[c + 2][r] * solved[c + 2] + a[c + 3][r] * solved[c + 3]);
      for (; c < kColumns; ++c)
        sum += a[c][r] * solved[c];
      x[rowsOf[r]] -= sum;
    }
    return;
  }
  // The rows below, four columns to a pass over them.
  std::fill(g, g + below, 0.0);
  int c = 0;
  for (; c + 4 <= columns; c += 4) {
    const double* a0 = block + Column(c, rows) + columns;
    const double* a1 = block + Column(c + 1, rows) + columns;
    const double* a2 = block + Column(c + 2, rows) + columns;
    const double* a3 = block + Column(c + 3, rows) + columns;
    const double x0 = own[c], x1 = own[c + 1], x2 = own[c + 2], x3 = own[c + 3];
    for (int r = 0; r < below; ++r)
      g[r] += (a0[r] * x0 + a1[r] * x1) + (a2[r] * x2 + a3[r] * x3);
  }
  for (; c < columns; ++c) {
    const double* a = block + Column(c, rows) + columns;
    const double xc = own[c];
    for (int r = 0; r < below; ++r)
      g[r] += a[r] * xc;
  }
  for (int r = 0; r < below; ++r)
    x[rowsOf[r]] -= g[r];
}

// A block's part of the backward pass (L' x = y): what its rows below give each of its columns,
// then its own triangle. A narrow block reads its rows below straight from x, in one loop for
// all its columns, with each column's four running sums those of Dot().
template <int kColumns>
[[gnu::always_inline]] inline void SparseLdl::BackwardBlock(const double* block, int columns,
                                                            int rows, const int* rowsOf,
                                                            const double* x, double* own,
                                                            double* g, double* dots) {
  if constexpr (kColumns > 0) columns = kColumns;
  const int below = rows - columns;
  if constexpr (kColumns > 0) {
    const double* a[kColumns];
    double sums[kColumns][4] = {};
    for (int c = 0; c < kColumns; ++c)
      a[c] = block + Column(c, rows) + columns;
    int r = 0;
    for (; r + 4 <= below; r += 4) {
      const double g0 = x[rowsOf[r]], g1 = x[rowsOf[r + 1]];
      const double g2 = x[rowsOf[r + 2]], g3 = x[rowsOf[r + 3]];
      for (int c = 0; c < kColumns; ++c) {
        sums[c][0] += a[c][r] * g0;
        sums[c][1] += a[c][r + 1] * g1;
        sums[c][2] += a[c][r + 2] * g2;
        sums[c][3] += a[c][r + 3] * g3;
      }
    }
    for (; r < below; ++r) {
      const double gr = x[rowsOf[r]];
      for (int c = 0; c < kColumns; ++c)
        sums[c][0] += a[c][r] * gr;
    }
    for (int c = 0; c < kColumns; ++c)
      dots[c] = (sums[c][0] + sums[c][1]) + (sums[c][2] + sums[c][3]);
  } else {
    for (int r = 0; r < below; ++r)
      g[r] = x[rowsOf[r]];
    // What the rows below take from each column, four columns to a pass over them.
    int c = 0;
    for (; c + 4 <= columns; c += 4) {
      const double* a[4];
      for (int k = 0; k < 4; ++k)
        a[k] = block + Column(c + k, rows) + columns;
      Dots4(a, g, below, dots + c);
    }
    for (; c < columns; ++c)
      dots[c] = Dot(block + Column(c, rows) + columns, g, below);
  }
  SolveOwnBackward(block, rows, columns, dots, own);
}

// Each block's part of the solve is made for every right-hand side in turn while the block is
// at hand, with the same arithmetic as for one alone.
// A pile's evaluation works through more memory between two solves than the caches hold, so
// nearly every solve reads the factor from main memory; and most blocks are a few columns of
// some tens of rows, too short a walk for the processor to see and fetch ahead of on its own.
// Each pass therefore asks for the values kFetchedAhead past the block it works on, in the
// direction it walks: that took a sixth off a pile's solves.
YB_WIDE_VECTORS void SparseLdl::SolveSupernodes(double* const* xs, int count) const {
  const int supernodes = static_cast<int>(superStart_.size()) - 1;
  double* g = gathered_.data();
  double* dots = dots_.data();
  const double* const factor = block_.data();
  size_t fetched = 0;
  for (int s = 0; s < supernodes; ++s) {
    const int first = superStart_[s], columns = superStart_[s + 1] - first;
    const int rows = superRows_[s + 1] - superRows_[s];
    const int* rowsOf = rowIndex_.data() + superRows_[s] + columns;
    const double* block = factor + blockBegin_[s];
    FetchUpTo(factor, fetched, std::min<size_t>(blockBegin_[s] + kFetchedAhead, block_.size()));
    for (int v = 0; v < count; ++v) {
      double* x = xs[v];
      double* own = x + first;
      // A block whose part of the right-hand side is all zero (of positive sign) leaves it so
      // and changes no row below it: a solve for a unit vector, or a column of a few rows,
      // reaches only the blocks on their paths up the tree.
      if (AllPositiveZero(own, columns)) continue;
      switch (columns) {
        case 1: ForwardBlock<1>(block, columns, rows, rowsOf, x, own, g); break;
        case 2: ForwardBlock<2>(block, columns, rows, rowsOf, x, own, g); break;
        case 3: ForwardBlock<3>(block, columns, rows, rowsOf, x, own, g); break;
        case 4: ForwardBlock<4>(block, columns, rows, rowsOf, x, own, g); break;
        case 5: ForwardBlock<5>(block, columns, rows, rowsOf, x, own, g); break;
        case 6: ForwardBlock<6>(block, columns, rows, rowsOf, x, own, g); break;
        case 7: ForwardBlock<7>(block, columns, rows, rowsOf, x, own, g); break;
        case 8: ForwardBlock<8>(block, columns, rows, rowsOf, x, own, g); break;
        default: ForwardBlock<0>(block, columns, rows, rowsOf, x, own, g);
      }
    }
  }
  for (int v = 0; v < count; ++v)
    for (int j = 0; j < n_; ++j)
      xs[v][j] *= inverse_[j];
  for (int s = supernodes - 1; s >= 0; --s) {
    const int first = superStart_[s], columns = superStart_[s + 1] - first;
    const int rows = superRows_[s + 1] - superRows_[s];
    const int* rowsOf = rowIndex_.data() + superRows_[s] + columns;
    const size_t begin = blockBegin_[s];
    const double* block = factor + begin;
    fetched = std::min(fetched, begin);
    FetchDownTo(factor, fetched, begin > kFetchedAhead ? begin - kFetchedAhead : 0);
    for (int v = 0; v < count; ++v) {
      double* x = xs[v];
      double* own = x + first;
      switch (columns) {
        case 1: BackwardBlock<1>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 2: BackwardBlock<2>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 3: BackwardBlock<3>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 4: BackwardBlock<4>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 5: BackwardBlock<5>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 6: BackwardBlock<6>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 7: BackwardBlock<7>(block, columns, rows, rowsOf, x, own, g, dots); break;
        case 8: BackwardBlock<8>(block, columns, rows, rowsOf, x, own, g, dots); break;
        default: BackwardBlock<0>(block, columns, rows, rowsOf, x, own, g, dots);
      }
    }
  }
}

}  // namespace yb::dynamics
