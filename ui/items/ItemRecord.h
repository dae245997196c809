#pragma once
// A read position in the item records of a dialog's "fltr" resource, bounded by the resource's
// size. Values are little-endian. Every read checks what remains: a record that runs past the
// end of its resource makes the whole resource count as missing, which raises -108 as a missing
// resource does. A text is its characters up to a NUL that must lie inside the resource.

#include <cstdint>
#include <span>
#include <string>

#include "core/PString.h"

class TItemRecordCursor {
 public:
  explicit TItemRecordCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint16_t ReadWord();
  int16_t ReadShort() { return static_cast<int16_t>(ReadWord()); }
  uint32_t ReadLong();
  // A four-character tag in memory order (as the tag constants are written).
  uint32_t ReadTag();
  // The NUL-terminated text at the cursor; the cursor advances past the NUL. At most 255
  // characters are kept; a longer text is still read whole.
  Str255 ReadText();
  void Skip(size_t count);

  size_t Offset() const { return offset_; }
  size_t Remaining() const { return bytes_.size() - offset_; }

 private:
  void Need(size_t count) const;

  std::span<const uint8_t> bytes_;
  size_t offset_ = 0;
};

// Four 16-bit values top, left, bottom, right, as the item records hold their bounds.
struct TItemBounds {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;
};
