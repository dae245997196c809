// The slot joint: its frame through the primary point, the drawn line across the body's bounds,
// the goals that hold the other points on the line, and its filing.

#include "constraints/Slot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bodies/Body.h"
#include "bodies/assembly/AssemblyEntry.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/geometry/Rounding.h"
#include "core/port/Picture.h"
#include "core/port/PortShapes.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// The kinds' "hCmd" numbers: a slot being made, a keyed slot and a plain one.
constexpr int16_t kKindUnfinished = 2536;
constexpr int16_t kKindLocked = 2539;
constexpr int16_t kKindPlain = 2538;

constexpr int16_t kRowSecond = 19;
constexpr int16_t kRowQuantity = 21;

void MarkGoal(TCnstrGoal& goal, GoalComponent component) {
  goal.type = static_cast<int32_t>(GoalType::kPosition);
  goal.limit = 0;
  goal.component = static_cast<int32_t>(component);
}

bool InsideRect(const MacRect& rect, const MacPoint& p) {
  return p.h >= rect.left && p.h <= rect.right && p.v >= rect.top && p.v <= rect.bottom;
}

void Line(int32_t h1, int32_t v1, int32_t h2, int32_t v2) {
  PortMoveTo(h1, v1);
  PortLineTo(h2 - h1, v2 - v1);
}

}  // namespace

TObject* TSlot::CreateObject() { return new TSlot; }

void RegisterSlotClasses() {
  RegisterClassInfo("TSlot", kSlotTag, TSlot::kClassID, TSlot::CreateObject, sizeof(TSlot));
}

void TSlot::Initialize() { TLockableCnstr::Initialize(); }

// ---- The primary point and the slot angle -----------------------------------------------------

TPoint* TSlot::PrimaryPoint() const { return dynamic_cast<TPoint*>(GetPrimaryObject()); }

TMass* TSlot::SlotBody() const {
  const TPoint* point = PrimaryPoint();
  return point != nullptr ? point->GetBody() : nullptr;
}

double TSlot::SlotAngle() const { return PrimaryQuantity().GetValue(); }

void TSlot::SetSlotAngle(double angle) {
  TPoint* point = PrimaryPoint();
  if (point == nullptr || point->GetBody() == nullptr) return;
  if (angle == SlotAngle()) return;
  point->SetRotation(angle);
  MarkChanged();
}

// ---- Frames --------------------------------------------------------------------------------

Transform2D TSlot::SlotFrame() const {
  Transform2D frame;
  if (TPoint* point = PrimaryPoint()) point->GetLocalToWorldTransform(frame);
  return frame;
}

Transform2D TSlot::InverseSlotFrame() const { return SlotFrame().Inverse(); }

void TSlot::LocalToWorld3(TVector3& p) { p = Transform2D::ApplyToVector3(SlotFrame(), p); }
void TSlot::LocalToWorld(TVector& p) { p = Transform2D::ApplyToVector(SlotFrame(), p); }
void TSlot::WorldToLocal3(TVector3& p) { p = Transform2D::ApplyToVector3(InverseSlotFrame(), p); }
void TSlot::WorldToLocal(TVector& p) { p = Transform2D::ApplyToVector(InverseSlotFrame(), p); }

void TSlot::GetPlacement(TVector3& placement) {
  TPoint* point = PrimaryPoint();
  if (point == nullptr) return TLockableCnstr::GetPlacement(placement);
  const TVector at = point->GetWorldXY();
  placement = TVector3(at.x, at.y, SlotAngle());
}

void TSlot::GetPosition(TVector& position) {
  TPoint* point = PrimaryPoint();
  if (point == nullptr) return TLockableCnstr::GetPosition(position);
  position = point->GetWorldXY();
}

void TSlot::SetPlacement(const TVector3& placement) { SetSlotAngle(placement.r); }

// ---- Goals, kind and menus -------------------------------------------------------------------

// After the user's extra goals: the other points at y = 0 across the line, and when keyed their
// rotation equal to the primary point's.
void TSlot::MarkGoals() {
  const int32_t e = GetExtraGoals();
  const auto count = static_cast<int32_t>(Goals().size());
  if (e + 1 <= count) MarkGoal(Goal(e + 1), GoalComponent::kY);
  if (IsLocked() != 0 && e + 2 <= count) MarkGoal(Goal(e + 2), GoalComponent::kRotation);
}

