#include "simulation/UnitTables.h"

#include <cctype>
#include <numbers>

#include "core/Tag.h"
#include "simulation/DimensionCode.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Exact definitions of the units, in SI units.
constexpr double kFoot = 0.3048;             // international foot (1959)
constexpr double kInch = 0.0254;             // international inch (1959)
constexpr double kYard = 0.9144;             // international yard (1959)
constexpr double kMile = 1609.344;           // international statute mile: 5280 feet
constexpr double kMil = 0.0000254;           // a thousandth of an inch
constexpr double kSpeedOfLight = 299792458;  // m/s, exact by the SI definition of the metre
constexpr double kJulianYear = 31557600;     // 365.25 days of 86400 s (IAU)
constexpr double kLightYear = kSpeedOfLight * kJulianYear;      // IAU: 9 460 730 472 580 800 m
constexpr double kAstronomicalUnit = 149597870700.0;            // IAU 2012 resolution B2
constexpr double kParsec = kAstronomicalUnit * 648000.0 / kPi;  // IAU 2015 resolution B2
constexpr double kPound = 0.45359237;                      // international avoirdupois pound (1959)
constexpr double kStandardGravity = 9.80665;               // m/s^2, 3rd CGPM (1901)
constexpr double kPoundForce = kPound * kStandardGravity;  // 4.4482216152605 N
constexpr double kSlug = kPoundForce / kFoot;  // the mass a pound-force accelerates 1 ft/s^2
constexpr double kPoundal = kPound * kFoot;    // 1 lb ft/s^2
constexpr double kDalton = 1.66053906660e-27;  // kg, atomic mass unit, CODATA 2018
constexpr double kStatcoulomb = 1.0 / (10.0 * kSpeedOfLight);  // Gaussian unit of charge, in C
constexpr double kElectronVolt = 1.602176634e-19;            // J, exact by the SI definition (2019)
constexpr double kKilocalorie = 4184.0;                      // thermochemical kilocalorie
constexpr double kBtu = 1055.05585262;                       // International Table BTU (1956)
constexpr double kHorsepower = 550.0 * kFoot * kPoundForce;  // mechanical: 550 ft lbf/s
constexpr double kMilePerHour = kMile / 3600.0;              // 0.44704 m/s

