#pragma once
// Typed and stored text to numbers, with the check that keeps a text that is not a number from
// passing as zero; numbers to text with a count of significant digits; and the names under which
// commands are shown to the user.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/PString.h"

// The characters a text may hold when it converts to zero and is still believed.
inline constexpr const char* kZeroTextSet = "0.,e+-";

// False when either is null; true for an empty text; otherwise whether every character of text
// occurs in set.
bool AllCharsIn(const char* text, const char* set);

// The number at the start of s (leading blanks skipped, reading stops at the first character
// that cannot continue a number, no number gives 0). False, with out untouched, for an empty s
// or a null out. Otherwise out is written, and the answer is false when the result is zero but
// s holds a character outside kZeroTextSet, or when the number is beyond the range of a double.
// The point is always '.', whatever the locale; hexadecimal, "inf" and "nan" are no numbers.
bool ParseDouble(const Str255& s, double* out);
// The same for a 32-bit integer: digits only, so "1.5" gives 1. Text beyond the range of 32 bits
// is not ok.
bool ParseLong(const Str255& s, int32_t* out);
// The integer cut to 16 bits; ok is false when it does not fit 16 bits (out then holds the cut
// value) or when it is 0 and s holds a character outside kZeroTextSet.
void ParseShort(const Str255& s, int16_t& out, int16_t ignored, bool& ok);
// The standard conversion, without any check.
void ParseLongUnchecked(const Str255& s, int32_t& out);

// x with the count of significant digits in the upper 16 bits of format (1 to 17; less is 1,
// more is 17): plain notation where the exponent allows, exponent notation otherwise. The point
// is always '.'.
void FormatDouble(int32_t format, double x, Str255& out);

// Removes the first c from text; replaces the first c by replacement. Unchanged when c does not
// occur. Both work in place on zero-terminated text and answer it.
char* RemoveChar(char* text, char c);
void ReplaceChar(char* text, char c, char replacement);
// A plain block copy, source first.
void MemCopy(const void* source, void* destination, size_t count);

// The menu layer answers a command's item text in the main menu, empty when no item has it.
using CommandMenuTextLookup = std::function<std::string(int32_t command)>;
void SetCommandMenuTextLookup(CommandMenuTextLookup lookup);

// The zero-terminated text of the 'CmdN' resource of the command; false when there is none.
bool CommandResourceName(int16_t command, Str255& out);

// The name of a command as the user sees it: the 'CmdN' resource of that number, else the main
// menu's item text (at most 153 characters; the alternative number command + 0x4000 when the
// plain one has no text) with its first '&' removed and its first backspace made a blank.
void GetCommandName(int16_t command, Str255& out);