int16_t TSlot::GetKindNumber() const {
  if (AttachedCount() < 2) return kKindUnfinished;
  return IsLocked() != 0 ? kKindLocked : kKindPlain;
}

int16_t TSlot::ConstraintCommandFor(int16_t command) {
  return command == kCmdEditActivation ? TCnstr::kCmdEditActivation : command;
}

bool TSlot::CanActivate() const { return TLockableCnstr::CanActivate() && AttachedCount() > 1; }

bool TSlot::IsCompleteForSolver() const {
  return AttachedCount() >= 2 && !Activation().IsNotPositiveConstant();
}

TLink* TSlot::RelatedObjectQuery() const { return SlotBody(); }

// ---- Properties ------------------------------------------------------------------------------

uint32_t TSlot::TagForPropertyIndex(int16_t index) const {
  const bool finished = AttachedCount() >= 2;
  if (index == kRowSecond) return finished ? kTagSecondX : kTagLocalR;
  if (index == kRowQuantity) return finished ? kTagLocalR : kTagQuantity;
  return 0;
}

void TSlot::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  TLockableCnstr::SetFormulaProperty(tag, formula);
  if (tag == kTagLocalR) MarkChanged();
}

// ---- Attachments -----------------------------------------------------------------------------

void TSlot::AttachHook(TLink* object) {
  TLockableCnstr::AttachHook(object);
  if (auto* point = dynamic_cast<TPoint*>(object)) point->SetLocked(IsLocked());
  MarkChanged();
}

// A slot made from a locked point starts locked.
void TSlot::AttachObjectAndUpdate(TLink* object) {
  if (AttachedCount() == 1)
    if (auto* point = dynamic_cast<TPoint*>(object)) SetLocked(point->IsLocked());
  TLockableCnstr::AttachObjectAndUpdate(object);
}

// ---- Display ---------------------------------------------------------------------------------

// The line through the primary point at the slot angle, cut where it leaves the body's bounds,
// worked out in body coordinates and then taken to the screen.
bool TSlot::GetScreenLine(MacPoint& first, MacPoint& second) const {
  TPoint* point = PrimaryPoint();
  TMass* body = SlotBody();
  if (point == nullptr || body == nullptr) return false;
  const double a = SlotAngle();
  const double s = std::sin(a);
  const double c = std::cos(a);
  const TVector p = point->GetLocalXY();
  const TDoubleRect& r = body->LocalBounds();
  TVector e1, e2;
  if (s == 0.0) {
    e1 = {r.right, p.y};
    e2 = {r.left, p.y};
  } else if (c == 0.0) {
    e1 = {p.x, r.top};
    e2 = {p.x, r.bottom};
  } else if (std::fabs(c) > std::fabs(s)) {
    const double k = s / c;
    e1 = {r.right, p.y + (r.right - p.x) * k};
    e2 = {r.left, p.y + (r.left - p.x) * k};
  } else {
    const double k = c / s;
    e1 = {p.x + (r.top - p.y) * k, r.top};
    e2 = {p.x + (r.bottom - p.y) * k, r.bottom};
  }
  Transform2D::ToScreenPoint(body->GetScreenTransform(), e1, first);
  Transform2D::ToScreenPoint(body->GetScreenTransform(), e2, second);
  return true;
}

void TSlot::DrawShape(const MacRect&, uint16_t mode) { DrawSlotLine(mode); }

// Highlighted: one wide line. Otherwise two thin lines, three pixels apart across the line.
void TSlot::DrawSlotLine(uint16_t mode) const {
  MacPoint a, b;
  if (!GetScreenLine(a, b)) return;
  if ((mode & kHighlighted) != 0) {
    PortSetPenSize(3, 3);
    Line(a.h, a.v, b.h, b.v);
    PortSetPenSize(1, 1);
    return;
  }
  if ((a.h <= b.h) == (a.v <= b.v)) {
    Line(a.h + 1, a.v - 2, b.h + 1, b.v - 2);
    Line(a.h - 2, a.v + 1, b.h - 2, b.v + 1);
  } else {
    Line(a.h - 2, a.v - 2, b.h - 2, b.v - 2);
    Line(a.h + 1, a.v + 1, b.h + 1, b.v + 1);
  }
}

void TSlot::DrawFeedback(uint16_t mode) {
  DrawSlotLine(mode);
  TPoint* primary = PrimaryPoint();
  if ((mode & kHighlighted) != 0 || primary == nullptr) return;
  const MacPoint from = primary->GetScreenPoint();
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point == nullptr || point == primary) continue;
    const MacPoint to = point->GetScreenPoint();
    Line(from.h, from.v, to.h, to.v);
  }
}

