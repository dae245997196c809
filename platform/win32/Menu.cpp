#include "platform/win32/Menu.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/win32/Input.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/ResourceText.h"
#include "platform/win32/Timer.h"
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

constexpr char kPopupClass[] = "#32768";

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

// How long the pointer rests on an item before its submenu opens, or before an open submenu of
// another item closes: a pointer that crosses items on its way into an open submenu leaves it
// open.
constexpr UINT kSubmenuDelay = 300;
constexpr UINT_PTR kSubmenuTimer = 1;

// One menu shown by the loop: the menu first opened, or a submenu beside the item of the level
// below it that opened it.
struct PopupLevel {
  HMENU menu = nullptr;
  HWND window = nullptr;
  int32_t selected = -1;
};

// A menu and the submenus opened from it. The mouse works every level shown; the keys work the
// deepest one.
class PopupCascade {
 public:
  PopupCascade(HWND owner, UINT flags) : owner_(owner), flags_(flags) {}
  ~PopupCascade() {
    if (!levels_.empty()) {
      KillTimer(levels_.front().window, kSubmenuTimer);
      if (GetCapture() == levels_.front().window) ReleaseCapture();
    }
    CloseAbove(-1);
  }
  PopupCascade(const PopupCascade&) = delete;
  PopupCascade& operator=(const PopupCascade&) = delete;

  // Shows the first menu at a screen point, moved onto the screen when it would run off it.
  bool Open(HMENU menu, int32_t x, int32_t y) {
    if (!Show(menu, x, y)) return false;
    SetCapture(levels_.front().window);
    return true;
  }
  // Runs until an item is chosen or the menu is closed; the chosen item's command, if any.
  std::optional<UINT> Run();

 private:
  const MenuRecord* Record(size_t level) const { return FindMenuRecord(levels_[level].menu); }
  bool Valid() const;
  bool Show(HMENU menu, int32_t x, int32_t y);
  bool Select(size_t level, int32_t index);
  void SelectFirst(size_t level);
  bool OpenSubmenu(size_t level);
  bool RestWouldChange(size_t level) const;
  void CloseAbove(int32_t level);
  void Activate(size_t level, int32_t index, bool byKey);
  void OnMouse(const MSG& message);
  void OnRest();
  void OnKey(WPARAM key);

  HWND owner_;
  UINT flags_;
  std::vector<PopupLevel> levels_;
  size_t restingLevel_ = 0;  // the level the pointer last moved on
  std::optional<UINT> chosen_;
  bool done_ = false;
};

bool PopupCascade::Valid() const {
  if (!IsWindow(owner_)) return false;
  return std::all_of(levels_.begin(), levels_.end(), [](const PopupLevel& level) {
    return FindMenuRecord(level.menu) && IsWindow(level.window);
  });
}

bool PopupCascade::Show(HMENU menu, int32_t x, int32_t y) {
  const MenuRecord* record = FindMenuRecord(menu);
  if (!record) return false;
  EnsurePopupClass();
  const SIZE size = PopupMenuSize(*record);
  // As on the desktop, a menu that would run off the screen is moved back onto it, so that
  // every item can be reached.
  x = std::max(0, std::min(x, GetSystemMetrics(SM_CXSCREEN) - size.cx));
  y = std::max(0, std::min(y, GetSystemMetrics(SM_CYSCREEN) - size.cy));
  const HWND popup =
      CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kPopupClass, "", WS_POPUP | WS_BORDER, x, y,
                     size.cx, size.cy, owner_, nullptr, menu);
  if (!popup) return false;
  SetWindowLongPtr(popup, GWLP_USERDATA, -1);
  SetWindowLongPtr(popup, 0, reinterpret_cast<LONG_PTR>(menu));
  ShowWindow(popup, SW_SHOWNA);
  levels_.push_back({menu, popup, -1});
  Table().activePopup = popup;
  return true;
}

// Answers whether the selection changed.
bool PopupCascade::Select(size_t level, int32_t index) {
  PopupLevel& shown = levels_[level];
  if (index == shown.selected) return false;
  shown.selected = index;
  SetWindowLongPtr(shown.window, GWLP_USERDATA, index);
  RECT client;
  GetClientRect(shown.window, &client);
  InvalidateRect(shown.window, &client, TRUE);
  if (flags_ & TPM_NONOTIFY || index < 0) return true;
  const MenuItem& entry = Record(level)->items[static_cast<size_t>(index)];
  const UINT itemFlags = (entry.flags & 0xFFFF) | MF_HILITE | (entry.submenu ? MF_POPUP : 0);
  const int32_t itemKey = entry.submenu ? index : static_cast<int32_t>(entry.id);
  SendMessage(owner_, WM_MENUSELECT, static_cast<WPARAM>(MAKELONG(itemKey, itemFlags)),
              reinterpret_cast<LPARAM>(shown.menu));
  return true;
}