constexpr TUnitDefinition kDistance[] = {
    {1, 1.0, "m", "meters", {"meter", "meters"}},
    {2, 0.01, "cm", "centimeters", {"centimeter", "centimeters"}},
    {3, 1000.0, "km", "kilometers", {"kilometer", "kilometers"}},
    {4, 0.001, "mm", "millimeters", {"millimeter", "millimeters"}},
    {5, kFoot, "ft", "feet", {"foot", "feet"}},
    {6, kInch, "in", "inches", {"inch", "inches"}},
    {7, 1e-10, "\xC5", "angstroms", {"angstrom", "angstroms"}},
    {8, kLightYear, "ly", "lightyears", {"lightyear", "lightyears", "light year", "light years"}},
    {9, kYard, "yd", "yards", {"yard", "yards"}},
    {10, kMile, "mi", "miles", {"mile", "miles"}},
    {11, kParsec, "pc", "parsecs", {"parsec", "parsecs"}},
    {12, 1e-9, "nm", "nanometers", {"nanometer", "nanometers"}},
    {13, 1e-6, "\xB5m", "micrometers", {"micrometer", "micrometers"}},
    {14, kMil, "mil", "mils", {"mil", "mils"}},
};
constexpr TUnitDefinition kMass[] = {
    {1, 1.0, "kg", "kilograms", {"kilogram", "kilograms"}},
    {2, 0.001, "g", "grams", {"gram", "grams"}},
    {3, 1e-6, "mg", "milligrams", {"milligram", "milligrams"}},
    {4, kSlug, "slug", "slugs", {"slug", "slugs"}},
    {5, 1000.0, "t", "metric tons", {"metric ton", "metric tons"}},
    {6, kPound, "lb", "earth pounds", {"earth pound", "earth pounds", "pound", "pounds"}},
    {7, kDalton, "u", "atomic mass units", {"atomic mass unit", "atomic mass units"}},
};
constexpr TUnitDefinition kTime[] = {
    {1, 1.0, "s", "seconds", {"second", "seconds"}},
    {2, 60.0, "min", "minutes", {"minute", "minutes"}},
    {3, 3600.0, "h", "hours", {"hour", "hours"}},
    {4, 0.001, "ms", "milliseconds", {"millisecond", "milliseconds"}},
    {5, kJulianYear, "yr", "years", {"year", "years"}},
    {6, 1e-6, "\xB5s", "microseconds", {"microsecond", "microseconds"}},
    {7,
     1.0,
     "sec",
     "seconds (sec)",
     {"second sec", "seconds sec", "second (sec)", "seconds (sec)"}},
    {8, 3600.0, "hr", "hours (hr)", {"hour hr", "hours hr", "hour (hr)", "hours (hr)"}},
    {9, 86400.0, "d", "days", {"day", "days"}},
};
constexpr TUnitDefinition kCharge[] = {
    {1, 1.0, "C", "coulombs", {"coulomb", "coulombs"}},
    {3, kStatcoulomb, "statC", "statcoulombs", {"statcoulomb", "statcoulombs"}},
};
constexpr TUnitDefinition kRotation[] = {
    {1, 1.0, "rad", "radians", {"radian", "radians"}},
    {3, kPi / 180.0, "\xB0", "degrees", {"degree", "degrees"}},
    {4, 2.0 * kPi, "rev", "revolutions", {"revolution", "revolutions"}},
    {5, kPi / 10800.0, "'", "minutes", {"minute", "minutes"}},
    {6, kPi / 648000.0, "\"", "seconds", {"second", "seconds"}},
};
constexpr TUnitDefinition kPotential[] = {
    {0, 1.0, "", "", {"none", "(none)", ""}},
    {1, 1.0, "V", "volts", {"volt", "volts"}},
};
constexpr TUnitDefinition kForce[] = {
    {1, 1.0, "N", "newtons", {"newton", "newtons"}},
    {2, kPoundForce, "lbf", "pounds", {"pound", "pounds"}},
    {3, 1e-5, "dyn", "dynes", {"dyne", "dynes"}},
    {4, kPoundal, "pdl", "poundals", {"poundal", "poundals"}},
    {5,
     kStandardGravity / 1000.0,
     "gf",
     "grams (force)",
     {"gram force", "grams force", "gram (force)", "grams (force)"}},
    {6,
     kStandardGravity,
     "kgf",
     "kilograms (force)",
     {"kilogram force", "kilograms force", "kilogram (force)", "kilograms (force)"}},
};
constexpr TUnitDefinition kEnergy[] = {
    {0, 1.0, "", "", {"none", "(none)", ""}},
    {1, 1.0, "J", "joules", {"joule", "joules"}},
    {2, 3.6e6, "kWh", "kilowatt hours", {"kilowatt hour", "kilowatt hours"}},
    {3, kKilocalorie, "kcal", "kilocalories", {"kilocalorie", "kilocalories"}},
    {4,
     kBtu,
     "BTU",
     "british thermal units",
     {"british thermal unit", "british thermal units", "btu", "btus"}},
    {5, kElectronVolt, "eV", "electron volts", {"electron volt", "electron volts"}},
    {6, kElectronVolt * 1e6, "MeV", "mev", {"mega electron volt", "mega electron volts", "mev"}},
    {7, 1e-7, "erg", "ergs", {"erg", "ergs"}},
};
constexpr TUnitDefinition kPower[] = {
    {0, 1.0, "", "", {"none", "(none)", ""}},
    {1, 1.0, "W", "watts", {"watt", "watts"}},
    {2, kHorsepower, "hp", "horsepower", {"horsepower"}},
};
constexpr TUnitDefinition kFrequency[] = {
    {0, 1.0, "", "", {"none", "(none)", ""}},
    {1, 1.0, "Hz", "hertz", {"hertz"}},
};
constexpr TUnitDefinition kVelocity[] = {
    {0, 1.0, "", "", {"none", "(none)", ""}},
    {2, kSpeedOfLight, "c", "speed of light", {"speed of light"}},
    {3, kMilePerHour, "mph", "miles per hour", {"miles per hour"}},
};
constexpr TUnitDefinition kRotationalVelocity[] = {
    {0, 1.0, "", "", {"none", "(none)", ""}},
    {2, 2.0 * kPi / 60.0, "rpm", "revs/min", {"revs/min", "revolutions per minute"}},
};

