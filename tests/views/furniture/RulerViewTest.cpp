// The horizontal ruler drawn over a grid the test lays out: labels keep their distance, every
// other major line carries one when the grid has few subdivisions (always the one at 0), and
// -0 is labelled as 0.

#include "views/furniture/RulerView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/UnitHandler.h"
#include "tests/views/offscreen/OffScreenSupport.h"

namespace {

using namespace view_test;

struct TLine {
  int16_t pixel;
  double value;
  bool major;
};

// A main view whose grid is the test's list of lines.
class TGridMaster : public TPaintedView {
 public:
  TGridMaster() : TPaintedView("main", RGB(255, 255, 255), RGB(0, 0, 0), MacRect(0, 0, 0, 0)) {}
  void GetGridParameters(double& major, double& minor, double& fine, int16_t& count) override {
    major = spacing;
    minor = spacing / subdivisions;
    fine = minor;
    count = subdivisions;
  }
  void MasterRequestDirect(int32_t, intptr_t callback, intptr_t data) override {
    const auto request =
        reinterpret_cast<void (*)(int16_t, double, int16_t, void*)>(callback);
    for (const TLine& line : lines)
      request(line.pixel, line.value, line.major ? 1 : 0, reinterpret_cast<void*>(data));
  }
  std::vector<TLine> lines;
  int16_t subdivisions = 10;
  double spacing = 1.0;
};

// Lengths shown in metres, or in centimetres.
class TPlainUnits : public TUnitHandler {
 public:
  double GetDisplayFactor(int32_t kind) override { return kind == 0x1000000 ? factor : 1.0; }
  void GetFormattedValue(int32_t, int16_t, int16_t, double value, Str255& out) override {
    char text[32];
    std::snprintf(text, sizeof text, "%.4e", value);
    out.Assign(text);
  }
  double factor = 1.0;
};

// Notes the labels that were drawn (those that moved the label end).
class TNotingRuler : public THRulerView {
 public:
  void DrawLabel(int16_t along, const std::string& text) override {
    const int16_t before = LabelEnd();
    THRulerView::DrawLabel(along, text);
    if (LabelEnd() != before) drawn.push_back({along, before, LabelEnd(), text});
  }
  struct TDrawn {
    int16_t along;
    int16_t previousEnd;
    int16_t end;
    std::string text;
  };
  std::vector<TDrawn> drawn;
};

class RulerViewTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    manager_ = OpenManager();
    master_ = new TGridMaster;
    master_->InitOffScreenView(nullptr, manager_, TViewPoint{28, 0}, TViewPoint{340, 200}, 5, 5,
                               nullptr, nullptr);
  }
  TNotingRuler* Ruler() {
    auto* ruler = new TNotingRuler;
    ruler->IHRulerView(nullptr, manager_, TViewPoint{28, 200}, master_, &units_, nullptr);
    return ruler;
  }
  void Draw(TNotingRuler* ruler) {
    ruler->drawn.clear();
    ruler->InvalidateAllDeep();
    manager_->UpdateNow();
    Pump();
  }
  TDezevOffScreenMgr* manager_ = nullptr;
  TGridMaster* master_ = nullptr;
  TPlainUnits units_;
};

TEST_F(RulerViewTest, TheHorizontalRulerIsBelowTheMainViewLessTheCorner) {
  TNotingRuler* ruler = Ruler();
  EXPECT_EQ(ruler->GetStoredSize().h, 340 - 28);
  EXPECT_EQ(ruler->GetStoredSize().v, 28);
  EXPECT_EQ(ruler->GetMaster(), master_);
}

TEST_F(RulerViewTest, CrowdedLabelsKeepNinePixelsApart) {
  TNotingRuler* ruler = Ruler();
  for (int16_t i = 0; i < 30; ++i)
    master_->lines.push_back({static_cast<int16_t>(5 + 8 * i), 100.0 * i, true});
  Draw(ruler);
  ASSERT_GE(ruler->drawn.size(), 2u);
  EXPECT_LT(ruler->drawn.size(), 30u);  // some gave way
  for (const auto& label : ruler->drawn)
    EXPECT_GE(label.along, label.previousEnd + TRulerView::kLabelGap) << label.text;
}

