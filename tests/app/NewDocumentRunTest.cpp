// A new document of the running program: its world holds the default objects of the program's
// resources, runs from its run commands, records what its objects record, and its pause
// controls act on the run at the frame the physics predicts.

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/CollisionGroup.h"
#include "constraints/Field.h"
#include "constraints/Pin.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Clock.h"
#include "simulation/Engine.h"
#include "simulation/GeometryManager.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"

namespace {

using namespace body_tags;

// A pendulum without gravity: a box a metre below its pin, turned by kStartAngle and set turning
// at kSpin about the pin, keeps turning at that rate, so its angle is kStartAngle + kSpin t.
constexpr double kArm = 1.0;
constexpr double kStartAngle = 0.51;
constexpr double kSpin = -1.0;
constexpr int16_t kPendulumId = 2;
constexpr int16_t kChargedId = 6;

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
int CountOf(const TWorldDoc& world) {
  int count = 0;
  for (TLink* object : world.Objects())
    count += dynamic_cast<T*>(object) != nullptr ? 1 : 0;
  return count;
}

TFormula Formula(const char* text) {
  TFormula formula;
  formula.SetFromPieces(text);
  return formula;
}

// The pause-control holder every world has among its default objects.
TStopWhen& PauseControls(TWorldDoc& world) {
  for (TLink* member : world.PauseControls()) {
    if (auto* holder = dynamic_cast<TStopWhen*>(member)) return *holder;
  }
  throw std::logic_error("the world has no pause-control holder");
}

// Appends a condition to the holder as the pause-control window does: by its property tags.
void AddCondition(TStopWhen& holder, const char* condition, int16_t action) {
  holder.DoAction(MakeTag("PWNs"));
  const char number = static_cast<char>('0' + holder.GetConditionCount() - 1);
  const char condition_tag[5] = {'P', 'W', 'e', number, '\0'};
  const char action_tag[5] = {'P', 'W', 'm', number, '\0'};
  holder.SetFormulaProperty(MakeTag(condition_tag), Formula(condition));
  holder.SetIndexProperty(MakeTag(action_tag), action);
}

class NewDocumentRunTest : public ::testing::Test {
 protected:
  // Queued runs work in time slices: on the virtual clock a slice lasts until the run ends,
  // however slowly the machine runs.
  void SetUp() override {
    UseVirtualClock(1000);
    app_.LoadResourceDlls();
    app_.InitUnits();
  }
  void TearDown() override {
    std::filesystem::remove(path_);
    app_.TermUnits();
    app_.FreeResourceDlls();
    UseProcessClock();
  }

  // The pendulum on a pin to the background, and a free box whose charge is a formula.
  static void AddPendulumAndChargedBox(TWorldDoc& world) {
    world.DropDefaultWorldObjects();
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = Add<TRectangle>(world, kPendulumId);
    box.SetNumberProperty(kTagWidth, 0.2);
    box.SetNumberProperty(kTagHeight, 0.2);
    box.SetFormulaProperty(kTagPosX, TFormula(kArm * std::sin(kStartAngle)));
    box.SetFormulaProperty(kTagPosY, TFormula(-kArm * std::cos(kStartAngle)));
    box.SetFormulaProperty(kTagPosRot, TFormula(kStartAngle));
    box.SetFormulaProperty(kTagVelX, TFormula(kSpin * kArm * std::cos(kStartAngle)));
    box.SetFormulaProperty(kTagVelY, TFormula(kSpin * kArm * std::sin(kStartAngle)));
    box.SetFormulaProperty(kTagVelRot, TFormula(kSpin));
    TPoint& fixed = Add<TPoint>(world, 3);
    fixed.AttachToBody(&background);
    fixed.SetLocalPosition({0.0, 0.0, 0.0});
    TPoint& hung = Add<TPoint>(world, 4);
    hung.AttachToBody(&box);
    hung.SetLocalPosition({0.0, kArm, 0.0});
    TPin& pin = Add<TPin>(world, 5);
    pin.SetShortProperty(kTagAlwaysActive, 1);
    pin.AttachObject(&fixed);
    pin.AttachObject(&hung);
    TRectangle& charged = Add<TRectangle>(world, kChargedId);
    charged.SetNumberProperty(kTagWidth, 0.1);
    charged.SetNumberProperty(kTagHeight, 0.1);
    charged.SetFormulaProperty(kTagPosX, TFormula(3.0));
    charged.SetFormulaProperty(kTagCharge, Formula("2*3"));
  }

