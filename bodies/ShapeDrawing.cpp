// The shapes drawn on the screen: the rectangle's outline polygon and the circle's oval with its
// radius line, each filled with the body's pattern in its fill colour and outlined in its own.

#include <algorithm>
#include <cmath>

#include "bodies/BodyTags.h"
#include "bodies/ShapePainting.h"
#include "bodies/Shapes.h"

using namespace body_tags;

namespace {

// Filled, and the drawing mode does not ask for the outline alone.
bool FillsIn(TMass& body, uint16_t mode) {
  uint16_t pattern = 0;
  body.GetShortProperty(kTagFillPattern, pattern, nullptr);
  return pattern != 0 && (mode & 1) == 0;
}

int16_t PenSizeOf(TMass& body) {
  uint16_t pen = 1;
  body.GetShortProperty(kTagPenSize, pen, nullptr);
  return static_cast<int16_t>(pen);
}

int16_t Clamp16(int32_t value) {
  return static_cast<int16_t>(std::clamp(value, -32767, 32767));
}

}  // namespace

void TBasicMass::DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) {
  if ((mode & 2) != 0 && !HasValidSize()) return;
  TMass::DrawShape(rect, mode, outline, inset);
}

void TBasicMass::DrawSketchFeedback(const MacPoint& press, const MacPoint& current) {
  if (press.h == current.h || press.v == current.v) return;
  MacRect rect(std::min(press.h, current.h), std::min(press.v, current.v),
               std::max(press.h, current.h), std::max(press.v, current.v));
  rect.right = Clamp16(rect.right + 1);
  rect.bottom = Clamp16(rect.bottom + 1);
  FrameRect(rect);
}

// ---- TRectangle ------------------------------------------------------------------------------

void TRectangle::ValidateScreenTransform(const Transform2D& view) {
  const bool stale = !IsScreenValid();
  TBasicMass::ValidateScreenTransform(view);
  if (stale) RebuildOutline();
}

void TRectangle::RebuildOutline() {
  const Transform2D& screen = GetScreenTransform();
  const TDoubleRect& b = LocalBounds();
  MacPoint p[4];
  if (screen.angle == 0.0) {
    MacPoint a, c;
    Transform2D::ToScreenPoint(screen, {b.left, b.top}, a);
    Transform2D::ToScreenPoint(screen, {b.right, b.bottom}, c);
    const int16_t left = std::min(a.h, c.h), right = std::max(a.h, c.h);
    const int16_t top = std::min(a.v, c.v), bottom = std::max(a.v, c.v);
    p[0] = MacPoint(left, top);
    p[1] = MacPoint(right, top);
    p[2] = MacPoint(right, bottom);
    p[3] = MacPoint(left, bottom);
  } else {
    Transform2D::ToScreenPoint(screen, {b.left, b.top}, p[0]);
    Transform2D::ToScreenPoint(screen, {b.right, b.top}, p[1]);
    Transform2D::ToScreenPoint(screen, {b.right, b.bottom}, p[2]);
    // The fourth corner closes the parallelogram in whole pixels.
    p[3] = MacPoint(Clamp16(p[0].h + p[2].h - p[1].h), Clamp16(p[0].v + p[2].v - p[1].v));
  }
  outline_.points.clear();
  MacRect box(p[0].h, p[0].v, p[0].h, p[0].v);
  for (int i = 0; i <= 4; ++i) {
    const MacPoint& q = p[i % 4];
    outline_.points.push_back(POINT{q.h, q.v});
    box.left = std::min(box.left, q.h);
    box.right = std::max(box.right, q.h);
    box.top = std::min(box.top, q.v);
    box.bottom = std::max(box.bottom, q.v);
  }
  outline_.size = static_cast<int16_t>(12 + 8 * outline_.points.size());
  outline_.box = box;
}

void TRectangle::DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) {
  if (inset != 0) PolygonOffset(&outline_, inset, inset);
  if (FillsIn(*this, mode)) {
    UseFillColour();
    PaintPolygonPattern(outline_, GetPatternNumber());
  }
  if (outline != 0) {
    UseOutlineColour();
    FramePolygon(outline_);
  }
  if (inset != 0) PolygonOffset(&outline_, -inset, -inset);
  TBasicMass::DrawShape(rect, mode, outline, inset);
}

TVector TRectangle::ConnectionTarget(const TVector& local) {
  const TDoubleRect& b = LocalBounds();
  return {std::clamp(local.x, b.left, b.right), std::clamp(local.y, b.bottom, b.top)};
}

bool TRectangle::IsEnclosedBy(const MacRect& rect) {
  if (rect.left >= rect.right || rect.top >= rect.bottom) return true;
  MacRect common;
  return MacRect::Intersect(outline_.box, rect, common) && common == outline_.box;
}

// ---- TOval -----------------------------------------------------------------------------------

void TOval::DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) {
  if (equalSides_ == 0) return;
  const MacPoint centre = GetScreenPoint();
  const double radius = radiusFormula_->GetValue();
  const auto onScreen = static_cast<int32_t>(std::lround(GetScreenTransform().scale * radius));
  const int32_t near = inset + onScreen;
  const int32_t far = PenSizeOf(*this) + inset + onScreen;
  const MacRect oval(Clamp16(centre.h - near), Clamp16(centre.v - near), Clamp16(centre.h + far),
                     Clamp16(centre.v + far));
  if (FillsIn(*this, mode)) {
    UseFillColour();
    PaintOvalPattern(oval, GetPatternNumber());
  }
  if (outline != 0) {
    UseOutlineColour();
    FrameOval(oval);
  }
  TBasicMass::DrawShape(rect, mode, outline, inset);
  if (outline == 0 || showRadiusLine_ == 0) return;
  const MacPoint rim = BodyToScreenPoint({radius, 0.0});
  PortMoveTo(centre.h - inset, centre.v - inset);
  PortLineTo(rim.h - centre.h, rim.v - centre.v);
}

TVector TOval::ConnectionTarget(const TVector& local) {
  const double lengthSquared = local.x * local.x + local.y * local.y;
  // The centre itself has no direction: the line ends there.
  if (lengthSquared == 0.0) return local;
  const double toRim = std::sqrt(ExtentSquared() / lengthSquared);
  return {local.x * toRim, local.y * toRim};
}

bool TOval::IsEnclosedBy(const MacRect& rect) {
  const Transform2D& screen = GetScreenTransform();
  const double cx = screen.tx;
  const double cy = screen.ty;  // y up: the screen's v is -cy
  const double r = screen.scale * radiusFormula_->GetValue();
  if (r == 0.0) return rect.left <= cx && cx <= rect.right && rect.top <= -cy && -cy <= rect.bottom;
  return rect.left <= cx - r && rect.top <= -(cy + r) && rect.right >= cx + r &&
         rect.bottom >= r - cy;
}

void TOval::DrawSketchFeedback(const MacPoint& press, const MacPoint& current) {
  if (press == current) return;
  const auto h = static_cast<int16_t>(press.h + 1);
  const auto v = static_cast<int16_t>(press.v + 1);
  const MacRect rect(std::min(h, current.h), std::min(v, current.v), std::max(h, current.h),
                     std::max(v, current.v));
  FrameOval(rect);
  const int32_t centreH = (rect.left + rect.right) / 2;
  const int32_t centreV = (rect.top + rect.bottom) / 2;
  PortMoveTo(centreH, centreV);
  PortLineTo((rect.right - rect.left) / 2 - 1, 0);
}
