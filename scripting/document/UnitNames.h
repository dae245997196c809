#pragma once
// The words scripts use for units: each quantity's unit indices by the words a script may write
// (compared whole after lowering, nothing trimmed, no abbreviations) and the one name a script
// reads back. The words and names are those of the unit tables; here they are matched exactly.

#include <cstdint>
#include <string>
#include <string_view>

// The unit index the word names for quantity 1..12: -1 when no word matches, 0 for a quantity
// outside 1..12. Quantities whose index 0 means "no unit" also take "none", "(none)" and "".
int16_t ParseUnitName(int quantity, std::string_view word);
// The name a script reads for the index; empty for an index without a name or a quantity
// outside 1..12.
std::string PrintUnitName(int quantity, int index);
// The unit handler's tag of quantity 1..12; 0 outside.
uint32_t UnitQuantityTag(int quantity);

int16_t ParseDistanceUnit(std::string_view word);
int16_t ParseMassUnit(std::string_view word);
int16_t ParseTimeUnit(std::string_view word);
int16_t ParseChargeUnit(std::string_view word);
int16_t ParseRotationUnit(std::string_view word);
int16_t ParseElectricPotentialUnit(std::string_view word);
int16_t ParseForceUnit(std::string_view word);
int16_t ParseEnergyUnit(std::string_view word);
int16_t ParsePowerUnit(std::string_view word);
int16_t ParseFrequencyUnit(std::string_view word);
int16_t ParseVelocityUnit(std::string_view word);
int16_t ParseRotationalVelocityUnit(std::string_view word);

std::string PrintDistanceUnit(int index);
std::string PrintMassUnit(int index);
std::string PrintTimeUnit(int index);
std::string PrintChargeUnit(int index);
std::string PrintRotationUnit(int index);
std::string PrintElectricPotentialUnit(int index);
std::string PrintForceUnit(int index);
std::string PrintEnergyUnit(int index);
std::string PrintPowerUnit(int index);
std::string PrintFrequencyUnit(int index);
std::string PrintVelocityUnit(int index);
std::string PrintRotationalVelocityUnit(int index);

// Unit systems by name: the code a lowered name selects (-1 for none; "custom" is never
// taken), and the name of a code ("custom" for a code without a named system).
int16_t ParseUnitSystemName(std::string_view word);
std::string PrintUnitSystemName(int code);

// The text with its ASCII letters in lower case.
std::string LoweredWord(std::string_view text);
