// What constraints answer to the points they hang on: which points they hold together, whether
// they keep a point on its body or fix it in the world, and what they draw on a point.

#include "constraints/Constraint.h"
#include "core/port/Picture.h"

namespace {

bool WithinGrown(const MacRect& area, const MacPoint& at, int16_t by) {
  return at.h >= area.left - by && at.h < area.right + by && at.v >= area.top - by &&
         at.v < area.bottom + by;
}

}  // namespace

// ---- Every constraint ---------------------------------------------------------------------------

std::vector<TPoint*> TCnstr::OwnPoints() {
  std::vector<TPoint*> points;
  for (TLink* object : attached_)
    if (auto* point = dynamic_cast<TPoint*>(object)) points.push_back(point);
  return points;
}

void TCnstr::PointMoved(TPoint& point) {
  if (!IsAttachedTo(&point)) return;
  Recompute();
  Update();
}

// A point that changed body may now be the better reference: one on the background yields to
// one on a body.
void TCnstr::PointChanged(TPoint& point) {
  if (!IsAttachedTo(&point)) return;
  ChooseReferenceObject(nullptr);
  Recompute();
}

// ---- Drawn constraints --------------------------------------------------------------------------

const char* TConstraint::PointIconName() const {
  return IsLocked() != 0 && IsInactive() ? "RLockCnstrIcon" : "RCnstrIcon";
}

void TConstraint::BeforePointDrawing(DrawContext&, uint16_t, TPoint& point, uint16_t& show) {
  if (IsRotational() && GetPrimaryObject() == &point) show = 0;
}

void TConstraint::AfterPointDrawing(DrawContext& context, uint16_t mode, TPoint& point) {
  // While the point is highlighted the constraint's icon stays as it is.
  if (mode == 4 || !IsRotational() || GetPrimaryObject() != &point) return;
  const MacPoint at = point.GetScreenPoint();
  if (!WithinGrown(context.area, at, 4)) return;
  DrawIconMasked(GetToolIcon(PointIconName()), at.h, at.v);
}

TPoint* TConstraint::HitPoint() {
  if (!IsRotational()) return nullptr;
  return dynamic_cast<TPoint*>(GetPrimaryObject());
}

bool TConstraint::HitsAt(int32_t h, int32_t v) {
  TPoint* point = HitPoint();
  if (point == nullptr || !IsInactive()) return false;
  return point->HitTest(MacPoint(static_cast<int16_t>(h), static_cast<int16_t>(v)));
}
