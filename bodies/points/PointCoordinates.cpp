// TPoint coordinates: local values, world positions through the body, the point's own frame and
// its inverse, and the cached screen position.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "model/world/WorldDoc.h"

// ---- Local coordinates --------------------------------------------------------------------------

TVector3 TPoint::GetLocalPosition() const {
  return {x_->GetValue(), y_->GetValue(), rotation_->GetValue()};
}

TVector TPoint::GetLocalXY() const {
  return {x_->GetValue(), y_->GetValue()};
}

void TPoint::SetLocalPosition(const TVector3& position) {
  if (hold_ != 0) return;
  x_->StoreConstant(position.x);
  y_->StoreConstant(position.y);
  rotation_->StoreConstant(position.r);
  PositionChanged();
}

void TPoint::SetLocalPositionChecked(const TVector3& position) {
  const TVector3 current = GetLocalPosition();
  if (current.x == position.x && current.y == position.y && current.r == position.r) return;
  SetLocalPosition(position);
  if (!x_->IsFormula() && !y_->IsFormula()) return;
  if (body_ == nullptr || body_->GetIdentifier() == kBackgroundIdentifier) return;
  SetOutsideFlag(body_->HitTestLocal(TVector(position.x, position.y)) ? 0 : 1);
}

void TPoint::SetRotation(double angle) {
  if (hold_ != 0) return;
  rotation_->StoreConstant(angle);
  InvalidateCache();
}

void TPoint::FreezeFormulas() {
  for (TFormula* formula : {x_.get(), y_.get(), rotation_.get()}) {
    if (!formula->IsFormula()) continue;
    formula->SetConstant(formula->GetValue());
    FormulaChanged(formula);
  }
}

bool TPoint::HasAnyFormula() const {
  return x_->IsFormula() || y_->IsFormula() || rotation_->IsFormula();
}

void TPoint::GetPlacementRelativeTo(TThing* other, TVector3& out) {
  if (other != nullptr && other == body_) {
    out = GetLocalPosition();
    return;
  }
  TVectorPointBase::GetPlacementRelativeTo(other, out);
}

void TPoint::GetPositionRelativeTo(TThing* other, TVector& out) {
  if (other != nullptr && other == body_) {
    out = GetLocalXY();
    return;
  }
  TVectorPointBase::GetPositionRelativeTo(other, out);
}

// ---- World coordinates --------------------------------------------------------------------------

TVector3 TPoint::GetWorldPosition() {
  TVector3 position = GetLocalPosition();
  LocalToWorld3(position);
  return position;
}

TVector TPoint::GetWorldXY() {
  TVector position = GetLocalXY();
  LocalToWorld(position);
  return position;
}

double TPoint::GetWorldRotation() {
  const double rotation = rotation_->GetValue();
  return body_ != nullptr ? rotation + body_->GetRotationValue() : rotation;
}

void TPoint::LocalToWorld3(TVector3& p) {
  if (body_ != nullptr) body_->LocalToWorld3(p);
}

void TPoint::LocalToWorld(TVector& p) {
  if (body_ != nullptr) body_->LocalToWorld(p);
}

void TPoint::WorldToLocal3(TVector3& p) {
  if (body_ != nullptr) body_->WorldToLocal3(p);
}

void TPoint::WorldToLocal(TVector& p) {
  if (body_ != nullptr) body_->WorldToLocal(p);
}

void TPoint::SetWorldPosition(const TVector3& position) {
  TVector3 local = position;
  WorldToLocal3(local);
  SetLocalPosition(local);
}

void TPoint::MoveBy(const TVector& delta) {
  TVector3 position = GetWorldPosition();
  position.x += delta.x;
  position.y += delta.y;
  SetWorldPosition(position);
}

void TPoint::MoveToWorldPosition(const TVector3& position) {
  if (TWorldDoc* world = GetWorld()) {
    PlacePointInWorld(*world, *this, position, 0);
    return;
  }
  SetWorldPosition(position);
}

void TPoint::GetLocalToWorldTransform(Transform2D& t) {
  const Transform2D own = Transform2D::FromVector3(x_->GetValue(), y_->GetValue(),
                                                   rotation_->GetValue());
  t = body_ != nullptr ? Transform2D::Compose(body_->GetShownTransform(), own) : own;
}

void TPoint::GetWorldToLocalTransform(Transform2D& t) {
  // The true inverse of the point's frame: negating x, y and the angle alone would leave the
  // translation unrotated whenever the point is turned on its body.
  Transform2D forward;
  GetLocalToWorldTransform(forward);
  t = forward.Inverse();
}

Transform2D TPoint::GetScreenInverse() {
  return body_ != nullptr ? body_->GetScreenInverse() : gIdentityTransform;
}

Transform2D TPoint::GetScreenTransform() {
  return body_ != nullptr ? body_->GetScreenTransform() : gIdentityTransform;
}

TVector3 TPoint::GetBodyVelocity() {
  TFormula* vx = nullptr;
  TFormula* vy = nullptr;
  TFormula* vr = nullptr;
  GetVelocityFormulas(vx, vy, vr);
  const auto value = [](const TFormula* f) { return f != nullptr ? f->GetValue() : 0.0; };
  return {value(vx), value(vy), value(vr)};
}

// ---- Screen cache ---------------------------------------------------------------------------------

void TPoint::UpdateCache() {
  if (body_ == nullptr) return;
  // The body does not tell its points when its view or position changes: a cache computed with
  // another screen transform is stale too.
  const Transform2D screen = body_->GetScreenTransform();
  if (cacheValid_ != 0 && screen == cachedScreen_) return;
  cachedScreen_ = screen;
  screenPosition_ = Transform2D::ApplyToVector(screen, GetLocalXY());
  screenPoint_ = screenPosition_.ToPoint();
  cacheValid_ = 1;
}

MacPoint TPoint::GetScreenPoint() {
  UpdateCache();
  return screenPoint_;
}

TVector TPoint::GetCachedScreenPosition() {
  UpdateCache();
  return screenPosition_;
}

void TPoint::InvalidateCache() {
  cacheValid_ = 0;
}

void TPoint::PositionChanged() {
  InvalidateCache();
  ForEachConstraint([this](TPointConstraintHooks& hooks, TLink*) { hooks.PointMoved(*this); });
}

void TPoint::FormulaChanged(TFormula* formula) {
  if (formula != x_.get() && formula != y_.get() && formula != rotation_.get()) return;
  PositionChanged();
  ForEachLinked(1);
}
