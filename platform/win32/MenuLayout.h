#pragma once
// What the menu code shares about a menu: its items, and where they sit in a popup menu window
// and in a window's menu bar. Not for code outside the layer.

#include <string>
#include <vector>

#include "platform/win32/WindowTypes.h"

struct MenuItem {
  UINT flags = 0;
  UINT id = 0;
  HMENU submenu = nullptr;
  std::string text;
  void* bitmapUnchecked = nullptr;
  void* bitmapChecked = nullptr;
};

struct MenuRecord {
  bool popup = false;
  std::vector<MenuItem> items;
};

MenuRecord* FindMenuRecord(HMENU menu);

inline constexpr int32_t kMenuItemHeight = 20;
inline constexpr int32_t kMenuSeparatorHeight = 8;
inline constexpr int32_t kMenuCharWidth = 7;
// The column left of a popup item's text, where its check mark or image goes.
inline constexpr int32_t kMenuCheckColumn = 22;

// The size of the popup window of a menu, its border included.
SIZE PopupMenuSize(const MenuRecord& menu);
// The item at a height of the popup's client area, or -1.
int32_t PopupMenuItemAt(const MenuRecord& menu, int32_t y);
int32_t PopupMenuItemTop(const MenuRecord& menu, int32_t index);
int32_t PopupMenuItemHeight(const MenuItem& item);
// The text of an item without its '&' marks, and the text after a tab or a backspace (the
// shortcut, shown at the right).
std::string MenuLabel(const std::string& text);
std::string MenuShortcut(const std::string& text);
// Where a bar item sits, in screen coordinates; empty when there is none.
RECT MenuBarItemRect(HWND window, int32_t position);
// The bar item under a screen point, or -1.
int32_t MenuBarItemAt(HWND window, POINT screen);
// The bar item whose mnemonic is `typed`, or -1.
int32_t MenuBarMnemonic(HWND window, char typed);

// Painting of popup menus and menu bars (MenuPaint.cpp).
void PaintPopupMenu(HWND popup);
