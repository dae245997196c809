#pragma once
// The parts of a picture that the player reads in more than one place: regions and pixel
// images. Both refuse data that is short or out of its declared bounds.

#include <cstdint>
#include <vector>

#include "platform/picture/PictReader.h"
#include "platform/win32/Region.h"

// Regions larger than this many pixels a side are refused: no document draws one, and the
// decoder's work grows with the side.
inline constexpr int32_t kMaxPictSide = 8192;

// Reads a region (size, bounding box, then inversion points for a non-rectangular one) into
// out; false on malformed data.
bool ReadPictRegion(PictReader& in, RegionData& out);

// A decoded image: 0x00rrggbb pixels, rows top to bottom, of the source rectangle's size.
struct PictImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  RECT source{};       // in the image's bounds
  RECT destination{};  // in picture units
  int16_t mode = 0;
  bool hasMask = false;
  RegionData mask;
};

// Reads the bit map or pixel map of opcodes 0x90, 0x91, 0x98, 0x99 and 0x9A (the opcode given)
// with its rectangles, mode and mask region. fore and back are the colours of a one-bit bit
// map's set and clear bits. False on malformed data.
bool ReadPictImage(PictReader& in, uint16_t opcode, uint32_t fore, uint32_t back,
                   PictImage& out);
