// A world of a spinning body with a point on it, a falling body and a body held by an anchor,
// saved, opened again and run in the solver: the point reports world positions that turn with
// its body in every recorded frame, and the anchored body stays where it was while the free one
// falls.

#include <cmath>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "core/ClassRegistry.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

using world_run::TWeightField;

constexpr double kGravity = 9.81;

class PointRunTest : public world_run::WorldRunTest {
 protected:
  PointRunTest()
      : WorldRunTest("point-run-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                            {kBlockBackground, TZeroMass::kTag},
                                            {kBlockGroup, TGroup::kTag},
                                            {kBlockRunSettings, kEngineTag},
                                            {TPoint::kBlockSolverRecord, kPointTag},
                                            {TAnchor::kBlockKind, kAnchorTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }
  static TRectangle& AddBox(TWorldDoc& world, int16_t identifier, double x, double y) {
    TRectangle& box = Add<TRectangle>(world, identifier);
    box.SetNumberProperty(kTagWidth, 1.0);
    box.SetNumberProperty(kTagHeight, 1.0);
    box.SetFormulaProperty(kTagPosX, TFormula(x));
    box.SetFormulaProperty(kTagPosY, TFormula(y));
    return box;
  }
};

TEST_F(PointRunTest, APointTurnsWithItsSpinningBodyAndAnAnchoredBodyStaysWhileAFreeOneFalls) {
  constexpr double kSpin = 2.0;
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& spinning = AddBox(world, 2, 1.0, 2.0);
    spinning.SetFormulaProperty(kTagVelRot, TFormula(kSpin));
    TPoint& point = Add<TPoint>(world, 3);
    point.AttachToBody(&spinning);
    point.SetLocalPosition({1.0, 0.5, 0.0});
    TRectangle& held = AddBox(world, 4, -3.0, 5.0);
    TRectangle& falling = AddBox(world, 5, 3.0, 5.0);
    TAnchor& anchor = Add<TAnchor>(world, 6);
    anchor.SetKind(1);
    anchor.AttachToBody(&background);
    anchor.AttachToBody(&held);
    ASSERT_EQ(held.GetAnchored(), 1);
    TGroup& group = Add<TGroup>(world, 7);
    group.SetMode(1, 1);
    group.Include(&held);
    group.Include(&falling);
    Add<TWeightField>(world, 8).groupId = 7;
  });
  TWorldDoc& world = document->World();
  auto* spinning = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* point = dynamic_cast<TPoint*>(world.FindObject(3));
  auto* held = dynamic_cast<TRectangle*>(world.FindObject(4));
  auto* falling = dynamic_cast<TRectangle*>(world.FindObject(5));
  ASSERT_NE(spinning, nullptr);
  ASSERT_NE(point, nullptr);
  ASSERT_NE(held, nullptr);
  ASSERT_NE(falling, nullptr);
  ASSERT_EQ(point->GetBody(), spinning);
  ASSERT_EQ(held->GetAnchored(), 1);

  constexpr int16_t kFrames = 20;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    const double turn = kSpin * t;
    const TVector at = point->GetWorldXY();
    EXPECT_NEAR(at.x, 1.0 + std::cos(turn) - 0.5 * std::sin(turn), 1e-9) << frame;
    EXPECT_NEAR(at.y, 2.0 + std::sin(turn) + 0.5 * std::cos(turn), 1e-9) << frame;
    EXPECT_NEAR(point->GetWorldRotation(), turn, 1e-9) << frame;
    EXPECT_NEAR(held->PositionY()->GetValue(), 5.0, 1e-9) << frame;
    EXPECT_NEAR(falling->PositionY()->GetValue(), 5.0 - 0.5 * kGravity * t * t, 1e-9) << frame;
  }
}

}  // namespace
