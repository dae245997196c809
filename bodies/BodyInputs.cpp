// TMass: properties driven by input controls. Attaching binds the property's formula to the
// input's formula template and reports the current value and a default range in display units.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "model/world/WorldDoc.h"
#include "simulation/UnitHandler.h"

using namespace body_tags;

namespace {

enum AttachCode : int16_t {
  kAttachX = 5201,
  kAttachY = 5202,
  kAttachRotation = 5203,
  kAttachVelocity = 5204,
  kAttachSpeedDirection = 5205,
  kAttachVelocityX = 5206,
  kAttachVelocityY = 5207,
  kAttachAngularVelocity = 5210,
  kAttachMass = 5211,
  kAttachMoment = 5212,
  kAttachStaticFriction = 5213,
  kAttachKineticFriction = 5214,
  kAttachElasticity = 5215,
  kAttachCharge = 5216,
  kAttachFriction = 5217,
};

// The smallest default range of a position, and of a velocity.
constexpr double kPositionRange = 6.0;
constexpr double kVelocityRange = 10.0;

TWorldUnitHandler* UnitsOf(const TWorldDoc* world) {
  return world != nullptr ? dynamic_cast<TWorldUnitHandler*>(world->GetUnitHandler()) : nullptr;
}

}  // namespace

namespace {

// The formula reads the template; until the run evaluates it, it keeps the value it had, so the
// body stays where it is and its mass properties stay usable.
void TakeTemplate(TFormula& formula, const Str255& text, TWorldUnitHandler* units,
                  int32_t dimension) {
  const double before = formula.GetValue();
  formula.SetFormattedText(text, units, dimension);
  if (formula.GetValue() == TFormula::kNoValue) formula.StoreConstant(before);
}

}  // namespace

void TMass::BindInput(TFormula& formula, const Str255& text, double& value, int32_t dimension) {
  if (!formula.IsFormula()) value = formula.GetValue();
  TakeTemplate(formula, text, UnitsOf(GetWorld()), dimension);
  FormulaChanged(&formula);
}

void TMass::ToDisplay(int32_t dimension, double& value) const {
  if (const TWorldUnitHandler* units = UnitsOf(GetWorld()))
    units->ConvertToDisplay(dimension, &value);
}

double TMass::GridStep() const {
  const TWorldDoc* world = GetWorld();
  return world != nullptr ? world->SnappingDistance() : 0.0;
}

TDoubleRect TMass::GetWorldBoundsSquare() const {
  const TDoubleRect& b = localBounds_;
  const double r =
      std::max({std::fabs(b.left), std::fabs(b.top), std::fabs(b.right), std::fabs(b.bottom)});
  const double x = posX_->GetValue();
  const double y = posY_->GetValue();
  return {x - r, y + r, x + r, y - r};
}

TDoubleRect TMass::WorldBounds() const {
  const TWorldDoc* world = GetWorld();
  if (world == nullptr) return GetWorldBoundsSquare();
  bool any = false;
  TDoubleRect all{0, 0, 0, 0};
  for (TLink* object : world->Objects()) {
    if (!object->IsMemberClass(TMass::kClassID) || object->GetIdentifier() == 0) continue;
    const TDoubleRect r = static_cast<const TMass*>(object)->GetWorldBoundsSquare();
    if (!any) {
      all = r;
      any = true;
      continue;
    }
    all.left = std::min(all.left, r.left);
    all.top = std::max(all.top, r.top);
    all.right = std::max(all.right, r.right);
    all.bottom = std::min(all.bottom, r.bottom);
  }
  return all;
}

