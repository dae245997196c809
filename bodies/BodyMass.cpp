// TMass: the lazily computed mass properties and the body's velocity formulas.

#include <algorithm>

#include "bodies/Body.h"

// ---- 4. Mass properties ----------------------------------------------------------------------

void TMass::ComputeExtent() {
  const TDoubleRect& b = localBounds_;
  const double extent = std::max({-b.bottom, b.top, -b.left, b.right});
  extentSquared_ = extent * extent;
}

void TMass::ComputeDensity() {
  double density = density_;
  if (massGiven_ != 0 && !mass_->IsFormula()) {
    const double area = GetArea();
    if (area != 0.0) density = GetMass() / area;
  }
  SetDensity(density);
}

void TMass::ComputeMass() {
  if (mass_->IsFormula()) massGiven_ = 1;
  // Valid before computing, so that the getters below do not come back here.
  massValid_ = 1;
  if (massGiven_ != 0) return;
  const double area = GetArea();
  SetMass(area * GetDensity());
}

void TMass::ComputeMoment() {
  if (moment_->IsFormula()) momentGiven_ = 1;
  if (mass_->IsFormula()) {
    momentMode_ = kMomentGiven;
    return;
  }
  if (momentGiven_ == 0) {
    switch (momentMode_) {
      case 2:
        moment_->SetConstant(MomentForMode2());
        break;
      case 3:
        moment_->SetConstant(MomentForMode3());
        break;
      case 4:
        moment_->SetConstant(MomentForMode4());
        break;
      default:
        momentGiven_ = 1;
        break;
    }
  }
  if (momentGiven_ != 0) momentMode_ = kMomentGiven;
  momentValid_ = 1;
}

double TMass::GetArea() {
  if (areaValid_ == 0) ComputeArea();
  return area_;
}

double TMass::GetDensity() {
  if (densityValid_ == 0) ComputeDensity();
  return density_;
}

TFormula* TMass::GetMassFormula() {
  if (massValid_ == 0) ComputeMass();
  return mass_.get();
}

double TMass::GetMass() {
  return GetMassFormula()->GetValue();
}

TFormula* TMass::GetMomentFormula() {
  if (momentValid_ == 0) ComputeMoment();
  return moment_.get();
}

double TMass::GetMoment() {
  return GetMomentFormula()->GetValue();
}

void TMass::SetArea(double area) {
  area_ = area;
  areaValid_ = 1;
}

void TMass::SetDensity(double density) {
  density_ = density;
  densityValid_ = 1;
}

void TMass::SetMassFormula(const TFormula* source) {
  massValid_ = 1;
  if (source == nullptr || source == mass_.get()) {
    Changed();
    return;
  }
  const bool heldText = mass_->IsFormula();
  mass_->Assign(*source);
  Changed();
  if (heldText) ForEachLinked(1);
}

void TMass::SetMassText(const Str255& text) {
  mass_->SetFromPieces(text);
  massValid_ = 1;
}

void TMass::SetMass(double mass) {
  mass_->SetConstant(mass);
  massValid_ = 1;
}

void TMass::SetMomentFormula(const TFormula& source) {
  moment_->Assign(source);
  momentValid_ = 1;
}

void TMass::SetMomentText(const Str255& text) {
  moment_->SetFromPieces(text);
  momentValid_ = 1;
}

void TMass::SetMoment(double moment) {
  moment_->SetConstant(moment);
  momentValid_ = 1;
}

void TMass::InvalidateMassProperties() {
  areaValid_ = 0;
  momentValid_ = 0;
  if (massGiven_ != 0)
    densityValid_ = 0;
  else
    massValid_ = 0;
}

// ---- 5. Vector formulas ----------------------------------------------------------------------

void TMass::GetVelocityFormulas(TFormula*& x, TFormula*& y, TFormula*& rotation) {
  x = velX_.get();
  y = velY_.get();
  rotation = velRot_.get();
}

void TMass::SetInitialVelocity(const TVector& velocity) {
  if (!velX_ || !velY_) return;
  velX_->SetConstant(velocity.x);
  velY_->SetConstant(velocity.y);
  Changed();
}