void PopupCascade::SelectFirst(size_t level) {
  if (level < levels_.size()) Select(level, Step(*Record(level), -1, 1));
}

// Opens the submenu of the level's selected item beside it, closing any other submenu open
// from that level; answers whether that submenu is shown.
bool PopupCascade::OpenSubmenu(size_t level) {
  // The owner may have changed the menus while it was told of the selection.
  if (!Valid()) return false;
  const int32_t index = levels_[level].selected;
  if (index < 0) return false;
  const MenuItem& entry = Record(level)->items[static_cast<size_t>(index)];
  if (!entry.submenu || !Selectable(entry)) return false;
  const HMENU submenu = entry.submenu;
  if (level + 1 < levels_.size() && levels_[level + 1].menu == submenu) return true;
  CloseAbove(static_cast<int32_t>(level));
  if (!(flags_ & TPM_NONOTIFY))
    SendMessage(owner_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu),
                MAKELPARAM(index, FALSE));
  const MenuRecord* subRecord = FindMenuRecord(submenu);
  if (!subRecord || !Valid()) return false;
  RECT item;
  GetWindowRect(levels_[level].window, &item);
  const int32_t top = item.top + PopupMenuItemTop(*Record(level), index);
  // Right of its item; left of it when the screen has no room on the right.
  int32_t x = item.right;
  const int32_t width = PopupMenuSize(*subRecord).cx;
  if (x + width > GetSystemMetrics(SM_CXSCREEN)) x = item.left - width;
  return Show(submenu, x, top);
}

// Whether the submenus shown above the level differ from the one its selected item opens.
bool PopupCascade::RestWouldChange(size_t level) const {
  const int32_t index = levels_[level].selected;
  const MenuItem* entry =
      index >= 0 ? &Record(level)->items[static_cast<size_t>(index)] : nullptr;
  const HMENU wanted = entry && entry->submenu && Selectable(*entry) ? entry->submenu : nullptr;
  const HMENU shown = level + 1 < levels_.size() ? levels_[level + 1].menu : nullptr;
  return wanted != shown;
}

// Closes the levels above `level` (-1: all of them).
void PopupCascade::CloseAbove(int32_t level) {
  while (static_cast<int32_t>(levels_.size()) > level + 1) {
    const HWND window = levels_.back().window;
    levels_.pop_back();
    if (IsWindow(window)) DestroyWindow(window);
  }
  if (!levels_.empty()) Table().activePopup = levels_.back().window;
}

void PopupCascade::Activate(size_t level, int32_t index, bool byKey) {
  const MenuItem& entry = Record(level)->items[static_cast<size_t>(index)];
  if (!Selectable(entry)) return;
  if (entry.submenu) {
    Select(level, index);
    if (OpenSubmenu(level) && byKey) SelectFirst(level + 1);
    return;
  }
  chosen_ = entry.id;
  done_ = true;
}

void PopupCascade::OnMouse(const MSG& message) {
  const POINT screen = message.pt;
  int32_t level = static_cast<int32_t>(levels_.size()) - 1;
  RECT area{};
  for (; level >= 0; --level) {
    GetWindowRect(levels_[static_cast<size_t>(level)].window, &area);
    if (PtInRect(area, screen)) break;
  }
  const bool inside = level >= 0;
  const auto shown = static_cast<size_t>(std::max(level, 0));
  POINT client = screen;
  ScreenToClient(levels_[shown].window, &client);
  const int32_t index = inside ? PopupMenuItemAt(*Record(shown), client.y) : -1;
  switch (message.message) {
    case WM_MOUSEMOVE:
      if (!inside) return;
      // The pointer resting on an item opens its submenu, or closes one of another item.
      Select(shown, index);
      restingLevel_ = shown;
      if (RestWouldChange(shown)) {
        SetTimer(levels_.front().window, kSubmenuTimer, kSubmenuDelay, nullptr);
      } else {
        KillTimer(levels_.front().window, kSubmenuTimer);
      }
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (!inside) {
        if (message.message == WM_LBUTTONDOWN) NotePressOutside(owner_, screen);
        done_ = true;
      } else if (index >= 0 && Record(shown)->items[static_cast<size_t>(index)].submenu) {
        Activate(shown, index, false);
      }
      return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (message.message == WM_RBUTTONUP && !(flags_ & TPM_RIGHTBUTTON)) return;
      if (inside && index >= 0) Activate(shown, index, false);
      return;
    default:
      return;
  }
}

