#pragma once
// A body's outline as the collision test sees it: convex pieces in the body frame, measured from
// the centre of mass. A circle is one piece; a rectangle or a convex polygon one polygon; a
// concave polygon is cut into triangles; a curved polygon is the closed spline through its
// vertices, sampled finely enough that the chords stay within a small part of its size.

#include <cmath>
#include <vector>

#include <Eigen/Core>

#include "solver/dynamics/Model.h"

namespace yb::contact {

struct ConvexPiece {
  bool circle = false;
  double radius = 0;                       // circles
  Eigen::Vector2d centre{0, 0};            // circles
  std::vector<Eigen::Vector2d> vertices;   // polygons, counter-clockwise
  std::vector<Eigen::Vector2d> normals;    // polygons: outward normal of the edge from vertex i
  // Curved outlines: the radius of curvature of the curve at each vertex, so that a point
  // rolling along the chords moves as it would along the curve. Empty for straight edges.
  std::vector<double> bend;
  // The radius of curvature at a point of edge i, a fraction t along it from vertex i: infinite
  // inside a straight edge, zero at a corner. Inline: every pair of polygons met asks it of
  // each point, and most outlines are straight.
  double RadiusAt(size_t edge, double t) const {
    if (circle) return radius;
    if (!bend.empty()) return BentRadiusAt(edge, t);
    return t <= 0 || t >= 1 ? 0.0 : HUGE_VAL;
  }

 private:
  double BentRadiusAt(size_t edge, double t) const;
};

struct BodyOutline {
  std::vector<ConvexPiece> pieces;
  double reach = 0;      // the largest distance of the outline from the centre of mass
  double thickness = 0;  // the narrowest width of any piece
  bool Empty() const { return pieces.empty(); }
};

// The outline of a shape given relative to the reference point, moved so that it is measured
// from the centre of mass (comX, comY). A shape without area gives no pieces.
BodyOutline MakeOutline(const dynamics::Shape& shape, double comX, double comY);

// Signed area of a closed polygon (positive counter-clockwise).
double SignedArea(const std::vector<Eigen::Vector2d>& polygon);

// Cuts a simple polygon (either orientation) into counter-clockwise triangles by clipping ears.
std::vector<std::vector<Eigen::Vector2d>> Triangulate(std::vector<Eigen::Vector2d> polygon);

}  // namespace yb::contact
