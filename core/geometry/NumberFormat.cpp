#include "core/geometry/NumberFormat.h"

#include <locale.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/Numerics.h"

namespace {

// The "C" locale, made once: numbers are stored and shown with '.' whatever the user's locale.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// Makes the "C" locale current for this thread while it lives.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(CLocale() != nullptr ? uselocale(CLocale()) : nullptr) {}
  ~CLocaleScope() {
    if (previous_ != nullptr) uselocale(previous_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

// The smallest magnitude whose fixed form with n digits still shows a non-zero digit.
double FixedThreshold(int digits) {
  static constexpr double kThresholds[] = {0.95, 0.0995, 0.009995, 0.00099995};
  return kThresholds[digits];
}

bool UsesFixedNotation(int digits, double x) {
  if (x == 0) return true;
  const double size = std::fabs(x);
  return digits < 4 && size < 10000 && size >= FixedThreshold(digits);
}

}  // namespace

double StrtodC(const char* text, char** end) {
  return CLocale() != nullptr ? strtod_l(text, end, CLocale()) : std::strtod(text, end);
}

void FormatDoubleC(char* out, size_t size, const char* format, int digits, double x) {
  CLocaleScope c;
  std::snprintf(out, size, format, digits, x);
}

void FormatNumber(Str255& out, int16_t digits, double x) {
  int n = digits;
  if (n < 0) n = 0;
  if (n > kMaxFormatDigits) n = kMaxFormatDigits;
  char text[256];
  FormatDoubleC(text, sizeof text, UsesFixedNotation(n, x) ? "%.*f" : "%.*e", n, x);
  out.Assign(text);
}

Str255 FormatNumber(int16_t digits, double x) {
  Str255 out;
  FormatNumber(out, digits, x);
  return out;
}

bool ParseNumber(const Str255& text, double& out) {
  out = StrtodC(text.Chars(), nullptr);
  return ClassifyDouble(out) != kQuietNaN;
}
