#include "model/filing/DocumentFormat.h"

#include "core/geometry/ExtendedReal.h"

#include <array>
#include <cstring>

std::string_view RealFormatTag(RealWidth width) {
  switch (width) {
    case RealWidth::k32:
      return "IE32";
    case RealWidth::k80:
      return "IE80";
    case RealWidth::k96:
      return "IE96";
    case RealWidth::k64:
      break;
  }
  return "IE64";
}

std::optional<RealWidth> ParseRealFormatTag(std::string_view tag) {
  for (RealWidth width : {RealWidth::k32, RealWidth::k64, RealWidth::k80, RealWidth::k96}) {
    if (tag == RealFormatTag(width)) return width;
  }
  return std::nullopt;
}

std::string_view RealFormatTagForSize(size_t bytes) {
  switch (bytes) {
    case 10:
      return "IE80";
    case 12:
      return "IE96";
    case 4:
      return "IE32";
    default:
      return "IE64";
  }
}

RealWidth RealWidthFromFormat(int format) {
  switch (format) {
    case 0:
      return RealWidth::k32;
    case 2:
      return RealWidth::k80;
    case 3:
      return RealWidth::k96;
    default:
      return RealWidth::k64;
  }
}

size_t RealWidthBytes(RealWidth width) {
  switch (width) {
    case RealWidth::k32:
      return 4;
    case RealWidth::k64:
      return 8;
    case RealWidth::k80:
      return 10;
    case RealWidth::k96:
      return 12;
  }
  return 0;
}

VersionInfo LookupVersion(std::string_view version, int32_t current) {
  struct Row {
    std::string_view text;
    VersionInfo info;
  };
  static constexpr std::array<Row, 7> kTable = {{
      {"RE25S", {2, false, false, false}},
      {"S", {6, false, false, false}},
      {"1", {4, false, false, false}},
      {"RE25", {1, false, false, false}},
      {"3", {5, true, false, false}},
      {"YB30", {5, true, false, false}},
      {"YB3X", {5, true, true, false}},
  }};
  for (const Row& row : kTable) {
    if (row.text == version) return row.info;
  }
  return {current, false, false, version.empty()};
}

namespace {

// Windows-1252 byte and the Macintosh byte that documents store for it.
constexpr std::array<std::array<uint8_t, 2>, 5> kRecoding = {{
    {0xB0, 0xA1},  // degree sign
    {0xC5, 0x81},  // capital A with ring
    {0xF8, 0xBF},  // small o with stroke
    {0xD8, 0xAF},  // capital O with stroke
    {0xB4, 0xD5},  // acute accent
}};

struct UnitTagRow {
  uint8_t stored[4];
  char current[5];
};

constexpr std::array<UnitTagRow, 17> kUnitTags = {{
    {{0x9F, 0x96, 0xA5, 0x43}, "unoC"},
    {{0x9F, 0x96, 0xA5, 0x44}, "unoD"},
    {{0x9F, 0x96, 0x43, 0x48}, "unCH"},
    {{0x9F, 0x96, 0xA5, 0x4B}, "unoK"},
    {{0x9F, 0x96, 0xA5, 0x4C}, "unoL"},
    {{0x9F, 0x96, 0xA5, 0x4D}, "unoM"},
    {{0x9F, 0x96, 0x45, 0x4E}, "unEN"},
    {{0x9F, 0x96, 0xA5, 0x54}, "unoT"},
    {{0x9F, 0x96, 0x52, 0x56}, "unRX"},
    {{0x9F, 0x96, 0x57, 0x57}, "unWW"},
    {{0x9F, 0x96, 0x56, 0x6C}, "unVI"},
    {{0x9F, 0x96, 0xA5, 0x6D}, "unsm"},
    {{0x9F, 0x96, 0x53, 0x70}, "unSp"},
    {{0x9F, 0x96, 0x48, 0x7A}, "unHz"},
    {{0x9F, 0x96, 0xA5, 0xA1}, "uno'"},
    {{0x9F, 0x96, 0xBD, 0xBD}, "unOO"},
    {{0x9F, 0x96, 0xC4, 0xC4}, "unff"},
}};

}  // namespace

uint8_t RecodeToStored(uint8_t c) {
  for (const auto& pair : kRecoding) {
    if (pair[0] == c) return pair[1];
  }
  return c;
}

uint8_t RecodeFromStored(uint8_t c) {
  for (const auto& pair : kRecoding) {
    if (pair[1] == c) return pair[0];
  }
  return c;
}

void TranslateUnitTag(uint8_t bytes[4]) {
  for (const UnitTagRow& row : kUnitTags) {
    if (std::memcmp(row.stored, bytes, 4) == 0) {
      std::memcpy(bytes, row.current, 4);
      return;
    }
  }
}

void StoreBig16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value >> 8);
  out[1] = static_cast<uint8_t>(value);
}

void StoreBig32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

uint16_t LoadBig16(const uint8_t* in) {
  return static_cast<uint16_t>(in[0] << 8 | in[1]);
}

uint32_t LoadBig32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) << 24 | static_cast<uint32_t>(in[1]) << 16 |
         static_cast<uint32_t>(in[2]) << 8 | static_cast<uint32_t>(in[3]);
}

double DecodeReal(std::span<const uint8_t> bytes, RealWidth width, bool bigEndian) {
  const size_t n = RealWidthBytes(width);
  if (bytes.size() < n) return 0.0;
  uint8_t host[16] = {};
  for (size_t i = 0; i < n; ++i)
    host[i] = bigEndian ? bytes[n - 1 - i] : bytes[i];
  switch (width) {
    case RealWidth::k32: {
      float value;
      std::memcpy(&value, host, sizeof value);
      return value;
    }
    case RealWidth::k64: {
      double value;
      std::memcpy(&value, host, sizeof value);
      return value;
    }
    case RealWidth::k80:
      return ExtendedToDouble(host);
    case RealWidth::k96:
      break;
  }
  return Extended96ToDouble(host);
}
