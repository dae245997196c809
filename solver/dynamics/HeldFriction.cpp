// A large pile's friction held at its bounds, solved for its fixed point with the normal forces
// at once (SolveHeldFriction), in place of the friction rounds that would approach it slowly.

#include <algorithm>
#include <cmath>

#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

// The forward solve against the kept factorisation of a right-hand side that is nonzero only
// in the given rows, read from heldFriction_.work (left zero again).
void Mechanics::ForwardOf(const std::vector<int>& nonzero, ForwardSolve& out) {
  const FactorPattern& p = *kept_[0].pattern;
  HeldFrictionScratch& s = heldFriction_;
  s.place.clear();
  for (const int i : nonzero)
    s.place.push_back(p.order[i]);
  // The work is in the order of elimination: the right-hand side moves there first.
  for (const int i : nonzero) {
    const double value = s.work[i];
    s.work[i] = 0;
    s.column[p.order[i]] = value;
  }
  p.ldl.SolveForwardSparse(s.column.data(), s.place, out.reach);
  out.values.clear();
  for (const int supernode : out.reach) {
    const int first = p.ldl.SupernodeStart(supernode), last = p.ldl.SupernodeStart(supernode + 1);
    for (int c = first; c < last; ++c) {
      out.values.push_back(s.column[c]);
      s.column[c] = 0;
    }
  }
}

// e_i' A^-1 e_j for the right-hand sides of two forward solves: their values over the
// supernodes both reach, each column weighted by its pivot's inverse.
double Mechanics::ProductOf(const ForwardSolve& a, const ForwardSolve& b) const {
  const SparseLdl& ldl = kept_[0].pattern->ldl;
  const std::vector<double>& inverse = ldl.PivotInverses();
  double sum = 0;
  size_t i = 0, j = 0, atA = 0, atB = 0;
  while (i < a.reach.size() && j < b.reach.size()) {
    const int sa = a.reach[i], sb = b.reach[j];
    const int columnsA = ldl.SupernodeStart(sa + 1) - ldl.SupernodeStart(sa);
    const int columnsB = ldl.SupernodeStart(sb + 1) - ldl.SupernodeStart(sb);
    if (sa < sb) {
      atA += columnsA;
      ++i;
      continue;
    }
    if (sb < sa) {
      atB += columnsB;
      ++j;
      continue;
    }
    const int first = ldl.SupernodeStart(sa);
    for (int c = 0; c < columnsA; ++c)
      sum += a.values[atA + c] * b.values[atB + c] * inverse[first + c];
    atA += columnsA;
    atB += columnsB;
    ++i;
    ++j;
  }
  return sum;
}

// The friction of the manifolds held at their bounds, solved together with the normal forces
// it leaves, in place of the rounds that would approach them. While no row changes side, a
// round is linear in the held rows' values c: the answer moves by Y (c - c1) from the last
// round's, and each held row's value is its bound, sigma mu N(c), with N the normal force of its
// manifold. A pile's many indeterminate contacts make the rounds converge slowly, by a few tens
// of percent each; the fixed point comes instead from a dense system of as many rows as are
// held. The normal forces it predicts are where the next round starts, which checks them (and
// pivots where a row now leaves its bounds). False, and no bound changed, where the
// factorisation at hand is not a large pile's, too many rows are held, or the prediction has
// a manifold pull.
bool Mechanics::SolveHeldFriction(const std::vector<char>& kinetic) {
  if (!GatherHeldFriction()) return false;
  HeldFrictionResponses();
  HeldFrictionScratch& s = heldFriction_;
  const std::vector<int>& rows = solveRows_;
  const int h = static_cast<int>(s.friction.size());
  auto wantedAt = [&](int row) {
    return static_cast<int>(std::lower_bound(s.wanted.begin(), s.wanted.end(), row) -
                            s.wanted.begin());
  };
  Eigen::MatrixXd system(h, h);
  Eigen::VectorXd fixedPoint(h);
  for (int f = 0; f < h; ++f) {
    const int i = s.friction[f];
    const int manifold = rows_[rows[i]].contact;
    const ContactManifold& m = manifolds_[manifold];
    const double sigma = boundStart_[i] == Bound::AtUpper ? 1.0 : -1.0;
    const double mu = kinetic[manifold] ? m.kineticFriction : m.staticFriction;
    double normal = 0;
    for (int j = s.pointBegin[f]; j < s.pointBegin[f + 1]; ++j)
      normal += solveX_[s.points[j]];
    for (int g = 0; g < h; ++g) {
      double moved = 0;
      for (int j = s.pointBegin[f]; j < s.pointBegin[f + 1]; ++j)
        moved += s.at(wantedAt(s.points[j]), g);
      system(f, g) = (f == g ? 1.0 : 0.0) - sigma * mu * moved;
    }
    fixedPoint[f] = sigma * mu * normal - solveX_[i];
  }
  const Eigen::VectorXd change = system.partialPivLu().solve(fixedPoint);
  if (!change.allFinite() || !StartFromHeldFriction(kinetic, change)) return false;
  ++heldFrictionSolves_;
  return true;
}

