// TPoint: construction, registration, attachment to a body, the constraints list, hold and the
// questions about the point's constraints.

#include "bodies/points/Point.h"

#include <unordered_set>

#include "bodies/Body.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/world/WorldDoc.h"

// ---- Registration and lifecycle ----------------------------------------------------------------

TObject* TPoint::CreateObject() {
  return new (std::nothrow) TPoint();
}

TPoint::~TPoint() {
  // A body that is still alive (still linked) must not keep a pointer to a point that is gone.
  if (body_ != nullptr && GetIdentityIndex(body_) != -1) body_->RemoveAttachment(this);
}

void TPoint::FreeFields() {
  x_.reset();
  y_.reset();
  rotation_.reset();
  constraints_.reset();
}

void TPoint::Initialize() {
  cacheValid_ = 0;
  body_ = nullptr;
  outside_ = 0;
  locked_ = 0;
  hold_ = 0;
  FreeFields();
  try {
    TVectorPointBase::Initialize();
    constraints_ = std::make_unique<TList>();
    constraints_->IList();
    x_ = TFormula::New();
    y_ = TFormula::New();
    rotation_ = TFormula::New();
  } catch (...) {
    FreeFields();
    throw;
  }
}

TWorldDoc* TPoint::GetWorld() const {
  for (TLink* linked : Linked())
    if (linked->IsMemberClass(TWorldDoc::kClassID)) return static_cast<TWorldDoc*>(linked);
  return nullptr;
}

// ---- Attachment ------------------------------------------------------------------------------

void TPoint::AttachToBody(TMass* body) {
  if (body == body_) return;
  DetachFromBody();
  AddDependent(body);
  body_ = body;
  // The body lists the point and calls back here, which returns at once.
  if (body != nullptr) body->AddAttachment(this);
  InvalidateCache();
  AnnounceChange();
}

void TPoint::DetachFromBody() {
  if (body_ == nullptr) return;
  body_->RemoveAttachment(this);
  body_ = nullptr;
}

void TPoint::ObjectAttached(TLink* object) {
  if (object != nullptr && object->IsMemberClass(kBodyClassId))
    AttachToBody(static_cast<TMass*>(object));
}

void TPoint::DrawConnectionToBody() {
  if (body_ != nullptr) body_->DrawConnectionLine(GetScreenPoint(), GetLocalXY(), outside_);
}

void TPoint::BodyChanged(TLink* object) {
  if (object != nullptr && object == body_) AnnounceChange();
}

void TPoint::AnnounceChange() {
  ForEachConstraint([this](TPointConstraintHooks& hooks, TLink*) { hooks.PointChanged(*this); });
  Changed();
}

void TPoint::ObjectRemoved(TLink* object) {
  if (constraints_) constraints_->Delete(object);
  if (object != nullptr && object == body_) ForgetBody(body_);
  TVectorPointBase::ObjectRemoved(object);
}

namespace {

// A formula becomes the constant; its owner hears of the change.
void MakeConstant(TPoint& point, TFormula& formula, double value) {
  if (!formula.IsFormula() && formula.GetValue() == value) return;
  formula.SetConstant(value);
  point.FormulaChanged(&formula);
}

}  // namespace

void TPoint::ForgetBody(TMass* body) {
  const TVector3 position = GetWorldPosition();
  const bool realBody = body->GetIdentifier() != kBackgroundIdentifier;
  DetachFromBody();
  SetLocalPosition(position);
  // The point stays where it was in the world, as constants: a formula read in the frame of a
  // body that is gone means nothing on the background.
  if (HasAnyFormula()) {
    MakeConstant(*this, *x_, position.x);
    MakeConstant(*this, *y_, position.y);
    MakeConstant(*this, *rotation_, position.r);
  }
  outside_ = 0;
  TWorldDoc* world = GetWorld();
  if (!realBody || world == nullptr) return;
  for (TLink* object : world->Objects()) {
    if (object == body || object->GetIdentifier() != kBackgroundIdentifier) continue;
    if (object->IsMemberClass(kBodyClassId)) AttachToBody(static_cast<TMass*>(object));
    return;
  }
}

// ---- Constraints ------------------------------------------------------------------------------

TPointConstraintHooks* TPoint::HooksOf(TObject* constraint) {
  return dynamic_cast<TPointConstraintHooks*>(constraint);
}

void TPoint::AddConstraint(TLink* constraint) {
  if (constraint == nullptr) return;
  AddDependent(constraint);
  constraints_->Add(constraint);
}

void TPoint::RemoveConstraint(TLink* constraint) {
  if (constraints_) constraints_->Delete(constraint);
}

void TPoint::PassToConstraints(uint16_t value) {
  ForEachConstraint([value](TPointConstraintHooks& hooks, TLink*) { hooks.PassValue(value); });
}

