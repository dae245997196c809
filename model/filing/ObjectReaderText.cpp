#include "model/filing/ObjectReaderText.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/NumberText.h"
#include "model/Formula.h"

namespace {

bool IsSeparator(int byte) {
  switch (byte) {
    case 0:
    case 9:
    case 10:
    case 13:
    case 32:
    case ',':
    case ':':
    case ';':
    case '{':
    case '}':
      return true;
    default:
      return false;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the whole token is a decimal number: a sign, digits with at most one point among them,
// and an exponent of digits.
bool IsWholeDecimal(std::string_view token) {
  size_t i = 0;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  bool digits = false;
  while (i < token.size() && IsDigit(token[i]))
    ++i, digits = true;
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (i < token.size() && IsDigit(token[i]))
      ++i, digits = true;
  }
  if (!digits) return false;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (i == token.size() || !IsDigit(token[i])) return false;
    while (i < token.size() && IsDigit(token[i]))
      ++i;
  }
  return i == token.size();
}

// Whether the token spells an infinity or a "not a number", as a C library prints them: no
// world holds such a value, so a text carrying one is damaged.
bool SpellsNonFinite(std::string_view token) {
  if (!token.empty() && (token.front() == '+' || token.front() == '-')) token.remove_prefix(1);
  std::string lower;
  for (const char c : token)
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return lower == "inf" || lower == "infinity" || lower.starts_with("nan");
}

}  // namespace

void TextFilerStream::Write(const void*, int32_t) {
  ThrowFailure(kErrTextFormat, 0);
}

void TextFilerStream::Read(void* bytes, int32_t count) {
  // Readers check what remains first; this is the last guard against reading past the end.
  if (count < 0 || count > Remaining()) ThrowFailure(kErrTextFormat, 0);
  if (count > 0) std::memcpy(bytes, bytes_.data() + position_, static_cast<size_t>(count));
  position_ += count;
}

void TextFilerStream::SetPosition(int32_t position) {
  if (position < 0 || position > GetLength()) ThrowFailure(kErrTextFormat, 0);
  position_ = position;
}

void TObjectReaderKind0::FailIfBadFormat(bool bad) {
  if (bad) ThrowFailure(kErrTextFormat, 0);
}

int TObjectReaderKind0::Peek(int32_t ahead) {
  FilerStream& stream = Stream();
  if (stream.Remaining() <= ahead) return -1;
  const int32_t position = stream.GetPosition();
  stream.SetPosition(position + ahead);
  uint8_t byte;
  stream.Read(&byte, 1);
  stream.SetPosition(position);
  return byte;
}

uint8_t TObjectReaderKind0::Get() {
  uint8_t byte;
  // Checked against the stream and any raw block: a truncated text fails here.
  ReadRaw(&byte, 1);
  return byte;
}

void TObjectReaderKind0::SkipSeparators(bool toLineEnd) {
  bool inComment = false;
  for (int byte = Peek(); byte >= 0; byte = Peek()) {
    const int next = Peek(1);
    if (inComment) {
      Get();
      if (byte == '*' && next == '/') {
        Get();
        inComment = false;
      }
      continue;
    }
    if (byte == '/' && next == '*') {
      Get();
      Get();
      inComment = true;
      continue;
    }
    if (!IsSeparator(byte)) return;
    Get();
    if (toLineEnd && (byte == 13 || byte == 10)) {
      if (byte == 13 && next == 10) Get();
      return;
    }
  }
}

void TObjectReaderKind0::ReadToken(Str255& token) {
  token = Str255();
  tokenCut_ = false;
  SkipSeparators();
  // A token must begin before the end: a text cut short is damage.
  const uint8_t first = Get();
  // A token keeps what a stored string holds, as the binary reader does; the rest is read and
  // passed over.
  const auto append = [this, &token](uint8_t byte) {
    if (token.Length() >= Str255::kCapacity) {
      tokenCut_ = true;
      return;
    }
    token.AppendChar(static_cast<char>(byte));
  };
  if (first == '"') {
    for (;;) {
      uint8_t byte = Get();
      if (byte == '"') return;
      if (byte == '\\') byte = Get();
      append(byte);
    }
  }
  append(first);
  for (int byte = Peek(); byte >= 0 && !IsSeparator(byte); byte = Peek())
    append(Get());
}

