// The Input menus of bodies, shapes and points, chosen for a selected object of the spring-and-pin
// sample: every item makes sliders whose formula names the object's property reads, each slider
// starting at the property's value with the range the property asks for; a slider's new value
// reaches the property, and undo takes it back.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "app/shell/MenuBar.h"
#include "inout/inputs/Input.h"
#include "platform/win32/Menu.h"
#include "tests/app/SketchFixture.h"
#include "views/trackers/DuplicateCommands.h"
#include "views/world/ClipboardCommands.h"

namespace {

using namespace sample_worlds;

constexpr int16_t kCmdUndo = 101;
constexpr double kTurn = 2.0 * std::numbers::pi;

std::string TextOf(const TFormula* formula) {
  if (formula == nullptr) return "(none)";
  Str255 text;
  formula->GetText(text);
  return text.AsCString();
}

std::string NameOf(const TInput* input) {
  return input != nullptr ? "Input[" + std::to_string(input->GetIdentifier()) + "]" : "(none)";
}

struct Range {
  double low = 0.0;
  double high = 0.0;
};

Range RangeOf(const TInput& input) {
  Range range;
  input.GetMinMax(range.low, range.high);
  return range;
}

// The items of a menu of the resource library, in order.
std::vector<int16_t> MenuItems(const char* name) {
  const HMENU menu = LoadMenuResource(name);
  const HMENU items = GetSubMenu(menu, 0);
  std::vector<int16_t> commands;
  for (int32_t i = 0; items != nullptr && i < GetMenuItemCount(items); ++i) {
    const auto command = static_cast<int16_t>(GetMenuItemID(items, i));
    if (command > 0) commands.push_back(command);
  }
  DestroyMenu(menu);
  return commands;
}

// What an item of a menu drives: the formulas that must read the first slider and those that
// must read the second, and the range the first slider must start with (none when the property
// leaves the template's range).
struct Binding {
  std::function<std::vector<TFormula*>()> first;
  std::function<std::vector<TFormula*>()> second;
  std::function<bool(const TInput&)> range;
};

class InputBindingTest : public SketchFixture {
 protected:
  void TearDown() override {
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }
  // Chooses the command with only the target selected; answers the sliders it made.
  std::vector<TInput*> MakeSliders(TLink* target, int16_t command) {
    world_->DeselectAll();
    world_->Select(target);
    const size_t before = world_->Objects().size();
    Command(command);
    std::vector<TInput*> made;
    const std::vector<TLink*> objects = world_->Objects();
    for (size_t i = before; i < objects.size(); ++i)
      if (auto* input = dynamic_cast<TInput*>(objects[i])) made.push_back(input);
    return made;
  }
  // Each item of the menu makes one slider (two for a property of two numbers) that the
  // formulas read, starting at the value the first formula had.
  void ExpectEveryItemBinds(const char* menu, TLink* target,
                            const std::map<int16_t, Binding>& bindings) {
    const std::vector<int16_t> items = MenuItems(menu);
    ASSERT_FALSE(items.empty()) << menu;
    for (const int16_t command : items) {
      SCOPED_TRACE(std::string(menu) + " item " + std::to_string(command));
      const auto found = bindings.find(command);
      ASSERT_NE(found, bindings.end()) << "no expectation for the item";
      const Binding& binding = found->second;
      const double before = binding.first().front()->GetValue();
      const bool wasConstant = !binding.first().front()->IsFormula();
      const std::vector<TInput*> made = MakeSliders(target, command);
      const size_t wanted = binding.second ? 2 : 1;
      ASSERT_EQ(made.size(), wanted);
      for (TFormula* formula : binding.first())
        EXPECT_NE(TextOf(formula).find(NameOf(made[0])), std::string::npos) << TextOf(formula);
      if (binding.second) {
        for (TFormula* formula : binding.second())
          EXPECT_NE(TextOf(formula).find(NameOf(made[1])), std::string::npos)
              << TextOf(formula);
      }
      // A formula of one input starts the slider at the property's value; the speed of a pair
      // is worked out from both components.
      if (wasConstant && TextOf(binding.first().front()) == NameOf(made[0])) {
        EXPECT_DOUBLE_EQ(made[0]->GetValue(), before);
      }
      const Range range = RangeOf(*made[0]);
      EXPECT_LE(range.low, made[0]->GetValue());
      EXPECT_GE(range.high, made[0]->GetValue());
      if (binding.range) {
        EXPECT_TRUE(binding.range(*made[0])) << range.low << " to " << range.high;
      }
    }
  }
  TMass& Box() { return *static_cast<TMass*>(world_->FindObject(kBoxId)); }
  TRectangle& BoxShape() { return *static_cast<TRectangle*>(world_->FindObject(kBoxId)); }
  TOval& Wheel() { return *static_cast<TOval*>(world_->FindObject(kWheelId)); }
  TPoint& WheelPoint() { return *static_cast<TPoint*>(world_->FindObject(kWheelPinnedPointId)); }
};

// The template's own range, widened only to hold the value.
bool TemplateRange(const TInput& input) {
  const Range range = RangeOf(input);
  return range.low == std::min(0.0, input.GetValue()) &&
         range.high == std::max(1.0, input.GetValue());
}

std::function<bool(const TInput&)> Between(double low, double high) {
  return [low, high](const TInput& input) {
    const Range range = RangeOf(input);
    return std::fabs(range.low - low) < 1e-12 && std::fabs(range.high - high) < 1e-12;
  };
}

// From a hundredth of the value to the value: a mass, a moment or a charge.
bool Hundredfold(const TInput& input) {
  const Range range = RangeOf(input);
  return std::fabs(range.low * 100.0 - range.high) < 1e-12 && range.high == input.GetValue();
}

// What every item a body offers drives, for any body.
std::map<int16_t, Binding> BodyBindings(TMass& body) {
  const auto of = [](TFormula* formula) {
    return [formula] { return std::vector<TFormula*>{formula}; };
  };
  const auto mass = [&body] { return std::vector<TFormula*>{body.GetMassFormula()}; };
  const auto moment = [&body] { return std::vector<TFormula*>{body.GetMomentFormula()}; };
  return {
      {5201, {of(body.PositionX()), nullptr, Between(-6.0, 6.0)}},
      {5202, {of(body.PositionY()), nullptr, Between(-6.0, 6.0)}},
      {5203, {of(body.Rotation()), nullptr, Between(0.0, kTurn)}},
      {5204, {of(body.VelocityX()), of(body.VelocityY()), TemplateRange}},
      {5205, {of(body.VelocityX()), of(body.VelocityX()), Between(0.0, 10.0)}},
      {5206, {of(body.VelocityX()), nullptr, Between(-10.0, 10.0)}},
      {5207, {of(body.VelocityY()), nullptr, Between(-10.0, 10.0)}},
      {5210, {of(body.VelocityRotation()), nullptr, Between(-kTurn, kTurn)}},
      {5211, {mass, nullptr, Hundredfold}},
      {5212, {moment, nullptr, Hundredfold}},
      {5213, {of(body.StaticFriction()), nullptr, TemplateRange}},
      {5214, {of(body.KineticFriction()), nullptr, TemplateRange}},
      {5215, {of(body.Elasticity()), nullptr, TemplateRange}},
      {5216, {of(body.Charge()), nullptr, nullptr}},
      {5217,
       {[&body] { return std::vector<TFormula*>{body.StaticFriction(), body.KineticFriction()}; },
        nullptr, TemplateRange}},
  };
}

// A shape's own items, then every item a body offers.
std::map<int16_t, Binding> ShapeBindings(TMass& shape, std::map<int16_t, Binding> own) {
  own.merge(BodyBindings(shape));
  return own;
}

TEST_F(InputBindingTest, EveryBodyInputDrivesItsProperty) {
  TMass& box = Box();
  ASSERT_EQ(box.GetMass(), 1.0);
  const std::map<int16_t, Binding> bindings = BodyBindings(box);
  ExpectEveryItemBinds("InMassMenu", &box, bindings);
  // Speed and direction: the second slider is the direction, a quarter turn at most.
  const std::vector<TInput*> pair = MakeSliders(&box, 5205);
  ASSERT_EQ(pair.size(), 2u);
  EXPECT_TRUE(Between(0.0, std::numbers::pi * 0.5)(*pair[1]));
  // The pair stands one above the other, apart.
  EXPECT_EQ(pair[1]->GetFrame().left, pair[0]->GetFrame().left);
  EXPECT_GT(pair[1]->GetFrame().top, pair[0]->GetFrame().bottom);
  EXPECT_EQ(TextOf(box.VelocityY()), NameOf(pair[0]) + " * sin(" + NameOf(pair[1]) + ")");
}

TEST_F(InputBindingTest, EveryShapeInputDrivesItsSizesAndWhatABodyOffers) {
  const double grid = world_->SnappingDistance();
  ASSERT_GT(grid, 0.0);
  // From the grid step (or the size, when it is smaller) to ten steps or more.
  const auto fromGrid = [grid](const TInput& input) {
    const Range range = RangeOf(input);
    return range.low == std::min(grid, input.GetValue()) && range.high >= 10.0 * grid;
  };
  TRectangle& box = BoxShape();
  ASSERT_FALSE(box.HasEqualSides());
  ExpectEveryItemBinds(
      "InRectangleMenu", &box,
      ShapeBindings(
          box,
          {{5226, {[&box] { return std::vector<TFormula*>{box.HeightFormula()}; }, nullptr, fromGrid}},
           {5227,
            {[&box] { return std::vector<TFormula*>{box.WidthFormula()}; }, nullptr, fromGrid}}}));
  // A square's side is both its width and its height.
  box.SetEqualSides(1);
  ExpectEveryItemBinds(
      "InSquareMenu", &box,
      ShapeBindings(
          box, {{5227,
                 {[&box] { return std::vector<TFormula*>{box.WidthFormula(), box.HeightFormula()}; },
                  nullptr, fromGrid}}}));
  TOval& wheel = Wheel();
  ExpectEveryItemBinds(
      "InCircleMenu", &wheel,
      ShapeBindings(wheel, {{5228,
                             {[&wheel] { return std::vector<TFormula*>{wheel.RadiusFormula()}; },
                              nullptr, fromGrid}}}));
}

TEST_F(InputBindingTest, EveryPointInputDrivesItsPlace) {
  TPoint& point = WheelPoint();
  const auto of = [](TFormula* formula) {
    return [formula] { return std::vector<TFormula*>{formula}; };
  };
  ExpectEveryItemBinds("InPointMenu", &point,
                       {{5230, {of(point.LocalX()), nullptr, TemplateRange}},
                        {5231, {of(point.LocalY()), nullptr, TemplateRange}},
                        {5232, {of(point.LocalRotation()), nullptr, TemplateRange}},
                        {5233, {of(point.LocalX()), of(point.LocalY()), TemplateRange}}});
}

// A point whose place reads a new slider stays where it was until the slider moves.
TEST_F(InputBindingTest, APointKeepsItsPlaceWhenItsSliderIsMade) {
  TPoint& point = WheelPoint();
  const double x = point.LocalX()->GetValue();
  const double y = point.LocalY()->GetValue();
  ASSERT_EQ(MakeSliders(&point, 5233).size(), 2u);
  EXPECT_EQ(point.LocalX()->GetValue(), x);
  EXPECT_EQ(point.LocalY()->GetValue(), y);
}

// A value the user gives the slider becomes the property's value once the change is done; undo
// brings the old value back.
TEST_F(InputBindingTest, TheSlidersValueBecomesThePropertyAndUndoTakesItBack) {
  TMass& box = Box();
  const double start = box.PositionX()->GetValue();
  const std::vector<TInput*> made = MakeSliders(&box, 5201);
  ASSERT_EQ(made.size(), 1u);
  TInput& slider = *made.front();
  ASSERT_EQ(slider.GetValue(), start);

  slider.BeginValueChange();
  slider.SetValue(-2.5, true, false);
  slider.CommitValueChange();
  Command(0);
  EXPECT_DOUBLE_EQ(box.PositionX()->GetValue(), -2.5);

  Command(kCmdUndo);
  EXPECT_DOUBLE_EQ(slider.GetValue(), start);
  EXPECT_DOUBLE_EQ(box.PositionX()->GetValue(), start);
  EXPECT_EQ(TextOf(box.PositionX()), NameOf(&slider));
}

// Undoing the making of a slider takes the slider away and gives the property its own constant.
TEST_F(InputBindingTest, UndoingTheSliderGivesThePropertyItsConstantBack) {
  TOval& wheel = Wheel();
  const std::string radius = TextOf(wheel.RadiusFormula());
  const size_t objects = world_->Objects().size();
  ASSERT_EQ(MakeSliders(&wheel, 5228).size(), 1u);
  ASSERT_TRUE(wheel.RadiusFormula()->IsFormula());
  Command(kCmdUndo);
  EXPECT_EQ(world_->Objects().size(), objects);
  EXPECT_FALSE(wheel.RadiusFormula()->IsFormula());
  EXPECT_EQ(TextOf(wheel.RadiusFormula()), radius);
}

TVector3 PlacementOf(TLink& object) {
  TVector3 at;
  static_cast<TThing&>(object).GetPlacement(at);
  return at;
}

// A run starts the body where its slider says: the box on the spring (1 kg, 100 N/m, rest
// length 1 m), its x read from a slider set to 2 m, swings as x(t) = 1 + cos(10 t).
TEST_F(InputBindingTest, ARunStartsFromTheSlidersValue) {
  TMass& box = Box();
  const std::vector<TInput*> made = MakeSliders(&box, 5201);
  ASSERT_EQ(made.size(), 1u);
  TInput& slider = *made.front();
  slider.BeginValueChange();
  slider.SetValue(2.0, true, false);
  slider.CommitValueChange();
  Command(0);
  for (int step = 0; step < 5; ++step) {
    Command(kCmdStepForward);
    const double t = world_->CurrentTime();
    ASSERT_GT(t, 0.0);
    EXPECT_NEAR(PlacementOf(box).x, 1.0 + std::cos(10.0 * t), 1e-3) << "at " << t << " s";
  }
}

}  // namespace

// A slider duplicated or copied and pasted is a second slider, not the first one read over.
TEST_F(InputBindingTest, ADuplicatedOrPastedSliderIsASecondSlider) {
  const std::vector<TInput*> made = MakeSliders(&Wheel(), 5228);
  ASSERT_EQ(made.size(), 1u);
  const auto sliders = [this] {
    size_t count = 0;
    for (TLink* each : world_->Objects()) count += dynamic_cast<TInput*>(each) != nullptr;
    return count;
  };
  const size_t before = sliders();
  world_->DeselectAll();
  world_->Select(made[0]);
  Command(kCmdDuplicate);
  EXPECT_EQ(sliders(), before + 1) << "duplicate placed no slider";
  world_->DeselectAll();
  world_->Select(made[0]);
  Command(kCmdCopy);
  Command(kCmdPaste);
  EXPECT_EQ(sliders(), before + 2) << "paste placed no slider";
}
