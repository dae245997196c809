// Contacts of a fast run solved by sweeps: projected Gauss-Seidel over the contact rows, each
// row in turn brought to what it asks within its bounds, friction bounded by the normal forces
// as they are found. Each evaluation starts from the forces of the last one, so that a pile at
// rest costs a bounded number of sweeps, each linear in its contacts, where the exact solve
// costs a factorisation of the whole pile per pivot. A pile the sweeps cannot settle is solved
// exactly.

#include <algorithm>
#include <cmath>
#include <cstddef>

#include <Eigen/Eigenvalues>

#include "solver/contact/KeyCursor.h"
#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

namespace {

// The sweeps of the accelerations stop once no row's acceleration changed by more than this
// part of the largest one asked for; those of the velocities once none changed by more than
// this part of the speed below which a contact counts as still.
constexpr double kAccelerationSettled = 1e-10;
constexpr double kVelocitySettled = 1e-2;
// What the projection of the velocities settles for where the rounding of a tall pile keeps it
// from the tolerance: still far below the speed below which a contact counts as still.
constexpr double kVelocityReachable = 1e-1;
// Sweeps per solve at most: a tall pile settles over several evaluations, each starting from
// the last one's forces.
constexpr int kMostSweeps = 50;
// Sweeps that end further than this many times their tolerance from settling are a pile too
// tall for them (its weight would need thousands to come down): it is solved exactly instead.
constexpr double kUnsettled = 1e4;
// Products by the rows' matrix at most in a projection of the velocities by conjugate
// gradients: a pile some hundred rows of bodies high needs a few hundred.
constexpr int kMostProducts = 3000;
// Fewer contact rows than this are solved exactly in a fast run too: a factorisation of them
// costs no more than the sweeps, and a small pile falls asleep the sooner for exact forces.
constexpr size_t kFewestSweptRows = 1500;
// Rounds of sweeps at most in which sticking manifolds that reached their static bound go over
// to kinetic friction, and the kinetic friction of sliding ones follows their normal forces.
constexpr int kMostFrictionRounds = 5;
// Solves that take the compliance back out of an exact start of the sweeps.
constexpr int kComplianceRefinements = 2;
// How near the friction of a manifold made to stick must come to its bound against the slip,
// relative to that bound, to count as held there (what the friction rounds settle to).
constexpr double kTurnedAtBound = 1e-6;

// The least forces, none pulling, of supports reaching a body along the given directions (its
// rows' entries on its coordinates), that make up the load: y solves (G G') y = load on the
// directions G its supports reach, and the forces are G' y; a support that would pull is left
// out and the rest solved again. Each support's force goes into `force` at its index; the
// supports that push are those left.
void HoldWithLeastForces(const Eigen::Vector3d& load, std::vector<int>& supports,
                         std::vector<Eigen::Vector3d>& reach, Eigen::VectorXd& force) {
  while (!supports.empty()) {
    Eigen::Matrix3d gram = Eigen::Matrix3d::Zero();
    for (const Eigen::Vector3d& g : reach)
      gram += g * g.transpose();
    // A direction no support reaches (a box on level ground cannot be pushed sideways by its
    // normals) is left out, not divided by a rounding's worth of reach.
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> eigen(gram);
    const double floor = 1e-12 * eigen.eigenvalues().cwiseAbs().maxCoeff();
    Eigen::Vector3d y = Eigen::Vector3d::Zero();
    for (int j = 0; j < 3; ++j)
      if (eigen.eigenvalues()[j] > floor)
        y += eigen.eigenvectors().col(j) *
             (eigen.eigenvectors().col(j).dot(load) / eigen.eigenvalues()[j]);
    size_t kept = 0;
    for (size_t j = 0; j < supports.size(); ++j) {
      const double f = reach[j].dot(y);
      force[supports[j]] = std::max(0.0, f);
      if (f < 0) continue;
      supports[kept] = supports[j];
      reach[kept] = reach[j];
      ++kept;
    }
    if (kept == supports.size()) return;
    supports.resize(kept);
    reach.resize(kept);
  }
}

// The value kept for a key, or 0: the passes over a pile's rows ask for one per row, which
// made in place costs a fraction of a call.
template <class Entry, class List, class Key>
[[gnu::always_inline]] inline double KeptOr0(
    contact::KeyCursor<Entry, contact::FirstOf, List>& cursor, const Key& key) {
  const Entry* found = cursor.Find(key);
  return found != nullptr ? found->second : 0.0;
}

}  // namespace

bool Mechanics::SweepsApply(const std::vector<int>& rows) const {
  if (!sweptContacts_ || rows.size() < kFewestSweptRows) return false;
  for (int i : rows)
    if (rows_[i].contact < 0) return false;
  return true;
}

