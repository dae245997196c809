// How drawn constraints look on the screen and answer the pointer: a linear constraint walks
// the segments between its attached points and draws each in a frame laid along it (the kind
// adds its figure, a coil, a cylinder, a slack rope); a rotational one stands on its primary
// point with its icon and faint links to its other points. The selection mark is the same
// drawing once more, with a wide inverting pen.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "core/geometry/Rounding.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"

namespace {

constexpr int16_t kPenModeInvert = 10;  // NOT XOR: a black pen inverts what lies under it
constexpr int32_t kFrameLimit = 32767;
constexpr int32_t kStrokeLimit = 8191;
// The faint pattern of a rotational constraint's links to its other points.
constexpr uint8_t kLinkPattern[8] = {static_cast<uint8_t>(PS_DOT), 0, 0, 0, 0, 0, 0, 0};

int16_t ClampTo(double value, int32_t limit) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int16_t>(std::clamp<double>(std::round(value), -limit, limit));
}

int16_t SumClamped(int32_t a, int32_t b) {
  return static_cast<int16_t>(std::clamp(a + b, -kFrameLimit, kFrameLimit));
}

bool Highlighting(uint16_t mode) { return (mode & TConstraint::kModeHighlight) != 0; }

// The pen to (h, v); the end pixel as well when asked (lines leave it out).
void LineToPoint(const MacPoint& to, bool endPixel) {
  if (endPixel) {
    RecordPolygonPoint(to.h, to.v);
    return;
  }
  const POINT at = GetPenPositionMirror();
  PortLineTo(to.h - at.x, to.v - at.y);
}

int Sign(int32_t value) { return (value > 0) - (value < 0); }

std::optional<MacPoint> ScreenPositionOf(TLink* object) {
  if (auto* point = dynamic_cast<TPoint*>(object)) return point->GetScreenPoint();
  if (auto* body = dynamic_cast<TMass*>(object)) return body->GetScreenPoint();
  return std::nullopt;
}

MacRect Around(const MacPoint& p, int16_t before, int16_t after) {
  return MacRect(static_cast<int16_t>(p.h - before), static_cast<int16_t>(p.v - before),
                 static_cast<int16_t>(p.h + after), static_cast<int16_t>(p.v + after));
}

}  // namespace

// ---- Selection, every constraint ---------------------------------------------------------------

bool TCnstr::LiesInRect(const MacRect& rect) {
  if (attached_.empty()) return false;
  for (TLink* object : attached_) {
    const std::optional<MacPoint> at = ScreenPositionOf(object);
    if (!at || at->h < rect.left || at->h >= rect.right || at->v < rect.top ||
        at->v >= rect.bottom)
      return false;
  }
  return true;
}

void TCnstr::HighlightSelection(const MacRect& area, int16_t oldState, int16_t newState) {
  if (oldState == newState || !IsInactive()) return;
  PortSetPenMode(kPenModeInvert);
  PortSetPenSize(3, 3);
  DrawShape(area, TConstraint::kModeHighlight);
  PortSetPenSize(1, 1);
}

// ---- The drawing frame --------------------------------------------------------------------------

MacPoint TConstraint::DrawingFrame::At(double x, double y) const {
  const double h = origin.h + x * xh + y * yh;
  const double v = origin.v + x * xv + y * yv;
  return MacPoint(ClampTo(h, kFrameLimit), ClampTo(v, kFrameLimit));
}

bool TConstraint::DrawingFrame::ToFrame(const MacPoint& point, double& x, double& y) const {
  const double determinant = xh * yv - xv * yh;
  if (flat || determinant == 0.0) return false;
  const double dh = point.h - origin.h, dv = point.v - origin.v;
  x = (dh * yv - dv * yh) / determinant;
  y = (xh * dv - xv * dh) / determinant;
  return true;
}

double TConstraint::ScreenDistance(const MacPoint& offset) {
  if (offset.h == 0) return std::abs(offset.v);
  if (offset.v == 0) return std::abs(offset.h);
  return std::hypot(static_cast<double>(offset.h), static_cast<double>(offset.v));
}

