// World scroll bars driven through their control: synthetic presses on the arrows, the page
// areas and the thumb scroll the target by the right amounts, and the world's scroll state
// reaches the control with at most one redraw.

#include "views/furniture/ScrollBarContainer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "tests/views/offscreen/OffScreenSupport.h"

namespace {

using namespace view_test;

class TRecordingTarget : public TScrollTarget {
 public:
  void ScrollBy(const MacPoint& delta) override { scrolls.push_back(delta); }
  void RecomputeWorldExtent() override { ++recomputes; }
  int32_t GetLineStep() const override { return 12; }
  TViewPoint GetViewSize() const override { return TViewPoint{300, 180}; }
  std::vector<MacPoint> scrolls;
  int32_t recomputes = 0;
};

// A bar that notes each redraw request it passes on to the control.
class TRedrawCountingBar : public TWorldScrollBar {
 public:
  void SetRangeMin(int32_t minimum, bool redraw) override {
    redraws += redraw ? 1 : 0;
    TWorldScrollBar::SetRangeMin(minimum, redraw);
  }
  void SetRangeMax(int32_t maximum, bool redraw) override {
    redraws += redraw ? 1 : 0;
    TWorldScrollBar::SetRangeMax(maximum, redraw);
  }
  void SetPosition(int32_t position, bool redraw) override {
    redraws += redraw ? 1 : 0;
    TWorldScrollBar::SetPosition(position, redraw);
  }
  int32_t redraws = 0;
};

class TCountingContainer : public TScrollBarContainer {
 protected:
  TWorldScrollBar* MakeScrollBar() override { return new TRedrawCountingBar; }
};

class ScrollBarContainerTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    RegisterStandardControls();
    manager_ = OpenManager();
    master_ = AddView(manager_, 0, 0, 300, 180, RGB(255, 255, 255), RGB(0, 0, 0),
                      MacRect(0, 0, 0, 0), "world");
  }
  TScrollBarContainer* MakeBar(int32_t orientation) {
    auto target = std::make_unique<TRecordingTarget>();
    target_ = target.get();
    auto* bar = new TCountingContainer;
    const bool horizontal = orientation == TWorldScrollBar::kHorizontal;
    bar->InitScrollBarContainer(nullptr, manager_,
                                horizontal ? TViewPoint{0, 200} : TViewPoint{320, 0},
                                horizontal ? 300 : 180, orientation, master_, std::move(target));
    Pump();
    return bar;
  }
  TRedrawCountingBar& Control(TScrollBarContainer* bar) {
    return *static_cast<TRedrawCountingBar*>(bar->GetScrollBar());
  }
  // A press and release at (x, y) of the control, in its own pixels.
  void Click(TScrollBarContainer* bar, int32_t x, int32_t y) {
    POINT at{x, y};
    ClientToScreen(bar->GetScrollBar()->m_hWnd, &at);
    InjectMouseMove(at);
    InjectMouseButton(MouseButton::kLeft, true, at);
    InjectMouseButton(MouseButton::kLeft, false, at);
    Pump();
  }
  // A world extent of -100..500 across and 400 (top) down to -50, at scroll position (h, v).
  static void Tell(TOffScreenViewBase* master, int16_t h, int16_t v) {
    const uint32_t packed = (static_cast<uint32_t>(static_cast<uint16_t>(h)) << 16) |
                            static_cast<uint16_t>(v);
    master->ScrollStateChanged(packed, TDoubleRect(-100.4, 400.5, 500.5, -50.0));
  }
  TDezevOffScreenMgr* manager_ = nullptr;
  TOffScreenViewBase* master_ = nullptr;
  TRecordingTarget* target_ = nullptr;
};

TEST_F(ScrollBarContainerTest, ABarIsMadeAlongItsEdgeAndStartsUninitialised) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kHorizontal);
  ASSERT_NE(bar->GetScrollBar(), nullptr);
  EXPECT_EQ(bar->GetMaster(), master_);
  EXPECT_EQ(bar->GetStoredSize().v, GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(bar->GetScrollBar()->GetDlgCtrlID(), 59748);
  int32_t minimum = -1;
  int32_t maximum = -1;
  bar->GetScrollBar()->GetScrollRange(&minimum, &maximum);
  EXPECT_EQ(minimum, 0);
  EXPECT_EQ(maximum, 100);
  EXPECT_EQ(bar->GetScrollBar()->GetScrollPos(), 0);
  // An all-zero first state is no state: the arrows still scroll nothing.
  master_->ScrollStateChanged(0, TDoubleRect(0, 0, 0, 0));
  EXPECT_FALSE(Control(bar).IsInitialised());
  Click(bar, 3, 5);
  EXPECT_TRUE(target_->scrolls.empty());

  TScrollBarContainer* vertical = MakeBar(TWorldScrollBar::kVertical);
  EXPECT_EQ(vertical->GetStoredSize().h, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(vertical->GetStoredSize().v, 180);
}

TEST_F(ScrollBarContainerTest, TheWorldStateReachesTheControlWithOneRedraw) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kHorizontal);
  TScrollBarContainer* vertical = MakeBar(TWorldScrollBar::kVertical);
  Tell(master_, 30, -20);
  int32_t minimum = 0;
  int32_t maximum = 0;
  bar->GetScrollBar()->GetScrollRange(&minimum, &maximum);
  EXPECT_EQ(minimum, -100);  // rounded half away from zero
  EXPECT_EQ(maximum, 501);
  EXPECT_EQ(bar->GetScrollBar()->GetScrollPos(), 30);
  EXPECT_EQ(Control(bar).redraws, 1);
  // y points up in the world: its top starts the vertical bar.
  vertical->GetScrollBar()->GetScrollRange(&minimum, &maximum);
  EXPECT_EQ(minimum, -401);
  EXPECT_EQ(maximum, 50);
  EXPECT_EQ(vertical->GetScrollBar()->GetScrollPos(), -20);
  EXPECT_EQ(Control(vertical).redraws, 1);

  // The same state leaves the control alone, even where it was moved meanwhile.
  bar->GetScrollBar()->SetScrollPos(60, FALSE);
  Tell(master_, 30, -20);
  EXPECT_EQ(bar->GetScrollBar()->GetScrollPos(), 60);
  EXPECT_EQ(Control(bar).redraws, 1);
  // Only the position moved: one redraw more.
  Tell(master_, 40, -20);
  EXPECT_EQ(bar->GetScrollBar()->GetScrollPos(), 40);
  EXPECT_EQ(Control(bar).redraws, 2);
}

