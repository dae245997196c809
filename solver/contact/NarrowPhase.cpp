#include "solver/contact/NarrowPhase.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace yb::contact {

using Eigen::Vector2d;

namespace {

// A polygon placed in the world: its corners, and the outward normal of the edge from each.
struct WorldPolygon {
  const ConvexPiece* piece;
  const Vector2d* v;
  const Vector2d* n;
  size_t size;
};

WorldPolygon Polygon(const WorldPiece& p) {
  return {p.piece, p.vertices, p.normals, p.piece->vertices.size()};
}

// A polygon against a circle; the normal runs from the polygon to the circle.
bool PolygonCircle(const WorldPolygon& p, const Vector2d& c, double r, double margin,
                   Manifold& out) {
  const size_t n = p.size;
  double deepest = -HUGE_VAL;
  size_t face = 0;
  for (size_t i = 0; i < n; ++i) {
    const double s = p.n[i].dot(c - p.v[i]);
    if (s > deepest) {
      deepest = s;
      face = i;
    }
  }
  if (deepest - r > margin) return false;
  Vector2d normal = p.n[face];
  double distance = deepest;
  int feature = static_cast<int>(face);
  // Where on the polygon's outline the circle touches: an edge and the fraction along it.
  auto along = [&](size_t i) {
    const Vector2d a = p.v[i], e = p.v[(i + 1) % n] - a;
    return std::clamp(e.dot(c - a) / e.squaredNorm(), 0.0, 1.0);
  };
  size_t edge = face;
  double at = along(face);
  if (deepest > 0) {
    // Outside: the nearest point of the boundary, on an edge or at a corner.
    double best = HUGE_VAL;
    for (size_t i = 0; i < n; ++i) {
      const Vector2d a = p.v[i], e = p.v[(i + 1) % n] - a;
      const double t = std::clamp(e.dot(c - a) / e.squaredNorm(), 0.0, 1.0);
      const Vector2d d = c - (a + t * e);
      const double length = d.norm();
      if (length < best) {
        best = length;
        normal = length > 0 ? Vector2d(d / length) : p.n[i];
        feature = t <= 0 ? static_cast<int>(n + i) : t >= 1 ? static_cast<int>(n + (i + 1) % n)
                                                             : static_cast<int>(i);
        edge = i;
        at = t;
      }
    }
    distance = best;
  }
  const double separation = distance - r;
  if (separation > margin) return false;
  out.normal = normal;
  out.count = 1;
  // Inside, the circle's centre is nearest the deepest face's line: that face is the one touched.
  const double radius = deepest > 0 ? p.piece->RadiusAt(edge, at) : p.piece->RadiusAt(face, 0.5);
  out.points[0] = {c - normal * (r + separation / 2), separation, feature, radius, r};
  return true;
}

// The corner after corner i of n, going round: a pile meets thousands of pairs a search, and a
// remainder is a division.
size_t Next(size_t i, size_t n) {
  return i + 1 == n ? 0 : i + 1;
}

// The face of a whose supporting line leaves b furthest outside, and that separation.
template <size_t kSizeA, size_t kSizeB>
double DeepestFace(const WorldPolygon& a, const WorldPolygon& b, size_t& face) {
  const size_t sizeA = kSizeA != 0 ? kSizeA : a.size, sizeB = kSizeB != 0 ? kSizeB : b.size;
  double best = -HUGE_VAL;
  face = 0;
  for (size_t i = 0; i < sizeA; ++i) {
    const double nx = a.n[i].x(), ny = a.n[i].y(), ax = a.v[i].x(), ay = a.v[i].y();
    double s = HUGE_VAL;
    for (size_t j = 0; j < sizeB; ++j)
      s = std::min(s, nx * (b.v[j].x() - ax) + ny * (b.v[j].y() - ay));
    if (s > best) {
      best = s;
      face = i;
    }
  }
  return best;
}

// Two lanes of doubles, worked on side by side with the same operations as one double each.
using Lanes = double __attribute__((vector_size(16)));

// As above for two polygons of four corners (a pile's boxes): a's faces two at a time, one in
// each lane, every separation made with the same operations in the same order.
template <>
double DeepestFace<4, 4>(const WorldPolygon& a, const WorldPolygon& b, size_t& face) {
  double least[4];
  for (size_t i = 0; i < 4; i += 2) {
    const Lanes nx = {a.n[i].x(), a.n[i + 1].x()}, ny = {a.n[i].y(), a.n[i + 1].y()};
    const Lanes ax = {a.v[i].x(), a.v[i + 1].x()}, ay = {a.v[i].y(), a.v[i + 1].y()};
    Lanes s = {HUGE_VAL, HUGE_VAL};
    for (size_t j = 0; j < 4; ++j) {
      const Lanes bx = {b.v[j].x(), b.v[j].x()}, by = {b.v[j].y(), b.v[j].y()};
      const Lanes d = nx * (bx - ax) + ny * (by - ay);
      s = d < s ? d : s;  // std::min(s, d) in each lane
    }
    least[i] = s[0];
    least[i + 1] = s[1];
  }
  double best = -HUGE_VAL;
  face = 0;
  for (size_t i = 0; i < 4; ++i)
    if (least[i] > best) {
      best = least[i];
      face = i;
    }
  return best;
}

// Two polygons; the normal runs from a to b. Sizes given as template arguments are those of
// both polygons (a pile of boxes meets thousands of pairs of four corners a search): the loops
// over corners and faces are then laid out in full. Zero reads the sizes.
template <size_t kSize = 0>
bool Polygons(const WorldPolygon& a, const WorldPolygon& b, double margin, Manifold& out) {
  const size_t sizeA = kSize != 0 ? kSize : a.size, sizeB = kSize != 0 ? kSize : b.size;
  size_t faceA, faceB;
  const double sa = DeepestFace<kSize, kSize>(a, b, faceA);
  if (sa > margin) return false;
  const double sb = DeepestFace<kSize, kSize>(b, a, faceB);
  if (sb > margin) return false;
  // The reference face is a's unless b's separates clearly more, so that the choice does not
  // flicker between two nearly equal faces.
  double scale = 0;
  for (size_t i = 0; i < sizeA; ++i)
    scale = std::max(scale, a.v[i].cwiseAbs().maxCoeff());
  const double tie = 1e-9 * std::max(1.0, scale);
  const bool flip = sb > sa + tie;
  const WorldPolygon& ref = flip ? b : a;
  const WorldPolygon& inc = flip ? a : b;
  const size_t refSize = flip ? sizeB : sizeA, incSize = flip ? sizeA : sizeB;
  const size_t face = flip ? faceB : faceA;
  const Vector2d normal = ref.n[face];
  // The incident edge: the one whose normal opposes the reference normal most.
  size_t edge = 0;
  double most = HUGE_VAL;
  for (size_t i = 0; i < incSize; ++i) {
    const double d = inc.n[i].dot(normal);
    if (d < most) {
      most = d;
      edge = i;
    }
  }
  Vector2d clip[2] = {inc.v[edge], inc.v[Next(edge, incSize)]};
  // Each point is named by the corner that makes it: an incident corner on the reference face,
  // or, where the incident edge is clipped, the reference face's own corner. Two nearly parallel
  // faces (a box resting across the edge of the one below) make the same two points whichever
  // of them is the reference, and a turn far below anything seen may change that choice between
  // one search and the next: named by their corners, the points keep their names through it.
  // An incident corner that the clipping moves by no more than rounding (equal boxes stacked
  // flush) keeps its own name.
  const int incSide = flip ? 0 : 1 << 20, refSide = flip ? 1 << 20 : 0;
  int ids[2] = {incSide | static_cast<int>(edge),
                incSide | static_cast<int>(Next(edge, incSize))};
  // The radii of curvature at each point: an incident corner on the reference face, or where
  // clipped, the reference face's corner on the incident edge.
  double incRadius[2] = {inc.piece->RadiusAt(edge, 0), inc.piece->RadiusAt(edge, 1)};
  double refRadius[2] = {ref.piece->RadiusAt(face, 0.5), ref.piece->RadiusAt(face, 0.5)};
  const Vector2d r1 = ref.v[face], r2 = ref.v[Next(face, refSize)];
  const Vector2d tangent = (r2 - r1).normalized();
  // Clip the incident edge to the side lines of the reference face.
  auto clipTo = [&](const Vector2d& side, double offset, double end, size_t corner) {
    const double d0 = side.dot(clip[0]) - offset, d1 = side.dot(clip[1]) - offset;
    if (d0 > 0 && d1 > 0) return false;
    if (d0 > 0 || d1 > 0) {
      const int outside = d0 > 0 ? 0 : 1;
      const double t = d0 / (d0 - d1);
      clip[outside] = clip[0] + t * (clip[1] - clip[0]);
      incRadius[outside] = inc.piece->RadiusAt(edge, t);
      refRadius[outside] = ref.piece->RadiusAt(face, end);
      if (std::max(d0, d1) > tie) ids[outside] = refSide | static_cast<int>(corner);
    }
    return true;
  };
  if (!clipTo(-tangent, -tangent.dot(r1), 0, face) ||
      !clipTo(tangent, tangent.dot(r2), 1, Next(face, refSize)))
    return false;
  out.normal = flip ? Vector2d(-normal) : normal;
  out.count = 0;
  for (int k = 0; k < 2; ++k) {
    const double separation = normal.dot(clip[k] - r1);
    if (separation > margin) continue;
    const Vector2d mid = clip[k] - normal * (separation / 2);
    const int feature = ids[k];
    out.points[out.count++] = {mid, separation, feature, flip ? incRadius[k] : refRadius[k],
                               flip ? refRadius[k] : incRadius[k]};
  }
  return out.count > 0;
}

}  // namespace

