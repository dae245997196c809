// The words scripts use for units and unit systems, both ways, and the unit and number-format
// members of the document object on a world's unit handler.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/world/QVDoc.h"
#include "scripting/document/UnitNames.h"
#include "simulation/UnitHandler.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

struct UnitWords {
  int quantity;
  int index;
  const char* name;
  std::vector<const char*> words;
};

// Every unit a script can name, as scripts have always written them.
const std::vector<UnitWords> kUnitWords = {
    {1, 1, "meters", {"meter", "meters"}},
    {1, 2, "centimeters", {"centimeter", "centimeters"}},
    {1, 3, "kilometers", {"kilometer", "kilometers"}},
    {1, 4, "millimeters", {"millimeter", "millimeters"}},
    {1, 5, "feet", {"foot", "feet"}},
    {1, 6, "inches", {"inch", "inches"}},
    {1, 7, "angstroms", {"angstrom", "angstroms"}},
    {1, 8, "lightyears", {"lightyear", "lightyears", "light year", "light years"}},
    {1, 9, "yards", {"yard", "yards"}},
    {1, 10, "miles", {"mile", "miles"}},
    {1, 11, "parsecs", {"parsec", "parsecs"}},
    {1, 12, "nanometers", {"nanometer", "nanometers"}},
    {1, 13, "micrometers", {"micrometer", "micrometers"}},
    {1, 14, "mils", {"mil", "mils"}},
    {2, 1, "kilograms", {"kilogram", "kilograms"}},
    {2, 2, "grams", {"gram", "grams"}},
    {2, 3, "milligrams", {"milligram", "milligrams"}},
    {2, 4, "slugs", {"slug", "slugs"}},
    {2, 5, "metric tons", {"metric ton", "metric tons"}},
    {2, 6, "earth pounds", {"earth pound", "earth pounds", "pound", "pounds"}},
    {2, 7, "atomic mass units", {"atomic mass unit", "atomic mass units"}},
    {3, 1, "seconds", {"second", "seconds"}},
    {3, 2, "minutes", {"minute", "minutes"}},
    {3, 3, "hours", {"hour", "hours"}},
    {3, 4, "milliseconds", {"millisecond", "milliseconds"}},
    {3, 5, "years", {"year", "years"}},
    {3, 6, "microseconds", {"microsecond", "microseconds"}},
    {3, 7, "seconds (sec)", {"second sec", "seconds sec", "second (sec)", "seconds (sec)"}},
    {3, 8, "hours (hr)", {"hour hr", "hours hr", "hour (hr)", "hours (hr)"}},
    {3, 9, "days", {"day", "days"}},
    {4, 1, "coulombs", {"coulomb", "coulombs"}},
    {4, 3, "statcoulombs", {"statcoulomb", "statcoulombs"}},
    {5, 1, "radians", {"radian", "radians"}},
    {5, 3, "degrees", {"degree", "degrees"}},
    {5, 4, "revolutions", {"revolution", "revolutions"}},
    {5, 5, "minutes", {"minute", "minutes"}},
    {5, 6, "seconds", {"second", "seconds"}},
    {6, 0, "", {"none", "(none)", ""}},
    {6, 1, "volts", {"volt", "volts"}},
    {7, 1, "newtons", {"newton", "newtons"}},
    {7, 2, "pounds", {"pound", "pounds"}},
    {7, 3, "dynes", {"dyne", "dynes"}},
    {7, 4, "poundals", {"poundal", "poundals"}},
    {7, 5, "grams (force)", {"gram force", "grams force", "gram (force)", "grams (force)"}},
    {7,
     6,
     "kilograms (force)",
     {"kilogram force", "kilograms force", "kilogram (force)", "kilograms (force)"}},
    {8, 0, "", {"none", "(none)", ""}},
    {8, 1, "joules", {"joule", "joules"}},
    {8, 2, "kilowatt hours", {"kilowatt hour", "kilowatt hours"}},
    {8, 3, "kilocalories", {"kilocalorie", "kilocalories"}},
    {8,
     4,
     "british thermal units",
     {"british thermal unit", "british thermal units", "btu", "btus"}},
    {8, 5, "electron volts", {"electron volt", "electron volts"}},
    {8, 6, "mev", {"mega electron volt", "mega electron volts", "mev"}},
    {8, 7, "ergs", {"erg", "ergs"}},
    {9, 0, "", {"none", "(none)", ""}},
    {9, 1, "watts", {"watt", "watts"}},
    {9, 2, "horsepower", {"horsepower"}},
    {10, 0, "", {"none", "(none)", ""}},
    {10, 1, "hertz", {"hertz"}},
    {11, 0, "", {"none", "(none)", ""}},
    {11, 2, "speed of light", {"speed of light"}},
    {11, 3, "miles per hour", {"miles per hour"}},
    {12, 0, "", {"none", "(none)", ""}},
    {12, 2, "revs/min", {"revs/min", "revolutions per minute"}},
};

