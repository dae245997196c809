#include "core/Bits.h"

#include <cmath>
#include <limits>

namespace {

bool IsBit16(int n) {
  return n >= 0 && n < 16;
}

}  // namespace

int16_t ClearBit16(int16_t value, int n) {
  if (!IsBit16(n)) return value;
  return static_cast<int16_t>(static_cast<uint16_t>(value) & ~(1u << n));
}

int16_t SetBit16(int16_t value, int n) {
  if (!IsBit16(n)) return value;
  return static_cast<int16_t>(static_cast<uint16_t>(value) | (1u << n));
}

int TestBit16(int16_t value, int n) {
  if (!IsBit16(n)) return 0;
  return (static_cast<uint16_t>(value) >> n) & 1;
}

int16_t ShiftRight16(int16_t value, int n) {
  if (n < 0) n = 0;
  if (n > 15) n = 15;
  return static_cast<int16_t>(value >> n);
}

int16_t ShiftLeft16(int16_t value, int n) {
  if (n < 0) n = 0;
  if (n > 16) n = 16;
  return static_cast<int16_t>(static_cast<uint32_t>(static_cast<uint16_t>(value)) << n);
}

void ClearBit32(uint32_t& word, int n) {
  word &= ~(1u << (static_cast<unsigned>(n) & 31));
}

void SetBit32(uint32_t& word, int n) {
  word |= 1u << (static_cast<unsigned>(n) & 31);
}

int TestBit32(uint32_t word, int n) {
  return static_cast<int>((word >> (static_cast<unsigned>(n) & 31)) & 1);
}

int32_t AbsLong(int32_t value) {
  if (value == std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::max();
  return value < 0 ? -value : value;
}

double Power(double x, double y) {
  return std::pow(x, y);
}

int32_t IntegerPower(double x, int32_t n) {
  const double result = std::pow(x, static_cast<double>(n));
  if (std::isnan(result)) return 0;
  if (result >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (result <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(std::lround(result));
}
