// The geometry manager's assembly over real bodies: formula positions hold, joined bodies follow.

#include "bodies/assembly/BodyAssembly.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bodies/Body.h"
#include "core/Failure.h"
#include "core/Handle.h"

namespace {

// Pins a point of one body onto a point of another, as a pin joint of the constraints layer.
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

class BodyAssemblyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    a.Initialize();
    b.Initialize();
  }
  void TearDown() override { FreeHandlePool(); }
  TMass a;
  TMass b;
};

}  // namespace

TEST_F(BodyAssemblyTest, FormulaPositionsHoldAndPinnedBodiesFollow) {
  a.PositionX()->SetFromPieces("1");
  a.PositionY()->SetFromPieces("2");
  a.Rotation()->SetFromPieces("0");
  b.StorePosition({5.0, 5.0, 0.3});
  TTestPin pin(a, {1.0, 0.0}, b, {-1.0, 0.0});

  TBodyAssembly assembly;
  std::vector<TLink*> joined;
  assembly.CollectJoined({&pin}, joined);
  EXPECT_EQ(joined, (std::vector<TLink*>{&a, &b}));
  assembly.Assemble({&a, &b, &pin}, 0);

  // a stays where its formulas put it; b's point (-1, 0) now lies on a's point (1, 0).
  EXPECT_NEAR(a.GetPositionValues().x, 1.0, 1e-12);
  EXPECT_NEAR(a.GetPositionValues().y, 2.0, 1e-12);
  EXPECT_NEAR(a.GetPositionValues().r, 0.0, 1e-12);
  EXPECT_TRUE(a.PositionX()->IsFormula());
  const TVector3 at = b.GetPositionValues();
  EXPECT_NEAR(at.x - std::cos(at.r), 2.0, 1e-9);
  EXPECT_NEAR(at.y - std::sin(at.r), 2.0, 1e-9);
}

TEST_F(BodyAssemblyTest, AGeometryThatCannotBeAssembledIsRefused) {
  // Both bodies held by formulas, pinned at points 10 apart.
  for (TMass* body : {&a, &b}) {
    body->PositionX()->SetFromPieces("0");
    body->PositionY()->SetFromPieces("0");
    body->Rotation()->SetFromPieces("0");
  }
  b.PositionX()->SetFromPieces("10");
  TTestPin pin(a, {0.0, 0.0}, b, {0.0, 0.0});
  TBodyAssembly assembly;
  try {
    assembly.Assemble({&a, &b, &pin}, 0);
    FAIL() << "an impossible assembly was accepted";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrCannotAssemble);
  }
}

TEST_F(BodyAssemblyTest, AnAnchoredBodyStaysAndTheOtherFollows) {
  a.StorePosition({1.0, 1.0, 0.5});
  a.SetAnchored(1);
  ASSERT_TRUE(a.IsAnchored());
  b.StorePosition({4.0, 0.0, 0.0});
  TTestPin pin(a, {0.0, 0.0}, b, {1.0, 0.0});
  TBodyAssembly assembly;
  assembly.Assemble({&a, &b, &pin}, 0);
  EXPECT_EQ(a.GetPositionValues(), TVector3(1.0, 1.0, 0.5));
  const TVector3 at = b.GetPositionValues();
  EXPECT_NEAR(at.x + std::cos(at.r), 1.0, 1e-9);
  EXPECT_NEAR(at.y + std::sin(at.r), 1.0, 1e-9);
}
