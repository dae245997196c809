#pragma once
// Splits script text into tokens with their line and column. Names keep their spelling and carry
// a lower-case key, since the language ignores case. Line continuations (" _") are joined here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace basic {

enum class Tok : uint8_t {
  kEnd,
  kNewline,  // end of line, or ':' between statements
  kName,
  kNumber,
  kString,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kBackslash,
  kCaret,
  kAmp,
  kEq,
  kNe,
  kLt,
  kGt,
  kLe,
  kGe,
  kLParen,
  kRParen,
  kComma,
  kDot,
  kSemicolon,
};

struct Token {
  Tok kind = Tok::kEnd;
  bool colon = false;  // a kNewline written as ':'
  int32_t line = 1;
  int32_t column = 1;
  std::string text;  // names and strings as written (strings without quotes)
  std::string key;   // names in lower case
  double number = 0;
  bool integral = false;  // a number literal without '.' or exponent
};

// A fault in the text, with the place it was found.
struct CompileError {
  int32_t line;
  int32_t column;
  std::string message;
};

// Tokenizes the whole text; throws CompileError on a character that starts no token or an
// unterminated string. The list always ends with kNewline, kEnd.
std::vector<Token> Tokenize(std::string_view text);

}  // namespace basic
