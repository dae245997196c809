#include "platform/win32/Menu.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/Input.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/ResourceText.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPaint.h"

namespace {

struct MenuTable {
  std::map<uintptr_t, std::unique_ptr<MenuRecord>> menus;
  uintptr_t nextHandle = 0x30000;
  std::map<HWND, int32_t> barDraws;
  HWND activePopup = nullptr;
};

MenuTable& Table() {
  static MenuTable table;
  return table;
}

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT;

HMENU NewMenu(bool popup) {
  MenuTable& table = Table();
  auto record = std::make_unique<MenuRecord>();
  record->popup = popup;
  const HMENU handle = reinterpret_cast<HMENU>(table.nextHandle++);
  table.menus.emplace(reinterpret_cast<uintptr_t>(handle), std::move(record));
  return handle;
}

// Finds an item by position or (searching submenus too) by command.
bool Locate(HMENU menu, UINT item, UINT flags, HMENU* owner, size_t* index) {
  MenuRecord* record = FindMenuRecord(menu);
  if (!record) return false;
  if (flags & MF_BYPOSITION) {
    if (item >= record->items.size()) return false;
    *owner = menu;
    *index = item;
    return true;
  }
  for (size_t i = 0; i < record->items.size(); ++i) {
    const MenuItem& entry = record->items[i];
    if (entry.submenu) {
      if (Locate(entry.submenu, item, flags, owner, index)) return true;
    } else if (!(entry.flags & MF_SEPARATOR) && entry.id == item) {
      *owner = menu;
      *index = i;
      return true;
    }
  }
  return false;
}

MenuItem MakeItem(UINT flags, UINT_PTR item, const char* text) {
  MenuItem entry;
  entry.flags = flags & ~MF_BYPOSITION;
  if (flags & MF_POPUP) {
    entry.submenu = reinterpret_cast<HMENU>(item);
  } else {
    entry.id = static_cast<UINT>(item);
  }
  if (!(flags & MF_SEPARATOR) && text) entry.text = text;
  return entry;
}

bool ValidSubmenu(const MenuItem& entry) {
  return !entry.submenu || IsMenu(entry.submenu);
}

}  // namespace

MenuRecord* FindMenuRecord(HMENU menu) {
  auto& menus = Table().menus;
  auto found = menus.find(reinterpret_cast<uintptr_t>(menu));
  return found == menus.end() ? nullptr : found->second.get();
}

HMENU CreateMenu() {
  return NewMenu(false);
}
HMENU CreatePopupMenu() {
  return NewMenu(true);
}

