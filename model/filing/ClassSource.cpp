#include "model/filing/ClassSource.h"

#include <algorithm>
#include <cstring>

#include "core/ClassRegistry.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "model/Link.h"

std::optional<std::vector<uint8_t>> LoadFactTable() {
  Handle handle = GetResourceHandle(MakeTag("FACT"), kFactTableId);
  if (handle == nullptr) return std::nullopt;
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> table(bytes, bytes + GetHandleByteSize(handle));
  ReleaseResourceHandle(handle);
  return table;
}

std::optional<uint32_t> LookupFactTable(std::span<const uint8_t> table, int16_t code) {
  if (table.size() < 2) return std::nullopt;
  int16_t count;
  std::memcpy(&count, table.data(), 2);
  const size_t present = (table.size() - 2) / 6;
  const size_t n = count < 0 ? 0 : std::min(static_cast<size_t>(count), present);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* entry = table.data() + 2 + 6 * i;
    int16_t entryCode;
    std::memcpy(&entryCode, entry, 2);
    if (entryCode != code) continue;
    uint32_t tag;
    std::memcpy(&tag, entry + 2, 4);
    return tag;
  }
  return std::nullopt;
}

TLink* MapOldClassTag(uint32_t tag) {
  const std::span<const uint32_t> tags = RegisteredClassTags();
  if (std::find(tags.rbegin(), tags.rend(), tag) == tags.rend()) return nullptr;
  TObject* object = CreateObjectByTag(tag);
  if (object == nullptr) return nullptr;
  if (!object->IsMemberClass(TLink::kClassID)) {
    SafeDelete(object);
    return nullptr;
  }
  return static_cast<TLink*>(object);
}
