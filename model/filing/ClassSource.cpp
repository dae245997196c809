#include "model/filing/ClassSource.h"

#include <algorithm>
#include <cstring>

namespace {

ClassSource& Source() {
  static ClassSource source;
  return source;
}

}  // namespace

void SetClassSource(ClassSource source) {
  Source() = std::move(source);
}

const ClassSource& GetClassSource() {
  return Source();
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
