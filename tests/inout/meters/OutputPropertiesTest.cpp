// A meter's properties by tag, as dialogs and scripts use them.
#include <gtest/gtest.h>

#include "core/Tag.h"
#include "inout/meters/Output.h"
#include "simulation/UnitHandler.h"

namespace {

TEST(OutputProperties, ColumnTagsNameColumnsAndRefuseOthers) {
  TOutput meter;
  meter.SetColumnCount(3);
  meter.Column(3)->SetShown(false);
  EXPECT_EQ(meter.DispatchColumnTag(MakeTag("o s0"), 's', false), 1);
  EXPECT_EQ(meter.DispatchColumnTag(MakeTag("o s2"), 's', false), 3);
  EXPECT_EQ(meter.DispatchColumnTag(MakeTag("o s3"), 's', false), 0);  // no fourth column
  EXPECT_EQ(meter.DispatchColumnTag(MakeTag("o z2"), 'z', true), 0);   // hidden
  EXPECT_EQ(meter.DispatchColumnTag(MakeTag("o z0"), 'z', true), 1);
  EXPECT_EQ(meter.DispatchColumnTag(MakeTag("x s0"), 's', false), 0);

  uint16_t flag = 9;
  meter.SetWrapXAxis(true);
  EXPECT_FALSE(meter.GetFlagProperty(MakeTag("o b0"), flag, nullptr));  // column 1 pages instead
  meter.SetFlagProperty(MakeTag("o b1"), 1);
  EXPECT_TRUE(meter.Column(2)->IsAutoScale());
  // The dash flag counts only for a range above zero.
  EXPECT_FALSE(meter.GetFlagProperty(MakeTag("o -1"), flag, nullptr));
  meter.SetColumnRange(2, 1.0, 5.0);
  EXPECT_TRUE(meter.GetFlagProperty(MakeTag("o -1"), flag, nullptr));
}

TEST(OutputProperties, LabelsAndFormulasAddAndRemoveColumns) {
  TOutput meter;
  meter.SetColumnCount(2);
  Str255 label("x");
  ASSERT_TRUE(meter.GetStringProperty(MakeTag("o n2"), label, nullptr));
  EXPECT_EQ(label.Length(), 0);
  meter.SetStringProperty(MakeTag("o n2"), Str255("speed"));
  ASSERT_EQ(meter.GetColumnCount(), 3);
  EXPECT_EQ(meter.Column(3)->GetLabel(), Str255("speed"));
  meter.SetStringProperty(MakeTag("o n1"), Str255(""));
  ASSERT_EQ(meter.GetColumnCount(), 2);
  EXPECT_EQ(meter.Column(2)->GetLabel(), Str255("speed"));

  for (int i = 0; i < 5; ++i) meter.SetStringProperty(MakeTag("o n2") + (static_cast<uint32_t>(i) << 24), Str255("more"));
  EXPECT_EQ(meter.GetColumnCount(), 5);  // never a sixth

  TFormula empty;
  empty.SetFromPieces(Str255(""));
  meter.SetFormulaProperty(MakeTag("o e4"), empty);
  EXPECT_EQ(meter.GetColumnCount(), 4);
  TFormula time;
  time.SetFromPieces(Str255("t"));
  meter.SetFormulaProperty(MakeTag("o e0"), time);
  Str255 text;
  meter.GetFormulaProperty(MakeTag("o e0"), nullptr, nullptr, nullptr, nullptr)->GetText(text);
  EXPECT_EQ(text, Str255("t"));
}

TEST(OutputProperties, KindsGridAndRangesInDisplayUnits) {
  TOutput meter;
  meter.SetColumnCount(2);
  meter.SetFlagProperty(MakeTag("  Gr"), 1);
  EXPECT_EQ(meter.GetMeterKind(), MeterKind::kGraph);
  uint16_t value = 0;
  meter.GetFlagProperty(MakeTag("  Tx"), value, nullptr);
  EXPECT_EQ(value, 0);
  meter.SetFlagProperty(MakeTag("o Gr"), 0);
  uint16_t grid = 9;
  meter.GetFlagProperty(MakeTag("o Gn"), value, &grid);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(grid, 0);
  meter.SetFlagProperty(MakeTag("o Gn"), 1);  // refused while the grid is off
  EXPECT_FALSE(meter.GetGridNumbers());
  meter.DoAction(MakeTag("o uf"));
  EXPECT_EQ(meter.GetRotation(), 1);

  TWorldUnitHandler units;
  meter.SetUnitHandler(&units);
  meter.Column(2)->Formula().SetFromPieces(Str255("t"));
  meter.Column(2)->Formula().SetUnits(TFormulaUnits{2.0, 2.0, 0});
  meter.SetNumberProperty(MakeTag("o a1"), 10.0);
  EXPECT_EQ(meter.Column(2)->GetMaximum(), 5.0);
  double shown = 0.0;
  ASSERT_TRUE(meter.GetNumberProperty(MakeTag("o a1"), shown, nullptr));
  EXPECT_EQ(shown, 10.0);
}

}  // namespace
