#include "simulation/UnitHandler.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "core/Tag.h"
#include "simulation/DimensionCode.h"
#include "simulation/FormulaDisplay.h"
#include "tests/simulation/FilingScope.h"

namespace {

std::string Text(const Str255& text) {
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

double ToDisplay(const TWorldUnitHandler& units, uint32_t code) {
  double factor = 0.0;
  units.GetToDisplayFactor(static_cast<int32_t>(code), factor);
  return factor;
}

double FromDisplay(const TWorldUnitHandler& units, uint32_t code) {
  double factor = 0.0;
  units.GetFromDisplayFactor(static_cast<int32_t>(code), factor);
  return factor;
}

std::string Name(const TWorldUnitHandler& units, uint32_t code) {
  Str255 name;
  units.GetUnitName(static_cast<int32_t>(code), name);
  return Text(name);
}

std::string Formatted(TWorldUnitHandler& units, uint32_t code, int16_t option, int16_t digits,
                      double value) {
  Str255 text;
  units.FormatValue(static_cast<int32_t>(code), option, digits, value, text);
  return Text(text);
}

TEST(DimensionCodeTest, DerivedCodesComeOutOfThePacking) {
  EXPECT_EQ(DimensionQuotient(kDimensionLength, kDimensionTime), kDimensionVelocity);
  EXPECT_EQ(DimensionQuotient(kDimensionVelocity, kDimensionTime), kDimensionAcceleration);
  EXPECT_EQ(DimensionProduct(kDimensionMass, kDimensionAcceleration), kDimensionForce);
  EXPECT_EQ(DimensionProduct(kDimensionForce, kDimensionLength), kDimensionEnergy);
  EXPECT_EQ(DimensionQuotient(kDimensionEnergy, kDimensionTime), kDimensionPower);
  EXPECT_EQ(DimensionProduct(kDimensionCharge, kDimensionPotential), kDimensionEnergy);
  EXPECT_EQ(DimensionPower(kDimensionLength, 2), kDimensionArea);
  EXPECT_EQ(DimensionQuotient(kDimensionMass, kDimensionArea), kDimensionDensity);
  EXPECT_EQ(DimensionPower(kDimensionTime, -1), kDimensionFrequency);
  EXPECT_EQ(DimensionProduct(kDimensionAngle, kDimensionFrequency), kDimensionAngularVelocity);
  EXPECT_EQ(DimensionExponent(0xF3E00000, DimensionBase::kMass), -1);
  EXPECT_EQ(DimensionExponent(0xF3E00000, DimensionBase::kLength), 3);
  // Exponents beyond a nibble, and "no unit", cannot take part.
  EXPECT_EQ(DimensionPower(kDimensionLength, 8), kDimensionNoUnit);
  EXPECT_EQ(DimensionProduct(kDimensionNoUnit, kDimensionLength), kDimensionNoUnit);
}

TEST(UnitHandlerTest, EveryUnitMapsToItsFactorNameAndWords) {
  TWorldUnitHandler units;
  for (const TUnitQuantity& quantity : UnitQuantities()) {
    for (const TUnitDefinition& unit : quantity.units) {
      units.SetUnit(quantity.number, unit.index);
      EXPECT_EQ(units.GetUnitSystem(), 0);
      int16_t index = -1;
      EXPECT_EQ(units.GetIndexProperty(quantity.tag, index), 1);
      EXPECT_EQ(index, unit.index);
      EXPECT_EQ(FindUnitByWord(quantity, unit.name), unit.index) << unit.name;
      for (const char* word : unit.words) {
        if (word == nullptr) continue;
        std::string upper = word;
        for (char& c : upper)
          c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindUnitByWord(quantity, upper), unit.index) << word;
      }
      if (unit.index == 0) continue;
      EXPECT_EQ(FromDisplay(units, quantity.dimension), unit.size) << unit.name;
      EXPECT_DOUBLE_EQ(ToDisplay(units, quantity.dimension) * unit.size, 1.0) << unit.name;
      EXPECT_EQ(Name(units, quantity.dimension), unit.symbol) << unit.name;
    }
  }
  // A word of another quantity, or none at all, names no unit.
  EXPECT_EQ(FindUnitByWord(*FindUnitQuantity(kQuantityDistance), "pound"), -1);
  EXPECT_EQ(FindUnitByWord(*FindUnitQuantity(kQuantityMass), "pound"), 6);
  EXPECT_EQ(FindUnitByWord(*FindUnitQuantity(kQuantityForce), "pound"), 2);
  EXPECT_EQ(FindUnitByWord(*FindUnitQuantity(kQuantityForce), ""), -1);
  EXPECT_EQ(FindUnitByWord(*FindUnitQuantity(kQuantityVelocity), ""), 0);
}

TEST(UnitHandlerTest, FactorsFollowTheExactDefinitions) {
  const auto size = [](int quantity, int index) {
    return FindUnit(*FindUnitQuantity(quantity), index)->size;
  };
  EXPECT_EQ(size(kQuantityDistance, 5), 0.3048);
  EXPECT_EQ(size(kQuantityDistance, 8), 9460730472580800.0);
  EXPECT_NEAR(size(kQuantityDistance, 11) / 3.0856775814913673e16, 1.0, 1e-15);
  EXPECT_EQ(size(kQuantityDistance, 10), 1609.344);
  EXPECT_EQ(size(kQuantityMass, 6), 0.45359237);
  EXPECT_NEAR(size(kQuantityMass, 4), 14.593902937206364, 1e-12);
  EXPECT_NEAR(size(kQuantityCharge, 3) / 3.3356409519815204e-10, 1.0, 1e-15);
  EXPECT_EQ(size(kQuantityRotation, 3), M_PI / 180.0);
  EXPECT_NEAR(size(kQuantityForce, 2), 4.4482216152605, 1e-13);
  EXPECT_EQ(size(kQuantityEnergy, 5), 1.602176634e-19);
  EXPECT_EQ(size(kQuantityEnergy, 4), 1055.05585262);
  EXPECT_NEAR(size(kQuantityPower, 2), 745.69987158227022, 1e-9);
  EXPECT_EQ(size(kQuantityVelocity, 3), 0.44704);
  EXPECT_EQ(size(kQuantityTime, 5), 31557600.0);
}

TEST(UnitHandlerTest, SystemsComposeDerivedQuantitiesFromTheirUnits) {
  TWorldUnitHandler units;
  EXPECT_EQ(units.GetUnitSystem(), 1);
  EXPECT_EQ(ToDisplay(units, kDimensionVelocity), 1.0);
  EXPECT_EQ(Name(units, kDimensionVelocity), "m/s");
  EXPECT_EQ(Name(units, kDimensionAcceleration), "m/s\xB2");
  EXPECT_EQ(Name(units, kDimensionMomentOfInertia), "kg\xB7m\xB2");
  EXPECT_EQ(Name(units, kDimensionTorque), "N\xB7m");
  EXPECT_EQ(Name(units, 0x1FF00000), "kg/(m\xB7s)");
  EXPECT_EQ(Name(units, 0), "");
  EXPECT_EQ(ToDisplay(units, kDimensionNoUnit), 1.0);

  units.SetIndexProperty(kTagUnitSystem, 8);  // english slugs
  EXPECT_EQ(units.GetUnitSystem(), 8);
  EXPECT_EQ(Name(units, kDimensionForce), "lbf");
  EXPECT_NEAR(ToDisplay(units, kDimensionLength), 1.0 / 0.3048, 1e-12);
  EXPECT_EQ(Name(units, kDimensionAngle), "\xB0");
  EXPECT_EQ(Name(units, kDimensionTorque),
            "lbf\xB7"
            "ft");
  EXPECT_NEAR(FromDisplay(units, kDimensionTorque), 4.4482216152605 * 0.3048, 1e-12);
  // Slugs, feet and seconds make the pound-force: the system is consistent.
  EXPECT_NEAR(FromDisplay(units, 0x11E00000) /
                  (FromDisplay(units, kDimensionMass) * FromDisplay(units, kDimensionLength)),
              1.0, 1e-12);

  units.SetIndexProperty(kTagUnitSystem, 2);                     // cgs
  EXPECT_NEAR(ToDisplay(units, kDimensionDensity), 0.1, 1e-15);  // 1 kg/m2 = 0.1 g/cm2
  EXPECT_EQ(Name(units, kDimensionDensity), "g/cm\xB2");
  EXPECT_EQ(Name(units, kDimensionForce), "dyn");
  // A potential without a unit of its own is a mass, length, time and charge expression.
  EXPECT_NEAR(FromDisplay(units, kDimensionPotential),
              0.001 * 0.01 * 0.01 / (FindUnit(*FindUnitQuantity(kQuantityCharge), 3)->size), 1e-12);

  // A unit chosen by hand makes the system custom; a code without a definition too.
  units.SetIndexProperty(MakeTag("un_D"), 4);
  int16_t system = -1;
  EXPECT_EQ(units.GetIndexProperty(kTagUnitSystem, system), 1);
  EXPECT_EQ(system, 0);
  EXPECT_EQ(Name(units, kDimensionLength), "mm");
  units.SetUnitSystem(7);
  units.SetUnitSystem(3);
  EXPECT_EQ(units.GetUnitSystem(), 0);
  EXPECT_EQ(Name(units, kDimensionAngle), "\xB0");  // the units stay
}

TEST(UnitHandlerTest, ConversionsRoundTripAndAnglesMayWrap) {
  TWorldUnitHandler units;
  units.SetUnitSystem(9);
  for (const uint32_t code : {kDimensionLength, kDimensionMass, kDimensionCharge, kDimensionForce,
                              kDimensionTorque, kDimensionPotential, 0xF3E00000u, 0x13C0E000u}) {
    double value = 1234.5678;
    units.ConvertToDisplay(static_cast<int32_t>(code), &value);
    units.ConvertFromUser(static_cast<int32_t>(code), &value);
    EXPECT_NEAR(value / 1234.5678, 1.0, 1e-14) << std::hex << code;
  }
  double angle = 2.0 * M_PI + 0.5;
  units.ConvertToDisplay(static_cast<int32_t>(kDimensionAngle), &angle);
  EXPECT_NEAR(angle, (2.0 * M_PI + 0.5) * 180.0 / M_PI, 1e-9);
  units.SetWrapAngles(true);
  angle = 2.0 * M_PI + 0.5;
  units.ConvertToDisplay(static_cast<int32_t>(kDimensionAngle), &angle);
  EXPECT_NEAR(angle, 0.5 * 180.0 / M_PI, 1e-9);
}

TEST(UnitHandlerTest, ValuesAreFormattedInEachFormatWithTheirUnits) {
  TWorldUnitHandler units;
  units.SetUnitSystem(2);
  units.SetIntProperty(kTagDigits, 3);
  units.SelectChoice(kTagFormatFixed);
  int16_t chosen = 0;
  EXPECT_EQ(units.GetChoiceProperty(kTagFormatFixed, chosen, nullptr), 1);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(units.GetChoiceProperty(kTagFormatAutomatic, chosen, nullptr), 1);
  EXPECT_EQ(chosen, 0);
  EXPECT_EQ(Formatted(units, kDimensionLength, 1, 32767, 1.5), "150.000");
  EXPECT_EQ(Formatted(units, kDimensionLength, 1, 1, 1.5), "150.0");
  EXPECT_EQ(Formatted(units, 0, 1, 32767, 1.5), "1.500");

  units.SelectChoice(kTagFormatFloating);
  EXPECT_EQ(units.GetNumberFormat(), kNumberFormatFloating);
  EXPECT_EQ(Formatted(units, kDimensionMass, 1, 32767, 2.0), "2.000e+03");
  // Labels take the automatic form whatever the format.
  EXPECT_EQ(Formatted(units, kDimensionLength, 0, 32767, 0.5), "50.000");

  units.SelectChoice(kTagFormatAutomatic);
  EXPECT_EQ(Formatted(units, kDimensionLength, 1, 32767, 0.5), "50.000");
  EXPECT_EQ(Formatted(units, kDimensionLength, 1, 32767, 5e6), "5.000e+08");

  // Huge values and silly digit counts stay whole numbers in a counted string.
  units.SelectChoice(kTagFormatFixed);
  units.SetDigits(200);
  const std::string huge = Formatted(units, 0, 1, 32767, 1e300);
  EXPECT_EQ(huge.substr(0, 2), "1.");
  EXPECT_NE(huge.find("e+300"), std::string::npos);
  units.SetDigits(-5);
  EXPECT_EQ(Formatted(units, 0, 1, 32767, 2.5), "2");
  int32_t digits = 0;
  EXPECT_EQ(units.GetIntProperty(kTagDigits, digits, nullptr), 1);
  EXPECT_EQ(digits, -5);
}

TEST(UnitHandlerTest, QuantitiesShowInTheUnitsTheyWereTypedIn) {
  TWorldUnitHandler units;
  units.SetUnitSystem(2);
  units.SelectChoice(kTagFormatFixed);
  TFormula formula;
  ASSERT_EQ(formula.SetFormattedText("250", &units, static_cast<int32_t>(kDimensionLength)), 0);
  Str255 shown;
  FormatFormulaForDisplay(formula, &units, static_cast<int32_t>(kDimensionLength), 1, shown);
  EXPECT_EQ(Text(shown), "250.0");
  FormatFormulaForDisplay(formula, nullptr, static_cast<int32_t>(kDimensionLength), 2, shown);
  EXPECT_EQ(Text(shown), "2.50");
  ASSERT_EQ(formula.SetFormattedText("time * 10", &units, static_cast<int32_t>(kDimensionLength)),
            0);
  FormatFormulaForDisplay(formula, &units, static_cast<int32_t>(kDimensionLength), 1, shown);
  EXPECT_EQ(Text(shown), "time * 10");
}

TEST(UnitHandlerTest, TypedQuantitiesTakeTheDisplayUnitOrTheirOwn) {
  TWorldUnitHandler units;
  double value = 0.0;
  const auto read = [&](const char* text, uint32_t code) {
    return units.ReadQuantity(Str255(text), static_cast<int32_t>(code), value);
  };
  EXPECT_TRUE(read(" 3 ft", kDimensionLength));
  EXPECT_DOUBLE_EQ(value, 0.9144);
  EXPECT_TRUE(read("2 Miles", kDimensionLength));
  EXPECT_DOUBLE_EQ(value, 3218.688);
  units.SetUnitSystem(2);
  EXPECT_TRUE(read("250", kDimensionLength));
  EXPECT_DOUBLE_EQ(value, 2.5);
  EXPECT_TRUE(read("+1e2 cm/s", kDimensionVelocity));
  EXPECT_DOUBLE_EQ(value, 1.0);
  EXPECT_TRUE(read("90 degrees", kDimensionAngle));
  EXPECT_DOUBLE_EQ(value, M_PI / 2.0);
  value = -1.0;
  EXPECT_FALSE(read("2 furlongs", kDimensionLength));
  EXPECT_FALSE(read("ft", kDimensionLength));
  EXPECT_FALSE(read("3 kg", kDimensionLength));
  EXPECT_EQ(value, -1.0);
}

TEST(UnitHandlerTest, SettingsAreFiledAndTheGlobalHandlerLivesWithItsRegistration) {
  simulation_test::FilingScope scope;
  ASSERT_NE(GetGlobalUnitHandler(), nullptr);
  TWorldUnitHandler units;
  units.SetUnitSystem(8);
  units.SetUnit(kQuantityTime, 3);
  units.SetDigits(7);
  units.SetNumberFormat(kNumberFormatFloating);
  units.SetWrapAngles(true);
  const auto read = scope.RoundTrip<TWorldUnitHandler>(units);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetUnitSystem(), 0);
  for (int quantity = 1; quantity <= kUnitQuantityCount; ++quantity)
    EXPECT_EQ(read->GetUnit(quantity), units.GetUnit(quantity)) << quantity;
  EXPECT_EQ(read->GetDigits(), 7);
  EXPECT_EQ(read->GetNumberFormat(), kNumberFormatFloating);
  EXPECT_TRUE(read->WrapsAngles());
  EXPECT_EQ(Name(*read, kDimensionAcceleration), "ft/h\xB2");
}

}  // namespace
