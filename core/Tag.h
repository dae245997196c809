#pragma once
// Four-character tags. A tag names a property, a stream field, a resource type, a clipboard
// format or a class: the four bytes of its text taken in memory order as a little-endian 32-bit
// number, so "FACT" is 0x54434146. Tags compare as unsigned numbers, which orders them by their
// fourth character first.

#include <cstddef>
#include <cstdint>

// The tag of four characters, in a form usable in constant expressions: MakeTag("mass").
constexpr uint32_t MakeTag(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// The tag of the four characters at text (which must hold at least four bytes).
uint32_t TagFromString(const char* text);
// The same computation, for the program's table of tag texts.
uint32_t TagFromStringPtr(const char* text);
// The tag itself; kept so that code that names tags through a call reads the same everywhere.
constexpr uint32_t TagValue(uint32_t tag) {
  return tag;
}

// Reverses n bytes in place; turns a value between host and big-endian order.
void ReverseBytes(void* buffer, size_t n);

// A 32-bit point: v in the low word, h in the high word.
uint32_t MakeMacPoint(int16_t h, int16_t v);
// A 64-bit value from its two halves.
uint64_t MakeInt64(uint32_t low, uint32_t high);
