#include "solver/formula/FormulaLexer.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "solver/formula/FormulaErrors.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameChar(char c) {
  return IsNameStart(c) || IsDigit(c);
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The power of ten of the first significant digit of a well-formed number text ("0.05" -> -2,
// "12e3" -> 4); a number that does not fit a double is too small for one when this is negative.
int64_t LeadingPower(std::string_view text) {
  int64_t power = 0;
  bool found = false;
  bool fraction = false;
  size_t i = 0;
  for (; i < text.size() && (IsDigit(text[i]) || text[i] == '.'); ++i) {
    if (text[i] == '.') {
      fraction = true;
    } else if (fraction) {
      if (!found) --power;
      if (!found && text[i] != '0') found = true;
    } else if (found || text[i] != '0') {
      if (found) ++power;
      found = true;
    }
  }
  int64_t exponent = 0;
  bool negative = false;
  if (i < text.size()) {
    ++i;  // past the "e"
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    for (; i < text.size() && exponent < 100000; ++i)
      exponent = exponent * 10 + (text[i] - '0');
  }
  return power + (negative ? -exponent : exponent);
}

}  // namespace

bool FormulaNameEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

int32_t FormulaLexer::Next() {
  const int32_t size = static_cast<int32_t>(text_.size());
  while (pos_ < size && IsSpace(text_[pos_]))
    ++pos_;
  start_ = pos_;
  if (pos_ >= size) {
    token_ = FormulaToken::kEnd;
    end_ = pos_;
    return kFormulaOk;
  }
  const char c = text_[pos_];
  if (IsDigit(c) || (c == '.' && pos_ + 1 < size && IsDigit(text_[pos_ + 1]))) {
    return ReadNumber();
  }
  if (IsNameStart(c)) {
    while (pos_ < size && IsNameChar(text_[pos_]))
      ++pos_;
    token_ = FormulaToken::kName;
    end_ = pos_;
    return kFormulaOk;
  }
  const char next = pos_ + 1 < size ? text_[pos_ + 1] : '\0';
  int32_t length = 1;
  switch (c) {
    case '+':
      token_ = FormulaToken::kPlus;
      break;
    case '-':
      token_ = FormulaToken::kMinus;
      break;
    case '*':
      token_ = FormulaToken::kStar;
      break;
    case '/':
      token_ = FormulaToken::kSlash;
      break;
    case '^':
      token_ = FormulaToken::kCaret;
      break;
    case '(':
      token_ = FormulaToken::kOpenParen;
      break;
    case ')':
      token_ = FormulaToken::kCloseParen;
      break;
    case '[':
      token_ = FormulaToken::kOpenBracket;
      break;
    case ']':
      token_ = FormulaToken::kCloseBracket;
      break;
    case '|':
      token_ = FormulaToken::kBar;
      break;
    case ',':
      token_ = FormulaToken::kComma;
      break;
    case '.':
      token_ = FormulaToken::kDot;
      break;
    case '=':
      token_ = FormulaToken::kEqual;
      if (next == '=') length = 2;
      break;
    case '!':
      if (next != '=') return kFormulaBadCharacter;
      token_ = FormulaToken::kNotEqual;
      length = 2;
      break;
    case '<':
      token_ = FormulaToken::kLess;
      if (next == '>') token_ = FormulaToken::kNotEqual, length = 2;
      if (next == '=') token_ = FormulaToken::kLessEqual, length = 2;
      break;
    case '>':
      token_ = FormulaToken::kGreater;
      if (next == '=') token_ = FormulaToken::kGreaterEqual, length = 2;
      break;
    default:
      return kFormulaBadCharacter;
  }
  pos_ += length;
  end_ = pos_;
  return kFormulaOk;
}

// Digits, an optional fraction and an optional exponent: "2", "2.000000", ".5", "1.", "1e-3",
// "1.7976931348623157e308". A name character right after a number is malformed ("2x", "1e").
int32_t FormulaLexer::ReadNumber() {
  const int32_t size = static_cast<int32_t>(text_.size());
  while (pos_ < size && IsDigit(text_[pos_]))
    ++pos_;
  if (pos_ < size && text_[pos_] == '.') {
    ++pos_;
    while (pos_ < size && IsDigit(text_[pos_]))
      ++pos_;
  }
  if (pos_ < size && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    int32_t at = pos_ + 1;
    if (at < size && (text_[at] == '+' || text_[at] == '-')) ++at;
    if (at >= size || !IsDigit(text_[at])) return kFormulaBadNumber;
    pos_ = at;
    while (pos_ < size && IsDigit(text_[pos_]))
      ++pos_;
  }
  if (pos_ < size && (IsNameChar(text_[pos_]) || text_[pos_] == '.')) return kFormulaBadNumber;
  // from_chars ignores the locale, so "1.5" reads the same everywhere.
  const char* first = text_.data() + start_;
  const char* last = text_.data() + pos_;
  const auto [end, error] = std::from_chars(first, last, number_);
  // Below the smallest double a number is 0, as it is in any arithmetic on doubles; above the
  // largest there is no number to take.
  const bool underflow = error == std::errc::result_out_of_range &&
                         LeadingPower(std::string_view(first, last - first)) < 0;
  if (underflow) number_ = 0.0;
  if ((error != std::errc() && !underflow) || end != last || !std::isfinite(number_))
    return kFormulaBadNumber;
  token_ = FormulaToken::kNumber;
  end_ = pos_;
  return kFormulaOk;
}