double TConstraint::SizeRatio(const MacPoint& offset) const {
  const double length = ScreenDistance(offset);
  return length > 0.0 ? GetSize() / length : 0.0;
}

TConstraint::DrawingFrame TConstraint::FrameBetween(const MacPoint& a, const MacPoint& b) const {
  DrawingFrame frame;
  frame.origin = a;
  const MacPoint offset(SumClamped(b.h, -a.h), SumClamped(b.v, -a.v));
  frame.xh = offset.h;
  frame.xv = offset.v;
  const double ratio = offset.h == 0 && offset.v == 0 ? 0.0 : SizeRatio(offset);
  // Across to the left of the way from a to b; the screen's v runs down.
  frame.yh = offset.v * ratio;
  frame.yv = -offset.h * ratio;
  frame.flat = !(ratio != 0.0 && std::isfinite(ratio));
  return frame;
}

void TConstraint::DrawFrameLine(const DrawingFrame& frame, double x, double y, bool penDown,
                                bool corner, uint16_t mode) {
  const MacPoint to = frame.At(x, y);
  if (!penDown) {
    PortMoveTo(to.h, to.v);
    return;
  }
  // An inverting wide pen would take a pixel drawn twice away again.
  LineToPoint(to, corner && !Highlighting(mode));
}

void TConstraint::DrawStrokes(const DrawingFrame& frame, double x, double y,
                              const std::vector<TVector>& strokes, uint16_t mode) {
  DrawFrameLine(frame, x, y, false, false, mode);
  const MacPoint start = frame.At(x, y);
  double h = start.h, v = start.v;
  for (const TVector& stroke : strokes) {
    h = std::clamp<double>(h + stroke.x * frame.xh + stroke.y * frame.yh, -kStrokeLimit,
                           kStrokeLimit);
    v = std::clamp<double>(v + stroke.x * frame.xv + stroke.y * frame.yv, -kStrokeLimit,
                           kStrokeLimit);
    LineToPoint(MacPoint(Round13(h), Round13(v)), !Highlighting(mode));
  }
}

// ---- Drawing ------------------------------------------------------------------------------------

std::vector<MacPoint> TConstraint::ScreenEnds() const {
  std::vector<MacPoint> ends;
  for (TLink* object : Attached()) {
    if (const std::optional<MacPoint> at = ScreenPositionOf(object)) ends.push_back(*at);
  }
  return ends;
}

void TConstraint::DrawShape(const MacRect& area, uint16_t mode) {
  if (IsShown() == 0) return;
  if (IsRotational()) {
    DrawRotational(area, mode);
    return;
  }
  PrepareDrawing();
  const std::vector<MacPoint> ends = ScreenEnds();
  for (size_t i = 1; i < ends.size(); ++i) DrawSegment(ends[i - 1], ends[i], mode);
}

uint16_t TConstraint::GetBounds(TDoubleRect& bounds) {
  if (IsRotational()) return TLockableCnstr::GetBounds(bounds);
  std::vector<std::pair<TVector, MacPoint>> ends;
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point != nullptr) ends.emplace_back(point->GetWorldXY(), point->GetScreenPoint());
  }
  // A kind drawn from one point (a force's arrow) keeps the area the thing answers.
  if (ends.size() < 2) return TLockableCnstr::GetBounds(bounds);
  PrepareDrawing();
  const TVector first = ends.front().first;
  bounds = TDoubleRect(first.x, first.y, first.x, first.y);
  auto grow = [&bounds](double x, double y) {
    bounds.left = std::min({bounds.left, bounds.right, x});
    bounds.right = std::max({bounds.left, bounds.right, x});
    bounds.bottom = std::min({bounds.bottom, bounds.top, y});
    bounds.top = std::max({bounds.bottom, bounds.top, y});
  };
  for (size_t i = 1; i < ends.size(); ++i) {
    const auto& [a, sa] = ends[i - 1];
    const auto& [b, sb] = ends[i];
    const MacPoint offset(SumClamped(sb.h, -sa.h), SumClamped(sb.v, -sa.v));
    const double screen = ScreenDistance(offset);
    const double world = std::hypot(b.x - a.x, b.y - a.y);
    if (screen == 0.0 || world == 0.0) continue;
    // The figure's reach and the wide pen of the mark, in pixels, then in world units.
    const double pixels = FigureReach() * SizeRatio(offset) * screen + 2.0;
    const double reach = pixels * world / screen;
    if (!std::isfinite(reach)) continue;
    for (const TVector& end : {a, b}) {
      grow(end.x - reach, end.y - reach);
      grow(end.x + reach, end.y + reach);
    }
  }
  return 1;
}

