// Meters and sliders made for an object of the spring-and-pin sample from the Meter and Input
// menus: a meter of the box's position shows the run's values as they change, its bars at once
// when its kind button makes it a bar meter, and its units and labels when ticked; a slider on
// the spring's constant sets the constant when its thumb is dragged, slowly or quickly.

#include <algorithm>
#include <string>

#include "constraints/Springs.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

constexpr char kSample[] = "spring-and-pin.yb";

using namespace spring_and_pin;

// The spring's constant as a saved document keeps it: the text of its formula and the value of
// the slider that formula names.
struct SavedConstant {
  std::string formula;
  bool sliderFound = false;
  double sliderValue = 0.0;
};

SavedConstant ReadSavedConstant(const std::string& path) {
  SavedConstant saved;
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  if (auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId))) {
    Str255 text;
    spring->Quantity().GetText(text);
    saved.formula = text.AsCString();
    saved.sliderFound = NamesSlider(world, spring->Quantity(), saved.sliderValue);
  }
  return saved;
}

// How many meters a saved document holds.
int SavedMeterCount(const std::string& path) {
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  int count = 0;
  for (TLink* object : document.World().Objects())
    if (dynamic_cast<TOutput*>(object) != nullptr) ++count;
  return count;
}

class Meters : public SampleScenario {
 protected:
  // The box, clicked off its centre, and Meter > Position; a press on the world's background
  // then leaves the meter unselected. The box of the meter drawn.
  Box PlaceBoxMeter() {
    const Box frame = Frame();
    // The gadgets' corner of the world from the view's top edge, where a new meter's frame
    // starts.
    Box area = GadgetArea();
    area.y -= 10;
    const Picture empty = Me().Grab(area);
    Me().Click(frame.x + kBoxX - 10, frame.y + kObjectsY + 9);
    EXPECT_TRUE(Me().Idle());
    EXPECT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
    Me().Click(frame.x + kAnchorX + 40, frame.y + kObjectsY + 120);
    EXPECT_TRUE(Me().Idle());
    Box meter = ChangedBox(empty, Me().Grab(area));
    if (meter.Empty()) return meter;
    // The meter may reach right beyond the corner watched: its frame's top edge is an
    // unbroken dark run.
    const Picture top = Me().Grab({meter.x, meter.y, 400, 1});
    meter.width = 3;
    while (meter.width < top.box.width && IsInk(top.At(meter.width, 0))) ++meter.width;
    return meter;
  }
  // World > Step Forward from the keyboard, the times asked.
  ::testing::AssertionResult StepForward(int times) { return WorldMenuByKeys("f", times); }
  // Saves the copy with Ctrl+S and reads the spring's constant back.
  SavedConstant SaveAndReadBack() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadSavedConstant(CopyPath());
  }
};

// The meter shows as soon as it is placed, before anything else redraws the world.
TEST_F(Meters, APositionMeterOfTheBoxShowsItsDigitsChangingDuringARun) {
  ASSERT_TRUE(StartOnSample(kSample));
  const Box frame = Frame();
  // Off the box's centre, where its centre point would take the click.
  Me().Click(frame.x + kBoxX - 10, frame.y + kObjectsY + 9);
  ASSERT_TRUE(Me().Idle());
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  ASSERT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
  const Box meter = ChangedBox(empty, Me().Grab(area));
  ASSERT_GE(meter.width, 40) << "no meter appeared at the top left of the world";
  ASSERT_GE(meter.height, 12) << "no meter appeared at the top left of the world";

  const Picture placed = Me().Grab(meter);
  Me().Control("r");
  // The run's first values replace what the new meter showed; the box moves all the time, so
  // the values of later frames differ again. (A running world is never idle: the meter is
  // watched instead.)
  Picture running;
  ASSERT_TRUE(Me().WaitUntil([&] {
    running = Me().Grab(meter);
    return running != placed;
  })) << "the meter showed nothing of the run";
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().Grab(meter) != running; }))
      << "the meter's digits stood still while the box moved";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
}

