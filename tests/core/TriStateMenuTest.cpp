// A tri-state shown on a menu item of the frame's menu bar.

#include <gtest/gtest.h>

#include "core/MenuCommands.h"
#include "core/TriState.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"
#include "tests/core/WindowTestSupport.h"

namespace {

constexpr int16_t kShowNames = 1210;
constexpr int16_t kShowTracks = 1211;  // in the bar with bit 0x4000 set

class TriStateMenuTest : public MenuFrameTest {
 protected:
  void SetUp() override {
    MenuFrameTest::SetUp();
    const HMENU view = CreatePopupMenu();
    AppendMenu(view, MF_STRING, kShowNames, "Show &Names");
    AppendMenu(view, MF_STRING, 0x4000 | kShowTracks, "Show &Tracks");
    AppendMenu(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
    OpenFrame();
    ClearPendingMenuEnables();
  }

  // "checked", "unchecked" or "grayed ..." with "mark" when the item has an image of its own.
  std::string Shown(UINT id) const {
    const UINT state = GetMenuState(bar_, id, MF_BYCOMMAND);
    void* checkedImage = nullptr;
    GetMenuItemBitmaps(bar_, id, MF_BYCOMMAND, nullptr, &checkedImage);
    std::string text = (state & MF_GRAYED) ? "grayed " : "";
    text += (state & MF_CHECKED) ? "checked" : "unchecked";
    if (checkedImage != nullptr) text += " mark";
    return text;
  }
};

TriState Over(std::initializer_list<bool> flags) {
  TriState state;
  for (const bool flag : flags)
    state.AccumulateFlag(flag);
  return state;
}

TEST_F(TriStateMenuTest, EachStateShowsItsMarkAndEnabling) {
  Over({true, true}).ShowInMenu(kShowNames, true);
  EXPECT_EQ(Shown(kShowNames), "checked");
  EXPECT_EQ(GetMenuItemMark(kShowNames), kCheckMark);

  Over({true, false}).ShowInMenu(kShowNames, true);
  EXPECT_EQ(Shown(kShowNames), "checked mark");

  // Back from mixed: the "-" image goes, the standard mark returns.
  Over({false}).ShowInMenu(kShowNames, false);
  EXPECT_EQ(Shown(kShowNames), "grayed unchecked");
  EXPECT_EQ(GetMenuItemMark(kShowNames), kNoMark);

  // Nothing accumulated: neither on nor mixed.
  TriState().ShowInMenu(kShowNames, true);
  EXPECT_EQ(Shown(kShowNames), "unchecked");
}

TEST_F(TriStateMenuTest, CommandsWithTheAlternateBitAndMissingCommands) {
  TriState(TriState::kMixed).ShowInMenu(kShowTracks, false);
  EXPECT_EQ(Shown(0x4000 | kShowTracks), "grayed checked mark");
  EXPECT_EQ(Shown(kShowNames), "unchecked") << "no other item changes";

  // A command outside the bar only records its enabling.
  TriState(TriState::kOn).ShowInMenu(3000, false);
  ASSERT_EQ(PendingMenuEnables().size(), 1u);
  EXPECT_EQ(PendingMenuEnables()[0].command, 3000);
  EXPECT_EQ(PendingMenuEnables()[0].enabled, 0);
}

}  // namespace