void TObjectReaderKind0::ReadNumberToken(Str255& token) {
  ReadToken(token);
  // A number cut short would be another number.
  FailIfBadFormat(tokenCut_);
}

void TObjectReaderKind0::Reset() {
  TObjectReader::Reset();
  binary_ = 0;
  rawRecord_ = false;
  contentsStart_ = 0;
  unread_.clear();
}

void TObjectReaderKind0::ReadCode() {
  binary_ = 0;
  SkipSeparators();
  TObjectReader::ReadCode();
}

void TObjectReaderKind0::ReadHeader() {
  char signature[4];
  ReadRaw(signature, 4);
  FailIfBadFormat(std::memcmp(signature, "ZODA", 4) != 0 && std::memcmp(signature, "ZAZU", 4) != 0);
  Str255 version;
  ReadString(version);
  ApplyVersion(version);
  if (!HasExtendedHeader()) return;
  Str255 unused;
  for (int i = 0; i < 7; ++i)
    ReadString(unused);
}

int32_t TObjectReaderKind0::ReadBlockLength() {
  binary_ = 0;
  rawRecord_ = false;
  SetBlockEnd(-1);
  const int32_t mode = ReadLong();
  const int32_t length = ReadLong();
  FailIfBadFormat(length < 0);
  if (mode != 2) {
    FailIfBadFormat(mode != 1);
    SkipSeparators(true);
    FailIfBadFormat(length > Stream().Remaining());
    binary_ = 1;
    rawRecord_ = true;
    SetBlockEnd(Stream().GetPosition() + length);
  }
  contentsStart_ = Stream().GetPosition();
  return length;
}

bool TObjectReaderKind0::ReadBlock(TLink& object) {
  const bool taken = TObjectReader::ReadBlock(object);
  if (taken) binary_ = 0;
  return taken;
}

void TObjectReaderKind0::SkipBlock(int32_t length) {
  // From the start of the contents, whatever an object that declined the record read of it.
  FilerStream& stream = Stream();
  stream.SetPosition(contentsStart_);
  if (rawRecord_) {
    FailIfBadFormat(length > stream.Remaining());
    stream.SetPosition(contentsStart_ + length);
  } else {
    Str255 token;
    for (int32_t i = 0; i < length; ++i)
      ReadToken(token);
  }
  binary_ = 0;
  rawRecord_ = false;
  SetBlockEnd(-1);
  SkipSeparators();
  const int32_t end = stream.GetPosition();
  const int32_t start = RecordStart();
  std::string text(static_cast<size_t>(end - start), '\0');
  stream.SetPosition(start);
  stream.Read(text.data(), end - start);
  unread_ += text;
}

void TObjectReaderKind0::EndObject() {
  if (!unread_.empty()) {
    if (TLink* object = ObjectForStoredIdentifier()) {
      Handle records = AllocHandle(static_cast<uint32_t>(unread_.size()));
      std::memcpy(HandleData(records), unread_.data(), unread_.size());
      object->KeepUnreadRecords(records);
      FreeHandle(records);
    }
    unread_.clear();
  }
  TObjectReader::EndObject();
}

bool TObjectReaderKind0::AtEnd() {
  if (binary_ == 0) SkipSeparators();
  return TObjectReader::AtEnd();
}

double TObjectReaderKind0::ReadReal() {
  Str255 token;
  ReadNumberToken(token);
  double value = 0;
  FailIfBadFormat(!ParseDouble(token, &value) || !std::isfinite(value));
  return value;
}

int32_t TObjectReaderKind0::ReadLong() {
  if (binary_ != 0) return TObjectReader::ReadLong();
  Str255 token;
  ReadNumberToken(token);
  const char* chars = token.Chars();
  const int length = token.Length();
  int i = 0;
  bool negative = false;
  if (i < length && (chars[i] == '-' || chars[i] == '+')) negative = chars[i++] == '-';
  FailIfBadFormat(i == 1 && length == 1);
  int64_t value = 0;
  for (; i < length; ++i) {
    FailIfBadFormat(chars[i] < '0' || chars[i] > '9');
    value = value * 10 + (chars[i] - '0');
    FailIfBadFormat(value > int64_t{INT32_MAX} + 1);
  }
  if (negative) value = -value;
  FailIfBadFormat(value > INT32_MAX);
  return static_cast<int32_t>(value);
}

