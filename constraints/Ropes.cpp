// Ropes, separators, rods and the rotational rope: goals, the acting test, the drawn amplitude
// and the properties of each kind.

#include "constraints/Ropes.h"

#include <cmath>
#include <vector>

#include "bodies/points/Point.h"

namespace {

constexpr uint32_t kAngleUnit = 0x00010000;
// A rope this much longer than the distance of its ends (squared) is drawn slack.
constexpr double kSlackThreshold = 1.1;

// The offset between two points: in their common body's frame when they share one, else in
// the world.
TVector Offset(TLink* from, TLink* to) {
  auto* a = dynamic_cast<TPoint*>(from);
  auto* b = dynamic_cast<TPoint*>(to);
  TVector pa(0.0, 0.0), pb(0.0, 0.0);
  if (a != nullptr && b != nullptr && a->GetBody() == b->GetBody()) {
    pa = a->GetLocalXY();
    pb = b->GetLocalXY();
  } else {
    if (from != nullptr && from->IsThing()) static_cast<TThing*>(from)->GetPosition(pa);
    if (to != nullptr && to->IsThing()) static_cast<TThing*>(to)->GetPosition(pb);
  }
  return TVector(pb.x - pa.x, pb.y - pa.y);
}

void CopyInto(TCnstrGoal& goal, const TFormula& value) {
  const int32_t type = goal.type, limit = goal.limit, component = goal.component;
  goal.Assign(value);
  goal.type = type;
  goal.limit = limit;
  goal.component = component;
}

}  // namespace

TObject* TLRope::CreateObject() { return new TLRope; }
TObject* TRod::CreateObject() { return new TRod; }
TObject* TRRope::CreateObject() { return new TRRope; }

void TLRope::Initialize() {
  TTwoPointConstraint::Initialize();
  type_ = kRigid;
  amplitude_ = 1.0;
}

void TLRope::SetType(int32_t type) {
  type_ = type;
  MarkChanged();
}

int16_t TLRope::GetKindNumber() const {
  if (type_ == kSeparator) return 2501;
  return AttachedCount() > 2 ? 2514 : 2508;
}

void TLRope::AdjustQuantityToGeometry() {
  TFormula& length = Quantity();
  const bool unset = QuantityRead() && type_ != kSeparator && AttachedCount() >= 2 &&
                     !length.IsFormula() && length.GetValue() == 0.0;
  if (unset) {
    const double path = PathLength();
    if (path > 0.0) {
      length.SetConstant(path);
      MarkChanged();
    }
  }
  TTwoPointConstraint::AdjustQuantityToGeometry();
}

bool TLRope::IsActing() const {
  const double slack = PathLength() - const_cast<TLRope*>(this)->Quantity().GetValue();
  if (type_ == kSeparator) return slack <= 0.0;
  if (type_ == kRope) return slack >= 0.0;
  return true;
}

// Coincident ends leave no distance to compare with: a rope is then drawn fully slack and a
// separator fully pushed together, never with an infinite amplitude.
void TLRope::UpdateAmplitude() {
  AdjustQuantityToGeometry();
  if (type_ == kRigid) return;
  amplitude_ = 0.0;
  if (AttachedCount() < 2) return;
  const double length = Quantity().GetValue();
  if (AttachedCount() == 2) {
    const TVector d = Offset(Attached().front(), Attached().back());
    const double d2 = d.x * d.x + d.y * d.y;
    const double l2 = length * length;
    if (type_ == kRope) {
      if (d2 == 0.0) amplitude_ = l2 > 0.0 ? 1.0 : 0.0;
      else if (d2 < l2 && l2 / d2 >= kSlackThreshold) amplitude_ = std::sqrt(l2 / d2 - 1.0);
    } else {
      amplitude_ = l2 < d2 ? 0.5 * std::sqrt(l2 / d2) : 0.5;
    }
    return;
  }
  const double l = std::fabs(length);
  double d = 0.0;
  for (size_t i = 1; i < Attached().size(); ++i) {
    const TVector s = Offset(Attached()[i - 1], Attached()[i]);
    d += std::hypot(s.x, s.y);
  }
  if (type_ == kRope) {
    if (d == 0.0) amplitude_ = l > 0.0 ? 1.0 : 0.0;
    else if (d < l) amplitude_ = std::sqrt((l / d) * (l / d) - 1.0);
  } else {
    amplitude_ = l < d ? l / (2.0 * d) : 0.5;
  }
}

