#include "platform/avi/PackedDib.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/GdiObjects.h"

namespace {

constexpr size_t kHeaderSize = 40;

void PutU32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

std::vector<PALETTEENTRY> ColourCube() {
  std::vector<PALETTEENTRY> cube;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        PALETTEENTRY entry{};
        entry.peRed = static_cast<uint8_t>(r * 51);
        entry.peGreen = static_cast<uint8_t>(g * 51);
        entry.peBlue = static_cast<uint8_t>(b * 51);
        cube.push_back(entry);
      }
    }
  }
  return cube;
}

}  // namespace

DibPacker::DibPacker(std::span<const PALETTEENTRY> palette)
    : palette_(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 256)) {
  if (palette_.empty()) palette_ = ColourCube();
}

uint8_t DibPacker::Nearest(uint32_t rgb) {
  CacheSlot& slot = cache_[(rgb ^ (rgb >> 12) ^ (rgb >> 20)) & (cache_.size() - 1)];
  if (slot.rgb == rgb) return slot.index;
  const int r = static_cast<int>((rgb >> 16) & 0xFF);
  const int g = static_cast<int>((rgb >> 8) & 0xFF);
  const int b = static_cast<int>(rgb & 0xFF);
  int best = 0;
  int bestDistance = 1 << 30;
  for (size_t i = 0; i < palette_.size(); ++i) {
    const int dr = r - palette_[i].peRed;
    const int dg = g - palette_[i].peGreen;
    const int db = b - palette_[i].peBlue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  slot.rgb = rgb;
  slot.index = static_cast<uint8_t>(best);
  return slot.index;
}

bool DibPacker::PackBits(HBITMAP bitmap, int32_t bitDepth, int32_t width, int32_t height,
                         std::vector<uint8_t>& bits) {
  const GdiBitmap* source = LookupBitmap(bitmap);
  if (!source || !source->surface) return false;
  if (bitDepth != 8 && bitDepth != 24 && bitDepth != 32) return false;
  if (width <= 0 || height <= 0 || width > source->width || height > source->height) return false;
  cairo_surface_flush(source->surface);
  const size_t stride = Stride(width, bitDepth);
  const size_t used = static_cast<size_t>(width) * static_cast<size_t>(bitDepth / 8);
  bits.resize(stride * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) {
    // Bottom-up: the first row of the DIB is the bitmap's last.
    const uint32_t* in = source->Row(height - 1 - y);
    uint8_t* out = bits.data() + stride * static_cast<size_t>(y);
    switch (bitDepth) {
      case 8:
        for (int32_t x = 0; x < width; ++x) out[x] = Nearest(in[x] & 0xFFFFFF);
        break;
      case 24:
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t rgb = in[x];
          out[3 * x] = static_cast<uint8_t>(rgb);
          out[3 * x + 1] = static_cast<uint8_t>(rgb >> 8);
          out[3 * x + 2] = static_cast<uint8_t>(rgb >> 16);
        }
        break;
      default:
        for (int32_t x = 0; x < width; ++x) PutU32(out + 4 * x, in[x] & 0xFFFFFF);
        break;
    }
    std::fill(out + used, out + stride, uint8_t{0});  // row padding
  }
  return true;
}

std::vector<uint8_t> DibPacker::Pack(HBITMAP bitmap, int32_t bitDepth) {
  const GdiBitmap* source = LookupBitmap(bitmap);
  if (!source) return {};
  const int32_t width = source->width;
  const int32_t height = source->height;
  std::vector<uint8_t> bits;
  if (!PackBits(bitmap, bitDepth, width, height, bits)) return {};
  const size_t colours = bitDepth == 8 ? palette_.size() : 0;
  std::vector<uint8_t> dib(kHeaderSize + 4 * colours + bits.size(), 0);
  uint8_t* h = dib.data();
  PutU32(h, kHeaderSize);
  PutU32(h + 4, static_cast<uint32_t>(width));
  PutU32(h + 8, static_cast<uint32_t>(height));
  PutU16(h + 12, 1);
  PutU16(h + 14, static_cast<uint16_t>(bitDepth));
  PutU32(h + 16, 0);  // uncompressed
  PutU32(h + 20, static_cast<uint32_t>(bits.size()));
  PutU32(h + 24, 3780);  // 96 dots per inch, in dots per metre
  PutU32(h + 28, 3780);
  PutU32(h + 32, static_cast<uint32_t>(colours));
  PutU32(h + 36, 0);
  uint8_t* table = h + kHeaderSize;
  for (size_t i = 0; i < colours; ++i) {
    table[4 * i] = palette_[i].peBlue;
    table[4 * i + 1] = palette_[i].peGreen;
    table[4 * i + 2] = palette_[i].peRed;
    table[4 * i + 3] = 0;
  }
  std::memcpy(table + 4 * colours, bits.data(), bits.size());
  return dib;
}