  // Performs the application's queued commands, at most count of them; answers how many.
  int PerformQueued(int count) {
    int performed = 0;
    while (performed < count && app_.Commands().PerformNextQueued())
      ++performed;
    return performed;
  }

  double Step(TWorldDoc& world) { return world.GetEngine()->TimeStep(); }

  TApp app_;
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("yb-new-document-" + std::to_string(::getpid()) + ".yb");
};

TEST_F(NewDocumentRunTest, ANewDocumentHasItsDefaultObjectsAndRuns) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  ASSERT_NE(world.GetEngine(), nullptr);
  EXPECT_NE(dynamic_cast<TEngine*>(world.GetEngineObject()), nullptr);
  EXPECT_NE(dynamic_cast<TWorldUnitHandler*>(world.GetUnitHandler()), nullptr);
  EXPECT_EQ(CountOf<TWorldGeometryManager>(world), 1);
  ASSERT_EQ(world.PauseControls().size(), 2u);
  EXPECT_EQ(world.PauseControls().front(), &world);
  EXPECT_EQ(PauseControls(world).GetConditionCount(), 0);
  EXPECT_EQ(world.GetSkipFrames(), 1);
  EXPECT_DOUBLE_EQ(Step(world), 1.0 / 30.0);

  world.RunToFrame(5, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  EXPECT_EQ(world.GetStore()->FrameCount(), 6);
}

// The field constraint of a kind in the world, and that it is the only one.
template <class Field, class Group>
Field* OnlyFieldOf(TWorldDoc& world) {
  EXPECT_EQ(CountOf<Field>(world), 1);
  EXPECT_EQ(CountOf<Group>(world), 1);
  for (TLink* object : world.Objects()) {
    if (auto* field = dynamic_cast<Field*>(object)) return field;
  }
  return nullptr;
}

// A new world has what a user builds on: the background as object 0, a collision group, each
// force field off with its own group, and the centre of mass, off. Saved and opened again it
// keeps one of each; gravity switched on makes a body fall freely.
TEST_F(NewDocumentRunTest, ANewWorldHasItsBackgroundGroupsFieldsAndCentreOfMass) {
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    EXPECT_NE(dynamic_cast<TZeroMass*>(world.FindObject(0)), nullptr);
    EXPECT_EQ(CountOf<TZeroMass>(world), 1);
    EXPECT_EQ(CountOf<TCollisionGroup>(world), 1);
    ASSERT_EQ(CountOf<TCOMPoint>(world), 1);
    auto* gravity = OnlyFieldOf<TGravCnstr, TGravGroup>(world);
    auto* air = OnlyFieldOf<TAirCnstr, TAirGroup>(world);
    auto* electric = OnlyFieldOf<TElectCnstr, TElectGroup>(world);
    auto* custom = OnlyFieldOf<TCustomCnstr, TCustomGroup>(world);
    for (TFieldCnstr* field : std::initializer_list<TFieldCnstr*>{gravity, air, electric, custom}) {
      ASSERT_NE(field, nullptr);
      EXPECT_FALSE(field->IsFieldOn());
      EXPECT_NE(dynamic_cast<TGroup*>(field->GetRelatedObject()), nullptr);
    }
    EXPECT_NE(dynamic_cast<TGravGroup*>(gravity->GetRelatedObject()), nullptr);
    EXPECT_NE(dynamic_cast<TCustomGroup*>(custom->GetRelatedObject()), nullptr);
    for (TLink* object : world.Objects()) {
      if (auto* centre = dynamic_cast<TCOMPoint*>(object)) {
        EXPECT_EQ(centre->IsShown(), 0);
      }
    }

    TOval& ball = Add<TOval>(world, 20);
    ball.SetRadius(0.1);
    gravity->SetNumberProperty(kTagLineGravity, 9.81);
    gravity->SelectChoice(kTagGravLine);
    const auto frames = static_cast<int16_t>(std::lround(1.0 / Step(world)));
    world.RunToFrame(frames, nullptr);
    world.ShowFrame(frames, 1);
    EXPECT_NEAR(ball.PositionY()->GetValue(), -0.5 * 9.81 * 1.0, 1e-6);
    world.ShowFrame(0, 1);
    written.WriteDocument(path_.string());
  }
  TQVDoc read;
  read.ReadDocument(path_.string());
  TWorldDoc& world = read.World();
  EXPECT_EQ(CountOf<TZeroMass>(world), 1);
  EXPECT_EQ(CountOf<TCollisionGroup>(world), 1);
  EXPECT_EQ(CountOf<TCOMPoint>(world), 1);
  auto* gravity = OnlyFieldOf<TGravCnstr, TGravGroup>(world);
  ASSERT_NE(gravity, nullptr);
  EXPECT_TRUE(gravity->IsFieldOn());
  OnlyFieldOf<TAirCnstr, TAirGroup>(world);
}

