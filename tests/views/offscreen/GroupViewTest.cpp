// The root view of document windows: it remembers only its off-screen manager, lets the
// manager renew its buffers only when there is something to draw, keeps the chain of command
// whole when its target changes, and keeps its frame's placement.

#include "platform/mfc/CFrameWnd.h"
#include "tests/ui/views/ViewTestSupport.h"
#include "views/offscreen/GroupView.h"

namespace view_test {
namespace {

class TManager : public TTestView, public TBufferedView {
  DECLARE_CLASS_ID(531, TTestView)

 public:
  using TTestView::TTestView;
  void ReallocateBuffers(bool force) override {
    Log().push_back(force ? "forced reallocation" : "reallocation");
  }
};

class GroupViewTest : public ViewTest {
 protected:
  TGroupView* OpenGroup(CWnd* parent) {
    auto* window = new TOwlWindow(parent, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{200, 150});
    if (!window->CreateView(nullptr, parent)) return nullptr;
    window->ShowWindow(SW_SHOW);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    auto* group = new TGroupView;
    group->IOwlView(nullptr, std::move(port), true, true, true);
    return group;
  }
};

TEST_F(GroupViewTest, OnlyAnOffScreenManagerIsRemembered) {
  TGroupView* group = OpenGroup(host_);
  EXPECT_TRUE(group->IsMemberClass(449));
  EXPECT_TRUE(group->IsMemberClass(448));
  EXPECT_TRUE(group->IsMemberClass(395));
  EXPECT_TRUE(group->IsMemberClass(393));
  EXPECT_TRUE(group->IsMemberClass(336));
  EXPECT_EQ(group->GetClassIDAt(3), 393);

  TTestView* plain = Place(group, "plain", 0, 0, 10, 10);
  EXPECT_EQ(group->GetOffScreenManager(), nullptr);
  TManager* manager = Place<TManager>(group, "manager", 0, 0, 200, 150);
  EXPECT_EQ(group->GetOffScreenManager(), manager);
  delete plain;  // another sub-view going keeps it
  EXPECT_EQ(group->GetOffScreenManager(), manager);
  delete manager;
  EXPECT_EQ(group->GetOffScreenManager(), nullptr);
}

TEST_F(GroupViewTest, BuffersAreRenewedOnlyWhenThereIsSomethingToDraw) {
  TGroupView* group = OpenGroup(host_);
  Place<TManager>(group, "manager", 0, 0, 200, 150);
  Pump();
  Log().clear();
  group->UpdateWithBuffers();
  EXPECT_TRUE(Log().empty());

  InvalidateRect(group->GetWindowHandle(), nullptr, TRUE);
  group->UpdateWithBuffers();
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().front(), "reallocation");
  EXPECT_FALSE(group->NeedsUpdate());
}

TEST_F(GroupViewTest, ChangingTheTargetRelinksTheChainOnce) {
  TGroupView* group = OpenGroup(host_);
  TTestView* first = Place(group, "first", 0, 0, 10, 10);
  TTestView* second = Place(group, "second", 20, 0, 10, 10);
  // A chain from a handler in front of the window's target.
  TTargetHandler front;
  front.InitTargetHandler(group);
  SetCurrentTarget(&front);
  group->SetTargetView(first);
  EXPECT_EQ(front.GetNextHandler(), first);
  EXPECT_EQ(group->GetTargetView(), first);

  // The same target again changes nothing.
  front.SetNextHandler(second);
  group->SetTargetView(first);
  EXPECT_EQ(front.GetNextHandler(), second);
  SetCurrentTarget(nullptr);
}

TEST_F(GroupViewTest, FramePlacementIsSavedAndRestored) {
  auto* main = new CMDIFrameWnd;
  const RECT rect{0, 0, 640, 480};
  ASSERT_TRUE(main->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect, nullptr,
                           nullptr, 0, nullptr));
  SetMainFrame(main);
  auto* frame = new CMDIChildWnd;
  ASSERT_TRUE(frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, main, nullptr));
  frame->ShowWindow(SW_SHOW);
  TGroupView* group = OpenGroup(frame);
  ASSERT_NE(group, nullptr);
  frame->MoveWindow(10, 20, 300, 200);

  WINDOWPLACEMENT saved;
  group->SaveFramePlacement(&saved);
  EXPECT_EQ(saved.rcNormalPosition.left, 10);
  EXPECT_EQ(saved.rcNormalPosition.bottom, 220);
  frame->MoveWindow(50, 60, 100, 100);
  group->RestoreFramePlacement(&saved);
  RECT now;
  frame->GetWindowRect(&now);
  EXPECT_EQ(now.right - now.left, 300);
  group->SaveFramePlacement(nullptr);  // nothing to fill
  SetMainFrame(nullptr);
}

}  // namespace
}  // namespace view_test