// A fast step's projection of the velocities that holds points to their gaps has a new set of
// rows at every step, where the factorisation of the exact solve would be made anew each time:
// it is swept however few its rows are.
bool Mechanics::SweepsApplyAhead(const std::vector<int>& rows) const {
  if (!sweptContacts_) return false;
  bool ahead = false;
  for (int i : rows) {
    if (rows_[i].contact < 0) return false;
    ahead = ahead || rows_[i].speculative;
  }
  return ahead;
}

// What a sweep row copies of its row: where its entries lie, its bounds, and the manifold it
// belongs to.
void Mechanics::CopyToSweep(int index, SweepRow& s) const {
  const Row& row = rows_[index];
  s.row = index;
  s.begin = row.begin;
  s.count = row.count;
  s.friction = row.friction;
  s.lower = row.lower;
  s.upper = row.upper;
  s.manifold = row.friction ? row.contact : contactPoints_[row.contact].manifold;
}

// The rows of a sweep: each one's diagonal with its compliance, its bounds, and the manifold it
// belongs to.
void Mechanics::PrepareSweep(const std::vector<int>& rows) {
  sweepRows_.resize(rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    SweepRow& s = sweepRows_[r];
    CopyToSweep(rows[r], s);
    s.compliance = row.compliance;
    double diagonal = row.compliance;
    for (int k = row.begin; k < row.begin + row.count; ++k)
      diagonal += entries_[k].second * entries_[k].second * invMass_[entries_[k].first];
    s.inverse = diagonal > 0 ? 1 / diagonal : 0.0;
  }
}

// The rows of the accelerations' sweeps, and where the sweeps start, in one pass over them:
// a pile's rows are far too many to stay in the cache from one pass to the next. Each row is
// swept without its compliance: the sweeps need none to settle where rows repeat each other,
// and with it the accelerations would let the pile sink by its forces at every step, which
// the velocities' projection then has to carry back up through the whole pile. Each starts
// from the force it had at the last evaluation (its point's, which the caller has read, or its
// manifold's friction), and what the rows measure and the manifolds' normal forces from those.
// `largest` receives the largest acceleration the rows must undo: one asked for, or the free
// fall the applied forces give a row. Answers how many rows start from a force.
int Mechanics::PrepareAccelerationSweep(const std::vector<int>& rows, double& largest) {
  const int n = static_cast<int>(rows.size());
  sweepRows_.resize(rows.size());
  sweepB_.resize(n);
  sweepLambda_.resize(n);
  sweepX_ = invMass_.cwiseProduct(force_);
  sweepNormal_.assign(manifolds_.size(), 0.0);
  contact::KeyCursor frictionForce(lastFrictionForces_, contact::FirstOf{});
  const std::pair<int, double>* entries = entries_.data();
  const double* invMass = invMass_.data();
  const double* applied = baseForce_.data();
  double* x = sweepX_.data();
  int warm = 0;
  largest = 0;
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    SweepRow& s = sweepRows_[r];
    CopyToSweep(rows[r], s);
    double lambda = 0;
    if (row.friction) {
      lambda = KeptOr0(frictionForce, manifolds_[row.contact].key);
    } else {
      lambda = contactPoints_[row.contact].force;
      sweepNormal_[s.manifold] += lambda;
    }
    double diagonal = row.compliance, fall = 0;
    for (int k = row.begin; k < row.begin + row.count; ++k) {
      const auto [dof, value] = entries[k];
      diagonal += value * value * invMass[dof];
      const double pushed = invMass[dof] * value;
      fall += pushed * applied[dof];
      x[dof] += pushed * lambda;
    }
    // The diagonal without the compliance, as it comes out of the one with it.
    const double inverse = diagonal > 0 ? 1 / diagonal : 0.0;
    const double bare = inverse > 0 ? 1 / inverse - row.compliance : 0.0;
    s.inverse = bare > 0 ? 1 / bare : 0.0;
    s.compliance = 0;
    sweepB_[r] = row.gamma;
    sweepLambda_[r] = lambda;
    largest = std::max({largest, std::abs(row.gamma), std::abs(fall)});
    warm += lambda != 0 ? 1 : 0;
  }
  return warm;
}

