#include <gtest/gtest.h>

#include <vector>

#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/CommandBase.h"
#include "model/filing/ChangeRecorder.h"
#include "platform/win32/Clock.h"
#include "tests/model/command/TestWorld.h"

namespace command_test {
namespace {

// A world whose screen maps one pixel to one world unit (y up) with the tracking preferences a
// test sets.
class TTrackWorld : public TTestWorld, public TTrackingWorld {
 public:
  int16_t DragDelayPreference() const override { return dragDelay; }
  TTrackingFrame* CurrentFrame() override { return nullptr; }
  double TrackingSnappingDistance() const override { return snapping; }
  void TrackingEnded() override { ++ended; }
  int16_t dragDelay = 1;
  double snapping = 0.0;
  int ended = 0;
};

class TFakeView : public TTrackerView {
 public:
  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&,
                  bool) override {
    return true;
  }
  void BeginFeedback(int16_t state) override { states.push_back(state); }
  void EndFeedback() override { ++ends; }
  void SetFeedbackStyle(int16_t style, int16_t) override { styles.push_back(style); }
  void FeedbackDifference(const TVector& difference) override { differences.push_back(difference); }
  void FeedbackPoint(const MacPoint&, const TVector&) override {}
  void DrawFeedback() override { ++draws; }
  bool IsDrawingOn() const override { return true; }
  bool IsInsideAutoscrolling(const MacPoint&) override { return false; }
  MacRect TrackingExtent() const override { return MacRect(0, 0, 100, 100); }
  double TrackingScale() const override { return 1.0; }
  void SetToolCursor(uint16_t cursor) override { cursors.push_back(cursor); }

  std::vector<int16_t> states;
  std::vector<int16_t> styles;
  std::vector<TVector> differences;
  std::vector<uint16_t> cursors;
  int ends = 0;
  int draws = 0;
};

// Notes the first thing's colour before the first movement and counts its steps.
class TStepTracker : public TCommandBase {
 public:
  void BeforePrepare() override { ++prepared; }
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&,
                          bool, const TVector&, const TVector&, const TVector& next,
                          bool) override {
    phases.push_back(phase);
    lastWorld = next;
    return answerNull ? nullptr : this;
  }
  int prepared = 0;
  std::vector<int16_t> phases;
  TVector lastWorld;
  bool answerNull = false;
};

class CommandBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    UseVirtualClock(1000);
  }
  void TearDown() override {
    UseProcessClock();
    FreeHandlePool();
  }

  // The tracking loop's press: constrain, step 0, feedback on.
  void Press(TCommandBase& tracker, QV_CPoint at) {
    anchor_ = previous_ = at;
    QV_CPoint next = at;
    tracker.TrackConstrain(anchor_, previous_, next);
    tracker.TrackMouse(0, anchor_, previous_, next, true);
    tracker.TrackFeedback(anchor_, next, true, true);
    previous_ = next;
  }
  // One pass of the loop with the mouse at the point; answers the constrained point.
  QV_CPoint Move(TCommandBase& tracker, QV_CPoint to, bool moved = true) {
    QV_CPoint next = to;
    tracker.TrackConstrain(anchor_, previous_, next);
    tracker.TrackFeedback(anchor_, previous_, false, moved);
    tracker.TrackMouse(1, anchor_, previous_, next, moved);
    tracker.TrackFeedback(anchor_, next, true, moved);
    previous_ = next;
    return next;
  }
  void Release(TCommandBase& tracker) {
    tracker.TrackFeedback(anchor_, previous_, false, true);
    tracker.TrackMouse(2, anchor_, previous_, previous_, true);
  }
  void PressEvent(TCommandBase& tracker) {
    TEventRecord event;
    event.when = static_cast<uint32_t>(GetTickCount60());
    tracker.HandleEvent(event);
    EXPECT_EQ(event.handled, 1);
  }

  TTrackWorld world;
  TFakeView view;
  QV_CPoint anchor_;
  QV_CPoint previous_;
};

