#include "solver/geometry/SplineEntry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "solver/geometry/CubicSpline.h"

namespace {

// The object behind a handle. The tag lets a stray pointer to something else be refused; it is
// cleared when the spline is released.
struct SplineObject {
  static constexpr uint32_t kTag = 0x5350'4C4E;
  uint32_t tag = kTag;
  int32_t type = 0;
  CubicSpline curve;
};

SplineObject* Object(SplineHandle handle) {
  auto* object = static_cast<SplineObject*>(handle);
  return object != nullptr && object->tag == SplineObject::kTag ? object : nullptr;
}

bool ValidType(int32_t type) {
  return type == 0 || type == 1;
}

// Largest span subdivision accepted by the quick interpolation.
constexpr int32_t kMaxSteps = 10000;

int32_t SetPoints(SplineObject* object, int32_t n, const double* points, int32_t type) {
  if (object == nullptr) return kSplineBadHandle;
  if (points == nullptr || n < 2)
    return n < 2 && points != nullptr ? kSplineBadPoints : kSplineBadArgument;
  try {
    CubicSpline curve;
    if (!curve.Build(points, n, type == 1)) return kSplineBadPoints;
    object->curve = std::move(curve);
    object->type = type;
    return kSplineOk;
  } catch (const std::bad_alloc&) {
    return kSplineNoMemory;
  }
}

bool FinitePoint(const double* p) {
  return p != nullptr && std::isfinite(p[0]) && std::isfinite(p[1]);
}

// Where the ray from origin along direction leaves the rectangle, or origin when it never
// passes through it (Liang-Barsky clipping of the ray).
SplinePoint RayExit(SplinePoint origin, SplinePoint direction, double x0, double y0, double x1,
                    double y1) {
  double enter = 0.0;
  double leave = std::numeric_limits<double>::infinity();
  const double p[4] = {-direction.x, direction.x, -direction.y, direction.y};
  const double q[4] = {origin.x - x0, x1 - origin.x, origin.y - y0, y1 - origin.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return origin;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0) {
      enter = std::max(enter, r);
    } else {
      leave = std::min(leave, r);
    }
  }
  if (enter > leave || !std::isfinite(leave)) return origin;
  return {origin.x + leave * direction.x, origin.y + leave * direction.y};
}

}  // namespace

SplineHandle EngineNewSpline(int32_t type) {
  if (!ValidType(type)) return nullptr;
  auto* object = new (std::nothrow) SplineObject;
  if (object != nullptr) object->type = type;
  return object;
}

void EngineDeleteSpline(SplineHandle spline) {
  SplineObject* object = Object(spline);
  if (object == nullptr) return;
  object->tag = 0;
  delete object;
}