TEST_F(RulerViewTest, FewSubdivisionsLabelEveryOtherMajorLineIncludingZero) {
  TNotingRuler* ruler = Ruler();
  master_->subdivisions = 4;
  master_->lines = {{20, -1.0, true}, {40, -0.75, false}, {80, 0.0, true},
                    {140, 1.0, true}, {200, 2.0, true},   {260, 3.0, true}};
  Draw(ruler);
  std::vector<std::string> texts;
  for (const auto& label : ruler->drawn) texts.push_back(label.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"0", "2"}));

  master_->subdivisions = 10;
  Draw(ruler);
  EXPECT_EQ(ruler->drawn.size(), 5u);
}

TEST_F(RulerViewTest, MinusZeroIsLabelledZero) {
  EXPECT_EQ(TRulerView::FormatLabel(&units_, -0.0, 1.0), "0");
  EXPECT_EQ(TRulerView::FormatLabel(&units_, -0.5, 0.1), "-0.5");
  EXPECT_EQ(TRulerView::FormatLabel(&units_, -1e-17, 0.1), "0");
  EXPECT_EQ(TRulerView::FormatLabel(nullptr, 1.0, 1.0), "");
}

// Labels carry the decimals the grid's spacing needs, in the shown unit, and fit the vertical
// ruler beside its border.
TEST_F(RulerViewTest, LabelsReadTheirValuesAndFitTheRuler) {
  TNotingRuler* ruler = Ruler();
  const auto drawn = [&](double spacing, std::vector<double> values) {
    master_->spacing = spacing;
    master_->lines.clear();
    for (size_t i = 0; i < values.size(); ++i)
      master_->lines.push_back({static_cast<int16_t>(20 + 60 * i), values[i], true});
    Draw(ruler);
    std::vector<std::string> texts;
    for (const auto& label : ruler->drawn) {
      // The label end lies its width past the tick.
      EXPECT_LE(label.end - label.along, TRulerView::kThickness - 2) << label.text;
      texts.push_back(label.text);
    }
    return texts;
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(drawn(0.1, {-1.0, -0.1, 0.0, 0.5}), (Texts{"-1", "-0.1", "0", "0.5"}));
  EXPECT_EQ(drawn(0.1, {-0.8}), (Texts{"-0.8"}));
  EXPECT_EQ(drawn(1.0, {-3.0, 0.0, 2.0}), (Texts{"-3", "0", "2"}));
  EXPECT_EQ(drawn(1.0, {-10.0}), (Texts{"-10"}));
  units_.factor = 100.0;
  EXPECT_EQ(drawn(0.1, {-0.5, 0.3}), (Texts{"-50", "30"}));
}

// A change of the shown length unit redraws the labels in the new unit once the ruler is asked
// (the marker moving with the pointer asks); with the unit unchanged the ruler stays as drawn.
TEST_F(RulerViewTest, LabelsFollowAChangeOfTheLengthUnit) {
  TNotingRuler* ruler = Ruler();
  master_->lines = {{20, 0.0, true}, {140, 1.0, true}};
  Draw(ruler);
  ASSERT_EQ(ruler->drawn.size(), 2u);
  ruler->drawn.clear();
  ruler->FollowUnits();
  manager_->UpdateNow();
  Pump();
  EXPECT_TRUE(ruler->drawn.empty());
  units_.factor = 100.0;
  ruler->DrawMarker(60, true);
  manager_->UpdateNow();
  Pump();
  ASSERT_EQ(ruler->drawn.size(), 2u);
  EXPECT_EQ(ruler->drawn.back().text, "100");
}

}  // namespace
