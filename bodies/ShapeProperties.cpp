// The shapes' dimension properties by tag ("rctW", "rctH", "Radu", "shwO"), the numbered
// properties of property sheets, the blocks that hold them and the inputs bound to them.

#include <algorithm>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"

using namespace body_tags;

namespace {

constexpr int16_t kPropertyFirstDimension = 19;
constexpr int16_t kPropertySecondDimension = 20;
constexpr int16_t kPropertyRectangleRotation = 21;

constexpr int16_t kAttachHeight = 5226;
constexpr int16_t kAttachWidth = 5227;
constexpr int16_t kAttachRadius = 5228;

void FillField(TPositionField& field, TFormula* formula, int16_t label, int32_t unitKind) {
  field.formula = formula;
  field.value = formula->GetValue();
  field.label = TMass::BodyLabel(label);
  field.unitKind = unitKind;
  field.present = 1;
}

}  // namespace

// ---- TRectangle ------------------------------------------------------------------------------

TFormula* TRectangle::GetFormulaProperty(uint32_t tag, double* lowest, double* second,
                                         int32_t* dimension, uint16_t* flag) {
  if (tag != kTagWidth && tag != kTagHeight)
    return TBasicMass::GetFormulaProperty(tag, lowest, second, dimension, flag);
  if (dimension != nullptr) *dimension = kDimLength;
  if (flag != nullptr) *flag = 1;
  return tag == kTagWidth ? widthFormula_.get() : heightFormula_.get();
}

void TRectangle::ChangeDimension(uint32_t tag, const TFormula* source) {
  const double value = source != nullptr ? source->GetValue() : 0.0;
  if (source != nullptr)
    AssignQuantity(*source, tag == kTagWidth ? *widthFormula_ : *heightFormula_);
  SetRealProperty(tag, &value);
}

void TRectangle::SetFormulaProperty(uint32_t tag, const TFormula& source) {
  if (tag == kTagWidth || tag == kTagHeight) {
    ChangeDimension(tag, &source);
    return;
  }
  TBasicMass::SetFormulaProperty(tag, source);
}

void TRectangle::SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                                     int32_t second) {
  if (tag == kTagWidth || tag == kTagHeight) {
    ChangeDimension(tag, &formula);
    return;
  }
  TBasicMass::SetPositionProperty(tag, formula, first, second);
}

void TRectangle::ChangeProperty(uint32_t tagOrId, const TFormula* source,
                                TAssemblySolver* assembly) {
  if (tagOrId == kTagWidth || tagOrId == kTagHeight) {
    ChangeDimension(tagOrId, source);
    return;
  }
  TBasicMass::ChangeProperty(tagOrId, source, assembly);
}

uint16_t TRectangle::GetRealProperty(uint32_t tag, double& value, double& lowest,
                                     int32_t& dimension, uint16_t& editable) {
  if (tag != kTagWidth && tag != kTagHeight)
    return TBasicMass::GetRealProperty(tag, value, lowest, dimension, editable);
  const TVector size = GetSize();
  value = tag == kTagWidth ? size.x : size.y;
  lowest = 0.0;
  dimension = kDimLength;
  editable = 1;
  return 1;
}

void TRectangle::SetRealProperty(uint32_t tag, const double* value) {
  if ((tag != kTagWidth && tag != kTagHeight) || value == nullptr) {
    TBasicMass::SetRealProperty(tag, value);
    return;
  }
  TVector size = GetSize();
  // A square keeps its sides equal whichever is set.
  if (tag == kTagWidth || equalSides_ != 0) size.x = *value;
  if (tag == kTagHeight || equalSides_ != 0) size.y = *value;
  SetSize(size);
  ShapeChanged(1);
}

uint16_t TRectangle::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  double lowest = 0.0;
  int32_t dimension = 0;
  uint16_t editable = 0;
  if (tag == kTagWidth || tag == kTagHeight)
    return GetRealProperty(tag, value, lowest, dimension, editable);
  return TBasicMass::GetNumberProperty(tag, value, extra);
}

void TRectangle::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagWidth || tag == kTagHeight) {
    SetRealProperty(tag, &value);
    return;
  }
  TBasicMass::SetNumberProperty(tag, value);
}

uint16_t TRectangle::IsPositionProperty(uint32_t tag) {
  return tag == kTagWidth || tag == kTagHeight ? 1 : TBasicMass::IsPositionProperty(tag);
}

uint16_t TRectangle::GetPropertyById(int16_t id, TPositionField& field) {
  field.present = 0;
  switch (id) {
    case kPropertyFirstDimension:
      FillField(field, heightFormula_.get(), 3442, kDimLength);
      return 1;
    case kPropertySecondDimension:
      FillField(field, widthFormula_.get(), 3453, kDimLength);
      return 1;
    case kPropertyRectangleRotation:
      FillField(field, Rotation(), 3438, kDimAngle);
      return 1;
    default:
      return TBasicMass::GetPropertyById(id, field);
  }
}

