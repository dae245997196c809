// Values: construction, conversions between the engine types, and number text.

#include "basic/Value.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace basic {

const char* ErrorText(int32_t number) {
  switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 14: return "Out of string space";
    case 20: return "Resume without error";
    case 28: return "Out of stack space";
    case 35: return "Sub or Function not defined";
    case 91: return "Object variable not set";
    case 424: return "Object required";
    case 438: return "Object doesn't support this property or method";
    case 449: return "Argument not optional";
    case 450: return "Wrong number of arguments or invalid property assignment";
    case 51: return "Internal error";
    default: return "Application-defined or object-defined error";
  }
}

void Raise(int32_t number) { throw ScriptError{number, ErrorText(number)}; }

Value Value::String(std::string text) {
  if (text.size() > kMaxStringLength) Raise(14);
  Value r(VType::kString);
  r.u_.s = new StringRep{1, std::move(text)};
  return r;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads "&H1F" or "&O17" from the start of text; false when it is not such a number.
bool ParseRadix(std::string_view text, size_t& used, double& out) {
  if (text.size() < 3 || text[0] != '&') return false;
  const char kind = UpperChar(text[1]);
  const int radix = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
  if (radix == 0) return false;
  uint64_t v = 0;
  size_t i = 2;
  for (; i < text.size() && i < 18; ++i) {
    const char c = UpperChar(text[i]);
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    if (digit >= radix) break;
    v = v * radix + digit;
  }
  if (i == 2) return false;
  used = i;
  // Four or fewer hex digits are a 16-bit pattern, eight or fewer a 32-bit one.
  if (v <= 0xFFFF && i - 2 <= 4 && radix == 16) out = static_cast<int16_t>(v);
  else if (v <= 0xFFFFFFFFu) out = static_cast<int32_t>(static_cast<uint32_t>(v));
  else out = static_cast<double>(v);
  return true;
}

// Reads a decimal number from the start of text; `used` is how many characters it took.
bool ParseDecimal(std::string_view text, size_t& used, double& out) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digitsStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  }
  if (i == digitsStart || (i == digitsStart + 1 && text[digitsStart] == '.')) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  std::string copy(text.substr(0, i));
  for (char& c : copy)
    if (c == 'd' || c == 'D') c = 'e';
  out = std::strtod(copy.c_str(), nullptr);
  used = i;
  return true;
}

}  // namespace

bool ParseNumber(std::string_view text, double& out) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  size_t used = 0;
  if (ParseRadix(text, used, out) || ParseDecimal(text, used, out)) return used == text.size();
  return false;
}

double LeadingNumber(std::string_view text) {
  std::string packed;  // Val ignores blanks inside the number
  for (char c : text)
    if (!IsBlank(c)) packed += c;
  size_t used = 0;
  double out = 0;
  if (ParseRadix(packed, used, out) || ParseDecimal(packed, used, out)) return out;
  return 0;
}

std::string FormatNumber(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", value == 0 ? 0.0 : value);
    return buffer;
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  // "1.5E+020" style exponents are written as "1.5E+20".
  const size_t e = text.find('E');
  if (e != std::string::npos) {
    size_t digits = e + 2;
    while (digits + 1 < text.size() && text[digits] == '0') text.erase(digits, 1);
  }
  return text;
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

Value Value::Array(ArrayRep* rep) {
  Value r(VType::kArray);
  r.u_.a = rep;
  return r;
}

void Value::RetainShared() const {
  if (type() == VType::kString) ++u_.s->refs;
  else ++u_.a->refs;
}

void Value::ReleaseShared() {
  if (type() == VType::kString) {
    if (--u_.s->refs == 0) delete u_.s;
  } else if (--u_.a->refs == 0) {
    delete u_.a;
  }
}

double Value::ToDouble() const {
  switch (type()) {
    case VType::kEmpty: return 0;
    case VType::kInteger:
    case VType::kLong:
    case VType::kBoolean: return u_.i;
    case VType::kDouble: return u_.d;
    case VType::kString: {
      double out = 0;
      if (!ParseNumber(u_.s->text, out)) Raise(13);
      return out;
    }
    case VType::kObject:
    case VType::kArray: Raise(13);
  }
  Raise(13);
}

int32_t Value::ToLong() const {
  if (type() == VType::kLong || type() == VType::kInteger || type() == VType::kBoolean) return RawInt();
  const double d = RoundHalfEven(ToDouble());
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) Raise(6);
  return static_cast<int32_t>(d);
}

int16_t Value::ToInteger() const {
  const int32_t v = ToLong();
  if (v < -32768 || v > 32767) Raise(6);
  return static_cast<int16_t>(v);
}

bool Value::ToBoolean() const {
  if (type() == VType::kString) {
    const std::string word = Lower(u_.s->text);
    if (word == "true") return true;
    if (word == "false") return false;
  }
  return ToDouble() != 0;
}

std::string Value::ToString() const {
  switch (type()) {
    case VType::kEmpty: return "";
    case VType::kInteger:
    case VType::kLong: return std::to_string(u_.i);
    case VType::kDouble: return FormatNumber(u_.d);
    case VType::kString: return u_.s->text;
    case VType::kBoolean: return u_.i ? "True" : "False";
    case VType::kObject:
    case VType::kArray: Raise(13);
  }
  Raise(13);
}

Value Value::ConvertTo(VType type) const {
  if (type == this->type() || type == VType::kEmpty) return *this;
  switch (type) {
    case VType::kInteger: return Integer(ToInteger());
    case VType::kLong: return Long(ToLong());
    case VType::kDouble: return Double(ToDouble());
    case VType::kString: return String(ToString());
    case VType::kBoolean: return Boolean(ToBoolean());
    case VType::kObject:
      if (this->type() == VType::kEmpty) return Object(nullptr, -1);
      Raise(424);
    case VType::kEmpty:
    case VType::kArray: break;
  }
  return *this;
}

char UpperChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
  switch (u) {
    case 0x9A: return '\x8A';
    case 0x9C: return '\x8C';
    case 0x9E: return '\x8E';
    case 0xFF: return '\x9F';
    default: return c;
  }
}

char LowerChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  switch (u) {
    case 0x8A: return '\x9A';
    case 0x8C: return '\x9C';
    case 0x8E: return '\x9E';
    case 0x9F: return '\xFF';
    default: return c;
  }
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

}  // namespace basic