void PopupCascade::OnRest() {
  KillTimer(levels_.front().window, kSubmenuTimer);
  const size_t level = std::min(restingLevel_, levels_.size() - 1);
  if (!OpenSubmenu(level)) CloseAbove(static_cast<int32_t>(level));
}

void PopupCascade::OnKey(WPARAM key) {
  // The keys take over from the pointer.
  KillTimer(levels_.front().window, kSubmenuTimer);
  const size_t level = levels_.size() - 1;
  const MenuRecord& record = *Record(level);
  const int32_t selected = levels_[level].selected;
  switch (key) {
    case VK_DOWN:
      Select(level, Step(record, selected, 1));
      return;
    case VK_UP:
      Select(level, Step(record, selected < 0 ? 0 : selected, -1));
      return;
    case VK_RIGHT:
      if (OpenSubmenu(level)) SelectFirst(level + 1);
      return;
    case VK_LEFT:
    case VK_ESCAPE:
      // A submenu closes alone; Escape in the first menu closes it.
      if (level > 0) {
        CloseAbove(static_cast<int32_t>(level) - 1);
      } else if (key == VK_ESCAPE) {
        done_ = true;
      }
      return;
    case VK_MENU:
      done_ = true;
      return;
    case VK_RETURN:
      if (selected < 0) {
        done_ = true;
      } else {
        Activate(level, selected, true);
      }
      return;
    default: {
      const int32_t character = CharacterOfKey(static_cast<int32_t>(key));
      if (character <= ' ') return;
      const int32_t index = MnemonicIndex(record, static_cast<char>(character));
      if (index < 0 || !Selectable(record.items[static_cast<size_t>(index)])) return;
      Select(level, index);
      Activate(level, index, true);
      return;
    }
  }
}

std::optional<UINT> PopupCascade::Run() {
  MSG message;
  while (!done_) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    if (!Valid()) break;
    if (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST) {
      OnMouse(message);
    } else if (message.message == WM_TIMER && message.hwnd == levels_.front().window &&
               message.wParam == kSubmenuTimer) {
      OnRest();
    } else if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
      OnKey(message.wParam);
    } else if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) {
      DispatchMessage(&message);
    }
  }
  return chosen_;
}

}  // namespace

HWND GetActivePopupMenuWindow() {
  return Table().activePopup;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int32_t x, int32_t y, int32_t, HWND owner,
                    const RECT*) {
  const int32_t position = std::exchange(gOpeningBarPosition, 0);
  if (!FindMenuRecord(menu) || !IsWindow(owner)) return FALSE;
  const bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                MAKELPARAM(position, FALSE));
  }
  const HWND outerPopup = Table().activePopup;
  std::optional<UINT> chosen;
  {
    PopupCascade cascade(owner, flags);
    if (!cascade.Open(menu, x, y)) return FALSE;
    chosen = cascade.Run();
  }
  Table().activePopup = outerPopup;
  if (notify && IsWindow(owner)) {
    SendMessage(owner, WM_MENUSELECT, static_cast<WPARAM>(MAKELONG(0, 0xFFFF)), 0);
    SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
  }
  if (!chosen) return 0;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(*chosen);
  PostMessage(owner, WM_COMMAND, static_cast<WPARAM>(MAKELONG(static_cast<int32_t>(*chosen), 0)),
              0);
  return TRUE;
}

namespace {

namespace {

// Whether the menu holds an item that can be chosen.
bool OffersAChoice(HMENU menu) {
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (!(state & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED))) return true;
  }
  return false;
}

}  // namespace

BOOL OpenBarMenu(HWND window, int32_t position) {
  const HMENU bar = GetMenu(window);
  const HMENU submenu = GetSubMenu(bar, position);
  if (!submenu) return FALSE;
  // A greyed title with nothing to choose opens nothing, not even an empty box.
  if ((GetMenuState(bar, static_cast<UINT>(position), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) &&
      !OffersAChoice(submenu))
    return FALSE;
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
