// The fuzz entries of the resource readers and of the resource compiler. Built as libFuzzer
// programs with clang (ResourceFuzzer.cmake, which defines the entry macros) and replayed over
// the committed seeds by resources_tests.

#include "tests/resources/fuzz/ResourceFuzzEntry.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "core/Alert.h"
#include "core/ClassHierarchy.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Icon.h"
#include "platform/win32/Menu.h"
#include "resources/compiler/ScriptCompiler.h"

namespace {

constexpr char kFuzzLibrary[] = "resource-fuzz.dll";
constexpr uint16_t kResourceId = 128;

[[noreturn]] void Broken(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

// Makes the bytes the one resource of a module that is module 1 while the scope lasts.
class FuzzModule {
 public:
  FuzzModule(const char* typeName, uint16_t typeId, const uint8_t* data, size_t size) {
    entry_ = {typeName, typeId, nullptr, kResourceId, data, static_cast<uint32_t>(size)};
    table_ = {kFuzzLibrary, &entry_, 1};
    RegisterResourceModule(table_);
    saved_ = GetResourceModule1();
    module_ = LoadResourceLibrary(kFuzzLibrary);
    SetResourceModule1(module_);
  }
  ~FuzzModule() {
    SetResourceModule1(saved_);
    UnregisterResourceModule(kFuzzLibrary);
  }
  FuzzModule(const FuzzModule&) = delete;
  FuzzModule& operator=(const FuzzModule&) = delete;
  HMODULE Module() const { return module_; }

 private:
  ResourceEntry entry_{};
  ResourceModuleTable table_{};
  HMODULE saved_ = nullptr;
  HMODULE module_ = nullptr;
};

int ReadStrings(const uint8_t* data, size_t size) {
  // Block kResourceId holds the strings (kResourceId - 1) * 16 onwards.
  const FuzzModule module(nullptr, 6, data, size);
  const UINT first = (kResourceId - 1) * 16;
  int items = 0;
  for (UINT id = first; id < first + 16; ++id) {
    char buffer[300];
    const int copied = LoadStringA(module.Module(), id, buffer, sizeof buffer);
    if (copied < 0 || copied >= static_cast<int>(sizeof buffer) || buffer[copied] != '\0')
      Broken("LoadString answers what it copied, and ends it with a NUL");
    char small[4];
    const int cut = LoadStringA(module.Module(), id, small, sizeof small);
    if (cut < 0 || cut > 3 || small[cut] != '\0') Broken("LoadString stays inside the buffer");
    if (copied > 0) ++items;
  }
  return items;
}

int CountMenuItems(HMENU menu, int depth) {
  if (depth > 32) Broken("a menu is no deeper than its template allows");
  int items = 0;
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    GetMenuItemText(menu, static_cast<UINT>(i), MF_BYPOSITION);
    ++items;
    if (HMENU sub = GetSubMenu(menu, i)) items += CountMenuItems(sub, depth + 1);
  }
  return items;
}

int ReadMenu(const uint8_t* data, size_t size) {
  HMENU menu = LoadMenuIndirect(std::span<const uint8_t>(data, size));
  if (menu == nullptr) return 0;
  const int items = CountMenuItems(menu, 0);
  DestroyMenu(menu);
  return items;
}

int ReadIndexedStrings(const uint8_t* data, size_t size) {
  const FuzzModule module("STRD", 0, data, size);
  int items = 0;
  for (int16_t index = 1; index <= 64; ++index) {
    Str255 out("unchanged");
    GetIndString(out, static_cast<int16_t>(kResourceId), index);
    if (!out.IsEmpty() && !(out == Str255("unchanged"))) ++items;
  }
  return items;
}

int ReadHierarchy(const uint8_t* data, size_t size) {
  try {
    AdoptClassHierarchy(NewHandleFromBytes(data, static_cast<uint32_t>(size)));
  } catch (const QVException&) {
    return 0;
  }
  // Ask about the first identifiers the table names.
  int items = 0;
  for (size_t at = 2; at + 2 <= size && at < 2 + 4 * 32; at += 2) {
    int16_t id;
    std::memcpy(&id, data + at, 2);
    if (ParentClassId(id) != 0) ++items;
    IsDescendantClassID(id, 515);
    CommonBaseClassId(id, static_cast<int16_t>(id + 1));
  }
  FreeClassHierarchy();
  return items;
}

int ReadErrorTable(const uint8_t* data, size_t size) {
  const FuzzModule module("errs", 0, data, size);
  int items = 0;
  // The first error of the first entries, and the ones around it.
  for (size_t at = 0; at + 6 <= size && at < 6 * 32; at += 6) {
    int16_t low;
    std::memcpy(&low, data + at, 2);
    for (int delta : {-1, 0, 1}) {
      Str255 text;
      if (LookupErrorText(static_cast<int16_t>(low + delta), kResourceId, text) && delta == 0)
        ++items;
    }
  }
  return items;
}

int ReadIcon(const uint8_t* data, size_t size) {
  HICON icon = CreateIconFromResource(data, static_cast<DWORD>(size), TRUE, 0x00030000);
  if (icon == nullptr) return 0;
  IconPixels pixels;
  if (!GetIconPixels(icon, &pixels)) Broken("a new icon has pixels");
  const auto area = static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.height);
  if (pixels.image.size() != area || pixels.mask.size() != area)
    Broken("an icon's image and mask cover its size");
  DestroyIcon(icon);
  return static_cast<int>(area);
}