BOOL DestroyMenu(HMENU menu) {
  MenuRecord* record = FindMenuRecord(menu);
  if (!record) return FALSE;
  std::vector<HMENU> submenus;
  for (const MenuItem& entry : record->items)
    if (entry.submenu) submenus.push_back(entry.submenu);
  Table().menus.erase(reinterpret_cast<uintptr_t>(menu));
  for (HMENU submenu : submenus)
    DestroyMenu(submenu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  return FindMenuRecord(menu) ? TRUE : FALSE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR item, const char* text) {
  MenuRecord* record = FindMenuRecord(menu);
  if (!record) return FALSE;
  MenuItem entry = MakeItem(flags, item, text);
  if (!ValidSubmenu(entry)) return FALSE;
  record->items.push_back(std::move(entry));
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text) {
  MenuRecord* record = FindMenuRecord(menu);
  if (!record) return FALSE;
  MenuItem entry = MakeItem(flags, item, text);
  if (!ValidSubmenu(entry)) return FALSE;
  HMENU owner = menu;
  size_t index = record->items.size();
  if (!Locate(menu, position, flags & MF_BYPOSITION, &owner, &index)) {
    owner = menu;
    index = record->items.size();
  }
  auto& items = FindMenuRecord(owner)->items;
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
  return TRUE;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  MenuItem entry = MakeItem(flags, item, text);
  if (!ValidSubmenu(entry)) return FALSE;
  MenuItem& slot = FindMenuRecord(owner)->items[index];
  const HMENU oldSubmenu = slot.submenu;
  entry.bitmapChecked = slot.bitmapChecked;
  entry.bitmapUnchecked = slot.bitmapUnchecked;
  slot = std::move(entry);
  if (oldSubmenu && oldSubmenu != slot.submenu) DestroyMenu(oldSubmenu);
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  auto& items = FindMenuRecord(owner)->items;
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  auto& items = FindMenuRecord(owner)->items;
  const HMENU submenu = items[index].submenu;
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
  if (submenu) DestroyMenu(submenu);
  return TRUE;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return kMenuNotFound;
  MenuItem& entry = FindMenuRecord(owner)->items[index];
  const UINT previous = entry.flags & (MF_GRAYED | MF_DISABLED);
  entry.flags = (entry.flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

UINT CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return kMenuNotFound;
  MenuItem& entry = FindMenuRecord(owner)->items[index];
  const UINT previous = entry.flags & MF_CHECKED;
  entry.flags = (entry.flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return kMenuNotFound;
  const MenuItem& entry = FindMenuRecord(owner)->items[index];
  if (entry.submenu) {
    const UINT count = static_cast<UINT>(GetMenuItemCount(entry.submenu));
    return ((count & 0xFF) << 8) | (entry.flags & 0xFF) | MF_POPUP;
  }
  return entry.flags &
         (kStateBits | MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW | MF_MENUBREAK | MF_MENUBARBREAK);
}

int32_t GetMenuItemCount(HMENU menu) {
  const MenuRecord* record = FindMenuRecord(menu);
  return record ? static_cast<int32_t>(record->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int32_t position) {
  const MenuRecord* record = FindMenuRecord(menu);
  if (!record || position < 0 || static_cast<size_t>(position) >= record->items.size())
    return kMenuNotFound;
  const MenuItem& entry = record->items[static_cast<size_t>(position)];
  return entry.submenu ? kMenuNotFound : entry.id;
}

HMENU GetSubMenu(HMENU menu, int32_t position) {
  const MenuRecord* record = FindMenuRecord(menu);
  if (!record || position < 0 || static_cast<size_t>(position) >= record->items.size())
    return nullptr;
  return record->items[static_cast<size_t>(position)].submenu;
}

int32_t GetMenuString(HMENU menu, UINT item, char* buffer, int32_t capacity, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) {
    if (buffer && capacity > 0) buffer[0] = '\0';
    return 0;
  }
  const std::string& text = FindMenuRecord(owner)->items[index].text;
  if (!buffer) return static_cast<int32_t>(text.size());
  if (capacity <= 0) return 0;
  const size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int32_t>(length);
}

std::string GetMenuItemText(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return {};
  return FindMenuRecord(owner)->items[index].text;
}

BOOL SetMenuItemBitmaps(HMENU menu, UINT item, UINT flags, void* unchecked, void* checked) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  MenuItem& entry = FindMenuRecord(owner)->items[index];
  entry.bitmapUnchecked = unchecked;
  entry.bitmapChecked = checked;
  return TRUE;
}

bool GetMenuItemBitmaps(HMENU menu, UINT item, UINT flags, void** unchecked, void** checked) {
  HMENU owner = nullptr;
  size_t index = 0;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return false;
  const MenuItem& entry = FindMenuRecord(owner)->items[index];
  if (unchecked) *unchecked = entry.bitmapUnchecked;
  if (checked) *checked = entry.bitmapChecked;
  return true;
}

BOOL SetMenu(HWND window, HMENU menu) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || (record->style & WS_CHILD) || (menu && !IsMenu(menu))) return FALSE;
  NoteWindowLayoutChanged();
  record->menu = menu;
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

HMENU GetMenu(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && !(record->style & WS_CHILD) ? record->menu : nullptr;
}

BOOL DrawMenuBar(HWND window) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return FALSE;
  ++Table().barDraws[window];
  record->frameNeedsPaint = true;
  return TRUE;
}

int32_t MenuBarDrawCount(HWND window) {
  auto found = Table().barDraws.find(window);
  return found == Table().barDraws.end() ? 0 : found->second;
}

// ---------------------------------------------------------------------------------------------
// Resource templates.

