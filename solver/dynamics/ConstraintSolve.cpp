// The constraint multipliers: assembly and factorisation of J W J', redundancy, and the bounded
// solve for one-sided rows and limited drives.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>

#include "solver/dynamics/EliminationOrder.h"
#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

Mechanics::SpansHeld::SpansHeld(Mechanics& m, const std::vector<int>& rows) : mechanics_(m) {
  RowSpans& held = m.rowSpans_;
  held.rows = nullptr;
  held.spans.resize(rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = m.rows_[rows[r]];
    held.spans[r] = RowSpan{row.begin, row.count, row.compliance};
  }
  held.rows = &rows;
}

const Mechanics::RowSpan* Mechanics::SpansOf(const std::vector<int>& rows) {
  if (rowSpans_.rows == &rows) return rowSpans_.spans.data();
  std::vector<RowSpan>& gathered = rowSpans_.gathered;
  gathered.resize(rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    gathered[r] = RowSpan{row.begin, row.count, row.compliance};
  }
  return gathered.data();
}

// J W J' x over the rows, at the cost of their entries: the coordinates they reach are summed
// in a buffer of the world's size that is left zero again.
void Mechanics::MulJWJt(const std::vector<int>& rows, const Eigen::VectorXd& x,
                        Eigen::VectorXd& out) {
  if (scatter_.size() != dofCount_) scatter_ = Eigen::VectorXd::Zero(dofCount_);
  const int n = static_cast<int>(rows.size());
  bool any = false;
  for (int r = 0; r < n && !any; ++r)
    any = x[r] != 0;
  // No row pushed (a bounded solve starting with every row free): nothing to read back, and
  // the buffer is still zero.
  if (!any) {
    out.setZero(n);
    return;
  }
  const RowSpan* spans = SpansOf(rows);
  const std::pair<int, double>* entries = entries_.data();
  double* scatter = scatter_.data();
  long scattered = 0;
  for (int r = 0; r < n; ++r) {
    const double value = x[r];
    if (value == 0) continue;
    const int end = spans[r].begin + spans[r].count;
    scattered += spans[r].count;
    for (int i = spans[r].begin; i < end; ++i)
      scatter[entries[i].first] += entries[i].second * value;
  }
  out.resize(n);
  // A pile's rows reach each coordinate many times over: weighting the whole buffer once, and
  // clearing it whole, then costs less than doing either entry by entry.
  if (scattered > dofCount_ / 2) {
    for (int dof = 0; dof < dofCount_; ++dof)
      scatter[dof] *= invMass_[dof];
    for (int r = 0; r < n; ++r) {
      const int end = spans[r].begin + spans[r].count;
      double sum = 0;
      for (int i = spans[r].begin; i < end; ++i)
        sum += entries[i].second * scatter[entries[i].first];
      out[r] = sum;
    }
    scatter_.setZero();
    return;
  }
  for (int r = 0; r < n; ++r) {
    const int end = spans[r].begin + spans[r].count;
    double sum = 0;
    for (int i = spans[r].begin; i < end; ++i)
      sum += entries[i].second * (invMass_[entries[i].first] * scatter[entries[i].first]);
    out[r] = sum;
  }
  for (int r = 0; r < n; ++r) {
    if (x[r] == 0) continue;
    const int end = spans[r].begin + spans[r].count;
    for (int i = spans[r].begin; i < end; ++i)
      scatter[entries[i].first] = 0;
  }
}

namespace {

// The plan of CholeskyInPlace that factorises the matrix whole, in its own order: no plan.
void PlanWhole(std::vector<int>& order, std::vector<int>& first, std::vector<int>& last) {
  order.clear();
  first.clear();
  last.clear();
}

// The order of the rows of CholeskyInPlace's factor and its envelope, from where the matrix of
// n rows may have nonzeros (`meets(r, c)`, c < r, for the lower triangle): a pattern's places,
// the same for every matrix of it (a held row only adds zeros, which the envelope may hold).
// A row of L is zero before the row's first nonzero (its envelope), and a column is zero below
// the last row whose envelope reaches it. The rows are taken in the order of the first row each
// one meets, so that a row that meets only its neighbours lies beside them: a stack's friction
// rows, which come after all its normal rows, then lie with their own manifold's, and the
// envelope of a stack or a chain is a narrow band. `order` receives the original row of each row
// of the factor, `first` where each factor row starts and `last` the last row each factor
// column reaches. A matrix whose envelope is most of it (an island of a heap) is planned whole.
template <class Meets>
void PlanEnvelope(int n, const Meets& meets, std::vector<int>& order, std::vector<int>& first,
                  std::vector<int>& last) {
  // A few rows (the impact of a pair) are factorised whole: finding their envelope would cost
  // more than the zeros it passes over.
  constexpr int kFewRows = 8;
  if (n <= kFewRows) {
    PlanWhole(order, first, last);
    return;
  }
  order.resize(n);
  first.assign(n, -1);
  last.resize(n);
  // The first row each row meets, in the given order.
  for (int c = 0; c < n; ++c) {
    if (first[c] < 0) first[c] = c;
    for (int r = c + 1; r < n; ++r)
      if (first[r] < 0 && meets(r, c)) first[r] = c;
  }
  for (int i = 0; i < n; ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return first[x] < first[y]; });
  int64_t envelope = 0;
  for (int r = 0; r < n; ++r) {
    int f = 0;
    while (f < r && !meets(std::max(order[r], order[f]), std::min(order[r], order[f])))
      ++f;
    first[r] = f;
    last[r] = r;
    envelope += r - f;
  }
  // The envelope's loops cost more per product than the whole matrix's: they pay only where
  // they pass over most of it.
  if (2 * envelope > int64_t{n} * (n - 1) / 2) {
    PlanWhole(order, first, last);
    return;
  }
  for (int r = 0; r < n; ++r)
    for (int c = first[r]; c < r; ++c)
      last[c] = std::max(last[c], r);
}

// The Cholesky factor L (row by row) of a small symmetric matrix given by its lower triangle,
// with the reciprocals of its diagonal in place of the diagonal (solves then multiply instead of
// dividing); false when the matrix is not positive definite. Plain loops: at these sizes the
// work is a few hundred operations, less than a general routine spends on dispatch. The rows
// and the envelope are those PlanEnvelope planned for the pattern, or the whole matrix in its
// own order where `order` is empty.
bool CholeskyInPlace(const Eigen::MatrixXd& a, std::vector<double>& l,
                     const std::vector<int>& order, const std::vector<int>& first,
                     const std::vector<int>& last, double smallest) {
  const int n = static_cast<int>(a.rows());
  l.resize(static_cast<size_t>(n) * n);  // only the lower triangle is written and read
  if (order.empty()) {
    for (int j = 0; j < n; ++j) {
      const double* lj = l.data() + static_cast<size_t>(j) * n;
      double s = a(j, j);
      for (int k = 0; k < j; ++k)
        s -= lj[k] * lj[k];
      if (!(s > smallest * a(j, j))) return false;
      const double inverse = 1 / std::sqrt(s);
      l[static_cast<size_t>(j) * n + j] = inverse;
      for (int i = j + 1; i < n; ++i) {
        double* li = l.data() + static_cast<size_t>(i) * n;
        double t = a(i, j);
        for (int k = 0; k < j; ++k)
          t -= li[k] * lj[k];
        li[j] = t * inverse;
      }
    }
    return true;
  }
  // The matrix in the factor's order, within the envelope, into L's place: each entry is then
  // brought down in place.
  for (int r = 0; r < n; ++r) {
    double* lr = l.data() + static_cast<size_t>(r) * n;
    const int i = order[r];
    for (int c = first[r]; c <= r; ++c) {
      const int j = order[c];
      lr[c] = i >= j ? a(i, j) : a(j, i);
    }
  }
  for (int j = 0; j < n; ++j) {
    double* lj = l.data() + static_cast<size_t>(j) * n;
    const double diagonal = lj[j];
    double s = diagonal;
    for (int k = first[j]; k < j; ++k)
      s -= lj[k] * lj[k];
    if (!(s > smallest * diagonal)) return false;
    const double inverse = 1 / std::sqrt(s);
    lj[j] = inverse;
    for (int i = j + 1; i <= last[j]; ++i) {
      double* li = l.data() + static_cast<size_t>(i) * n;
      if (first[i] > j) continue;
      double t = li[j];
      for (int k = std::max(first[i], first[j]); k < j; ++k)
        t -= li[k] * lj[k];
      li[j] = t * inverse;
    }
  }
  return true;
}

// Solves with a factor of CholeskyInPlace; b and x may be the same vector.
void CholeskySolve(const std::vector<double>& l, const std::vector<int>& order,
                   const std::vector<int>& first, const std::vector<int>& last, int n,
                   const Eigen::VectorXd& b, Eigen::VectorXd& x, std::vector<double>& work) {
  if (order.empty()) {
    x = b;
    for (int i = 0; i < n; ++i) {
      const double* li = l.data() + static_cast<size_t>(i) * n;
      double t = x[i];
      for (int k = 0; k < i; ++k)
        t -= li[k] * x[k];
      x[i] = t * li[i];
    }
    for (int i = n - 1; i >= 0; --i) {
      double t = x[i];
      for (int k = i + 1; k < n; ++k)
        t -= l[static_cast<size_t>(k) * n + i] * x[k];
      x[i] = t * l[static_cast<size_t>(i) * n + i];
    }
    return;
  }
  work.resize(n);
  double* y = work.data();
  for (int r = 0; r < n; ++r)
    y[r] = b[order[r]];
  for (int i = 0; i < n; ++i) {
    const double* li = l.data() + static_cast<size_t>(i) * n;
    double t = y[i];
    for (int k = first[i]; k < i; ++k)
      t -= li[k] * y[k];
    y[i] = t * li[i];
  }
  for (int i = n - 1; i >= 0; --i) {
    double t = y[i];
    for (int k = i + 1; k <= last[i]; ++k)
      if (first[k] <= i) t -= l[static_cast<size_t>(k) * n + i] * y[k];
    y[i] = t * l[static_cast<size_t>(i) * n + i];
  }
  x.resize(n);
  for (int r = 0; r < n; ++r)
    x[order[r]] = y[r];
}

// Every place of J W J' that the products reach, (row, column) with row >= column, once: listed
// row by row, each row's places in the order its products first reach them. placeOf gets each
// product's place among them; rowOf is the row of each entry.
template <typename Products>
LargeVector<std::pair<int, int>> DistinctPlaces(const Products& products, int n,
                                                const LargeVector<int>& rowOf,
                                                LargeVector<int>& placeOf) {
  std::vector<int> start(static_cast<size_t>(n) + 1, 0);
  for (const auto& product : products)
    ++start[rowOf[product.a] + 1];
  for (int r = 0; r < n; ++r)
    start[r + 1] += start[r];
  LargeVector<int> byRow(products.size());
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (size_t k = 0; k < products.size(); ++k)
      byRow[fill[rowOf[products[k].a]]++] = static_cast<int>(k);
  }
  // No more places than products: room for them all at once, where grown a pile's list would
  // leave each of its earlier sizes behind as new memory.
  LargeVector<std::pair<int, int>> places;
  places.reserve(products.size());
  placeOf.resize(products.size());
  // Per column, the row whose places last reached it and the place it was there.
  std::vector<int> reachedBy(n, -1), placeAt(n, 0);
  for (int r = 0; r < n; ++r)
    for (int k = start[r]; k < start[r + 1]; ++k) {
      const int column = rowOf[products[byRow[k]].b];
      if (reachedBy[column] != r) {
        reachedBy[column] = r;
        placeAt[column] = static_cast<int>(places.size());
        places.emplace_back(r, column);
      }
      placeOf[byRow[k]] = placeAt[column];
    }
  return places;
}

// A compressed pattern from entries given by column and row, no place twice (row indices
// ascending, values one; only the pattern is read). `position`, where asked for, gets where each
// entry went in its storage.
template <typename Scalar>
void CompressedPattern(int n, const LargeVector<int>& columnOf, const LargeVector<int>& rowOf,
                       Eigen::SparseMatrix<Scalar>& out, LargeVector<int>* position) {
  const size_t count = rowOf.size();
  out.resize(n, n);
  out.resizeNonZeros(static_cast<Eigen::Index>(count));
  int* outer = out.outerIndexPtr();
  int* inner = out.innerIndexPtr();
  std::fill(outer, outer + n + 1, 0);
  for (const int c : columnOf)
    ++outer[c + 1];
  for (int c = 0; c < n; ++c)
    outer[c + 1] += outer[c];
  std::fill(out.valuePtr(), out.valuePtr() + count, Scalar{1});
  std::vector<int> fill(outer, outer + n);
  if (position == nullptr) {
    for (size_t k = 0; k < count; ++k)
      inner[fill[columnOf[k]]++] = rowOf[k];
    for (int c = 0; c < n; ++c)
      std::sort(inner + outer[c], inner + outer[c + 1]);
    return;
  }
  // Counted out by row first, the entries reach each column with their rows ascending, and each
  // one's place is known as it is put: a sort within the columns would lose it. (Sorting each
  // column's rows together with their indices measured slower.)
  std::vector<int> byRowStart(static_cast<size_t>(n) + 1, 0);
  for (const int r : rowOf)
    ++byRowStart[r + 1];
  for (int r = 0; r < n; ++r)
    byRowStart[r + 1] += byRowStart[r];
  LargeVector<int> byRow(count);
  for (size_t k = 0; k < count; ++k)
    byRow[byRowStart[rowOf[k]]++] = static_cast<int>(k);
  position->resize(count);
  for (const int k : byRow) {
    const int at = fill[columnOf[k]]++;
    inner[at] = rowOf[k];
    (*position)[k] = at;
  }
}

