// Format(number, pattern) for numbers.

#include <cmath>
#include <cstdio>

#include "basic/Builtins.h"

namespace basic {

namespace {

struct Pattern {
  std::string prefix;
  std::string suffix;
  int integerZeros = 0;
  int decimals = 0;
  int minDecimals = 0;
  bool grouping = false;
  bool percent = false;
  bool scientific = false;
  bool exponentPlus = false;
  int exponentDigits = 1;
  bool point = false;
};

bool IsPlaceholder(char c) { return c == '0' || c == '#'; }

Pattern ParsePattern(std::string_view text) {
  Pattern p;
  const size_t section = text.find(';');
  if (section != std::string_view::npos) text = text.substr(0, section);
  const size_t first = text.find_first_of("0#.");
  const size_t last = text.find_last_of("0#");
  if (first == std::string_view::npos) {
    p.prefix = std::string(text);
    return p;
  }
  p.prefix = std::string(text.substr(0, first));
  bool afterPoint = false;
  size_t i = first;
  for (; i < text.size() && (last == std::string_view::npos || i <= last); ++i) {
    const char c = text[i];
    if (c == '.') {
      afterPoint = p.point = true;
    } else if (c == ',') {
      if (!afterPoint) p.grouping = true;
    } else if (IsPlaceholder(c)) {
      if (p.scientific) {
        ++p.exponentDigits;
      } else if (afterPoint) {
        ++p.decimals;
        if (c == '0') p.minDecimals = p.decimals;
      } else if (c == '0') {
        ++p.integerZeros;
      }
    } else if ((c == 'E' || c == 'e') && i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-')) {
      p.scientific = true;
      p.exponentPlus = text[i + 1] == '+';
      p.exponentDigits = 0;
      ++i;
    } else if (c == '%') {
      p.percent = true;
      p.suffix += c;
    } else if (c != '\\') {
      p.suffix += c;
    }
  }
  p.suffix += std::string(text.substr(i));
  if (p.suffix.find('%') != std::string::npos) p.percent = true;
  if (p.scientific && p.exponentDigits == 0) p.exponentDigits = 1;
  return p;
}

std::string Group(const std::string& digits) {
  std::string out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Fixed(double magnitude, const Pattern& p) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", p.decimals, magnitude);
  std::string text = buffer;
  const size_t dot = text.find('.');
  std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  while (static_cast<int>(fraction.size()) > p.minDecimals && !fraction.empty() && fraction.back() == '0')
    fraction.pop_back();
  if (whole == "0" && p.integerZeros == 0) whole.clear();
  if (static_cast<int>(whole.size()) < p.integerZeros)
    whole.insert(whole.begin(), static_cast<size_t>(p.integerZeros) - whole.size(), '0');
  if (p.grouping) whole = Group(whole);
  if (whole.empty() && fraction.empty()) whole.push_back('0');
  if (!fraction.empty()) {
    whole += '.';
    whole += fraction;
  }
  return whole;
}

std::string Scientific(double magnitude, const Pattern& p) {
  int exponent = magnitude == 0 ? 0 : static_cast<int>(std::floor(std::log10(magnitude)));
  const int leading = std::max(p.integerZeros, 1);
  exponent -= leading - 1;
  double mantissa = magnitude / std::pow(10.0, exponent);
  Pattern m = p;
  m.grouping = false;
  std::string text = Fixed(mantissa, m);
  if (mantissa != 0 && text.find('.') != static_cast<size_t>(leading) && text.size() > static_cast<size_t>(leading) &&
      text.substr(0, leading + 1).find('.') == std::string::npos) {
    // Rounding carried into a new digit (9.99 to 10.0): shift one place.
    ++exponent;
    mantissa = magnitude / std::pow(10.0, exponent);
    text = Fixed(mantissa, m);
  }
  char digits[16];
  std::snprintf(digits, sizeof digits, "%0*d", p.exponentDigits, std::abs(exponent));
  const char* sign = exponent < 0 ? "-" : p.exponentPlus ? "+" : "";
  return text + "E" + sign + digits;
}

}  // namespace

std::string FormatValue(const Value& value, std::string_view pattern) {
  if (value.type() == VType::kString) {
    double d = 0;
    if (!ParseNumber(value.RawString(), d)) return value.RawString();
    return FormatValue(Value::Double(d), pattern);
  }
  const std::string name = Lower(pattern);
  if (name.empty() || name == "general number") return value.ToString();
  if (name == "fixed") return FormatValue(value, "0.00");
  if (name == "standard") return FormatValue(value, "#,##0.00");
  if (name == "percent") return FormatValue(value, "0.00%");
  if (name == "scientific") return FormatValue(value, "0.00E+00");
  const Pattern p = ParsePattern(pattern);
  double d = value.ToDouble();
  if (!std::isfinite(d)) return FormatNumber(d);
  if (p.percent) d *= 100;
  if (std::fabs(d) >= 1e300) Raise(6);
  std::string body = p.scientific ? Scientific(std::fabs(d), p) : Fixed(std::fabs(d), p);
  const bool negative = d < 0 && body.find_first_not_of("0.,E+-") != std::string::npos;
  return (negative ? "-" : "") + p.prefix + body + p.suffix;
}

}  // namespace basic
