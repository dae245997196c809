// Area, centroid and polar moment of a polygon by Green's theorem over its edges. The vertices are
// taken relative to the first one, so that a small polygon far from the origin keeps its
// precision.

#include <algorithm>
#include <cmath>

#include "solver/geometry/GeometryEntry.h"

int32_t area_cofm(const double* points, int32_t n, double* area, double* moment, double* centroid) {
  if (points == nullptr || area == nullptr || moment == nullptr || centroid == nullptr || n < 3) {
    return kGeometryBadArgument;
  }
  const double ox = points[0];
  const double oy = points[1];
  double a2 = 0.0;  // twice the signed area
  double cx = 0.0;  // 6 A times the centroid
  double cy = 0.0;
  double j = 0.0;  // 12 times the polar moment about the first vertex
  double extent = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t k = i + 1 < n ? i + 1 : 0;
    if (!std::isfinite(points[2 * i]) || !std::isfinite(points[2 * i + 1])) {
      return kGeometryNotFinite;
    }
    const double x0 = points[2 * i] - ox, y0 = points[2 * i + 1] - oy;
    const double x1 = points[2 * k] - ox, y1 = points[2 * k + 1] - oy;
    const double cross = x0 * y1 - x1 * y0;
    a2 += cross;
    cx += (x0 + x1) * cross;
    cy += (y0 + y1) * cross;
    j += cross * (x0 * x0 + x0 * x1 + x1 * x1 + y0 * y0 + y0 * y1 + y1 * y1);
    extent = std::max({extent, std::fabs(x0), std::fabs(y0)});
  }
  // Zero area, or an area lost in rounding against the polygon's size: collinear vertices or a
  // figure whose lobes cancel.
  if (!(std::fabs(a2) > 1e-12 * extent * extent)) return kGeometryDegenerate;
  const double signedArea = 0.5 * a2;
  const double gx = cx / (3.0 * a2);
  const double gy = cy / (3.0 * a2);
  // Parallel axes: about the centroid. Both terms carry the orientation's sign, so the absolute
  // value is the moment for either vertex order.
  const double about = j / 12.0 - signedArea * (gx * gx + gy * gy);
  if (!std::isfinite(signedArea) || !std::isfinite(about)) return kGeometryNotFinite;
  *area = signedArea;
  *moment = std::fabs(about);
  centroid[0] = gx + ox;
  centroid[1] = gy + oy;
  return kGeometryOk;
}
