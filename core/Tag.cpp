#include "core/Tag.h"

#include <utility>

uint32_t TagFromString(const char* text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint32_t TagFromStringPtr(const char* text) {
  return TagFromString(text);
}

void ReverseBytes(void* buffer, size_t n) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  for (size_t i = 0; i < n / 2; ++i)
    std::swap(bytes[i], bytes[n - 1 - i]);
}

uint32_t MakeMacPoint(int16_t h, int16_t v) {
  return static_cast<uint32_t>(static_cast<uint16_t>(v)) |
         static_cast<uint32_t>(static_cast<uint16_t>(h)) << 16;
}

uint64_t MakeInt64(uint32_t low, uint32_t high) {
  return static_cast<uint64_t>(low) | static_cast<uint64_t>(high) << 32;
}
