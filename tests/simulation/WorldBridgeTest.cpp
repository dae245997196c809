// A world of bodies saved, opened again, handed to the real solver and run: its recorded frames
// follow the motion a constant force gives.

#include "simulation/WorldBridge.h"

#include <cmath>

#include <gtest/gtest.h>

#include "core/ClassRegistry.h"
#include "model/Formula.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "model/world/WorldParticipants.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

constexpr int16_t kBlockBody = 1200;
constexpr double kMass = 2.0;
constexpr double kGravity = 9.81;

void WriteConstant(TObjectWriter& writer, double value) {
  TFormula formula;
  formula.SetConstant(value);
  writer.WriteFormula(&formula);
}

// A body as the solver reads it: its record of sixteen formulas and two integers.
class TTestBody : public TNamedLink, public TFrameParticipant {
  DECLARE_CLASS_ID(9401, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsBd");
  // x, y, rotation, velocities, mass, moment, centre of mass, frictions, elasticity, charge and
  // the two anchors.
  double record[16] = {0.0, 10.0, 0.0, 1.0, 0.0, 0.0, kMass, 1.0};

  int32_t FixedFrameValues() const override { return 3; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockBody) return TNamedLink::ReadBlockContents(code, reader);
    for (double& value : record) {
      TFormula formula;
      reader.ReadFormula(formula);
      value = formula.GetValue();
    }
    reader.ReadInt();
    reader.ReadInt();
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockBody) return TNamedLink::WriteBlockContents(code, writer);
    for (double value : record)
      WriteConstant(writer, value);
    writer.WriteCode(0);
    writer.WriteCode(0);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockBody);
    TNamedLink::WriteFields(writer);
  }
};

TObject* NewBody() { return new TTestBody; }

class WorldBridgeTest : public world_run::WorldRunTest {
 protected:
  WorldBridgeTest()
      : WorldRunTest("world-bridge-test.dll", {{kBlockBody, TTestBody::kTag},
                                               {kBlockGroup, TGroup::kTag},
                                               {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override {
    RegisterClassInfo("TTestBody", TTestBody::kTag, TTestBody::kClassID, NewBody,
                      sizeof(TTestBody));
  }
};

TEST_F(WorldBridgeTest, SavedWorldRunsAsBodiesUnderAConstantForce) {
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    TTestBody& body = Add<TTestBody>(world, 2);
    TGroup& group = Add<TGroup>(world, 3);
    group.SetMode(1, 1);
    group.Include(&body);
    // The weight of a body of kMass, whatever the body's own mass.
    world_run::TWeightField& field = Add<world_run::TWeightField>(world, 4);
    field.groupId = 3;
    field.goals = {{1, TFormula(-kMass * kGravity)}};
  });
  TWorldDoc& world = document->World();
  ASSERT_NE(world.GetEngine(), nullptr);
  ASSERT_EQ(world.Bodies().size(), 1u);
  ASSERT_NE(world.GetStore(), nullptr);

  constexpr int16_t kFrames = 30;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  EXPECT_EQ(store.ValuesPerFrame(), 3);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame : {0, 1, 10, int32_t{kFrames}}) {
    const double t = frame * step;
    EXPECT_NEAR(store.Value(frame, 0), t, 1e-6) << frame;
    EXPECT_NEAR(store.Value(frame, 1), 10.0 - 0.5 * kGravity * t * t, 1e-6) << frame;
    EXPECT_NEAR(store.Value(frame, 2), 0.0, 1e-9) << frame;
  }
  // Frames already recorded need no further solver call; the step commands only show them.
  world.ShowFrame(5, 1);
  EXPECT_DOUBLE_EQ(world.CurrentTime(), 5 * step);
}

}  // namespace
