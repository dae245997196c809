#include "model/Formula.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/UnitHandler.h"
#include "platform/mfc/CWnd.h"

namespace {

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;
}

TFormula Text(const char* text, const TFormulaRecord* record = nullptr) {
  TFormula formula;
  formula.SetFromPieces(Str255(text), record);
  return formula;
}

// A world of one body at (2, 3) turned by 0.5, with input 4 at 10 and the time at 1.5.
class OneBody : public FormulaEnvironment {
 public:
  int32_t Time(double& out) const override {
    out = 1.5;
    return 0;
  }
  int32_t ExternalStep(double& out) const override {
    out = 0.01;
    return 0;
  }
  int32_t Participant(int32_t, FormulaObject&) const override { return kFormulaNoValue; }
  int32_t FindObject(std::string_view, int32_t, FormulaObject&) const override {
    return kFormulaUnknownObject;
  }
  int32_t Member(const FormulaObject& object, FormulaMember member,
                 FormulaVector& out) const override {
    if (object.kind != FormulaObjectKind::kBody || object.number != 1) return kFormulaUnknownObject;
    if (member != FormulaMember::kPosition) return kFormulaNoValue;
    out = FormulaVector{2.0, 3.0, 0.5};
    return 0;
  }
  int32_t InputValue(int32_t number, double& out) const override {
    if (number != 4) return kFormulaUnknownObject;
    out = 10.0;
    return 0;
  }
  int32_t GroupCentreOfMass(int32_t, FormulaVector&) const override { return kFormulaNoValue; }
  int32_t Section(const FormulaObject&, const FormulaVector&, double&) const override {
    return kFormulaNoValue;
  }
  int32_t Interaction(FormulaInteraction, const FormulaObject&, const FormulaObject&, int32_t,
                      FormulaVector&) const override {
    return kFormulaNoValue;
  }
};

TEST(FormulaTest, ConstantsKeepTheirValueAndTextReadsBackExactly) {
  const TFormula fresh;
  EXPECT_FALSE(fresh.IsFormula());
  EXPECT_EQ(fresh.GetValue(), 0.0);

  for (const double value : {0.1, -2.5e-300, 1.0 / 3.0, TFormula::kNoValue, -0.0}) {
    TFormula formula(value);
    EXPECT_FALSE(formula.IsFormula());
    EXPECT_EQ(formula.Evaluate(nullptr), value);
    // The text of a constant compiles back to the same number.
    const TFormula again = Text(TextOf(formula).c_str());
    EXPECT_EQ(again.CompileError(), 0) << TextOf(formula);
    if (value >= 0) {
      TFormula copy = again;
      EXPECT_EQ(copy.Evaluate(nullptr), value) << TextOf(formula);
    }
  }
  EXPECT_EQ(TextOf(TFormula(0.1)), "0.1");
}

TEST(FormulaTest, TextsAreCompiledAndEvaluatedOnDemand) {
  TFormula formula = Text("-(100) * (2 - (0.5))^2");
  EXPECT_TRUE(formula.IsFormula());
  EXPECT_EQ(TextOf(formula), "-(100) * (2 - (0.5))^2");
  // A text that names nothing of the world has its value as soon as it is set.
  EXPECT_DOUBLE_EQ(formula.GetValue(), -225.0);
  EXPECT_FALSE(formula.NeedsWorld());
  EXPECT_DOUBLE_EQ(formula.Evaluate(nullptr), -225.0);
  EXPECT_DOUBLE_EQ(formula.GetValue(), -225.0);

  // The texts that conditions are set from.
  for (const auto& [text, value] : {std::pair{"true", 1.0}, {"false", 0.0}, {"(0)", 0.0}}) {
    TFormula condition = Text(text);
    EXPECT_TRUE(condition.IsFormula()) << text;
    EXPECT_EQ(condition.Evaluate(nullptr), value) << text;
  }

  formula.SetConstant(4.0);
  EXPECT_FALSE(formula.IsFormula());
  EXPECT_EQ(TextOf(formula), "4");
  EXPECT_EQ(formula.Evaluate(nullptr), 4.0);
}

TEST(FormulaTest, FormulasOfTheWorldNeedAnEnvironment) {
  const OneBody world;
  TFormula formula = Text("body[1].p.x * Input[4] + time");
  EXPECT_TRUE(formula.NeedsWorld());
  EXPECT_EQ(ErrorOf([&] { formula.Evaluate(nullptr); }), FormulaErrorNumber(kFormulaNoProgram));
  EXPECT_EQ(formula.GetValue(), TFormula::kNoValue);
  EXPECT_DOUBLE_EQ(formula.Evaluate(&world), 21.5);
  // A stored value replaces the current value and keeps the text; held, the formula keeps it
  // through evaluation.
  formula.StoreConstant(7.0);
  EXPECT_TRUE(formula.IsFormula());
  EXPECT_EQ(formula.GetValue(), 7.0);
  formula.Hold(1);
  EXPECT_EQ(formula.Evaluate(&world), 7.0);
  formula.Hold(0);
  EXPECT_DOUBLE_EQ(formula.Evaluate(&world), 21.5);
  formula.SetIsFormula(0);
  EXPECT_FALSE(formula.IsFormula());
  EXPECT_DOUBLE_EQ(formula.GetValue(), 21.5);

  TFormula missing = Text("body[2].p.x");
  EXPECT_EQ(ErrorOf([&] { missing.Evaluate(&world); }), -28806);
  EXPECT_EQ(missing.GetValue(), TFormula::kNoValue);
}