// Both triangles of the pattern of distinct places. Only the pattern is read, and a value of a
// byte each spares the ordering copying eight for every entry as it works.
void SymmetricPattern(int n, const LargeVector<std::pair<int, int>>& places,
                      Eigen::SparseMatrix<char>& out) {
  LargeVector<int> columnOf, rowOf;
  columnOf.reserve(2 * places.size());
  rowOf.reserve(2 * places.size());
  for (const auto& [row, column] : places) {
    columnOf.push_back(column);
    rowOf.push_back(row);
    if (row == column) continue;
    columnOf.push_back(row);
    rowOf.push_back(column);
  }
  CompressedPattern(n, columnOf, rowOf, out, nullptr);
}

// The upper triangle of the pattern of distinct places in the given order, with every row's
// diagonal. `placed` gets where each place went in its storage and `diagonal` where each row's
// diagonal did, so that their slots need no search.
void UpperPattern(int n, const LargeVector<std::pair<int, int>>& places,
                  const std::vector<int>& order, Eigen::SparseMatrix<double>& out,
                  LargeVector<int>& placed, std::vector<int>& diagonal) {
  // The diagonals come first, by row, and the places off the diagonal after them.
  LargeVector<int> columnOf, rowOf;
  columnOf.reserve(places.size() + n);
  rowOf.reserve(places.size() + n);
  for (int r = 0; r < n; ++r) {
    columnOf.push_back(order[r]);
    rowOf.push_back(order[r]);
  }
  for (const auto& [row, column] : places) {
    if (row == column) continue;
    const int a = order[row], b = order[column];
    columnOf.push_back(std::max(a, b));
    rowOf.push_back(std::min(a, b));
  }
  LargeVector<int> position;
  CompressedPattern(n, columnOf, rowOf, out, &position);
  diagonal.assign(position.begin(), position.begin() + n);
  placed.resize(places.size());
  for (size_t k = 0, next = n; k < places.size(); ++k) {
    const auto& [row, column] = places[k];
    placed[k] = position[row == column ? row : next++];
  }
}

}  // namespace

// Row sets of a few rows (the impact of one pair) are assembled straight into a dense matrix:
// their patterns differ from pair to pair, and planning each would cost more than its solve.
constexpr int kTinyRows = 4;
// Islands of up to this many rows are pivoted on the stack too (SolveSmallIsland): a poured heap
// of balls stands in columns whose islands hold some ten rows each, and at every evaluation the
// general path's buffers and pattern cost them more than their arithmetic.
constexpr int kSmallIslandRows = 16;

void Mechanics::FactoriseTiny(const std::vector<int>& rows, const std::vector<char>* held) {
  const int n = static_cast<int>(rows.size());
  ++factoriseCount_;
  chordReady_ = false;
  FactorPattern& p = tiny_;
  pattern_ = &p;
  p.n = n;
  p.dense = true;
  // An island's rows come and go with the bodies that land, and planning its envelope at every
  // factorisation costs more than it passes over: it is factorised whole.
  PlanWhole(p.denseOrder, p.first, p.last);
  p.regularised = false;
  p.matrix.setZero(n, n);
  p.diagonal.resize(n);
  bool contacts = false;
  // Each row's weighted entries are spread over the coordinates (a buffer left zero again), and
  // every row before it reads its own entries there: a product per entry of the pair, not one
  // per pair of entries. An island of a poured heap holds some tens of rows.
  if (scatter_.size() != dofCount_) scatter_ = Eigen::VectorXd::Zero(dofCount_);
  for (int i = 0; i < n; ++i) {
    const Row& a = rows_[rows[i]];
    contacts = contacts || a.compliance != 0;
    p.diagonal[i] = i * n + i;
    if (held != nullptr && (*held)[i]) {
      for (int j = 0; j < i; ++j)
        p.matrix(i, j) = 0.0;
      p.matrix(i, i) = 1.0;
      continue;
    }
    for (int k = a.begin; k < a.begin + a.count; ++k)
      scatter_[entries_[k].first] += entries_[k].second * invMass_[entries_[k].first];
    for (int j = 0; j <= i; ++j) {
      if (held != nullptr && (*held)[j]) {
        p.matrix(i, j) = 0.0;
        continue;
      }
      const Row& b = rows_[rows[j]];
      double sum = 0;
      for (int k = b.begin; k < b.begin + b.count; ++k)
        sum += scatter_[entries_[k].first] * entries_[k].second;
      p.matrix(i, j) = sum;
    }
    for (int k = a.begin; k < a.begin + a.count; ++k)
      scatter_[entries_[k].first] = 0;
  }
  if (FactoriseValues(p, contacts ? 1e-9 : 0.0)) return;
  if (contacts) {
    for (int i = 0; i < n; ++i)
      if (held == nullptr || !(*held)[i]) p.matrix(i, i) += rows_[rows[i]].compliance;
    p.regularised = true;
    if (FactoriseValues(p, 0.0)) return;
  }
  throw DynamicsError{kErrSingular, "the constraints cannot be solved together"};
}

// Factorises J W J' over the rows. The matrix is assembled body by body: a product for every
// pair of entries of two rows on one coordinate, so its cost follows the joints.
void Mechanics::Factorise(const std::vector<int>& rows, const std::vector<char>* held,
                          const KeptFactorisation* keeper) {
  const int n = static_cast<int>(rows.size());
  if (n <= kTinyRows) {
    FactoriseTiny(rows, held);
    return;
  }
  if (held == nullptr && FactorisePinRows(rows)) return;
  // The pattern: every row's entry count, then the coordinates of all entries in order. The
  // rows of a set nearly always follow each other in the entries, which are then copied in one
  // run rather than row by row.
  size_t total = 0;
  bool run = true;
  // Contact rows may repeat each other (a box resting on two others): a pivot that is a tiny
  // part of its diagonal shows it, and their small compliance then makes the system solvable.
  bool contacts = false;
  // Only grown here: shrunk to the counts and grown again, the whole pattern would be cleared
  // on every call.
  if (structure_.size() < rows.size()) structure_.resize(rows.size());
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    structure_[r] = row.count;
    total += row.count;
    contacts = contacts || row.compliance != 0;
    run = run && (r == 0 || row.begin == rows_[rows[r - 1]].begin + rows_[rows[r - 1]].count);
  }
  structure_.resize(rows.size() + total);
  flat_.resize(total);
  weighted_.resize(total);
  int* dofs = structure_.data() + n;
  auto copy = [&](int from, int count, int to) {
    for (int i = 0; i < count; ++i) {
      const auto [dof, value] = entries_[from + i];
      dofs[to + i] = dof;
      flat_[to + i] = value;
      weighted_[to + i] = value * invMass_[dof];
    }
  };
  if (run && n > 0) {
    copy(rows_[rows[0]].begin, static_cast<int>(total), 0);
  } else {
    for (int r = 0, k = 0; r < n; ++r) {
      copy(rows_[rows[r]].begin, rows_[rows[r]].count, k);
      k += rows_[rows[r]].count;
    }
  }
  const bool dense = n <= denseLimit_;
  ++factoriseCount_;
  chordReady_ = false;
  pattern_ = nullptr;
  // A pattern another solve keeps its factorisation in is that solve's alone.
  auto keptByOther = [&](const FactorPattern* candidate) {
    for (const KeptFactorisation& k : kept_)
      if (&k != keeper && k.pattern == candidate) return true;
    return false;
  };
  // The same pattern kept by another solve: its plan (the ordering and the analysis, which cost
  // many factorisations of a pile) is copied rather than made again.
  const FactorPattern* planned = nullptr;
  for (auto& candidate : patterns_)
    if (candidate->dense == dense && candidate->n == n && candidate->structure == structure_) {
      if (keptByOther(candidate.get())) {
        planned = candidate.get();
        continue;
      }
      pattern_ = candidate.get();
      break;
    }
  const bool fresh = pattern_ == nullptr;
  if (fresh) {
    // Dense and sparse patterns are kept apart: the many small row sets of impacts come and go
    // and must not push out the large one of the accelerations, whose ordering costs most.
    constexpr int kKeptPatterns = 4;
    int kept = 0;
    FactorPattern* oldest = nullptr;
    for (auto& candidate : patterns_) {
      if (candidate->dense != dense) continue;
      ++kept;
      if (oldest == nullptr || candidate->lastUse < oldest->lastUse) oldest = candidate.get();
    }
    if (kept < kKeptPatterns) {
      patterns_.push_back(std::make_unique<FactorPattern>());
      pattern_ = patterns_.back().get();
    } else {
      pattern_ = oldest;
    }
    if (planned == nullptr)
      MakePattern(*pattern_, n, dense);
    else
      CopyPlan(*planned, *pattern_);
  }
  FactorPattern& p = *pattern_;
  p.lastUse = factoriseCount_;
  // This road may change the matrix a plan of plain pins' rows left factorised.
  if (pinAssembly_.pattern == &p) pinAssembly_.values = -1;
  // The entries the factorisation was made of give its matrix again: an evaluation where the
  // last projection left the bodies, whose velocities alone have changed, needs no assembly.
  if (held == nullptr && p.entriesHeldNone && p.entries == flat_) return;
  // A dense pattern's products are grouped by place when it is assembled a second time, or
  // with rows held: many small piles are factorised once (a short run, a fast step's pile) and
  // their first assembly takes the products as they were made.
  if (!p.grouped && (held != nullptr || !fresh)) GroupProducts(p, RowsOfEntries(p));
  // Products are grouped by their place, so each sum stays in a register; places that no
  // product reaches keep the zero they were given when the pattern was made.
  double* values = dense ? p.matrix.data() : p.LaidOut();
  const size_t groups = p.Groups().groupSlot.size();
  // A pattern that a bounded solve has held rows of keeps the matrix before holding.
  p.keepsAssembled = p.keepsAssembled || held != nullptr;
  bool changed = true;
  if (p.assembledFrom == flat_) {
    // The same entries with other rows held (a bounded solve's pivots, or its rounds with new
    // bounds): the matrix before holding is the one assembled last.
    changed = HoldAndCompare(p, values, held, p.assembled.data());
  } else {
    if (p.grouped)
      Assemble(p, values);
    else
      AssembleUngrouped(p, values);
    if (p.keepsAssembled) {
      p.assembled.resize(groups);
      for (size_t group = 0; group < groups; ++group)
        p.assembled[group] = values[p.Groups().groupSlot[group]];
      p.assembledFrom = flat_;
    }
    // New entries with no row held make a new matrix: comparing it with the last one would
    // cost a pass and nearly never spare a factorisation. What it was made of is then unknown.
    // A factor made by supernodes compares all the same: blocks that kept their values are not
    // made again, and the next factorisation, with rows held, learns which blocks those change.
    if (held != nullptr || p.ldl.BySupernodes())
      changed = HoldAndCompare(p, values, held);
    else
      p.factored.clear();
  }
  // The entries are rewritten whole by the next call: they change places instead of being
  // copied (and the buffer keeps its size, so it is not cleared before it is rewritten).
  p.entries.swap(flat_);
  p.entriesHeldNone = held == nullptr;
  if (!changed) {
    p.changedBlocks.clear();
    return;
  }
  // More free rows than coordinates they can move make J W J' singular: only the compliance
  // makes it solvable. A factorisation without it would only run to the pivot that fails, and
  // leave the factor nothing of the last one to keep (a pile's rows outnumber its coordinates
  // two to one, and its pivots change only the few blocks above the rows they hold or free).
  int freeRows = n;
  if (held != nullptr) freeRows -= static_cast<int>(std::count(held->begin(), held->end(), 1));
  const bool singular = contacts && freeRows > p.coordinates;
  p.regularised = false;
  if (!singular) {
    AddCompliance(p, values, rows, held, false);
    if (FactoriseValues(p, contacts ? 1e-9 : 0.0)) {
      if (held == nullptr && onlyPlainPins_ && !dense) PlanPinAssembly(rows);
      return;
    }
  }
  if (contacts) {
    AddCompliance(p, values, rows, held, true);
    p.regularised = true;
    if (FactoriseValues(p, 0.0)) return;
  }
  p.factored.clear();
  p.entries.clear();
  throw DynamicsError{kErrSingular, "the constraints cannot be solved together"};
}

// Adds the products of the row set's entries into their places in one pass, without a loop per
// place: places hold one to a few products, and a loop of so few turns costs more in
// mispredicted branches than its arithmetic. The first product of every place comes first, one
// per place in the order of the places, and sets it, so no place needs clearing before.
void Mechanics::Assemble(const FactorPattern& p, double* values) const {
  const FactorPattern::Grouping& g = p.Groups();
  const std::pair<int, int>* pairs = g.pairs.data();
  const int* slots = g.productSlot.data();
  const double* weighted = weighted_.data();
  const double* flat = flat_.data();
  const size_t groups = g.groupSlot.size(), products = g.pairs.size();
  for (size_t k = 0; k < groups; ++k)
    values[slots[k]] = weighted[pairs[k].first] * flat[pairs[k].second];
  for (size_t k = groups; k < products; ++k)
    values[slots[k]] += weighted[pairs[k].first] * flat[pairs[k].second];
}

