#pragma once
// Counted strings: a length byte followed by the characters, then a NUL, so the characters can
// also be read as a C string. Four capacities exist (255, 63, 32, 31 characters); every writer
// truncates silently to the capacity of the string it writes into. Positions are 1-based.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pstring_detail {

// The operations work on a string's bytes and capacity, so that every capacity shares one code.
void Assign(uint8_t* bytes, int capacity, const uint8_t* chars, size_t count);
void Insert(uint8_t* bytes, int capacity, const uint8_t* chars, int count, int position);
void Delete(uint8_t* bytes, int position, int count);
int Pos(const uint8_t* bytes, const uint8_t* needle, int needleLength, int start);
bool ReplaceAll(uint8_t* bytes, int capacity, const uint8_t* find, const uint8_t* replacement);
bool ReplaceAllCopy(uint8_t* bytes, int capacity, const uint8_t* find, const uint8_t* replacement);
void ToUpper(uint8_t* bytes);
void ToLower(uint8_t* bytes);
int Compare(const uint8_t* a, const uint8_t* b);
const char* AsCString(const uint8_t* bytes);
size_t CStringLength(const char* text);
// Writes the decimal text of n with a NUL and answers its length.
int FormatInt(char* out, int32_t n);

}  // namespace pstring_detail

template <int Capacity, int BodySize>
class TCountedString {
  static_assert(Capacity >= 1 && Capacity <= 255);

 public:
  static constexpr int kCapacity = Capacity;
  // The size of the stored form that raw copies and string handles carry.
  static constexpr int kBodySize = BodySize;

  TCountedString() = default;
  TCountedString(const char* text) { Assign(text); }  // NOLINT: converts like a literal
  explicit TCountedString(char c) {
    if (c != '\0') AppendChar(c);
  }
  template <int C, int B>
  TCountedString(const TCountedString<C, B>& other) {  // NOLINT: clamps to this capacity
    Assign(other);
  }

  // Length = strlen clamped to the capacity; null gives the empty string.
  void Assign(const char* text) {
    pstring_detail::Assign(bytes_, Capacity, reinterpret_cast<const uint8_t*>(text),
                           pstring_detail::CStringLength(text));
  }
  template <int C, int B>
  void Assign(const TCountedString<C, B>& other) {
    pstring_detail::Assign(bytes_, Capacity, other.Bytes() + 1, other.Length());
  }
  // Copies a stored body (kBodySize bytes) and terminates it after its length.
  void AssignRaw(const uint8_t* body) {
    const int length = body[0] < Capacity ? body[0] : Capacity;
    pstring_detail::Assign(bytes_, Capacity, body + 1, length);
  }

  int Length() const { return bytes_[0]; }
  bool IsEmpty() const { return bytes_[0] == 0; }
  // The address of byte i (0 is the length byte).
  uint8_t* CharAt(int i) { return &bytes_[i]; }
  const uint8_t* CharAt(int i) const { return &bytes_[i]; }
  // The characters as a C string; valid while the string lives unchanged.
  const char* Chars() const { return reinterpret_cast<const char*>(bytes_ + 1); }
  const uint8_t* Bytes() const { return bytes_; }
  const uint8_t* Body() const { return bytes_; }

  // A copy in one of four rotating buffers, valid until four further conversions.
  const char* AsCString() const { return pstring_detail::AsCString(bytes_); }

  // Inserts before a 1-based position, truncating to the capacity.
  template <int C, int B>
  void Insert(const TCountedString<C, B>& source, int position) {
    pstring_detail::Insert(bytes_, Capacity, source.Bytes() + 1, source.Length(), position);
  }
  void InsertCString(const char* text, int position) {
    const size_t n = pstring_detail::CStringLength(text);
    pstring_detail::Insert(bytes_, Capacity, reinterpret_cast<const uint8_t*>(text),
                           n > 255 ? 255 : static_cast<int>(n), position);
  }
  template <int C, int B>
  void Append(const TCountedString<C, B>& source) {
    Insert(source, Length() + 1);
  }
  void AppendCString(const char* text) { InsertCString(text, Length() + 1); }
  // Adds one character; a full string drops it.
  void AppendChar(char c) {
    const auto byte = static_cast<uint8_t>(c);
    pstring_detail::Insert(bytes_, Capacity, &byte, 1, Length() + 1);
  }
  // Appends the decimal text of n; the result holds at most 254 characters.
  void AppendNumber(int32_t n);

  // Removes up to count characters from position.
  void Delete(int position, int count) { pstring_detail::Delete(bytes_, position, count); }
  // Up to count characters from position into out (empty when nothing is left there).
  template <int C, int B>
  void Substring(TCountedString<C, B>& out, int position, int count) const {
    out = TCountedString<C, B>();
    if (position < 1 || count < 1 || position > Length()) return;
    const int available = Length() - position + 1;
    pstring_detail::Assign(out.MutableBytes(), C, bytes_ + position,
                           count < available ? count : available);
  }

