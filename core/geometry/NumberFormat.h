#pragma once
// Numbers as the user sees them: a double shown with a given count of digits, in fixed notation
// where that still shows a significant digit and in exponent notation otherwise, and text read
// back as a number. Both ignore the process locale: the point is always '.'. The two locale-free
// conversions under them serve every number the program stores or shows.

#include <cstddef>
#include <cstdint>

#include "core/PString.h"

// The most digits FormatNumber shows, so that the longest exponent form ("-d.", the digits,
// "e+308") fits a counted string of 255 characters.
inline constexpr int16_t kMaxFormatDigits = 240;

// n is the count of digits after the point in fixed notation, or of the mantissa in exponent
// notation; it is clamped to 0..kMaxFormatDigits. Fixed notation is used for n < 4 when
// |x| < 10000 and |x| still shows a non-zero digit, and always for zero.
void FormatNumber(Str255& out, int16_t digits, double x);
Str255 FormatNumber(int16_t digits, double x);

// Reads the number at the start of the text (blanks skipped; the reading stops at the first
// character that cannot continue a number; no number gives 0). False only when the result is a
// quiet NaN.
bool ParseNumber(const Str255& text, double& out);

// strtod in the "C" locale: the point is '.', whatever the process locale says. end and errno as
// strtod leaves them.
double StrtodC(const char* text, char** end);
// snprintf of one double with a count of digits ("%.*g" and the like) in the "C" locale.
void FormatDoubleC(char* out, size_t size, const char* format, int digits, double x);