TEST(FormulaTest, FaultsCarryTheirErrorNumbersAndKeepTheText) {
  TFormula broken = Text("1 +");
  EXPECT_TRUE(broken.IsFormula());
  EXPECT_EQ(TextOf(broken), "1 +");
  EXPECT_EQ(broken.CompileError(), -28815);
  EXPECT_EQ(ErrorOf([&] { broken.Evaluate(nullptr); }), -28815);

  TFormula unknown = Text("2 * foo(1)");
  EXPECT_EQ(unknown.CompileError(), -28817);
  EXPECT_EQ(unknown.ErrorPosition(), 4);

  TFormula quotient = Text("1 / (2 - 2)");
  EXPECT_EQ(quotient.CompileError(), 0);
  EXPECT_EQ(ErrorOf([&] { quotient.Evaluate(nullptr); }), -28808);
  EXPECT_EQ(quotient.GetValue(), TFormula::kNoValue);

  const OneBody world;
  TFormula vector = Text("body[1].p");
  EXPECT_EQ(ErrorOf([&] { vector.Evaluate(&world); }), -28813);
}

TEST(FormulaTest, TextsThatWouldReadBackAsRecordsAreRefused) {
  TFormula formula = Text("time");
  EXPECT_EQ(ErrorOf([&] { formula.SetFromPieces("#1:x"); }), -28819);
  EXPECT_EQ(TextOf(formula), "time");
}

TEST(FormulaTest, RecordsAreNamedForTheirTextAndCountAndTravelWithTheFormula) {
  TFormulaRecord record;
  record.name = "anything";
  record.first = 1.5;
  record.kind = 3;
  record.elements = {{0.25, 1}, {0.5, 2}, {0.75, 3}};
  TFormula formula = Text("Input[4] * 2", &record);
  ASSERT_NE(formula.GetRecord(), nullptr);
  EXPECT_TRUE(formula.GetRecord()->name == Str255("#3:Input[4] * 2"));
  EXPECT_EQ(formula.GetRecord()->elements, record.elements);

  // Assignment copies text, record and program.
  const OneBody world;
  TFormula copy;
  copy = formula;
  ASSERT_NE(copy.GetRecord(), nullptr);
  EXPECT_EQ(copy.GetRecord()->first, 1.5);
  EXPECT_DOUBLE_EQ(copy.Evaluate(&world), 20.0);

  // A record named "#" is none; a constant or a new text drops the record.
  TFormulaRecord none;
  none.elements = {{1.0, 1}};
  EXPECT_EQ(Text("time", &none).GetRecord(), nullptr);
  copy.SetFromPieces("time");
  EXPECT_EQ(copy.GetRecord(), nullptr);
  formula.SetConstant(1.0);
  EXPECT_EQ(formula.GetRecord(), nullptr);

  // A name must fit a stored string (all 255 characters): the text then cannot take its whole
  // length.
  EXPECT_EQ(kFormulaRecordNameLimit, 255);
  const std::string longest(kFormulaRecordNameLimit - 3, '1');
  EXPECT_NE(Text(longest.c_str(), &record).GetRecord(), nullptr);
  TFormula tooLong = Text("time");
  EXPECT_EQ(ErrorOf([&] { tooLong.SetFromPieces((longest + "1").c_str(), &record); }), -28811);
  EXPECT_EQ(TextOf(tooLong), "time");
}

// Shows lengths in centimetres.
class Centimetres : public TUnitHandler {
 public:
  double GetDisplayFactor(int32_t unitKind) override { return unitKind == 0x1000000 ? 100.0 : 1.0; }
  void GetFormattedValue(int32_t, int16_t, int16_t, double, Str255& out) override { out = ""; }
};

TEST(FormulaTest, TypedTextIsTakenInTheDisplayUnits) {
  Centimetres units;
  TFormula formula;
  EXPECT_EQ(formula.SetFormattedText(" 250 ", &units, 0x1000000), 0);
  EXPECT_FALSE(formula.IsFormula());
  EXPECT_DOUBLE_EQ(formula.GetValue(), 2.5);

  // A formula computes in display units; its unit record turns the result into metres.
  const OneBody world;
  EXPECT_EQ(formula.SetFormattedText("body[1].p.x * 50", &units, 0x1000000), 0);
  ASSERT_NE(formula.GetUnits(), nullptr);
  EXPECT_EQ(formula.GetUnits()->unitKind, 0x1000000);
  EXPECT_DOUBLE_EQ(formula.Evaluate(&world), 1.0);
  int32_t kind = 0;
  EXPECT_EQ(formula.Compile(1.0, &kind), 0);
  EXPECT_EQ(kind, 0x1000000);
  EXPECT_DOUBLE_EQ(formula.Evaluate(&world), 100.0);

  // Without a handler, or with a unit whose factor is unusable, nothing is converted.
  EXPECT_EQ(formula.SetFormattedText("3", nullptr, 0x1000000), 0);
  EXPECT_EQ(formula.GetValue(), 3.0);
  EXPECT_EQ(formula.SetFormattedText("2 +", &units, 0x1000000), -28815);
  EXPECT_TRUE(formula.IsFormula());
  EXPECT_EQ(TextOf(formula), "2 +");
}

