// A document window maximised fills its owner: the size it asks for is the owner's, wherever the
// owner stands on the screen.

#include "tests/ui/views/ViewTestSupport.h"

namespace view_test {
namespace {

using DocumentWindowSizeTest = ViewTest;

TEST_F(DocumentWindowSizeTest, TheMaximisedSizeIsTheOwnersSizeForAnOwnerAwayFromTheLeftEdge) {
  RECT owner{0, 0, 0, 0};
  GetWindowRect(host_->m_hWnd, &owner);
  ASSERT_NE(owner.left, 0) << "the owner must stand away from x = 0";
  auto* window = new TOwlWindow(host_, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{100, 100});
  ASSERT_TRUE(window->CreateView(nullptr, host_));
  auto port = std::make_unique<TWindowPort>();
  InitWindowPort(port.get(), window->m_hWnd);
  auto* object = new TOwlSubview;
  object->IOwlView(nullptr, std::move(port), true, true, true);

  MINMAXINFO info{};
  info.ptMaxTrackSize = POINT{100000, 100000};
  SendMessage(window->m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxSize.x, owner.right - owner.left);
  EXPECT_EQ(info.ptMaxSize.y, owner.bottom - owner.top);
}

}  // namespace
}  // namespace view_test
