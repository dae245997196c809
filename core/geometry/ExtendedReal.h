#pragma once
// The 80-bit extended reals found in older documents and history records, turned into doubles.
// The 10-byte value is little-endian: a 64-bit significand with an explicit integer bit, then a
// 16-bit word with the sign in its top bit and a 15-bit exponent biased by 16383.

#include <cstdint>

inline constexpr int kExtendedSize = 10;
inline constexpr int kExtended96Size = 12;

// The value rounded to double by the ordinary IEEE rules (nearest, ties to even; overflow gives
// an infinity, underflow a denormal or zero). Encodings that the extended format calls invalid
// (an exponent without the integer bit) give the default NaN.
double ExtendedToDouble(const uint8_t bytes[kExtendedSize]);

// The 96-bit form: the significand in bytes 0 to 7, the sign and exponent word in bytes 10 and
// 11; bytes 8 and 9 are padding.
double Extended96ToDouble(const uint8_t bytes[kExtended96Size]);

// The conversion done with integer arithmetic alone. ExtendedToDouble uses the processor's own
// extended type where the compiler has it; both give the same bits.
double ExtendedToDoublePortable(const uint8_t bytes[kExtendedSize]);