WorldPiece PlaceInWorld(const PlacedPiece& p, Vector2d* vertices, Vector2d* normals) {
  const ConvexPiece& piece = *p.piece;
  if (piece.circle) return {&piece, p.World(piece.centre), nullptr, nullptr};
  for (size_t i = 0; i < piece.vertices.size(); ++i)
    vertices[i] = p.World(piece.vertices[i]);
  for (size_t i = 0; i < piece.normals.size(); ++i)
    normals[i] = p.Turn(piece.normals[i]);
  return {&piece, Vector2d(0, 0), vertices, normals};
}

bool CollidePlaced(const WorldPiece& a, const WorldPiece& b, double margin, Manifold& out) {
  out.count = 0;
  const ConvexPiece& pa = *a.piece;
  const ConvexPiece& pb = *b.piece;
  if (pa.circle && pb.circle)
    return CollideCircles(a.centre, pa.radius, b.centre, pb.radius, margin, out);
  if (pb.circle) return PolygonCircle(Polygon(a), b.centre, pb.radius, margin, out);
  if (pa.circle) {
    if (!PolygonCircle(Polygon(b), a.centre, pa.radius, margin, out)) return false;
    out.normal = -out.normal;
    std::swap(out.points[0].radiusA, out.points[0].radiusB);
    return true;
  }
  const WorldPolygon polygonA = Polygon(a), polygonB = Polygon(b);
  if (polygonA.size == 4 && polygonB.size == 4) return Polygons<4>(polygonA, polygonB, margin, out);
  return Polygons(polygonA, polygonB, margin, out);
}

bool Collide(const PlacedPiece& a, const PlacedPiece& b, double margin, Manifold& out,
             CollideScratch& scratch) {
  const PlacedPiece* placed[2] = {&a, &b};
  WorldPiece world[2];
  for (int k = 0; k < 2; ++k) {
    const ConvexPiece& piece = *placed[k]->piece;
    scratch.vertices[k].resize(piece.vertices.size());
    scratch.normals[k].resize(piece.normals.size());
    world[k] = PlaceInWorld(*placed[k], scratch.vertices[k].data(), scratch.normals[k].data());
  }
  return CollidePlaced(world[0], world[1], margin, out);
}

}  // namespace yb::contact
