#pragma once
// Where readers get their classes from: the 'FACT' table resource maps the code of a stored
// object's first block to a class tag, and the class registry creates the class of that tag.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class TLink;

inline constexpr int16_t kFactTableId = 10;

// The bytes of the 'FACT' table resource, or none when it is missing.
std::optional<std::vector<uint8_t>> LoadFactTable();

// The class tag that the table gives a block code: a 16-bit count, then entries of a 16-bit code
// and four tag bytes, searched in order, host byte order. A count larger than the entries present
// is cut to what is there. None when no entry has the code.
std::optional<uint32_t> LookupFactTable(std::span<const uint8_t> table, int16_t code);

// A new object of the registered class with that tag, or null when no registered class has the
// tag or the class is not a world object.
TLink* MapOldClassTag(uint32_t tag);
