// Owner-drawn list boxes: measured and drawn by their parent, scrolled, and scrolled by the drag
// timer while the button is held below them.

#include "platform/win32/ListBox.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/WindowPaint.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

constexpr UINT kRowHeight = 20;

class ListBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 300);
    Log().handlers[WM_MEASUREITEM] = [](HWND, WPARAM, LPARAM lParam) -> LRESULT {
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kRowHeight;
      return TRUE;
    };
    Log().handlers[WM_DRAWITEM] = [this](HWND, WPARAM, LPARAM lParam) -> LRESULT {
      drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    };
    // Five rows show; twenty items.
    list = CreateWindowEx(0, kListBoxClass, "",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 10,
                          10, 150, 5 * kRowHeight, parent, reinterpret_cast<HMENU>(5), nullptr);
    for (uintptr_t i = 0; i < 20; ++i)
      SendMessage(list, LB_ADDSTRING, 0, static_cast<LPARAM>(1000 + i));
    Pump();
  }
  int32_t SelectionChanges() {
    int32_t count = 0;
    for (const LoggedMessage& entry : Log().All(WM_COMMAND))
      if (entry.wParam == static_cast<WPARAM>(MAKELONG(5, LBN_SELCHANGE))) ++count;
    return count;
  }
  HWND parent = nullptr;
  HWND list = nullptr;
  std::vector<DRAWITEMSTRUCT> drawn;
};

TEST_F(ListBoxTest, TheParentMeasuresOnceAndDrawsTheVisibleRows) {
  EXPECT_EQ(Log().All(WM_MEASUREITEM).size(), 1u);
  EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 0, 0), static_cast<LRESULT>(kRowHeight));
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_EQ(drawn[2].itemID, 2u);
  EXPECT_EQ(drawn[2].itemData, 1002u);
  EXPECT_EQ(drawn[2].CtlType, ODT_LISTBOX);
  EXPECT_EQ(drawn[2].rcItem.top, static_cast<int32_t>(2 * kRowHeight));
  EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 19, 0), 1019);
  SendMessage(list, LB_SETCURSEL, 3, 0);
  drawn.clear();
  UpdateWindow(list);
  EXPECT_EQ(drawn[3].itemState & ODS_SELECTED, ODS_SELECTED);
  EXPECT_EQ(drawn[2].itemState & ODS_SELECTED, 0u);
  EXPECT_EQ(SelectionChanges(), 0);  // set by the program, not the user
}

TEST_F(ListBoxTest, ScrollingMovesTheTopRowWithinTheList) {
  SendMessage(list, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 5);
  SendMessage(list, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 15);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(list, SB_VERT, &info);
  EXPECT_EQ(info.nPos, 15);
  EXPECT_EQ(info.nPage, 5u);
  EXPECT_EQ(info.nMax, 19);
  RECT row;
  SendMessage(list, LB_GETITEMRECT, 16, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(row.top, static_cast<int32_t>(kRowHeight));
  SetFocus(list);
  InjectKeyStroke(VK_HOME);
  Pump();
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_EQ(SelectionChanges(), 1);
}

TEST_F(ListBoxTest, HoldingTheButtonBelowTheListScrollsOneRowPerTick) {
  InjectClick(list, POINT{10, 10});  // a first click, to take the focus
  AdvanceVirtualClock(1000);
  POINT row1{10, static_cast<int32_t>(kRowHeight) + 5};
  ClientToScreen(list, &row1);
  InjectMouseMove(row1);
  InjectMouseButton(MouseButton::kLeft, true, row1);
  Pump();
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
  POINT below{row1.x, row1.y + 200};
  InjectMouseMove(below);
  Pump();
  // Three ticks of the drag timer, each seen through the message queue.
  for (int tick = 0; tick < 3; ++tick) {
    AdvanceVirtualClock(60);
    Pump();
  }
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 3);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 7);
  InjectMouseButton(MouseButton::kLeft, false, below);
  Pump();
  AdvanceVirtualClock(500);
  Pump();
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 3);  // the timer stopped with the button
}

}  // namespace