int ReadBitmap(const uint8_t* data, size_t size) {
  const FuzzModule module(nullptr, 2, data, size);
  HBITMAP bitmap = LoadBitmap(module.Module(), MAKEINTRESOURCEA(kResourceId));
  if (bitmap == nullptr) return 0;
  BITMAP info;
  if (GetObject(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0)
    Broken("a loaded bitmap has a size");
  DeleteObject(bitmap);
  return 1;
}

// A refusal names the script and a line: "fuzz.rc:12: ...".
bool NamesItsLine(std::string_view message) {
  constexpr std::string_view kPrefix = "fuzz.rc:";
  if (message.substr(0, kPrefix.size()) != kPrefix) return false;
  size_t at = kPrefix.size();
  const size_t digits = at;
  while (at < message.size() && std::isdigit(static_cast<unsigned char>(message[at])))
    ++at;
  return at > digits && at < message.size() && message[at] == ':';
}

}  // namespace

int ReadResourceForFuzzing(ResourceReader reader, const uint8_t* data, size_t size) {
  switch (reader) {
    case ResourceReader::kStrings:
      return ReadStrings(data, size);
    case ResourceReader::kMenu:
      return ReadMenu(data, size);
    case ResourceReader::kIndexedStrings:
      return ReadIndexedStrings(data, size);
    case ResourceReader::kHierarchy:
      return ReadHierarchy(data, size);
    case ResourceReader::kErrorTable:
      return ReadErrorTable(data, size);
    case ResourceReader::kIcon:
      return ReadIcon(data, size);
    case ResourceReader::kBitmap:
      return ReadBitmap(data, size);
    case ResourceReader::kCount:
      break;
  }
  return 0;
}

int ReadSelectedResourceForFuzzing(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto reader =
      static_cast<ResourceReader>(data[0] % static_cast<uint8_t>(ResourceReader::kCount));
  return ReadResourceForFuzzing(reader, data + 1, size - 1);
}

int CompileScriptForFuzzing(const uint8_t* data, size_t size, const std::string& path) {
  rc::CompiledModule module;
  module.fileName = "fuzz.dll";
  try {
    rc::CompileScript(std::string_view(reinterpret_cast<const char*>(data), size), path, module);
    rc::FinishModule(module);
  } catch (const rc::ScriptError& error) {
    if (!NamesItsLine(error.what())) Broken("a refused script is named with its line");
    return -1;
  }
  // What the compiler writes, the readers read.
  for (const rc::CompiledResource& resource : module.resources) {
    if (resource.type.IsText() || resource.type.id != 4) continue;
    HMENU menu = LoadMenuIndirect(resource.bytes);
    if (menu == nullptr) Broken("a compiled menu loads");
    DestroyMenu(menu);
  }
  return static_cast<int>(module.resources.size());
}

#if defined(YB_FUZZ_RESOURCE_READERS)
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool pool = (InitHandlePool(), true);
  (void)pool;
  ReadSelectedResourceForFuzzing(data, size);
  return 0;
}
#elif defined(YB_FUZZ_RESOURCE_SCRIPTS)
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CompileScriptForFuzzing(data, size);
  return 0;
}
#endif