TEST_F(CommandBaseTest, DragDelayPreferencesGiveTheirDelaysAndStates) {
  struct Case {
    int16_t preference;
    int32_t delay;
    int8_t stateAtPress;
  };
  for (const Case& c : {Case{0, 32767, 2}, Case{1, 0, 1}, Case{2, 20, 2}}) {
    SCOPED_TRACE(c.preference);
    world.dragDelay = c.preference;
    TStepTracker tracker;
    tracker.InitTracker(500, &view, &world, 1, 1);
    PressEvent(tracker);
    EXPECT_EQ(tracker.DragDelay(), c.delay);
    EXPECT_EQ(tracker.TrackingState(), c.stateAtPress);
  }
}

TEST_F(CommandBaseTest, TheTrackingLoopIsAskedToConstrainEveryPoint) {
  // The application's loop constrains only commands that ask for it; a tracker without it would
  // never see its world points.
  TStepTracker tracker;
  EXPECT_EQ(tracker.ConstrainsWhileTracking(), 0);
  tracker.InitTracker(500, &view, &world, 1, 1);
  EXPECT_EQ(tracker.ConstrainsWhileTracking(), 1);
}

TEST_F(CommandBaseTest, AShortDelayStartsAfterTwentyTicksWithoutMovement) {
  world.dragDelay = 2;
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 1);
  PressEvent(tracker);
  Press(tracker, QV_CPoint(10, 10));
  AdvanceVirtualClock(19 * 1000 / 60);
  Move(tracker, QV_CPoint(10, 10), false);
  EXPECT_EQ(tracker.TrackingState(), TCommandBase::kWaitingForDelay);
  AdvanceVirtualClock(2 * 1000 / 60);
  Move(tracker, QV_CPoint(10, 10), false);
  EXPECT_EQ(tracker.TrackingState(), TCommandBase::kTracking);
  EXPECT_EQ(view.states.back(), TCommandBase::kTracking);
  // Nothing moved: the before-image is still to be taken.
  EXPECT_EQ(tracker.prepared, 0);
  EXPECT_EQ(tracker.IsWaitingForFirstMove(), 1);
}

TEST_F(CommandBaseTest, WaitingForMovementHoldsUntilTheMouseMoves) {
  world.dragDelay = 0;
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 1);
  PressEvent(tracker);
  Press(tracker, QV_CPoint(10, 10));
  AdvanceVirtualClock(1000);
  Move(tracker, QV_CPoint(10, 10), false);
  EXPECT_EQ(tracker.TrackingState(), TCommandBase::kWaitingForDelay);
  EXPECT_EQ(tracker.prepared, 0);
  Move(tracker, QV_CPoint(30, 10));
  EXPECT_EQ(tracker.IsWaitingForFirstMove(), 0);
  EXPECT_EQ(tracker.prepared, 1);
  Move(tracker, QV_CPoint(40, 10));
  EXPECT_EQ(tracker.prepared, 1);
}

TEST_F(CommandBaseTest, GridStepTruncatesTheScreenPointTowardsZero) {
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 0);
  Press(tracker, QV_CPoint(0, 0));
  EXPECT_EQ(Move(tracker, QV_CPoint(13, -13)), QV_CPoint(13, -13));
  tracker.SetGridStep(8);
  EXPECT_EQ(Move(tracker, QV_CPoint(13, -13)), QV_CPoint(8, -8));
  EXPECT_EQ(Move(tracker, QV_CPoint(-13, 13)), QV_CPoint(-8, 8));
}

TEST_F(CommandBaseTest, WorldPointsFollowTheScreenUpwardsAndSnapToTheGrid) {
  world.snapping = 5.0;
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 0);
  Press(tracker, QV_CPoint(11, 21));
  EXPECT_EQ(tracker.StartWorld(), TVector(10, -20));
  Move(tracker, QV_CPoint(33, 7));
  EXPECT_EQ(tracker.NextWorld(), TVector(35, -5));
  EXPECT_EQ(tracker.PreviousWorld(), TVector(10, -20));
  EXPECT_EQ(tracker.lastWorld, TVector(35, -5));
  EXPECT_EQ(tracker.IsMoved(), 1);
  ASSERT_FALSE(view.differences.empty());
  EXPECT_EQ(view.differences.back(), TVector(25, 15));
  MacPoint screen;
  tracker.WorldToScreen(TVector(35, -5), screen);
  EXPECT_EQ(screen, MacPoint(35, 5));
}

