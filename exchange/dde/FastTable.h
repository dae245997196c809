#pragma once
// The spreadsheet's fast-table clipboard format as cells travel in it: a table record (type
// 0x0010, size 4: rows and columns) and one float record (type 0x0001, size 8 per value: IEEE
// doubles, row by row), all little-endian.

#include <cstddef>
#include <cstdint>
#include <vector>

// The most values a float record holds: its size field is 16 bits.
inline constexpr size_t kMaxFastTableValues = 4095;

// The block of a table of the given rows and columns holding the values; empty when there are
// more values than a float record holds.
std::vector<uint8_t> EncodeFastTable(uint16_t rows, uint16_t columns, const std::vector<double>& values);
// The values of a block that is a table record followed by a float record, as many as both the
// record and the bytes received hold; false for anything else (strings, too little data).
bool DecodeFastTable(const uint8_t* bytes, size_t size, std::vector<double>* values);
