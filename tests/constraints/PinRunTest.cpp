// A pendulum built from the program's classes: a box hung from the background by a pin through
// two points, saved, opened again and run by the solver. Its swing follows the closed form of a
// physical pendulum and the two points of the pin stay together.

#include <numbers>

#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;
using PinRunTest = ConstraintRunTest;

// A square of side s whose centre hangs a length L below the pin, pushed sideways: it swings
// as theta(t) = (w0 / W) sin(W t) with W^2 = g L / (L^2 + s^2 / 6) for a small swing.
TEST_F(PinRunTest, APinnedBoxSwingsAsAPhysicalPendulum) {
  constexpr double kSide = 0.2;
  constexpr double kLength = 1.0;
  constexpr double kStartSpin = 0.05 * 3.0;  // an amplitude of about 0.05 rad
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = Add<TRectangle>(world, 2);
    box.SetNumberProperty(kTagWidth, kSide);
    box.SetNumberProperty(kTagHeight, kSide);
    box.SetFormulaProperty(kTagPosX, TFormula(0.0));
    box.SetFormulaProperty(kTagPosY, TFormula(-kLength));
    box.SetFormulaProperty(kTagVelX, TFormula(kStartSpin * kLength));
    box.SetFormulaProperty(kTagVelRot, TFormula(kStartSpin));
    TPoint& fixed = Add<TPoint>(world, 3);
    fixed.AttachToBody(&background);
    fixed.SetLocalPosition({0.0, 0.0, 0.0});
    TPoint& hung = Add<TPoint>(world, 4);
    hung.AttachToBody(&box);
    hung.SetLocalPosition({0.0, kLength, 0.0});
    TPin& pin = Add<TPin>(world, 5);
    pin.SetShortProperty(kTagAlwaysActive, 1);
    pin.AttachObject(&fixed);
    pin.AttachObject(&hung);
    TGroup& group = Add<TGroup>(world, 6);
    group.SetMode(1, 1);
    group.Include(&box);
    Add<TWeightField>(world, 7).groupId = 6;
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* fixed = dynamic_cast<TPoint*>(world.FindObject(3));
  auto* hung = dynamic_cast<TPoint*>(world.FindObject(4));
  auto* pin = dynamic_cast<TPin*>(world.FindObject(5));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(pin, nullptr);
  ASSERT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(pin->GetPrimaryObject(), fixed);
  EXPECT_EQ(pin->Attached().back(), hung);
  EXPECT_EQ(hung->ConstraintCount(), 1);

  const double omega = std::sqrt(kGravity * kLength / (kLength * kLength + kSide * kSide / 6.0));
  const double period = 2.0 * std::numbers::pi / omega;
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  const auto frames = static_cast<int16_t>(std::ceil(period / step) + 1);
  world.RunToFrame(frames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), frames + 1);
  for (int16_t frame = 0; frame <= frames; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    const double expected = kStartSpin / omega * std::sin(omega * t);
    // The small-swing form is good to the cube of the amplitude.
    EXPECT_NEAR(box->GetRotationValue(), expected, 2e-4) << frame;
    const TVector a = fixed->GetWorldXY();
    const TVector b = hung->GetWorldXY();
    EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 0.0, 1e-6) << frame;
  }
}

}  // namespace