// Adds the products into their places in the order they were made, which is each place's own
// order, so that the sums are those of the grouped assembly to the bit: the first product of a
// place sets it, as there.
void Mechanics::AssembleUngrouped(const FactorPattern& p, double* values) const {
  std::vector<char> reached(static_cast<size_t>(p.n) * p.n, 0);
  const double* weighted = weighted_.data();
  const double* flat = flat_.data();
  for (const auto& product : p.products) {
    const double value = weighted[product.a] * flat[product.b];
    if (reached[product.slot]) {
      values[product.slot] += value;
    } else {
      reached[product.slot] = 1;
      values[product.slot] = value;
    }
  }
}

// Sets the places of held rows to those of the identity and the others to `from` (per place, in
// the order of the places) where it is given, and keeps the values the factorisation is made of
// as they are compared with the last ones; true when they changed. All in one pass over the
// places: a pile's are many, and each is reached where the factorisation lays it out.
// A factor made by supernodes learns on the way which of its blocks hold a changed place: the
// places come in ascending order, and so do the blocks.
bool Mechanics::HoldAndCompare(FactorPattern& p, double* values, const std::vector<char>* held,
                               const double* from) {
  const FactorPattern::Grouping& g = p.Groups();
  const size_t groups = g.groupSlot.size();
  bool changed = p.factored.size() != groups;
  const bool blocks = !changed && !p.dense && p.ldl.BySupernodes();
  if (blocks)
    p.changedBlocks.assign(p.ldl.Supernodes(), 0);
  else
    p.changedBlocks.clear();
  int block = 0;
  p.factored.resize(groups);
  double* factored = p.factored.data();
  const int* slots = g.groupSlot.data();
  const char* holding = held != nullptr ? held->data() : nullptr;
  for (size_t group = 0; group < groups; ++group) {
    double value = from != nullptr ? from[group] : values[slots[group]];
    if (holding != nullptr) {
      const auto [a, b] = g.groupRows[group];
      if (holding[a] || holding[b]) value = a == b ? 1.0 : 0.0;
    }
    values[slots[group]] = value;
    if (value != factored[group]) {
      changed = true;
      if (blocks) {
        while (slots[group] >= p.ldl.BlockEnd(block))
          ++block;
        p.changedBlocks[block] = 1;
      }
    }
    factored[group] = value;
  }
  return changed;
}

// Adds the contact rows' compliance to the diagonals of the free rows where `regularise`, and
// marks the blocks whose diagonal additions differ from those of the factorisation.
void Mechanics::AddCompliance(FactorPattern& p, double* values, const std::vector<int>& rows,
                              const std::vector<char>* held, bool regularise) const {
  const int n = static_cast<int>(rows.size());
  if (p.added.size() != static_cast<size_t>(n)) {
    p.added.assign(n, 0.0);
    p.changedBlocks.clear();
  }
  for (int r = 0; r < n; ++r) {
    const bool free = held == nullptr || !(*held)[r];
    const double add = regularise && free ? rows_[rows[r]].compliance : 0.0;
    if (add != 0) values[p.diagonal[r]] += add;
    if (add == p.added[r]) continue;
    p.added[r] = add;
    if (!p.changedBlocks.empty()) p.changedBlocks[p.ldl.SupernodeOfPlace(p.diagonal[r])] = 1;
  }
}

// Factorises the pattern's present values; false when a pivot is not above `smallest` times
// its diagonal.
bool Mechanics::FactoriseValues(FactorPattern& p, double smallest) {
  if (p.dense) return CholeskyInPlace(p.matrix, p.factor, p.denseOrder, p.first, p.last, smallest);
  const bool made = p.ldl.FactoriseLaidOut(
      p.LaidOut(), p.changedBlocks.empty() ? nullptr : &p.changedBlocks);
  // What changed is known only up to this factorisation: a second try makes every block.
  p.changedBlocks.clear();
  if (!made) return false;
  if (smallest == 0) return true;
  const double* values = p.LaidOut();
  const std::vector<double>& d = p.ldl.Pivots();
  for (int r = 0; r < p.n; ++r)
    if (!(d[p.order[r]] > smallest * values[p.diagonal[r]])) return false;
  return true;
}

// The row of each entry of the pattern's row set, from the entry counts its structure begins
// with.
LargeVector<int> Mechanics::RowsOfEntries(const FactorPattern& p) {
  LargeVector<int> rowOf(p.structure.size() - static_cast<size_t>(p.n));
  for (int r = 0, k = 0; r < p.n; ++r)
    for (int i = 0; i < p.structure[r]; ++i)
      rowOf[k++] = r;
  return rowOf;
}

// Groups the products by their place, keeping their order within a place, and lists the
// places. Places are small integers, so the products are counted out by place rather than
// sorted: a general sort of a pile's products cost more than its factorisation, and a short run
// of a small pile plans its pattern again as the rows settle.
void Mechanics::GroupProducts(FactorPattern& p, const LargeVector<int>& rowOf) {
  const size_t count = p.products.size();
  // Where the products' places lie: the dense matrix, or the layout the factorisation reads.
  const size_t places =
      p.dense ? static_cast<size_t>(p.n) * p.n : static_cast<size_t>(p.ldl.LaidOutCount());
  // The places reached, a bit each, and at each place reached how many products it has. A
  // pile's products reach a fifth of its layout's places (the rest are L's fill): counts of every
  // place would be cleared, summed and walked for nothing, so the first product of a place sets
  // its count and the rest are never written.
  std::vector<uint64_t> reachedBits((places + 63) / 64, 0);
  LargeVector<int> at(places);
  for (const auto& product : p.products) {
    uint64_t& word = reachedBits[product.slot >> 6];
    const uint64_t bit = uint64_t{1} << (product.slot & 63);
    at[product.slot] = (word & bit) != 0 ? at[product.slot] + 1 : 1;
    word |= bit;
  }
  // Counted first, the lists of them are made at their size: grown, a pile's would leave each
  // of their earlier sizes behind as new memory.
  size_t reached = 0;
  for (const uint64_t bits : reachedBits)
    reached += static_cast<size_t>(std::popcount(bits));
  // Walked in order, the places reached are listed, and each one's count becomes where its
  // products start among them all: group g's are bySlot[start[g], start[g + 1]).
  auto grouping = std::make_shared<FactorPattern::Grouping>();
  LargeVector<int>& groupSlot = grouping->groupSlot;
  groupSlot.reserve(reached);
  LargeVector<int> start;
  start.reserve(reached + 1);
  int placed = 0;
  for (size_t w = 0; w < reachedBits.size(); ++w)
    for (uint64_t bits = reachedBits[w]; bits != 0; bits &= bits - 1) {
      const int slot = static_cast<int>(w * 64) + std::countr_zero(bits);
      groupSlot.push_back(slot);
      start.push_back(placed);
      placed += std::exchange(at[slot], placed);
    }
  start.push_back(placed);
  // The products of each place in their own order, with what the grouping reads of them: a
  // pile's products are many, and read through their indices they would be read at random.
  // Counted out by place, they keep their order within each.
  struct Placed {
    int a, b;
  };
  LargeVector<Placed> bySlot(count);
  for (const auto& product : p.products)
    bySlot[at[product.slot]++] = {product.a, product.b};
  LargeVector<std::pair<int, int>>& groupRows = grouping->groupRows;
  groupRows.reserve(reached);
  for (size_t g = 0; g < reached; ++g) {
    const Placed& first = bySlot[start[g]];
    groupRows.emplace_back(rowOf[first.a], rowOf[first.b]);
  }
  // The products are added in the order of their ranks: every place's first product, then
  // every place's second... so that additions that follow each other go to different places
  // and need not wait for each other, while each place still adds its products in their own
  // order. The places still to add to shrink as their products run out.
  grouping->pairs.resize(count);
  grouping->productSlot.resize(count);
  LargeVector<int> open(reached);
  for (size_t g = 0; g < reached; ++g)
    open[g] = static_cast<int>(g);
  size_t next = 0;
  for (int r = 0; !open.empty(); ++r) {
    size_t kept = 0;
    for (const int g : open) {
      const Placed& product = bySlot[start[g] + r];
      grouping->pairs[next] = {product.a, product.b};
      grouping->productSlot[next++] = groupSlot[g];
      if (start[g + 1] - start[g] > r + 1) open[kept++] = g;
    }
    open.resize(kept);
  }
  p.grouping = std::move(grouping);
  p.grouped = true;
}

// The plan of a pattern: every product's place in the matrix values and, for the sparse
// factorisation, a fill-reducing ordering of the rows and its symbolic analysis.
void Mechanics::MakePattern(FactorPattern& p, int n, bool dense) {
  if (pinAssembly_.pattern == &p) pinAssembly_.pattern = nullptr;
  p.structure = structure_;
  p.n = n;
  p.dense = dense;
  p.factored.clear();
  p.entries.clear();
  p.assembledFrom.clear();
  p.keepsAssembled = false;
  p.grouped = false;
  p.products.clear();
  p.grouping.reset();
  ListProducts(p, n, dense);
  p.diagonal.resize(n);
  if (dense) {
    p.matrix.setZero(n, n);
    for (int r = 0; r < n; ++r)
      p.diagonal[r] = r * n + r;
    std::vector<char> meets(static_cast<size_t>(n) * n, 0);
    for (const auto& product : p.products)
      meets[product.slot] = 1;
    PlanEnvelope(
        n, [&](int r, int c) { return meets[static_cast<size_t>(c) * n + r] != 0; }, p.denseOrder,
        p.first, p.last);
    return;
  }
  const LargeVector<int> rowOf = RowsOfEntries(p);
  PlanSparse(p, n, rowOf);
  GroupProducts(p, rowOf);
  // Grouped, the products are read only by place: a pile's list is the largest of its plan.
  LargeVector<FactorPattern::Product>().swap(p.products);
  p.laidOut = std::make_shared<LargeVector<double>>(p.ldl.LaidOutCount(), 0.0);
  p.permuted.resize(n);
}

// The products of the row set's entries, coordinate by coordinate, and how many coordinates
// with mass the rows reach. The entries by coordinate are needed only for this, and a pile's
// are megabytes: they are gone before the ordering starts.
void Mechanics::ListProducts(FactorPattern& p, int n, bool dense) {
  // The entries by coordinate (coordinate, row, index into the row set's entries): sorted, so
  // that the plan costs what the row set holds, not what the world holds.
  struct Entry {
    int dof, row, flat;
    bool operator<(const Entry& other) const {
      return dof != other.dof ? dof < other.dof : flat < other.flat;
    }
  };
  LargeVector<Entry> byDof;
  byDof.reserve(structure_.size());
  int flat = 0;
  int lowest = std::numeric_limits<int>::max(), highest = -1;
  for (int r = 0; r < n; ++r)
    for (int k = 0; k < structure_[r]; ++k, ++flat) {
      const int dof = structure_[n + flat];
      byDof.push_back({dof, r, flat});
      lowest = std::min(lowest, dof);
      highest = std::max(highest, dof);
    }
  // The entries come in the order of their index: counted out by coordinate they keep it, as
  // the sort would. Counting pays where the coordinates the row set reaches lie close together
  // (a pile's rows); a few rows far apart in a large world are sorted.
  const int span = flat > 0 ? highest - lowest + 1 : 0;
  if (flat > 0 && span <= 2 * flat + 64) {
    std::vector<int> at(static_cast<size_t>(span) + 1, 0);
    for (const Entry& e : byDof)
      ++at[e.dof - lowest + 1];
    for (int d = 0; d < span; ++d)
      at[d + 1] += at[d];
    LargeVector<Entry> counted(byDof.size());
    for (const Entry& e : byDof)
      counted[at[e.dof - lowest]++] = e;
    byDof.swap(counted);
  } else {
    std::sort(byDof.begin(), byDof.end());
  }
  p.coordinates = 0;
  for (size_t k = 0; k < byDof.size(); ++k)
    if ((k == 0 || byDof[k].dof != byDof[k - 1].dof) && invMass_[byDof[k].dof] != 0)
      ++p.coordinates;
  // As many products as each coordinate's entries make pairs: room for them all at once.
  size_t count = 0;
  for (size_t begin = 0, end = 0; begin < byDof.size(); begin = end) {
    while (end < byDof.size() && byDof[end].dof == byDof[begin].dof)
      ++end;
    count += (end - begin) * (end - begin + 1) / 2;
  }
  p.products.reserve(count);
  for (size_t begin = 0, end = 0; begin < byDof.size(); begin = end) {
    while (end < byDof.size() && byDof[end].dof == byDof[begin].dof)
      ++end;
    for (size_t i = begin; i < end; ++i)
      for (size_t j = begin; j < end; ++j)
        if (byDof[i].row >= byDof[j].row) {
          p.products.push_back(
              {byDof[i].flat, byDof[j].flat, dense ? byDof[j].row * n + byDof[i].row : 0});
        }
  }
}

