// Motors and actuators: drive and limit goals, the kind commands and their listing, the position
// kind following the ends, and a four-bar linkage turned by a velocity motor.

#include <cmath>

#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;

class PistonTest : public ConstraintRunTest {};

TEST_F(PistonTest, ANewActuatorDrivesForceUnderAVelocityLimit) {
  TLPiston piston;
  piston.Initialize();
  piston.Quantity().SetConstant(4.0);
  piston.Limit().SetConstant(0.5);
  piston.PrepareGoals();
  ASSERT_EQ(piston.Goals().size(), 2u);
  EXPECT_EQ(piston.Goal(1).type, 0);
  EXPECT_EQ(piston.Goal(1).GetValue(), 4.0);
  EXPECT_EQ(piston.Goal(2).type, 2);
  EXPECT_EQ(piston.Goal(2).limit, 2);
  EXPECT_EQ(piston.Goal(2).GetValue(), 0.5);

  piston.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));
  uint16_t value = 0;
  piston.GetShortProperty(kTagLimitKind, value, nullptr);
  EXPECT_EQ(static_cast<int16_t>(value), -1);
  EXPECT_EQ(piston.GetFormulaProperty(kTagLimit, nullptr, nullptr, nullptr, nullptr), nullptr);
  piston.PrepareGoals();
  EXPECT_EQ(piston.Goals().size(), 1u);
  EXPECT_TRUE(piston.HitsShape(0.3, 0.25));
  EXPECT_FALSE(piston.HitsShape(0.7, 0.25));

  TRPiston motor;
  motor.Initialize();
  motor.PrepareGoals();
  ASSERT_EQ(motor.Goals().size(), 2u);
  EXPECT_EQ(motor.Goal(1).component, 2);
  EXPECT_EQ(motor.Goal(2).component, 2);
}

// A limit command sets the limit and its kind, and the limit is then edited in that kind's
// unit; the position command takes the ends' distance once.
TEST_F(PistonTest, CommandsSetKindsAndThePositionKindFollowsTheEnds) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TZeroMass& background = Add<TZeroMass>(world, 0);
  TLPiston& piston = Add<TLPiston>(world, 5);
  piston.AttachObject(&AddPoint(world, 2, background, 0.0, 0.0));
  piston.AttachObject(&AddPoint(world, 3, background, 3.0, 0.0));
  piston.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));
  EXPECT_EQ(piston.ApplyCommand(5278), 0x01000000);
  uint16_t value = 0;
  piston.GetShortProperty(kTagLimitKind, value, nullptr);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(piston.ApplyCommand(5276), 0x12D00000);
  piston.GetShortProperty(kTagLimitKind, value, nullptr);
  EXPECT_EQ(value, 4);

  EXPECT_EQ(piston.ApplyCommand(5273), 0x01000000);
  EXPECT_EQ(piston.GetDriveKind(), TPiston::kPosition);
  EXPECT_DOUBLE_EQ(piston.Quantity().GetValue(), 3.0);
  piston.Quantity().SetConstant(5.0);
  piston.ApplyCommand(5273);
  EXPECT_EQ(piston.Quantity().GetValue(), 5.0);
  EXPECT_EQ(piston.ListedCommands(),
            (std::vector<int16_t>{5271, 5272, 5274, 5275, 5277, 5278, 5279, 5280}));
  EXPECT_EQ(piston.ApplyCommand(5290), 0);
}

