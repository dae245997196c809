// The curved slot's curve as it is evaluated: the control array handed to the spline, sampling
// bound to the view's scale, bounds and straight extensions, drawing, hit tests, snapping onto
// the curve, the assembly solver's condition, DXF export and the interpolated points of the text
// export.

#include <algorithm>
#include <cmath>

#include "bodies/Body.h"
#include "bodies/DXFOutput.h"
#include "bodies/Table.h"
#include "bodies/assembly/AssemblyEntry.h"
#include "constraints/CurvedSlot.h"
#include "constraints/SplinePoint.h"
#include "core/Failure.h"
#include "core/port/PortShapes.h"
#include "model/world/WorldDoc.h"

namespace {

// Samples added each time the spline asks for more room.
constexpr int32_t kGrowthSamples = 128;
// How often a sampling that outgrows the buffer starts again with a doubled step.
constexpr int32_t kMaxResamplings = 16;
// The smallest step, relative to the size of the control polygon: a curve of coincident points
// or a degenerate view scale still samples with a step that ends.
constexpr double kMinimumRelativeStep = 1e-6;
// Pixels of the view scale for the hit, step and deviation tolerances.
constexpr int16_t kHitPixels = 3;
constexpr int16_t kStepPixels = 8;
constexpr int16_t kDeviationPixels = 4;
// Pixels by which a vertex handle is grown for hits.
constexpr int16_t kHandleSlop = 4;
constexpr int16_t kHandleHalf = 3;
constexpr uint16_t kHighlighted = TSlot::kHighlighted;

MacRect HandleRect(const MacPoint& at) {
  return MacRect(static_cast<int16_t>(at.h - kHandleHalf), static_cast<int16_t>(at.v - kHandleHalf),
                 static_cast<int16_t>(at.h + kHandleHalf), static_cast<int16_t>(at.v + kHandleHalf));
}

bool InsideRect(const MacRect& rect, const MacPoint& p) {
  return p.h >= rect.left && p.h < rect.right && p.v >= rect.top && p.v < rect.bottom;
}

void Line(int32_t h1, int32_t v1, int32_t h2, int32_t v2) {
  PortMoveTo(h1, v1);
  PortLineTo(h2 - h1, v2 - v1);
}

}  // namespace

// ---- Coordinates ---------------------------------------------------------------------------------

TVector TCurvedSlot::ScreenToCurve(const MacPoint& mouse) const {
  if (TSplinePoint* point = GetSplinePoint()) return point->ScreenToPoint(mouse);
  TVector p = TVector::FromPoint(mouse);
  if (TMass* body = SlotBody()) p = body->ScreenToLocal(mouse);
  if (TPoint* primary = PrimaryPoint())
    p = Transform2D::ApplyToVector(Transform2D(primary->GetLocalPosition()).Inverse(), p);
  return p;
}

MacPoint TCurvedSlot::CurveToScreen(const TVector& curve) const {
  TVector p = curve;
  if (TPoint* primary = PrimaryPoint())
    p = Transform2D::ApplyToVector(Transform2D(primary->GetLocalPosition()), p);
  MacPoint out;
  const TMass* body = SlotBody();
  Transform2D::ToScreenPoint(body != nullptr ? body->GetScreenTransform() : gIdentityTransform, p,
                             out);
  return out;
}

// ---- Preparation ---------------------------------------------------------------------------------

void TCurvedSlot::RebuildControlArray() {
  if (controlsValid_ != 0 || table_ == nullptr) return;
  const int32_t n = ControlPointCount();
  controls_.assign(static_cast<size_t>(n) * 2, 0.0);
  double largest = 0.0;
  for (int32_t i = 1; i <= n; ++i) {
    const TVector p = ControlPoint(i);
    controls_[2 * (i - 1)] = p.x;
    controls_[2 * (i - 1) + 1] = p.y;
    if (i < 2) continue;
    const TVector q = ControlPoint(i - 1);
    const double d = q.x > p.x ? q.x - p.x : q.y - p.y;
    largest = std::max(largest, std::fabs(d));
  }
  stepFloor_ = largest / floorDivisor_;
  if (n > 1 && spline_ && EngineSetSplinePoints(spline_.get(), n, controls_.data()) != 0)
    ThrowFailure(kErrOutOfMemory, 0);
  controlsValid_ = 1;
}

