#include "core/NumberText.h"

#include <clocale>
#include <cstring>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "core/Resources.h"

namespace {

bool Double(const char* text, double& out) {
  return ParseDouble(Str255(text), &out);
}

TEST(ParseDoubleTest, ZeroIsBelievedOnlyFromZeroText) {
  for (const char* text : {"0", "0.0", "-0", "0,0", "+0e0", "0.", ".0e-0"}) {
    double out = 99;
    EXPECT_TRUE(Double(text, out)) << text;
    EXPECT_EQ(out, 0.0) << text;
  }
  for (const char* text : {"abc", " 0", "0x", "x", "e5"}) {
    double out = 99;
    EXPECT_FALSE(Double(text, out)) << text;
    EXPECT_EQ(out, 0.0) << text;  // written all the same
  }
}

TEST(ParseDoubleTest, NumbersAreReadFromTheStart) {
  double out = 0;
  EXPECT_TRUE(Double("12abc", out));
  EXPECT_EQ(out, 12.0);
  EXPECT_TRUE(Double("  -1.25e2x", out));
  EXPECT_EQ(out, -125.0);
  EXPECT_TRUE(Double("3e", out));  // an exponent without digits is not part of the number
  EXPECT_EQ(out, 3.0);
  EXPECT_TRUE(Double("0.1", out));
  EXPECT_EQ(out, 0.1);
  // Hexadecimal, infinities and not-a-number are no numbers.
  EXPECT_FALSE(Double("0x1A", out));
  EXPECT_FALSE(Double("inf", out));
  EXPECT_FALSE(Double("nan", out));
  // Beyond the range of a double.
  EXPECT_FALSE(Double("1e999", out));
  EXPECT_FALSE(Double("-1e400", out));
}

TEST(ParseDoubleTest, EmptyTextOrNoOutputLeavesEverythingAlone) {
  double out = 42;
  EXPECT_FALSE(ParseDouble(Str255(""), &out));
  EXPECT_EQ(out, 42.0);
  EXPECT_FALSE(ParseDouble(Str255("1"), nullptr));
}

TEST(ParseDoubleTest, ThePointDoesNotDependOnTheLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no German locale";
  double out = 0;
  const bool ok = Double("2.5", out);
  Str255 shown;
  FormatDouble(3 << 16, 2.5, shown);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_TRUE(ok);
  EXPECT_EQ(out, 2.5);
  EXPECT_STREQ(shown.Chars(), "2.5");  // shown as it is read back
}

TEST(ParseIntegerTest, LongsAndShorts) {
  int32_t value = 7;
  EXPECT_TRUE(ParseLong(Str255("0"), &value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ParseLong(Str255("1e3"), &value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(ParseLong(Str255("-2147483648"), &value));
  EXPECT_EQ(value, INT32_MIN);
  EXPECT_FALSE(ParseLong(Str255("none"), &value));
  EXPECT_FALSE(ParseLong(Str255("2147483648"), &value));
  EXPECT_FALSE(ParseLong(Str255("99999999999999999999999"), &value));
  EXPECT_FALSE(ParseLong(Str255("5"), nullptr));

  int16_t shortValue = 0;
  bool ok = false;
  ParseShort(Str255("-32768"), shortValue, 0, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(shortValue, -32768);
  ParseShort(Str255("70000"), shortValue, 0, ok);
  EXPECT_FALSE(ok);  // does not fit 16 bits; the cut value is kept
  EXPECT_EQ(shortValue, 4464);
  ParseShort(Str255("abc"), shortValue, 0, ok);
  EXPECT_FALSE(ok);
  ParseShort(Str255("-0"), shortValue, 0, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(shortValue, 0);

  int32_t unchecked = 0;
  ParseLongUnchecked(Str255(" 42x"), unchecked);
  EXPECT_EQ(unchecked, 42);
}

TEST(FormatDoubleTest, SignificantDigitsFromTheUpperHalf) {
  Str255 out;
  FormatDouble(6 << 16, 3.14159265, out);
  EXPECT_STREQ(out.Chars(), "3.14159");
  FormatDouble(3 << 16 | 0x1234, 1234.5, out);
  EXPECT_STREQ(out.Chars(), "1.23e+03");
  FormatDouble(17 << 16, 0.1, out);
  EXPECT_STREQ(out.Chars(), "0.10000000000000001");
  FormatDouble(300 << 16, 0.5, out);
  EXPECT_STREQ(out.Chars(), "0.5");
  FormatDouble(0, 26.0, out);
  EXPECT_STREQ(out.Chars(), "3e+01");
}

TEST(CharToolsTest, OnlyTheFirstOccurrenceChanges) {
  char text[] = "a&b&c";
  EXPECT_STREQ(RemoveChar(text, '&'), "ab&c");
  char other[] = "x\by\bz";
  ReplaceChar(other, '\b', ' ');
  EXPECT_STREQ(other, "x y\bz");
  char none[] = "plain";
  EXPECT_STREQ(RemoveChar(none, '&'), "plain");
  EXPECT_TRUE(AllCharsIn("", "abc"));
  EXPECT_FALSE(AllCharsIn(nullptr, "abc"));
  EXPECT_FALSE(AllCharsIn("abc", nullptr));
  EXPECT_FALSE(AllCharsIn("abd", "abc"));
  char block[6] = "12345";
  MemCopy(block, block + 1, 3);
  EXPECT_STREQ(block, "11235");
}

const char kRunName[] = "Run the world\0ignored";
const char kUnterminated[] = {'S', 't', 'o', 'p'};
const ResourceEntry kCommandNames[] = {
    {"CmdN", 0, nullptr, 1031, reinterpret_cast<const uint8_t*>(kRunName), sizeof kRunName},
    {"CmdN", 0, nullptr, 1032, reinterpret_cast<const uint8_t*>(kUnterminated),
     sizeof kUnterminated},
};
const ResourceModuleTable kNames = {"cmdn-test.dll", kCommandNames, std::size(kCommandNames)};

class CommandNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceModule(kNames);
    SetResourceModule1(LoadResourceLibrary("cmdn-test.dll"));
    SetCommandMenuTextLookup([this](int32_t command) {
      const auto found = menu.find(command);
      return found != menu.end() ? found->second : std::string();
    });
  }
  void TearDown() override {
    SetCommandMenuTextLookup(nullptr);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("cmdn-test.dll");
    FreeHandlePool();
  }
  std::string Name(int16_t command) {
    Str255 out("unchanged");
    GetCommandName(command, out);
    return std::string(out.Chars(), out.Length());
  }
  std::map<int32_t, std::string> menu;
};

TEST_F(CommandNameTest, ResourceNamesComeFirstAndAreUsedUnchanged) {
  menu[1031] = "&Run";
  EXPECT_EQ(Name(1031), "Run the world");
  EXPECT_EQ(Name(1032), "Stop");  // bounded by the resource's size
}

TEST_F(CommandNameTest, MenuTextsLoseTheirMnemonicAndShowTheShortcut) {
  menu[1001] = "&Open...\bCtrl+O";
  EXPECT_EQ(Name(1001), "Open... Ctrl+O");
  menu[1002] = "Save && &Close";
  EXPECT_EQ(Name(1002), "Save & &Close");
  menu[0x4000 + 1003] = "&Paste";
  EXPECT_EQ(Name(1003), "Paste");
  menu[1004] = std::string(200, 'x');
  EXPECT_EQ(Name(1004).size(), 153u);
  EXPECT_EQ(Name(1005), "");
  SetCommandMenuTextLookup(nullptr);
  EXPECT_EQ(Name(1001), "");
}

}  // namespace
