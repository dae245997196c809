// View trees over real child windows: placing views makes their windows, resizing invalidates
// only the uncovered bands (read back from the window's update area), sub-views follow their
// superview by their size rules, clicks and cursor questions go to the topmost eligible view,
// and views and their windows go together exactly once.

#include "tests/ui/views/ViewTestSupport.h"

namespace view_test {
namespace {

using WrappedWindowTest = ViewTest;

TEST_F(WrappedWindowTest, PlacingAViewGivesItAChildWindowOverItsFrame) {
  TTestView* view = Place(root_, "a", 20, 30, 100, 50);
  EXPECT_EQ(view->GetIdentifier(), TWrappedWindow::kBlankIdentifier);
  EXPECT_TRUE(view->IsShown());
  EXPECT_TRUE(view->IsEnabled());
  EXPECT_EQ(view->GetSuperview(), root_);
  EXPECT_EQ(view->GetNextHandler(), root_);
  const HWND window = view->GetWindowHandle();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetParent(window), root_->GetWindowHandle());
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)), TOwlView::kViewStyle);
  RECT rect;
  GetWindowRect(window, &rect);
  POINT corner{rect.left, rect.top};
  ScreenToClient(root_->GetWindowHandle(), &corner);
  EXPECT_EQ(corner.x, 20);
  EXPECT_EQ(corner.y, 30);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 50);
  ASSERT_NE(view->GetPort(), nullptr);
  EXPECT_EQ(view->GetPort()->Window(), window);
  EXPECT_EQ(view->GetMFCWindow()->GetOwner()->m_hWnd, root_->GetWindowHandle());

  // View windows count their identifiers up from where the last one left off.
  TTestView* next = Place(root_, "b", 0, 0, 10, 10);
  EXPECT_EQ(GetDlgCtrlID(next->GetWindowHandle()), GetDlgCtrlID(window) + 1);
  EXPECT_GT(GetDlgCtrlID(window), static_cast<int32_t>(TOwlView::kFirstViewId) - 1);
  EXPECT_EQ(GetDlgCtrlID(root_->GetWindowHandle()), static_cast<int32_t>(TOwlWindow::kWindowId));
}

TEST_F(WrappedWindowTest, ARootViewHasNeitherWindowNorPort) {
  auto* view = new TTestView("root");
  TViewPoint location{0, 0};
  TViewPoint size{50, 50};
  view->InitFromParent(nullptr, nullptr, location, size, 5, 5);
  EXPECT_EQ(view->GetWindowHandle(), nullptr);
  EXPECT_EQ(view->GetPort(), nullptr);
  EXPECT_FALSE(view->FocusOnSuperview());
  PrintingInProgress() = true;
  EXPECT_TRUE(view->FocusOnSuperview());
  PrintingInProgress() = false;
  delete view;
}

TEST_F(WrappedWindowTest, ResizingInvalidatesOnlyTheBandsTheMovingEdgesSweep) {
  TTestView* view = Place(root_, "a", 20, 30, 100, 50);
  const HWND rootWindow = root_->GetWindowHandle();
  Pump();
  ValidateRect(rootWindow, nullptr);

  view->Resize(120, 50, true);
  RECT box = UpdateBox(rootWindow);
  EXPECT_EQ(box.left, 120);
  EXPECT_EQ(box.right, 140);
  EXPECT_EQ(box.top, 30);
  EXPECT_EQ(box.bottom, 80);

  ValidateRect(rootWindow, nullptr);
  view->Resize(120, 30, true);  // the bottom edge goes up by 20
  box = UpdateBox(rootWindow);
  EXPECT_EQ(box.top, 60);
  EXPECT_EQ(box.bottom, 80);
  EXPECT_EQ(box.left, 20);
  EXPECT_EQ(box.right, 140);

  ValidateRect(rootWindow, nullptr);
  view->Resize(120, 30, true);  // the same size: nothing
  box = UpdateBox(rootWindow);
  EXPECT_EQ(box.right - box.left, 0);
  RECT client;
  GetClientRect(view->GetWindowHandle(), &client);
  EXPECT_EQ(client.right, 120);
  EXPECT_EQ(client.bottom, 30);
}

