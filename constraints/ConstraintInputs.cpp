// Input controls on constraints: each command of a kind's input menu binds the quantity it names
// to the new input, so that the input drives the quantity in the runs that follow. The kinds map
// their commands onto the root's (activation condition, second quantity) and the two-point
// base's (its quantity), or bind quantities of their own.

#include <algorithm>
#include <numbers>

#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "constraints/Springs.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr int32_t kUnitNone = 0;
constexpr int32_t kUnitLengthCode = 0x01000000;
constexpr int32_t kUnitAngleCode = 0x00010000;
constexpr double kHalfTurn = std::numbers::pi;

TWorldUnitHandler* UnitsOf(const TLink& object) {
  TWorldDoc* world = WorldOf(object);
  return world != nullptr ? dynamic_cast<TWorldUnitHandler*>(world->GetUnitHandler()) : nullptr;
}

double ToDisplay(const TWorldUnitHandler* units, int32_t unit, double value) {
  if (units == nullptr) return value;
  double factor = 1.0;
  units->GetToDisplayFactor(unit, factor);
  return value * factor;
}

}  // namespace

// ---- Root -------------------------------------------------------------------------------------

bool TCnstr::AttachInputControls(int16_t command, const Str255& first, const Str255& second,
                                 double& firstValue, double& secondValue, double& firstMinimum,
                                 double& firstMaximum, double& secondMinimum,
                                 double& secondMaximum) {
  TInputBinding inputs{{first, firstValue, firstMinimum, firstMaximum},
                       {second, secondValue, secondMinimum, secondMaximum}};
  if (!inputs.first.IsMade()) return false;
  return BindInputs(command, inputs);
}

bool TCnstr::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCmdEditActivation) {
    // The condition as it acts now: a constraint that always acts starts its input at 1.
    if (IsAlwaysActive()) activation_->SetConstant(1.0);
    BindInput(inputs.first, *activation_, kTagActivation, kUnitNone, kUnitRange);
    return true;
  }
  if (command == kCmdEditSecond) {
    BindInput(inputs.first, *second_, 0, kUnitNone, kUnitRange);
    return true;
  }
  return false;
}

void TCnstr::BindInput(TInputSide& side, TFormula& quantity, uint32_t tag, int32_t unit,
                       TInputRange range) {
  if (!side.IsMade()) return;
  TWorldUnitHandler* units = UnitsOf(*this);
  const double before = quantity.GetValue();
  TFormula bound(quantity);
  bound.SetFormattedText(side.name, units, unit);
  if (bound.GetValue() == TFormula::kNoValue && before != TFormula::kNoValue)
    bound.StoreConstant(before);
  if (tag != 0) {
    SetFormulaProperty(tag, bound);
  } else {
    quantity.Assign(bound);
    MarkChanged();
  }
  if (before != TFormula::kNoValue) side.value = ToDisplay(units, unit, before);
  const double low = ToDisplay(units, unit, range.low);
  const double high = ToDisplay(units, unit, range.high);
  side.minimum = std::min(low, high);
  side.maximum = std::max(low, high);
}

double TCnstr::StartValue(const TFormula& quantity) {
  const double value = quantity.GetValue();
  return value == TFormula::kNoValue ? 0.0 : value;
}

TInputRange TCnstr::RangeAround(double value) {
  if (value > 0.0) return {0.0, 2.0 * value};
  if (value < 0.0) return {2.0 * value, 0.0};
  return {-1.0, 1.0};
}

TInputRange TCnstr::RangeOfAngle(double angle) {
  return {angle - kHalfTurn, angle + kHalfTurn};
}

double TCnstr::WorldLengthStep() const {
  const TWorldDoc* world = WorldOf(*this);
  const double step = world != nullptr ? world->SnappingDistance() : 1.0;
  return step > 0.0 ? step : 1.0;
}

bool TTwoPointConstraint::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command != kCmdEditQuantity) return TConstraint::BindInputs(command, inputs);
  BindInput(inputs.first, Quantity(), kTagQuantity, QuantityUnit(),
            RangeAround(StartValue(Quantity())));
  return true;
}

// ---- Pins and slots ---------------------------------------------------------------------------

bool TPin::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCmdEditActivation) command = TCnstr::kCmdEditActivation;
  return TConstraint::BindInputs(command, inputs);
}

bool TSlot::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCmdEditActivation) command = TCnstr::kCmdEditActivation;
  return TLockableCnstr::BindInputs(command, inputs);
}

// ---- Forces and torques -----------------------------------------------------------------------

bool TForce::BindInputs(int16_t command, TInputBinding& inputs) {
  constexpr int16_t kCmdActivation = 5300;
  if (command == kCmdActivation) return TForceBase::BindInputs(kCmdEditActivation, inputs);
  const std::vector<int32_t> units = ApplyCommand(command);
  if (units.empty()) return TForceBase::BindInputs(command, inputs);
  // The quantities of the command in order: the pair in force, or one of its cartesian pair.
  constexpr int16_t kCmdOnlyY = 5303;
  const uint32_t firstTag =
      IsPolar() ? kTagForceLength : (command == kCmdOnlyY ? kTagForceY : kTagForceX);
  const uint32_t secondTag = IsPolar() ? kTagForceAngle : kTagForceY;
  const auto bind = [this](TInputSide& side, uint32_t tag, int32_t unit) {
    TFormula& quantity = *GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr);
    const double value = StartValue(quantity);
    BindInput(side, quantity, tag, unit,
              tag == kTagForceAngle ? RangeOfAngle(value) : RangeAround(value));
  };
  bind(inputs.first, firstTag, units[0]);
  if (units.size() > 1) bind(inputs.second, secondTag, units[1]);
  return true;
}

