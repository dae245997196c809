#include "core/Resources.h"

#include <array>
#include <cstring>

#include "core/Failure.h"
#include "core/Tag.h"
#include "platform/win32/Cursor.h"

namespace {

std::array<HMODULE, 3> gModules = {nullptr, nullptr, nullptr};

// The resource type name of a tag: its four bytes in memory order and a NUL.
struct TypeName {
  explicit TypeName(uint32_t tag) { std::memcpy(text, &tag, 4); }
  char text[5] = {};
};

// Loads string-table entry id from the first library that has it; false when none has.
bool LoadTableString(Str255& out, uint16_t id, bool mainOnly) {
  char buffer[256];
  for (HMODULE module : gModules) {
    if (module != nullptr && LoadStringA(module, id, buffer, sizeof buffer) > 0) {
      out.Assign(buffer);
      return true;
    }
    if (mainOnly) break;
  }
  return false;
}

enum class ListResult { kMissing, kFound, kNotInList };

// Item index of the list in the handle, checking every length against the handle's size.
ListResult ReadListItem(Handle list, int16_t index, Str255& out) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(list));
  const uint32_t size = GetHandleByteSize(list);
  if (size < 2) return ListResult::kNotInList;
  const int count = bytes[0] << 8 | bytes[1];
  const int item = index < 1 ? 1 : index;
  if (item > count) return ListResult::kNotInList;
  uint32_t offset = 2;
  for (int skipped = 1; skipped < item; ++skipped) {
    if (offset >= size) return ListResult::kNotInList;
    offset += 1u + bytes[offset];
  }
  if (offset >= size || size - offset - 1 < bytes[offset]) return ListResult::kNotInList;
  int length = bytes[offset];
  while (length > 0 && bytes[offset + length] == 0)
    --length;
  out = Str255();
  pstring_detail::Assign(out.MutableBytes(), Str255::kCapacity, bytes + offset + 1,
                         static_cast<size_t>(length));
  return ListResult::kFound;
}

}  // namespace

void SetResourceModule1(HMODULE module) {
  gModules[0] = module;
}
void SetResourceModule2(HMODULE module) {
  gModules[1] = module;
}
void SetResourceModule3(HMODULE module) {
  gModules[2] = module;
}
HMODULE GetResourceModule1() {
  return gModules[0];
}
HMODULE GetResourceModule2() {
  return gModules[1];
}
HMODULE GetResourceModule3() {
  return gModules[2];
}

Handle GetResourceHandle(uint32_t typeTag, int16_t id) {
  const TypeName type(typeTag);
  LPCSTR name = MAKEINTRESOURCEA(static_cast<uint16_t>(id));
  for (HMODULE module : gModules) {
    if (module == nullptr) continue;
    HRSRC resource = FindResourceA(module, name, type.text);
    if (resource == nullptr) continue;
    const void* bytes = LockResource(LoadResource(module, resource));
    if (bytes == nullptr) return nullptr;
    try {
      return NewHandleFromBytes(bytes, SizeofResource(module, resource));
    } catch (const QVException&) {
      return nullptr;
    }
  }
  return nullptr;
}

void ReleaseResourceHandle(Handle handle) {
  if (handle != nullptr) FreeHandle(handle);
}

void GetIndString(Str255& out, int16_t list, int16_t index) {
  Handle strings = GetResourceHandle(MakeTag("STRD"), list);
  ListResult result = ListResult::kMissing;
  if (strings == nullptr) {
    out = Str255();
  } else {
    result = ReadListItem(strings, index, out);
    ReleaseResourceHandle(strings);
  }
  if (result == ListResult::kFound) return;
  LoadTableString(out, static_cast<uint16_t>(list + index), false);
}

void LookupIndString(Str255& out, int16_t list, int16_t index) {
  GetIndString(out, list, index);
}

void QV_GetIndString(Str255& out, int16_t list, int16_t index) {
  out = Str255();
  LoadTableString(out, static_cast<uint16_t>(list + index), true);
}

void InstallCursorResourceProbe() {
  SetCursorResourceProbe([](const void* module, uintptr_t id) {
    if (module == nullptr || id > 0xFFFF) return false;
    const auto handle = static_cast<HMODULE>(const_cast<void*>(module));
    return FindResourceA(handle, MAKEINTRESOURCEA(static_cast<uint16_t>(id)), RT_GROUP_CURSOR) !=
           nullptr;
  });
}

void LoadCursorWithFallback(TCursorHolder& holder, uint16_t id) {
  uint16_t loadedId = id;
  // Without a module the window layer answers standard cursors, which are not asked for here.
  HCURSOR cursor = GetResourceModule1() != nullptr ? LoadCursor(GetResourceModule1(), id) : nullptr;
  if (cursor == nullptr) {
    loadedId = static_cast<uint16_t>(id < 26001 ? id + 26000 : id - 26000);
    HMODULE module = FindResourceModule(MAKEINTRESOURCEA(loadedId), RT_GROUP_CURSOR);
    if (module != nullptr) cursor = LoadCursor(module, loadedId);
  }
  if (cursor == nullptr) {
    holder.id = 0;
    holder.standard = 1;
    holder.cursor = LoadCursor(nullptr, IDC_ARROW);
    return;
  }
  holder.id = loadedId;
  holder.standard = 0;
  holder.cursor = cursor;
}
