// TMass: properties by tag through the typed property pairs, the set rules that keep mass,
// moment, centre of mass and display in step, and the property change of commands.

#include <algorithm>
#include <cmath>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/assembly/AssemblyEntry.h"
#include "core/Failure.h"
#include "model/world/WorldDoc.h"

using namespace body_tags;

namespace {

// Below this size a centre-of-mass component reads as exactly 0.
constexpr double kTinyCOM = 1e-18;

}  // namespace

// ---- Flags and choices -----------------------------------------------------------------------

uint16_t TMass::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagTrackOutline) {
    value = trackOutline_;
  } else if (tag == kTagShowCentre) {
    value = showCentreMark_;
  } else if (tag == kTagShowCharge) {
    value = showChargeMark_;
  } else {
    return TVectorMassBase::GetFlagProperty(tag, value, extra);
  }
  return 1;
}

void TMass::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagTrackOutline) {
    trackOutline_ = value;
    // A tracked body needs the world's tracking on.
    if (value != 0) {
      if (TWorldDoc* world = GetWorld(); world != nullptr && world->GetTrackingWord() == 0)
        world->SetTrackingWord(4);
    }
  } else if (tag == kTagShowCentre) {
    showCentreMark_ = value;
  } else if (tag == kTagShowCharge) {
    showChargeMark_ = value;
  } else {
    TVectorMassBase::SetFlagProperty(tag, value);
    return;
  }
  Changed();
}

uint16_t TMass::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagCOMAutomatic) {
    value = static_cast<int16_t>(comAutomatic_);
  } else if (tag == kTagCOMByUser) {
    value = comAutomatic_ == 0 ? 1 : 0;
  } else {
    return TVectorMassBase::GetChoiceProperty(tag, value, extra);
  }
  return 1;
}

void TMass::SelectChoice(uint32_t tag) {
  if (tag == kTagCOMAutomatic) {
    comAutomatic_ = 1;
    comOffsetNonZero_ = 0;
    comX_->SetConstant(0.0);
    comY_->SetConstant(0.0);
    comCacheValid_ = 0;
    InvalidateShownTransform();
    ForEachLinked(1);
  } else if (tag == kTagCOMByUser) {
    comAutomatic_ = 0;
    ForEachLinked(0);
  } else {
    TVectorMassBase::SelectChoice(tag);
  }
}

// ---- Formula-valued quantities ---------------------------------------------------------------

TFormula* TMass::GetFormulaProperty(uint32_t tag, double* lowest, double* second,
                                    int32_t* dimension, uint16_t* flag) {
  struct Entry {
    uint32_t tag;
    int32_t dimension;
    bool nonNegative;
  };
  static constexpr Entry kEntries[] = {{kTagMass, kDimMass, true},
                                       {kTagMoment, kDimMoment, true},
                                       {kTagElasticity, 0, true},
                                       {kTagStaticFriction, 0, true},
                                       {kTagKineticFriction, 0, true},
                                       {kTagFriction, 0, true},
                                       {kTagCharge, kDimCharge, false},
                                       {kTagPosX, kDimLength, false},
                                       {kTagPosY, kDimLength, false},
                                       {kTagPosRot, kDimAngle, false},
                                       {kTagVelX, kDimVelocity, false},
                                       {kTagVelY, kDimVelocity, false},
                                       {kTagVelRot, kDimAngularVelocity, false},
                                       {kTagCOMX, kDimLength, false},
                                       {kTagCOMY, kDimLength, false}};
  for (const Entry& entry : kEntries) {
    if (entry.tag != tag) continue;
    TFormula* formula = nullptr;
    switch (tag) {
      case kTagMass:
        formula = GetMassFormula();
        break;
      case kTagMoment:
        formula = GetMomentFormula();
        break;
      case kTagElasticity:
        formula = elasticity_.get();
        break;
      case kTagStaticFriction:
        formula = staticFriction_.get();
        break;
      case kTagKineticFriction:
      case kTagFriction:
        formula = kineticFriction_.get();
        break;
      case kTagCharge:
        formula = charge_.get();
        break;
      case kTagPosX:
        formula = posX_.get();
        break;
      case kTagPosY:
        formula = posY_.get();
        break;
      case kTagPosRot:
        formula = posRot_.get();
        break;
      case kTagVelX:
        formula = velX_.get();
        break;
      case kTagVelY:
        formula = velY_.get();
        break;
      case kTagVelRot:
        formula = velRot_.get();
        break;
      case kTagCOMX:
        formula = comX_.get();
        break;
      default:
        formula = comY_.get();
        break;
    }
    if (dimension != nullptr) *dimension = entry.dimension;
    if (entry.nonNegative && lowest != nullptr) *lowest = 0.0;
    return formula;
  }
  return TVectorMassBase::GetFormulaProperty(tag, lowest, second, dimension, flag);
}

