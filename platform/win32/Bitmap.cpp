#include "platform/win32/Bitmap.h"

#include <algorithm>
#include <cstdint>
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

HBITMAP CreateBitmapFromDibPart(std::span<const uint8_t> dib, const RECT& part) {
  if (dib.size() < 40 || ReadDword(dib.data()) < 40) return nullptr;
  const uint32_t headerSize = ReadDword(dib.data());
  const auto width = static_cast<int32_t>(ReadDword(dib.data() + 4));
  const auto rawHeight = static_cast<int32_t>(ReadDword(dib.data() + 8));
  const uint16_t bitCount = ReadWord(dib.data() + 14);
  const uint32_t compression = ReadDword(dib.data() + 16);
  uint32_t colorsUsed = ReadDword(dib.data() + 32);
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || compression != 0) return nullptr;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    return nullptr;
  const int32_t height = std::abs(rawHeight);
  // Indexed pixels carry a colour table: all 2^bits colours unless the header says fewer.
  const uint32_t tableSize = bitCount <= 8 ? uint32_t{1} << bitCount : 0;
  if (bitCount <= 8 && colorsUsed == 0) colorsUsed = tableSize;
  if (bitCount > 8) colorsUsed = 0;
  if (colorsUsed > tableSize || headerSize > dib.size()) return nullptr;
  const size_t tableBytes = size_t{colorsUsed} * 4;
  const size_t rowBytes = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
  const size_t bitsAt = headerSize + tableBytes;
  if (bitsAt > dib.size() || rowBytes * height > dib.size() - bitsAt) return nullptr;
  // Indices past a short table read as black (but the second of a one-bit image as white).
  uint32_t table[256] = {0, 0xFFFFFF};
  for (uint32_t i = 0; i < colorsUsed; ++i) {
    const uint8_t* q = dib.data() + headerSize + i * 4;
    table[i] = q[0] | (q[1] << 8) | (q[2] << 16);  // blue, green, red: already 0x00rrggbb
  }
  const int32_t left = std::max(part.left, 0);
  const int32_t top = std::max(part.top, 0);
  const int32_t right = std::min(part.right, width);
  const int32_t bottom = std::min(part.bottom, height);
  if (left >= right || top >= bottom) return nullptr;
  const bool mono = bitCount == 1 && table[0] == 0 && table[1] == 0xFFFFFF;
  HBITMAP handle = CreateBitmap(right - left, bottom - top, 1, mono ? 1 : 32, nullptr);
  GdiBitmap* bitmap = LookupBitmap(handle);
  if (!bitmap) return nullptr;
  // Decoded straight into the bitmap: a monochrome bitmap keeps black and white pixels too.
  cairo_surface_flush(bitmap->surface);
  for (int32_t y = top; y < bottom; ++y) {
    const int32_t row = rawHeight > 0 ? height - 1 - y : y;
    const uint8_t* src = dib.data() + bitsAt + rowBytes * row;
    uint32_t* out = bitmap->Row(y - top);
    for (int32_t x = left; x < right; ++x) {
      uint32_t p = 0;
      if (bitCount == 1)
        p = table[(src[x / 8] >> (7 - x % 8)) & 1];
      else if (bitCount == 4)
        p = table[(src[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F];
      else if (bitCount == 8)
        p = table[src[x]];
      else if (bitCount == 24)
        p = src[size_t{3} * x] | (src[size_t{3} * x + 1] << 8) | (src[size_t{3} * x + 2] << 16);
      else
        p = ReadDword(src + static_cast<size_t>(x) * 4) & 0xFFFFFF;
      out[x - left] = p;
    }
  }
  cairo_surface_mark_dirty(bitmap->surface);
  return handle;
}

bool DibDimensions(std::span<const uint8_t> dib, int64_t& width, int64_t& height) {
  if (dib.size() < 12) return false;
  width = static_cast<int32_t>(ReadDword(dib.data() + 4));
  height = std::abs(int64_t{static_cast<int32_t>(ReadDword(dib.data() + 8))});
  return true;
}

HBITMAP CreateBitmapFromDib(std::span<const uint8_t> dib) {
  return CreateBitmapFromDibPart(dib, RECT{0, 0, INT32_MAX, INT32_MAX});
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
