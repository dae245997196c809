#pragma once
// Splits formula text into tokens. Names are kept as written; the parser compares them without
// regard to case.

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class FormulaToken : uint8_t {
  kEnd,
  kNumber,
  kName,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kCaret,
  kOpenParen,
  kCloseParen,
  kOpenBracket,
  kCloseBracket,
  kBar,
  kComma,
  kDot,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kEqual,
  kNotEqual,
};

class FormulaLexer {
 public:
  explicit FormulaLexer(std::string_view text) : text_(text) {}

  // Reads the next token. Answers 0, or kFormulaBadCharacter / kFormulaBadNumber with the
  // position of the fault in Start().
  int32_t Next();

  FormulaToken Token() const { return token_; }
  // The token's offset in the text and its text.
  int32_t Start() const { return start_; }
  std::string_view Text() const { return text_.substr(start_, end_ - start_); }
  double Number() const { return number_; }
  size_t TextSize() const { return text_.size(); }
  // The offset just after the token.
  int32_t End() const { return end_; }

 private:
  int32_t ReadNumber();

  std::string_view text_;
  int32_t pos_ = 0;
  int32_t start_ = 0;
  int32_t end_ = 0;
  FormulaToken token_ = FormulaToken::kEnd;
  double number_ = 0.0;
};

// True when a and b are equal without regard to ASCII case.
bool FormulaNameEquals(std::string_view a, std::string_view b);
