#include "core/MenuCommands.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/MenuSetup.h"
#include "core/NumberText.h"
#include "core/Resources.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"

namespace {

struct MenuServices {
  HWND frame = nullptr;
  bool shiftFirst = false;
  bool shiftSecond = false;
  std::function<bool()> maximizedChild;
  int16_t menu94Position = 0;
  std::vector<PendingMenuEnable> pending;
  std::array<HBITMAP, 256> marks{};
};

MenuServices& Services() {
  static MenuServices services;
  return services;
}

HMENU FrameMenu() {
  return GetMenu(Services().frame);
}

// Bar positions move one to the right while a child window is maximized (its system menu takes
// position 0), unless the shell's flags say otherwise.
int32_t BarShift() {
  const MenuServices& services = Services();
  const bool maximized = services.maximizedChild && services.maximizedChild();
  if (!maximized) return 0;
  if (services.shiftFirst && !services.shiftSecond) return 0;
  return 1;
}

int32_t FirstRunTimeItem(int16_t menu) {
  switch (menu) {
    case 1:
      return Services().menu94Position + 2;
    case 94:
      return 0;
    case 101:
      return 12;
    default:
      return -1;
  }
}

UINT Identifier(int16_t command) {
  return static_cast<uint16_t>(command);
}

// The identifier the frame menu knows the command by: without bit 0x4000 first, then with it.
bool FindCommand(int16_t command, UINT* found) {
  const HMENU menu = FrameMenu();
  if (!menu) return false;
  const UINT plain = Identifier(command) & ~UINT{kAlternateCommandBit};
  if (GetMenuState(menu, plain, MF_BYCOMMAND) != kMenuNotFound) {
    *found = plain;
    return true;
  }
  const UINT alternate = Identifier(command) | kAlternateCommandBit;
  if (GetMenuState(menu, alternate, MF_BYCOMMAND) != kMenuNotFound) {
    *found = alternate;
    return true;
  }
  return false;
}

void RecordPending(int16_t command, bool enabled) {
  auto& pending = Services().pending;
  const auto key = static_cast<uint16_t>(command);
  for (PendingMenuEnable& entry : pending) {
    if (entry.command == key) {
      entry.enabled = enabled ? 1 : 0;
      return;
    }
  }
  if (static_cast<int32_t>(pending.size()) < kPendingMenuCapacity)
    pending.push_back(PendingMenuEnable{key, static_cast<uint16_t>(enabled ? 1 : 0)});
}

std::string AsText(const Str255& text) {
  return std::string(text.Chars(), text.Length());
}

// The command text of the frame menu, for command names.
std::string MenuTextOf(int32_t command) {
  const HMENU menu = FrameMenu();
  if (!menu) return {};
  return GetMenuItemText(menu, static_cast<uint16_t>(command), MF_BYCOMMAND);
}

HBITMAP MarkImage(uint8_t mark) {
  HBITMAP& slot = Services().marks[mark];
  if (slot) return slot;
  const int32_t width = GetSystemMetrics(SM_CXMENUCHECK);
  const int32_t height = GetSystemMetrics(SM_CYMENUCHECK);
  const HDC dc = CreateCompatibleDC(nullptr);
  slot = CreateCompatibleBitmap(nullptr, width, height);
  const HGDIOBJ oldBitmap = SelectObject(dc, slot);
  const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  const RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetBkMode(dc, TRANSPARENT);
  const char text[1] = {static_cast<char>(mark)};
  TextOut(dc, width / 2, 0, text, 1);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  return slot;
}

}  // namespace

void SetMenuFrame(HWND frame) {
  Services().frame = frame;
  SetCommandMenuTextLookup(frame ? MenuTextOf : CommandMenuTextLookup());
}

HWND GetMenuFrame() {
  return Services().frame;
}

void SetMenuBarShiftFlags(bool first, bool second) {
  Services().shiftFirst = first;
  Services().shiftSecond = second;
}

