#include "solver/contact/ContactShape.h"

#include <algorithm>
#include <cmath>

#include "solver/geometry/CubicSpline.h"

namespace yb::contact {

using Eigen::Vector2d;

namespace {

double Cross(const Vector2d& a, const Vector2d& b) {
  return a.x() * b.y() - a.y() * b.x();
}

// Drops repeated vertices (and a last one that repeats the first) and vertices on a straight
// line between their neighbours, which would give edges of no length or no direction.
std::vector<Vector2d> Cleaned(const std::vector<Vector2d>& in, double scale) {
  const double tiny = 1e-12 * scale;
  std::vector<Vector2d> out;
  out.reserve(in.size());
  for (const Vector2d& v : in)
    if (out.empty() || (v - out.back()).norm() > tiny) out.push_back(v);
  while (out.size() > 1 && (out.front() - out.back()).norm() <= tiny)
    out.pop_back();
  for (bool removed = true; removed && out.size() >= 3;) {
    removed = false;
    for (size_t i = 0; i < out.size() && out.size() >= 3; ++i) {
      const Vector2d& a = out[(i + out.size() - 1) % out.size()];
      const Vector2d& c = out[(i + 1) % out.size()];
      if (std::abs(Cross(out[i] - a, c - out[i])) <= tiny * scale) {
        out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      }
    }
  }
  return out;
}

bool IsConvex(const std::vector<Vector2d>& p) {
  const size_t n = p.size();
  for (size_t i = 0; i < n; ++i)
    if (Cross(p[(i + 1) % n] - p[i], p[(i + 2) % n] - p[(i + 1) % n]) < 0) return false;
  return true;
}

ConvexPiece PolygonPiece(std::vector<Vector2d> vertices) {
  ConvexPiece piece;
  const size_t n = vertices.size();
  piece.normals.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const Vector2d edge = vertices[(i + 1) % n] - vertices[i];
    piece.normals.push_back(Vector2d(edge.y(), -edge.x()).normalized());
  }
  piece.vertices = std::move(vertices);
  return piece;
}

// The narrowest width of a convex polygon: over its edge normals, the depth of the polygon.
double Width(const ConvexPiece& piece) {
  if (piece.circle) return 2 * piece.radius;
  double narrowest = HUGE_VAL;
  for (size_t i = 0; i < piece.normals.size(); ++i) {
    double depth = 0;
    for (const Vector2d& v : piece.vertices)
      depth = std::max(depth, piece.normals[i].dot(piece.vertices[i] - v));
    narrowest = std::min(narrowest, depth);
  }
  return narrowest;
}

// The closed spline through the vertices, in chords that stay within a thousandth of its size.
std::vector<Vector2d> SampleCurve(const std::vector<Vector2d>& vertices) {
  std::vector<double> xy;
  for (const Vector2d& v : vertices) {
    xy.push_back(v.x());
    xy.push_back(v.y());
  }
  CubicSpline spline;
  if (!spline.Build(xy.data(), static_cast<int32_t>(vertices.size()), true)) return {};
  const double deviation = 1e-3 * spline.Length() / 8;
  std::vector<Vector2d> out;
  for (double t = 0; t < spline.Length() && out.size() < 4096;) {
    const SplinePoint p = spline.At(t);
    out.emplace_back(p.x, p.y);
    const double next = spline.NextSample(t, deviation, spline.Length() / 16);
    if (!(next > t)) break;
    t = next;
  }
  return out;
}

// The radius of the circle through each vertex and its two neighbours: the curvature of the
// sampled curve there.
std::vector<double> Bends(const std::vector<Vector2d>& p) {
  const size_t n = p.size();
  std::vector<double> bends(n);
  for (size_t i = 0; i < n; ++i) {
    const Vector2d a = p[(i + n - 1) % n] - p[i], b = p[(i + 1) % n] - p[i];
    const double turn = std::abs(Cross(a, b));
    bends[i] = turn > 0 ? a.norm() * b.norm() * (a - b).norm() / (2 * turn) : HUGE_VAL;
  }
  return bends;
}

}  // namespace

double ConvexPiece::BentRadiusAt(size_t edge, double t) const {
  const size_t n = bend.size();
  return (1 - t) * bend[edge % n] + t * bend[(edge + 1) % n];
}

double SignedArea(const std::vector<Vector2d>& polygon) {
  double area = 0;
  for (size_t i = 0; i < polygon.size(); ++i)
    area += Cross(polygon[i], polygon[(i + 1) % polygon.size()]);
  return area / 2;
}

