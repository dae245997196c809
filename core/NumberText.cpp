#include "core/NumberText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "core/Resources.h"
#include "core/Tag.h"
#include "core/geometry/NumberFormat.h"

namespace {

inline constexpr int kMenuTextMax = 153;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The longest number at the start of text after blanks: sign, digits, point, digits, and an
// exponent only when digits follow it. Empty when there is no digit.
std::string NumberPrefix(const char* text) {
  const char* p = text;
  while (IsBlank(*p))
    ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (IsDigit(*p))
    ++p, digits = true;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p))
      ++p, digits = true;
  }
  if (!digits) return {};
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (IsDigit(*q)) {
      while (IsDigit(*q))
        ++q;
      p = q;
    }
  }
  return std::string(start, p);
}

// The integer at the start of text after blanks, with its sign; false when it does not fit.
bool IntegerPrefix(const char* text, int64_t& value) {
  const char* p = text;
  while (IsBlank(*p))
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  value = 0;
  bool fits = true;
  for (; IsDigit(*p); ++p) {
    value = value * 10 + (*p - '0');
    if (value > int64_t{1} << 40) fits = false, value = int64_t{1} << 40;
  }
  if (negative) value = -value;
  return fits;
}

bool BelievedZero(const Str255& s) {
  return AllCharsIn(s.Chars(), kZeroTextSet);
}

CommandMenuTextLookup& MenuLookup() {
  static CommandMenuTextLookup lookup;
  return lookup;
}

std::string MenuText(int32_t command) {
  if (!MenuLookup()) return {};
  std::string text = MenuLookup()(command);
  if (text.size() > kMenuTextMax) text.resize(kMenuTextMax);
  return text;
}

}  // namespace

bool CommandResourceName(int16_t command, Str255& out) {
  Handle handle = GetResourceHandle(MakeTag("CmdN"), command);
  if (handle == nullptr) return false;
  const char* data = HandleData(handle);
  const uint32_t size = GetHandleByteSize(handle);
  const void* end = std::memchr(data, '\0', size);
  const size_t length =
      end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - data) : size;
  out = Str255();
  pstring_detail::Assign(out.MutableBytes(), Str255::kCapacity,
                         reinterpret_cast<const uint8_t*>(data), length);
  ReleaseResourceHandle(handle);
  return true;
}

bool AllCharsIn(const char* text, const char* set) {
  if (text == nullptr || set == nullptr) return false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (std::strchr(set, *p) == nullptr) return false;
  }
  return true;
}

bool ParseDouble(const Str255& s, double* out) {
  if (s.IsEmpty() || out == nullptr) return false;
  const std::string number = NumberPrefix(s.Chars());
  double value = 0.0;
  bool inRange = true;
  if (!number.empty()) {
    char* end = nullptr;
    errno = 0;
    value = StrtodC(number.c_str(), &end);
    inRange = !(errno == ERANGE && std::isinf(value));
  }
  *out = value;
  if (!inRange) return false;
  return value != 0.0 || BelievedZero(s);
}

bool ParseLong(const Str255& s, int32_t* out) {
  if (s.IsEmpty() || out == nullptr) return false;
  int64_t value = 0;
  const bool fits = IntegerPrefix(s.Chars(), value) && value >= INT32_MIN && value <= INT32_MAX;
  *out = static_cast<int32_t>(static_cast<uint32_t>(value));
  if (!fits) return false;
  return value != 0 || BelievedZero(s);
}

void ParseShort(const Str255& s, int16_t& out, int16_t /*ignored*/, bool& ok) {
  int64_t value = 0;
  const bool fits = IntegerPrefix(s.Chars(), value) && value >= INT16_MIN && value <= INT16_MAX;
  out = static_cast<int16_t>(static_cast<uint16_t>(value));
  ok = fits && (out != 0 || BelievedZero(s));
}

void ParseLongUnchecked(const Str255& s, int32_t& out) {
  int64_t value = 0;
  IntegerPrefix(s.Chars(), value);
  out = static_cast<int32_t>(static_cast<uint32_t>(value));
}

void FormatDouble(int32_t format, double x, Str255& out) {
  int digits = format >> 16;
  if (digits < 1) digits = 1;
  if (digits > 17) digits = 17;
  char text[64];
  FormatDoubleC(text, sizeof text, "%.*g", digits, x);
  out.Assign(text);
}

char* RemoveChar(char* text, char c) {
  if (text == nullptr) return text;
  char* found = std::strchr(text, c);
  if (found != nullptr && c != '\0') std::memmove(found, found + 1, std::strlen(found + 1) + 1);
  return text;
}

void ReplaceChar(char* text, char c, char replacement) {
  if (text == nullptr || c == '\0') return;
  char* found = std::strchr(text, c);
  if (found != nullptr) *found = replacement;
}

void MemCopy(const void* source, void* destination, size_t count) {
  if (count > 0) std::memmove(destination, source, count);
}

void SetCommandMenuTextLookup(CommandMenuTextLookup lookup) {
  MenuLookup() = std::move(lookup);
}

void GetCommandName(int16_t command, Str255& out) {
  if (command != 0 && CommandResourceName(command, out)) return;
  std::string text = MenuText(command);
  if (text.empty()) text = MenuText(int32_t{command} + 0x4000);
  RemoveChar(text.data(), '&');
  text.resize(std::strlen(text.c_str()));
  ReplaceChar(text.data(), '\b', ' ');
  out.Assign(text.c_str());
}
