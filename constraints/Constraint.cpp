// The constraint root: attachments with the primary and reference objects, activation, the goal
// list, geometry through the attached objects and the properties common to every constraint.

#include <algorithm>
#include <cmath>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "model/filing/ObjectWriter.h"

namespace {

TVector WorldPositionOf(TLink* object) {
  TVector position(0.0, 0.0);
  if (object != nullptr && object->IsThing()) static_cast<TThing*>(object)->GetPosition(position);
  return position;
}

double AngleOf(TLink* object) {
  if (auto* point = dynamic_cast<TPoint*>(object)) return point->GetWorldRotation();
  if (auto* body = dynamic_cast<TMass*>(object)) return body->GetRotationValue();
  return 0.0;
}

}  // namespace

TCnstr::~TCnstr() {
  // The attached objects stay and forget this constraint; one that went first (a world takes
  // its objects down in any order) is no longer linked and is left alone.
  while (!attached_.empty()) {
    TLink* object = attached_.back();
    if (GetIdentityIndex(object) != -1) {
      DetachObject(object);
    } else {
      attached_.pop_back();
    }
  }
}

void TCnstr::Initialize() {
  TThing::Initialize();
  activation_ = TFormula::New();
  second_ = TFormula::New();
  primaryQuantity_ = TFormula::New();
  conditionMode_ = 0;
  related_ = nullptr;
  attached_.clear();
  reference_ = nullptr;
  primary_ = nullptr;
  goals_.clear();
  active_ = 0;
  displayMode_ = 1;
}

void TCnstr::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kConstraintClassTag);
  TThing::WriteClassTag(writer);
}

// ---- Attachments -----------------------------------------------------------------------------

void TCnstr::AttachObject(TLink* object) {
  if (object == nullptr || IsAttachedTo(object)) return;
  AddDependent(object);
  attached_.push_back(object);
  if (attached_.size() == 1) primary_ = object;
  if (auto* point = dynamic_cast<TPoint*>(object)) point->AddConstraint(this);
  else object->ObjectAttached(this);
  AttachHook(object);
}

void TCnstr::DetachObject(TLink* object) {
  const auto found = std::find(attached_.begin(), attached_.end(), object);
  if (found == attached_.end()) return;
  attached_.erase(found);
  DetachHook(object);
  if (auto* point = dynamic_cast<TPoint*>(object)) point->RemoveConstraint(this);
  RemoveDependent(object);
}

void TCnstr::AttachObjectAndUpdate(TLink* object) {
  AttachObject(object);
  MarkChanged();
}

void TCnstr::AttachHook(TLink* object) {
  ChooseReferenceObject(object);
  Recompute();
}

void TCnstr::DetachHook(TLink* object) {
  primary_ = attached_.empty() ? nullptr : attached_.front();
  if (object != reference_) return;
  reference_ = nullptr;
  ChooseReferenceObject(nullptr);
  Recompute();
  MarkChanged();
}

bool TCnstr::IsAttachedTo(const TLink* object) const {
  return object != nullptr && std::find(attached_.begin(), attached_.end(), object) != attached_.end();
}

TLink* TCnstr::GetOtherObject(const TLink* object) const {
  if (attached_.empty()) return nullptr;
  TLink* other = attached_.front() != object ? attached_.front() : attached_.back();
  return other == object ? nullptr : other;
}

bool TCnstr::LosesAttachments(const std::vector<TLink*>& deleted) const {
  const auto going = std::count_if(attached_.begin(), attached_.end(), [&deleted](TLink* o) {
    return std::find(deleted.begin(), deleted.end(), o) != deleted.end();
  });
  return AttachedCount() - static_cast<int32_t>(going) < RequiredAttachments();
}

// The current reference yields to a candidate when it sits on the background and the candidate
// does not: a constraint is measured from the side that moves.
bool TCnstr::YieldsTo(TLink* current, TLink* candidate) const {
  if (current == nullptr) return true;
  auto onBackground = [](TLink* object) {
    auto* point = dynamic_cast<TPoint*>(object);
    return point != nullptr && point->GetBody() != nullptr &&
           point->GetBody()->GetIdentifier() == kBackgroundIdentifier;
  };
  return onBackground(current) && !onBackground(candidate);
}

void TCnstr::ChooseReferenceObject(TLink* candidate) {
  if (attached_.empty()) {
    reference_ = nullptr;
    return;
  }
  if (attached_.size() == 1) {
    reference_ = attached_.front();
    return;
  }
  if (candidate != nullptr && candidate != reference_) {
    if (YieldsTo(reference_, candidate)) reference_ = candidate;
    return;
  }
  for (TLink* object : attached_)
    if (object != reference_ && YieldsTo(reference_, object)) reference_ = object;
}

void TCnstr::GetEndBodies(TLink*& first, TLink*& second) const {
  first = second = nullptr;
  if (attached_.empty()) return;
  auto bodyOf = [](TLink* object) -> TLink* {
    if (auto* point = dynamic_cast<TPoint*>(object)) return point->GetBody();
    return dynamic_cast<TMass*>(object);
  };
  first = bodyOf(attached_.front());
  second = bodyOf(attached_.back());
}