namespace {

class TemplateReader {
 public:
  explicit TemplateReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Word(uint16_t* out) {
    if (bytes_.size() - position_ < 2) return false;
    *out = static_cast<uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return true;
  }
  // A NUL-terminated UTF-16 text in the program's single-byte set; a character the set lacks
  // becomes '?'.
  bool Text(std::string* out) {
    out->clear();
    for (;;) {
      uint16_t unit = 0;
      if (!Word(&unit)) return false;
      if (unit == 0) return true;
      uint8_t byte = '?';
      if (!ResourceCharFromUnicode(unit, byte)) byte = '?';
      out->push_back(static_cast<char>(byte));
    }
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

constexpr int32_t kDeepestTemplate = 16;

bool ReadLevel(TemplateReader& reader, HMENU menu, int32_t depth) {
  if (depth > kDeepestTemplate) return false;
  for (;;) {
    uint16_t flags = 0;
    if (!reader.Word(&flags)) return false;
    std::string text;
    if (flags & MF_POPUP) {
      if (!reader.Text(&text)) return false;
      const HMENU submenu = CreatePopupMenu();
      if (!ReadLevel(reader, submenu, depth + 1)) {
        DestroyMenu(submenu);
        return false;
      }
      AppendMenu(menu, (flags & ~MF_END) | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                 text.c_str());
    } else {
      uint16_t id = 0;
      if (!reader.Word(&id) || !reader.Text(&text)) return false;
      UINT itemFlags = flags & ~MF_END;
      if (id == 0 && text.empty()) itemFlags |= MF_SEPARATOR;
      AppendMenu(menu, itemFlags, id, text.c_str());
    }
    if (flags & MF_END) return true;
  }
}

}  // namespace

HMENU LoadMenuIndirect(std::span<const uint8_t> menuTemplate) {
  TemplateReader reader(menuTemplate);
  uint16_t version = 0;
  uint16_t headerSize = 0;
  if (!reader.Word(&version) || !reader.Word(&headerSize) || version != 0 || headerSize != 0)
    return nullptr;
  const HMENU menu = CreateMenu();
  if (!ReadLevel(reader, menu, 0)) {
    DestroyMenu(menu);
    return nullptr;
  }
  return menu;
}

HMENU LoadMenu(HMODULE module, LPCSTR name) {
  const HRSRC resource = FindResource(module, name, RT_MENU);
  if (!resource) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, resource)));
  if (!bytes) return nullptr;
  return LoadMenuIndirect(std::span(bytes, SizeofResource(module, resource)));
}

// ---------------------------------------------------------------------------------------------
// The popup menu loop.

