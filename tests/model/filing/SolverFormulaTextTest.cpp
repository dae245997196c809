// Formula texts written for the solver: references by name become references by kind and
// identifier, everything else of the text stays; the document's writer keeps the user's text.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "model/Formula.h"
#include "model/filing/ObjectWriter.h"
#include "model/filing/SolverFormulaText.h"
#include "solver/formula/FormulaLexer.h"
#include "solver/stream/StreamCursor.h"

namespace {

// A world of three named objects, and a gear kind whose second member is constraint 12.
class TestNamer : public TFormulaNamer {
 public:
  bool Resolve(std::string_view name, int32_t number, FormulaObject& object) const override {
    if (FormulaNameEquals(name, "Gear")) {
      if (number != 2) return false;
      object = {FormulaObjectKind::kConstraint, 12};
      return true;
    }
    for (const auto& [known, found] : objects) {
      if (number < 0 && FormulaNameEquals(name, known)) {
        object = found;
        return true;
      }
    }
    return false;
  }

  std::map<std::string, FormulaObject> objects{
      {"Ball", {FormulaObjectKind::kBody, 3}},
      {"Peg", {FormulaObjectKind::kPoint, 17}},
      {"Spring", {FormulaObjectKind::kConstraint, 9}},
      {"Ghost", {FormulaObjectKind::kOther, 4}},
  };
};

TEST(SolverFormulaTextTest, NamesBecomeKindsAndIdentifiersAndTheRestStays) {
  const TestNamer namer;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Ball.p.x + 1", "body[3].p.x + 1"},
      {"ball.charge", "body[3].charge"},
      {"Ball.p.y < 0", "body[3].p.y < 0"},
      {"  Peg.p.y-Ball.p.y  ", "  point[17].p.y-body[3].p.y  "},
      {"-(100) * (Spring.dp.x - (0.5))", "-(100) * (Constraint[9].dp.x - (0.5))"},
      {"constraintforce(Spring, Ball).x", "constraintforce(Constraint[9], body[3]).x"},
      {"section(Ball, Ball.v)", "section(body[3], body[3].v)"},
      {"Gear[2].dp.r", "Constraint[12].dp.r"},
      {"Gear [ 2 ].dp.r*2", "Constraint[12].dp.r*2"},
      {"if(Ball.p.x > 0, sin(time), Peg.p.x)", "if(body[3].p.x > 0, sin(time), point[17].p.x)"},
  };
  for (const auto& [text, solver] : cases)
    EXPECT_EQ(SolverFormulaText(text, namer), solver) << text;
}

TEST(SolverFormulaTextTest, WhatTheSolverReadsAlreadyOrCannotBeNamedStaysAsWritten) {
  const TestNamer namer;
  for (const char* text :
       {"body[3].p.x + Body[4].v.y", "point[2].p.x", "Constraint[5].dv.x", "Input[1] * 2",
        "-self.mass*(6.67e-11)/sqr(self.p-other.p)*other.mass", "time > 1.0", "2*pi",
        "constraintforce(7,3).x", "GroupCofM(0).x",
        // names that name nothing, or an object the solver has no kind for
        "Nobody.p.x + Ball.p.x", "Ghost.p.x", "Gear[3].dp.r",
        // texts that do not compile
        "Ball.p.x +", "(Ball.p.x", "Ball.p.x # 2", ""}) {
    const std::string solver = SolverFormulaText(text, namer);
    if (std::string(text) == "Nobody.p.x + Ball.p.x") {
      // The name it resolves is written; the one it does not stays.
      EXPECT_EQ(solver, "Nobody.p.x + body[3].p.x");
      continue;
    }
    EXPECT_EQ(solver, text);
  }
}

class SolverFormulaWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }

  // The formulas as a native writer writes them, with or without the namer, read back as the
  // solver reads formula items.
  std::vector<yb::stream::FormulaItem> Written(const std::vector<TFormula>& formulas,
                                               const char* elementText,
                                               const TFormulaNamer* namer) {
    TNativeObjectWriter writer;
    writer.Init(nullptr);
    writer.SetFormulaNamer(namer);
    for (const TFormula& formula : formulas)
      writer.WriteFormula(&formula);
    writer.WriteFormulaText(Str255(elementText));
    writer.WriteCode(-1);
    Handle handle = writer.TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    yb::stream::StreamCursor cursor(bytes.data(), static_cast<int64_t>(bytes.size()));
    std::vector<yb::stream::FormulaItem> items;
    for (size_t i = 0; i <= formulas.size(); ++i)
      items.push_back(cursor.Formula());
    EXPECT_EQ(cursor.Code(), -1);
    EXPECT_TRUE(cursor.AtEnd());
    return items;
  }
};

TEST_F(SolverFormulaWriterTest, EveryFormulaItemIsNamedForTheSolverOnlyWhenANamerIsGiven) {
  TFormula plain;
  plain.SetFromPieces(Str255("Ball.p.x + 1"));
  TFormulaRecord record;
  record.name = "pieces";
  record.first = 2.0;
  record.elements = {{1.5, 7}, {-2.0, 8}};
  TFormula recorded;
  recorded.SetFromPieces(Str255("Spring.dp.x * Q.mass"), &record);
  const TFormula constant(4.25);
  // A text longer than a stored string once its short names are written out.
  std::string longText = "B.p.x";
  while (longText.size() + 6 <= 255)
    longText += "+B.p.x";
  TFormula grown;
  grown.SetFromPieces(Str255(longText.c_str()));
  ASSERT_EQ(grown.CompileError(), 0);

  TestNamer namer;
  namer.objects["B"] = {FormulaObjectKind::kBody, 11};
  const std::vector<TFormula> formulas{plain, recorded, constant, grown};
  const auto solver = Written(formulas, "Ball.charge", &namer);
  ASSERT_EQ(solver.size(), 5u);
  EXPECT_EQ(solver[0].text, "body[3].p.x + 1");
  EXPECT_EQ(solver[1].text, "Constraint[9].dp.x * Q.mass");
  EXPECT_TRUE(solver[2].isConstant);
  EXPECT_EQ(solver[2].value, 4.25);
  EXPECT_GT(solver[3].text.size(), 255u);
  FormulaProgram program;
  EXPECT_EQ(parse_equation(solver[3].text, program), kFormulaOk);
  EXPECT_EQ(solver[3].text.find("B."), std::string::npos);
  EXPECT_EQ(solver[4].text, "body[3].charge");

  const auto kept = Written(formulas, "Ball.charge", nullptr);
  EXPECT_EQ(kept[0].text, "Ball.p.x + 1");
  EXPECT_EQ(kept[1].text, "Spring.dp.x * Q.mass");
  EXPECT_EQ(kept[3].text, longText);
  EXPECT_EQ(kept[4].text, "Ball.charge");
  // The formulas themselves keep the user's texts.
  Str255 text;
  plain.GetText(text);
  EXPECT_TRUE(text == Str255("Ball.p.x + 1"));
}

}  // namespace
