#pragma once
// Two small value records of the window layer that other subsystems share.
//
// TriShort: three 16-bit values in memory order first, second, third. Set(a, b, c) puts a in
// the first, c in the second and b in the third, so Set(red, green, blue) gives the colour order
// of the text style's colour: red, blue, green.
//
// TagWord: a 32-bit word read and written whole, whose second 16-bit half (the last two
// characters of a four-character tag, bits 16 to 31 here) can be set as a 15-bit value with a
// flag in its top bit: a vertex index and its coordinate, a table cell's row and column.

#include <cstdint>

struct TriShort {
  uint16_t first = 0;
  uint16_t second = 0;
  uint16_t third = 0;

  constexpr TriShort& Set(uint16_t a, uint16_t b, uint16_t c) {
    first = a;
    second = c;
    third = b;
    return *this;
  }
};

struct TagWord {
  uint32_t word = 0;

  constexpr TagWord& Set(uint32_t value) {
    word = value;
    return *this;
  }
  constexpr uint32_t Get() const { return word; }
  // The second half becomes (value & 0x7FFF), with bit 15 set when `flag` is not 0; the first
  // half stays.
  constexpr TagWord& SetFlag(uint32_t value, int32_t flag) {
    const uint32_t half = (value & 0x7FFFu) | (flag != 0 ? 0x8000u : 0u);
    word = (word & 0xFFFFu) | half << 16;
    return *this;
  }
};
