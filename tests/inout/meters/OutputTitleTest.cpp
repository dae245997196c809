// A meter's furniture drawn into a memory canvas: its name in a strip along the top of a framed
// meter, right of the kind button, or above an unframed meter; the column buttons inside the
// frame; the labels and unit names of a digital meter's lines.
#include <gtest/gtest.h>

#include <optional>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/meters/Output.h"
#include "simulation/DimensionCode.h"
#include "simulation/UnitHandler.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class OutputTitleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    meter.Initialize();
    meter.SetColumnCount(2);
    meter.SetName("Bob position");
    meter.SetPosition(40, 10);
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeDrawingPort();
    FreeHandlePool();
  }
  // Ink (any pixel that is not white) inside the rectangle.
  int32_t InkIn(const MacRect& rect) const {
    int32_t n = 0;
    for (int32_t y = rect.top; y < rect.bottom; ++y)
      for (int32_t x = rect.left; x < rect.right; ++x) n += canvas->At(x, y) != kWhite;
    return n;
  }
  // The meter drawn afresh on white paper.
  void Draw() {
    canvas.emplace(300, 150);
    SetPortDC(canvas->dc());
    meter.DrawContents(meter.GetBounds());
  }

  std::optional<MemoryCanvas> canvas;
  TOutput meter;
};

TEST_F(OutputTitleTest, AFramedMeterShowingItsNameGivesItAStripAboveItsContent) {
  ASSERT_TRUE(meter.IsFramed());
  const MacPoint content = meter.GetSize();
  const MacRect before = meter.GetContentFrame();
  const MacRect bounds = meter.GetBounds();
  meter.SetShowName(true);
  // The content keeps its size; the frame grows by the strip's line.
  EXPECT_EQ(meter.GetSize().h, content.h);
  EXPECT_EQ(meter.GetSize().v, content.v);
  const MacRect inner = meter.GetContentFrame();
  EXPECT_EQ(inner.top - before.top, meter.GetLineHeight());
  EXPECT_EQ(inner.bottom - inner.top, before.bottom - before.top);
  EXPECT_EQ(meter.GetBounds().bottom - bounds.bottom, meter.GetLineHeight());

  const MacRect strip = meter.GetLabelRect();
  EXPECT_EQ(strip.top, meter.GetBounds().top);
  EXPECT_EQ(strip.left, meter.GetBounds().left + 25);
  EXPECT_EQ(strip.right - strip.left, meter.GetLabelWidth() + 6);
  EXPECT_EQ(strip.bottom - strip.top, meter.GetLineHeight() + 1);
  // Clear of the kind button.
  EXPECT_GT(strip.left, meter.GetKindButtonRect().right);

  Draw();
  // The strip is framed and holds the name, three pixels in.
  EXPECT_EQ(canvas->At(strip.left, strip.top + 3), kBlack);
  EXPECT_EQ(canvas->At(strip.right - 1, strip.top + 3), kBlack);
  EXPECT_EQ(canvas->At(strip.left + 5, strip.bottom - 1), kBlack);
  const MacRect text(static_cast<int16_t>(strip.left + 1), static_cast<int16_t>(strip.top + 1),
                     static_cast<int16_t>(strip.right - 1), static_cast<int16_t>(strip.bottom - 1));
  EXPECT_GT(InkIn(text), 20) << "the strip holds no name";
  const MacRect margin(text.left, text.top, static_cast<int16_t>(text.left + 2), text.bottom);
  EXPECT_EQ(InkIn(margin), 0) << "the name does not start three pixels in";

  // Hidden again, the strip goes and the content moves back up.
  meter.SetShowName(false);
  EXPECT_EQ(meter.GetContentFrame().top, before.top);
  Draw();
  EXPECT_EQ(InkIn(text), 0) << "a meter that hides its name still shows it";
}

TEST_F(OutputTitleTest, ANameLongerThanTheFrameIsCutAtItsRightEdge) {
  meter.SetName("A name far longer than the narrow meter it belongs to can hold");
  meter.SetShowName(true);
  meter.SetSize(MacPoint(60, 16));
  const MacRect bounds = meter.GetBounds();
  const MacRect strip = meter.GetLabelRect();
  EXPECT_EQ(strip.right, bounds.right);
  Draw();
  const MacRect beyond(bounds.right, 0, static_cast<int16_t>(canvas->width()),
                       static_cast<int16_t>(canvas->height()));
  EXPECT_EQ(InkIn(beyond), 0) << "the name runs past the meter's frame";
}

