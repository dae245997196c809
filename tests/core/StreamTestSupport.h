#pragma once
// What the stream tests share: the failure code a step throws, and a unit handler that shows
// lengths in centimetres.

#include <cstdint>
#include <cstdio>

#include "core/Failure.h"
#include "core/PString.h"
#include "core/UnitHandler.h"

// The code of the failure `code` throws, or 1 when it throws none.
inline int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;  // no failure
}

// Lengths (kind 1) are shown in centimetres with their unit; every other kind as it is. The style
// and digits asked for last are recorded.
class CentimetreUnits : public TUnitHandler {
 public:
  double GetDisplayFactor(int32_t unitKind) override { return unitKind == 1 ? 100.0 : 1.0; }
  void GetFormattedValue(int32_t unitKind, int16_t style, int16_t digits, double value,
                         Str255& out) override {
    lastStyle = style;
    lastDigits = digits;
    char text[64];
    std::snprintf(text, sizeof text, "%g%s", value * GetDisplayFactor(unitKind),
                  unitKind == 1 ? " cm" : "");
    out.Assign(text);
  }
  int16_t lastStyle = 0;
  int16_t lastDigits = 0;
};