TEST_F(WrappedWindowTest, SubviewsFollowTheirSuperviewByTheirSizeRules) {
  // The document window's one child fills it, as an off-screen view does.
  const TViewPoint before = root_->GetStoredSize();
  TTestView* content = Place(root_, "content", 0, 0, before.h, before.v, 0, 0);
  TTestView* follows = Place(content, "follows", 0, 0, 100, 40, 1, 5);
  TTestView* fills = Place(content, "fills", 0, 50, 10, 40, 0, 0);
  TTestView* keeps = Place(content, "keeps", 0, 100, 60, 40, 5, 5);
  TTestView* tall = Place(content, "tall", 0, 150, 60, 40, 5, 1);

  root_->Resize(before.h + 30, before.v + 20, false);
  EXPECT_EQ(content->GetStoredSize(), (TViewPoint{before.h + 30, before.v + 20}));
  EXPECT_EQ(follows->GetStoredSize(), (TViewPoint{130, 40}));
  EXPECT_EQ(fills->GetStoredSize(), (TViewPoint{before.h + 30, before.v + 20}));
  EXPECT_EQ(keeps->GetStoredSize(), (TViewPoint{60, 40}));
  EXPECT_EQ(tall->GetStoredSize(), (TViewPoint{60, 60}));
  // Their windows follow.
  RECT client;
  GetClientRect(follows->GetWindowHandle(), &client);
  EXPECT_EQ(client.right, 130);
  GetClientRect(tall->GetWindowHandle(), &client);
  EXPECT_EQ(client.bottom, 60);
}

TEST_F(WrappedWindowTest, ClicksGoToTheTopmostShownEnabledViewUnderThePoint) {
  TTestView* below = Place(root_, "below", 10, 10, 100, 100);
  TTestView* above = Place(root_, "above", 50, 50, 100, 100);
  TCommandCore* command = nullptr;
  TMouseEvent event;
  ASSERT_TRUE(root_->TWrappedWindow::HandleMouseDown(TViewPoint{60, 60}, &event, 0, &command));
  EXPECT_EQ(Log().back(), "above clicked");
  EXPECT_EQ(above->lastPoint.h, 10);  // in the view's own coordinates
  EXPECT_EQ(above->lastPoint.v, 10);
  ASSERT_NE(command, nullptr);
  delete command;

  above->Show(false, false);
  ASSERT_TRUE(root_->TWrappedWindow::HandleMouseDown(TViewPoint{60, 60}, &event, 0, &command));
  EXPECT_EQ(Log().back(), "below clicked");
  delete command;

  // A disabled view neither takes the click nor sets the cursor: its superview does.
  below->SetEnabled(false, false);
  Log().clear();
  root_->TWrappedWindow::HandleMouseDown(TViewPoint{60, 60}, &event, 0, &command);
  EXPECT_EQ(command, nullptr);
  EXPECT_TRUE(Log().empty());
  RegionRec* region = AllocRegion();
  EXPECT_EQ(root_->FindCursorView(TViewPoint{60, 60}, region), root_);
  EXPECT_TRUE(Log().empty());
  below->SetEnabled(true, false);
  EXPECT_EQ(root_->FindCursorView(TViewPoint{60, 60}, region), below);
  EXPECT_EQ(region->box.right - region->box.left, 100);
  // The view being dragged is passed over.
  PassOverView() = below;
  EXPECT_EQ(root_->FindCursorView(TViewPoint{60, 60}, region), root_);
  PassOverView() = nullptr;
  FreeRegion(region);
}

class TDelegate : public TTargetHandler {
 public:
  TCommandCore* DoMenuCommand(int16_t command) override {
    received.push_back(command);
    return nullptr;
  }
  std::vector<int16_t> received;
};

TEST_F(WrappedWindowTest, OnlyTheDelegatedCommandRangesReachTheCommandDelegate) {
  TTestView* view = Place(root_, "a", 0, 0, 10, 10);
  auto* delegate = new TDelegate;
  view->SetCommandDelegate(delegate);
  for (int16_t command : {175, 176, 195, 196, 200, 201, 250, 251})
    view->DoMenuCommand(command);
  EXPECT_EQ(delegate->received, (std::vector<int16_t>{176, 195, 201, 250}));
}

TEST_F(WrappedWindowTest, FindSubviewSearchesDepthFirstInListOrder) {
  TTestView* first = Place(root_, "first", 0, 0, 50, 50);
  TTestView* inner = Place(first, "inner", 0, 0, 10, 10);
  TTestView* second = Place(root_, "second", 60, 0, 50, 50);
  root_->SetIdentifier(0x726F6F74);
  first->SetIdentifier(0x66697273);
  inner->SetIdentifier(0x696E6E72);
  EXPECT_EQ(root_->FindSubview(TWrappedWindow::kBlankIdentifier), second);
  EXPECT_EQ(root_->FindSubview(0x696E6E72), inner);
  EXPECT_EQ(root_->FindSubview(0x12345678), nullptr);
  EXPECT_EQ(root_->FindSubview(0x726F6F74), root_);
}

