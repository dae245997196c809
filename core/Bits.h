#pragma once
// Bit operations on 16- and 32-bit words, the absolute value of a 32-bit integer and powers.
// Bits are numbered from the least significant: bit n is 1 << n.

#include <cstdint>

// Bit n of a 16-bit value cleared or set; n outside 0..15 leaves the value as it is.
int16_t ClearBit16(int16_t value, int n);
int16_t SetBit16(int16_t value, int n);
// 1 when bit n is set, else 0 (also for n outside 0..15).
int TestBit16(int16_t value, int n);
// value >> n keeping the sign, and value << n kept to 16 bits; a negative n counts as 0.
int16_t ShiftRight16(int16_t value, int n);
int16_t ShiftLeft16(int16_t value, int n);

// Bit n (taken modulo 32) of a 32-bit word cleared or set in place, and tested: 1 or 0, bit 31
// included.
void ClearBit32(uint32_t& word, int n);
void SetBit32(uint32_t& word, int n);
int TestBit32(uint32_t word, int n);

// The absolute value; the most negative value, which has no positive counterpart, gives the
// largest positive one.
int32_t AbsLong(int32_t value);

// x raised to y.
double Power(double x, double y);
// x raised to the whole power n, exact where the result is representable (2^3 is 8), rounded
// to the nearest integer and held within the 32-bit range.
int32_t IntegerPower(double x, int32_t n);