// Sweeps until no row's own rate changes by more than the tolerance, or the most sweeps. x is
// what the rows measure (accelerations or velocities), kept equal to what it was plus the
// forces' effect; a friction row whose manifold has a bound (0 and above) is held within that
// bound times the manifold's normal force as it stands. Answers the largest change of a row's
// rate in the last sweep.
double Mechanics::Sweep(LargeVector<SweepRow>& sweep, const Eigen::VectorXd& b,
                        Eigen::VectorXd& lambda, Eigen::VectorXd& x, std::vector<double>& normal,
                        const std::vector<double>& bound, double tolerance, int most) {
  int sweeps = 0;
  double changed = 0;
  while (sweeps < most) {
    ++sweeps;
    changed = 0;
    // Forward and backward in turn: a pile's weight then runs down it and its support up it
    // within one pair of sweeps, whichever order the rows were found in.
    const bool forward = sweeps % 2 == 1;
    const size_t count = sweep.size();
    for (size_t step = 0; step < count; ++step) {
      const size_t r = forward ? step : count - 1 - step;
      const SweepRow& s = sweep[r];
      const int end = s.begin + s.count;
      double measured = 0;
      for (int k = s.begin; k < end; ++k)
        measured += entries_[k].second * x[entries_[k].first];
      const int i = static_cast<int>(r);
      double next = lambda[i] + (b[i] - measured - s.compliance * lambda[i]) * s.inverse;
      double lo = s.lower, hi = s.upper;
      if (s.friction && bound[s.manifold] >= 0) {
        hi = bound[s.manifold] * std::max(0.0, normal[s.manifold]);
        lo = -hi;
      }
      next = std::clamp(next, lo, hi);
      const double delta = next - lambda[i];
      if (delta == 0) continue;
      lambda[i] = next;
      for (int k = s.begin; k < end; ++k)
        x[entries_[k].first] += invMass_[entries_[k].first] * entries_[k].second * delta;
      if (!s.friction) normal[s.manifold] += delta;
      if (s.inverse > 0) changed = std::max(changed, std::abs(delta) / s.inverse);
    }
    if (changed <= tolerance) break;
  }
  return changed;
}

// Sweeps the prepared rows until they settle; false where the most sweeps leave them further
// from it than the exact solve would.
bool Mechanics::SweepToSettle(double tolerance) {
  return Sweep(sweepRows_, sweepB_, sweepLambda_, sweepX_, sweepNormal_, sweepBound_, tolerance,
               kMostSweeps) <= kUnsettled * tolerance;
}

// The exact solve factorises rows that repeat each other with their small compliance, so the
// forces it finds let a tall pile sink by that compliance times its weight: far less than a frame
// shows, yet thousands of times what the sweeps, which hold the rows without compliance, settle
// to, and a change they carry down the pile only one row of bodies per sweep. Solves with the
// factorisation at hand take what the rows still measure without compliance back off the free
// rows; each leaves about the compliance over the pile's stiffness of what it found.
void Mechanics::RefineWithoutCompliance(const std::vector<int>& rows, const Eigen::VectorXd& b,
                                        const std::vector<Bound>& state, Eigen::VectorXd& x) {
  const int n = static_cast<int>(rows.size());
  if (n == 0 || pattern_ == nullptr || !pattern_->regularised) return;
  Eigen::VectorXd pushed, rhs(n), change;
  for (int round = 0; round < kComplianceRefinements; ++round) {
    MulJWJt(rows, x, pushed);
    for (int i = 0; i < n; ++i)
      rhs[i] = state[static_cast<size_t>(i)] == Bound::Free ? b[i] - pushed[i] : 0.0;
    SolveFactorised(rhs, change);
    for (int i = 0; i < n; ++i)
      if (state[static_cast<size_t>(i)] == Bound::Free) x[i] += change[i];
  }
}

// What the rows measure and each manifold's normal force, from the forces the sweeps start from.
void Mechanics::StartSweeps(const std::vector<int>& rows) {
  sweepX_ = invMass_.cwiseProduct(force_);
  sweepNormal_.assign(manifolds_.size(), 0.0);
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    const double lambda = sweepLambda_[static_cast<int>(r)];
    if (!row.friction) sweepNormal_[sweepRows_[r].manifold] += lambda;
    for (int k = row.begin; k < row.begin + row.count; ++k)
      sweepX_[entries_[k].first] += invMass_[entries_[k].first] * entries_[k].second * lambda;
  }
}

