#pragma once
// FSSpec records and the name functions for paths. An FSSpec names a file by its
// full path; its volume and parent directory are kept and compared but mean nothing on Linux.

#include <cstdint>

#include "core/PString.h"

struct FSSpec {
  int16_t vRefNum = 0;
  int32_t parID = 0;
  Str255 name;    // the full path
  Str255 second;  // kept with the FSSpec; only its equality matters

  // Volume, parent and name cleared; the second string keeps its value.
  void Clear();
  // Same name (exact bytes), volume and parent; the second string is not compared.
  static bool Equals(const FSSpec& a, const FSSpec& b);
};

// Equals, and the second strings are equal as well.
bool operator==(const FSSpec& a, const FSSpec& b);

// The file name of a path: the text after the last '/'; without one, after the last backslash
// (paths written on other systems); without either, after the last colon; else the whole path.
// The answer points into path. A null path answers null.
const char* FileNamePart(const char* path);
// The text after the first '.' of the file name; the empty text at the end of the path when the
// name has no '.'. The answer points into path. A null path answers null.
const char* FileExtensionPart(const char* path);
// True when the text holds '*' or '?'.
bool HasWildcard(const char* text);
