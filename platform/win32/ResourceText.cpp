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