// The start of the sweeps by one exact solve without friction. Friction left free there would
// take up whatever spreads the normal forces most evenly, far beyond its bounds in a tall pile;
// without it, a pile that can stand on its normal forces alone already stands, and the sweeps
// add only the friction that it needs.
void Mechanics::StartExactly(const std::vector<int>& rows) {
  const int n = static_cast<int>(rows.size());
  ComputeB();
  std::vector<int>& normalRows = sweepNormalRows_;
  normalRows.clear();
  for (int r = 0; r < n; ++r)
    if (!rows_[rows[r]].friction) normalRows.push_back(r);
  const int count = static_cast<int>(normalRows.size());
  Eigen::VectorXd b(count), lower(count), upper(count), x;
  std::vector<int> normal(count);
  for (int k = 0; k < count; ++k) {
    normal[k] = rows[normalRows[k]];
    b[k] = solveB_[normalRows[k]];
    lower[k] = solveLower_[normalRows[k]];
    upper[k] = solveUpper_[normalRows[k]];
  }
  std::vector<Bound>& state = sweepStartBounds_;
  state.clear();
  // Every row that would pull is clamped at once, and a clamped row that should push after all
  // is left to the sweeps: each pivot of the exact solve costs a factorisation of the pile.
  SolveBounded(normal, b, lower, upper, x, &state, Pivoting::StartForSweeps);
  RefineWithoutCompliance(normal, b, state, x);
  sweepLambda_.setZero();
  for (int k = 0; k < count; ++k)
    sweepLambda_[normalRows[k]] = x[k];
}

// A pile's weight carried down from its top: every body, from those furthest (in contacts) from
// any that does not move to the nearest, rests on the normal rows that join it to bodies nearer,
// with the least forces, none pulling, that hold it still under its own forces and those the
// bodies above press on it with. Where such rows can hold every body, the forces are an
// equilibrium of the pile, and the sweeps have only the rows' own small accelerations to add;
// where they cannot, the sweeps start from what they can. Friction rows start from nothing.
void Mechanics::CarryWeightDown(const std::vector<int>& rows) {
  const int n = static_cast<int>(rows.size());
  const int bodies = static_cast<int>(bodyKin_.size());
  sweepLambda_.setZero(n);
  auto still = [&](int body) {
    const int dof = bodyKin_[body].dof;
    return Immobile(body) || (invMass_[dof] == 0 && invMass_[dof + 1] == 0);
  };
  // The two bodies of every normal row, read once: reached through its point and manifold each
  // time, a pile's rows would cost three loads that wait on each other at every visit.
  std::vector<std::pair<int, int>>& joined = carryBodies_;
  joined.assign(n, {kNone, kNone});
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    if (row.friction) continue;
    const ContactManifold& m = manifolds_[contactPoints_[row.contact].manifold];
    joined[r] = {m.a, m.b};
  }
  auto bodiesOf = [&](int r) { return joined[r]; };
  // The normal rows of every body.
  std::vector<int>& start = carryStart_;
  start.assign(bodies + 1, 0);
  for (int r = 0; r < n; ++r) {
    if (joined[r].first == kNone) continue;
    const auto [a, b] = bodiesOf(r);
    ++start[a + 1];
    ++start[b + 1];
  }
  for (int k = 0; k < bodies; ++k)
    start[k + 1] += start[k];
  std::vector<int>& of = carryRows_;
  of.resize(start[bodies]);
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int r = 0; r < n; ++r) {
      if (joined[r].first == kNone) continue;
      const auto [a, b] = bodiesOf(r);
      of[fill[a]++] = r;
      of[fill[b]++] = r;
    }
  }
  // Each body's distance in contacts from one that does not move, found outwards from those;
  // the bodies in the order found.
  std::vector<int>& level = carryLevel_;
  level.assign(bodies, -1);
  std::vector<int>& order = carryOrder_;
  order.clear();
  for (int body = 0; body < bodies; ++body)
    if (start[body + 1] > start[body] && still(body)) {
      level[body] = 0;
      order.push_back(body);
    }
  for (size_t next = 0; next < order.size(); ++next) {
    const int body = order[next];
    for (int e = start[body]; e < start[body + 1]; ++e) {
      const auto [a, b] = bodiesOf(of[e]);
      const int other = a == body ? b : a;
      if (level[other] >= 0 || still(other)) continue;
      level[other] = level[body] + 1;
      order.push_back(other);
    }
  }
  // Taken from the top down, each body's supports hold what it carries with the least forces.
  carried_ = force_;
  std::vector<int> supports;
  std::vector<Eigen::Vector3d> reach;
  for (size_t k = order.size(); k-- > 0;) {
    const int body = order[k];
    if (level[body] == 0) break;
    const int dof = bodyKin_[body].dof;
    supports.clear();
    reach.clear();
    for (int e = start[body]; e < start[body + 1]; ++e) {
      const int r = of[e];
      const auto [a, b] = bodiesOf(r);
      if (level[a == body ? b : a] >= level[body]) continue;
      const Row& row = rows_[rows[r]];
      Eigen::Vector3d g = Eigen::Vector3d::Zero();
      for (int i = row.begin; i < row.begin + row.count; ++i)
        if (entries_[i].first >= dof && entries_[i].first < dof + 3)
          g[entries_[i].first - dof] += entries_[i].second;
      supports.push_back(r);
      reach.push_back(g);
    }
    HoldWithLeastForces(-carried_.segment<3>(dof), supports, reach, sweepLambda_);
    for (int r : supports) {
      const Row& row = rows_[rows[r]];
      for (int i = row.begin; i < row.begin + row.count; ++i)
        carried_[entries_[i].first] += entries_[i].second * sweepLambda_[r];
    }
  }
}

