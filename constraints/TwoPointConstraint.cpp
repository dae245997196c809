// The two-point base: one quantity (property "a___") filed in the kind's own block, and the
// correction that brings it in line with the distance of the two ends after a document was read.

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>

#include "constraints/Constraint.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// Formula texts are counted strings.
constexpr size_t kFormulaTextLimit = 255;
constexpr double kRelativeTolerance = 0.0001;

bool NearlyEqual(double value, double current) {
  if (value == current) return true;
  const double d = current - value;
  const double t = std::fabs(current * kRelativeTolerance);
  return -t < d && d <= t;
}

}  // namespace

void TTwoPointConstraint::Initialize() {
  TConstraint::Initialize();
  quantity_ = TFormula::New();
  quantityRead_ = 0;
}

void TTwoPointConstraint::AdjustQuantityToGeometry() {
  if (quantityRead_ == 0) return;
  quantityRead_ = 0;
  if (!HasQuantity() || AttachedCount() != 2) return;
  const double current = MeasuredQuantity();
  const double difference = current - quantity_->GetValue();
  if (NearlyEqual(quantity_->GetValue(), current)) return;
  if (KeepsQuantity(difference)) return;
  if (!quantity_->IsFormula()) {
    quantity_->SetConstant(current);
    MarkChanged();
    return;
  }
  Str255 old;
  quantity_->GetText(old);
  // The text computes in its own units: the difference is added in them.
  const TFormulaUnits* units = quantity_->GetUnits();
  const double factor = units != nullptr && units->factor > 0.0 ? units->factor : 1.0;
  char number[64];
  std::snprintf(number, sizeof number, "%+.10g", difference / factor);
  std::string text("(");
  text.append(old.Chars(), static_cast<size_t>(old.Length())).append(")").append(number);
  // A text past the formula limit would be cut: the quantity is better left as it stands.
  if (text.size() > kFormulaTextLimit) return;
  quantity_->SetFromPieces(Str255(text.c_str()));
  MarkChanged();
}

TFormula* TTwoPointConstraint::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                                  int32_t* dimension, uint16_t* flag) {
  if (tag != kTagQuantity) return TConstraint::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = QuantityUnit();
  return quantity_.get();
}

void TTwoPointConstraint::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag != kTagQuantity) return TConstraint::SetFormulaProperty(tag, formula);
  quantity_->Assign(formula);
  MarkChanged();
}

void TTwoPointConstraint::WriteKindBlock(TObjectWriter& writer) {
  WriteLockPart(writer);
  writer.WriteFormula(quantity_.get());
}

void TTwoPointConstraint::ReadKindBlock(TObjectReader& reader) {
  ReadLockPart(reader);
  reader.ReadFormula(*quantity_);
  MarkChanged();
  quantityRead_ = 1;
}

void TTwoPointConstraint::EndReading(TObjectReader& reader) {
  TConstraint::EndReading(reader);
  AdjustQuantityToGeometry();
}
