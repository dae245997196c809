// A new document built only by placing commands through the application's command handler: a
// pendulum on a pin at a fixed point with gravity, a body with a charge formula and a pause
// control that stops when the pendulum's angle falls below zero, each placing undone and redone
// once. Run from its run command, it stops at the frame the elliptic period predicts; saved with
// its history and reopened, it shows the same frames.

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Field.h"
#include "constraints/Pin.h"
#include "model/command/PlacingCommands.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleBuilder.h"

namespace {

using namespace body_tags;
using namespace sample_worlds;

constexpr double kArm = 1.0;          // pivot to the disk's centre, m
constexpr double kStartAngle = 0.6;   // let go at rest, rad
constexpr double kMass = 1.0;         // kg
constexpr double kMoment = 0.02;      // about the disk's centre, kg m^2
constexpr double kGravity = 9.81;     // m/s^2
constexpr int16_t kPendulumId = 30;
constexpr int16_t kPinId = 34;
constexpr int16_t kChargedId = 50;
constexpr int16_t kPauseId = 60;

// The period of a rigid pendulum let go at rest at the angle: 2 pi sqrt(l / g) over the
// arithmetic-geometric mean of 1 and cos(angle / 2), l being its equivalent simple length.
double PendulumPeriod(double length, double angle) {
  double a = 1.0, b = std::cos(angle / 2.0);
  while (std::abs(a - b) > 1e-16) {
    const double mean = (a + b) / 2.0;
    b = std::sqrt(a * b);
    a = mean;
  }
  return 2.0 * std::numbers::pi * std::sqrt(length / kGravity) / a;
}

TFormula Formula(const char* text) {
  TFormula formula;
  formula.SetFromPieces(text);
  return formula;
}

// The objects to place, made in a scratch document of their own as the program makes them and
// copied from there as a scrap is.
struct Scraps {
  std::vector<TLink*> pendulum, pin, gravity, charged, pause;
};

Scraps MakeScraps(TWorldDoc& source) {
  Scraps scraps;
  TZeroMass& background = AddGround(source);
  TOval& disk = AddDisk(source, kPendulumId, 0.05, kMass, kArm * std::sin(kStartAngle),
                        -kArm * std::cos(kStartAngle));
  disk.SetMoment(kMoment);
  disk.SetFormulaProperty(kTagPosRot, TFormula(kStartAngle));
  scraps.pendulum = {&disk};

  TPoint& fixed = AddPoint(source, 32, background, {0.0, 0.0});
  TPoint& hung = AddPoint(source, 33, disk, {0.0, kArm});
  scraps.pin = {&background, &fixed, &hung, &AddPin(source, kPinId, fixed, hung)};

  TGravCnstr& field = AddGravity(source, 41, 40, kGravity);
  scraps.gravity = {source.FindObject(40), &field};

  TOval& charged = AddDisk(source, kChargedId, 0.05, kMass, 3.0, 0.0);
  charged.SetFormulaProperty(kTagCharge, Formula("2*3"));
  scraps.charged = {&charged};

  TStopWhen& pause = Add<TStopWhen>(source, kPauseId);
  pause.DoAction(MakeTag("PWNs"));
  pause.SetFormulaProperty(MakeTag("PWe0"), Formula("body[30].p.r < 0"));
  pause.SetIndexProperty(MakeTag("PWm0"), kPauseActionStop);
  scraps.pause = {&pause};
  return scraps;
}

class PlacedPendulumRunTest : public SampleFixture {
 protected:
  void TearDown() override {
    app_.Commands().DropAllCommands();
    for (const auto& path : {saved_, savedAgain_})
      std::filesystem::remove(path);
    SampleFixture::TearDown();
  }

  // Places the objects into the world as a paste does: a placing command read from their
  // document stream, performed by the application's command handler.
  void Place(TWorldDoc& world, const std::vector<TLink*>& objects) {
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle scrap = writer->TakeHandle();
    auto command = std::make_unique<TCommandSub>();
    command->InitFromStream(0, &world, 1, scrap, 0);
    FreeHandle(scrap);
    app_.Commands().PerformCommand(command.release());
  }