// ---- Geometry --------------------------------------------------------------------------------

double TCnstr::PathLength() const {
  double length = 0.0;
  for (size_t i = 1; i < attached_.size(); ++i) {
    const TVector a = WorldPositionOf(attached_[i - 1]);
    const TVector b = WorldPositionOf(attached_[i]);
    length += std::hypot(b.x - a.x, b.y - a.y);
  }
  return length;
}

double TCnstr::AngleDifference() const {
  if (attached_.size() < 2 || primary_ == nullptr) return 0.0;
  TLink* other = attached_.front() != primary_ ? attached_.front() : attached_.back();
  return AngleOf(other) - AngleOf(primary_);
}

TVector TCnstr::EndToEnd() const {
  if (attached_.size() < 2) return TVector(0.0, 0.0);
  const TVector a = WorldPositionOf(attached_.front());
  const TVector b = WorldPositionOf(attached_.back());
  return TVector(b.x - a.x, b.y - a.y);
}

void TCnstr::GetLocalToWorldTransform(Transform2D& t) {
  if (primary_ != nullptr && primary_->IsThing())
    static_cast<TThing*>(primary_)->GetLocalToWorldTransform(t);
  else
    t = gIdentityTransform;
}

// ---- Activation ------------------------------------------------------------------------------

void TCnstr::Announce() {
  ForEachLinked(1);
  Changed();
  MarkChanged();
}

uint16_t TCnstr::Activate(uint16_t redraw) {
  if (!CanActivate()) return 0;
  active_ = 1;
  if (redraw != 0) Announce();
  return 0;
}

void TCnstr::Deactivate(uint16_t redraw) {
  if (active_ == 0) return;
  active_ = 0;
  if (redraw != 0) Announce();
}

bool TCnstr::IsAlwaysActive() const { return activation_->IsNonZeroConstant(); }

void TCnstr::SetAlwaysActive(uint16_t flag) {
  if (flag != 0) activation_->SetConstant(1.0);
}

// ---- Primary quantity and goals --------------------------------------------------------------

const TFormula& TCnstr::PrimaryQuantity() const {
  if (auto* point = dynamic_cast<TPoint*>(primary_)) return *point->LocalRotation();
  if (auto* body = dynamic_cast<TMass*>(primary_)) return *body->Rotation();
  return DefaultPrimaryQuantity();
}

void TCnstr::SetPrimaryQuantity(const TFormula* value) {
  if (value == nullptr) return;
  if (auto* point = dynamic_cast<TPoint*>(primary_)) {
    point->LocalRotation()->Assign(*value);
    point->FormulaChanged(point->LocalRotation());
  }
}

void TCnstr::SetPrimaryQuantityValue(double value) {
  if (auto* point = dynamic_cast<TPoint*>(primary_)) point->LocalRotation()->StoreConstant(value);
}

void TCnstr::ResizeGoals(int32_t count) {
  count = std::max<int32_t>(count, 0);
  while (static_cast<int32_t>(goals_.size()) > count) goals_.pop_back();
  while (static_cast<int32_t>(goals_.size()) < count) goals_.push_back(std::make_unique<TCnstrGoal>());
}

void TCnstr::MarkChanged() {
  Recompute();
  Changed();
}

// ---- Properties ------------------------------------------------------------------------------

TFormula* TCnstr::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                     int32_t* dimension, uint16_t* flag) {
  if (tag == kTagActivation) return IsAlwaysActive() ? nullptr : activation_.get();
  return TThing::GetFormulaProperty(tag, first, second, dimension, flag);
}

void TCnstr::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag != kTagActivation) return TThing::SetFormulaProperty(tag, formula);
  activation_->Assign(formula);
  SetAlwaysActive(0);
}

uint16_t TCnstr::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagAlwaysActive) return TThing::GetShortProperty(tag, value, extra);
  value = IsAlwaysActive() ? 1 : 0;
  return 1;
}

void TCnstr::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagAlwaysActive) return TThing::SetShortProperty(tag, value);
  activation_->SetConstant(value != 0 ? 1.0 : 0.0);
  SetAlwaysActive(value);
}

uint16_t TCnstr::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagAlwaysActive) {
    value = activation_->IsNonZeroConstant() ? 1 : 0;
    return 1;
  }
  if (tag == kTagActiveWhen) {
    value = activation_->IsNonZeroConstant() ? 0 : 1;
    return 1;
  }
  return TThing::GetChoiceProperty(tag, value, extra);
}

void TCnstr::SelectChoice(uint32_t tag) {
  if (tag == kTagAlwaysActive) return activation_->SetFromPieces("true");
  if (tag == kTagActiveWhen) return activation_->SetFromPieces("false");
  TThing::SelectChoice(tag);
}

void TCnstr::ObjectRemoved(TLink* object) {
  if (object == related_) related_ = nullptr;
  DetachObject(object);
  TThing::ObjectRemoved(object);
}