std::vector<std::vector<Vector2d>> Triangulate(std::vector<Vector2d> polygon) {
  std::vector<std::vector<Vector2d>> triangles;
  if (SignedArea(polygon) < 0) std::reverse(polygon.begin(), polygon.end());
  auto inside = [](const Vector2d& p, const Vector2d& a, const Vector2d& b, const Vector2d& c) {
    return Cross(b - a, p - a) >= 0 && Cross(c - b, p - b) >= 0 && Cross(a - c, p - c) >= 0;
  };
  size_t guard = 0;
  while (polygon.size() > 3 && guard++ < 4 * polygon.size() * polygon.size()) {
    const size_t n = polygon.size();
    bool clipped = false;
    for (size_t i = 0; i < n && !clipped; ++i) {
      const Vector2d& a = polygon[(i + n - 1) % n];
      const Vector2d& b = polygon[i];
      const Vector2d& c = polygon[(i + 1) % n];
      if (Cross(b - a, c - b) <= 0) continue;  // a reflex corner is no ear
      bool empty = true;
      for (size_t k = 0; k < n && empty; ++k) {
        if (k == i || k == (i + 1) % n || k == (i + n - 1) % n) continue;
        empty = !inside(polygon[k], a, b, c);
      }
      if (!empty) continue;
      triangles.push_back({a, b, c});
      polygon.erase(polygon.begin() + static_cast<std::ptrdiff_t>(i));
      clipped = true;
    }
    if (!clipped) break;  // not a simple polygon: what is left is not cut
  }
  if (polygon.size() == 3 && SignedArea(polygon) > 0) triangles.push_back(polygon);
  return triangles;
}

BodyOutline MakeOutline(const dynamics::Shape& shape, double comX, double comY) {
  BodyOutline outline;
  const Vector2d com(comX, comY);
  std::vector<Vector2d> polygon;
  switch (shape.kind) {
    case dynamics::Shape::Kind::Circle: {
      if (!(shape.w > 0) || !std::isfinite(shape.w)) return outline;
      ConvexPiece piece;
      piece.circle = true;
      piece.radius = shape.w / 2;
      piece.centre = -com;
      outline.pieces.push_back(piece);
      break;
    }
    case dynamics::Shape::Kind::Rectangle: {
      if (!(shape.w > 0 && shape.h > 0) || !std::isfinite(shape.w * shape.h)) return outline;
      const double x = shape.w / 2, y = shape.h / 2;
      polygon = {{-x, -y}, {x, -y}, {x, y}, {-x, y}};
      break;
    }
    case dynamics::Shape::Kind::Polygon: {
      if (shape.xs.size() != shape.ys.size()) return outline;
      for (size_t i = 0; i < shape.xs.size(); ++i) {
        if (!std::isfinite(shape.xs[i]) || !std::isfinite(shape.ys[i])) return outline;
        polygon.emplace_back(shape.xs[i], shape.ys[i]);
      }
      if (shape.curved && polygon.size() >= 3) polygon = SampleCurve(polygon);
      break;
    }
    case dynamics::Shape::Kind::None:
      return outline;
  }
  if (!polygon.empty()) {
    double scale = 0;
    for (Vector2d& v : polygon) {
      v -= com;
      scale = std::max(scale, v.norm());
    }
    polygon = Cleaned(polygon, std::max(scale, 1e-300));
    if (polygon.size() < 3 || std::abs(SignedArea(polygon)) <= 1e-14 * scale * scale)
      return outline;
    if (SignedArea(polygon) < 0) std::reverse(polygon.begin(), polygon.end());
    if (IsConvex(polygon)) {
      std::vector<double> bend = shape.curved ? Bends(polygon) : std::vector<double>{};
      outline.pieces.push_back(PolygonPiece(std::move(polygon)));
      outline.pieces.back().bend = std::move(bend);
    } else {
      for (auto& triangle : Triangulate(polygon))
        outline.pieces.push_back(PolygonPiece(std::move(triangle)));
    }
  }
  outline.thickness = HUGE_VAL;
  for (const ConvexPiece& piece : outline.pieces) {
    outline.thickness = std::min(outline.thickness, Width(piece));
    if (piece.circle) outline.reach = std::max(outline.reach, piece.centre.norm() + piece.radius);
    for (const Vector2d& v : piece.vertices)
      outline.reach = std::max(outline.reach, v.norm());
  }
  return outline;
}

}  // namespace yb::contact