// The accelerations: normal rows push, friction rows of sticking manifolds hold within the
// static bound, and a manifold whose friction reaches that bound goes over to kinetic friction;
// sliding manifolds drag by kinetic friction. Answers false, having changed nothing the exact
// solve starts from, where the sweeps cannot settle.
bool Mechanics::SweepAccelerations() {
  const std::vector<int>& rows = solveRows_;
  const int n = static_cast<int>(rows.size());
  // Kinetic friction starts from the normal forces the sweeps start from, and follows those
  // found between rounds of sweeps (made to follow them within a sweep, a manifold jammed by
  // its own friction would drive them up without end).
  {
    contact::KeyCursor pointForce(lastPointForces_, contact::FirstOf{});
    for (ContactPoint& p : contactPoints_)
      p.force = KeptOr0(pointForce, p.key);
  }
  force_ = baseForce_;
  ApplyKineticFriction();
  // Whether any manifold's friction can go over from static to a lower kinetic friction.
  bool mayTurnKinetic = false;
  sweepBound_.resize(manifolds_.size());
  for (size_t k = 0; k < manifolds_.size(); ++k) {
    const ContactManifold& m = manifolds_[k];
    sweepBound_[k] = m.staticFriction;
    mayTurnKinetic = mayTurnKinetic || m.kineticFriction < m.staticFriction;
  }
  double largest = 0;
  const int warm = PrepareAccelerationSweep(rows, largest);
  const double tolerance = kAccelerationSettled * std::max(largest, 1e-300);
  // A pile met for the first time has no forces to start from: sweeps from nothing would take
  // thousands to carry its weight down. Its weight carried down body by body starts them where
  // that holds the pile still; else one exact solve without friction does.
  if (2 * warm < n) {
    CarryWeightDown(rows);
    StartSweeps(rows);
    if (Sweep(sweepRows_, sweepB_, sweepLambda_, sweepX_, sweepNormal_, sweepBound_, tolerance,
              kMostSweeps) > tolerance) {
      StartExactly(rows);
      StartSweeps(rows);
    }
  }
  auto largestForce = [&] { return n > 0 ? sweepLambda_.cwiseAbs().maxCoeff() : 0.0; };
  for (int round = 0; round <= kMostFrictionRounds; ++round) {
    if (!SweepToSettle(tolerance)) return false;
    const bool switched = mayTurnKinetic && TurnKinetic();
    const bool dragged = FollowKineticFriction(rows, kAccelerationSettled * largestForce());
    if (!switched && !dragged) break;
  }
  // Rounds that still move the friction are a pile jammed by it; what the last round found
  // stands, as bounded as the exact solve leaves it.
  StoreSweptForces(rows);
  sweptForcesAt_ = time_;
  return true;
}

// Sticking manifolds whose friction the sweeps took to its static bound go over to kinetic
// friction, where that is lower. Answers whether any did.
bool Mechanics::TurnKinetic() {
  bool switched = false;
  for (size_t r = 0; r < sweepRows_.size(); ++r) {
    const SweepRow& s = sweepRows_[r];
    if (!s.friction) continue;
    const ContactManifold& m = manifolds_[s.manifold];
    double& coefficient = sweepBound_[s.manifold];
    const double held = m.staticFriction * sweepNormal_[s.manifold];
    if (coefficient != m.staticFriction || m.kineticFriction >= m.staticFriction) continue;
    if (!(held > 0) || std::abs(sweepLambda_[static_cast<int>(r)]) < held * (1 - 1e-12)) continue;
    coefficient = m.kineticFriction;
    switched = true;
  }
  return switched;
}