// A document saved without the user's world objects opens without them: nothing is added.
TEST_F(NewDocumentRunTest, ADocumentWithoutFieldsOpensWithoutThem) {
  {
    TQVDoc written;
    AddPendulumAndChargedBox(written.World());
    written.WriteDocument(path_.string());
  }
  TQVDoc read;
  read.ReadDocument(path_.string());
  TWorldDoc& world = read.World();
  EXPECT_EQ(CountOf<TZeroMass>(world), 1);
  EXPECT_EQ(CountOf<TCollisionGroup>(world), 0);
  EXPECT_EQ(CountOf<TFieldCnstr>(world), 0);
  EXPECT_EQ(CountOf<TCOMPoint>(world), 0);
  EXPECT_EQ(CountOf<TPin>(world), 1);
}

TEST_F(NewDocumentRunTest, ASavedDocumentOpensWithOneOfEachDefaultObjectAndItsSettings) {
  {
    TQVDoc written;
    auto& engine = *dynamic_cast<TEngine*>(written.World().GetEngineObject());
    engine.Settings().autoAnimationStep = false;
    engine.SetNumberProperty(MakeTag("dt_/"), 0.05);
    AddCondition(PauseControls(written.World()), "time > 0.5", kPauseActionStop);
    written.WriteDocument(path_.string());
  }
  TQVDoc read;
  read.ReadDocument(path_.string());
  TWorldDoc& world = read.World();
  EXPECT_EQ(CountOf<TEngine>(world), 1);
  EXPECT_EQ(CountOf<TWorldUnitHandler>(world), 1);
  EXPECT_EQ(CountOf<TWorldGeometryManager>(world), 1);
  EXPECT_EQ(CountOf<TStopWhen>(world), 1);
  EXPECT_EQ(world.PauseControls().size(), 2u);
  EXPECT_DOUBLE_EQ(Step(world), 0.05);
  TStopWhen& holder = PauseControls(world);
  ASSERT_EQ(holder.GetConditionCount(), 1);
  EXPECT_EQ(holder.GetCondition(1)->action, kPauseActionStop);
}

