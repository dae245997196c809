// Every kind of object that records values with each frame, in one saved world handed to the
// solver: the bodies' states come first, then each element list in the order of the objects, and
// the world finds each object's values where the solver wrote them.

#include <cmath>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

constexpr int16_t kChargedId = 2;
constexpr int16_t kPlainId = 3;
constexpr int16_t kPauseId = 4;
constexpr double kSpeed = 2.0;  // the charged box moves along x at this speed, from 0

TFormula Formula(const char* text) {
  TFormula formula;
  formula.SetFromPieces(text);
  return formula;
}

class RecordedValuesRunTest : public world_run::WorldRunTest {
 protected:
  RecordedValuesRunTest()
      : WorldRunTest("recorded-values-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                                  {kBlockRadiusLine, TOval::kTag},
                                                  {kBlockBackground, TZeroMass::kTag},
                                                  {kBlockGroup, TGroup::kTag},
                                                  {kBlockPauseControls, kStopWhenTag},
                                                  {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterStopWhen();
  }
  void FreeClasses() override { FreeBodyClasses(); }

  // A box without a description whose charge is a formula, a circle after it described by its
  // formula name whose charge is a formula too, and a pause-control holder with two conditions.
  static void Build(TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TRectangle& charged = Add<TRectangle>(world, kChargedId);
    charged.SetNumberProperty(kTagWidth, 0.2);
    charged.SetNumberProperty(kTagHeight, 0.2);
    charged.SetFormulaProperty(kTagVelX, TFormula(kSpeed));
    charged.SetFormulaProperty(kTagCharge, Formula("2*3"));
    TOval& plain = Add<TOval>(world, kPlainId);
    plain.SetNumberProperty(kTagRadius, 0.5);
    plain.SetFormulaProperty(kTagPosY, TFormula(4.0));
    plain.SetDescription("body[3]");
    plain.SetFormulaProperty(kTagCharge, Formula("0 - 1.5"));
    TStopWhen& pause = Add<TStopWhen>(world, kPauseId);
    pause.SetConditionCount(2);
    pause.GetCondition(1)->SetFromPieces("body[2].p.x > 0.5");
    pause.GetCondition(2)->SetConstant(-1.0);
  }
};

TEST_F(RecordedValuesRunTest, EachObjectFindsItsValuesWhereTheSolverWroteThem) {
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  auto* charged = dynamic_cast<TRectangle*>(world.FindObject(kChargedId));
  auto* plain = dynamic_cast<TOval*>(world.FindObject(kPlainId));
  auto* pause = dynamic_cast<TStopWhen*>(world.FindObject(kPauseId));
  ASSERT_NE(charged, nullptr);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(pause, nullptr);
  ASSERT_EQ(pause->GetConditionCount(), 2);
  ASSERT_TRUE(charged->Charge()->IsFormula());

  constexpr int16_t kFrames = 12;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  // Two bodies of 8 values, the two recorded charges, the two conditions.
  ASSERT_EQ(store.ValuesPerFrame(), 2 * 8 + 1 + 1 + 2);
  EXPECT_EQ(world.BodyValueOffset(charged), 0);
  EXPECT_EQ(world.BodyValueOffset(plain), 8);
  EXPECT_EQ(world.BodyValueOffset(pause), -1);
  EXPECT_EQ(world.RecordedValueOffset(charged), 16);
  EXPECT_EQ(world.RecordedValueOffset(plain), 17);
  EXPECT_EQ(world.RecordedValueOffset(pause), 18);

  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame = 0; frame <= kFrames; ++frame) {
    const double x = kSpeed * frame * step;
    EXPECT_NEAR(store.Value(frame, 0), x, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 3), kSpeed, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 8 + 1), 4.0, 1e-12) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 8 + 6), 1.0) << frame;  // the circle's cosine
    EXPECT_DOUBLE_EQ(store.Value(frame, 16), 6.0) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 17), -1.5) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 18), x > 0.5 ? 1.0 : 0.0) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 19), -1.0) << frame;
  }

  // The walk over recorded frames stands at the holder's first value.
  std::vector<double> first;
  world.ForEachRecordedFrame(0, kFrames, pause, [&](int16_t, TFrameStore& frames) {
    first.push_back(frames.ReadValue());
  });
  ASSERT_EQ(first.size(), size_t{kFrames} + 1);
  EXPECT_EQ(first.front(), 0.0);
  EXPECT_EQ(first.back(), 1.0);

  // Showing a frame puts each body where its own values say.
  world.ShowFrame(kFrames, 1);
  TVector3 placement;
  charged->GetPlacement(placement);
  EXPECT_NEAR(placement.x, kSpeed * kFrames * step, 1e-12);
  plain->GetPlacement(placement);
  EXPECT_NEAR(placement.y, 4.0, 1e-12);
}

TEST_F(RecordedValuesRunTest, BodiesThatWantTheirPositionAloneShareTheShortLayout) {
  // A world recorded with 3 values per body: the solver writes the short form, and showing a
  // frame still finds the bodies and the values after them.
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  world.LoadEngineWorld();
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), 0);
  store.SetValuesPerFrame(2 * 3 + 4);
  world.RunToFrame(3, nullptr);
  ASSERT_EQ(store.FrameCount(), 4);
  const double step = world.GetEngine()->TimeStep();
  EXPECT_NEAR(store.Value(3, 0), kSpeed * 3 * step, 1e-12);
  EXPECT_NEAR(store.Value(3, 3 + 1), 4.0, 1e-12);
  EXPECT_DOUBLE_EQ(store.Value(3, 6), 6.0);
  EXPECT_DOUBLE_EQ(store.Value(3, 7), -1.5);
  EXPECT_DOUBLE_EQ(store.Value(3, 9), -1.0);
  world.ShowFrame(3, 1);
  auto* charged = dynamic_cast<TRectangle*>(world.FindObject(kChargedId));
  ASSERT_NE(charged, nullptr);
  TVector3 placement;
  charged->GetPlacement(placement);
  EXPECT_NEAR(placement.x, kSpeed * 3 * step, 1e-12);
  EXPECT_EQ(world.RecordedValueOffset(charged), 6);
}

}  // namespace
