// Forces and torques: the pair of force quantities in force and its conversion, the goals handed
// to the solver, the menu commands with their units, filing and registration.

#include "constraints/Forces.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/ClassRegistry.h"
#include "core/port/Port.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr int32_t kUnitForce = 0x11E00000;
constexpr int32_t kUnitAngle = 0x00010000;
constexpr int16_t kCmdCartesianBoth = 5301;
constexpr int16_t kCmdCartesianX = 5302;
constexpr int16_t kCmdCartesianY = 5303;
constexpr int16_t kCmdPolar = 5304;

void CopyInto(TCnstrGoal& goal, const TFormula& value) {
  const int32_t type = goal.type, limit = goal.limit, component = goal.component;
  goal.Assign(value);
  goal.type = type;
  goal.limit = limit;
  goal.component = component;
}

}  // namespace

TObject* TForce::CreateObject() { return new TForce; }
TObject* TTorque::CreateObject() { return new TTorque; }

void TForce::Initialize() {
  TForceBase::Initialize();
  fx_ = TFormula::New();
  fy_ = TFormula::New();
  fl_ = TFormula::New();
  fr_ = TFormula::New();
  arrowScale_ = 1.0;
  polar_ = 0;
}

void TForce::SetPolar(uint16_t polar) {
  const uint16_t flag = polar != 0 ? 1 : 0;
  if (flag == polar_) return;
  if (flag != 0) {
    const double x = fx_->GetValue(), y = fy_->GetValue();
    fl_->SetConstant(std::hypot(x, y));
    fr_->SetConstant(std::atan2(y, x));
  } else {
    const double l = fl_->GetValue(), r = fr_->GetValue();
    fx_->SetConstant(r == 0.0 ? l : l * std::cos(r));
    fy_->SetConstant(r == 0.0 ? 0.0 : l * std::sin(r));
  }
  polar_ = flag;
  if (GetPrimaryObject() != nullptr) {
    const TFormula zero(0.0);
    SetPrimaryQuantity(polar_ != 0 ? fr_.get() : &zero);
  }
  MarkChanged();
}

namespace {

// The application point of a force: in its body's coordinates when locked, else in the world.
TVector ApplicationPoint(TPoint& point, bool locked) {
  if (!locked) return point.GetWorldXY();
  const TVector3 local = point.GetLocalPosition();
  return TVector(local.x, local.y);
}

}  // namespace

TVector TForce::ArrowTail() {
  auto* point = dynamic_cast<TPoint*>(GetPrimaryObject());
  if (point == nullptr) return TVector(0.0, 0.0);
  const bool locked = IsLocked() != 0;
  const TVector at = ApplicationPoint(*point, locked);
  double x = fx_->GetValue(), y = fy_->GetValue();
  if (polar_ != 0) {
    x = fl_->GetValue() * std::cos(fr_->GetValue());
    y = fl_->GetValue() * std::sin(fr_->GetValue());
  }
  TVector tail(at.x - x * arrowScale_, at.y - y * arrowScale_);
  if (locked && point->GetBody() != nullptr) point->GetBody()->LocalToWorld(tail);
  return tail;
}

void TForce::MoveTo(const TVector& position, uint16_t movePoint) {
  auto* point = dynamic_cast<TPoint*>(GetPrimaryObject());
  if (point == nullptr || arrowScale_ == 0.0 || !std::isfinite(arrowScale_)) return;
  TVector tail = position;
  if (movePoint != 0) {
    tail = ArrowTail();
    point->SetWorldPosition(TVector3(position.x, position.y, point->GetWorldRotation()));
  }
  const bool locked = IsLocked() != 0;
  if (locked && point->GetBody() != nullptr) point->GetBody()->WorldToLocal(tail);
  const TVector at = ApplicationPoint(*point, locked);
  const double x = (at.x - tail.x) / arrowScale_;
  const double y = (at.y - tail.y) / arrowScale_;
  if (polar_ != 0) {
    fl_->SetConstant(std::hypot(x, y));
    fr_->SetConstant(std::atan2(y, x));
  } else {
    fx_->SetConstant(x);
    fy_->SetConstant(y);
  }
  MarkChanged();
  ForEachLinked(1);
}