TLink* TPoint::FindThat(bool (*test)(TLink* object, void* argument), void* argument) {
  if (test(this, argument)) return this;
  if (body_ != nullptr && test(body_, argument)) return body_;
  TLink* found = nullptr;
  ForEachConstraint([&](TPointConstraintHooks&, TLink* constraint) {
    if (found == nullptr && test(constraint, argument)) found = constraint;
  });
  return found;
}

bool TPoint::IsLinkedEverywhere(TLink* object) const {
  const auto linkedTo = [object](const TLink* other) { return other->GetIdentityIndex(object) != -1; };
  if (body_ != nullptr && body_->GetIdentifier() != kBackgroundIdentifier && !linkedTo(body_))
    return false;
  bool everywhere = true;
  ForEachConstraint([&](TPointConstraintHooks&, TLink* constraint) {
    everywhere = everywhere && linkedTo(constraint);
  });
  return everywhere && linkedTo(this);
}

bool TPoint::HasFixingConstraint() const {
  return FirstConstraintThat([](TPointConstraintHooks& hooks) {
           return hooks.IsInactive() && hooks.IsFixing();
         }) != nullptr;
}

bool TPoint::AnyConstraintClaims() {
  return FirstConstraintThat([this](TPointConstraintHooks& hooks) {
           return hooks.ClaimsPoint(*this);
         }) != nullptr;
}

bool TPoint::AllConstraintsAgree() {
  if (ConstraintCount() == 0) return false;
  return FirstConstraintThat([this](TPointConstraintHooks& hooks) {
           return !hooks.AgreesWith(*this);
         }) == nullptr;
}

bool TPoint::ComesAfter(const TPoint& other) const {
  if (body_ == nullptr) return true;
  if (other.body_ == nullptr) return false;
  if (body_ == other.body_) {
    TList* attachments = body_->Attachments();
    if (attachments == nullptr) return false;
    return attachments->GetIdentityIndex(this) > attachments->GetIdentityIndex(&other);
  }
  // The chain of attached bodies from the other point's body; a ring is walked once.
  std::unordered_set<const TMass*> seen;
  for (const TMass* body = other.body_; body != nullptr && seen.insert(body).second;
       body = body->GetAttachedBody()) {
    if (body == body_) return false;
  }
  return true;
}

bool TPoint::HandlesCommand(int16_t command) const {
  return command == kCmdExportOutline || command == kCmdExportPicture;
}

int16_t TPoint::GetObjectNumber() {
  return body_ != nullptr ? body_->GetObjectNumber() : TVectorPointBase::GetObjectNumber();
}

void TPoint::GetVelocityFormulas(TFormula*& x, TFormula*& y, TFormula*& rotation) {
  if (body_ != nullptr) return body_->GetVelocityFormulas(x, y, rotation);
  TVectorPointBase::GetVelocityFormulas(x, y, rotation);
}

// ---- Hold ---------------------------------------------------------------------------------------

namespace {

template <class Step>
void ForEachHeldPoint(const TPoint& point, Step step) {
  point.ForEachConstraint([&step](TPointConstraintHooks& hooks, TLink* constraint) {
    if (!constraint->IsMemberClass(kPointListConstraintClass)) return;
    for (TPoint* held : hooks.OwnPoints())
      if (held != nullptr) step(*held);
  });
}

}  // namespace

void TPoint::BeginHold(int16_t propagate) {
  hold_ = 1;
  if (propagate != 0) ForEachHeldPoint(*this, [](TPoint& p) { p.BeginHold(0); });
}

void TPoint::EndHold(int16_t propagate) {
  hold_ = 0;
  if (propagate != 0) ForEachHeldPoint(*this, [](TPoint& p) { p.EndHold(0); });
}

// ---- Outside flag -------------------------------------------------------------------------------

void TPoint::UpdateOutsideFlag() {
  if (body_ == nullptr || body_->GetIdentifier() == kBackgroundIdentifier) {
    SetOutsideFlag(0);
    return;
  }
  SetOutsideFlag(body_->HitTestLocal(GetLocalXY()) ? 0 : 1);
}

// ---- Registration -------------------------------------------------------------------------------

void RegisterPointClasses() {
  RegisterClassInfo("TPoint", kPointTag, TPoint::kClassID, TPoint::CreateObject, sizeof(TPoint));
  RegisterClassInfo("TCOMPoint", kCOMPointTag, TCOMPoint::kClassID, TCOMPoint::CreateObject,
                    sizeof(TCOMPoint));
  RegisterClassInfo("TAnchor", kAnchorTag, TAnchor::kClassID, TAnchor::CreateObject,
                    sizeof(TAnchor));
}
