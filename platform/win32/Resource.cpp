#include "platform/win32/Resource.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/ResourceText.h"

struct HINSTANCE__ {
  ResourceModuleTable table;
};

namespace {

// Registered modules in registration order. Records are never moved, so handles stay valid
// until their module is unregistered.
std::vector<std::unique_ptr<HINSTANCE__>>& Modules() {
  static std::vector<std::unique_ptr<HINSTANCE__>> modules;
  return modules;
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameText(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (AsciiUpper(*a) != AsciiUpper(*b)) return false;
  }
  return *a == *b;
}

// A type or name as the calls take it: an integer, or a text ("#123" being the integer 123).
struct Key {
  bool isInteger;
  uint16_t id;
  const char* text;
};

Key KeyOf(LPCSTR value) {
  if (IS_INTRESOURCE(value)) {
    return {true, static_cast<uint16_t>(reinterpret_cast<uintptr_t>(value)), nullptr};
  }
  if (value[0] == '#' && value[1] != '\0') {
    uint32_t number = 0;
    const char* digit = value + 1;
    for (; *digit >= '0' && *digit <= '9' && number <= 0xFFFF; ++digit) {
      number = number * 10 + static_cast<uint32_t>(*digit - '0');
    }
    if (*digit == '\0' && number <= 0xFFFF) return {true, static_cast<uint16_t>(number), nullptr};
  }
  return {false, 0, value};
}

bool Matches(const Key& key, const char* text, uint16_t id) {
  if (key.isInteger) return text == nullptr && id == key.id;
  return text != nullptr && SameText(text, key.text);
}

HINSTANCE__* Registered(HMODULE module) {
  for (const auto& record : Modules()) {
    if (record.get() == module) return record.get();
  }
  return nullptr;
}

// The entry behind a resource handle, when it belongs to module.
const ResourceEntry* EntryOf(HMODULE module, HRSRC resource) {
  const HINSTANCE__* record = Registered(module);
  if (record == nullptr || resource == nullptr) return nullptr;
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  const ResourceEntry* first = record->table.entries;
  if (entry < first || entry >= first + record->table.count) return nullptr;
  return entry;
}

uint16_t ReadWord(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

void RegisterResourceModule(const ResourceModuleTable& table) {
  auto& modules = Modules();
  for (auto& record : modules) {
    if (SameText(record->table.fileName, table.fileName)) {
      // A new record, so that handles of the replaced table stop working.
      record = std::make_unique<HINSTANCE__>(HINSTANCE__{table});
      return;
    }
  }
  modules.push_back(std::make_unique<HINSTANCE__>(HINSTANCE__{table}));
}

void UnregisterResourceModule(const char* fileName) {
  auto& modules = Modules();
  std::erase_if(modules,
                [&](const auto& record) { return SameText(record->table.fileName, fileName); });
}

HMODULE LoadResourceLibrary(const char* fileName) {
  if (fileName == nullptr) return nullptr;
  for (const auto& record : Modules()) {
    if (SameText(record->table.fileName, fileName)) return record.get();
  }
  return nullptr;
}

void FreeResourceLibrary(HMODULE) {}

const char* GetResourceLibraryName(HMODULE module) {
  const HINSTANCE__* record = Registered(module);
  return record != nullptr ? record->table.fileName : nullptr;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  const HINSTANCE__* record = Registered(module);
  if (record == nullptr || name == nullptr || type == nullptr) return nullptr;
  const Key nameKey = KeyOf(name);
  const Key typeKey = KeyOf(type);
  for (uint32_t i = 0; i < record->table.count; ++i) {
    const ResourceEntry& entry = record->table.entries[i];
    if (Matches(typeKey, entry.typeName, entry.typeId) &&
        Matches(nameKey, entry.name, entry.nameId)) {
      return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&entry));
    }
  }
  return nullptr;
}

HMODULE FindResourceModule(LPCSTR name, LPCSTR type) {
  for (const auto& record : Modules()) {
    if (FindResourceA(record.get(), name, type) != nullptr) return record.get();
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  const ResourceEntry* entry = EntryOf(module, resource);
  if (entry == nullptr) return nullptr;
  // An empty resource still loads; it has no bytes to point at.
  static const uint8_t kNoBytes[1] = {0};
  return const_cast<uint8_t*>(entry->size != 0 ? entry->data : kNoBytes);
}

const void* LockResource(HGLOBAL loaded) {
  return loaded;
}

uint32_t SizeofResource(HMODULE module, HRSRC resource) {
  const ResourceEntry* entry = EntryOf(module, resource);
  return entry != nullptr ? entry->size : 0;
}

BOOL FreeResource(HGLOBAL) {
  return FALSE;
}

int LoadStringA(HINSTANCE module, UINT id, char* buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax <= 0) return 0;
  buffer[0] = '\0';
  // The block number, id / 16 + 1, is a 16-bit resource name.
  if (id > 0xFFFEF) return 0;
  HRSRC block =
      FindResourceA(module, MAKEINTRESOURCEA(static_cast<uint16_t>(id / 16 + 1)), RT_STRING);
  if (block == nullptr) return 0;
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, block)));
  const uint32_t size = SizeofResource(module, block);
  // Walk to the string's place, checking each length against what the block holds.
  uint32_t offset = 0;
  for (UINT index = 0; index < id % 16; ++index) {
    if (size - offset < 2) return 0;
    const uint32_t units = ReadWord(bytes + offset);
    if ((size - offset - 2) / 2 < units) return 0;
    offset += 2 + 2 * units;
  }
  if (size - offset < 2) return 0;
  const uint32_t units = ReadWord(bytes + offset);
  if ((size - offset - 2) / 2 < units) return 0;
  const uint8_t* text = bytes + offset + 2;
  int copied = 0;
  for (uint32_t i = 0; i < units && copied < bufferMax - 1; ++i) {
    uint8_t byte = '?';
    if (!ResourceCharFromUnicode(ReadWord(text + 2 * i), byte)) byte = '?';
    buffer[copied++] = static_cast<char>(byte);
  }
  buffer[copied] = '\0';
  return copied;
}