TEST_F(CommandBaseTest, PointsWithinATenthOfTheSnappingDistanceAreNoMovement) {
  world.snapping = 0.0;
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 0);
  Press(tracker, QV_CPoint(10, 10));
  Move(tracker, QV_CPoint(10, 10));
  EXPECT_EQ(tracker.IsMoved(), 0);
  Move(tracker, QV_CPoint(11, 10));
  EXPECT_EQ(tracker.IsMoved(), 1);
  Move(tracker, QV_CPoint(11, 10));
  EXPECT_EQ(tracker.IsMoved(), 0);
  EXPECT_EQ(tracker.NextWorld(), TVector(11, -10));
}

TEST_F(CommandBaseTest, PhasesSetStyleCursorAndEndFeedbackAtRelease) {
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 0);
  EXPECT_EQ(tracker.IsViewPresent(), 1);
  Press(tracker, QV_CPoint(10, 10));
  EXPECT_EQ(view.cursors, std::vector<uint16_t>{1020});
  Move(tracker, QV_CPoint(20, 10));
  Release(tracker);
  EXPECT_EQ(tracker.phases, (std::vector<int16_t>{0, 1, 2}));
  EXPECT_EQ(view.styles, std::vector<int16_t>{12});
  EXPECT_EQ(view.ends, 1);
  EXPECT_EQ(view.states.back(), 0);
  EXPECT_EQ(world.ended, 1);
  // Kind 2 leaves the cursor alone at the press.
  TStepTracker quiet;
  quiet.InitTracker(500, &view, &world, 1, 2);
  Press(quiet, QV_CPoint(10, 10));
  EXPECT_EQ(view.cursors.size(), 1u);
}

TEST_F(CommandBaseTest, AClickWithoutMovementPreparesOnlyWhenPerformed) {
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 0);
  Press(tracker, QV_CPoint(10, 10));
  Move(tracker, QV_CPoint(10, 10), false);
  Release(tracker);
  EXPECT_EQ(tracker.prepared, 0);
  tracker.Perform();
  EXPECT_EQ(tracker.prepared, 1);
}

TEST_F(CommandBaseTest, EndsAtOnceAnswersDoneWithoutTheMouse) {
  TStepTracker tracker;
  tracker.InitTracker(500, &view, &world, 1, 0);
  tracker.SetEndsAtOnce(1);
  EXPECT_TRUE(tracker.TrackingDone());
}

class THotPoints : public TObject, public TTrackingSnapper {
 public:
  bool IsSnapperActive() const override { return active; }
  void ForgetHotPoint() override { ++forgotten; }
  bool FindHotPointNear(const MacPoint&, TVector& world) override {
    world = TVector(7, 7);
    return true;
  }
  void DrawHotPointMark(const MacPoint&) override {}
  bool active = true;
  int forgotten = 0;
};

class THotTracker : public TStepTracker {
 public:
  bool UsesHotPoints() const override { return true; }
  void DoWork() override {
    if (fail) ThrowFailure(-50, 0);
  }
  bool fail = false;
};

TEST_F(CommandBaseTest, HotPointSnapperIsRequiredKeptWhenActiveAndForgetsOnFailure) {
  THotTracker missing;
  try {
    missing.InitTracker(500, &view, &world, 1, 0);
    FAIL() << "a world without snapper must fail";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -108);
  }

  THotPoints snapper;
  world.itemTag = MakeTag("hpSn");
  world.item = &snapper;
  snapper.active = false;
  THotTracker inactive;
  inactive.InitTracker(500, &view, &world, 1, 0);
  EXPECT_EQ(inactive.Snapper(), nullptr);

  snapper.active = true;
  // Not undoable, so no rollback runs the after-work step: the failure itself forgets.
  THotTracker tracker;
  tracker.InitTracker(500, &view, &world, 0, 0);
  ASSERT_EQ(tracker.Snapper(), &snapper);
  TVector point;
  EXPECT_TRUE(tracker.SnapToHotPoint(point, TVector(), TVector()));
  EXPECT_EQ(point, TVector(7, 7));
  tracker.fail = true;
  EXPECT_THROW(tracker.Perform(), QVException);
  EXPECT_EQ(snapper.forgotten, 1);
}

}  // namespace
}  // namespace command_test
