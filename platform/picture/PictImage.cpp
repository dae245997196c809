#include <algorithm>

#include "platform/picture/PictParts.h"

namespace {

constexpr uint16_t kPixMapFlag = 0x8000;

struct MapHeader {
  bool pixMap = false;
  int32_t rowBytes = 0;
  RECT bounds{};
  int16_t packType = 0;
  int16_t pixelSize = 1;
  int16_t cmpCount = 1;
};

uint32_t Rgb(uint16_t r, uint16_t g, uint16_t b) {
  return static_cast<uint32_t>(r >> 8) << 16 | static_cast<uint32_t>(g >> 8) << 8 | (b >> 8);
}

// Unpacks run-length data (a flag byte: n >= 0 copies n + 1 units, n < 0 repeats one unit
// 1 - n times, -128 nothing) of unit-byte units into exactly size bytes.
bool UnpackBits(std::span<const uint8_t> packed, size_t unit, std::vector<uint8_t>& out,
                size_t size) {
  out.clear();
  size_t at = 0;
  while (at < packed.size()) {
    const auto flag = static_cast<int8_t>(packed[at++]);
    if (flag == -128) continue;
    if (flag >= 0) {
      const size_t count = (static_cast<size_t>(flag) + 1) * unit;
      if (count > packed.size() - at || out.size() + count > size) return false;
      out.insert(out.end(), packed.begin() + static_cast<ptrdiff_t>(at),
                 packed.begin() + static_cast<ptrdiff_t>(at + count));
      at += count;
    } else {
      const size_t times = static_cast<size_t>(1 - static_cast<int>(flag));
      if (unit > packed.size() - at || out.size() + times * unit > size) return false;
      for (size_t i = 0; i < times; ++i) {
        out.insert(out.end(), packed.begin() + static_cast<ptrdiff_t>(at),
                   packed.begin() + static_cast<ptrdiff_t>(at + unit));
      }
      at += unit;
    }
  }
  return out.size() == size;
}

bool ReadMapHeader(PictReader& in, bool direct, MapHeader& map) {
  if (direct) in.Skip(4);  // the base address, meaningless in a stored picture
  const uint16_t rowBytes = in.U16();
  map.pixMap = (rowBytes & kPixMapFlag) != 0;
  map.rowBytes = rowBytes & 0x3FFF;
  map.bounds = in.Rect();
  if (map.pixMap) {
    in.Skip(2);  // version
    map.packType = in.S16();
    in.Skip(4 + 8 + 2);  // pack size, resolutions, pixel type
    map.pixelSize = in.S16();
    map.cmpCount = in.S16();
    in.Skip(2 + 4 + 4 + 4);  // component size, plane bytes, table and reserved handles
  }
  if (in.Failed() || direct != (map.pixMap && (map.pixelSize == 16 || map.pixelSize == 32)))
    return false;
  const int64_t width = map.bounds.right - map.bounds.left;
  const int64_t height = map.bounds.bottom - map.bounds.top;
  if (width <= 0 || height <= 0 || width > kMaxPictSide || height > kMaxPictSide) return false;
  switch (map.pixelSize) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 32:
      break;
    default:
      return false;
  }
  return map.rowBytes >= (width * map.pixelSize + 7) / 8;
}

bool ReadColourTable(PictReader& in, std::vector<uint32_t>& table) {
  in.Skip(4);  // seed
  const uint16_t flags = in.U16();
  const uint16_t last = in.U16();
  if (in.Failed() || last > 255) return false;
  table.assign(256, 0);
  for (uint32_t i = 0; i <= last; ++i) {
    const uint16_t value = in.U16();
    const uint16_t r = in.U16();
    const uint16_t g = in.U16();
    const uint16_t b = in.U16();
    const uint32_t index = (flags & 0x8000) ? i : (value & 0xFF);
    table[index] = Rgb(r, g, b);
  }
  return !in.Failed();
}

