// Vector arrows on a world document of the program's own: the world gives things its vector
// settings (making them when it has none), and arrows take their values from recorded frames.

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/vectors/VectorThing.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

constexpr int16_t kBoxId = 2;
constexpr double kSpeed = 2.0;

class VectorWorldRunTest : public world_run::WorldRunTest {
 protected:
  VectorWorldRunTest()
      : WorldRunTest("vector-world-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                               {kBlockBackground, TZeroMass::kTag},
                                               {kBlockVectorSettings, kVectorHandlerTag},
                                               {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }

  static void Build(TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TRectangle& box = Add<TRectangle>(world, kBoxId);
    box.SetNumberProperty(kTagWidth, 0.2);
    box.SetNumberProperty(kTagHeight, 0.2);
    box.SetFormulaProperty(kTagVelX, TFormula(kSpeed));
  }
};

TEST_F(VectorWorldRunTest, ArrowsOfAWorldDocumentShowRecordedFrames) {
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(kBoxId));
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(world.GetVectorHandlerObject(), nullptr);

  // Showing a vector in a world without settings makes them, once, in the world.
  box->DoCommandValue(kCmdShowVelocity, 1);
  box->DoCommandValue(kCmdShowAcceleration, 1);
  TLink* handler = world.GetVectorHandlerObject();
  ASSERT_NE(handler, nullptr);
  EXPECT_TRUE(handler->IsMemberClass(TGlobalVectorHandler::kClassID));
  EXPECT_EQ(box->GetVectorHandler(), handler);
  ASSERT_NE(box->GetArrow(0), nullptr);
  ASSERT_NE(box->GetArrow(1), nullptr);
  EXPECT_GT(box->GetArrow(1)->FormulaCount(), 0);

  constexpr int16_t kFrames = 10;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  world.ShowFrame(0, 1);
  EXPECT_TRUE(world.ShowsRecordedFrame());
  world.ShowFrame(6, 1);
  TVector velocity{0.0, 0.0};
  ASSERT_TRUE(box->GetArrow(0)->GetValue(velocity));
  EXPECT_NEAR(velocity.x, kSpeed, 1e-12);
  EXPECT_NEAR(velocity.y, 0.0, 1e-12);
  // Nothing acts on the box: the recorded acceleration is zero, not "no value".
  TVector acceleration{1.0, 1.0};
  ASSERT_TRUE(box->GetArrow(1)->GetValue(acceleration));
  EXPECT_NEAR(acceleration.x, 0.0, 1e-9);
  EXPECT_NEAR(acceleration.y, 0.0, 1e-9);

  // The settings travel with the document.
  document->WriteDocument(path.string());
  TQVDoc reopened;
  reopened.ReadDocument(path.string());
  TLink* read = reopened.World().GetVectorHandlerObject();
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->IsMemberClass(TGlobalVectorHandler::kClassID));
}

}  // namespace
