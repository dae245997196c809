#pragma once
// The single-byte character set of the program's texts (Windows-1252) against Unicode, and the
// UTF-8 form the desktop and the resource scripts use.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The Unicode code point of a byte. The five bytes the set leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control points of the same value, so every byte survives a
// round trip.
char32_t ResourceCharToUnicode(uint8_t byte);
// The byte of a code point; false when the set has no such character.
bool ResourceCharFromUnicode(char32_t code, uint8_t& byte);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t code);
// Bytes of the program's character set as UTF-8, each through ResourceCharToUnicode.
std::string Win1252ToUtf8(const char* text, size_t count);

// Decodes the UTF-8 character that starts at `at`: true with its code point and its `length` in
// bytes. False when the bytes there are no character: a byte that cannot start one, or a
// sequence broken by a byte that does not continue it (`length` 1), or a sequence cut short by
// the end of the text (`length` the bytes left). Overlong forms are decoded as they stand.
bool DecodeUtf8(std::string_view text, size_t at, char32_t& code, size_t& length);
