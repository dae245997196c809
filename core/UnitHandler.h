#pragma once
// What the formatting streams ask of the unit system: the factor with which values of a unit
// kind are shown, and the text of a value in the current units of its kind. The simulation's
// unit handler implements it; unit kind 0 means no conversion.

#include <cstdint>

#include "core/PString.h"

class TUnitHandler {
 public:
  virtual ~TUnitHandler() = default;

  // 1.0 when the kind has no conversion.
  virtual double GetDisplayFactor(int32_t unitKind) = 0;
  // The text of value in the current units of unitKind, with the given style and count of
  // digits.
  virtual void GetFormattedValue(int32_t unitKind, int16_t style, int16_t digits, double value,
                                 Str255& out) = 0;

 protected:
  TUnitHandler() = default;
  TUnitHandler(const TUnitHandler&) = default;
  TUnitHandler& operator=(const TUnitHandler&) = default;
};
