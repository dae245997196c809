// World > Back to Frame 0 and Forget the Run, chosen while a later frame shows: the world goes
// back to frame 0 before the run is forgotten, so its bodies start the next run where they
// started the last one.

#include <unistd.h>

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "constraints/Field.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "simulation/Engine.h"
#include "views/world/WorldMenus.h"

namespace {

constexpr int16_t kBallId = 20;
constexpr double kStartX = 0.25;
constexpr double kStartY = 1.5;
constexpr double kGravity = 9.81;

class FrameZeroCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseVirtualClock(1000);
    app_.LoadResourceDlls();
    app_.InitUnits();
    document_ = std::make_unique<TQVDoc>();
    auto ball = std::make_unique<TOval>();
    ball->Initialize();
    ball->SetIdentifier(kBallId);
    ball->SetRadius(0.1);
    ball->SetFormulaProperty(body_tags::kTagPosX, TFormula(kStartX));
    ball->SetFormulaProperty(body_tags::kTagPosY, TFormula(kStartY));
    ball_ = ball.get();
    World().AdoptObject(std::move(ball));
    for (TLink* object : World().Objects()) {
      if (auto* gravity = dynamic_cast<TGravCnstr*>(object)) {
        gravity->SetNumberProperty(kTagLineGravity, kGravity);
        gravity->SelectChoice(kTagGravLine);
      }
    }
  }
  void TearDown() override {
    app_.Commands().DropAllCommands();
    document_.reset();
    app_.TermUnits();
    app_.FreeResourceDlls();
    UseProcessClock();
  }

  TWorldDoc& World() { return document_->World(); }
  // Frames in one second of the world's time.
  int16_t OneSecond() {
    return static_cast<int16_t>(std::lround(1.0 / World().GetEngine()->TimeStep()));
  }
  // The command the world's menu makes, performed as the application performs a queued one.
  void ChooseFrameZero(bool stoppedBeforeItsTurn = false) {
    app_.Commands().PostCommand(new TFrameZeroCommand(World()));
    // The user's Stop, or a click on a body, while the command waits in the queue.
    if (stoppedBeforeItsTurn) World().StopRunning();
    while (app_.Commands().PerformNextQueued()) {
    }
  }
  void RunOneSecondAndShowIt() {
    World().RunToFrame(OneSecond(), nullptr);
    World().ShowFrame(OneSecond(), 1);
    ASSERT_NEAR(ball_->PositionY()->GetValue(), kStartY - 0.5 * kGravity, 1e-6);
  }

  TApp app_;
  std::unique_ptr<TQVDoc> document_;
  TOval* ball_ = nullptr;
};

TEST_F(FrameZeroCommandTest, FromALaterFrameTheBodiesGoBackToTheirStartAndTheRunIsForgotten) {
  RunOneSecondAndShowIt();
  ChooseFrameZero();
  EXPECT_DOUBLE_EQ(ball_->PositionX()->GetValue(), kStartX);
  EXPECT_DOUBLE_EQ(ball_->PositionY()->GetValue(), kStartY);
  ASSERT_NE(World().GetStore(), nullptr);
  EXPECT_LE(World().GetStore()->FrameCount(), 1);
  EXPECT_LE(World().LastFrame(), 0);

  // The next run starts from the sketched place and falls as the physics says.
  RunOneSecondAndShowIt();
}

// Stopped before it could run back, it still leaves the world at frame 0 when it forgets the
// run, never at the frame that showed.
TEST_F(FrameZeroCommandTest, StoppedBeforeItsTurnItStillGoesBackBeforeForgetting) {
  RunOneSecondAndShowIt();
  ChooseFrameZero(true);
  EXPECT_DOUBLE_EQ(ball_->PositionY()->GetValue(), kStartY);
  EXPECT_LE(World().LastFrame(), 0);
}

TEST_F(FrameZeroCommandTest, AtFrameZeroTheBodiesStayAndTheRunIsForgotten) {
  RunOneSecondAndShowIt();
  World().ShowFrame(0, 1);
  ChooseFrameZero();
  EXPECT_DOUBLE_EQ(ball_->PositionY()->GetValue(), kStartY);
  EXPECT_LE(World().LastFrame(), 0);
}

}  // namespace
