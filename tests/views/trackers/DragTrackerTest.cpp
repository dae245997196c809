#include <gtest/gtest.h>

#include "core/CommandNesting.h"
#include "core/Failure.h"
#include "model/command/CommandHandler.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/DragTracker.h"

namespace tracker_test {
namespace {

// Counts the points it is given; may refuse its object.
class TPointsTracker : public TDragTracker {
 public:
  int16_t AddPoint(const QV_CPoint& screen, const TVector&) override {
    points.push_back(screen);
    return 1;
  }
  bool IsObjectAcceptable() const override { return acceptable; }
  void Cancel() override { ++cancels; }
  std::vector<QV_CPoint> points;
  bool acceptable = true;
  int cancels = 0;
};

class DragTrackerTest : public TrackerTest {
 protected:
  void TearDown() override {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {}
    InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
    TrackerTest::TearDown();
  }
  void Start(TPointsTracker& tracker, uint16_t multiClick) {
    tracker.InitDragTracker(3000, &view, &world, 1, 0, nullptr, &world.Thing(0));
    tracker.SetMultiClick(multiClick);
    InjectMouseButton(MouseButton::kLeft, true, POINT{0, 0});
    Event(tracker, WM_LBUTTONDOWN, 0);
    anchor_ = QV_CPoint(10, 10);
    QV_CPoint next = anchor_;
    tracker.TrackConstrain(anchor_, anchor_, next);
    tracker.TrackMouse(0, anchor_, anchor_, next, true);
  }
  // One pass of the loop without mouse movement; answers the tracking-done test.
  bool Pass(TPointsTracker& tracker) {
    if (tracker.TrackingDone()) return true;
    QV_CPoint next = anchor_;
    tracker.TrackConstrain(anchor_, anchor_, next);
    tracker.TrackMouse(1, anchor_, anchor_, next, false);
    return tracker.TrackingDone();
  }
  static void Post(UINT message, int16_t h = 0, int16_t v = 0) {
    PostMessage(nullptr, message, 0, static_cast<LPARAM>((v << 16) | (h & 0xFFFF)));
  }
  QV_CPoint anchor_;
};

TEST_F(DragTrackerTest, AReleaseBeforeMovingGoesOnAndTheNextClickEnds) {
  TPointsTracker tracker;
  Start(tracker, 0);
  EXPECT_EQ(tracker.CursorResource(), kCursorClickByClick);
  InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
  EXPECT_FALSE(Pass(tracker));
  EXPECT_EQ(tracker.IsReleased(), 1);
  EXPECT_FALSE(Pass(tracker));
  Post(WM_LBUTTONDOWN, 60, 60);
  EXPECT_TRUE(Pass(tracker));
}

TEST_F(DragTrackerTest, KeysAndDoubleClicksEndAClickByClickGesture) {
  for (UINT ending : {WM_KEYDOWN, WM_LBUTTONDBLCLK}) {
    TPointsTracker tracker;
    Start(tracker, 1);
    InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
    EXPECT_FALSE(Pass(tracker));
    Post(ending);
    EXPECT_TRUE(Pass(tracker));
  }
}

TEST_F(DragTrackerTest, ClicksAddPointsUntilOneLandsWithinFourPixelsOfTheLast) {
  TPointsTracker tracker;
  Start(tracker, 1);
  InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
  Post(WM_LBUTTONDOWN, 40, 10);
  EXPECT_FALSE(Pass(tracker));
  Post(WM_LBUTTONDOWN, 40, 50);
  EXPECT_FALSE(Pass(tracker));
  ASSERT_EQ(tracker.points.size(), 2u);
  EXPECT_EQ(tracker.points[1], QV_CPoint(40, 50));
  // 4 pixels away is not near enough; 3 is.
  Post(WM_LBUTTONDOWN, 44, 50);
  EXPECT_FALSE(Pass(tracker));
  Post(WM_LBUTTONDOWN, 46, 53);
  EXPECT_TRUE(Pass(tracker));
  EXPECT_EQ(tracker.points.size(), 3u);
}

// On a busy desktop a click's release can come in a pass after its press was taken: it must not
// stay waiting, or the tracking loop sees a button waiting forever and is never idle.
TEST_F(DragTrackerTest, AClicksLateReleaseIsTakenBetweenClicks) {
  TPointsTracker tracker;
  Start(tracker, 1);
  InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
  EXPECT_FALSE(Pass(tracker));
  Post(WM_LBUTTONDOWN, 40, 10);
  EXPECT_FALSE(Pass(tracker));
  Post(WM_LBUTTONUP, 40, 10);
  EXPECT_FALSE(Pass(tracker));
  MSG waiting;
  EXPECT_FALSE(PeekMessage(&waiting, nullptr, WM_LBUTTONDOWN, WM_LBUTTONUP, PM_NOREMOVE));
  EXPECT_EQ(tracker.points.size(), 1u);
}

TEST_F(DragTrackerTest, ADragEndsAtTheReleaseEvenWithMultiClick) {
  TPointsTracker tracker;
  Start(tracker, 1);
  QV_CPoint next(30, 30);
  tracker.TrackConstrain(anchor_, anchor_, next);
  tracker.TrackMouse(1, anchor_, anchor_, next, true);
  EXPECT_FALSE(tracker.TrackingDone());
  InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
  EXPECT_TRUE(tracker.TrackingDone());
}

TEST_F(DragTrackerTest, ARefusedObjectEndsSilently) {
  TPointsTracker tracker;
  Start(tracker, 0);
  tracker.acceptable = false;
  try {
    tracker.Perform();
    FAIL() << "a refused object must end the command";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
  }
  EXPECT_EQ(tracker.cancels, 1);
}

class TSilentReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

// Records the points of its steps. A gesture wrongly gone click by click would wait for clicks
// that never come: it is cut short.
class TRecordingTracker : public TPointsTracker {
 public:
  bool TrackingDone() override { return ++asked > 100 || TPointsTracker::TrackingDone(); }
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override {
    if (phase == 1 && mouseMoved) moves.push_back(next);
    if (phase == 2) end = next;
    return TPointsTracker::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                     previousWorld, nextWorld, moved);
  }
  int asked = 0;
  std::vector<QV_CPoint> moves;
  QV_CPoint end;
};

// The gesture through the application's tracking loop, in a window at the screen's corner.
class DragTrackerLoopTest : public DragTrackerTest {
 protected:
  void SetUp() override {
    DragTrackerTest::SetUp();
    ResetWindowSystem();
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = DefWindowProc;
    windowClass.lpszClassName = "DragTrackerLoop";
    RegisterClass(&windowClass);
    CreateWindowEx(0, "DragTrackerLoop", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                   nullptr, nullptr);
  }
  void TearDown() override {
    DragTrackerTest::TearDown();
    ResetWindowSystem();
  }
  // Press at (10, 10), taken as the program takes it; then everything the user did after it
  // (the moves, the release, further clicks) waits in the queue at once, and the tracking loop
  // runs.
  void Track(TRecordingTracker& tracker, const std::vector<POINT>& moves, POINT release,
             const std::vector<POINT>& clicks = {}) {
    tracker.InitDragTracker(3000, &view, &world, 1, 0, nullptr, &world.Thing(0));
    InjectMouseMove({10, 10});
    InjectMouseButton(MouseButton::kLeft, true, {10, 10});
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
    Event(tracker, WM_LBUTTONDOWN, 0);
    for (const POINT& move : moves) InjectMouseMove(move);
    InjectMouseButton(MouseButton::kLeft, false, release);
    for (const POINT& click : clicks) {
      InjectMouseButton(MouseButton::kLeft, true, click);
      InjectMouseButton(MouseButton::kLeft, false, click);
    }
    handler_.TrackMouse(QV_CPoint(10, 10), 5, 5, &tracker);
  }
  TSilentReporter reporter_;
  TCommandNesting nesting_{reporter_};
  TCommandHandler handler_{nesting_};
};

TEST_F(DragTrackerLoopTest, AQuickDragIsNoClickAndEndsAtTheRelease) {
  TRecordingTracker tracker;
  Track(tracker, {{30, 20}, {50, 40}}, {55, 42});
  EXPECT_LT(tracker.asked, 100) << "the drag went on click by click";
  EXPECT_EQ(tracker.IsReleased(), 0);
  EXPECT_EQ(tracker.moves, (std::vector<QV_CPoint>{QV_CPoint(50, 40), QV_CPoint(55, 42)}));
  EXPECT_EQ(tracker.end, QV_CPoint(55, 42));
}

TEST_F(DragTrackerLoopTest, AClickWithoutMovementStillGoesOnClickByClick) {
  TRecordingTracker tracker;
  // Without multi-click the next click ends the gesture.
  Track(tracker, {}, {10, 10}, {{10, 10}});
  EXPECT_LT(tracker.asked, 100) << "the next click did not end the gesture";
  EXPECT_EQ(tracker.IsReleased(), 1);
  EXPECT_TRUE(tracker.moves.empty());
  EXPECT_EQ(tracker.end, QV_CPoint(10, 10));
}

}  // namespace
}  // namespace tracker_test
