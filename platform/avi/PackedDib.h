#pragma once
// A bitmap's pixels as a packed device-independent bitmap: a 40-byte BITMAPINFOHEADER, the
// colour table (8 bits only) and the bottom-up rows, each padded to four bytes. At 8 bits every
// pixel becomes the nearest entry of the given palette.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/win32/GdiTypes.h"

class DibPacker {
 public:
  // palette: the colours of 8-bit frames (at most 256); empty gives a 6 x 6 x 6 colour cube.
  explicit DibPacker(std::span<const PALETTEENTRY> palette = {});

  // The packed DIB of the bitmap (header, colour table, bits) at 8, 24 or 32 bits per pixel;
  // empty for another depth or a handle that is no bitmap.
  std::vector<uint8_t> Pack(HBITMAP bitmap, int32_t bitDepth);
  // Only the rows of such a DIB, width x height of the bitmap's top left corner (the bitmap must
  // be at least that big); false otherwise. bits is resized to fit.
  bool PackBits(HBITMAP bitmap, int32_t bitDepth, int32_t width, int32_t height,
                std::vector<uint8_t>& bits);

  static size_t Stride(int32_t width, int32_t bitDepth) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitDepth) + 31) / 32 * 4;
  }
  const std::vector<PALETTEENTRY>& Palette() const { return palette_; }

 private:
  uint8_t Nearest(uint32_t rgb);

  std::vector<PALETTEENTRY> palette_;
  // Colours already matched: a frame of a drawn world holds few colours, so the search over the
  // palette runs once per colour instead of once per pixel.
  struct CacheSlot {
    uint32_t rgb = 0xFFFFFFFF;
    uint8_t index = 0;
  };
  std::array<CacheSlot, 4096> cache_{};
};