void TMass::AssignQuantity(const TFormula& source, TFormula& target) {
  AssignFormula(source, target);
}

void TMass::SetFormulaProperty(uint32_t tag, const TFormula& source) {
  switch (tag) {
    case kTagPosX:
      AssignQuantity(source, *posX_);
      return;
    case kTagPosY:
      AssignQuantity(source, *posY_);
      return;
    case kTagPosRot:
      AssignQuantity(source, *posRot_);
      return;
    case kTagVelX:
      AssignQuantity(source, *velX_);
      return;
    case kTagVelY:
      AssignQuantity(source, *velY_);
      return;
    case kTagVelRot:
      AssignQuantity(source, *velRot_);
      return;
    case kTagMass:
      SetMassFormula(&source);
      ClearMaterial();
      densityValid_ = 0;
      momentValid_ = 0;
      FormulaChanged(mass_.get());
      return;
    case kTagMoment:
      SetMomentFormula(source);
      momentGiven_ = 1;
      momentMode_ = kMomentGiven;
      FormulaChanged(moment_.get());
      return;
    case kTagElasticity:
    case kTagStaticFriction:
    case kTagKineticFriction:
    case kTagCharge: {
      TFormula* target = tag == kTagElasticity        ? elasticity_.get()
                         : tag == kTagStaticFriction  ? staticFriction_.get()
                         : tag == kTagKineticFriction ? kineticFriction_.get()
                                                      : charge_.get();
      AssignQuantity(source, *target);
      ClearMaterial();
      return;
    }
    case kTagFriction:
      AssignQuantity(source, *staticFriction_);
      AssignQuantity(source, *kineticFriction_);
      ClearMaterial();
      return;
    case kTagCOMX:
    case kTagCOMY:
      AssignQuantity(source, tag == kTagCOMX ? *comX_ : *comY_);
      if (source.GetValue() != 0.0) SetMomentMode(kMomentGiven);
      return;
    default:
      TVectorMassBase::SetFormulaProperty(tag, source);
  }
}

void TMass::SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                                int32_t second) {
  if (tag == kTagPosX || tag == kTagPosY || tag == kTagPosRot) {
    SetFormulaProperty(tag, formula);
    return;
  }
  TVectorMassBase::SetPositionProperty(tag, formula, first, second);
}

uint16_t TMass::IsPositionProperty(uint32_t tag) {
  if (tag == kTagPosX || tag == kTagPosY || tag == kTagPosRot || tag == kTagCOMX || tag == kTagCOMY)
    return 1;
  return TVectorMassBase::IsPositionProperty(tag);
}

uint16_t TMass::GetPropertyById(int16_t id, TPositionField& field) {
  field.present = 0;
  if (id != kPropertyX && id != kPropertyY) return 0;
  field.formula = id == kPropertyX ? posX_.get() : posY_.get();
  field.value = field.formula->GetValue();
  field.label = BodyLabel(id == kPropertyX ? 3443 : 3444);
  field.unitKind = kDimLength;
  field.present = 1;
  return 1;
}

uint32_t TMass::TagForPropertyId(int16_t id) {
  if (id == kPropertyX) return kTagPosX;
  if (id == kPropertyY) return kTagPosY;
  return 0;
}

void TMass::ForEachFormula(FormulaCallback callback, void* context) {
  for (TFormula* formula : {anchorFormula1_.get(), anchorFormula2_.get(), posX_.get(), posY_.get(),
                            posRot_.get(), velX_.get(), velY_.get(), velRot_.get(), mass_.get(),
                            moment_.get(), comX_.get(), comY_.get(), staticFriction_.get(),
                            kineticFriction_.get(), elasticity_.get(), charge_.get()})
    callback(formula, context);
}

