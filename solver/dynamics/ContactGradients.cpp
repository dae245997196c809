// The velocities of a large pile brought onto its contact rows by conjugate gradients over the
// impulses of the rows, kept at their bounds where a row would pull (modified proportioning
// with reduced gradient projections). Gauss-Seidel sweeps carry a change across a pile one row
// of bodies per sweep, so that a tall pile's last digits never settle and the choice between
// them and the exact solve would depend on rounding; conjugate gradients reach the tolerance in
// a number of products that grows with the pile's height, not its square, each product linear
// in the contacts, and always in the same order of operations.

#include <algorithm>
#include <cmath>

#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

namespace {

// Products by the pile's matrix that estimate its largest eigenvalue, and the margin kept below
// the step that estimate allows (a step up to twice the reciprocal still lowers the energy).
constexpr int kNormProducts = 12;
constexpr double kNormMargin = 1.25;
// How much larger the part of the gradient of rows at their bounds may be than that of free
// rows before a step frees rows instead of following the conjugate directions.
constexpr double kProportion = 1.0;
// Products between two makings afresh of the velocities and the gradient.
constexpr int kRefreshProducts = 100;

}  // namespace

// What the products read of each row, made once per projection: a contact row reaches the three
// coordinates of at most two bodies, its entries along the direction equal and opposite on the
// two, so it is held as the first coordinate of either body (a spare block past the last
// coordinate for a fixed body), the direction and the two turning entries, each already scaled.
// A product is then two passes of straight arithmetic over rows that fit a cache line, reading
// the inverse masses by body.
void Mechanics::PrepareScaledRows() {
  const size_t n = sweepRows_.size();
  const int spare = dofCount_;
  scaledRows_.assign(n, ScaledRow{});
  double entries[6];
  for (size_t r = 0; r < n; ++r) {
    const SweepRow& s = sweepRows_[r];
    ScaledRow& row = scaledRows_[r];
    row.base[0] = row.base[1] = spare;
    std::fill(entries, entries + 6, 0.0);
    int bodies = 0;
    for (int k = s.begin; k < s.begin + s.count; ++k) {
      const int dof = entries_[k].first;
      const int base = dof - dof % 3;
      int side = 0;
      while (side < bodies && row.base[side] != base)
        ++side;
      if (side == bodies) {
        // A contact row joins the two bodies of its pair, no more.
        if (bodies == 2) throw DynamicsError{kErrBadModel, "a contact row joins three bodies"};
        row.base[bodies++] = base;
      }
      entries[3 * side + dof % 3] += sweepScale_[r] * entries_[k].second;
    }
    // A fixed body has no entries; its side is the spare block, whose inverse masses are none.
    if (bodies == 2 && (entries[3] != -entries[0] || entries[4] != -entries[1]))
      throw DynamicsError{kErrBadModel, "a contact row pushes its bodies unequally"};
    row.along[0] = entries[0];
    row.along[1] = entries[1];
    row.turn[0] = entries[2];
    row.turn[1] = entries[5];
    row.compliance = s.compliance * sweepScale_[r] * sweepScale_[r];
  }
  // The spare block's inverse masses are none.
  sweepInvMass_.resize(dofCount_ + 3);
  sweepInvMass_.head(dofCount_) = invMass_;
  sweepInvMass_.tail(3).setZero();
}

// Multiplies the rows' matrix, scaled to a unit diagonal, by p: sweepPush_ becomes what the
// impulses p do to the velocities (its head; the spare block of fixed bodies past it is no
// coordinate), sweepProduct_ what the rows then measure.
void Mechanics::MulScaledRows(const Eigen::VectorXd& p) {
  ++gradientProducts_;
  const size_t n = sweepRows_.size();
  sweepProduct_.resize(static_cast<int>(n));
  sweepPush_.setZero(dofCount_ + 3);
  double* push = sweepPush_.data();
  const double* w = sweepInvMass_.data();
  for (size_t r = 0; r < n; ++r) {
    const ScaledRow& row = scaledRows_[r];
    const double impulse = p[static_cast<int>(r)];
    const double x = row.along[0] * impulse, y = row.along[1] * impulse;
    double* a = push + row.base[0];
    double* b = push + row.base[1];
    const double* wa = w + row.base[0];
    const double* wb = w + row.base[1];
    a[0] += wa[0] * x;
    a[1] += wa[1] * y;
    a[2] += wa[2] * (row.turn[0] * impulse);
    b[0] -= wb[0] * x;
    b[1] -= wb[1] * y;
    b[2] += wb[2] * (row.turn[1] * impulse);
  }
  for (size_t r = 0; r < n; ++r) {
    const ScaledRow& row = scaledRows_[r];
    const double* a = push + row.base[0];
    const double* b = push + row.base[1];
    sweepProduct_[static_cast<int>(r)] =
        row.compliance * p[static_cast<int>(r)] +
        (row.along[0] * (a[0] - b[0]) + row.along[1] * (a[1] - b[1])) +
        (row.turn[0] * a[2] + row.turn[1] * b[2]);
  }
}

