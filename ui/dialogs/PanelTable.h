#pragma once
// The panel table of a property dialog: the "l)(a" resource of the dialog's number. It names,
// in order of preference, the class (by its registered four-character tag) whose objects show a
// panel, and whether objects of derived classes show it too; a default panel stands when no
// selected object matches. Little-endian: default panel, entry count, then per entry the tag
// (four characters in memory order), the panel number and the include-descendants flag.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/Tag.h"

inline constexpr uint32_t kPanelTableType = MakeTag("l)(a");

struct TPanelEntry {
  uint32_t classTag = 0;
  int16_t panel = 0;
  uint16_t includeDescendants = 0;
};

struct TPanelTable {
  int16_t defaultPanel = 0;
  // Empty when the count is 0 or negative.
  std::vector<TPanelEntry> entries;
};

// The table in the bytes; none when they are too short for the header or for the entries the
// count announces (such a resource counts as missing).
std::optional<TPanelTable> ParsePanelTable(std::span<const uint8_t> bytes);
// The table of the dialog number from the resource libraries; none when missing or malformed.
std::optional<TPanelTable> LoadPanelTable(int16_t dialogNumber);