void SetMaximizedChildQuery(std::function<bool()> query) {
  Services().maximizedChild = std::move(query);
}

int32_t MenuBarShift() {
  return BarShift();
}

void SetMenu94Position(int16_t position) {
  Services().menu94Position = position;
}

UINT EnableMenuCommand(int16_t command, bool enabled) {
  UINT id = 0;
  if (!FindCommand(command, &id)) {
    RecordPending(command, enabled);
    return kMenuNotFound;
  }
  return EnableMenuItem(FrameMenu(), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

UINT EnableCheckMenuCommand(int16_t command, bool enabled, bool checked) {
  UINT id = 0;
  if (FindCommand(command, &id))
    CheckMenuItem(FrameMenu(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  return EnableMenuCommand(command, enabled);
}

const std::vector<PendingMenuEnable>& PendingMenuEnables() {
  return Services().pending;
}

void ApplyPendingMenuEnables(HMENU menu) {
  auto& pending = Services().pending;
  for (auto it = pending.begin(); it != pending.end();) {
    const UINT flags = MF_BYCOMMAND | (it->enabled ? MF_ENABLED : MF_GRAYED);
    if (EnableMenuItem(menu, it->command, flags) != kMenuNotFound)
      it = pending.erase(it);
    else
      ++it;
  }
}

void ClearPendingMenuEnables() {
  Services().pending.clear();
}

void SetMenuCommandText(int16_t command, const Str255& text) {
  const HMENU menu = FrameMenu();
  if (!menu) return;
  const std::string label = AsText(text);
  for (const UINT id : {Identifier(command) & ~UINT{kAlternateCommandBit},
                        Identifier(command) | kAlternateCommandBit}) {
    const UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    if (state == kMenuNotFound || (state & MF_POPUP)) continue;
    ModifyMenu(menu, id,
               MF_BYCOMMAND | MF_STRING | (state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)), id,
               label.c_str());
  }
}

void SetMenuCommandTextFromStrings(int16_t command, int16_t base, int16_t index) {
  constexpr int kMenuTextCapacity = 64;
  char buffer[kMenuTextCapacity + 1] = {};
  const auto id = static_cast<uint16_t>(base + index);
  if (LoadStringA(GetResourceModule1(), id, buffer, sizeof buffer) <= 0) return;
  SetMenuCommandText(command, Str255(buffer));
}

void SetMenuCommandTextFromStringsByFlag(int16_t command, int16_t base, bool flag,
                                         int16_t indexWhenSet, int16_t indexWhenClear) {
  SetMenuCommandTextFromStrings(command, base, flag ? indexWhenSet : indexWhenClear);
}

int16_t CommandFromMenuItem(int16_t menu, int16_t item) {
  static constexpr int16_t kMenu5[] = {1401, 1402, 1404, 1408, 1416, 1400};
  static constexpr int16_t kMenu6[] = {1599, 1501, 1502, 1504, 1508, 1516, 1532, 1500};
  static constexpr int16_t kMenu55[] = {1801, 1802, 1803};
  const auto pick = [item](const auto& table) -> int16_t {
    const int32_t count = static_cast<int32_t>(std::size(table));
    return item >= 1 && item <= count ? table[item - 1] : 0;
  };
  const auto plain = static_cast<int16_t>(item & ~kAlternateCommandBit);
  switch (menu) {
    case 5:
      return pick(kMenu5);
    case 6:
      return pick(kMenu6);
    case 55:
      return pick(kMenu55);
    case 7:
    case 8:
    case 64:
    case 65:
      return plain;
    default:
      break;
  }
  if (menu < 1) return plain;
  const int32_t first = FirstRunTimeItem(menu);
  if (first >= 0 && item > first)
    return static_cast<int16_t>(-((item & 255) | ((menu & 127) << 8)));
  return plain;
}

HMENU GetSubMenuOf(int16_t menu) {
  const HMENU bar = FrameMenu();
  if (!bar) return nullptr;
  const int32_t shift = BarShift();
  switch (menu) {
    case 1:
      return GetSubMenu(bar, 3 + shift);
    case 101:
      return GetSubMenu(bar, 0 + shift);
    case 94:
      return GetSubMenu(GetSubMenu(bar, 3 + shift), Services().menu94Position);
    default:
      return nullptr;
  }
}

void AppendMenuItem(int16_t menu, const Str255& text) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (!submenu) return;
  const auto command =
      CommandFromMenuItem(menu, static_cast<int16_t>(GetMenuItemCount(submenu) + 1));
  AppendMenu(submenu, MF_STRING, Identifier(command), AsText(text).c_str());
}

void AppendMenuSeparator(int16_t menu) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (submenu) AppendMenu(submenu, MF_SEPARATOR, 0, nullptr);
}

void InsertMenuItem(int16_t menu, const Str255& text, int16_t item, int16_t command) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (!submenu) return;
  InsertMenu(submenu, static_cast<UINT>(std::max(0, item - 1)), MF_BYPOSITION | MF_STRING,
             Identifier(command), AsText(text).c_str());
}