// The buttons of a meter from the Meter menu name their columns, so its lines can be told apart.
TEST_F(Meters, APositionMetersColumnButtonsNameTheirColumns) {
  ASSERT_TRUE(StartOnSample(kSample));
  const Box frame = Frame();
  // The gadgets' corner of the world from the view's top edge, where a new meter's frame starts.
  Box area = GadgetArea();
  area.y -= 10;
  const Picture empty = Me().Grab(area);
  Me().Click(frame.x + kBoxX - 10, frame.y + kObjectsY + 9);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  // A press on the world's background leaves the meter unselected, its frame alone.
  Me().Click(frame.x + kAnchorX + 40, frame.y + kObjectsY + 120);
  ASSERT_TRUE(Me().Idle());
  const Box meter = ChangedBox(empty, Me().Grab(area));
  ASSERT_GE(meter.height, 60) << "no meter with a button for each of its three columns";
  // Under the kind button (2 pixels in, 22 by 14) a button for each column, 14 high, 2 apart;
  // inside their outlines.
  for (int button = 0; button < 3; ++button) {
    const Box inside{meter.x + 4, meter.y + 20 + button * 16, 15, 12};
    EXPECT_GT(Me().Grab(inside).Count(IsInk), 0) << "column button " << button + 1 << " is blank";
  }
  // The kind button pictures what the meter shows, and a click on it, which makes the meter a
  // graph, changes the picture.
  const Box kind{meter.x + 3, meter.y + 3, 20, 12};
  const Picture digital = Me().Grab(kind);
  EXPECT_GT(digital.Count(IsInk), 4) << "the kind button is blank";
  Me().Click(kind.x + kind.width / 2, kind.y + kind.height / 2);
  ASSERT_TRUE(Me().Idle());
  const Picture graph = Me().Grab(kind);
  EXPECT_GT(graph.Count(IsInk), 4) << "the graph's kind button is blank";
  EXPECT_NE(graph, digital) << "the kind button shows the same picture for a graph";
  // A second click makes it a bar meter: its bars inside the button.
  Me().Click(kind.x + kind.width / 2, kind.y + kind.height / 2);
  ASSERT_TRUE(Me().Idle());
  const Box inside{kind.x + 2, kind.y + 2, 12, 8};
  EXPECT_GT(Me().Grab(inside).Count(IsInk), 12) << "the bar meter's kind button shows no bars";
  EXPECT_NE(Me().Grab(kind), graph) << "the kind button shows the same picture for bars";
}

// After a run, two clicks on the kind button make the meter a bar meter whose bars stand in
// their columns' colour (black, as the Meter menu makes them) at once, as a full redraw of the
// world draws them: the box's x, 1.5 m, lies above the range and fills its bar.
TEST_F(Meters, TwoKindButtonClicksShowTheBarsAtOnce) {
  ASSERT_TRUE(StartOnSample(kSample));
  const Box meter = PlaceBoxMeter();
  ASSERT_GE(meter.height, 60) << "no meter with a button for each of its three columns";
  ASSERT_TRUE(StepForward(3));
  const int kindX = meter.x + 2 + 11;
  const int kindY = meter.y + 2 + 7;
  for (int click = 0; click < 2; ++click) {
    Me().Click(kindX, kindY);
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Me().Idle());
  }
  // Right of the column buttons, where the bars stand, a full bar long.
  const Box bars{meter.x + 28, meter.y + 6, 40, 100};
  const auto isBlack = [](uint32_t pixel) { return (pixel & 0xFFFFFF) == 0; };
  const Picture atOnce = Me().Grab(bars);
  EXPECT_GT(atOnce.Count(isBlack), 5 * 90) << "the bar meter shows no bar";
  ASSERT_TRUE(Choose({"World", "Redraw the World"}));
  EXPECT_EQ(Me().Grab(bars).Differences(atOnce), 0) << "a redraw shows other bars";
}

