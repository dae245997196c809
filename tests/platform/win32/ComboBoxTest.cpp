// Owner-drawn drop-down lists: the field and the dropped list are drawn by the parent, a click
// drops the list, a click on an item takes it.

#include "platform/win32/ComboBox.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/OwnerDraw.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class ComboBoxTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Log().handlers[WM_MEASUREITEM] = [](HWND, WPARAM, LPARAM lParam) -> LRESULT {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      measure->itemHeight = measure->itemID == static_cast<UINT>(-1) ? 24 : 18;
      return TRUE;
    };
    Log().handlers[WM_DRAWITEM] = [this](HWND, WPARAM, LPARAM lParam) -> LRESULT {
      drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    };
    combo = CreateWindowEx(0, kComboBoxClass, "",
                           WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 10, 10,
                           150, 120, parent, reinterpret_cast<HMENU>(6), nullptr);
    for (uintptr_t colour : {0x0000FFu, 0x00FF00u, 0xFF0000u, 0x000000u})
      SendMessage(combo, CB_ADDSTRING, 0, static_cast<LPARAM>(colour));
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    Pump();
  }
  std::vector<WORD> Notices() {
    std::vector<WORD> codes;
    for (const LoggedMessage& entry : Log().All(WM_COMMAND))
      codes.push_back(HIWORD(entry.wParam));
    return codes;
  }
  HWND parent = nullptr;
  HWND combo = nullptr;
  std::vector<DRAWITEMSTRUCT> drawn;
};

TEST_F(ComboBoxTest, TheFieldIsMeasuredApartAndShowsTheSelectedItem) {
  RECT window;
  GetWindowRect(combo, &window);
  EXPECT_EQ(window.bottom - window.top, 28);  // the field's height, not the list's
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 24);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0), 18);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back().itemID, 1u);
  EXPECT_EQ(drawn.back().itemData, 0x00FF00u);
  EXPECT_TRUE(drawn.back().itemState & ODS_COMBOBOXEDIT);
  EXPECT_EQ(drawn.back().CtlType, ODT_COMBOBOX);
}

TEST_F(ComboBoxTest, AScrollBarAskedForTheListLeavesTheFieldWhole) {
  const HWND scrolled = CreateWindowEx(0, kComboBoxClass, "",
                                       WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 10,
                                       60, 150, 120, parent, reinterpret_cast<HMENU>(7), nullptr);
  RECT window{}, client{};
  GetWindowRect(scrolled, &window);
  GetClientRect(scrolled, &client);
  EXPECT_EQ(client.right, window.right - window.left);
  EXPECT_EQ(GetWindowLongPtr(scrolled, GWL_STYLE) & WS_VSCROLL, 0);
}

TEST_F(ComboBoxTest, AClickDropsTheListAndAClickOnAnItemTakesIt) {
  InjectClick(combo, POINT{20, 10});
  Pump();
  const HWND list = GetComboDroppedList(combo);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_NE(GetActiveWindow(), list);  // the dialog stays active
  EXPECT_TRUE(SendMessage(combo, WM_GETDLGCODE, VK_RETURN, 0) & DLGC_WANTALLKEYS);
  // Every item is drawn in the dropped list, the selected one highlighted.
  std::vector<UINT> items;
  for (const DRAWITEMSTRUCT& draw : drawn)
    if (!(draw.itemState & ODS_COMBOBOXEDIT)) items.push_back(draw.itemID);
  EXPECT_EQ(items, (std::vector<UINT>{0, 1, 2, 3}));
  // A click on the third item (18 pixels each, below the field).
  RECT listRect;
  GetWindowRect(list, &listRect);
  const POINT third{listRect.left + 20, listRect.top + 1 + 2 * 18 + 9};
  InjectMouseMove(third);
  InjectMouseButton(MouseButton::kLeft, true, third);
  InjectMouseButton(MouseButton::kLeft, false, third);
  Pump();
  EXPECT_EQ(GetComboDroppedList(combo), nullptr);
  EXPECT_FALSE(IsWindow(list));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Notices(), (std::vector<WORD>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELCHANGE}));
}

// Ten items where five fit: the wheel shows three more, the scroll bar's lower arrow a line,
// and the last item, clicked, is taken.
TEST_F(ComboBoxTest, ALongListScrollsByWheelAndBarToItsLastItem) {
  for (uintptr_t colour = 1; colour <= 6; ++colour)
    SendMessage(combo, CB_ADDSTRING, 0, static_cast<LPARAM>(colour));
  InjectClick(combo, POINT{20, 10});
  Pump();
  const HWND list = GetComboDroppedList(combo);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(GetWindowLongPtr(list, GWL_STYLE) & WS_VSCROLL, 0);
  RECT listRect;
  GetWindowRect(list, &listRect);
  InjectMouseWheel(POINT{listRect.left + 20, listRect.top + 20}, -WHEEL_DELTA);
  const POINT arrow{listRect.right - 3, listRect.bottom - 3};
  for (int press = 0; press < 2; ++press) {
    InjectMouseButton(MouseButton::kLeft, true, arrow);
    InjectMouseButton(MouseButton::kLeft, false, arrow);
  }
  Pump();
  ASSERT_EQ(GetComboDroppedList(combo), list);
  const POINT last{listRect.left + 20, listRect.top + 1 + 4 * 18 + 9};
  InjectMouseMove(last);
  InjectMouseButton(MouseButton::kLeft, true, last);
  InjectMouseButton(MouseButton::kLeft, false, last);
  Pump();
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 9);
}

TEST_F(ComboBoxTest, KeysChangeTheSelectionAndEscapeLeavesTheListUnchosen) {
  SetFocus(combo);
  InjectKeyStroke(VK_DOWN);
  Pump();
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  InjectKeyStroke(VK_F4);
  InjectKeyStroke(VK_DOWN);
  InjectKeyStroke(VK_ESCAPE);
  Pump();
  EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  InjectKeyStroke(VK_F4);
  InjectKeyStroke(VK_DOWN);
  InjectKeyStroke(VK_RETURN);
  Pump();
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 3);
  // Alt+Down drops the list too; the arrows move through it and Return takes the item.
  InjectKey(VK_MENU, true);
  InjectKeyStroke(VK_DOWN);
  InjectKey(VK_MENU, false);
  Pump();
  ASSERT_NE(GetComboDroppedList(combo), nullptr);
  EXPECT_EQ(GetActiveWindow(), parent);
  InjectKeyStroke(VK_UP);
  InjectKeyStroke(VK_UP);
  InjectKeyStroke(VK_RETURN);
  Pump();
  EXPECT_EQ(GetComboDroppedList(combo), nullptr);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
  // A press outside closes the list and keeps the choice.
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  InjectClick(parent, POINT{250, 250});
  Pump();
  EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
}

}  // namespace