constexpr TUnitQuantity kQuantities[kUnitQuantityCount] = {
    {kQuantityDistance, MakeTag("un_D"), kDimensionLength, kDistance},
    {kQuantityMass, MakeTag("un_M"), kDimensionMass, kMass},
    {kQuantityTime, MakeTag("un_T"), kDimensionTime, kTime},
    {kQuantityCharge, MakeTag("unCH"), kDimensionCharge, kCharge},
    {kQuantityRotation, MakeTag("unRt"), kDimensionAngle, kRotation},
    {kQuantityPotential, MakeTag("unVl"), kDimensionPotential, kPotential},
    {kQuantityForce, MakeTag("unFF"), kDimensionForce, kForce},
    {kQuantityEnergy, MakeTag("unEN"), kDimensionEnergy, kEnergy},
    {kQuantityPower, MakeTag("unWW"), kDimensionPower, kPower},
    {kQuantityFrequency, MakeTag("unHz"), kDimensionFrequency, kFrequency},
    {kQuantityVelocity, MakeTag("unSp"), kDimensionVelocity, kVelocity},
    {kQuantityRotationalVelocity, MakeTag("unRV"), kDimensionAngularVelocity, kRotationalVelocity},
};

// Units per quantity: distance, mass, time, charge, rotation, potential, force, energy, power,
// frequency, velocity, rotational velocity. Each system's force is the one its mass, length and
// time make (newton, dyne, pound-force with the slug, poundal with the pound).
constexpr TUnitSystemDefinition kSystems[] = {
    {1, "si radians", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0}},
    {2, "cgs", {2, 2, 1, 3, 1, 0, 3, 7, 0, 1, 0, 0}},
    {4, "astronomical", {8, 5, 5, 1, 1, 1, 1, 1, 1, 1, 2, 0}},
    {5, "atomic", {7, 7, 6, 1, 1, 1, 1, 5, 1, 1, 0, 0}},
    {7, "si degrees", {1, 1, 1, 1, 3, 1, 1, 1, 1, 1, 0, 2}},
    {8, "english slugs", {5, 4, 1, 1, 3, 1, 2, 0, 2, 1, 3, 2}},
    {9, "english pounds", {5, 6, 1, 1, 3, 1, 4, 0, 2, 1, 3, 2}},
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::span<const TUnitQuantity> UnitQuantities() {
  return kQuantities;
}

const TUnitQuantity* FindUnitQuantity(int number) {
  return number >= 1 && number <= kUnitQuantityCount ? &kQuantities[number - 1] : nullptr;
}

const TUnitQuantity* FindUnitQuantityByTag(uint32_t tag) {
  for (const TUnitQuantity& quantity : kQuantities)
    if (quantity.tag == tag) return &quantity;
  return nullptr;
}

const TUnitQuantity* FindUnitQuantityByDimension(uint32_t dimension) {
  for (const TUnitQuantity& quantity : kQuantities)
    if (quantity.dimension == dimension) return &quantity;
  return nullptr;
}

const TUnitDefinition* FindUnit(const TUnitQuantity& quantity, int index) {
  for (const TUnitDefinition& unit : quantity.units)
    if (unit.index == index) return &unit;
  return nullptr;
}

int16_t FindUnitByWord(const TUnitQuantity& quantity, std::string_view word) {
  word = Trim(word);
  for (const TUnitDefinition& unit : quantity.units) {
    // The symbol is case-sensitive ("mm" is not "Mm"); words and names are not.
    if (!word.empty() && word == unit.symbol) return unit.index;
    if (SameWord(word, unit.name)) return unit.index;
    for (const char* accepted : unit.words)
      if (accepted != nullptr && SameWord(word, accepted)) return unit.index;
  }
  return -1;
}

const TUnitSystemDefinition* FindUnitSystem(int code) {
  for (const TUnitSystemDefinition& system : kSystems)
    if (system.code == code) return &system;
  return nullptr;
}

std::span<const TUnitSystemDefinition> UnitSystems() {
  return kSystems;
}