void InsertMenuSeparator(int16_t menu, int16_t item) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (!submenu) return;
  InsertMenu(submenu, static_cast<UINT>(std::max(0, item - 1)), MF_BYPOSITION | MF_SEPARATOR, 0,
             nullptr);
}

void DeleteMenuItem(int16_t menu, int16_t item) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (submenu && item >= 1) DeleteMenu(submenu, static_cast<UINT>(item - 1), MF_BYPOSITION);
}

void CheckMenuItemByPosition(int16_t menu, int16_t item, bool checked) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (submenu && item >= 1)
    CheckMenuItem(submenu, static_cast<UINT>(item - 1),
                  MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void EnableMenuItemByPosition(int16_t menu, int16_t item) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (submenu && item >= 1)
    EnableMenuItem(submenu, static_cast<UINT>(item - 1), MF_BYPOSITION | MF_ENABLED);
}

void DisableMenuItemByPosition(int16_t menu, int16_t item) {
  const HMENU submenu = GetSubMenuOf(menu);
  if (submenu && item >= 1)
    EnableMenuItem(submenu, static_cast<UINT>(item - 1), MF_BYPOSITION | MF_GRAYED);
}

int16_t CountMenuItems(int16_t menu) {
  const HMENU submenu = GetSubMenuOf(menu);
  return submenu ? static_cast<int16_t>(GetMenuItemCount(submenu)) : 0;
}

void DeleteDynamicItems(int16_t menu) {
  const HMENU submenu = GetSubMenuOf(menu);
  const int32_t first = FirstRunTimeItem(menu);
  if (!submenu || first < 0) return;
  while (GetMenuItemCount(submenu) > first)
    DeleteMenu(submenu, static_cast<UINT>(GetMenuItemCount(submenu) - 1), MF_BYPOSITION);
  MarkMenusChanged();
}

void SetMenuItemMark(int16_t command, uint8_t mark) {
  UINT id = 0;
  if (!FindCommand(command, &id)) return;
  if (mark == kCheckMark || mark == kNoMark) {
    SetMenuItemBitmaps(FrameMenu(), id, MF_BYCOMMAND, nullptr, nullptr);
    return;
  }
  const HBITMAP image = MarkImage(mark);
  SetMenuItemBitmaps(FrameMenu(), id, MF_BYCOMMAND, image, image);
}

uint8_t GetMenuItemMark(int16_t command) {
  UINT id = 0;
  if (!FindCommand(command, &id)) return kNoMark;
  return (GetMenuState(FrameMenu(), id, MF_BYCOMMAND) & MF_CHECKED) ? kCheckMark : kNoMark;
}

void FreeMenuItemMarks() {
  for (HBITMAP& image : Services().marks) {
    if (image) DeleteObject(image);
    image = nullptr;
  }
}

void RedrawMenuBar() {
  if (Services().frame) DrawMenuBar(Services().frame);
  ClearMenuBarRedraw();
}
