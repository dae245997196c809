// The tape strip on its own over a painted main view: where its thumb stands for the frames it is
// told, which redraws a running tape skips, what a press makes of each place, and the strip's
// pixels.

#include "views/furniture/FrameIndicator.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/Handle.h"
#include "core/Resources.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/offscreen/OffScreenSupport.h"

namespace {

using namespace view_test;

constexpr int32_t kWidth = 360;

class FrameIndicatorTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    manager_ = OpenManager();
    main_ = AddView(manager_, 0, 0, kWidth, 200, RGB(255, 255, 255), RGB(0, 0, 255),
                    MacRect(10, 10, 20, 20), "main");
    indicator_ = new TFrameIndic;
    indicator_->Init(nullptr, manager_, TViewPoint{0, 220}, kWidth, 1, main_, nullptr);
    indicator_->Show(true, true);
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    OffScreenTest::TearDown();
    FreeHandlePool();
  }
  void Draw() {
    indicator_->RedrawAllDeep();
    manager_->UpdateNow();
    Pump();
  }
  // The host's pixel at a point of the strip.
  COLORREF StripAt(int32_t h, int32_t v) {
    return At(indicator_->GetLocation().h + h, indicator_->GetLocation().v + v);
  }
  TCommandCore* Press(const MacPoint& point) {
    return indicator_->DoMouseCommand(point, nullptr, 0);
  }
  int16_t b() const { return static_cast<int16_t>(GetSystemMetrics(SM_CYHSCROLL)); }

  TDezevOffScreenMgr* manager_ = nullptr;
  TPaintedView* main_ = nullptr;
  TFrameIndic* indicator_ = nullptr;
};

TEST_F(FrameIndicatorTest, TheStripIsOneScrollBarHighAndItsSliderLiesBetweenTheButtons) {
  EXPECT_EQ(indicator_->GetLocation().v, 219);
  EXPECT_EQ(indicator_->GetStoredSize().v, b() + 1);
  const MacRect slider = indicator_->GetSliderRect();
  EXPECT_EQ(slider.left, 2 * b() - 1);
  EXPECT_EQ(slider.right, kWidth - 2 * b());
  EXPECT_EQ(slider.top, 1);
  EXPECT_GT(indicator_->ThumbWidth(), 8);
  // Main view frames reach the strip as its frames.
  main_->FrameChanged(4, 0, 9);
  EXPECT_EQ(indicator_->GetCurrentFrame(), 4);
  EXPECT_EQ(indicator_->GetLastFrame(), 9);
}

TEST_F(FrameIndicatorTest, TheThumbStandsForTheFrameWithinTheRecording) {
  const MacRect slider = indicator_->GetSliderRect();
  indicator_->SetFrames(0, 0, 100);
  EXPECT_EQ(indicator_->GetThumbRect().left, slider.left);
  indicator_->SetFrames(100, 0, 100);
  EXPECT_EQ(indicator_->GetThumbRect().right, slider.right);
  indicator_->SetFrames(50, 0, 100);
  const int32_t room = slider.right - slider.left - (indicator_->ThumbWidth() + 1);
  EXPECT_EQ(indicator_->GetThumbRect().left, slider.left + 50 * room / 100);
  EXPECT_EQ(indicator_->GetThumbRect().right - indicator_->GetThumbRect().left,
            indicator_->ThumbWidth());
  // Frames without a span put the thumb at the left instead of dividing by nothing.
  indicator_->SetFrames(7, 5, 5);
  EXPECT_EQ(indicator_->GetThumbRect().left, slider.left);
}

TEST_F(FrameIndicatorTest, ARunningTapeRedrawsEveryTwoSecondsOrOnATenthFrame) {
  indicator_->SetRunMode(TFrameIndic::kForwards);
  indicator_->SetFrames(20, 0, 20);
  const int32_t drawnAt = indicator_->GetLastRedrawTime();
  AdvanceVirtualClock(1000);  // one second
  indicator_->SetFrames(23, 0, 23);
  EXPECT_EQ(indicator_->GetLastRedrawTime(), drawnAt);
  EXPECT_EQ(indicator_->GetCurrentFrame(), 23);
  indicator_->SetFrames(30, 0, 30);
  EXPECT_NE(indicator_->GetLastRedrawTime(), drawnAt);
  const int32_t tenth = indicator_->GetLastRedrawTime();
  AdvanceVirtualClock(2100);
  indicator_->SetFrames(31, 0, 31);
  EXPECT_NE(indicator_->GetLastRedrawTime(), tenth);
  // Stopped, every change redraws.
  indicator_->SetRunMode(TFrameIndic::kStopped);
  const int32_t stopped = indicator_->GetLastRedrawTime();
  AdvanceVirtualClock(100);
  indicator_->SetFrames(32, 0, 32);
  EXPECT_NE(indicator_->GetLastRedrawTime(), stopped);
}

