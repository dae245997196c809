// TPolygon: the outline on the screen, rebuilt when the body's screen transform goes stale.

#include <algorithm>

#include "bodies/Polygon.h"

// ---- 7. Screen outline -------------------------------------------------------------------------

void TPolygon::UpdateOutline(const Transform2D& view) {
  if (IsScreenValid()) return;
  ValidateScreenTransform(view);
  SetOutlinePoints(VertexList());
}

void TPolygon::SetOutlinePoints(const std::vector<TVector>& points) {
  if (points.empty()) {
    outline_ = PolygonRec();
    return;
  }
  const Transform2D& screen = GetScreenTransform();
  std::vector<POINT> screenPoints;
  screenPoints.reserve(points.size() + 1);
  for (const TVector& p : points) {
    MacPoint s;
    Transform2D::ToScreenPoint(screen, p, s);
    screenPoints.push_back(POINT{s.h, s.v});
  }
  // Closed by repeating the first point.
  screenPoints.push_back(screenPoints.front());
  // The box is the true bounds of the points, in every direction.
  const auto [left, right] = std::minmax_element(
      screenPoints.begin(), screenPoints.end(),
      [](const POINT& a, const POINT& b) { return a.x < b.x; });
  const auto [top, bottom] = std::minmax_element(
      screenPoints.begin(), screenPoints.end(),
      [](const POINT& a, const POINT& b) { return a.y < b.y; });
  outline_.box = MacRect(static_cast<int16_t>(left->x), static_cast<int16_t>(top->y),
                         static_cast<int16_t>(right->x), static_cast<int16_t>(bottom->y));
  outline_.size = static_cast<int16_t>(12 + 8 * std::min<size_t>(screenPoints.size(), 4094));
  outline_.points = std::move(screenPoints);
}

bool TPolygon::IsEnclosedBy(const MacRect& rect) const {
  if (outline_.points.empty()) return true;
  const MacRect& b = outline_.box;
  return b.left >= rect.left && b.right <= rect.right && b.top >= rect.top &&
         b.bottom <= rect.bottom;
}