void TConstraint::DrawSegment(MacPoint a, MacPoint b, uint16_t mode) {
  if (Highlighting(mode)) {
    // The ends belong to the points: the mark stops a pixel short of them.
    const int dh = Sign(b.h - a.h), dv = Sign(b.v - a.v);
    a = MacPoint(static_cast<int16_t>(a.h + dh), static_cast<int16_t>(a.v + dv));
    b = MacPoint(static_cast<int16_t>(b.h - dh), static_cast<int16_t>(b.v - dv));
  }
  PortMoveTo(a.h, a.v);
  if (std::abs(b.h - a.h) < 3 && std::abs(b.v - a.v) < 3) {
    PortMoveTo(b.h, b.v);
    return;
  }
  const DrawingFrame frame = FrameBetween(a, b);
  if (!frame.flat) DrawFigure(frame, mode);
  LineToPoint(b, !Highlighting(mode));
}

void TConstraint::DrawRotational(const MacRect& area, uint16_t mode) {
  auto* primary = dynamic_cast<TPoint*>(GetPrimaryObject());
  if (primary == nullptr) return;
  const MacPoint p = primary->GetScreenPoint();
  if (Highlighting(mode)) {
    PortSetPenSize(1, 1);
    if (!IsInactive())
      PortInvertRect(Around(p, 1, 2));
    else if (IsLocked() != 0)
      PortInvertOval(Around(p, 2, 4));
    else
      PortFrameOval(Around(p, 3, 4));
    return;
  }
  // A condition that can never hold leaves the constraint without its links.
  const bool never = !Activation().IsFormula() && Activation().GetValue() <= 0.0;
  if (!never) {
    PenState saved;
    PortGetPenState(saved);
    PortSetPenPattern(kLinkPattern);
    for (TLink* object : Attached()) {
      const std::optional<MacPoint> at = ScreenPositionOf(object);
      if (object == primary || !at || *at == p) continue;
      PortMoveTo(p.h, p.v);
      PortLineTo(at->h - p.h, at->v - p.v);
    }
    PortSetPenState(saved);
  }
  // The icon goes over the links; the point draws it too, before them.
  const MacRect grown(static_cast<int16_t>(area.left - 4), static_cast<int16_t>(area.top - 4),
                      static_cast<int16_t>(area.right + 4), static_cast<int16_t>(area.bottom + 4));
  if (p.h >= grown.left && p.h < grown.right && p.v >= grown.top && p.v < grown.bottom)
    DrawIconMasked(GetToolIcon(PointIconName()), p.h, p.v);
}

// ---- Hit test -----------------------------------------------------------------------------------

bool TConstraint::HitWithin(const MacPoint& mouse, int16_t reach) {
  if (!IsInactive()) return false;
  if (IsRotational()) {
    auto* primary = dynamic_cast<TPoint*>(GetPrimaryObject());
    return primary != nullptr && primary->HitTest(mouse);
  }
  PrepareDrawing();
  const std::vector<MacPoint> ends = ScreenEnds();
  for (size_t i = 1; i < ends.size(); ++i) {
    if (HitsSegment(ends[i - 1], ends[i], mouse, true, reach)) return true;
  }
  return false;
}