namespace {

// The arrow's frame on the screen: x runs from the tip (0) to the tail (1), y across it in
// units of the constraint's size.
struct ArrowFrame {
  MacPoint origin;
  double xh, xv;  // the screen offset of x = 1
  double yh, yv;  // the screen offset of y = 1

  MacPoint At(double x, double y) const {
    auto clamp = [](double value) {
      return static_cast<int16_t>(std::clamp(std::lround(value), -32767L, 32767L));
    };
    return MacPoint(clamp(origin.h + x * xh + y * yh), clamp(origin.v + x * xv + y * yv));
  }
};

}  // namespace

bool TForce::GetScreenArrow(MacPoint& tip, MacPoint& tail) {
  auto* point = dynamic_cast<TPoint*>(GetPrimaryObject());
  if (point == nullptr) return false;
  tip = point->GetScreenPoint();
  // The tail goes to the screen as the tip does: through the application point's body.
  TVector at = ArrowTail();
  if (TMass* body = point->GetBody()) {
    body->WorldToLocal(at);
    Transform2D::ToScreenPoint(body->GetScreenTransform(), at, tail);
  } else {
    WorldToScreen(at, tail);
  }
  return tip.h != tail.h || tip.v != tail.v;
}

void TForce::DrawShape(const MacRect& /*area*/, uint16_t /*mode*/) {
  MacPoint tip, tail;
  if (IsShown() == 0 || !GetScreenArrow(tip, tail)) return;
  const double dh = tail.h - tip.h, dv = tail.v - tip.v;
  const double length = std::hypot(dh, dv);
  const double size = GetSize() > 0.0 ? GetSize() : DefaultConstraintSize();
  // h: the head's share of the arrow's length.
  const double h = size / length;
  const ArrowFrame frame{tip, dh, dv, -dv * h, dh * h};
  std::vector<std::pair<double, double>> outline;
  if (h <= 1.0)
    outline = {{h, 1.0}, {h, 0.5}, {1.0, 0.5}, {1.0, -0.5}, {h, -0.5}, {h, -1.0}, {0.0, 0.0}};
  else
    outline = {{1.0, 1.0}, {1.0, -1.0}, {0.0, 0.0}};
  PenState saved;
  PortGetPenState(saved);
  PortSetPenSize(1, 1);
  PortMoveTo(tip.h, tip.v);
  MacPoint at = tip;
  for (const auto& [x, y] : outline) {
    const MacPoint next = frame.At(x, y);
    PortLineTo(next.h - at.h, next.v - at.v);
    at = next;
  }
  PortSetPenState(saved);
}

bool TForce::HitWithin(const MacPoint& mouse, int16_t reach) {
  MacPoint tip, tail;
  if (!IsInactive() || !GetScreenArrow(tip, tail)) return false;
  const MacPoint offset(static_cast<int16_t>(tail.h - tip.h),
                        static_cast<int16_t>(tail.v - tip.v));
  headShare_ = SizeRatio(offset);
  return HitsSegment(tip, tail, mouse, true, reach);
}

bool TForce::HitsShape(double x, double y) const {
  return std::fabs(y) <= 0.35 || (std::fabs(y) <= 0.95 && x <= headShare_);
}

// Fx and Fy are edited in the force unit; Fl in the force unit and its direction Fr in the angle
// unit.
std::vector<int32_t> TForce::ApplyCommand(int16_t command) {
  switch (command) {
    case kCmdCartesianBoth: SetPolar(0); return {kUnitForce, kUnitForce};
    case kCmdCartesianX:
    case kCmdCartesianY: SetPolar(0); return {kUnitForce};
    case kCmdPolar: SetPolar(1); return {kUnitForce, kUnitAngle};
    default: return {};
  }
}

void TForce::ChooseReferenceObject(TLink*) {
  TForceBase::ChooseReferenceObject(nullptr);
}

