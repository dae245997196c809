#include "core/FileSpec.h"

#include <cstring>

void FSSpec::Clear() {
  vRefNum = 0;
  parID = 0;
  name = Str255();
}

bool FSSpec::Equals(const FSSpec& a, const FSSpec& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && a.name.Length() == b.name.Length() &&
         std::memcmp(a.name.Chars(), b.name.Chars(), a.name.Length()) == 0;
}

bool operator==(const FSSpec& a, const FSSpec& b) {
  return FSSpec::Equals(a, b) && a.second.Length() == b.second.Length() &&
         std::memcmp(a.second.Chars(), b.second.Chars(), a.second.Length()) == 0;
}

const char* FileNamePart(const char* path) {
  if (path == nullptr) return nullptr;
  for (const char separator : {'/', '\\', ':'}) {
    const char* last = std::strrchr(path, separator);
    if (last != nullptr) return last + 1;
  }
  return path;
}

const char* FileExtensionPart(const char* path) {
  if (path == nullptr) return nullptr;
  const char* name = FileNamePart(path);
  const char* dot = std::strchr(name, '.');
  return dot != nullptr ? dot + 1 : name + std::strlen(name);
}

bool HasWildcard(const char* text) {
  return text != nullptr && std::strpbrk(text, "*?") != nullptr;
}
