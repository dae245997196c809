// TMainWorldView drawing: the grid walk and snapping to the grid, redrawing one object through
// the pictures and the XOR highlight of the selection.

#include <algorithm>
#include <cmath>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "bodies/vectors/VectorArrows.h"
#include "bodies/vectors/VectorThing.h"
#include "constraints/Constraint.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "model/Thing.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/GdiObjects.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"

namespace {

// The nearest multiple of the step; values within half a step of 0 become 0, and a zero step
// leaves the value as it is.
double SnapToStep(double value, double step) {
  if (step == 0.0 || value == 0.0 || !std::isfinite(step)) return value;
  return std::round(value / step) * step;
}

int16_t RoundTo16(double value) {
  if (!(value == value)) return 0;
  return static_cast<int16_t>(
      std::clamp(std::lround(std::clamp(value, -1e9, 1e9)), -32767L, 32767L));
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

void TMainWorldView::WalkGridLines(int16_t axis, bool withMinor, const GridLineCallback& callback) {
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
// Drawing outside the layers

void TMainWorldView::DrawContents() {
  TOffScreenViewBase::DrawContents();
  if (world_) world_->SetViewWidth(GetStoredSize().h);
  ArmIdleUpdater();
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

namespace {

void Grow(TDoubleRect& bounds, const TDoubleRect& more) {
  bounds.left = std::min(bounds.left, more.left);
  bounds.right = std::max(bounds.right, more.right);
  bounds.top = std::max(bounds.top, more.top);
  bounds.bottom = std::min(bounds.bottom, more.bottom);
}

// How far an arrow's barbs and labels reach beyond its head, in pixels: a label starts a few
// pixels right of the head and is at most 100 pixels wide.
constexpr double kArrowLabelReach = 110.0;

// The arrows a body or point shows run from its anchor to their heads, and their barbs and
// labels reach beyond those (`reach` in world units).
void GrowByArrows(TThing& object, double reach, TDoubleRect& bounds) {
  auto* vectors = dynamic_cast<TVectorThing*>(&object);
  if (vectors == nullptr || vectors->ArrowCount() <= 0 || vectors->AreVectorsSuppressed() != 0)
    return;
  MacPoint screen;
  TVector anchor{0.0, 0.0};
  vectors->GetVectorAnchor(screen, anchor);
  // Pairwise and contact arrows reach as far as each of their pairs does.
  std::vector<TVector> reached;
  for (int16_t i = 0; i < kVectorCount; ++i) {
    TVectorArrow* arrow = vectors->GetArrow(i);
    if (arrow != nullptr && vectors->IsVectorShown(i) != 0) arrow->AddReachedPoints(anchor, reached);
  }
  for (const TVector& point : reached)
    Grow(bounds, TDoubleRect(point.x - reach, point.y + reach, point.x + reach, point.y - reach));
}

}  // namespace

bool TMainWorldView::DrawnBounds(TThing& object, TDoubleRect& bounds) {
  // The ground's axes run across the whole view.
  if (object.IsMemberClass(TZeroMass::kClassID)) return false;
  if (auto* mass = ThingAs<TMass>(&object)) {
    bounds = mass->GetWorldBoundsSquare();
    bounds.Normalize();
    return true;
  }
  if (auto* line = ThingAs<TLine>(&object)) {
    const TVector a = line->GetEndPoint1();
    const TVector b = line->GetEndPoint2();
    bounds = TDoubleRect(std::min(a.x, b.x), std::max(a.y, b.y), std::max(a.x, b.x),
                         std::min(a.y, b.y));
    return true;
  }
  if (object.GetBounds(bounds) == 0) return false;
  bounds.Normalize();
  // A point outside its body draws a line to it.
  auto* point = ThingAs<TPoint>(&object);
  if (TMass* body = point ? point->GetBody() : nullptr;
      body && !body->IsMemberClass(TZeroMass::kClassID)) {
    TDoubleRect square = body->GetWorldBoundsSquare();
    square.Normalize();
    Grow(bounds, square);
  }
  if (auto* constraint = ThingAs<TCnstr>(&object)) {
    for (TLink* end : constraint->Attached()) {
      if (!end || end->IsThing() == 0) continue;
      TDoubleRect more;
      if (static_cast<TThing*>(end)->GetBounds(more) == 0) continue;
      more.Normalize();
      Grow(bounds, more);
    }
  }
  return true;
}

MacRect TMainWorldView::ObjectRect(TThing* object) {
  TDoubleRect bounds{0, 0, 0, 0};
  if (!object || !DrawnBounds(*object, bounds)) return MacRect();
  if (GetScale() > 0.0) GrowByArrows(*object, kArrowLabelReach / GetScale(), bounds);
  const MacPoint a = WorldToView(bounds.TopLeft());
  const MacPoint b = WorldToView(bounds.BottomRight());
  // A margin for outlines, point icons, marks and selection squares.
  constexpr int16_t kMargin = 6;
  return MacRect(static_cast<int16_t>(std::min(a.h, b.h) - kMargin),
                 static_cast<int16_t>(std::min(a.v, b.v) - kMargin),
                 static_cast<int16_t>(std::max(a.h, b.h) + kMargin + 1),
                 static_cast<int16_t>(std::max(a.v, b.v) + kMargin + 1));
}

namespace {

// One drawing session on a manager's pictures: the picture that is open is released and the
// session ended however the drawing leaves.
class TPictureSession {
 public:
  explicit TPictureSession(TDezevOffScreenMgr& manager) : manager_(manager) {
    manager_.BeginDrawing();
  }
  ~TPictureSession() {
    Release();
    manager_.EndDrawing();
  }
  TPictureSession(const TPictureSession&) = delete;
  TPictureSession& operator=(const TPictureSession&) = delete;

  void OpenBackground() {
    Release();
    manager_.TargetBackgroundBuffer();
    open_ = TDezevOffScreenMgr::kTargetBackground;
  }
  void OpenDisplay() {
    Release();
    manager_.TargetDisplayBuffer();
    open_ = TDezevOffScreenMgr::kTargetDisplay;
  }
  void Release() {
    if (open_ == TDezevOffScreenMgr::kTargetBackground) manager_.ReleaseBackgroundBuffer();
    if (open_ == TDezevOffScreenMgr::kTargetDisplay) manager_.ReleaseDisplayBuffer();
    open_ = TDezevOffScreenMgr::kTargetScreen;
  }

 private:
  TDezevOffScreenMgr& manager_;
  int32_t open_ = TDezevOffScreenMgr::kTargetScreen;
};

}  // namespace

void TMainWorldView::RedrawObject(TThing* object, int16_t phase, bool immediately) {
  MacRect rect = ObjectRect(object);
  const TViewPoint& size = GetStoredSize();
  rect = MacRect(std::max<int16_t>(rect.left, 0), std::max<int16_t>(rect.top, 0),
                 std::min<int16_t>(rect.right, NarrowTo16(size.h)),
                 std::min<int16_t>(rect.bottom, NarrowTo16(size.v)));
  if (!object || rect.right <= rect.left || rect.bottom <= rect.top) {
    // Nothing of it lies in the view, or it has no bounds of its own: the whole picture.
    InvalidateForeground();
    if (immediately) UpdateNow();
    return;
  }
  InvalidateWorldRect(rect);
  auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(GetManager());
  if (buffered && buffered->BackgroundBuffer() && buffered->DisplayBuffer() && buffered->Focus()) {
    MacRect inManager = rect;
    inManager.Offset(NarrowTo16(GetLocation().h), NarrowTo16(GetLocation().v));
    UpdateObjectTransforms();
    const Selection selection(world_);
    cullArea_ = rect;
    TPictureSession session(*buffered);
    if (immediately || phase == kPhaseRelease) {
      session.OpenBackground();
      InvalidateFocus();
      if (Focus()) {
        PreparePort();
        SecondDraw(object, rect, kModePlain);
      }
      session.Release();
    }
    if (!immediately) {
      session.OpenDisplay();
      InvalidateFocus();
      if (Focus()) {
        PreparePort();
        buffered->CopyBackgroundRectToDisplay(inManager);
        if (phase == kPhaseRelease)
          FirstDraw(object, rect, kModePlain, selection);
        else
          SecondDraw(object, rect, kModePlain);
      }
      session.Release();
      buffered->CopyDisplayRectToScreen(inManager);
    }
  }
  InvalidateFocus();
  SetStandardPortColours();
  if (immediately) InvalidateRectOnScreen(rect);
}

void TMainWorldView::StampFrameIntoBackground(bool fresh) {
  auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(GetManager());
  if (!world_ || !buffered || !buffered->BackgroundBuffer() || !buffered->Focus()) return;
  const TViewPoint& size = GetStoredSize();
  const MacRect rect(0, 0, NarrowTo16(size.h), NarrowTo16(size.v));
  UpdateObjectTransforms();
  const MacRect cull = cullArea_;
  cullArea_ = rect;
  {
    TPictureSession session(*buffered);
    session.OpenBackground();
    InvalidateFocus();
    if (Focus()) {
      PreparePort();
      DrawFrameTracks(rect, fresh, currentFrame_);
    }
    session.Release();
  }
  cullArea_ = cull;
  InvalidateFocus();
  SetStandardPortColours();
}

void TMainWorldView::HighlightChanged(int16_t oldState, int16_t newState) {
  TOffScreenViewBase::HighlightChanged(oldState, newState);
  if (oldState == newState) return;
  if (oldState != kHighlightActive && newState != kHighlightActive) return;
  HighlightListed(oldState, newState, [](TThing*) { return true; });
}

void TMainWorldView::HighlightListed(int16_t oldState, int16_t newState,
                                     const std::function<bool(TThing*)>& test) {
  const std::vector<TThing*> list = HighlightList();
  if (list.empty() || runState_ != kEditing || !world_) return;
  UpdateObjectTransforms();
  const MacRect extent(0, 0, NarrowTo16(GetStoredSize().h), NarrowTo16(GetStoredSize().v));
  const int16_t from = oldState == kHighlightActive ? 1 : 0;
  const int16_t to = newState == kHighlightActive ? 1 : 0;
  for (TThing* object : list) {
    if (!test(object) || !Focus()) continue;
    PortSetPenMode(R2_NOTXORPEN);
    if (auto* mass = ThingAs<TMass>(object))
      mass->HighlightSelection(extent, from, to);
    else if (auto* point = ThingAs<TPoint>(object))
      point->Highlight(static_cast<uint16_t>(from), static_cast<uint16_t>(to));
  }
  PortResetPen();
  SetPortBackColor(RGB16Color{0xFFFF, 0xFFFF, 0xFFFF});
}