// Crank 1, coupler 3, rocker 2 on a ground of 3: a velocity motor of 1 rad/s turns the crank,
// and the rocker's joint lies where the two circles about the crank's end and the rocker's
// pivot cross.
TEST_F(PistonTest, AFourBarLinkageFollowsItsVelocityMotor) {
  constexpr double kCrank = 1.0, kCoupler = 3.0, kRocker = 2.0, kGround = 3.0, kSpin = 1.0;
  auto joint = [&](double angle) {
    const TVector b(kCrank * std::cos(angle), kCrank * std::sin(angle));
    const double dx = kGround - b.x, dy = -b.y;
    const double d = std::hypot(dx, dy);
    const double along = (kCoupler * kCoupler - kRocker * kRocker + d * d) / (2.0 * d);
    const double across = std::sqrt(kCoupler * kCoupler - along * along);
    return TVector(b.x + (along * dx + across * dy) / d, b.y + (along * dy - across * dx) / d);
  };
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    const TVector c = joint(0.0);
    auto bar = [&](int16_t id, TVector from, TVector to) -> TRectangle& {
      const double length = std::hypot(to.x - from.x, to.y - from.y);
      TRectangle& box = AddBox(world, id, 1.0, (from.x + to.x) / 2, (from.y + to.y) / 2);
      box.SetNumberProperty(kTagWidth, length);
      box.SetFormulaProperty(kTagPosRot, TFormula(std::atan2(to.y - from.y, to.x - from.x)));
      return box;
    };
    TRectangle& crank = bar(2, {0.0, 0.0}, {kCrank, 0.0});
    TRectangle& coupler = bar(3, {kCrank, 0.0}, c);
    TRectangle& rocker = bar(4, {kGround, 0.0}, c);
    auto pin = [&](int16_t id, TPoint& a, TPoint& b) {
      TPin& p = Add<TPin>(world, id);
      p.SetShortProperty(kTagAlwaysActive, 1);
      p.AttachObject(&a);
      p.AttachObject(&b);
    };
    TPoint& groundA = AddPoint(world, 10, background, 0.0, 0.0);
    TPoint& crankA = AddPoint(world, 11, crank, -kCrank / 2, 0.0);
    pin(20, groundA, crankA);
    pin(21, AddPoint(world, 12, crank, kCrank / 2, 0.0), AddPoint(world, 13, coupler, -kCoupler / 2, 0.0));
    pin(22, AddPoint(world, 14, coupler, kCoupler / 2, 0.0), AddPoint(world, 15, rocker, kRocker / 2, 0.0));
    pin(23, AddPoint(world, 16, background, kGround, 0.0), AddPoint(world, 17, rocker, -kRocker / 2, 0.0));
    TRPiston& motor = Add<TRPiston>(world, 30);
    motor.SetShortProperty(kTagAlwaysActive, 1);
    motor.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));
    motor.SetShortProperty(kTagDriveKind, TPiston::kVelocity);
    motor.Quantity().SetConstant(kSpin);
    motor.AttachObject(&groundA);
    motor.AttachObject(&crankA);
    written.WriteDocument(path.string());
  }
  TQVDoc read;
  read.ReadDocument(path.string());
  TWorldDoc& world = read.World();
  auto* crank = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* rockerJoint = dynamic_cast<TPoint*>(world.FindObject(15));
  auto* motor = dynamic_cast<TRPiston*>(world.FindObject(30));
  ASSERT_NE(crank, nullptr);
  ASSERT_NE(rockerJoint, nullptr);
  ASSERT_NE(motor, nullptr);
  EXPECT_EQ(motor->GetDriveKind(), TPiston::kVelocity);
  EXPECT_FALSE(motor->HasLimit());
  constexpr int16_t kFrames = 60;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  for (int16_t frame = 0; frame <= kFrames; frame += 5) {
    world.ShowFrame(frame, 1);
    const double angle = kSpin * frame * step;
    // A driven four-bar: angles good to 1e-8 rad, the loop closed to 1e-10 m, so the rocker's
    // joint is where the crank's angle puts it to within 1e-8 of its arm.
    EXPECT_NEAR(crank->GetRotationValue(), angle, 1e-8) << frame;
    const TVector c = joint(angle);
    const TVector at = rockerJoint->GetWorldXY();
    EXPECT_NEAR(at.x, c.x, 1e-8 * kCoupler) << frame;
    EXPECT_NEAR(at.y, c.y, 1e-8 * kCoupler) << frame;
  }
}

}  // namespace
