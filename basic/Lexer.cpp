// The tokenizer.

#include "basic/Lexer.h"

#include "basic/Value.h"

#include <cstdio>

namespace basic {

namespace {

bool IsNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0;
}
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  std::vector<Token> Run() {
    while (pos_ < text_.size()) Step();
    Add(Tok::kNewline);
    Add(Tok::kEnd);
    return std::move(tokens_);
  }

 private:
  char Peek(size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  int32_t Column() const { return static_cast<int32_t>(pos_ - lineStart_) + 1; }

  Token& Add(Tok kind) {
    Token token;
    token.kind = kind;
    token.line = tokenLine_;
    token.column = tokenColumn_;
    tokens_.push_back(std::move(token));
    return tokens_.back();
  }

  [[noreturn]] void Fail(const std::string& message) const {
    throw CompileError{tokenLine_, tokenColumn_, message};
  }

  void NewLine() {
    ++line_;
    lineStart_ = pos_;
  }

  void SkipComment() {
    while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
  }

  void Step() {
    tokenLine_ = line_;
    tokenColumn_ = Column();
    const char c = text_[pos_];
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0') {
      ++pos_;
    } else if (c == '\r' || c == '\n') {
      ++pos_;
      if (c == '\r' && Peek() == '\n') ++pos_;
      Add(Tok::kNewline);
      NewLine();
    } else if (c == '\'') {
      SkipComment();
    } else if (c == '_' && !IsNameChar(static_cast<unsigned char>(Peek(1)))) {
      Continuation();
    } else if (IsNameStart(static_cast<unsigned char>(c))) {
      Name();
    } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) {
      Number();
    } else if (c == '&' && (Peek(1) == 'H' || Peek(1) == 'h' || Peek(1) == 'O' || Peek(1) == 'o') &&
               IsRadixDigit(Peek(2))) {
      Number();
    } else if (c == '"') {
      String();
    } else {
      Operator(c);
    }
  }

  static bool IsRadixDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

  // " _" at the end of a line joins the next line to this one.
  void Continuation() {
    size_t p = pos_ + 1;
    while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t')) ++p;
    if (p < text_.size() && text_[p] != '\r' && text_[p] != '\n') Fail("Unexpected character '_'");
    pos_ = p;
    if (pos_ < text_.size()) {
      const char end = text_[pos_++];
      if (end == '\r' && Peek() == '\n') ++pos_;
      NewLine();
    }
  }

  void Name() {
    const size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    std::string text(text_.substr(start, pos_ - start));
    if (Peek() == '$') ++pos_;  // Left$ and Left are one function
    std::string key = Lower(text);
    if (key == "rem") {
      SkipComment();
      return;
    }
    Token& token = Add(Tok::kName);
    token.text = std::move(text);
    token.key = std::move(key);
  }

  void Number() {
    const std::string_view rest = text_.substr(pos_);
    size_t used = 0;
    if (rest[0] == '&') {
      used = 2;
      while (used < rest.size() && IsRadixDigit(rest[used])) ++used;
    } else {
      while (used < rest.size() && (IsDigit(rest[used]) || rest[used] == '.')) ++used;
      if (used < rest.size() && (rest[used] == 'e' || rest[used] == 'E')) {
        size_t j = used + 1;
        if (j < rest.size() && (rest[j] == '+' || rest[j] == '-')) ++j;
        if (j < rest.size() && IsDigit(rest[j])) {
          while (j < rest.size() && IsDigit(rest[j])) ++j;
          used = j;
        }
      }
    }
    const std::string_view literal = rest.substr(0, used);
    double value = 0;
    if (!ParseNumber(literal, value)) Fail("Bad number '" + std::string(literal) + "'");
    pos_ += used;
    // A type suffix (#, !, %, &) is accepted and changes nothing.
    if (Peek() == '#' || Peek() == '!' || Peek() == '%') ++pos_;
    Token& token = Add(Tok::kNumber);
    token.number = value;
    token.integral = literal.find_first_of(".eE") == std::string_view::npos || literal[0] == '&';
    token.text = std::string(literal);
  }

  void String() {
    std::string text;
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\n' || text_[pos_] == '\r')
        Fail("Unterminated string");
      const char c = text_[pos_++];
      if (c == '"') {
        if (Peek() != '"') break;
        ++pos_;
      }
      text += c;
      if (text.size() > kMaxStringLength) Fail("String too long");
    }
    Add(Tok::kString).text = std::move(text);
  }

  void Operator(char c) {
    ++pos_;
    switch (c) {
      case '+': Add(Tok::kPlus); return;
      case '-': Add(Tok::kMinus); return;
      case '*': Add(Tok::kStar); return;
      case '/': Add(Tok::kSlash); return;
      case '\\': Add(Tok::kBackslash); return;
      case '^': Add(Tok::kCaret); return;
      case '&': Add(Tok::kAmp); return;
      case '=': Add(Tok::kEq); return;
      case '(': Add(Tok::kLParen); return;
      case ')': Add(Tok::kRParen); return;
      case ',': Add(Tok::kComma); return;
      case '.': Add(Tok::kDot); return;
      case ';': Add(Tok::kSemicolon); return;
      case ':': Add(Tok::kNewline).colon = true; return;
      case '<':
        if (Peek() == '>') return ++pos_, void(Add(Tok::kNe));
        if (Peek() == '=') return ++pos_, void(Add(Tok::kLe));
        Add(Tok::kLt);
        return;
      case '>':
        if (Peek() == '=') return ++pos_, void(Add(Tok::kGe));
        Add(Tok::kGt);
        return;
      default: break;
    }
    const auto u = static_cast<unsigned char>(c);
    char shown[8];
    if (u >= 0x20 && u < 0x7F) shown[0] = c, shown[1] = '\0';
    else std::snprintf(shown, sizeof shown, "\\x%02X", u);
    Fail(std::string("Unexpected character '") + shown + "'");
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t lineStart_ = 0;
  int32_t line_ = 1;
  int32_t tokenLine_ = 1;
  int32_t tokenColumn_ = 1;
  std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> Tokenize(std::string_view text) { return Lexer(text).Run(); }

}  // namespace basic
