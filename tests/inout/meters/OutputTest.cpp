#include "inout/meters/Output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Handle.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"

namespace {

std::string FormulaText(const TNumberText& column) {
  Str255 text;
  column.Formula().GetText(text);
  return std::string(reinterpret_cast<const char*>(text.Chars()), text.Length());
}

// A meter whose columns hold the formulas "a", "b", "c", ... in stored order.
void NameColumns(TOutput& meter, int32_t count) {
  meter.SetColumnCount(count);
  for (int32_t i = 1; i <= count; ++i) {
    const std::string text(1, static_cast<char>('a' + i - 1));
    meter.Column(i)->Formula().SetFromPieces(Str255(text.c_str()));
  }
}

std::string Order(const TOutput& meter) {
  std::string out;
  for (int32_t i = 1; i <= meter.GetColumnCount(); ++i) out += FormulaText(*meter.Column(i));
  return out;
}

// A history of frames of count values; value j of frame f is 100 f + j.
void FillHistory(THistoryStore& store, int32_t frames, int32_t count) {
  store.SetValuesPerFrame(count);
  store.SetFrameCount(frames);
  for (int32_t f = 0; f < frames; ++f)
    for (int32_t j = 0; j < count; ++j) store.SetValue(f, j, 100.0 * f + j);
}

// Recorded histories live in handles.
class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

TEST(Output, ColumnsRotateRemoveAndKeepTheWrapOnColumnOne) {
  TOutput meter;
  NameColumns(meter, 3);
  EXPECT_TRUE(meter.Column(1)->IsWrapped());
  meter.RotateColumns();
  EXPECT_EQ(Order(meter), "cab");
  EXPECT_TRUE(meter.Column(1)->IsWrapped());
  EXPECT_FALSE(meter.Column(2)->IsWrapped());
  meter.RotateColumns();
  meter.RotateColumns();
  EXPECT_EQ(Order(meter), "abc");
  EXPECT_EQ(meter.GetRotation(), 0);

  meter.RotateColumns();
  meter.RemoveColumn(7);
  EXPECT_EQ(meter.GetRotation(), 1);
  meter.RemoveColumn(1);
  EXPECT_EQ(Order(meter), "ab");
  EXPECT_EQ(meter.GetRotation(), 0);
  EXPECT_TRUE(meter.Column(1)->IsWrapped());

  TOutput single;
  NameColumns(single, 1);
  single.RotateColumns();
  EXPECT_EQ(single.GetRotation(), 0);
}

TEST(Output, ShownWalksNeverVisitColumnOne) {
  TOutput meter;
  NameColumns(meter, 4);
  meter.Column(3)->SetShown(false);
  std::vector<int32_t> visited;
  meter.ForEachShownColumn([&](TNumberText&, int32_t i) { visited.push_back(i); });
  EXPECT_EQ(visited, (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(meter.CountShownColumns(), 2);
  EXPECT_EQ(meter.CountExportColumns(true), 3);
  meter.SetColumnLimit(3, true);
  EXPECT_EQ(meter.CountShownColumns(), 1);

  TOutput lone;
  NameColumns(lone, 1);
  EXPECT_EQ(lone.CountShownColumns(), 0);
  int32_t first = 0;
  lone.WithFirstShownColumn([&](TNumberText&, int32_t i) { first = i; });
  EXPECT_EQ(first, 0);
}

TEST(Output, KindButtonCyclesAndTheGraphKeepsItsSize) {
  EXPECT_EQ(TOutput::NextKind(MeterKind::kDigital), MeterKind::kGraph);
  EXPECT_EQ(TOutput::NextKind(MeterKind::kGraph), MeterKind::kBar);
  EXPECT_EQ(TOutput::NextKind(MeterKind::kBar), MeterKind::kDigital);

  TOutput meter;
  NameColumns(meter, 3);
  EXPECT_EQ(meter.GetSize().v, 2 * meter.GetLineHeight());  // two readout lines
  meter.SetMeterKind(MeterKind::kGraph);
  EXPECT_EQ(meter.GetSize().v, 100);
  EXPECT_EQ(meter.GetSize().h, 150);
  meter.SetSize(MacPoint(300, 200));
  meter.SetMeterKind(MeterKind::kBar);
  EXPECT_EQ(meter.GetGraphSize().h, 300);
  // Bars of orientation 0 grow upward and stand side by side.
  EXPECT_EQ(meter.GetSize().h, 2 * meter.GetBarThickness());
  EXPECT_EQ(meter.GetSize().v, meter.GetBarLength() + 3);
  meter.SetMeterKind(MeterKind::kGraph);
  EXPECT_EQ(meter.GetSize().h, 300);
  EXPECT_EQ(meter.GetSize().v, 200);
}

TEST_F(OutputTest, FramesLoadInRotatedOrder) {
  THistoryStore store;
  FillHistory(store, 4, 3);
  TOutput meter;
  NameColumns(meter, 3);
  meter.RotateColumns();  // c a b
  meter.ShowFrame(2, store.PositionAtFrame(2), true);
  EXPECT_EQ(meter.GetCurrentFrame(), 2);
  EXPECT_EQ(meter.Column(1)->GetCurrentValue(), 202.0);  // c
  EXPECT_EQ(meter.Column(2)->GetCurrentValue(), 200.0);  // a
  EXPECT_EQ(meter.Column(3)->GetCurrentValue(), 201.0);  // b
  // Values outside the range [0, 1] mark their frame.
  EXPECT_TRUE(meter.Column(2)->Contains(2));
  meter.CutBackHistory(1);
  EXPECT_EQ(meter.GetCurrentFrame(), kOutputFrameCutBack);
  EXPECT_FALSE(meter.Column(2)->Contains(2));
}

TEST_F(OutputTest, RangesRescaleOnTheirCadenceExceptOnDigitalMeters) {
  THistoryStore store;
  FillHistory(store, 70, 2);
  TOutput meter;
  NameColumns(meter, 2);
  meter.SetWrapXAxis(false);
  meter.Column(2)->SetAutoScale(true);
  EXPECT_FALSE(meter.FrameChange(3, store.PositionAtFrame(3), true));  // digital
  EXPECT_EQ(meter.Column(2)->GetMaximum(), 1.0);

  meter.SetMeterKind(MeterKind::kBar);
  EXPECT_FALSE(meter.FrameChange(2, store.PositionAtFrame(2), true));
  EXPECT_FALSE(meter.FrameChange(7, store.PositionAtFrame(7), false));  // option off
  EXPECT_TRUE(meter.FrameChange(3, store.PositionAtFrame(3), true));
  EXPECT_GE(meter.Column(2)->GetMaximum(), 701.0);  // the largest value seen so far
  EXPECT_EQ(meter.Column(1)->GetMaximum(), 1.0);     // column 1 of a bar meter stays
}

TEST_F(OutputTest, ReplayHandsOverEveryFrameAndRestoresValues) {
  THistoryStore store;
  FillHistory(store, 5, 3);
  TWorldUnitHandler units;
  units.SetNumberFormat(kNumberFormatFixed);
  units.SetDigits(0);
  TOutput meter;
  NameColumns(meter, 3);
  meter.RotateColumns();  // c a b
  meter.ShowFrame(4, store.PositionAtFrame(4), false);
  const TOutput::FrameWalk walk = [&](int16_t first, int16_t last, const auto& frame) {
    for (int16_t f = first; f <= last; ++f) frame(f, store.PositionAtFrame(f));
  };
  std::vector<std::string> texts;
  meter.ReplayHistory(1, 2, true, walk, &units, [&](TNumberText&, const Str255& text) {
    texts.emplace_back(reinterpret_cast<const char*>(text.Chars()), text.Length());
  });
  EXPECT_EQ(texts, (std::vector<std::string>{"102", "100", "101", "202", "200", "201"}));
  EXPECT_EQ(meter.Column(1)->GetCurrentValue(), 402.0);
  EXPECT_EQ(meter.Column(3)->GetCurrentValue(), 401.0);
}

TEST(Output, PlaceholdersTakeTheNamesAndLongTextsAreCut) {
  TOutput meter;
  meter.SetName(Str255("Meter7"));
  meter.SetColumnCount(3);
  meter.Column(1)->Formula().SetFromPieces(Str255("time"));
  meter.Column(2)->Formula().SetFromPieces(Str255("&.p.x+\xA5.v.y+@.x+\xA4.y"));
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "&+";
  longText += "1";
  meter.Column(3)->Formula().SetFromPieces(Str255(longText.c_str()));
  meter.ExpandColumnFormulas(Str255("Body1"), Str255("Point2"), Str255("Group3"));
  EXPECT_EQ(FormulaText(*meter.Column(1)), "time");
  EXPECT_EQ(FormulaText(*meter.Column(2)), "Body1.p.x+Body1.v.y+Point2.x+Group3.y");
  const std::string cut = FormulaText(*meter.Column(3));
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.substr(0, 12), "Body1+Body1+");
}

// A column keeps the unit its template gave it when its formula names no unit of its own, so
// that Units can name it; a formula carrying a unit gives the column that one.
TEST(Output, PlaceholdersKeepTheColumnsUnitUnlessTheFormulaCarriesOne) {
  TOutput meter;
  meter.SetColumnCount(3);
  meter.Column(2)->Formula().SetFromPieces(Str255("&.p.x"));
  meter.Column(2)->SetUnitKind(0x01000000);
  meter.Column(3)->Formula().SetFromPieces(Str255("&.v.x"));
  meter.Column(3)->SetUnitKind(0x01000000);
  TFormulaUnits units;
  units.unitKind = 0x01F00000;
  meter.Column(3)->Formula().SetUnits(units);
  meter.ExpandColumnFormulas(Str255("Body1"), Str255(""), Str255(""));
  EXPECT_EQ(meter.Column(2)->GetUnitKind(), 0x01000000);
  EXPECT_EQ(meter.Column(3)->GetUnitKind(), 0x01F00000);
}

}  // namespace
