#include "platform/win32/Bitmap.h"

#include <cstdlib>
#include <vector>

#include "platform/win32/GdiObjects.h"

namespace {

uint16_t ReadWord(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t ReadDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (uint32_t{p[3]} << 24);
}

}  // namespace

HBITMAP CreateBitmapFromDib(std::span<const uint8_t> dib) {
  if (dib.size() < 40 || ReadDword(dib.data()) < 40) return nullptr;
  const uint32_t headerSize = ReadDword(dib.data());
  const auto width = static_cast<int32_t>(ReadDword(dib.data() + 4));
  const auto rawHeight = static_cast<int32_t>(ReadDword(dib.data() + 8));
  const uint16_t bitCount = ReadWord(dib.data() + 14);
  const uint32_t compression = ReadDword(dib.data() + 16);
  uint32_t colorsUsed = ReadDword(dib.data() + 32);
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || compression != 0) return nullptr;
  if (bitCount != 1 && bitCount != 24 && bitCount != 32) return nullptr;
  const int32_t height = std::abs(rawHeight);
  if (static_cast<int64_t>(width) * height > (int64_t{1} << 27)) return nullptr;
  if (bitCount == 1 && colorsUsed == 0) colorsUsed = 2;
  if (bitCount != 1) colorsUsed = 0;
  if (colorsUsed > 2 || headerSize > dib.size()) return nullptr;
  const size_t tableBytes = size_t{colorsUsed} * 4;
  const size_t rowBytes = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
  const size_t bitsAt = headerSize + tableBytes;
  if (bitsAt > dib.size() || rowBytes * height > dib.size() - bitsAt) return nullptr;
  uint32_t table[2] = {0, 0xFFFFFF};
  for (uint32_t i = 0; i < colorsUsed; ++i) {
    const uint8_t* q = dib.data() + headerSize + i * 4;
    table[i] = q[0] | (q[1] << 8) | (q[2] << 16);  // blue, green, red: already 0x00rrggbb
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    const int32_t row = rawHeight > 0 ? height - 1 - y : y;
    const uint8_t* src = dib.data() + bitsAt + rowBytes * row;
    for (int32_t x = 0; x < width; ++x) {
      uint32_t p = 0;
      if (bitCount == 1)
        p = table[(src[x / 8] >> (7 - x % 8)) & 1];
      else if (bitCount == 24)
        p = src[x * 3] | (src[x * 3 + 1] << 8) | (src[x * 3 + 2] << 16);
      else
        p = ReadDword(src + x * 4) & 0xFFFFFF;
      pixels[static_cast<size_t>(y) * width + x] = p;
    }
  }
  const bool mono = bitCount == 1 && table[0] == 0 && table[1] == 0xFFFFFF;
  if (mono) {
    const int32_t stride = ((width + 15) / 16) * 2;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * height, 0);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        if (pixels[static_cast<size_t>(y) * width + x]) {
          bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
      }
    }
    return CreateBitmap(width, height, 1, 1, bits.data());
  }
  return CreateBitmap(width, height, 1, 32, pixels.data());
}

HBITMAP LoadBitmap(HINSTANCE module, LPCSTR name) {
  HMODULE holder = module ? module : FindResourceModule(name, RT_BITMAP);
  HRSRC resource = holder ? FindResourceA(holder, name, RT_BITMAP) : nullptr;
  if (!resource) return nullptr;
  const void* bytes = LockResource(LoadResource(holder, resource));
  if (!bytes) return nullptr;
  return CreateBitmapFromDib(std::span<const uint8_t>(static_cast<const uint8_t*>(bytes),
                                                      SizeofResource(holder, resource)));
}
