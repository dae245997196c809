#pragma once
// Where readers get their classes from: the table that maps the code of a stored object's first
// block to a class tag (the 'FACT' resource), and the creation of a registered class by its tag.
// The application connects both to the resources and the class registry at start-up; tests
// connect their own.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class TLink;

struct ClassSource {
  // The bytes of the 'FACT' table, or none when the resource is missing.
  std::function<std::optional<std::vector<uint8_t>>()> factTable;
  // A new object of the registered class with that tag (the one registered last wins), or null.
  std::function<TLink*(uint32_t tag)> create;
};

// Replaces the source readers use; an empty source makes every creation fail with -108.
void SetClassSource(ClassSource source);
const ClassSource& GetClassSource();

// The class tag that the table gives a block code: a 16-bit count, then entries of a 16-bit code
// and four tag bytes, searched in order, host byte order. A count larger than the entries present
// is cut to what is there. None when no entry has the code.
std::optional<uint32_t> LookupFactTable(std::span<const uint8_t> table, int16_t code);