TEST_F(ScrollBarContainerTest, PressesOnTheControlScrollTheTargetUnclamped) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kHorizontal);
  Tell(master_, -100, 0);  // at the start of the range
  const int32_t length = bar->GetStoredSize().h;
  const int32_t across = bar->GetStoredSize().v;
  Click(bar, 3, across / 2);  // left arrow
  Click(bar, length - 3, across / 2);  // right arrow
  Click(bar, length - across - 3, across / 2);  // page area right of the thumb
  ASSERT_EQ(target_->scrolls.size(), 3u);
  EXPECT_EQ(target_->scrolls[0], MacPoint(-12, 0));
  EXPECT_EQ(target_->scrolls[1], MacPoint(12, 0));
  EXPECT_EQ(target_->scrolls[2], MacPoint(300, 0));
  EXPECT_EQ(target_->recomputes, 3);
  // The bar waits for the world to move it.
  EXPECT_EQ(bar->GetScrollBar()->GetScrollPos(), -100);
}

TEST_F(ScrollBarContainerTest, TheVerticalBarPagesByTheViewHeight) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kVertical);
  Tell(master_, 0, -300);  // near the top
  const int32_t across = bar->GetStoredSize().h;
  Click(bar, across / 2, bar->GetStoredSize().v - across - 3);
  ASSERT_EQ(target_->scrolls.size(), 1u);
  EXPECT_EQ(target_->scrolls[0], MacPoint(0, 180));
}

TEST_F(ScrollBarContainerTest, ThumbDragsScrollByTheDifferenceFromTheControl) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kHorizontal);
  Tell(master_, 0, 0);
  TWorldScrollBar* control = bar->GetScrollBar();
  LRESULT result = 0;
  control->OnChildNotify(WM_HSCROLL, static_cast<WPARAM>(MAKELONG(SB_THUMBTRACK, 45)), 0, &result);
  // Thumb positions come as 16 bits: 0xFFFF is -1.
  control->OnChildNotify(WM_HSCROLL, static_cast<WPARAM>(MAKELONG(SB_THUMBPOSITION, 0xFFFF)), 0, &result);
  control->OnChildNotify(WM_HSCROLL, static_cast<WPARAM>(MAKELONG(SB_ENDSCROLL, 0)), 0, &result);
  ASSERT_EQ(target_->scrolls.size(), 2u);
  EXPECT_EQ(target_->scrolls[0], MacPoint(45, 0));
  EXPECT_EQ(target_->scrolls[1], MacPoint(-1, 0));
}

TEST_F(ScrollBarContainerTest, DraggingTheThumbTellsTrackingPositions) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kHorizontal);
  master_->ScrollStateChanged(1 << 16, TDoubleRect(0, 0, 100, 0));
  const int32_t across = bar->GetStoredSize().v;
  POINT at{across + 4, across / 2};  // on the thumb, near the start
  ClientToScreen(bar->GetScrollBar()->m_hWnd, &at);
  InjectMouseMove(at);
  InjectMouseButton(MouseButton::kLeft, true, at);
  Pump();
  InjectMouseMove(POINT{at.x + 60, at.y});
  InjectMouseButton(MouseButton::kLeft, false, POINT{at.x + 60, at.y});
  Pump();
  ASSERT_EQ(target_->scrolls.size(), 2u);  // tracking, then the release at the same place
  EXPECT_GT(target_->scrolls[0].h, 10);
  EXPECT_EQ(target_->scrolls[0].v, 0);
  EXPECT_EQ(target_->scrolls[1], target_->scrolls[0]);
}

TEST_F(ScrollBarContainerTest, ResizingTheSuperviewKeepsTheBarsOnTheEdges) {
  TScrollBarContainer* bar = MakeBar(TWorldScrollBar::kHorizontal);
  TScrollBarContainer* vertical = MakeBar(TWorldScrollBar::kVertical);
  bar->SuperviewResized(TViewPoint{40, 30}, false);
  vertical->SuperviewResized(TViewPoint{40, 30}, false);
  EXPECT_EQ(bar->GetLocation().v, 230);
  EXPECT_EQ(bar->GetStoredSize().h, 340);
  RECT client;
  bar->GetScrollBar()->GetClientRect(&client);
  EXPECT_EQ(client.right, 340);
  EXPECT_EQ(vertical->GetLocation().h, 360);
  EXPECT_EQ(vertical->GetStoredSize().v, 210);
}

}  // namespace