// A sparse pattern's fill-reducing ordering and symbolic analysis, and the slot of every product
// and diagonal where the factorisation reads them. Its patterns and places, some tens of a
// pile's megabytes, are gone before the products are grouped.
void Mechanics::PlanSparse(FactorPattern& p, int n, const LargeVector<int>& rowOf) {
  // Two rows that share coordinates meet through each of them: the ordering and the analysis
  // take every place once, and each product is told its place's slot.
  LargeVector<int> placeOf;
  const LargeVector<std::pair<int, int>> places = DistinctPlaces(p.products, n, rowOf, placeOf);
  {
    Eigen::SparseMatrix<char> full(n, n);
    SymmetricPattern(n, places, full);
    // The minimum degree ordering that AMDOrdering makes, called on the symmetric pattern
    // directly: AMDOrdering would first add the pattern's transpose to it, which for a pile's
    // rows costs as much as the ordering.
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> inverse;
    Eigen::internal::minimum_degree_ordering(full, inverse);
    const Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> order = inverse.inverse();
    p.order.assign(order.indices().data(), order.indices().data() + n);
  }
  // Rows peeled from every end of a chain or tree at once, where that fills no more: its pivots
  // then wait for each other along half the chain, and those of its two ends overlap.
  // Where nothing peels (a pile's rows), the two orders are one and neither is costed.
  {
    std::vector<int> peeled = PeeledOrder(n, places, p.order);
    if (peeled != p.order) {
      const EliminationCost byDegree = CostOfOrder(n, places, p.order);
      const EliminationCost byPeeling = CostOfOrder(n, places, peeled);
      if (byPeeling.entries <= byDegree.entries && byPeeling.height < byDegree.height)
        p.order.swap(peeled);
    }
  }
  // The reordered upper triangle is read only here: the analysis keeps what it needs of it.
  Eigen::SparseMatrix<double> upper;
  LargeVector<int> slotOf;
  UpperPattern(n, places, p.order, upper, slotOf, p.diagonal);
  p.ldl.Analyse(upper);
  // Products and diagonals go straight where the factorisation reads them.
  const LargeVector<int>& laidOut = p.ldl.LaidOutPlaces();
  for (int& slot : slotOf)
    slot = laidOut[slot];
  for (size_t i = 0; i < p.products.size(); ++i)
    p.products[i].slot = slotOf[placeOf[i]];
  for (int& slot : p.diagonal)
    slot = laidOut[slot];
}

// Makes `to` the plan `from` was made as, with its factorisation and what that was made of,
// but none of the values being assembled. The plan and the factor are copied field by field;
// the rest of a pile's values, tens of megabytes, would be copied only to be cleared, and the
// layout they are assembled into is shared.
void Mechanics::CopyPlan(const FactorPattern& from, FactorPattern& to) {
  if (pinAssembly_.pattern == &to) pinAssembly_.pattern = nullptr;
  if (&from != &to) {
    to.structure = from.structure;
    to.products = from.products;
    to.grouping = from.grouping;
    to.diagonal = from.diagonal;
    to.coordinates = from.coordinates;
    to.n = from.n;
    to.dense = from.dense;
    to.grouped = from.grouped;
    to.factor = from.factor;
    to.denseOrder = from.denseOrder;
    to.first = from.first;
    to.last = from.last;
    to.work = from.work;
    to.order = from.order;
    // The factorisation `from` holds comes along: a factorisation of the same values then finds
    // every block as it was, and makes none of them again.
    to.ldl = from.ldl;
    to.matrix.resize(from.matrix.rows(), from.matrix.cols());
    to.laidOut = from.laidOut;
    to.permuted.resize(from.permuted.size());
  }
  // A dense pattern's values start as a new one's do: zero where no product reaches.
  to.matrix.setZero();
  // The factor that came along was made of these values: the first assembly compared with them
  // makes again only the blocks that differ.
  to.regularised = from.regularised;
  to.factored = from.factored;
  to.added = from.added;
  to.entries.clear();
  to.entriesHeldNone = false;
  to.assembled.clear();
  to.assembledFrom.clear();
  to.keepsAssembled = false;
}

// Plans the assembly of the pattern just factorised for a set of plain pins' rows: each
// product's entries by their place in entries_.
void Mechanics::PlanPinAssembly(const std::vector<int>& rows) {
  PinAssembly& a = pinAssembly_;
  const FactorPattern& p = *pattern_;
  std::vector<int> placeOf;  // of each entry of the row set, in entries_
  for (int r : rows)
    for (int k = 0; k < rows_[r].count; ++k)
      placeOf.push_back(rows_[r].begin + k);
  const std::pair<int, int>* pairs = p.Groups().pairs.data();
  const size_t products = p.Groups().pairs.size();
  a.pairs.resize(products);
  a.weight.resize(products);
  for (size_t k = 0; k < products; ++k) {
    a.pairs[k] = {placeOf[pairs[k].first], placeOf[pairs[k].second]};
    a.weight[k] = invMass_[entries_[a.pairs[k].first].first];
  }
  a.pattern = pattern_;
  a.rows = rows;
  a.layout = entryLayout_;
  a.values = entryValues_;
}

// Factorises J W J' over plain pins' rows by the planned assembly when it still holds: the
// same rows with entries of the same layout. Their matrix is then that of the pattern planned,
// assembled with the same products in the same order, so the factorisation is the same to the
// bit. False when the plan does not hold.
bool Mechanics::FactorisePinRows(const std::vector<int>& rows) {
  PinAssembly& a = pinAssembly_;
  if (!onlyPlainPins_ || a.pattern == nullptr || a.layout != entryLayout_ ||
      a.pattern->keepsAssembled || a.rows != rows)
    return false;
  FactorPattern& p = *a.pattern;
  ++factoriseCount_;
  chordReady_ = false;
  pattern_ = &p;
  p.lastUse = factoriseCount_;
  // The entries have not been made anew since this matrix was factorised.
  if (a.values == entryValues_) return true;
  // What the general road knows of the matrix no longer holds.
  p.entries.clear();
  p.factored.clear();
  p.regularised = false;
  const std::pair<int, double>* entries = entries_.data();
  const double* weight = a.weight.data();
  const std::pair<int, int>* pairs = a.pairs.data();
  const int* slots = p.Groups().productSlot.data();
  double* values = p.LaidOut();
  const size_t groups = p.Groups().groupSlot.size(), products = a.pairs.size();
  auto product = [&](size_t k) {
    return entries[pairs[k].first].second * weight[k] * entries[pairs[k].second].second;
  };
  for (size_t k = 0; k < groups; ++k)
    values[slots[k]] = product(k);
  for (size_t k = groups; k < products; ++k)
    values[slots[k]] += product(k);
  if (!FactoriseValues(p, 0.0)) {
    a.values = -1;
    throw DynamicsError{kErrSingular, "the constraints cannot be solved together"};
  }
  a.values = entryValues_;
  return true;
}

void Mechanics::SolveFactorised(const Eigen::VectorXd& b, Eigen::VectorXd& x) {
  FactorPattern& p = *pattern_;
  if (p.dense) {
    CholeskySolve(p.factor, p.denseOrder, p.first, p.last, p.n, b, x, p.work);
    return;
  }
  double* y = p.permuted.data();
  for (int i = 0; i < p.n; ++i)
    y[p.order[i]] = b[i];
  p.ldl.Solve(y);
  x.resize(p.n);
  for (int i = 0; i < p.n; ++i)
    x[i] = y[p.order[i]];
}

void Mechanics::SolveFactorisedPair(Eigen::VectorXd& a, Eigen::VectorXd& b) {
  FactorPattern& p = *pattern_;
  if (p.dense) {
    CholeskySolve(p.factor, p.denseOrder, p.first, p.last, p.n, a, a, p.work);
    CholeskySolve(p.factor, p.denseOrder, p.first, p.last, p.n, b, b, p.work);
    return;
  }
  pairWork_.resize(2 * p.n);
  double* x = pairWork_.data();
  double* y = x + p.n;
  for (int i = 0; i < p.n; ++i) {
    x[p.order[i]] = a[i];
    y[p.order[i]] = b[i];
  }
  p.ldl.Solve(x, y);
  for (int i = 0; i < p.n; ++i) {
    a[i] = x[p.order[i]];
    b[i] = y[p.order[i]];
  }
}

void Mechanics::SelectRows() {
  // Written in place, room for every row made: a pile's rows are selected several times a step.
  // The buffer only grows, and the solve's list is resized only when its length changes: a
  // small world's selections would otherwise spend more on sizing than on selecting.
  if (candidates_.size() < rows_.size()) candidates_.resize(rows_.size());
  int* const first = candidates_.data();
  int* candidate = first;
  // The rows that take part, as (constraint, goal, sub) in order, compared with the last set as
  // they are read: the set is nearly always the one of the last evaluation.
  size_t at = 0;
  bool same = true;
  bool others = false;  // rows other than contacts' take part
  for (size_t i = 0; i < rows_.size(); ++i) {
    const Row& row = rows_[i];
    if (!row.candidate) continue;
    *candidate++ = static_cast<int>(i);
    // Contact rows are never dropped as redundant: their compliance keeps them solvable.
    if (row.contact >= 0) continue;
    others = true;
    if (same && at + 3 <= lastSignature_.size() && lastSignature_[at] == row.constraint &&
        lastSignature_[at + 1] == row.goal && lastSignature_[at + 2] == row.sub) {
      at += 3;
      continue;
    }
    if (same) {
      same = false;
      lastSignature_.resize(at);
    }
    lastSignature_.push_back(row.constraint);
    lastSignature_.push_back(row.goal);
    lastSignature_.push_back(row.sub);
  }
  const int count = static_cast<int>(candidate - first);
  if (same && at != lastSignature_.size()) {
    same = false;
    lastSignature_.resize(at);
  }
  if (!same) {
    chordReady_ = false;
    active_.clear();
    for (int k = 0; k < count; ++k)
      if (rows_[first[k]].contact < 0) active_.push_back(first[k]);
    FindRedundantRows();
  }
  // A pile's rows are all contacts': none is dropped, and they need not be read again.
  int solved = count;
  if (others) {
    solved = 0;
    for (int k = 0; k < count; ++k)
      if (!rows_[first[k]].redundant) first[solved++] = first[k];
  }
  if (solveRows_.size() != static_cast<size_t>(solved)) solveRows_.resize(solved);
  std::copy(first, first + solved, solveRows_.begin());
}

// Rows that depend on others are dropped from the solve (their multipliers stay zero) and
// reported; consistent redundant constraints are then still satisfied by the others.
void Mechanics::FindRedundantRows() {
  redundant_.clear();
  for (uint8_t& flags : slotFlags_)
    flags &= ~kRedundant;
  for (Row& row : rows_)
    row.redundant = false;
  std::vector<char> dependent;
  MarkDependentRows(active_, dependent);
  for (size_t j = 0; j < active_.size(); ++j)
    if (dependent[j]) SetFlag(rows_[active_[j]], kRedundant, true);
  for (const Row& row : rows_) {
    if (!row.redundant) continue;
    if (std::find(redundant_.begin(), redundant_.end(), row.constraint) != redundant_.end())
      continue;
    redundant_.push_back(row.constraint);
    warnings_.push_back(Warning{Warning::Kind::Redundant, row.constraint, time_});
  }
}

namespace {

// The LDL' factorisation of a symmetric positive semidefinite matrix, given by its upper
// triangle in compressed columns, that leaves out every row whose pivot is no more than a
// small part of its diagonal: what is left is the factorisation of the matrix without those
// rows, so the rows left out are exactly those that depend on the ones before them. Up-looking,
// along the elimination tree, so that a matrix whose factor does not fill in costs its size.
void DropDependentPivots(const Eigen::SparseMatrix<double>& upper, std::vector<char>& dropped) {
  // A pivot this small against its diagonal is a row within 1e-6 rad of the others' span: at
  // most rounding for rows that truly depend, far below any mechanism that can still move.
  constexpr double kDependent = 1e-12;
  const int n = static_cast<int>(upper.cols());
  const int* ap = upper.outerIndexPtr();
  const int* ai = upper.innerIndexPtr();
  const double* ax = upper.valuePtr();
  std::vector<int> parent(n, -1), flag(n), count(n, 0), lp(n + 1, 0);
  for (int k = 0; k < n; ++k) {
    flag[k] = k;
    for (int p = ap[k]; p < ap[k + 1]; ++p)
      for (int i = ai[p]; i < k && flag[i] != k; i = parent[i]) {
        if (parent[i] == -1) parent[i] = k;
        ++count[i];
        flag[i] = k;
      }
  }
  for (int k = 0; k < n; ++k)
    lp[k + 1] = lp[k] + count[k];
  std::vector<int> li(lp[n]), pattern(n);
  std::vector<double> lx(lp[n]), d(n, 0.0), y(n, 0.0);
  dropped.assign(n, 0);
  std::fill(count.begin(), count.end(), 0);
  for (int k = 0; k < n; ++k) {
    int top = n;
    flag[k] = k;
    for (int p = ap[k]; p < ap[k + 1]; ++p) {
      int i = ai[p];
      if (i > k) continue;
      y[i] += ax[p];
      int length = 0;
      for (; flag[i] != k; i = parent[i]) {
        pattern[length++] = i;
        flag[i] = k;
      }
      while (length > 0)
        pattern[--top] = pattern[--length];
    }
    const double diagonal = y[k];
    d[k] = y[k];
    y[k] = 0;
    for (; top < n; ++top) {
      const int i = pattern[top];
      const double yi = y[i];
      y[i] = 0;
      if (dropped[i]) continue;  // a row left out takes no part
      for (int p = lp[i]; p < lp[i] + count[i]; ++p)
        y[li[p]] -= lx[p] * yi;
      const double l = yi / d[i];
      d[k] -= l * yi;
      li[lp[i] + count[i]] = k;
      lx[lp[i] + count[i]] = l;
      ++count[i];
    }
    if (!(d[k] > kDependent * diagonal)) dropped[k] = 1;
  }
}

}  // namespace