// The area shown, in curve coordinates. Without an area (a curve never drawn) the control points'
// own bounds stand in.
void TCurvedSlot::ComputeViewRectangle(const MacRect& view) {
  viewExtent_ = view;
  if (view.right > view.left && view.bottom > view.top) {
    const TVector a = ScreenToCurve(MacPoint(view.left, view.top));
    const TVector b = ScreenToCurve(MacPoint(view.right, view.bottom));
    viewRect_ = TDoubleRect(std::min(a.x, b.x), std::max(a.y, b.y), std::max(a.x, b.x),
                            std::min(a.y, b.y));
    return;
  }
  const int32_t n = ControlPointCount();
  viewRect_ = TDoubleRect(0.0, 0.0, 0.0, 0.0);
  for (int32_t i = 1; i <= n; ++i) {
    const TVector p = ControlPoint(i);
    if (i == 1) viewRect_ = TDoubleRect(p.x, p.y, p.x, p.y);
    viewRect_.left = std::min(viewRect_.left, p.x);
    viewRect_.right = std::max(viewRect_.right, p.x);
    viewRect_.top = std::max(viewRect_.top, p.y);
    viewRect_.bottom = std::min(viewRect_.bottom, p.y);
  }
}

MacPoint TCurvedSlot::GetOriginScreenPoint() const {
  if (TSplinePoint* point = GetSplinePoint()) return point->GetScreenPoint();
  if (TPoint* point = PrimaryPoint()) return point->GetScreenPoint();
  return MacPoint(0, 0);
}

// A few pixels of the view, measured in the world. A curve not on the screen (exported before it
// was ever shown) takes the fixed tolerances instead.
void TCurvedSlot::ComputeTolerances() {
  const TMass* body = SlotBody();
  if (body == nullptr || !body->IsScreenValid()) {
    deviationTolerance_ = kDefaultDeviation;
    stepTolerance_ = kDefaultStep;
    hitTolerance_ = kDefaultHit;
    return;
  }
  auto pixels = [this](int16_t k) {
    TVector a = ScreenToCurve(MacPoint(0, 0));
    TVector b = ScreenToCurve(MacPoint(k, 0));
    const Transform2D frame = SlotFrame();
    a = Transform2D::ApplyToVector(frame, a);
    b = Transform2D::ApplyToVector(frame, b);
    return std::fabs(b.x - a.x);
  };
  hitTolerance_ = pixels(kHitPixels);
  stepTolerance_ = pixels(kStepPixels);
  deviationTolerance_ = pixels(kDeviationPixels);
}

// The spline fills the buffer as far as it can and is asked again with more room. A curve that
// would need more than the buffer may hold is sampled again with a doubled step, a bounded number
// of times; after that the sampling has failed and the control polygon is drawn.
void TCurvedSlot::Sample() {
  if (samplesValid_ != 0 || table_ == nullptr || !spline_) return;
  // Until a sampling succeeds there are no samples: a failed one leaves none behind.
  sampleCount_ = 0;
  samples_.clear();
  double extent = 0.0;
  for (size_t i = 0; i + 1 < controls_.size(); i += 2)
    extent = std::max({extent, std::fabs(controls_[i]), std::fabs(controls_[i + 1])});
  const double minimum = kMinimumRelativeStep * std::max(extent, 1.0);
  double step = std::max({stepTolerance_, stepFloor_, minimum});
  const double deviation = std::max(deviationTolerance_, minimum);
  for (int32_t attempt = 0; attempt <= kMaxResamplings; ++attempt, step *= 2.0) {
    int32_t total = 0;
    int16_t more = 0;
    double stateA = 0.0, stateB = 0.0;
    samples_.resize(static_cast<size_t>(kGrowthSamples) * 2);
    bool outgrown = false;
    while (true) {
      const auto room = static_cast<int32_t>(samples_.size() / 2) - total;
      const int32_t written = EngineSplineInterpolate(
          spline_.get(), samples_.data() + 2 * total, room, deviation, step, viewRect_.left,
          viewRect_.top, viewRect_.right, viewRect_.bottom, &more, &stateA, &stateB, 0);
      if (written < 1) {
        samplingFailed_ = 1;
        samples_.clear();
        return;
      }
      total += written;
      if (more == 0) break;
      // The room grows up to what the curve may hold; past that it starts again, coarser.
      if (total >= kMaxSamples) {
        outgrown = true;
        break;
      }
      samples_.resize(static_cast<size_t>(std::min(total + kGrowthSamples, kMaxSamples)) * 2);
    }
    if (outgrown) continue;
    samplingFailed_ = 0;
    sampleCount_ = sampleHint_ = total;
    samples_.resize(static_cast<size_t>(total) * 2);
    samplesValid_ = 1;
    return;
  }
  samples_.clear();
  samplingFailed_ = 1;
}

