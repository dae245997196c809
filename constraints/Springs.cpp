// Springs and dampers: fields, the exponent and its effect on the rest value, properties and the
// units of the law's constants.

#include "constraints/Springs.h"

#include "simulation/DimensionCode.h"

TObject* TXCnstr::CreateObject() { return new TXCnstr; }
TObject* TLSpring::CreateObject() { return new TLSpring; }
TObject* TLDampSpring::CreateObject() { return new TLDampSpring; }
TObject* TRSpring::CreateObject() { return new TRSpring; }
TObject* TRDampSpring::CreateObject() { return new TRDampSpring; }
TObject* TLDamper::CreateObject() { return new TLDamper; }
TObject* TRDamper::CreateObject() { return new TRDamper; }

void TXCnstr::Initialize() {
  exponent_ = 1;
  TTwoPointConstraint::Initialize();
}

uint16_t TXCnstr::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagExponent) return TTwoPointConstraint::GetShortProperty(tag, value, extra);
  value = static_cast<uint16_t>(exponent_);
  return 1;
}

void TXCnstr::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagExponent) return TTwoPointConstraint::SetShortProperty(tag, value);
  SetExponent(static_cast<int16_t>(value));
  MarkChanged();
}

void TSpringBase::Initialize() {
  TXCnstr::Initialize();
  rest_ = TFormula::New();
  springDamping_ = TFormula::New();
  springDamping_->SetConstant(0.0);
}

// The rest value is reset when the law changes side: to or from a negative exponent, or from 0.
void TSpringBase::SetExponent(int16_t exponent) {
  const int16_t old = GetExponent();
  TXCnstr::SetExponent(exponent);
  if (exponent == 0) return;
  if (old == 0 || ((old > 0) != (exponent > 0))) ResetRestValue();
}

void TLSpring::ResetRestValue() {
  if (RestValue().IsFormula()) return;
  RestValue().SetConstant(GetExponent() > 0 ? PathLength() : 0.0);
  MarkChanged();
}

// Linear kinds: mass per time; rotational kinds: torque per angular velocity. Damping is linear
// in the velocity whatever the exponent of the spring.
uint32_t TSpringBase::DampingUnit() const {
  return IsRotational() ? DimensionQuotient(kUnitTorque, kUnitAngularVelocity) : kUnitMassPerTime;
}

TFormula* TSpringBase::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                          int32_t* dimension, uint16_t* flag) {
  if (tag == kTagRestValue) {
    if (dimension != nullptr) *dimension = static_cast<int32_t>(IsRotational() ? kUnitAngle : kUnitLength);
    if (flag != nullptr) *flag = GetExponent() > 0 ? 1 : 0;
    return rest_.get();
  }
  if (tag == kTagDamping) {
    if (dimension != nullptr) *dimension = static_cast<int32_t>(DampingUnit());
    if (flag != nullptr) *flag = 1;
    return &DampingProperty();
  }
  return TXCnstr::GetFormulaProperty(tag, first, second, dimension, flag);
}

void TSpringBase::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag == kTagRestValue) {
    if (GetExponent() <= 0) return;
    AssignLawPiece(*rest_, formula);
    return MarkChanged();
  }
  if (tag == kTagDamping) {
    AssignLawPiece(DampingProperty(), formula);
    return MarkChanged();
  }
  TXCnstr::SetFormulaProperty(tag, formula);
}

void TLDampSpring::Initialize() {
  TLSpring::Initialize();
  damper_ = TFormula::New();
}

void TRSpring::Initialize() {
  TSpringBase::Initialize();
  SetRotational(1);
}

void TRDamper::Initialize() {
  TDamperBase::Initialize();
  SetRotational(1);
}

int32_t TLSpring::QuantityUnit() const {
  const int16_t e = GetExponent();
  if (e == -1) return static_cast<int32_t>(kUnitTorque);
  return static_cast<int32_t>(DimensionProduct(kUnitForce, DimensionPower(kUnitLength, -e)));
}

int32_t TRSpring::QuantityUnit() const {
  const int16_t e = GetExponent();
  if (e == 0) return static_cast<int32_t>(kUnitTorque);
  return static_cast<int32_t>(
      DimensionProduct(kUnitEnergy, DimensionPower(kUnitAngle, -e)));
}

int32_t TLDamper::QuantityUnit() const {
  return static_cast<int32_t>(
      DimensionProduct(kUnitMassPerTime, DimensionPower(kUnitVelocity, 1 - GetExponent())));
}

int32_t TRDamper::QuantityUnit() const {
  const int16_t e = GetExponent();
  if (e == 0) return static_cast<int32_t>(kUnitTorque);
  return static_cast<int32_t>(
      DimensionProduct(kUnitEnergy, DimensionPower(kUnitAngularVelocity, -e)));
}
