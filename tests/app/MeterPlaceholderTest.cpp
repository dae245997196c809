// A meter of the spring-and-pin box drawn before its world has shown a recorded frame, after a
// run has shown one, and after a reset: only a shown frame gives it values to draw.

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "inout/meters/Output.h"
#include "model/world/RunCommand.h"
#include "tests/app/SampleFixture.h"
#include "tests/support/MemoryCanvas.h"
#include "tools/samples/SampleWorlds.h"

namespace {

constexpr int16_t kFrames = 5;
constexpr COLORREF kRed = RGB(255, 0, 0);

// A pixel of the red column's ink in any of its shades.
bool IsReddish(COLORREF pixel) {
  return GetRValue(pixel) > GetGValue(pixel) + 60 && GetRValue(pixel) > GetBValue(pixel) + 60;
}

int32_t CountReddish(const MemoryCanvas& canvas) {
  const std::vector<COLORREF> pixels = canvas.Pixels();
  return static_cast<int32_t>(std::count_if(pixels.begin(), pixels.end(), IsReddish));
}

// The centres of the current-point markers drawn: a red square framed in black.
std::vector<std::pair<int32_t, int32_t>> MarkerCentres(const MemoryCanvas& canvas) {
  std::vector<std::pair<int32_t, int32_t>> centres;
  for (int32_t y = 2; y + 2 < canvas.height(); ++y) {
    for (int32_t x = 2; x + 2 < canvas.width(); ++x) {
      bool marker = true;
      for (int32_t dy = -2; dy <= 2 && marker; ++dy) {
        for (int32_t dx = -2; dx <= 2 && marker; ++dx) {
          const bool edge = std::abs(dx) == 2 || std::abs(dy) == 2;
          const COLORREF pixel = canvas.At(x + dx, y + dy);
          marker = edge ? pixel == RGB(0, 0, 0) : IsReddish(pixel);
        }
      }
      if (marker) centres.emplace_back(x, y);
    }
  }
  return centres;
}

class MeterPlaceholderTest : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    document = Open(sample_worlds::kSpringAndPinFile);
    // A meter of the box's x, as a user places one before any run.
    auto owned = std::make_unique<TOutput>();
    owned->Initialize();
    owned->SetColumnCount(2);
    owned->Column(1)->Formula().SetFromPieces(Str255("time"));
    owned->Column(2)->Formula().SetFromPieces(Str255("body[2].p.x"));
    owned->Column(2)->SetColor(ColorRefToRGB16(kRed));
    owned->SetColumnShown(2, true);
    owned->SetPosition(0, 0);
    owned->SetSize(MacPoint(160, 20));
    meter = owned.get();
    document->World().AdoptObject(std::move(owned));
  }
  void TearDown() override {
    document.reset();
    SampleFixture::TearDown();
  }

  // The meter drawn afresh on white paper.
  std::unique_ptr<MemoryCanvas> Drawn() {
    auto canvas = std::make_unique<MemoryCanvas>(200, 60);
    SetPortDC(canvas->dc());
    meter->DrawContents(meter->GetBounds());
    SetPortDC(nullptr);
    return canvas;
  }
  // The tallest unbroken column of the column's colour inside the meter's content: a digit
  // stands several pixels high, a dash of the placeholder one or two.
  int32_t TallestText(const MemoryCanvas& canvas) const {
    const MacRect inner = meter->GetContentFrame();
    int32_t tallest = 0;
    for (int32_t x = inner.left; x < inner.right; ++x) {
      int32_t run = 0;
      for (int32_t y = inner.top; y < inner.bottom; ++y) {
        run = canvas.At(x, y) == kRed ? run + 1 : 0;
        tallest = std::max(tallest, run);
      }
    }
    return tallest;
  }
  void RunAndShowLast() {
    document->World().RunToFrame(kFrames, nullptr);
    document->World().ShowFrame(kFrames, 1);
    ASSERT_EQ(document->World().LastFrame(), kFrames);
  }
  // A run command of the World menu, performed to its end.
  void Perform(int16_t number) {
    const std::unique_ptr<TCommand> command = document->World().MakeRunCommand(number, 1);
    ASSERT_NE(command, nullptr);
    command->Perform();
  }

  std::unique_ptr<TQVDoc> document;
  TOutput* meter = nullptr;
};

