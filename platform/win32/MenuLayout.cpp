#include "platform/win32/MenuLayout.h"

#include <algorithm>
#include <cctype>

#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"

std::string MenuLabel(const std::string& text) {
  std::string out;
  const std::string visible = text.substr(0, text.find_first_of("\t\b"));
  for (size_t i = 0; i < visible.size(); ++i) {
    if (visible[i] == '&') {
      if (i + 1 < visible.size() && visible[i + 1] == '&') out.push_back('&');
      ++i;
      if (i < visible.size() && visible[i] != '&') out.push_back(visible[i]);
      continue;
    }
    out.push_back(visible[i]);
  }
  return out;
}

std::string MenuShortcut(const std::string& text) {
  const size_t tab = text.find_first_of("\t\b");
  return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

int32_t PopupMenuItemHeight(const MenuItem& item) {
  return (item.flags & MF_SEPARATOR) ? kMenuSeparatorHeight : kMenuItemHeight;
}

SIZE PopupMenuSize(const MenuRecord& menu) {
  int32_t widest = 0;
  int32_t height = 0;
  for (const MenuItem& item : menu.items) {
    const int32_t label = static_cast<int32_t>(MenuLabel(item.text).size());
    const int32_t shortcut = static_cast<int32_t>(MenuShortcut(item.text).size());
    widest = std::max(widest, (label + shortcut) * kMenuCharWidth + (shortcut ? 24 : 0));
    height += PopupMenuItemHeight(item);
  }
  return SIZE{std::max(120, widest + 48), std::max(height, kMenuItemHeight) + 2};
}

int32_t PopupMenuItemTop(const MenuRecord& menu, int32_t index) {
  int32_t top = 0;
  for (int32_t i = 0; i < index && static_cast<size_t>(i) < menu.items.size(); ++i)
    top += PopupMenuItemHeight(menu.items[static_cast<size_t>(i)]);
  return top;
}

int32_t PopupMenuItemAt(const MenuRecord& menu, int32_t y) {
  int32_t top = 0;
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const int32_t bottom = top + PopupMenuItemHeight(menu.items[i]);
    if (y >= top && y < bottom) return static_cast<int32_t>(i);
    top = bottom;
  }
  return -1;
}

RECT MenuBarItemRect(HWND window, int32_t position) {
  const WindowRecord* record = FindWindowRecord(window);
  const MenuRecord* bar = record ? FindMenuRecord(record->menu) : nullptr;
  if (!bar || position < 0 || static_cast<size_t>(position) >= bar->items.size()) return RECT{};
  const RECT client = ClientScreenRect(*record);
  const RECT outer = WindowScreenRect(*record);
  const RECT insets = NonClientInsets(*record);
  // The bar is the strip just above the client area (scroll bars sit below and right).
  const int32_t barBottom = outer.top + insets.top;
  const int32_t barTop = barBottom - GetSystemMetrics(SM_CYMENU);
  int32_t x = client.left;
  for (int32_t i = 0; i < position; ++i)
    x += static_cast<int32_t>(MenuLabel(bar->items[static_cast<size_t>(i)].text).size()) *
             kMenuCharWidth +
         16;
  const int32_t width =
      static_cast<int32_t>(MenuLabel(bar->items[static_cast<size_t>(position)].text).size()) *
          kMenuCharWidth +
      16;
  return RECT{x, barTop, x + width, barBottom};
}

int32_t MenuBarItemAt(HWND window, POINT screen) {
  const WindowRecord* record = FindWindowRecord(window);
  const MenuRecord* bar = record ? FindMenuRecord(record->menu) : nullptr;
  if (!bar) return -1;
  for (size_t i = 0; i < bar->items.size(); ++i)
    if (PtInRect(MenuBarItemRect(window, static_cast<int32_t>(i)), screen))
      return static_cast<int32_t>(i);
  return -1;
}

int32_t MenuBarMnemonic(HWND window, char typed) {
  const WindowRecord* record = FindWindowRecord(window);
  const MenuRecord* bar = record ? FindMenuRecord(record->menu) : nullptr;
  if (!bar) return -1;
  const int wanted = std::tolower(static_cast<unsigned char>(typed));
  for (size_t i = 0; i < bar->items.size(); ++i) {
    const std::string& text = bar->items[i].text;
    const size_t amp = text.find('&');
    if (amp != std::string::npos && amp + 1 < text.size() &&
        std::tolower(static_cast<unsigned char>(text[amp + 1])) == wanted)
      return static_cast<int32_t>(i);
  }
  return -1;
}