std::string Capitals(const char* word) {
  std::string text(word);
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

TEST(UnitWords, EveryWordParsesToItsUnitWhichPrintsItsName) {
  for (const UnitWords& unit : kUnitWords) {
    EXPECT_EQ(PrintUnitName(unit.quantity, unit.index), unit.name)
        << unit.quantity << "/" << unit.index;
    for (const char* word : unit.words) {
      EXPECT_EQ(ParseUnitName(unit.quantity, word), unit.index) << unit.quantity << " " << word;
      EXPECT_EQ(ParseUnitName(unit.quantity, Capitals(word)), unit.index) << "in capitals " << word;
    }
  }
}

TEST(UnitWords, AbbreviationsBlanksAndIndicesWithoutNamesAreRefused) {
  EXPECT_EQ(ParseUnitName(1, "cm"), -1);
  EXPECT_EQ(ParseUnitName(1, "m"), -1);
  EXPECT_EQ(ParseUnitName(1, ""), -1);
  EXPECT_EQ(ParseUnitName(1, " feet"), -1);
  EXPECT_EQ(ParseUnitName(3, "hours (hr)"), 8);
  EXPECT_EQ(ParseUnitName(13, "feet"), 0);
  EXPECT_EQ(PrintUnitName(4, 2), "");
  EXPECT_EQ(PrintUnitName(11, 1), "");
  EXPECT_EQ(PrintUnitName(1, 0), "");
  EXPECT_EQ(PrintUnitName(1, 15), "");
  EXPECT_EQ(UnitQuantityTag(1), MakeTag("un_D"));
  EXPECT_EQ(UnitQuantityTag(12), MakeTag("unRV"));
  EXPECT_EQ(UnitQuantityTag(0), 0u);
}

TEST(UnitWords, SystemsAreNamedWithAndWithoutBracketsAndCustomIsOnlyRead) {
  const std::pair<const char*, int> accepted[] = {
      {"si (radians)", 1},   {"SI Radians", 1},   {"cgs", 2},       {"english (pounds)", 9},
      {"english pounds", 9}, {"astronomical", 4}, {"atomic", 5},    {"english (slugs)", 8},
      {"english slugs", 8},  {"SI (DEGREES)", 7}, {"si degrees", 7}};
  for (const auto& [word, code] : accepted)
    EXPECT_EQ(ParseUnitSystemName(word), code) << word;
  EXPECT_EQ(ParseUnitSystemName("SI"), -1);
  EXPECT_EQ(ParseUnitSystemName("custom"), -1);
  const std::pair<int, const char*> names[] = {
      {1, "si radians"}, {2, "cgs"},           {4, "astronomical"},   {5, "atomic"},
      {7, "si degrees"}, {8, "english slugs"}, {9, "english pounds"}, {0, "custom"},
      {3, "custom"},     {6, "custom"},        {-1, "custom"}};
  for (const auto& [code, name] : names)
    EXPECT_EQ(PrintUnitSystemName(code), name) << code;
}

class UnitMembers : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
    auto handler = std::make_unique<TWorldUnitHandler>();
    handler->Initialize();
    handler->SetIdentifier(1);
    units_ = handler.get();
    application_.front->World().AdoptObject(std::move(handler));
  }
  std::string With(const std::string& body) {
    return Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" + body);
  }
  TWorldUnitHandler* units_ = nullptr;
};

