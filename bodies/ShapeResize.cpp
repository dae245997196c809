// Sizing a shape from a mouse drag, as its sketch and resize trackers do.

#include <cmath>

#include "bodies/Shapes.h"
#include "core/geometry/Rounding.h"
#include "model/world/WorldDoc.h"

namespace {

// Both components take the smaller magnitude, each keeping its own sign.
void MakeEqual(TVector& d) {
  const double side = std::min(std::fabs(d.x), std::fabs(d.y));
  d.x = std::copysign(side, d.x);
  d.y = std::copysign(side, d.y);
}

}  // namespace

void TBasicMass::ResizeFromDrag(const TVector&, const TVector& current, const Transform2D& inverse,
                                const Transform2D& frame, bool snap) {
  TVector d = Transform2D::ApplyToVector(inverse, current);
  const TWorldDoc* world = GetWorld();
  double g = snap && world != nullptr ? world->SnappingDistance() : 0.0;
  if (!std::isfinite(g) || g < 0.0) g = 0.0;
  if (equalSides_ != 0) {
    g *= 2.0;
    MakeEqual(d);
  }
  SnapToMultiple(d.x, g);
  SnapToMultiple(d.y, g);

  TVector size = GetSize();
  TVector offset(0.0, 0.0);
  // An axis whose drag snapped to nothing keeps its size, on the positive side of the anchor.
  if (std::fabs(d.x) >= g) {
    size.x = std::fabs(d.x);
    offset.x = d.x / 2.0;
  } else {
    offset.x = size.x / 2.0;
  }
  if (std::fabs(d.y) >= g) {
    size.y = std::fabs(d.y);
    offset.y = d.y / 2.0;
  } else {
    offset.y = size.y / 2.0;
  }

  TVector centre = Transform2D::ApplyToVector(frame, offset);
  // Rounding leaves a centre on an axis a hair away from it.
  const double e = (g > 0.0 ? g : 1e-16) / 10.0;
  if (std::fabs(centre.x) < e) centre.x = 0.0;
  if (std::fabs(centre.y) < e) centre.y = 0.0;

  SetPlacement(TVector3(centre.x, centre.y, GetRotationValue()));
  SetSize(size);
  ComputeExtent();
  ShapeChanged(1);
}

void TBasicMass::SetSquareSizeFrom(const TWorldDoc* world) {
  double d = world != nullptr ? world->SnappingDistance() : 1.0;
  if (!std::isfinite(d) || d <= 0.0) d = 1.0;
  SetSize(TVector(d, d));
  ComputeExtent();
}
