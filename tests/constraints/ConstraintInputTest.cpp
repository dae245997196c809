// Input controls on constraints: every item of every kind's input menu binds its quantity to the
// new input (its formula names the input; the input starts at the old value with the kind's
// range, in display units), and items of other kinds are refused without a change.

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "constraints/Gear.h"
#include "constraints/Slot.h"
#include "core/Handle.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/UnitHandler.h"
#include "simulation/UnitTables.h"
#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace constraint_runs;

constexpr double kPi = std::numbers::pi;
// The value an input has before it is bound: the binding must replace it.
constexpr double kUntouched = -123.0;

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return text.AsCString();
}

// What the binding told the inputs.
struct Bound {
  bool taken = false;
  double value = kUntouched, minimum = kUntouched, maximum = kUntouched;
  double secondValue = kUntouched, secondMinimum = kUntouched, secondMaximum = kUntouched;
};

// The command with the input "Input[7]", and "Input[8]" as a second input when asked for.
Bound Attach(TCnstr& constraint, int16_t command, bool secondInput = false) {
  Bound b;
  const Str255 first("Input[7]");
  const Str255 second(secondInput ? "Input[8]" : "");
  b.taken = constraint.AttachInputControls(command, first, second, b.value, b.secondValue,
                                           b.minimum, b.maximum, b.secondMinimum, b.secondMaximum);
  return b;
}