// A fill-reducing order of the rows (the new place of each) chosen for their records, each
// record's rows kept together: of two records that repeat each other, the later in that order
// has all its rows dropped, so one record is reported, not a row of each.
Eigen::VectorXi Mechanics::RecordOrder(const std::vector<int>& rows,
                                       const Eigen::SparseMatrix<double>& full) const {
  const int n = static_cast<int>(rows.size());
  std::vector<int> node(model_.constraints.size(), -1), nodeOfRow(n);
  int nodes = 0;
  for (int r = 0; r < n; ++r) {
    int& id = node[rows_[rows[r]].constraint];
    if (id < 0) id = nodes++;
    nodeOfRow[r] = id;
  }
  std::vector<Eigen::Triplet<double>> links;
  for (int k = 0; k < full.outerSize(); ++k)
    for (Eigen::SparseMatrix<double>::InnerIterator it(full, k); it; ++it)
      links.emplace_back(nodeOfRow[it.row()], nodeOfRow[it.col()], 1.0);
  Eigen::SparseMatrix<double> graph(nodes, nodes);
  graph.setFromTriplets(links.begin(), links.end());
  Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> inverse;
  Eigen::AMDOrdering<int>()(graph, inverse);
  const Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> nodeOrder = inverse.inverse();
  const Eigen::VectorXi& placeOfNode = nodeOrder.indices();
  std::vector<int> byPlace(n);
  for (int r = 0; r < n; ++r)
    byPlace[r] = r;
  std::stable_sort(byPlace.begin(), byPlace.end(), [&](int a, int b) {
    return placeOfNode[nodeOfRow[a]] < placeOfNode[nodeOfRow[b]];
  });
  Eigen::VectorXi place(n);
  for (int k = 0; k < n; ++k)
    place[byPlace[k]] = k;
  return place;
}

void Mechanics::MarkDependentRows(const std::vector<int>& rows,
                                  std::vector<char>& dependent) const {
  const int n = static_cast<int>(rows.size());
  dependent.assign(n, 0);
  if (n == 0) return;
  // J W J' by products of the entries that share a coordinate.
  std::vector<std::vector<std::pair<int, double>>> byDof(dofCount_);
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    for (int i = row.begin; i < row.begin + row.count; ++i)
      byDof[entries_[i].first].emplace_back(r, entries_[i].second);
  }
  std::vector<Eigen::Triplet<double>> triplets;
  for (int r = 0; r < n; ++r)
    triplets.emplace_back(r, r, 0.0);  // a row on no free coordinate has a zero diagonal
  for (int dof = 0; dof < dofCount_; ++dof)
    for (const auto& [ra, va] : byDof[dof])
      for (const auto& [rb, vb] : byDof[dof])
        triplets.emplace_back(ra, rb, va * invMass_[dof] * vb);
  Eigen::SparseMatrix<double> full(n, n);
  full.setFromTriplets(triplets.begin(), triplets.end());
  Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> order(n);
  order.indices() = RecordOrder(rows, full);
  Eigen::SparseMatrix<double> upper(n, n);
  upper.selfadjointView<Eigen::Upper>() = full.selfadjointView<Eigen::Upper>().twistedBy(order);
  upper.makeCompressed();
  std::vector<char> dropped;
  DropDependentPivots(upper, dropped);
  for (int r = 0; r < n; ++r)
    dependent[r] = dropped[order.indices()[r]];
}

// Bounded least-effort solve by pivoting: rows whose multiplier leaves its bounds are clamped
// there; clamped rows whose residual shows they are no longer needed are freed again. A start
// (which rows are clamped where) shortens the pivoting when it is near the answer; any start
// leads to the same answer, since the pivoting ends only where every row meets its bounds.
void Mechanics::SolveBounded(const std::vector<int>& rows, const Eigen::VectorXd& b,
                             const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                             Eigen::VectorXd& x, std::vector<Bound>* start, Pivoting pivoting,
                             Keeping keeping) {
  const int n = static_cast<int>(rows.size());
  x = Eigen::VectorXd::Zero(n);
  if (n == 0) return;
  bool bounded = false;
  for (int i = 0; i < n; ++i)
    bounded = bounded || lower[i] > -kInfinity || upper[i] < kInfinity;
  if (!bounded) {
    if (start != nullptr) start->assign(n, Bound::Free);
    Factorise(rows);
    SolveFactorised(b, x);
    return;
  }
  // Only a fast run takes the answer of no multipliers straight away. In an accurate run the
  // pivoting's own answer (a rounding's worth off zero) is kept: the exact zero moves the steps
  // its error control takes, and a column of boxes struck off-centre was seen to stall on them.
  if (pivoting == Pivoting::Exact && sweptContacts_ && n <= kTinyRows &&
      SolvedByNothing(b, lower, upper, x, start))
    return;
  if (pivoting == Pivoting::Exact && tinySolves_ && n <= kTinyRows) {
    SolveTiny(rows, b, lower, upper, x, start);
    return;
  }
  // Rows whose factorisation is kept from their last solve were one island then, and solve
  // against it again: splitting them anew would cost more than a resting stack's solve.
  const bool keptFits = pivoting == Pivoting::Exact && keeping != Keeping::None &&
                        KeptFits(kept_[keeping == Keeping::Accelerations ? 0 : 1], rows);
  if (pivoting == Pivoting::Exact && !keptFits &&
      SolveByIslands(rows, b, lower, upper, x, start, keeping))
    return;
  SolveBoundedIsland(rows, b, lower, upper, x, start, pivoting, keeping, false);
}

// A pile's pivots hold or free a few of its rows at a time (a box's friction that meets its
// bound, or leaves it), and a new factorisation for each would cost as much as the first. The
// kept factorisation M0 solves the new set instead. With P the rows held since it was made and
// Q those freed since, the answer is x = z - Y xQ + Z mu: z solves M0 for the right-hand side,
// Y for the columns of J W J' of the freed rows, Z for the unit vectors of the newly held ones,
// and xQ with the multipliers mu that keep xP at zero come from a dense system of |P| + |Q|
// rows: xP = 0, and the freed rows' own equations. z, Y and Z are zero on the rows M0 holds,
// so the freed rows' columns (the matrix is symmetric) give their coupling to the rest.
bool Mechanics::PrepareKeptSolve(KeptFactorisation& k, const std::vector<int>& rows,
                                 const std::vector<char>& held, const Eigen::VectorXd* rhs) {
  // Beyond this many changed rows a new factorisation costs less than the solves.
  constexpr int kMostChanges = 8;
  const int n = static_cast<int>(rows.size());
  k.firstMade = false;
  k.newlyHeld.clear();
  k.freed.clear();
  for (int i = 0; i < n; ++i) {
    if (held[i] && !k.held[i]) k.newlyHeld.push_back(i);
    if (!held[i] && k.held[i]) k.freed.push_back(i);
    if (static_cast<int>(k.newlyHeld.size() + k.freed.size()) > kMostChanges) return false;
  }
  const int p = static_cast<int>(k.newlyHeld.size()), q = static_cast<int>(k.freed.size());
  // Nothing changed since the factorisation: it solves the set as it stands.
  if (p + q == 0) return true;
  SolveChangedRows(k, rows, rhs);
  // Room for the most changes the solve takes, made once for the rows: a pile's columns are
  // some megabytes, and sized anew for each count of changes they would be new memory each time.
  if (k.columns.rows() != n) {
    k.columns.resize(n, kMostChanges);
    k.byFreed.resize(n, kMostChanges);
    k.byHeld.resize(n, kMostChanges);
  }
  for (int j = 0; j < q; ++j) {
    const int at = KeptFreedSolve(k, rows, k.freed[j]);
    k.columns.col(j) = k.freedColumns[at];
    k.byFreed.col(j) = k.freedSolves[at];
  }
  for (int j = 0; j < p; ++j)
    k.byHeld.col(j) = k.unitSolves[KeptUnitSolve(k, k.newlyHeld[j])];
  // The unknowns are (xQ, mu); the equations xP = 0, then the freed rows', each with the
  // compliance M0 carries on its diagonal.
  Eigen::MatrixXd system(p + q, p + q);
  for (int i = 0; i < p; ++i) {
    const int row = k.newlyHeld[i];
    system.row(i).head(q) = -k.byFreed.row(row).head(q);
    system.row(i).tail(p) = k.byHeld.row(row).head(p);
  }
  for (int i = 0; i < q; ++i) {
    const auto column = k.columns.col(i);
    for (int j = 0; j < q; ++j)
      system(p + i, j) = column[k.freed[j]] - column.dot(k.byFreed.col(j));
    system(p + i, i) += rows_[rows[k.freed[i]]].compliance;
    for (int j = 0; j < p; ++j)
      system(p + i, q + j) = column.dot(k.byHeld.col(j));
  }
  k.changed.compute(system);
  if (k.changed.isInvertible()) return true;
  k.firstMade = false;
  return false;
}

void Mechanics::SolveKept(KeptFactorisation& k, const Eigen::VectorXd& rhs, Eigen::VectorXd& x) {
  const int p = static_cast<int>(k.newlyHeld.size()), q = static_cast<int>(k.freed.size());
  // The freed rows are held in M0, with nothing on their right.
  k.right = rhs;
  for (int j : k.freed)
    k.right[j] = 0;
  if (k.firstMade) {
    x = k.first;
    k.firstMade = false;
  } else {
    SolveFactorised(k.right, x);
  }
  if (p + q == 0) return;
  k.right.resize(p + q);
  for (int i = 0; i < p; ++i)
    k.right[i] = -x[k.newlyHeld[i]];
  for (int i = 0; i < q; ++i)
    k.right[p + i] = rhs[k.freed[i]] - k.columns.col(i).dot(x);
  k.unknowns = k.changed.solve(k.right);
  x -= k.byFreed.leftCols(q) * k.unknowns.head(q);
  x += k.byHeld.leftCols(p) * k.unknowns.tail(p);
  for (int j = 0; j < q; ++j)
    x[k.freed[j]] = k.unknowns[j];
  for (int j : k.newlyHeld)
    x[j] = 0;
}

void Mechanics::KeepFactorisation(KeptFactorisation& k, const std::vector<int>& rows,
                                  const std::vector<char>& held) {
  k.pattern = pattern_;
  k.stamp = pattern_->lastUse;
  // The last answer stays a start only for the same rows.
  if (k.rows != rows) {
    k.last.resize(0);
    k.lastRight.resize(0);
  }
  k.rows = rows;
  k.held = held;
  // The solves' vectors stay for the next factorisation's to be written into.
  k.unitRows.clear();
  k.freedRows.clear();
}

// The solves for the rows held or freed since the factorisation was made that are not made yet,
// made together: one pass over a large factor then serves them all, each solved as alone. A
// large factor's batch takes the first solve of the right-hand side too, as SolveKept makes it.
void Mechanics::SolveChangedRows(KeptFactorisation& k, const std::vector<int>& rows,
                                 const Eigen::VectorXd* rhs) {
  const int n = static_cast<int>(rows.size());
  const size_t units = k.unitRows.size(), freed = k.freedRows.size();
  for (const int row : k.newlyHeld) {
    if (std::find(k.unitRows.begin(), k.unitRows.end(), row) != k.unitRows.end()) continue;
    k.unitRows.push_back(row);
    k.unitSolves.resize(std::max(k.unitSolves.size(), k.unitRows.size()));
    k.unitSolves[k.unitRows.size() - 1].setZero(n);
    k.unitSolves[k.unitRows.size() - 1][row] = 1;
  }
  for (const int row : k.freed) {
    if (std::find(k.freedRows.begin(), k.freedRows.end(), row) != k.freedRows.end()) continue;
    const size_t at = k.freedRows.size();
    k.freedRows.push_back(row);
    k.freedColumns.resize(std::max(k.freedColumns.size(), at + 1));
    k.freedSolves.resize(std::max(k.freedSolves.size(), at + 1));
    k.unit = Eigen::VectorXd::Zero(n);
    k.unit[row] = 1;
    MulJWJt(rows, k.unit, k.freedColumns[at]);
    k.freedSolves[at] = k.freedColumns[at];
    for (int i = 0; i < n; ++i)
      if (k.held[i]) k.freedSolves[at][i] = 0;
  }
  // The vectors no longer move: the batch may point into them.
  k.batch.clear();
  for (size_t j = units; j < k.unitRows.size(); ++j)
    k.batch.push_back(&k.unitSolves[j]);
  for (size_t j = freed; j < k.freedRows.size(); ++j)
    k.batch.push_back(&k.freedSolves[j]);
  if (k.batch.empty()) return;
  FactorPattern& p = *pattern_;
  if (p.dense) {
    for (Eigen::VectorXd* x : k.batch)
      CholeskySolve(p.factor, p.denseOrder, p.first, p.last, p.n, *x, *x, p.work);
    return;
  }
  if (rhs != nullptr) {
    k.first = *rhs;
    for (int j : k.freed)
      k.first[j] = 0;
    k.batch.push_back(&k.first);
    k.firstMade = true;
  }
  const int count = static_cast<int>(k.batch.size());
  k.permuted.resize(static_cast<size_t>(count) * p.n);
  k.batchWork.resize(count);
  for (int v = 0; v < count; ++v) {
    double* y = k.permuted.data() + static_cast<size_t>(v) * p.n;
    const Eigen::VectorXd& x = *k.batch[v];
    for (int i = 0; i < p.n; ++i)
      y[p.order[i]] = x[i];
    k.batchWork[v] = y;
  }
  p.ldl.Solve(k.batchWork.data(), count);
  for (int v = 0; v < count; ++v) {
    const double* y = k.batchWork[v];
    Eigen::VectorXd& x = *k.batch[v];
    for (int i = 0; i < p.n; ++i)
      x[i] = y[p.order[i]];
  }
}

