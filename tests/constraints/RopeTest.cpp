// Ropes, separators, rods and the rotational rope: when they act, how slack they are drawn, what
// they hand the solver and keep across a document, and a load lifted over a pulley.

#include <cmath>

#include "core/Failure.h"
#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;

class RopeTest : public ConstraintRunTest {
 protected:
  // A 1 kg and a 2 kg box hang 1 m below two pulley points on a 3 m rope through both.
  void WritePulleyWorld() {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& light = AddBox(world, 2, 1.0, -0.5, -1.0);
    TRectangle& heavy = AddBox(world, 3, 2.0, 0.5, -1.0);
    TLRope& rope = Add<TLRope>(world, 4);
    rope.SetShortProperty(kTagAlwaysActive, 1);
    rope.SetType(TLRope::kRope);
    rope.AttachObject(&AddPoint(world, 5, light, 0.0, 0.0));
    rope.AttachObject(&AddPoint(world, 6, background, -0.5, 0.0));
    rope.AttachObject(&AddPoint(world, 7, background, 0.5, 0.0));
    rope.AttachObject(&AddPoint(world, 8, heavy, 0.0, 0.0));
    rope.Quantity().SetConstant(3.0);
    TGroup& group = Add<TGroup>(world, 9);
    group.SetMode(1, 1);
    group.Include(&light);
    group.Include(&heavy);
    Add<TWeightField>(world, 10).groupId = 9;
    written.WriteDocument(path.string());
  }

  // A rope of the type and length over points on the background at the positions.
  TLRope& Rope(TWorldDoc& world, int32_t type, double length, std::vector<TVector> at) {
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TLRope& rope = Add<TLRope>(world, 50);
    rope.SetType(type);
    rope.Quantity().SetConstant(length);
    int16_t id = 60;
    for (const TVector& p : at) rope.AttachObject(&AddPoint(world, id++, background, p.x, p.y));
    return rope;
  }
};

TEST_F(RopeTest, AmplitudeOfSlackAndCompression) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TLRope& rope = Rope(world, TLRope::kRope, 1.0, {{0.0, 0.0}, {0.9, 0.0}});
  rope.UpdateAmplitude();
  EXPECT_NEAR(rope.GetAmplitude(), 0.484, 5e-4);
  static_cast<TPoint*>(rope.Attached().back())->SetLocalPosition({0.96, 0.0, 0.0});
  rope.UpdateAmplitude();
  EXPECT_EQ(rope.GetAmplitude(), 0.0);
  // Ends at one place: a finite amplitude, not a division by zero.
  static_cast<TPoint*>(rope.Attached().back())->SetLocalPosition({0.0, 0.0, 0.0});
  rope.UpdateAmplitude();
  EXPECT_TRUE(std::isfinite(rope.GetAmplitude()));
  rope.SetType(TLRope::kSeparator);
  static_cast<TPoint*>(rope.Attached().back())->SetLocalPosition({2.0, 0.0, 0.0});
  rope.UpdateAmplitude();
  EXPECT_DOUBLE_EQ(rope.GetAmplitude(), 0.25);
  static_cast<TPoint*>(rope.Attached().back())->SetLocalPosition({1.0, 0.0, 0.0});
  rope.UpdateAmplitude();
  EXPECT_DOUBLE_EQ(rope.GetAmplitude(), 0.5);
  // At exactly its length a rope and a separator both act.
  EXPECT_TRUE(rope.IsActing());
  rope.SetType(TLRope::kRope);
  EXPECT_TRUE(rope.IsActing());
  static_cast<TPoint*>(rope.Attached().back())->SetLocalPosition({0.5, 0.0, 0.0});
  EXPECT_FALSE(rope.IsActing());
}

TEST_F(RopeTest, PulleyLineAmplitudeAndKind) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TLRope& pulley = Rope(world, TLRope::kRope, 1.0, {{0.0, 0.0}, {0.48, 0.0}, {0.48, 0.48}});
  pulley.UpdateAmplitude();
  EXPECT_NEAR(pulley.GetAmplitude(), 0.292, 5e-4);
  EXPECT_EQ(pulley.GetKindNumber(), 2514);
  EXPECT_FALSE(pulley.HasQuantity());
}

