// TPoint display: the icon with the constraint hooks around it, the highlight, hit tests,
// snapping and the DXF point.

#include <cstdlib>

#include "bodies/Body.h"
#include "bodies/DXFOutput.h"
#include "bodies/points/Point.h"
#include "core/port/Picture.h"
#include "core/port/PortShapes.h"

namespace {

bool ContainsPoint(const MacRect& rect, const MacPoint& p) {
  return p.h >= rect.left && p.h < rect.right && p.v >= rect.top && p.v < rect.bottom;
}

MacRect Grown(const MacRect& rect, int16_t by) {
  return MacRect(static_cast<int16_t>(rect.left - by), static_cast<int16_t>(rect.top - by),
                 static_cast<int16_t>(rect.right + by), static_cast<int16_t>(rect.bottom + by));
}

}  // namespace

void TPoint::DrawPointIcon(const MacRect& area, int16_t inset, const char* iconName) {
  const MacPoint at = GetScreenPoint();
  if (!ContainsPoint(Grown(area, inset), at)) return;
  DrawIconMasked(GetToolIcon(iconName), at.h, at.v);
}

void TPoint::InvertAround(int16_t before, int16_t after) {
  const MacPoint at = GetScreenPoint();
  PortInvertRect(MacRect(static_cast<int16_t>(at.h - before), static_cast<int16_t>(at.v - before),
                         static_cast<int16_t>(at.h + after), static_cast<int16_t>(at.v + after)));
}

void TPoint::Draw(const MacRect& area, uint16_t mode) {
  TPointConstraintHooks::DrawContext context{area, mode, this, 1};
  ForEachConstraint([&](TPointConstraintHooks& hooks, TLink*) {
    hooks.BeforePointDrawing(context, mode, *this, context.showIcon);
  });
  // The dashed line to the body runs even when a constraint hides the icon.
  DrawConnectionToBody();
  if (context.showIcon != 0) DrawPointIcon(area, 4, locked_ != 0 ? "LockedPointIcon" : "PointIcon");
  ForEachConstraint([&](TPointConstraintHooks& hooks, TLink*) {
    hooks.AfterPointDrawing(context, mode, *this);
  });
  DrawVectors(area, mode);
}

void TPoint::Highlight(uint16_t oldState, uint16_t newState) {
  if (oldState == newState) return;
  TPointConstraintHooks::DrawContext context{MacRect(), 4, this, 1};
  ForEachConstraint([&](TPointConstraintHooks& hooks, TLink*) {
    hooks.BeforePointDrawing(context, 4, *this, context.showIcon);
  });
  if (context.showIcon != 0) InvertAround(1, 2);
}

bool TPoint::HitTest(const MacPoint& mouse) {
  const MacPoint at = GetScreenPoint();
  return std::abs(mouse.h - at.h) <= 3 && std::abs(mouse.v - at.v) <= 3;
}

bool TPoint::IsInRect(const MacRect& rect) {
  return ContainsPoint(rect, GetScreenPoint());
}

bool TPoint::HitConstraint(int32_t a, int32_t b) {
  if (!constraints_) return false;
  for (int32_t i = constraints_->GetCount(); i >= 1; --i) {
    TPointConstraintHooks* hooks = HooksOf(constraints_->At(i));
    if (hooks != nullptr && hooks->HitPoint() == this && hooks->HitsAt(a, b)) return true;
  }
  return false;
}

bool TPoint::SnapTest(double tolerance, const TVector& mouse, TVector& world, TVector& local,
                      uint16_t& found) {
  // The tolerance is a world distance: measured in the point's frame it may be scaled.
  TVector origin(0.0, 0.0);
  TVector reach(tolerance, 0.0);
  WorldToLocal(origin);
  WorldToLocal(reach);
  const double d = std::abs(reach.x - origin.x);
  TVector at = mouse;
  WorldToLocal(at);
  const TVector own = GetLocalXY();
  TDoubleRect square{own.x - d, own.y + d, own.x + d, own.y - d};
  if (!at.InRect(square)) return false;
  found = 1;
  local = own;
  world = GetWorldXY();
  return true;
}

uint16_t TPoint::FindHotPoint(double tolerance, const TVector& mouse, TVector& world,
                              TVector& own, int32_t& kind, int16_t& index) {
  uint16_t found = 0;
  if (!SnapTest(tolerance, mouse, world, own, found)) return 0;
  kind = 1;
  index = 0;
  return 1;
}

std::vector<TThing*> TPoint::GetAttachments() {
  std::vector<TThing*> attached;
  for (int32_t i = 1; constraints_ && i <= constraints_->GetCount(); ++i) {
    auto* link = static_cast<TLink*>(constraints_->At(i));
    if (link->IsThing() != 0) attached.push_back(static_cast<TThing*>(link));
  }
  return attached;
}

TThing* TPoint::GetOwnerThing() {
  return body_;
}

bool TPoint::ExportDXF(TDXFOutput& writer, int16_t kind) {
  if (kind != kExportDXF) return false;
  const TVector position = GetWorldXY();
  writer.BeginEntity(TDXFOutput::kPoint, Str255());
  writer.WriteCoords(position.x, position.y, 0.0, kDimLength);
  return true;
}