// Where the kept factorisation's solve for the unit vector of a row is, made on first use.
int Mechanics::KeptUnitSolve(KeptFactorisation& k, int row) {
  const auto found = std::find(k.unitRows.begin(), k.unitRows.end(), row);
  if (found != k.unitRows.end()) return static_cast<int>(found - k.unitRows.begin());
  k.unit = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(k.rows.size()));
  k.unit[row] = 1;
  k.unitRows.push_back(row);
  k.unitSolves.resize(std::max(k.unitSolves.size(), k.unitRows.size()));
  SolveFactorised(k.unit, k.unitSolves[k.unitRows.size() - 1]);
  return static_cast<int>(k.unitRows.size()) - 1;
}

// Where a freed row's column of J W J' and the kept factorisation's solve for it are, made on
// first use. Both stay while the factorisation does, though the rows be built again at other
// positions: the column then stands for the matrix the factorisation was made of, and the
// refinement of each solve makes up for the difference as it does for the factorisation's own.
int Mechanics::KeptFreedSolve(KeptFactorisation& k, const std::vector<int>& rows, int row) {
  const auto found = std::find(k.freedRows.begin(), k.freedRows.end(), row);
  if (found != k.freedRows.end()) return static_cast<int>(found - k.freedRows.begin());
  const int n = static_cast<int>(rows.size());
  const size_t at = k.freedRows.size();
  k.freedRows.push_back(row);
  k.freedColumns.resize(std::max(k.freedColumns.size(), at + 1));
  k.freedSolves.resize(std::max(k.freedSolves.size(), at + 1));
  k.unit = Eigen::VectorXd::Zero(n);
  k.unit[row] = 1;
  MulJWJt(rows, k.unit, k.freedColumns[at]);
  k.column = k.freedColumns[at];
  for (int i = 0; i < n; ++i)
    if (k.held[i]) k.column[i] = 0;
  SolveFactorised(k.column, k.freedSolves[at]);
  return static_cast<int>(at);
}

// How many rows are held or freed since the kept factorisation was made that it has no solve
// for yet: each costs a solve of the whole pile on its first use.
int Mechanics::NewKeptSolves(const KeptFactorisation& k, const std::vector<char>& held) const {
  int count = 0;
  for (size_t i = 0; i < held.size(); ++i) {
    if (held[i] == k.held[i]) continue;
    const std::vector<int>& made = held[i] ? k.unitRows : k.freedRows;
    if (std::find(made.begin(), made.end(), static_cast<int>(i)) == made.end()) ++count;
  }
  return count;
}

// Whether the kept factorisation was made for these rows and is still the one its pattern
// holds. The rows may since have been built again at other positions: the refinement of each
// solve makes up for the difference, or reports that it cannot.
bool Mechanics::KeptFits(const KeptFactorisation& k, const std::vector<int>& rows) const {
  return k.pattern != nullptr && k.pattern->lastUse == k.stamp && k.rows == rows;
}

// The free rows' residual of x (held rows zero) into k.residual, with x's product in k.product;
// returns the largest.
double Mechanics::KeptResidual(KeptFactorisation& k, const std::vector<int>& rows,
                               const std::vector<char>& held, const Eigen::VectorXd& rhs,
                               const Eigen::VectorXd& x) {
  const int n = static_cast<int>(rows.size());
  const bool regularised = k.pattern->regularised;
  const RowSpan* spans = SpansOf(rows);
  // The held rows' multipliers are zero (theirs are on the right), so the product is of the
  // free rows' alone.
  MulJWJt(rows, x, k.product);
  k.residual.resize(n);
  double largest = 0;
  for (int i = 0; i < n; ++i) {
    double r = 0;
    if (!held[i]) {
      r = rhs[i] - k.product[i];
      if (regularised) r -= spans[i].compliance * x[i];
    }
    k.residual[i] = r;
    largest = std::max(largest, std::abs(r));
  }
  return largest;
}

// The free rows solved against the kept factorisation and refined against the matrix as it
// now stands, until their residual is down to some tens of times what a fresh factorisation
// leaves. The solve through the rows held or freed since loses digits to the pile's repeated
// rows (its residual is millions of times a fresh one's), and a kept factorisation from other
// positions is off by their difference: each refinement takes off all but a millionth or so of
// what is left. One refinement then lands a large pile within this target; a target at a
// fresh solve's own rounding would take a second one (another solve of the whole pile) for
// digits far below what the friction rounds settle to. False when it does not get there in a
// few.
bool Mechanics::SolveKeptRefined(KeptFactorisation& k, const std::vector<int>& rows,
                                 const std::vector<char>& held, const Eigen::VectorXd& rhs,
                                 Eigen::VectorXd& x) {
  constexpr int kRefinements = 3;
  constexpr double kResidual = 5e-13;
  // How near the last right-hand side, in parts of the largest, one that starts from the last
  // answer lies: one refinement takes off all but a millionth or so (see above).
  constexpr double kNearRight = 1e-6;
  const int n = static_cast<int>(rows.size());
  double largestRight = 0;
  for (int i = 0; i < n; ++i)
    if (!held[i]) largestRight = std::max(largestRight, std::abs(rhs[i]));
  const double target = kResidual * std::max(1.0, largestRight);
  // The evaluations of a step ask nearly what the one before asked: refined from the last
  // answer, one solve takes a resting pile's residual from some hundred millionths of the
  // forces to far below the target, where the solve of the right-hand side leaves a millionth
  // of them, and a second solve to refine it. A right-hand side further from the last one (the
  // friction rounds of a first evaluation move it by a per cent) takes the two solves either
  // way, and its start a product more: it starts from the last answer only while that paid the
  // last time. A start no nearer than nothing (the rows stand for other contacts) is dropped.
  // Where the right-hand side's solve was made with the changed rows', it is taken.
  double largest = kInfinity;
  const bool near = k.lastRight.size() == n &&
                    (rhs - k.lastRight).lpNorm<Eigen::Infinity>() <= kNearRight * largestRight;
  bool started = !k.firstMade && k.last.size() == n && (near || k.startPaid);
  if (started) {
    x = k.last;
    for (int i = 0; i < n; ++i)
      if (held[i]) x[i] = 0;
    largest = KeptResidual(k, rows, held, rhs, x);
    started = largest < largestRight;
    k.startPaid = started;
  }
  if (!started) {
    SolveKept(k, rhs, x);
    largest = KeptResidual(k, rows, held, rhs, x);
  }
  double last = kInfinity;
  for (int refinement = 0;; ++refinement) {
    if (largest <= target) {
      if (started) k.startPaid = refinement <= 1;
      k.last = x;
      k.lastRight = rhs;
      return true;
    }
    if (refinement == kRefinements || !(largest < 0.5 * last)) return false;
    last = largest;
    SolveKept(k, k.residual, k.correction);
    for (int i = 0; i < n; ++i)
      if (!held[i]) x[i] += k.correction[i];
    largest = KeptResidual(k, rows, held, rhs, x);
  }
}

// Rows that reach no common free coordinate, directly or through other rows, do not act on each
// other: J W J' is block diagonal over their islands, and so is the bounded solve. A poured heap
// is many small islands whose rows come and go as bodies land; solved together, every new
// contact would plan the factorisation of the whole heap anew, while apart an island is a small
// dense solve. Only contact rows are split: the rows of joints alone keep one factorisation that
// the projection reuses.
bool Mechanics::SolveByIslands(const std::vector<int>& rows, const Eigen::VectorXd& b,
                               const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                               Eigen::VectorXd& x, std::vector<Bound>* start, Keeping keeping) {
  const int n = static_cast<int>(rows.size());
  bool contacts = false;
  for (int r : rows)
    contacts = contacts || rows_[r].contact >= 0;
  if (!contacts || n < 2) return false;
  IslandScratch& s = islandScratch_;
  std::vector<int>& parent = s.parent;
  parent.resize(n);
  for (int r = 0; r < n; ++r)
    parent[r] = r;
  auto root = [&](int r) {
    while (parent[r] != r) {
      parent[r] = parent[parent[r]];
      r = parent[r];
    }
    return r;
  };
  // The first row seen on each coordinate; a coordinate without mass (a fixed body's) joins
  // nothing, since no row's multiplier moves it.
  std::vector<int>& owner = s.owner;
  if (owner.size() != static_cast<size_t>(dofCount_)) owner.assign(dofCount_, -1);
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    // A row's entries come body by body, and a body's coordinates mostly have one first row:
    // the row last joined needs no second look.
    int joined = -1;
    for (int i = row.begin; i < row.begin + row.count; ++i) {
      const int dof = entries_[i].first;
      if (invMass_[dof] == 0) continue;
      if (owner[dof] < 0) {
        owner[dof] = r;
        continue;
      }
      if (owner[dof] == joined) continue;
      joined = owner[dof];
      const int a = root(r), c = root(owner[dof]);
      if (a != c) parent[std::max(a, c)] = std::min(a, c);
    }
  }
  for (int r : rows) {
    const Row& row = rows_[r];
    for (int i = row.begin; i < row.begin + row.count; ++i)
      owner[entries_[i].first] = -1;
  }
  // Islands numbered in the order of their first rows (a root is its island's first row), and
  // the rows grouped by island in their own order, so that each island's solve sees its rows in
  // the order the whole solve would.
  std::vector<int>& island = s.members;  // the island of each row, then the rows grouped
  island.resize(2 * static_cast<size_t>(n));
  int islands = 0;
  for (int r = 0; r < n; ++r) {
    const int top = root(r);
    island[r] = top == r ? islands++ : island[top];
  }
  if (islands < 2) return false;
  std::vector<int>& offsets = s.offsets;
  offsets.assign(islands + 1, 0);
  for (int r = 0; r < n; ++r)
    ++offsets[island[r] + 1];
  for (int k = 0; k < islands; ++k)
    offsets[k + 1] += offsets[k];
  int* grouped = island.data() + n;
  {
    std::vector<int> fill(offsets.begin(), offsets.begin() + islands);
    for (int r = 0; r < n; ++r)
      grouped[fill[island[r]]++] = r;
  }
  x.setZero(n);
  if (start != nullptr) start->resize(n, Bound::Free);
  for (int k = 0; k < islands; ++k) {
    const int begin = offsets[k], count = offsets[k + 1] - begin;
    s.rows.resize(count);
    s.b.resize(count);
    s.lower.resize(count);
    s.upper.resize(count);
    if (start != nullptr) s.start.resize(count);
    for (int j = 0; j < count; ++j) {
      const int r = grouped[begin + j];
      s.rows[j] = rows[r];
      s.b[j] = b[r];
      s.lower[j] = lower[r];
      s.upper[j] = upper[r];
      if (start != nullptr) s.start[j] = (*start)[r];
    }
    // A small island is assembled straight into a dense matrix: islands come and go with the
    // bodies that land, and planning each one's pattern would cost more than its solves.
    const bool small = count <= std::min(kSmallIslandRows, denseLimit_);
    if (tinySolves_ && (count <= kTinyRows || small)) {
      s.x.resize(count);
      if (start == nullptr) s.start.assign(count, Bound::Free);
      if (count <= kTinyRows)
        SolveTinyIsland(s.rows.data(), count, s.b.data(), s.lower.data(), s.upper.data(),
                        s.x.data(), s.start.data());
      else
        SolveSmallIsland(s.rows.data(), count, s.b.data(), s.lower.data(), s.upper.data(),
                         s.x.data(), s.start.data(), keeping);
    } else {
      SolveBoundedIsland(s.rows, s.b, s.lower, s.upper, s.x,
                         start != nullptr ? &s.start : nullptr, Pivoting::Exact, keeping,
                         count <= denseLimit_);
    }
    for (int j = 0; j < count; ++j)
      x[grouped[begin + j]] = s.x[j];
    if (start == nullptr) continue;
    for (int j = 0; j < count; ++j)
      (*start)[grouped[begin + j]] = s.start[j];
  }
  return true;
}

// The pivoting of SolveBoundedIsland over an island of a few rows (a pair's impact, a ball
// between two others), with its operations in the same order, so that the answer is the same to
// the bit. At this size its buffers, patterns and general loops cost more than the arithmetic:
// here J W J' is assembled once, each pivot only replaces the held rows by those of the identity,
// and the factor stays on the stack until the end, where it is left as FactoriseTiny leaves its
// own (the next solve with the factorisation at hand, and the residual of a start that holds
// every row, read it).
void Mechanics::SolveTinyIsland(const int* rows, int n, const double* b, const double* lower,
                                const double* upper, double* x, Bound* state) {
  static_assert(kTinyRows == 4, "one case for each count of rows");
  switch (n) {
    case 0:
      return;
    case 1:
      return SolveTinyIslandOf<1>(rows, 1, b, lower, upper, nullptr, false, x, state);
    case 2:
      return SolveTinyIslandOf<2>(rows, 2, b, lower, upper, nullptr, false, x, state);
    case 3:
      return SolveTinyIslandOf<3>(rows, 3, b, lower, upper, nullptr, false, x, state);
    case 4:
      return SolveTinyIslandOf<4>(rows, 4, b, lower, upper, nullptr, false, x, state);
    default:
      throw DynamicsError{kErrSingular, "a tiny solve was given more rows than it holds"};
  }
}

void Mechanics::SolveSmallIsland(const int* rows, int n, const double* b, const double* lower,
                                 const double* upper, double* x, Bound* state,
                                 Keeping keeping) {
  if (n > kSmallIslandRows)
    throw DynamicsError{kErrSingular, "a small solve was given more rows than it holds"};
  double allowance[kSmallIslandRows];
  for (int i = 0; i < n; ++i)
    allowance[i] = FrictionAllowance(rows_[rows[i]], upper[i], keeping);
  SolveTinyIslandOf<kSmallIslandRows>(rows, n, b, lower, upper, allowance, true, x, state);
}