// The held friction rows of the last round, the normal rows of their manifolds, and every row
// whose answer the rows held or freed since the kept factorisation M0 was made read. False
// where the kept factorisation is not a large pile's or too many rows are held.
bool Mechanics::GatherHeldFriction() {
  // Beyond this many held rows the dense system costs more than the rounds it spares.
  constexpr int kMostHeld = 256;
  KeptFactorisation& k = kept_[0];
  const std::vector<int>& rows = solveRows_;
  const int n = static_cast<int>(rows.size());
  if (!KeptFits(k, rows) || pattern_ != k.pattern || k.pattern->dense ||
      !k.pattern->ldl.BySupernodes() || boundStart_.size() != rows.size())
    return false;
  HeldFrictionScratch& s = heldFriction_;
  s.held.assign(n, 0);
  s.friction.clear();
  for (int i = 0; i < n; ++i) {
    if (boundStart_[i] == Bound::Free) continue;
    s.held[i] = 1;
    const Row& row = rows_[rows[i]];
    if (row.friction && row.contact >= 0) s.friction.push_back(i);
  }
  const int h = static_cast<int>(s.friction.size());
  if (h == 0 || h > kMostHeld || !PrepareKeptSolve(k, rows, s.held)) return false;
  s.position.assign(rows_.size(), -1);
  for (int i = 0; i < n; ++i)
    s.position[rows[i]] = i;
  s.points.clear();
  s.pointBegin.assign(1, 0);
  for (const int i : s.friction) {
    const ContactManifold& m = manifolds_[rows_[rows[i]].contact];
    for (int j = m.first; j < m.first + m.count; ++j) {
      const ContactPoint& point = contactPoints_[j];
      if (point.row >= 0 && rows_[point.row].candidate && s.position[point.row] >= 0)
        s.points.push_back(s.position[point.row]);
    }
    s.pointBegin.push_back(static_cast<int>(s.points.size()));
  }
  s.wanted = s.points;
  s.wanted.insert(s.wanted.end(), k.newlyHeld.begin(), k.newlyHeld.end());
  for (int j = 0; j < static_cast<int>(k.freed.size()); ++j)
    for (int i = 0; i < n; ++i)
      if (k.columns(i, j) != 0) s.wanted.push_back(i);
  std::sort(s.wanted.begin(), s.wanted.end());
  s.wanted.erase(std::unique(s.wanted.begin(), s.wanted.end()), s.wanted.end());
  return true;
}

