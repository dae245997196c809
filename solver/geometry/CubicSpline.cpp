#include "solver/geometry/CubicSpline.h"

#include <Eigen/Sparse>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

SplinePoint operator+(SplinePoint a, SplinePoint b) {
  return {a.x + b.x, a.y + b.y};
}
SplinePoint operator-(SplinePoint a, SplinePoint b) {
  return {a.x - b.x, a.y - b.y};
}
SplinePoint operator*(double k, SplinePoint a) {
  return {k * a.x, k * a.y};
}
double Dot(SplinePoint a, SplinePoint b) {
  return a.x * b.x + a.y * b.y;
}
double Distance(SplinePoint a, SplinePoint b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}
bool Same(SplinePoint a, SplinePoint b) {
  return a.x == b.x && a.y == b.y;
}

// Distance from p to the segment a-b.
double DistanceToChord(SplinePoint p, SplinePoint a, SplinePoint b) {
  const SplinePoint ab = b - a;
  const double len2 = Dot(ab, ab);
  const double u = len2 > 0.0 ? std::clamp(Dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
  return Distance(p, a + u * ab);
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

void CubicSpline::Clear() {
  given_.clear();
  givenKnot_.clear();
  segments_.clear();
  length_ = 0.0;
}

bool CubicSpline::Build(const double* xy, int32_t n, bool closed) {
  if (xy == nullptr || n < 2) return false;
  std::vector<SplinePoint> given(n);
  for (int32_t i = 0; i < n; ++i) {
    given[i] = {xy[2 * i], xy[2 * i + 1]};
    if (!std::isfinite(given[i].x) || !std::isfinite(given[i].y)) return false;
  }
  // Distinct points and the chord-length parameter of every point given.
  std::vector<SplinePoint> q{given[0]};
  std::vector<double> knot{0.0};
  std::vector<double> givenKnot(n, 0.0);
  double t = 0.0;
  for (int32_t i = 1; i < n; ++i) {
    if (!Same(given[i], q.back())) {
      t += Distance(given[i], q.back());
      q.push_back(given[i]);
      knot.push_back(t);
    }
    givenKnot[i] = t;
  }
  if (closed && q.size() > 1 && Same(q.back(), q.front())) {
    q.pop_back();
    knot.pop_back();
  }
  const int32_t m = static_cast<int32_t>(q.size());
  if (m < 2) return false;
  const double total = closed ? knot.back() + Distance(q.back(), q.front()) : knot.back();
  if (!std::isfinite(total) || total <= 0.0) return false;
  const int32_t spans = closed ? m : m - 1;
  std::vector<double> h(spans);
  for (int32_t j = 0; j < spans; ++j) {
    h[j] = (j + 1 < m ? knot[j + 1] : total) - knot[j];
    // A span shorter than the resolution of the parameter where it lies cannot be told apart.
    if (!(h[j] > 0.0)) return false;
  }

  // Derivatives at the distinct points: C2 continuity, natural or periodic ends.
  std::vector<Eigen::Triplet<double>> entries;
  Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(m, 2);
  auto add = [&](int32_t row, int32_t col, double value) { entries.emplace_back(row, col, value); };
  auto slope = [&](int32_t from, int32_t to, double length) {
    return (1.0 / length) * (q[to] - q[from]);
  };
  for (int32_t j = 0; j < m; ++j) {
    if (!closed && (j == 0 || j == m - 1)) {
      const int32_t other = j == 0 ? 1 : m - 2;
      const SplinePoint s = j == 0 ? slope(0, 1, h[0]) : slope(m - 2, m - 1, h[m - 2]);
      add(j, j, 2.0);
      add(j, other, 1.0);
      rhs(j, 0) = 3.0 * s.x;
      rhs(j, 1) = 3.0 * s.y;
      continue;
    }
    const int32_t prev = (j - 1 + m) % m;
    const int32_t next = (j + 1) % m;
    const double hp = h[prev];
    const double hn = h[j];
    add(j, prev, hn);
    add(j, j, 2.0 * (hp + hn));
    add(j, next, hp);
    const SplinePoint r = hn * slope(prev, j, hp) + hp * slope(j, next, hn);
    rhs(j, 0) = 3.0 * r.x;
    rhs(j, 1) = 3.0 * r.y;
  }
  Eigen::SparseMatrix<double> a(m, m);
  a.setFromTriplets(entries.begin(), entries.end());  // duplicates (two points, closed) add up
  Eigen::SparseLU<Eigen::SparseMatrix<double>> lu;
  lu.compute(a);
  if (lu.info() != Eigen::Success) return false;
  const Eigen::MatrixXd d = lu.solve(rhs);
  if (lu.info() != Eigen::Success || !d.allFinite()) return false;

  std::vector<Segment> segments(spans);
  for (int32_t j = 0; j < spans; ++j) {
    const int32_t k = (j + 1) % m;
    const SplinePoint p0 = q[j], p1 = q[k];
    const SplinePoint d0 = h[j] * SplinePoint{d(j, 0), d(j, 1)};
    const SplinePoint d1 = h[j] * SplinePoint{d(k, 0), d(k, 1)};
    Segment& s = segments[j];
    s.t0 = knot[j];
    s.t1 = j + 1 < m ? knot[j + 1] : total;
    s.h = s.t1 - s.t0;
    s.a = p0;
    s.b = d0;
    s.c = 3.0 * (p1 - p0) - 2.0 * d0 - d1;
    s.d = 2.0 * (p0 - p1) + d0 + d1;
  }
  given_ = std::move(given);
  givenKnot_ = std::move(givenKnot);
  segments_ = std::move(segments);
  closed_ = closed;
  length_ = total;
  return true;
}

double CubicSpline::Wrap(double t) const {
  if (!closed_) return t;
  double w = std::fmod(t, length_);
  if (w < 0.0) w += length_;
  return w >= length_ ? 0.0 : w;
}

int32_t CubicSpline::SegmentAt(double t) const {
  const auto it = std::upper_bound(segments_.begin(), segments_.end(), t,
                                   [](double v, const Segment& s) { return v < s.t0; });
  const auto index = static_cast<int32_t>(it - segments_.begin()) - 1;
  return std::clamp(index, 0, static_cast<int32_t>(segments_.size()) - 1);
}

SplinePoint CubicSpline::Eval(const Segment& seg, double s, SplinePoint* ds,
                              SplinePoint* dss) const {
  if (ds != nullptr) *ds = seg.b + (2.0 * s) * seg.c + (3.0 * s * s) * seg.d;
  if (dss != nullptr) *dss = 2.0 * seg.c + (6.0 * s) * seg.d;
  return seg.a + s * (seg.b + s * (seg.c + s * seg.d));
}

SplinePoint CubicSpline::At(double t, SplinePoint* tangent) const {
  if (segments_.empty()) return {};
  const Segment& first = segments_.front();
  const Segment& last = segments_.back();
  if (!closed_ && t < 0.0) {
    const SplinePoint d = (1.0 / first.h) * first.b;
    if (tangent != nullptr) *tangent = d;
    return first.a + t * d;
  }
  if (!closed_ && t > length_) {
    SplinePoint ds;
    const SplinePoint end = Eval(last, 1.0, &ds, nullptr);
    const SplinePoint d = (1.0 / last.h) * ds;
    if (tangent != nullptr) *tangent = d;
    return end + (t - length_) * d;
  }
  const double w = Wrap(t);
  const Segment& seg = segments_[SegmentAt(w)];
  const double s = std::clamp((w - seg.t0) / seg.h, 0.0, 1.0);
  SplinePoint ds;
  const SplinePoint p = Eval(seg, s, &ds, nullptr);
  if (tangent != nullptr) *tangent = (1.0 / seg.h) * ds;
  return p;
}

int32_t CubicSpline::SpanAt(double t) const {
  const int32_t n = PointCount();
  const double w = Wrap(t);
  const auto it = std::upper_bound(givenKnot_.begin(), givenKnot_.end(), w);
  const auto span = static_cast<int32_t>(it - givenKnot_.begin());  // last knot <= w, 1-based
  return std::clamp(span, 1, closed_ ? n : n - 1);
}

// Newton's method on (P(s) - p) . P'(s) = 0, moving on to a neighbouring segment when the foot
// leaves this one.
SplineFoot CubicSpline::Refine(int32_t segment, double s, SplinePoint p) const {
  const int32_t count = static_cast<int32_t>(segments_.size());
  for (int32_t hop = 0; hop < 4; ++hop) {
    const Segment& seg = segments_[segment];
    for (int32_t i = 0; i < 40; ++i) {
      SplinePoint ds, dss;
      const SplinePoint at = Eval(seg, s, &ds, &dss);
      const SplinePoint off = at - p;
      const double g = Dot(off, ds);
      const double gp = Dot(ds, ds) + Dot(off, dss);
      double step = gp > 0.0 ? -g / gp : (g > 0.0 ? -0.25 : 0.25);
      step = std::clamp(step, -0.5, 0.5);
      const double next = std::clamp(s + step, 0.0, 1.0);
      const bool done = std::fabs(next - s) < 1e-15;
      s = next;
      if (done) break;
    }
    // At a segment end with the curve still approaching p beyond it: continue next door.
    SplinePoint ds;
    const SplinePoint at = Eval(seg, s, &ds, nullptr);
    const double g = Dot(at - p, ds);
    if (s >= 1.0 && g < 0.0 && (closed_ || segment + 1 < count)) {
      segment = (segment + 1) % count;
      s = 0.0;
    } else if (s <= 0.0 && g > 0.0 && (closed_ || segment > 0)) {
      segment = (segment - 1 + count) % count;
      s = 1.0;
    } else {
      break;
    }
  }
  const Segment& seg = segments_[segment];
  SplineFoot foot;
  SplinePoint ds;
  foot.point = Eval(seg, s, &ds, nullptr);
  foot.tangent = (1.0 / seg.h) * ds;
  foot.t = seg.t0 + s * seg.h;
  foot.segment = segment;
  foot.distance = Distance(foot.point, p);
  return foot;
}

SplineFoot CubicSpline::OnExtension(bool atEnd, SplinePoint p) const {
  SplineFoot foot;
  foot.distance = kInfinity;
  SplinePoint d;
  const SplinePoint origin = At(atEnd ? length_ : 0.0, &d);
  const double len2 = Dot(d, d);
  if (len2 <= 0.0) return foot;
  const double lambda = Dot(p - origin, d) / len2;
  if (atEnd ? lambda <= 0.0 : lambda >= 0.0) return foot;
  foot.t = (atEnd ? length_ : 0.0) + lambda;
  foot.segment = atEnd ? -2 : -1;
  foot.point = origin + lambda * d;
  foot.tangent = d;
  foot.distance = Distance(foot.point, p);
  return foot;
}

SplineFoot CubicSpline::Nearest(SplinePoint p, double tolerance, const SplineFoot* start) const {
  // Coarse samples over every segment, then Newton from the best few.
  constexpr int32_t kSamples = 8;
  struct Candidate {
    double distance;
    int32_t segment;
    double s;
  };
  Candidate best[3] = {{kInfinity, 0, 0.0}, {kInfinity, 0, 0.0}, {kInfinity, 0, 0.0}};
  const int32_t count = static_cast<int32_t>(segments_.size());
  for (int32_t j = 0; j < count; ++j) {
    Candidate local{kInfinity, j, 0.0};
    for (int32_t k = 0; k <= kSamples; ++k) {
      const double s = static_cast<double>(k) / kSamples;
      const double dist = Distance(Eval(segments_[j], s, nullptr, nullptr), p);
      if (dist < local.distance) local = {dist, j, s};
    }
    for (auto& slot : best) {
      if (local.distance < slot.distance) std::swap(local, slot);
    }
  }
  SplineFoot foot;
  foot.distance = kInfinity;
  for (const Candidate& c : best) {
    if (c.distance == kInfinity) continue;
    const SplineFoot refined = Refine(c.segment, c.s, p);
    if (refined.distance < foot.distance) foot = refined;
  }
  if (!closed_) {
    for (bool atEnd : {false, true}) {
      const SplineFoot ext = OnExtension(atEnd, p);
      if (ext.distance < foot.distance) foot = ext;
    }
  }
  if (start == nullptr) return foot;
  SplineFoot near;
  if (start->segment >= 0 && start->segment < count) {
    const Segment& seg = segments_[start->segment];
    near = Refine(start->segment, std::clamp((Wrap(start->t) - seg.t0) / seg.h, 0.0, 1.0), p);
  } else if (!closed_ && (start->segment == -1 || start->segment == -2)) {
    near = OnExtension(start->segment == -2, p);
  } else {
    return foot;
  }
  return near.distance <= foot.distance + std::max(tolerance, 0.0) ? near : foot;
}

double CubicSpline::NextSample(double t, double deviation, double step) const {
  if (t >= length_) return length_;
  const Segment& seg = segments_[SegmentAt(std::max(t, 0.0))];
  double t1 = seg.t1;
  const SplinePoint a = At(t);
  for (int32_t halving = 0; halving < 40; ++halving) {
    // Halving below the resolution of t would stall: take the rest of the segment.
    if (!(t1 > t)) return seg.t1;
    const SplinePoint b = At(t1);
    if (Distance(a, b) <= step) return t1;
    const double dt = t1 - t;
    double worst = 0.0;
    for (const double q : {0.25, 0.5, 0.75}) {
      worst = std::max(worst, DistanceToChord(At(t + q * dt), a, b));
    }
    if (worst <= deviation) return t1;
    t1 = t + 0.5 * dt;
  }
  return t1 > t ? t1 : seg.t1;
}
