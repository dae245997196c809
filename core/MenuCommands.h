#pragma once
// Menu items by command number and by (menu, item) in the toolbox manner, without knowing where
// an item sits in the frame's menu bar. A menu item's identifier is its command number, possibly
// with bit 0x4000 set: every lookup by command tries the number without that bit first, then
// with it. Commands that are not in the bar when they are enabled or disabled are remembered in
// a pending table that the menu layer applies when it builds the menu.

#include <cstdint>
#include <functional>
#include <vector>

#include "core/PString.h"
#include "platform/win32/WindowTypes.h"

inline constexpr uint16_t kAlternateCommandBit = 0x4000;
inline constexpr int32_t kPendingMenuCapacity = 99;
// Marks: the standard check mark, and no mark.
inline constexpr uint8_t kCheckMark = 102;
inline constexpr uint8_t kNoMark = 32;

// The frame window whose menu bar the commands live in (set by the application shell).
void SetMenuFrame(HWND frame);
HWND GetMenuFrame();
// The shell's two flags about the bar shift of a maximized child window (when the first is set,
// the shift applies only while the second is set), whether a child window is maximized now, and
// the position of menu 94 inside menu 1.
void SetMenuBarShiftFlags(bool first, bool second);
void SetMaximizedChildQuery(std::function<bool()> query);
void SetMenu94Position(int16_t position);
// How far bar positions move right now: 1 while a maximized child window's system menu takes
// position 0 (unless the flags say otherwise), else 0.
int32_t MenuBarShift();

// Enables or grays the item of the command; answers the item's previous state (MF_GRAYED or
// MF_ENABLED), or kMenuNotFound when the command is not in the bar and went to the pending table.
UINT EnableMenuCommand(int16_t command, bool enabled);
// The same, checking or unchecking the item first.
UINT EnableCheckMenuCommand(int16_t command, bool enabled, bool checked);

struct PendingMenuEnable {
  uint16_t command = 0;
  uint16_t enabled = 0;
};
const std::vector<PendingMenuEnable>& PendingMenuEnables();
// Applies the pending states to a menu that now holds their commands, and forgets those.
void ApplyPendingMenuEnables(HMENU menu);
void ClearPendingMenuEnables();

// Replaces the text of both variants of the command, keeping their state.
void SetMenuCommandText(int16_t command, const Str255& text);
// The text is string-table entry base + index of the main resource library (at most 64
// characters); the second form chooses the index by a flag.
void SetMenuCommandTextFromStrings(int16_t command, int16_t base, int16_t index);
void SetMenuCommandTextFromStringsByFlag(int16_t command, int16_t base, bool flag,
                                         int16_t indexWhenSet, int16_t indexWhenClear);

// The command of a (menu, item) pair.
int16_t CommandFromMenuItem(int16_t menu, int16_t item);
// The submenu of menus 1, 94 and 101; null for any other.
HMENU GetSubMenuOf(int16_t menu);

// By 1-based position in the submenu; every one does nothing for a menu without a submenu.
void AppendMenuItem(int16_t menu, const Str255& text);
void AppendMenuSeparator(int16_t menu);
void InsertMenuItem(int16_t menu, const Str255& text, int16_t item, int16_t command);
void InsertMenuSeparator(int16_t menu, int16_t item);
void DeleteMenuItem(int16_t menu, int16_t item);
void CheckMenuItemByPosition(int16_t menu, int16_t item, bool checked);
void EnableMenuItemByPosition(int16_t menu, int16_t item);
void DisableMenuItemByPosition(int16_t menu, int16_t item);
int16_t CountMenuItems(int16_t menu);
// Deletes the items from the menu's first run-time item to the end and marks menus changed.
void DeleteDynamicItems(int16_t menu);

// Mark 102 or 32: the standard check images; any other character: an image of that character,
// made once per character, for both states.
void SetMenuItemMark(int16_t command, uint8_t mark);
// 102 when the item is checked, else 32.
uint8_t GetMenuItemMark(int16_t command);
// Frees the cached mark images (at exit).
void FreeMenuItemMarks();

// Draws the frame's menu bar again and clears the redraw flag.
void RedrawMenuBar();
