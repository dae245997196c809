#pragma once
// Icon images and icon groups built in memory, in the layouts the resource compiler writes.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win32/GdiTypes.h"

namespace icontest {

// Colour (0x00rrggbb) and transparency of an icon pixel.
using PixelColor = std::function<uint32_t(int32_t x, int32_t y)>;
using PixelClear = std::function<bool(int32_t x, int32_t y)>;

inline void PutWord(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
inline void PutDword(std::vector<uint8_t>& out, uint32_t value) {
  PutWord(out, value & 0xFFFF);
  PutWord(out, value >> 16);
}

// An icon image: a bottom-up DIB of 4, 24 or 32 bits per pixel (height doubled) and its AND
// mask. With `alpha` a 32-bit image carries transparency in its alpha bytes instead; `withMask`
// false leaves the AND mask out.
inline std::vector<uint8_t> IconDib(int32_t width, int32_t height, int bits,
                                    const PixelColor& color, const PixelClear& clear,
                                    bool alpha = false, bool withMask = true) {
  std::vector<uint32_t> palette;
  auto index = [&](uint32_t c) {
    for (size_t i = 0; i < palette.size(); ++i)
      if (palette[i] == c) return static_cast<uint32_t>(i);
    palette.push_back(c);
    return static_cast<uint32_t>(palette.size() - 1);
  };
  if (bits == 4) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        index(color(x, y));
  }
  std::vector<uint8_t> out;
  PutDword(out, 40);
  PutDword(out, static_cast<uint32_t>(width));
  PutDword(out, static_cast<uint32_t>(height * 2));
  PutWord(out, 1);
  PutWord(out, static_cast<uint32_t>(bits));
  for (int i = 0; i < 6; ++i)
    PutDword(out, 0);
  if (bits == 4) {
    for (int i = 0; i < 16; ++i)
      PutDword(out, i < static_cast<int>(palette.size()) ? palette[i] : 0);
  }
  const size_t imageRow = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  for (int32_t y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(imageRow, 0);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t c = color(x, y);
      if (bits == 4) {
        row[x / 2] |= static_cast<uint8_t>(index(c) << (x % 2 ? 0 : 4));
      } else {
        const int32_t at = x * bits / 8;
        row[at] = static_cast<uint8_t>(c);
        row[at + 1] = static_cast<uint8_t>(c >> 8);
        row[at + 2] = static_cast<uint8_t>(c >> 16);
        if (bits == 32) row[at + 3] = alpha ? (clear(x, y) ? 0 : 0xFF) : 0;
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  if (!withMask) return out;
  const size_t maskRow = ((static_cast<size_t>(width) + 31) / 32) * 4;
  for (int32_t y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int32_t x = 0; x < width; ++x)
      if (clear(x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

struct GroupEntry {
  int32_t width;
  int32_t height;
  int bits;
  uint32_t size;
  uint16_t id;
};

// An icon group: reserved 0, kind 1, count, then 14 bytes per image.
inline std::vector<uint8_t> IconGroup(const std::vector<GroupEntry>& entries) {
  std::vector<uint8_t> out;
  PutWord(out, 0);
  PutWord(out, 1);
  PutWord(out, static_cast<uint32_t>(entries.size()));
  for (const GroupEntry& e : entries) {
    out.push_back(static_cast<uint8_t>(e.width));
    out.push_back(static_cast<uint8_t>(e.height));
    out.push_back(0);
    out.push_back(0);
    PutWord(out, 1);
    PutWord(out, static_cast<uint32_t>(e.bits));
    PutDword(out, e.size);
    PutWord(out, e.id);
  }
  return out;
}

}  // namespace icontest
