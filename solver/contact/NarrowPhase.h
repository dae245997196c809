#pragma once
// Where two convex pieces touch or nearly touch: the normal from the first to the second, and up
// to two points, each with its separation along the normal (negative where they overlap) and a
// feature number that names the pair of features it comes from, so that a contact keeps its
// identity from one step to the next.

#include <vector>

#include <Eigen/Core>

#include "solver/contact/ContactShape.h"

namespace yb::contact {

// A piece placed in the world.
struct PlacedPiece {
  const ConvexPiece* piece = nullptr;
  Eigen::Vector2d position{0, 0};  // the body's centre of mass
  double cos = 1, sin = 0;         // of the body's rotation
  Eigen::Vector2d World(const Eigen::Vector2d& local) const {
    return position + Eigen::Vector2d(cos * local.x() - sin * local.y(),
                                      sin * local.x() + cos * local.y());
  }
  Eigen::Vector2d Turn(const Eigen::Vector2d& local) const {
    return Eigen::Vector2d(cos * local.x() - sin * local.y(), sin * local.x() + cos * local.y());
  }
};

struct ManifoldPoint {
  Eigen::Vector2d point{0, 0};  // midway between the two surfaces
  double separation = 0;
  int feature = 0;
  // The radius of curvature of each outline at the point (the first piece's, the second's): a
  // circle's radius, zero at a corner, infinite on a straight edge. How the point moves along
  // the outlines as the bodies turn follows from them.
  double radiusA = 0, radiusB = 0;
};

struct Manifold {
  Eigen::Vector2d normal{0, 1};
  int count = 0;
  ManifoldPoint points[2];
};

// Room for the two polygons placed in the world, kept by a caller that collides many pairs so
// that a test allocates nothing.
struct CollideScratch {
  std::vector<Eigen::Vector2d> vertices[2], normals[2];
};

// Whether two circles in the world come within `margin` of each other, and if so the distance
// of their centres. Inline: a crowd of balls offers many pairs, most of them passed over at once.
inline bool CirclesNear(const Eigen::Vector2d& ca, double ra, const Eigen::Vector2d& cb, double rb,
                        double margin, double& distance) {
  const Eigen::Vector2d d = cb - ca;
  // Most pairs a crowd offers lie well apart: those are passed over without a square root. The
  // bound is a little generous, so that any pair the exact test would keep is kept.
  const double reach = ra + rb + margin;
  if (reach >= 0 && d.squaredNorm() > reach * reach * (1 + 1e-12)) return false;
  distance = d.norm();
  return !(distance - ra - rb > margin);
}

// The manifold of two circles that CirclesNear found near, at the distance it gave; the normal
// runs from the first.
inline void MeetCircles(const Eigen::Vector2d& ca, double ra, const Eigen::Vector2d& cb,
                        double rb, double distance, Manifold& out) {
  using Eigen::Vector2d;
  const double separation = distance - ra - rb;
  out.normal = distance > 0 ? Vector2d((cb - ca) / distance) : Vector2d(0, 1);
  out.count = 1;
  out.points[0] = {ca + out.normal * (ra + separation / 2), separation, 0, ra, rb};
}

// Two circles in the world, as Collide places and meets them; the normal runs from the first.
inline bool CollideCircles(const Eigen::Vector2d& ca, double ra, const Eigen::Vector2d& cb,
                           double rb, double margin, Manifold& out) {
  out.count = 0;
  double distance;
  if (!CirclesNear(ca, ra, cb, rb, margin, distance)) return false;
  MeetCircles(ca, ra, cb, rb, distance, out);
  return true;
}

// Fills the manifold with the points closer than `margin` and answers whether there is any.
bool Collide(const PlacedPiece& a, const PlacedPiece& b, double margin, Manifold& out,
             CollideScratch& scratch);

// A piece placed in the world: a circle's centre, or a polygon's corners and the normals of the
// edges from them, held where the placing was told to write them. A crowd's search meets each
// body in several pairs, and places each of its pieces once for all of them.
struct WorldPiece {
  const ConvexPiece* piece = nullptr;
  Eigen::Vector2d centre{0, 0};  // circles
  const Eigen::Vector2d* vertices = nullptr;
  const Eigen::Vector2d* normals = nullptr;
};

// Places the piece; a polygon's corners and normals go to `vertices` and `normals`, each with
// room for as many as the piece has.
WorldPiece PlaceInWorld(const PlacedPiece& p, Eigen::Vector2d* vertices, Eigen::Vector2d* normals);

// As Collide, for two pieces placed already: the same manifold to the bit.
bool CollidePlaced(const WorldPiece& a, const WorldPiece& b, double margin, Manifold& out);

}  // namespace yb::contact