// Units, then Labels, ticked in the meter's Properties window: each line of the readout names
// its unit from half way across, then its column at its left.
TEST_F(Meters, TickedUnitsAndLabelsPutTheirNamesOnEachLine) {
  ASSERT_TRUE(StartOnSample(kSample));
  const Box meter = PlaceBoxMeter();
  ASSERT_GE(meter.height, 60) << "no meter with a button for each of its three columns";
  ASSERT_TRUE(StepForward(1));
  // The readout's inside, right of the column buttons and inside the frame, line by line.
  constexpr int kInner = 26;
  const int width = meter.width - kInner - 4;
  const int line = (meter.height - 8) / 3;
  const auto inkAt = [&](int n, int from, int across) {
    const Box box{meter.x + kInner + 2 + from, meter.y + 4 + n * line, across, line - 3};
    return Me().Grab(box).Count(IsInk);
  };
  // The box of the Properties window's tick, from the window's top left corner, ticked; the
  // window is closed again, so that it leaves the meter in view, and the world steps on.
  const auto tick = [&](int x, int y) {
    Me().DoubleClick(meter.x + meter.width / 2, meter.y + 20);
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Properties") != 0; }))
        << "the double click opened no Properties window";
    ASSERT_TRUE(Me().Idle());
    const Box properties = Me().Place(Me().WindowTitled("Properties"));
    Me().Click(properties.x + x, properties.y + y);
    ASSERT_TRUE(Me().Idle());
    Me().Click(properties.Right() - 14, properties.y + 14);
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Properties") == 0; }))
        << "the Properties window stayed open";
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(StepForward(1));
  };
  for (int n = 0; n < 3; ++n) {
    ASSERT_EQ(inkAt(n, width / 2, 5), 0) << "ink where a unit goes before any was asked";
    ASSERT_EQ(inkAt(n, 0, 10), 0) << "ink where a label goes before any was asked";
  }
  tick(238, 167);  // Units
  for (int n = 0; n < 3; ++n)
    EXPECT_GT(inkAt(n, width / 2, 5), 0) << "no unit half way across line " << n + 1;
  tick(105, 167);  // Labels
  for (int n = 0; n < 3; ++n)
    EXPECT_GT(inkAt(n, 0, 10), 0) << "no label at the left of line " << n + 1;
}

// Edit > Select All (Ctrl+A) takes a meter with the world's objects: Delete clears it too.
TEST_F(Meters, SelectAllTakesAMeterThatDeleteThenClears) {
  constexpr char kCopy[] = "select-all-meter.yb";
  ASSERT_TRUE(OpenCopy(kCopy));
  const Box frame = Frame();
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  Me().Click(frame.x + kBoxX - 10, frame.y + kObjectsY + 9);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  ASSERT_FALSE(ChangedBox(empty, Me().Grab(area)).Empty()) << "no meter appeared";

  Me().Control("a");
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Me().Grab(area) == empty) << "the meter stayed on the screen";
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(SavedMeterCount(CopyPath()), 0) << "the meter stayed in the world";
}

// A click on the spring selects it, and its Input menu makes a slider of its constant.
TEST_F(Meters, ASliderOnTheSpringConstantSetsTheConstantWhenItsThumbIsDragged) {
  ASSERT_TRUE(OpenCopy("spring-constant-slider.yb"));
  const Box frame = Frame();
  Me().Click(frame.x + (kAnchorX + kBoxX) / 2, frame.y + kObjectsY);
  ASSERT_TRUE(Me().Idle());
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  ASSERT_TRUE(Choose({"Input", "Spring constant"}, {.objectMenu = "InSpringMenu"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
  const Box slider = SliderTrack(empty, Me().Grab(area));
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";

  // The slider starts at the constant, 100 N/m, the top of its range: its thumb ends the track.
  const int y = slider.y + slider.height / 2;
  const int middle = slider.x + slider.width / 2;
  Me().SlowDrag(slider.Right() - 1 - kThumbLength / 2, y, middle, y);
  ASSERT_TRUE(Me().Idle());
  const SavedConstant slow = SaveAndReadBack();
  ASSERT_TRUE(slow.sliderFound) << "the constant reads no slider: " << slow.formula;
  EXPECT_GT(slow.sliderValue, 1.0);
  EXPECT_LT(slow.sliderValue, 100.0) << "the slow drag left the constant as it was";

  Me().FastDrag(middle, y, slider.x + 2, y);
  ASSERT_TRUE(Me().Idle());
  const SavedConstant fast = SaveAndReadBack();
  ASSERT_TRUE(fast.sliderFound) << "the constant reads no slider: " << fast.formula;
  EXPECT_EQ(fast.formula, slow.formula);
  EXPECT_LT(fast.sliderValue, slow.sliderValue) << "the quick drag left the constant as it was";
}

}  // namespace
}  // namespace scenario
