#pragma once
// The resource readers and the resource compiler under arbitrary bytes: the fuzz entries'
// checks, and how far an input got. A broken promise ends the process.

#include <cstddef>
#include <cstdint>
#include <string>

// The readers, in the order of the selector byte that starts a reader input.
enum class ResourceReader : uint8_t {
  kStrings,         // a string-table block through LoadString
  kMenu,            // a menu template through LoadMenuIndirect
  kIndexedStrings,  // a 'STRD' list through GetIndString
  kHierarchy,       // a 'HIER' table through the class hierarchy queries
  kErrorTable,      // an 'errs' table through LookupErrorText
  kIcon,            // an icon image through CreateIconFromResource
  kBitmap,          // a bitmap resource through LoadBitmap
  kCount
};

// Offers the bytes to the reader as its resource (in a module of its own, which is module 1
// while the call lasts) and answers how many items the reader made of them: strings, menu
// items, list entries, classes with a parent, error texts, icon pixels, bitmaps.
int ReadResourceForFuzzing(ResourceReader reader, const uint8_t* data, size_t size);

// The first byte selects the reader (modulo kCount); the rest is the resource.
int ReadSelectedResourceForFuzzing(const uint8_t* data, size_t size);

// Compiles the bytes as a script and loads what it compiled back through the readers. Answers
// the number of resources compiled, or -1 when the script was refused (with a "file:line: "
// message, as every refusal must be).
// `path` names the script, so that the files it includes are looked for beside it.
int CompileScriptForFuzzing(const uint8_t* data, size_t size, const std::string& path = "fuzz.rc");