// Everything the constraint files.
std::vector<uint8_t> Filed(TLink& object) {
  TNativeObjectWriter writer;
  writer.Init(nullptr);
  object.WriteFields(writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

template <class T>
std::unique_ptr<T> Make() {
  auto c = std::make_unique<T>();
  c->Initialize();
  c->SetIdentifier(3);
  return c;
}

class ConstraintInputTest : public ConstraintRunTest {
 protected:
  void RegisterClasses() override {
    ConstraintRunTest::RegisterClasses();
    RegisterGearClasses();
  }
};

#define EXPECT_BOUND(b, v, low, high)        \
  do {                                       \
    EXPECT_TRUE((b).taken);                  \
    EXPECT_NEAR((b).value, (v), 1e-12);      \
    EXPECT_NEAR((b).minimum, (low), 1e-12);  \
    EXPECT_NEAR((b).maximum, (high), 1e-12); \
  } while (0)

TEST_F(ConstraintInputTest, EveryActiveWhenItemBindsTheConditionFromZeroToOne) {
  struct Case {
    std::unique_ptr<TUICnstr> constraint;
    int16_t command;
  };
  std::vector<Case> cases;
  cases.push_back({Make<TPin>(), 5240});
  cases.push_back({Make<TSlot>(), 5240});
  cases.push_back({Make<TLSpring>(), 5320});
  cases.push_back({Make<TLDampSpring>(), 5320});
  cases.push_back({Make<TRSpring>(), 5330});
  cases.push_back({Make<TRDampSpring>(), 5330});
  cases.push_back({Make<TLDamper>(), 5340});
  cases.push_back({Make<TRDamper>(), 5340});
  cases.push_back({Make<TLRope>(), 5310});
  cases.push_back({Make<TRod>(), 5310});
  cases.push_back({Make<TRRope>(), 5350});
  cases.push_back({Make<TLPiston>(), 5270});
  cases.push_back({Make<TRPiston>(), 5250});
  cases.push_back({Make<TForce>(), 5300});
  cases.push_back({Make<TTorque>(), 5290});
  cases.push_back({Make<TGear>(), 5410});
  for (Case& c : cases) {
    SCOPED_TRACE(c.command);
    c.constraint->SetAlwaysActive(1);
    const Bound b = Attach(*c.constraint, c.command);
    // An always acting constraint starts its condition's input at 1: it keeps acting.
    EXPECT_BOUND(b, 1.0, 0.0, 1.0);
    EXPECT_EQ(TextOf(c.constraint->Activation()), "Input[7]");
    EXPECT_FALSE(c.constraint->IsAlwaysActive());
    EXPECT_EQ(c.constraint->GetFormulaProperty(kTagActivation, nullptr, nullptr, nullptr, nullptr),
              &c.constraint->Activation());
  }
  // A condition that is a constant off starts there.
  auto pin = Make<TPin>();
  pin->Activation().SetConstant(0.0);
  EXPECT_BOUND(Attach(*pin, 5240), 0.0, 0.0, 1.0);
}

TEST_F(ConstraintInputTest, ConstantsAndLengthsBindTheQuantityOfTheTwoEnds) {
  // The linear spring's constant ranges from a hundredth of it up to it.
  std::vector<std::unique_ptr<TLSpring>> springs;
  springs.push_back(Make<TLSpring>());
  springs.push_back(Make<TLDampSpring>());
  for (auto& spring : springs) {
    spring->Quantity().SetConstant(100.0);
    spring->RestValue().SetConstant(1.0);
    EXPECT_BOUND(Attach(*spring, 5321), 100.0, 1.0, 100.0);
    EXPECT_EQ(TextOf(spring->Quantity()), "Input[7]");
    // The run's law reads the input.
    spring->MarkChanged();
    spring->PrepareGoals();
    EXPECT_EQ(TextOf(spring->Goal(1)).rfind("-(Input[7]) * (Constraint[3].dp.x", 0), 0u)
        << TextOf(spring->Goal(1));
  }
  auto rotational = Make<TRSpring>();
  rotational->Quantity().SetConstant(4.0);
  EXPECT_BOUND(Attach(*rotational, 5331), 4.0, 0.0, 8.0);
  EXPECT_EQ(TextOf(rotational->Quantity()), "Input[7]");

  std::vector<std::unique_ptr<TXCnstr>> dampers;
  dampers.push_back(Make<TLDamper>());
  dampers.push_back(Make<TRDamper>());
  for (auto& damper : dampers) {
    damper->Quantity().SetConstant(3.0);
    EXPECT_BOUND(Attach(*damper, 5341), 3.0, 0.0, 6.0);
    EXPECT_EQ(TextOf(damper->Quantity()), "Input[7]");
  }

  auto torque = Make<TTorque>();
  torque->Quantity().SetConstant(-2.0);
  EXPECT_BOUND(Attach(*torque, 5291), -2.0, -4.0, 0.0);
  EXPECT_EQ(TextOf(torque->Quantity()), "Input[7]");
  torque->PrepareGoals();
  EXPECT_EQ(TextOf(torque->Goal(1)), "Input[7]");

  // A rope's length ranges from the world's length step (1 without a world) to ten steps or
  // twice the length.
  auto rope = Make<TLRope>();
  rope->Quantity().SetConstant(3.0);
  EXPECT_BOUND(Attach(*rope, 5311), 3.0, 1.0, 10.0);
  EXPECT_EQ(TextOf(rope->Quantity()), "Input[7]");
  auto rod = Make<TRod>();
  rod->Quantity().SetConstant(8.0);
  EXPECT_BOUND(Attach(*rod, 5311), 8.0, 1.0, 16.0);
}

TEST_F(ConstraintInputTest, RestValuesBindOnlyWhileTheLawHasOne) {
  auto spring = Make<TLSpring>();
  spring->RestValue().SetConstant(1.5);
  EXPECT_BOUND(Attach(*spring, 5322), 1.5, 0.0, 3.0);
  EXPECT_EQ(TextOf(spring->RestValue()), "Input[7]");

  auto rotational = Make<TRDampSpring>();
  rotational->RestValue().SetConstant(0.5);
  EXPECT_BOUND(Attach(*rotational, 5332), 0.5, 0.5 - kPi, 0.5 + kPi);
  EXPECT_EQ(TextOf(rotational->RestValue()), "Input[7]");

  // Under a negative exponent the law has no rest value to drive.
  auto inverse = Make<TLSpring>();
  inverse->SetExponent(-1);
  const std::vector<uint8_t> before = Filed(*inverse);
  const Bound refused = Attach(*inverse, 5322);
  EXPECT_FALSE(refused.taken);
  EXPECT_EQ(refused.value, kUntouched);
  EXPECT_EQ(Filed(*inverse), before);
}

TEST_F(ConstraintInputTest, RopeItemsBindTheElasticityAndTheLargestRotation) {
  auto rope = Make<TLRope>();
  rope->SetShortProperty(kTagRopeType, TLRope::kRope);
  rope->SecondQuantity().SetConstant(0.3);
  EXPECT_BOUND(Attach(*rope, 5312), 0.3, 0.0, 1.0);
  EXPECT_EQ(TextOf(rope->SecondQuantity()), "Input[7]");

  auto rotational = Make<TRRope>();
  rotational->SecondQuantity().SetConstant(0.8);
  EXPECT_BOUND(Attach(*rotational, 5352), 0.8, 0.0, 1.0);
  EXPECT_EQ(TextOf(rotational->SecondQuantity()), "Input[7]");
  rotational->MaxRotation().SetConstant(kPi / 2.0);
  EXPECT_BOUND(Attach(*rotational, 5351), kPi / 2.0, -kPi / 2.0, 3.0 * kPi / 2.0);
  EXPECT_EQ(TextOf(rotational->MaxRotation()), "Input[7]");
  // The upper limit's goal reads the input.
  rotational->PrepareGoals();
  ASSERT_EQ(rotational->Goals().size(), 2u);
  EXPECT_EQ(TextOf(rotational->Goal(2)), "Input[7]");
}

TEST_F(ConstraintInputTest, ActuatorAndMotorItemsSetTheKindAndBindItsQuantityOrLimit) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TZeroMass& background = Add<TZeroMass>(world, 0);
  TLPiston& actuator = Add<TLPiston>(world, 5);
  actuator.AttachObject(&AddPoint(world, 2, background, 0.0, 0.0));
  actuator.AttachObject(&AddPoint(world, 3, background, 3.0, 0.0));

  // Drive items: power, force, position, velocity, acceleration.
  const int32_t kinds[5] = {TPiston::kPower, TPiston::kForce, TPiston::kPosition,
                            TPiston::kVelocity, TPiston::kAcceleration};
  for (int16_t i = 0; i < 5; ++i) {
    if (kinds[i] == TPiston::kPosition) continue;
    SCOPED_TRACE(i);
    actuator.Quantity().SetConstant(0.5);
    EXPECT_BOUND(Attach(actuator, static_cast<int16_t>(5271 + i)), 0.5, 0.0, 1.0);
    EXPECT_EQ(actuator.GetDriveKind(), kinds[i]);
    EXPECT_EQ(TextOf(actuator.Quantity()), "Input[7]");
  }
  // The position starts from the ends' distance; its range is the world's step to ten steps.
  actuator.Quantity().SetConstant(0.5);
  const Bound position = Attach(actuator, 5273);
  EXPECT_BOUND(position, 3.0, world.SnappingDistance(), 10.0 * world.SnappingDistance());
  EXPECT_EQ(actuator.GetDriveKind(), TPiston::kPosition);
  EXPECT_EQ(TextOf(actuator.Quantity()), "Input[7]");
  actuator.PrepareGoals();
  EXPECT_EQ(TextOf(actuator.Goal(1)), "Input[7]");
  EXPECT_EQ(actuator.Goal(1).type, TPiston::kPosition);

  // Limit items: the limit and its kind.
  for (int16_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    actuator.Limit().SetConstant(-1.5);
    EXPECT_BOUND(Attach(actuator, static_cast<int16_t>(5276 + i)), -1.5, -3.0, 0.0);
    EXPECT_EQ(actuator.GetLimitKind(), kinds[i]);
    EXPECT_EQ(TextOf(actuator.Limit()), "Input[7]");
  }

  auto motor = Make<TRPiston>();
  motor->Quantity().SetConstant(2.0);
  EXPECT_BOUND(Attach(*motor, 5254), 2.0, 0.0, 4.0);
  EXPECT_EQ(motor->GetDriveKind(), TPiston::kVelocity);
  EXPECT_EQ(TextOf(motor->Quantity()), "Input[7]");
  // A motor's rotation ranges over half a turn either way.
  const Bound rotation = Attach(*motor, 5253);
  EXPECT_TRUE(rotation.taken);
  EXPECT_EQ(motor->GetDriveKind(), TPiston::kPosition);
  EXPECT_NEAR(rotation.minimum, -kPi, 1e-12);
  EXPECT_NEAR(rotation.maximum, kPi, 1e-12);
  motor->Limit().SetConstant(5.0);
  EXPECT_BOUND(Attach(*motor, 5257), 5.0, 0.0, 10.0);
  EXPECT_EQ(motor->GetLimitKind(), TPiston::kForce);
  EXPECT_EQ(TextOf(motor->Limit()), "Input[7]");
}

TEST_F(ConstraintInputTest, ForceItemsBindTheirComponentsInOrder) {
  auto force = Make<TForce>();
  force->Fx().SetConstant(2.0);
  force->Fy().SetConstant(-1.0);
  const Bound both = Attach(*force, 5301, true);
  EXPECT_BOUND(both, 2.0, 0.0, 4.0);
  EXPECT_NEAR(both.secondValue, -1.0, 1e-12);
  EXPECT_NEAR(both.secondMinimum, -2.0, 1e-12);
  EXPECT_NEAR(both.secondMaximum, 0.0, 1e-12);
  EXPECT_EQ(TextOf(force->Fx()), "Input[7]");
  EXPECT_EQ(TextOf(force->Fy()), "Input[8]");

  // One input drives the first component only.
  auto lone = Make<TForce>();
  lone->Fy().SetConstant(-1.0);
  const Bound one = Attach(*lone, 5301);
  EXPECT_TRUE(one.taken);
  EXPECT_EQ(one.secondValue, kUntouched);
  EXPECT_EQ(TextOf(lone->Fx()), "Input[7]");
  EXPECT_EQ(lone->Fy().GetValue(), -1.0);
  EXPECT_FALSE(lone->Fy().IsFormula());

  auto y = Make<TForce>();
  y->Fy().SetConstant(3.0);
  EXPECT_BOUND(Attach(*y, 5303), 3.0, 0.0, 6.0);
  EXPECT_EQ(TextOf(y->Fy()), "Input[7]");
  EXPECT_FALSE(y->Fx().IsFormula());
  auto x = Make<TForce>();
  EXPECT_BOUND(Attach(*x, 5302), 0.0, -1.0, 1.0);
  EXPECT_EQ(TextOf(x->Fx()), "Input[7]");

  // Magnitude and direction: the force turns polar, from the components it had.
  auto polar = Make<TForce>();
  polar->Fx().SetConstant(0.0);
  polar->Fy().SetConstant(2.0);
  const Bound turned = Attach(*polar, 5304, true);
  EXPECT_TRUE(polar->IsPolar());
  EXPECT_BOUND(turned, 2.0, 0.0, 4.0);
  EXPECT_NEAR(turned.secondValue, kPi / 2.0, 1e-12);
  EXPECT_NEAR(turned.secondMinimum, -kPi / 2.0, 1e-12);
  EXPECT_NEAR(turned.secondMaximum, 3.0 * kPi / 2.0, 1e-12);
  EXPECT_EQ(TextOf(polar->Fl()), "Input[7]");
  EXPECT_EQ(TextOf(polar->Fr()), "Input[8]");
}

TEST_F(ConstraintInputTest, GearItemsBindTheRatioAndTheRodCondition) {
  TQVDoc document;
  TGear& gear = Add<TGear>(document.World(), 40);
  gear.SetShortProperty(kTagGearRatioAuto, 0);
  gear.SetFormulaProperty(kTagGearRatio, TFormula(-2.0));
  EXPECT_BOUND(Attach(gear, TGear::kCmdEditRatio), -2.0, -4.0, 0.0);
  EXPECT_EQ(TextOf(gear.Ratio()), "Input[7]");
  // A ratio that followed the bodies follows the input now.
  gear.SetShortProperty(kTagGearRatioAuto, 1);
  ASSERT_TRUE(gear.IsRatioAutomatic());
  EXPECT_TRUE(Attach(gear, TGear::kCmdEditRatio).taken);
  EXPECT_FALSE(gear.IsRatioAutomatic());
  EXPECT_EQ(TextOf(gear.Ratio()), "Input[7]");

  gear.SetShortProperty(kTagGearRodAlways, 1);
  EXPECT_BOUND(Attach(gear, TGear::kCmdEditRod), 1.0, 0.0, 1.0);
  EXPECT_FALSE(gear.IsRodAlwaysActive());
  EXPECT_EQ(TextOf(gear.RodQuantity()), "Input[7]");
}

TEST_F(ConstraintInputTest, ItemsOfOtherKindsAreRefusedAndChangeNothing) {
  struct Case {
    std::unique_ptr<TCnstr> constraint;
    int16_t command;
  };
  std::vector<Case> cases;
  cases.push_back({Make<TPin>(), 5321});
  cases.push_back({Make<TSlot>(), 5310});
  cases.push_back({Make<TLSpring>(), 5330});
  cases.push_back({Make<TLSpring>(), 5341});
  cases.push_back({Make<TRSpring>(), 5321});
  cases.push_back({Make<TLDamper>(), 5321});
  cases.push_back({Make<TLRope>(), 5351});
  cases.push_back({Make<TRRope>(), 5311});
  cases.push_back({Make<TLPiston>(), 5251});
  cases.push_back({Make<TRPiston>(), 5273});
  cases.push_back({Make<TForce>(), 5291});
  cases.push_back({Make<TTorque>(), 5301});
  cases.push_back({Make<TGear>(), 5311});
  cases.push_back({Make<TLSpring>(), 5200});
  for (Case& c : cases) {
    SCOPED_TRACE(c.command);
    const std::vector<uint8_t> before = Filed(*c.constraint);
    const Bound b = Attach(*c.constraint, c.command);
    EXPECT_FALSE(b.taken);
    EXPECT_EQ(b.value, kUntouched);
    EXPECT_EQ(b.minimum, kUntouched);
    EXPECT_EQ(Filed(*c.constraint), before);
  }
}

TEST_F(ConstraintInputTest, ValuesAndRangesAreInTheWorldsDisplayUnits) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  auto units = std::make_unique<TWorldUnitHandler>();
  units->SetUnit(kQuantityRotation, 3);  // degrees
  units->SetUnit(kQuantityDistance, 2);  // centimetres
  world.AdoptObject(std::move(units));
  TRSpring& spring = Add<TRSpring>(world, 4);
  spring.RestValue().SetConstant(kPi / 2.0);
  EXPECT_BOUND(Attach(spring, 5332), 90.0, -90.0, 270.0);
  const TFormulaUnits* bound = spring.RestValue().GetUnits();
  ASSERT_NE(bound, nullptr);
  EXPECT_NEAR(bound->factor, kPi / 180.0, 1e-15);

  TLRope& rope = Add<TLRope>(world, 5);
  rope.Quantity().SetConstant(0.25);
  const Bound length = Attach(rope, 5311);
  EXPECT_NEAR(length.value, 25.0, 1e-9);
  EXPECT_NEAR(length.maximum / length.minimum, 10.0, 1e-9);
  ASSERT_NE(rope.Quantity().GetUnits(), nullptr);
  EXPECT_NEAR(rope.Quantity().GetUnits()->factor, 0.01, 1e-15);

  // A polar force's magnitude keeps the force's unit while its direction takes degrees.
  TForce& force = Add<TForce>(world, 6);
  force.Fx().SetConstant(0.0);
  force.Fy().SetConstant(2.0);
  const Bound polar = Attach(force, 5304, true);
  EXPECT_BOUND(polar, 2.0, 0.0, 4.0);
  EXPECT_NEAR(polar.secondValue, 90.0, 1e-9);
}

}  // namespace
