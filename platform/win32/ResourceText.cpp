#include "platform/win32/ResourceText.h"

namespace {

// 0x80 to 0x9F; the unassigned places keep their own value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t ResourceCharToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

bool ResourceCharFromUnicode(char32_t code, uint8_t& byte) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
    byte = static_cast<uint8_t>(code);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == code) {
      byte = static_cast<uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string Win1252ToUtf8(const char* text, size_t count) {
  std::string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i)
    AppendUtf8(out, ResourceCharToUnicode(static_cast<uint8_t>(text[i])));
  return out;
}

bool DecodeUtf8(std::string_view text, size_t at, char32_t& code, size_t& length) {
  const auto lead = static_cast<uint8_t>(text[at]);
  size_t extra = 0;
  code = lead;
  if (lead >= 0xF8 || (lead >= 0x80 && lead < 0xC0)) {
    length = 1;  // never the first byte of a character
    return false;
  }
  if (lead >= 0xF0) {
    extra = 3, code = lead & 0x07;
  } else if (lead >= 0xE0) {
    extra = 2, code = lead & 0x0F;
  } else if (lead >= 0xC0) {
    extra = 1, code = lead & 0x1F;
  }
  if (at + extra >= text.size() && extra > 0) {
    length = text.size() - at;
    return false;
  }
  for (size_t k = 1; k <= extra; ++k) {
    const auto next = static_cast<uint8_t>(text[at + k]);
    if ((next & 0xC0) != 0x80) {
      length = 1;
      return false;
    }
    code = code << 6 | (next & 0x3F);
  }
  length = 1 + extra;
  return true;
}
