#include "core/PString.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pstring_detail {

namespace {

void Terminate(uint8_t* bytes) { bytes[bytes[0] + 1] = 0; }

}  // namespace

size_t CStringLength(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

int FormatInt(char* out, int32_t n) { return std::snprintf(out, 16, "%" PRId32, n); }

void Assign(uint8_t* bytes, int capacity, const uint8_t* chars, size_t count) {
  const int length = count > static_cast<size_t>(capacity) ? capacity : static_cast<int>(count);
  if (length > 0) std::memmove(bytes + 1, chars, length);
  bytes[0] = static_cast<uint8_t>(length);
  Terminate(bytes);
}

void Insert(uint8_t* bytes, int capacity, const uint8_t* chars, int count, int position) {
  const int n = bytes[0];
  int p = position < 1 ? 1 : position;
  if (p > n + 1 && n < capacity) p = n + 1;
  const int taken = count + p <= capacity ? count : capacity - p + 1;
  if (taken <= 0) return;
  const int lastInserted = p + taken - 1;
  const int tail = n - p + 1;
  const int keptTail = lastInserted + tail <= capacity ? tail : capacity - lastInserted;
  // The source may live inside this string, so keep a copy before the tail moves.
  uint8_t source[256];
  std::memcpy(source, chars, taken);
  if (keptTail > 0) std::memmove(bytes + lastInserted + 1, bytes + p, keptTail);
  std::memcpy(bytes + p, source, taken);
  bytes[0] = static_cast<uint8_t>(lastInserted + (keptTail > 0 ? keptTail : 0));
  Terminate(bytes);
}

void Delete(uint8_t* bytes, int position, int count) {
  const int n = bytes[0];
  if (position < 1 || count < 1 || position > n) return;
  const int removed = count < n - position + 1 ? count : n - position + 1;
  std::memmove(bytes + position, bytes + position + removed, n - position - removed + 1);
  bytes[0] = static_cast<uint8_t>(n - removed);
  Terminate(bytes);
}

int Pos(const uint8_t* bytes, const uint8_t* needle, int needleLength, int start) {
  const int n = bytes[0];
  if (needleLength <= 0) return 0;
  for (int p = start < 1 ? 1 : start; p + needleLength - 1 <= n; ++p) {
    if (std::memcmp(bytes + p, needle, needleLength) == 0) return p;
  }
  return 0;
}

bool ReplaceAll(uint8_t* bytes, int capacity, const uint8_t* find, const uint8_t* replacement) {
  if (find[0] == 0 || bytes[0] == 0) return false;
  // The replacement may be this very string; work from a copy.
  uint8_t with[256];
  std::memcpy(with, replacement, replacement[0] + 1);
  uint8_t what[256];
  std::memcpy(what, find, find[0] + 1);
  bool replaced = false;
  int start = 1;
  for (;;) {
    const int at = Pos(bytes, what + 1, what[0], start);
    if (at == 0) return replaced;
    Delete(bytes, at, what[0]);
    Insert(bytes, capacity, with + 1, with[0], at);
    replaced = true;
    start = at + with[0] + (with[0] == 0 ? 1 : 0);
  }
}

bool ReplaceAllCopy(uint8_t* bytes, int capacity, const uint8_t* find,
                    const uint8_t* replacement) {
  if (find[0] == 0) return false;
  uint8_t original[257];
  std::memcpy(original, bytes, bytes[0] + 2);
  uint8_t with[256];
  std::memcpy(with, replacement, replacement[0] + 1);
  uint8_t what[256];
  std::memcpy(what, find, find[0] + 1);
  bool replaced = false;
  Assign(bytes, capacity, nullptr, 0);
  int from = 1;
  for (;;) {
    const int at = Pos(original, what + 1, what[0], from);
    const int end = at == 0 ? original[0] + 1 : at;
    Insert(bytes, capacity, original + from, end - from, bytes[0] + 1);
    if (at == 0) return replaced;
    Insert(bytes, capacity, with + 1, with[0], bytes[0] + 1);
    replaced = true;
    from = at + what[0];
  }
}

void ToUpper(uint8_t* bytes) {
  for (int i = 1; i <= bytes[0]; ++i) bytes[i] = static_cast<uint8_t>(std::toupper(bytes[i]));
}

void ToLower(uint8_t* bytes) {
  for (int i = 1; i <= bytes[0]; ++i) bytes[i] = static_cast<uint8_t>(std::tolower(bytes[i]));
}

int Compare(const uint8_t* a, const uint8_t* b) {
  // Byte 0 is the length, so a shorter string orders first whatever its characters.
  const int shorter = a[0] < b[0] ? a[0] : b[0];
  for (int i = 0; i <= shorter; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

const char* AsCString(const uint8_t* bytes) {
  static char buffers[4][256];
  static int next = 0;
  next = (next + 1) % 4;
  char* buffer = buffers[next];
  std::memcpy(buffer, bytes + 1, bytes[0]);
  buffer[bytes[0]] = '\0';
  return buffer;
}

}  // namespace pstring_detail

int PStringCompare(const Str255& a, const Str255& b) { return Str255::Compare(a, b); }
bool PStringEquals(const Str255& a, const Str255& b) { return PStringCompare(a, b) == 0; }
bool PStringDiffers(const Str255& a, const Str255& b) { return PStringCompare(a, b) != 0; }
bool PStringEqualsCString(const Str255& a, const char* b) { return PStringEquals(a, Str255(b)); }
bool PStringDiffersCString(const Str255& a, const char* b) {
  return PStringDiffers(a, Str255(b));
}
bool PStringGreater(const Str255& a, const Str255& b) { return PStringCompare(a, b) > 0; }
bool PStringLess(const Str255& a, const Str255& b) { return PStringCompare(a, b) < 0; }
bool PStringNotLess(const Str255& a, const Str255& b) { return PStringCompare(a, b) >= 0; }
bool PStringNotGreater(const Str255& a, const Str255& b) { return PStringCompare(a, b) <= 0; }

Str255 ConcatPStrings(const Str255& a, const Str255& b) {
  Str255 result = a;
  result.Append(b);
  return result;
}

Str255 ConcatPStringCString(const Str255& a, const char* b) {
  Str255 result = a;
  result.AppendCString(b);
  return result;
}

Str255 ConcatCStringPString(const char* a, const Str255& b) {
  Str255 result(a);
  result.Append(b);
  return result;
}

void ConcatPStringNumber(Str255& out, const Str255& text, int16_t n) {
  char digits[16];
  pstring_detail::FormatInt(digits, n);
  out = ConcatPStringCString(text, digits);
}

void NumToString(int32_t n, Str255& out) {
  char digits[16];
  pstring_detail::FormatInt(digits, n);
  out.Assign(digits);
}

void StringToNum(const Str255& text, int32_t& out) { out = CStringToNum(text.Chars()); }

int32_t CStringToNum(const char* text) {
  // A program integer has 32 bits: text beyond that range reads as the nearest bound.
  const long long value = std::strtoll(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

void PStringJoinParts(Str255& buffer, std::span<const Str63> parts) {
  for (const Str63& part : parts) {
    if (part.IsEmpty()) break;
    buffer.Append(part);
  }
}

void PStringAssignTo(const Str255& source, Str255& destination) { destination = source; }
void PStringInsert(const Str255& source, Str255& destination, int position) {
  destination.Insert(source, position);
}
int PStringPos(const Str255& needle, const Str255& text) { return text.Pos(needle); }
void PStringDelete(Str255& text, int position, int count) { text.Delete(position, count); }
int PStringLength(const Str255& text) { return text.Length(); }