uint16_t TMass::AttachInput(int16_t code, const Str255& first, const Str255& second, double& value,
                            double& value2, double& low, double& high, double& low2,
                            double& high2) {
  constexpr double kTurn = 2.0 * std::numbers::pi;
  switch (code) {
    case kAttachX:
    case kAttachY: {
      TFormula& formula = code == kAttachX ? *posX_ : *posY_;
      BindInput(formula, first, value, kDimLength);
      value = formula.GetValue();
      ToDisplay(kDimLength, value);
      const TDoubleRect r = WorldBounds();
      low = std::min(-kPositionRange, code == kAttachX ? r.left : r.bottom);
      high = std::max(kPositionRange, code == kAttachX ? r.right : r.top);
      return 1;
    }
    case kAttachRotation:
      BindInput(*posRot_, first, value, kDimAngle);
      value = posRot_->GetValue();
      ToDisplay(kDimAngle, value);
      low = 0.0;
      high = kTurn;
      return 1;
    case kAttachVelocity:
      BindInput(*velX_, first, value, kDimVelocity);
      BindInput(*velY_, second, value2, kDimVelocity);
      value = velX_->GetValue();
      value2 = velY_->GetValue();
      ToDisplay(kDimVelocity, value);
      ToDisplay(kDimVelocity, value2);
      return 1;
    case kAttachSpeedDirection: {
      // The speed and direction of the velocity as it stands: a velocity given by formulas
      // reports their current values, never the body's position.
      TVector velocity(velX_->GetValue(), velY_->GetValue());
      Str255 along = first;
      along.AppendCString(" * cos(");
      along.Append(second);
      along.AppendCString(")");
      Str255 across = first;
      across.AppendCString(" * sin(");
      across.Append(second);
      across.AppendCString(")");
      BindInput(*velX_, along, velocity.x, kDimVelocity);
      BindInput(*velY_, across, velocity.y, kDimVelocity);
      value = velocity.Length();
      ToDisplay(kDimVelocity, value);
      low = 0.0;
      high = kVelocityRange;
      value2 = velocity.Angle();
      ToDisplay(kDimAngle, value2);
      low2 = 0.0;
      high2 = std::numbers::pi * 0.5;
      return 1;
    }
    case kAttachVelocityX:
    case kAttachVelocityY: {
      TFormula& formula = code == kAttachVelocityX ? *velX_ : *velY_;
      BindInput(formula, first, value, kDimVelocity);
      value = formula.GetValue();
      ToDisplay(kDimVelocity, value);
      low = std::min(value, -kVelocityRange);
      high = std::max(value, kVelocityRange);
      return 1;
    }
    case kAttachAngularVelocity:
      BindInput(*velRot_, first, value, kDimAngularVelocity);
      value = velRot_->GetValue();
      ToDisplay(kDimAngularVelocity, value);
      low = -kTurn;
      high = kTurn;
      return 1;
    case kAttachMass:
    case kAttachMoment: {
      const bool mass = code == kAttachMass;
      const int32_t dimension = mass ? kDimMass : kDimMoment;
      value = mass ? GetMass() : GetMoment();
      ToDisplay(dimension, value);
      TakeTemplate(mass ? *mass_ : *moment_, first, UnitsOf(GetWorld()), dimension);
      if (!mass) momentGiven_ = 1;
      low = value / 100.0;
      high = value;
      ClearMaterial();
      momentMode_ = kMomentGiven;
      ForEachLinked(1);
      return 1;
    }
    case kAttachStaticFriction:
    case kAttachKineticFriction:
    case kAttachElasticity: {
      TFormula& formula = code == kAttachStaticFriction    ? *staticFriction_
                          : code == kAttachKineticFriction ? *kineticFriction_
                                                           : *elasticity_;
      BindInput(formula, first, value, kDimNone);
      ClearMaterial();
      return 1;
    }
    case kAttachCharge:
      BindInput(*charge_, first, value, kDimCharge);
      value = charge_->GetValue();
      ToDisplay(kDimCharge, value);
      low = value / 100.0;
      high = value;
      ClearMaterial();
      return 1;
    case kAttachFriction: {
      double ignored = 0.0;
      BindInput(*staticFriction_, first, value, kDimNone);
      BindInput(*kineticFriction_, first, ignored, kDimNone);
      ClearMaterial();
      return 1;
    }
    default:
      return 0;
  }
}
