// A pendulum built from the program's classes: a box hung from the background by a pin through
// two points, saved, opened again and run by the solver. Its swing follows the pendulum's own
// equation as closely as the solver's accuracy table promises, its energy stays, and the two
// points of the pin stay together.

#include <numbers>
#include <vector>

#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;
using PinRunTest = ConstraintRunTest;

// The angle and angular velocity of theta'' = -w2 sin(theta) at every frame, from theta = 0 and
// the spin, by a fourth-order integration a thousand times finer than the frames: its own error
// is some ten orders of magnitude below what is asked of the solver.
std::vector<std::pair<double, double>> ReferenceSwing(double w2, double spin, double step,
                                                      int frames) {
  constexpr int kSubsteps = 1000;
  const double h = step / kSubsteps;
  auto accel = [w2](double theta) { return -w2 * std::sin(theta); };
  double theta = 0.0;
  double omega = spin;
  std::vector<std::pair<double, double>> swing{{theta, omega}};
  for (int frame = 1; frame <= frames; ++frame) {
    for (int i = 0; i < kSubsteps; ++i) {
      const double k1t = omega, k1o = accel(theta);
      const double k2t = omega + 0.5 * h * k1o, k2o = accel(theta + 0.5 * h * k1t);
      const double k3t = omega + 0.5 * h * k2o, k3o = accel(theta + 0.5 * h * k2t);
      const double k4t = omega + h * k3o, k4o = accel(theta + h * k3t);
      theta += h / 6.0 * (k1t + 2.0 * k2t + 2.0 * k3t + k4t);
      omega += h / 6.0 * (k1o + 2.0 * k2o + 2.0 * k3o + k4o);
    }
    swing.emplace_back(theta, omega);
  }
  return swing;
}

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

  const double w2 = kGravity * kLength / (kLength * kLength + kSide * kSide / 6.0);
  const double period = 2.0 * std::numbers::pi / std::sqrt(w2);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  const auto frames = static_cast<int16_t>(std::ceil(period / step) + 1);
  world.RunToFrame(frames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), frames + 1);
  const std::vector<std::pair<double, double>> swing = ReferenceSwing(w2, kStartSpin, step, frames);
  // The energy per moment of inertia, and the part of it that swings.
  auto energy = [w2](double theta, double omega) { return 0.5 * omega * omega - w2 * std::cos(theta); };
  const double start = energy(0.0, kStartSpin);
  const double swinging = 0.5 * kStartSpin * kStartSpin;
  const double amplitude = std::acos(1.0 - swinging / w2);
  const TFrameStore& store = *world.GetStore();
  const int32_t at = world.BodyValueOffset(box);
  ASSERT_GE(at, 0);
  for (int16_t frame = 0; frame <= frames; ++frame) {
    world.ShowFrame(frame, 1);
    const double theta = box->GetRotationValue();
    const double omega = store.Value(frame, at + 5);
    // A period good to 1e-8 leaves the angle within 1e-8 of a turn's worth of swing.
    EXPECT_NEAR(theta, swing[static_cast<size_t>(frame)].first, 2 * std::numbers::pi * 1e-8 * amplitude)
        << frame;
    EXPECT_NEAR(energy(theta, omega), start, 1e-7 * swinging) << frame;
    const TVector a = fixed->GetWorldXY();
    const TVector b = hung->GetWorldXY();
    EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 0.0, 1e-10) << frame;
  }
}

}  // namespace
