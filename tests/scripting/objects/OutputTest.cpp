// YBOutput over a meter: style words, display flags as script booleans, columns reached and
// grown through Column, a column's label, cell, range and switches, the world's meters, and the
// tags that name a column's properties.

#include <gtest/gtest.h>

#include "inout/meters/Output.h"
#include "model/command/CommandCore.h"
#include "scripting/objects/APIOutput.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using Outputs = ObjectScripts;

constexpr const char* kFirstMeter = "Dim m As YBOutput\nSet m = Objects.Output(1)\n";

TEST_F(Outputs, StyleWordsAndDisplayFlagsReachTheMeter) {
  TOutput* meter = Adopt(std::make_unique<TOutput>());
  EXPECT_EQ(Run(std::string(kFirstMeter) +
                "Print m.Kind; m.Format\nm.Format = \"GrAph\"\nm.Format = \"pie\"\n"
                "m.ShowUnits = 7\nm.ShowGrid = False\n"
                "Print m.Format; m.ShowUnits = True; m.ShowGrid; Objects(1).Output Is m\n"
                "m.Format = \"bar\"\nm.ShowUnits = True\nPrint m.Format; m.ShowUnits"),
            "outputdigital\ngraphTrueFalseTrue\nbarFalse\n");
  EXPECT_EQ(meter->GetMeterKind(), MeterKind::kBar);
  EXPECT_FALSE(meter->GetShowGrid());
  // Each style change is one step of its own.
  commands_->GetLastCommand()->Undo();
  EXPECT_EQ(meter->GetMeterKind(), MeterKind::kGraph);
  TAPIOutputCollection meters(&callLog_, &World(), documentObject_);
  int32_t count = 0;
  meters.Count(&count);
  EXPECT_EQ(count, 1);
}

TEST_F(Outputs, ColumnGrowsTheMeterToAtMostFiveColumnsAsOneUndoableStep) {
  TOutput* meter = Adopt(std::make_unique<TOutput>());
  meter->SetColumnCount(3);
  EXPECT_EQ(Run(std::string(kFirstMeter) +
                "Print m.ColumnCount; m.Column(2) Is m.Column(2); m.Column(-1) Is Nothing\n"
                "Dim c As YBOutputColumn\nSet c = m.Column(3)\nPrint m.ColumnCount\n"
                "c.Label = \"speed\"\nPrint c.Label; m.Column(4) Is Nothing; m.ColumnCount\n"
                "Print m.Column(5) Is Nothing; m.ColumnCount"),
            "3TrueTrue\n4\nspeedFalse5\nTrue5\n");
  EXPECT_STREQ(meter->Column(4)->GetLabel().Chars(), "speed");
  commands_->GetLastCommand()->Undo();
  EXPECT_EQ(meter->GetColumnCount(), 4);
}

TEST_F(Outputs, AColumnsRangeSwitchesAndCellAreTheMetersAtItsPosition) {
  TOutput* meter = Adopt(std::make_unique<TOutput>());
  meter->SetColumnCount(2);
  meter->SetColumnShown(2, false);
  EXPECT_EQ(Run(std::string(kFirstMeter) +
                "Dim c As YBOutputColumn\nSet c = m.Column(1)\nc.Min = 0\nc.Max = 10\n"
                "Print c.Min; c.Max; c.AutoScale\nc.AutoScale = True\nc.Show = True\n"
                "Print c.Show; c.AutoScale\nc.AutoScale = True\nPrint c.AutoScale\n"
                "c.Cell.Formula = \"2*3\"\nPrint c.Cell Is c.Cell; c.Cell.Formula"),
            "010True\nTrueFalse\nTrue\nTrue2*3\n");
  EXPECT_EQ(meter->Column(2)->GetMaximum(), 10.0);
  EXPECT_TRUE(meter->Column(2)->IsAutoScale());
  Str255 text;
  meter->Column(2)->Formula().GetText(text);
  EXPECT_STREQ(text.Chars(), "2*3");
}

TEST_F(Outputs, AColumnTheMeterDroppedAndAGoneMeterFailInEveryMember) {
  TOutput* meter = Adopt(std::make_unique<TOutput>());
  meter->SetColumnCount(3);
  auto* output = static_cast<TAPIOutput*>(ScriptObjectOf(meter));
  TAPIDispatcher* item = nullptr;
  ASSERT_EQ(output->GetColumn(2, &item).code, 0);
  ASSERT_NE(item, nullptr);
  auto* column = static_cast<TAPIOutputColumn*>(item);
  column->AddRef();
  meter->SetColumnCount(2);
  Str255 label;
  double value = 0.0;
  bool on = false;
  TAPIDispatcher* cell = nullptr;
  EXPECT_EQ(column->GetLabel(label).code, kAPINoTarget);
  EXPECT_EQ(column->SetLabel("x").code, kAPINoTarget);
  EXPECT_EQ(column->GetNumber(1, value).code, kAPINoTarget);
  EXPECT_EQ(column->SetNumber(2, 1.0).code, kAPINoTarget);
  EXPECT_EQ(column->GetFlag(4, on).code, kAPINoTarget);
  EXPECT_EQ(column->SetFlag(3, true).code, kAPINoTarget);
  EXPECT_EQ(column->GetCell(&cell).code, kAPINoTarget);
  column->Release();

  output->AddRef();
  World().RemoveObject(meter);
  Str63 word;
  int32_t count = 0;
  EXPECT_EQ(output->GetTypeName(word).code, kAPINoTarget);
  EXPECT_STREQ(word.Chars(), "undefined");
  EXPECT_EQ(output->GetFormat(word).code, kAPINoTarget);
  EXPECT_EQ(output->SetFormat("graph").code, kAPINoTarget);
  EXPECT_EQ(output->GetFlag(MakeTag("o Fr"), on).code, kAPINoTarget);
  EXPECT_EQ(output->SetFlag(MakeTag("o Fr"), true).code, kAPINoTarget);
  EXPECT_EQ(output->GetColumnCount(count).code, kAPINoTarget);
  EXPECT_EQ(output->GetColumn(0, &item).code, kAPINoTarget);
  EXPECT_EQ(item, nullptr);
  output->Release();
}

TEST(ColumnTags, NameTheKindAndTheListPosition) {
  EXPECT_EQ(MakeColumnTag(1, 2), MakeTag("o i1"));
  EXPECT_EQ(MakeColumnTag(0, 5), MakeTag("o e4"));
  EXPECT_EQ(MakeColumnTag(4, 1), MakeTag("o s0"));
  EXPECT_EQ(MakeColumnTag(7, 3), MakeTag("o  2"));
  EXPECT_EQ(MakeColumnTag(2, 0), 0u);
  EXPECT_EQ(MakeColumnTag(2, 6), 0u);
}

}  // namespace