// What the sweeps found, as the exact solve leaves it: each row's force, each point's and each
// manifold's, and the forces the next sweeps start from.
void Mechanics::StoreSweptForces(const std::vector<int>& rows) {
  const int n = static_cast<int>(rows.size());
  solveX_ = sweepLambda_;
  for (ContactPoint& p : contactPoints_)
    p.force = 0;
  for (ContactManifold& m : manifolds_)
    if (m.frictionRow >= 0 && rows_[m.frictionRow].candidate) m.friction = 0;
  lastFrictionForces_.clear();
  ReserveAtLeast(lastFrictionForces_, manifolds_.size());
  for (int r = 0; r < n; ++r) {
    Row& row = rows_[rows[r]];
    const double lambda = sweepLambda_[r];
    row.lambda = lambda;
    if (!row.friction) {
      contactPoints_[row.contact].force = lambda;
      continue;
    }
    ContactManifold& m = manifolds_[row.contact];
    m.friction = lambda;
    if (lambda != 0) lastFrictionForces_.emplace_back(m.key, lambda);
  }
  contact::SortKept(lastFrictionForces_);
  lastPointForces_.clear();
  ReserveAtLeast(lastPointForces_, contactPoints_.size());
  for (const ContactPoint& p : contactPoints_)
    if (p.force > 0) lastPointForces_.emplace_back(p.key, p.force);
  contact::SortKept(lastPointForces_);
  // No row is held at a bound the next exact solve would start from.
  boundStart_.assign(n, Bound::Free);
  lastPointBounds_.clear();
  lastFrictionBounds_.clear();
}

// The impulses with which a projection brought the velocities of a step onto the rows, at the
// positions the step started from, are what the forces the sweeps found there lacked, spread
// over the step: added to those forces, they start the next sweeps nearer the forces that hold
// the pile, which leave its velocities less to bring back. They are only where the sweeps
// start: what they settle on is theirs.
void Mechanics::CorrectSweptForces(const std::vector<int>& rows) {
  const double step = velocityStep_;
  sweptForcesAt_ = NAN;
  if (!(step > 0)) return;
  // A row the sweeps left without force gains one, appended and sorted in after.
  auto correct = [](std::vector<std::pair<ContactKey, double>>& kept, size_t before,
                    const ContactKey& key, double by, double least) {
    const auto end = kept.begin() + static_cast<std::ptrdiff_t>(before);
    const auto at = std::lower_bound(kept.begin(), end, std::make_pair(key, -HUGE_VAL));
    if (at != end && at->first == key)
      at->second = std::max(least, at->second + by);
    else
      kept.emplace_back(key, std::max(least, by));
  };
  const size_t points = lastPointForces_.size(), frictions = lastFrictionForces_.size();
  for (size_t r = 0; r < rows.size(); ++r) {
    const double impulse = sweepLambda_[static_cast<int>(r)];
    const Row& row = rows_[rows[r]];
    // A point held to its gap was no contact the forces missed.
    if (impulse == 0 || row.speculative) continue;
    if (row.friction)
      correct(lastFrictionForces_, frictions, manifolds_[row.contact].key, impulse / step,
              -kInfinity);
    else
      correct(lastPointForces_, points, contactPoints_[row.contact].key, impulse / step, 0.0);
  }
  contact::SortKept(lastPointForces_);
  contact::SortKept(lastFrictionForces_);
}

// Kinetic friction made from the normal forces the sweeps have just found, where they moved by
// more than the tolerance from those it was made from; the accelerations follow. Answers
// whether it changed.
bool Mechanics::FollowKineticFriction(const std::vector<int>& rows, double tolerance) {
  // A pile where nothing slides with kinetic friction has none to follow.
  if (std::none_of(manifolds_.begin(), manifolds_.end(), [](const ContactManifold& m) {
        return m.touching && m.slide != 0 && m.kineticFriction > 0;
      }))
    return false;
  std::vector<double>& found = sweepPointForce_;
  found.assign(contactPoints_.size(), 0.0);
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows_[rows[r]];
    if (!row.friction) found[row.contact] = sweepLambda_[static_cast<int>(r)];
  }
  bool moved = false;
  for (const ContactManifold& m : manifolds_) {
    if (!m.touching || m.slide == 0 || !(m.kineticFriction > 0)) continue;
    for (int k = m.first; k < m.first + m.count && !moved; ++k)
      moved = std::abs(found[k] - contactPoints_[k].force) > tolerance;
  }
  if (!moved) return false;
  sweepForceBefore_ = force_;
  for (size_t k = 0; k < contactPoints_.size(); ++k)
    contactPoints_[k].force = found[k];
  force_ = baseForce_;
  ApplyKineticFriction();
  sweepX_ += invMass_.cwiseProduct(force_ - sweepForceBefore_);
  return true;
}

