// Sliders made from a constraint's Input menu drive the constraint: the spring-and-pin sample's
// spring constant set by dragging its slider's thumb makes the box swing with the period of the
// new constant, and a motor put on the wheel drives the angular velocity its slider gives, as
// the saved world tells.

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "constraints/Pistons.h"
#include "constraints/Springs.h"
#include "inout/inputs/Input.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

constexpr char kSpringCopy[] = "spring-slider.yb";
constexpr char kMotorCopy[] = "motor-slider.yb";
using namespace spring_and_pin;
// How much of a run the period is measured over, in periods.
constexpr double kPeriodsRecorded = 2.0;

// A constraint's quantity as the saved world keeps it: its text, and the slider it names.
struct SavedQuantity {
  std::string formula;
  bool sliderFound = false;
  double sliderValue = 0.0;
};

SavedQuantity SliderOf(TWorldDoc& world, const TFormula& quantity) {
  SavedQuantity saved;
  Str255 text;
  quantity.GetText(text);
  saved.formula = text.AsCString();
  saved.sliderFound = NamesSlider(world, quantity, saved.sliderValue);
  return saved;
}

// The box's swing as the saved run recorded it.
struct SavedSwing {
  SavedQuantity constant;
  double mass = 0.0;
  double rest = 0.0;
  double step = 0.0;      // seconds a frame
  std::vector<double> x;  // the box's x at each recorded frame
  double Seconds() const { return x.empty() ? 0.0 : step * static_cast<double>(x.size() - 1); }
};

SavedSwing ReadSwing(const std::string& path) {
  SavedSwing swing;
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId));
  auto* box = dynamic_cast<TMass*>(world.FindObject(sample_worlds::kBoxId));
  if (spring == nullptr || box == nullptr || world.GetEngine() == nullptr) return swing;
  swing.constant = SliderOf(world, spring->Quantity());
  swing.mass = box->GetMass();
  swing.rest = spring->RestValue().GetValue();
  swing.step = world.GetEngine()->TimeStep();
  const TFrameStore* store = world.GetStore();
  const int32_t offset = world.BodyValueOffset(box);
  if (store == nullptr || offset < 0) return swing;
  for (int32_t frame = store->FirstHeldFrame(); frame <= store->LastFrame(); ++frame)
    swing.x.push_back(store->Value(frame, offset));
  return swing;
}

// The times at which the box passes its rest place, by linear interpolation between frames.
std::vector<double> Crossings(const SavedSwing& swing) {
  std::vector<double> times;
  for (size_t i = 1; i < swing.x.size(); ++i) {
    const double a = swing.x[i - 1] - swing.rest, b = swing.x[i] - swing.rest;
    if ((a > 0.0) == (b > 0.0)) continue;
    times.push_back(swing.step * (static_cast<double>(i - 1) + a / (a - b)));
  }
  return times;
}

// The motor of a saved world: its drive kind, its quantity with the slider that quantity names,
// and how many sliders the world holds.
struct SavedMotor {
  bool found = false;
  int32_t kind = -1;
  SavedQuantity speed;
  int inputs = 0;
};

SavedMotor ReadMotor(const std::string& path) {
  SavedMotor saved;
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  for (TLink* object : world.Objects()) {
    saved.inputs += dynamic_cast<TInput*>(object) != nullptr ? 1 : 0;
    auto* motor = dynamic_cast<TRPiston*>(object);
    if (motor == nullptr) continue;
    saved.found = true;
    saved.kind = motor->GetDriveKind();
    saved.speed = SliderOf(world, motor->Quantity());
  }
  return saved;
}

class ConstraintInputs : public SampleScenario {
 protected:
  // Chooses the item of the selected object's Input menu and finds the slider it places.
  Box MakeSlider(const std::string& objectMenu, const std::string& item) {
    const Box area = GadgetArea();
    const Picture empty = Me().Grab(area);
    EXPECT_TRUE(Click({"Input", item}, {.objectMenu = objectMenu}));
    EXPECT_TRUE(Me().Idle());
    EXPECT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
    return SliderTrack(empty, Me().Grab(area));
  }
  ::testing::AssertionResult Save() {
    Me().Control("s");
    return Me().Idle();
  }
};