int32_t EngineSetSplineType(SplineHandle spline, int32_t type) {
  SplineObject* object = Object(spline);
  if (object == nullptr) return kSplineBadHandle;
  if (!ValidType(type)) return kSplineBadArgument;
  if (object->curve.IsEmpty() || object->type == type) {
    object->type = type;
    return kSplineOk;
  }
  // The same points in the other topology.
  const int32_t n = object->curve.PointCount();
  std::vector<double> points;
  try {
    points.resize(2 * static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    return kSplineNoMemory;
  }
  for (int32_t i = 0; i < n; ++i) {
    points[2 * i] = object->curve.Point(i).x;
    points[2 * i + 1] = object->curve.Point(i).y;
  }
  return SetPoints(object, n, points.data(), type);
}

int32_t EngineSetSplinePoints(SplineHandle spline, int32_t n, const double* points) {
  SplineObject* object = Object(spline);
  return SetPoints(object, n, points, object != nullptr ? object->type : 0);
}

int32_t EngineCurvPolySetSplinePoints(SplineHandle spline, int32_t n, const double* points) {
  return SetPoints(Object(spline), n, points, 1);
}

int32_t EngineSplineQuickInterpolate(SplineHandle spline, double* out, int32_t steps) {
  const SplineObject* object = Object(spline);
  if (object == nullptr) return kSplineBadHandle;
  if (out == nullptr || steps < 0 || steps > kMaxSteps) return kSplineBadArgument;
  const CubicSpline& curve = object->curve;
  if (curve.IsEmpty()) return kSplineNoCurve;
  const int32_t n = curve.PointCount();
  const int32_t spans = curve.IsClosed() ? n : n - 1;
  // The count must fit the answer.
  if (static_cast<int64_t>(spans) * (steps + 1) + 1 > INT32_MAX) return kSplineBadArgument;
  int32_t written = 0;
  auto put = [&](SplinePoint p) {
    out[2 * written] = p.x;
    out[2 * written + 1] = p.y;
    ++written;
  };
  for (int32_t i = 0; i < spans; ++i) {
    const double t0 = curve.KnotOfPoint(i);
    const double t1 = i + 1 < n ? curve.KnotOfPoint(i + 1) : curve.Length();
    put(curve.Point(i));
    for (int32_t k = 1; k <= steps; ++k) {
      put(curve.At(t0 + (t1 - t0) * k / (steps + 1)));
    }
  }
  put(curve.IsClosed() ? curve.Point(0) : curve.Point(n - 1));
  return written;
}

int32_t EngineSplineInterpolate(SplineHandle spline, double* out, int32_t room, double deviation,
                                double step, double left, double top, double right, double bottom,
                                int16_t* more, double* stateA, double* stateB, int32_t flag) {
  (void)left, (void)top, (void)right, (void)bottom;
  const SplineObject* object = Object(spline);
  if (object == nullptr) return kSplineBadHandle;
  if (out == nullptr || room < 1 || more == nullptr || stateA == nullptr || stateB == nullptr ||
      flag != 0 || !std::isfinite(deviation) || !std::isfinite(step)) {
    return kSplineBadArgument;
  }
  const CubicSpline& curve = object->curve;
  if (curve.IsEmpty()) return kSplineNoCurve;
  const double length = curve.Length();
  // Without a usable step the samples are bounded by a fixed fraction of the curve instead.
  const double minimumStep = step > 0.0 ? step : length / 1000.0;
  double t = 0.0;
  int32_t written = 0;
  if (*more == 0) {
    const SplinePoint p = curve.At(0.0);
    out[0] = p.x;
    out[1] = p.y;
    written = 1;
  } else {
    // A continuation must come from this curve as it was.
    t = *stateA;
    if (*stateB != length || !(t >= 0.0 && t <= length)) return kSplineBadArgument;
  }
  while (written < room && t < length) {
    t = curve.NextSample(t, std::max(deviation, 0.0), minimumStep);
    const SplinePoint p = curve.At(t);
    out[2 * written] = p.x;
    out[2 * written + 1] = p.y;
    ++written;
  }
  *more = t < length ? 1 : 0;
  *stateA = t;
  *stateB = length;
  return written;
}

int32_t EngineSplineNearestPoint(SplineHandle spline, const double* point, double tolerance,
                                 double* parameter, int16_t* hint, double* nearest, double* tangent,
                                 void* reserved) {
  const SplineObject* object = Object(spline);
  if (object == nullptr) return kSplineBadHandle;
  if (!FinitePoint(point) || nearest == nullptr || reserved != nullptr) return kSplineBadArgument;
  const CubicSpline& curve = object->curve;
  if (curve.IsEmpty()) return kSplineNoCurve;
  const double tol = std::isfinite(tolerance) ? tolerance : 0.0;
  SplineFoot start;
  const bool warm =
      parameter != nullptr && hint != nullptr && *hint != 0 && std::isfinite(*parameter);
  if (warm) {
    start.t = *parameter;
    start.segment = *hint > 0 ? *hint - 1 : *hint;
  }
  const SplineFoot foot = curve.Nearest({point[0], point[1]}, tol, warm ? &start : nullptr);
  if (!std::isfinite(foot.distance)) return kSplineNoCurve;
  nearest[0] = foot.point.x;
  nearest[1] = foot.point.y;
  if (tangent != nullptr) {
    tangent[0] = foot.tangent.x;
    tangent[1] = foot.tangent.y;
  }
  if (parameter != nullptr) *parameter = foot.t;
  if (hint != nullptr) {
    *hint =
        static_cast<int16_t>(foot.segment >= 0 ? std::min(foot.segment + 1, 32767) : foot.segment);
  }
  return kSplineOk;
}

int32_t EngineSplinePointInside(SplineHandle spline, const double* point, double tolerance) {
  const SplineObject* object = Object(spline);
  if (object == nullptr || !FinitePoint(point) || !(tolerance >= 0.0)) return kSplineInsideFailed;
  const CubicSpline& curve = object->curve;
  if (curve.IsEmpty()) return kSplineInsideFailed;
  const SplineFoot foot = curve.Nearest({point[0], point[1]}, 0.0, nullptr);
  if (!(foot.distance <= tolerance)) return kSplineMiss;
  if (foot.segment == -1 || foot.segment == -2) return foot.segment;
  return curve.SpanAt(foot.t);
}

int32_t EngineSplineExtrapolate(SplineHandle spline, double left, double top, double right,
                                double bottom, double* out) {
  const SplineObject* object = Object(spline);
  if (object == nullptr) return kSplineBadHandle;
  if (out == nullptr || !std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) ||
      !std::isfinite(bottom)) {
    return kSplineBadArgument;
  }
  const CubicSpline& curve = object->curve;
  if (curve.IsEmpty()) return kSplineNoCurve;
  if (curve.IsClosed()) return kSplineClosed;
  const double x0 = std::min(left, right), x1 = std::max(left, right);
  const double y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  SplinePoint startTangent, endTangent;
  const SplinePoint start = curve.At(0.0, &startTangent);
  const SplinePoint end = curve.At(curve.Length(), &endTangent);
  const SplinePoint before = RayExit(start, {-startTangent.x, -startTangent.y}, x0, y0, x1, y1);
  const SplinePoint after = RayExit(end, endTangent, x0, y0, x1, y1);
  const SplinePoint result[4] = {before, start, end, after};
  for (int i = 0; i < 4; ++i) {
    out[2 * i] = result[i].x;
    out[2 * i + 1] = result[i].y;
  }
  return kSplineOk;
}