TEST(FormulaTest, CopiesComparisonsAndAppendedTerms) {
  TFormula formula = Text("time");
  formula.Assign(formula);
  EXPECT_EQ(TextOf(formula), "time");
  TFormula copy;
  copy.Assign(formula);
  EXPECT_TRUE(copy.Equals(formula));
  EXPECT_FALSE(copy.Equals(TFormula(0.0)));
  EXPECT_TRUE(TFormula(2.0).Equals(TFormula(2.0)));
  EXPECT_FALSE(TFormula(2.0).Equals(TFormula(3.0)));

  EXPECT_TRUE(TFormula(0.0).IsZeroConstant());
  EXPECT_TRUE(TFormula(-1.0).IsNotPositiveConstant());
  EXPECT_TRUE(TFormula(-1.0).IsNonZeroConstant());
  EXPECT_FALSE(formula.IsNotPositiveConstant());
  EXPECT_FALSE(formula.IsZeroConstant());

  copy.AppendTerm(" * 2 + ");
  copy.CombineTerms(TFormula(0.1));
  EXPECT_EQ(TextOf(copy), "time * 2 + 0.100000000000000006");
  copy.CombineTerms(Text("1"));
  EXPECT_EQ(TextOf(copy), "time * 2 + 0.1000000000000000061");
  const std::string full(250, '1');
  TFormula longOne = Text(full.c_str());
  EXPECT_EQ(ErrorOf([&] { longOne.AppendTerm("+12345"); }), -28811);
  EXPECT_EQ(TextOf(longOne), full);

  std::unique_ptr<TFormula> made = TFormula::New();
  EXPECT_TRUE(made->IsZeroConstant());
  DeleteFormula(made.release());
  DeleteFormula(nullptr);
}

TEST(FormulaTest, TokensSplitAtOperatorsAndJoinBackToTheText) {
  const std::string text = "constraintforce(^1,^0).x+body[12].p.r*1.5e-3<>-.25 <= Input[4]";
  std::string joined;
  std::vector<std::string> numbers;
  std::vector<std::string> names;
  std::vector<std::string> operators;
  for (const TFormulaToken& token : TokenizeFormula(text)) {
    joined += token.text;
    if (token.kind == TFormulaToken::Kind::kNumber) numbers.push_back(token.text);
    if (token.kind == TFormulaToken::Kind::kName) names.push_back(token.text);
    if (token.kind == TFormulaToken::Kind::kOperator) operators.push_back(token.text);
  }
  EXPECT_EQ(joined, text);
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "0", "12", "1.5e-3", ".25", "4"}));
  EXPECT_EQ(names, (std::vector<std::string>{"constraintforce", ".x", "body", ".p.r", "Input"}));
  EXPECT_EQ(operators, (std::vector<std::string>{"(", "^", ",", "^", ")", "+", "[", "]", "*", "<>",
                                                  "-", "<=", "[", "]"}));
  EXPECT_EQ(TokenizeFormula("a>=b").at(1).text, ">=");
  EXPECT_TRUE(TokenizeFormula("").empty());
}

}  // namespace

namespace {

// Stands for a script cell: the slot only holds and releases it.
std::vector<CCmdTarget*> g_releasedCells;

TEST(FormulaCell, AQuantityKeepsOneCellThatACopyDoesNotShareAndReleasesItWhenItGoes) {
  g_releasedCells.clear();
  TFormula::SetCellMaker({[](TFormula&, CCmdTarget*) -> CCmdTarget* { return new CCmdTarget; },
                          [](CCmdTarget* cell) {
                            g_releasedCells.push_back(cell);
                            delete cell;
                          }});
  CCmdTarget parent;
  auto quantity = std::make_unique<TFormula>(2.0);
  EXPECT_EQ(quantity->GetAPICell(nullptr), nullptr);
  CCmdTarget* cell = quantity->GetAPICell(&parent);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(quantity->GetAPICell(&parent), cell);
  TFormula copy(*quantity);
  EXPECT_EQ(copy.KeptAPICell(), nullptr);
  copy = *quantity;
  EXPECT_EQ(copy.KeptAPICell(), nullptr);
  quantity->Assign(TFormula(3.0));
  EXPECT_EQ(quantity->KeptAPICell(), cell);  // a new value keeps the same cell
  quantity.reset();
  EXPECT_EQ(g_releasedCells, std::vector<CCmdTarget*>{cell});
  TFormula::SetCellMaker({});
}

}  // namespace
