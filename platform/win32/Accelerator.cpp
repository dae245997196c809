#include "platform/win32/Accelerator.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

struct AcceleratorTables {
  std::map<uintptr_t, std::vector<ACCEL>> tables;
  uintptr_t nextHandle = 0x40000;
};

AcceleratorTables& Tables() {
  static AcceleratorTables tables;
  return tables;
}

const std::vector<ACCEL>* Find(HACCEL table) {
  auto& tables = Tables().tables;
  auto found = tables.find(reinterpret_cast<uintptr_t>(table));
  return found == tables.end() ? nullptr : &found->second;
}

constexpr BYTE kLastEntry = 0x80;

bool Matches(const ACCEL& entry, const MSG& message) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  if (entry.fVirt & FVIRTKEY) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    if (message.wParam != entry.key) return false;
    return shift == bool(entry.fVirt & FSHIFT) && control == bool(entry.fVirt & FCONTROL) &&
           alt == bool(entry.fVirt & FALT);
  }
  if (message.message != WM_CHAR && message.message != WM_SYSCHAR) return false;
  if (message.wParam != entry.key) return false;
  return alt == bool(entry.fVirt & FALT);
}

}  // namespace

HACCEL CreateAcceleratorTable(const ACCEL* entries, int32_t count) {
  if (!entries || count <= 0) return nullptr;
  AcceleratorTables& tables = Tables();
  const HACCEL handle = reinterpret_cast<HACCEL>(tables.nextHandle++);
  tables.tables[reinterpret_cast<uintptr_t>(handle)] = std::vector<ACCEL>(entries, entries + count);
  return handle;
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  return Tables().tables.erase(reinterpret_cast<uintptr_t>(table)) ? TRUE : FALSE;
}

int32_t CopyAcceleratorTable(HACCEL table, ACCEL* out, int32_t capacity) {
  const std::vector<ACCEL>* entries = Find(table);
  if (!entries) return 0;
  if (!out) return static_cast<int32_t>(entries->size());
  const int32_t count = std::min(capacity, static_cast<int32_t>(entries->size()));
  std::copy_n(entries->begin(), std::max(0, count), out);
  return std::max(0, count);
}

HACCEL LoadAcceleratorsIndirect(std::span<const uint8_t> resource) {
  std::vector<ACCEL> entries;
  for (size_t offset = 0; offset + 8 <= resource.size(); offset += 8) {
    const auto word = [&](size_t at) {
      return static_cast<WORD>(resource[offset + at] | (resource[offset + at + 1] << 8));
    };
    ACCEL entry;
    const WORD flags = word(0);
    entry.fVirt = static_cast<BYTE>(flags & 0x7F);
    entry.key = word(2);
    entry.cmd = word(4);
    entries.push_back(entry);
    if (flags & kLastEntry)
      return CreateAcceleratorTable(entries.data(), static_cast<int32_t>(entries.size()));
  }
  return nullptr;  // no closing entry: the resource is cut short
}

HACCEL LoadAccelerators(HMODULE module, LPCSTR name) {
  const HRSRC resource = FindResource(module, name, RT_ACCELERATOR);
  if (!resource) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, resource)));
  if (!bytes) return nullptr;
  return LoadAcceleratorsIndirect(std::span(bytes, SizeofResource(module, resource)));
}

WORD AcceleratorCommand(HACCEL table, const MSG* message) {
  const std::vector<ACCEL>* entries = Find(table);
  if (!entries || !message) return 0;
  for (const ACCEL& entry : *entries) {
    if (Matches(entry, *message)) return entry.cmd;
  }
  return 0;
}

int32_t TranslateAccelerator(HWND window, HACCEL table, const MSG* message) {
  if (!IsWindow(window)) return 0;
  const WORD command = AcceleratorCommand(table, message);
  if (command == 0) return 0;
  const HMENU menu = GetMenu(window);
  if (menu) {
    const UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    if (state != kMenuNotFound) {
      SendMessage(window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
      const UINT now = GetMenuState(menu, command, MF_BYCOMMAND);
      if (now != kMenuNotFound && (now & (MF_GRAYED | MF_DISABLED))) return 1;
    }
  }
  SendMessage(window, WM_COMMAND, static_cast<WPARAM>(MAKELONG(command, 1)), 0);
  return 1;
}