TEST_F(WrappedWindowTest, ViewAndWindowGoTogetherExactlyOnce) {
  TTestView* first = Place(root_, "first", 0, 0, 50, 50);
  TTestView* inner = Place(first, "inner", 0, 0, 10, 10);
  const HWND firstWindow = first->GetWindowHandle();
  const HWND innerWindow = inner->GetWindowHandle();
  delete first;
  EXPECT_FALSE(IsWindow(firstWindow));
  EXPECT_FALSE(IsWindow(innerWindow));
  EXPECT_EQ(std::count(Log().begin(), Log().end(), "first view deleted"), 1);
  EXPECT_EQ(std::count(Log().begin(), Log().end(), "inner view deleted"), 1);
  EXPECT_EQ(root_->CountSubviews(), 0);

  TTestView* second = Place(root_, "second", 0, 0, 50, 50);
  DestroyWindow(second->GetWindowHandle());
  EXPECT_EQ(std::count(Log().begin(), Log().end(), "second view deleted"), 1);
  EXPECT_EQ(root_->CountSubviews(), 0);
}

TEST_F(WrappedWindowTest, ViewsPaintTheirWindowsAndHidingInvalidatesFirst) {
  Place(root_, "red", 20, 30, 100, 50, 5, 5, RGB(255, 0, 0));
  TTestView* blue = Place(root_, "blue", 150, 30, 40, 40, 5, 5, RGB(0, 0, 255));
  Pump();
  const RECT rootRect = [this] {
    RECT rect;
    GetWindowRect(root_->GetWindowHandle(), &rect);
    return rect;
  }();
  const int32_t dx = rootRect.left - 50;
  const int32_t dy = rootRect.top - 40;
  EXPECT_EQ(Pixel(dx + 25, dy + 35), 0xFF0000u);
  EXPECT_EQ(Pixel(dx + 160, dy + 40), 0x0000FFu);

  ValidateRect(blue->GetWindowHandle(), nullptr);
  blue->Show(false, true);
  EXPECT_FALSE(blue->IsShown());
  EXPECT_EQ(UpdateBox(blue->GetWindowHandle()).right, 40);
  // Showing again with the state it has changes nothing.
  ValidateRect(blue->GetWindowHandle(), nullptr);
  blue->Show(false, true);
  EXPECT_EQ(UpdateBox(blue->GetWindowHandle()).right, 0);
}

TEST_F(WrappedWindowTest, MovingAViewMovesItsWindowAndItsPlaceInThePort) {
  TTestView* view = Place(root_, "a", 20, 30, 100, 50);
  view->MoveTo(70, 80, true);
  RECT rect;
  GetWindowRect(view->GetWindowHandle(), &rect);
  POINT corner{rect.left, rect.top};
  ScreenToClient(root_->GetWindowHandle(), &corner);
  EXPECT_EQ(corner.x, 70);
  EXPECT_EQ(corner.y, 80);
  TViewPoint point{5, 6};
  view->LocalToRoot(point);
  EXPECT_EQ(point, (TViewPoint{75, 86}));
  view->RootToLocal(point);
  EXPECT_EQ(point, (TViewPoint{5, 6}));
}

TEST_F(WrappedWindowTest, AnOutlineIsFramedDashedOnlyWhenAsked) {
  TTestView* view = Place(root_, "canvas", 10, 10, 200, 100, 5, 5, RGB(255, 255, 255));
  Pump();
  RECT rect;
  GetWindowRect(view->GetWindowHandle(), &rect);
  RECT hostRect;
  GetWindowRect(host_->m_hWnd, &hostRect);
  const int32_t dx = rect.left - hostRect.left;
  const int32_t dy = rect.top - hostRect.top;
  const auto blackOnTopEdge = [&] {
    int32_t black = 0;
    for (int32_t x = 20; x < 120; ++x)
      if (Pixel(dx + x, dy + 20) == 0) ++black;
    return black;
  };
  view->FrameOutline(TViewPoint{20, 20}, TViewPoint{120, 60}, TViewRect{20, 20, 60, 120}, false);
  EXPECT_EQ(blackOnTopEdge(), 0);
  view->FrameOutline(TViewPoint{20, 20}, TViewPoint{120, 60}, TViewRect{20, 20, 60, 120}, true);
  const int32_t black = blackOnTopEdge();
  EXPECT_GT(black, 20);   // drawn
  EXPECT_LT(black, 95);   // with gaps: dashed
  EXPECT_EQ(Pixel(dx + 70, dy + 40), 0xFFFFFFu);  // not filled
}

}  // namespace
}  // namespace view_test
