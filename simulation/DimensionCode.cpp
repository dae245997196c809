#include "simulation/DimensionCode.h"

namespace {

// Packs eight exponents; kDimensionNoUnit when one does not fit a signed nibble.
uint32_t Pack(const int (&exponents)[8]) {
  uint32_t code = 0;
  for (int n = 0; n < 8; ++n) {
    if (exponents[n] < -8 || exponents[n] > 7) return kDimensionNoUnit;
    code |= (static_cast<uint32_t>(exponents[n]) & 0xF) << (4 * n);
  }
  return code;
}

}  // namespace

uint32_t DimensionPower(uint32_t code, int n) {
  if (code == kDimensionNoUnit) return kDimensionNoUnit;
  int exponents[8];
  for (int i = 0; i < 8; ++i)
    exponents[i] = DimensionNibble(code, i) * n;
  return Pack(exponents);
}

uint32_t DimensionProduct(uint32_t a, uint32_t b) {
  if (a == kDimensionNoUnit || b == kDimensionNoUnit) return kDimensionNoUnit;
  int exponents[8];
  for (int i = 0; i < 8; ++i)
    exponents[i] = DimensionNibble(a, i) + DimensionNibble(b, i);
  return Pack(exponents);
}

uint32_t DimensionQuotient(uint32_t a, uint32_t b) {
  return DimensionProduct(a, DimensionPower(b, -1));
}