// One stored row, unpacked into rowBytes bytes (or the stored form of the 32-bit kinds).
bool ReadRow(PictReader& in, const MapHeader& map, std::vector<uint8_t>& row) {
  const auto rowBytes = static_cast<size_t>(map.rowBytes);
  const int32_t width = map.bounds.right - map.bounds.left;
  if (rowBytes < 8 || map.packType == 1) {
    const auto raw = in.Bytes(rowBytes);
    row.assign(raw.begin(), raw.end());
    return !in.Failed();
  }
  if (map.pixelSize == 32 && map.packType == 2) {
    const auto raw = in.Bytes(static_cast<size_t>(width) * 3);
    row.assign(raw.begin(), raw.end());
    return !in.Failed();
  }
  const size_t count = rowBytes > 250 ? in.U16() : in.U8();
  const auto packed = in.Bytes(count);
  if (in.Failed()) return false;
  if (map.pixelSize == 16) return UnpackBits(packed, 2, row, rowBytes);
  if (map.pixelSize == 32) {
    return UnpackBits(packed, 1, row, static_cast<size_t>(width) * map.cmpCount);
  }
  return UnpackBits(packed, 1, row, rowBytes);
}

uint32_t PixelOf(const MapHeader& map, const std::vector<uint8_t>& row, int32_t x,
                 int32_t width, const std::vector<uint32_t>& table, uint32_t fore,
                 uint32_t back) {
  switch (map.pixelSize) {
    case 16: {
      const uint32_t v = static_cast<uint32_t>(row[2 * x] << 8 | row[2 * x + 1]);
      const auto five = [](uint32_t c) { return (c << 3) | (c >> 2); };
      return five((v >> 10) & 31) << 16 | five((v >> 5) & 31) << 8 | five(v & 31);
    }
    case 32:
      if (map.packType == 1 || map.rowBytes < 8) {
        return static_cast<uint32_t>(row[4 * x + 1] << 16 | row[4 * x + 2] << 8 | row[4 * x + 3]);
      }
      if (map.packType == 2) {
        return static_cast<uint32_t>(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]);
      }
      {
        // Planes: alpha first when there are four, then red, green and blue.
        const int32_t skip = map.cmpCount == 4 ? width : 0;
        return static_cast<uint32_t>(row[skip + x] << 16 | row[skip + width + x] << 8 |
                                     row[skip + 2 * width + x]);
      }
    default: {
      const int32_t bits = map.pixelSize;
      const int32_t bit = x * bits;
      const int32_t shift = 8 - bits - bit % 8;
      const uint32_t index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
      if (!map.pixMap) return index ? fore : back;
      return table[index];
    }
  }
}

}  // namespace

bool ReadPictImage(PictReader& in, uint16_t opcode, uint32_t fore, uint32_t back,
                   PictImage& out) {
  const bool direct = opcode == 0x9A || opcode == 0x9B;
  const bool masked = opcode == 0x91 || opcode == 0x99 || opcode == 0x9B;
  MapHeader map;
  if (!ReadMapHeader(in, direct, map)) return false;
  std::vector<uint32_t> table;
  if (map.pixMap && !direct && !ReadColourTable(in, table)) return false;
  out.source = in.Rect();
  out.destination = in.Rect();
  out.mode = in.S16();
  out.hasMask = masked;
  if (masked && !ReadPictRegion(in, out.mask)) return false;
  if (in.Failed()) return false;
  if (map.pixelSize == 32 && map.cmpCount != 3 && map.cmpCount != 4) return false;

  const int32_t width = map.bounds.right - map.bounds.left;
  const int32_t height = map.bounds.bottom - map.bounds.top;
  std::vector<uint32_t> all(static_cast<size_t>(width) * height);
  std::vector<uint8_t> row;
  for (int32_t y = 0; y < height; ++y) {
    if (!ReadRow(in, map, row)) return false;
    const size_t needed =
        map.pixelSize == 32 && map.packType != 1 && map.rowBytes >= 8
            ? static_cast<size_t>(width) * (map.packType == 2 ? 3 : map.cmpCount)
            : (static_cast<size_t>(width) * map.pixelSize + 7) / 8;
    if (row.size() < needed) return false;
    for (int32_t x = 0; x < width; ++x) {
      all[static_cast<size_t>(y) * width + x] = PixelOf(map, row, x, width, table, fore, back);
    }
  }

  // Only the source rectangle, cut to the bounds, is drawn.
  RECT source = out.source;
  source.left = std::max(source.left, map.bounds.left);
  source.top = std::max(source.top, map.bounds.top);
  source.right = std::min(source.right, map.bounds.right);
  source.bottom = std::min(source.bottom, map.bounds.bottom);
  if (source.right <= source.left || source.bottom <= source.top) return false;
  out.width = source.right - source.left;
  out.height = source.bottom - source.top;
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      out.pixels[static_cast<size_t>(y) * out.width + x] =
          all[static_cast<size_t>(source.top - map.bounds.top + y) * width +
              (source.left - map.bounds.left + x)];
    }
  }
  return true;
}
