#include "core/geometry/ExtendedReal.h"

#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
constexpr uint64_t kDoubleFraction = (uint64_t{1} << 52) - 1;
constexpr uint64_t kDoubleQuietBit = uint64_t{1} << 51;
constexpr uint64_t kDoubleInfinity = uint64_t{0x7FF} << 52;
// What the processor stores for an invalid operation: a negative quiet NaN.
constexpr uint64_t kDefaultNaN = 0xFFF8000000000000;
constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;

uint64_t Significand(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i)
    value = (value << 8) | bytes[i];
  return value;
}

uint16_t SignExponent(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[8] | (bytes[9] << 8));
}

// Rounds m * 2^e (m != 0) to the nearest double, ties to even, and answers its bits without sign.
uint64_t RoundToDoubleBits(uint64_t m, int e) {
  const int leading = std::countl_zero(m);
  m <<= leading;
  e -= leading;
  // Now the value is 1.f * 2^top with the integer bit at bit 63.
  const int top = e + 63;
  if (top > kDoubleBias) return kDoubleInfinity;
  // Bits of m below the 53 that a normal double keeps, more below the smallest exponent.
  const int dropped = top >= 1 - kDoubleBias ? 11 : 11 + (1 - kDoubleBias - top);
  if (dropped > 64) return 0;  // below half of the smallest denormal
  const uint64_t kept = dropped == 64 ? 0 : m >> dropped;
  const uint64_t rest = dropped == 64 ? m : m & ((uint64_t{1} << dropped) - 1);
  const uint64_t half = uint64_t{1} << (dropped - 1);
  const bool up = rest > half || (rest == half && (kept & 1) != 0);
  const uint64_t rounded = kept + (up ? 1 : 0);
  if (dropped > 11) {
    // A denormal; a carry into bit 52 lands exactly on the smallest normal's bits.
    return rounded;
  }
  int biased = top + kDoubleBias;
  uint64_t fraction = rounded;
  if (fraction >> 53 != 0) {  // the carry made 2.0 of the significand
    fraction >>= 1;
    ++biased;
  }
  if (biased >= 0x7FF) return kDoubleInfinity;
  return (static_cast<uint64_t>(biased) << 52) | (fraction & kDoubleFraction);
}

}  // namespace

double ExtendedToDoublePortable(const uint8_t bytes[kExtendedSize]) {
  const uint64_t m = Significand(bytes);
  const uint16_t word = SignExponent(bytes);
  const uint64_t sign = static_cast<uint64_t>(word >> 15) << 63;
  const int exponent = word & 0x7FFF;
  const bool integerBit = (m & kIntegerBit) != 0;

  if (exponent == 0x7FFF) {
    if (!integerBit) return std::bit_cast<double>(kDefaultNaN);
    const uint64_t fraction = m & ~kIntegerBit;
    if (fraction == 0) return std::bit_cast<double>(sign | kDoubleInfinity);
    // A NaN keeps its sign and its leading payload bits and becomes quiet.
    return std::bit_cast<double>(sign | kDoubleInfinity | kDoubleQuietBit |
                                 ((fraction >> 11) & kDoubleFraction));
  }
  if (exponent != 0 && !integerBit) return std::bit_cast<double>(kDefaultNaN);
  if (m == 0) return std::bit_cast<double>(sign);
  // Denormals (exponent 0) scale like exponent 1, with or without the integer bit.
  const int scale = (exponent == 0 ? 1 : exponent) - kExtendedBias - 63;
  return std::bit_cast<double>(sign | RoundToDoubleBits(m, scale));
}

double ExtendedToDouble(const uint8_t bytes[kExtendedSize]) {
  if constexpr (std::numeric_limits<long double>::digits == 64 &&
                std::numeric_limits<long double>::radix == 2 && sizeof(long double) >= 10 &&
                std::endian::native == std::endian::little) {
    long double value = 0;
    std::memcpy(&value, bytes, kExtendedSize);
    return static_cast<double>(value);
  } else {
    return ExtendedToDoublePortable(bytes);
  }
}

double Extended96ToDouble(const uint8_t bytes[kExtended96Size]) {
  uint8_t extended[kExtendedSize];
  std::memcpy(extended, bytes, 8);
  extended[8] = bytes[10];
  extended[9] = bytes[11];
  return ExtendedToDouble(extended);
}