namespace {

constexpr char kPopupClass[] = "#32768";

struct PopupState {
  HMENU menu = nullptr;
  HWND owner = nullptr;
  int32_t selected = -1;
};

LRESULT CALLBACK_Popup(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintPopupMenu(window);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProc(window, message, wParam, lParam);
}

void EnsurePopupClass() {
  if (GetClassInfo(kPopupClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = CALLBACK_Popup;
  windowClass.lpszClassName = kPopupClass;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.background = 0x00F0F0F0;
  RegisterClass(&windowClass);
}

bool Selectable(const MenuItem& entry) {
  return !(entry.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

void Select(PopupState& state, HWND popup, int32_t index, UINT trackFlags) {
  if (index == state.selected) return;
  state.selected = index;
  SetWindowLongPtr(popup, GWLP_USERDATA, index);
  RECT client;
  GetClientRect(popup, &client);
  InvalidateRect(popup, &client, TRUE);
  if (trackFlags & TPM_NONOTIFY || index < 0) return;
  const MenuItem& entry = FindMenuRecord(state.menu)->items[static_cast<size_t>(index)];
  const UINT itemFlags = (entry.flags & 0xFFFF) | MF_HILITE | (entry.submenu ? MF_POPUP : 0);
  const int32_t itemKey = entry.submenu ? index : static_cast<int32_t>(entry.id);
  SendMessage(state.owner, WM_MENUSELECT, static_cast<WPARAM>(MAKELONG(itemKey, itemFlags)),
              reinterpret_cast<LPARAM>(state.menu));
}

int32_t Step(const MenuRecord& record, int32_t from, int32_t direction) {
  const int32_t count = static_cast<int32_t>(record.items.size());
  if (count == 0) return -1;
  int32_t index = from;
  for (int32_t tries = 0; tries < count; ++tries) {
    index = (index + direction + count) % count;
    if (index < 0) index = count - 1;
    if (!(record.items[static_cast<size_t>(index)].flags & MF_SEPARATOR)) return index;
  }
  return -1;
}

int32_t MnemonicIndex(const MenuRecord& record, char typed) {
  const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(typed)));
  for (size_t i = 0; i < record.items.size(); ++i) {
    const std::string& text = record.items[i].text;
    const size_t amp = text.find('&');
    if (amp != std::string::npos && amp + 1 < text.size() &&
        std::tolower(static_cast<unsigned char>(text[amp + 1])) == wanted)
      return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace

HWND GetActivePopupMenuWindow() {
  return Table().activePopup;
}

namespace {
// The bar position that WM_INITMENUPOPUP names for the menu being opened (0 for a popup menu).
int32_t gOpeningBarPosition = 0;

// The menu bar whose menu is open. A press on another of its titles closes the open menu and
// opens that title's menu, so that one click opens a menu whether or not another is open.
struct BarTracking {
  HWND window = nullptr;
  int32_t position = -1;
  int32_t pressed = -1;  // the other title pressed while the menu was open
};
BarTracking* gBarTracking = nullptr;

// Notes a press outside the open menu that falls on another title of the bar it came from.
void NotePressOutside(HWND owner, POINT screen) {
  BarTracking* const tracking = gBarTracking;
  if (!tracking || tracking->window != owner) return;
  const int32_t title = MenuBarItemAt(owner, screen);
  if (title >= 0 && title != tracking->position) tracking->pressed = title;
}
}  // namespace

BOOL TrackPopupMenu(HMENU menu, UINT flags, int32_t x, int32_t y, int32_t, HWND owner,
                    const RECT*) {
  const int32_t position = std::exchange(gOpeningBarPosition, 0);
  MenuRecord* record = FindMenuRecord(menu);
  if (!record || !IsWindow(owner)) return FALSE;
  const bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                MAKELPARAM(position, FALSE));
  }
  record = FindMenuRecord(menu);
  if (!record) return FALSE;
  EnsurePopupClass();
  const SIZE size = PopupMenuSize(*record);
  // As on the desktop, a menu that would run off the screen is moved back onto it, so that
  // every item can be reached.
  x = std::max(0, std::min(x, GetSystemMetrics(SM_CXSCREEN) - size.cx));
  y = std::max(0, std::min(y, GetSystemMetrics(SM_CYSCREEN) - size.cy));
  const HWND popup =
      CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kPopupClass, "", WS_POPUP | WS_BORDER, x, y,
                     size.cx, size.cy, owner, nullptr, menu);
  if (!popup) return FALSE;
  SetWindowLongPtr(popup, GWLP_USERDATA, -1);
  SetWindowLongPtr(popup, 0, reinterpret_cast<LONG_PTR>(menu));
  ShowWindow(popup, SW_SHOWNA);
  const HWND outerPopup = Table().activePopup;
  Table().activePopup = popup;
  SetCapture(popup);

  PopupState state;
  state.menu = menu;
  state.owner = owner;
  int32_t chosen = -1;
  bool done = false;
  MSG message;
  while (!done) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    record = FindMenuRecord(menu);
    if (!record || !IsWindow(popup) || !IsWindow(owner)) break;
    const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
    if (mouse) {
      POINT screen = message.pt;
      RECT area;
      GetWindowRect(popup, &area);
      const bool inside = PtInRect(area, screen);
      POINT client = screen;
      ScreenToClient(popup, &client);
      const int32_t index = inside ? PopupMenuItemAt(*record, client.y) : -1;
      if (message.message == WM_MOUSEMOVE) {
        if (inside) Select(state, popup, index, flags);
      } else if (message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN) {
        if (!inside) {
          if (message.message == WM_LBUTTONDOWN) NotePressOutside(owner, screen);
          done = true;
        }
      } else if (message.message == WM_LBUTTONUP ||
                 (message.message == WM_RBUTTONUP && (flags & TPM_RIGHTBUTTON))) {
        if (inside && index >= 0 && Selectable(record->items[static_cast<size_t>(index)])) {
          chosen = index;
          done = true;
        }
      }
      continue;
    }
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
      switch (message.wParam) {
        case VK_DOWN:
          Select(state, popup, Step(*record, state.selected, 1), flags);
          break;
        case VK_UP:
          Select(state, popup, Step(*record, state.selected < 0 ? 0 : state.selected, -1), flags);
          break;
        case VK_RETURN:
          if (state.selected >= 0 && Selectable(record->items[static_cast<size_t>(state.selected)]))
            chosen = state.selected;
          done = chosen >= 0 || state.selected < 0;
          break;
        case VK_ESCAPE:
        case VK_MENU:
          done = true;
          break;
        default: {
          const int32_t character = CharacterOfKey(static_cast<int32_t>(message.wParam));
          if (character > ' ') {
            const int32_t index = MnemonicIndex(*record, static_cast<char>(character));
            if (index >= 0 && Selectable(record->items[static_cast<size_t>(index)])) {
              Select(state, popup, index, flags);
              chosen = index;
              done = true;
            }
          }
          break;
        }
      }
      continue;
    }
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) continue;
    DispatchMessage(&message);
  }

  if (GetCapture() == popup) ReleaseCapture();
  Table().activePopup = outerPopup;
  if (IsWindow(popup)) DestroyWindow(popup);
  record = FindMenuRecord(menu);
  const bool haveChoice = record && chosen >= 0;
  const MenuItem chosenItem = haveChoice ? record->items[static_cast<size_t>(chosen)] : MenuItem{};
  if (notify && IsWindow(owner)) {
    SendMessage(owner, WM_MENUSELECT, static_cast<WPARAM>(MAKELONG(0, 0xFFFF)), 0);
    SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
  }
  if (!haveChoice) return 0;
  if (chosenItem.submenu) {
    RECT area{x, y, x + size.cx, y + size.cy};
    return TrackPopupMenu(chosenItem.submenu, flags, area.right,
                          y + PopupMenuItemTop(*record, chosen), 0, owner, nullptr);
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosenItem.id);
  PostMessage(owner, WM_COMMAND,
              static_cast<WPARAM>(MAKELONG(static_cast<int32_t>(chosenItem.id), 0)), 0);
  return TRUE;
}

