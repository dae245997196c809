#include "solver/dynamics/CrossingSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace yb::dynamics {

CrossingSearch::CrossingSearch(double h, double valueAtStart, double valueAtEnd)
    : lo_(0),
      hi_(h),
      valueLo_(valueAtStart),
      valueHi_(valueAtEnd),
      widthBefore_{HUGE_VAL, HUGE_VAL} {
  t_[0] = 0;
  f_[0] = valueAtStart;
  t_[1] = h;
  f_[1] = valueAtEnd;
  points_ = 2;
}

void CrossingSearch::Before(double length, double value) {
  if (points_ != 2 || !(length < 0)) return;
  t_[2] = t_[1];
  f_[2] = f_[1];
  t_[1] = t_[0];
  f_[1] = f_[0];
  t_[0] = length;
  f_[0] = value;
  points_ = 3;
}

double CrossingSearch::RegulaFalsi() const {
  if (valueLo_ == valueHi_) return 0.5 * (lo_ + hi_);
  return lo_ + (hi_ - lo_) * valueLo_ / (valueLo_ - valueHi_);
}

double CrossingSearch::Parabola() const {
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  if (points_ < 3) return kNone;
  const double t0 = t_[0], t1 = t_[1], t2 = t_[2];
  const double f0 = f_[0], f1 = f_[1], f2 = f_[2];
  if (t0 == t1 || t1 == t2 || t0 == t2) return kNone;
  // Newton's form about the newest point: f = f2 + b s + a s^2, with s = t - t2.
  const double d01 = (f1 - f0) / (t1 - t0), d12 = (f2 - f1) / (t2 - t1);
  const double a = (d12 - d01) / (t2 - t0);
  const double b = d12 + a * (t2 - t1);
  const double discriminant = b * b - 4 * a * f2;
  if (!(discriminant >= 0)) return kNone;
  // Both roots without cancellation; the one nearer the newest point is preferred.
  const double q = -0.5 * (b + std::copysign(std::sqrt(discriminant), b));
  double best = kNone;
  for (const double s : {q != 0 ? f2 / q : kNone, a != 0 ? q / a : kNone}) {
    const double t = t2 + s;
    if (!(t >= lo_ && t <= hi_)) continue;
    if (std::isnan(best) || std::abs(t - t2) < std::abs(best - t2)) best = t;
  }
  return best;
}

double CrossingSearch::Next(double resolution) const {
  if (hi_ - lo_ <= 2 * resolution) return 0.5 * (lo_ + hi_);
  if (bisect_) return 0.5 * (lo_ + hi_);
  double trial = Parabola();
  if (!(trial >= lo_ && trial <= hi_)) trial = RegulaFalsi();
  if (!(trial >= lo_ && trial <= hi_)) trial = 0.5 * (lo_ + hi_);
  // A trial at rounding distance from an end would learn nothing: it steps at least the
  // resolution inside, so that a search that has landed at the crossing closes the bracket
  // across it.
  return std::clamp(trial, lo_ + resolution, hi_ - resolution);
}

void CrossingSearch::Add(double length, double value, bool crossed) {
  if (points_ == 3) {
    t_[0] = t_[1];
    f_[0] = f_[1];
    t_[1] = t_[2];
    f_[1] = f_[2];
    points_ = 2;
  }
  t_[points_] = length;
  f_[points_] = value;
  ++points_;
  // Illinois: an end that has stayed for two trials in a row counts half, so that regula
  // falsi does not creep up on the crossing from one side.
  if (crossed) {
    hi_ = length;
    valueHi_ = value;
    if (side_ == -1) valueLo_ /= 2;
    side_ = -1;
  } else {
    lo_ = length;
    valueLo_ = value;
    if (side_ == 1) valueHi_ /= 2;
    side_ = 1;
  }
  const double width = hi_ - lo_;
  bisect_ = width > 0.5 * widthBefore_[1];
  widthBefore_[1] = widthBefore_[0];
  widthBefore_[0] = width;
}

}  // namespace yb::dynamics
