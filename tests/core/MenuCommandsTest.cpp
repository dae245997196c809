#include "core/MenuCommands.h"

#include <gtest/gtest.h>

#include "core/MenuSetup.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"
#include "tests/core/WindowTestSupport.h"

namespace {

// A frame whose bar holds menu 101 at position 0 (12 fixed items) and menu 1 at position 3.
class MenuCommandsTest : public MenuFrameTest {
 protected:
  void SetUp() override {
    MenuFrameTest::SetUp();
    const HMENU file = CreatePopupMenu();
    for (int i = 0; i < 12; ++i)
      AppendMenu(file, MF_STRING, 200 + i, "Fixed");
    AppendMenu(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenu(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Edit");
    AppendMenu(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&View");
    const HMENU world = CreatePopupMenu();
    AppendMenu(world, MF_STRING, 1100, "&Run");
    AppendMenu(world, MF_STRING, 0x4000 | 1101, "&Stop");
    AppendMenu(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(world), "&World");
    OpenFrame();
    SetMenu94Position(0);
    SetMaximizedChildQuery(nullptr);
    SetMenuBarShiftFlags(false, false);
    ClearPendingMenuEnables();
  }
};

TEST_F(MenuCommandsTest, CommandNumbersOfMenuItemsFollowTheFixedTablesAndTheRunTimeRule) {
  EXPECT_EQ(CommandFromMenuItem(5, 3), 1404);
  EXPECT_EQ(CommandFromMenuItem(5, 9), 0);
  EXPECT_EQ(CommandFromMenuItem(6, 1), 1599);
  EXPECT_EQ(CommandFromMenuItem(55, 3), 1803);
  EXPECT_EQ(CommandFromMenuItem(64, 0x4123), 0x123);
  EXPECT_EQ(CommandFromMenuItem(0, 0x4005), 5);
  // Menu 101 has twelve fixed items; the thirteenth is made at run time.
  EXPECT_EQ(CommandFromMenuItem(101, 12), 12);
  EXPECT_EQ(CommandFromMenuItem(101, 13), -((13 & 255) | (101 << 8)));
  EXPECT_EQ(CommandFromMenuItem(2, 40), 40);
}

TEST_F(MenuCommandsTest, EnablingTriesThePlainNumberThenTheAlternateOne) {
  EXPECT_EQ(EnableMenuCommand(1100, false), MF_ENABLED);
  EXPECT_EQ(GetMenuState(bar_, 1100, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  // 1101 exists only with bit 0x4000 set.
  EXPECT_EQ(EnableMenuCommand(1101, false), MF_ENABLED);
  EXPECT_EQ(GetMenuState(bar_, 0x4000 | 1101, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EnableCheckMenuCommand(1101, true, true);
  EXPECT_EQ(GetMenuItemMark(1101), kCheckMark);
  EXPECT_EQ(GetMenuItemMark(1100), kNoMark);
}

TEST_F(MenuCommandsTest, CommandsOutsideTheBarWaitInAPendingTableOfNinetyNine) {
  EXPECT_EQ(EnableMenuCommand(3000, false), kMenuNotFound);
  EXPECT_EQ(EnableMenuCommand(3000, true), kMenuNotFound);
  ASSERT_EQ(PendingMenuEnables().size(), 1u);
  EXPECT_EQ(PendingMenuEnables()[0].enabled, 1);
  for (int16_t command = 3001; command < 3200; ++command)
    EnableMenuCommand(command, false);
  EXPECT_EQ(static_cast<int32_t>(PendingMenuEnables().size()), kPendingMenuCapacity);
  // A menu built later with the command takes the pending state.
  const HMENU later = CreatePopupMenu();
  AppendMenu(later, MF_STRING, 3001, "Later");
  ApplyPendingMenuEnables(later);
  EXPECT_EQ(GetMenuState(later, 3001, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(static_cast<int32_t>(PendingMenuEnables().size()), kPendingMenuCapacity - 1);
  DestroyMenu(later);
}

TEST_F(MenuCommandsTest, PositionsAreOneBasedInTheSubmenuAndShiftWithAMaximizedChild) {
  AppendMenuItem(1, Str255("Gravity"));
  EXPECT_EQ(CountMenuItems(1), 3);
  // Menu 1's run-time items start after position value + 2 = 2.
  EXPECT_EQ(GetMenuItemID(GetSubMenuOf(1), 2),
            static_cast<UINT>(static_cast<uint16_t>(-((3 & 255) | (1 << 8)))));
  CheckMenuItemByPosition(1, 1, true);
  EXPECT_EQ(GetMenuState(bar_, 1100, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  DeleteDynamicItems(1);
  EXPECT_EQ(CountMenuItems(1), 2);
  EXPECT_TRUE(MenusChanged());
  EXPECT_EQ(GetSubMenuOf(2), nullptr);
  EXPECT_EQ(CountMenuItems(2), 0);
  DeleteMenuItem(2, 1);  // does nothing

  bool maximized = true;
  SetMaximizedChildQuery([&] { return maximized; });
  InsertMenu(bar_, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()),
             "-");  // the child's system menu
  EXPECT_EQ(CountMenuItems(101), 12);
  EXPECT_EQ(CountMenuItems(1), 2);
  SetMenuBarShiftFlags(true, false);  // the shell says: no shift
  EXPECT_EQ(CountMenuItems(101), 0);  // position 0 is now the system menu, which is empty
}

TEST_F(MenuCommandsTest, TextChangesKeepTheItemState) {
  EnableMenuCommand(1100, false);
  SetMenuCommandText(1100, Str255("&Run Again"));
  EXPECT_EQ(GetMenuItemText(bar_, 1100, MF_BYCOMMAND), "&Run Again");
  EXPECT_EQ(GetMenuState(bar_, 1100, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
}

TEST_F(MenuCommandsTest, OtherMarksGetAnImageMadeOncePerCharacter) {
  SetMenuItemMark(1100, '-');
  void* checked = nullptr;
  void* unchecked = nullptr;
  ASSERT_TRUE(GetMenuItemBitmaps(bar_, 1100, MF_BYCOMMAND, &unchecked, &checked));
  EXPECT_NE(checked, nullptr);
  EXPECT_EQ(checked, unchecked);
  SetMenuItemMark(0x4000 | 1101, '-');
  void* second = nullptr;
  GetMenuItemBitmaps(bar_, 0x4000 | 1101, MF_BYCOMMAND, nullptr, &second);
  EXPECT_EQ(second, checked);
  SetMenuItemMark(1100, kCheckMark);
  GetMenuItemBitmaps(bar_, 1100, MF_BYCOMMAND, nullptr, &checked);
  EXPECT_EQ(checked, nullptr);
}

TEST_F(MenuCommandsTest, RedrawingTheBarClearsItsFlag) {
  InvalidateMenuBar();
  EXPECT_TRUE(MenuBarNeedsRedraw());
  const int32_t before = MenuBarDrawCount(frame_);
  RedrawMenuBar();
  EXPECT_FALSE(MenuBarNeedsRedraw());
  EXPECT_EQ(MenuBarDrawCount(frame_), before + 1);
}

}  // namespace