bool TLRope::HitsShape(double x, double y) const {
  if (type_ == kSeparator) {
    if (std::fabs(y) > 0.51) return false;
    return amplitude_ > 0.5 || x <= amplitude_ || x > 1.0 - amplitude_;
  }
  if (type_ == kRope) {
    if (y < 0.0) return y > -0.26 && x > 0.5;
    return y <= 0.26 && x <= 0.5;
  }
  return false;
}

double TLRope::SizeRatio(const MacPoint& offset) const {
  if (type_ == kRigid) return 0.0;
  if (type_ == kRope) return amplitude_;
  return TTwoPointConstraint::SizeRatio(offset);
}

void TLRope::DrawFigure(const DrawingFrame& frame, uint16_t mode) {
  struct Step {
    double x, y;
    bool down;
  };
  std::vector<Step> steps;
  const double a = amplitude_;
  if (type_ == kSeparator && a <= 0.5) {
    steps = {{a, 0.0, true},        {a, -0.5, false},      {a, 0.5, true},
             {1.0 - a, -0.5, false}, {1.0 - a, 0.5, true}, {1.0 - a, 0.0, false}};
  } else if (type_ == kSeparator) {
    steps = {{0.5, -0.5, false}, {0.5, 0.5, true}, {0.0, 0.0, false}};
  } else if (type_ == kRope) {
    steps = {{0.125, 0.188, true},  {0.25, 0.25, true},  {0.375, 0.188, true},
             {0.625, -0.188, true}, {0.75, -0.25, true}, {0.875, -0.188, true}};
  }
  for (const Step& step : steps) DrawFrameLine(frame, step.x, step.y, step.down, false, mode);
}

void TLRope::MarkGoals() {
  TTwoPointConstraint::MarkGoals();
  const int32_t first = GetExtraGoals() + 1;
  if (first > static_cast<int32_t>(Goals().size())) return;
  TCnstrGoal& goal = Goal(first);
  goal.type = static_cast<int32_t>(GoalType::kPosition);
  goal.limit = type_;
  CopyInto(goal, Quantity());
}

TFormula* TLRope::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                     int32_t* dimension, uint16_t* flag) {
  if (tag == kTagRopeElasticity && (type_ == kSeparator || type_ == kRope)) {
    if (dimension != nullptr) *dimension = 0;
    return &SecondQuantity();
  }
  TFormula* found = TTwoPointConstraint::GetFormulaProperty(tag, first, second, dimension, flag);
  if (tag == kTagQuantity) {
    if (first != nullptr) *first = 0.0;
    if (second != nullptr) *second = 0.0;
  }
  return found;
}

void TLRope::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag == kTagRopeElasticity && (type_ == kSeparator || type_ == kRope)) {
    SecondQuantity().Assign(formula);
    return MarkChanged();
  }
  TTwoPointConstraint::SetFormulaProperty(tag, formula);
}

uint16_t TLRope::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagRopeType) return TTwoPointConstraint::GetShortProperty(tag, value, extra);
  value = static_cast<uint16_t>(type_);
  return 1;
}

void TLRope::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagRopeType) return TTwoPointConstraint::SetShortProperty(tag, value);
  SetType(static_cast<int16_t>(value));
}

// ---- Rotational rope ---------------------------------------------------------------------------

void TRRope::Initialize() {
  minR_ = TFormula::New();
  maxR_ = TFormula::New();
  TConstraint::Initialize();
  SetRotational(1);
}

void TRRope::MarkGoals() {
  TConstraint::MarkGoals();
  const int32_t e = GetExtraGoals();
  const auto count = static_cast<int32_t>(Goals().size());
  const std::pair<int32_t, TFormula*> limits[] = {{1, minR_.get()}, {2, maxR_.get()}};
  for (const auto& [limit, value] : limits) {
    if (e + limit > count) return;
    TCnstrGoal& goal = Goal(e + limit);
    goal.type = static_cast<int32_t>(GoalType::kPosition);
    goal.limit = limit;
    goal.component = static_cast<int32_t>(GoalComponent::kRotation);
    CopyInto(goal, *value);
  }
}

TFormula* TRRope::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                     int32_t* dimension, uint16_t* flag) {
  if (tag != kTagMinRotation && tag != kTagMaxRotation)
    return TConstraint::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = static_cast<int32_t>(kAngleUnit);
  return tag == kTagMinRotation ? minR_.get() : maxR_.get();
}

void TRRope::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag != kTagMinRotation && tag != kTagMaxRotation)
    return TConstraint::SetFormulaProperty(tag, formula);
  (tag == kTagMinRotation ? minR_ : maxR_)->Assign(formula);
  MarkChanged();
}
