#pragma once
// Dimension codes: a 32-bit word of eight signed 4-bit exponents that says what a number
// measures, so that the unit handler can turn it into the units a document shows. From the high
// nibble down: mass, length, time, angle, electric current; the lowest nibble tells a torque
// (N m) from an energy (J). Velocity is length 1, time -1: 0x01F00000; force is mass 1, length 1,
// time -2: 0x11E00000. Code 0 has no dimension; 0x88888888 stands for "no unit" (mixed values,
// dimensionless settings) and never takes part in unit algebra.

#include <cstdint>

enum class DimensionBase : uint8_t { kMass = 7, kLength = 6, kTime = 5, kAngle = 4, kCurrent = 3 };

inline constexpr uint32_t kDimensionNone = 0;
inline constexpr uint32_t kDimensionNoUnit = 0x88888888;
inline constexpr uint32_t kDimensionMass = 0x10000000;
inline constexpr uint32_t kDimensionLength = 0x01000000;
inline constexpr uint32_t kDimensionArea = 0x02000000;
inline constexpr uint32_t kDimensionTime = 0x00100000;
inline constexpr uint32_t kDimensionAngle = 0x00010000;
inline constexpr uint32_t kDimensionCharge = 0x00101000;
inline constexpr uint32_t kDimensionVelocity = 0x01F00000;
inline constexpr uint32_t kDimensionAngularVelocity = 0x00F10000;
inline constexpr uint32_t kDimensionAcceleration = 0x01E00000;
inline constexpr uint32_t kDimensionForce = 0x11E00000;
inline constexpr uint32_t kDimensionTorque = 0x12E00001;
inline constexpr uint32_t kDimensionEnergy = 0x12E00000;
inline constexpr uint32_t kDimensionPower = 0x12D00000;
inline constexpr uint32_t kDimensionFrequency = 0x00F00000;
inline constexpr uint32_t kDimensionPotential = 0x12D0F000;  // kg m^2 s^-3 A^-1
inline constexpr uint32_t kDimensionMomentOfInertia = 0x12000000;
inline constexpr uint32_t kDimensionDensity = 0x1E000000;  // mass per area

// The signed exponent in nibble n (0 = lowest).
constexpr int DimensionNibble(uint32_t code, int n) {
  const int nibble = static_cast<int>((code >> (4 * n)) & 0xF);
  return nibble >= 8 ? nibble - 16 : nibble;
}
constexpr int DimensionExponent(uint32_t code, DimensionBase base) {
  return DimensionNibble(code, static_cast<int>(base));
}

// The code of a quantity raised to the power n, and of the product of two quantities. An
// exponent that leaves -8..7 cannot be written, nor can "no unit" take part: both answer
// kDimensionNoUnit.
uint32_t DimensionPower(uint32_t code, int n);
uint32_t DimensionProduct(uint32_t a, uint32_t b);
// The code of a / b.
uint32_t DimensionQuotient(uint32_t a, uint32_t b);
