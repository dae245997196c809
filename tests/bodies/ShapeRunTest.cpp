// A world of a rectangle and a circle with starting velocities, made through the program's
// classes, saved, opened again, handed to the solver and run: the recorded frames follow the
// closed form of a constant force, weight and torque acting on the masses and moments the shapes
// compute, and showing a frame puts each body where the frame says.

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/ClassRegistry.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

using world_run::TWeightField;

constexpr double kGravity = 9.81;
constexpr double kPush = 3.0;   // newtons along x on every body
constexpr double kTwist = 1.0;  // newton metres on every body

// Where a body starts and what acts on it.
struct Motion {
  double x, y, r, vx, vy, w, mass, moment;
  double X(double t) const { return x + vx * t + 0.5 * kPush / mass * t * t; }
  double Y(double t) const { return y + vy * t - 0.5 * kGravity * t * t; }
  double R(double t) const { return r + w * t + 0.5 * kTwist / moment * t * t; }
};

class ShapeRunTest : public world_run::WorldRunTest {
 protected:
  ShapeRunTest()
      : WorldRunTest("shape-run-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                            {kBlockRadiusLine, TOval::kTag},
                                            {kBlockBackground, TZeroMass::kTag},
                                            {kBlockGroup, TGroup::kTag},
                                            {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }

  static void Set(TMass& body, uint32_t tag, double value) {
    body.SetFormulaProperty(tag, TFormula(value));
  }
};

TEST_F(ShapeRunTest, SavedShapesFollowTheClosedFormOfTheirMassesAndMoments) {
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TRectangle& rectangle = Add<TRectangle>(world, 2);
    rectangle.SetNumberProperty(kTagWidth, 2.0);
    rectangle.SetNumberProperty(kTagHeight, 1.0);
    Set(rectangle, kTagMass, 6.0);
    Set(rectangle, kTagPosY, 10.0);
    Set(rectangle, kTagVelX, 1.0);
    Set(rectangle, kTagVelY, 2.0);
    Set(rectangle, kTagVelRot, 0.5);
    TOval& circle = Add<TOval>(world, 3);
    circle.SetNumberProperty(kTagRadius, 0.5);  // unit density: its mass is its area
    Set(circle, kTagPosX, 5.0);
    Set(circle, kTagVelX, -1.0);
    Set(circle, kTagVelY, 3.0);
    TGroup& group = Add<TGroup>(world, 4);
    group.SetMode(1, 1);
    group.Include(&rectangle);
    group.Include(&circle);
    TWeightField& field = Add<TWeightField>(world, 5);
    field.groupId = 4;
    field.goals = {{0, TFormula(kPush)}, {1, TWeightField::Weight()}, {2, TFormula(kTwist)}};
  });
  TWorldDoc& world = document->World();
  ASSERT_EQ(world.EightValueObjects().size(), 2u);
  auto* rectangle = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* circle = dynamic_cast<TOval*>(world.FindObject(3));
  ASSERT_NE(rectangle, nullptr);
  ASSERT_NE(circle, nullptr);
  ASSERT_NE(dynamic_cast<TZeroMass*>(world.FindObject(0)), nullptr);

  const double circleMass = std::numbers::pi * 0.25;
  EXPECT_DOUBLE_EQ(circle->GetMass(), circleMass);
  const Motion motions[2] = {{0.0, 10.0, 0.0, 1.0, 2.0, 0.5, 6.0, 2.5},
                             {5.0, 0.0, 0.0, -1.0, 3.0, 0.0, circleMass, 0.125 * circleMass}};
  EXPECT_DOUBLE_EQ(rectangle->GetMoment(), motions[0].moment);
  EXPECT_DOUBLE_EQ(circle->GetMoment(), motions[1].moment);

  constexpr int16_t kFrames = 20;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  ASSERT_EQ(store.ValuesPerFrame(), 16);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame : {0, 1, 7, int32_t{kFrames}}) {
    const double t = frame * step;
    for (int body = 0; body < 2; ++body) {
      const Motion& m = motions[body];
      const int32_t at = 8 * body;
      EXPECT_NEAR(store.Value(frame, at + 0), m.X(t), 1e-9) << frame << " body " << body;
      EXPECT_NEAR(store.Value(frame, at + 1), m.Y(t), 1e-9) << frame << " body " << body;
      EXPECT_NEAR(store.Value(frame, at + 2), m.R(t), 1e-9) << frame << " body " << body;
      EXPECT_NEAR(store.Value(frame, at + 4), m.vy - kGravity * t, 1e-9) << frame;
    }
  }

  // Showing a frame puts each body at its recorded place; its formulas keep what they were.
  world.ShowFrame(kFrames, 1);
  const double t = kFrames * step;
  EXPECT_NEAR(circle->PositionX()->GetValue(), motions[1].X(t), 1e-9);
  EXPECT_NEAR(rectangle->GetRotationValue(), motions[0].R(t), 1e-9);
  TVector3 placement;
  rectangle->GetPlacement(placement);
  EXPECT_NEAR(placement.y, motions[0].Y(t), 1e-9);
  EXPECT_NEAR(rectangle->VelocityY()->GetValue(), motions[0].vy - kGravity * t, 1e-9);
}

}  // namespace
