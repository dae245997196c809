#include "platform/mfc/CArchive.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CArchiveException, CException)

void CArchive::Write(const void* data, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + count);
}

void CArchive::Read(void* data, size_t count) {
  if (count > Remaining()) throw CArchiveException(CArchiveException::endOfFile);
  if (count > 0) std::memcpy(data, bytes_.data() + position_, count);
  position_ += count;
}

void CArchive::WriteUInt32(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  Write(bytes, sizeof bytes);
}

uint32_t CArchive::ReadUInt32() {
  uint8_t bytes[4];
  Read(bytes, sizeof bytes);
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void CArchive::WriteBlock(const std::vector<uint8_t>& block) {
  WriteUInt32(static_cast<uint32_t>(block.size()));
  Write(block.data(), block.size());
}

std::vector<uint8_t> CArchive::ReadBlock() {
  const uint32_t length = ReadUInt32();
  if (length > Remaining()) throw CArchiveException(CArchiveException::endOfFile);
  std::vector<uint8_t> block(length);
  Read(block.data(), length);
  return block;
}