// The velocities onto the contact rows: normal rows stop approaching, friction rows of
// sticking manifolds stop slipping, by impulses swept as the forces are.
bool Mechanics::SweepVelocities(const std::vector<int>& rows, Eigen::VectorXd& state) {
  const int n = static_cast<int>(rows.size());
  PrepareSweep(rows);
  sweepX_ = state.tail(dofCount_);
  sweepB_.resize(n);
  sweepLambda_ = Eigen::VectorXd::Zero(n);
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    sweepB_[r] = row.velocityTarget;
    sweepRows_[r].lower = row.oneSided ? 0.0 : -kInfinity;
    // As in the exact projection, a fast step's push may be taken back (SolveVelocities).
    if (forcedStep_ > 0 && row.oneSided && !row.speculative && RowRate(row) <= RestSpeed())
      sweepRows_[r].lower = -forcedStep_ * contactPoints_[row.contact].force;
    sweepRows_[r].upper = kInfinity;
  }
  sweepWarm_.resize(n);
  contact::KeyCursor pointImpulse(lastPointImpulses_, contact::FirstOf{});
  contact::KeyCursor frictionImpulse(lastFrictionImpulses_, contact::FirstOf{});
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    sweepWarm_[r] = row.friction
                        ? contact::ValueOr0(frictionImpulse, manifolds_[row.contact].key)
                        : contact::ValueOr0(pointImpulse, contactPoints_[row.contact].key);
  }
  if (!ProjectByGradients(kVelocitySettled * kContactSpeed, kVelocityReachable * kContactSpeed,
                          kMostProducts, &sweepWarm_))
    return false;
  state.tail(dofCount_) = sweepX_;
  velocitiesSwept_ = true;
  if (sweepLambda_.isZero(0)) return true;
  CorrectSweptForces(rows);
  lastPointImpulses_.clear();
  lastFrictionImpulses_.clear();
  for (int r = 0; r < n; ++r) {
    const Row& row = rows_[rows[r]];
    if (sweepLambda_[r] == 0 || row.speculative) continue;
    if (row.friction)
      lastFrictionImpulses_.emplace_back(manifolds_[row.contact].key, sweepLambda_[r]);
    else
      lastPointImpulses_.emplace_back(contactPoints_[row.contact].key, sweepLambda_[r]);
  }
  contact::SortKept(lastPointImpulses_);
  contact::SortKept(lastFrictionImpulses_);
  return true;
}

// A fast step moves by the accelerations of its first evaluation for the whole step: the kinetic
// friction of a manifold that slips slowly would turn its slip back many times over, and what
// the projection of the velocities then took back out of it would tip the bodies. A manifold
// between moving bodies whose slip its accelerations turn back within a frame sticks instead,
// for this evaluation and the step after it, which stops the slip as its friction would have
// early in the step; a body sliding alone on a fixed one is left to slide, its stop is located
// (StopSlipsAhead). One that then needs all its friction against the slip and more cannot
// stop: it slides on. Answers whether any manifold changed, and the solve is to be made again.
bool Mechanics::StickTurningSlips() {
  if (!sweptContacts_ || !(frameStep_ > 0)) return false;
  bool sliding = false;
  for (const ContactManifold& m : manifolds_)
    sliding = sliding || (m.touching && m.slide != 0 && m.frictionRow >= 0);
  if (!sliding && turnedWays_.empty()) return false;
  CountTouchingManifolds();
  bool changed = false;
  for (ContactManifold& m : manifolds_) {
    if (m.slide != 0 || m.frictionRow < 0 || turnedWays_.empty()) continue;
    const auto way = std::lower_bound(turnedWays_.begin(), turnedWays_.end(),
                                      std::make_pair(m.key, -2));
    if (way == turnedWays_.end() || way->first != m.key) continue;
    Row& row = rows_[m.frictionRow];
    const double limit = way->second > 0 ? -row.lower : row.upper;
    if (!(-way->second * row.lambda >= limit * (1 - kTurnedAtBound))) continue;
    m.slide = way->second;
    row.candidate = false;
    turnedSlips_.erase(std::lower_bound(turnedSlips_.begin(), turnedSlips_.end(), m.key));
    turnedWays_.erase(way);
    unturnedSlips_.insert(std::lower_bound(unturnedSlips_.begin(), unturnedSlips_.end(), m.key),
                          m.key);
    changed = true;
  }
  if (!sliding) return changed;
  // The accelerations of the solve, made at the first slip that may turn: a body sliding alone
  // on a fixed one (a block on a slope) needs none.
  Eigen::VectorXd& acceleration = turningAcceleration_;
  bool accelerated = false;
  for (ContactManifold& m : manifolds_) {
    if (!m.touching || m.slide == 0 || m.frictionRow < 0 || !MayHoldAhead(m)) continue;
    if (SlidesAlone(m)) continue;
    if (std::binary_search(unturnedSlips_.begin(), unturnedSlips_.end(), m.key)) continue;
    if (!accelerated) {
      acceleration = force_;
      for (size_t i = 0; i < solveRows_.size(); ++i) {
        const Row& row = rows_[solveRows_[i]];
        for (int k = row.begin; k < row.begin + row.count; ++k)
          acceleration[entries_[k].first] += entries_[k].second * solveX_[static_cast<int>(i)];
      }
      acceleration.array() *= invMass_.array();
      accelerated = true;
    }
    Row& row = rows_[m.frictionRow];
    double turn = 0, reach = 0;
    for (int k = row.begin; k < row.begin + row.count; ++k) {
      turn += entries_[k].second * acceleration[entries_[k].first];
      reach += entries_[k].second * entries_[k].second * invMass_[entries_[k].first];
    }
    // Rounds that did not settle left the sliding manifolds without friction: what their kinetic
    // friction alone would turn is counted in.
    if (m.friction == 0) {
      double normal = 0;
      for (int k = m.first; k < m.first + m.count; ++k)
        normal += contactPoints_[k].force;
      turn -= m.slide * m.kineticFriction * normal * reach;
    }
    if (m.slide * (RowRate(row) + frameStep_ * turn) > 0) continue;
    turnedWays_.insert(
        std::lower_bound(turnedWays_.begin(), turnedWays_.end(), std::make_pair(m.key, -2)),
        std::make_pair(m.key, m.slide));
    turnedSlips_.insert(std::lower_bound(turnedSlips_.begin(), turnedSlips_.end(), m.key), m.key);
    m.slide = 0;
    row.candidate = true;
    changed = true;
  }
  return changed;
}