namespace {

BOOL OpenBarMenu(HWND window, int32_t position) {
  const HMENU bar = GetMenu(window);
  const HMENU submenu = GetSubMenu(bar, position);
  if (!submenu) return FALSE;
  // The bar's item is selected before its popup opens.
  SendMessage(window, WM_MENUSELECT, static_cast<WPARAM>(MAKELONG(position, MF_POPUP | MF_HILITE)),
              reinterpret_cast<LPARAM>(bar));
  const RECT item = MenuBarItemRect(window, position);
  gOpeningBarPosition = position;
  return TrackPopupMenu(submenu, TPM_LEFTALIGN, item.left, item.bottom, 0, window, nullptr);
}

// Makes a bar tracking the one that presses outside an open menu report to, for its lifetime.
class BarTrackingScope {
 public:
  explicit BarTrackingScope(BarTracking& tracking)
      : outer_(std::exchange(gBarTracking, &tracking)) {}
  ~BarTrackingScope() { gBarTracking = outer_; }
  BarTrackingScope(const BarTrackingScope&) = delete;
  BarTrackingScope& operator=(const BarTrackingScope&) = delete;

 private:
  BarTracking* outer_;
};

}  // namespace

BOOL TrackMenuBarItem(HWND window, int32_t position) {
  const HMENU bar = GetMenu(window);
  if (!GetSubMenu(bar, position)) return FALSE;
  SendMessage(window, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
  BarTracking tracking{window, position};
  const BarTrackingScope scope(tracking);
  for (;;) {
    const BOOL chosen = OpenBarMenu(window, tracking.position);
    if (tracking.pressed < 0 || !IsWindow(window)) return chosen;
    tracking.position = std::exchange(tracking.pressed, -1);
  }
}

void ResetMenus() {
  MenuTable& table = Table();
  table.menus.clear();
  table.barDraws.clear();
  table.activePopup = nullptr;
}