// An open curve reaches the edges of the view; a closed one is bounded by its samples.
void TCurvedSlot::ComputeBounds() {
  if (boundsValid_ != 0) return;
  if (!IsClosed()) {
    screenBounds_ = viewExtent_;
    localBounds_ = viewRect_;
    boundsValid_ = 1;
    return;
  }
  if (sampleCount_ > 0) {
    localBounds_ = TDoubleRect(samples_[0], samples_[1], samples_[0], samples_[1]);
    for (int32_t i = 1; i < sampleCount_; ++i) {
      const double x = samples_[2 * i], y = samples_[2 * i + 1];
      localBounds_.left = std::min(localBounds_.left, x);
      localBounds_.right = std::max(localBounds_.right, x);
      localBounds_.top = std::max(localBounds_.top, y);
      localBounds_.bottom = std::min(localBounds_.bottom, y);
    }
  }
  const MacPoint a = CurveToScreen({localBounds_.left, localBounds_.top});
  const MacPoint b = CurveToScreen({localBounds_.right, localBounds_.bottom});
  MacRect r(std::min(a.h, b.h), std::min(a.v, b.v), std::max(a.h, b.h), std::max(a.v, b.v));
  if (r.top < 1) r.top = 0;
  if (r.left < 1) r.left = 0;
  if (r.right <= r.left) r.left = static_cast<int16_t>(r.left - 1);
  if (r.right <= r.left) r.right = static_cast<int16_t>(r.right + 1);
  if (r.bottom <= r.top) r.top = static_cast<int16_t>(r.top - 1);
  if (r.bottom <= r.top) r.bottom = static_cast<int16_t>(r.bottom + 1);
  screenBounds_ = r;
  boundsValid_ = 1;
}

void TCurvedSlot::ComputeScreenPoints() {
  screenPoints_.resize(static_cast<size_t>(sampleCount_));
  for (int32_t i = 0; i < sampleCount_; ++i) {
    const MacPoint p = CurveToScreen({samples_[2 * i], samples_[2 * i + 1]});
    screenPoints_[static_cast<size_t>(i)] = POINT{p.h, p.v};
  }
}

void TCurvedSlot::ComputeExtensions() {
  if (extensionsValid_ != 0) return;
  if (IsClosed()) {
    extensionsValid_ = 1;
    return;
  }
  double out[8];
  if (!spline_ || EngineSplineExtrapolate(spline_.get(), viewRect_.left, viewRect_.top,
                                          viewRect_.right, viewRect_.bottom, out) != 0)
    return;
  for (int i = 0; i < 4; ++i) extensions_[i] = CurveToScreen({out[2 * i], out[2 * i + 1]});
  extensionsValid_ = 1;
}

// Failures of the preparation leave the curve to be drawn as its control polygon.
void TCurvedSlot::PrepareDrawing(const MacRect& view) {
  try {
    const bool wasValid = samplesValid_ != 0;
    RebuildControlArray();
    ComputeViewRectangle(view);
    if (!wasValid) {
      ComputeTolerances();
      if (ControlPointCount() >= 2) Sample();
    }
    // The samples stay in the curve's own frame; where they fall on the screen follows the host
    // body, which a drag may have moved without telling the curve.
    boundsValid_ = 0;
    ComputeBounds();
    ComputeScreenPoints();
    if (ControlPointCount() >= 2) ComputeExtensions();
  } catch (const QVException&) {
    samplingFailed_ = 1;
  }
}

// ---- Drawing -----------------------------------------------------------------------------------

void TCurvedSlot::DrawControlPolygon() const {
  const int32_t n = ControlPointCount();
  if (n == 0) return;
  MacPoint first = CurveToScreen(ControlPoint(1));
  PortMoveTo(first.h - 1, first.v);
  MacPoint last = first;
  last.h = static_cast<int16_t>(last.h - 1);
  for (int32_t i = 2; i <= n; ++i) {
    MacPoint p = CurveToScreen(ControlPoint(i));
    if (i == n) p.h = static_cast<int16_t>(p.h - 1);
    PortLineTo(p.h - last.h, p.v - last.v);
    last = p;
  }
}

