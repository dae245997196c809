#pragma once
// The program's menu bar, handled in the toolbox manner: every item stands for a command number;
// before a menu opens every item is disabled and the handlers enable what applies to them; the
// bar and its accelerator keys follow the program's mode. The bar is the menu of the menu frame
// (SetMenuFrame, core/MenuCommands.h).

#include <cstdint>
#include <functional>

#include "core/PString.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Menu.h"

// Modes of SetMenuBarForMode.
inline constexpr int16_t kPlayerModeBar = 1000;
inline constexpr int16_t kNormalModeBar = 17384;
inline constexpr int16_t kDebugShellBar = 17385;
// The normal menu bar.
inline constexpr uint16_t kMainMenuId = 20000;
// The main frame's keys with the normal menu bar.
inline constexpr uint16_t kMainFrameKeysId = 19999;

// A menu or accelerator table of the second resource library, else of the main one; null when
// neither has it or it is malformed.
HMENU LoadMenuResource(LPCSTR name);
HACCEL LoadAcceleratorResource(LPCSTR name);

// The active frame: the active window when there is one, else the menu frame.
HWND GetMainFrameHwnd();
bool HasMainFrameWindow();
// The active frame's menu bar, and the menu at a bar position (shifted by one while a document
// window is maximized).
HMENU GetMainMenuHandle();
HMENU GetMainSubMenu(int32_t position);

// Items that menu set-up leaves as they are: 5000 to 5199, 3841 to 3855 and the system commands
// from 61440 up.
bool IsExemptFromMenuSetup(UINT id);
// Disables every item of every menu of the bar (submenus too) but the exempt ones, runs setUp,
// then greys each item that opens a submenu whose items are all disabled, at every level, and
// enables the others; marks the menus as set up.
void RunMenuSetup(const std::function<void()>& setUp);

// Whether the command's item is enabled: 2000 to 2999 (but 2012) and 8241 to 8339 always; a
// command remembered while not in the bar by its remembered state; else the item of the number,
// or else of the number with 0x4000, exists and is not greyed.
bool IsMenuCommandEnabled(int16_t command);

// Installs the mode's menu bar on the menu frame (loaded once and kept) and makes the mode's
// accelerators (loaded on every call) the active frame's; the bar is redrawn. Nothing happens
// without a menu frame; a menu or table that cannot be loaded leaves what was there.
void SetMenuBarForMode(int16_t mode);
// The kept bars that no window shows are destroyed (at exit).
void FreeMenuBarCache();

// The inverse of the command number of an unmapped item: for a number below 1, menu =
// (-number >> 8) & 255 and item = -number & 255; else menu 0 and item = the number.
void CommandToMenuItem(int16_t command, int16_t* menu, int16_t* item);

// Walks the first count items of the menu, descending into submenus (with their own counts);
// every other item goes to visit with its menu and position. An answer of 1 stops the walk, and
// is answered; otherwise the last answer (0 for none).
int32_t ForEachMenuItem(HMENU menu, int32_t count,
                        const std::function<int32_t(HMENU menu, int32_t position)>& visit);

// Appends an item. Menu 1: to the menu at bar position 3, with "\bCtrl+c" for the character
// (item - 1) without bit 0x2000 when that is at most '9', else with a lone "\b"; menu 94: to its
// submenu inside menu 1; any other: to the menu at that bar position. Marks the menus changed.
void AppendMenuEntry(int16_t menu, const Str255& label, uint16_t item);
// Makes the bar item at position a popup titled title that opens popup (greyed when the popup
// is null or empty). A position past the bar's end destroys the popup instead, as does a
// failure; without a bar nothing happens.
void SetTopMenuPopup(HMENU popup, int32_t position, const Str255& title);
// The same for the item at itemPosition of the menu at bar position menuPosition.
void SetSubMenuPopup(HMENU popup, int32_t menuPosition, int32_t itemPosition, const Str255& title);

// The label of the command's item without its '&' marks and shortcut; empty when no item
// carries the command.
std::string MenuCommandName(int16_t command);