  // Places the objects, then undoes and redoes the placing through the handler: the objects
  // leave and come back under their identifiers, and the world's lists follow.
  void PlaceUndoRedo(TWorldDoc& world, const std::vector<TLink*>& objects) {
    const size_t before = world.Objects().size();
    Place(world, objects);
    ASSERT_EQ(world.Objects().size(), before + objects.size());
    std::vector<int16_t> placed;
    for (TLink* object : objects) {
      placed.push_back(object->GetIdentifier());
      EXPECT_NE(world.FindObject(object->GetIdentifier()), nullptr);
    }
    EXPECT_EQ(world.LastPlaced(), placed);

    app_.Commands().UndoOrRedoLast();
    EXPECT_EQ(world.Objects().size(), before);
    for (const int16_t identifier : placed)
      EXPECT_EQ(world.FindObject(identifier), nullptr) << identifier;

    app_.Commands().UndoOrRedoLast();
    ASSERT_EQ(world.Objects().size(), before + objects.size());
    for (const int16_t identifier : placed) {
      TLink* object = world.FindObject(identifier);
      ASSERT_NE(object, nullptr) << identifier;
      EXPECT_EQ(object->GetClassID(), ObjectClass(objects, identifier)) << identifier;
    }
  }

  // A placed pause control joins the world's own holder, which takes its conditions; undo
  // gives the holder back its own.
  void PlacePauseUndoRedo(TWorldDoc& world, const std::vector<TLink*>& pause) {
    TStopWhen& holder = WorldHolder(world);
    const size_t before = world.Objects().size();
    ASSERT_EQ(holder.GetConditionCount(), 0);
    Place(world, pause);
    EXPECT_EQ(world.Objects().size(), before);
    EXPECT_EQ(holder.GetConditionCount(), 1);
    app_.Commands().UndoOrRedoLast();
    EXPECT_EQ(holder.GetConditionCount(), 0);
    app_.Commands().UndoOrRedoLast();
    ASSERT_EQ(holder.GetConditionCount(), 1);
    EXPECT_EQ(holder.GetCondition(1)->action, kPauseActionStop);
  }

  static TStopWhen& WorldHolder(TWorldDoc& world) {
    for (TLink* member : world.PauseControls())
      if (auto* holder = dynamic_cast<TStopWhen*>(member)) return *holder;
    throw std::logic_error("the world has no pause-control holder");
  }

  static int16_t ObjectClass(const std::vector<TLink*>& objects, int16_t identifier) {
    for (TLink* object : objects)
      if (object->GetIdentifier() == identifier) return object->GetClassID();
    return -1;
  }

