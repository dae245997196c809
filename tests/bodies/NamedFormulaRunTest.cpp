// Formulas that name objects by their names, in a world saved, opened again and run: the solver
// reaches every object they name, the recorded values follow the motion, and the document keeps
// the texts as they were typed.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "model/GeometryManagerHook.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "simulation/GeometryManager.h"
#include "simulation/StopWhen.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

constexpr int16_t kBallId = 2;
constexpr int16_t kPegId = 3;
constexpr int16_t kBoxId = 4;
constexpr int16_t kPauseId = 5;
constexpr double kSpeed = 2.0;  // the ball moves along x at this speed, from 0
constexpr double kPegY = 4.0;

TFormula Formula(const char* text) {
  TFormula formula;
  formula.SetFromPieces(text);
  return formula;
}

std::string TextOf(const TFormula* formula) {
  Str255 text;
  formula->GetText(text);
  return {text.Chars(), static_cast<size_t>(text.Length())};
}

std::vector<char> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names an object as a user does, and gives it the same description.
void Name(TNamedLink& object, const char* name) {
  object.SetName(name);
  object.SetDescription(name);
}

class NamedFormulaRunTest : public world_run::WorldRunTest {
 protected:
  NamedFormulaRunTest()
      : WorldRunTest("named-formula-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                                {kBlockRadiusLine, TOval::kTag},
                                                {kBlockBackground, TZeroMass::kTag},
                                                {TPoint::kBlockSolverRecord, kPointTag},
                                                {kBlockGroup, TGroup::kTag},
                                                {kBlockPauseControls, kStopWhenTag},
                                                {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterStopWhen();
    RegisterGeometryManager();
  }
  void FreeClasses() override {
    FreeGeometryManager();
    FreeBodyClasses();
  }

  // A charged ball moving along x, a peg on the background, a box placed and moved by formulas
  // that name both, its charge twice the ball's, and a pause control watching all three by name.
  static void Build(TWorldDoc& world) {
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TOval& ball = Add<TOval>(world, kBallId);
    Name(ball, "Ball");
    ball.SetNumberProperty(kTagRadius, 0.25);
    ball.SetFormulaProperty(kTagVelX, TFormula(kSpeed));
    ball.SetFormulaProperty(kTagCharge, Formula("2*3"));
    TPoint& peg = Add<TPoint>(world, kPegId);
    Name(peg, "Peg");
    peg.AttachToBody(&background);
    peg.SetLocalPosition({3.0, kPegY, 0.0});
    TRectangle& box = Add<TRectangle>(world, kBoxId);
    Name(box, "Box");
    box.SetNumberProperty(kTagWidth, 0.2);
    box.SetNumberProperty(kTagHeight, 0.2);
    box.SetFormulaProperty(kTagPosX, Formula("Ball.p.x + 1"));
    box.SetFormulaProperty(kTagPosY, Formula("peg.p.y + 1"));
    box.SetFormulaProperty(kTagVelX, Formula("BALL.v.x"));
    box.SetFormulaProperty(kTagCharge, Formula("Ball.charge * 2"));
    TStopWhen& pause = Add<TStopWhen>(world, kPauseId);
    pause.SetConditionCount(2);
    pause.GetCondition(1)->SetFromPieces("Ball.p.x > 0.5");
    pause.GetCondition(2)->SetFromPieces("Box.p.x - Ball.p.x + (Box.p.y - Peg.p.y)");
  }
};

TEST_F(NamedFormulaRunTest, FormulasNamingObjectsRunAsTheyReadAndTheDocumentKeepsTheirTexts) {
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  auto* ball = dynamic_cast<TOval*>(world.FindObject(kBallId));
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(kBoxId));
  auto* pause = dynamic_cast<TStopWhen*>(world.FindObject(kPauseId));
  ASSERT_NE(ball, nullptr);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(pause, nullptr);
  ASSERT_TRUE(box->Charge()->IsFormula());

  // Written again as read: every text as the user typed it.
  const std::filesystem::path again = path.string() + ".again";
  document->WriteDocument(again.string());
  const std::vector<char> read = FileBytes(path);
  ASSERT_FALSE(read.empty());
  EXPECT_EQ(FileBytes(again), read);
  std::filesystem::remove(again);

  constexpr int16_t kFrames = 12;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  // Two bodies of 8 values, the two recorded charges, the two conditions.
  ASSERT_EQ(store.ValuesPerFrame(), 2 * 8 + 1 + 1 + 2);
  ASSERT_EQ(world.BodyValueOffset(box), 8);
  ASSERT_EQ(world.RecordedValueOffset(ball), 16);
  ASSERT_EQ(world.RecordedValueOffset(box), 17);
  ASSERT_EQ(world.RecordedValueOffset(pause), 18);

  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame = 0; frame <= kFrames; ++frame) {
    const double x = kSpeed * frame * step;
    EXPECT_NEAR(store.Value(frame, 0), x, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 8), x + 1.0, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 8 + 1), kPegY + 1.0, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 8 + 3), kSpeed, 1e-12) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 16), 6.0) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 17), 12.0) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 18), x > 0.5 ? 1.0 : 0.0) << frame;
    EXPECT_NEAR(store.Value(frame, 19), 2.0, 1e-12) << frame;
  }

  // The run changed no text: the objects still show what the user typed.
  EXPECT_EQ(TextOf(box->GetFormulaProperty(kTagPosX, nullptr, nullptr, nullptr, nullptr)),
            "Ball.p.x + 1");
  EXPECT_EQ(TextOf(box->Charge()), "Ball.charge * 2");
  EXPECT_EQ(TextOf(pause->GetCondition(1)), "Ball.p.x > 0.5");
}

TEST_F(NamedFormulaRunTest, ABodyKnownOnlyByItsDescriptionRecordsItsCharge) {
  // The body writes what it records under its description, which need not be a name the user
  // gave.
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TOval& puck = Add<TOval>(world, kBallId);
    puck.SetDescription("Puck");
    puck.SetNumberProperty(kTagRadius, 0.25);
    puck.SetFormulaProperty(kTagCharge, Formula("0 - 2.5"));
  });
  TWorldDoc& world = document->World();
  constexpr int16_t kFrames = 3;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  ASSERT_EQ(store.ValuesPerFrame(), 8 + 1);
  for (int32_t frame = 0; frame <= kFrames; ++frame)
    EXPECT_DOUBLE_EQ(store.Value(frame, 8), -2.5) << frame;
}

TEST_F(NamedFormulaRunTest, ANameThatNamesNothingIsRefusedWhereItIsEntered) {
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  TGeometryManagerHook* manager = GeometryManagerOf(world.FindItem(kGeometryManagerTag));
  ASSERT_NE(manager, nullptr);
  EXPECT_NO_THROW(manager->CheckFormula(Formula("Peg.p.x + Box.v.x"), 0, 0));
  try {
    manager->CheckFormula(Formula("Ball.p.x + Nobody.p.x"), 0, 0);
    ADD_FAILURE() << "a formula naming nothing was taken";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), FormulaErrorNumber(kFormulaUnknownObject));
  }
}

}  // namespace
