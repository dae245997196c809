#pragma once
// The single-byte character set of the program's texts (Windows-1252) against Unicode, for the
// string tables, which hold UTF-16.

#include <cstdint>

// The Unicode code point of a byte. The five bytes the set leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control points of the same value, so every byte survives a
// round trip.
char32_t ResourceCharToUnicode(uint8_t byte);
// The byte of a code point; false when the set has no such character.
bool ResourceCharFromUnicode(char32_t code, uint8_t& byte);