  const std::string tag_ = std::to_string(::getpid());
  std::filesystem::path saved_ = std::filesystem::temp_directory_path() / ("yb-placed-" + tag_ + ".yb");
  std::filesystem::path savedAgain_ =
      std::filesystem::temp_directory_path() / ("yb-placed-again-" + tag_ + ".yb");
};

TEST_F(PlacedPendulumRunTest, PlacedWorldStopsAtThePredictedFrameAndReopensWithItsFrames) {
  TQVDoc scratch;
  scratch.World().DropDefaultWorldObjects();
  const Scraps scraps = MakeScraps(scratch.World());

  // Pasted into a world without a background or fields of its own, every scrap is new there.
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  for (const auto* objects : {&scraps.pendulum, &scraps.pin, &scraps.gravity, &scraps.charged}) {
    PlaceUndoRedo(world, *objects);
    if (HasFatalFailure()) return;
  }
  PlacePauseUndoRedo(world, scraps.pause);
  if (HasFatalFailure()) return;
  // Each placing, undo and redo counted once.
  EXPECT_EQ(document.GetChangeCount(), 15);

  // The pin came back holding the background's point and the pendulum's.
  auto* pin = dynamic_cast<TPin*>(world.FindObject(kPinId));
  ASSERT_NE(pin, nullptr);
  auto* pendulum = dynamic_cast<TOval*>(world.FindObject(kPendulumId));
  ASSERT_NE(pendulum, nullptr);
  auto* fixed = dynamic_cast<TPoint*>(pin->GetPrimaryObject());
  auto* hung = dynamic_cast<TPoint*>(pin->Attached().back());
  ASSERT_NE(fixed, nullptr);
  ASSERT_NE(hung, nullptr);
  EXPECT_EQ(fixed->GetBody(), world.FindObject(0));
  EXPECT_EQ(hung->GetBody(), pendulum);
  ASSERT_EQ(world.PauseControls().size(), 2u);  // the world and its holder

  // From rest at the start angle the angle first reaches zero after a quarter period; the first
  // frame after that is where the run stops.
  const double step = world.GetEngine()->TimeStep();
  const double quarter = PendulumPeriod(kArm + kMoment / (kMass * kArm), kStartAngle) / 4.0;
  const double frames = quarter / step;
  ASSERT_GT(std::abs(frames - std::round(frames)), 1e-3) << "a crossing too near a frame";
  const auto expected = static_cast<int16_t>(std::ceil(frames));

  world.DoCommand(kCmdRun, 1);
  while (app_.Commands().PerformNextQueued()) {
  }
  TFrameStore& store = *world.GetStore();
  EXPECT_EQ(world.GetStopFrame(), expected);
  EXPECT_EQ(store.CurrentFrame(), expected);
  ASSERT_EQ(store.FrameCount(), expected + 1);
  const double after = pendulum->GetRotationValue();
  const double spinAfter = pendulum->GetVelocityValues().r;
  EXPECT_LT(after, 0.0);
  world.ShowFrame(static_cast<int16_t>(expected - 1), 1);
  const double before = pendulum->GetRotationValue();
  EXPECT_GT(before, 0.0);
  // Between the two frames the crossing itself: the interpolation, not the solver, limits this.
  EXPECT_NEAR(CubicCrossing((expected - 1) * step, before, pendulum->GetVelocityValues().r,
                            expected * step, after, spinAfter) /
                  quarter,
              1.0, 1e-6);
  const int32_t charge = world.RecordedValueOffset(world.FindObject(kChargedId));
  ASSERT_GE(charge, 0);
  EXPECT_DOUBLE_EQ(store.Value(expected, charge), 6.0);

  // Saved at the stop frame with its history.
  world.ShowFrame(expected, 1);
  document.WriteDocument(saved_.string());
  TQVDoc reopened;
  reopened.ReadDocument(saved_.string());
  TWorldDoc& again = reopened.World();
  ASSERT_NE(again.GetStore(), nullptr);
  TFrameStore& history = *again.GetStore();
  ASSERT_EQ(history.FrameCount(), store.FrameCount());
  EXPECT_EQ(history.RawBlock(), store.RawBlock());
  auto* shown = dynamic_cast<TOval*>(again.FindObject(kPendulumId));
  ASSERT_NE(shown, nullptr);
  for (int16_t frame = 0; frame <= expected; ++frame) {
    world.ShowFrame(frame, 1);
    again.ShowFrame(frame, 1);
    TVector at, atAgain;
    pendulum->GetPosition(at);
    shown->GetPosition(atAgain);
    EXPECT_EQ(shown->GetRotationValue(), pendulum->GetRotationValue()) << frame;
    EXPECT_EQ(atAgain.x, at.x) << frame;
    EXPECT_EQ(atAgain.y, at.y) << frame;
  }
  // Its pause control, shown the frames, stops it where the run stopped.
  EXPECT_EQ(again.GetStopFrame(), expected);
  // Saved again, the reopened document is the same file.
  reopened.WriteDocument(savedAgain_.string());
  EXPECT_EQ(program_documents::FirstDifference(program_documents::ReadBytes(saved_),
                                               program_documents::ReadBytes(savedAgain_)),
            -1);
}

}  // namespace
