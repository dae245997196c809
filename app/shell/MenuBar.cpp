#include "app/shell/MenuBar.h"

#include <array>
#include <cstdio>
#include <string>

#include "app/shell/ToolMenuImages.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Window.h"

namespace {

constexpr char kBackspace = '\b';

// The bars of the three modes, each loaded on first use and kept.
struct MenuBarCache {
  HMENU player = nullptr;
  HMENU normal = nullptr;
  HMENU debugShell = nullptr;
};

MenuBarCache& BarCache() {
  static MenuBarCache cache;
  return cache;
}

HMENU CachedBar(HMENU& slot, LPCSTR name) {
  if (slot != nullptr && IsMenu(slot)) return slot;
  slot = LoadMenuResource(name);
  AttachToolMenuImages(slot);
  return slot;
}

bool IsGreyed(UINT state) {
  return state == kMenuNotFound || (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

void DisableAllItems(HMENU menu) {
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    if (HMENU submenu = GetSubMenu(menu, i)) {
      DisableAllItems(submenu);
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    if (id == kMenuNotFound || IsExemptFromMenuSetup(id)) continue;
    if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) continue;
    EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_GRAYED);
  }
}

// Greys the items that open submenus with nothing enabled, deepest first; answers whether the
// menu has an enabled item.
bool PropagateToPopups(HMENU menu) {
  bool anyEnabled = false;
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    const auto position = static_cast<UINT>(i);
    // A popup's state carries its item count in the high byte, which may look like the
    // separator flag: popups are told apart first.
    if (HMENU submenu = GetSubMenu(menu, i)) {
      const bool open = PropagateToPopups(submenu);
      EnableMenuItem(menu, position, MF_BYPOSITION | (open ? MF_ENABLED : MF_GRAYED));
      anyEnabled = anyEnabled || open;
      continue;
    }
    const UINT state = GetMenuState(menu, position, MF_BYPOSITION);
    if (state & MF_SEPARATOR) continue;
    anyEnabled = anyEnabled || !IsGreyed(state);
  }
  return anyEnabled;
}

bool ItemEnabled(HMENU bar, UINT id) {
  const UINT state = GetMenuState(bar, id, MF_BYCOMMAND);
  return state != kMenuNotFound && (state & MF_POPUP) == 0 && !IsGreyed(state);
}

// Makes the item at position of menu a popup opening popup; false when that fails.
bool PlacePopup(HMENU menu, int32_t position, HMENU popup, const Str255& title) {
  const std::string text = title.AsCString();
  const auto where = static_cast<UINT>(position);
  if (!ModifyMenu(menu, where, MF_BYPOSITION | MF_POPUP | MF_STRING,
                  reinterpret_cast<UINT_PTR>(popup), text.c_str())) {
    return false;
  }
  if (popup == nullptr || GetMenuItemCount(popup) == 0)
    EnableMenuItem(menu, where, MF_BYPOSITION | MF_GRAYED);
  MarkMenusChanged();
  return true;
}

}  // namespace

HMENU LoadMenuResource(LPCSTR name) {
  if (HMENU menu = LoadMenu(GetResourceModule2(), name)) return menu;
  return LoadMenu(GetResourceModule1(), name);
}

HACCEL LoadAcceleratorResource(LPCSTR name) {
  if (HACCEL table = LoadAccelerators(GetResourceModule2(), name)) return table;
  return LoadAccelerators(GetResourceModule1(), name);
}

HWND GetMainFrameHwnd() {
  const HWND active = GetActiveWindow();
  if (active != nullptr && GetMenu(active) != nullptr) return active;
  return GetMenuFrame();
}

bool HasMainFrameWindow() {
  return GetMainFrameHwnd() != nullptr;
}

HMENU GetMainMenuHandle() {
  const HWND frame = GetMainFrameHwnd();
  return frame != nullptr ? GetMenu(frame) : nullptr;
}

HMENU GetMainSubMenu(int32_t position) {
  const HMENU bar = GetMainMenuHandle();
  return bar != nullptr ? GetSubMenu(bar, position + MenuBarShift()) : nullptr;
}

bool IsExemptFromMenuSetup(UINT id) {
  return (id >= 5000 && id <= 5199) || (id >= 3841 && id <= 3855) || id >= 61440;
}

void RunMenuSetup(const std::function<void()>& setUp) {
  const HMENU bar = GetMainMenuHandle();
  if (bar != nullptr) DisableAllItems(bar);
  if (setUp) setUp();
  if (bar != nullptr) PropagateToPopups(bar);
  MarkMenusSetUp();
}

bool IsMenuCommandEnabled(int16_t command) {
  if (command >= 2000 && command <= 2999 && command != 2012) return true;
  if (command >= 8241 && command <= 8339) return true;
  for (const PendingMenuEnable& pending : PendingMenuEnables()) {
    if (pending.command == static_cast<uint16_t>(command)) return pending.enabled != 0;
  }
  const HMENU bar = GetMainMenuHandle();
  if (bar == nullptr) return false;
  const auto id = static_cast<UINT>(static_cast<uint16_t>(command));
  return ItemEnabled(bar, id) || ItemEnabled(bar, id | kAlternateCommandBit);
}