TEST_F(UnitMembers, EachUnitMemberServesItsQuantity) {
  EXPECT_EQ(
      With("d.DistanceUnit = \"Light Years\"\nd.MassUnit = \"pound\"\nd.ForceUnit = \"pound\"\n"
           "d.TimeUnit = \"hour (hr)\"\nd.VelocityUnit = \"none\"\nd.PowerUnit = \"\"\n"
           "d.RotationalVelocityUnit = \"revolutions per minute\"\nd.DistanceUnit = \"cm\"\n"
           "Print Err.Number\nErr.Clear\nd.DistanceUnit = \"\"\n"
           "Print d.DistanceUnit; \"/\"; d.MassUnit; \"/\"; d.ForceUnit; \"/\"; d.TimeUnit; "
           "\"/\"; d.VelocityUnit; \"/\"; d.PowerUnit; \"/\"; d.RotationalVelocityUnit; \"/\"; "
           "d.UnitSystem; \"/\"; Err.Number"),
      "904\nlightyears/earth pounds/pounds/hours (hr)///revs/min/custom/0\n");
  EXPECT_EQ(units_->GetUnit(1), 8);
  EXPECT_EQ(units_->GetUnit(11), 0);
  EXPECT_EQ(units_->GetUnit(12), 2);
}

TEST_F(UnitMembers, UnitSystemsSetEveryUnitAndUnknownNamesChangeNothing) {
  EXPECT_EQ(
      With("Print d.UnitSystem\nd.UnitSystem = \"SI (Degrees)\"\nPrint d.UnitSystem; \"/\"; "
           "d.RotationUnit\nd.UnitSystem = \"SI\"\nPrint Err.Number\nErr.Clear\n"
           "d.UnitSystem = \"custom\"\nPrint d.UnitSystem\n"
           "d.UnitSystem = \"cgs\"\nPrint d.DistanceUnit; \"/\"; d.UnitSystem; \"/\"; Err.Number\n"
           "d.UnitSystem = \"metric\"\nd.DecimalFormat = \"exponent\"\nPrint Err.Number; d.UnitSystem"),
      "si radians\nsi degrees/degrees\n904\nsi degrees\ncentimeters/cgs/0\n904cgs\n");
}

TEST_F(UnitMembers, DigitsAreStoredAsWrittenAndFormatsByWord) {
  EXPECT_EQ(With("d.DecimalDigits = 40\nPrint d.DecimalDigits\nd.DecimalDigits = -3\n"
                 "Print d.DecimalDigits\nd.DecimalFormat = \"Fixed\"\nPrint d.DecimalFormat\n"
                 "d.DecimalFormat = \"exponent\"\nPrint d.DecimalFormat\n"
                 "d.DecimalFormat = \"floating\"\nPrint d.DecimalFormat"),
            "40\n-3\nfixed\nfixed\nfloating\n");
  // Whatever was stored, the handler formats numbers with digits it can use.
  units_->SetDigits(40);
  Str255 text;
  units_->FormatNumberWithDigits(1.0 / 3.0, units_->GetDigits(), text);
  EXPECT_NEAR(std::stod(text.Chars()), 1.0 / 3.0, 1e-12);
  units_->SetDigits(-3);
  units_->SelectChoice(kTagFormatFixed);
  units_->FormatNumberWithDigits(2.5, units_->GetDigits(), text);
  EXPECT_NEAR(std::stod(text.Chars()), 2.5, 0.51);
}

}  // namespace