TEST_F(OutputTitleTest, AnUnframedMeterShowsItsNameAboveItself) {
  meter.SetFramed(false);
  meter.SetShowName(true);
  const MacRect bounds = meter.GetBounds();
  const MacRect label = meter.GetLabelRect();
  EXPECT_EQ(label.bottom, meter.GetFrame().top);
  EXPECT_EQ(meter.GetContentFrame().top, bounds.top + 3);
  Draw();
  EXPECT_GT(InkIn(label), 20) << "the name is not drawn above the meter";
}

// Four columns, the time and three quantities shown on three lines: the meter is tall enough
// for the three column buttons, each framed with the start of its label in its column's colour,
// a hidden column's button pressed in.
TEST_F(OutputTitleTest, ColumnButtonsFitInsideTheFrameAndShowTheirColumns) {
  constexpr COLORREF kRed = RGB(255, 0, 0);
  meter.SetColumnCount(4);
  const char* labels[] = {"time", "xpos", "ypos", "turn"};
  for (int32_t i = 1; i <= 4; ++i) {
    meter.Column(i)->SetLabel(Str255(labels[i - 1]));
    meter.Column(i)->SetColor(ColorRefToRGB16(kRed));
  }
  meter.SetColumnShown(4, false);
  meter.AdjustSize();
  const MacRect bounds = meter.GetBounds();
  MacRect last;
  ASSERT_TRUE(meter.GetColumnButtonRect(4, last));
  EXPECT_LE(last.bottom + 4, bounds.bottom) << "the frame is too short for its buttons";
  Draw();
  // The frame's bottom edge is whole: no button is drawn over it.
  for (int32_t x = bounds.left; x < bounds.right; ++x)
    ASSERT_EQ(canvas->At(x, bounds.bottom - 1), kBlack) << "the frame's bottom is broken at " << x;
  for (int32_t i = 2; i <= 4; ++i) {
    SCOPED_TRACE(i);
    MacRect button;
    ASSERT_TRUE(meter.GetColumnButtonRect(i, button));
    EXPECT_EQ(canvas->At(button.left, button.top + 5), kBlack) << "the button is not framed";
    EXPECT_EQ(canvas->At(button.right - 1, button.top + 5), kBlack) << "the button is not framed";
    int32_t red = 0;
    for (int32_t y = button.top + 1; y < button.bottom - 1; ++y)
      for (int32_t x = button.left + 1; x < button.right - 1; ++x) red += canvas->At(x, y) == kRed;
    EXPECT_GT(red, 5) << "the button shows no label in its column's colour";
    // Shown columns stand out, a hidden column's button is pressed in.
    const COLORREF paper = canvas->At(button.left + 1, button.top + 1);
    EXPECT_EQ(paper == kWhite, i != 4);
  }
}

// With Units ticked, each line names its unit half way across its line, or two thirds across
// when the labels take the left.
TEST_F(OutputTitleTest, UnitNamesStandHalfWayAcrossOrTwoThirdsBesideLabels) {
  TWorldUnitHandler units;
  meter.SetUnitHandler(&units);
  meter.Column(2)->SetUnitKind(static_cast<int32_t>(kDimensionLength));
  meter.Column(2)->SetLabel(Str255("x"));
  meter.SetFlagProperty(MakeTag("o Un"), 1);
  const MacRect inner = meter.GetContentFrame();
  const int32_t width = inner.right - inner.left;
  // A few pixels from where a unit's name starts, down the first line.
  const auto nameAt = [&](int32_t across) {
    const auto left = static_cast<int16_t>(inner.left + 2 + across);
    return MacRect(left, inner.top, static_cast<int16_t>(left + 6),
                   static_cast<int16_t>(inner.top + meter.GetLineHeight()));
  };
  Draw();
  EXPECT_GT(InkIn(nameAt(width / 2)), 0) << "no unit half way across";
  meter.SetFlagProperty(MakeTag("o Lb"), 1);
  Draw();
  EXPECT_EQ(InkIn(nameAt(width / 2)), 0);
  EXPECT_GT(InkIn(nameAt(width * 2 / 3)), 0) << "no unit two thirds across beside the label";
}

}  // namespace