// The friction of a manifold made to stick while it still slips acts against the slip only:
// held the other way, it would drive the slip on for the whole step.
void Mechanics::BoundTurnedFriction() {
  const int n = static_cast<int>(solveRows_.size());
  for (int i = 0; i < n; ++i) {
    const Row& row = rows_[solveRows_[i]];
    if (!row.friction) continue;
    const ContactKey& key = manifolds_[row.contact].key;
    const auto way =
        std::lower_bound(turnedWays_.begin(), turnedWays_.end(), std::make_pair(key, -2));
    if (way == turnedWays_.end() || way->first != key) continue;
    if (way->second > 0)
      solveUpper_[i] = std::min(solveUpper_[i], 0.0);
    else
      solveLower_[i] = std::max(solveLower_[i], 0.0);
  }
}

// A fast step may leave a point sunk in by up to its overlap and opening, too slowly to be out of
// it within a frame: it counts as opening, so no solve takes part in it, yet the projection of
// the positions must still bring it out. Left out, it would be pressed further in at every
// step by the bodies the projection moves off their other contacts, while its neighbours took
// its load. Answers whether any point is sunk so.
bool Mechanics::HoldSunkPoints() {
  sunkAtStart_.clear();
  // A point sunk in and not touching is one of those the flags found leaving.
  if (!sweptContacts_ || !(frameStep_ > 0) || leaving_.empty()) return false;
  std::vector<int>& sunk = sunkRows_;
  sunk.clear();
  for (const ContactPoint& p : contactPoints_) {
    if (p.row < 0) continue;
    const Row& row = rows_[p.row];
    if (row.candidate || row.g >= -contactGap_) continue;
    sunkAtStart_.emplace_back(p.key, row.g);
    if (RowRate(row) * frameStep_ >= -row.g) continue;
    sunk.push_back(p.row);
  }
  if (sunkAtStart_.empty()) return false;
  contact::SortKept(sunkAtStart_);
  if (sunk.empty()) return false;
  HoldInProjection(sunk);
  return true;
}

// The points the projection's own steps have driven in (apart where it began, or deeper than
// they were), held from then on as the sunk ones are: it moves the bodies to bring their other
// contacts onto their surfaces, and would otherwise push them into one it had not yet met.
bool Mechanics::HoldDrivenIn() {
  if (contactPoints_.empty()) return false;
  std::vector<int>& driven = sunkRows_;
  driven.clear();
  contact::KeyCursor before(sunkAtStart_, contact::FirstOf{});
  for (const ContactPoint& p : contactPoints_) {
    if (p.row < 0) continue;
    const Row& row = rows_[p.row];
    if (row.candidate || row.g >= -contactGap_ || HeldInProjection(row)) continue;
    if (before.Contains(p.key) && row.g >= contact::ValueOr0(before, p.key) - contactGap_) continue;
    driven.push_back(p.row);
  }
  if (driven.empty()) return false;
  HoldInProjection(driven);
  return true;
}

// The rows of held points that no solve takes part in (HoldSunkPoints).
void Mechanics::SunkRows(std::vector<int>& out) const {
  out.clear();
  for (const ContactPoint& p : contactPoints_)
    if (p.row >= 0 && !rows_[p.row].candidate && HeldInProjection(rows_[p.row]))
      out.push_back(p.row);
}

}  // namespace yb::dynamics
