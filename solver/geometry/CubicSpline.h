#pragma once
// A C2 cubic spline through control points, parametrised by chord length: natural ends and
// straight extensions for an open curve, periodic for a closed one. Control points that repeat
// their predecessor give spans of zero length, so spans keep the numbering of the points given.

#include <cstdint>
#include <vector>

struct SplinePoint {
  double x = 0.0;
  double y = 0.0;
};

// Where a nearest-point search ended.
struct SplineFoot {
  double t = 0.0;        // curve parameter (beyond [0, Length()] on an open curve's extensions)
  int32_t segment = -1;  // segment of distinct points; -1 before the start, -2 after the end
  SplinePoint point;
  SplinePoint tangent;
  double distance = 0.0;
};

class CubicSpline {
 public:
  // Builds the curve; answers false (and stays as it was) when the points do not make one: fewer
  // than two distinct points, or a coordinate that is not finite. May throw std::bad_alloc.
  bool Build(const double* xy, int32_t n, bool closed);
  void Clear();

  bool IsEmpty() const { return segments_.empty(); }
  bool IsClosed() const { return closed_; }
  // The number of control points given, and the parameter at each.
  int32_t PointCount() const { return static_cast<int32_t>(given_.size()); }
  double KnotOfPoint(int32_t i) const { return givenKnot_[i]; }
  const SplinePoint& Point(int32_t i) const { return given_[i]; }
  double Length() const { return length_; }

  // The point and the tangent (derivative by the parameter) at t. Open curves continue as
  // straight lines; closed curves repeat.
  SplinePoint At(double t, SplinePoint* tangent = nullptr) const;

  // The nearest point of the curve to p, searched over the whole curve. When `start` holds a
  // previous foot (segment >= 0), a local search from it is preferred while it is as near as the
  // global answer within `tolerance`, so a point following the curve does not jump between
  // equally near branches.
  SplineFoot Nearest(SplinePoint p, double tolerance, const SplineFoot* start) const;

  // The 1-based span (between control points i and i + 1, or n and 1 on a closed curve) that
  // holds parameter t.
  int32_t SpanAt(double t) const;

  // Samples for drawing from parameter t on: the next parameter at which the chord stays within
  // `deviation` of the curve, or is no longer than `step`; never beyond the next control point.
  double NextSample(double t, double deviation, double step) const;

 private:
  struct Segment {
    double t0, t1, h;        // start and end parameter, length
    SplinePoint a, b, c, d;  // P(s) = a + b s + c s^2 + d s^3, s = (t - t0) / h in [0, 1]
  };
  int32_t SegmentAt(double t) const;
  double Wrap(double t) const;
  SplinePoint Eval(const Segment& seg, double s, SplinePoint* ds, SplinePoint* dss) const;
  SplineFoot Refine(int32_t segment, double s, SplinePoint p) const;
  SplineFoot OnExtension(bool atEnd, SplinePoint p) const;

  std::vector<SplinePoint> given_;
  std::vector<double> givenKnot_;
  std::vector<Segment> segments_;
  bool closed_ = false;
  double length_ = 0.0;
};