TEST_F(NewDocumentRunTest, ARunStopsWhereThePendulumsAngleFallsBelowZero) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  AddPendulumAndChargedBox(world);
  AddCondition(PauseControls(world), "body[2].p.r < 0", kPauseActionStop);

  world.DoCommand(kCmdRun, 1);
  EXPECT_EQ(PerformQueued(10), 1);

  // The angle reaches zero at t = kStartAngle / -kSpin: the first frame after it is the stop.
  const double step = Step(world);
  const auto expected = static_cast<int16_t>(std::ceil(kStartAngle / -kSpin / step));
  TFrameStore& store = *world.GetStore();
  EXPECT_EQ(world.GetStopFrame(), expected);
  EXPECT_EQ(store.CurrentFrame(), expected);
  EXPECT_EQ(store.FrameCount(), expected + 1);
  auto* pendulum = dynamic_cast<TRectangle*>(world.FindObject(kPendulumId));
  ASSERT_NE(pendulum, nullptr);
  EXPECT_LT(pendulum->GetRotationValue(), 0.0);
  EXPECT_NEAR(pendulum->GetRotationValue(), kStartAngle + kSpin * expected * step, 1e-9);
  world.ShowFrame(static_cast<int16_t>(expected - 1), 1);
  EXPECT_GT(pendulum->GetRotationValue(), 0.0);

  // The charge the solver recorded is the formula's value with every frame.
  auto* charged = world.FindObject(kChargedId);
  const int32_t charge = world.RecordedValueOffset(charged);
  ASSERT_GE(charge, 0);
  EXPECT_DOUBLE_EQ(store.Value(0, charge), 6.0);
  EXPECT_DOUBLE_EQ(store.Value(expected, charge), 6.0);

  // Running again goes no further than the stop frame.
  world.DoCommand(kCmdRun, 1);
  EXPECT_EQ(PerformQueued(10), 1);
  EXPECT_EQ(store.FrameCount(), expected + 1);
}

TEST_F(NewDocumentRunTest, AConditionNamingNoObjectOfTheWorldStopsTheRunWithItsError) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  AddPendulumAndChargedBox(world);
  AddCondition(PauseControls(world), "body[42].p.r < 0", kPauseActionStop);
  int16_t error = 0;
  try {
    world.RunToFrame(3, nullptr);
  } catch (const QVException& failure) {
    error = failure.error();
  }
  EXPECT_EQ(error, -28806);  // a reference to an object the world does not hold
  EXPECT_EQ(world.IsSolverWorldLoaded(), 0);
}

TEST_F(NewDocumentRunTest, APauseEndsTheRunOnceAndTheNextStepGoesOn) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  AddPendulumAndChargedBox(world);
  AddCondition(PauseControls(world), "time > 0.21", kPauseActionPause);

  world.DoCommand(kCmdRun, 1);
  EXPECT_EQ(PerformQueued(10), 1);
  const auto paused = static_cast<int16_t>(std::floor(0.21 / Step(world)) + 1);
  TFrameStore& store = *world.GetStore();
  EXPECT_EQ(store.CurrentFrame(), paused);
  EXPECT_EQ(world.GetStopFrame(), kNoStopFrame);
  // The condition still holds: it does not pause again.
  for (int step = 1; step <= 2; ++step) {
    world.DoCommand(kCmdStepForward, 1);
    EXPECT_EQ(PerformQueued(10), 1);
    EXPECT_EQ(store.CurrentFrame(), paused + step);
  }
}

TEST_F(NewDocumentRunTest, AResetGoesBackToFrameZeroAndALoopRunsAgain) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  AddPendulumAndChargedBox(world);
  TStopWhen& holder = PauseControls(world);
  AddCondition(holder, "time > 0.21", kPauseActionReset);
  const auto reached = static_cast<int16_t>(std::floor(0.21 / Step(world)) + 1);
  TFrameStore& store = *world.GetStore();

  world.DoCommand(kCmdRun, 1);
  EXPECT_EQ(PerformQueued(1), 1);
  EXPECT_EQ(store.CurrentFrame(), reached);
  EXPECT_EQ(PerformQueued(10), 1);  // the reset the condition asked for, and nothing more
  EXPECT_EQ(store.CurrentFrame(), 0);
  EXPECT_EQ(store.FrameCount(), reached + 1);

  holder.SetIndexProperty(MakeTag("PWm0"), kPauseActionLoop);
  world.DoCommand(kCmdRun, 1);
  EXPECT_EQ(PerformQueued(1), 1);
  EXPECT_EQ(store.CurrentFrame(), reached);
  EXPECT_EQ(PerformQueued(1), 1);  // reset
  EXPECT_EQ(store.CurrentFrame(), 0);
  EXPECT_EQ(PerformQueued(1), 1);  // and run again, to the condition once more
  EXPECT_EQ(store.CurrentFrame(), reached);
  EXPECT_EQ(store.FrameCount(), reached + 1);
}

}  // namespace