TEST_F(RopeTest, GoalsPropertiesAndTheRotationalRopesLimits) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TLRope& rope = Rope(world, TLRope::kRope, 2.5, {{0.0, 0.0}, {1.0, 0.0}});
  rope.PrepareGoals();
  ASSERT_EQ(rope.Goals().size(), 1u);
  EXPECT_EQ(rope.Goal(1).type, 1);
  EXPECT_EQ(rope.Goal(1).limit, 2);
  EXPECT_EQ(rope.Goal(1).component, 0);
  EXPECT_EQ(rope.Goal(1).GetValue(), 2.5);
  EXPECT_NE(rope.GetFormulaProperty(kTagRopeElasticity, nullptr, nullptr, nullptr, nullptr), nullptr);
  TRod rod;
  rod.Initialize();
  EXPECT_EQ(rod.GetFormulaProperty(kTagRopeElasticity, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(rod.GetKindNumber(), 2504);

  TRRope limits;
  limits.Initialize();
  limits.SetFormulaProperty(kTagMinRotation, TFormula(-0.5));
  limits.SetFormulaProperty(kTagMaxRotation, TFormula(0.75));
  limits.PrepareGoals();
  ASSERT_EQ(limits.Goals().size(), 2u);
  EXPECT_EQ(limits.Goal(1).limit, 1);
  EXPECT_EQ(limits.Goal(1).component, 2);
  EXPECT_EQ(limits.Goal(1).GetValue(), -0.5);
  EXPECT_EQ(limits.Goal(2).limit, 2);
  EXPECT_EQ(limits.Goal(2).GetValue(), 0.75);
}

// After reading, a rod takes the distance of its ends as its length; a rope keeps its own. A
// rotational rope keeps both limits.
TEST_F(RopeTest, RodFollowsItsEndsAfterReadingWhileARopeKeepsItsLength) {
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRod& rod = Add<TRod>(world, 5);
    rod.AttachObject(&AddPoint(world, 2, background, 0.0, 0.0));
    rod.AttachObject(&AddPoint(world, 3, background, 12.0, 0.0));
    rod.Quantity().SetConstant(10.0);
    TLRope& rope = Add<TLRope>(world, 6);
    rope.SetType(TLRope::kRope);
    rope.AttachObject(&AddPoint(world, 7, background, 0.0, 1.0));
    rope.AttachObject(&AddPoint(world, 8, background, 12.0, 1.0));
    rope.Quantity().SetConstant(10.0);
    TRRope& limits = Add<TRRope>(world, 9);
    limits.SetFormulaProperty(kTagMinRotation, TFormula(-0.5));
    limits.SetFormulaProperty(kTagMaxRotation, TFormula(0.75));
    written.WriteDocument(path.string());
  }
  TQVDoc read;
  read.ReadDocument(path.string());
  auto* rod = dynamic_cast<TRod*>(read.World().FindObject(5));
  auto* rope = dynamic_cast<TLRope*>(read.World().FindObject(6));
  auto* limits = dynamic_cast<TRRope*>(read.World().FindObject(9));
  ASSERT_NE(rod, nullptr);
  ASSERT_NE(rope, nullptr);
  ASSERT_NE(limits, nullptr);
  EXPECT_DOUBLE_EQ(rod->Quantity().GetValue(), 12.0);
  EXPECT_EQ(rope->Quantity().GetValue(), 10.0);
  EXPECT_EQ(rope->GetType(), TLRope::kRope);
  EXPECT_EQ(limits->MinRotation().GetValue(), -0.5);
  EXPECT_EQ(limits->MaxRotation().GetValue(), 0.75);
}

// Two boxes of 1 kg and 2 kg on a rope over two pulley points of the background: the heavier
// one sinks and lifts the lighter with the acceleration g (m2 - m1) / (m1 + m2).
TEST_F(RopeTest, ARopeOverAPulleyLiftsTheLighterLoad) {
  WritePulleyWorld();
  TQVDoc read;
  read.ReadDocument(path.string());
  TWorldDoc& world = read.World();
  auto* light = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* heavy = dynamic_cast<TRectangle*>(world.FindObject(3));
  ASSERT_NE(light, nullptr);
  ASSERT_NE(heavy, nullptr);
  constexpr int16_t kFrames = 15;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  const double a = kGravity / 3.0;
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    // A rope keeps its length to 1e-10 m; the masses move at a constant acceleration, which the
    // integrator follows exactly.
    EXPECT_NEAR(light->PositionY()->GetValue(), -1.0 + 0.5 * a * t * t, 1e-10) << frame;
    EXPECT_NEAR(heavy->PositionY()->GetValue(), -1.0 - 0.5 * a * t * t, 1e-10) << frame;
  }
}

// Run on, the heavy box pulls the light one right up to its pulley point: the run stops there
// with the solver's failure instead of stalling, and the frames before it keep the lift.
TEST_F(RopeTest, ALoadPulledUpToItsPulleyEndsTheRunThere) {
  WritePulleyWorld();
  TQVDoc read;
  read.ReadDocument(path.string());
  TWorldDoc& world = read.World();
  auto* light = dynamic_cast<TRectangle*>(world.FindObject(2));
  ASSERT_NE(light, nullptr);
  const double step = world.GetEngine()->TimeStep();
  const double a = kGravity / 3.0;
  const double contact = std::sqrt(2.0 / a);
  const auto frames = static_cast<int16_t>(std::ceil(2 * contact / step));
  int16_t failure = 0;
  try {
    world.RunToFrame(frames, nullptr);
  } catch (const QVException& error) {
    failure = error.error();
  }
  // The solver's answer that the motion cannot go on, as the program numbers it.
  EXPECT_EQ(failure, -28702);
  const int32_t kept = world.GetStore()->FrameCount();
  EXPECT_EQ(kept, static_cast<int32_t>(std::floor(contact / step)) + 1);
  for (int16_t frame = 0; frame < kept; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    EXPECT_NEAR(light->PositionY()->GetValue(), -1.0 + 0.5 * a * t * t, 1e-10) << frame;
  }
}

}  // namespace
