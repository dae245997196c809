#include "exchange/dde/FastTable.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kTableRecord = 0x0010;
constexpr uint16_t kFloatRecord = 0x0001;
constexpr size_t kHeaderSize = 12;

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

uint16_t GetU16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

std::vector<uint8_t> EncodeFastTable(uint16_t rows, uint16_t columns, const std::vector<double>& values) {
  if (values.size() > kMaxFastTableValues) return {};
  std::vector<uint8_t> out;
  out.reserve(kHeaderSize + 8 * values.size());
  for (const uint16_t word : {kTableRecord, uint16_t{4}, rows, columns, kFloatRecord,
                              static_cast<uint16_t>(8 * values.size())})
    PutU16(out, word);
  for (const double value : values) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<uint8_t>(bits >> shift));
  }
  return out;
}

bool DecodeFastTable(const uint8_t* bytes, size_t size, std::vector<double>* values) {
  values->clear();
  if (bytes == nullptr || size < kHeaderSize) return false;
  if (GetU16(bytes) != kTableRecord || GetU16(bytes + 2) != 4 || GetU16(bytes + 8) != kFloatRecord)
    return false;
  // Only what arrived is read, however long the record says it is.
  const size_t count = std::min<size_t>(GetU16(bytes + 10), size - kHeaderSize) / 8;
  if (count == 0) return false;
  for (size_t i = 0; i < count; ++i) {
    uint64_t bits = 0;
    for (int b = 7; b >= 0; --b) bits = bits << 8 | bytes[kHeaderSize + 8 * i + static_cast<size_t>(b)];
    double value = 0.0;
    std::memcpy(&value, &bits, 8);
    values->push_back(value);
  }
  return true;
}