template <int N>
void Mechanics::SolveTinyIslandOf(const int* rows, int count, const double* b,
                                  const double* lower, const double* upper,
                                  const double* allowance, bool countPivots, double* x,
                                  Bound* state) {
  const int n = N <= kTinyRows ? N : count;
  const std::pair<int, double>* entries = entries_.data();
  const double* invMass = invMass_.data();
  if (scatter_.size() != dofCount_) scatter_ = Eigen::VectorXd::Zero(dofCount_);
  double* scatter = scatter_.data();
  int begin[N], end[N];
  double compliance[N];
  bool contacts = false;
  for (int i = 0; i < n; ++i) {
    const Row& row = rows_[rows[i]];
    begin[i] = row.begin;
    end[i] = row.begin + row.count;
    compliance[i] = row.compliance;
    contacts = contacts || row.compliance != 0;
  }
  // Which coordinates each row reaches, as bits of their indices modulo 64: two rows whose bits
  // do not meet share no coordinate, and their entry of J W J' is zero (a sum of zeros only, as
  // FactoriseTiny would make it). An island's rows mostly reach other bodies than each other's.
  std::uint64_t reaches[N];
  for (int i = 0; i < n; ++i) {
    reaches[i] = 0;
    for (int k = begin[i]; k < end[i]; ++k)
      reaches[i] |= std::uint64_t{1} << (entries[k].first & 63);
  }
  // The lower triangle of J W J', each entry summed as FactoriseTiny sums it.
  double g[N][N];
  for (int i = 0; i < n; ++i) {
    for (int k = begin[i]; k < end[i]; ++k)
      scatter[entries[k].first] += entries[k].second * invMass[entries[k].first];
    for (int j = 0; j <= i; ++j) {
      double sum = 0;
      if ((reaches[i] & reaches[j]) != 0)
        for (int k = begin[j]; k < end[j]; ++k)
          sum += scatter[entries[k].first] * entries[k].second;
      g[i][j] = sum;
    }
    for (int k = begin[i]; k < end[i]; ++k)
      scatter[entries[k].first] = 0;
  }
  // J W J' v, summed as MulJWJt sums it.
  auto product = [&](const double* v, double* out) {
    bool any = false;
    for (int r = 0; r < n; ++r) {
      const double value = v[r];
      if (value == 0) continue;
      any = true;
      for (int k = begin[r]; k < end[r]; ++k)
        scatter[entries[k].first] += entries[k].second * value;
    }
    for (int r = 0; r < n; ++r) {
      double sum = 0;
      if (any)
        for (int k = begin[r]; k < end[r]; ++k)
          sum += entries[k].second * (invMass[entries[k].first] * scatter[entries[k].first]);
      out[r] = sum;
    }
    if (any)
      for (int r = 0; r < n; ++r)
        for (int k = begin[r]; k < end[r]; ++k)
          scatter[entries[k].first] = 0;
  };
  // The factor as CholeskyInPlace makes it, reciprocals on its diagonal.
  double l[N][N], m[N][N];
  auto cholesky = [&](const double (*a)[N], double smallest) {
    for (int j = 0; j < n; ++j) {
      double s = a[j][j];
      for (int k = 0; k < j; ++k)
        s -= l[j][k] * l[j][k];
      if (!(s > smallest * a[j][j])) return false;
      const double inverse = 1 / std::sqrt(s);
      l[j][j] = inverse;
      for (int i = j + 1; i < n; ++i) {
        double t = a[i][j];
        for (int k = 0; k < j; ++k)
          t -= l[i][k] * l[j][k];
        l[i][j] = t * inverse;
      }
    }
    return true;
  };
  // Whether the factorisation at hand carries the compliance: the one before this solve until
  // this solve makes its own.
  bool regularised = pattern_ != nullptr && pattern_->regularised;
  bool factorised = false;
  bool held[N];
  auto factorise = [&](bool holding) {
    ++factoriseCount_;
    chordReady_ = false;
    factorised = true;
    // Holding no row, the matrix factorised is J W J' itself, read where it was assembled.
    auto copy = [&] {
      for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
          m[i][j] = !holding || !(held[i] || held[j]) ? g[i][j] : i == j ? 1.0 : 0.0;
    };
    if (holding) copy();
    regularised = false;
    if (cholesky(holding ? m : g, contacts ? 1e-9 : 0.0)) return;
    if (contacts) {
      if (!holding) copy();
      for (int i = 0; i < n; ++i)
        if (!holding || !held[i]) m[i][i] += compliance[i];
      regularised = true;
      if (cholesky(m, 0.0)) return;
    }
    throw DynamicsError{kErrSingular, "the constraints cannot be solved together"};
  };
  auto solve = [&](const double* rhs, double* out) {
    for (int i = 0; i < n; ++i) {
      double t = rhs[i];
      for (int k = 0; k < i; ++k)
        t -= l[i][k] * out[k];
      out[i] = t * l[i][i];
    }
    for (int i = n - 1; i >= 0; --i) {
      double t = out[i];
      for (int k = i + 1; k < n; ++k)
        t -= l[k][i] * out[k];
      out[i] = t * l[i][i];
    }
  };
  for (int i = 0; i < n; ++i)
    if ((state[i] == Bound::AtLower && !(lower[i] > -kInfinity)) ||
        (state[i] == Bound::AtUpper && !(upper[i] < kInfinity)))
      state[i] = Bound::Free;
  const int maxIterations = 4 * n + 10;
  constexpr double kOutside = 1e-14, kWrongResidual = 1e-12;
  constexpr double together = 0.5;
  int fewestWrong = n + 1;
  double clamped[N], pushed[N], rhs[N], solution[N], residual[N];
  auto wrongSide = [&](int i) {
    return state[i] == Bound::AtLower   ? -residual[i]
           : state[i] == Bound::AtUpper ? residual[i]
                                        : 0.0;
  };
  auto excess = [&](int i) { return std::max(lower[i] - x[i], x[i] - upper[i]); };
  auto past = [&](int i) { return kOutside + (allowance != nullptr ? allowance[i] : 0.0); };
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if (countPivots && iteration > 0) ++pivotCount_;
    int freeCount = 0;
    for (int i = 0; i < n; ++i) {
      held[i] = state[i] != Bound::Free;
      clamped[i] = !held[i] ? 0.0 : state[i] == Bound::AtLower ? lower[i] : upper[i];
      freeCount += held[i] ? 0 : 1;
    }
    product(clamped, pushed);
    for (int i = 0; i < n; ++i)
      x[i] = clamped[i];
    if (freeCount > 0) {
      for (int i = 0; i < n; ++i)
        rhs[i] = held[i] ? 0.0 : b[i] - pushed[i];
      factorise(freeCount != n);
      solve(rhs, solution);
      for (int i = 0; i < n; ++i)
        if (!held[i]) x[i] = solution[i];
    }
    product(x, residual);
    for (int i = 0; i < n; ++i)
      residual[i] -= b[i];
    if (regularised)
      for (int i = 0; i < n; ++i)
        residual[i] += compliance[i] * x[i];
    int wrong = 0;
    for (int i = 0; i < n; ++i) {
      const double outside = held[i] ? 0.0 : excess(i);
      wrong += outside > past(i) || wrongSide(i) > kWrongResidual ? 1 : 0;
    }
    if (wrong == 0) break;
    if (wrong < fewestWrong) {
      fewestWrong = wrong;
      for (int i = 0; i < n; ++i) {
        if (!held[i] && excess(i) > past(i))
          state[i] = x[i] < lower[i] ? Bound::AtLower : Bound::AtUpper;
        else if (held[i] && wrongSide(i) > kWrongResidual)
          state[i] = Bound::Free;
      }
      continue;
    }
    int worst = -1;
    double worstExcess = 0;
    for (int i = 0; i < n; ++i) {
      if (held[i]) continue;
      const double outside = excess(i);
      if (outside > past(i) && outside > worstExcess * (1 + 1e-12) + kOutside) {
        worst = i;
        worstExcess = outside;
      }
    }
    if (worst >= 0) {
      for (int i = 0; i < n; ++i)
        if (!held[i] &&
            (i == worst || excess(i) > std::max(together * worstExcess, past(i) - kOutside)))
          state[i] = x[i] < lower[i] ? Bound::AtLower : Bound::AtUpper;
      continue;
    }
    double worstResidual = kWrongResidual;
    for (int i = 0; i < n; ++i) {
      const double side = wrongSide(i);
      if (side > worstResidual) {
        worst = i;
        worstResidual = side;
      }
    }
    if (worst < 0) break;
    state[worst] = Bound::Free;
  }
  if (!factorised) return;
  FactorPattern& p = tiny_;
  pattern_ = &p;
  p.n = n;
  p.dense = true;
  p.denseOrder.clear();
  p.first.clear();
  p.last.clear();
  p.regularised = regularised;
  p.factor.resize(static_cast<size_t>(n) * n);
  // Two entries at a time: copied as blocks of memory, a row of a few entries costs the copy's
  // setting out many times over.
  for (int i = 0; i < n; ++i) {
    double* row = p.factor.data() + static_cast<size_t>(i) * n;
    int j = 0;
    for (; j < i; j += 2) {
      row[j] = l[i][j];
      row[j + 1] = l[i][j + 1];
    }
    if (j == i) row[j] = l[i][j];
  }
}

// Rows that nothing pushes off their bounds of zero (contacts that are not approaching, after
// a step that left them apart or at rest): no multiplier at all meets every bound and leaves
// every clamped row pushing the right way, which is the answer, exactly. The pivoting would
// come to it only to within its tolerance, at the cost of a factorisation. Looked for among a
// few rows, where it is most of the solves of a few bodies that touch.
bool Mechanics::SolvedByNothing(const Eigen::VectorXd& b, const Eigen::VectorXd& lower,
                                const Eigen::VectorXd& upper, Eigen::VectorXd& x,
                                std::vector<Bound>* start) const {
  const int n = static_cast<int>(b.size());
  for (int i = 0; i < n; ++i)
    if (!(lower[i] <= 0 && upper[i] >= 0 &&
          (b[i] == 0 || (b[i] < 0 && lower[i] == 0) || (b[i] > 0 && upper[i] == 0))))
      return false;
  x.setZero(n);
  if (start != nullptr) {
    start->resize(n);
    for (int i = 0; i < n; ++i)
      (*start)[i] = b[i] < 0 ? Bound::AtLower : b[i] > 0 ? Bound::AtUpper : Bound::Free;
  }
  return true;
}

// A few rows are split into islands as SolveByIslands splits them (contact rows that reach no
// common free coordinate), each pivoted on its own.
void Mechanics::SolveTiny(const std::vector<int>& rows, const Eigen::VectorXd& b,
                          const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                          Eigen::VectorXd& x, std::vector<Bound>* start) {
  constexpr int N = kTinyRows;
  const int n = static_cast<int>(rows.size());
  x.resize(n);
  Bound own[N];
  Bound* state = own;
  if (start != nullptr) {
    start->resize(n, Bound::Free);
    state = start->data();
  } else {
    std::fill(own, own + n, Bound::Free);
  }
  bool contacts = false;
  for (int r : rows)
    contacts = contacts || rows_[r].contact >= 0;
  // Each row's island, as the first row of it.
  int island[N];
  for (int r = 0; r < n; ++r)
    island[r] = r;
  int islands = 1;
  if (contacts && n >= 2) {
    // Rows that reach a common coordinate with mass are joined, each island named by its first
    // row, as SolveByIslands joins them. A few rows are compared pair by pair: marking and
    // clearing each coordinate's first row in a list of the whole world cost more.
    const std::pair<int, double>* entries = entries_.data();
    auto share = [&](const Row& one, const Row& other) {
      for (int i = one.begin; i < one.begin + one.count; ++i) {
        const int dof = entries[i].first;
        if (invMass_[dof] == 0) continue;
        for (int k = other.begin; k < other.begin + other.count; ++k)
          if (entries[k].first == dof) return true;
      }
      return false;
    };
    for (int r = 0; r < n; ++r)
      for (int q = r + 1; q < n; ++q) {
        const int a = island[r], c = island[q];
        if (a == c || !share(rows_[rows[r]], rows_[rows[q]])) continue;
        for (int k = 0; k < n; ++k)
          if (island[k] == std::max(a, c)) island[k] = std::min(a, c);
      }
    islands = 0;
    for (int r = 0; r < n; ++r)
      islands += island[r] == r ? 1 : 0;
  }
  if (islands < 2) {
    SolveTinyIsland(rows.data(), n, b.data(), lower.data(), upper.data(), x.data(), state);
    return;
  }
  int part[N];
  double pb[N], pl[N], pu[N], px[N];
  Bound ps[N];
  for (int first = 0; first < n; ++first) {
    if (island[first] != first) continue;
    int count = 0;
    for (int r = first; r < n; ++r) {
      if (island[r] != first) continue;
      part[count] = rows[r];
      pb[count] = b[r];
      pl[count] = lower[r];
      pu[count] = upper[r];
      ps[count] = state[r];
      ++count;
    }
    SolveTinyIsland(part, count, pb, pl, pu, px, ps);
    for (int r = first, j = 0; r < n; ++r) {
      if (island[r] != first) continue;
      x[r] = px[j];
      state[r] = ps[j];
      ++j;
    }
  }
}