// The gradient of the scaled impulses u from the velocities x: what each row measures beyond
// its target, scaled.
void Mechanics::ScaledGradient(const Eigen::VectorXd& u, Eigen::VectorXd& gradient) const {
  const size_t n = sweepRows_.size();
  gradient.resize(static_cast<int>(n));
  for (size_t r = 0; r < n; ++r) {
    const SweepRow& s = sweepRows_[r];
    const int i = static_cast<int>(r);
    double measured = s.compliance * sweepScale_[r] * u[i] - sweepB_[i];
    for (int k = s.begin; k < s.begin + s.count; ++k)
      measured += entries_[k].second * sweepX_[entries_[k].first];
    gradient[i] = sweepScale_[r] * measured;
  }
}

// Brings the velocities sweepX_ onto the prepared rows (targets sweepB_, each row's impulse at
// or above its lower bound) until no free row measures further than the tolerance from its
// target and no row at its bound approaches by more than it, starting from the impulses warm
// where given (one per row). The rounding of a large pile's recurrences may keep the velocities
// made afresh from coming that near: once they stop coming nearer, or the most products are
// spent, velocities within `reachable` are as near as the rows can be brought. Answers false
// where they are further.
bool Mechanics::ProjectByGradients(double tolerance, double reachable, int most,
                                   const Eigen::VectorXd* warm) {
  const int n = static_cast<int>(sweepRows_.size());
  const Eigen::VectorXd start = sweepX_;
  sweepScale_.resize(n);
  Eigen::VectorXd lower(n);
  for (int i = 0; i < n; ++i) {
    const SweepRow& s = sweepRows_[static_cast<size_t>(i)];
    sweepScale_[i] = std::sqrt(s.inverse);
    // A row with no entries and no compliance holds nothing: it stays at its bound or at 0.
    lower[i] = s.inverse > 0 && s.lower > -kInfinity ? s.lower / sweepScale_[i]
               : s.inverse > 0                       ? -kInfinity
                                                     : 0.0;
  }
  PrepareScaledRows();
  Eigen::VectorXd& u = sweepLambda_;
  Eigen::VectorXd g;
  // Velocities already on the rows, as those projected a moment ago, need no impulse.
  u.setZero(n);
  ScaledGradient(u, g);
  double fromNothing = 0;
  for (int i = 0; i < n; ++i) {
    const double scale = sweepScale_[i] > 0 ? sweepScale_[i] : 1.0;
    const double off = lower[i] > -kInfinity ? std::max(-g[i], 0.0) : std::abs(g[i]);
    fromNothing = std::max(fromNothing, off / scale);
  }
  if (fromNothing <= tolerance) return true;
  // The step of the projections: below the reciprocal of the largest eigenvalue, found by
  // products from a fixed start so that every run takes the same step.
  u = Eigen::VectorXd::Ones(n);
  double largest = 1;
  for (int k = 0; k < kNormProducts; ++k) {
    const double length = u.norm();
    if (!(length > 0)) break;
    u /= length;
    MulScaledRows(u);
    largest = std::max(largest, u.dot(sweepProduct_));
    u = sweepProduct_;
  }
  const double step = 1 / (kNormMargin * largest);

  u.setZero(n);
  Eigen::VectorXd p(n), freeGradient(n), d(n);
  auto atBound = [&](int i) { return !(u[i] > lower[i]); };
  // The gradient of free rows, and what stays of it where a step of the projections would
  // meet a bound; that of bound rows which would push.
  double boundPart = 0, freePart = 0, worst = 0;
  // Reciprocals, so that the pass made after every product divides nothing.
  Eigen::VectorXd unscale(n);
  for (int i = 0; i < n; ++i)
    unscale[i] = sweepScale_[i] > 0 ? 1 / sweepScale_[i] : 1.0;
  const double perStep = 1 / step;
  auto split = [&] {
    boundPart = freePart = worst = 0;
    for (int i = 0; i < n; ++i) {
      if (atBound(i)) {
        freeGradient[i] = 0;
        const double chopped = std::min(g[i], 0.0);
        boundPart += chopped * chopped;
        worst = std::max(worst, -chopped * unscale[i]);
        continue;
      }
      freeGradient[i] = g[i];
      const double reduced = std::min((u[i] - lower[i]) * perStep, g[i]);
      freePart += reduced * g[i];
      worst = std::max(worst, std::abs(g[i]) * unscale[i]);
    }
  };
  // u -= a d, with the velocities and the gradient following; the product by d is at hand.
  auto move = [&](double a, const Eigen::VectorXd& direction) {
    u -= a * direction;
    g -= a * sweepProduct_;
    sweepX_ -= a * sweepPush_.head(dofCount_);
  };
  // What the recurrences carry is made afresh before it counts as settled.
  auto refresh = [&] {
    MulScaledRows(u);
    sweepX_ = start + sweepPush_.head(dofCount_);
    ScaledGradient(u, g);
    split();
  };
  split();
  // The impulses of the last projection start it where they leave the rows nearer their
  // targets than no impulse does.
  if (warm != nullptr && warm->size() == n) {
    for (int i = 0; i < n; ++i)
      u[i] = sweepScale_[i] > 0 ? std::max((*warm)[i] / sweepScale_[i], lower[i]) : lower[i];
    refresh();
    if (!(worst < fromNothing)) {
      u.setZero(n);
      refresh();
    }
  }
  p = freeGradient;
  double refreshed = kInfinity;  // how far the velocities made afresh last were
  for (int product = 0; product < most; ++product) {
    // The velocities and gradient are made afresh where the recurrences say they are there,
    // and every so many products, so that their rounding does not pile up unseen.
    const bool settled = worst <= tolerance;
    if (settled || (product > 0 && product % kRefreshProducts == 0)) {
      refresh();
      if (worst <= tolerance || (worst <= reachable && worst > 0.5 * refreshed)) break;
      refreshed = worst;
      if (settled) p = freeGradient;
    }
    if (boundPart > kProportion * kProportion * freePart) {
      // Rows at their bounds that would push are freed along their part of the gradient.
      for (int i = 0; i < n; ++i)
        d[i] = atBound(i) ? std::min(g[i], 0.0) : 0.0;
      MulScaledRows(d);
      const double curvature = d.dot(sweepProduct_);
      if (!(curvature > 0)) return false;
      move(g.dot(d) / curvature, d);
      split();
      p = freeGradient;
      continue;
    }
    MulScaledRows(p);
    const double curvature = p.dot(sweepProduct_);
    if (!(curvature > 0)) return false;
    const double conjugate = g.dot(p) / curvature;
    double feasible = kInfinity;
    int meets = -1;
    for (int i = 0; i < n; ++i)
      if (p[i] > 0 && lower[i] > -kInfinity && (u[i] - lower[i]) < feasible * p[i]) {
        feasible = (u[i] - lower[i]) / p[i];
        meets = i;
      }
    if (conjugate <= feasible) {
      move(conjugate, p);
      split();
      const double beta = freeGradient.dot(sweepProduct_) / curvature;
      p = freeGradient - beta * p;
      continue;
    }
    // The step meets a bound: go as far as it, then project a gradient step onto the bounds.
    move(feasible, p);
    u[meets] = lower[meets];
    split();
    for (int i = 0; i < n; ++i)
      d[i] = u[i] - std::max(lower[i], u[i] - step * freeGradient[i]);
    MulScaledRows(d);
    move(1.0, d);
    for (int i = 0; i < n; ++i)
      u[i] = std::max(u[i], lower[i]);
    split();
    p = freeGradient;
  }
  refresh();
  if (worst > reachable) return false;
  for (int i = 0; i < n; ++i)
    u[i] *= sweepScale_[i];
  return true;
}

}  // namespace yb::dynamics
