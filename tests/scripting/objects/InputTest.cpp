// YBInput over a world input: style words, values, range and options reach the input; a style
// change is one undoable step; the collection of a world's inputs.

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "inout/inputs/Input.h"
#include "inout/inputs/InputTable.h"
#include "model/command/CommandCore.h"
#include "scripting/objects/APIInput.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using Inputs = ObjectScripts;

// A table as the program's table reader makes it: an object of the world.
class TFakeTable : public TLink, public TInputTable {
 public:
  void AttachUser() override { ++users; }
  void DetachUser() override { --users; }
  int16_t TableColumnCount() const override { return 2; }
  void SetKeyColumn(int16_t) override {}
  double Lookup(double, int32_t, int16_t) override { return 0.0; }
  int users = 0;
};

std::string g_readPath;

TLink* FakeReader(TWorldDoc& world, const std::string& path) {
  g_readPath = path;
  if (path == "bad.dta") ThrowFailure(-25151, 0);
  auto table = std::make_unique<TFakeTable>();
  TLink* made = table.get();
  world.AdoptObject(std::move(table));
  return made;
}

TEST_F(Inputs, StyleWordsInAnyCaseChooseTheStyleAsOneUndoableStep) {
  TInput* input = Adopt(std::make_unique<TInput>());
  input->SetKind(TInputKind::kTextBox);
  EXPECT_EQ(Run("Dim i As YBInput\nSet i = Objects.Input(1)\nPrint i.Format; i.Kind\n"
                "i.Format = \"SLIDER\"\nPrint i.Format\ni.Format = \"dial\"\nPrint i.Format; "
                "i.Kind; Objects.Input(1) Is i"),
            "textboxinput\nslider\nsliderinputTrue\n");
  EXPECT_EQ(input->GetKind(), TInputKind::kSlider);
  commands_->GetLastCommand()->Undo();
  EXPECT_EQ(input->GetKind(), TInputKind::kTextBox);
  commands_->GetLastCommand()->Redo();
  EXPECT_EQ(input->GetKind(), TInputKind::kSlider);
}

TEST_F(Inputs, RangeStaysOrderedAndOptionsReachTheInput) {
  TInput* input = Adopt(std::make_unique<TInput>());
  input->SetMinMax(0.0, 5.0);
  EXPECT_EQ(Run("Dim i As YBInput\nSet i = Objects.Input(1)\ni.Min = 10\nPrint i.Min; i.Max\n"
                "i.Momentary = False\ni.Value = 7.5\ni.ShowText = True\n"
                "Print i.Value; i.ShowText; i.Momentary\n"
                "i.DataColumn = 3\ni.TimeColumn = 0\nPrint i.DataColumn; i.TimeColumn"),
            "510\n7.5TrueFalse\n30\n");
  double minimum = 0.0;
  double maximum = 0.0;
  input->GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 5.0);
  EXPECT_EQ(maximum, 10.0);
  EXPECT_EQ(input->GetValue(), 7.5);
  EXPECT_TRUE(input->GetShowText());
}

// A step count past what the input keeps is held at the most it keeps, never wrapped round to a
// small count (256 would otherwise read as continuous).
TEST_F(Inputs, StepsPastTheLargestKeptAreHeldAtTheLargest) {
  TInput* input = Adopt(std::make_unique<TInput>());
  EXPECT_EQ(Run("Dim i As YBInput\nSet i = Objects.Input(1)\ni.Snaps = 12\nPrint i.Snaps\n"
                "i.Snaps = 300\nPrint i.Snaps"),
            "12\n255\n");
  EXPECT_EQ(input->GetSnaps(), 255);
}

TEST_F(Inputs, TheCollectionHoldsTheWorldsInputsAndAGoneInputFails) {
  TInput* input = Adopt(std::make_unique<TInput>());
  TAPIInputCollection inputs(&callLog_, &World(), documentObject_);
  int32_t count = 0;
  inputs.Count(&count);
  EXPECT_EQ(count, 1);
  TAPIDispatcher* item = nullptr;
  inputs.Item(1, &item);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->HasTag(TAPIInput::kTag));
  // Without a data-table reader the table is left as it is and nothing fails.
  EXPECT_EQ(static_cast<TAPIInput*>(item)->ReadTable("table.txt").code, 0);
  item->AddRef();
  World().RemoveObject(input);
  auto* gone = static_cast<TAPIInput*>(item);
  double value = 0.0;
  Str63 word;
  EXPECT_EQ(gone->GetNumber(MakeTag("ipVl"), value).code, kAPINoTarget);
  EXPECT_EQ(gone->ReadTable("table.txt").code, kAPINoTarget);
  EXPECT_EQ(gone->SetFormat("slider").code, kAPINoTarget);
  EXPECT_EQ(gone->GetFormat(word).code, kAPINoTarget);
  EXPECT_EQ(gone->GetTypeName(word).code, kAPINoTarget);
  EXPECT_STREQ(word.Chars(), "undefined");
  item->Release();
}

TEST_F(Inputs, ReadTableGivesTheInputTheTableReadAndAFailedReadFailsTheCall) {
  TInput* input = Adopt(std::make_unique<TInput>());
  input->SetKind(TInputKind::kTable);
  TAPIInputCollection inputs(&callLog_, &World(), documentObject_);
  TAPIDispatcher* item = nullptr;
  inputs.Item(1, &item);
  ASSERT_NE(item, nullptr);
  auto* api = static_cast<TAPIInput*>(item);
  SetDataTableReader(&FakeReader);
  EXPECT_EQ(api->ReadTable("speed.dta").code, 0);
  EXPECT_EQ(g_readPath, "speed.dta");
  auto* table = dynamic_cast<TFakeTable*>(input->GetDataTable());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->users, 1);
  // A file that cannot be read fails the call and the input keeps its table.
  EXPECT_NE(api->ReadTable("bad.dta").code, 0);
  EXPECT_EQ(input->GetDataTable(), table);
  SetDataTableReader(nullptr);
}

}  // namespace