void TMass::ForEachPositionFormula(FormulaCallback callback, void* context) {
  for (TFormula* formula : {posX_.get(), posY_.get(), posRot_.get()})
    callback(formula, context);
}

void TMass::GetPositionFormulas(TFormula* out[3]) const {
  out[0] = posX_.get();
  out[1] = posY_.get();
  out[2] = posRot_.get();
}

void TMass::FormulaChanged(TFormula* formula) {
  if (formula == nullptr) {
    ForEachLinked(1);
    return;
  }
  if (formula == posX_.get() || formula == posY_.get() || formula == posRot_.get()) {
    InvalidateShownTransform();
    InvalidateScreenCache();
    ForEachLinked(1);
    return;
  }
  if (formula == comX_.get() || formula == comY_.get()) {
    COMChanged();
    return;
  }
  if (formula == charge_.get()) UpdateChargeSign();
  if (formula == moment_.get() || formula == mass_.get()) GetMomentMode();
  ForEachLinked(1);
}

void TMass::ChangeProperty(uint32_t tagOrId, const TFormula* source, TAssemblySolver* assembly) {
  const bool isX = tagOrId == kTagPosX || tagOrId == static_cast<uint32_t>(kPropertyX);
  const bool isY = tagOrId == kTagPosY || tagOrId == static_cast<uint32_t>(kPropertyY);
  if (isX || isY || tagOrId == kTagPosRot) {
    if (source == nullptr) return;
    const Transform2D shown = GetShownTransform();
    const TVector3 position = GetPositionValues();
    const double value = source->GetValue();
    TFormula& target = isX ? *posX_ : isY ? *posY_ : *posRot_;
    AssignQuantity(*source, target);
    if (target.IsFormula() || assembly == nullptr) return;
    const Frame2D frame(position.x, position.y, position.r, shown.cosine, shown.sine);
    if (isX)
      FailIfError(AssemblyXLock(assembly, this, frame, value));
    else if (isY)
      FailIfError(AssemblyYLock(assembly, this, frame, value));
    else
      FailIfError(AssemblyAngleLock(assembly, this, frame, value));
    return;
  }
  if (tagOrId == kTagTwx) return;
  if (tagOrId == kTagCOMX || tagOrId == kTagCOMY) {
    const double value = source != nullptr ? source->GetValue() : 0.0;
    SetRealProperty(tagOrId, &value);
    return;
  }
  if (source != nullptr) SetFormulaProperty(tagOrId, *source);
}

// ---- Real numbers, short integers and colours ------------------------------------------------

uint16_t TMass::GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                                uint16_t& editable) {
  if (tag == kTagArea) {
    value = GetArea();
    dimension = kDimArea;
    return 1;
  }
  if (tag == kTagDensity) {
    value = GetDensity();
    lowest = 0.0;
    dimension = kDimDensity;
    editable = mass_->IsFormula() ? 0 : 1;
    return 1;
  }
  if (tag == kTagCOMX || tag == kTagCOMY) {
    const TVector com = GetCOMVector();
    value = tag == kTagCOMX ? com.x : com.y;
    if (std::fabs(value) <= kTinyCOM) value = 0.0;
    dimension = kDimLength;
    editable = comAutomatic_ == 0 ? 1 : 0;
    return 1;
  }
  return 0;
}

void TMass::SetRealProperty(uint32_t tag, const double* value) {
  if (tag == kTagDensity && value != nullptr) {
    SetDensityGiven(*value);
    return;
  }
  if ((tag != kTagCOMX && tag != kTagCOMY) || value == nullptr) return;
  TVector com = GetCOMVector();
  (tag == kTagCOMX ? com.x : com.y) = *value;
  SetCOMConstants(com);
  if (*value != 0.0) SetMomentMode(kMomentGiven);
  comAutomatic_ = 0;
  COMChanged();
}

void TMass::SetDensityGiven(double density) {
  // A mass written as a formula decides the density, which is then shown but not editable.
  if (mass_->IsFormula() || !(density >= 0.0)) return;
  material_ = 0;
  massGiven_ = 0;
  SetDensity(density);
  SetMass(GetArea() * GetDensity());
  momentValid_ = 0;
  FormulaChanged(mass_.get());
}

uint16_t TMass::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  double lowest = 0.0;
  int32_t dimension = 0;
  uint16_t editable = 0;
  if (GetRealProperty(tag, value, lowest, dimension, editable) != 0) return 1;
  return TVectorMassBase::GetNumberProperty(tag, value, extra);
}