void TObjectReaderKind0::ReadString(Str255& text) {
  ReadToken(text);
}

char TObjectReaderKind0::ReadChar() {
  Str255 token;
  ReadToken(token);
  return token.IsEmpty() ? '\0' : token.Chars()[0];
}

void TObjectReaderKind0::ReadIntPoint(MacPoint& point) {
  point.v = static_cast<int16_t>(ReadLong());
  point.h = static_cast<int16_t>(ReadLong());
}

void TObjectReaderKind0::ReadTransform(Transform2D& transform) {
  ReadReal();
  const double x = ReadReal();
  const double y = ReadReal();
  const double angle = ReadReal();
  transform = Transform2D::FromVector3(x, y, angle);
}

void TObjectReaderKind0::ReadColor(RGB16Color& colour) {
  const auto red = static_cast<uint16_t>(ReadLong());
  const auto green = static_cast<uint16_t>(ReadLong());
  const auto blue = static_cast<uint16_t>(ReadLong());
  // The text form names green and blue in the order opposite to the colour's own.
  colour = {red, blue, green};
}

uint32_t TObjectReaderKind0::ReadFourCharToken() {
  Str255 token;
  ReadToken(token);
  FailIfBadFormat(token.Length() != 4);
  uint32_t tag;
  std::memcpy(&tag, token.Chars(), 4);
  return tag;
}

uint32_t TObjectReaderKind0::ReadUnitTag() {
  uint32_t tag = ReadFourCharToken();
  uint8_t bytes[4];
  std::memcpy(bytes, &tag, 4);
  TranslateUnitTag(bytes);
  std::memcpy(&tag, bytes, 4);
  return tag;
}

uint32_t TObjectReaderKind0::ReadTag() {
  return ReadFourCharToken();
}

void TObjectReaderKind0::ReadFormula(TFormula& formula) {
  Str255 stored;
  ReadString(stored);
  const std::string_view token(stored.Chars(), static_cast<size_t>(stored.Length()));
  // A quantity written as a plain number is that constant, as the binary form stores it; a
  // number no double holds, an infinity or a "not a number" is damage.
  if (IsWholeDecimal(token)) {
    double value = 0;
    FailIfBadFormat(tokenCut_ || !ParseDouble(stored, &value) || !std::isfinite(value));
    formula.SetConstant(value);
    return;
  }
  FailIfBadFormat(SpellsNonFinite(token));
  // A record's name begins with "#"; any other token is the formula's text.
  if (stored.IsEmpty() || stored.Chars()[0] != '#') {
    formula.SetFromPieces(stored);
    return;
  }
  TFormulaRecord record;
  Str255 text;
  ReadFormulaRecordAfterName(stored, record, text);
  formula.SetFromPieces(text, &record);
}

void TObjectReaderKind0::ReadFormulaRecord(TFormulaRecord& record, Str255& text) {
  Str255 name;
  ReadString(name);
  ReadFormulaRecordAfterName(name, record, text);
}

void TObjectReaderKind0::ReadFormulaRecordAfterName(const Str255& name, TFormulaRecord& record,
                                                    Str255& text) {
  int32_t count = 0;
  FailIfBadFormat(!ParseFormulaRecordName(name, count, text));
  // Every element takes at least two tokens of a byte and a separator each: a count the rest of
  // the text cannot hold is damage, found before anything is allocated for it.
  FailIfBadFormat(count < 0 || static_cast<int64_t>(count) * 4 > Stream().Remaining());
  TFormulaRecord read;
  read.name = name;
  read.first = ReadReal();
  read.second = ReadReal();
  read.kind = ReadLong();
  read.elements.resize(static_cast<size_t>(count));
  for (TFormulaElement& element : read.elements) {
    element.value = ReadReal();
    element.code = ReadLong();
  }
  record = std::move(read);
}