TEST_F(FrameIndicatorTest, PressesBeforeRecordingRunAndTheBackButtonsWaitForALaterFrame) {
  const MacRect slider = indicator_->GetSliderRect();
  const MacPoint inSlider(static_cast<int16_t>((slider.left + slider.right) / 2), 5);
  std::unique_ptr<TCommandCore> press(Press(inSlider));
  auto* button = dynamic_cast<TIndicatorButtonTracker*>(press.get());
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetCommandNumber(), TFrameIndic::kCmdRun);
  EXPECT_EQ(button->GetPicture(), 0);

  // At the first frame the play-back and step-back buttons do nothing; run and step forward do.
  indicator_->SetFrames(0, 0, 10);
  const MacPoint first(5, 5);
  const MacPoint second(static_cast<int16_t>(b() + 5), 5);
  const MacPoint last(static_cast<int16_t>(kWidth - 5), 5);
  const MacPoint beforeLast(static_cast<int16_t>(kWidth - b() - 5), 5);
  EXPECT_EQ(Press(first), nullptr);
  EXPECT_EQ(Press(beforeLast), nullptr);
  EXPECT_EQ(indicator_->HitTest(first, true).code, TFrameIndic::kCmdPlayBack);
  press.reset(Press(second));
  EXPECT_EQ(press->GetCommandNumber(), TFrameIndic::kCmdRun);
  press.reset(Press(last));
  EXPECT_EQ(press->GetCommandNumber(), TFrameIndic::kCmdStepForward);
  EXPECT_EQ(dynamic_cast<TIndicatorButtonTracker*>(press.get())->GetPicture(), 6003);

  indicator_->SetFrames(4, 0, 10);
  press.reset(Press(first));
  EXPECT_EQ(press->GetCommandNumber(), TFrameIndic::kCmdPlayBack);
  press.reset(Press(beforeLast));
  EXPECT_EQ(press->GetCommandNumber(), TFrameIndic::kCmdStepBack);
  // Running, the run button stops; playing back, the play-back button does.
  indicator_->SetRunMode(TFrameIndic::kForwards);
  press.reset(Press(second));
  EXPECT_EQ(press->GetCommandNumber(), TFrameIndic::kCmdStop);
  indicator_->SetRunMode(TFrameIndic::kBackwards);
  press.reset(Press(first));
  EXPECT_EQ(press->GetCommandNumber(), TFrameIndic::kCmdStop);
  // With frames recorded the slider drags the thumb.
  press.reset(Press(inSlider));
  EXPECT_NE(dynamic_cast<TIndicatorThumbTracker*>(press.get()), nullptr);
}

TEST_F(FrameIndicatorTest, TheThumbDragMapsTheMouseToFramesAndANarrowStripKeepsTheFirst) {
  indicator_->SetFrames(0, 0, 100);
  std::vector<int16_t> shown;
  indicator_->SetFrameHandler([&](int16_t frame) {
    shown.push_back(frame);
    indicator_->SetFrames(frame, 0, 100);
  });
  const MacRect slider = indicator_->GetSliderRect();
  const int32_t w = indicator_->ThumbWidth();
  {
    TIndicatorThumbTracker tracker(*indicator_);
    // Grabbed inside the thumb: the grab offset is kept and nothing moves yet.
    const QV_CPoint grab(static_cast<int16_t>(slider.left + 3), 5);
    tracker.TrackMouse(0, grab, grab, grab, true);
    EXPECT_TRUE(indicator_->IsTracking());
    EXPECT_EQ(tracker.GetGrabOffset(), 3);
    EXPECT_TRUE(shown.empty());
    const int32_t room = slider.right - w - slider.left;
    const QV_CPoint middle(static_cast<int16_t>(slider.left + 3 + room / 2), 5);
    tracker.TrackMouse(1, grab, grab, middle, true);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.back(), room / 2 * 100 / room);
    // Past either end the frame stays within the recording.
    const QV_CPoint far(static_cast<int16_t>(kWidth + 50), 5);
    tracker.TrackMouse(1, grab, middle, far, true);
    EXPECT_EQ(shown.back(), 100);
    tracker.TrackMouse(2, grab, far, far, true);
    EXPECT_FALSE(indicator_->IsTracking());
  }

  // A strip so narrow that the thumb has no room keeps the first frame.
  indicator_->Resize(4 * b(), indicator_->GetStoredSize().v, false);
  indicator_->SetFrames(3, 0, 100);
  TIndicatorThumbTracker narrow(*indicator_);
  EXPECT_EQ(narrow.FrameAt(200), 0);
  EXPECT_EQ(narrow.FrameAt(-200), 0);
}

TEST_F(FrameIndicatorTest, TheStripDrawsItsWellAndAFramedThumbWithTheFrameNumber) {
  Draw();
  const MacRect slider = indicator_->GetSliderRect();
  const int32_t middle = (slider.left + slider.right) / 2;
  const int32_t row = (slider.top + slider.bottom) / 2;
  // Nothing recorded: the slider is blank, without a thumb.
  EXPECT_EQ(StripAt(middle, row), RGB(255, 255, 255));
  indicator_->SetFrames(100, 0, 100);
  Draw();
  // Past the first frame the well shows in light grey, and the thumb sits at the right end,
  // framed in black.
  EXPECT_EQ(StripAt(middle, row), RGB(192, 192, 192));
  const MacRect thumb = indicator_->GetThumbRect();
  EXPECT_EQ(StripAt(thumb.left, row), RGB(0, 0, 0));
  EXPECT_EQ(StripAt(thumb.left + 1, row), RGB(255, 255, 255));
  int32_t dark = 0;
  for (int32_t h = thumb.left + 3; h < thumb.right - 3; ++h)
    for (int32_t v = thumb.top + 3; v < thumb.bottom - 3; ++v)
      dark += StripAt(h, v) == RGB(0, 0, 0) ? 1 : 0;
  EXPECT_GT(dark, 5);  // the digits
  // The buttons carry their pictures: the run button's face is not the strip's white.
  EXPECT_NE(StripAt(b() + 2, 3), RGB(255, 255, 255));
}

}  // namespace