void SetMenuBarForMode(int16_t mode) {
  const HWND frame = GetMenuFrame();
  if (frame == nullptr) return;
  MenuBarCache& cache = BarCache();
  HMENU bar = nullptr;
  LPCSTR keys = MAKEINTRESOURCEA(kMainFrameKeysId);
  switch (mode) {
    case kPlayerModeBar:
      bar = CachedBar(cache.player, "PLAYERMODE");
      keys = "PLAYER";
      break;
    case kDebugShellBar:
      bar = CachedBar(cache.debugShell, "DEBUGSHELL");
      break;
    default:
      bar = CachedBar(cache.normal, MAKEINTRESOURCEA(kMainMenuId));
      break;
  }
  if (bar != nullptr && GetMenu(frame) != bar) {
    SetMenu(frame, bar);
    ApplyPendingMenuEnables(bar);
    InvalidateMenuSetup();
    InvalidateMenuBar();
  }
  if (HACCEL table = LoadAcceleratorResource(keys)) {
    auto* active = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(GetMainFrameHwnd()));
    if (active == nullptr) active = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(frame));
    if (active != nullptr) {
      active->SetAccelerators(table);
    } else {
      DestroyAcceleratorTable(table);
    }
  }
  RedrawMenuBar();
}

void FreeMenuBarCache() {
  const HMENU shown = GetMenuFrame() != nullptr ? GetMenu(GetMenuFrame()) : nullptr;
  MenuBarCache& cache = BarCache();
  for (HMENU* slot : {&cache.player, &cache.normal, &cache.debugShell}) {
    if (*slot != nullptr && *slot != shown && IsMenu(*slot)) DestroyMenu(*slot);
    *slot = nullptr;
  }
  FreeToolMenuImages(shown);
}

void CommandToMenuItem(int16_t command, int16_t* menu, int16_t* item) {
  if (command < 1) {
    const int32_t number = -int32_t{command};
    *menu = static_cast<int16_t>((number >> 8) & 255);
    *item = static_cast<int16_t>(number & 255);
    return;
  }
  *menu = 0;
  *item = command;
}

int32_t ForEachMenuItem(HMENU menu, int32_t count,
                        const std::function<int32_t(HMENU menu, int32_t position)>& visit) {
  int32_t answer = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (HMENU submenu = GetSubMenu(menu, i)) {
      answer = ForEachMenuItem(submenu, GetMenuItemCount(submenu), visit);
    } else {
      answer = visit(menu, i);
    }
    if (answer == 1) return answer;
  }
  return answer;
}

void AppendMenuEntry(int16_t menu, const Str255& label, uint16_t item) {
  std::string text = label.AsCString();
  HMENU target = nullptr;
  if (menu == 1) {
    target = GetMainSubMenu(3);
    const auto key = static_cast<int8_t>(static_cast<uint8_t>((item - 1) & ~0x2000));
    text += kBackspace;
    if (key <= '9') {
      char shortcut[16];
      std::snprintf(shortcut, sizeof shortcut, "Ctrl+%c", static_cast<char>(key));
      text += shortcut;
    }
  } else if (menu == 94) {
    target = GetSubMenuOf(94);
  } else {
    target = GetMainSubMenu(menu);
  }
  if (target == nullptr) return;
  AppendMenu(target, MF_STRING, item, text.c_str());
  MarkMenusChanged();
}

void SetTopMenuPopup(HMENU popup, int32_t position, const Str255& title) {
  const HMENU bar = GetMainMenuHandle();
  if (bar == nullptr) return;
  const int32_t shifted = position + MenuBarShift();
  if (position < 0 || shifted >= GetMenuItemCount(bar) || !PlacePopup(bar, shifted, popup, title)) {
    if (popup != nullptr) DestroyMenu(popup);
  }
}

void SetSubMenuPopup(HMENU popup, int32_t menuPosition, int32_t itemPosition,
                     const Str255& title) {
  const HMENU menu = GetMainSubMenu(menuPosition);
  if (menu == nullptr) {
    if (popup != nullptr) DestroyMenu(popup);
    return;
  }
  if (itemPosition < 0 || itemPosition >= GetMenuItemCount(menu) ||
      !PlacePopup(menu, itemPosition, popup, title)) {
    if (popup != nullptr) DestroyMenu(popup);
  }
}

std::string MenuCommandName(int16_t command) {
  const HMENU bar = GetMainMenuHandle();
  if (bar == nullptr || command <= 0) return {};
  const auto id = static_cast<UINT>(static_cast<uint16_t>(command));
  for (const UINT candidate : {id, id | kAlternateCommandBit}) {
    const UINT state = GetMenuState(bar, candidate, MF_BYCOMMAND);
    if (state == kMenuNotFound || (state & MF_POPUP)) continue;
    return MenuLabel(GetMenuItemText(bar, candidate, MF_BYCOMMAND));
  }
  return {};
}