bool TSlot::IsInRect(const MacRect& rect) {
  MacPoint a, b;
  return GetScreenLine(a, b) && InsideRect(rect, a) && InsideRect(rect, b);
}

bool TSlot::HitsLine(const MacPoint& mouse) {
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point != nullptr && !IsPrimary(point) && point->HitTest(mouse)) return false;
  }
  MacPoint a, b;
  if (!GetScreenLine(a, b)) return false;
  const int32_t left = std::min(a.h, b.h) - kLineSlop, right = std::max(a.h, b.h) + kLineSlop;
  const int32_t top = std::min(a.v, b.v) - kLineSlop, bottom = std::max(a.v, b.v) + kLineSlop;
  if (mouse.h < left || mouse.h > right || mouse.v < top || mouse.v > bottom) return false;
  // The distance from the segment, in pixels: a hit is less than the slop away.
  const double dx = b.h - a.h, dy = b.v - a.v;
  const double length2 = dx * dx + dy * dy;
  const double px = mouse.h - a.h, py = mouse.v - a.v;
  double t = length2 > 0.0 ? (px * dx + py * dy) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - t * dx, py - t * dy) < kLineSlop;
}

bool TSlot::HitObject(const MacPoint& mouse, TLink*& hit) {
  hit = nullptr;
  if (IsInactive()) return false;
  if (!HitsLine(mouse)) return false;
  hit = GetPrimaryObject();
  return true;
}

bool TSlot::HitsForSelection(const MacPoint& mouse) { return IsInactive() && HitsLine(mouse); }

// The primary point draws the slot (its line, or a curved slot's curve) in place of its icon;
// the others show the pin icon while the slot is inactive.
void TSlot::BeforePointDrawing(DrawContext& context, uint16_t mode, TPoint& point,
                               uint16_t& show) {
  if (IsPrimary(&point)) {
    show = 0;
    if ((mode & kHighlighted) == 0 || !IsInactive()) DrawShape(context.area, mode);
    return;
  }
  if (!IsInactive()) return;
  show = 0;
  const MacPoint at = point.GetScreenPoint();
  if ((mode & kHighlighted) == 0)
    DrawIconMasked(GetToolIcon(IsLocked() != 0 ? "PinLockIcon" : "PinIcon"), at.h, at.v);
  else
    PortInvertRect(MacRect(static_cast<int16_t>(at.h - 1), static_cast<int16_t>(at.v - 1),
                           static_cast<int16_t>(at.h + 2), static_cast<int16_t>(at.v + 2)));
}

// ---- Snapping and the assembly solver ----------------------------------------------------------

void TSlot::SnapPointsOntoSlot(TLink* moved) {
  if (!IsInactive()) return;
  if (moved == nullptr) moved = GetPrimaryObject();
  if (moved == nullptr || PrimaryPoint() == nullptr) return;
  TMass* body = SlotBody();
  const double step = body != nullptr ? body->GridStep() : 0.0;
  const Transform2D frame = SlotFrame();
  const Transform2D inverse = frame.Inverse();
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point == nullptr || IsPrimary(point)) continue;
    TVector3 local = Transform2D::ApplyToVector3(inverse, point->GetWorldPosition());
    local.y = 0.0;
    local.x = SnappedToMultiple(local.x, step);
    local.r = 0.0;
    point->SetWorldPosition(Transform2D::ApplyToVector3(frame, local));
    point->Changed();
  }
  MarkChanged();
}

TAssemblyConstraint* TSlot::SolverGeometry(TAssemblySolver& solver, uint16_t& made) {
  made = 0;
  TPoint* point = PrimaryPoint();
  if (point == nullptr || AttachedCount() < 2) return nullptr;
  const TVector at = point->GetLocalXY();
  TAssemblyConstraint* condition = nullptr;
  FailIfError(AssemblyPointOnLine(&solver, this, SlotBody(), TVector3(at.x, at.y, SlotAngle()),
                                  IsLocked(), 1.0, condition));
  made = 1;
  return condition;
}

// ---- Filing ----------------------------------------------------------------------------------

// The lock, then two section markers, which take no bytes.
void TSlot::WriteKindBlock(TObjectWriter& writer) { WriteLockPart(writer); }
void TSlot::ReadKindBlock(TObjectReader& reader) { ReadLockPart(reader); }
