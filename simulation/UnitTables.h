#pragma once
// The units a document can show its quantities in: twelve quantities, each with its unit
// indices, the size of each unit in internal units (metres, kilograms, seconds, radians,
// coulombs and what derives from them), its symbol for labels, its name and the words a user or
// a script may type for it; and the named unit systems, each a choice of one unit per quantity.
// Index 0 of a derived quantity means "no unit of its own": its values are shown in the units it
// derives from (metres per second for a velocity).

#include <cstdint>
#include <span>
#include <string_view>

inline constexpr int kUnitQuantityCount = 12;

struct TUnitDefinition {
  int16_t index = 0;
  double size = 1.0;          // internal units in one of this unit
  const char* symbol = "";    // for labels, Windows-1252
  const char* name = "";      // as a script reads it back
  const char* words[4] = {};  // accepted when typed (lower case)
};

struct TUnitQuantity {
  int16_t number = 0;      // 1 distance ... 12 rotational velocity
  uint32_t tag = 0;        // the unit handler's property tag
  uint32_t dimension = 0;  // its dimension code
  std::span<const TUnitDefinition> units;
};

struct TUnitSystemDefinition {
  int16_t code = 0;
  const char* name = "";
  int16_t units[kUnitQuantityCount] = {};  // the unit index of each quantity, in quantity order
};

// Quantity numbers, in the order of the tables.
enum UnitQuantityNumber : int16_t {
  kQuantityDistance = 1,
  kQuantityMass,
  kQuantityTime,
  kQuantityCharge,
  kQuantityRotation,
  kQuantityPotential,
  kQuantityForce,
  kQuantityEnergy,
  kQuantityPower,
  kQuantityFrequency,
  kQuantityVelocity,
  kQuantityRotationalVelocity,
};

std::span<const TUnitQuantity> UnitQuantities();
// The quantity of a number 1..12, of a handler tag or of a dimension code; null for none.
const TUnitQuantity* FindUnitQuantity(int number);
const TUnitQuantity* FindUnitQuantityByTag(uint32_t tag);
const TUnitQuantity* FindUnitQuantityByDimension(uint32_t dimension);
// The unit of a quantity with that index, or null.
const TUnitDefinition* FindUnit(const TUnitQuantity& quantity, int index);
// The index of the unit a word names (compared without regard to case, blanks around ignored):
// one of its accepted words, its name or its symbol. -1 when none.
int16_t FindUnitByWord(const TUnitQuantity& quantity, std::string_view word);

// The named unit systems 1, 2, 4, 5, 7, 8 and 9; null for any other code (a custom system).
const TUnitSystemDefinition* FindUnitSystem(int code);
std::span<const TUnitSystemDefinition> UnitSystems();