TLink* TForce::RelatedObjectQuery() const {
  if (IsLocked() == 0) return TForceBase::RelatedObjectQuery();
  auto* point = dynamic_cast<TPoint*>(GetPrimaryObject());
  if (point == nullptr || point->GetBody() == nullptr) return nullptr;
  return point->GetBody();
}

// The primary point's rotation turns the force's frame: none for cartesian components, the
// direction for a polar force.
void TForce::MarkGoals() {
  if (GetPrimaryObject() == nullptr) return;
  const int32_t e = GetExtraGoals();
  const auto count = static_cast<int32_t>(Goals().size());
  if (polar_ != 0) {
    SetPrimaryQuantity(fr_.get());
    if (e + 1 <= count) CopyInto(Goal(e + 1), *fl_);
    return;
  }
  const TFormula zero(0.0);
  SetPrimaryQuantity(&zero);
  if (e + 1 <= count) CopyInto(Goal(e + 1), *fx_);
  if (e + 2 > count) return;
  Goal(e + 2).component = static_cast<int32_t>(GoalComponent::kY);
  CopyInto(Goal(e + 2), *fy_);
}

TFormula* TForce::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                     int32_t* dimension, uint16_t* flag) {
  TFormula* found = nullptr;
  int32_t unit = kUnitForce;
  if (polar_ == 0 && tag == kTagForceX) found = fx_.get();
  else if (polar_ == 0 && tag == kTagForceY) found = fy_.get();
  else if (polar_ != 0 && tag == kTagForceLength) found = fl_.get();
  else if (polar_ != 0 && tag == kTagForceAngle) found = fr_.get(), unit = kUnitAngle;
  if (found == nullptr) return TForceBase::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = unit;
  return found;
}

void TForce::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  TFormula* target = GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr);
  const bool own = tag == kTagForceX || tag == kTagForceY || tag == kTagForceLength ||
                   tag == kTagForceAngle;
  if (!own || target == nullptr) return TForceBase::SetFormulaProperty(tag, formula);
  target->Assign(formula);
  MarkChanged();
}

uint16_t TForce::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagPolar) value = polar_;
  else if (tag == kTagCartesian) value = polar_ == 0 ? 1 : 0;
  else return TForceBase::GetChoiceProperty(tag, value, extra);
  return 1;
}

void TForce::SelectChoice(uint32_t tag) {
  if (tag == kTagPolar) return SetPolar(1);
  if (tag == kTagCartesian) return SetPolar(0);
  TForceBase::SelectChoice(tag);
}

void TForce::WriteKindBlock(TObjectWriter& writer) {
  WriteLockPart(writer);
  writer.WriteCode(polar_);
  writer.WriteFormula(polar_ != 0 ? fl_.get() : fx_.get());
  writer.WriteFormula(polar_ != 0 ? fr_.get() : fy_.get());
  writer.WriteDouble(arrowScale_);
  writer.WriteCode(0);
  writer.WriteDouble(GetSize());
}

void TForce::ReadKindBlock(TObjectReader& reader) {
  ReadLockPart(reader);
  polar_ = reader.ReadBoolean() ? 1 : 0;
  reader.ReadFormula(polar_ != 0 ? *fl_ : *fx_);
  reader.ReadFormula(polar_ != 0 ? *fr_ : *fy_);
  arrowScale_ = reader.ReadReal();
  reader.ReadInt();
  const double size = reader.ReadReal();
  if (size != 0.0) SetSize(size);
}

void TTorque::Initialize() {
  TTwoPointConstraint::Initialize();
  SetRotational(1);
}

void TTorque::MarkGoals() {
  TTwoPointConstraint::MarkGoals();
  const int32_t first = GetExtraGoals() + 1;
  if (first > static_cast<int32_t>(Goals().size())) return;
  Goal(first).component = static_cast<int32_t>(GoalComponent::kRotation);
  CopyInto(Goal(first), Quantity());
}

void RegisterForceClasses() {
  RegisterClassInfo("TForce", kForceTag, TForce::kClassID, TForce::CreateObject, sizeof(TForce));
  RegisterClassInfo("TTorque", kTorqueTag, TTorque::kClassID, TTorque::CreateObject,
                    sizeof(TTorque));
}