// The spring constant's slider starts at the constant, the top of its range; its thumb dragged
// to the middle gives the spring about half the constant, and the run swings with the period
// 2 pi sqrt(m / k) of the constant the slider holds.
TEST_F(ConstraintInputs, TheSpringConstantsSliderSetsThePeriodOfTheRun) {
  ASSERT_TRUE(OpenCopy(kSpringCopy));
  const Box frame = Frame();
  Me().Click(frame.x + (kAnchorX + kBoxX) / 2, frame.y + kObjectsY);
  ASSERT_TRUE(Me().Idle());
  const Box slider = MakeSlider("InSpringMenu", "Spring constant");
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  const int y = slider.y + slider.height / 2;
  Me().SlowDrag(slider.Right() - 1 - kThumbLength / 2, y, slider.x + slider.width / 2, y);
  ASSERT_TRUE(Me().Idle());

  // The run goes on, a stretch at a time, until it has recorded enough swings to measure.
  SavedSwing swing;
  for (int stretch = 0; stretch < 40; ++stretch) {
    const Picture still = Me().Grab(frame);
    Me().Control("r");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(frame) != still; }))
        << "the world did not run";
    Me().Control("period");
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Save());
    swing = ReadSwing(CopyPath());
    ASSERT_TRUE(swing.constant.sliderFound)
        << "the constant reads no slider: " << swing.constant.formula;
    ASSERT_GT(swing.constant.sliderValue, 0.0);
    const double period =
        2.0 * std::numbers::pi * std::sqrt(swing.mass / swing.constant.sliderValue);
    if (swing.Seconds() >= kPeriodsRecorded * period) break;
  }
  EXPECT_GT(swing.constant.sliderValue, 20.0);
  EXPECT_LT(swing.constant.sliderValue, 80.0) << "the drag left the constant far from half";
  const double expected =
      2.0 * std::numbers::pi * std::sqrt(swing.mass / swing.constant.sliderValue);
  const std::vector<double> crossings = Crossings(swing);
  ASSERT_GE(crossings.size(), 3u) << "the run recorded " << swing.Seconds() << " s";
  // Two passes through the rest place make half a period.
  const double measured =
      2.0 * (crossings.back() - crossings.front()) / static_cast<double>(crossings.size() - 1);
  EXPECT_NEAR(measured, expected, 0.02 * expected)
      << "the constant the slider holds is " << swing.constant.sliderValue;
}

// A motor clicked onto the wheel from the Tools menu, picked by a click, and given a slider of
// its angular velocity: the slider's thumb dragged to the end of its track gives the motor the
// slider's speed, and the saved world's motor drives the velocity the slider names. Undo takes
// the slider and the binding back, and Redo brings them again.
TEST_F(ConstraintInputs, AMotorsAngularVelocitySliderDrivesTheMotor) {
  ASSERT_TRUE(OpenCopy(kMotorCopy));
  const SavedWorld& opened = Opened();
  const std::vector<SavedBody> boxes = opened.BodiesOfKind("TRectangle");
  const std::vector<SavedBody> wheels = opened.BodiesOfKind("TOval");
  ASSERT_EQ(boxes.size(), 1u) << opened.Description();
  ASSERT_EQ(wheels.size(), 1u) << opened.Description();
  const Box square = OutlineOf("TRectangle");
  ASSERT_FALSE(square.Empty()) << "the box is not shown";
  // A tenth of a metre beside the wheel's middle: on the grid, inside the wheel.
  const int x = square.x + square.width / 2 + Pixels(wheels[0].x + 0.1 - boxes[0].x);
  const int y = square.y + square.height / 2 - Pixels(wheels[0].y - boxes[0].y);

  // Tools > Motor, clicked onto the wheel twice: after a click without movement its last point
  // follows the pointer until the next click.
  ASSERT_TRUE(Click({"Tools", "Motor"}));
  ASSERT_TRUE(Me().Idle());
  for (int click = 0; click < 2; ++click) {
    Me().Click(x, y);
    ASSERT_TRUE(Me().Idle());
  }
  // A click on the icon picks the motor, which stands over its points.
  ASSERT_TRUE(Click({"Tools", "Select"}));
  ASSERT_TRUE(Me().Idle());
  Me().Click(x, y);
  ASSERT_TRUE(Me().Idle());

  // Input > Angular velocity makes a slider that the motor's speed reads; Undo takes the slider
  // and the binding back, Redo brings them again.
  const Box slider = MakeSlider("InMotorMenu", "Angular velocity");
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedMotor undone = ReadMotor(CopyPath());
  ASSERT_TRUE(undone.found) << "the motor went with the slider";
  EXPECT_EQ(undone.kind, TPiston::kForce);
  EXPECT_EQ(undone.speed.formula, "0");
  EXPECT_EQ(undone.inputs, 0);
  Me().Control("z");
  ASSERT_TRUE(Me().Idle());

  // A new motor drives no speed: the slider starts in the middle of its track; its thumb
  // dragged to the end gives the motor the slider's speed.
  const int middle = slider.x + slider.width / 2;
  const int row = slider.y + slider.height / 2;
  Me().SlowDrag(middle, row, slider.Right() - 2, row);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedMotor driven = ReadMotor(CopyPath());
  ASSERT_TRUE(driven.found) << "no motor was saved";
  EXPECT_EQ(driven.kind, TPiston::kVelocity);
  ASSERT_TRUE(driven.speed.sliderFound)
      << "the motor's speed reads no slider: " << driven.speed.formula;
  EXPECT_GT(driven.speed.sliderValue, 0.5) << "the drag left the speed near 0";
  EXPECT_EQ(driven.inputs, 1);
}

}  // namespace
}  // namespace scenario