namespace {

// Pivots of one bounded solve that may solve against a kept factorisation before the next one is
// made: each pivot holds or frees more rows than the factorisation was made with.
constexpr int kKeptPivots = 4;

// Rows held or freed since a large pile's kept factorisation was made, not solved for yet, past
// which the pivoting of the accelerations factorises anew: the kept solve makes a solve of the
// whole pile for each such row and two more (the right-hand side and its refinement), while a
// new factorisation remakes only the blocks above the rows that changed, about five solves'
// worth, and its own solve. A first evaluation's rounds pivot many rows at a time, each new.
constexpr int kMostNewKeptSolves = 3;

// How far past its bound, in parts of its manifold's normal force, the pivoting of the
// accelerations leaves a sticking contact's friction free: as far as the friction rounds count
// a friction as at its bound. The two friction rows of a box that straddles two others pull its
// supports apart equally, one clamped at its bound and the other free at the same force; a
// bound that moves by the rounds' rounding from one evaluation to the next would otherwise swap
// which of them is clamped, at two or three pivots each time.
constexpr double kFrictionPastBound = 1e-6;

}  // namespace

double Mechanics::FrictionAllowance(const Row& row, double upper, Keeping keeping) const {
  if (keeping != Keeping::Accelerations || !row.friction || row.contact < 0 ||
      !(upper < kInfinity))
    return 0.0;
  const ContactManifold& m = manifolds_[row.contact];
  const double coefficient = std::max(m.staticFriction, m.kineticFriction);
  return coefficient > 0 ? kFrictionPastBound * upper / coefficient : 0.0;
}

void Mechanics::SolveBoundedIsland(const std::vector<int>& rows, const Eigen::VectorXd& b,
                                   const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                                   Eigen::VectorXd& x, std::vector<Bound>* start,
                                   Pivoting pivoting, Keeping keeping, bool direct) {
  const int n = static_cast<int>(rows.size());
  x = Eigen::VectorXd::Zero(n);
  if (n == 0) return;
  const SpansHeld spansHeld(*this, rows);
  BoundedScratch& scratch = boundedScratch_;
  std::vector<Bound>& state = start != nullptr ? *start : scratch.own;
  if (start == nullptr) state.clear();
  state.resize(n, Bound::Free);
  // A start clamped at a bound the row no longer has is free.
  for (int i = 0; i < n; ++i)
    if ((state[i] == Bound::AtLower && !(lower[i] > -kInfinity)) ||
        (state[i] == Bound::AtUpper && !(upper[i] < kInfinity)))
      state[i] = Bound::Free;
  // Rows at least this part of the furthest one outside their bounds are clamped with it; a
  // start for the sweeps clamps every row outside its bounds at once.
  const double together = pivoting == Pivoting::StartForSweeps ? 0.0 : 0.5;
  // Clamped rows stay in the factorised pattern as rows of the identity: a pivot changes only
  // the values, never the pattern and its ordering.
  std::vector<char>& held = scratch.held;
  held.assign(n, 0);
  std::vector<int>& freeRows = scratch.freeRows;
  Eigen::VectorXd &clamped = scratch.clamped, &rhs = scratch.rhs, &solution = scratch.solution,
                  &pushed = scratch.pushed, &residual = scratch.residual;
  clamped.resize(n);
  rhs.resize(n);
  const int maxIterations = 4 * n + 10;
  // A free row this far outside its bounds, or a clamped one whose residual is this far on the
  // side that would move it off its bound, is on the wrong side.
  constexpr double kOutside = 1e-14, kWrongResidual = 1e-12;
  int fewestWrong = n + 1;
  // How far outside its bounds each free row may end: a sticking contact's friction in the
  // solve of the accelerations by kFrictionPastBound, the rest by nothing.
  Eigen::VectorXd& pastBound = scratch.pastBound;
  pastBound.resize(n);
  for (int i = 0; i < n; ++i)
    pastBound[i] = kOutside + FrictionAllowance(rows_[rows[i]], upper[i], keeping);
  // Only the solves of the accelerations and of the velocities keep their factorisations, each
  // its own. A start for the sweeps is left as a factorisation makes it: the sweeps take what its
  // rounding leaves, and are not to depend on how the pivots were solved.
  KeptFactorisation* keeper = pivoting == Pivoting::Exact && !direct && keeping != Keeping::None
                                  ? &kept_[keeping == Keeping::Accelerations ? 0 : 1]
                                  : nullptr;
  // Whether the factorisation at hand is a pile's that the next pivots may solve against: the
  // one kept from the last solve of these rows (the friction round before, the evaluation
  // before, or the last step's projection) to begin with.
  bool kept = keeper != nullptr && KeptFits(*keeper, rows);
  int factorisedAt = 0;
  if (kept) pattern_ = keeper->pattern;
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if (iteration > 0) ++pivotCount_;
    freeRows.clear();
    clamped.setZero();
    for (int i = 0; i < n; ++i) {
      held[i] = state[i] != Bound::Free;
      if (!held[i])
        freeRows.push_back(i);
      else
        clamped[i] = state[i] == Bound::AtLower ? lower[i] : upper[i];
    }
    MulJWJt(rows, clamped, pushed);
    x = clamped;
    // J W J' of the free rows' part of x, where the solve has it already.
    const Eigen::VectorXd* freeProduct = nullptr;
    if (!freeRows.empty()) {
      for (int i = 0; i < n; ++i)
        rhs[i] = held[i] ? 0.0 : b[i] - pushed[i];
      // The first pivots of a pile solve against the factorisation kept from before them; a
      // pivoting that has not ended by then factorises afresh, and its next pivots solve against
      // that one.
      if (kept && keeping == Keeping::Accelerations && !keeper->pattern->dense &&
          keeper->pattern->ldl.BySupernodes() && NewKeptSolves(*keeper, held) > kMostNewKeptSolves)
        kept = false;
      const bool viaKept = kept && iteration - factorisedAt < kKeptPivots &&
                           PrepareKeptSolve(*keeper, rows, held, &rhs) &&
                           SolveKeptRefined(*keeper, rows, held, rhs, solution);
      if (viaKept) freeProduct = &keeper->product;
      if (!viaKept) {
        // With no row held, the matrix is the plain one, which an unchanged row set reuses.
        const std::vector<char>* holding =
            static_cast<int>(freeRows.size()) == n ? nullptr : &held;
        if (direct)
          FactoriseTiny(rows, holding);
        else
          Factorise(rows, holding, keeper);
        // A small pile's dense factorisation is kept as a large one's is: from one evaluation
        // to the next a resting stack's matrix changes by a rounding's worth, and the refined
        // solve against the last factorisation costs less than a new one. The few rows of a
        // pair are not: their matrix is rewritten by every other pair's solve.
        kept = keeper != nullptr && pattern_ != &tiny_ &&
               (pattern_->dense || pattern_->regularised);
        factorisedAt = iteration;
        if (kept) KeepFactorisation(*keeper, rows, held);
        SolveFactorised(rhs, solution);
      }
      for (int i : freeRows)
        x[i] = solution[i];
    }
    // How far a clamped row's residual shows it should not be clamped.
    auto wrongSide = [&](int i) {
      return state[i] == Bound::AtLower   ? -residual[i]
             : state[i] == Bound::AtUpper ? residual[i]
                                          : 0.0;
    };
    // x is the clamped rows' part and the free rows' side by side, so its product is the sum
    // of theirs.
    auto computeResidual = [&] {
      if (freeRows.empty())
        residual = pushed;
      else if (freeProduct != nullptr)
        residual = pushed + *freeProduct;
      else
        MulJWJt(rows, x, residual);
      residual -= b;
      if (pattern_ == nullptr || !pattern_->regularised) return;
      const RowSpan* spans = SpansOf(rows);
      for (int i = 0; i < n; ++i)
        residual[i] += spans[i].compliance * x[i];
    };
    // Every row on the wrong side of its bounds or of its residual changes side at once while
    // that leaves fewer of them than ever before: a pile's answer moves from one evaluation to
    // the next in a few rows at a time, and one pivot each would cost a factorisation per row.
    // Only then, one row at a time (the free row furthest outside first), which ends.
    if (pivoting == Pivoting::Exact) {
      computeResidual();
      int wrong = 0;
      for (int i = 0; i < n; ++i) {
        const double excess = held[i] ? 0.0 : std::max(lower[i] - x[i], x[i] - upper[i]);
        wrong += excess > pastBound[i] || wrongSide(i) > kWrongResidual ? 1 : 0;
      }
      if (wrong == 0) return;
      if (wrong < fewestWrong) {
        fewestWrong = wrong;
        for (int i = 0; i < n; ++i) {
          if (!held[i] && std::max(lower[i] - x[i], x[i] - upper[i]) > pastBound[i])
            state[i] = x[i] < lower[i] ? Bound::AtLower : Bound::AtUpper;
          else if (held[i] && wrongSide(i) > kWrongResidual)
            state[i] = Bound::Free;
        }
        continue;
      }
    }
    int worst = -1;
    double worstExcess = 0;
    for (int i : freeRows) {
      const double excess = std::max(lower[i] - x[i], x[i] - upper[i]);
      if (excess > pastBound[i] && excess > worstExcess * (1 + 1e-12) + kOutside) {
        worst = i;
        worstExcess = excess;
      }
    }
    if (worst >= 0) {
      // With it, every row nearly as far outside: a stack's rows leave their bounds together,
      // and one pivot each would cost a factorisation per row.
      for (int i : freeRows) {
        const double excess = std::max(lower[i] - x[i], x[i] - upper[i]);
        if (i == worst || excess > std::max(together * worstExcess, pastBound[i] - kOutside))
          state[i] = x[i] < lower[i] ? Bound::AtLower : Bound::AtUpper;
      }
      continue;
    }
    // A start for the sweeps leaves the freeing to them: each pivot costs a factorisation of the
    // whole pile, a freed row only a few sweeps near it.
    if (pivoting == Pivoting::StartForSweeps) return;
    double worstResidual = kWrongResidual;
    for (int i = 0; i < n; ++i) {
      const double wrong = wrongSide(i);
      if (wrong > worstResidual) {
        worst = i;
        worstResidual = wrong;
      }
    }
    if (worst < 0) return;
    state[worst] = Bound::Free;
  }
}

// Velocities onto the rows built at the present positions: equalities exactly, one-sided rows in
// contact so that they do not approach, by the smallest change in kinetic energy.
void Mechanics::SolveVelocities(Eigen::VectorXd& state) {
  // Velocities that already meet every contact row to within the residual the bounded solve
  // itself leaves a held row (a resting pile after a step that its own projection made, off by
  // a rounding's worth) need no impulse: zero is the answer. Solved anyway, the rounding would
  // push some points a hair apart, be held there and solved again: two factorisations of the
  // pile for nothing (and a large pile's sweeps would prepare all its rows to find nothing).
  // Only a fast run's: an accurate run's projection takes the rounding out too, and the next
  // evaluation's pivots start from velocities that meet its rows exactly. Found in the pass
  // that picks the rows: a pile's rows are read once where nothing is to be done.
  constexpr double kMetRate = 1e-12;
  bool met = sweptContacts_;
  std::vector<int>& rows = velocityRows_;
  rows.clear();
  const std::pair<int, double>* entries = entries_.data();
  const double* velocities = velocity_.data();
  for (int i : solveRows_) {
    const Row& row = rows_[i];
    if (row.level == Level::Acceleration || row.saturated) continue;
    rows.push_back(i);
    if (!met) continue;
    double rate = 0;
    for (int k = row.begin; k < row.begin + row.count; ++k)
      rate += entries[k].second * velocities[entries[k].first];
    const double b = row.velocityTarget - rate;
    met = row.contact >= 0 && (row.oneSided ? b <= kMetRate : std::abs(b) <= kMetRate);
  }
  const int n = static_cast<int>(rows.size());
  Eigen::VectorXd &b = solveB_, &lower = solveLower_, &upper = solveUpper_, &impulse = solveX_;
  if (met && n > 0) {
    impulse.setZero(n);
    return;
  }
  b.resize(n);
  lower.resize(n);
  upper.resize(n);
  for (int k = 0; k < n; ++k) {
    const Row& row = rows_[rows[k]];
    b[k] = row.velocityTarget - RowRate(row);
    lower[k] = row.oneSided ? 0.0 : -kInfinity;
    upper[k] = kInfinity;
    // A fast step's forces have pushed each of its resting contact points over the whole step
    // already. What the projection stops (a slip, an approach), it may stop by taking some of
    // that push back, down to none, as forces that knew the step's end would have pushed less:
    // able only to push harder, it would stop a slip on a box's top by tipping the box onto a
    // corner of its support, and a column would rock on for ever. A point leaving faster than
    // a resting one may is leaving, and is let go.
    if (forcedStep_ > 0 && row.oneSided && row.contact >= 0 && !row.speculative &&
        row.velocityTarget - b[k] <= RestSpeed())
      lower[k] = -forcedStep_ * contactPoints_[row.contact].force;
  }
  if (SweepsApply(rows) || SweepsApplyAhead(rows)) {
    if (SweepVelocities(rows, state)) return;
    ++exactPileSolves_;
  }
  // A pile's rows are projected after every step from nearly the matrix of the step before: the
  // factorisation made for that one serves this one, refined.
  SolveBounded(rows, b, lower, upper, impulse, nullptr, Pivoting::Exact, Keeping::Velocities);
  if (n == 0) return;
  auto velocity = state.tail(dofCount_);
  for (int k = 0; k < n; ++k) {
    const Row& row = rows_[rows[k]];
    for (int i = row.begin; i < row.begin + row.count; ++i)
      velocity[entries_[i].first] += invMass_[entries_[i].first] * entries_[i].second * impulse[k];
  }
}

}  // namespace yb::dynamics
