#include "solver/stream/StreamCursor.h"

#include <charconv>

#include "solver/engine/EngineEntry.h"

namespace yb::stream {

namespace {

// The code that follows a formula record's name.
constexpr int16_t kFormulaRecordCode = 3;

}  // namespace

void StreamCursor::Fail(const std::string& message) {
  throw StreamError{kEngineCannotRead, message};
}

void StreamCursor::Need(int64_t count, const char* what) const {
  if (count < 0 || count > Remaining())
    Fail(std::string("the stream ends inside ") + what);
}

void StreamCursor::Expect(int64_t count, int64_t itemBytes, const char* what) const {
  if (count < 0) Fail(std::string("a negative count of ") + what);
  if (count > Remaining() / itemBytes)
    Fail(std::string("more ") + what + " than the stream holds");
}

StreamCursor StreamCursor::Take(int64_t count) {
  Need(count, "a block");
  StreamCursor part(at_, count);
  at_ += count;
  return part;
}

void StreamCursor::Skip(int64_t count) {
  Need(count, "an item");
  at_ += count;
}

std::string StreamCursor::String() {
  const auto length = static_cast<uint16_t>(Code());
  Need(length, "a string");
  std::string text(reinterpret_cast<const char*>(at_), length);
  at_ += length;
  // The pad byte of an odd length may be missing only at the very end.
  if (length % 2 != 0 && !AtEnd()) ++at_;
  return text;
}

// A stored record's name is "#", the element count, ":" and the text; the record code, two
// doubles, a long and count pairs of a double and a long follow it. The solver needs the text
// only.
FormulaItem StreamCursor::Formula() {
  FormulaItem item;
  if (Code() != 0) {
    item.value = Double();
    return item;
  }
  item.isConstant = false;
  item.text = String();
  if (item.text.empty() || item.text[0] != '#') return item;
  const size_t colon = item.text.find(':');
  int32_t count = -1;
  const char* first = item.text.data() + 1;
  const char* last = item.text.data() + (colon == std::string::npos ? 1 : colon);
  const auto parsed = std::from_chars(first, last, count);
  if (colon == std::string::npos || parsed.ptr != last || parsed.ec != std::errc() || count < 0)
    Fail("a formula record whose name does not give its count");
  item.text.erase(0, colon + 1);
  if (Code() != kFormulaRecordCode) Fail("a formula record without its record code");
  Skip(8 + 8 + 4);
  Expect(count, 12, "formula record elements");
  Skip(static_cast<int64_t>(count) * 12);
  return item;
}

}  // namespace yb::stream