// How the answer on the wanted rows moves as each held friction row's value grows by one
// (heldFriction_.at). Only those rows are wanted, so no backward solve is made: e_t' M0^-1 r
// is the product of the forward solves of e_t and r, weighted by the pivots, and each forward
// solve reaches only the supernodes above its rows. The rows held or freed since M0 was made
// are then put right as SolveKept puts them.
void Mechanics::HeldFrictionResponses() {
  KeptFactorisation& k = kept_[0];
  HeldFrictionScratch& s = heldFriction_;
  const std::vector<int>& rows = solveRows_;
  const int n = static_cast<int>(rows.size()), w = static_cast<int>(s.wanted.size());
  const int h = static_cast<int>(s.friction.size());
  const int p = static_cast<int>(k.newlyHeld.size()), q = static_cast<int>(k.freed.size());
  auto wantedAt = [&](int row) {
    return static_cast<int>(std::lower_bound(s.wanted.begin(), s.wanted.end(), row) -
                            s.wanted.begin());
  };
  s.work.setZero(n);
  s.column.setZero(n);
  s.units.resize(w);
  for (int t = 0; t < w; ++t) {
    s.work[s.wanted[t]] = 1;
    s.nonzero.assign(1, s.wanted[t]);
    ForwardOf(s.nonzero, s.units[t]);
  }
  // The solve's rows by the coordinates they reach, so that a row's column of J W J' costs
  // what its neighbours hold, not a pass over the pile.
  s.dofBegin.assign(dofCount_ + 1, 0);
  for (const int r : rows)
    for (int i = rows_[r].begin; i < rows_[r].begin + rows_[r].count; ++i)
      ++s.dofBegin[entries_[i].first + 1];
  for (int dof = 0; dof < dofCount_; ++dof)
    s.dofBegin[dof + 1] += s.dofBegin[dof];
  s.dofRows.resize(s.dofBegin[dofCount_]);
  {
    std::vector<int>& fill = s.place;
    fill.assign(s.dofBegin.begin(), s.dofBegin.end() - 1);
    for (int j = 0; j < n; ++j)
      for (int i = rows_[rows[j]].begin; i < rows_[rows[j]].begin + rows_[rows[j]].count; ++i)
        s.dofRows[fill[entries_[i].first]++] = {j, entries_[i].second};
  }
  s.at.resize(w, h);
  s.unit.setZero(n);
  Eigen::VectorXd right(p + q), unknowns;
  for (int g = 0; g < h; ++g) {
    // The held row's column of J W J' pushes on the rows now free; in M0 the freed rows are
    // held, and their part goes to the corrections alone.
    const Row& row = rows_[rows[s.friction[g]]];
    s.touched.clear();
    for (int i = row.begin; i < row.begin + row.count; ++i) {
      const auto [dof, value] = entries_[i];
      const double weighted = value * invMass_[dof];
      if (weighted == 0) continue;
      for (int e = s.dofBegin[dof]; e < s.dofBegin[dof + 1]; ++e) {
        const auto [j, entry] = s.dofRows[e];
        if (s.held[j]) continue;
        if (s.unit[j] == 0) s.touched.push_back(j);
        s.unit[j] -= entry * weighted;
      }
    }
    std::sort(s.touched.begin(), s.touched.end());
    s.touched.erase(std::unique(s.touched.begin(), s.touched.end()), s.touched.end());
    s.nonzero.clear();
    for (const int j : s.touched) {
      if (s.unit[j] == 0 || k.held[j]) continue;
      s.work[j] = s.unit[j];
      s.nonzero.push_back(j);
    }
    ForwardOf(s.nonzero, s.pushed);
    for (int t = 0; t < w; ++t)
      s.at(t, g) = ProductOf(s.units[t], s.pushed);
    if (p + q > 0) {
      for (int i = 0; i < p; ++i)
        right[i] = -s.at(wantedAt(k.newlyHeld[i]), g);
      for (int i = 0; i < q; ++i) {
        double sum = 0;
        for (int t = 0; t < w; ++t)
          sum += k.columns(s.wanted[t], i) * s.at(t, g);
        right[p + i] = s.unit[k.freed[i]] - sum;
      }
      unknowns = k.changed.solve(right);
      for (int t = 0; t < w; ++t) {
        const int row = s.wanted[t];
        s.at(t, g) +=
            k.byHeld.row(row).head(p).dot(unknowns.tail(p)) -
            k.byFreed.row(row).head(q).dot(unknowns.head(q));
      }
      for (int j = 0; j < q; ++j) {
        const int t = wantedAt(k.freed[j]);
        if (t < w && s.wanted[t] == k.freed[j]) s.at(t, g) = unknowns[j];
      }
      for (const int held : k.newlyHeld)
        s.at(wantedAt(held), g) = 0;
    }
    for (const int j : s.touched)
      s.unit[j] = 0;
  }
}

// The answer the held rows' changed values predict, for every row: one more solve, of what
// their change pushes on the free rows. Its normal forces are where the next round starts, and
// give every manifold's bound, as the mixing of the rounds would. False, and nothing changed,
// where a held manifold would pull: there is no fixed point with its rows on these sides.
bool Mechanics::StartFromHeldFriction(const std::vector<char>& kinetic,
                                      const Eigen::VectorXd& change) {
  HeldFrictionScratch& s = heldFriction_;
  const std::vector<int>& rows = solveRows_;
  const int n = static_cast<int>(rows.size()), h = static_cast<int>(s.friction.size());
  s.unit.setZero(n);
  for (int f = 0; f < h; ++f)
    s.unit[s.friction[f]] = change[f];
  {
    const SpansHeld spans(*this, rows);
    MulJWJt(rows, s.unit, s.column);
  }
  for (int i = 0; i < n; ++i)
    s.column[i] = s.held[i] ? 0.0 : -s.column[i];
  SolveKept(kept_[0], s.column, s.work);
  for (int f = 0; f < h; ++f) {
    double normal = 0;
    for (int j = s.pointBegin[f]; j < s.pointBegin[f + 1]; ++j)
      normal += solveX_[s.points[j]] + s.work[s.points[j]];
    if (!(normal >= 0)) return false;
  }
  for (ContactPoint& point : contactPoints_) {
    if (point.row < 0 || !rows_[point.row].candidate || s.position[point.row] < 0) continue;
    const int at = s.position[point.row];
    point.force = std::max(solveX_[at] + s.work[at], 0.0);
  }
  BoundFrictionByPointForces(kinetic);
  return true;
}

}  // namespace yb::dynamics
