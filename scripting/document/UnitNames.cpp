#include "scripting/document/UnitNames.h"

#include "simulation/UnitTables.h"

namespace {

int16_t ParseOf(int quantity, std::string_view word) {
  const TUnitQuantity* units = FindUnitQuantity(quantity);
  if (units == nullptr) return 0;
  const std::string lowered = LoweredWord(word);
  for (const TUnitDefinition& unit : units->units)
    for (const char* form : unit.words)
      if (form != nullptr && lowered == form) return unit.index;
  return -1;
}

std::string PrintOf(int quantity, int index) {
  const TUnitQuantity* units = FindUnitQuantity(quantity);
  if (units == nullptr) return {};
  const TUnitDefinition* unit = FindUnit(*units, index);
  return unit != nullptr ? unit->name : "";
}

struct SystemWord {
  const char* word;
  int16_t code;
};
// In the order they are compared.
constexpr SystemWord kSystemWords[] = {
    {"si (radians)", 1},   {"si radians", 1},   {"cgs", 2},        {"english (pounds)", 9},
    {"english pounds", 9}, {"astronomical", 4}, {"atomic", 5},     {"english (slugs)", 8},
    {"english slugs", 8},  {"si (degrees)", 7}, {"si degrees", 7},
};

}  // namespace

std::string LoweredWord(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lowered;
}

int16_t ParseUnitName(int quantity, std::string_view word) {
  return ParseOf(quantity, word);
}

std::string PrintUnitName(int quantity, int index) {
  return PrintOf(quantity, index);
}

uint32_t UnitQuantityTag(int quantity) {
  const TUnitQuantity* units = FindUnitQuantity(quantity);
  return units != nullptr ? units->tag : 0;
}

int16_t ParseDistanceUnit(std::string_view word) {
  return ParseOf(kQuantityDistance, word);
}
int16_t ParseMassUnit(std::string_view word) {
  return ParseOf(kQuantityMass, word);
}
int16_t ParseTimeUnit(std::string_view word) {
  return ParseOf(kQuantityTime, word);
}
int16_t ParseChargeUnit(std::string_view word) {
  return ParseOf(kQuantityCharge, word);
}
int16_t ParseRotationUnit(std::string_view word) {
  return ParseOf(kQuantityRotation, word);
}
int16_t ParseElectricPotentialUnit(std::string_view word) {
  return ParseOf(kQuantityPotential, word);
}
int16_t ParseForceUnit(std::string_view word) {
  return ParseOf(kQuantityForce, word);
}
int16_t ParseEnergyUnit(std::string_view word) {
  return ParseOf(kQuantityEnergy, word);
}
int16_t ParsePowerUnit(std::string_view word) {
  return ParseOf(kQuantityPower, word);
}
int16_t ParseFrequencyUnit(std::string_view word) {
  return ParseOf(kQuantityFrequency, word);
}
int16_t ParseVelocityUnit(std::string_view word) {
  return ParseOf(kQuantityVelocity, word);
}
int16_t ParseRotationalVelocityUnit(std::string_view word) {
  return ParseOf(kQuantityRotationalVelocity, word);
}

std::string PrintDistanceUnit(int index) {
  return PrintOf(kQuantityDistance, index);
}
std::string PrintMassUnit(int index) {
  return PrintOf(kQuantityMass, index);
}
std::string PrintTimeUnit(int index) {
  return PrintOf(kQuantityTime, index);
}
std::string PrintChargeUnit(int index) {
  return PrintOf(kQuantityCharge, index);
}
std::string PrintRotationUnit(int index) {
  return PrintOf(kQuantityRotation, index);
}
std::string PrintElectricPotentialUnit(int index) {
  return PrintOf(kQuantityPotential, index);
}
std::string PrintForceUnit(int index) {
  return PrintOf(kQuantityForce, index);
}
std::string PrintEnergyUnit(int index) {
  return PrintOf(kQuantityEnergy, index);
}
std::string PrintPowerUnit(int index) {
  return PrintOf(kQuantityPower, index);
}
std::string PrintFrequencyUnit(int index) {
  return PrintOf(kQuantityFrequency, index);
}
std::string PrintVelocityUnit(int index) {
  return PrintOf(kQuantityVelocity, index);
}
std::string PrintRotationalVelocityUnit(int index) {
  return PrintOf(kQuantityRotationalVelocity, index);
}

int16_t ParseUnitSystemName(std::string_view word) {
  const std::string lowered = LoweredWord(word);
  for (const SystemWord& system : kSystemWords)
    if (lowered == system.word) return system.code;
  return -1;
}

std::string PrintUnitSystemName(int code) {
  const TUnitSystemDefinition* definition = FindUnitSystem(code);
  return definition != nullptr ? definition->name : "custom";
}