  // 1-based position of the first occurrence at or after start, 0 when absent.
  template <int C, int B>
  int Pos(const TCountedString<C, B>& needle, int start = 1) const {
    return pstring_detail::Pos(bytes_, needle.Bytes() + 1, needle.Length(), start);
  }
  int PosOfCString(const char* needle, int start = 1) const {
    return pstring_detail::Pos(bytes_, reinterpret_cast<const uint8_t*>(needle),
                               static_cast<int>(pstring_detail::CStringLength(needle)), start);
  }

  void ToUpper() { pstring_detail::ToUpper(bytes_); }
  void ToLower() { pstring_detail::ToLower(bytes_); }

  // Replaces every occurrence of find, searching on after each inserted replacement; true when
  // anything was replaced.
  template <int C1, int B1, int C2, int B2>
  bool ReplaceAll(const TCountedString<C1, B1>& find, const TCountedString<C2, B2>& replacement) {
    return pstring_detail::ReplaceAll(bytes_, Capacity, find.Bytes(), replacement.Bytes());
  }
  // Replaces every occurrence that the original text holds, adjacent ones included.
  template <int C1, int B1, int C2, int B2>
  bool ReplaceAllCopy(const TCountedString<C1, B1>& find,
                      const TCountedString<C2, B2>& replacement) {
    return pstring_detail::ReplaceAllCopy(bytes_, Capacity, find.Bytes(), replacement.Bytes());
  }

  // The four characters of a tag, in memory order.
  static TCountedString FromTag(uint32_t tag) {
    TCountedString result;
    pstring_detail::Assign(result.bytes_, Capacity, reinterpret_cast<const uint8_t*>(&tag),
                           Capacity < 4 ? Capacity : 4);
    return result;
  }
  // The first four characters read as a tag (missing ones are NUL).
  uint32_t ToTag() const {
    uint32_t tag = 0;
    auto* out = reinterpret_cast<uint8_t*>(&tag);
    for (int i = 0; i < 4 && i < Length(); ++i) out[i] = bytes_[i + 1];
    return tag;
  }

  // Orders by length first, then by unsigned bytes: "ZZ" comes before "AAA".
  template <int C1, int B1, int C2, int B2>
  static int Compare(const TCountedString<C1, B1>& a, const TCountedString<C2, B2>& b) {
    return pstring_detail::Compare(a.Bytes(), b.Bytes());
  }

  uint8_t* MutableBytes() { return bytes_; }

 private:
  // Length byte, characters and room for the NUL after a full string.
  uint8_t bytes_[Capacity + 2] = {};
};

using Str255 = TCountedString<255, 256>;
using PString = Str255;
using Str63 = TCountedString<63, 64>;
using Str32 = TCountedString<32, 32>;
using Str31 = TCountedString<31, 32>;

template <int C1, int B1, int C2, int B2>
bool operator==(const TCountedString<C1, B1>& a, const TCountedString<C2, B2>& b) {
  return pstring_detail::Compare(a.Bytes(), b.Bytes()) == 0;
}
template <int C1, int B1, int C2, int B2>
std::strong_ordering operator<=>(const TCountedString<C1, B1>& a,
                                 const TCountedString<C2, B2>& b) {
  return pstring_detail::Compare(a.Bytes(), b.Bytes()) <=> 0;
}

// The named comparisons: the Compare result tested against 0; a C string is converted first.
int PStringCompare(const Str255& a, const Str255& b);
bool PStringEquals(const Str255& a, const Str255& b);
bool PStringDiffers(const Str255& a, const Str255& b);
bool PStringEqualsCString(const Str255& a, const char* b);
bool PStringDiffersCString(const Str255& a, const char* b);
bool PStringGreater(const Str255& a, const Str255& b);
bool PStringLess(const Str255& a, const Str255& b);
bool PStringNotLess(const Str255& a, const Str255& b);
bool PStringNotGreater(const Str255& a, const Str255& b);

// Concatenations into a result of capacity 255.
Str255 ConcatPStrings(const Str255& a, const Str255& b);
Str255 ConcatPStringCString(const Str255& a, const char* b);
Str255 ConcatCStringPString(const char* a, const Str255& b);
// out = text followed by the decimal text of n.
void ConcatPStringNumber(Str255& out, const Str255& text, int16_t n);

void NumToString(int32_t n, Str255& out);
// The number at the start of the text, as atol reads it.
void StringToNum(const Str255& text, int32_t& out);
int32_t CStringToNum(const char* text);

// Appends parts to buffer one after another, up to the first empty one.
void PStringJoinParts(Str255& buffer, std::span<const Str63> parts);

// The same operations with the source first.
void PStringAssignTo(const Str255& source, Str255& destination);
void PStringInsert(const Str255& source, Str255& destination, int position);
int PStringPos(const Str255& needle, const Str255& text);
void PStringDelete(Str255& text, int position, int count);
int PStringLength(const Str255& text);

template <int Capacity, int BodySize>
void TCountedString<Capacity, BodySize>::AppendNumber(int32_t n) {
  char digits[16];
  const int count = pstring_detail::FormatInt(digits, n);
  pstring_detail::Insert(bytes_, Capacity < 254 ? Capacity : 254,
                         reinterpret_cast<const uint8_t*>(digits), count, Length() + 1);
}
