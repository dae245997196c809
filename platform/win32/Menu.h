#pragma once
// Menus: menu bars and popup menus as trees of items, addressed by command or by position, with
// their enabled, checked and text state; menus built from MENU resource templates; the popup
// menu loop (TrackPopupMenu), which sends WM_INITMENUPOPUP, WM_MENUSELECT and WM_COMMAND.

#include <cstdint>
#include <span>
#include <string>

#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_BYPOSITION = 0x0400;
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_ENABLED = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_DISABLED = 0x0002;
inline constexpr UINT MF_BITMAP = 0x0004;
inline constexpr UINT MF_UNCHECKED = 0x0000;
inline constexpr UINT MF_CHECKED = 0x0008;
inline constexpr UINT MF_POPUP = 0x0010;
inline constexpr UINT MF_MENUBARBREAK = 0x0020;
inline constexpr UINT MF_MENUBREAK = 0x0040;
inline constexpr UINT MF_HILITE = 0x0080;
inline constexpr UINT MF_OWNERDRAW = 0x0100;
inline constexpr UINT MF_SEPARATOR = 0x0800;
inline constexpr UINT MF_DEFAULT = 0x1000;
inline constexpr UINT MF_SYSMENU = 0x2000;
inline constexpr UINT MF_HELP = 0x4000;
inline constexpr UINT MF_END = 0x0080;  // in resource templates: last item of a level
inline constexpr UINT kMenuNotFound = 0xFFFFFFFF;

inline constexpr UINT TPM_LEFTALIGN = 0x0000;
inline constexpr UINT TPM_RIGHTBUTTON = 0x0002;
inline constexpr UINT TPM_NONOTIFY = 0x0080;
inline constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// `item` is a command number, or a submenu handle with MF_POPUP.
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR item, const char* text);
// Before the item named by `position` (MF_BYPOSITION, or by command); at the end when there is
// no such item.
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text);
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text);
// Removes an item; DeleteMenu also destroys its submenu.
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);

// Previous state (MF_GRAYED/MF_DISABLED, or MF_CHECKED), kMenuNotFound when there is no item.
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
UINT CheckMenuItem(HMENU menu, UINT item, UINT flags);
// The item's flags (for a submenu: its item count in the high byte), or kMenuNotFound.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int32_t GetMenuItemCount(HMENU menu);
// The command of the item at a position; kMenuNotFound for a submenu or no item.
UINT GetMenuItemID(HMENU menu, int32_t position);
HMENU GetSubMenu(HMENU menu, int32_t position);
// Copies at most capacity - 1 characters; answers the length copied (the full length when
// buffer is null).
int32_t GetMenuString(HMENU menu, UINT item, char* buffer, int32_t capacity, UINT flags);
std::string GetMenuItemText(HMENU menu, UINT item, UINT flags);
// An item's text as the user reads it: without its '&' marks and without the shortcut after a
// tab or backspace.
std::string MenuLabel(const std::string& text);
// Images for the checked and unchecked state of an item (bitmap handles of the graphics layer).
BOOL SetMenuItemBitmaps(HMENU menu, UINT item, UINT flags, void* unchecked, void* checked);
bool GetMenuItemBitmaps(HMENU menu, UINT item, UINT flags, void** unchecked, void** checked);

// The menu bar of a top-level window.
BOOL SetMenu(HWND window, HMENU menu);
HMENU GetMenu(HWND window);
BOOL DrawMenuBar(HWND window);
// How many times the window's menu bar was redrawn, for tests.
int32_t MenuBarDrawCount(HWND window);

// A menu from a MENU resource template (16-bit flags, command and UTF-16 text per item), read
// with every length checked; null when the template is malformed.
HMENU LoadMenuIndirect(std::span<const uint8_t> menuTemplate);
// The MENU resource of that name in a resource module; null when it is missing or malformed.
HMENU LoadMenu(HMODULE module, LPCSTR name);

// Shows a popup menu at a screen point and runs its modal loop. The owner receives
// WM_INITMENUPOPUP first, WM_MENUSELECT as the selection moves and, when an enabled item is
// chosen, WM_COMMAND (posted) — or the command is returned with TPM_RETURNCMD. Answers 0 when
// nothing was chosen.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int32_t x, int32_t y, int32_t reserved, HWND owner,
                    const RECT* exclude);
// Opens the submenu at a position of a window's menu bar and runs it like TrackPopupMenu. A press
// on another title of the bar while the menu is open opens that title's menu in its place; a
// press on its own title closes it.
BOOL TrackMenuBarItem(HWND window, int32_t position);
// The menu window that a popup menu loop shows, while it runs (null otherwise).
HWND GetActivePopupMenuWindow();
