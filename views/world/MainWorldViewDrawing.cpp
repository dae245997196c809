// TMainWorldView drawing: the layers by run state, the grid walk and snapping to the grid,
// redrawing one object and the XOR highlight of the selection.

#include <algorithm>
#include <cmath>

#include "bodies/Body.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "model/Thing.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/GdiObjects.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"

namespace {

void FillWhite(const MacRect& rect) {
  const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  PortFillRectBrush(rect, white);
  DeleteObject(white);
}

bool Meets(const MacRect& a, const MacRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The nearest multiple of the step; values within half a step of 0 become 0, and a zero step
// leaves the value as it is.
double SnapToStep(double value, double step) {
  if (step == 0.0 || value == 0.0 || !std::isfinite(step)) return value;
  return std::round(value / step) * step;
}

int16_t RoundTo16(double value) {
  if (!(value == value)) return 0;
  return static_cast<int16_t>(std::clamp(std::lround(std::clamp(value, -1e9, 1e9)), -32767L, 32767L));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Grid

void TMainWorldView::SetShowGrid(uint16_t show) {
  if (show == showGrid_) return;
  showGrid_ = show;
  if (snapper_) snapper_->UpdateGridSnap();
  InvalidateBackground();
}

void TMainWorldView::ComputeGridParameters() {
  if (gridValid_) return;
  // The world's length unit is the metre, the world unit.
  grid_ = ::ComputeGridParameters(GetScale(), 1.0);
  gridValid_ = grid_.valid;
}

void TMainWorldView::GetGridParameters(double& first, double& second, double& third,
                                       int16_t& count) {
  ComputeGridParameters();
  first = grid_.major;
  second = grid_.minor;
  third = grid_.fine;
  count = static_cast<int16_t>(grid_.subdivisions);
}

void TMainWorldView::WalkGridLines(int16_t axis, bool withMinor,
                                   const GridLineCallback& callback) {
  ComputeGridParameters();
  const Transform2D& transform = GetViewTransform();
  const double scale = transform.scale;
  const double major = grid_.major;
  const double majorPx = major * scale;
  // A spacing that is not a positive finite number of pixels walks no grid.
  if (!std::isfinite(majorPx) || !(majorPx > 0.0)) return;
  const double minor = grid_.minor;
  const double minorPx = minor * scale;
  const double origin = axis == 1 ? transform.tx : -transform.ty;
  const double k = -std::trunc(origin / majorPx);
  double pos = origin + k * majorPx - majorPx;
  double c = (k - 1.0) * major;
  const TViewPoint& size = GetStoredSize();
  const double extent = axis == 1 ? size.h : size.v;
  const int32_t count = std::clamp<int32_t>(RoundTo16(extent / majorPx), -32767, 32767);
  const int32_t last = count + (axis == 0 ? 2 : 1);
  // Horizontal lines are walked downwards: their coordinate runs against world y.
  const double sign = axis == 1 ? 1.0 : -1.0;
  for (int32_t i = 0; i <= last; ++i) {
    c = std::round(c / major) * major;
    callback(RoundTo16(pos), sign * c, true);
    if (withMinor && std::isfinite(minorPx) && minorPx > 0.0) {
      double minorC = c;
      double minorPos = pos;
      for (int32_t j = 1; j < grid_.subdivisions; ++j) {
        minorC = std::round((minorC + minor) / minor) * minor;
        minorPos += minorPx;
        callback(RoundTo16(minorPos), sign * minorC, false);
      }
    }
    pos += majorPx;
    c += major;
  }
}

void TMainWorldView::DrawGridLines(const MacRect&) {
  const TViewPoint& size = GetStoredSize();
  SetPortForeColor(kGridColour);
  WalkGridLines(1, false, [&](int16_t x, double, bool) {
    PortMoveTo(x, 0);
    PortLineTo(0, size.v);
  });
  WalkGridLines(0, false, [&](int16_t y, double, bool) {
    PortMoveTo(0, y);
    PortLineTo(size.h, 0);
  });
  PortResetPen();
  SetPortForeColor(RGB16Color{0, 0, 0});
}

bool TMainWorldView::SnapToGridLines(int16_t tolerance, const MacPoint& point, TVector& world,
                                     MacPoint& view, int32_t& kind) {
  world = TVector(0.0, 0.0);
  view = point;
  bool snappedV = false;
  bool snappedH = false;
  WalkGridLines(0, false, [&](int16_t y, double, bool) {
    if (!snappedV && std::abs(point.v - y) <= tolerance) {
      view.v = y;
      snappedV = true;
    }
  });
  WalkGridLines(1, false, [&](int16_t x, double, bool) {
    if (!snappedH && std::abs(point.h - x) <= tolerance) {
      view.h = x;
      snappedH = true;
    }
  });
  if (!snappedV || !snappedH) return false;
  kind = kHotPointGrid;
  world = ViewToWorld(view);
  const double step = world_ ? world_->SnappingDistance() : 0.0;
  world = TVector(SnapToStep(world.x, step), SnapToStep(world.y, step));
  return true;
}

void TMainWorldView::MasterRequest(int32_t axis, intptr_t callback, intptr_t data) {
  const auto request = reinterpret_cast<GridLineRequest>(callback);
  if (!request) return;
  WalkGridLines(static_cast<int16_t>(axis), false, [&](int16_t pixel, double at, bool major) {
    request(pixel, at, major ? 1 : 0, reinterpret_cast<void*>(data));
  });
}

void TMainWorldView::MasterRequestDirect(int32_t axis, intptr_t callback, intptr_t data) {
  const auto request = reinterpret_cast<GridLineRequest>(callback);
  if (!request) return;
  WalkGridLines(static_cast<int16_t>(axis), true, [&](int16_t pixel, double at, bool major) {
    request(pixel, at, major ? 1 : 0, reinterpret_cast<void*>(data));
  });
}

// ---------------------------------------------------------------------------------------------
// Layers. The background picture holds the white ground and the grid; the display picture the
// world's objects over it; the screen the feedback over both.

void TMainWorldView::DrawContents() {
  TOffScreenViewBase::DrawContents();
  if (world_) world_->SetViewWidth(GetStoredSize().h);
}

void TMainWorldView::DrawBackground(const MacRect& rect) {
  FillWhite(rect);
  UpdateTransform();
  if (showGrid_ != 0 && !(runState_ != kEditing && autoscrolling_)) DrawGridLines(rect);
  if (runState_ != kEditing) frameRedrawPending_ = false;
}

void TMainWorldView::DrawObjects(const MacRect& rect) {
  UpdateObjectTransforms();
  DrawThings(rect, false);
}

void TMainWorldView::DrawThings(const MacRect& rect, bool selectedOnly) {
  const std::vector<TThing*> things = Things();
  std::vector<TLink*> selection;
  if (world_) selection = world_->Selection();
  for (TThing* thing : things) {
    const bool selected = std::find(selection.begin(), selection.end(), thing) != selection.end();
    if (selectedOnly && !selected) continue;
    const MacRect bounds = ObjectRect(thing);
    if (bounds.right > bounds.left && !Meets(bounds, rect)) continue;
    PortResetPen();
    SetPortForeColor(RGB16Color{0, 0, 0});
    SetPortBackColor(RGB16Color{0xFFFF, 0xFFFF, 0xFFFF});
    thing->Draw(rect, 0);
    if (selected && runState_ == kEditing) {
      if (auto* mass = dynamic_cast<TMass*>(thing)) mass->HighlightSelection(rect, 0, 1);
    }
  }
  PreparePort();
}

void TMainWorldView::Draw(const MacRect& area) {
  if (!GetUseSolidBrushes()) {
    TOffScreenViewBase::Draw(area);
    return;
  }
  DrawBackground(area);
  DrawObjects(area);
}

void TMainWorldView::NoteWorldChanged(TLink* object) {
  if (snapper_) snapper_->ForgetObject(object);
  RecomputeWorldExtent();
}

void TMainWorldView::DrawOverlay(const MacRect& rect) {
  if (snapper_) snapper_->ClearHoverMarker();
  TOffScreenViewBase::DrawOverlay(rect);
}

MacRect TMainWorldView::ObjectRect(TThing* object) {
  TDoubleRect bounds{0, 0, 0, 0};
  if (!object || object->GetBounds(bounds) == 0) return MacRect();
  bounds.Normalize();
  const MacPoint a = WorldToView(bounds.TopLeft());
  const MacPoint b = WorldToView(bounds.BottomRight());
  // A margin for outlines, marks and selection squares.
  constexpr int16_t kMargin = 4;
  return MacRect(static_cast<int16_t>(std::min(a.h, b.h) - kMargin),
                 static_cast<int16_t>(std::min(a.v, b.v) - kMargin),
                 static_cast<int16_t>(std::max(a.h, b.h) + kMargin + 1),
                 static_cast<int16_t>(std::max(a.v, b.v) + kMargin + 1));
}

void TMainWorldView::RedrawObject(TThing* object, int16_t, bool immediately) {
  const MacRect rect = ObjectRect(object);
  if (rect.right <= rect.left) {
    InvalidateForeground();
  } else if (immediately) {
    InvalidateRectOnScreen(rect);
  } else {
    InvalidateWorldRect(rect);
  }
  if (immediately) UpdateNow();
}

void TMainWorldView::HighlightChanged(int16_t oldState, int16_t newState) {
  TOffScreenViewBase::HighlightChanged(oldState, newState);
  if (oldState == newState || runState_ != kEditing) return;
  if (oldState != kHighlightActive && newState != kHighlightActive) return;
  if (!world_ || !Focus()) return;
  UpdateObjectTransforms();
  MacRect extent(0, 0, NarrowTo16(GetStoredSize().h), NarrowTo16(GetStoredSize().v));
  for (TLink* object : world_->Selection()) {
    auto* mass = dynamic_cast<TMass*>(object);
    if (!mass) continue;
    PortSetPenMode(R2_NOTXORPEN);
    mass->HighlightSelection(extent, oldState == kHighlightActive ? 1 : 0,
                             newState == kHighlightActive ? 1 : 0);
  }
  PortResetPen();
  SetPortBackColor(RGB16Color{0xFFFF, 0xFFFF, 0xFFFF});
}
