// A geometry drag over real bodies: the grabbed body follows the mouse, what is pinned to it
// stays assembled, and the run's time limit ends runs by time or by the stop keys.

#include "bodies/assembly/BodyDragContext.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bodies/Body.h"
#include "bodies/assembly/BodyAssembly.h"
#include "core/Handle.h"

namespace {

// Pins a point of one body onto a point of another.
class TTestPin : public TLink, public TAssemblyParticipant {
 public:
  TTestPin(TMass& a, const TVector& onA, TMass& b, const TVector& onB)
      : a_(a), b_(b), onA_(onA), onB_(onB) {}
  void CollectJoined(std::vector<TLink*>& joined) override {
    joined.push_back(&a_);
    joined.push_back(&b_);
  }
  void AddToAssembly(TAssemblySolver& solver) override {
    TAssemblyConstraint* pin = solver.AddCoincident(this, &a_, onA_);
    solver.AddPlacement(pin, &b_, TVector3(onB_));
  }

 private:
  TMass& a_;
  TMass& b_;
  TVector onA_;
  TVector onB_;
};

TVector PointOf(TMass& body, const TVector& local) {
  const TVector3 at = body.GetPositionValues();
  return Frame2D(at.x, at.y, at.r).TransformPoint(local);
}

int keyPresses = 0;
bool KeysDownCounting() {
  ++keyPresses;
  return false;
}
bool KeysDown() { return true; }

class BodyDragContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ground.Initialize();
    link.Initialize();
    ground.SetAnchored(1);
    link.StorePosition({1.0, 0.0, 0.0});
  }
  void TearDown() override { FreeHandlePool(); }

  bool RunLong(TGeometryDragContext& context) {
    TGeometryRunLimit limit(GetTickCount60(), 6000, nullptr);
    return context.Run(limit, 1e-10);
  }

  TMass ground;
  TMass link;
};

}  // namespace

TEST_F(BodyDragContextTest, APendulumFollowsTheDragAndStaysPinned) {
  // The link turns about the ground's origin, pinned at its own point (-1, 0).
  TTestPin pin(ground, {0.0, 0.0}, link, {-1.0, 0.0});
  TBodyDragContext context({&ground, &link, &pin});
  EXPECT_EQ(context.MakeFollowed(&ground, {0.0, 0.0}), nullptr);  // anchored: not draggable
  ASSERT_EQ(context.MakeFollowed(&link, {2.0, 0.0}), &link);

  // The grip (2, 0) is dragged a quarter turn round, in small steps as a mouse moves.
  for (int step = 1; step <= 18; ++step) {
    const double angle = step * (M_PI / 36.0);
    context.MoveFrameTo({2.0 * std::cos(angle), 2.0 * std::sin(angle)});
    RunLong(context);
  }
  context.LetGo();
  RunLong(context);

  const TVector pinned = PointOf(link, {-1.0, 0.0});
  EXPECT_NEAR(pinned.x, 0.0, 1e-6);
  EXPECT_NEAR(pinned.y, 0.0, 1e-6);
  const TVector grip = PointOf(link, {1.0, 0.0});
  EXPECT_NEAR(grip.x, 0.0, 1e-3);
  EXPECT_NEAR(grip.y, 2.0, 1e-3);
  EXPECT_EQ(ground.GetPositionValues(), TVector3(0.0, 0.0, 0.0));
}

TEST_F(BodyDragContextTest, AFreeBodyIsCarriedToTheMouse) {
  TBodyDragContext context({&link});
  ASSERT_EQ(context.MakeFollowed(&link, {1.0, 0.0}), &link);
  context.MoveFrameTo({1.5, 0.5});
  EXPECT_TRUE(RunLong(context));
  const TVector grip = PointOf(link, {0.0, 0.0});
  EXPECT_NEAR(grip.x, 1.5, 1e-6);
  EXPECT_NEAR(grip.y, 0.5, 1e-6);
  // Nothing left to do: a second run changes nothing.
  EXPECT_FALSE(RunLong(context));
}

TEST(GeometryRunLimitTest, ShortRunsEndByTimeWithoutLookingAtTheKeys) {
  keyPresses = 0;
  TGeometryRunLimit limit(100, 60, KeysDownCounting);
  EXPECT_FALSE(limit.ShouldStop(100));
  EXPECT_FALSE(limit.ShouldStop(159));
  EXPECT_TRUE(limit.ShouldStop(160));
  EXPECT_EQ(keyPresses, 0);

  TGeometryRunLimit twoTicks(100, 2, KeysDown);
  EXPECT_FALSE(twoTicks.ShouldStop(101));
  EXPECT_TRUE(twoTicks.ShouldStop(102));
}

TEST(GeometryRunLimitTest, LongRunsLookAtTheKeysEveryTwentyTicks) {
  keyPresses = 0;
  TGeometryRunLimit limit(0, 200, KeysDownCounting);
  EXPECT_FALSE(limit.ShouldStop(59));
  EXPECT_FALSE(limit.ShouldStop(60));
  EXPECT_EQ(keyPresses, 1);
  EXPECT_FALSE(limit.ShouldStop(79));
  EXPECT_EQ(keyPresses, 1);
  EXPECT_FALSE(limit.ShouldStop(80));
  EXPECT_EQ(keyPresses, 2);
  EXPECT_TRUE(limit.ShouldStop(200));

  TGeometryRunLimit stopped(0, 200, KeysDown);
  EXPECT_FALSE(stopped.ShouldStop(30));
  EXPECT_TRUE(stopped.ShouldStop(60));
}
