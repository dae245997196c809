// The commands of a new world's own objects, run as the menus run them: Don't Collide on two
// selected bodies lets a falling circle pass the box it rested on (and undo brings the collision
// back), and the centre-of-mass point answers its command with the world's edit check first.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/CollisionGroup.h"
#include "constraints/Field.h"
#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "simulation/Engine.h"

namespace {

using namespace body_tags;

constexpr int16_t kBoxId = 20;
constexpr int16_t kCircleId = 21;
constexpr int16_t kAnchorId = 22;
constexpr double kRadius = 0.1;
// The box's top edge.
constexpr double kBoxTop = 0.1;

template <class T>
T& Add(TWorldDoc& world, int16_t identifier) {
  auto object = std::make_unique<T>();
  object->Initialize();
  object->SetIdentifier(identifier);
  T& added = *object;
  world.AdoptObject(std::move(object));
  return added;
}

template <class T>
T* OnlyOf(TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (auto* found = dynamic_cast<T*>(object)) return found;
  return nullptr;
}

class WorldObjectCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseVirtualClock(1000);
    app_.LoadResourceDlls();
    app_.InitUnits();
    document_ = std::make_unique<TQVDoc>();
  }
  void TearDown() override {
    document_.reset();
    app_.TermUnits();
    app_.FreeResourceDlls();
    UseProcessClock();
  }
  TWorldDoc& World() { return document_->World(); }

  // On a new world: gravity switched on, a box anchored to the background and a circle above.
  void BuildBoxAndCircle() {
    TWorldDoc& world = World();
    auto* gravity = OnlyOf<TGravCnstr>(world);
    ASSERT_NE(gravity, nullptr);
    gravity->SetNumberProperty(kTagLineGravity, 9.81);
    gravity->SelectChoice(kTagGravLine);
    TRectangle& box = Add<TRectangle>(world, kBoxId);
    box.SetNumberProperty(kTagWidth, 1.0);
    box.SetNumberProperty(kTagHeight, 2 * kBoxTop);
    TAnchor& anchor = Add<TAnchor>(world, kAnchorId);
    anchor.SetKind(1);
    anchor.AttachToBody(dynamic_cast<TMass*>(world.FindObject(0)));
    anchor.AttachToBody(&box);
    TOval& circle = Add<TOval>(world, kCircleId);
    circle.SetRadius(kRadius);
    circle.SetFormulaProperty(kTagPosY, TFormula(0.6));
  }
  // The circle's lowest height in a run of a second and a half.
  double LowestCircleHeight() {
    TWorldDoc& world = World();
    const auto frames =
        static_cast<int16_t>(std::lround(1.5 / world.GetEngine()->TimeStep()));
    world.RunToFrame(frames, nullptr);
    double lowest = 1e9;
    auto* circle = dynamic_cast<TOval*>(world.FindObject(kCircleId));
    for (int16_t frame = 0; frame <= frames; ++frame) {
      world.ShowFrame(frame, 1);
      lowest = std::min(lowest, circle->PositionY()->GetValue());
    }
    world.ShowFrame(0, 1);
    world.ResetHistory(1);
    return lowest;
  }
  std::unique_ptr<TCommandCore> Answer(THandlerLink& object, int16_t command) {
    bool handled = false;
    std::unique_ptr<TCommandCore> made = object.DoObjectMenuCommand(command, handled);
    EXPECT_TRUE(handled);
    return made;
  }

  TApp app_;
  std::unique_ptr<TQVDoc> document_;
};

TEST_F(WorldObjectCommandsTest, DontCollideOnANewWorldLetsTheCirclePassTheBoxAndUndoStopsItAgain) {
  BuildBoxAndCircle();
  TWorldDoc& world = World();
  auto* group = OnlyOf<TCollisionGroup>(world);
  ASSERT_NE(group, nullptr);
  // Every pair collides in a new world: the circle comes to rest on the box.
  const double resting = LowestCircleHeight();
  EXPECT_GT(resting, kBoxTop + kRadius - 0.02);
  EXPECT_LT(resting, kBoxTop + kRadius + 0.06);

  world.Select(world.FindObject(kBoxId));
  world.Select(world.FindObject(kCircleId));
  const CollideMenuState state = group->MenuState();
  EXPECT_TRUE(state.enabled);
  EXPECT_EQ(state.collideMark, kCheckMark);
  std::unique_ptr<TCommandCore> apart = Answer(*group, kCmdDontCollide);
  ASSERT_NE(apart, nullptr);
  apart->Perform();
  EXPECT_EQ(group->MenuState().dontCollideMark, kCheckMark);
  // Free fall for a second and a half from 0.6 m.
  EXPECT_LT(LowestCircleHeight(), -5.0);

  apart->Undo();
  EXPECT_GT(LowestCircleHeight(), kBoxTop + kRadius - 0.02);
}

TEST_F(WorldObjectCommandsTest, TheCentreOfMassCommandAsksBeforeChangingAWorldThatHasRun) {
  BuildBoxAndCircle();
  TWorldDoc& world = World();
  auto* centre = OnlyOf<TCOMPoint>(world);
  ASSERT_NE(centre, nullptr);
  EXPECT_EQ(centre->IsShown(), 0);
  EXPECT_EQ(Answer(*centre, kCmdToggleCOM), nullptr);
  EXPECT_EQ(centre->IsShown(), 1);
  EXPECT_EQ(Answer(*centre, kCmdToggleCOM), nullptr);
  EXPECT_EQ(centre->IsShown(), 0);

  // Past the start, the edit is abandoned (silently, after asking) and the run is kept.
  world.RunToFrame(3, nullptr);
  world.ShowFrame(3, 1);
  EXPECT_THROW(Answer(*centre, kCmdToggleCOM), QVException);
  EXPECT_EQ(centre->IsShown(), 0);
  EXPECT_EQ(world.LastFrame(), 3);
}

// Switched on, the point runs with the world (the solver places it from its formulas) and stands
// at the centre of mass of the bodies shown, frame after frame.
TEST_F(WorldObjectCommandsTest, TheCentreOfMassFollowsTheBodiesThroughARun) {
  BuildBoxAndCircle();
  TWorldDoc& world = World();
  auto* circle = dynamic_cast<TOval*>(world.FindObject(kCircleId));
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(kBoxId));
  circle->SetFormulaProperty(kTagPosX, TFormula(2.0));
  circle->SetMass(3.0);
  auto* centre = OnlyOf<TCOMPoint>(world);
  ASSERT_NE(centre, nullptr);
  EXPECT_EQ(Answer(*centre, kCmdToggleCOM), nullptr);
  const auto expected = [&] {
    const double m1 = box->GetMass(), m2 = circle->GetMass();
    return (m1 * box->GetCOMWorld().y + m2 * circle->GetCOMWorld().y) / (m1 + m2);
  };
  EXPECT_NEAR(centre->LocalY()->GetValue(), expected(), 1e-9);

  // The circle falls past the box's side.
  const auto frames = static_cast<int16_t>(std::lround(0.5 / world.GetEngine()->TimeStep()));
  ASSERT_NO_THROW(world.RunToFrame(frames, nullptr));
  world.ShowFrame(frames, 1);
  centre->FollowCentreOfMass();
  EXPECT_LT(circle->PositionY()->GetValue(), 0.0);
  EXPECT_NEAR(centre->LocalX()->GetValue(), 3.0 * 2.0 / (box->GetMass() + 3.0), 1e-9);
  EXPECT_NEAR(centre->LocalY()->GetValue(), expected(), 1e-9);
  EXPECT_EQ(centre->HasRecordedMark(), 1);
}

}  // namespace
