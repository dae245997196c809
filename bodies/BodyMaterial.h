#pragma once
// The layout of a material resource ("mate"): five numbers, each five 16-bit little-endian words
// of which only the low byte counts: sign, exponent biased by 127, and the 23 mantissa bits in
// three bytes (the top one holds bits 22 to 16 in its low seven bits).

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr size_t kMaterialNumberBytes = 10;
inline constexpr uint32_t kMaterialRecordBytes = 50;
// An exponent byte of 85 with no mantissa stands for the largest double.
inline constexpr uint8_t kMaterialLargestExponent = 85;

// Density, static friction, kinetic friction, elasticity, charge.
using MaterialValues = std::array<double, 5>;

// One number of ten bytes.
double DecodeMaterialNumber(const uint8_t* number);
// The five numbers of a 50-byte record.
bool DecodeMaterialRecord(const uint8_t* record, MaterialValues& values);