TEST_F(MeterPlaceholderTest, ADigitalMeterShowsItsPlaceholderUntilAFrameIsShownAndAfterAReset) {
  const std::unique_ptr<MemoryCanvas> before = Drawn();
  EXPECT_GT(before->Count(kRed), 0) << "the new meter's line shows nothing";
  EXPECT_LE(TallestText(*before), 2) << "the new meter shows digits before any run";

  // Values recorded but no frame shown yet: still nothing of the meter's own.
  document->World().RunToFrame(kFrames, nullptr);
  EXPECT_EQ(Drawn()->Pixels(), before->Pixels());

  document->World().ShowFrame(kFrames, 1);
  const std::unique_ptr<MemoryCanvas> shown = Drawn();
  EXPECT_GE(TallestText(*shown), 5) << "the shown frame's value is not drawn";

  // A reset throws the frames away; the meter goes back to its placeholder.
  document->World().ResetHistory(1);
  EXPECT_EQ(Drawn()->Pixels(), before->Pixels());
}

// Reset goes back to frame 0 as the start of a new run, with no frame of it shown yet; Back to
// Start shows frame 0 of the run that is kept.
TEST_F(MeterPlaceholderTest, ResetBringsThePlaceholderBackWhereBackToStartShowsValues) {
  const std::unique_ptr<MemoryCanvas> before = Drawn();
  RunAndShowLast();
  Perform(kCmdReset);
  ASSERT_EQ(document->World().CurrentFrame(), 0);
  EXPECT_EQ(Drawn()->Pixels(), before->Pixels()) << "the reset meter shows frame 0's values";

  RunAndShowLast();
  Perform(kCmdPlayBackToStart);
  ASSERT_EQ(document->World().CurrentFrame(), 0);
  EXPECT_GE(TallestText(*Drawn()), 5) << "back at the start, frame 0's value is not drawn";
}

TEST_F(MeterPlaceholderTest, ABarMeterDrawsItsBarsOnlyOnceAFrameIsShown) {
  meter->SetMeterKind(MeterKind::kBar);
  // One bar growing to the right, 100 pixels long.
  meter->SetSize(MacPoint(103, 20));
  // A range the box's x lies well inside, so that a shown frame draws a bar.
  meter->Column(2)->SetRange(0.0, 2.0 * sample_worlds::kBoxStart);
  EXPECT_EQ(CountReddish(*Drawn()), 0) << "a bar was drawn before any frame was shown";
  RunAndShowLast();
  EXPECT_GT(CountReddish(*Drawn()), 20) << "the shown frame drew no bar";
}

TEST_F(MeterPlaceholderTest, AGraphMarksTheShownFrameOnlyOnceAFrameIsShown) {
  meter->SetMeterKind(MeterKind::kGraph);
  meter->SetSize(MacPoint(150, 50));
  meter->SetShowGrid(false);
  meter->SetShowAxes(false);
  TWorldDoc& world = document->World();
  ASSERT_NE(world.GetEngine(), nullptr);
  // Time across twice the run, the box's x up the plot.
  meter->Column(1)->SetRange(0.0, 2.0 * kFrames * world.GetEngine()->TimeStep());
  meter->Column(2)->SetRange(0.0, 2.0 * sample_worlds::kBoxStart);
  EXPECT_TRUE(MarkerCentres(*Drawn()).empty()) << "a point was marked before any run";

  RunAndShowLast();
  const auto last = MarkerCentres(*Drawn());
  ASSERT_EQ(last.size(), 1u);
  const MacRect plot = meter->GetContentFrame();
  // The last frame lies halfway across; the box, pulled in from 1.5 m, below the middle.
  EXPECT_NEAR(last[0].first, (plot.left + plot.right) / 2, 2);
  EXPECT_GT(last[0].second, (plot.top + plot.bottom) / 2);

  world.ShowFrame(0, 1);
  const auto first = MarkerCentres(*Drawn());
  ASSERT_EQ(first.size(), 1u);
  EXPECT_LE(first[0].first, plot.left + 2) << "frame 0's point is not at the start of time";
  EXPECT_NEAR(first[0].second, (plot.top + plot.bottom) / 2, 2) << "x = 1.5 m is not mid-plot";
}

}  // namespace
