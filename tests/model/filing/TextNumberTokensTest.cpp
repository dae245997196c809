// Numbers in the text world format: a quantity written as a plain number reads as that constant,
// as the binary form would hold it; a name or an expression stays a formula; an infinity or a
// "not a number" is damage wherever a number stands.

#include <string>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReaderText.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

std::span<const uint8_t> BytesOf(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class TextNumberTokensTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    classes = std::make_unique<TestClassScope>();
  }
  void TearDown() override {
    classes.reset();
    FreeHandlePool();
  }

  // The quantities of a shape whose quantity record holds the tokens.
  std::vector<std::unique_ptr<TFormula>> QuantitiesOf(const std::string& tokens, int count) {
    const std::string text = "ZAZU YB30 3 1200; 2, 1 1 1203; 2, " + std::to_string(count + 1) +
                             " " + std::to_string(count) + " " + tokens + " -1";
    auto reader = ReadObjects(BytesOf(text), 0, 2, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto objects = reader->TakeObjects();
    EXPECT_EQ(objects.size(), 1u);
    if (objects.empty()) return {};
    return std::move(dynamic_cast<TTestShape&>(*objects[0]).quantities);
  }

  // The failure reading the text raises, or 1 when it reads.
  static int16_t ErrorReading(const std::string& text) {
    try {
      auto reader = ReadObjects(BytesOf(text), 0, 2, nullptr, nullptr, nullptr, nullptr);
      reader->Complete(0);
      reader->TakeObjects();
    } catch (const QVException& failure) {
      return failure.error();
    }
    return 1;
  }

  std::unique_ptr<TestClassScope> classes;
};

TEST_F(TextNumberTokensTest, PlainNumbersAreConstantsAndEverythingElseIsAFormula) {
  const auto quantities = QuantitiesOf("1 -2.5 1e3 .5 \"7\" 0 x*2 2x 1e pi", 10);
  ASSERT_EQ(quantities.size(), 10u);
  const double constants[] = {1.0, -2.5, 1000.0, 0.5, 7.0, 0.0};
  for (size_t i = 0; i < std::size(constants); ++i) {
    EXPECT_FALSE(quantities[i]->IsFormula()) << i;
    EXPECT_EQ(quantities[i]->GetValue(), constants[i]) << i;
    EXPECT_TRUE(quantities[i]->Equals(TFormula(constants[i]))) << i;
  }
  for (size_t i = std::size(constants); i < quantities.size(); ++i)
    EXPECT_TRUE(quantities[i]->IsFormula()) << i;
  Str255 text;
  quantities[6]->GetText(text);
  EXPECT_EQ(std::string(text.AsCString()), "x*2");
  quantities[9]->GetText(text);
  EXPECT_EQ(std::string(text.AsCString()), "pi");
}

TEST_F(TextNumberTokensTest, InfinitiesAndNotANumberAreDamageAsRealsAndAsQuantities) {
  for (const char* token : {"inf", "-inf", "INF", "+Infinity", "nan", "-nan", "NaN(1)", "1e999",
                            "-1e400"}) {
    EXPECT_EQ(ErrorReading(std::string("ZAZU YB30 3 1200; 2, 1 ") + token + " -1"), kErrTextFormat)
        << "real " << token;
    EXPECT_EQ(ErrorReading(std::string("ZAZU YB30 3 1200; 2, 1 1 1203; 2, 2 1 ") + token + " -1"),
              kErrTextFormat)
        << "quantity " << token;
  }
  // The largest finite numbers still read.
  EXPECT_EQ(ErrorReading("ZAZU YB30 3 1200; 2, 1 1.7e308 1203; 2, 2 1 -1.7e308 -1"), 1);
}

}  // namespace
}  // namespace filing_test