bool TTorque::BindInputs(int16_t command, TInputBinding& inputs) {
  constexpr int16_t kCmdActivation = 5290;
  constexpr int16_t kCmdMoment = 5291;
  if (command == kCmdActivation) command = kCmdEditActivation;
  if (command == kCmdMoment) command = kCmdEditQuantity;
  return TTwoPointConstraint::BindInputs(command, inputs);
}

// ---- Ropes ------------------------------------------------------------------------------------

bool TLRope::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCmdEditActivation) command = TCnstr::kCmdEditActivation;
  if (command == kCmdEditElasticity) command = TCnstr::kCmdEditSecond;
  if (command != kCmdEditLength) return TTwoPointConstraint::BindInputs(command, inputs);
  const double step = WorldLengthStep();
  const double length = StartValue(Quantity());
  BindInput(inputs.first, Quantity(), kTagQuantity, QuantityUnit(),
            {step, std::max(10.0 * step, 2.0 * length)});
  return true;
}

bool TRRope::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCmdEditActivation) command = TCnstr::kCmdEditActivation;
  if (command == kCmdEditElasticity) command = TCnstr::kCmdEditSecond;
  if (command != kCmdEditMaxRotation) return TConstraint::BindInputs(command, inputs);
  BindInput(inputs.first, MaxRotation(), kTagMaxRotation, kUnitAngleCode,
            RangeOfAngle(StartValue(MaxRotation())));
  return true;
}

// ---- Springs and dampers ----------------------------------------------------------------------

bool TSpringBase::BindInputs(int16_t command, TInputBinding& inputs) {
  const int16_t first = IsRotational() ? kCommandRotationalInputs : kCommandLinearInputs;
  const int offset = command - first;
  if (offset == 0) return TXCnstr::BindInputs(kCmdEditActivation, inputs);
  if (offset == 1) {
    const double constant = StartValue(Quantity());
    if (IsRotational() || constant <= 0.0) return TXCnstr::BindInputs(kCmdEditQuantity, inputs);
    BindInput(inputs.first, Quantity(), kTagQuantity, QuantityUnit(), {constant / 100.0, constant});
    return true;
  }
  if (offset != 2) return TXCnstr::BindInputs(command, inputs);
  if (GetExponent() <= 0) return false;
  const double rest = StartValue(RestValue());
  if (IsRotational()) {
    BindInput(inputs.first, RestValue(), kTagRestValue, kUnitAngleCode, RangeOfAngle(rest));
  } else {
    BindInput(inputs.first, RestValue(), kTagRestValue, kUnitLengthCode, RangeAround(rest));
  }
  return true;
}

bool TDamperBase::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCommandInputs)
    command = kCmdEditActivation;
  else if (command == kCommandInputs + 1)
    command = kCmdEditQuantity;
  return TXCnstr::BindInputs(command, inputs);
}

// ---- Motors and actuators ---------------------------------------------------------------------

TInputRange TPiston::PositionRange() const {
  const double step = WorldLengthStep();
  return {step, 10.0 * step};
}

TInputRange TRPiston::PositionRange() const {
  return {-kHalfTurn, kHalfTurn};
}

bool TPiston::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == CommandBase()) return TTwoPointConstraint::BindInputs(kCmdEditActivation, inputs);
  constexpr int16_t kFirstLimitOffset = 6;
  const bool limit = command - CommandBase() >= kFirstLimitOffset;
  const int32_t unit = ApplyCommand(command);
  if (unit == 0) return TTwoPointConstraint::BindInputs(command, inputs);
  if (limit) {
    BindInput(inputs.first, Limit(), kTagLimit, unit, RangeAround(StartValue(Limit())));
    return true;
  }
  const TInputRange range =
      driveKind_ == kPosition ? PositionRange() : RangeAround(StartValue(Quantity()));
  BindInput(inputs.first, Quantity(), kTagQuantity, unit, range);
  return true;
}

// ---- Gears ------------------------------------------------------------------------------------

bool TGear::BindInputs(int16_t command, TInputBinding& inputs) {
  if (command == kCmdEditActivation) command = TCnstr::kCmdEditActivation;
  if (command != kCmdEditRatio && command != kCmdEditRod)
    return TTwoPointConstraint::BindInputs(command, inputs);
  // Binding ends the automatic ratio, or the rod that always acts, as editing does.
  int32_t unit = 0;
  TFormula& quantity = *QuantityForCommand(command, unit);
  if (command == kCmdEditRod) {
    BindInput(inputs.first, quantity, kTagGearRod, unit, kUnitRange);
  } else {
    BindInput(inputs.first, quantity, kTagGearRatio, unit, RangeAround(StartValue(quantity)));
  }
  return true;
}