uint32_t TRectangle::TagForPropertyId(int16_t id) {
  switch (id) {
    case kPropertyFirstDimension:
      return kTagHeight;
    case kPropertySecondDimension:
      return kTagWidth;
    case kPropertyRectangleRotation:
      return kTagPosRot;
    default:
      return TBasicMass::TagForPropertyId(id);
  }
}

void TRectangle::FormulaChanged(TFormula* formula) {
  if (formula != widthFormula_.get() && formula != heightFormula_.get()) {
    TBasicMass::FormulaChanged(formula);
    return;
  }
  if (formula == heightFormula_.get())
    size_.y = formula->GetValue();
  else
    size_.x = formula->GetValue();
  InvalidateShownTransform();
  ForEachLinked(1);
  ShapeChanged(1);
}

void TRectangle::ForEachFormula(FormulaCallback callback, void* context) {
  TBasicMass::ForEachFormula(callback, context);
  callback(heightFormula_.get(), context);
  callback(widthFormula_.get(), context);
}

void TRectangle::ForEachPositionFormula(FormulaCallback callback, void* context) {
  TBasicMass::ForEachPositionFormula(callback, context);
  callback(heightFormula_.get(), context);
  callback(widthFormula_.get(), context);
}

void TRectangle::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                      ObjectCallback objectCallback, void* blockContext,
                                      void* objectContext) {
  if (tag == kTagWidth || tag == kTagHeight) {
    ReportPositionBlocks(blockCallback, blockContext);
    objectCallback(objectContext);
    found = 1;
    return;
  }
  TBasicMass::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                   objectContext);
}

void TRectangle::ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) {
  TBasicMass::ReportPositionBlocks(blockCallback, blockContext);
  blockCallback(kBlockRectangleFormulas, blockContext);
}

void TRectangle::ReportSolverBlocks(BlockCallback callback, void* context) {
  callback(kBlockRectangleFormulas, context);
  TBasicMass::ReportSolverBlocks(callback, context);
}

void TRectangle::ReportGeometryBlocks(BlockCallback callback, void* context) {
  TBasicMass::ReportGeometryBlocks(callback, context);
  callback(kBlockRectangleFormulas, context);
}

uint16_t TRectangle::AttachInput(int16_t code, const Str255& first, const Str255& second,
                                 double& value, double& value2, double& low, double& high,
                                 double& low2, double& high2) {
  if (code != kAttachHeight && code != kAttachWidth)
    return TBasicMass::AttachInput(code, first, second, value, value2, low, high, low2, high2);
  TFormula& named = code == kAttachHeight ? *heightFormula_ : *widthFormula_;
  TFormula& other = code == kAttachHeight ? *widthFormula_ : *heightFormula_;
  BindInput(named, first, value, kDimLength);
  if (equalSides_ != 0) {
    double ignored = 0.0;
    BindInput(other, first, ignored, kDimLength);
  }
  value = named.GetValue();
  ToDisplay(kDimLength, value);
  low = GridStep();
  high = std::max(10.0 * low, WorldBounds().right);
  return 1;
}

// ---- TOval -----------------------------------------------------------------------------------

uint16_t TOval::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagRadiusLine) return TBasicMass::GetFlagProperty(tag, value, extra);
  value = showRadiusLine_ != 0 ? 1 : 0;
  return 1;
}

void TOval::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagRadiusLine) {
    TBasicMass::SetFlagProperty(tag, value);
    return;
  }
  showRadiusLine_ = value != 0 ? 1 : 0;
  Changed();
}

TFormula* TOval::GetFormulaProperty(uint32_t tag, double* lowest, double* second,
                                    int32_t* dimension, uint16_t* flag) {
  if (tag != kTagRadius)
    return TBasicMass::GetFormulaProperty(tag, lowest, second, dimension, flag);
  if (dimension != nullptr) *dimension = kDimLength;
  if (flag != nullptr) *flag = 1;
  return radiusFormula_.get();
}

void TOval::ChangeRadius(const TFormula* source) {
  const double value = source != nullptr ? source->GetValue() : 0.0;
  if (source != nullptr) AssignQuantity(*source, *radiusFormula_);
  SetRealProperty(kTagRadius, &value);
}

void TOval::SetFormulaProperty(uint32_t tag, const TFormula& source) {
  if (tag == kTagRadius) {
    ChangeRadius(&source);
    return;
  }
  TBasicMass::SetFormulaProperty(tag, source);
}

