#pragma once
// The spline entry points of the solver library. A spline is a handle to a smooth curve through
// control points (CubicSpline.h): type 0 is open (its ends continue as straight lines), type 1
// closed. Coordinates are (x, y) pairs of doubles in the caller's frame. Failures answer the
// negative codes below and leave the spline as it was; a null or foreign handle is refused,
// never followed.

#include <cstdint>

inline constexpr int32_t kSplineOk = 0;
inline constexpr int32_t kSplineNoCurve = -10;      // no control points set yet
inline constexpr int32_t kSplineBadHandle = -11;    // null, or not a spline of this library
inline constexpr int32_t kSplineBadArgument = -12;  // a null pointer, a count or type out of range
inline constexpr int32_t kSplineBadPoints = -13;    // non-finite, or fewer than two distinct points
inline constexpr int32_t kSplineNoMemory = -14;
inline constexpr int32_t kSplineClosed = -15;  // a closed curve has no ends to extend
// EngineSplinePointInside: no hit (-3 is also a miss; any failure answers -3).
inline constexpr int32_t kSplineMiss = 0;
inline constexpr int32_t kSplineInsideFailed = -3;

using SplineHandle = void*;

// A new spline of the type (0 open, 1 closed) with no points; null for another type or when
// memory runs out. EngineDeleteSpline releases it (null is ignored).
SplineHandle EngineNewSpline(int32_t type);
void EngineDeleteSpline(SplineHandle spline);
// Changes the type and rebuilds the curve through the same points.
int32_t EngineSetSplineType(SplineHandle spline, int32_t type);

// The curve of the spline's type through the n points (x, y pairs). Points equal to their
// predecessor are allowed and make spans of length zero; on a closed curve a last point equal to
// the first just closes it.
int32_t EngineSetSplinePoints(SplineHandle spline, int32_t n, const double* points);
// Makes the spline a closed curve through the n vertices of a polygon.
int32_t EngineCurvPolySetSplinePoints(SplineHandle spline, int32_t n, const double* points);

// Writes `steps` + 1 points per span into out: each control point followed by `steps` points
// evenly spaced in the curve parameter, and the last point (the first one again on a closed
// curve): (n - 1)(steps + 1) + 1 points when open, n(steps + 1) + 1 closed. Answers the count.
int32_t EngineSplineQuickInterpolate(SplineHandle spline, double* out, int32_t steps);

// Samples the curve for drawing into out (room points at most): the polyline keeps within
// `deviation` of the curve, except that no chord is split below `step`, and it passes through
// every control point. The rectangle (left, top, right, bottom) is the caller's view; the whole
// curve is sampled, so bounds computed from the samples hold. On the first call *more is 0 and
// *stateA, *stateB are 0.0; when the room runs out *more is set to 1 and the call is repeated
// with the states handed back unchanged, and it continues where it stopped. Answers the number of
// points written (> 0), or a negative code. `flag` must be 0.
int32_t EngineSplineInterpolate(SplineHandle spline, double* out, int32_t room, double deviation,
                                double step, double left, double top, double right, double bottom,
                                int16_t* more, double* stateA, double* stateB, int32_t flag);

// The nearest point of the curve (extensions included when open) to point, with the tangent there
// (by the chord-length parameter, so about unit length). *parameter and *hint carry the previous
// answer: with *hint non-zero the search prefers to stay near it while that is as near as the
// best answer within tolerance. Answers 0, or a negative code with nothing written. `tangent`
// may be null; `reserved` must be null.
int32_t EngineSplineNearestPoint(SplineHandle spline, const double* point, double tolerance,
                                 double* parameter, int16_t* hint, double* nearest, double* tangent,
                                 void* reserved);

// Whether point lies within tolerance of the curve: 0 no (also -3, for any failure); else the
// span hit: n > 0 for the span from control point n to the next, -1 the extension before the
// first point, -2 the extension after the last.
int32_t EngineSplinePointInside(SplineHandle spline, const double* point, double tolerance);

// The straight continuations of an open curve's ends within the rectangle: out[0]-out[1] runs
// from where the start extension leaves the rectangle to the first point, out[2]-out[3] from the
// last point to where the end extension leaves it (4 points, 8 doubles). An extension that does
// not cross the rectangle collapses onto its end point.
int32_t EngineSplineExtrapolate(SplineHandle spline, double left, double top, double right,
                                double bottom, double* out);