void TMass::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagCOMX || tag == kTagCOMY || tag == kTagDensity) {
    SetRealProperty(tag, &value);
    return;
  }
  TVectorMassBase::SetNumberProperty(tag, value);
}

uint16_t TMass::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagPenSize) {
    value = static_cast<uint16_t>(penSize_);
  } else if (tag == kTagMaterial) {
    value = static_cast<uint16_t>(CheckMaterial());
  } else if (tag == kTagMomentMode) {
    value = static_cast<uint16_t>(GetMomentMode());
  } else if (tag == kTagFillPattern) {
    value = filled_ != 0 ? static_cast<uint16_t>(GetPatternIndex()) : 0;
  } else {
    return TVectorMassBase::GetShortProperty(tag, value, extra);
  }
  return 1;
}

void TMass::SetShortProperty(uint32_t tag, uint16_t value) {
  const auto number = static_cast<int16_t>(value);
  if (tag == kTagPenSize) {
    penSize_ = number;
    Changed();
  } else if (tag == kTagFillPattern) {
    if (number == 0) {
      filled_ = 0;
    } else {
      SetPatternIndex(number);
      filled_ = 1;
    }
    Changed();
  } else if (tag == kTagMaterial) {
    material_ = number;
    ApplyMaterial(number);
    ForEachLinked(1);
  } else if (tag == kTagMomentMode) {
    SetMomentMode(number);
    ForEachLinked(1);
  } else {
    TVectorMassBase::SetShortProperty(tag, value);
  }
}

namespace {
bool IsShortChoiceTag(uint32_t tag) {
  return tag == kTagPenSize || tag == kTagFillPattern || tag == kTagMaterial ||
         tag == kTagMomentMode;
}
}  // namespace

uint16_t TMass::GetLongProperty(uint32_t tag, uint32_t& value, void* extra) {
  if (!IsShortChoiceTag(tag)) return TVectorMassBase::GetLongProperty(tag, value, extra);
  uint16_t shortValue = 0;
  GetShortProperty(tag, shortValue, extra);
  value = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(shortValue)));
  return 1;
}

void TMass::SetLongProperty(uint32_t tag, uint32_t value) {
  if (!IsShortChoiceTag(tag)) {
    TVectorMassBase::SetLongProperty(tag, value);
    return;
  }
  SetShortProperty(tag, static_cast<uint16_t>(value));
}

int16_t TMass::GetPatternIndex() const {
  const int16_t* table = PatternTable();
  if (table == nullptr || fillPattern_ == nullptr) return 1;
  return static_cast<int16_t>(fillPattern_ - table + 1);
}

void TMass::SetPatternIndex(int16_t index) {
  // The pointer must stay inside the table whatever number a caller or a file gives.
  const int16_t* table = PatternTable();
  if (table == nullptr) return;
  fillPattern_ = table + (std::clamp<int16_t>(index, 1, kBodyPatternCount) - 1);
}

uint16_t TMass::GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) {
  if (tag != kTagFillColour) return TVectorMassBase::GetColourProperty(tag, value, extra);
  value = colour_;
  return 1;
}

void TMass::SetColourProperty(uint32_t tag, const RGB16Color& value) {
  if (tag != kTagFillColour) {
    TVectorMassBase::SetColourProperty(tag, value);
    return;
  }
  colour_ = value;
  Changed();
}

// ---- Centre of mass --------------------------------------------------------------------------

void TMass::UpdateCentroid() {
  if (centroidValid_ == 0) centroidValid_ = 1;
}

void TMass::COMChanged() {
  comOffsetNonZero_ = comX_->GetValue() == 0.0 && comY_->GetValue() == 0.0 ? 0 : 1;
  InvalidateShownTransform();
  comCacheValid_ = 0;
  ForEachLinked(1);
}

void TMass::SetCOMConstants(const TVector& offset) {
  comX_->SetConstant(offset.x);
  comY_->SetConstant(offset.y);
}

void TMass::GetCOMFormulas(TFormula*& x, TFormula*& y) {
  UpdateCentroid();
  x = comX_.get();
  y = comY_.get();
}

TVector TMass::GetCOMVector() {
  UpdateCentroid();
  return {comX_->GetValue(), comY_->GetValue()};
}
