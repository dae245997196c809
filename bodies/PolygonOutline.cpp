// TPolygon: the outline on the screen, rebuilt when the body's screen transform goes stale.

#include <algorithm>

#include "bodies/Polygon.h"
#include "bodies/ShapePainting.h"
#include "core/port/Port.h"

// ---- 7. Screen outline -------------------------------------------------------------------------

void TPolygon::ValidateScreenTransform(const Transform2D& view) {
  const bool wasValid = IsScreenValid();
  TMass::ValidateScreenTransform(view);
  if (wasValid && outlineValid_ != 0) return;
  SetOutlinePoints(VertexList());
  outlineValid_ = 1;
}

void TPolygon::UpdateOutline(const Transform2D& view) {
  ValidateScreenTransform(view);
}

void TPolygon::InvalidateScreenCache() {
  TMass::InvalidateScreenCache();
  outlineValid_ = 0;
}

void TPolygon::DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) {
  if (!outline_.points.empty()) DrawOutline(mode, outline, inset);
  TMass::DrawShape(rect, mode, outline, inset);
}

void TPolygon::DrawOutline(uint16_t mode, uint16_t outline, int16_t inset) {
  const bool fills = (mode & 3) == 0 && IsFilled() != 0;
  if (inset != 0 && !(fills && outline != 0)) PolygonOffset(&outline_, inset, inset);
  if (fills) {
    UseFillColour();
    PaintPolygonPattern(outline_, GetPatternNumber());
  }
  if (outline != 0) {
    UseOutlineColour();
    if ((mode & 2) != 0) {
      // Traced edge by edge, so that a polygon being recorded takes the points; the closing
      // edge is left to the caller.
      const std::vector<POINT>& p = outline_.points;
      PortMoveTo(p[0].x, p[0].y);
      for (size_t i = 1; i + 1 < p.size(); ++i)
        RecordPolygonPoint(p[i].x, p[i].y);
    } else {
      FramePolygon(outline_);
    }
  }
  if (inset != 0 && !(fills && outline != 0)) PolygonOffset(&outline_, -inset, -inset);
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
  const auto [left, right] =
      std::minmax_element(screenPoints.begin(), screenPoints.end(),
                          [](const POINT& a, const POINT& b) { return a.x < b.x; });
  const auto [top, bottom] =
      std::minmax_element(screenPoints.begin(), screenPoints.end(),
                          [](const POINT& a, const POINT& b) { return a.y < b.y; });
  outline_.box = MacRect(static_cast<int16_t>(left->x), static_cast<int16_t>(top->y),
                         static_cast<int16_t>(right->x), static_cast<int16_t>(bottom->y));
  outline_.size = static_cast<int16_t>(12 + 8 * std::min<size_t>(screenPoints.size(), 4094));
  outline_.points = std::move(screenPoints);
}

void TPolygon::DrawVertexMark(int16_t index, int32_t, int32_t) {
  TVector vertex;
  if (index <= 0 || !GetVertex(index, vertex)) return;
  const MacPoint p = BodyToScreenPoint(vertex);
  const MacRect square(static_cast<int16_t>(p.h - 3), static_cast<int16_t>(p.v - 3),
                       static_cast<int16_t>(p.h + 3), static_cast<int16_t>(p.v + 3));
  if (index == selectedVertex_)
    InvertRect(square);
  else
    FrameRect(square);
}

bool TPolygon::IsEnclosedBy(const MacRect& rect) const {
  if (outline_.points.empty()) return true;
  const MacRect& b = outline_.box;
  return b.left >= rect.left && b.right <= rect.right && b.top >= rect.top &&
         b.bottom <= rect.bottom;
}

// ---- DXF export --------------------------------------------------------------------------------

bool TPolygon::ExportDXF(TDXFOutput& writer, int16_t kind) {
  constexpr int16_t kEntitiesPass = 4;
  constexpr int32_t kLengthDimension = 0x01000000;
  if (kind != kEntitiesPass) return false;
  writer.BeginEntity(TDXFOutput::kPolyline, Str255());
  writer.WriteValue(66, 1.0, 0);
  writer.WriteValue(70, 1.0, 0);
  // The vertex table itself: a curved polygon's sampled curve is not what a drawing keeps.
  const TTable* vertices = TPolygon::GetVertexTable();
  const int32_t count = vertices != nullptr ? vertices->GetCount() : 0;
  for (int32_t i = 1; i <= count; ++i) {
    TVector point;
    GetVertex(i, point);
    LocalToWorld(point);
    writer.BeginEntity(TDXFOutput::kVertex, Str255());
    writer.WriteCoords(point.x, point.y, 0.0, kLengthDimension);
  }
  writer.BeginEntity(TDXFOutput::kSequenceEnd, Str255());
  return true;
}