void TOval::SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                                int32_t second) {
  if (tag == kTagRadius) {
    ChangeRadius(&formula);
    return;
  }
  TBasicMass::SetPositionProperty(tag, formula, first, second);
}

void TOval::ChangeProperty(uint32_t tagOrId, const TFormula* source, TAssemblySolver* assembly) {
  if (tagOrId == kTagRadius) {
    ChangeRadius(source);
    return;
  }
  TBasicMass::ChangeProperty(tagOrId, source, assembly);
}

uint16_t TOval::GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                                uint16_t& editable) {
  if (tag != kTagRadius)
    return TBasicMass::GetRealProperty(tag, value, lowest, dimension, editable);
  value = LocalBounds().right;
  lowest = 0.0;
  dimension = kDimLength;
  editable = 1;
  return 1;
}

void TOval::SetRealProperty(uint32_t tag, const double* value) {
  if (tag != kTagRadius || value == nullptr) {
    TBasicMass::SetRealProperty(tag, value);
    return;
  }
  SetSize(TVector(2.0 * *value, 2.0 * *value));
  ShapeChanged(1);
}

uint16_t TOval::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  double lowest = 0.0;
  int32_t dimension = 0;
  uint16_t editable = 0;
  if (tag == kTagRadius) return GetRealProperty(tag, value, lowest, dimension, editable);
  return TBasicMass::GetNumberProperty(tag, value, extra);
}

void TOval::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagRadius) {
    SetRealProperty(tag, &value);
    return;
  }
  TBasicMass::SetNumberProperty(tag, value);
}

uint16_t TOval::IsPositionProperty(uint32_t tag) {
  return tag == kTagRadius ? 1 : TBasicMass::IsPositionProperty(tag);
}

uint16_t TOval::GetPropertyById(int16_t id, TPositionField& field) {
  field.present = 0;
  switch (id) {
    case kPropertyFirstDimension:
      FillField(field, radiusFormula_.get(), 3450, kDimLength);
      return 1;
    case kPropertySecondDimension:
      FillField(field, Rotation(), 3449, kDimAngle);
      return 1;
    default:
      return TBasicMass::GetPropertyById(id, field);
  }
}

uint32_t TOval::TagForPropertyId(int16_t id) {
  switch (id) {
    case kPropertyFirstDimension:
      return kTagRadius;
    case kPropertySecondDimension:
      return kTagPosRot;
    default:
      return TBasicMass::TagForPropertyId(id);
  }
}

void TOval::FormulaChanged(TFormula* formula) {
  if (formula != radiusFormula_.get()) {
    TBasicMass::FormulaChanged(formula);
    return;
  }
  const double diameter = 2.0 * formula->GetValue();
  size_ = TVector(diameter, diameter);
  InvalidateShownTransform();
  ForEachLinked(1);
  ShapeChanged(1);
}

void TOval::ForEachFormula(FormulaCallback callback, void* context) {
  TBasicMass::ForEachFormula(callback, context);
  callback(radiusFormula_.get(), context);
}

void TOval::ForEachPositionFormula(FormulaCallback callback, void* context) {
  TBasicMass::ForEachPositionFormula(callback, context);
  callback(radiusFormula_.get(), context);
}

void TOval::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                 ObjectCallback objectCallback, void* blockContext,
                                 void* objectContext) {
  if (tag == kTagRadius) {
    ReportPositionBlocks(blockCallback, blockContext);
    objectCallback(objectContext);
    found = 1;
    return;
  }
  TBasicMass::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                   objectContext);
}

void TOval::ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) {
  TBasicMass::ReportPositionBlocks(blockCallback, blockContext);
  blockCallback(kBlockRadiusFormula, blockContext);
}

void TOval::ReportSolverBlocks(BlockCallback callback, void* context) {
  callback(kBlockRadiusFormula, context);
  TBasicMass::ReportSolverBlocks(callback, context);
}

void TOval::ReportGeometryBlocks(BlockCallback callback, void* context) {
  TBasicMass::ReportGeometryBlocks(callback, context);
  callback(kBlockRadiusFormula, context);
}

uint16_t TOval::AttachInput(int16_t code, const Str255& first, const Str255& second, double& value,
                            double& value2, double& low, double& high, double& low2,
                            double& high2) {
  if (code != kAttachRadius)
    return TBasicMass::AttachInput(code, first, second, value, value2, low, high, low2, high2);
  BindInput(*radiusFormula_, first, value, kDimLength);
  value = radiusFormula_->GetValue();
  ToDisplay(kDimLength, value);
  low = GridStep();
  high = std::max(10.0 * low, 0.5 * WorldBounds().right);
  return 1;
}