void TCurvedSlot::DrawCurve(int16_t dy) const {
  const bool open = !IsClosed() && extensionsValid_ != 0;
  if (open) Line(extensions_[1].h - 1, extensions_[1].v - dy, extensions_[0].h, extensions_[0].v - dy);
  std::vector<POINT> points = screenPoints_;
  for (POINT& p : points) p.y -= dy;
  if (HDC dc = GetPortDC(); dc != nullptr && !points.empty())
    Polyline(dc, points.data(), static_cast<int32_t>(points.size()));
  if (open) Line(extensions_[2].h - 1, extensions_[2].v - dy, extensions_[3].h, extensions_[3].v - dy);
}

void TCurvedSlot::DrawShape(const MacRect& area, uint16_t mode) {
  PrepareDrawing(area);
  PortSetPenSize(1, 1);
  if (ControlPointCount() < 3 || samplingFailed_ != 0 || samplesValid_ == 0) {
    DrawControlPolygon();
    return;
  }
  if ((mode & kHighlighted) == 0) {
    DrawCurve(0);
    return;
  }
  PortSetPenSize(3, 3);
  DrawCurve(1);
  PortSetPenSize(1, 1);
  if (EditingVertices()) DrawVertexHandles();
}

bool TCurvedSlot::EditingVertices() const {
  const TMass* body = SlotBody();
  const TWorldDoc* world = body != nullptr ? body->GetWorld() : nullptr;
  return world != nullptr && world->GetCurrentTool() == TWorldDoc::kPartTool;
}

void TCurvedSlot::DrawVertexHandles() {
  PortSetPenMode(R2_NOTXORPEN);
  for (int32_t i = 1; i <= ControlPointCount(); ++i) DrawVertexHandle(i);
  PortSetPenMode(R2_COPYPEN);
}

void TCurvedSlot::DrawVertexHandle(int32_t index) {
  if (index < 1 || index > ControlPointCount()) return;
  const MacRect rect = HandleRect(CurveToScreen(ControlPoint(index)));
  if (index == GetSelectedVertex()) PortInvertRect(rect);
  else PortFrameRect(rect);
}

// ---- Hit tests -----------------------------------------------------------------------------------

bool TCurvedSlot::FindHit(const MacPoint& mouse, int16_t& part, int32_t& vertex, int32_t& span) {
  part = 0;
  vertex = span = 0;
  const int32_t n = ControlPointCount();
  if (table_ == nullptr) return false;
  for (int32_t i = 1; i <= n; ++i) {
    MacRect r = HandleRect(CurveToScreen(ControlPoint(i)));
    r = MacRect(static_cast<int16_t>(r.left - kHandleSlop), static_cast<int16_t>(r.top - kHandleSlop),
                static_cast<int16_t>(r.right + kHandleSlop),
                static_cast<int16_t>(r.bottom + kHandleSlop));
    if (InsideRect(r, mouse)) {
      part = 1;
      vertex = i;
      return true;
    }
  }
  if (!spline_ || n < 2) return false;
  PrepareDrawing(viewExtent_);
  if (IsClosed() && !InsideRect(screenBounds_, mouse)) return false;
  const TVector p = ScreenToCurve(mouse);
  const double point[2] = {p.x, p.y};
  const int32_t inside = EngineSplinePointInside(spline_.get(), point, hitTolerance_);
  if (inside == kSplineMiss || inside == kSplineInsideFailed) return false;
  span = inside == -1 ? 0 : inside == -2 ? n : inside;
  part = 2;
  return true;
}

bool TCurvedSlot::HitsLine(const MacPoint& mouse) {
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point != nullptr && !IsPrimary(point) && point->HitTest(mouse)) return false;
  }
  if (!spline_ || ControlPointCount() < 2) return false;
  PrepareDrawing(viewExtent_);
  if (IsClosed() && !InsideRect(screenBounds_, mouse)) return false;
  const TVector p = ScreenToCurve(mouse);
  const double point[2] = {p.x, p.y};
  const int32_t inside = EngineSplinePointInside(spline_.get(), point, hitTolerance_);
  return inside != kSplineMiss && inside != kSplineInsideFailed;
}

bool TCurvedSlot::IsInRect(const MacRect& rect) {
  if (!IsClosed()) return false;
  PrepareDrawing(viewExtent_);
  return screenBounds_.left >= rect.left && screenBounds_.top >= rect.top &&
         screenBounds_.right <= rect.right && screenBounds_.bottom <= rect.bottom;
}

// ---- Snapping and the assembly solver ------------------------------------------------------------

void TCurvedSlot::SnapPointsOntoSlot(TLink* moved) {
  if (updating_ == 0 && !IsInactive()) return;
  if (moved == nullptr) moved = GetPrimaryObject();
  if (moved == nullptr || PrimaryPoint() == nullptr || !spline_) return;
  controlsValid_ = extensionsValid_ = 0;
  RebuildControlArray();
  if (ControlPointCount() < 2) return;
  const Transform2D frame = SlotFrame();
  const Transform2D inverse = frame.Inverse();
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point == nullptr || IsPrimary(point)) continue;
    const TVector local = Transform2D::ApplyToVector(inverse, point->GetWorldXY());
    const double query[2] = {local.x, local.y};
    double parameter = 0.0;
    int16_t segment = 0;
    double nearest[2] = {0.0, 0.0};
    if (EngineSplineNearestPoint(spline_.get(), query, 0.0, &parameter, &segment, nearest, nullptr,
                                 nullptr) < 0)
      continue;
    const TVector world = Transform2D::ApplyToVector(frame, {nearest[0], nearest[1]});
    point->SetWorldPosition(TVector3(world.x, world.y, 0.0));
    point->Changed();
  }
  InvalidateCurve(1);
}

TAssemblyConstraint* TCurvedSlot::SolverGeometry(TAssemblySolver& solver, uint16_t& made) {
  made = 0;
  TPoint* primary = PrimaryPoint();
  if (primary == nullptr || AttachedCount() < 2 || table_ == nullptr) return nullptr;
  const TVector at = primary->GetLocalXY();
  std::vector<double> points;
  for (int32_t i = 1; i <= ControlPointCount(); ++i) {
    const TVector p = ControlPoint(i);
    points.push_back(p.x);
    points.push_back(p.y);
  }
  TAssemblyConstraint* condition = nullptr;
  FailIfError(AssemblyPointOnSpline(&solver, this, SlotBody(), TVector3(at.x, at.y, SlotAngle()),
                                    points.data(), ControlPointCount(),
                                    static_cast<int16_t>(GetSplineType()), 0.0, condition));
  made = 1;
  return condition;
}

// ---- Export ------------------------------------------------------------------------------------

// The curve is prepared first, so that a curve never drawn, or changed since, is exported as it
// is now.
bool TCurvedSlot::ExportDXF(TDXFOutput& writer, int16_t kind) {
  if (kind != kExportDXF) return false;
  PrepareDrawing(viewExtent_);
  writer.BeginEntity(TDXFOutput::kPolyline, Str255());
  writer.WriteValue(66, 1.0, 0);
  writer.WriteValue(70, IsClosed() ? 1.0 : 0.0, 0);
  const Transform2D frame = SlotFrame();
  const bool sampled = samplesValid_ != 0 && samplingFailed_ == 0;
  const int32_t count = sampled ? sampleCount_ : ControlPointCount();
  for (int32_t i = 0; i < count; ++i) {
    const TVector local =
        sampled ? TVector(samples_[2 * i], samples_[2 * i + 1]) : ControlPoint(i + 1);
    const TVector world = Transform2D::ApplyToVector(frame, local);
    writer.BeginEntity(TDXFOutput::kVertex, Str255());
    writer.WriteCoords(world.x, world.y, 0.0, kDimLength);
  }
  writer.BeginEntity(TDXFOutput::kSequenceEnd, Str255());
  return true;
}

std::vector<double> TCurvedSlot::QuickInterpolate(int32_t perSpan) const {
  const int32_t n = ControlPointCount();
  if (!spline_ || n < 2) return {};
  std::vector<double> copy;
  for (int32_t i = 1; i <= n; ++i) {
    const TVector p = ControlPoint(i);
    copy.push_back(p.x);
    copy.push_back(p.y);
  }
  std::unique_ptr<void, SplineDeleter> temporary(EngineNewSpline(GetSplineType()));
  FailIfNull(temporary.get());
  if (EngineSetSplinePoints(temporary.get(), n, copy.data()) < 0) ThrowFailure(kErrNone, 0);
  perSpan = std::max(perSpan, 0);
  const int32_t size = InterpolatedExportSize(perSpan);
  FailIfMemoryLow();
  std::vector<double> out(static_cast<size_t>(size) * 2);
  const int32_t count = EngineSplineQuickInterpolate(temporary.get(), out.data(), perSpan);
  if (count < 0) ThrowFailure(kErrOutOfMemory, 0);
  out.resize(static_cast<size_t>(std::min(count, size)) * 2);
  return out;
}
